// The mapping of path text to local paths (caminhoLocal) on any text:
//   - a network share \\SERVER\SHARE\rest that is mapped lands in its share's folder
//     ($ZAMDADOS_SMB/SERVER/SHARE, or the desktop's SMB mount of the share), never above it;
//     one that cannot be mapped lands under /nonexistent;
//   - a drive-letter path always lands under /nonexistent, where nothing is found.
// The first input byte picks whether $ZAMDADOS_SMB names a folder; the rest is the path in
// UTF-8.
#include "alvoFuzz.h"

#include "platform/caminhos.h"

#include <unistd.h>

namespace {

const QString semUnidade = QStringLiteral("/nonexistent");

// The path has its "." and ".." resolved by the file system's rules, and is then the root
// or inside it.
bool dentroDe(const QString &caminho, const QString &raiz)
{
    const QString limpo = QDir::cleanPath(caminho);
    const QString raizLimpa = QDir::cleanPath(raiz);
    return limpo == raizLimpa || limpo.startsWith(raizLimpa + u'/');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *dados, size_t tamanho)
{
    TLeitorFuzz leitor(dados, tamanho);
    const bool comSmb = leitor.byte() & 1;
    const QString caminho = QString::fromUtf8(leitor.resto());

    const QString pastaSmb = pastaTemporaria() + QStringLiteral("/smb");
    static const bool criada = QDir().mkpath(pastaSmb);
    exigir(criada, "the SMB folder can be made");
    if (comSmb)
        qputenv("ZAMDADOS_SMB", QFile::encodeName(pastaSmb));
    else
        qputenv("ZAMDADOS_SMB", QFile::encodeName(pastaSmb + QStringLiteral("/naoExiste")));

    const QString local = caminhoLocal(caminho);
    const QString detalhe = caminho + QStringLiteral(" -> ") + local;

    // The drive is a letter of the Latin alphabet followed by a colon.
    const bool unidade = caminho.size() >= 2 && caminho.at(1) == u':' &&
                         caminho.at(0).unicode() < 128 && caminho.at(0).isLetter();
    if (unidade)
        exigir(dentroDe(local, semUnidade) && local.startsWith(semUnidade + u'/'),
               "a drive-letter path lands under /nonexistent", detalhe);

    if (caminho.startsWith(QStringLiteral("\\\\"))) {
        if (dentroDe(local, semUnidade))
            return 0;
        const QStringList partes = caminho.mid(2).split(u'\\');
        const QString servidor = partes.value(0);
        const QString compartilhamento = partes.value(1);
        const QString raiz = comSmb
                                 ? pastaSmb + u'/' + servidor + u'/' + compartilhamento
                                 : QStringLiteral("/run/user/%1/gvfs/smb-share:server=%2,share=%3")
                                       .arg(QString::number(getuid()), servidor.toLower(),
                                            compartilhamento.toLower());
        // The share's folder is one folder below the mount folder, with its own name.
        exigir((!servidor.isEmpty() && !compartilhamento.isEmpty()) || partes.size() == 1,
               "a mapped share has a server and a share name", detalhe);
        exigir(QDir::cleanPath(raiz).startsWith(
                   QDir::cleanPath(comSmb ? pastaSmb : QStringLiteral("/run/user")) + u'/'),
               "the share's folder is inside the mount folder", detalhe);
        exigir(dentroDe(local, raiz), "a mapped share path stays in its share's folder", detalhe);
    }
    return 0;
}
