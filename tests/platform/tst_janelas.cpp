// Needs an X display: CTest runs it under xvfb-run. Without one it fails at once.

#include "platform/janelas.h"
#include "platform/processos.h"
#include "support/arquivosTeste.h"
#include "support/zam7/registroZam7.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>
#include <xcb/xcb.h>

namespace {

const QString aguarde = QStringLiteral("Aguarde...");
const QString erro = QStringLiteral("ErroZamdefTestAll");

// Windows made by the test on a connection of its own, as another program would.
class TJanelasX
{
public:
    enum class TNome { NetWmName, WmNameLatin1, WmNameUtf8 };

    TJanelasX()
        : FConexao(xcb_connect(nullptr, nullptr))
    {
        FTela = xcb_setup_roots_iterator(xcb_get_setup(FConexao)).data;
    }
    ~TJanelasX() { xcb_disconnect(FConexao); }
    TJanelasX(const TJanelasX &) = delete;
    TJanelasX &operator=(const TJanelasX &) = delete;

    xcb_window_t raiz() const { return FTela->root; }

    xcb_window_t criar(xcb_window_t pai, bool mapear)
    {
        const xcb_window_t janela = xcb_generate_id(FConexao);
        xcb_create_window(FConexao, XCB_COPY_FROM_PARENT, janela, pai, 0, 0, 200, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, FTela->root_visual, 0, nullptr);
        if (mapear)
            xcb_map_window(FConexao, janela);
        return janela;
    }

    void nomear(xcb_window_t janela, TNome como, const QString &titulo)
    {
        const QByteArray bytes = como == TNome::WmNameLatin1 ? titulo.toLatin1() : titulo.toUtf8();
        const xcb_atom_t nome =
            como == TNome::NetWmName ? atomo("_NET_WM_NAME") : xcb_atom_t(XCB_ATOM_WM_NAME);
        const xcb_atom_t tipo =
            como == TNome::WmNameLatin1 ? xcb_atom_t(XCB_ATOM_STRING) : atomo("UTF8_STRING");
        xcb_change_property(FConexao, XCB_PROP_MODE_REPLACE, janela, nome, tipo, 8,
                            uint32_t(bytes.size()), bytes.constData());
    }

    void destruir(xcb_window_t janela) { xcb_destroy_window(FConexao, janela); }

    // Returns once the server has carried out every request made so far.
    void sincronizar()
    {
        std::free(xcb_get_input_focus_reply(FConexao, xcb_get_input_focus(FConexao), nullptr));
    }

private:
    xcb_atom_t atomo(const char *nome)
    {
        xcb_intern_atom_reply_t *r = xcb_intern_atom_reply(
            FConexao, xcb_intern_atom(FConexao, 0, uint16_t(std::strlen(nome)), nome), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(r);
        return a;
    }

    xcb_connection_t *FConexao;
    xcb_screen_t *FTela = nullptr;
};

// A stand-in running the self-test on one database, in a folder of its own.
class TZam7
{
public:
    TZam7(const QString &pasta, const QString &caminhoBase, int aguardeMs, const QString &falhas)
    {
        const QString programa = copiarZam7(pasta);
        escreverArquivo(pasta + "/zamcon.ini",
                        "[ZAM]\r\nCAMINHO=" + caminhoBase.toLatin1() + "\r\n");
        QProcessEnvironment ambiente = QProcessEnvironment::systemEnvironment();
        ambiente.insert(QString::fromLatin1(variavelAguardeZam7), QString::number(aguardeMs));
        ambiente.insert(QString::fromLatin1(variavelFalhasZam7), falhas);
        ambiente.insert(QString::fromLatin1(variavelRegistroZam7), pasta + "/registro.jsonl");
        FProcesso.setProcessEnvironment(ambiente);
        FProcesso.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        FProcesso.start(programa, {QString::fromLatin1(argumentoAutotesteZam7)});
        if (!FProcesso.waitForStarted(5000))
            QTest::qFail("cannot start the stand-in", __FILE__, __LINE__);
    }
    ~TZam7()
    {
        if (FProcesso.state() != QProcess::NotRunning) {
            FProcesso.kill();
            FProcesso.waitForFinished(5000);
        }
    }

    bool rodando() const { return FProcesso.state() == QProcess::Running; }
    bool terminou() { return FProcesso.waitForFinished(5000); }

private:
    QProcess FProcesso;
};

} // namespace

class TestJanelas : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void janelaDeOutroPrograma_data();
    void janelaDeOutroPrograma();
    void nomesDaJanela_data();
    void nomesDaJanela();
    void deVariasThreads();
    void semDisplay_data();
    void semDisplay();

    void autoteste_data();
    void autoteste();

private:
    std::unique_ptr<QTemporaryDir> FPasta;
};

void TestJanelas::init()
{
    FPasta = std::make_unique<QTemporaryDir>();
    QVERIFY(FPasta->isValid());
    encerrarProcessos(QStringLiteral("ZAM7.exe"));
    // A window with a protocol title left by anything else would answer for the stand-in.
    QVERIFY(!existeJanela(aguarde));
    QVERIFY(!existeJanela(erro));
}

void TestJanelas::cleanup()
{
    encerrarProcessos(QStringLiteral("ZAM7.exe"));
    FPasta.reset();
}

void TestJanelas::janelaDeOutroPrograma_data()
{
    QTest::addColumn<QString>("titulo");
    QTest::addColumn<bool>("achada");

    QTest::newRow("exact title") << aguarde << true;
    QTest::newRow("prefix") << "Aguarde" << false;
    QTest::newRow("longer") << "Aguarde...." << false;
    QTest::newRow("other case") << "aguarde..." << false;
    QTest::newRow("blank in front") << " Aguarde..." << false;
    QTest::newRow("empty") << "" << false;
}

// The stand-in is a separate program with an ordinary Qt window: found while it is shown,
// gone with the program.
void TestJanelas::janelaDeOutroPrograma()
{
    QFETCH(QString, titulo);
    QFETCH(bool, achada);
    TZam7 zam7(FPasta->path(), "/srv/zam/ZAM_DADOS/ALFA/ZAM.FDB", -1, {});
    QVERIFY(esperarJanela(aguarde, true));

    QCOMPARE(existeJanela(titulo), achada);

    QVERIFY(encerrarProcessos(QStringLiteral("ZAM7.exe")));
    QVERIFY(zam7.terminou());
    QVERIFY(!existeJanela(aguarde));
}

void TestJanelas::nomesDaJanela_data()
{
    using TNome = TJanelasX::TNome;
    QTest::addColumn<TNome>("como");
    QTest::addColumn<QString>("titulo");
    QTest::addColumn<int>("profundidade");
    QTest::addColumn<bool>("topoMapeado");
    QTest::addColumn<bool>("janelaMapeada");
    QTest::addColumn<bool>("achada");

    const QString acentos = u"Definições — teste"_qs;
    const QString latin1 = u"Atenção"_qs;
    QTest::newRow("utf-8 _NET_WM_NAME") << TNome::NetWmName << acentos << 0 << true << true << true;
    QTest::newRow("latin-1 WM_NAME only")
        << TNome::WmNameLatin1 << latin1 << 0 << true << true << true;
    QTest::newRow("utf-8 WM_NAME") << TNome::WmNameUtf8 << acentos << 0 << true << true << true;
    // A reparenting window manager puts the program's window into a frame of its own.
    QTest::newRow("inside a frame") << TNome::NetWmName << aguarde << 1 << true << true << true;
    QTest::newRow("inside a frame, WM_NAME")
        << TNome::WmNameLatin1 << aguarde << 1 << true << true << true;
    // A control inside a program's window is not a top-level window.
    QTest::newRow("deeper") << TNome::NetWmName << aguarde << 2 << true << true << false;
    QTest::newRow("not shown") << TNome::NetWmName << aguarde << 0 << false << false << false;
    QTest::newRow("inside a hidden frame")
        << TNome::NetWmName << aguarde << 1 << false << true << false;
    QTest::newRow("hidden inside a frame")
        << TNome::NetWmName << aguarde << 1 << true << false << false;
}

void TestJanelas::nomesDaJanela()
{
    QFETCH(TJanelasX::TNome, como);
    QFETCH(QString, titulo);
    QFETCH(int, profundidade);
    QFETCH(bool, topoMapeado);
    QFETCH(bool, janelaMapeada);
    QFETCH(bool, achada);
    TJanelasX x;
    const xcb_window_t topo = x.criar(x.raiz(), topoMapeado);
    xcb_window_t janela = topo;
    for (int nivel = 1; nivel <= profundidade; ++nivel)
        janela = x.criar(janela, nivel < profundidade || janelaMapeada);
    x.nomear(janela, como, titulo);
    x.sincronizar();

    QCOMPARE(existeJanela(titulo), achada);

    x.destruir(topo);
    x.sincronizar();
    QVERIFY(!existeJanela(titulo));
}

void TestJanelas::deVariasThreads()
{
    TJanelasX x;
    const xcb_window_t janela = x.criar(x.raiz(), true);
    x.nomear(janela, TJanelasX::TNome::NetWmName, aguarde);
    x.sincronizar();

    std::atomic<int> achadas = 0;
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&achadas] {
            for (int vez = 0; vez < 25; ++vez) {
                if (existeJanela(aguarde) && !existeJanela(erro))
                    ++achadas;
            }
        });
    }
    for (std::thread &t : threads)
        t.join();
    QCOMPARE(achadas.load(), 100);
    x.destruir(janela);
}

void TestJanelas::semDisplay_data()
{
    QTest::addColumn<bool>("definido");
    QTest::addColumn<QByteArray>("display");

    QTest::newRow("unset") << false << QByteArray();
    QTest::newRow("empty") << true << QByteArray();
    QTest::newRow("no server there") << true << QByteArray(":4242");
    QTest::newRow("garbage") << true << QByteArray("nada");
}

void TestJanelas::semDisplay()
{
    QFETCH(bool, definido);
    QFETCH(QByteArray, display);
    TJanelasX x;
    const xcb_window_t janela = x.criar(x.raiz(), true);
    x.nomear(janela, TJanelasX::TNome::NetWmName, aguarde);
    x.sincronizar();
    const QByteArray anterior = qgetenv("DISPLAY");
    QVERIFY(existeJanela(aguarde));

    if (definido)
        qputenv("DISPLAY", display);
    else
        qunsetenv("DISPLAY");
    const bool achada = existeJanela(aguarde);
    qputenv("DISPLAY", anterior);

    QVERIFY(!achada);
    x.destruir(janela);
}

void TestJanelas::autoteste_data()
{
    QTest::addColumn<QString>("caminho");
    QTest::addColumn<int>("aguardeMs");
    QTest::addColumn<QString>("falhas");
    QTest::addColumn<bool>("comErro");

    const QString cliente = QStringLiteral("c:\\Tessaron\\ZAM_7\\ZAM_DADOS\\CLIENTE\\ZAM.FDB");
    QTest::newRow("passes") << cliente << 600 << "ALFA|BETA" << false;
    QTest::newRow("nothing fails") << cliente << 600 << "" << false;
    QTest::newRow("fails by folder name") << cliente << 600 << "ALFA|CLIENTE" << true;
    QTest::newRow("fails by path")
        << "/srv/zam/ZAM_DADOS/BETA/ZAM.FDB" << 600 << "/srv/zam/ZAM_DADOS/BETA/ZAM.FDB" << true;
    QTest::newRow("names compared exactly") << cliente << 600 << "cliente" << false;
    QTest::newRow("no wait window") << cliente << 0 << "CLIENTE" << true;
}

// The protocol the self-test run relies on: "Aguarde..." while testing, the error window there
// by the time "Aguarde..." is gone, and the program still running until it is ended.
void TestJanelas::autoteste()
{
    QFETCH(QString, caminho);
    QFETCH(int, aguardeMs);
    QFETCH(QString, falhas);
    QFETCH(bool, comErro);
    QElapsedTimer relogio;
    relogio.start();
    TZam7 zam7(FPasta->path(), caminho, aguardeMs, falhas);
    const QString registro = FPasta->filePath("registro.jsonl");

    if (aguardeMs > 0) {
        QVERIFY(esperarJanela(aguarde, true));
        QVERIFY(relogio.elapsed() < 1500);
        QVERIFY(!existeJanela(erro));
        // Looked at without a pause, so that a moment with neither window would be seen: the
        // run may look at any moment.
        const QDeadlineTimer limite(10000);
        while (existeJanela(aguarde) && !limite.hasExpired()) {
        }
        QVERIFY(!existeJanela(aguarde));
        QCOMPARE(existeJanela(erro), comErro);
        QVERIFY(relogio.elapsed() >= aguardeMs);
    } else {
        QCOMPARE(esperarJanela(erro, true, 3000), comErro);
        QVERIFY(!existeJanela(aguarde));
    }
    const std::vector<QJsonObject> inicios = esperarRegistroZam7(registro, 1);
    QCOMPARE(inicios.size(), size_t(1));
    QCOMPARE(inicios[0]["args"].toArray(), QJsonArray{"ZamdefTestAll"});
    QCOMPARE(inicios[0]["CAMINHO"].toString(), caminho);

    QTest::qWait(300);
    QVERIFY(zam7.rodando());
    QCOMPARE(existeJanela(erro), comErro);
    QVERIFY(!existeJanela(aguarde));

    QVERIFY(encerrarProcessos(QStringLiteral("ZAM7.exe")));
    QVERIFY(zam7.terminou());
    QVERIFY(!existeJanela(erro));
}

int main(int argc, char *argv[])
{
    // Skipping would hide that the windows were never looked at.
    const QByteArray display = qgetenv("DISPLAY");
    xcb_connection_t *conexao = display.isEmpty() ? nullptr : xcb_connect(nullptr, nullptr);
    const bool semServidor = !conexao || xcb_connection_has_error(conexao);
    if (conexao)
        xcb_disconnect(conexao);
    if (semServidor) {
        std::fprintf(stderr,
                     "tst_janelas needs an X display (DISPLAY=\"%s\"); run it under "
                     "xvfb-run\n",
                     display.constData());
        return 1;
    }
    QCoreApplication app(argc, argv);
    TestJanelas teste;
    return QTest::qExec(&teste, argc, argv);
}

#include "tst_janelas.moc"
