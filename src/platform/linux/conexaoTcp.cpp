#include "platform/conexaoTcp.h"

#include <QDeadlineTimer>
#include <QtGlobal>

#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// One address: Conectou, Recusou, or SemResposta/Cancelado when the wait ended first.
TRespostaTcp tentar(const addrinfo &endereco, const QDeadlineTimer &prazo,
                    const std::atomic<bool> &cancelado)
{
    const int soquete =
        ::socket(endereco.ai_family, endereco.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                 endereco.ai_protocol);
    if (soquete < 0)
        return TRespostaTcp::Recusou;
    TRespostaTcp resposta = TRespostaTcp::Recusou;
    if (::connect(soquete, endereco.ai_addr, endereco.ai_addrlen) == 0) {
        resposta = TRespostaTcp::Conectou;
    } else if (errno == EINPROGRESS) {
        for (;;) {
            if (cancelado) {
                resposta = TRespostaTcp::Cancelado;
                break;
            }
            if (prazo.hasExpired()) {
                resposta = TRespostaTcp::SemResposta;
                break;
            }
            pollfd espera{soquete, POLLOUT, 0};
            const int restante = int(qMin<qint64>(100, prazo.remainingTime()));
            const int pronto = ::poll(&espera, 1, restante);
            if (pronto < 0 && errno != EINTR)
                break;
            if (pronto > 0) {
                int erro = 0;
                socklen_t tamanho = sizeof erro;
                ::getsockopt(soquete, SOL_SOCKET, SO_ERROR, &erro, &tamanho);
                resposta = erro == 0 ? TRespostaTcp::Conectou : TRespostaTcp::Recusou;
                break;
            }
        }
    }
    ::close(soquete);
    return resposta;
}

} // namespace

TRespostaTcp testarConexaoTcp(const QString &host, quint16 porta, int prazoMs,
                              const std::atomic<bool> &cancelado)
{
    addrinfo pedido{};
    pedido.ai_family = AF_UNSPEC;
    pedido.ai_socktype = SOCK_STREAM;
    addrinfo *enderecos = nullptr;
    if (::getaddrinfo(host.toUtf8().constData(), QByteArray::number(porta).constData(), &pedido,
                      &enderecos) != 0)
        return TRespostaTcp::Recusou;
    const QDeadlineTimer prazo(prazoMs);
    TRespostaTcp resposta = TRespostaTcp::Recusou;
    for (const addrinfo *e = enderecos; e; e = e->ai_next) {
        resposta = tentar(*e, prazo, cancelado);
        if (resposta != TRespostaTcp::Recusou)
            break;
    }
    ::freeaddrinfo(enderecos);
    return resposta;
}
