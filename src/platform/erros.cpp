#include "platform/erros.h"

EZamErro::EZamErro(QString mensagem)
    : FMensagem(std::move(mensagem))
    , FUtf8(FMensagem.toUtf8())
{
}

QString mensagemDaExcecao(const std::exception_ptr &erro)
{
    try {
        std::rethrow_exception(erro);
    } catch (const EZamAbortar &) {
        return QString();
    } catch (const EZamErro &e) {
        return e.mensagem();
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

bool ehAbortar(const std::exception_ptr &erro)
{
    try {
        std::rethrow_exception(erro);
    } catch (const EZamAbortar &) {
        return true;
    } catch (...) {
        return false;
    }
}
