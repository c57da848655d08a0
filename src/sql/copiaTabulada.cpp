#include "sql/copiaTabulada.h"

#include "controls/uTZamListView.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>

namespace {

QString celulaSegura(const QString &texto)
{
    static const QRegularExpression quebras(QStringLiteral("[\\t\\r\\n\\x{2028}\\x{2029}]+"));
    QString segura = texto;
    return segura.replace(quebras, QStringLiteral(" "));
}

void acrescentarLinha(QString &texto, const QStringList &celulas, qsizetype largura)
{
    for (qsizetype c = 0; c < largura; ++c) {
        if (c > 0)
            texto += u'\t';
        texto += celulaSegura(celulas.value(c));
    }
    texto += u'\n';
}

} // namespace

QString textoTabulado(const QStringList &cabecalho, const QList<QStringList> &linhas)
{
    qsizetype largura = cabecalho.size();
    for (const QStringList &linha : linhas)
        largura = std::max(largura, linha.size());
    QString texto;
    acrescentarLinha(texto, cabecalho, largura);
    for (const QStringList &linha : linhas)
        acrescentarLinha(texto, linha, largura);
    return texto;
}

QStringList celulasDaLinha(const TZamListView &lista, int linha)
{
    QStringList celulas;
    celulas.reserve(std::max(1, lista.columnCount()));
    celulas << lista.textoDaCelula(linha, 0);
    for (int c = 1; c < lista.columnCount(); ++c)
        celulas << lista.textoDaCelula(linha, c);
    return celulas;
}

QString copiaAgrupada(const TZamListView &lista, const QStringList &cabecalho,
                      const QModelIndexList &selecionados, const QModelIndex &atual)
{
    bool tudo = atual.isValid() && lista.linhaDoIndice(atual) < 0;
    QSet<int> escolhidas;
    for (const QModelIndex &indice : selecionados) {
        if (!indice.isValid())
            continue;
        const int linha = lista.linhaDoIndice(indice);
        if (linha < 0)
            tudo = true;
        else
            escolhidas.insert(linha);
    }
    if (!tudo && escolhidas.isEmpty())
        return QString();
    QHash<int, std::vector<int>> linhasDoGrupo;
    for (int i = 0; i < lista.count(); ++i) {
        if (tudo || escolhidas.contains(i))
            linhasDoGrupo[lista.grupoDaLinha(i)].push_back(i);
    }
    QList<QStringList> linhas;
    for (const TZamListGroup &grupo : lista.groups()) {
        const auto achado = linhasDoGrupo.constFind(grupo.GroupID);
        if (achado == linhasDoGrupo.cend())
            continue;
        for (const int i : *achado)
            linhas << (QStringList{grupo.Header} + celulasDaLinha(lista, i));
        // Two groups with one id would list the rows twice.
        linhasDoGrupo.remove(grupo.GroupID);
    }
    return textoTabulado(cabecalho, linhas);
}

QString copiaDasLinhas(const TZamListView &lista, const std::vector<int> &linhas)
{
    QStringList cabecalho;
    for (int c = 0; c < lista.columnCount(); ++c)
        cabecalho << lista.column(c).Caption;
    QList<QStringList> celulas;
    for (const int i : linhas)
        celulas << celulasDaLinha(lista, i);
    return textoTabulado(cabecalho, celulas);
}
