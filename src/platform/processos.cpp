#include "platform/processos.h"

#include "platform/caminhos.h"
#include "platform/erros.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

#ifdef Q_OS_WIN
// There the shell opens the file itself (ShellExecuteExW with SW_SHOWNORMAL) and the text of
// GetLastError becomes the message.
#error "executarPrograma has no Windows implementation yet"
#else

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString textoDoErro(int codigo)
{
    return QString::fromLocal8Bit(std::strerror(codigo));
}

// 0 when the file can be run, otherwise the error that starting it would give.
int examinar(const QString &caminho)
{
    const QByteArray nativo = QFile::encodeName(caminho);
    struct stat info;
    if (::stat(nativo.constData(), &info) != 0)
        return errno;
    if (!S_ISREG(info.st_mode))
        return EACCES;
    if (::access(nativo.constData(), X_OK) != 0)
        return errno;
    return 0;
}

QStringList pastasDeBusca()
{
    QStringList pastas{QDir::currentPath()};
    // Without PATH the C library searches its own default.
    const QString path = qEnvironmentVariableIsSet("PATH") ? qEnvironmentVariable("PATH")
                                                           : QStringLiteral("/bin:/usr/bin");
    pastas += path.split(u':', Qt::SkipEmptyParts);
    return pastas;
}

// Looks the name up as the C library's execvp does, with the working folder in front: a
// file that is there but cannot be run is passed over, and its error is the one reported
// when no later folder has a program of that name.
QString localizar(const QString &programa)
{
    if (programa.isEmpty())
        throw EZamErro(textoDoErro(ENOENT));
    if (programa.contains(u'/') || programa.contains(u'\\')) {
        const QString caminho = caminhoLocal(programa);
        if (const int erro = examinar(caminho))
            throw EZamErro(textoDoErro(erro));
        return QFileInfo(caminho).absoluteFilePath();
    }
    int erro = ENOENT;
    for (const QString &pasta : pastasDeBusca()) {
        const QString candidato = pasta + u'/' + programa;
        const int resultado = examinar(candidato);
        if (resultado == 0)
            return QFileInfo(candidato).absoluteFilePath();
        if (resultado == EACCES)
            erro = EACCES;
    }
    throw EZamErro(textoDoErro(erro));
}

// Qt words a failed start as "<call>: <the system's text for the error>"; the user is shown
// the system's text.
QString textoDoSistema(const QString &erroQt)
{
    static const QRegularExpression chamada(QStringLiteral("^[A-Za-z_]+: "));
    const QRegularExpressionMatch achado = chamada.match(erroQt);
    return achado.hasMatch() ? erroQt.sliced(achado.capturedLength()) : erroQt;
}

} // namespace

void executarPrograma(const QString &programa, const QString &argumentos)
{
    QProcess processo;
    processo.setProgram(localizar(programa));
    processo.setArguments(argumentos.isEmpty() ? QStringList()
                                               : QProcess::splitCommand(argumentos));
    // No working folder is set: the program starts in ours.
    if (!processo.startDetached())
        throw EZamErro(textoDoSistema(processo.errorString()));
}

#endif
