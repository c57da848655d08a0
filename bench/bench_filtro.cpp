// One filter keystroke in the list control: Filtrar with a text one letter longer than the
// last one, as typing in the filter box does, then the events that bring the new rows to
// the screen. Lists of 5,000 and of 50,000 catalogue-like rows, shown side by side; each
// run types one word from an empty filter, the two lists taking turns. Prints one line per
// list size: the median keystroke against the 16 ms of one frame at 60 Hz.
//
//     bench_filtro [runs]

#include "controls/uTZamListView.h"
#include "medicao.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>
#include <cstdio>
#include <memory>

namespace {

const char *const sobrenomes[] = {"SILVA",    "SANTOS",  "OLIVEIRA",  "SOUZA",    "RODRIGUES",
                                  "FERREIRA", "ALVES",   "PEREIRA",   "LIMA",     "GOMES",
                                  "COSTA",    "RIBEIRO", "MARTINS",   "CARVALHO", "ALMEIDA",
                                  "LOPES",    "SOARES",  "FERNANDES", "VIEIRA",   "BARBOSA"};
const char *const ramos[] = {"PADARIA",     "MERCADO",  "CONSTRUTORA", "ESCOLA",     "CLINICA",
                             "TRANSPORTES", "FARMACIA", "OFICINA",     "AUTO POSTO", "HOTEL"};

// A catalogue-like list: name, port, date and size, in a window of the main window's size.
std::unique_ptr<TZamListView> lista(int linhas)
{
    auto l = std::make_unique<TZamListView>();
    l->resize(860, 600);
    for (const char *titulo : {"Nome", "Porta", "Data", "Tamanho"})
        l->addColumn(TZamListColumn{QString::fromLatin1(titulo), 150});
    std::vector<TZamListItem> itens;
    itens.reserve(std::size_t(linhas));
    quint32 semente = 12345;
    const auto proximo = [&semente]() {
        semente = semente * 1103515245u + 12345u;
        return semente >> 16;
    };
    for (int i = 0; i < linhas; ++i) {
        TZamListItem it;
        it.Caption = QStringLiteral("%1 %2 %3 %4")
                         .arg(QLatin1String(ramos[proximo() % 10]),
                              QLatin1String(sobrenomes[proximo() % 20]),
                              QLatin1String(sobrenomes[proximo() % 20]))
                         .arg(i);
        it.SubItems = {QStringLiteral("3050"),
                       QStringLiteral("%1/%2/2024 10:%3")
                           .arg(1 + i % 28)
                           .arg(1 + i % 12)
                           .arg(i % 60, 2, 10, QLatin1Char('0')),
                       QStringLiteral("%1 MB").arg(10 + proximo() % 4000)};
        itens.push_back(std::move(it));
    }
    l->BeginUpdateZam(linhas);
    l->addItems(std::move(itens));
    l->EndUpdateZam();
    l->show();
    return l;
}

void atualizarTela()
{
    // The view lays its rows out from a zero timer, then paints.
    QApplication::processEvents();
    QApplication::processEvents();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int corridas = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    // "CARVALHO" is one surname of twenty: each letter narrows the rows shown.
    const QString palavra = QStringLiteral("carvalho");

    const int tamanhos[] = {5000, 50000};
    std::vector<std::unique_ptr<TZamListView>> listas;
    for (int linhas : tamanhos)
        listas.push_back(lista(linhas));
    for (auto &l : listas) {
        QElapsedTimer espera;
        espera.start();
        while (!(l->windowHandle() && l->windowHandle()->isExposed()) && espera.elapsed() < 10000)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    atualizarTela();

    std::vector<std::vector<double>> teclas(listas.size());
    std::vector<int> mostradas(listas.size());
    for (int corrida = 0; corrida < corridas; ++corrida) {
        for (std::size_t i = 0; i < listas.size(); ++i) {
            TZamListView &l = *listas[i];
            l.Filtrar(QString());
            atualizarTela();
            for (int n = 1; n <= palavra.size(); ++n) {
                QElapsedTimer relogio;
                relogio.start();
                l.Filtrar(palavra.left(n));
                atualizarTela();
                teclas[i].push_back(relogio.nsecsElapsed() / 1e6);
            }
            mostradas[i] = l.count();
        }
    }
    for (std::size_t i = 0; i < listas.size(); ++i) {
        if (mostradas[i] == 0 || mostradas[i] == tamanhos[i]) {
            std::fprintf(stderr, "bench_filtro: the filter left %d rows of %d\n", mostradas[i],
                         tamanhos[i]);
            return 1;
        }
    }
    imprimirFigura("filtro_tecla_5000_linhas", mediana(teclas[0]), 16);
    imprimirFigura("filtro_tecla_50000_linhas", mediana(teclas[1]), 16);
    return 0;
}
