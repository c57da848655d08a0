#include "platform/arquivoTexto.h"
#include "platform/caminhos.h"
#include "platform/erros.h"
#include "platform/ini.h"
#include "platform/textoAsc.h"
#include "support/arquivosTeste.h"

#include <QDir>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <optional>
#include <unistd.h>

class TestPlatform : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lerLinhas_data();
    void lerLinhas();
    void gravarLinhas_data();
    void gravarLinhas();
    void comecoComoBom_data();
    void comecoComoBom();
    void codificacaoMantida_data();
    void codificacaoMantida();
    void arquivoInexistente();
    void gravarSemPasta();
    void gravarEmPastaSomenteLeituraPreservaArquivo();
    void discoCheioMantemArquivo_data();
    void discoCheioMantemArquivo();
    void juntar_data();
    void juntar();
    void caminhoLocal_data();
    void caminhoLocal();
    void caminhoLocalSemMapeamento();
    void caminhoLocalNaoSobe_data();
    void caminhoLocalNaoSobe();
    void nomePasta_data();
    void nomePasta();
    void pastaDeConfiguracao_data();
    void pastaDeConfiguracao();
    void caixaAZ_data();
    void caixaAZ();

private:
    QTemporaryDir FPasta;
};

void TestPlatform::lerLinhas_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("linhas");

    const QStringList ab{"a", "b"};
    QTest::newRow("empty file") << QByteArray() << QStringList();
    QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << ab;
    QTest::newRow("lf") << QByteArray("a\nb\n") << ab;
    QTest::newRow("cr") << QByteArray("a\rb\r") << ab;
    QTest::newRow("mixed, no final end") << QByteArray("a\r\nb") << ab;
    QTest::newRow("lf cr is two ends") << QByteArray("a\n\rb") << QStringList{"a", "", "b"};
    QTest::newRow("final empty line") << QByteArray("a\r\n\r\n") << QStringList{"a", ""};
    QTest::newRow("only a line end") << QByteArray("\r\n") << QStringList{""};
    QTest::newRow("windows-1252") << QByteArray("Jo\xe3o \x80\r\n") << QStringList{u"João €"_qs};
    QTest::newRow("utf-8 bom") << QByteArray("\xEF\xBB\xBFJo\xC3\xA3o\r\n")
                               << QStringList{u"João"_qs};
    QTest::newRow("utf-16le bom") << QByteArray("\xFF\xFEJ\0\xE3\0\n\0b\0", 10)
                                  << QStringList{u"Jã"_qs, "b"};
    QTest::newRow("utf-16be bom") << QByteArray("\xFE\xFF\0J\0\xE3\0\r\0\n", 10)
                                  << QStringList{u"Jã"_qs};
    // Only the first mark is the file's: a second one is the text's U+FEFF.
    const QStringList comMarca{u"\uFEFFa"_qs};
    QTest::newRow("utf-8, second mark") << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF"
                                                      "a")
                                        << comMarca;
    QTest::newRow("utf-16le, second mark") << QByteArray("\xFF\xFE\xFF\xFE"
                                                         "a\0",
                                                         6)
                                           << comMarca;
    QTest::newRow("utf-16be, second mark") << QByteArray("\xFE\xFF\xFE\xFF\0"
                                                         "a",
                                                         6)
                                           << comMarca;
}

void TestPlatform::lerLinhas()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, linhas);
    const QString nome = FPasta.filePath("leitura.txt");
    escreverArquivo(nome, bytes);
    QCOMPARE(lerLinhasTexto(nome), linhas);
}

void TestPlatform::gravarLinhas_data()
{
    QTest::addColumn<QStringList>("linhas");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("none") << QStringList() << QByteArray();
    QTest::newRow("crlf after each line")
        << QStringList{"a", "", "b"} << QByteArray("a\r\n\r\nb\r\n");
    QTest::newRow("windows-1252, no bom")
        << QStringList{u"Conceição €"_qs} << QByteArray("Concei\xe7\xe3o \x80\r\n");
    // A name Windows-1252 cannot hold must not come back as "?".
    QTest::newRow("utf-8 with bom when needed") << QStringList{u"Łódź"_qs, "x"}
                                                << QByteArray("\xEF\xBB\xBF\xC5\x81\xC3\xB3"
                                                              "d\xC5\xBA\r\nx\r\n");
    QTest::newRow("text that begins with U+FEFF") << QStringList{u"\uFEFFa"_qs}
                                                  << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF"
                                                                "a\r\n");
}

void TestPlatform::gravarLinhas()
{
    QFETCH(QStringList, linhas);
    QFETCH(QByteArray, bytes);
    const QString nome = FPasta.filePath("gravacao.txt");
    gravarLinhasTexto(nome, linhas);
    QCOMPARE(lerArquivo(nome), bytes);
    QCOMPARE(lerLinhasTexto(nome), linhas);
}

void TestPlatform::comecoComoBom_data()
{
    QTest::addColumn<QStringList>("linhas");
    QTest::addColumn<bool>("emAnsi");

    QStringList pastas;
    for (int i = 0; i < 8; ++i)
        pastas.append(QString("d:\\dados%1=c:\\Tessaron\\ZAM_7\\ZAM_DADOS\\").arg(i));
    // The marks of UTF-16 and UTF-8 read as Windows-1252.
    QTest::newRow("utf-16le mark") << QStringList{u"ÿþCLIENTE,x,1,2"_qs, "B,y,3,4"} << false;
    QTest::newRow("utf-16be mark") << QStringList{u"þÿ"_qs} << false;
    QTest::newRow("utf-8 mark") << QStringList{u"ï»¿ABC"_qs, u"ação"_qs} << false;
    QTest::newRow("list of data folders")
        << (QStringList{u"þÿ\\\\srv\\dados=/srv/"_qs} + pastas) << false;
    // Only the whole mark counts: other texts stay in Windows-1252 for the other machines.
    QTest::newRow("half a utf-8 mark") << QStringList{u"ï»x"_qs} << true;
    QTest::newRow("marks in the wrong order") << QStringList{u"þï»¿"_qs} << true;
    QTest::newRow("mark after the first line") << QStringList{"a", u"ÿþ"_qs} << true;
}

void TestPlatform::comecoComoBom()
{
    QFETCH(QStringList, linhas);
    QFETCH(bool, emAnsi);
    const QString nome = FPasta.filePath("bom.txt");
    gravarLinhasTexto(nome, linhas);
    QCOMPARE(lerLinhasTexto(nome), linhas);
    TCodificacaoTexto lida;
    decodificarTexto(lerArquivo(nome), &lida);
    QCOMPARE(lida, emAnsi ? TCodificacaoTexto::Ansi : TCodificacaoTexto::Utf8Bom);
}

void TestPlatform::codificacaoMantida_data()
{
    QTest::addColumn<int>("codificacao");
    QTest::newRow("ansi") << int(TCodificacaoTexto::Ansi);
    QTest::newRow("utf-8") << int(TCodificacaoTexto::Utf8Bom);
    QTest::newRow("utf-16le") << int(TCodificacaoTexto::Utf16LE);
    QTest::newRow("utf-16be") << int(TCodificacaoTexto::Utf16BE);
}

void TestPlatform::codificacaoMantida()
{
    QFETCH(int, codificacao);
    const QString texto = u"[ZAM]\r\nCAMINHO=c:\\Ação\\ZAM.FDB\r\n"_qs;
    const QByteArray bytes = codificarTexto(texto, TCodificacaoTexto(codificacao));
    TCodificacaoTexto lida;
    QCOMPARE(decodificarTexto(bytes, &lida), texto);
    QCOMPARE(int(lida), codificacao);
}

void TestPlatform::arquivoInexistente()
{
    const QString nome = FPasta.filePath("nada.txt");
    try {
        lerLinhasTexto(nome);
        QFAIL("reading a missing file must fail");
    } catch (const EZamErro &e) {
        QCOMPARE(e.mensagem(),
                 QString("Cannot open file \"%1\". No such file or directory").arg(nome));
    }
}

void TestPlatform::gravarSemPasta()
{
    const QString nome = FPasta.filePath("nao/existe.txt");
    try {
        gravarLinhasTexto(nome, {"a"});
        QFAIL("writing into a missing folder must fail");
    } catch (const EZamErro &e) {
        QVERIFY2(e.mensagem().startsWith(QString("Cannot create file \"%1\". ").arg(nome)),
                 qPrintable(e.mensagem()));
    }
}

void TestPlatform::gravarEmPastaSomenteLeituraPreservaArquivo()
{
    const QString pasta = FPasta.filePath("somenteLeitura");
    QVERIFY(QDir().mkpath(pasta));
    const QString nome = pasta + "/antigo.txt";
    escreverArquivo(nome, "antigo\r\n");

    TPastaSomenteLeitura somenteLeitura(pasta);
    if (!somenteLeitura.ativa())
        return;
    try {
        gravarLinhasTexto(nome, {"novo"});
        QFAIL("writing into a read-only folder must fail");
    } catch (const EZamErro &e) {
        QCOMPARE(e.mensagem(),
                 QString("Cannot create file \"%1\". %2").arg(nome, somenteLeitura.motivo()));
    }
    QCOMPARE(lerArquivo(nome), QByteArray("antigo\r\n"));
}

void TestPlatform::discoCheioMantemArquivo_data()
{
    QTest::addColumn<int>("kib");
    QTest::addColumn<int>("registros");

    // No records stands for a zamcon.ini of six lines, changed through one key.
    QTest::newRow("zamcon.ini") << 16 << 0;
    QTest::newRow("small catalogue") << 16 << 6;
    QTest::newRow("200 records") << 16 << 200;
    // Larger than the file's write buffer: written straight through.
    QTest::newRow("1000 records") << 64 << 1000;
}

void TestPlatform::discoCheioMantemArquivo()
{
    QFETCH(int, kib);
    QFETCH(int, registros);
    const QString pasta = FPasta.filePath("disco");
    QVERIFY(QDir().mkpath(pasta));
    TDiscoCheio disco(pasta, kib);
    if (!disco.montado())
        return;

    const auto catalogo = [](int quantos, const QString &prefixo) {
        QStringList linhas;
        for (int i = 0; i < quantos; ++i)
            linhas.append(QString("%1%2,\"01/02/2020 10:00\",1234,3050").arg(prefixo).arg(i));
        return linhas;
    };
    const bool ini = registros == 0;
    const QString nome = pasta + (ini ? "/zamcon.ini" : "/ZamDados.csv");
    const QByteArray antigo = ini ? QByteArray("[SERVIDOR]\r\nNOME=srv1\r\nPORTA=3050\r\n[ZAM]\r\n"
                                               "CAMINHO=c:\\z\\A\\ZAM.FDB\r\nUSUARIO=u\r\n")
                                  : (catalogo(registros, "BASE").join("\r\n") + "\r\n").toLatin1();
    escreverArquivo(nome, antigo);
    if (!disco.encher())
        return;

    try {
        if (ini)
            gravarIni(nome, "ZAM", "CAMINHO", "c:\\Tessaron\\ZAM_7\\ZAM_DADOS\\OUTRA\\ZAM.FDB");
        else
            gravarLinhasTexto(nome, catalogo(registros, "OUTRA"));
        QFAIL("writing to a full disk must fail");
    } catch (const EZamErro &e) {
        QCOMPARE(e.mensagem(),
                 QString(u"Disco cheio: não há espaço para gravar o arquivo \"%1\", que "
                         u"ficou como estava"_qs)
                     .arg(nome));
    }
    QCOMPARE(lerArquivo(nome), antigo);
    // Nor is a temporary file left to take space.
    QCOMPARE(QDir(pasta).entryList(QDir::Files | QDir::Hidden, QDir::Name).size(), 2);
}

void TestPlatform::juntar_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("resultado");
    QTest::newRow("windows") << "c:\\Tessaron\\ZAM_7"
                             << "c:\\Tessaron\\ZAM_7\\ZAM_DADOS";
    QTest::newRow("network") << "\\\\srv1\\dados"
                             << "\\\\srv1\\dados\\ZAM_DADOS";
    QTest::newRow("posix") << "/srv/zam7"
                           << "/srv/zam7/ZAM_DADOS";
    QTest::newRow("mixed uses backslash") << "/srv\\x"
                                          << "/srv\\x\\ZAM_DADOS";
    QTest::newRow("empty") << ""
                           << "/ZAM_DADOS";
}

void TestPlatform::juntar()
{
    QFETCH(QString, base);
    QFETCH(QString, resultado);
    QCOMPARE(juntarCaminho(base, "ZAM_DADOS"), resultado);
}

void TestPlatform::caminhoLocal_data()
{
    QTest::addColumn<QString>("caminho");
    QTest::addColumn<QString>("local");
    const QString smb = FPasta.path() + "/smb";
    QTest::newRow("posix unchanged") << "/srv/zam7/ZAM_DADOS"
                                     << "/srv/zam7/ZAM_DADOS";
    QTest::newRow("share with rest")
        << "\\\\SRV1\\dados\\ZAM_DADOS\\CLIENTE" << smb + "/SRV1/dados/ZAM_DADOS/CLIENTE";
    QTest::newRow("share alone") << "\\\\srv1\\dados" << smb + "/srv1/dados";
    QTest::newRow("backslashes in posix") << "/srv/zam7\\ZamDados.csv"
                                          << "/srv/zam7/ZamDados.csv";
    QTest::newRow("drive letter is never found") << "c:\\Tessaron\\ZAM_7"
                                                 << "/nonexistent/c:/Tessaron/ZAM_7";
}

void TestPlatform::caminhoLocal()
{
    QFETCH(QString, caminho);
    QFETCH(QString, local);
    QVERIFY(QDir().mkpath(FPasta.path() + "/smb"));
    qputenv("ZAMDADOS_SMB", QFile::encodeName(FPasta.path() + "/smb"));
    QCOMPARE(::caminhoLocal(caminho), local);
    qunsetenv("ZAMDADOS_SMB");
}

void TestPlatform::caminhoLocalSemMapeamento()
{
    qputenv("ZAMDADOS_SMB", QFile::encodeName(FPasta.path() + "/naoExiste"));
    QCOMPARE(
        ::caminhoLocal("\\\\SRV1\\Dados\\ZAM_DADOS"),
        QString("/run/user/%1/gvfs/smb-share:server=srv1,share=dados/ZAM_DADOS").arg(getuid()));
    qunsetenv("ZAMDADOS_SMB");
}

void TestPlatform::caminhoLocalNaoSobe_data()
{
    QTest::addColumn<bool>("comSmb");
    QTest::addColumn<QString>("caminho");
    // The folder the local path must stay in; "@share" is where the row's SMB mapping puts
    // the share \\\\SRV\\DADOS.
    QTest::addColumn<QString>("dentroDe");
    // The exact local path where the path names something, else empty.
    QTest::addColumn<QString>("local");

    const QString nunca = "/nonexistent";
    for (const bool comSmb : {true, false}) {
        const auto linha = [&](const char *nome) -> QTestData & {
            return QTest::newRow(qPrintable(QString(nome) + (comSmb ? "" : ", desktop mount")))
                   << comSmb;
        };
        linha("no server, climbing") << "\\\\..\\..\\etc" << nunca << "";
        linha("server dot dot") << "\\\\..\\dados\\x" << nunca << "";
        linha("server dot") << "\\\\.\\dados\\x" << nunca << "";
        linha("empty server") << "\\\\\\dados\\x" << nunca << "";
        linha("share dot dot") << "\\\\SRV\\..\\..\\etc" << nunca << "";
        linha("share dot") << "\\\\SRV\\.\\x" << nunca << "";
        linha("slash in the server") << "\\\\a/../../../etc\\b\\c" << nunca << "";
        linha("slash in the share") << "\\\\SRV\\d/../../..\\etc" << nunca << "";
        linha("rest climbs above the share") << "\\\\SRV\\DADOS\\..\\..\\..\\etc"
                                             << "@share"
                                             << "@share/etc";
        linha("slashes in the rest climb too") << "\\\\SRV\\DADOS\\a/../../../etc/passwd"
                                               << "@share"
                                               << "@share/etc/passwd";
        linha("dot dot inside the share stays") << "\\\\SRV\\DADOS\\ZAM_DADOS\\A\\..\\B"
                                                << "@share"
                                                << "@share/ZAM_DADOS/B";
        linha("dots in names are names") << "\\\\SRV\\DADOS\\a..b\\...\\.x"
                                         << "@share"
                                         << "@share/a..b/.../.x";
        linha("drive climbing") << "c:\\..\\..\\etc\\passwd" << nunca
                                << "/nonexistent/c:/etc/passwd";
        linha("drive with slashes climbing")
            << "c:/../../etc/passwd" << nunca << "/nonexistent/c:/etc/passwd";
        linha("drive without separator") << "c:..\\..\\..\\etc" << nunca << "";
    }
}

void TestPlatform::caminhoLocalNaoSobe()
{
    QFETCH(bool, comSmb);
    QFETCH(QString, caminho);
    QFETCH(QString, dentroDe);
    QFETCH(QString, local);
    const QString smb = FPasta.path() + "/smb";
    QVERIFY(QDir().mkpath(smb));
    qputenv("ZAMDADOS_SMB", QFile::encodeName(comSmb ? smb : FPasta.path() + "/naoExiste"));
    const QString compartilhamento =
        comSmb ? smb + "/SRV/DADOS"
               : QString("/run/user/%1/gvfs/smb-share:server=srv,share=dados").arg(getuid());
    dentroDe.replace("@share", compartilhamento);
    local.replace("@share", compartilhamento);

    const QString mapeado = ::caminhoLocal(caminho);
    qunsetenv("ZAMDADOS_SMB");
    // Whatever the file system makes of the path, it stays inside that folder.
    const QString limpo = QDir::cleanPath(mapeado);
    QVERIFY2(limpo.startsWith(dentroDe + "/"), qPrintable(mapeado));
    QVERIFY2(!mapeado.split('/').contains(".."), qPrintable(mapeado));
    if (!local.isEmpty())
        QCOMPARE(mapeado, local);
}

void TestPlatform::nomePasta_data()
{
    QTest::addColumn<QString>("nome");
    QTest::addColumn<bool>("valido");
    QTest::newRow("plain") << "CLIENTE-SP" << true;
    QTest::newRow("accents and blanks") << u"Padaria São João"_qs << true;
    QTest::newRow("one letter") << "A" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("blanks only") << "   " << false;
    QTest::newRow("slash") << "a/b" << false;
    QTest::newRow("backslash") << "a\\b" << false;
    QTest::newRow("dot dot") << ".." << false;
    QTest::newRow("dot dot inside") << "a..b" << false;
    QTest::newRow("dot") << "." << false;
    QTest::newRow("control character") << "a\tb" << false;
    QTest::newRow("colon") << "c:" << false;
    QTest::newRow("question mark") << "a?" << false;
    QTest::newRow("final blank") << "a " << false;
    QTest::newRow("final dot") << "a." << false;
    QTest::newRow("device name") << "con" << false;
    QTest::newRow("device name with extension") << "COM1.txt" << false;
    QTest::newRow("longer than a device name") << "CONTA" << true;
}

void TestPlatform::nomePasta()
{
    QFETCH(QString, nome);
    QTEST(nomePastaValido(nome), "valido");
}

void TestPlatform::pastaDeConfiguracao_data()
{
    QTest::addColumn<bool>("somenteLeitura");
    // Not set at all when null.
    QTest::addColumn<QString>("variavel");
    QTest::addColumn<bool>("daVariavel");

    const QString outra = FPasta.filePath("configuracao");
    QTest::newRow("writable, no variable") << false << QString() << false;
    QTest::newRow("writable, variable set: still beside the program") << false << outra << false;
    QTest::newRow("read-only, variable set") << true << outra << true;
    QTest::newRow("read-only, no variable") << true << QString() << false;
    QTest::newRow("read-only, empty variable") << true << QString("") << false;
}

void TestPlatform::pastaDeConfiguracao()
{
    QFETCH(bool, somenteLeitura);
    QFETCH(QString, variavel);
    QFETCH(bool, daVariavel);

    const QString programa = FPasta.filePath(QTest::currentDataTag());
    QVERIFY(QDir().mkpath(programa));
    if (variavel.isNull())
        qunsetenv("ZAMDADOS_PASTA");
    else
        qputenv("ZAMDADOS_PASTA", QFile::encodeName(variavel));
    const auto fim = qScopeGuard([] { qunsetenv("ZAMDADOS_PASTA"); });
    std::optional<TPastaSomenteLeitura> trava;
    if (somenteLeitura) {
        trava.emplace(programa);
        QVERIFY(trava->ativa());
    }
    QCOMPARE(::pastaDeConfiguracao(programa), daVariavel ? variavel : programa);
}

void TestPlatform::caixaAZ_data()
{
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QString>("minusculas");
    QTest::addColumn<QString>("maiusculas");
    QTest::newRow("A a Z") << "AZaz09"
                           << "azaz09"
                           << "AZAZ09";
    QTest::newRow("acentuadas ficam")
        << QString::fromUtf8("JOSÉ Ç é") << QString::fromUtf8("josÉ Ç é")
        << QString::fromUtf8("JOSÉ Ç é");
    QTest::newRow("vizinhos de A, Z, a e z") << "@[`{"
                                             << "@[`{"
                                             << "@[`{";
    QTest::newRow("so a ultima muda") << "abc1Z"
                                      << "abc1z"
                                      << "ABC1Z";
    QTest::newRow("vazio") << ""
                           << ""
                           << "";
}

void TestPlatform::caixaAZ()
{
    QFETCH(QString, texto);
    QFETCH(QString, minusculas);
    QFETCH(QString, maiusculas);
    const QString original = texto;
    const QString dobrado = minusculasAZ(texto);
    const QString erguido = maiusculasAZ(texto);
    QCOMPARE(dobrado, minusculas);
    QCOMPARE(erguido, maiusculas);
    QCOMPARE(texto, original);
    // A text that stays the same is the same text: no copy of its characters is made.
    QCOMPARE(dobrado.constData() == texto.constData(), texto == minusculas);
    QCOMPARE(erguido.constData() == texto.constData(), texto == maiusculas);
}

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
