#include "execucao/motorExecucao.h"

#include "firebird/conexaoZam.h"
#include "firebird/somenteLeitura.h"
#include "platform/ambienteC.h"
#include "platform/erros.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMetaObject>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <thread>

namespace {

std::atomic<int> threadsVivas = 0;
// Touched on the user-interface thread only.
std::set<TMotorExecucao *> motores;

// The server of a database: its host name and port.
QString chaveDoServidor(const TZamDadosItem &registro)
{
    return registro.host()->nome().toLower() + u'/' + QString::number(registro.Getporta());
}

} // namespace

// What the workers of one run share with the engine, which may be gone before they end.
struct TMotorExecucao::TEstado
{
    struct TBase
    {
        TZamDadosItemPtr registro;
        QString nome;
        QString stringConnection;
    };
    struct TAtiva
    {
        QDeadlineTimer prazo;
        bool expirou = false;
    };

    QString sql;
    TLeitorBase leitor;
    TOpcoesExecucao opcoes;
    std::vector<TBase> bases;

    std::mutex mutex;
    // All below under the mutex.
    TMotorExecucao *motor = nullptr;
    std::map<QString, std::deque<int>> filas;
    std::map<TConsultaZam *, TAtiva> ativas;
    std::vector<TResultadoBase> iniciadas;
    std::vector<TResultadoBase> concluidas;
    int threads = 0;
    bool entregaPedida = false;
    bool algumaConcluida = false;
    std::atomic<bool> cancelada = false;

    // With the mutex held. The first answer of a run is asked for also while a delivery is
    // pending: that one may wait for the interval.
    void pedirEntrega()
    {
        const bool primeira = !algumaConcluida && !concluidas.empty();
        algumaConcluida = algumaConcluida || primeira;
        if (!motor || (entregaPedida && !primeira))
            return;
        entregaPedida = true;
        QMetaObject::invokeMethod(
            motor, [m = motor]() { m->entregar(); }, Qt::QueuedConnection);
    }

    void trabalhar(const QString &servidor);
    TResultadoBase executar(int indice);
};

void TMotorExecucao::TEstado::trabalhar(const QString &servidor)
{
    for (;;) {
        int indice;
        {
            std::lock_guard trava(mutex);
            std::deque<int> &fila = filas[servidor];
            if (fila.empty())
                break;
            indice = fila.front();
            fila.pop_front();
            // Reported under the same lock as taken, so that the databases are reported
            // started in the order they leave the queue.
            if (!cancelada) {
                TResultadoBase iniciada;
                iniciada.indice = indice;
                iniciada.registro = bases[std::size_t(indice)].registro;
                iniciada.nome = bases[std::size_t(indice)].nome;
                iniciadas.push_back(std::move(iniciada));
                pedirEntrega();
            }
        }
        TResultadoBase resultado = executar(indice);
        std::lock_guard trava(mutex);
        concluidas.push_back(std::move(resultado));
        pedirEntrega();
    }
    std::lock_guard trava(mutex);
    --threads;
    pedirEntrega();
}

TResultadoBase TMotorExecucao::TEstado::executar(int indice)
{
    const TBase &base = bases[std::size_t(indice)];
    TResultadoBase resultado;
    resultado.indice = indice;
    resultado.registro = base.registro;
    resultado.nome = base.nome;
    if (cancelada) {
        resultado.erro = TConsultaZam::mensagemCancelada;
        resultado.cancelada = true;
        return resultado;
    }
    QElapsedTimer relogio;
    relogio.start();
    TConsultaZam consulta(base.stringConnection, sql);
    {
        std::lock_guard trava(mutex);
        TAtiva &ativa = ativas[&consulta];
        if (opcoes.tempoLimiteSegundos > 0)
            ativa.prazo.setRemainingTime(qint64(opcoes.tempoLimiteSegundos) * 1000);
        else
            ativa.prazo = QDeadlineTimer(QDeadlineTimer::Forever);
        if (cancelada)
            consulta.cancelar();
    }
    try {
        consulta.Open();
        leitor(consulta, resultado);
    } catch (...) {
        resultado.erro = mensagemDaExcecao(std::current_exception());
        if (resultado.erro.isEmpty())
            resultado.erro = TConsultaZam::mensagemCancelada;
    }
    bool expirou;
    {
        std::lock_guard trava(mutex);
        expirou = ativas[&consulta].expirou;
        ativas.erase(&consulta);
    }
    consulta.Release();
    resultado.ms = relogio.elapsed();
    if (resultado.falhou()) {
        resultado.campos.clear();
        resultado.linhas.clear();
        if (expirou) {
            resultado.erro = QStringLiteral("Tempo limite de %1 s esgotado; a consulta foi "
                                            "cancelada.")
                                 .arg(opcoes.tempoLimiteSegundos);
        } else if (cancelada) {
            resultado.erro = TConsultaZam::mensagemCancelada;
            resultado.cancelada = true;
        }
    }
    return resultado;
}

TMotorExecucao::TMotorExecucao(ISaidaExecucao &saida, QObject *pai)
    : QObject(pai)
    , FSaida(saida)
{
    motores.insert(this);
    FVigia.setInterval(200);
    connect(&FVigia, &QTimer::timeout, this, &TMotorExecucao::vigiarTempoLimite);
}

TMotorExecucao::~TMotorExecucao()
{
    motores.erase(this);
    if (FEstado) {
        {
            std::lock_guard trava(FEstado->mutex);
            FEstado->motor = nullptr;
        }
        cancelar();
    }
}

void TMotorExecucao::iniciar(const std::vector<TZamDadosItemPtr> &bases, const QString &sql,
                             TLeitorBase leitor, const TOpcoesExecucao &opcoes)
{
    if (FEmExecucao)
        throw EZamErro(QStringLiteral("Uma execução já está em andamento."));
    const QString texto = textoSomenteLeitura(sql);
    garantirCaracteresUtf8();

    auto estado = std::make_shared<TEstado>();
    estado->sql = texto;
    estado->leitor = std::move(leitor);
    estado->opcoes = opcoes;
    estado->opcoes.paraleloPorServidor = std::max(1, opcoes.paraleloPorServidor);
    estado->motor = this;
    // The records belong to the catalogue, which lives on this thread: the workers get what
    // they need of them now.
    for (std::size_t i = 0; i < bases.size(); ++i) {
        const TZamDadosItem &registro = *bases[i];
        estado->bases.push_back({bases[i], registro.Getnome(), registro.GetstringConnection()});
        estado->filas[chaveDoServidor(registro)].push_back(int(i));
    }

    if (FEstado) {
        std::lock_guard trava(FEstado->mutex);
        FEstado->motor = nullptr;
    }
    FEstado = estado;
    FEmExecucao = true;
    FConcluidas = 0;
    FResumo = TResumoExecucao();
    FResumo.bases = int(bases.size());
    FRelogio.start();
    FUltimaEntrega.invalidate();
    if (opcoes.tempoLimiteSegundos > 0)
        FVigia.start();

    std::lock_guard trava(estado->mutex);
    for (const auto &[servidor, fila] : estado->filas) {
        const int quantas = std::min<int>(int(fila.size()), estado->opcoes.paraleloPorServidor);
        for (int t = 0; t < quantas; ++t) {
            ++estado->threads;
            ++threadsVivas;
            std::thread([estado, servidor = servidor]() {
                estado->trabalhar(servidor);
                --threadsVivas;
            }).detach();
        }
    }
    estado->pedirEntrega();
}

void TMotorExecucao::cancelar()
{
    if (!FEstado)
        return;
    std::lock_guard trava(FEstado->mutex);
    if (FEmExecucao)
        FResumo.cancelada = true;
    FEstado->cancelada = true;
    for (auto &[consulta, ativa] : FEstado->ativas)
        consulta->cancelar();
}

void TMotorExecucao::vigiarTempoLimite()
{
    if (!FEstado)
        return;
    std::lock_guard trava(FEstado->mutex);
    for (auto &[consulta, ativa] : FEstado->ativas) {
        if (!ativa.expirou && ativa.prazo.hasExpired()) {
            ativa.expirou = true;
            consulta->cancelar();
        }
    }
}

void TMotorExecucao::entregar()
{
    const std::shared_ptr<TEstado> estado = FEstado;
    if (!estado || !FEmExecucao)
        return;
    std::vector<TResultadoBase> iniciadas;
    std::vector<TResultadoBase> lote;
    bool fim;
    {
        std::lock_guard trava(estado->mutex);
        fim = estado->threads == 0;
        // Batches, not a call per database: the list is told once per interval. The first
        // answer goes at once: the interval may have been started by reports of starts only.
        const bool primeiraResposta = FConcluidas == 0 && !estado->concluidas.empty();
        if (!fim && !primeiraResposta && FUltimaEntrega.isValid() &&
            FUltimaEntrega.elapsed() < intervaloEntregaMs) {
            QTimer::singleShot(intervaloEntregaMs - FUltimaEntrega.elapsed(), this,
                               [this]() { entregar(); });
            return;
        }
        estado->entregaPedida = false;
        iniciadas.swap(estado->iniciadas);
        lote.swap(estado->concluidas);
    }
    FUltimaEntrega.start();
    for (const TResultadoBase &r : lote) {
        ++FConcluidas;
        if (r.falhou())
            ++FResumo.falhas;
        if (r.cancelada)
            ++FResumo.canceladas;
        if (!r.falhou() && !r.linhas.empty())
            ++FResumo.comResultado;
    }
    try {
        for (const TResultadoBase &r : iniciadas)
            FSaida.baseIniciada(r);
        if (!lote.empty())
            FSaida.basesConcluidas(lote);
    } catch (...) {
        qWarning("TMotorExecucao: the sink failed: %s",
                 qPrintable(mensagemDaExcecao(std::current_exception())));
    }
    if (!fim || FEstado != estado)
        return;
    FEmExecucao = false;
    FVigia.stop();
    FResumo.ms = FRelogio.elapsed();
    try {
        FSaida.execucaoConcluida(FResumo);
    } catch (...) {
        qWarning("TMotorExecucao: the sink failed: %s",
                 qPrintable(mensagemDaExcecao(std::current_exception())));
    }
}

int TMotorExecucao::trabalhadoresAtivos()
{
    return threadsVivas;
}

int TMotorExecucao::execucoesEmAndamento()
{
    return int(std::count_if(motores.begin(), motores.end(),
                             [](const TMotorExecucao *m) { return m->emExecucao(); }));
}

void TMotorExecucao::cancelarTodas()
{
    for (TMotorExecucao *motor : motores)
        motor->cancelar();
}

bool TMotorExecucao::aguardarTodas(int limiteMs)
{
    const QDeadlineTimer prazo(limiteMs);
    while (threadsVivas > 0 && !prazo.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return threadsVivas == 0;
}
