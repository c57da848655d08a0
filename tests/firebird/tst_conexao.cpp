#include "firebird/conexaoZam.h"
#include "platform/erros.h"
#include "support/firebirdTeste.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <latch>
#include <thread>

namespace {

const QString padaria = QStringLiteral("Padaria São João");
const QString razaoPadaria = QStringLiteral("Padaria São João — Açúcar & Café € Ltda");

// The message of the failure of Open, or "" when it did not fail.
QString falhaDoOpen(TConsultaZam &consulta)
{
    try {
        consulta.Open();
    } catch (const EZamErro &erro) {
        return erro.mensagem();
    }
    return QString();
}

} // namespace

class TstConexao : public QObject
{
    Q_OBJECT

private:
    TPastaDadosTeste FPasta;

    TZamDadosItemPtr registro(const QString &nome) const { return FPasta.registro(nome); }
    QStringList emUso() const
    {
        return TServidorFirebirdTeste::instancia().aguardarBancosLivres(FPasta.compartilhamento());
    }

private Q_SLOTS:
    void initTestCase()
    {
        ZAM_EXIGIR_FIREBIRD();
        TBaseTeste padariaBase = TBaseTeste::comTrabalhadores(padaria, 12, 3);
        padariaBase.razao = razaoPadaria;
        padariaBase.comandos = {QStringLiteral("create sequence g"),
                                QStringLiteral("alter sequence g restart with 100")};
        TBaseTeste nulos;
        nulos.nome = QStringLiteral("Nulos");
        nulos.ultimo = {std::nullopt};
        nulos.uf = {std::nullopt};
        nulos.trabalhadores = {{std::nullopt, 2}, {QStringLiteral("1"), 1}};
        TBaseTeste vazia;
        vazia.nome = QStringLiteral("Vazia");
        vazia.ultimo = {};
        vazia.uf = {};
        TBaseTeste semZamdef = TBaseTeste::comTrabalhadores(QStringLiteral("Sem zamdef"), 4);
        semZamdef.tabelasAusentes = {QStringLiteral("zamdef")};
        QCOMPARE(FPasta.criarBases({padariaBase, nulos, vazia, semZamdef}), QString());
    }

    // Field 0 as text and as integer: counts, text, NULL and no row at all.
    void campoZero_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<bool>("eof");
        // The integer, or the failure reading it as one.
        QTest::addColumn<qint32>("inteiro");
        QTest::addColumn<QString>("erroInteiro");

        QTest::newRow("active workers")
            << padaria << "select count(*) from trabalhador where situacao = '1'"
            << "12" << false << 12 << "";
        QTest::newRow("all workers") << padaria << "select count(*) from trabalhador"
                                     << "15" << false << 15 << "";
        QTest::newRow("version text")
            << padaria << "select ultimo from zamdef"
            << "7.4.2" << false << 0 << "'7.4.2' is not a valid integer value";
        QTest::newRow("NULL version") << "Nulos"
                                      << "select ultimo from zamdef"
                                      << "" << false << 0 << "";
        QTest::newRow("NULL uf") << "Nulos"
                                 << "select uf from empresa"
                                 << "" << false << 0 << "";
        QTest::newRow("NULL situacao counted")
            << "Nulos"
            << "select count(*) from trabalhador where situacao is null"
            << "2" << false << 2 << "";
        QTest::newRow("empty zamdef") << "Vazia"
                                      << "select ultimo from zamdef"
                                      << "" << true << 0 << "";
        QTest::newRow("empty empresa") << "Vazia"
                                       << "select uf, razao from empresa"
                                       << "" << true << 0 << "";
        QTest::newRow("lowest 32-bit value")
            << padaria << "select cast(-2147483648 as bigint) from rdb$database"
            << "-2147483648" << false << std::numeric_limits<qint32>::min() << "";
        QTest::newRow("beyond 32 bits")
            << padaria << "select cast(2147483648 as bigint) from rdb$database"
            << "2147483648" << false << 0 << "'2147483648' is not a valid integer value";
    }
    void campoZero()
    {
        QFETCH(QString, base);
        QFETCH(QString, sql);
        QFETCH(QString, texto);
        QFETCH(bool, eof);
        QFETCH(qint32, inteiro);
        QFETCH(QString, erroInteiro);

        TConsultaZam consulta(registro(base)->GetstringConnection(), sql);
        QCOMPARE(falhaDoOpen(consulta), QString());
        QCOMPARE(consulta.Eof(), eof);
        QCOMPARE(consulta.campoTexto(), texto);
        QVERIFY(!consulta.campoTexto().isNull() || texto.isEmpty());
        QString erro;
        qint32 lido = -1;
        try {
            lido = consulta.campoInteiro();
        } catch (const EZamErro &e) {
            erro = e.mensagem();
        }
        QCOMPARE(erro, erroInteiro);
        if (erroInteiro.isEmpty())
            QCOMPARE(lido, inteiro);
        QCOMPARE(consulta.RecordCount(), eof ? 0 : 1);
        consulta.Release();
        QCOMPARE(emUso(), QStringList());
    }

    void semLinhas()
    {
        TConsultaZam consulta(registro(padaria)->GetstringConnection(),
                              "select registro, nome from trabalhador where registro < 0");
        QCOMPARE(falhaDoOpen(consulta), QString());
        QVERIFY(consulta.Eof());
        QCOMPARE(consulta.FieldCount(), 2);
        QCOMPARE(consulta.FieldName(1), QStringLiteral("NOME"));
        QCOMPARE(consulta.campoTexto(1), QString());
        QCOMPARE(consulta.campoInteiro(0), 0);
        QCOMPARE(consulta.RecordCount(), 0);
        consulta.Next();
        QVERIFY(consulta.Eof());
    }

    // Several rows read with Next up to Eof, whatever RecordCount fetched ahead.
    void variasLinhas_data()
    {
        QTest::addColumn<int>("contarNaLinha");
        QTest::newRow("no RecordCount") << -1;
        QTest::newRow("RecordCount first") << 0;
        QTest::newRow("RecordCount midway") << 7;
        QTest::newRow("RecordCount at the last row") << 14;
    }
    void variasLinhas()
    {
        QFETCH(int, contarNaLinha);
        TConsultaZam consulta(registro(padaria)->GetstringConnection(),
                              "select registro, nome, situacao as \"Situação\" "
                              "from trabalhador order by registro");
        QCOMPARE(falhaDoOpen(consulta), QString());
        QCOMPARE(consulta.FieldCount(), 3);
        QCOMPARE(consulta.FieldName(0), QStringLiteral("REGISTRO"));
        QCOMPARE(consulta.FieldName(1), QStringLiteral("NOME"));
        QCOMPARE(consulta.FieldName(2), QStringLiteral("Situação"));
        QStringList registros;
        QString situacoes;
        for (int linha = 0; !consulta.Eof(); ++linha) {
            if (linha == contarNaLinha)
                QCOMPARE(consulta.RecordCount(), 15);
            registros << consulta.campoTexto(0);
            QCOMPARE(consulta.campoTexto(1),
                     QStringLiteral("Trabalhador ") + consulta.campoTexto(0));
            situacoes += consulta.campoTexto(2);
            consulta.Next();
        }
        QStringList esperados;
        for (int i = 1; i <= 15; ++i)
            esperados << QString::number(i);
        QCOMPARE(registros, esperados);
        QCOMPARE(situacoes, QStringLiteral("111111111111222"));
        QCOMPARE(consulta.RecordCount(), 15);
        QVERIFY(consulta.Eof());
    }

    void indiceForaDosCampos()
    {
        TConsultaZam consulta(registro(padaria)->GetstringConnection(),
                              "select count(*) from trabalhador");
        QCOMPARE(falhaDoOpen(consulta), QString());
        for (int i : {-1, 1}) {
            QString erro;
            try {
                consulta.campoTexto(i);
            } catch (const EZamErro &e) {
                erro = e.mensagem();
            }
            QCOMPARE(erro, QStringLiteral("List index out of bounds (%1)").arg(i));
        }
    }

    // Text goes both ways as Windows-1252: in the SQL text and in the values.
    void textoWindows1252()
    {
        TConsultaZam valor(registro(padaria)->GetstringConnection(),
                           "select razao, octet_length(razao) from empresa");
        QCOMPARE(falhaDoOpen(valor), QString());
        QCOMPARE(valor.campoTexto(0), razaoPadaria);
        // One byte per character: stored as Windows-1252, not as UTF-8.
        QCOMPARE(valor.campoInteiro(1), razaoPadaria.size());
        valor.Release();

        TConsultaZam filtro(registro(padaria)->GetstringConnection(),
                            QStringLiteral("select count(*) from empresa where razao = '") +
                                razaoPadaria + u'\'');
        QCOMPARE(falhaDoOpen(filtro), QString());
        QCOMPARE(filtro.campoInteiro(), 1);
        filtro.Release();

        // A character that Windows-1252 lacks cannot reach the server unchanged.
        TConsultaZam fora(registro(padaria)->GetstringConnection(),
                          u"select count(*) from empresa where razao = 'Ł'"_qs);
        QCOMPARE(falhaDoOpen(fora),
                 QStringLiteral("O texto SQL tem caracteres que não existem em Windows-1252."));
        QVERIFY(!fora.Active());
    }

    // Every value comes as the server's text, with its original type kept beside it.
    void tiposComoTexto_data()
    {
        QTest::addColumn<QString>("expressao");
        QTest::addColumn<QString>("texto");
        QTest::addColumn<TTipoCampoZam>("tipo");
        QTest::addColumn<int>("escala");

        QTest::newRow("integer") << "cast(-7 as integer)"
                                 << "-7" << TTipoCampoZam::Inteiro << 0;
        QTest::newRow("bigint") << "cast(9223372036854775807 as bigint)"
                                << "9223372036854775807" << TTipoCampoZam::Inteiro << 0;
        QTest::newRow("numeric(15,2)") << "cast(1234567890123.4 as numeric(15,2))"
                                       << "1234567890123.40" << TTipoCampoZam::Numerico << -2;
        QTest::newRow("numeric(4,1) negative") << "cast(-0.5 as numeric(4,1))"
                                               << "-0.5" << TTipoCampoZam::Numerico << -1;
        QTest::newRow("date") << "date '2024-01-31'"
                              << "2024-01-31" << TTipoCampoZam::Data << 0;
        QTest::newRow("time") << "time '13:45:06.7891'"
                              << "13:45:06.7891" << TTipoCampoZam::Hora << 0;
        QTest::newRow("timestamp") << "timestamp '2024-01-31 13:45:06.789'"
                                   << "31-JAN-2024 13:45:06.7890" << TTipoCampoZam::DataHora << 0;
        QTest::newRow("double") << "cast(0.25 as double precision)"
                                << "0.2500000000000000" << TTipoCampoZam::Flutuante << 0;
        QTest::newRow("boolean") << "(1 = 1)"
                                 << "TRUE" << TTipoCampoZam::Booleano << 0;
        QTest::newRow("text blob") << "cast('Ação longa' as blob sub_type text)"
                                   << "Ação longa" << TTipoCampoZam::Blob << 0;
        QTest::newRow("char keeps its blanks") << "cast('ab' as char(4))"
                                               << "ab  " << TTipoCampoZam::Texto << 0;
    }
    void tiposComoTexto()
    {
        QFETCH(QString, expressao);
        QFETCH(QString, texto);
        QFETCH(TTipoCampoZam, tipo);
        QFETCH(int, escala);
        TConsultaZam consulta(registro(padaria)->GetstringConnection(),
                              QStringLiteral("select ") + expressao +
                                  QStringLiteral(" as valor from rdb$database"));
        QCOMPARE(falhaDoOpen(consulta), QString());
        QCOMPARE(consulta.campoTexto(), texto);
        QCOMPARE(consulta.campo(0).tipo, tipo);
        QCOMPARE(consulta.campo(0).escala, escala);
    }

    // Open fails with the library's or the server's own words, at once, and leaves nothing
    // open.
    void falhas_data()
    {
        QTest::addColumn<QString>("banco");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("mensagem");

        const quint16 livre = portaSemServidor();
        QVERIFY(livre != 0);
        TZamDadosItemPtr semServidor = FPasta.registro(padaria);
        semServidor->Setporta(livre);
        QTest::newRow("no server on the port")
            << semServidor->GetstringConnection() << "select 1 from rdb$database"
            << "Unable to complete network request to host \"localhost\".\n"
               "Failed to establish a connection.";
        const QString ausente = FPasta.arquivo(QStringLiteral("Não existe"));
        QTest::newRow("wrong path") << registro(QStringLiteral("Não existe"))->GetstringConnection()
                                    << "select 1 from rdb$database"
                                    << "I/O error during \"open\" operation for file \"" + ausente +
                                           "\"\nError while trying to open file\n"
                                           "No such file or directory";
        QTest::newRow("missing table")
            << registro(QStringLiteral("Sem zamdef"))->GetstringConnection()
            << "select ultimo from zamdef"
            << "Dynamic SQL Error\nSQL error code = -204\nTable unknown\nZAMDEF\n"
               "At line 1, column 20";
        QTest::newRow("invalid statement")
            << registro(padaria)->GetstringConnection() << "selec ultimo from zamdef"
            << "Dynamic SQL Error\nSQL error code = -104\nToken unknown - line 1, column 1\nselec";
    }
    void falhas()
    {
        QFETCH(QString, banco);
        QFETCH(QString, sql);
        QFETCH(QString, mensagem);
        TConsultaZam consulta(banco, sql);
        QElapsedTimer relogio;
        relogio.start();
        QCOMPARE(falhaDoOpen(consulta), mensagem);
        QVERIFY2(relogio.elapsed() < 3000, qPrintable(QString::number(relogio.elapsed())));
        QVERIFY(!consulta.Active());
        QVERIFY(consulta.Eof());
        QCOMPARE(consulta.FieldCount(), 0);
        QCOMPARE(emUso(), QStringList());
        consulta.Release();
        consulta.Release();
    }

    // Only a query that reads runs: what would write (a row, a sequence, another session) is
    // refused, by its text before anything is sent or by the server's classification, and
    // nothing changes, neither the rows, nor the sequence, nor the uncommitted work of another
    // session.
    void somenteLeitura_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("mensagem");
        const auto servidor = [](const QString &comando) {
            return QStringLiteral("Só consultas (SELECT) podem ser executadas; o servidor "
                                  "classificou o texto como %1.")
                .arg(comando);
        };
        const QString texto = QStringLiteral("O texto não foi executado em nenhuma base: ");
        const QString genId = texto + "GEN_ID com passo diferente de 0 altera o gerador. Para "
                                      "só ler o valor, use GEN_ID(gerador, 0).";
        QTest::newRow("delete") << "delete from trabalhador" << servidor("DELETE");
        QTest::newRow("update") << "update trabalhador set situacao = '9'" << servidor("UPDATE");
        QTest::newRow("insert") << "insert into trabalhador (registro) values (99)"
                                << servidor("INSERT");
        QTest::newRow("ddl") << "drop table zamdef"
                             << servidor("comando de definição de dados (DDL)");
        QTest::newRow("set generator") << "set generator g to 5" << servidor("SET GENERATOR");
        QTest::newRow("transaction") << "commit" << servidor("controle de transação");
        QTest::newRow("monitoring delete")
            << "delete from mon$attachments where mon$attachment_id <> current_connection"
            << servidor("DELETE");
        QTest::newRow("with lock")
            << "select registro from trabalhador with lock"
            << texto + "WITH LOCK bloqueia registros em uso por outras sessões. Só consultas que "
                       "apenas leem são permitidas.";
        QTest::newRow("gen_id step 1") << "select gen_id(g, 1) from rdb$database" << genId;
        QTest::newRow("gen_id negative step")
            << "select GEN_ID ( g , -50 ) from rdb$database" << genId;
        QTest::newRow("gen_id in a where")
            << "select 1 from rdb$database where gen_id(g, 1000) > 0" << genId;
        QTest::newRow("next value for")
            << "select next value for g from rdb$database"
            << texto + "NEXT VALUE FOR avança o gerador em cada base. Para só ler o valor, use "
                       "GEN_ID(gerador, 0).";
        QTest::newRow("execute block")
            << "execute block returns (x bigint) as begin x = 1; suspend; end"
            << texto + "EXECUTE BLOCK pode alterar dados. Só consultas (SELECT) são permitidas.";
        QTest::newRow("two statements")
            << "select 1 from rdb$database; delete from trabalhador"
            << texto + "ele tem mais de um comando. Execute uma consulta por vez.";
    }
    void somenteLeitura()
    {
        QFETCH(QString, sql);
        QFETCH(QString, mensagem);
        const QString arquivo = FPasta.arquivo(padaria);
        TSessaoPendente outra(arquivo, QStringLiteral("insert into trabalhador (registro, nome) "
                                                      "values (500, 'de outra sessão')"));
        QCOMPARE(outra.erro(), QString());
        const QString conferir = QStringLiteral(
            "select count(*) + 1000 * (select count(*) from zamdef) from trabalhador");
        {
            TConsultaZam escrita(registro(padaria)->GetstringConnection(), sql);
            QCOMPARE(falhaDoOpen(escrita), mensagem);
        }
        TConsultaZam conferencia(registro(padaria)->GetstringConnection(),
                                 "select count(*), sum(iif(situacao = '1', 1, 0)), "
                                 "(select count(*) from zamdef), gen_id(g, 0) from trabalhador");
        QCOMPARE(falhaDoOpen(conferencia), QString());
        QCOMPARE(conferencia.campoInteiro(0), 15);
        QCOMPARE(conferencia.campoInteiro(1), 12);
        QCOMPARE(conferencia.campoInteiro(2), 1);
        QCOMPARE(conferencia.campoInteiro(3), 100);
        // The other session is still attached and still sees its own row.
        QString erro;
        QCOMPARE(outra.contar(conferir, &erro), 1016);
        QCOMPARE(erro, QString());
    }

    // What only reads runs, however it is written: gen_id with step 0, WITH, the words that
    // are refused inside comments and literals, a trailing semicolon.
    void consultasPermitidas_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("valor");
        QTest::newRow("gen_id step 0") << "select gen_id(g, 0) from rdb$database"
                                       << "100";
        QTest::newRow("with") << "with t as (select count(*) as n from trabalhador) "
                                 "select n from t"
                              << "15";
        QTest::newRow("words in literals and comments")
            << "select 'next value for g; gen_id(g, 1)' /* execute block */ from rdb$database "
               "-- gen_id(g, 5)"
            << "next value for g; gen_id(g, 1)";
        QTest::newRow("q-string") << "select q'{gen_id(g, 1)}' from rdb$database"
                                  << "gen_id(g, 1)";
        QTest::newRow("trailing semicolon") << "select count(*) from trabalhador;\n"
                                            << "15";
    }
    void consultasPermitidas()
    {
        QFETCH(QString, sql);
        QFETCH(QString, valor);
        TConsultaZam consulta(registro(padaria)->GetstringConnection(), sql);
        QCOMPARE(falhaDoOpen(consulta), QString());
        QCOMPARE(consulta.campoTexto(0), valor);
    }

    // A text BLOB is read whole whatever its size; a binary one says what it holds.
    void blobs()
    {
        const QString texto = QStringLiteral("Relatório ").repeated(4000) + u'!';
        QCOMPARE(texto.size(), 40001);
        TConsultaZam consulta(registro(padaria)->GetstringConnection(),
                              "select cast(lpad('', 30000, 'Relatório ') as blob sub_type text "
                              "character set WIN1252) || lpad('', 10000, 'Relatório ') || '!', "
                              "cast(lpad('', 300, 'x') as blob sub_type binary), "
                              "cast(null as blob sub_type text) from rdb$database");
        QCOMPARE(falhaDoOpen(consulta), QString());
        QCOMPARE(consulta.campo(0).tipo, TTipoCampoZam::Blob);
        QCOMPARE(consulta.campoTexto(0), texto);
        QCOMPARE(consulta.campoTexto(1), QStringLiteral("(binário, 300 bytes)"));
        QVERIFY(consulta.campoNulo(2));
        QCOMPARE(consulta.campoTexto(2), QString());
    }

    // A server that never answers holds a worker for at most the connect timeout. Here one
    // accepts the connection and never speaks; the other never completes it (its queue is
    // full, so the kernel drops the packets, as for a host that has gone away).
    void servidorMudo_data()
    {
        QTest::addColumn<bool>("filaCheia");
        QTest::addColumn<QString>("mensagem");
        QTest::newRow("accepts, never answers")
            << false << "connection rejected by remote interface";
        QTest::newRow("never accepts")
            << true
            << "Unable to complete network request to host \"127.0.0.1\".\n"
               "Failed to establish a connection.\nNo answer within 10 seconds.";
    }
    void servidorMudo()
    {
        QFETCH(bool, filaCheia);
        QFETCH(QString, mensagem);
        // No event loop runs while Open waits, so the server never accepts anything itself.
        QTcpServer mudo;
        mudo.setListenBacklogSize(filaCheia ? 0 : 8);
        QVERIFY(mudo.listen(QHostAddress::LocalHost, 0));
        QTcpSocket ocupante;
        if (filaCheia) {
            ocupante.connectToHost(QHostAddress::LocalHost, mudo.serverPort());
            QVERIFY(ocupante.waitForConnected(2000));
            QTcpSocket sonda;
            sonda.connectToHost(QHostAddress::LocalHost, mudo.serverPort());
            QVERIFY2(!sonda.waitForConnected(1000), "the queue of the silent server is not full");
        }
        TConsultaZam consulta(
            QStringLiteral("127.0.0.1/%1:/srv/zam/ZAM.FDB").arg(mudo.serverPort()),
            QStringLiteral("select 1 from rdb$database"));
        QElapsedTimer relogio;
        relogio.start();
        QCOMPARE(falhaDoOpen(consulta), mensagem);
        const qint64 decorrido = relogio.elapsed();
        QVERIFY2(decorrido < 15000, qPrintable(QString::number(decorrido)));
        // It did wait: the failure is the timeout, not a refusal.
        QVERIFY2(decorrido >= 9000, qPrintable(QString::number(decorrido)));
    }

    // A job opens one connection per database, all at the same time.
    void sessentaAoMesmoTempo()
    {
        constexpr int bases = 60;
        TPastaDadosTeste pasta;
        std::vector<TBaseTeste> conteudo;
        for (int i = 0; i < bases; ++i)
            conteudo.push_back(
                TBaseTeste::comTrabalhadores(QStringLiteral("Cliente %1").arg(i), i, i % 7));
        QElapsedTimer relogio;
        relogio.start();
        QCOMPARE(pasta.criarBases(conteudo), QString());
        qInfo("%d databases made in %lld ms", bases, relogio.elapsed());

        std::vector<TZamDadosItemPtr> registros;
        for (const TBaseTeste &base : conteudo)
            registros.push_back(pasta.registro(base.nome));
        std::vector<qint32> ativos(bases, -1);
        std::vector<QString> versoes(bases);
        std::vector<QString> erros(bases);
        std::latch largada(bases);
        std::vector<std::thread> threads;
        relogio.restart();
        for (int i = 0; i < bases; ++i) {
            threads.emplace_back([&, i] {
                TConsultaZam consulta(registros[size_t(i)]->GetstringConnection(),
                                      "select count(*), (select max(ultimo) from zamdef) "
                                      "from trabalhador where situacao = '1'");
                largada.arrive_and_wait();
                try {
                    consulta.Open();
                    ativos[size_t(i)] = consulta.campoInteiro(0);
                    versoes[size_t(i)] = consulta.campoTexto(1);
                } catch (const EZamErro &erro) {
                    erros[size_t(i)] = erro.mensagem();
                }
            });
        }
        for (std::thread &thread : threads)
            thread.join();
        qInfo("%d simultaneous queries in %lld ms", bases, relogio.elapsed());
        for (int i = 0; i < bases; ++i) {
            QCOMPARE(erros[size_t(i)], QString());
            QCOMPARE(ativos[size_t(i)], i);
            QCOMPARE(versoes[size_t(i)], QStringLiteral("7.4.2"));
        }
        QCOMPARE(TServidorFirebirdTeste::instancia().aguardarBancosLivres(pasta.compartilhamento()),
                 QStringList());
    }

    // What the server sees: an open query holds its attachment; Release, the destructor and
    // a failed Open give it back.
    void conexaoDevolvida()
    {
        TServidorFirebirdTeste &servidor = TServidorFirebirdTeste::instancia();
        const QString arquivo = QFileInfo(FPasta.arquivo(padaria)).canonicalFilePath();
        QString erro;
        {
            TConsultaZam aberta(registro(padaria)->GetstringConnection(),
                                "select registro from trabalhador");
            QCOMPARE(falhaDoOpen(aberta), QString());
            QVERIFY(aberta.Active());
            QVERIFY(servidor.bancosEmUso(&erro).contains(arquivo));
            QCOMPARE(erro, QString());
            QVERIFY(servidor.conexoesAbertas(&erro) >= 1);
            aberta.Release();
            QVERIFY(!aberta.Active());
            QCOMPARE(emUso(), QStringList());
            aberta.Release();
        }
        {
            TConsultaZam esquecida(registro(padaria)->GetstringConnection(),
                                   "select registro from trabalhador");
            QCOMPARE(falhaDoOpen(esquecida), QString());
            QVERIFY(servidor.bancosEmUso().contains(arquivo));
        }
        QCOMPARE(emUso(), QStringList());

        // Failures after the attachment was made, many times over.
        for (int i = 0; i < 20; ++i) {
            TConsultaZam tabela(registro(QStringLiteral("Sem zamdef"))->GetstringConnection(),
                                "select * from zamdef");
            QVERIFY(!falhaDoOpen(tabela).isEmpty());
            TConsultaZam escrita(registro(padaria)->GetstringConnection(), "delete from zamdef");
            QVERIFY(!falhaDoOpen(escrita).isEmpty());
            escrita.Release();
        }
        QCOMPARE(emUso(), QStringList());
    }

    // Open a second time while open is refused; after Release the query opens afresh.
    void reabrir()
    {
        TConsultaZam consulta(registro(padaria)->GetstringConnection(),
                              "select count(*) from trabalhador");
        QCOMPARE(falhaDoOpen(consulta), QString());
        QCOMPARE(falhaDoOpen(consulta),
                 QStringLiteral("Cannot perform this operation on an open dataset"));
        QCOMPARE(consulta.campoInteiro(), 15);
        consulta.Release();
        QCOMPARE(falhaDoOpen(consulta), QString());
        QCOMPARE(consulta.campoInteiro(), 15);
    }
};

QTEST_GUILESS_MAIN(TstConexao)
#include "tst_conexao.moc"
