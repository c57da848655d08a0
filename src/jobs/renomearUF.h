#pragma once

#include "jobs/janelaTarefas.h"
#include "jobs/trabalhador.h"

#include <atomic>

// Renames a database folder so that its name ends in "-" and the customer's state code read
// from the database, unless it already ends in it after "-" or "_". The window stays locked
// until the last worker of the job has ended; then the catalogue is read from the disk again.
class TRenomearPastasParaUF : public TTrabalhador
{
    Q_OBJECT

public:
    explicit TRenomearPastasParaUF(IJanelaTarefas &janela);

    // Hands the worker its database and counts it as running.
    void setListItem(TZamDadosItemPtr registro);
    static int getInstanceCount() { return FInstanceCount.load(); }

    // The suffix for a folder name and a state code; nothing when the name carries it
    // already or the code is empty. Blanks at the end of the code are the padding of a CHAR
    // column and are dropped first. Fails for a code that cannot be part of a folder name.
    static std::optional<QString> sufixoPara(const QString &nome, const QString &uf);

protected:
    void Execute() override;

private:
    void renomear();

    IJanelaTarefas &FJanela;
    TZamDadosItemPtr FRegistro;
    QString sufixo;
    QString newPath;

    static inline std::atomic<int> FInstanceCount = 0;
};

// Asks, locks the window and starts one worker per row shown. An empty list is refused
// before anything is locked.
void iniciarRenomearPastasParaUF(IJanelaTarefas &janela);
