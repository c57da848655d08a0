#pragma once

#include "execucao/contadorLote.h"
#include "execucao/motorExecucao.h"
#include "jobs/janelaTarefas.h"
#include "jobs/relatoTarefas.h"

#include <QObject>
#include <optional>

// Renames each database folder of the rows shown so that its name ends in "-" and the
// customer's state code read from the database, unless it already ends in it after "-" or
// "_". The databases are read on the engine's pool; each folder is renamed on the
// user-interface thread once its attachment is released. The window stays locked until the
// last database has been handled; then one report lists the databases that failed, and the
// catalogue is read from the disk again.
class TRenomearPastasParaUF : public QObject, private ISaidaExecucao
{
    Q_OBJECT

public:
    static inline const QString titulo = QStringLiteral("Renomear Pastas para UF");
    // What the window asks before the job starts.
    static inline const QString pergunta =
        QStringLiteral("Confirma Renomear todas as Pastas acrescentando UF da base de dados?");

    TRenomearPastasParaUF(IJanelaTarefas &janela, IRelatoTarefas &relato);

    void iniciar(const std::vector<TZamDadosItemPtr> &registros);
    // Databases of rename jobs not handled yet, over the whole program.
    static int getInstanceCount() { return FPendentesGeral; }

    // The suffix for a folder name and a state code; nothing when the name carries it
    // already or the code is empty. Blanks at the end of the code are the padding of a CHAR
    // column and are dropped first. Fails for a code that cannot be part of a folder name.
    static std::optional<QString> sufixoPara(const QString &nome, const QString &uf);
    // Fails for an empty list: no worker would ever end the job and unlock the window.
    static void exigirBases(const std::vector<TZamDadosItemPtr> &registros);

private:
    void basesConcluidas(std::vector<TResultadoBase> &lote) override;
    // The engine's end comes with or after the last database's: the job ends on that one.
    void execucaoConcluida(const TResumoExecucao &) override {}
    void renomear(const TZamDadosItemPtr &registro, const QString &sufixo);
    // Every database has been handled: the failures reported, the catalogue read again, the
    // window unlocked; then the job frees itself.
    void concluir();

    IJanelaTarefas &FJanela;
    IRelatoTarefas &FRelato;
    std::vector<std::pair<QString, QString>> FFalhas;
    // User-interface thread only, as the counters that keep it.
    static inline int FPendentesGeral = 0;
    TContadorLote FPendentes{&FPendentesGeral};
    TMotorExecucao FMotor;
};

// Locks the window and starts the job over registros, the rows shown; the window is unlocked
// at the job's end, or at once when it cannot start. An empty list is refused before
// anything is locked.
void iniciarRenomearPastasParaUF(IJanelaTarefas &janela, IRelatoTarefas &relato,
                                 const std::vector<TZamDadosItemPtr> &registros);
