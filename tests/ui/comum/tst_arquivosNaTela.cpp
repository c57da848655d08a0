#include "platform/erros.h"
#include "support/arquivosTeste.h"
#include "support/dialogosRoteirizados.h"
#include "ui/comum/copiaComProgresso.h"
#include "ui/comum/gerenciadorArquivos.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWidget>

#include <cerrno>

namespace {

class TReceptorUrl : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void abrir(const QUrl &url) { urls.append(url); }
};

} // namespace

// The copy the user sees, with its progress window, and a folder opened in the desktop's file
// browser. The copy itself is the platform's (tests/platform/tst_arquivos.cpp); here it is
// checked again through the window, which must hand it over whole.
class TestArquivosNaTela : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void copiar_data();
    void copiar();
    void copiarNaoSobrescreve_data();
    void copiarNaoSobrescreve();
    void copiarEsparsoGrande();

    void progressoCompleto();
    void progressoCancelado_data();
    void progressoCancelado();
    void progressoFalhaRelatada_data();
    void progressoFalhaRelatada();

    void abrirPastaEntregaUrl();
    void abrirPastaFalha_data();
    void abrirPastaFalha();

private:
    QString caminho(const QString &nome) const { return FPasta->filePath(nome); }

    std::unique_ptr<QTemporaryDir> FPasta;
    TDialogosRoteirizados FDialogos;
    std::unique_ptr<TInstaladorDialogos> FInstalador;
};

void TestArquivosNaTela::init()
{
    FPasta = std::make_unique<QTemporaryDir>();
    QVERIFY(FPasta->isValid());
    FDialogos.chamadas.clear();
    FInstalador = std::make_unique<TInstaladorDialogos>(FDialogos);
}

void TestArquivosNaTela::cleanup()
{
    FInstalador.reset();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    qunsetenv("ZAMDADOS_SMB");
    FPasta.reset();
}

void TestArquivosNaTela::copiar_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("with progress, empty") << QByteArray();
    // Blocks are 1 MiB: a size that is not a whole number of them checks the last one.
    QTest::newRow("with progress, several blocks") << bytesAleatorios(3 * 1024 * 1024 + 123);
}

void TestArquivosNaTela::copiar()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(QDir().mkpath(caminho("de")) && QDir().mkpath(caminho("para")));
    const QString origem = caminho("de/ZAM.FDB");
    const QString destino = caminho("para/ZAM.FDB");
    const QDateTime modificado = criarOrigemDeCopia(origem, bytes);

    QWidget pai;
    QVERIFY(copiarComProgresso(&pai, origem, destino));
    QVERIFY(FDialogos.chamadas.empty());

    QCOMPARE(lerArquivo(destino), bytes);
    QCOMPARE(QFileInfo(destino).permissions(), QFileInfo(origem).permissions());
    QCOMPARE(QFileInfo(destino).lastModified(), modificado);
    QCOMPARE(conteudoDaPasta(caminho("para")), QStringList{"ZAM.FDB"});
    QCOMPARE(lerArquivo(origem), bytes);
}

void TestArquivosNaTela::copiarNaoSobrescreve_data()
{
    QTest::addColumn<bool>("ligacaoQuebrada");

    QTest::newRow("with progress, file") << false;
    QTest::newRow("with progress, dangling symbolic link") << true;
}

void TestArquivosNaTela::copiarNaoSobrescreve()
{
    QFETCH(bool, ligacaoQuebrada);
    const QString origem = caminho("nova.fdb");
    const QString destino = caminho("ZAM.FDB");
    escreverArquivo(origem, bytesAleatorios(2 * 1024 * 1024));
    const QByteArray existente("dados do cliente que ficam");
    if (ligacaoQuebrada)
        QVERIFY(QFile::link(caminho("longe/nada"), destino));
    else
        escreverArquivo(destino, existente);
    const QStringList antes = conteudoDaPasta(FPasta->path());

    QWidget pai;
    QVERIFY(!copiarComProgresso(&pai, origem, destino));
    QCOMPARE(FDialogos.chamadas.size(), size_t(1));
    QVERIFY2(FDialogos.chamadas[0].texto.contains(textoDoErro(EEXIST)),
             qPrintable(FDialogos.chamadas[0].texto));

    if (ligacaoQuebrada) {
        QVERIFY(QFileInfo(destino).isSymLink());
        QVERIFY(!QFileInfo::exists(caminho("longe/nada")));
    } else {
        QCOMPARE(lerArquivo(destino), existente);
    }
    QCOMPARE(conteudoDaPasta(FPasta->path()), antes);
}

// A database file of several gigabytes, with progress: more bytes than 32 bits count, so
// the progress must not overflow, copied in seconds because its holes are not read.
void TestArquivosNaTela::copiarEsparsoGrande()
{
    const QString origem = caminho("grande.fdb");
    const QString destino = caminho("copia.fdb");
    const TArquivoGrandeEsparso grande(origem);

    QWidget pai;
    QVERIFY(copiarComProgresso(&pai, origem, destino));
    QVERIFY(FDialogos.chamadas.empty());

    grande.conferirCopia(destino);
}

void TestArquivosNaTela::progressoCompleto()
{
    // The dialog belongs to the window and goes with the copy.
    QWidget pai;
    const QByteArray bytes = bytesAleatorios(5 * 1024 * 1024);
    escreverArquivo(caminho("a.fdb"), bytes);
    TCancelador observador(&pai, 20000); // never reached: only looks
    QVERIFY(copiarComProgresso(&pai, caminho("a.fdb"), caminho("b.fdb")));
    QVERIFY(observador.viuDialogo);
    QVERIFY(!pai.findChild<QProgressDialog *>());
    QCOMPARE(lerArquivo(caminho("b.fdb")), bytes);
}

void TestArquivosNaTela::progressoCancelado_data()
{
    QTest::addColumn<int>("aPartirDe");
    QTest::addColumn<bool>("existeAntes");

    QTest::newRow("at once") << 0 << false;
    QTest::newRow("half way") << 5000 << false;
    QTest::newRow("half way, earlier copy beside") << 5000 << true;
}

void TestArquivosNaTela::progressoCancelado()
{
    QFETCH(int, aPartirDe);
    QFETCH(bool, existeAntes);
    QVERIFY(QDir().mkpath(caminho("local")));
    const QString origem = caminho("ZAM.FDB");
    const QString destino = caminho("local/ZAM.FDB");
    escreverArquivo(origem, bytesAleatorios(64 * 1024 * 1024));
    if (existeAntes)
        escreverArquivo(caminho("local/20240102030405_ZAM.FDB"), "anterior");
    const QStringList antes = conteudoDaPasta(caminho("local"));

    QWidget pai;
    TCancelador cancelador(&pai, aPartirDe);
    QVERIFY(!copiarComProgresso(&pai, origem, destino));

    QVERIFY(cancelador.valorNoClique >= aPartirDe);
    QVERIFY(cancelador.valorNoClique < 10000);
    QVERIFY(!QFileInfo::exists(destino));
    QCOMPARE(conteudoDaPasta(caminho("local")), antes);
    // A cancel is the user's own choice: nothing to report.
    QVERIFY(FDialogos.chamadas.empty());
}

void TestArquivosNaTela::progressoFalhaRelatada_data()
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
void TestArquivosNaTela::progressoFalhaRelatada()
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
    QCOMPARE(conteudoDaPasta(caminho("local")), QStringList());
}

void TestArquivosNaTela::abrirPastaEntregaUrl()
{
    QVERIFY(QDir().mkpath(caminho("smb/SRV/ZAM 7/ZAM_DADOS/CLIENTE")));
    qputenv("ZAMDADOS_SMB", QFile::encodeName(caminho("smb")));
    TReceptorUrl receptor;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &receptor, "abrir");

    abrirPasta(QStringLiteral("\\\\SRV\\ZAM 7\\ZAM_DADOS\\CLIENTE"));

    QCOMPARE(receptor.urls.size(), 1);
    QCOMPARE(receptor.urls[0], QUrl::fromLocalFile(caminho("smb/SRV/ZAM 7/ZAM_DADOS/CLIENTE")));
}

void TestArquivosNaTela::abrirPastaFalha_data()
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

void TestArquivosNaTela::abrirPastaFalha()
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

QTEST_MAIN(TestArquivosNaTela)
#include "tst_arquivosNaTela.moc"
