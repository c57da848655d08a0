#include "platform/caminhos.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#include <unistd.h>

namespace {

// A folder that Debian guarantees never to exist: drive-letter paths land under it, so
// they are not found, never resolve against the working folder, and cannot be created.
constexpr char semUnidade[] = "/nonexistent/";

bool ehUnidade(const QString &caminho)
{
    return caminho.size() >= 2 && caminho.at(1) == u':' && caminho.at(0).isLetter() &&
           caminho.at(0).unicode() < 128;
}

// Resolves "." and ".." among the segments of a path text ("\\" or "/" between them), as
// Windows resolves them, but never above the first fixos segments: what the path names then
// stays inside the folder it is mapped under. Empty segments are kept as they were.
QString semSubir(const QString &caminho, qsizetype fixos = 0)
{
    static const QRegularExpression separadores(QStringLiteral("[\\\\/]"));
    QStringList resultado;
    for (const QString &segmento : caminho.split(separadores)) {
        if (resultado.size() < fixos) {
            resultado.append(segmento);
        } else if (segmento == u"..") {
            while (resultado.size() > fixos && resultado.last().isEmpty())
                resultado.removeLast();
            if (resultado.size() > fixos)
                resultado.removeLast();
        } else if (segmento != u".") {
            resultado.append(segmento);
        }
    }
    return resultado.join(u'/');
}

// A server or share name becomes one folder name of the mapping: it may hold no separator
// and may not be a name of the folder itself or of its parent.
bool nomeDeRedeValido(const QString &nome)
{
    return !nome.isEmpty() && nome != u"." && nome != u".." && !nome.contains(u'/');
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
    if (!nomeDeRedeValido(servidor) || (partes.size() > 1 && !nomeDeRedeValido(compartilhamento)))
        return semUnidade + QStringLiteral("smb/") + semSubir(caminho.mid(2));
    QString local = raizSmb(servidor, compartilhamento);
    if (partes.size() > 2)
        local += u'/' + semSubir(partes.mid(2).join(u'/'));
    return local;
}

} // namespace

QString caminhoLocal(const QString &caminho)
{
    if (caminho.startsWith(QStringLiteral("\\\\")))
        return caminhoDeRede(caminho);
    if (ehUnidade(caminho)) {
        // The drive ("c:", or "c:name") is the first segment: no ".." climbs above it.
        return semUnidade + semSubir(caminho, 1);
    }
    QString local = caminho;
    local.replace(u'\\', u'/');
    return local;
}
