#include "platform/caminhos.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>
#include <algorithm>

QString juntarCaminho(const QString &base, const QString &nome)
{
    const QChar separador = base.contains(u'\\') ? u'\\' : u'/';
    return base + separador + nome;
}

QString pastaDeConfiguracao(const QString &pastaPrograma)
{
    // QFileInfo asks the system (access()), so a folder that is read-only for root too,
    // immutable or on a read-only mount, counts as not writable.
    if (QFileInfo(pastaPrograma).isWritable())
        return pastaPrograma;
    const QString nomeada = qEnvironmentVariable("ZAMDADOS_PASTA");
    return nomeada.isEmpty() ? pastaPrograma : nomeada;
}

QString pastaDoUsuario()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

bool temCaractereDeControle(const QString &texto)
{
    return std::any_of(texto.cbegin(), texto.cend(),
                       [](QChar c) { return c.unicode() < 32 || c.unicode() == 127; });
}

QString textoVisivel(const QString &texto)
{
    QString visivel;
    for (const QChar c : texto) {
        if (c == u'\n')
            visivel += QStringLiteral("\\n");
        else if (c == u'\r')
            visivel += QStringLiteral("\\r");
        else if (c == u'\t')
            visivel += QStringLiteral("\\t");
        else if (c.unicode() < 32 || c.unicode() == 127)
            visivel += QStringLiteral("\\x") +
                       QString::number(c.unicode(), 16).rightJustified(2, u'0').toUpper();
        else
            visivel += c;
    }
    return visivel;
}

bool nomePastaValido(const QString &nome)
{
    const QString aparado = nome.trimmed();
    if (aparado.isEmpty() || aparado == u"." || aparado == u".." || nome.contains(u".."))
        return false;
    static const QString proibidos = QStringLiteral("<>:\"/\\|?*");
    if (temCaractereDeControle(nome) ||
        std::any_of(nome.cbegin(), nome.cend(), [](QChar c) { return proibidos.contains(c); }))
        return false;
    if (nome.endsWith(u' ') || nome.endsWith(u'.'))
        return false;
    static const QRegularExpression dispositivo(
        QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])(\\..*)?$"),
        QRegularExpression::CaseInsensitiveOption);
    return !dispositivo.match(nome).hasMatch();
}
