#include "ui/main/linhasLista.h"

#include "catalog/formatosCatalogo.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>

namespace {

// The first character of a format that is not one of its field letters.
QChar separadorDoFormato(const QString &formato, const QString &letras, QChar padrao)
{
    for (const QChar c : formato) {
        if (!letras.contains(c) && c != u' ' && c != u'\'')
            return c;
    }
    return padrao;
}

// How the rows show dates and sizes, worked out once per refill.
struct TFormatoLinhas
{
    QLocale locale;
    QString formatoData;

    TFormatoLinhas()
    {
        const QChar data = separadorDoFormato(locale.dateFormat(QLocale::ShortFormat),
                                              QStringLiteral("dMy"), u'/');
        const QChar hora = separadorDoFormato(locale.timeFormat(QLocale::ShortFormat),
                                              QStringLiteral("hHmsaApt"), u':');
        formatoData = QStringLiteral("dd%1MM%1yyyy hh%2mm").arg(data, hora);
    }

    QString tamanho(TTamanho valor) const
    {
        return locale.toString(double(valor) / tamanhoUm, 'f', 2);
    }
};

// The three cells of the catalogue, then the cells the batch jobs wrote for the record;
// a row's other texts stay as they are.
TZamListItem linhaDoRegistro(const TZamDadosItemPtr &registro, TZamListItem linha,
                             const TFormatoLinhas &formato, const QMap<int, QString> *celulas)
{
    linha.Caption = registro->Getnome();
    while (linha.SubItems.size() < 3)
        linha.SubItems.append(QString());
    linha.SubItems[0] = QString::number(registro->Getporta());
    linha.SubItems[1] =
        formato.locale.toString(deDataHora(registro->Getdatahora()), formato.formatoData);
    linha.SubItems[2] = formato.tamanho(registro->Gettamanho());
    if (celulas) {
        for (auto it = celulas->cbegin(); it != celulas->cend(); ++it) {
            while (linha.SubItems.size() < it.key())
                linha.SubItems.append(QString());
            linha.SubItems[it.key() - 1] = it.value();
        }
    }
    linha.Data = registro;
    return linha;
}

// A fixed-point division rounded to the nearest ten-thousandth.
TTamanho dividirArredondado(TTamanho valor, TTamanho divisor)
{
    const TTamanho metade = divisor / 2;
    return valor >= 0 ? (valor + metade) / divisor : -((-valor + metade) / divisor);
}

} // namespace

void TLinhasLista::ordenar(std::vector<TZamDadosItemPtr> registros)
{
    FRegistrosOrdenados = std::move(registros);
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseSensitive);
    std::sort(FRegistrosOrdenados.begin(), FRegistrosOrdenados.end(),
              [&collator](const TZamDadosItemPtr &a, const TZamDadosItemPtr &b) {
                  return collator.compare(a->Getnome(), b->Getnome()) < 0;
              });
}

std::vector<TZamDadosItemPtr> TLinhasLista::filtrados(const QString &filtro) const
{
    if (filtro.isEmpty())
        return FRegistrosOrdenados;
    std::vector<TZamDadosItemPtr> passam;
    for (const TZamDadosItemPtr &registro : FRegistrosOrdenados) {
        if (registro->Getnome().contains(filtro, Qt::CaseInsensitive))
            passam.push_back(registro);
    }
    return passam;
}

std::vector<TZamListItem> TLinhasLista::linhas(const std::vector<TZamDadosItemPtr> &registros) const
{
    const TFormatoLinhas formato;
    std::vector<TZamListItem> resultado;
    resultado.reserve(registros.size());
    for (const TZamDadosItemPtr &registro : registros)
        resultado.push_back(
            linhaDoRegistro(registro, TZamListItem(), formato, celulasDe(registro)));
    return resultado;
}

TZamListItem TLinhasLista::linha(const TZamDadosItemPtr &registro, TZamListItem linha) const
{
    return linhaDoRegistro(registro, std::move(linha), TFormatoLinhas(), celulasDe(registro));
}

QString TLinhasLista::tamanhoTotal() const
{
    TTamanho total = 0;
    for (const TZamDadosItemPtr &registro : FRegistrosOrdenados)
        total += dividirArredondado(registro->Gettamanho(), 1024);
    return TFormatoLinhas().tamanho(dividirArredondado(total, 1024)) + QStringLiteral(" GB");
}

const QMap<int, QString> *TLinhasLista::celulasDe(const TZamDadosItemPtr &registro) const
{
    const auto it = FCelulasDasTarefas.find(registro);
    return it == FCelulasDasTarefas.end() ? nullptr : &it->second;
}

void TLinhasLista::definirCelula(const TZamDadosItemPtr &registro, int coluna, const QString &texto)
{
    FCelulasDasTarefas[registro][coluna] = texto;
}

std::optional<QString> TLinhasLista::celula(const TZamDadosItemPtr &registro, int coluna) const
{
    if (const QMap<int, QString> *celulas = celulasDe(registro)) {
        const auto it = celulas->find(coluna);
        if (it != celulas->cend())
            return *it;
    }
    return std::nullopt;
}
