#include "jobs/coletas.h"

#include "firebird/conexaoZam.h"
#include "platform/dialogos.h"

#include <QApplication>
#include <QLocale>
#include <QWidget>

namespace {

template <typename Trabalhador> void iniciarColeta(IJanelaTarefas &janela, TColeta modelo)
{
    auto coleta = std::make_shared<TColeta>(std::move(modelo));
    coleta->coluna = janela.adicionarColuna(coleta->titulo);
    if (!dialogos().perguntar(janela.janela(), QApplication::applicationName(), coleta->pergunta))
        return;
    for (const TZamDadosItemPtr &registro : janela.registrosDaLista())
        (new Trabalhador(janela, coleta, registro))->start();
}

} // namespace

TColetarThread::TColetarThread(IJanelaTarefas &janela, std::shared_ptr<TColeta> coleta,
                               TZamDadosItemPtr registro)
    : TTrabalhador(janela.janela())
    , FJanela(janela)
    , FColeta(std::move(coleta))
    , FRegistro(std::move(registro))
{
}

void TColetarThread::Execute()
{
    TConsultaZam consulta(FRegistro->GetstringConnection(), FColeta->sql);
    naInterface([this]() { FJanela.definirCelula(FRegistro, FColeta->coluna, pendente); });
    consulta.Open();
    FResultado = lerResultado(consulta);
    naInterface([this]() { publicar(); });
}

void TColetarThread::relatarErro(const QString &mensagem)
{
    naInterface([this, &mensagem]() {
        if (QWidget *captura = QWidget::mouseGrabber())
            captura->releaseMouse();
        FResultado = mensagem;
        publicar();
    });
}

void TColetarThread::publicar()
{
    FJanela.definirCelula(FRegistro, FColeta->coluna, FResultado);
    if (FResultado != pendente)
        ++FColeta->respondidas;
    if (FColeta->concluida || FColeta->respondidas < FJanela.totalDeLinhas())
        return;
    // A row whose cell is still missing or "?" is pending.
    for (const TZamDadosItemPtr &registro : FJanela.registrosDaLista()) {
        const std::optional<QString> texto = FJanela.celula(registro, FColeta->coluna);
        if (!texto || *texto == pendente)
            return;
    }
    FColeta->concluida = true;
    dialogos().mensagem(FJanela.janela(), FColeta->tituloConcluida, FColeta->mensagemConcluida,
                        TIconeDialogo::Informacao);
}

TColeta TColetarQtdTrabalhadoresThread::coleta()
{
    TColeta coleta;
    coleta.titulo = QStringLiteral("Qtd. Trabalhadores");
    coleta.pergunta =
        QStringLiteral("Confirma Obter todas as Quantidades de Trabalhadores Ativos?");
    coleta.sql = QStringLiteral("select count(registro) from trabalhador where situacao = '1'");
    coleta.tituloConcluida = QStringLiteral("Trabalhadores");
    coleta.mensagemConcluida = QStringLiteral("Coleta de Quantidade de Trabalhadores Concluída");
    return coleta;
}

QString TColetarQtdTrabalhadoresThread::lerResultado(TConsultaZam &consulta) const
{
    // Grouped by three in the user's locale, no decimals; zero is a single 0.
    return QLocale().toString(consulta.campoInteiro(0));
}

TColeta TColetarTabdefThread::coleta()
{
    TColeta coleta;
    coleta.titulo = QStringLiteral("TABDEF");
    coleta.pergunta = QStringLiteral("Confirma obter todas as versões de TABDEF?");
    coleta.sql = QStringLiteral("select ultimo from zamdef");
    coleta.tituloConcluida = QStringLiteral("Tabdef");
    coleta.mensagemConcluida = QStringLiteral("Coleta de Tabdef Concluída");
    return coleta;
}

QString TColetarTabdefThread::lerResultado(TConsultaZam &consulta) const
{
    return consulta.campoTexto(0);
}

void iniciarColetaQtdTrabalhadores(IJanelaTarefas &janela)
{
    iniciarColeta<TColetarQtdTrabalhadoresThread>(janela, TColetarQtdTrabalhadoresThread::coleta());
}

void iniciarColetaTabdef(IJanelaTarefas &janela)
{
    iniciarColeta<TColetarTabdefThread>(janela, TColetarTabdefThread::coleta());
}
