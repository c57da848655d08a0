#include "jobs/testeZamdef.h"

#include "platform/janelas.h"
#include "platform/processos.h"

#include <QDeadlineTimer>
#include <QListWidget>

TZamdefTestAllThread::TZamdefTestAllThread(IJanelaAutoteste &janela)
    : TTrabalhador(janela.janela())
    , FJanela(janela)
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
        naInterface([this]() {
            if (errorListBox)
                errorListBox->addItem(FJanela.legendaSelecionada());
        });
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
    mostrarErroNaInterface(mensagem);
}
