#pragma once

#include "execucao/resultadoBase.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <memory>
#include <vector>

// Options of a run.
struct TOpcoesExecucao
{
    static constexpr int paraleloPadrao = 16;
    // Simultaneous connections per server (host and port).
    int paraleloPorServidor = paraleloPadrao;
    // A database still working after this many seconds is cancelled and reported as failed;
    // 0 for no limit.
    int tempoLimiteSegundos = 0;
};

// Runs one SQL text in many databases: each database on a worker of a bounded pool, with an
// attachment of its own, at most TOpcoesExecucao::paraleloPorServidor at a time on each
// server and the rest waiting in the order given. Each database's outcome goes to the sink
// (ISaidaExecucao) on the thread that started the run, in batches at most every
// intervaloEntregaMs; a failure stays with its database.
//
// The text is checked before any database is touched (textoSomenteLeitura), and each
// database runs it only when its server classifies it as a query.
//
// cancelar stops the run: waiting databases are not started, running statements are
// cancelled on their servers, and each such database is reported as cancelled. Destroying
// the engine cancels its run and reports nothing more; its workers end on their own.
class TMotorExecucao : public QObject
{
    Q_OBJECT

public:
    static constexpr int intervaloEntregaMs = 50;

    explicit TMotorExecucao(ISaidaExecucao &saida, QObject *pai = nullptr);
    ~TMotorExecucao() override;

    // Starts a run and returns at once. Throws EZamErro, with nothing started, for a text
    // that may not run and when a run is already under way. An empty list ends at once
    // (execucaoConcluida comes from the event loop, as for any run).
    void iniciar(const std::vector<TZamDadosItemPtr> &bases, const QString &sql, TLeitorBase leitor,
                 const TOpcoesExecucao &opcoes = {});
    void cancelar();

    bool emExecucao() const { return FEmExecucao; }
    int total() const { return FResumo.bases; }
    // Databases handed to the sink so far, and how many of them failed.
    int concluidas() const { return FConcluidas; }
    int falhas() const { return FResumo.falhas; }
    qint64 decorridoMs() const { return FRelogio.isValid() ? FRelogio.elapsed() : 0; }

    // The worker threads of every run of the program that have not ended yet.
    static int trabalhadoresAtivos();
    // Runs of the program that have not reported their end yet.
    static int execucoesEmAndamento();
    // Cancels every run of the program (on leaving it).
    static void cancelarTodas();
    // Processes events until every worker thread of the program has ended, at most
    // limiteMs; true when all have.
    static bool aguardarTodas(int limiteMs);

    struct TEstado;

private:
    void entregar();
    void vigiarTempoLimite();

    ISaidaExecucao &FSaida;
    std::shared_ptr<TEstado> FEstado;
    bool FEmExecucao = false;
    int FConcluidas = 0;
    TResumoExecucao FResumo;
    QElapsedTimer FRelogio;
    QElapsedTimer FUltimaEntrega;
    QTimer FVigia;
};
