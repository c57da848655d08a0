#include "support/arquivosTeste.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

QByteArray lerArquivo(const QString &caminho)
{
    QFile file(caminho);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read test file %s", qPrintable(caminho));
    return file.readAll();
}

void escreverArquivo(const QString &caminho, const QByteArray &bytes)
{
    QFile file(caminho);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write test file %s", qPrintable(caminho));
}

QString textoDoErro(int codigo)
{
    return QString::fromLocal8Bit(std::strerror(codigo));
}

QByteArray bytesAleatorios(qsizetype tamanho)
{
    QByteArray bytes(tamanho, Qt::Uninitialized);
    QRandomGenerator gerador(42);
    for (char &c : bytes)
        c = char(gerador.bounded(256));
    return bytes;
}

QStringList conteudoDaPasta(const QString &pasta)
{
    QStringList nomes = QDir(pasta).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                              QDir::NoDotAndDotDot);
    nomes.sort();
    return nomes;
}

void criarArquivoEsparso(const QString &caminho, qint64 tamanho,
                         const QList<std::pair<qint64, QByteArray>> &pedacos)
{
    const int fd =
        ::open(QFile::encodeName(caminho).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QVERIFY(fd >= 0);
    for (const auto &[posicao, bytes] : pedacos)
        QCOMPARE(::pwrite(fd, bytes.constData(), size_t(bytes.size()), posicao),
                 ssize_t(bytes.size()));
    QCOMPARE(::ftruncate(fd, tamanho), 0);
    ::close(fd);
}

QByteArray lerPedaco(const QString &caminho, qint64 posicao, qint64 tamanho)
{
    QFile file(caminho);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(posicao))
        return {};
    return file.read(tamanho);
}

TArquivoGrandeEsparso::TArquivoGrandeEsparso(const QString &caminho)
    : FMeio(bytesAleatorios(3 * 1024 * 1024))
{
    criarArquivoEsparso(caminho, FTamanho, {{0, FInicio}, {FPosMeio, FMeio}, {FTamanho - 3, FFim}});
}

void TArquivoGrandeEsparso::conferirCopia(const QString &destino) const
{
    QCOMPARE(QFileInfo(destino).size(), FTamanho);
    QCOMPARE(lerPedaco(destino, 0, 6), FInicio);
    QCOMPARE(lerPedaco(destino, FPosMeio - 4, FMeio.size() + 8),
             QByteArray(4, '\0') + FMeio + QByteArray(4, '\0'));
    QCOMPARE(lerPedaco(destino, FTamanho - 4, 10), QByteArray(1, '\0') + FFim);
    QCOMPARE(lerPedaco(destino, 2LL * 1024 * 1024 * 1024, 4096), QByteArray(4096, '\0'));
    struct stat info;
    QCOMPARE(::stat(QFile::encodeName(destino).constData(), &info), 0);
    QVERIFY2(qint64(info.st_blocks) * 512 < 64 * 1024 * 1024,
             qPrintable(QString::number(qint64(info.st_blocks) * 512)));
}

QDateTime criarOrigemDeCopia(const QString &caminho, const QByteArray &bytes)
{
    escreverArquivo(caminho, bytes);
    if (!QFile::setPermissions(caminho, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup))
        qFatal("cannot set the permissions of %s", qPrintable(caminho));
    const QDateTime modificado = QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7));
    QFile file(caminho);
    if (!file.open(QIODevice::ReadWrite) ||
        !file.setFileTime(modificado, QFileDevice::FileModificationTime))
        qFatal("cannot set the modification time of %s", qPrintable(caminho));
    return modificado;
}

namespace {

bool chattr(const QString &flag, const QString &pasta)
{
    return QProcess::execute(QStringLiteral("chattr"), {flag, pasta}) == 0;
}

} // namespace

TPastaSomenteLeitura::TPastaSomenteLeitura(const QString &pasta)
    : FPasta(pasta)
{
    // Root ignores permission bits, so it gets the immutable attribute instead.
    if (geteuid() == 0) {
        FImutavel = true;
        FAtiva = chattr(QStringLiteral("+i"), pasta);
    } else {
        FAtiva = ::chmod(QFile::encodeName(pasta).constData(), 0555) == 0;
    }
    if (!FAtiva)
        QTest::qFail("cannot make the folder read-only", __FILE__, __LINE__);
}

TPastaSomenteLeitura::~TPastaSomenteLeitura()
{
    if (!FAtiva)
        return;
    if (FImutavel)
        chattr(QStringLiteral("-i"), FPasta);
    else
        ::chmod(QFile::encodeName(FPasta).constData(), 0755);
}

QString TPastaSomenteLeitura::motivo() const
{
    return QString::fromLocal8Bit(std::strerror(FImutavel ? EPERM : EACCES));
}

TDiscoCheio::TDiscoCheio(const QString &pasta, int kib)
    : FPasta(pasta)
{
    const QByteArray opcoes = QByteArray("size=") + QByteArray::number(kib) + 'k';
    FMontado =
        ::mount("tmpfs", QFile::encodeName(pasta).constData(), "tmpfs", 0, opcoes.constData()) == 0;
    if (!FMontado)
        QTest::qFail(qPrintable(QStringLiteral("cannot mount a small tmpfs on %1: %2")
                                    .arg(pasta, QString::fromLocal8Bit(std::strerror(errno)))),
                     __FILE__, __LINE__);
}

TDiscoCheio::~TDiscoCheio()
{
    if (FMontado)
        ::umount2(QFile::encodeName(FPasta).constData(), MNT_DETACH);
}

bool TDiscoCheio::encher()
{
    QFile enchimento(FPasta + QStringLiteral("/enchimento"));
    if (!enchimento.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        QTest::qFail("cannot create the filler file", __FILE__, __LINE__);
        return false;
    }
    // Byte by byte at the end, so that not even the rest of a block is left.
    const QByteArray bloco(4096, 'x');
    while (enchimento.write(bloco) == bloco.size()) {
    }
    while (enchimento.write("x", 1) == 1) {
    }
    if (errno != ENOSPC) {
        QTest::qFail("the filler stopped before the disk was full", __FILE__, __LINE__);
        return false;
    }
    return true;
}

TCancelador::TCancelador(QWidget *pai, int aPartirDe)
    : FPai(pai)
    , FAPartirDe(aPartirDe)
{
    connect(&FTimer, &QTimer::timeout, this, &TCancelador::verificar);
    FTimer.start(0);
}

void TCancelador::verificar()
{
    auto *dialogo = FPai->findChild<QProgressDialog *>(QStringLiteral("progressoCopia"));
    if (!dialogo)
        return;
    viuDialogo = true;
    if (dialogo->value() < FAPartirDe)
        return;
    valorNoClique = dialogo->value();
    FTimer.stop();
    dialogo->findChild<QPushButton *>()->click();
}
