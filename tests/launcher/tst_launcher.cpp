#include "launcher/zamcon.h"
#include "platform/erros.h"
#include "support/arquivosTeste.h"

#include <QTemporaryDir>
#include <QTest>

class TestLauncher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void nomeDaPasta_data();
    void nomeDaPasta();
    void leituras_data();
    void leituras();
    void gravarMantemOResto();
    void gravarCriaArquivo();
    void gravarFalhaNomeiaArquivo();
    void gravarRecusaCaractereDeControle_data();
    void gravarRecusaCaractereDeControle();

private:
    TZamDadosItemPtr registro(const QString &compartilhamento, const QString &caminho,
                              const QString &nome, quint32 porta) const;
    QString arquivo() const { return FPasta->filePath("zamcon.ini"); }

    std::unique_ptr<QTemporaryDir> FPasta;
};

void TestLauncher::init()
{
    FPasta = std::make_unique<QTemporaryDir>();
    QVERIFY(FPasta->isValid());
}

TZamDadosItemPtr TestLauncher::registro(const QString &compartilhamento, const QString &caminho,
                                        const QString &nome, quint32 porta) const
{
    auto host = std::make_shared<TZamDadosHost>();
    host->Setcompartilhamento(compartilhamento);
    host->setPath(caminho);
    auto item = std::make_shared<TZamDadosItem>(host);
    item->Setnome(nome);
    item->Setporta(porta);
    return item;
}

void TestLauncher::nomeDaPasta_data()
{
    QTest::addColumn<QString>("caminho");
    QTest::addColumn<QString>("nome");
    QTest::newRow("windows path") << "c:\\Tessaron\\ZAM_7\\ZAM_DADOS\\CLIENTE\\ZAM.FDB"
                                  << "CLIENTE";
    // What the program writes for a data folder on Linux reads back.
    QTest::newRow("linux server path") << "/home/u/zam_dados/CLIENTE/ZAM.FDB"
                                       << "CLIENTE";
    QTest::newRow("linux path with accents")
        << u"/d/ZAM_DADOS/PADARIA SÃO JOÃO/ZAM.FDB"_qs << u"PADARIA SÃO JOÃO"_qs;
    QTest::newRow("linux root") << "/ZAM.FDB"
                                << "";
    QTest::newRow("doubled slash") << "/a//ZAM.FDB"
                                   << "";
    // "/" is part of a name in a path that has "\".
    QTest::newRow("windows path with a slash") << "c:\\x\\A/B\\ZAM.FDB"
                                               << "A/B";
    QTest::newRow("drive root") << "c:\\ZAM.FDB"
                                << "";
    QTest::newRow("drive only") << "c:ZAM.FDB"
                                << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("no separator") << "ZAM.FDB"
                                  << "";
    QTest::newRow("network") << "\\\\srv\\d\\ZAM_DADOS\\Padaria São João\\ZAM.FDB"
                             << "Padaria São João";
    QTest::newRow("doubled separator") << "c:\\a\\\\ZAM.FDB"
                                       << "";
}

void TestLauncher::nomeDaPasta()
{
    QFETCH(QString, caminho);
    QTEST(TZamcon::nomeDaPasta(caminho), "nome");
}

void TestLauncher::leituras_data()
{
    QTest::addColumn<QByteArray>("conteudo");
    QTest::addColumn<QString>("porta");
    QTest::addColumn<QString>("ultimaBase");
    QTest::newRow("no file") << QByteArray() << "3055"
                             << "";
    QTest::newRow("names in any case, port not converted")
        << QByteArray("[servidor]\r\nPorta=30x\r\n[Zam]\r\nCAMINHO=c:\\z\\ABC\\ZAM.FDB\r\n")
        << "30x"
        << "ABC";
    QTest::newRow("sections without the keys") << QByteArray("[SERVIDOR]\r\n[ZAM]\r\n") << "3055"
                                               << "";
}

void TestLauncher::leituras()
{
    QFETCH(QByteArray, conteudo);
    if (!conteudo.isEmpty())
        escreverArquivo(arquivo(), conteudo);
    const TZamcon zamcon(arquivo());
    QTEST(zamcon.lerPortaPadrao(), "porta");
    QTEST(zamcon.lerUltimaBase(), "ultimaBase");
}

void TestLauncher::gravarMantemOResto()
{
    escreverArquivo(arquivo(), "; do ZAM\r\n[GERAL]\r\nX=1\r\n[servidor]\r\nnome=velho\r\n"
                               "porta=1\r\n[zam]\r\ncaminho=c:\\x\\ZAM.FDB\r\nOUTRA=2\r\n");
    const auto item = registro("\\\\srv1\\dados", "/home/u/zam_dados/", "CLIENTE", 3050);
    TZamcon(arquivo()).gravarZamcon(*item->host(), *item);
    QCOMPARE(lerArquivo(arquivo()),
             QByteArray("; do ZAM\r\n[GERAL]\r\nX=1\r\n[servidor]\r\nnome=srv1\r\nporta=3050\r\n"
                        "[zam]\r\ncaminho=/home/u/zam_dados/CLIENTE/ZAM.FDB\r\nOUTRA=2\r\n"));
}

void TestLauncher::gravarCriaArquivo()
{
    const auto item =
        registro("c:\\Tessaron\\ZAM_7", "c:\\Tessaron\\ZAM_7\\ZAM_DADOS\\", "B", 4294967295u);
    const TZamcon zamcon(arquivo());
    zamcon.gravarZamcon(*item->host(), *item);
    QCOMPARE(zamcon.lerUltimaBase(), QString("B"));
    QCOMPARE(zamcon.lerPortaPadrao(), QString("4294967295"));
    const QByteArray conteudo = lerArquivo(arquivo());
    QVERIFY2(conteudo.startsWith("[SERVIDOR]\r\nNOME=localhost\r\nPORTA=4294967295\r\n"),
             conteudo.constData());
    QVERIFY2(conteudo.contains("[ZAM]\r\nCAMINHO=c:\\Tessaron\\ZAM_7\\ZAM_DADOS\\B\\ZAM.FDB\r\n"),
             conteudo.constData());
}

void TestLauncher::gravarFalhaNomeiaArquivo()
{
    escreverArquivo(arquivo(), "[SERVIDOR]\r\nNOME=velho\r\n");
    const auto item = registro("c:\\z", "c:\\z\\", "B", 1);
    TPastaSomenteLeitura somenteLeitura(FPasta->path());
    if (!somenteLeitura.ativa())
        return;
    try {
        TZamcon(arquivo()).gravarZamcon(*item->host(), *item);
        QFAIL("writing into a read-only folder must fail");
    } catch (const EZamErro &e) {
        QVERIFY2(e.mensagem().contains(arquivo()), qPrintable(e.mensagem()));
    }
    QCOMPARE(lerArquivo(arquivo()), QByteArray("[SERVIDOR]\r\nNOME=velho\r\n"));
}

void TestLauncher::gravarRecusaCaractereDeControle_data()
{
    QTest::addColumn<QString>("caminho");
    QTest::addColumn<QString>("nome");
    QTest::addColumn<QString>("visivel");
    QTest::newRow("line break in the folder name") << "c:\\z\\"
                                                   << "LINHA\nQUEBRADA"
                                                   << "c:\\z\\LINHA\\nQUEBRADA\\ZAM.FDB";
    QTest::newRow("tab in the folder name") << "/srv/zam/"
                                            << "A\tB"
                                            << "/srv/zam/A\\tB/ZAM.FDB";
    QTest::newRow("carriage return in the server path") << "c:\\z\r\\"
                                                        << "B"
                                                        << "c:\\z\\r\\B\\ZAM.FDB";
}

void TestLauncher::gravarRecusaCaractereDeControle()
{
    QFETCH(QString, caminho);
    QFETCH(QString, nome);
    QFETCH(QString, visivel);
    const QByteArray antes(
        "[SERVIDOR]\r\nNOME=velho\r\nPORTA=1\r\n[ZAM]\r\nCAMINHO=c:\\x\\ZAM.FDB\r\n");
    escreverArquivo(arquivo(), antes);
    const auto item = registro("\\\\srv1\\dados", caminho, nome, 3050);
    try {
        TZamcon(arquivo()).gravarZamcon(*item->host(), *item);
        QFAIL("a value with a control character must be refused");
    } catch (const EZamErro &e) {
        QCOMPARE(e.mensagem(), QString(u"O valor \"%1\" tem um caractere de controle (como uma "
                                       u"quebra de linha) e não pode ser gravado em \"%2\""_qs)
                                   .arg(visivel, arquivo()));
    }
    QCOMPARE(lerArquivo(arquivo()), antes);
}

QTEST_GUILESS_MAIN(TestLauncher)
#include "tst_launcher.moc"
