#pragma once

#include "execucao/contadorLote.h"
#include "execucao/motorExecucao.h"
#include "jobs/janelaTarefas.h"
#include "jobs/relatoTarefas.h"

#include <QObject>
#include <QString>
#include <functional>

class TConsultaZam;

// One collection over the rows of the list: a column of its own, each row's database asked
// on the engine's pool, each answer (or its error) written into the row, "?" while the
// database is being asked, and a message once every row shown has its answer.
struct TColeta
{
    QString titulo;
    // What the window asks before the collection starts.
    QString pergunta;
    QString sql;
    QString tituloConcluida;
    QString mensagemConcluida;
    // The text the row shows for the database's answer; runs on a worker's thread.
    std::function<QString(TConsultaZam &consulta)> lerResultado;
};

// A collection under way: owns its engine and feeds the window; frees itself at the end.
class TExecucaoColeta : public QObject, private ISaidaExecucao
{
    Q_OBJECT

public:
    static inline const QString pendente = QStringLiteral("?");

    // Adds the column; iniciar begins the run.
    TExecucaoColeta(IJanelaTarefas &janela, IRelatoTarefas &relato, TColeta coleta);
    int coluna() const { return FColuna; }
    void iniciar();

private:
    void baseIniciada(const TResultadoBase &resultado) override;
    void basesConcluidas(std::vector<TResultadoBase> &lote) override;
    void execucaoConcluida(const TResumoExecucao &resumo) override;
    void verificarConclusao();

    IJanelaTarefas &FJanela;
    IRelatoTarefas &FRelato;
    TColeta FColeta;
    int FColuna = -1;
    // The databases of the run that have not answered yet.
    TContadorLote FPendentes;
    bool FConcluida = false;
    // The conclusion box is open; the run has ended.
    bool FRelatando = false;
    bool FTerminada = false;
    TMotorExecucao FMotor;
};

TColeta coletaQtdTrabalhadores();
TColeta coletaTabdef();
