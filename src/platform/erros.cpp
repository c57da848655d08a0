#include "platform/erros.h"

EZamErro::EZamErro(QString mensagem)
    : FMensagem(std::move(mensagem))
    , FUtf8(FMensagem.toUtf8())
{
}
