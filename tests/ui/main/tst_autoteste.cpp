#include "controls/uTZamListView.h"
#include "jobs/trabalhador.h"
#include "platform/janelas.h"
#include "platform/processos.h"
#include "support/zam7/registroZam7.h"
#include "ui/main/janelaTeste.h"

#include <QAction>
#include <QFile>
#include <QJsonArray>
#include <QListWidget>
#include <QProcess>
#include <QTest>

// The definitions self-test over the list, with the stand-in main application showing real
// X11 windows: "Aguarde..." while it tests, "ErroZamdefTestAll" for the databases named in
// ZAM7_FALHAS. Runs under its own X server.
class TestAutoteste : public QObject, public TJanelaTeste
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void testaTodasDaPrimeira();
    void aPartirDaQuinta_data();
    void aPartirDaQuinta();
    void janelaAguardeDeOutroPrograma();
    void zam7AusenteParaOTeste();
    void listaVaziaRecusada();
    void segundaExecucaoReusaLista();
    void fecharJanelaDuranteOTeste();

private:
    void criarBases(int quantidade);
    QListWidget *listaErros() const { return FForm->findChild<QListWidget *>("ListBox1"); }
    QStringList errosListados() const;
    // The run is over once every database was started and no stand-in is left.
    void aguardarFim(int inicios);
    QStringList bancosIniciados() const;
};

void TestAutoteste::initTestCase()
{
    prepararAplicacao();
    QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"), "these tests need an X display (xvfb-run)");
}

void TestAutoteste::init()
{
    preparar();
    qputenv(variavelAguardeZam7, "300");
    qunsetenv(variavelFalhasZam7);
}

void TestAutoteste::cleanup()
{
    FForm.reset();
    QVERIFY(TTrabalhador::aguardarTodos(10000));
    encerrarProcessos("ZAM7.exe");
    limpar();
}

void TestAutoteste::criarBases(int quantidade)
{
    for (int i = 1; i <= quantidade; ++i)
        criarBase(QStringLiteral("BASE%1").arg(i));
}

QStringList TestAutoteste::errosListados() const
{
    QStringList nomes;
    if (QListWidget *erros = listaErros()) {
        for (int i = 0; i < erros->count(); ++i)
            nomes.append(erros->item(i)->text());
    }
    return nomes;
}

QStringList TestAutoteste::bancosIniciados() const
{
    QStringList bancos;
    for (const QJsonObject &inicio : lerRegistroZam7(registro())) {
        if (inicio["args"].toArray() == QJsonArray{argumentoAutotesteZam7})
            bancos.append(inicio["CAMINHO"].toString().section('/', -2, -2));
    }
    return bancos;
}

void TestAutoteste::aguardarFim(int inicios)
{
    QTRY_COMPARE_WITH_TIMEOUT(int(lerRegistroZam7(registro()).size()), inicios, 30000);
    QTRY_COMPARE_WITH_TIMEOUT(TTrabalhador::emExecucao(), 0, 15000);
    // The entry comes back once the run's end handler has run.
    QTRY_VERIFY(acao("mnTestarZamdef")->isEnabled());
}

void TestAutoteste::testaTodasDaPrimeira()
{
    criarBases(4);
    qputenv(variavelFalhasZam7, "BASE2|BASE4");
    abrir();
    lista()->setSelectedIndex(0);
    acao("mnTestarZamdef")->trigger();
    QVERIFY(listaErros());
    QCOMPARE(listaErros()->width(), 212);
    // One run at a time.
    QVERIFY(!acao("mnTestarZamdef")->isEnabled());

    aguardarFim(4);
    QCOMPARE(bancosIniciados(), QStringList({"BASE1", "BASE2", "BASE3", "BASE4"}));
    QCOMPARE(errosListados(), QStringList({"BASE2", "BASE4"}));
    // Each instance was ended before the next started, and the last one too.
    QVERIFY(!existeJanela("ErroZamdefTestAll"));
    QVERIFY(!encerrarProcessos("ZAM7.exe"));
    QVERIFY(FDialogos->chamadas.empty());
}

void TestAutoteste::aPartirDaQuinta_data()
{
    QTest::addColumn<bool>("resposta");
    QTest::addColumn<QStringList>("testadas");
    QTest::newRow("yes") << true << QStringList{"BASE5", "BASE6"};
    QTest::newRow("no") << false << QStringList();
}

void TestAutoteste::aPartirDaQuinta()
{
    QFETCH(bool, resposta);
    QFETCH(QStringList, testadas);
    criarBases(6);
    abrir();
    lista()->setSelectedIndex(4);
    FDialogos->responderPergunta(resposta);
    acao("mnTestarZamdef")->trigger();
    QCOMPARE(FDialogos->chamadas[0].titulo, QString("Iniciar"));
    QCOMPARE(FDialogos->chamadas[0].texto,
             u"O item selecionado não é o primeiro. Deseja Continuar?"_qs);
    if (!resposta) {
        QVERIFY(zam7NaoIniciado());
        QVERIFY(!listaErros());
        return;
    }
    aguardarFim(int(testadas.size()));
    QCOMPARE(bancosIniciados(), testadas);
    QCOMPARE(errosListados(), QStringList());
}

void TestAutoteste::janelaAguardeDeOutroPrograma()
{
    criarBases(1);
    // Another program's "Aguarde...": a stand-in copy named otherwise, so that ending the
    // main application does not end it.
    const QString outro = programa() + "/outro.bin";
    QVERIFY(QFile::copy(caminhoZam7(), outro));
    QProcess segurando;
    QProcessEnvironment ambiente = QProcessEnvironment::systemEnvironment();
    ambiente.insert(variavelAguardeZam7, "-1");
    ambiente.remove(variavelRegistroZam7);
    segurando.setProcessEnvironment(ambiente);
    segurando.start(outro, {argumentoAutotesteZam7});
    QVERIFY(esperarJanela("Aguarde...", true));

    abrir();
    acao("mnTestarZamdef")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(int(lerRegistroZam7(registro()).size()), 1, 10000);
    QTest::qWait(2500);
    // Still waiting: the stand-in of the run is not ended while "Aguarde..." is shown.
    QCOMPARE(TTrabalhador::emExecucao(), 1);
    segurando.kill();
    segurando.waitForFinished();
    QTRY_COMPARE_WITH_TIMEOUT(TTrabalhador::emExecucao(), 0, 10000);
    QVERIFY(!encerrarProcessos("ZAM7.exe"));
}

void TestAutoteste::zam7AusenteParaOTeste()
{
    criarBases(3);
    QVERIFY(QFile::remove(programa() + "/ZAM7.exe"));
    abrir();
    acao("mnTestarZamdef")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(TTrabalhador::emExecucao(), 0, 10000);
    QCOMPARE(FDialogos->chamadas.size(), size_t(1));
    QCOMPARE(FDialogos->chamadas[0].titulo, QString("Erro"));
    QCOMPARE(FDialogos->chamadas[0].icone, TIconeDialogo::Erro);
    QCOMPARE(FDialogos->chamadas[0].texto, QString("No such file or directory"));
    // The run stopped at the first row.
    QCOMPARE(selecionada(), 0);
}

void TestAutoteste::listaVaziaRecusada()
{
    abrir();
    acao("mnTestarZamdef")->trigger();
    QCOMPARE(erros(), QStringList{u"Não há bases na lista para testar."_qs});
    QVERIFY(!listaErros());
}

void TestAutoteste::segundaExecucaoReusaLista()
{
    criarBases(2);
    qputenv(variavelFalhasZam7, "BASE1");
    abrir();
    acao("mnTestarZamdef")->trigger();
    aguardarFim(2);
    QCOMPARE(errosListados(), QStringList{"BASE1"});
    lista()->setSelectedIndex(0);
    acao("mnTestarZamdef")->trigger();
    aguardarFim(4);
    QCOMPARE(errosListados(), QStringList{"BASE1"});
    QCOMPARE(FForm->findChildren<QListWidget *>("ListBox1").size(), 1);
}

void TestAutoteste::fecharJanelaDuranteOTeste()
{
    criarBases(3);
    qputenv(variavelAguardeZam7, "-1");
    abrir();
    acao("mnTestarZamdef")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(int(lerRegistroZam7(registro()).size()), 1, 10000);
    FForm->close();
    FForm.reset();
    QVERIFY(TTrabalhador::aguardarTodos(5000));
    QCOMPARE(lerRegistroZam7(registro()).size(), size_t(1));
}

QTEST_MAIN(TestAutoteste)
#include "tst_autoteste.moc"
