#pragma once

#include "jobs/janelaTarefas.h"
#include "jobs/trabalhador.h"

#include <memory>

class TConsultaZam;

// One collection over the rows of the list: a column of its own, one worker per row, each
// writing its database's answer (or its error) into the row, and a message once every row
// has one.
struct TColeta
{
    QString titulo;
    QString pergunta;
    QString sql;
    QString tituloConcluida;
    QString mensagemConcluida;
    int coluna = -1;
    // Answers published so far; the rows are looked at only once there can be enough.
    int respondidas = 0;
    bool concluida = false;
};

// Shared by the two collections; the subclasses read the answer.
class TColetarThread : public TTrabalhador
{
    Q_OBJECT

public:
    static inline const QString pendente = QStringLiteral("?");

    TColetarThread(IJanelaTarefas &janela, std::shared_ptr<TColeta> coleta,
                   TZamDadosItemPtr registro);

protected:
    void Execute() override;
    void relatarErro(const QString &mensagem) override;
    // The text the row shows for this database.
    virtual QString lerResultado(TConsultaZam &consulta) const = 0;

private:
    void publicar();

    IJanelaTarefas &FJanela;
    std::shared_ptr<TColeta> FColeta;
    TZamDadosItemPtr FRegistro;
    // The answer or the error's text.
    QString FResultado;
};

class TColetarQtdTrabalhadoresThread : public TColetarThread
{
    Q_OBJECT

public:
    using TColetarThread::TColetarThread;
    static TColeta coleta();

protected:
    QString lerResultado(TConsultaZam &consulta) const override;
};

class TColetarTabdefThread : public TColetarThread
{
    Q_OBJECT

public:
    using TColetarThread::TColetarThread;
    static TColeta coleta();

protected:
    QString lerResultado(TConsultaZam &consulta) const override;
};

// Add the column, ask, and start one worker per row shown. When the user says No the column
// stays, empty, and nothing starts.
void iniciarColetaQtdTrabalhadores(IJanelaTarefas &janela);
void iniciarColetaTabdef(IJanelaTarefas &janela);
