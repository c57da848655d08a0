// INI keys and starting a program (the dialogs are tested in tests/ui/comum).

#include "platform/erros.h"
#include "platform/ini.h"
#include "platform/processos.h"
#include "support/arquivosTeste.h"
#include "support/zam7/registroZam7.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <memory>

namespace {

QByteArray codificado(const QString &codificacao, const QString &texto)
{
    if (codificacao == "utf-8")
        return QByteArray("\xEF\xBB\xBF") + texto.toUtf8();
    if (codificacao == "utf-16le") {
        QStringEncoder encoder(QStringEncoder::Utf16LE);
        return QByteArray("\xFF\xFE", 2) + QByteArray(encoder.encode(texto));
    }
    if (codificacao == "utf-16be") {
        QStringEncoder encoder(QStringEncoder::Utf16BE);
        return QByteArray("\xFE\xFF", 2) + QByteArray(encoder.encode(texto));
    }
    QStringEncoder encoder("windows-1252");
    return encoder.encode(texto);
}

QString textoDoSistema(int erro)
{
    return QString::fromLocal8Bit(std::strerror(erro));
}

} // namespace

class TestPlatformIni : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void lerIni_data();
    void lerIni();
    void lerIniSemArquivo();
    void gravarIni_data();
    void gravarIni();
    void gravarIniCodificacaoMantida_data();
    void gravarIniCodificacaoMantida();
    void gravarZamconEmArquivoNovo();
    void iniRelidoACadaChamada();
    void iniEmCompartilhamento();
    void gravarIniRecusaQuebraDeLinha_data();
    void gravarIniRecusaQuebraDeLinha();
    void gravarIniEmPastaSomenteLeitura_data();
    void gravarIniEmPastaSomenteLeitura();

    void executarProcura_data();
    void executarProcura();
    void executarFalha_data();
    void executarFalha();
    void executarArgumentos_data();
    void executarArgumentos();
    void zam7RegistraZamconDoMomento();

private:
    QString novaPasta(const QString &nome);
    QString FIni;
    QString FPastaInicial;
    QByteArray FPathInicial;
    QString FRegistro;
    std::unique_ptr<QTemporaryDir> FPasta;
};

void TestPlatformIni::initTestCase()
{
    QCoreApplication::setApplicationName(QStringLiteral("ZamDados"));
}

void TestPlatformIni::init()
{
    FPasta = std::make_unique<QTemporaryDir>();
    QVERIFY(FPasta->isValid());
    FIni = FPasta->filePath("zamcon.ini");
    FPastaInicial = QDir::currentPath();
    FPathInicial = qgetenv("PATH");
    FRegistro = FPasta->filePath("registro.jsonl");
    qputenv(variavelRegistroZam7, QFile::encodeName(FRegistro));
}

void TestPlatformIni::cleanup()
{
    QDir::setCurrent(FPastaInicial);
    qputenv("PATH", FPathInicial);
    qunsetenv(variavelRegistroZam7);
    qunsetenv("ZAMDADOS_SMB");
    FPasta.reset();
}

QString TestPlatformIni::novaPasta(const QString &nome)
{
    const QString pasta = FPasta->filePath(nome);
    if (!QDir().mkpath(pasta))
        qFatal("cannot make %s", qPrintable(pasta));
    return QFileInfo(pasta).canonicalFilePath();
}

// ---------------------------------------------------------------- INI

void TestPlatformIni::lerIni_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("secao");
    QTest::addColumn<QString>("chave");
    QTest::addColumn<QString>("valor");

    const QString padrao = "<padrao>";
    const QByteArray zam =
        "[SERVIDOR]\r\nNOME=srv1\r\nPORTA=3050\r\n\r\n[ZAM]\r\nCAMINHO=c:\\x\\ZAM.FDB"
        "\r\n";
    QTest::newRow("key of the first section") << zam << "SERVIDOR"
                                              << "PORTA"
                                              << "3050";
    QTest::newRow("key of the last section") << zam << "ZAM"
                                             << "CAMINHO"
                                             << "c:\\x\\ZAM.FDB";
    QTest::newRow("asked in small letters") << zam << "servidor"
                                            << "nome"
                                            << "srv1";
    QTest::newRow("written in small letters") << QByteArray("[zam]\r\ncaminho=x\r\n") << "ZAM"
                                              << "CAMINHO"
                                              << "x";
    QTest::newRow("blanks around names and value")
        << QByteArray("  [ ZAM ]  \r\n \t CAMINHO \t=  a b \t\r\n") << "ZAM"
        << "CAMINHO"
        << "a b";
    QTest::newRow("blanks around the asked names") << zam << " ZAM "
                                                   << " CAMINHO\t"
                                                   << "c:\\x\\ZAM.FDB";
    QTest::newRow("equals sign in the value") << QByteArray("[ZAM]\r\nCAMINHO=a=b=\r\n") << "ZAM"
                                              << "CAMINHO"
                                              << "a=b=";
    QTest::newRow("empty value is not the default") << QByteArray("[ZAM]\r\nCAMINHO=\r\n") << "ZAM"
                                                    << "CAMINHO"
                                                    << "";
    QTest::newRow("double quotes dropped")
        << QByteArray("[ZAM]\r\nCAMINHO=\" c:\\a b \"\r\n") << "ZAM"
        << "CAMINHO"
        << " c:\\a b ";
    QTest::newRow("single quotes dropped") << QByteArray("[ZAM]\r\nCAMINHO='x'\r\n") << "ZAM"
                                           << "CAMINHO"
                                           << "x";
    QTest::newRow("unmatched quote kept") << QByteArray("[ZAM]\r\nCAMINHO=\"x'\r\n") << "ZAM"
                                          << "CAMINHO"
                                          << "\"x'";
    QTest::newRow("text after the header") << QByteArray("[ZAM] ; banco\r\nCAMINHO=x\r\n") << "ZAM"
                                           << "CAMINHO"
                                           << "x";
    QTest::newRow("key only in another section") << zam << "ZAM"
                                                 << "PORTA" << padrao;
    QTest::newRow("missing section") << zam << "OUTRA"
                                     << "NOME" << padrao;
    QTest::newRow("missing key") << zam << "SERVIDOR"
                                 << "USUARIO" << padrao;
    QTest::newRow("key before any section")
        << QByteArray("CAMINHO=x\r\n[ZAM]\r\nNOME=y\r\n") << "ZAM"
        << "CAMINHO" << padrao;
    QTest::newRow("first of two keys") << QByteArray("[ZAM]\r\nCAMINHO=1\r\ncaminho=2\r\n") << "ZAM"
                                       << "CAMINHO"
                                       << "1";
    QTest::newRow("only the first of two sections")
        << QByteArray("[ZAM]\r\nA=1\r\n[ZAM]\r\nCAMINHO=2\r\n") << "ZAM"
        << "CAMINHO" << padrao;
    QTest::newRow("comment is no key") << QByteArray("[ZAM]\r\n;CAMINHO=x\r\n") << "ZAM"
                                       << ";CAMINHO" << padrao;
    QTest::newRow("key without equals sign has no value")
        << QByteArray("[ZAM]\r\nCAMINHO\r\n") << "ZAM"
        << "CAMINHO" << padrao;
    QTest::newRow("lf line ends") << QByteArray("[ZAM]\nCAMINHO=x\n") << "ZAM"
                                  << "CAMINHO"
                                  << "x";
    QTest::newRow("cr line ends") << QByteArray("[ZAM]\rCAMINHO=x\r") << "ZAM"
                                  << "CAMINHO"
                                  << "x";
    QTest::newRow("no final line end") << QByteArray("[ZAM]\r\nCAMINHO=x") << "ZAM"
                                       << "CAMINHO"
                                       << "x";
    QTest::newRow("windows-1252") << QByteArray("[ZAM]\r\nCAMINHO=c:\\A\xe7\xe3o \x80\r\n") << "ZAM"
                                  << "CAMINHO" << u"c:\\Ação €"_qs;
    for (const QString codificacao : {"utf-8", "utf-16le", "utf-16be"})
        QTest::newRow(qPrintable(codificacao))
            << codificado(codificacao, u"[ZAM]\r\nCAMINHO=c:\\Ação\\Łódź\r\n"_qs) << "ZAM"
            << "CAMINHO" << u"c:\\Ação\\Łódź"_qs;
    QTest::newRow("2047 characters") << "[ZAM]\r\nCAMINHO=" + QByteArray(2047, 'a') + "\r\n"
                                     << "ZAM"
                                     << "CAMINHO" << QString(2047, u'a');
    QTest::newRow("longer value cut at 2047")
        << "[ZAM]\r\nCAMINHO=" + QByteArray(2047, 'a') + "bc\r\n"
        << "ZAM"
        << "CAMINHO" << QString(2047, u'a');
}

void TestPlatformIni::lerIni()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, secao);
    QFETCH(QString, chave);
    QFETCH(QString, valor);
    escreverArquivo(FIni, bytes);
    QCOMPARE(::lerIni(FIni, secao, chave, "<padrao>"), valor);
    QCOMPARE(lerIniOpcional(FIni, secao, chave).has_value(), valor != "<padrao>");
}

void TestPlatformIni::lerIniSemArquivo()
{
    QCOMPARE(::lerIni(FIni, "SERVIDOR", "PORTA", "3055"), QString("3055"));
    QVERIFY(!lerIniOpcional(FIni, "SERVIDOR", "PORTA"));
    QVERIFY(!QFile::exists(FIni));
    // A folder of that name cannot be read as a file either.
    QVERIFY(QDir().mkpath(FIni));
    QCOMPARE(::lerIni(FIni, "SERVIDOR", "PORTA", "3055"), QString("3055"));
}

void TestPlatformIni::gravarIni_data()
{
    QTest::addColumn<bool>("existe");
    QTest::addColumn<QByteArray>("antes");
    QTest::addColumn<QString>("secao");
    QTest::addColumn<QString>("chave");
    QTest::addColumn<QString>("valor");
    QTest::addColumn<QByteArray>("depois");

    // A file of the main application: a comment with bytes that Windows-1252 leaves
    // undefined, sections and keys of its own, a blank line, a line end of each kind.
    const QByteArray outras = "; esta\xe7\xe3o \x81\x8d\x8f\x90\x9d\r\n"
                              "[SERVIDOR]\r\n"
                              "NOME=velho\r\n"
                              "PORTA = 3050 \n"
                              "\r\n"
                              "[ZAM]\r"
                              "CAMINHO=c:\\a\\ZAM.FDB\r\n"
                              "USUARIO=x\r\n"
                              "[JANELA]\r\n"
                              "ALTURA=600";
    QByteArray substituido = outras;
    substituido.replace("CAMINHO=c:\\a\\ZAM.FDB", "CAMINHO=c:\\b\\ZAM.FDB");
    QTest::newRow("value replaced in place") << true << outras << "ZAM"
                                             << "CAMINHO"
                                             << "c:\\b\\ZAM.FDB" << substituido;
    QByteArray porta = outras;
    porta.replace("PORTA = 3050 \n", "PORTA=3055\n");
    QTest::newRow("line with lf keeps its end") << true << outras << "SERVIDOR"
                                                << "PORTA"
                                                << "3055" << porta;
    QByteArray altura = outras;
    altura.replace("ALTURA=600", "ALTURA=700");
    QTest::newRow("last line keeps having no end") << true << outras << "JANELA"
                                                   << "ALTURA"
                                                   << "700" << altura;
    QByteArray nova = outras;
    nova.replace("USUARIO=x\r\n", "USUARIO=x\r\nSENHA=s\r\n");
    QTest::newRow("key appended after the last key of its section") << true << outras << "zam"
                                                                    << "SENHA"
                                                                    << "s" << nova;
    QByteArray novaNoFim = outras;
    novaNoFim.append("\r\nLARGURA=800\r\n");
    QTest::newRow("key appended to the last section") << true << outras << "JANELA"
                                                      << "LARGURA"
                                                      << "800" << novaNoFim;
    QByteArray novaSecao = outras;
    novaSecao.append("\r\n[OUTRA]\r\nCHAVE=1\r\n");
    QTest::newRow("section appended at the end") << true << outras << "OUTRA"
                                                 << "CHAVE"
                                                 << "1" << novaSecao;

    QTest::newRow("name kept as in the file")
        << true << QByteArray("[zam]\r\n  Caminho = velho \r\n") << "ZAM"
        << "CAMINHO"
        << "novo" << QByteArray("[zam]\r\nCaminho=novo\r\n");
    QTest::newRow("value with equals sign") << true << QByteArray("[ZAM]\r\nCAMINHO=a\r\n") << "ZAM"
                                            << "CAMINHO"
                                            << "x=y" << QByteArray("[ZAM]\r\nCAMINHO=x=y\r\n");
    QTest::newRow("first of two keys replaced")
        << true << QByteArray("[ZAM]\r\nCAMINHO=1\r\nCAMINHO=2\r\n") << "ZAM"
        << "CAMINHO"
        << "3" << QByteArray("[ZAM]\r\nCAMINHO=3\r\nCAMINHO=2\r\n");
    QTest::newRow("key without equals sign gets its value")
        << true << QByteArray("[ZAM]\r\nCAMINHO\r\nX=1\r\n") << "ZAM"
        << "CAMINHO"
        << "c" << QByteArray("[ZAM]\r\nCAMINHO=c\r\nX=1\r\n");
    QTest::newRow("key appended before blank lines and comments")
        << true << QByteArray("[SERVIDOR]\r\nNOME=s\r\n\r\n; porta\r\n[ZAM]\r\nCAMINHO=c\r\n")
        << "SERVIDOR"
        << "PORTA"
        << "3055"
        << QByteArray(
               "[SERVIDOR]\r\nNOME=s\r\nPORTA=3055\r\n\r\n; porta\r\n[ZAM]\r\nCAMINHO=c\r\n");
    QTest::newRow("key appended to an empty section")
        << true << QByteArray("[SERVIDOR]\r\n[ZAM]\r\nCAMINHO=c\r\n") << "SERVIDOR"
        << "PORTA"
        << "3055" << QByteArray("[SERVIDOR]\r\nPORTA=3055\r\n[ZAM]\r\nCAMINHO=c\r\n");
    QTest::newRow("new line gets cr lf in an lf file")
        << true << QByteArray("[ZAM]\nA=1\n") << "ZAM"
        << "B"
        << "2" << QByteArray("[ZAM]\nA=1\nB=2\r\n");
    QTest::newRow("key of the first of two sections")
        << true << QByteArray("[ZAM]\r\nA=1\r\n[ZAM]\r\nB=2\r\n") << "ZAM"
        << "B"
        << "3" << QByteArray("[ZAM]\r\nA=1\r\nB=3\r\n[ZAM]\r\nB=2\r\n");
    QTest::newRow("section after a file without final end")
        << true << QByteArray("[ZAM]\r\nCAMINHO=c") << "SERVIDOR"
        << "NOME"
        << "s" << QByteArray("[ZAM]\r\nCAMINHO=c\r\n[SERVIDOR]\r\nNOME=s\r\n");
    QTest::newRow("blanks around the given names dropped")
        << true << QByteArray() << " SERVIDOR "
        << " NOME "
        << " s " << QByteArray("[SERVIDOR]\r\nNOME= s \r\n");
    QTest::newRow("empty file") << true << QByteArray() << "SERVIDOR"
                                << "NOME"
                                << "localhost" << QByteArray("[SERVIDOR]\r\nNOME=localhost\r\n");
    QTest::newRow("file created") << false << QByteArray() << "SERVIDOR"
                                  << "NOME"
                                  << "localhost" << QByteArray("[SERVIDOR]\r\nNOME=localhost\r\n");
    QTest::newRow("file created in windows-1252")
        << false << QByteArray() << "ZAM"
        << "CAMINHO" << u"c:\\Ação\\ZAM.FDB"_qs
        << QByteArray("[ZAM]\r\nCAMINHO=c:\\A\xe7\xe3o\\ZAM.FDB\r\n");
    QTest::newRow("bytes that are not utf-8 kept in a utf-8 file")
        << true << QByteArray("\xEF\xBB\xBF[ZAM]\r\n;\xff\xfe\xc3\r\nCAMINHO=a\r\n") << "ZAM"
        << "CAMINHO" << u"ç"_qs
        << QByteArray("\xEF\xBB\xBF[ZAM]\r\n;\xff\xfe\xc3\r\nCAMINHO=\xc3\xa7\r\n");

    // A UTF-16 file of odd length: its stray last byte stays the last byte, after the lines
    // added, which keep to whole two-byte units and so read back.
    const QByteArray avulso("\x7a", 1);
    QTest::newRow("utf-16 stray byte: key appended")
        << true << codificado("utf-16le", "[ZAM]\r\nA=1") + avulso << "ZAM"
        << "B"
        << "2" << codificado("utf-16le", "[ZAM]\r\nA=1\r\nB=2\r\n") + avulso;
    QTest::newRow("utf-16 stray byte: section appended")
        << true << codificado("utf-16be", "[ZAM]\r\nA=1\r\n") + avulso << "SERVIDOR"
        << "NOME"
        << "s" << codificado("utf-16be", "[ZAM]\r\nA=1\r\n[SERVIDOR]\r\nNOME=s\r\n") + avulso;
    QTest::newRow("utf-16 stray byte: last key replaced")
        << true << codificado("utf-16le", "[ZAM]\r\nA=1") + avulso << "ZAM"
        << "A"
        << "2" << codificado("utf-16le", "[ZAM]\r\nA=2") + avulso;
}

void TestPlatformIni::gravarIni()
{
    QFETCH(bool, existe);
    QFETCH(QByteArray, antes);
    QFETCH(QString, secao);
    QFETCH(QString, chave);
    QFETCH(QString, valor);
    QFETCH(QByteArray, depois);
    if (existe)
        escreverArquivo(FIni, antes);
    ::gravarIni(FIni, secao, chave, valor);
    QCOMPARE(lerArquivo(FIni), depois);
    QCOMPARE(::lerIni(FIni, secao, chave, "<padrao>"), valor.trimmed());
}

void TestPlatformIni::gravarIniCodificacaoMantida_data()
{
    QTest::addColumn<QString>("codificacao");
    for (const char *codificacao : {"windows-1252", "utf-8", "utf-16le", "utf-16be"})
        QTest::newRow(codificacao) << QString(codificacao);
}

void TestPlatformIni::gravarIniCodificacaoMantida()
{
    QFETCH(QString, codificacao);
    const QString antes = u"; configuração\r\n[ZAM]\r\nCAMINHO=velho\n[JANELA]\r\nX=1"_qs;
    escreverArquivo(FIni, codificado(codificacao, antes));

    ::gravarIni(FIni, "ZAM", "CAMINHO", u"c:\\Ação\\ZAM.FDB"_qs);
    ::gravarIni(FIni, "ZAM", "USUARIO", u"João"_qs);
    ::gravarIni(FIni, "SERVIDOR", "NOME", "srv1");

    const QString depois = u"; configuração\r\n[ZAM]\r\nCAMINHO=c:\\Ação\\ZAM.FDB\n"
                           u"USUARIO=João\r\n[JANELA]\r\nX=1\r\n[SERVIDOR]\r\nNOME=srv1\r\n"_qs;
    QCOMPARE(lerArquivo(FIni), codificado(codificacao, depois));
    QCOMPARE(::lerIni(FIni, "ZAM", "CAMINHO", ""), u"c:\\Ação\\ZAM.FDB"_qs);
}

void TestPlatformIni::gravarZamconEmArquivoNovo()
{
    // The three writes of entering a database, in their order, into no file at all.
    ::gravarIni(FIni, "SERVIDOR", "NOME", "localhost");
    ::gravarIni(FIni, "ZAM", "CAMINHO", "c:\\Tessaron\\ZAM_7\\ZAM_DADOS\\CLIENTE\\ZAM.FDB");
    ::gravarIni(FIni, "SERVIDOR", "PORTA", "3050");
    QCOMPARE(lerArquivo(FIni),
             QByteArray("[SERVIDOR]\r\n"
                        "NOME=localhost\r\n"
                        "PORTA=3050\r\n"
                        "[ZAM]\r\n"
                        "CAMINHO=c:\\Tessaron\\ZAM_7\\ZAM_DADOS\\CLIENTE\\ZAM.FDB\r\n"));
}

void TestPlatformIni::iniRelidoACadaChamada()
{
    ::gravarIni(FIni, "SERVIDOR", "PORTA", "3050");
    QCOMPARE(::lerIni(FIni, "SERVIDOR", "PORTA", ""), QString("3050"));
    // The main application edits the file between two of our calls.
    escreverArquivo(FIni, "[SERVIDOR]\r\nPORTA=3051\r\nEXTRA=1\r\n");
    QCOMPARE(::lerIni(FIni, "SERVIDOR", "PORTA", ""), QString("3051"));
    ::gravarIni(FIni, "SERVIDOR", "NOME", "s");
    QCOMPARE(lerArquivo(FIni), QByteArray("[SERVIDOR]\r\nPORTA=3051\r\nEXTRA=1\r\nNOME=s\r\n"));
    QFile::remove(FIni);
    QCOMPARE(::lerIni(FIni, "SERVIDOR", "PORTA", "3055"), QString("3055"));
}

void TestPlatformIni::iniEmCompartilhamento()
{
    // File names are the program's path text: a share is found where it is mounted, and an
    // error names the share as the program knows it.
    const QString smb = novaPasta("smb");
    QVERIFY(QDir().mkpath(smb + "/SRV1/dados"));
    qputenv("ZAMDADOS_SMB", QFile::encodeName(smb));
    ::gravarIni("\\\\SRV1\\dados\\zamcon.ini", "SERVIDOR", "NOME", "SRV1");
    QCOMPARE(lerArquivo(smb + "/SRV1/dados/zamcon.ini"), QByteArray("[SERVIDOR]\r\nNOME=SRV1\r\n"));
    QCOMPARE(::lerIni("\\\\SRV1\\dados\\zamcon.ini", "SERVIDOR", "NOME", ""), QString("SRV1"));

    const QString ausente = "\\\\SRV1\\nenhum\\zamcon.ini";
    try {
        ::gravarIni(ausente, "SERVIDOR", "NOME", "SRV1");
        QFAIL("writing into a missing folder must fail");
    } catch (const EZamErro &e) {
        QVERIFY2(e.mensagem().startsWith(QString("Cannot create file \"%1\". ").arg(ausente)),
                 qPrintable(e.mensagem()));
    }
}

void TestPlatformIni::gravarIniRecusaQuebraDeLinha_data()
{
    QTest::addColumn<QString>("secao");
    QTest::addColumn<QString>("chave");
    QTest::addColumn<QString>("valor");
    QTest::addColumn<QString>("visivel");
    QTest::newRow("value with a line feed") << "ZAM"
                                            << "CAMINHO"
                                            << "x\n[SERVIDOR]\nNOME=outro"
                                            << "x\\n[SERVIDOR]\\nNOME=outro";
    QTest::newRow("value with a carriage return") << "ZAM"
                                                  << "CAMINHO"
                                                  << "a\rb"
                                                  << "a\\rb";
    QTest::newRow("key") << "ZAM"
                         << "A\nB"
                         << "1"
                         << "A\\nB";
    QTest::newRow("section") << "Z\r\nAM"
                             << "A"
                             << "1"
                             << "Z\\r\\nAM";
}

void TestPlatformIni::gravarIniRecusaQuebraDeLinha()
{
    QFETCH(QString, secao);
    QFETCH(QString, chave);
    QFETCH(QString, valor);
    QFETCH(QString, visivel);
    const QByteArray antes = "[SERVIDOR]\r\nNOME=srv1\r\n[ZAM]\r\nCAMINHO=velho\r\n";
    escreverArquivo(FIni, antes);
    try {
        ::gravarIni(FIni, secao, chave, valor);
        QFAIL("a line break must be refused");
    } catch (const EZamErro &e) {
        QCOMPARE(e.mensagem(),
                 QString(u"\"%1\" tem uma quebra de linha e não pode ser gravado em \"%2\""_qs)
                     .arg(visivel, FIni));
    }
    QCOMPARE(lerArquivo(FIni), antes);
}

void TestPlatformIni::gravarIniEmPastaSomenteLeitura_data()
{
    QTest::addColumn<bool>("existe");
    QTest::newRow("existing file") << true;
    QTest::newRow("new file") << false;
}

void TestPlatformIni::gravarIniEmPastaSomenteLeitura()
{
    QFETCH(bool, existe);
    const QString pasta = novaPasta("somenteLeitura");
    const QString nome = pasta + "/zamcon.ini";
    const QByteArray antes = "[ZAM]\r\nCAMINHO=velho\r\n";
    if (existe)
        escreverArquivo(nome, antes);

    TPastaSomenteLeitura somenteLeitura(pasta);
    if (!somenteLeitura.ativa())
        return;
    try {
        ::gravarIni(nome, "ZAM", "CAMINHO", "novo");
        QFAIL("writing into a read-only folder must fail");
    } catch (const EZamErro &e) {
        QCOMPARE(e.mensagem(),
                 QString("Cannot create file \"%1\". %2").arg(nome, somenteLeitura.motivo()));
    }
    if (existe)
        QCOMPARE(lerArquivo(nome), antes);
    else
        QVERIFY(!QFile::exists(nome));
    QCOMPARE(QDir(pasta).entryList(QDir::Files | QDir::Hidden).size(), existe ? 1 : 0);
}

// ---------------------------------------------------------------- starting a program

void TestPlatformIni::executarProcura_data()
{
    QTest::addColumn<QString>("naPastaAtual");
    QTest::addColumn<bool>("noPath");
    QTest::addColumn<QString>("iniciado");

    QTest::newRow("from the working folder") << "programa" << false << "atual";
    QTest::newRow("from PATH, in our working folder") << "" << true << "path";
    QTest::newRow("working folder before PATH") << "programa" << true << "atual";
    QTest::newRow("a file that cannot run is passed over") << "arquivo" << true << "path";
}

void TestPlatformIni::executarProcura()
{
    QFETCH(QString, naPastaAtual);
    QFETCH(bool, noPath);
    QFETCH(QString, iniciado);

    // Each copy of the stand-in tells which one it is by the zamcon.ini beside it.
    const QString atual = novaPasta("atual");
    const QString path = novaPasta("path");
    const QString vazia = novaPasta("vazia");
    if (naPastaAtual == "programa") {
        QVERIFY(!copiarZam7(atual).isEmpty());
        escreverArquivo(atual + "/zamcon.ini", "[SERVIDOR]\r\nNOME=atual\r\n");
    } else if (naPastaAtual == "arquivo") {
        escreverArquivo(atual + "/ZAM7.exe", "\x7f"
                                             "ELF");
        QVERIFY(QFile::setPermissions(atual + "/ZAM7.exe", QFile::ReadOwner | QFile::WriteOwner |
                                                               QFile::ReadGroup |
                                                               QFile::ReadOther));
    }
    if (noPath) {
        QVERIFY(!copiarZam7(path).isEmpty());
        escreverArquivo(path + "/zamcon.ini", "[SERVIDOR]\r\nNOME=path\r\n");
    }
    qputenv("PATH", QFile::encodeName(vazia + ":" + path));
    QVERIFY(QDir::setCurrent(atual));

    executarPrograma("ZAM7.exe", "");

    const std::vector<QJsonObject> inicios = esperarRegistroZam7(FRegistro, 1);
    QCOMPARE(inicios.size(), size_t(1));
    const QJsonObject &inicio = inicios.front();
    QCOMPARE(inicio["NOME"].toString(), iniciado);
    QCOMPARE(inicio["cwd"].toString(), atual);
    QCOMPARE(inicio["args"].toArray(), QJsonArray());
    QVERIFY(inicio["CAMINHO"].isNull());
    QVERIFY(inicio["PORTA"].isNull());
}

void TestPlatformIni::executarFalha_data()
{
    QTest::addColumn<QString>("naPastaAtual");
    QTest::addColumn<QString>("noPath");
    QTest::addColumn<int>("erro");

    QTest::newRow("found nowhere") << ""
                                   << "" << ENOENT;
    QTest::newRow("not executable") << "arquivo"
                                    << "" << EACCES;
    QTest::newRow("not executable on PATH") << ""
                                            << "arquivo" << EACCES;
    QTest::newRow("a folder of that name") << "pasta"
                                           << "" << EACCES;
    QTest::newRow("not a program") << "lixo"
                                   << "" << ENOEXEC;
}

void TestPlatformIni::executarFalha()
{
    QFETCH(QString, naPastaAtual);
    QFETCH(QString, noPath);
    QFETCH(int, erro);

    const auto criar = [](const QString &pasta, const QString &tipo) {
        const QString nome = pasta + "/ZAM7.exe";
        if (tipo == "arquivo") {
            escreverArquivo(nome, "MZ");
            QFile::setPermissions(nome, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                            QFile::ReadOther);
        } else if (tipo == "lixo") {
            escreverArquivo(nome, "not a program\n");
            QFile::setPermissions(nome, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                            QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                            QFile::ExeOther);
        } else if (tipo == "pasta") {
            QDir().mkpath(nome);
        }
    };
    const QString atual = novaPasta("atual");
    const QString path = novaPasta("path");
    criar(atual, naPastaAtual);
    criar(path, noPath);
    qputenv("PATH", QFile::encodeName(path));
    QVERIFY(QDir::setCurrent(atual));

    try {
        executarPrograma("ZAM7.exe", "");
        QFAIL("starting must fail");
    } catch (const EZamErro &e) {
        QCOMPARE(e.mensagem(), textoDoSistema(erro));
    }
}

void TestPlatformIni::executarArgumentos_data()
{
    QTest::addColumn<QString>("argumentos");
    QTest::addColumn<QStringList>("recebidos");

    QTest::newRow("none") << "" << QStringList();
    QTest::newRow("blanks only") << "   " << QStringList();
    QTest::newRow("one word") << "ZamdefTeste" << QStringList{"ZamdefTeste"};
    QTest::newRow("quoted with blanks")
        << "um \"dois tres\"  quatro" << QStringList{"um", "dois tres", "quatro"};
}

void TestPlatformIni::executarArgumentos()
{
    QFETCH(QString, argumentos);
    QFETCH(QStringList, recebidos);
    const QString atual = novaPasta("atual");
    QVERIFY(!copiarZam7(atual).isEmpty());
    QVERIFY(QDir::setCurrent(atual));

    executarPrograma("ZAM7.exe", argumentos);

    const std::vector<QJsonObject> inicios = esperarRegistroZam7(FRegistro, 1);
    QCOMPARE(inicios.size(), size_t(1));
    QCOMPARE(inicios.front()["args"].toArray(), QJsonArray::fromStringList(recebidos));
}

void TestPlatformIni::zam7RegistraZamconDoMomento()
{
    const QString atual = novaPasta("atual");
    QVERIFY(!copiarZam7(atual).isEmpty());
    QVERIFY(QDir::setCurrent(atual));
    const QString ini = atual + "/zamcon.ini";

    escreverArquivo(ini,
                    "[servidor]\r\nnome=srv1\r\nporta=3050\r\n[ZAM]\r\nCAMINHO=c:\\x\\ZAM.FDB\r\n");
    executarPrograma("ZAM7.exe", "");
    QCOMPARE(esperarRegistroZam7(FRegistro, 1).size(), size_t(1));
    escreverArquivo(ini, "[SERVIDOR]\r\nPORTA=3055\r\n");
    executarPrograma("ZAM7.exe", "");

    const std::vector<QJsonObject> inicios = esperarRegistroZam7(FRegistro, 2);
    QCOMPARE(inicios.size(), size_t(2));
    QCOMPARE(inicios[0]["NOME"].toString(), QString("srv1"));
    QCOMPARE(inicios[0]["PORTA"].toString(), QString("3050"));
    QCOMPARE(inicios[0]["CAMINHO"].toString(), QString("c:\\x\\ZAM.FDB"));
    QVERIFY(inicios[1]["NOME"].isNull());
    QCOMPARE(inicios[1]["PORTA"].toString(), QString("3055"));
    QVERIFY(inicios[1]["CAMINHO"].isNull());
}

QTEST_GUILESS_MAIN(TestPlatformIni)
#include "tst_ini.moc"
