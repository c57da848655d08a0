#include "sql/historicoSql.h"

#include "platform/arquivoTexto.h"
#include "platform/caminhos.h"
#include "platform/erros.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QtDebug>

namespace {

// Multi-line texts each as one string of a JSON array, in UTF-8.
QByteArray emJson(const QStringList &textos)
{
    return QJsonDocument(QJsonArray::fromStringList(textos)).toJson(QJsonDocument::Indented);
}

bool emBranco(const QString &texto)
{
    return texto.trimmed().isEmpty();
}

} // namespace

QString THistoricoSql::arquivoPadrao()
{
    const QString pasta = pastaDoUsuario();
    return pasta.isEmpty() ? QString() : pasta + QStringLiteral("/historico-sql.json");
}

THistoricoSql::THistoricoSql(QString arquivo)
    : FArquivo(std::move(arquivo))
{
    const std::optional<QStringList> lidos = ler();
    FTextos = lidos.value_or(QStringList());
    FArquivoEmDia = lidos.has_value();
}

std::optional<QStringList> THistoricoSql::ler() const
{
    if (FArquivo.isEmpty())
        return std::nullopt;
    if (!QFileInfo::exists(caminhoLocal(FArquivo)))
        return QStringList();
    QByteArray bytes;
    try {
        bytes = lerBytes(FArquivo);
    } catch (const EZamErro &erro) {
        qWarning().noquote() << "Histórico de SQL não lido:" << erro.mensagem();
        return std::nullopt;
    }
    QJsonParseError problema;
    const QJsonDocument documento = QJsonDocument::fromJson(bytes, &problema);
    if (!documento.isArray()) {
        qWarning().noquote() << "Histórico de SQL não lido:" << FArquivo << "não é uma lista"
                             << problema.errorString();
        return std::nullopt;
    }
    QStringList textos;
    for (const QJsonValue &valor : documento.array()) {
        if (valor.isString() && !emBranco(valor.toString()) &&
            (textos.isEmpty() || textos.last() != valor.toString()))
            textos << valor.toString();
        if (textos.size() == maximo)
            break;
    }
    return textos;
}

bool THistoricoSql::gravar() const
{
    if (FArquivo.isEmpty()) {
        qWarning() << "Histórico de SQL não gravado: o sistema não dá uma pasta para os dados "
                      "do usuário";
        return false;
    }
    try {
        QDir().mkpath(QFileInfo(caminhoLocal(FArquivo)).path());
        gravarBytes(FArquivo, emJson(FTextos));
        return true;
    } catch (const EZamErro &erro) {
        qWarning().noquote() << "Histórico de SQL não gravado:" << erro.mensagem();
        return false;
    }
}

void THistoricoSql::registrar(const QString &texto)
{
    FPosicao = -1;
    FRascunho.clear();
    if (emBranco(texto))
        return;
    // Another window may have run texts since this one read or wrote the file.
    if (FArquivoEmDia) {
        if (std::optional<QStringList> doArquivo = ler())
            FTextos = std::move(*doArquivo);
    }
    if (!FTextos.isEmpty() && FTextos.first() == texto)
        return;
    FTextos.prepend(texto);
    while (FTextos.size() > maximo)
        FTextos.removeLast();
    FArquivoEmDia = gravar();
}

std::optional<QString> THistoricoSql::anterior(const QString &textoAtual)
{
    int proxima = FPosicao + 1;
    if (FPosicao < 0 && !FTextos.isEmpty() && FTextos.first() == textoAtual)
        proxima = 1;
    return escolher(proxima, textoAtual);
}

std::optional<QString> THistoricoSql::escolher(int i, const QString &textoAtual)
{
    if (i < 0 || i >= FTextos.size())
        return std::nullopt;
    if (FPosicao < 0)
        FRascunho = textoAtual;
    FPosicao = i;
    return FTextos.at(i);
}

std::optional<QString> THistoricoSql::seguinte()
{
    if (FPosicao < 0)
        return std::nullopt;
    --FPosicao;
    // The newest text is passed over when it is the one the walk began from.
    if (FPosicao == 0 && FTextos.first() == FRascunho)
        FPosicao = -1;
    if (FPosicao >= 0)
        return FTextos.at(FPosicao);
    QString rascunho = std::move(FRascunho);
    FRascunho.clear();
    return rascunho;
}
