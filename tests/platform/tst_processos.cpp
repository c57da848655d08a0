#include "platform/processos.h"
#include "support/arquivosTeste.h"
#include "support/zam7/registroZam7.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

namespace {

// A process of the test's own, as the desktop would have it running.
class TProcesso
{
public:
    // argv0: the name the process shows once it runs what it is meant to run (after an exec
    // of its own); empty when starting it is enough.
    TProcesso(const QString &programa, const QStringList &argumentos, const QString &argv0 = {})
    {
        QProcessEnvironment ambiente = QProcessEnvironment::systemEnvironment();
        // The stand-in keeps its windows off any desktop of the person running the tests.
        ambiente.remove(QStringLiteral("DISPLAY"));
        ambiente.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        ambiente.insert(QString::fromLatin1(variavelAguardeZam7), QStringLiteral("-1"));
        FProcesso.setProcessEnvironment(ambiente);
        FProcesso.start(programa, argumentos);
        if (!FProcesso.waitForStarted(5000)) {
            QTest::qFail(qPrintable("cannot start " + programa), __FILE__, __LINE__);
            return;
        }
        if (!argv0.isEmpty() && !esperarArgv0(argv0))
            QTest::qFail(qPrintable("no process became " + argv0), __FILE__, __LINE__);
    }

    // Waits for the process to say it is ready, on a line of its own.
    bool esperarLinha(const QByteArray &linha)
    {
        const QDeadlineTimer limite(5000);
        while (!FProcesso.canReadLine()) {
            if (limite.hasExpired() || !FProcesso.waitForReadyRead(int(limite.remainingTime())))
                return false;
        }
        return FProcesso.readLine().trimmed() == linha;
    }
    ~TProcesso()
    {
        if (FProcesso.state() != QProcess::NotRunning) {
            FProcesso.kill();
            FProcesso.waitForFinished(5000);
        }
    }

    bool rodando() const { return FProcesso.state() == QProcess::Running; }
    // Ended processes are collected only when events are processed.
    bool terminou(int limiteMs = 5000) { return FProcesso.waitForFinished(limiteMs); }
    QProcess::ExitStatus saida() const { return FProcesso.exitStatus(); }

private:
    bool esperarArgv0(const QString &argv0)
    {
        const QString arquivo = QStringLiteral("/proc/%1/cmdline").arg(FProcesso.processId());
        const QDeadlineTimer limite(5000);
        while (!limite.hasExpired()) {
            QFile file(arquivo);
            if (file.open(QIODevice::ReadOnly) &&
                QFile::decodeName(file.readAll().split('\0').value(0)) == argv0)
                return true;
            QTest::qWait(10);
        }
        return false;
    }

    QProcess FProcesso;
};

void criarScript(const QString &caminho, const QByteArray &corpo)
{
    escreverArquivo(caminho, "#!/bin/sh\n" + corpo);
    QVERIFY(QFile::setPermissions(caminho, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

} // namespace

class TestProcessos : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void encerrar_data();
    void encerrar();
    void todosEmPastasDiferentes();
    void pelaPastaCompleta_data();
    void pelaPastaCompleta();
    void quemIgnoraOPedidoEMorto();
    void nuncaEsteProcesso();

private:
    QString pasta(const QString &nome);

    std::unique_ptr<QTemporaryDir> FPasta;
};

QString TestProcessos::pasta(const QString &nome)
{
    const QString caminho = FPasta->filePath(nome);
    if (!QDir().mkpath(caminho))
        QTest::qFail("cannot make a folder", __FILE__, __LINE__);
    return caminho;
}

void TestProcessos::init()
{
    FPasta = std::make_unique<QTemporaryDir>();
    QVERIFY(FPasta->isValid());
    // No stand-in left over from elsewhere may answer for the ones started here.
    encerrarProcessos(QStringLiteral("ZAM7.exe"));
}

void TestProcessos::encerrar_data()
{
    QTest::addColumn<QString>("programa");
    QTest::addColumn<QStringList>("argumentos");
    QTest::addColumn<QString>("argv0");
    QTest::addColumn<bool>("encerrado");

    const QString ler = QStringLiteral("read linha\n");
    QTest::newRow("stand-in") << "zam7/ZAM7.exe" << QStringList{"ZamdefTestAll"} << QString()
                              << true;
    // The kernel keeps a script's own name beside the interpreter's.
    QTest::newRow("script, other case") << "script/zam7.EXE" << QStringList() << QString() << true;
    QTest::newRow("Windows program under an emulator")
        << "bash" << QStringList{"-c", "exec -a 'C:\\Programas\\Zam7.Exe' sleep 30"}
        << "C:\\Programas\\Zam7.Exe" << true;
    QTest::newRow("started under the name")
        << "bash" << QStringList{"-c", "exec -a /opt/zam/ZAM7.exe sleep 30"} << "/opt/zam/ZAM7.exe"
        << true;

    QTest::newRow("sleep") << "sleep" << QStringList{"30"} << QString() << false;
    QTest::newRow("name as an argument")
        << "sh" << QStringList{"-c", "read linha", "ZAM7.exe"} << QString() << false;
    QTest::newRow("longer name") << "script/ZAM7.exe.bak" << QStringList() << QString() << false;
    QTest::newRow("prefix") << "script/XZAM7.exe" << QStringList() << QString() << false;
    QTest::newRow("folder of that name") << "ZAM7.exe/run" << QStringList() << QString() << false;
    QTest::newRow("under another name")
        << "bash" << QStringList{"-c", "exec -a ZAM7 sleep 30"} << "ZAM7" << false;
}

void TestProcessos::encerrar()
{
    QFETCH(QString, programa);
    QFETCH(QStringList, argumentos);
    QFETCH(QString, argv0);
    QFETCH(bool, encerrado);
    if (programa == "zam7/ZAM7.exe") {
        programa = copiarZam7(pasta("zam7"));
    } else if (programa.contains(u'/')) {
        const QString caminho = FPasta->filePath(programa);
        QVERIFY(QDir().mkpath(QFileInfo(caminho).path()));
        criarScript(caminho, "read linha\n");
        programa = caminho;
    }
    TProcesso processo(programa, argumentos, argv0);

    QCOMPARE(encerrarProcessos(QStringLiteral("ZAM7.exe")), encerrado);

    if (encerrado) {
        QVERIFY(processo.terminou());
        QCOMPARE(processo.saida(), QProcess::CrashExit);
    } else {
        QVERIFY(!processo.terminou(200));
        QVERIFY(processo.rodando());
    }
}

// Every copy of the main application goes, whichever folder it runs from; others stay.
void TestProcessos::todosEmPastasDiferentes()
{
    const QString registro = FPasta->filePath("registro.jsonl");
    qputenv(variavelRegistroZam7, QFile::encodeName(registro));
    TProcesso a(copiarZam7(pasta("a")), {"ZamdefTestAll"});
    TProcesso b(copiarZam7(pasta("b")), {"ZamdefTestAll"});
    TProcesso sleep(QStringLiteral("sleep"), {"30"});
    qunsetenv(variavelRegistroZam7);
    // Both got as far as running the stand-in's own code.
    QCOMPARE(esperarRegistroZam7(registro, 2).size(), size_t(2));

    QVERIFY(encerrarProcessos(QStringLiteral("ZAM7.exe")));

    QVERIFY(a.terminou());
    QVERIFY(b.terminou());
    QVERIFY(!sleep.terminou(200));
    QVERIFY(!encerrarProcessos(QStringLiteral("ZAM7.exe")));
}

void TestProcessos::pelaPastaCompleta_data()
{
    QTest::addColumn<bool>("outraCaixa");
    QTest::newRow("as it is") << false;
    QTest::newRow("other case") << true;
}

// A name with a folder part is compared with the whole path: only that copy goes.
void TestProcessos::pelaPastaCompleta()
{
    QFETCH(bool, outraCaixa);
    const QString caminhoA = copiarZam7(pasta("a"));
    TProcesso a(caminhoA, {"ZamdefTestAll"});
    TProcesso b(copiarZam7(pasta("b")), {"ZamdefTestAll"});

    QVERIFY(encerrarProcessos(outraCaixa ? caminhoA.toUpper() : caminhoA));

    QVERIFY(a.terminou());
    QVERIFY(!b.terminou(200));
    QVERIFY(!encerrarProcessos(caminhoA));
}

void TestProcessos::quemIgnoraOPedidoEMorto()
{
    const QString script = pasta("teimoso") + "/ZAM7.exe";
    criarScript(script, "trap '' TERM\necho pronto\nread linha\n");
    TProcesso teimoso(script, {});
    QVERIFY(teimoso.esperarLinha("pronto"));

    QVERIFY(encerrarProcessos(QStringLiteral("ZAM7.exe")));

    QVERIFY(teimoso.terminou());
    QCOMPARE(teimoso.saida(), QProcess::CrashExit);
}

void TestProcessos::nuncaEsteProcesso()
{
    // Were this process ended, the test run would end here without a result.
    QVERIFY(!encerrarProcessos(QCoreApplication::applicationFilePath()));
    QVERIFY(!encerrarProcessos(QFileInfo(QCoreApplication::applicationFilePath()).fileName()));
}

QTEST_GUILESS_MAIN(TestProcessos)
#include "tst_processos.moc"
