#include "platform/caminhos.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

QString juntarCaminho(const QString &base, const QString &nome)
{
    const QChar separador = base.contains(u'\\') ? u'\\' : u'/';
    return base + separador + nome;
}

bool nomePastaValido(const QString &nome)
{
    const QString aparado = nome.trimmed();
    if (aparado.isEmpty() || aparado == u"." || aparado == u".." || nome.contains(u".."))
        return false;
    static const QString proibidos = QStringLiteral("<>:\"/\\|?*");
    for (const QChar c : nome) {
        if (c.unicode() < 32 || c.unicode() == 127 || proibidos.contains(c))
            return false;
    }
    if (nome.endsWith(u' ') || nome.endsWith(u'.'))
        return false;
    static const QRegularExpression dispositivo(
        QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])(\\..*)?$"),
        QRegularExpression::CaseInsensitiveOption);
    return !dispositivo.match(nome).hasMatch();
}

#ifdef Q_OS_WIN

QString caminhoLocal(const QString &caminho)
{
    return caminho;
}

#else

namespace {

// A folder that Debian guarantees never to exist: drive-letter paths land under it, so
// they are not found, never resolve against the working folder, and cannot be created.
constexpr char semUnidade[] = "/nonexistent/";

bool ehUnidade(const QString &caminho)
{
    return caminho.size() >= 2 && caminho.at(1) == u':' && caminho.at(0).isLetter() &&
           caminho.at(0).unicode() < 128;
}

QString raizSmb(const QString &servidor, const QString &compartilhamento)
{
    const QString pastaSmb = qEnvironmentVariable("ZAMDADOS_SMB");
    if (!pastaSmb.isEmpty() && QFileInfo(pastaSmb).isDir())
        return pastaSmb + u'/' + servidor + u'/' + compartilhamento;
    return QStringLiteral("/run/user/%1/gvfs/smb-share:server=%2,share=%3")
        .arg(QString::number(getuid()), servidor.toLower(), compartilhamento.toLower());
}

QString caminhoDeRede(const QString &caminho)
{
    // \\SERVER\SHARE\rest
    const QStringList partes = caminho.mid(2).split(u'\\');
    const QString servidor = partes.value(0);
    const QString compartilhamento = partes.value(1);
    const QString resto = partes.mid(2).join(u'/');
    QString local = raizSmb(servidor, compartilhamento);
    if (partes.size() > 2)
        local += u'/' + resto;
    return local;
}

} // namespace

QString caminhoLocal(const QString &caminho)
{
    if (caminho.startsWith(QStringLiteral("\\\\")))
        return caminhoDeRede(caminho);
    QString local = caminho;
    local.replace(u'\\', u'/');
    if (ehUnidade(caminho))
        return semUnidade + local;
    return local;
}

#endif
