#include "execucao/formatosSaida.h"

#include "platform/erros.h"
#include "platform/textoAsc.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace {

const QString separador = QStringLiteral(";");
const QString fimDeLinha = QStringLiteral("\r\n");

QString linhaCsv(const QStringList &campos)
{
    QStringList citados;
    citados.reserve(campos.size());
    for (const QString &campo : campos)
        citados << TGravadorResultados::campoCsv(campo);
    return citados.join(separador) + fimDeLinha;
}

QString json(const QJsonObject &objeto)
{
    return QString::fromUtf8(QJsonDocument(objeto).toJson(QJsonDocument::Compact)) + u'\n';
}

// Columns padded to their widest text, two blanks apart.
QString tabelaAlinhada(const std::vector<QStringList> &linhas)
{
    std::vector<qsizetype> larguras;
    for (const QStringList &linha : linhas) {
        larguras.resize(std::max<std::size_t>(larguras.size(), std::size_t(linha.size())));
        for (qsizetype i = 0; i < linha.size(); ++i)
            larguras[std::size_t(i)] = std::max(larguras[std::size_t(i)], linha[i].size());
    }
    QString texto;
    for (const QStringList &linha : linhas) {
        QString atual;
        for (qsizetype i = 0; i < linha.size(); ++i) {
            if (i > 0)
                atual += QStringLiteral("  ");
            atual +=
                i + 1 < linha.size() ? linha[i].leftJustified(larguras[std::size_t(i)]) : linha[i];
        }
        texto += QStringLiteral("  ") + atual + u'\n';
    }
    return texto;
}

} // namespace

TGravadorResultados::TGravadorResultados(TFormatoSaida formato, TAgrupamentoSaida agrupamento,
                                         QIODevice &destino)
    : FFormato(formato)
    , FAgrupamento(agrupamento)
    , FDestino(destino)
{
}

QString TGravadorResultados::campoCsv(const QString &texto)
{
    if (!texto.contains(u';') && !texto.contains(u'"') && !texto.contains(u'\n') &&
        !texto.contains(u'\r'))
        return texto;
    QString citado = texto;
    citado.replace(u'"', QStringLiteral("\"\""));
    return u'"' + citado + u'"';
}

void TGravadorResultados::escrever(const QString &texto)
{
    FDestino.write(texto.toUtf8());
}

void TGravadorResultados::adicionar(std::vector<TResultadoBase> &lote)
{
    for (TResultadoBase &resultado : lote) {
        if (FAgrupamento == TAgrupamentoSaida::Resultado) {
            QStringList valores;
            if (resultado.falhou())
                valores << resultado.erro;
            for (const QStringList &linha : resultado.linhas)
                valores << linha.value(0);
            for (const QString &valor : valores) {
                const QString chave = minusculasAZ(valor);
                auto achado = FPorValor.constFind(chave);
                if (achado == FPorValor.cend()) {
                    achado = FPorValor.insert(chave, FGrupos.size());
                    FGrupos.push_back({valor, {}, 0});
                }
                TGrupoValor &grupo = FGrupos[*achado];
                grupo.bases << resultado.nome;
                grupo.ordem = ++FContador;
            }
        } else if (FFormato == TFormatoSaida::Jsonl) {
            jsonDaBase(resultado);
        } else {
            FResultados.push_back(std::move(resultado));
        }
    }
}

void TGravadorResultados::jsonDaBase(const TResultadoBase &resultado)
{
    QJsonObject objeto;
    objeto.insert(QStringLiteral("base"), resultado.nome);
    objeto.insert(QStringLiteral("campos"), QJsonArray::fromStringList(resultado.campos));
    QJsonArray linhas;
    for (const QStringList &linha : resultado.linhas)
        linhas.append(QJsonArray::fromStringList(linha));
    objeto.insert(QStringLiteral("linhas"), linhas);
    objeto.insert(QStringLiteral("ms"), resultado.ms);
    if (resultado.falhou())
        objeto.insert(QStringLiteral("erro"), resultado.erro);
    escrever(json(objeto));
}

void TGravadorResultados::concluir()
{
    if (FAgrupamento == TAgrupamentoSaida::Resultado)
        concluirPorResultado();
    else
        concluirPorBase();
    FResultados.clear();
}

void TGravadorResultados::concluirPorBase()
{
    // Written at the end, so in the catalogue's order rather than in the order of answer.
    std::stable_sort(
        FResultados.begin(), FResultados.end(),
        [](const TResultadoBase &a, const TResultadoBase &b) { return a.indice < b.indice; });
    if (FFormato == TFormatoSaida::Csv) {
        QStringList campos;
        for (const TResultadoBase &r : FResultados) {
            if (!r.falhou() && !r.campos.isEmpty()) {
                campos = r.campos;
                break;
            }
        }
        escrever(linhaCsv(QStringList{QStringLiteral("base")} + campos +
                          QStringList{QStringLiteral("erro")}));
        for (const TResultadoBase &r : FResultados) {
            if (r.falhou()) {
                QStringList linha{r.nome};
                for (qsizetype i = 0; i < campos.size(); ++i)
                    linha << QString();
                escrever(linhaCsv(linha << r.erro));
                continue;
            }
            for (const QStringList &valores : r.linhas) {
                QStringList linha{r.nome};
                for (qsizetype i = 0; i < campos.size(); ++i)
                    linha << valores.value(i);
                escrever(linhaCsv(linha << QString()));
            }
        }
    } else if (FFormato == TFormatoSaida::Tabela) {
        for (const TResultadoBase &r : FResultados) {
            if (r.falhou()) {
                escrever(QStringLiteral("%1: FALHOU\n  %2\n\n")
                             .arg(r.nome, QString(r.erro).replace(u'\n', QStringLiteral("\n  "))));
                continue;
            }
            escrever(QStringLiteral("%1: %2 linhas, %3 ms\n")
                         .arg(r.nome)
                         .arg(r.linhas.size())
                         .arg(r.ms));
            std::vector<QStringList> linhas{r.campos};
            linhas.insert(linhas.end(), r.linhas.begin(), r.linhas.end());
            escrever(tabelaAlinhada(linhas) + u'\n');
        }
    }
}

std::vector<const TGravadorResultados::TGrupoValor *> TGravadorResultados::gruposEmOrdem() const
{
    std::vector<const TGrupoValor *> ordem;
    for (const TGrupoValor &g : FGrupos)
        ordem.push_back(&g);
    // Equal counts stand in the order they reached that count, as in the window.
    std::stable_sort(ordem.begin(), ordem.end(), [](const TGrupoValor *a, const TGrupoValor *b) {
        if (a->bases.size() != b->bases.size())
            return a->bases.size() > b->bases.size();
        return a->ordem < b->ordem;
    });
    return ordem;
}

void TGravadorResultados::concluirPorResultado()
{
    const std::vector<const TGrupoValor *> ordem = gruposEmOrdem();
    if (FFormato == TFormatoSaida::Csv)
        escrever(linhaCsv(
            {QStringLiteral("valor"), QStringLiteral("contagem"), QStringLiteral("base")}));
    for (const TGrupoValor *g : ordem) {
        const QString contagem = QString::number(g->bases.size());
        switch (FFormato) {
        case TFormatoSaida::Csv:
            for (const QString &base : g->bases)
                escrever(linhaCsv({g->valor, contagem, base}));
            break;
        case TFormatoSaida::Jsonl: {
            QJsonObject objeto;
            objeto.insert(QStringLiteral("valor"), g->valor);
            objeto.insert(QStringLiteral("contagem"), qint64(g->bases.size()));
            objeto.insert(QStringLiteral("bases"), QJsonArray::fromStringList(g->bases));
            escrever(json(objeto));
            break;
        }
        case TFormatoSaida::Tabela:
            escrever(QStringLiteral("%1 (%2)\n").arg(g->valor, contagem));
            for (const QString &base : g->bases)
                escrever(QStringLiteral("  ") + base + u'\n');
            break;
        }
    }
}

namespace {

// The records of a csv text with ";" as separator (RFC 4180).
QList<QStringList> lerCsv(const QString &texto)
{
    QList<QStringList> linhas;
    QStringList linha;
    QString campo;
    bool citado = false;
    const auto fecharLinha = [&]() {
        linha << campo;
        campo.clear();
        linhas << linha;
        linha.clear();
    };
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const QChar c = texto[i];
        if (citado) {
            if (c == u'"' && i + 1 < texto.size() && texto[i + 1] == u'"') {
                campo += u'"';
                ++i;
            } else if (c == u'"') {
                citado = false;
            } else {
                campo += c;
            }
        } else if (c == u'"') {
            citado = true;
        } else if (c == u';') {
            linha << campo;
            campo.clear();
        } else if (c == u'\n' || c == u'\r') {
            if (c == u'\r' && i + 1 < texto.size() && texto[i + 1] == u'\n')
                ++i;
            fecharLinha();
        } else {
            campo += c;
        }
    }
    if (!campo.isEmpty() || !linha.isEmpty())
        fecharLinha();
    return linhas;
}

} // namespace

QStringList basesQueFalharam(const QString &saidaAnterior)
{
    QString texto = saidaAnterior;
    if (texto.startsWith(QChar(0xFEFF)))
        texto.remove(0, 1);
    QStringList bases;
    if (texto.trimmed().startsWith(u'{')) {
        for (const QString &linha : texto.split(u'\n', Qt::SkipEmptyParts)) {
            QJsonParseError erro;
            const QJsonObject objeto = QJsonDocument::fromJson(linha.toUtf8(), &erro).object();
            if (erro.error != QJsonParseError::NoError || !objeto.contains(QStringLiteral("base")))
                throw EZamErro(
                    QStringLiteral("Linha que não é de uma saída jsonl: %1").arg(linha.left(80)));
            if (objeto.contains(QStringLiteral("erro")))
                bases << objeto.value(QStringLiteral("base")).toString();
        }
        return bases;
    }
    const QList<QStringList> linhas = lerCsv(texto);
    if (linhas.isEmpty() || linhas.front().value(0) != u"base" ||
        linhas.front().constLast() != u"erro")
        throw EZamErro(QStringLiteral("O arquivo não é uma saída jsonl nem csv agrupada por base "
                                      "(cabeçalho \"base;...;erro\")."));
    const qsizetype colunaErro = linhas.front().size() - 1;
    for (qsizetype i = 1; i < linhas.size(); ++i) {
        if (!linhas[i].value(colunaErro).isEmpty() && !bases.contains(linhas[i].value(0)))
            bases << linhas[i].value(0);
    }
    return bases;
}
