#include "platform/arquivos.h"
#include "platform/caminhos.h"
#include "platform/erros.h"
#include "platform/linux/arquivos.h"
#include "support/arquivosTeste.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <unistd.h>

namespace {

// What a copy told its step function, and where it stops the copy.
struct TPassosVistos
{
    // The step at which the copy is stopped: the first one whose bytes done reach it; never
    // when negative.
    qint64 pararEm = -1;
    QList<std::pair<qint64, qint64>> passos;

    TPassoCopia passo()
    {
        return [this](qint64 feitos, qint64 total) {
            passos.append({feitos, total});
            return pararEm < 0 || feitos < pararEm;
        };
    }
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
    void copiarEsparsoGrande();
    void copiaInterrompida_data();
    void copiaInterrompida();

    void renomear_data();
    void renomear();
    void renomearNaoSobrescreve_data();
    void renomearNaoSobrescreve();

private:
    QString caminho(const QString &nome) const { return FPasta->filePath(nome); }

    std::unique_ptr<QTemporaryDir> FPasta;
};

void TestArquivos::init()
{
    FPasta = std::make_unique<QTemporaryDir>();
    QVERIFY(FPasta->isValid());
}

void TestArquivos::cleanup()
{
    FPasta.reset();
}

void TestArquivos::copiar_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("acompanhada");

    // Blocks are 1 MiB: a size that is not a whole number of them checks the last one.
    const QByteArray grande = bytesAleatorios(3 * 1024 * 1024 + 123);
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("small") << QByteArray("ZAM\0\x01\xff", 6) << false;
    QTest::newRow("several blocks") << grande << false;
    QTest::newRow("followed, empty") << QByteArray() << true;
    QTest::newRow("followed, several blocks") << grande << true;
}

void TestArquivos::copiar()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, acompanhada);
    QVERIFY(QDir().mkpath(caminho("de")) && QDir().mkpath(caminho("para")));
    const QString origem = caminho("de/ZAM.FDB");
    const QString destino = caminho("para/ZAM.FDB");
    const QDateTime modificado = criarOrigemDeCopia(origem, bytes);

    if (acompanhada) {
        TPassosVistos vistos;
        QVERIFY(copiarAcompanhado(origem, destino, vistos.passo()));
        // Told before the first byte and after the last block, never going back.
        const qint64 total = bytes.size();
        QVERIFY(!vistos.passos.isEmpty());
        QCOMPARE(vistos.passos.front(), std::make_pair(qint64(0), total));
        QCOMPARE(vistos.passos.back(), std::make_pair(total, total));
        for (qsizetype i = 1; i < vistos.passos.size(); ++i) {
            QVERIFY(vistos.passos[i].first > vistos.passos[i - 1].first);
            QCOMPARE(vistos.passos[i].second, total);
        }
    } else {
        copiarSemSobrescrever(origem, destino);
    }

    QCOMPARE(lerArquivo(destino), bytes);
    QCOMPARE(QFileInfo(destino).permissions(), QFileInfo(origem).permissions());
    QCOMPARE(QFileInfo(destino).lastModified(), modificado);
    QCOMPARE(conteudoDaPasta(caminho("para")), QStringList{"ZAM.FDB"});
    QCOMPARE(lerArquivo(origem), bytes);
}

void TestArquivos::copiarNaoSobrescreve_data()
{
    QTest::addColumn<bool>("acompanhada");
    QTest::addColumn<bool>("ligacaoQuebrada");

    QTest::newRow("file") << false << false;
    QTest::newRow("dangling symbolic link") << false << true;
    QTest::newRow("followed, file") << true << false;
}

void TestArquivos::copiarNaoSobrescreve()
{
    QFETCH(bool, acompanhada);
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

    TPassosVistos vistos;
    try {
        if (acompanhada)
            copiarAcompanhado(origem, destino, vistos.passo());
        else
            copiarSemSobrescrever(origem, destino);
        QFAIL("an existing target was overwritten");
    } catch (const EZamErro &e) {
        QCOMPARE(e.mensagem(), textoDoErro(EEXIST));
    }
    // Said before a byte is copied.
    QCOMPARE(vistos.passos.size(), 0);

    if (ligacaoQuebrada) {
        QVERIFY(QFileInfo(destino).isSymLink());
        QVERIFY(!QFileInfo::exists(caminho("longe/nada")));
    } else {
        QCOMPARE(lerArquivo(destino), existente);
    }
    QCOMPARE(conteudoDaPasta(FPasta->path()), antes);
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
    escreverArquivo(caminho("base.fdb"), bytesAleatorios(1000));
    std::unique_ptr<TPastaSomenteLeitura> protegida;
    if (somenteLeitura)
        protegida = std::make_unique<TPastaSomenteLeitura>(caminho("alvo"));

    try {
        copiarSemSobrescrever(caminho(origem), caminho(destino));
        QFAIL("the copy did not fail");
    } catch (const EZamErro &e) {
        QCOMPARE(e.mensagem(), textoDoErro(erro));
    }
    QCOMPARE(conteudoDaPasta(caminho("alvo")), QStringList());
}

// A database file of several gigabytes: more bytes than 32 bits count, copied in seconds
// because its holes are not read, and still holes in the copy.
void TestArquivos::copiarEsparsoGrande()
{
    const QString origem = caminho("grande.fdb");
    const QString destino = caminho("copia.fdb");
    const TArquivoGrandeEsparso grande(origem);

    copiarSemSobrescrever(origem, destino);

    grande.conferirCopia(destino);
}

void TestArquivos::copiaInterrompida_data()
{
    QTest::addColumn<qint64>("pararEm");
    QTest::addColumn<bool>("existeAntes");

    QTest::newRow("at once") << qint64(0) << false;
    QTest::newRow("half way") << qint64(32 * 1024 * 1024) << false;
    QTest::newRow("half way, earlier copy beside") << qint64(32 * 1024 * 1024) << true;
}

// The step function stops the copy: false comes back, nothing is left at the target, not
// even under a temporary name, and no step comes after the one that said stop.
void TestArquivos::copiaInterrompida()
{
    QFETCH(qint64, pararEm);
    QFETCH(bool, existeAntes);
    QVERIFY(QDir().mkpath(caminho("local")));
    const QString origem = caminho("ZAM.FDB");
    const QString destino = caminho("local/ZAM.FDB");
    escreverArquivo(origem, bytesAleatorios(64 * 1024 * 1024));
    if (existeAntes)
        escreverArquivo(caminho("local/20240102030405_ZAM.FDB"), "anterior");
    const QStringList antes = conteudoDaPasta(caminho("local"));

    TPassosVistos vistos;
    vistos.pararEm = pararEm;
    QVERIFY(!copiarAcompanhado(origem, destino, vistos.passo()));

    QVERIFY(!vistos.passos.isEmpty());
    QVERIFY(vistos.passos.back().first >= pararEm);
    QVERIFY(vistos.passos.back().first < vistos.passos.back().second);
    for (qsizetype i = 0; i + 1 < vistos.passos.size(); ++i)
        QVERIFY(vistos.passos[i].first < pararEm);
    QVERIFY(!QFileInfo::exists(destino));
    QCOMPARE(conteudoDaPasta(caminho("local")), antes);
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
    QCOMPARE(conteudoDaPasta(caminho("ZAM_DADOS")), QStringList{"20240102030405_ZAM.FDB"});
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
    const QStringList antes = conteudoDaPasta(FPasta->path());

    try {
        if (atomico)
            renomearSemSobrescrever(caminho(origem), caminho(destino));
        else
            detalhe::renomearSemRenameAtomico(caminho(origem), caminho(destino));
        QFAIL("the rename did not fail");
    } catch (const EZamErro &e) {
        QCOMPARE(e.mensagem(), textoDoErro(erro));
    }

    QCOMPARE(conteudoDaPasta(FPasta->path()), antes);
    QCOMPARE(lerArquivo(caminho("arquivo")), QByteArray("um"));
    QCOMPARE(lerArquivo(caminho("outroArquivo")), QByteArray("dois"));
    QCOMPARE(lerArquivo(caminho("cheia/dentro")), QByteArray("tres"));
    QCOMPARE(conteudoDaPasta(caminho("vazia")), QStringList());
}

QTEST_GUILESS_MAIN(TestArquivos)
#include "tst_arquivos.moc"
