#include "ui/comum/gerenciadorArquivos.h"

#include "platform/caminhos.h"
#include "platform/erros.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

// On Windows the desktop's own service opens the folder in the shell's browser as well; its
// failure comes back as false too.

void abrirPasta(const QString &caminho)
{
    const QFileInfo pasta(caminhoLocal(caminho));
    // The desktop reports a missing folder in a window of its own, or not at all, and says
    // only that it failed; these cases are told apart here.
    if (!pasta.exists())
        throw EZamErro(QStringLiteral("Pasta não encontrada: \"%1\"").arg(caminho));
    if (!pasta.isDir())
        throw EZamErro(QStringLiteral("Não é uma pasta: \"%1\"").arg(caminho));
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(pasta.absoluteFilePath())))
        throw EZamErro(QStringLiteral("Nenhum gerenciador de arquivos pôde abrir a pasta \"%1\"")
                           .arg(caminho));
}
