#pragma once

#include "execucao/motorExecucao.h"
#include "jobs/janelaTarefas.h"

#include <QObject>
#include <atomic>
#include <optional>

// Renames each database folder of the rows shown so that its name ends in "-" and the
// customer's state code read from the database, unless it already ends in it after "-" or
// "_". The databases are read on the engine's pool; each folder is renamed on the
// user-interface thread once its attachment is released. The window stays locked until the
// last database has been handled; then one box lists the databases that failed, and the
// catalogue is read from the disk again.
class TRenomearPastasParaUF : public QObject, private ISaidaExecucao
{
    Q_OBJECT

public:
    explicit TRenomearPastasParaUF(IJanelaTarefas &janela);
    ~TRenomearPastasParaUF() override;

    void iniciar(const std::vector<TZamDadosItemPtr> &registros);
    // Databases of rename jobs not handled yet, over the whole program.
    static int getInstanceCount() { return FInstanceCount.load(); }

    // The suffix for a folder name and a state code; nothing when the name carries it
    // already or the code is empty. Blanks at the end of the code are the padding of a CHAR
    // column and are dropped first. Fails for a code that cannot be part of a folder name.
    static std::optional<QString> sufixoPara(const QString &nome, const QString &uf);

private:
    void basesConcluidas(std::vector<TResultadoBase> &lote) override;
    void execucaoConcluida(const TResumoExecucao &resumo) override;
    void renomear(const TZamDadosItemPtr &registro, const QString &sufixo);

    IJanelaTarefas &FJanela;
    std::vector<std::pair<QString, QString>> FFalhas;
    int FPendentes = 0;
    TMotorExecucao FMotor;

    static inline std::atomic<int> FInstanceCount = 0;
};

// Asks, locks the window and starts the job over the rows shown. An empty list is refused
// before anything is locked.
void iniciarRenomearPastasParaUF(IJanelaTarefas &janela);
