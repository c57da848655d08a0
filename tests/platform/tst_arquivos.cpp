#include "platform/arquivos.h"
#include "platform/caminhos.h"
#include "platform/erros.h"
#include "platform/gerenciadorArquivos.h"
#include "platform/linux/arquivos.h"
#include "support/arquivosTeste.h"
#include "support/dialogosRoteirizados.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString textoDoErro(int codigo)
{
    return QString::fromLocal8Bit(std::strerror(codigo));
}

QByteArray aleatorio(qsizetype tamanho)
{
    QByteArray bytes(tamanho, Qt::Uninitialized);
    QRandomGenerator gerador(42);
    for (char &c : bytes)
        c = char(gerador.bounded(256));
    return bytes;
}

// What a folder holds, hidden files included: a copy under a temporary name would show.
QStringList conteudo(const QString &pasta)
{
    QStringList nomes = QDir(pasta).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                              QDir::NoDotAndDotDot);
    nomes.sort();
    return nomes;
}

// A file of tamanho bytes that is a hole except for the given pieces.
void criarEsparso(const QString &caminho, qint64 tamanho,
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

class TReceptorUrl : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void abrir(const QUrl &url) { urls.append(url); }
};

} // namespace

class TestArquivos : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void copiar_data();
    void copiar();
    void copiarNaoSobrescreve_data();
    void copiarNaoSobrescreve();
    void copiarFalha_data();
    void copiarFalha();
    void copiarEsparsoGrande_data();
    void copiarEsparsoGrande();

    void progressoCompleto();
    void progressoCancelado_data();
    void progressoCancelado();
    void progressoFalhaRelatada_data();
    void progressoFalhaRelatada();

    void renomear_data();
    void renomear();
    void renomearNaoSobrescreve_data();
    void renomearNaoSobrescreve();

    void abrirPastaEntregaUrl();
    void abrirPastaFalha_data();
    void abrirPastaFalha();

private:
    QString caminho(const QString &nome) const { return FPasta->filePath(nome); }

    std::unique_ptr<QTemporaryDir> FPasta;
    TDialogosRoteirizados FDialogos;
    std::unique_ptr<TInstaladorDialogos> FInstalador;
};

void TestArquivos::init()
{
    FPasta = std::make_unique<QTemporaryDir>();
    QVERIFY(FPasta->isValid());
    FDialogos.chamadas.clear();
    FInstalador = std::make_unique<TInstaladorDialogos>(FDialogos);
}

void TestArquivos::cleanup()
{
    FInstalador.reset();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    qunsetenv("ZAMDADOS_SMB");
    FPasta.reset();
}

void TestArquivos::copiar_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("comProgresso");

    // Blocks are 1 MiB: a size that is not a whole number of them checks the last one.
    const QByteArray grande = aleatorio(3 * 1024 * 1024 + 123);
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("small") << QByteArray("ZAM\0\x01\xff", 6) << false;
    QTest::newRow("several blocks") << grande << false;
    QTest::newRow("with progress, empty") << QByteArray() << true;
    QTest::newRow("with progress, several blocks") << grande << true;
}

void TestArquivos::copiar()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, comProgresso);
    QVERIFY(QDir().mkpath(caminho("de")) && QDir().mkpath(caminho("para")));
    const QString origem = caminho("de/ZAM.FDB");
    const QString destino = caminho("para/ZAM.FDB");
    escreverArquivo(origem, bytes);
    QVERIFY(QFile::setPermissions(origem, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    const QDateTime modificado = QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7));
    {
        QFile file(origem);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(modificado, QFileDevice::FileModificationTime));
    }

    if (comProgresso) {
        QWidget pai;
        QVERIFY(copiarComProgresso(&pai, origem, destino));
        QVERIFY(FDialogos.chamadas.empty());
    } else {
        copiarSemSobrescrever(origem, destino);
    }

    QCOMPARE(lerArquivo(destino), bytes);
    QCOMPARE(QFileInfo(destino).permissions(), QFileInfo(origem).permissions());
    QCOMPARE(QFileInfo(destino).lastModified(), modificado);
    QCOMPARE(conteudo(caminho("para")), QStringList{"ZAM.FDB"});
    QCOMPARE(lerArquivo(origem), bytes);
}

void TestArquivos::copiarNaoSobrescreve_data()
{
    QTest::addColumn<bool>("comProgresso");
    QTest::addColumn<bool>("ligacaoQuebrada");

    QTest::newRow("file") << false << false;
    QTest::newRow("dangling symbolic link") << false << true;
    QTest::newRow("with progress, file") << true << false;
    QTest::newRow("with progress, dangling symbolic link") << true << true;
}

void TestArquivos::copiarNaoSobrescreve()
{
    QFETCH(bool, comProgresso);
    QFETCH(bool, ligacaoQuebrada);
    const QString origem = caminho("nova.fdb");
    const QString destino = caminho("ZAM.FDB");
    escreverArquivo(origem, aleatorio(2 * 1024 * 1024));
    const QByteArray existente("dados do cliente que ficam");
    if (ligacaoQuebrada)
        QVERIFY(QFile::link(caminho("longe/nada"), destino));
    else
        escreverArquivo(destino, existente);
    const QStringList antes = conteudo(FPasta->path());

    if (comProgresso) {
        QWidget pai;
        QVERIFY(!copiarComProgresso(&pai, origem, destino));
        QCOMPARE(FDialogos.chamadas.size(), size_t(1));
        QVERIFY2(FDialogos.chamadas[0].texto.contains(textoDoErro(EEXIST)),
                 qPrintable(FDialogos.chamadas[0].texto));
    } else {
        try {
            copiarSemSobrescrever(origem, destino);
            QFAIL("an existing target was overwritten");
        } catch (const EZamErro &e) {
            QCOMPARE(e.mensagem(), textoDoErro(EEXIST));
        }
    }

    if (ligacaoQuebrada) {
        QVERIFY(QFileInfo(destino).isSymLink());
        QVERIFY(!QFileInfo::exists(caminho("longe/nada")));
    } else {
        QCOMPARE(lerArquivo(destino), existente);
    }
    QCOMPARE(conteudo(FPasta->path()), antes);
}

void TestArquivos::copiarFalha_data()
{
    QTest::addColumn<QString>("origem");
    QTest::addColumn<QString>("destino");
    QTest::addColumn<bool>("somenteLeitura");
    QTest::addColumn<int>("erro");

    QTest::newRow("missing source") << "nada.fdb"
                                    << "alvo/ZAM.FDB" << false << ENOENT;
    QTest::newRow("source is a folder") << "pasta"
                                        << "alvo/ZAM.FDB" << false << EISDIR;
    QTest::newRow("missing target folder") << "base.fdb"
                                           << "alvo/nao/ZAM.FDB" << false << ENOENT;
    // Root writes anywhere; the folder is made immutable then, which gives EPERM.
    QTest::newRow("read-only target folder")
        << "base.fdb"
        << "alvo/ZAM.FDB" << true << (geteuid() == 0 ? EPERM : EACCES);
}

void TestArquivos::copiarFalha()
{
    QFETCH(QString, origem);
    QFETCH(QString, destino);
    QFETCH(bool, somenteLeitura);
    QFETCH(int, erro);
    QVERIFY(QDir().mkpath(caminho("pasta")) && QDir().mkpath(caminho("alvo")));
    escreverArquivo(caminho("base.fdb"), aleatorio(1000));
    std::unique_ptr<TPastaSomenteLeitura> protegida;
    if (somenteLeitura)
        protegida = std::make_unique<TPastaSomenteLeitura>(caminho("alvo"));

    try {
        copiarSemSobrescrever(caminho(origem), caminho(destino));
        QFAIL("the copy did not fail");
    } catch (const EZamErro &e) {
        QCOMPARE(e.mensagem(), textoDoErro(erro));
    }
    QCOMPARE(conteudo(caminho("alvo")), QStringList());
}

void TestArquivos::copiarEsparsoGrande_data()
{
    QTest::addColumn<bool>("comProgresso");
    QTest::newRow("plain") << false;
    QTest::newRow("with progress") << true;
}

// A database file of several gigabytes: more bytes than 32 bits count, copied in seconds
// because its holes are not read, and still holes in the copy.
void TestArquivos::copiarEsparsoGrande()
{
    QFETCH(bool, comProgresso);
    const qint64 tamanho = 5LL * 1024 * 1024 * 1024 + 17;
    const QByteArray inicio("inicio"), meio = aleatorio(3 * 1024 * 1024), fim("fim");
    const qint64 posMeio = 4LL * 1024 * 1024 * 1024 + 5;
    const QString origem = caminho("grande.fdb");
    const QString destino = caminho("copia.fdb");
    criarEsparso(origem, tamanho, {{0, inicio}, {posMeio, meio}, {tamanho - 3, fim}});

    if (comProgresso) {
        QWidget pai;
        QVERIFY(copiarComProgresso(&pai, origem, destino));
        QVERIFY(FDialogos.chamadas.empty());
    } else {
        copiarSemSobrescrever(origem, destino);
    }

    QCOMPARE(QFileInfo(destino).size(), tamanho);
    QCOMPARE(lerPedaco(destino, 0, 6), inicio);
    QCOMPARE(lerPedaco(destino, posMeio - 4, meio.size() + 8),
             QByteArray(4, '\0') + meio + QByteArray(4, '\0'));
    QCOMPARE(lerPedaco(destino, tamanho - 4, 10), QByteArray(1, '\0') + fim);
    QCOMPARE(lerPedaco(destino, 2LL * 1024 * 1024 * 1024, 4096), QByteArray(4096, '\0'));
    struct stat info;
    QCOMPARE(::stat(QFile::encodeName(destino).constData(), &info), 0);
    QVERIFY2(qint64(info.st_blocks) * 512 < 64 * 1024 * 1024,
             qPrintable(QString::number(qint64(info.st_blocks) * 512)));
}

void TestArquivos::progressoCompleto()
{
    // The dialog belongs to the window and goes with the copy.
    QWidget pai;
    const QByteArray bytes = aleatorio(5 * 1024 * 1024);
    escreverArquivo(caminho("a.fdb"), bytes);
    TCancelador observador(&pai, 20000); // never reached: only looks
    QVERIFY(copiarComProgresso(&pai, caminho("a.fdb"), caminho("b.fdb")));
    QVERIFY(observador.viuDialogo);
    QVERIFY(!pai.findChild<QProgressDialog *>());
    QCOMPARE(lerArquivo(caminho("b.fdb")), bytes);
}

void TestArquivos::progressoCancelado_data()
{
    QTest::addColumn<int>("aPartirDe");
    QTest::addColumn<bool>("existeAntes");

    QTest::newRow("at once") << 0 << false;
    QTest::newRow("half way") << 5000 << false;
    QTest::newRow("half way, earlier copy beside") << 5000 << true;
}

void TestArquivos::progressoCancelado()
{
    QFETCH(int, aPartirDe);
    QFETCH(bool, existeAntes);
    QVERIFY(QDir().mkpath(caminho("local")));
    const QString origem = caminho("ZAM.FDB");
    const QString destino = caminho("local/ZAM.FDB");
    escreverArquivo(origem, aleatorio(64 * 1024 * 1024));
    if (existeAntes)
        escreverArquivo(caminho("local/20240102030405_ZAM.FDB"), "anterior");
    const QStringList antes = conteudo(caminho("local"));

    QWidget pai;
    TCancelador cancelador(&pai, aPartirDe);
    QVERIFY(!copiarComProgresso(&pai, origem, destino));

    QVERIFY(cancelador.valorNoClique >= aPartirDe);
    QVERIFY(cancelador.valorNoClique < 10000);
    QVERIFY(!QFileInfo::exists(destino));
    QCOMPARE(conteudo(caminho("local")), antes);
    // A cancel is the user's own choice: nothing to report.
    QVERIFY(FDialogos.chamadas.empty());
}

void TestArquivos::progressoFalhaRelatada_data()
{
    QTest::addColumn<QString>("origem");
    QTest::addColumn<QString>("destino");
    QTest::addColumn<int>("erro");

    QTest::newRow("missing source") << "\\\\SRV\\ZAM\\ZAM_DADOS\\X\\ZAM.FDB"
                                    << "local/ZAM.FDB" << ENOENT;
    QTest::newRow("missing target folder") << "\\\\SRV\\ZAM\\ZAM_DADOS\\A\\ZAM.FDB"
                                           << "local/nao/ZAM.FDB" << ENOENT;
}

// The error box names the files as the program knows them, network share and all.
void TestArquivos::progressoFalhaRelatada()
{
    QFETCH(QString, origem);
    QFETCH(QString, destino);
    QFETCH(int, erro);
    QVERIFY(QDir().mkpath(caminho("smb/SRV/ZAM/ZAM_DADOS/A")) && QDir().mkpath(caminho("local")));
    qputenv("ZAMDADOS_SMB", QFile::encodeName(caminho("smb")));
    escreverArquivo(caminho("smb/SRV/ZAM/ZAM_DADOS/A/ZAM.FDB"), "base");
    const QString alvo = caminho(destino);

    QWidget pai;
    QVERIFY(!copiarComProgresso(&pai, origem, alvo));

    QCOMPARE(FDialogos.chamadas.size(), size_t(1));
    const TChamadaDialogo &caixa = FDialogos.chamadas[0];
    QCOMPARE(caixa.icone, TIconeDialogo::Erro);
    QCOMPARE(caixa.pai, &pai);
    QCOMPARE(caixa.texto, QStringLiteral("Não foi possível copiar \"%1\" para \"%2\": %3.")
                              .arg(origem, alvo, textoDoErro(erro)));
    QCOMPARE(conteudo(caminho("local")), QStringList());
}

void TestArquivos::renomear_data()
{
    QTest::addColumn<bool>("atomico");
    QTest::addColumn<bool>("pasta");

    QTest::newRow("file") << true << false;
    QTest::newRow("folder") << true << true;
    QTest::newRow("file, without atomic rename") << false << false;
    QTest::newRow("folder, without atomic rename") << false << true;
}

void TestArquivos::renomear()
{
    QFETCH(bool, atomico);
    QFETCH(bool, pasta);
    const QString origem = caminho("ZAM_DADOS/ZAM.FDB");
    const QString destino = caminho("ZAM_DADOS/20240102030405_ZAM.FDB");
    QVERIFY(QDir().mkpath(caminho("ZAM_DADOS")));
    if (pasta) {
        QVERIFY(QDir().mkpath(origem));
        escreverArquivo(origem + "/dentro", "x");
    } else {
        escreverArquivo(origem, "base");
    }

    if (atomico)
        renomearSemSobrescrever(origem, destino);
    else
        detalhe::renomearSemRenameAtomico(origem, destino);

    QVERIFY(!QFileInfo::exists(origem));
    if (pasta)
        QCOMPARE(lerArquivo(destino + "/dentro"), QByteArray("x"));
    else
        QCOMPARE(lerArquivo(destino), QByteArray("base"));
    QCOMPARE(conteudo(caminho("ZAM_DADOS")), QStringList{"20240102030405_ZAM.FDB"});
}

void TestArquivos::renomearNaoSobrescreve_data()
{
    QTest::addColumn<bool>("atomico");
    QTest::addColumn<QString>("origem");
    QTest::addColumn<QString>("destino");
    QTest::addColumn<int>("erro");

    for (const bool atomico : {true, false}) {
        const char *modo = atomico ? "" : ", without atomic rename";
        // A plain rename replaces a file, and an empty folder with a folder.
        QTest::addRow("file onto file%s", modo) << atomico << "arquivo"
                                                << "outroArquivo" << EEXIST;
        QTest::addRow("file onto folder%s", modo) << atomico << "arquivo"
                                                  << "vazia" << EEXIST;
        QTest::addRow("folder onto empty folder%s", modo) << atomico << "cheia"
                                                          << "vazia" << EEXIST;
        QTest::addRow("folder onto file%s", modo) << atomico << "cheia"
                                                  << "arquivo" << EEXIST;
        QTest::addRow("missing source%s", modo) << atomico << "nada"
                                                << "novo" << ENOENT;
    }
}

void TestArquivos::renomearNaoSobrescreve()
{
    QFETCH(bool, atomico);
    QFETCH(QString, origem);
    QFETCH(QString, destino);
    QFETCH(int, erro);
    escreverArquivo(caminho("arquivo"), "um");
    escreverArquivo(caminho("outroArquivo"), "dois");
    QVERIFY(QDir().mkpath(caminho("vazia")) && QDir().mkpath(caminho("cheia")));
    escreverArquivo(caminho("cheia/dentro"), "tres");
    const QStringList antes = conteudo(FPasta->path());

    try {
        if (atomico)
            renomearSemSobrescrever(caminho(origem), caminho(destino));
        else
            detalhe::renomearSemRenameAtomico(caminho(origem), caminho(destino));
        QFAIL("the rename did not fail");
    } catch (const EZamErro &e) {
        QCOMPARE(e.mensagem(), textoDoErro(erro));
    }

    QCOMPARE(conteudo(FPasta->path()), antes);
    QCOMPARE(lerArquivo(caminho("arquivo")), QByteArray("um"));
    QCOMPARE(lerArquivo(caminho("outroArquivo")), QByteArray("dois"));
    QCOMPARE(lerArquivo(caminho("cheia/dentro")), QByteArray("tres"));
    QCOMPARE(conteudo(caminho("vazia")), QStringList());
}

void TestArquivos::abrirPastaEntregaUrl()
{
    QVERIFY(QDir().mkpath(caminho("smb/SRV/ZAM 7/ZAM_DADOS/CLIENTE")));
    qputenv("ZAMDADOS_SMB", QFile::encodeName(caminho("smb")));
    TReceptorUrl receptor;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &receptor, "abrir");

    abrirPasta(QStringLiteral("\\\\SRV\\ZAM 7\\ZAM_DADOS\\CLIENTE"));

    QCOMPARE(receptor.urls.size(), 1);
    QCOMPARE(receptor.urls[0], QUrl::fromLocalFile(caminho("smb/SRV/ZAM 7/ZAM_DADOS/CLIENTE")));
}

void TestArquivos::abrirPastaFalha_data()
{
    QTest::addColumn<QString>("pasta");
    QTest::addColumn<QString>("mensagem");

    const QString compartilhada = QStringLiteral("\\\\SRV\\ZAM\\ZAM_DADOS\\");
    QTest::newRow("missing folder") << compartilhada + "NOVA"
                                    << "Pasta não encontrada: \"" + compartilhada + "NOVA\"";
    QTest::newRow("drive letter") << "c:\\Tessaron\\ZAM_7\\ZAM_DADOS\\CLIENTE"
                                  << "Pasta não encontrada: "
                                     "\"c:\\Tessaron\\ZAM_7\\ZAM_DADOS\\CLIENTE\"";
    QTest::newRow("a file") << compartilhada + "ZAM.FDB"
                            << "Não é uma pasta: \"" + compartilhada + "ZAM.FDB\"";
    QTest::newRow("no file browser")
        << compartilhada + "CLIENTE"
        << "Nenhum gerenciador de arquivos pôde abrir a pasta \"" + compartilhada + "CLIENTE\"";
}

void TestArquivos::abrirPastaFalha()
{
    QFETCH(QString, pasta);
    QFETCH(QString, mensagem);
    QVERIFY(QDir().mkpath(caminho("smb/SRV/ZAM/ZAM_DADOS/CLIENTE")));
    escreverArquivo(caminho("smb/SRV/ZAM/ZAM_DADOS/ZAM.FDB"), "x");
    qputenv("ZAMDADOS_SMB", QFile::encodeName(caminho("smb")));
    // A handler that cannot take the URL is how the desktop says that nothing could open it;
    // the other cases must not get as far as the desktop.
    TReceptorUrl receptor;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &receptor, "semEsseMetodo");
    if (QByteArray(QTest::currentDataTag()) == "no file browser")
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("No such method"));

    try {
        abrirPasta(pasta);
        QFAIL("the folder was opened");
    } catch (const EZamErro &e) {
        QCOMPARE(e.mensagem(), mensagem);
    }
}

QTEST_MAIN(TestArquivos)
#include "tst_arquivos.moc"
