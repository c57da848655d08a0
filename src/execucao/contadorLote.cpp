#include "execucao/contadorLote.h"

#include <algorithm>

TContadorLote::TContadorLote(int *soma, QObject *pai)
    : QObject(pai)
    , FSoma(soma)
{
}

TContadorLote::~TContadorLote()
{
    descontar(FRestantes);
}

void TContadorLote::iniciar(int quantos)
{
    abandonar();
    FTotal = std::max(0, quantos);
    FRestantes = FTotal;
    if (FSoma)
        *FSoma += FRestantes;
}

void TContadorLote::terminaram(int quantos)
{
    const int contados = std::clamp(quantos, 0, FRestantes);
    if (contados == 0)
        return;
    descontar(contados);
    if (FRestantes == 0)
        Q_EMIT loteConcluido();
}

void TContadorLote::abandonar()
{
    descontar(FRestantes);
}

void TContadorLote::descontar(int quantos)
{
    FRestantes -= quantos;
    if (FSoma)
        *FSoma -= quantos;
}
