#include "catalog/uTZamDadosList.h"
#include "platform/erros.h"
#include "support/arquivosTeste.h"

#include <QDir>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

TZamDadosHostPtr criarHost(const QString &compartilhamento, const QString &caminho)
{
    auto host = std::make_shared<TZamDadosHost>();
    host->Setcompartilhamento(compartilhamento);
    host->setPath(caminho);
    return host;
}

QString erroDe(const std::function<void()> &acao)
{
    try {
        acao();
    } catch (const EZamErro &e) {
        return e.mensagem();
    }
    return QString();
}

} // namespace

class TestCatalog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void registro_data();
    void registro();
    void registroSemNome();
    void registroNaoSegueHostDepoisDeNomeado();

    void ordemDosHosts();
    void hostsFormaCurtaReescrita();
    void hostsFormaCurtaEmUtf16();
    void hostsFormaCurtaSemPoderRegravar();
    void hostsPrimeiraLinhaCompletaNaoReescreve();
    void hostsCaminhoVazioUsaPadrao();
    void hostsSemCompartilhamento_data();
    void hostsSemCompartilhamento();
    void hostsNovoSemCompartilhamento_data();
    void hostsNovoSemCompartilhamento();
    void hostsNovoGravado();
    void hostsDuplicados();
    void hostsDiferentesSoNaCaixa();
    void hostsArquivoVazio();
    void hostsArquivoInexistente();

    void dividirCampos_data();
    void dividirCampos();
    void carregarLinha_data();
    void carregarLinha();
    void carregarFalhas_data();
    void carregarFalhas();
    void dataForaDaOrdem();
    void semArquivoCatalogoVazio();
    void catalogoQueNaoEArquivo_data();
    void catalogoQueNaoEArquivo();
    void gravarLinhas_data();
    void gravarLinhas();
    void idaEVoltaIndependeDaLocalidade();
    void gravarEmPastaSomenteLeitura();

private:
    QString arquivo(const QString &nome) const { return FPasta->filePath(nome); }
    TZamDadosHostPtr hostDaPasta() const
    {
        return criarHost(FPasta->path(), FPasta->path() + "/ZAM_DADOS/");
    }
    TZamDadosList carregarCatalogo(const QByteArray &conteudo) const
    {
        escreverArquivo(arquivo("ZamDados.csv"), conteudo);
        return TZamDadosList(hostDaPasta());
    }

    std::unique_ptr<QTemporaryDir> FPasta;
};

void TestCatalog::init()
{
    FPasta = std::make_unique<QTemporaryDir>();
    QVERIFY(FPasta->isValid());
}

// ---- records ----

void TestCatalog::registro_data()
{
    QTest::addColumn<QString>("compartilhamento");
    QTest::addColumn<QString>("caminhoHost");
    QTest::addColumn<QString>("nome");
    QTest::addColumn<uint>("porta");
    QTest::addColumn<QString>("nomeHost");
    QTest::addColumn<QString>("compartilhamentoItem");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("stringConnection");

    QTest::newRow("local windows")
        << "c:\\Tessaron\\ZAM_7"
        << "c:\\Tessaron\\ZAM_7\\ZAM_DADOS\\"
        << "CLIENTE" << 3050u << "localhost"
        << "c:\\Tessaron\\ZAM_7\\ZAM_DADOS\\CLIENTE"
        << "c:\\Tessaron\\ZAM_7\\ZAM_DADOS\\CLIENTE\\ZAM.FDB"
        << "localhost/3050:c:\\Tessaron\\ZAM_7\\ZAM_DADOS\\CLIENTE\\ZAM.FDB";
    QTest::newRow("network share, linux server")
        << "\\\\srv1\\dados"
        << "/home/usuario/opt/tessaron/zam_7/zam_dados/"
        << "CLIENTE" << 3055u << "srv1"
        << "\\\\srv1\\dados\\ZAM_DADOS\\CLIENTE"
        << "/home/usuario/opt/tessaron/zam_7/zam_dados/CLIENTE/ZAM.FDB"
        << "srv1/3055:/home/usuario/opt/tessaron/zam_7/zam_dados/CLIENTE/ZAM.FDB";
    QTest::newRow("posix share") << "/srv/zam7"
                                 << "/srv/zam7/ZAM_DADOS/"
                                 << "CLIENTE" << 3050u << "localhost"
                                 << "/srv/zam7/ZAM_DADOS/CLIENTE"
                                 << "/srv/zam7/ZAM_DADOS/CLIENTE/ZAM.FDB"
                                 << "localhost/3050:/srv/zam7/ZAM_DADOS/CLIENTE/ZAM.FDB";
    QTest::newRow("network share named localhost is local")
        << "\\\\LocalHost\\dados"
        << "d:\\zam\\ZAM_DADOS\\"
        << "X" << 3050u << "LocalHost"
        << "d:\\zam\\ZAM_DADOS\\X"
        << "d:\\zam\\ZAM_DADOS\\X\\ZAM.FDB"
        << "LocalHost/3050:d:\\zam\\ZAM_DADOS\\X\\ZAM.FDB";
    QTest::newRow("server name without further backslash") << "\\\\srv2"
                                                           << "/z/"
                                                           << "X" << 3050u << "srv2"
                                                           << "\\\\srv2\\ZAM_DADOS\\X"
                                                           << "/z/X/ZAM.FDB"
                                                           << "srv2/3050:/z/X/ZAM.FDB";
    QTest::newRow("blank ends the server name") << "\\\\srv3 b\\d"
                                                << "/z/"
                                                << "X" << 3050u << "srv3"
                                                << "\\\\srv3 b\\d\\ZAM_DADOS\\X"
                                                << "/z/X/ZAM.FDB"
                                                << "srv3/3050:/z/X/ZAM.FDB";
    QTest::newRow("nothing after the two backslashes") << "\\\\"
                                                       << "/z/"
                                                       << "X" << 3050u << ""
                                                       << "\\\\\\ZAM_DADOS\\X"
                                                       << "/z/X/ZAM.FDB"
                                                       << "/3050:/z/X/ZAM.FDB";
    QTest::newRow("single backslash is local") << "\\dados"
                                               << "e:\\d\\"
                                               << "X" << 3050u << "localhost"
                                               << "e:\\d\\X"
                                               << "e:\\d\\X\\ZAM.FDB"
                                               << "localhost/3050:e:\\d\\X\\ZAM.FDB";
    QTest::newRow("host path without separator glues the name")
        << "c:\\z"
        << "c:\\z\\ZAM_DADOS"
        << "CLI" << 3050u << "localhost"
        << "c:\\z\\ZAM_DADOSCLI"
        << "c:\\z\\ZAM_DADOSCLI\\ZAM.FDB"
        << "localhost/3050:c:\\z\\ZAM_DADOSCLI\\ZAM.FDB";
    QTest::newRow("port above the signed range stays unsigned")
        << "c:\\z"
        << "c:\\z\\"
        << "A" << 4294967295u << "localhost"
        << "c:\\z\\A"
        << "c:\\z\\A\\ZAM.FDB"
        << "localhost/4294967295:c:\\z\\A\\ZAM.FDB";
}

void TestCatalog::registro()
{
    QFETCH(QString, compartilhamento);
    QFETCH(QString, caminhoHost);
    QFETCH(QString, nome);
    QFETCH(uint, porta);

    const auto host = criarHost(compartilhamento, caminhoHost);
    TZamDadosItem item(host);
    item.Setnome(nome);
    item.Setporta(porta);

    QTEST(host->nome(), "nomeHost");
    QTEST(item.compartilhamento(), "compartilhamentoItem");
    QTEST(item.Getpath(), "path");
    QTEST(item.GetstringConnection(), "stringConnection");
}

void TestCatalog::registroSemNome()
{
    auto host = std::make_shared<TZamDadosHost>();
    host->Setcompartilhamento("c:\\dados");
    QCOMPARE(host->path(), TZamDadosHost::caminhoPadrao);
    TZamDadosItem item(host);
    QCOMPARE(item.Getpath(), QString());
    QCOMPARE(item.GetstringConnection(), QString("localhost/0:"));
}

void TestCatalog::registroNaoSegueHostDepoisDeNomeado()
{
    const auto host = criarHost("c:\\z", "c:\\z\\ZAM_DADOS\\");
    TZamDadosItem item(host);
    item.Setnome("A");
    item.Setporta(3050);
    host->setPath("/outro/");
    item.Setporta(3051);
    QCOMPARE(item.GetstringConnection(), QString("localhost/3051:c:\\z\\ZAM_DADOS\\A\\ZAM.FDB"));
}

// ---- data-folder list ----

void TestCatalog::ordemDosHosts()
{
    escreverArquivo(arquivo("hosts.txt"),
                    "\\\\srv1\\dados=/a/\r\nc:\\Tessaron\\ZAM_7=c:\\b\\\r\nd:\\dados=d:\\c\\\r\n"
                    "\\\\SRV2\\x=/d/\r\n:\\\\:=/e/\r\n\\\\=/f/\r\n");
    TZamDadosHostList lista(arquivo("hosts.txt"));
    QStringList ordem;
    for (const auto &host : lista.ordenados())
        ordem.append(host->compartilhamento());
    // Letters come after the backslash; ":" and "\" alone sort by their codes too.
    QCOMPARE(ordem, QStringList({"d:\\dados", "c:\\Tessaron\\ZAM_7", "\\\\SRV2\\x",
                                 "\\\\srv1\\dados", "\\\\", ":\\\\:"}));
}

void TestCatalog::hostsFormaCurtaReescrita()
{
    const QString nome = arquivo("hosts.txt");
    escreverArquivo(nome, "\\\\srv1\\dados\nc:\\Tessaron\\ZAM_7\r\nd:\\A\xe7\xe3o\r\n");
    TZamDadosHostList lista(nome);
    QCOMPARE(lista.items().size(), 3);
    QCOMPARE(lista.items().value("\\\\srv1\\dados")->path(), TZamDadosHost::caminhoPadrao);
    QCOMPARE(lerArquivo(nome), QByteArray("d:\\A\xe7\xe3o=c:\\Tessaron\\ZAM_7\\ZAM_DADOS\\\r\n"
                                          "c:\\Tessaron\\ZAM_7=c:\\Tessaron\\ZAM_7\\ZAM_DADOS\\\r\n"
                                          "\\\\srv1\\dados=c:\\Tessaron\\ZAM_7\\ZAM_DADOS\\\r\n"));
}

void TestCatalog::hostsFormaCurtaEmUtf16()
{
    const QString nome = arquivo("hosts.txt");
    escreverArquivo(nome, QByteArray("\xFF\xFE"
                                     "d\0:\0\\\0\xE7\0\r\0\n\0",
                                     14));
    TZamDadosHostList lista(nome);
    QCOMPARE(lerArquivo(nome), QByteArray("d:\\\xe7=c:\\Tessaron\\ZAM_7\\ZAM_DADOS\\\r\n"));
}

void TestCatalog::hostsFormaCurtaSemPoderRegravar()
{
    const QString pasta = arquivo("programa");
    QVERIFY(QDir().mkpath(pasta));
    const QString nome = pasta + "/hosts.txt";
    const QByteArray curta("\\\\srv1\\dados\r\nc:\\b\r\n");
    escreverArquivo(nome, curta);
    TPastaSomenteLeitura somenteLeitura(pasta);
    if (!somenteLeitura.ativa())
        return;

    const auto lista = TZamDadosHostList::semRegravar(nome);
    QCOMPARE(lerArquivo(nome), curta);
    const QString erro =
        QString("Cannot create file \"%1\". %2").arg(nome, somenteLeitura.motivo());
    QCOMPARE(erroDe([&] { lista->regravarFormaCurta(); }), erro);
    QCOMPARE(lista->items().keys(), QStringList({"\\\\srv1\\dados", "c:\\b"}));
    QCOMPARE(lista->items().value("c:\\b")->path(), TZamDadosHost::caminhoPadrao);
    QCOMPARE(lerArquivo(nome), curta);
    // Reading with the rewrite still fails as a whole.
    QCOMPARE(erroDe([&] { TZamDadosHostList outra(nome); }), erro);
}

void TestCatalog::hostsPrimeiraLinhaCompletaNaoReescreve()
{
    const QString nome = arquivo("hosts.txt");
    const QByteArray conteudo("\\\\srv1\\dados=/srv/zam/\nc:\\b\n");
    escreverArquivo(nome, conteudo);
    TZamDadosHostList lista(nome);
    QCOMPARE(lista.items().value("\\\\srv1\\dados")->path(), QString("/srv/zam/"));
    QCOMPARE(lista.items().value("\\\\srv1\\dados")->nome(), QString("srv1"));
    QCOMPARE(lista.items().value("c:\\b")->path(), TZamDadosHost::caminhoPadrao);
    QCOMPARE(lerArquivo(nome), conteudo);
}

void TestCatalog::hostsCaminhoVazioUsaPadrao()
{
    const QString nome = arquivo("hosts.txt");
    escreverArquivo(nome, "c:\\b=\r\nd:\\x=a=b\r\n");
    TZamDadosHostList lista(nome);
    QCOMPARE(lista.items().value("d:\\x")->path(), QString("a=b"));
    lista.save();
    QCOMPARE(lerArquivo(nome),
             QByteArray("d:\\x=a=b\r\nc:\\b=c:\\Tessaron\\ZAM_7\\ZAM_DADOS\\\r\n"));
}

void TestCatalog::hostsSemCompartilhamento_data()
{
    QTest::addColumn<QByteArray>("conteudo");
    QTest::addColumn<QStringList>("compartilhamentos");
    // The file after loading and saving twice; empty when it stays as it was.
    QTest::addColumn<QByteArray>("gravado");

    const QByteArray padrao = "=c:\\Tessaron\\ZAM_7\\ZAM_DADOS\\";
    QTest::newRow("blank last line") << QByteArray("c:\\b=c:\\b\\\r\n\r\n") << QStringList{"c:\\b"}
                                     << QByteArray("c:\\b=c:\\b\\\r\n");
    QTest::newRow("blank and blank-only lines")
        << QByteArray("c:\\b=c:\\b\\\r\n\r\n  \r\n\t\r\n\r\nd:\\x=/x/\r\n")
        << QStringList{"c:\\b", "d:\\x"} << QByteArray("d:\\x=/x/\r\nc:\\b=c:\\b\\\r\n");
    QTest::newRow("blank first line, short form")
        << QByteArray("\r\nd:\\x\r\n") << QStringList{"d:\\x"} << ("d:\\x" + padrao + "\r\n");
    // What an earlier save made of a blank line.
    QTest::newRow("line without a share")
        << ("c:\\b=c:\\b\\\r\n" + padrao + "\r\n \t" + padrao + "\r\n") << QStringList{"c:\\b"}
        << QByteArray("c:\\b=c:\\b\\\r\n");
    QTest::newRow("only blank lines") << QByteArray("\r\n \r\n") << QStringList() << QByteArray();
}

void TestCatalog::hostsSemCompartilhamento()
{
    QFETCH(QByteArray, conteudo);
    QFETCH(QStringList, compartilhamentos);
    QFETCH(QByteArray, gravado);
    const QString nome = arquivo("hosts.txt");
    escreverArquivo(nome, conteudo);
    for (int vez = 0; vez < 2; ++vez) {
        TZamDadosHostList lista(nome);
        QCOMPARE(lista.items().keys(), compartilhamentos);
        lista.save();
    }
    QCOMPARE(lerArquivo(nome), gravado);
}

void TestCatalog::hostsNovoSemCompartilhamento_data()
{
    QTest::addColumn<QString>("compartilhamento");
    QTest::newRow("empty") << "";
    QTest::newRow("blanks") << " \t ";
}

void TestCatalog::hostsNovoSemCompartilhamento()
{
    QFETCH(QString, compartilhamento);
    const QString nome = arquivo("hosts.txt");
    const QByteArray antes("c:\\b=c:\\b\\\r\n");
    escreverArquivo(nome, antes);
    TZamDadosHostList lista(nome);

    const auto host = criarHost(compartilhamento, "/srv/zam/ZAM_DADOS/");
    QCOMPARE(erroDe([&] { lista.adicionar(host); }),
             QString(u"A pasta de dados precisa de um compartilhamento: o caminho não pode "
                     u"ficar em branco"_qs));
    QCOMPARE(lista.items().keys(), QStringList{"c:\\b"});
    QCOMPARE(lerArquivo(nome), antes);

    // Nor is one that got into the list some other way ever written.
    lista.items().insert(compartilhamento, host);
    lista.save();
    QCOMPARE(lerArquivo(nome), antes);
}

void TestCatalog::hostsNovoGravado()
{
    const QString nome = arquivo("hosts.txt");
    escreverArquivo(nome, "c:\\b=c:\\b\\\r\n");
    TZamDadosHostList lista(nome);
    lista.adicionar(criarHost("\\\\srv\\d", "/d/"));
    QCOMPARE(lerArquivo(nome), QByteArray("c:\\b=c:\\b\\\r\n\\\\srv\\d=/d/\r\n"));
    QCOMPARE(erroDe([&] { lista.adicionar(criarHost("\\\\srv\\d", "/e/")); }),
             QString("Duplicates not allowed"));
    QCOMPARE(lista.items().value("\\\\srv\\d")->path(), QString("/d/"));
}

void TestCatalog::hostsDuplicados()
{
    const QString nome = arquivo("hosts.txt");
    escreverArquivo(nome, "c:\\b=x\\\r\nc:\\b=y\\\r\n");
    QCOMPARE(erroDe([&] { TZamDadosHostList lista(nome); }), QString("Duplicates not allowed"));
}

void TestCatalog::hostsDiferentesSoNaCaixa()
{
    const QString nome = arquivo("hosts.txt");
    escreverArquivo(nome, "c:\\Dados=c:\\1\\\r\nd:\\z=d:\\z\\\r\nC:\\dados=c:\\2\\\r\n");
    TZamDadosHostList lista(nome);
    QCOMPARE(lista.items().size(), 3);
    lista.save();
    const QStringList linhas = QString::fromLatin1(lerArquivo(nome)).split("\r\n");
    QCOMPARE(linhas.size(), 3); // two lines and the empty text after the last CR LF
    QCOMPARE(linhas.at(0), QString("d:\\z=d:\\z\\"));
    QVERIFY2(linhas.at(1) == "c:\\Dados=c:\\1\\" || linhas.at(1) == "C:\\dados=c:\\2\\",
             qPrintable(linhas.at(1)));
}

void TestCatalog::hostsArquivoVazio()
{
    const QString nome = arquivo("hosts.txt");
    escreverArquivo(nome, QByteArray());
    TZamDadosHostList lista(nome);
    QVERIFY(lista.items().isEmpty());
    QCOMPARE(lerArquivo(nome), QByteArray());
}

void TestCatalog::hostsArquivoInexistente()
{
    const QString nome = arquivo("nao.txt");
    QCOMPARE(erroDe([&] { TZamDadosHostList lista(nome); }),
             QString("Cannot open file \"%1\". No such file or directory").arg(nome));
}

// ---- catalogue file ----

void TestCatalog::dividirCampos_data()
{
    QTest::addColumn<QString>("linha");
    QTest::addColumn<QStringList>("campos");

    QTest::newRow("plain") << "A,B,C,D" << QStringList{"A", "B", "C", "D"};
    QTest::newRow("quoted with comma and blank")
        << "\"A, B\",\"05/12/2017 14:30\"" << QStringList{"A, B", "05/12/2017 14:30"};
    QTest::newRow("doubled quotes") << "\"x\"\"y\"\"\",z" << QStringList{"x\"y\"", "z"};
    QTest::newRow("blanks around fields") << "  A ,  B\t, C" << QStringList{"A", "B", "C"};
    QTest::newRow("unquoted blank separates")
        << "MEU CLIENTE,x" << QStringList{"MEU", "CLIENTE", "x"};
    QTest::newRow("empty fields") << "A,,C" << QStringList{"A", "", "C"};
    QTest::newRow("trailing comma") << "A,B," << QStringList{"A", "B", ""};
    QTest::newRow("trailing comma then blank") << "A, " << QStringList{"A"};
    QTest::newRow("text after closing quote") << "\"ab\"cd,e" << QStringList{"ab", "cd", "e"};
    QTest::newRow("unterminated quote") << "\"ab,c" << QStringList{"ab,c"};
    QTest::newRow("empty line") << "" << QStringList();
    QTest::newRow("blanks only") << "   " << QStringList();
    QTest::newRow("leading comma") << ",A" << QStringList{"", "A"};
}

void TestCatalog::dividirCampos()
{
    QFETCH(QString, linha);
    QTEST(TZamDadosList::dividirCampos(linha), "campos");
}

void TestCatalog::carregarLinha_data()
{
    QTest::addColumn<QByteArray>("linha");
    QTest::addColumn<QString>("nome");
    QTest::addColumn<QString>("datahora");
    QTest::addColumn<qint64>("tamanho");
    QTest::addColumn<uint>("porta");

    QTest::newRow("as written") << QByteArray("CLIENTE,\"05/12/2017 14:30\",512,3050") << "CLIENTE"
                                << "05/12/2017 14:30" << 5120000LL << 3050u;
    QTest::newRow("fraction") << QByteArray("A,\"01/02/2020 00:05\",\"12,5\",3055") << "A"
                              << "01/02/2020 00:05" << 125000LL << 3055u;
    QTest::newRow("thousands points") << QByteArray("A,\"01/02/2020 00:05\",1.572.864,1") << "A"
                                      << "01/02/2020 00:05" << 15728640000LL << 1u;
    QTest::newRow("size rounded to four decimals")
        << QByteArray("A,\"01/02/2020 23:59:59\",\" -0,00015 \",1") << "A"
        << "01/02/2020 23:59" << -2LL << 1u;
    QTest::newRow("size not a number") << QByteArray("A,\"01/02/2020 10:00\",abc,1") << "A"
                                       << "01/02/2020 10:00" << 0LL << 1u;
    QTest::newRow("size empty") << QByteArray("A,\"01/02/2020 10:00\",,1") << "A"
                                << "01/02/2020 10:00" << 0LL << 1u;
    QTest::newRow("date without time") << QByteArray("A,01/02/2020,1,1") << "A"
                                       << "01/02/2020 00:00" << 10000LL << 1u;
    QTest::newRow("port empty at end") << QByteArray("A,\"01/02/2020 10:00\",1,") << "A"
                                       << "01/02/2020 10:00" << 10000LL << 3050u;
    QTest::newRow("port not a number") << QByteArray("A,\"01/02/2020 10:00\",1,x1") << "A"
                                       << "01/02/2020 10:00" << 10000LL << 3050u;
    QTest::newRow("port beyond signed range")
        << QByteArray("A,\"01/02/2020 10:00\",1,2147483648") << "A"
        << "01/02/2020 10:00" << 10000LL << 3050u;
    QTest::newRow("negative port") << QByteArray("A,\"01/02/2020 10:00\",1,-1") << "A"
                                   << "01/02/2020 10:00" << 10000LL << 4294967295u;
    QTest::newRow("quoted name with comma")
        << QByteArray("\"Jo\xe3o, \"\"S/A\"\"\",\"01/02/2020 10:00\",1,7") << u"João, \"S/A\""_qs
        << "01/02/2020 10:00" << 10000LL << 7u;
    QTest::newRow("more than four fields") << QByteArray("A,\"01/02/2020 10:00\",1,2,3,4") << "A"
                                           << "01/02/2020 10:00" << 10000LL << 2u;
}

void TestCatalog::carregarLinha()
{
    QFETCH(QByteArray, linha);
    QFETCH(QString, nome);
    const TZamDadosList catalogo = carregarCatalogo(linha + "\r\n");
    QCOMPARE(catalogo.items().size(), 1);
    const TZamDadosItemPtr item = catalogo.items().value(nome);
    QVERIFY(item);
    QTEST(formatarDataHoraCatalogo(item->Getdatahora()), "datahora");
    QTEST(item->Gettamanho(), "tamanho");
    QTEST(uint(item->Getporta()), "porta");
    QCOMPARE(item->compartilhamento(), FPasta->path() + "/ZAM_DADOS/" + nome);
}

void TestCatalog::carregarFalhas_data()
{
    QTest::addColumn<QByteArray>("conteudo");
    QTest::addColumn<QString>("erro");

    QTest::newRow("three fields") << QByteArray("A,\"01/02/2020 10:00\",1\r\n")
                                  << "List index out of bounds (3)";
    QTest::newRow("one field") << QByteArray("A\r\n") << "List index out of bounds (1)";
    QTest::newRow("empty last line")
        << QByteArray("A,\"01/02/2020 10:00\",1,2\r\n\r\n") << "List index out of bounds (0)";
    QTest::newRow("name twice") << QByteArray("A,x,1,2\r\nA,y,3,4\r\n") << "Duplicates not allowed";
    QTest::newRow("name split by unquoted blank")
        << QByteArray("MEU CLIENTE,\"01/02/2020 10:00\",1\r\n") << "";
}

void TestCatalog::carregarFalhas()
{
    QFETCH(QByteArray, conteudo);
    QFETCH(QString, erro);
    QCOMPARE(erroDe([&] { carregarCatalogo(conteudo); }), erro);
}

void TestCatalog::dataForaDaOrdem()
{
    const QDateTime antes = QDateTime::currentDateTime().addSecs(-1);
    const TZamDadosList catalogo = carregarCatalogo("A,\"12/25/2017 10:00\",1,2\r\n"
                                                    "B,\"MEU\",1,2\r\n");
    for (const auto &item : catalogo.items()) {
        const QDateTime lida = deDataHora(item->Getdatahora());
        QVERIFY2(lida >= antes && lida <= QDateTime::currentDateTime().addSecs(1),
                 qPrintable(lida.toString(Qt::ISODate)));
    }
    QCOMPARE(catalogo.items().size(), 2);
}

void TestCatalog::semArquivoCatalogoVazio()
{
    const TZamDadosList catalogo(hostDaPasta());
    QVERIFY(catalogo.items().isEmpty());
    QCOMPARE(catalogo.fileName(), FPasta->path() + "/ZamDados.csv");
    QVERIFY(!QFile::exists(catalogo.fileName()));
    QVERIFY(carregarCatalogo(QByteArray()).items().isEmpty());
}

void TestCatalog::catalogoQueNaoEArquivo_data()
{
    QTest::addColumn<bool>("pasta");
    QTest::addColumn<QString>("erro");
    QTest::newRow("folder") << true
                            << u"O catálogo \"%1\" é uma pasta, não um arquivo: não dá para ler "
                               u"as bases desta pasta de dados"_qs;
    QTest::newRow("fifo") << false
                          << u"O catálogo \"%1\" não é um arquivo comum: não dá para ler as "
                             u"bases desta pasta de dados"_qs;
}

void TestCatalog::catalogoQueNaoEArquivo()
{
    QFETCH(bool, pasta);
    QFETCH(QString, erro);
    const QString nome = arquivo("ZamDados.csv");
    if (pasta)
        QVERIFY(QDir().mkpath(nome + "/dentro"));
    else
        QCOMPARE(::mkfifo(QFile::encodeName(nome).constData(), 0644), 0);
    QCOMPARE(erroDe([&] { TZamDadosList catalogo(hostDaPasta()); }), erro.arg(nome));
}

void TestCatalog::gravarLinhas_data()
{
    QTest::addColumn<QString>("nome");
    QTest::addColumn<QDateTime>("datahora");
    QTest::addColumn<qint64>("tamanho");
    QTest::addColumn<uint>("porta");
    QTest::addColumn<QByteArray>("linha");

    QTest::newRow("example") << "CLIENTE" << QDateTime(QDate(2017, 12, 5), QTime(14, 30))
                             << 5120000LL << 3050u
                             << QByteArray("CLIENTE,\"05/12/2017 14:30\",512,3050\r\n");
    QTest::newRow("fraction quoted, seconds cut")
        << "A" << QDateTime(QDate(2020, 2, 1), QTime(9, 5, 59)) << 125000LL << 3055u
        << QByteArray("A,\"01/02/2020 09:05\",\"12,5\",3055\r\n");
    QTest::newRow("zero, four decimals, high port")
        << "B" << QDateTime(QDate(1999, 1, 2), QTime(0, 0)) << 1LL << 4294967295u
        << QByteArray("B,\"02/01/1999 00:00\",\"0,0001\",4294967295\r\n");
    QTest::newRow("zero size, name with blank and quote")
        << u"São \"X\""_qs << QDateTime(QDate(2021, 3, 4), QTime(5, 6)) << 0LL << 1u
        << QByteArray("\"S\xe3o \"\"X\"\"\",\"04/03/2021 05:06\",0,1\r\n");
}

void TestCatalog::gravarLinhas()
{
    QFETCH(QString, nome);
    QFETCH(QDateTime, datahora);
    QFETCH(qint64, tamanho);
    QFETCH(uint, porta);

    TZamDadosList catalogo(hostDaPasta());
    auto item = std::make_shared<TZamDadosItem>(hostDaPasta());
    item->Setnome(nome);
    item->Setdatahora(paraDataHora(datahora));
    item->Settamanho(tamanho);
    item->Setporta(porta);
    catalogo.items().insert(nome, item);
    catalogo.save();
    QTEST(lerArquivo(catalogo.fileName()), "linha");
}

void TestCatalog::idaEVoltaIndependeDaLocalidade()
{
    // What another machine wrote must read back the same, whatever this machine's settings.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QByteArray conteudo("\"MEU, CLIENTE\",\"31/12/2019 23:59\",\"1234,5678\",3050\r\n"
                              "Z,\"01/01/2000 00:00\",0,2147483648\r\n");
    TZamDadosList catalogo = carregarCatalogo(conteudo);
    catalogo.items().value("Z")->Setporta(2147483648u);
    catalogo.save();
    QCOMPARE(lerArquivo(catalogo.fileName()), conteudo);
    QLocale::setDefault(QLocale::system());
}

void TestCatalog::gravarEmPastaSomenteLeitura()
{
    const QByteArray antigo("A,\"01/02/2020 10:00\",1,2\r\n");
    TZamDadosList catalogo = carregarCatalogo(antigo);
    catalogo.items().value("A")->Setporta(9);

    TPastaSomenteLeitura somenteLeitura(FPasta->path());
    if (!somenteLeitura.ativa())
        return;
    QCOMPARE(
        erroDe([&] { catalogo.save(); }),
        QString("Cannot create file \"%1\". %2").arg(catalogo.fileName(), somenteLeitura.motivo()));
    QCOMPARE(lerArquivo(catalogo.fileName()), antigo);
    QCOMPARE(catalogo.items().value("A")->Getporta(), 9u);
}

QTEST_GUILESS_MAIN(TestCatalog)
#include "tst_catalog.moc"
