#include "catalog/uTZamDadosList.h"
#include "support/firebirdTeste.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

namespace {

const QString sqlUltimo = QStringLiteral("select ultimo from zamdef");
const QString consultaLonga =
    QStringLiteral("select count(*) from rdb$types a, rdb$types b, rdb$types c, rdb$types d");

struct TSaidaProcesso
{
    int status = -1;
    QString saida;
    QString erros;
};

} // namespace

// zamdados-sql run as a user runs it, over a catalogue of real databases.
class TstLinhaComando : public QObject
{
    Q_OBJECT

private:
    TPastaDadosTeste FPasta;

    void catalogar(TPastaDadosTeste &pasta, const QStringList &nomes)
    {
        TZamDadosList lista(pasta.host());
        for (const QString &nome : nomes)
            lista.items().insert(nome, pasta.registro(nome));
        lista.save();
    }

    QProcess *iniciar(const QStringList &argumentos, const QProcessEnvironment &ambiente = {})
    {
        auto *processo = new QProcess(this);
        if (!ambiente.isEmpty())
            processo->setProcessEnvironment(ambiente);
        processo->start(QStringLiteral(ZAMDADOS_SQL), argumentos);
        return processo;
    }

    TSaidaProcesso rodar(const QStringList &argumentos, const QProcessEnvironment &ambiente = {})
    {
        QProcess *processo = iniciar(argumentos, ambiente);
        TSaidaProcesso resultado;
        if (!processo->waitForFinished(120000)) {
            processo->kill();
            resultado.erros = QStringLiteral("did not end");
            return resultado;
        }
        resultado.status =
            processo->exitStatus() == QProcess::NormalExit ? processo->exitCode() : -1;
        resultado.saida = QString::fromUtf8(processo->readAllStandardOutput());
        resultado.erros = QString::fromUtf8(processo->readAllStandardError());
        delete processo;
        return resultado;
    }

    QStringList naPasta(const QStringList &argumentos) const
    {
        return QStringList{QStringLiteral("--pasta"), FPasta.compartilhamento()} + argumentos;
    }

private Q_SLOTS:
    void initTestCase()
    {
        ZAM_EXIGIR_FIREBIRD();
        TBaseTeste alfa = TBaseTeste::comTrabalhadores(QStringLiteral("Alfa"), 2);
        alfa.ultimo = {QStringLiteral("7.4;2 \"x\"")};
        TBaseTeste beta = TBaseTeste::comTrabalhadores(QStringLiteral("Beta"), 1);
        beta.ultimo = {QStringLiteral("Versão 8")};
        TBaseTeste gama = TBaseTeste::comTrabalhadores(QStringLiteral("Gama"), 1);
        gama.ultimo = {QStringLiteral("versão 8")};
        TBaseTeste sem = TBaseTeste::comTrabalhadores(QStringLiteral("Sem zamdef"), 1);
        sem.tabelasAusentes = {QStringLiteral("zamdef")};
        QCOMPARE(FPasta.criarBases({alfa, beta, gama, sem}), QString());
        catalogar(FPasta, {"Alfa", "Beta", "Gama", "Sem zamdef"});
    }

    // A data folder named relative to the current folder, as a user types it: the server,
    // which runs in a folder of its own, is given the whole path.
    void pastaRelativa()
    {
        const QFileInfo pasta(FPasta.compartilhamento());
        // A folder beside the data folder: the path from it, "../<data folder>", leads
        // nowhere from the server's own folder.
        QTemporaryDir vizinha(pasta.absolutePath() + QStringLiteral("/zamVizinha.XXXXXX"));
        QVERIFY(vizinha.isValid());
        QProcess processo;
        processo.setWorkingDirectory(vizinha.path());
        processo.start(QStringLiteral(ZAMDADOS_SQL),
                       {QStringLiteral("--pasta"), QStringLiteral("../") + pasta.fileName(),
                        QStringLiteral("-b"), QStringLiteral("Alfa"), sqlUltimo});
        QVERIFY(processo.waitForFinished(120000));
        const QString erros = QString::fromUtf8(processo.readAllStandardError());
        QCOMPARE(processo.exitCode(), 0);
        QVERIFY2(erros.contains(QStringLiteral("1 bases · 1 com resultado · 0 falhas")),
                 qPrintable(erros));
        QVERIFY(QString::fromUtf8(processo.readAllStandardOutput())
                    .contains(QStringLiteral("7.4;2 \"x\"")));
    }

    // The three formats on a run where one database fails: exit status 1, each database
    // accounted for, the failure's message in its place.
    void formatos_data()
    {
        QTest::addColumn<QStringList>("argumentos");
        QTest::newRow("csv by database") << QStringList{"-f", "csv"};
        QTest::newRow("csv by result") << QStringList{"-f", "csv", "-g", "resultado"};
        QTest::newRow("table by database") << QStringList{"-f", "tabela"};
        QTest::newRow("jsonl by database") << QStringList{"-f", "jsonl"};
    }
    void formatos()
    {
        QFETCH(QStringList, argumentos);
        const TSaidaProcesso r = rodar(naPasta(argumentos << sqlUltimo));
        QCOMPARE(r.status, 1);
        QVERIFY2(r.erros.contains(QStringLiteral("4 bases · 3 com resultado · 1 falhas")),
                 qPrintable(r.erros));
        const QString tag = QTest::currentDataTag();
        if (tag == u"csv by database") {
            const QStringList linhas = r.saida.split(QStringLiteral("\r\n"));
            QCOMPARE(linhas.size(), 6);
            QCOMPARE(linhas.mid(0, 4), QStringList({"base;ULTIMO;erro", "Alfa;\"7.4;2 \"\"x\"\"\";",
                                                    "Beta;Versão 8;", "Gama;versão 8;"}));
            QVERIFY2(linhas[4].startsWith(QStringLiteral("Sem zamdef;;")), qPrintable(linhas[4]));
            QVERIFY2(linhas[4].contains(QStringLiteral("ZAMDEF")), qPrintable(linhas[4]));
        } else if (tag == u"csv by result") {
            const QStringList linhas = r.saida.split(QStringLiteral("\r\n"));
            QCOMPARE(linhas.first(), QStringLiteral("valor;contagem;base"));
            // The two spellings of one value share a group, headed by the first one met.
            QCOMPARE(linhas.filter(QStringLiteral(";2;")).size(), 2);
            QVERIFY(linhas.at(1).contains(QStringLiteral("ersão 8;2;")));
            QVERIFY(linhas.at(2).contains(QStringLiteral("ersão 8;2;")));
            QCOMPARE(linhas.filter(QStringLiteral("\"7.4;2 \"\"x\"\"\";1;Alfa")).size(), 1);
            QCOMPARE(linhas.filter(QStringLiteral(";1;Sem zamdef")).size(), 1);
        } else if (tag == u"table by database") {
            QVERIFY2(r.saida.contains(QStringLiteral("Alfa: 1 linhas, ")), qPrintable(r.saida));
            QVERIFY(r.saida.contains(QStringLiteral("  ULTIMO\n  7.4;2 \"x\"\n")));
            QVERIFY(r.saida.contains(QStringLiteral("Sem zamdef: FALHOU\n")));
        } else {
            QStringList bases;
            for (const QString &linha : r.saida.split(u'\n', Qt::SkipEmptyParts)) {
                QJsonParseError erro;
                const QJsonObject objeto = QJsonDocument::fromJson(linha.toUtf8(), &erro).object();
                QCOMPARE(erro.error, QJsonParseError::NoError);
                const QString base = objeto.value("base").toString();
                bases << base;
                QVERIFY(objeto.contains("ms"));
                if (base == u"Sem zamdef") {
                    QVERIFY(objeto.value("erro").toString().contains(QStringLiteral("ZAMDEF")));
                    QCOMPARE(objeto.value("linhas").toArray().size(), 0);
                } else {
                    QVERIFY(!objeto.contains("erro"));
                    QCOMPARE(objeto.value("campos").toArray().at(0).toString(),
                             QStringLiteral("ULTIMO"));
                    QCOMPARE(objeto.value("linhas").toArray().size(), 1);
                }
            }
            bases.sort();
            QCOMPARE(bases, QStringList({"Alfa", "Beta", "Gama", "Sem zamdef"}));
        }
    }

    // 0 when every database answered; 2, with the reason and nothing run, for bad usage, a
    // refused text and a catalogue that cannot be loaded.
    void statusDeSaida_data()
    {
        QTest::addColumn<QStringList>("argumentos");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("mensagem");
        QTest::newRow("all answer")
            << QStringList{"-b", "ALF", sqlUltimo} << 0 << "1 bases · 1 com resultado · 0 falhas";
        QTest::newRow("unknown option") << QStringList{"--xyz", sqlUltimo} << 2 << "xyz";
        QTest::newRow("bad format") << QStringList{"-f", "xml", sqlUltimo} << 2 << "--formato";
        QTest::newRow("no text") << QStringList{} << 2 << "Falta o texto SQL";
        QTest::newRow("bad parallel") << QStringList{"-j", "0", sqlUltimo} << 2 << "--paralelo";
        QTest::newRow("refused text") << QStringList{"select gen_id(g, 1) from rdb$database"} << 2
                                      << "O texto não foi executado em nenhuma base: GEN_ID";
    }
    void statusDeSaida()
    {
        QFETCH(QStringList, argumentos);
        QFETCH(int, status);
        QFETCH(QString, mensagem);
        const TSaidaProcesso r = rodar(naPasta(argumentos));
        QVERIFY2(r.erros.contains(mensagem), qPrintable(r.erros));
        QCOMPARE(r.status, status);
    }

    // --repetir runs only the databases an earlier output lists as failed.
    void repetir_data()
    {
        QTest::addColumn<QString>("formato");
        QTest::newRow("jsonl") << "jsonl";
        QTest::newRow("csv") << "csv";
    }
    void repetir()
    {
        QFETCH(QString, formato);
        QTemporaryDir pasta;
        const QString anterior = pasta.filePath(QStringLiteral("anterior.") + formato);
        const TSaidaProcesso primeira = rodar(naPasta({"-f", formato, "-o", anterior, sqlUltimo}));
        QCOMPARE(primeira.status, 1);
        QCOMPARE(primeira.saida, QString());
        const TSaidaProcesso segunda = rodar(
            naPasta({"-f", "csv", "--repetir", anterior, "select count(*) from trabalhador"}));
        QCOMPARE(segunda.saida, QStringLiteral("base;COUNT;erro\r\nSem zamdef;1;\r\n"));
        QCOMPARE(segunda.status, 0);
    }

    void repetirArquivoDesconhecido()
    {
        QTemporaryDir pasta;
        const QString anterior = pasta.filePath(QStringLiteral("resultado.csv"));
        QCOMPARE(rodar(naPasta({"-f", "csv", "-g", "resultado", "-o", anterior, sqlUltimo})).status,
                 1);
        const TSaidaProcesso r = rodar(naPasta({"--repetir", anterior, sqlUltimo}));
        QCOMPARE(r.status, 2);
        QVERIFY2(r.erros.contains(QStringLiteral("--repetir")), qPrintable(r.erros));
    }

    void catalogoIlegivel()
    {
        QTemporaryDir pasta;
        QVERIFY(QDir(pasta.path()).mkpath(QStringLiteral("ZamDados.csv")));
        const TSaidaProcesso r = rodar({"--pasta", pasta.path(), sqlUltimo});
        QCOMPARE(r.status, 2);
        QVERIFY2(r.erros.contains(QStringLiteral("não pôde ser carregado")), qPrintable(r.erros));
    }

    // A data folder that is not there, or has no ZAM_DADOS (a typing slip), is bad usage, not
    // a run in no database that ends as a success.
    void pastaSemBases_data()
    {
        QTest::addColumn<QString>("subpasta");
        QTest::addColumn<QString>("mensagem");
        QTest::newRow("no such folder") << "nada"
                                        << "não existe";
        QTest::newRow("no ZAM_DADOS") << ""
                                      << "não tem a pasta ZAM_DADOS";
    }
    void pastaSemBases()
    {
        QFETCH(QString, subpasta);
        QFETCH(QString, mensagem);
        QTemporaryDir pasta;
        const QString dados = subpasta.isEmpty() ? pasta.path() : pasta.filePath(subpasta);
        const TSaidaProcesso r = rodar({"--pasta", dados, sqlUltimo});
        QCOMPARE(r.status, 2);
        QVERIFY2(r.erros.contains(mensagem), qPrintable(r.erros));
        QCOMPARE(r.saida, QString());
    }

    // Ctrl+C during a long query: the statements are cancelled on the server, the output is
    // complete, and the status is 130.
    void interrompido_data()
    {
        QTest::addColumn<int>("sinal");
        QTest::addColumn<int>("status");
        QTest::newRow("SIGINT") << int(SIGINT) << 130;
        QTest::newRow("SIGTERM") << int(SIGTERM) << 143;
    }
    void interrompido()
    {
        QFETCH(int, sinal);
        QFETCH(int, status);
        QProcess *processo = iniciar(naPasta({"-f", "jsonl", consultaLonga}));
        QVERIFY(processo->waitForStarted());
        const TServidorFirebirdTeste &servidor = TServidorFirebirdTeste::instancia();
        QTRY_COMPARE_WITH_TIMEOUT(servidor.bancosEmUso().filter(FPasta.compartilhamento()).size(),
                                  4, 20000);
        QTest::qWait(300);
        QElapsedTimer relogio;
        relogio.start();
        ::kill(pid_t(processo->processId()), sinal);
        QVERIFY(processo->waitForFinished(5000));
        QVERIFY2(relogio.elapsed() < 3000, qPrintable(QString::number(relogio.elapsed())));
        QCOMPARE(processo->exitStatus(), QProcess::NormalExit);
        QCOMPARE(processo->exitCode(), status);
        const QStringList linhas =
            QString::fromUtf8(processo->readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(linhas.size(), 4);
        for (const QString &linha : linhas)
            QVERIFY2(linha.contains(QStringLiteral("\"erro\":\"Cancelado\"")), qPrintable(linha));
        QCOMPARE(servidor.aguardarBancosLivres(FPasta.compartilhamento()), QStringList());
    }

    // A database still working past the limit is cancelled and counts as failed.
    void tempoLimite()
    {
        QElapsedTimer relogio;
        relogio.start();
        const TSaidaProcesso r =
            rodar(naPasta({"-t", "1", "-b", "beta", "-f", "csv", consultaLonga}));
        QCOMPARE(r.status, 1);
        QVERIFY2(relogio.elapsed() < 5000, qPrintable(QString::number(relogio.elapsed())));
        QVERIFY2(
            r.saida.contains(QStringLiteral(
                "base;erro\r\nBeta;\"Tempo limite de 1 s esgotado; a consulta foi cancelada.\"")),
            qPrintable(r.saida));
        QCOMPARE(
            TServidorFirebirdTeste::instancia().aguardarBancosLivres(FPasta.compartilhamento()),
            QStringList());
    }

    // A database whose path has accents answers whatever the locale says, one that is not
    // generated or plain ASCII included.
    void caminhoAcentuado_data()
    {
        QTest::addColumn<QString>("lcAll");
        QTest::addColumn<QString>("lang");
        QTest::newRow("locale not generated") << QString() << "pt_XX.UTF-8";
        QTest::newRow("C") << "C"
                           << "C";
        QTest::newRow("C.UTF-8") << "C.UTF-8" << QString();
    }
    void caminhoAcentuado()
    {
        QFETCH(QString, lcAll);
        QFETCH(QString, lang);
        static TPastaDadosTeste acentos;
        static bool criada = false;
        if (!criada) {
            QCOMPARE(
                acentos.criarBase(TBaseTeste::comTrabalhadores(QStringLiteral("José Açaí"), 3)),
                QString());
            catalogar(acentos, {QStringLiteral("José Açaí")});
            criada = true;
        }
        QProcessEnvironment ambiente = QProcessEnvironment::systemEnvironment();
        ambiente.remove(QStringLiteral("LC_ALL"));
        ambiente.remove(QStringLiteral("LC_CTYPE"));
        ambiente.remove(QStringLiteral("LANG"));
        if (!lcAll.isEmpty())
            ambiente.insert(QStringLiteral("LC_ALL"), lcAll);
        if (!lang.isEmpty())
            ambiente.insert(QStringLiteral("LANG"), lang);
        const TSaidaProcesso r = rodar({"--pasta", acentos.compartilhamento(), "-f", "csv",
                                        "select count(*) from trabalhador"},
                                       ambiente);
        QVERIFY2(r.saida.contains(QStringLiteral("José Açaí;3;\r\n")),
                 qPrintable(r.saida + r.erros));
        QCOMPARE(r.status, 0);
    }
};

QTEST_GUILESS_MAIN(TstLinhaComando)
#include "tst_linhacomando.moc"
