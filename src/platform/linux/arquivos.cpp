#include "platform/arquivos.h"
#include "platform/linux/arquivos.h"

#include "platform/caminhos.h"
#include "platform/erros.h"

#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

constexpr qint64 tamanhoBloco = 1 << 20;

[[noreturn]] void falhar(int codigo)
{
    throw EZamErro(QString::fromLocal8Bit(std::strerror(codigo)));
}

QByteArray nativo(const QString &caminho)
{
    return QFile::encodeName(caminho);
}

class TDescritor
{
public:
    explicit TDescritor(int fd = -1)
        : FFd(fd)
    {
    }
    ~TDescritor()
    {
        if (FFd >= 0)
            ::close(FFd);
    }
    TDescritor(const TDescritor &) = delete;
    TDescritor &operator=(const TDescritor &) = delete;

    int fd() const { return FFd; }
    // Closes now: a network file system may report a failed write only here.
    void fechar()
    {
        const int fd = std::exchange(FFd, -1);
        if (::close(fd) != 0 && errno != EINTR)
            falhar(errno);
    }

private:
    int FFd;
};

void renomearAtomico(const QByteArray &origem, const QByteArray &destino)
{
    if (::renameat2(AT_FDCWD, origem.constData(), AT_FDCWD, destino.constData(),
                    RENAME_NOREPLACE) == 0)
        return;
    const int erro = errno;
    // EINVAL is what a file system without the flag answers (cifs, older NFS); the fallback
    // then gets the same answer again when the rename itself is invalid.
    if (erro == EINVAL || erro == ENOSYS || erro == EOPNOTSUPP)
        detalhe::renomearSemRenameAtomico(QFile::decodeName(origem), QFile::decodeName(destino));
    else
        falhar(erro);
}

// A name beside destino that nobody uses, created for writing.
std::pair<QByteArray, int> criarTemporario(const QByteArray &destino, mode_t modo)
{
    const qsizetype barra = destino.lastIndexOf('/');
    const QByteArray pasta = destino.left(barra + 1);
    const QByteArray nome = destino.mid(barra + 1);
    for (int tentativa = 0; tentativa < 100; ++tentativa) {
        const QByteArray temporario =
            pasta + '.' + nome + '.' +
            QByteArray::number(QRandomGenerator::global()->generate64(), 36) + ".tmp";
        const int fd =
            ::open(temporario.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, modo);
        if (fd >= 0)
            return {temporario, fd};
        if (errno != EEXIST)
            falhar(errno);
    }
    falhar(EEXIST);
}

void escreverTudo(int fd, const char *bytes, qint64 tamanho, off_t posicao)
{
    while (tamanho > 0) {
        const ssize_t escritos = ::pwrite(fd, bytes, size_t(tamanho), posicao);
        if (escritos < 0) {
            if (errno == EINTR)
                continue;
            falhar(errno);
        }
        bytes += escritos;
        tamanho -= escritos;
        posicao += escritos;
    }
}

// Copies the contents block by block. Holes of a sparse file are skipped, so they stay holes
// in the copy and cost no time; they count as done all the same.
bool copiarConteudo(int origem, int destino, qint64 total, const TPassoCopia &passo)
{
    std::vector<char> bloco(tamanhoBloco);
    bool semMapa = false;
    off_t posicao = 0;
    while (posicao < total) {
        off_t dados = posicao;
        off_t buraco = total;
        if (!semMapa) {
            dados = ::lseek(origem, posicao, SEEK_DATA);
            if (dados < 0 && errno == ENXIO)
                break; // only a hole up to the end
            if (dados < 0) {
                // A file system that cannot tell: everything is data.
                semMapa = true;
                dados = posicao;
            } else {
                buraco = ::lseek(origem, dados, SEEK_HOLE);
                if (buraco < 0)
                    falhar(errno);
                buraco = std::min<off_t>(buraco, total);
            }
        }
        posicao = dados;
        while (posicao < buraco) {
            const qint64 pedir = std::min<qint64>(tamanhoBloco, buraco - posicao);
            const ssize_t lidos = ::pread(origem, bloco.data(), size_t(pedir), posicao);
            if (lidos < 0) {
                if (errno == EINTR)
                    continue;
                falhar(errno);
            }
            // The file got shorter while being copied: the copy ends where it ends.
            if (lidos == 0)
                return true;
            escreverTudo(destino, bloco.data(), lidos, posicao);
            posicao += lidos;
            if (passo && !passo(posicao, total))
                return false;
        }
    }
    return true;
}

// The whole copy on local paths; false when passo stopped it. Nothing is left at destino but
// a complete copy.
bool copiar(const QString &origemLocal, const QString &destinoLocal, const TPassoCopia &passo)
{
    const QByteArray origem = nativo(origemLocal);
    const QByteArray destino = nativo(destinoLocal);
    TDescritor entrada(::open(origem.constData(), O_RDONLY | O_CLOEXEC));
    if (entrada.fd() < 0)
        falhar(errno);
    struct stat info;
    if (::fstat(entrada.fd(), &info) != 0)
        falhar(errno);
    if (S_ISDIR(info.st_mode))
        falhar(EISDIR);
    // Said at once rather than after copying; the final rename checks again.
    struct stat existente;
    if (::lstat(destino.constData(), &existente) == 0)
        falhar(EEXIST);

    auto [temporario, fd] = criarTemporario(destino, info.st_mode & 0777);
    TDescritor saida(fd);
    try {
        const qint64 total = info.st_size;
        if (passo && !passo(0, total)) {
            ::unlink(temporario.constData());
            return false;
        }
        if (!copiarConteudo(entrada.fd(), saida.fd(), total, passo)) {
            ::unlink(temporario.constData());
            return false;
        }
        // Trailing holes are not written; a source that got shorter meanwhile ends the copy
        // where it ends now.
        struct stat atual;
        if (::fstat(entrada.fd(), &atual) != 0)
            falhar(errno);
        if (::ftruncate(saida.fd(), std::min<off_t>(total, atual.st_size)) != 0)
            falhar(errno);
        const timespec tempos[2] = {{0, UTIME_OMIT}, info.st_mtim};
        ::futimens(saida.fd(), tempos);
        if (::fsync(saida.fd()) != 0)
            falhar(errno);
        saida.fechar();
        renomearAtomico(temporario, destino);
    } catch (...) {
        ::unlink(temporario.constData());
        throw;
    }
    return true;
}

} // namespace

void detalhe::renomearSemRenameAtomico(const QString &origemLocal, const QString &destinoLocal)
{
    const QByteArray origem = nativo(origemLocal);
    const QByteArray destino = nativo(destinoLocal);
    struct stat info;
    if (::lstat(origem.constData(), &info) != 0)
        falhar(errno);
    if (!S_ISDIR(info.st_mode)) {
        // A second name for the file fails when the target exists, which a rename never does.
        if (::link(origem.constData(), destino.constData()) == 0) {
            if (::unlink(origem.constData()) == 0)
                return;
            const int erro = errno;
            ::unlink(destino.constData());
            falhar(erro);
        }
        const int erro = errno;
        // Only a file system without hard links goes on to the check below.
        if (erro != EPERM && erro != EOPNOTSUPP && erro != ENOSYS && erro != EMLINK)
            falhar(erro);
    }
    struct stat existente;
    if (::lstat(destino.constData(), &existente) == 0)
        falhar(EEXIST);
    if (errno != ENOENT)
        falhar(errno);
    if (::rename(origem.constData(), destino.constData()) != 0)
        falhar(errno);
}

void copiarSemSobrescrever(const QString &origem, const QString &destino)
{
    copiar(caminhoLocal(origem), caminhoLocal(destino), {});
}

void renomearSemSobrescrever(const QString &origem, const QString &destino)
{
    renomearAtomico(nativo(caminhoLocal(origem)), nativo(caminhoLocal(destino)));
}

bool copiarAcompanhado(const QString &origem, const QString &destino, const TPassoCopia &passo)
{
    return copiar(caminhoLocal(origem), caminhoLocal(destino), passo);
}
