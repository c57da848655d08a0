#pragma once

#include "execucao/contadorLote.h"
#include "jobs/relatoTarefas.h"
#include "jobs/trabalhador.h"

#include <QString>

// What the definitions self-test needs of the main window. User-interface thread only.
class IJanelaAutoteste
{
public:
    virtual ~IJanelaAutoteste() = default;

    // The window, as the context of the worker's steps.
    virtual QObject *janela() = 0;
    virtual int totalDeLinhas() const = 0;
    virtual int linhaSelecionada() const = 0;
    virtual void selecionarEMostrarLinha(int linha) = 0;
    virtual QString legendaSelecionada() const = 0;
    // Enters the selected row's database; with the self-test flag, the main application gets
    // the argument "ZamdefTestAll". Fails with the system's text when it cannot start.
    virtual bool abrirZam(bool testarZamdef) = 0;
};

// Runs the main application's definitions self-test on the rows of the list, one after the
// other, from the selected row down: enters each database in self-test form, waits while the
// application shows "Aguarde...", reports the database as failed when "ErroZamdefTestAll" is
// shown, and ends the application. The first failure of the run itself ends it, reported as
// the job's failure.
class TZamdefTestAllThread : public TTrabalhador
{
    Q_OBJECT

public:
    static inline const QString janelaAguarde = QStringLiteral("Aguarde...");
    static inline const QString janelaErro = QStringLiteral("ErroZamdefTestAll");
    static inline const QString programa = QStringLiteral("ZAM7.exe");
    static constexpr int primeiraEsperaMs = 1500;
    static constexpr int esperaMs = 1000;

    TZamdefTestAllThread(IJanelaAutoteste &janela, IRelatoTarefas &relato);

protected:
    void Execute() override;
    void relatarErro(const QString &mensagem) override;

private:
    bool testar(int linha);
    // Sleeps, looking now and then whether the window is still there.
    void aguardar(int milissegundos);

    IJanelaAutoteste &FJanela;
    IRelatoTarefas &FRelato;
};

// Starts the self-test on a worker of its own, a batch of one that lote counts: lote says when
// the run is over, however it ended, unless the window is gone by then.
void iniciarAutoteste(IJanelaAutoteste &janela, IRelatoTarefas &relato, TContadorLote &lote);
