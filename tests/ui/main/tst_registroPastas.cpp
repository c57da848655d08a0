#include "platform/erros.h"
#include "support/arquivosTeste.h"
#include "ui/main/registroPastas.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

// The data folders of the main window without the window: the list in ZamDados.Hosts.txt,
// the entry for the path box, registering a folder, the catalogue shown and a renamed
// database folder. Real files in a temporary program folder.
class TestRegistroPastas : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup() { FRaiz.reset(); }

    void hostPara_data();
    void hostPara();
    void avulsoMantidoEnquantoOTextoFica();
    void registrarReleListaQueFaltava();
    void listaCurtaMantidaSemRegravar();
    void catalogoVarridoSoSemArquivo();
    void pastaRenomeada_data();
    void pastaRenomeada();

private:
    QString programa() const { return FRaiz->filePath("prog"); }
    QString hosts() const { return programa() + "/ZamDados.Hosts.txt"; }
    QString dados(const QString &nome) const { return FRaiz->filePath(nome); }
    void criarBase(const QString &pasta, const QString &nome);

    std::unique_ptr<QTemporaryDir> FRaiz;
};

void TestRegistroPastas::init()
{
    FRaiz = std::make_unique<QTemporaryDir>();
    QVERIFY(FRaiz->isValid());
    QVERIFY(QDir().mkpath(programa()));
}

void TestRegistroPastas::criarBase(const QString &pasta, const QString &nome)
{
    QVERIFY(QDir().mkpath(dados(pasta) + "/ZAM_DADOS/" + nome));
    escreverArquivo(dados(pasta) + "/ZAM_DADOS/" + nome + "/ZAM.FDB", "x");
}

void TestRegistroPastas::hostPara_data()
{
    QTest::addColumn<int>("linha");
    QTest::addColumn<QString>("texto");
    // The share and the server's path of the entry given.
    QTest::addColumn<QString>("compartilhamento");
    QTest::addColumn<QString>("caminho");

    // The lines are sorted greater first: "/srv/b" is line 0, "/srv/a" line 1.
    QTest::newRow("a line") << 1 << "/outra/coisa"
                            << "/srv/a"
                            << "/srv/a/ZAM_DADOS/";
    QTest::newRow("typed, a registered folder") << -1 << "/srv/b"
                                                << "/srv/b"
                                                << "\\\\SRV\\B\\ZAM_DADOS\\";
    QTest::newRow("typed, unknown") << -1 << "/srv/c"
                                    << "/srv/c"
                                    << "/srv/c/ZAM_DADOS/";
    QTest::newRow("line beyond the last: the text") << 2 << "/srv/c"
                                                    << "/srv/c"
                                                    << "/srv/c/ZAM_DADOS/";
}

void TestRegistroPastas::hostPara()
{
    QFETCH(int, linha);
    QFETCH(QString, texto);
    QFETCH(QString, compartilhamento);
    QFETCH(QString, caminho);
    escreverArquivo(hosts(), "/srv/a=/srv/a/ZAM_DADOS/\r\n/srv/b=\\\\SRV\\B\\ZAM_DADOS\\\r\n");
    TRegistroPastas registro(programa());
    registro.carregarHosts();
    registro.ordenarLinhas();
    QCOMPARE(registro.hostsDasLinhas().size(), std::size_t(2));
    QCOMPARE(registro.hostsDasLinhas()[0]->compartilhamento(), QString("/srv/b"));

    const TZamDadosHostPtr host = registro.hostPara(linha, texto);
    QCOMPARE(host->compartilhamento(), compartilhamento);
    QCOMPARE(host->path(), caminho);
}

// The entry made for a folder that is no line stays the same object while the text does
// (its catalogue's records keep pointing at it), and one described by the user is used
// for its text.
void TestRegistroPastas::avulsoMantidoEnquantoOTextoFica()
{
    TRegistroPastas registro(programa());
    const TZamDadosHostPtr primeiro = registro.hostPara(-1, "/srv/x");
    QCOMPARE(registro.hostPara(-1, "/srv/x"), primeiro);
    const TZamDadosHostPtr outro = registro.hostPara(-1, "/srv/y");
    QVERIFY(outro != primeiro);

    auto descrito = std::make_shared<TZamDadosHost>();
    descrito->Setcompartilhamento("/srv/z");
    descrito->setPath("/servidor/z/ZAM_DADOS/");
    registro.definirAvulso(descrito);
    QCOMPARE(registro.hostPara(-1, "/srv/z"), descrito);
}

// A list that could not be read at start-up (missing then) and was written since by
// someone else is read again before the new folder is added: nothing of it is lost.
void TestRegistroPastas::registrarReleListaQueFaltava()
{
    TRegistroPastas registro(programa());
    QVERIFY_THROWS_EXCEPTION(EZamErro, registro.carregarHosts());
    QVERIFY(!registro.FHosts);
    escreverArquivo(hosts(), "/srv/a=/srv/a/ZAM_DADOS/\r\n");

    auto novo = TZamDadosHost::avulso("/srv/novo");
    registro.registrar(novo);

    QCOMPARE(registro.hostsDasLinhas(), std::vector<TZamDadosHostPtr>{novo});
    QCOMPARE(registro.FHosts->items().keys(), QStringList({"/srv/a", "/srv/novo"}));
    QCOMPARE(lerArquivo(hosts()),
             QByteArray("/srv/novo=/srv/novo/ZAM_DADOS/\r\n/srv/a=/srv/a/ZAM_DADOS/\r\n"));
}

// A short list in a folder nobody may write: the rewrite fails, the list read stays.
void TestRegistroPastas::listaCurtaMantidaSemRegravar()
{
    escreverArquivo(hosts(), "/srv/a\r\n/srv/b\r\n");
    TPastaSomenteLeitura somenteLeitura(programa());
    QVERIFY(somenteLeitura.ativa());
    TRegistroPastas registro(programa());
    QVERIFY_THROWS_EXCEPTION(EZamErro, registro.carregarHosts());
    QVERIFY(registro.FHosts);
    registro.ordenarLinhas();
    QCOMPARE(registro.hostsDasLinhas().size(), std::size_t(2));
    QCOMPARE(lerArquivo(hosts()), QByteArray("/srv/a\r\n/srv/b\r\n"));
}

// A folder without a catalogue is scanned (with zamcon.ini's port) and the catalogue
// written; a folder with one is shown from it until it is refreshed.
void TestRegistroPastas::catalogoVarridoSoSemArquivo()
{
    escreverArquivo(programa() + "/zamcon.ini", "[SERVIDOR]\r\nPORTA=3057\r\n");
    criarBase("pasta", "ALFA");
    TRegistroPastas registro(programa());
    QCOMPARE(registro.atualizarBases(), false);
    const TZamDadosHostPtr host = registro.hostPara(-1, dados("pasta"));

    registro.carregarCatalogo(host);
    QCOMPARE(registro.FZamDadosList->items().keys(), QStringList{"ALFA"});
    QCOMPARE(registro.FZamDadosList->items().value("ALFA")->Getporta(), quint32(3057));
    QVERIFY(QFile::exists(dados("pasta") + "/ZamDados.csv"));

    criarBase("pasta", "BETA");
    registro.carregarCatalogo(host);
    QCOMPARE(registro.registros().size(), std::size_t(1));
    QVERIFY(registro.atualizarBases());
    QCOMPARE(registro.FZamDadosList->items().keys(), QStringList({"ALFA", "BETA"}));
}

void TestRegistroPastas::pastaRenomeada_data()
{
    QTest::addColumn<QString>("nomeNovo");
    QTest::addColumn<bool>("outraPasta");
    // The names in the catalogue afterwards, and the port of the new name's record.
    QTest::addColumn<QStringList>("nomes");
    QTest::addColumn<quint32>("porta");

    QTest::newRow("renamed") << "CLIENTE-SP" << false << QStringList({"CLIENTE", "CLIENTE-SP"})
                             << quint32(3071);
    QTest::newRow("not renamed") << QString() << false << QStringList({"CLIENTE"}) << quint32(0);
    QTest::newRow("name already catalogued")
        << "CLIENTE" << false << QStringList({"CLIENTE"}) << quint32(3071);
    QTest::newRow("another folder's catalogue shown")
        << "CLIENTE-SP" << true << QStringList({"CLIENTE"}) << quint32(0);
}

// The catalogue shown learns the new name with the database's port, date and size; the old
// record stays until the refresh, which finds the folder gone.
void TestRegistroPastas::pastaRenomeada()
{
    QFETCH(QString, nomeNovo);
    QFETCH(bool, outraPasta);
    QFETCH(QStringList, nomes);
    QFETCH(quint32, porta);
    criarBase("pasta", "CLIENTE");
    TRegistroPastas registro(programa());
    const TZamDadosHostPtr host = registro.hostPara(-1, dados("pasta"));
    registro.carregarCatalogo(host);
    const TZamDadosItemPtr cliente = registro.FZamDadosList->items().value("CLIENTE");
    cliente->Setporta(3071);
    cliente->Settamanho(123456);
    cliente->Setdatahora(45000.5);
    if (outraPasta) {
        criarBase("outra", "OUTRA");
        registro.carregarCatalogo(registro.hostPara(-1, dados("outra")));
    }

    registro.pastaRenomeada(cliente,
                            nomeNovo.isNull() ? std::nullopt : std::optional<QString>(nomeNovo));

    const TZamDadosList &catalogo = *registro.FZamDadosList;
    if (outraPasta) {
        QCOMPARE(catalogo.items().keys(), QStringList{"OUTRA"});
        return;
    }
    QCOMPARE(catalogo.items().keys(), nomes);
    QCOMPARE(catalogo.items().value("CLIENTE"), cliente);
    if (porta == 0)
        return;
    const TZamDadosItemPtr novo = catalogo.items().value(nomeNovo);
    QCOMPARE(novo->Getporta(), porta);
    QCOMPARE(novo->Gettamanho(), TTamanho(123456));
    QCOMPARE(novo->Getdatahora(), 45000.5);
    QCOMPARE(novo->host(), host);
}

QTEST_GUILESS_MAIN(TestRegistroPastas)
#include "tst_registroPastas.moc"
