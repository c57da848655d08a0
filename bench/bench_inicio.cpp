// Start to the first shown window: a new process of the window program with its catalogue
// (the main window made and shown as the program does, until its first frame is on screen)
// against a new process that shows an empty Qt window the same way. The two take turns.
//
//     bench_inicio <program folder> <share> [runs]   prints the figure
//     bench_inicio janela <program folder> <share>   (the child: the main window)
//     bench_inicio vazia                             (the child: an empty window)
//
// A child writes "pronto <rows>" once its window has been exposed and painted, and ends.

#include "controls/uTZamListView.h"
#include "medicao.h"
#include "platform/ambienteC.h"
#include "ui/main/uFormPrincipal.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <memory>

namespace {

// Ends the program once the window has been exposed (its first frame painted).
class TAoExpor : public QObject
{
public:
    TAoExpor(QWidget *janela, std::function<int()> linhas)
        : FJanela(janela)
        , FLinhas(std::move(linhas))
    {
        janela->winId();
        janela->windowHandle()->installEventFilter(this);
    }
    void verificar()
    {
        if (!FFeito && FJanela->windowHandle()->isExposed()) {
            FFeito = true;
            // After the expose has been handled, which paints the window.
            QTimer::singleShot(0, this, [this]() {
                std::printf("pronto %d\n", FLinhas());
                std::fflush(stdout);
                QApplication::exit(0);
            });
        }
    }

protected:
    bool eventFilter(QObject *, QEvent *evento) override
    {
        if (evento->type() == QEvent::Expose)
            verificar();
        return false;
    }

private:
    QWidget *FJanela;
    std::function<int()> FLinhas;
    bool FFeito = false;
};

int filho(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZamDados"));
    const QStringList args = QApplication::arguments();
    if (args[1] == QLatin1String("vazia")) {
        QWidget janela;
        janela.resize(860, 600);
        TAoExpor aoExpor(&janela, []() { return 0; });
        janela.show();
        aoExpor.verificar();
        return app.exec();
    }
    garantirCaracteresUtf8();
    TForm1 janela(args.value(2), {args.value(3)});
    TAoExpor aoExpor(&janela, [&janela]() {
        const auto *lista = janela.findChild<TZamListView *>(QStringLiteral("ZamListView1"));
        return lista ? lista->count() : -1;
    });
    janela.show();
    aoExpor.verificar();
    return app.exec();
}

// The time from starting the child to its "pronto"; -1 when it fails. *linhas: its rows.
double medirFilho(const QStringList &args, int *linhas)
{
    QProcess processo;
    processo.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer relogio;
    relogio.start();
    processo.start(QCoreApplication::applicationFilePath(), args);
    QByteArray saida;
    while (!saida.contains('\n') && relogio.elapsed() < 30000) {
        if (!processo.waitForReadyRead(30000 - int(relogio.elapsed())))
            break;
        saida += processo.readAllStandardOutput();
    }
    const double ms = relogio.nsecsElapsed() / 1e6;
    if (!processo.waitForFinished(30000))
        processo.kill();
    if (!saida.startsWith("pronto ")) {
        std::fprintf(stderr, "bench_inicio: %s did not show its window\n",
                     qPrintable(args.join(u' ')));
        return -1;
    }
    *linhas = saida.mid(7).trimmed().toInt();
    return ms;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc >= 2 && (std::string(argv[1]) == "janela" || std::string(argv[1]) == "vazia"))
        return filho(argc, argv);
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: bench_inicio <program folder> <share> [runs]\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int corridas = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    std::vector<double> janelas, vazias;
    int linhas = 0, nada = 0;
    for (int corrida = 0; corrida < corridas; ++corrida) {
        const double janela = medirFilho({QStringLiteral("janela"), args[1], args[2]}, &linhas);
        const double vazia = medirFilho({QStringLiteral("vazia")}, &nada);
        if (janela < 0 || vazia < 0)
            return 1;
        if (linhas <= 0) {
            std::fprintf(stderr, "bench_inicio: the main window showed %d rows\n", linhas);
            return 1;
        }
        janelas.push_back(janela);
        vazias.push_back(vazia);
    }
    char nome[64];
    std::snprintf(nome, sizeof nome, "inicio_%d_linhas", linhas);
    imprimirFigura(nome, mediana(janelas), mediana(vazias));
    return 0;
}
