#include "jobs/coletas.h"

#include "firebird/conexaoZam.h"

#include <QLocale>

TExecucaoColeta::TExecucaoColeta(IJanelaTarefas &janela, IRelatoTarefas &relato, TColeta coleta)
    : QObject(janela.janela())
    , FJanela(janela)
    , FRelato(relato)
    , FColeta(std::move(coleta))
    , FMotor(*this)
{
    FColuna = FJanela.adicionarColuna(FColeta.titulo);
}

void TExecucaoColeta::iniciar()
{
    const auto ler = FColeta.lerResultado;
    const std::vector<TZamDadosItemPtr> registros = FJanela.registrosDaLista();
    FMotor.iniciar(registros, FColeta.sql,
                   [ler](TConsultaZam &consulta, TResultadoBase &resultado) {
                       resultado.linhas.push_back({ler(consulta)});
                   });
    FPendentes.iniciar(int(registros.size()));
}

void TExecucaoColeta::baseIniciada(const TResultadoBase &resultado)
{
    FJanela.definirCelula(resultado.registro, FColuna, pendente);
}

void TExecucaoColeta::basesConcluidas(std::vector<TResultadoBase> &lote)
{
    for (const TResultadoBase &resultado : lote) {
        if (resultado.falhou())
            FJanela.soltarMouse();
        const QString texto =
            resultado.falhou() ? resultado.erro : resultado.linhas.front().value(0);
        FJanela.definirCelula(resultado.registro, FColuna, texto);
    }
    FPendentes.terminaram(int(lote.size()));
    FJanela.mostrarProgresso(QStringLiteral("%1: %2 de %3 bases, %4 falhas")
                                 .arg(FColeta.titulo)
                                 .arg(FMotor.concluidas())
                                 .arg(FMotor.total())
                                 .arg(FMotor.falhas()));
    verificarConclusao();
}

void TExecucaoColeta::verificarConclusao()
{
    // The rows are looked at only once there can be enough answers.
    if (FConcluida || FPendentes.terminados() < FJanela.totalDeLinhas())
        return;
    // A row whose cell is still missing or "?" is pending.
    for (const TZamDadosItemPtr &registro : FJanela.registrosDaLista()) {
        const std::optional<QString> texto = FJanela.celula(registro, FColuna);
        if (!texto || *texto == pendente)
            return;
    }
    FConcluida = true;
    // The box runs an event loop of its own, in which the run may end: freeing the job there
    // would free it under this call. It is freed when both have ended.
    FRelatando = true;
    FRelato.tarefaConcluida(FColeta.tituloConcluida, FColeta.mensagemConcluida);
    FRelatando = false;
    if (FTerminada)
        deleteLater();
}

void TExecucaoColeta::execucaoConcluida(const TResumoExecucao &)
{
    FJanela.mostrarProgresso(QString());
    FTerminada = true;
    if (!FRelatando)
        deleteLater();
}

TColeta coletaQtdTrabalhadores()
{
    TColeta coleta;
    coleta.titulo = QStringLiteral("Qtd. Trabalhadores");
    coleta.pergunta =
        QStringLiteral("Confirma Obter todas as Quantidades de Trabalhadores Ativos?");
    coleta.sql = QStringLiteral("select count(registro) from trabalhador where situacao = '1'");
    coleta.tituloConcluida = QStringLiteral("Trabalhadores");
    coleta.mensagemConcluida = QStringLiteral("Coleta de Quantidade de Trabalhadores Concluída");
    // Grouped by three in the user's locale, no decimals; zero is a single 0.
    coleta.lerResultado = [](TConsultaZam &consulta) {
        return QLocale().toString(consulta.campoInteiro(0));
    };
    return coleta;
}

TColeta coletaTabdef()
{
    TColeta coleta;
    coleta.titulo = QStringLiteral("TABDEF");
    coleta.pergunta = QStringLiteral("Confirma obter todas as versões de TABDEF?");
    coleta.sql = QStringLiteral("select ultimo from zamdef");
    coleta.tituloConcluida = QStringLiteral("Tabdef");
    coleta.mensagemConcluida = QStringLiteral("Coleta de Tabdef Concluída");
    coleta.lerResultado = [](TConsultaZam &consulta) { return consulta.campoTexto(0); };
    return coleta;
}
