#include "jobs/trabalhador.h"

#include "platform/erros.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMutex>
#include <QSet>
#include <atomic>

namespace {

QMutex mutexTrabalhadores;
QSet<TTrabalhador *> trabalhadores;
std::atomic<bool> encerrando = false;

// Lives on the user-interface thread as long as the application: the steps of the workers
// are queued to it, never to a window that may be gone by the time a step is due.
QObject *porteiro()
{
    static QObject *objeto = [] {
        auto *novo = new QObject;
        novo->moveToThread(QCoreApplication::instance()->thread());
        novo->setParent(QCoreApplication::instance());
        return novo;
    }();
    return objeto;
}

} // namespace

TTrabalhador::TTrabalhador(QObject *janela)
    : FContexto(janela)
{
    porteiro();
    QMutexLocker trava(&mutexTrabalhadores);
    trabalhadores.insert(this);
}

TTrabalhador::~TTrabalhador()
{
    QMutexLocker trava(&mutexTrabalhadores);
    trabalhadores.remove(this);
}

void TTrabalhador::aoTerminar(std::function<void()> fim)
{
    connect(this, &QThread::finished, porteiro(), [this, fim = std::move(fim)]() {
        if (!FContexto || !fim)
            return;
        try {
            fim();
        } catch (...) {
            qWarning("a worker's end handler failed: %s",
                     qPrintable(mensagemDaExcecao(std::current_exception())));
        }
    });
}

void TTrabalhador::run()
{
    // The worker frees itself once its run and its end handler are over; queued after the
    // end handler, which was connected first.
    connect(this, &QThread::finished, porteiro(), [this]() { deleteLater(); });
    try {
        Execute();
    } catch (...) {
        FException = std::current_exception();
        if (!ehAbortar(FException)) {
            try {
                relatarErro(mensagemDaExcecao(FException));
            } catch (...) {
                // The window went away while the error was being reported.
            }
        }
    }
}

void TTrabalhador::relatarErro(const QString &) {}

void TTrabalhador::naInterface(const std::function<void()> &passo)
{
    if (encerrando)
        throw EZamAbortar();
    bool executou = false;
    std::exception_ptr erro;
    QMetaObject::invokeMethod(
        porteiro(),
        [&]() {
            if (!FContexto)
                return;
            executou = true;
            try {
                passo();
            } catch (...) {
                erro = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (erro)
        std::rethrow_exception(erro);
    if (!executou)
        throw EZamAbortar();
}

int TTrabalhador::emExecucao()
{
    QMutexLocker trava(&mutexTrabalhadores);
    int ativos = 0;
    for (const TTrabalhador *trabalhador : std::as_const(trabalhadores))
        ativos += trabalhador->isRunning() ? 1 : 0;
    return ativos;
}

bool TTrabalhador::aguardarTodos(int limiteMs)
{
    // Steps still queued run (and find their window gone), so no worker stays blocked on
    // the user-interface thread; new steps are refused.
    encerrando = true;
    const QDeadlineTimer prazo(limiteMs);
    while (emExecucao() > 0 && !prazo.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    // A worker that ended after the last pass of the loop still has its end handlers queued
    // (among them the one that frees it): they run now, then the deletions they asked for.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const bool todos = emExecucao() == 0;
    encerrando = false;
    return todos;
}
