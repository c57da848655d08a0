#include "execucao/motorExecucao.h"
#include "firebird/conexaoZam.h"
#include "platform/ambienteC.h"
#include "platform/erros.h"
#include "support/firebirdTeste.h"

#include <QtTest>
#include <atomic>
#include <csignal>
#include <numeric>
#include <thread>

namespace {

// Keeps what the engine hands over, in order.
class TSaidaGuardada : public ISaidaExecucao
{
public:
    std::vector<int> iniciadas;
    std::vector<TResultadoBase> concluidas;
    int lotes = 0;
    int fins = 0;
    TResumoExecucao resumo;

    void baseIniciada(const TResultadoBase &r) override { iniciadas.push_back(r.indice); }
    void basesConcluidas(std::vector<TResultadoBase> &lote) override
    {
        ++lotes;
        for (TResultadoBase &r : lote)
            concluidas.push_back(std::move(r));
    }
    void execucaoConcluida(const TResumoExecucao &r) override
    {
        ++fins;
        resumo = r;
    }
};

} // namespace

// The engine over real databases: its bound per server, its order, its cancel, its report.
class TstMotor : public QObject
{
    Q_OBJECT

private:
    TPastaDadosTeste FPasta;
    std::vector<TZamDadosItemPtr> FBases;

private Q_SLOTS:
    void initTestCase()
    {
        ZAM_EXIGIR_FIREBIRD();
        std::vector<TBaseTeste> bases;
        for (int i = 0; i < 20; ++i)
            bases.push_back(
                TBaseTeste::comTrabalhadores(QStringLiteral("B%1").arg(i, 2, 10, QChar(u'0')), i));
        QCOMPARE(FPasta.criarBases(bases), QString());
        for (const TBaseTeste &b : bases)
            FBases.push_back(FPasta.registro(b.nome));
    }

    // More databases than the limit: never more than the limit at work at once, the limit
    // reached, the rest started in the order given, every database reported once.
    void limitePorServidor_data()
    {
        QTest::addColumn<int>("limite");
        QTest::newRow("4") << 4;
        QTest::newRow("1") << 1;
    }
    void limitePorServidor()
    {
        QFETCH(int, limite);
        std::atomic<int> aoMesmoTempo = 0;
        std::atomic<int> maximo = 0;
        TSaidaGuardada saida;
        TMotorExecucao motor(saida);
        TOpcoesExecucao opcoes;
        opcoes.paraleloPorServidor = limite;
        motor.iniciar(
            FBases, QStringLiteral("select count(*) from trabalhador"),
            [&](TConsultaZam &consulta, TResultadoBase &r) {
                // The attachment is open while this runs.
                const int agora = ++aoMesmoTempo;
                int antes = maximo;
                while (agora > antes && !maximo.compare_exchange_weak(antes, agora)) {
                }
                // Held until the limit is at work, however slowly a loaded machine opens
                // the others: a limit the engine never reaches then shows as a failure,
                // not a sleep that was too short.
                for (int espera = 0; espera < 1000 && maximo < limite; ++espera)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                r.linhas.push_back({consulta.campoTexto(0)});
                --aoMesmoTempo;
            },
            opcoes);
        QTRY_COMPARE_WITH_TIMEOUT(saida.fins, 1, 60000);
        QCOMPARE(maximo.load(), limite);
        std::vector<int> ordem(20);
        std::iota(ordem.begin(), ordem.end(), 0);
        QCOMPARE(saida.iniciadas, ordem);
        QCOMPARE(saida.concluidas.size(), std::size_t(20));
        for (const TResultadoBase &r : saida.concluidas) {
            QCOMPARE(r.erro, QString());
            QCOMPARE(r.linhas, std::vector<QStringList>({{QString::number(r.indice)}}));
        }
        QCOMPARE(saida.resumo.bases, 20);
        QCOMPARE(saida.resumo.comResultado, 20);
        QCOMPARE(saida.resumo.falhas, 0);
        // Databases that end together are handed over together, not one call each.
        if (limite > 1)
            QVERIFY2(saida.lotes < 20, qPrintable(QString::number(saida.lotes)));
        QCOMPARE(
            TServidorFirebirdTeste::instancia().aguardarBancosLivres(FPasta.compartilhamento()),
            QStringList());
    }

    // A cancel while the first databases work: the waiting ones never start, all end as
    // cancelled, and the end comes once.
    void cancelarAntesDeComecar()
    {
        TSaidaGuardada saida;
        TMotorExecucao motor(saida);
        TOpcoesExecucao opcoes;
        opcoes.paraleloPorServidor = 2;
        motor.iniciar(FBases,
                      QStringLiteral("select count(*) from rdb$types a, rdb$types b, rdb$types c, "
                                     "rdb$types d"),
                      lerComoTexto(QLocale::c()), opcoes);
        QTRY_COMPARE_WITH_TIMEOUT(int(saida.iniciadas.size()), 2, 20000);
        QTest::qWait(200);
        motor.cancelar();
        QTRY_COMPARE_WITH_TIMEOUT(saida.fins, 1, 3000);
        QCOMPARE(saida.iniciadas.size(), std::size_t(2));
        QCOMPARE(saida.concluidas.size(), std::size_t(20));
        for (const TResultadoBase &r : saida.concluidas) {
            QVERIFY(r.cancelada);
            QCOMPARE(r.erro, QStringLiteral("Cancelado"));
        }
        QVERIFY(saida.resumo.cancelada);
        QCOMPARE(saida.resumo.canceladas, 20);
        QCOMPARE(
            TServidorFirebirdTeste::instancia().aguardarBancosLivres(FPasta.compartilhamento()),
            QStringList());
    }

    void listaVazia()
    {
        TSaidaGuardada saida;
        TMotorExecucao motor(saida);
        motor.iniciar({}, QStringLiteral("select 1 from rdb$database"), lerComoTexto(QLocale::c()));
        QVERIFY(motor.emExecucao());
        QTRY_COMPARE(saida.fins, 1);
        QVERIFY(!motor.emExecucao());
        QCOMPARE(saida.resumo.bases, 0);
    }

    // A text that may not run starts nothing.
    void textoRecusado()
    {
        TSaidaGuardada saida;
        TMotorExecucao motor(saida);
        QVERIFY_THROWS_EXCEPTION(EZamErro, motor.iniciar(FBases,
                                                         QStringLiteral("select next value for g "
                                                                        "from rdb$database"),
                                                         lerComoTexto(QLocale::c())));
        QVERIFY(!motor.emExecucao());
        QTest::qWait(100);
        QVERIFY(saida.iniciadas.empty());
        QCOMPARE(saida.fins, 0);
    }

    // SIGINT and SIGTERM still reach the program's own handling once the client library has
    // been loaded and has connected (it has signal handlers of its own).
    void sinaisDepoisDaConexao()
    {
        QList<int> recebidos;
        encerrarPorSinal([&recebidos](int sinal) { recebidos << sinal; });
        TConsultaZam consulta(FBases.front()->GetstringConnection(),
                              QStringLiteral("select 1 from rdb$database"));
        consulta.Open();
        consulta.Release();
        std::raise(SIGINT);
        std::raise(SIGTERM);
        QTRY_COMPARE(recebidos, QList<int>({SIGINT, SIGTERM}));
    }
};

QTEST_GUILESS_MAIN(TstMotor)
#include "tst_motor.moc"
