#include "platform/processos.h"

#include "platform/caminhos.h"
#include "platform/erros.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <utility>
#include <vector>

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

namespace {

// Called through syscall: the C library's own declarations of these are not usable from C++ in
// every version.
int abrirPidfd(pid_t pid)
{
    return int(::syscall(SYS_pidfd_open, pid, 0));
}

int sinalizarPidfd(int pidfd, int sinal)
{
    return int(::syscall(SYS_pidfd_send_signal, pidfd, sinal, nullptr, 0));
}

// How long a process asked to end may take before it is killed, and how long a killed one
// may take to go.
constexpr int esperaTermino = 1500;
constexpr int esperaMorte = 3000;

// What the kernel tells of one process. The start time tells it apart from a later process
// that got the same number.
struct TEstado
{
    bool existe = false;
    bool terminou = false;
    unsigned long long inicio = 0;
};

QByteArray lerProc(pid_t pid, const char *arquivo)
{
    const QByteArray caminho = "/proc/" + QByteArray::number(pid) + '/' + arquivo;
    QByteArray conteudo;
    const int fd = ::open(caminho.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return conteudo;
    char bloco[4096];
    for (;;) {
        const ssize_t lidos = ::read(fd, bloco, sizeof bloco);
        if (lidos < 0 && errno == EINTR)
            continue;
        if (lidos <= 0)
            break;
        conteudo.append(bloco, lidos);
    }
    ::close(fd);
    return conteudo;
}

TEstado estado(pid_t pid)
{
    TEstado e;
    const QByteArray stat = lerProc(pid, "stat");
    // "pid (comm) state ppid ...": the name may hold blanks and parentheses, so the fields
    // are counted from the last ")". The start time is the 22nd field.
    const qsizetype fim = stat.lastIndexOf(')');
    if (fim < 0)
        return e;
    const QList<QByteArray> campos = stat.mid(fim + 2).split(' ');
    if (campos.size() < 20)
        return e;
    e.existe = true;
    const char situacao = campos[0].isEmpty() ? '?' : campos[0][0];
    e.terminou = situacao == 'Z' || situacao == 'X';
    e.inicio = campos[19].toULongLong();
    return e;
}

QString lerLink(pid_t pid, const char *link)
{
    const QByteArray caminho = "/proc/" + QByteArray::number(pid) + '/' + link;
    char destino[4096];
    const ssize_t tamanho = ::readlink(caminho.constData(), destino, sizeof destino);
    if (tamanho <= 0 || size_t(tamanho) >= sizeof destino)
        return {};
    QString alvo = QFile::decodeName(QByteArray(destino, tamanho));
    // The file was replaced or removed while the program runs.
    const QString apagado = QStringLiteral(" (deleted)");
    if (alvo.endsWith(apagado))
        alvo.chop(apagado.size());
    return alvo;
}

QString nomeDoArquivo(const QString &caminho)
{
    const qsizetype barra = std::max(caminho.lastIndexOf(u'/'), caminho.lastIndexOf(u'\\'));
    return caminho.mid(barra + 1);
}

QChar minuscula(QChar c)
{
    return c >= u'A' && c <= u'Z' ? QChar(c.unicode() + (u'a' - u'A')) : c;
}

bool igualSemCaixa(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (minuscula(a[i]) != minuscula(b[i]))
            return false;
    }
    return true;
}

// The names a process goes by: the file it runs, the name it was started as (an emulator
// shows the Windows program's path there) and the name the kernel keeps for it, which for a
// script is the script's own file name. The kernel keeps only the first 15 bytes of that one.
class TCriterio
{
public:
    explicit TCriterio(const QString &nome)
        : FNome(nome)
        , FComPasta(nome.contains(u'/') || nome.contains(u'\\'))
        , FLocal(FComPasta ? caminhoLocal(nome) : nome)
        , FCabeNoComm(QFile::encodeName(nome).size() <= 15)
    {
    }

    bool atende(pid_t pid) const
    {
        const QByteArray linha = lerProc(pid, "cmdline");
        // Kernel threads have no command line.
        if (linha.isEmpty())
            return false;
        const QString argv0 = QFile::decodeName(linha.left(linha.indexOf('\0')));
        const QString exe = lerLink(pid, "exe");
        if (FComPasta)
            return igualSemCaixa(exe, FLocal) || igualSemCaixa(argv0, FLocal) ||
                   igualSemCaixa(argv0, FNome);
        if (igualSemCaixa(nomeDoArquivo(exe), FNome) || igualSemCaixa(nomeDoArquivo(argv0), FNome))
            return true;
        if (!FCabeNoComm)
            return false;
        return igualSemCaixa(QFile::decodeName(lerProc(pid, "comm").trimmed()), FNome);
    }

private:
    QString FNome;
    bool FComPasta;
    QString FLocal;
    bool FCabeNoComm;
};

// A process that has been found. The handle of the process (pidfd) makes sure that the
// signals reach it and not a later process with the same number.
class TAlvo
{
public:
    TAlvo(pid_t pid, unsigned long long inicio)
        : FPid(pid)
        , FInicio(inicio)
    {
        FPidfd = abrirPidfd(pid);
        // Without handles (an old kernel) the number has to do.
        if (FPidfd < 0 && errno != ENOSYS)
            FPerdido = true;
        // The handle may have been taken after the process ended and its number was reused.
        if (FPidfd >= 0 && estado(pid).inicio != inicio) {
            ::close(FPidfd);
            FPidfd = -1;
            FPerdido = true;
        }
    }
    ~TAlvo()
    {
        if (FPidfd >= 0)
            ::close(FPidfd);
    }
    TAlvo(const TAlvo &) = delete;
    TAlvo &operator=(const TAlvo &) = delete;
    TAlvo(TAlvo &&outro) noexcept
        : FPid(outro.FPid)
        , FInicio(outro.FInicio)
        , FPidfd(std::exchange(outro.FPidfd, -1))
        , FPerdido(outro.FPerdido)
        , FSinalizado(outro.FSinalizado)
    {
    }

    bool sinalizar(int sinal)
    {
        if (FPerdido)
            return false;
        const int r = FPidfd >= 0 ? sinalizarPidfd(FPidfd, sinal) : ::kill(FPid, sinal);
        if (r == 0)
            FSinalizado = true;
        return r == 0;
    }

    bool vivo() const
    {
        if (FPerdido)
            return false;
        const TEstado e = estado(FPid);
        return e.existe && !e.terminou && e.inicio == FInicio;
    }

    bool sinalizado() const { return FSinalizado; }

private:
    pid_t FPid;
    unsigned long long FInicio;
    int FPidfd = -1;
    bool FPerdido = false;
    bool FSinalizado = false;
};

std::vector<TAlvo> procurarProcessos(const TCriterio &criterio)
{
    std::vector<TAlvo> alvos;
    DIR *proc = ::opendir("/proc");
    if (!proc)
        return alvos;
    const pid_t proprio = ::getpid();
    while (const dirent *entrada = ::readdir(proc)) {
        char *fim = nullptr;
        const long numero = std::strtol(entrada->d_name, &fim, 10);
        if (*fim != '\0' || numero <= 0 || pid_t(numero) == proprio)
            continue;
        const pid_t pid = pid_t(numero);
        const TEstado e = estado(pid);
        if (!e.existe || e.terminou || !criterio.atende(pid))
            continue;
        alvos.emplace_back(pid, e.inicio);
    }
    ::closedir(proc);
    return alvos;
}

// Waits until every process that was signalled has gone, or the time is up.
bool esperarFim(const std::vector<TAlvo> &alvos, int limiteMs)
{
    const QDeadlineTimer limite(limiteMs);
    for (;;) {
        bool restam = false;
        for (const TAlvo &alvo : alvos)
            restam = restam || (alvo.sinalizado() && alvo.vivo());
        if (!restam)
            return true;
        if (limite.hasExpired())
            return false;
        ::usleep(10000);
    }
}

} // namespace

bool encerrarProcessos(const QString &nomeExecutavel)
{
    if (nomeExecutavel.isEmpty())
        return false;
    std::vector<TAlvo> alvos = procurarProcessos(TCriterio(nomeExecutavel));
    for (TAlvo &alvo : alvos)
        alvo.sinalizar(SIGTERM);
    if (!esperarFim(alvos, esperaTermino)) {
        for (TAlvo &alvo : alvos) {
            if (alvo.sinalizado() && alvo.vivo())
                alvo.sinalizar(SIGKILL);
        }
        esperarFim(alvos, esperaMorte);
    }
    bool algum = false;
    for (const TAlvo &alvo : alvos)
        algum = algum || (alvo.sinalizado() && !alvo.vivo());
    return algum;
}
