// One run of the SQL window over every database of a data folder, driven as a user drives
// it (the text in the box, the grouping chosen, a click on "Executar"), offscreen. Prints
// one line: the run's time from the click to its end, the longest stall of the event loop
// during the run, the time from the click to the first frame that shows a result, the peak
// resident memory of the process, and the rows in the list.
//
//     bench_sql catalogo <share> <port>
//         writes <share>/ZamDados.csv afresh by a scan, every database on <port>
//     bench_sql contagem|base|resultado <share> <rows per database>
//         contagem: "select count(*)" by database; base: every row by database;
//         resultado: the same 1,000 texts in every database, by result;
//         distintos: a text of its own in every row of every database, by result
//
// A run that shows any message, or whose list does not end with the rows every database
// gives, fails (exit status 1) instead of printing figures.

#include "catalog/uTZamDadosList.h"
#include "catalog/varredura.h"
#include "controls/uTZamListView.h"
#include "execucao/motorExecucao.h"
#include "medicao.h"
#include "platform/ambienteC.h"
#include "sql/uFormSQL.h"
#include "ui/comum/dialogos.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <cstdio>

namespace {

// No modal loop may stop the run: every message is kept and fails the run.
class TDialogosMedicao : public IDialogos
{
public:
    QStringList mensagens;

    void mensagem(QWidget *, const QString &titulo, const QString &texto, TIconeDialogo) override
    {
        mensagens << titulo + QStringLiteral(": ") + texto;
    }
    bool perguntar(QWidget *, const QString &titulo, const QString &texto) override
    {
        mensagens << titulo + QStringLiteral(": ") + texto;
        return false;
    }
    std::optional<QString> pedirTexto(QWidget *, const QString &titulo, const QString &,
                                      const QString &) override
    {
        mensagens << titulo;
        return std::nullopt;
    }
    std::optional<QString> escolherArquivoParaGravar(QWidget *, const QString &titulo,
                                                     const QString &, const QString &) override
    {
        mensagens << titulo;
        return std::nullopt;
    }
};

// The gaps between the firings of a 1 ms timer on the user-interface thread: the longest
// one is the longest time the window could not answer the user.
class TSondaParadas : public QObject
{
public:
    TSondaParadas()
    {
        FTimer.setTimerType(Qt::PreciseTimer);
        FTimer.setInterval(1);
        QObject::connect(&FTimer, &QTimer::timeout, this, [this]() {
            const double agora = FRelogio.nsecsElapsed() / 1e6;
            if (agora - FUltima > FMaior) {
                FMaior = agora - FUltima;
                FFimMaior = agora;
            }
            FUltima = agora;
        });
    }
    void iniciar()
    {
        FRelogio.start();
        FUltima = 0;
        FMaior = 0;
        FFimMaior = 0;
        FTimer.start();
    }
    double parar()
    {
        FTimer.stop();
        return FMaior;
    }
    // When the longest stall ended, from the start.
    double fimMaior() const { return FFimMaior; }

private:
    QTimer FTimer;
    QElapsedTimer FRelogio;
    double FUltima = 0;
    double FMaior = 0;
    double FFimMaior = 0;
};

// The first frame of the list's viewport that shows a line of the model.
class TPrimeiroQuadro : public QObject
{
public:
    TPrimeiroQuadro(TZamListView *lista, const QElapsedTimer &relogio)
        : FLista(lista)
        , FRelogio(relogio)
    {
        lista->viewport()->installEventFilter(this);
    }
    double ms = -1;

protected:
    bool eventFilter(QObject *, QEvent *evento) override
    {
        if (ms < 0 && evento->type() == QEvent::Paint && FRelogio.isValid() &&
            FLista->model()->rowCount() > 0)
            ms = FRelogio.nsecsElapsed() / 1e6;
        return false;
    }

private:
    TZamListView *FLista;
    const QElapsedTimer &FRelogio;
};

int escreverCatalogo(const QString &compartilhamento, const QString &porta)
{
    QFile::remove(QDir(compartilhamento).filePath(TZamDadosList::nomeArquivo));
    TZamDadosList catalogo(TZamDadosHost::avulso(compartilhamento));
    if (!buscarBases(catalogo, porta)) {
        std::fprintf(stderr, "bench_sql: %s/ZAM_DADOS cannot be listed\n",
                     qPrintable(compartilhamento));
        return 1;
    }
    std::printf("%lld\n", static_cast<long long>(catalogo.items().size()));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    garantirCaracteresUtf8();
    const QStringList args = QApplication::arguments();
    if (args.size() == 4 && args[1] == QLatin1String("catalogo"))
        return escreverCatalogo(args[2], args[3]);
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: bench_sql catalogo <share> <port>\n"
                             "       bench_sql contagem|base|resultado|distintos <share> <rows>\n");
        return 2;
    }
    const QString modo = args[1];
    QString sql;
    int agrupar = TForm2::agruparPorBase;
    if (modo == QLatin1String("contagem")) {
        sql = QStringLiteral("select count(*) from trabalhador");
    } else if (modo == QLatin1String("base")) {
        sql = QStringLiteral("select registro, nome from trabalhador");
    } else if (modo == QLatin1String("resultado")) {
        // The same 1,000 distinct texts in every database: 1,000 groups of one row each per
        // database.
        sql = QStringLiteral("select nome || ' ' || registro from trabalhador");
        agrupar = TForm2::agruparPorResultado;
    } else if (modo == QLatin1String("distintos")) {
        // The database's file name in every text: 500,000 groups of one row each.
        sql = QStringLiteral("select nome || ' ' || registro || ' ' || "
                             "rdb$get_context('SYSTEM', 'DB_NAME') from trabalhador");
        agrupar = TForm2::agruparPorResultado;
    } else {
        std::fprintf(stderr, "bench_sql: unknown mode %s\n", qPrintable(modo));
        return 2;
    }
    const int linhasPorBase = args[3].toInt();

    TDialogosMedicao dialogosMedicao;
    definirDialogos(&dialogosMedicao);

    const TZamDadosList catalogo(TZamDadosHost::avulso(args[2]));
    std::vector<TZamDadosItemPtr> registros;
    for (const TZamDadosItemPtr &registro : catalogo.items())
        registros.push_back(registro);
    if (registros.empty()) {
        std::fprintf(stderr, "bench_sql: the catalogue of %s is empty\n", qPrintable(args[2]));
        return 1;
    }

    auto *janela = new TForm2;
    janela->setPaths(registros);
    janela->show();
    auto *texto = janela->findChild<QPlainTextEdit *>(QStringLiteral("edtSQL"));
    auto *agrupamento = janela->findChild<QComboBox *>(QStringLiteral("cbAgrupamento"));
    auto *botao = janela->findChild<QPushButton *>(QStringLiteral("btnExecutarSql"));
    auto *lista = janela->findChild<TZamListView *>(QStringLiteral("ZamListView1"));
    if (!texto || !agrupamento || !botao || !lista) {
        std::fprintf(stderr, "bench_sql: a part of the SQL window was not found\n");
        return 1;
    }
    // Until the window is on screen.
    QElapsedTimer espera;
    espera.start();
    while (!(janela->windowHandle() && janela->windowHandle()->isExposed()) &&
           espera.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    texto->setPlainText(sql);
    agrupamento->setCurrentIndex(agrupar);
    QApplication::processEvents();

    QElapsedTimer relogio;
    TPrimeiroQuadro primeiro(lista, relogio);
    TSondaParadas sonda;
    QEventLoop laco;
    QObject::connect(janela, &TForm2::execucaoConcluida, &laco, &QEventLoop::quit);
    // Never longer than ten minutes.
    QTimer::singleShot(600000, &laco, [&laco]() { laco.exit(1); });

    sonda.iniciar();
    relogio.start();
    botao->click();
    const int estado = laco.exec();
    const double ms = relogio.nsecsElapsed() / 1e6;
    const double parada = sonda.parar();
    // The frame after the end, should the first rows come with the last.
    QApplication::processEvents();

    const int esperadas = modo == QLatin1String("contagem") ? int(registros.size())
                                                            : int(registros.size()) * linhasPorBase;
    int falhou = 0;
    if (estado != 0) {
        std::fprintf(stderr, "bench_sql: the run did not end within ten minutes\n");
        falhou = 1;
    }
    for (const QString &mensagem : dialogosMedicao.mensagens) {
        std::fprintf(stderr, "bench_sql: message shown: %s\n", qPrintable(mensagem));
        falhou = 1;
    }
    if (lista->count() != esperadas) {
        std::fprintf(stderr, "bench_sql: %d rows in the list, %d expected\n", lista->count(),
                     esperadas);
        falhou = 1;
    }
    // Where to look for the stall: stderr, for the one who reads the log.
    std::fprintf(
        stderr,
        "bench_sql: %s: the longest stall ended %.0f ms after the click, the run at %.0f ms\n",
        qPrintable(modo), sonda.fimMaior(), ms);
    if (!falhou)
        std::printf("%.1f %.1f %.1f %ld %d\n", ms, parada, primeiro.ms, picoMemoriaKiB(),
                    lista->count());
    delete janela;
    TMotorExecucao::aguardarTodas(5000);
    definirDialogos(nullptr);
    return falhou;
}
