#pragma once

#include <QString>

// What the batch jobs and the self-test tell the user. The jobs ask nothing and show nothing
// themselves: the window that started them implements this, with its own boxes and lists.
// Every call runs on the user-interface thread.
class IRelatoTarefas
{
public:
    virtual ~IRelatoTarefas() = default;

    // A job has an answer for every row shown: the information box.
    virtual void tarefaConcluida(const QString &titulo, const QString &mensagem) = 0;
    // A job failed, or some of its databases did: the "Erro" box with the job's text.
    virtual void tarefaFalhou(const QString &mensagem) = 0;
    // The self-test found a database at fault: it is listed beside the rows.
    virtual void baseReprovada(const QString &nome) = 0;
};
