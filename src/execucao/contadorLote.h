#pragma once

#include <QObject>

// Counts the workers of one batch that have not ended yet, and says once, when the last of
// them has ended, that the batch is over. The workers' ends are told on the thread the
// counter lives on (the user-interface thread: the engine's deliveries, a worker's end
// handler).
//
// Counters of one kind of job may share a sum, so that the kind can tell how many of its
// workers are still out over the whole program: the counter adds what it counts to the sum,
// and takes out what it still counts when its batch is given up and when it is destroyed.
class TContadorLote : public QObject
{
    Q_OBJECT

public:
    // soma: the sum of the counters of one kind, or nothing.
    explicit TContadorLote(int *soma = nullptr, QObject *pai = nullptr);
    ~TContadorLote() override;

    // A new batch of quantos workers; what the counter still counted is given up. A batch of
    // none is over before it starts, and nothing is said for it.
    void iniciar(int quantos);
    // quantos workers of the batch have ended; when they were the last, the batch is over.
    // Ends beyond those counted are ignored.
    void terminaram(int quantos = 1);
    // The workers not ended yet will not be counted: the batch ends without a word.
    void abandonar();

    int restantes() const { return FRestantes; }
    // Workers of the batch that have ended, or were given up.
    int terminados() const { return FTotal - FRestantes; }

Q_SIGNALS:
    // The last worker of the batch has ended.
    void loteConcluido();

private:
    void descontar(int quantos);

    int *FSoma;
    int FTotal = 0;
    int FRestantes = 0;
};
