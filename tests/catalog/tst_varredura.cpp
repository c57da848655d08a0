#include "catalog/varredura.h"
#include "platform/erros.h"
#include "support/arquivosTeste.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// A data folder on disk: <raiz>/ZAM_DADOS/<name>/ZAM.FDB. The scan never opens the
// database files, so any bytes do.
class TestVarredura : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void encontraSoPastasComBase();
    void registroExistenteMantemPorta();
    void pastaInacessivelNaoMudaNada();
    void portaPadraoInvalida();
    void atualizarRemoveSumidasESalva();
    void atualizarComPastaInacessivelSalva();
    void atualizarDescartaBaseQueVirouPasta();
    void mudancaSoNaCaixa();
    void nomeComCaractereDeControle_data();
    void nomeComCaractereDeControle();
    void atualizarDescartaNomeComControle();

private:
    void criarBase(const QString &nome, qint64 bytes = 10);
    TZamDadosList novoCatalogo() const { return TZamDadosList(FHost); }
    QString dados() const { return FRaiz->path() + "/ZAM_DADOS"; }

    std::unique_ptr<QTemporaryDir> FRaiz;
    TZamDadosHostPtr FHost;
};

void TestVarredura::init()
{
    FRaiz = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir().mkpath(dados()));
    FHost = std::make_shared<TZamDadosHost>();
    FHost->Setcompartilhamento(FRaiz->path());
    FHost->setPath("/srv/zam/ZAM_DADOS/");
}

void TestVarredura::criarBase(const QString &nome, qint64 bytes)
{
    QVERIFY(QDir().mkpath(dados() + "/" + nome));
    escreverArquivo(dados() + "/" + nome + "/ZAM.FDB", QByteArray(bytes, 'x'));
}

void TestVarredura::encontraSoPastasComBase()
{
    criarBase("CLIENTE", 1048576);
    criarBase(u"Padaria São João"_qs);
    criarBase(".oculta");
    QVERIFY(QDir().mkpath(dados() + "/SEM_BASE"));
    escreverArquivo(dados() + "/ARQUIVO", "x");
    QFile base(dados() + "/CLIENTE/ZAM.FDB");
    QVERIFY(base.open(QIODevice::ReadWrite));
    QVERIFY(base.setFileTime(QDateTime(QDate(2017, 3, 5), QTime(14, 7, 59)),
                             QFileDevice::FileModificationTime));
    base.close();

    TZamDadosList catalogo = novoCatalogo();
    QVERIFY(buscarBases(catalogo, "3055"));

    QCOMPARE(catalogo.items().keys(), QStringList({"CLIENTE", u"Padaria São João"_qs}));
    const TZamDadosItemPtr cliente = catalogo.items().value("CLIENTE");
    QCOMPARE(cliente->Getporta(), 3055u);
    QCOMPARE(cliente->Gettamanho(), 1024 * tamanhoUm);
    QCOMPARE(formatarDataHoraCatalogo(cliente->Getdatahora()), QString("05/03/2017 14:07"));
    QCOMPARE(cliente->Getpath(), QString("/srv/zam/ZAM_DADOS/CLIENTE/ZAM.FDB"));
    QCOMPARE(lerArquivo(catalogo.fileName()).count("\r\n"), 2);
    QCOMPARE(TZamDadosList(FHost).items().size(), 2);
}

void TestVarredura::registroExistenteMantemPorta()
{
    criarBase("A", 2048);
    criarBase("B");
    escreverArquivo(FRaiz->path() + "/ZamDados.csv", "A,\"01/01/2000 00:00\",0,3050\r\n");
    TZamDadosList catalogo = novoCatalogo();
    QVERIFY(buscarBases(catalogo, "3055"));
    QCOMPARE(catalogo.items().value("A")->Getporta(), 3050u);
    QCOMPARE(catalogo.items().value("A")->Gettamanho(), 2 * tamanhoUm);
    QCOMPARE(catalogo.items().value("B")->Getporta(), 3055u);
}

void TestVarredura::pastaInacessivelNaoMudaNada()
{
    QVERIFY(QDir(dados()).removeRecursively());
    TZamDadosList catalogo = novoCatalogo();
    QVERIFY(!buscarBases(catalogo, "3055"));
    QVERIFY(catalogo.items().isEmpty());
    QVERIFY(!QFile::exists(catalogo.fileName()));
}

void TestVarredura::portaPadraoInvalida()
{
    criarBase("A");
    criarBase("B");
    escreverArquivo(FRaiz->path() + "/ZamDados.csv", "A,\"01/01/2000 00:00\",0,3050\r\n");
    TZamDadosList catalogo = novoCatalogo();
    try {
        buscarBases(catalogo, "30x5");
        QFAIL("a port that is not a number must fail the scan");
    } catch (const EZamErro &e) {
        QCOMPARE(e.mensagem(), QString("'30x5' is not a valid integer value"));
    }
    QCOMPARE(lerArquivo(catalogo.fileName()), QByteArray("A,\"01/01/2000 00:00\",0,3050\r\n"));
}

void TestVarredura::atualizarRemoveSumidasESalva()
{
    criarBase("FICA", 1024);
    escreverArquivo(FRaiz->path() + "/ZamDados.csv",
                    "FICA,\"01/01/2000 00:00\",0,3050\r\nSUMIU,\"01/01/2000 00:00\",0,3050\r\n");
    TZamDadosList catalogo = novoCatalogo();
    criarBase("NOVA");
    atualizarBases(catalogo, "4000");
    QCOMPARE(catalogo.items().keys(), QStringList({"FICA", "NOVA"}));
    QCOMPARE(catalogo.items().value("FICA")->Gettamanho(), tamanhoUm);
    QCOMPARE(catalogo.items().value("NOVA")->Getporta(), 4000u);
    QCOMPARE(TZamDadosList(FHost).items().keys(), QStringList({"FICA", "NOVA"}));
}

void TestVarredura::atualizarComPastaInacessivelSalva()
{
    escreverArquivo(FRaiz->path() + "/ZamDados.csv", "SUMIU,\"01/01/2000 00:00\",0,3050\r\n");
    QVERIFY(QDir(dados()).removeRecursively());
    TZamDadosList catalogo = novoCatalogo();
    atualizarBases(catalogo, "3055");
    QVERIFY(catalogo.items().isEmpty());
    QCOMPARE(lerArquivo(catalogo.fileName()), QByteArray());
}

void TestVarredura::atualizarDescartaBaseQueVirouPasta()
{
    criarBase("FICA");
    QVERIFY(QDir().mkpath(dados() + "/PASTA/ZAM.FDB"));
    escreverArquivo(FRaiz->path() + "/ZamDados.csv",
                    "FICA,\"01/01/2000 00:00\",0,3050\r\nPASTA,\"01/01/2000 00:00\",0,3050\r\n");
    TZamDadosList catalogo = novoCatalogo();
    atualizarBases(catalogo, "3055");
    QCOMPARE(catalogo.items().keys(), QStringList{"FICA"});
    QCOMPARE(TZamDadosList(FHost).items().keys(), QStringList{"FICA"});
}

void TestVarredura::mudancaSoNaCaixa()
{
    criarBase("CLIENTE");
    escreverArquivo(FRaiz->path() + "/ZamDados.csv", "cliente,\"01/01/2000 00:00\",0,3050\r\n");
    TZamDadosList catalogo = novoCatalogo();
    QVERIFY(buscarBases(catalogo, "3055"));
    QCOMPARE(catalogo.items().keys(), QStringList({"CLIENTE", "cliente"}));
    atualizarBases(catalogo, "3055");
    QCOMPARE(catalogo.items().keys(), QStringList({"CLIENTE"}));
}

void TestVarredura::nomeComCaractereDeControle_data()
{
    QTest::addColumn<QString>("nome");
    QTest::addColumn<QString>("visivel");
    QTest::newRow("line feed") << "LINHA\nQUEBRADA"
                               << "LINHA\\nQUEBRADA";
    QTest::newRow("carriage return") << "A\rB"
                                     << "A\\rB";
    QTest::newRow("tab") << "A\tB"
                         << "A\\tB";
    QTest::newRow("escape") << "A\x1b"
                            << "A\\x1B";
    QTest::newRow("delete") << "\x7f"
                            << "\\x7F";
}

void TestVarredura::nomeComCaractereDeControle()
{
    QFETCH(QString, nome);
    QFETCH(QString, visivel);
    criarBase("CLIENTE");
    criarBase(nome);
    QVERIFY(QDir().mkpath(dados() + "/SEM_BASE\n"));

    TZamDadosList catalogo = novoCatalogo();
    QStringList ignoradas;
    QTest::ignoreMessage(QtWarningMsg,
                         qPrintable(QString(u"Pastas ignoradas em \"%1\", pois têm no nome um "
                                            u"caractere de controle (como uma quebra de linha), "
                                            u"que o Windows não aceita: \"%2\""_qs)
                                        .arg(dados(), visivel)));
    QVERIFY(buscarBases(catalogo, "3055", &ignoradas));
    QCOMPARE(ignoradas, QStringList{nome});
    QCOMPARE(catalogo.items().keys(), QStringList{"CLIENTE"});
    // The catalogue written still loads.
    QCOMPARE(lerArquivo(catalogo.fileName()).count("\r\n"), 1);
    QCOMPARE(TZamDadosList(FHost).items().keys(), QStringList{"CLIENTE"});
}

void TestVarredura::atualizarDescartaNomeComControle()
{
    criarBase("CLIENTE");
    criarBase("A\tB");
    criarBase("C\nD");
    // A catalogue from before holds one of them, quoted on one line.
    escreverArquivo(FRaiz->path() + "/ZamDados.csv", "\"A\tB\",\"01/01/2000 00:00\",0,3050\r\n");
    TZamDadosList catalogo = novoCatalogo();
    QCOMPARE(catalogo.items().keys(), QStringList{"A\tB"});

    QStringList ignoradas;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Pastas ignoradas em .*\"A\\\\tB\""));
    atualizarBases(catalogo, "3055", &ignoradas);
    ignoradas.sort();
    QCOMPARE(ignoradas, QStringList({"A\tB", "C\nD"}));
    QCOMPARE(catalogo.items().keys(), QStringList{"CLIENTE"});
    QCOMPARE(TZamDadosList(FHost).items().keys(), QStringList{"CLIENTE"});
}

QTEST_GUILESS_MAIN(TestVarredura)
#include "tst_varredura.moc"
