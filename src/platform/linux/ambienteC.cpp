#include "platform/ambienteC.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QtGlobal>
#include <atomic>
#include <mutex>

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <langinfo.h>
#include <unistd.h>

namespace {

int tuboSinais[2] = {-1, -1};
std::atomic<bool> sinaisInstalados = false;

void aoReceberSinal(int sinal)
{
    const int erroAnterior = errno;
    const unsigned char byte = static_cast<unsigned char>(sinal);
    [[maybe_unused]] const ssize_t escrito = ::write(tuboSinais[1], &byte, 1);
    errno = erroAnterior;
}

void instalar(int sinal)
{
    struct sigaction acao;
    std::memset(&acao, 0, sizeof acao);
    acao.sa_handler = aoReceberSinal;
    sigemptyset(&acao.sa_mask);
    acao.sa_flags = SA_RESTART;
    sigaction(sinal, &acao, nullptr);
}

void reforcar(int sinal)
{
    struct sigaction atual;
    if (sigaction(sinal, nullptr, &atual) == 0 && atual.sa_handler != aoReceberSinal)
        instalar(sinal);
}

} // namespace

void garantirCaracteresUtf8()
{
    static std::once_flag feito;
    std::call_once(feito, []() {
        const char *conjunto = nl_langinfo(CODESET);
        if (conjunto && (qstricmp(conjunto, "UTF-8") == 0 || qstricmp(conjunto, "utf8") == 0))
            return;
        std::setlocale(LC_CTYPE, "C.UTF-8");
    });
}

void encerrarPorSinal(std::function<void(int)> aoSinal)
{
    if (sinaisInstalados.exchange(true))
        return;
    if (::pipe2(tuboSinais, O_CLOEXEC | O_NONBLOCK) != 0)
        qFatal("encerrarPorSinal: pipe2 failed: %s", std::strerror(errno));
    auto *avisador =
        new QSocketNotifier(tuboSinais[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(avisador, &QSocketNotifier::activated, avisador,
                     [aoSinal = std::move(aoSinal)]() {
                         unsigned char byte = 0;
                         while (::read(tuboSinais[0], &byte, 1) == 1)
                             aoSinal(byte);
                     });
    instalar(SIGINT);
    instalar(SIGTERM);
}

void reforcarEncerramentoPorSinal()
{
    if (!sinaisInstalados)
        return;
    reforcar(SIGINT);
    reforcar(SIGTERM);
}
