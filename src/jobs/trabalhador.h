#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QThread>
#include <exception>
#include <functional>

// The base of every worker thread: it runs Execute with every error caught, frees itself
// when it ends, and hands its screen work to the user-interface thread.
//
// Steps on the user-interface thread run in the context of a window (any object of that
// thread). When that window is gone (the user closed it), a step does not run and the worker
// ends silently.
class TTrabalhador : public QThread
{
    Q_OBJECT

public:
    // janela: the window the worker's steps are for; they run on its thread.
    explicit TTrabalhador(QObject *janela);
    ~TTrabalhador() override;

    // Runs fim on the user-interface thread once Execute has returned, before the worker is
    // freed; not run when the window is gone. fim must not throw: what it throws is dropped
    // with a warning, since no window can be told from here.
    void aoTerminar(std::function<void()> fim);

    // Waits up to limiteMs for every worker of the program to end; true when all have.
    static bool aguardarTodos(int limiteMs);
    static int emExecucao();

protected:
    virtual void Execute() = 0;
    // Called on the worker thread with the error Execute threw, unless it was the silent
    // abort. By default nothing is reported.
    virtual void relatarErro(const QString &mensagem);

    // Runs passo on the user-interface thread and waits until it has run. Throws the silent
    // abort when the window is gone; passes on what passo throws.
    void naInterface(const std::function<void()> &passo);
    QObject *janela() const { return FContexto; }

    std::exception_ptr FException;

private:
    void run() final;

    QPointer<QObject> FContexto;
};
