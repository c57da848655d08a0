#include "jobs/testeZamdef.h"

#include "platform/janelas.h"
#include "platform/processos.h"

#include <QDeadlineTimer>

TZamdefTestAllThread::TZamdefTestAllThread(IJanelaAutoteste &janela, IRelatoTarefas &relato)
    : TTrabalhador(janela.janela())
    , FJanela(janela)
    , FRelato(relato)
{
}

void TZamdefTestAllThread::Execute()
{
    int total = 0;
    int linha = 0;
    naInterface([&]() {
        total = FJanela.totalDeLinhas();
        linha = std::max(0, FJanela.linhaSelecionada());
    });
    for (; linha < total; ++linha) {
        if (testar(linha))
            encerrarProcessos(programa);
    }
}

bool TZamdefTestAllThread::testar(int linha)
{
    bool iniciou = false;
    naInterface([&]() {
        FJanela.selecionarEMostrarLinha(linha);
        iniciou = FJanela.abrirZam(true);
    });
    if (!iniciou)
        return false;
    aguardar(primeiraEsperaMs);
    while (existeJanela(janelaAguarde))
        aguardar(esperaMs);
    if (existeJanela(janelaErro)) {
        naInterface([this]() { FRelato.baseReprovada(FJanela.legendaSelecionada()); });
    }
    return true;
}

void TZamdefTestAllThread::aguardar(int milissegundos)
{
    const QDeadlineTimer prazo(milissegundos);
    while (!prazo.hasExpired()) {
        QThread::msleep(std::min<qint64>(100, std::max<qint64>(1, prazo.remainingTime())));
        naInterface([]() {});
    }
}

void TZamdefTestAllThread::relatarErro(const QString &mensagem)
{
    naInterface([this, &mensagem]() { FRelato.tarefaFalhou(mensagem); });
}

void iniciarAutoteste(IJanelaAutoteste &janela, IRelatoTarefas &relato, TContadorLote &lote)
{
    auto *trabalhador = new TZamdefTestAllThread(janela, relato);
    lote.iniciar(1);
    trabalhador->aoTerminar([&lote]() { lote.terminaram(); });
    trabalhador->start();
}
