// zamdados-sql: one SQL query in every database of a data folder's catalogue, from the
// command line, with no window.

#include "catalog/uTZamDadosList.h"
#include "catalog/varredura.h"
#include "execucao/formatosSaida.h"
#include "execucao/motorExecucao.h"
#include "launcher/zamcon.h"
#include "platform/ambienteC.h"
#include "platform/arquivoTexto.h"
#include "platform/caminhos.h"
#include "platform/erros.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QScopeGuard>
#include <cstdio>
#include <memory>
#include <optional>
#include <unistd.h>

namespace {

constexpr int saidaOk = 0;
constexpr int saidaFalhas = 1;
constexpr int saidaUso = 2;

const QString arquivoHosts = QStringLiteral("ZamDados.Hosts.txt");

// The run under way, for the signal handler; set only while it exists.
TMotorExecucao *motorAtual = nullptr;
int sinalRecebido = 0;

void avisar(const QString &texto)
{
    std::fputs(texto.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

// Bad usage, a catalogue that cannot be loaded, a text that may not run.
class EUso : public EZamErro
{
public:
    using EZamErro::EZamErro;
};

struct TOpcoes
{
    QString pasta;
    QString sql;
    TAgrupamentoSaida agrupamento = TAgrupamentoSaida::Base;
    TFormatoSaida formato = TFormatoSaida::Tabela;
    QString saida;
    TOpcoesExecucao execucao;
    QString filtro;
    // Only these databases (from --repetir), when set.
    std::optional<QStringList> repetir;
};

int inteiroPositivo(const QString &texto, const QString &opcao)
{
    bool ok = false;
    const int valor = texto.toInt(&ok);
    if (!ok || valor <= 0)
        throw EUso(QStringLiteral("%1 espera um número inteiro maior que zero, não \"%2\".")
                       .arg(opcao, texto));
    return valor;
}

QString lerArquivoTexto(const QString &arquivo)
{
    if (arquivo == u"-") {
        QFile entrada;
        if (!entrada.open(stdin, QIODevice::ReadOnly))
            throw EUso(QStringLiteral("Não foi possível ler a entrada padrão."));
        return decodificarTexto(entrada.readAll());
    }
    QFile entrada(arquivo);
    if (!entrada.open(QIODevice::ReadOnly))
        throw EUso(
            QStringLiteral("Não foi possível ler %1: %2").arg(arquivo, entrada.errorString()));
    return decodificarTexto(entrada.readAll());
}

TOpcoes lerOpcoes(const QStringList &argumentos)
{
    QCommandLineParser leitor;
    leitor.setApplicationDescription(QStringLiteral(
        "Executa uma consulta SQL (só SELECT) em todas as bases do catálogo de uma pasta de "
        "dados e mostra os resultados.\n\n"
        "Saída: 0 quando todas as bases responderam, 1 quando alguma falhou ou foi cancelada, "
        "2 para uso incorreto, catálogo ilegível ou texto recusado, 130 após Ctrl+C.\n\n"
        "ZamDados.Hosts.txt e zamcon.ini ficam na pasta do programa; quando o programa não pode "
        "gravar nela (instalado em /usr, por exemplo), ficam na pasta dada pela variável de "
        "ambiente ZAMDADOS_PASTA."));
    leitor.addHelpOption();
    leitor.addPositionalArgument(QStringLiteral("SQL"),
                                 QStringLiteral("O texto da consulta (ou use --arquivo)."));
    const QCommandLineOption pasta({"p", "pasta"},
                                   QStringLiteral("Pasta de dados (compartilhamento) cujo catálogo "
                                                  "usar; padrão: a que a janela abre ao iniciar, "
                                                  "de ZamDados.Hosts.txt ao lado do programa."),
                                   QStringLiteral("PASTA"));
    const QCommandLineOption arquivo({"a", "arquivo"},
                                     QStringLiteral("Lê o texto SQL do arquivo (\"-\" = entrada "
                                                    "padrão)."),
                                     QStringLiteral("ARQUIVO"));
    const QCommandLineOption agrupar({"g", "agrupar"},
                                     QStringLiteral("base ou resultado (padrão: base)."),
                                     QStringLiteral("base|resultado"), QStringLiteral("base"));
    const QCommandLineOption formato({"f", "formato"},
                                     QStringLiteral("tabela, csv ou jsonl (padrão: tabela)."),
                                     QStringLiteral("tabela|csv|jsonl"), QStringLiteral("tabela"));
    const QCommandLineOption saida({"o", "saida"},
                                   QStringLiteral("Grava a saída no arquivo (substituído por "
                                                  "inteiro ao final) em vez da saída padrão."),
                                   QStringLiteral("ARQUIVO"));
    const QCommandLineOption paralelo(
        {"j", "paralelo"},
        QStringLiteral("Conexões simultâneas por servidor (padrão: %1).")
            .arg(TOpcoesExecucao::paraleloPadrao),
        QStringLiteral("N"), QString::number(TOpcoesExecucao::paraleloPadrao));
    const QCommandLineOption tempo({"t", "tempo-limite"},
                                   QStringLiteral("Limite por base, em segundos; passado ele, a "
                                                  "base é cancelada e conta como falha."),
                                   QStringLiteral("S"));
    const QCommandLineOption base({"b", "base"},
                                  QStringLiteral("Só as bases cujo nome contém TEXTO (sem "
                                                 "distinguir maiúsculas)."),
                                  QStringLiteral("TEXTO"));
    const QCommandLineOption repetir({"r", "repetir"},
                                     QStringLiteral("Só as bases que falharam (ou foram "
                                                    "canceladas) na saída jsonl ou csv (por "
                                                    "base) de uma execução anterior."),
                                     QStringLiteral("ARQUIVO"));
    leitor.addOptions({pasta, arquivo, agrupar, formato, saida, paralelo, tempo, base, repetir});
    if (!leitor.parse(argumentos))
        throw EUso(leitor.errorText());
    if (leitor.isSet(QStringLiteral("help"))) {
        std::fputs(leitor.helpText().toLocal8Bit().constData(), stdout);
        std::exit(saidaOk);
    }

    TOpcoes opcoes;
    opcoes.pasta = leitor.value(pasta);
    const QStringList posicionais = leitor.positionalArguments();
    if (leitor.isSet(arquivo)) {
        if (!posicionais.isEmpty())
            throw EUso(QStringLiteral("Dê o texto SQL ou --arquivo, não os dois."));
        opcoes.sql = lerArquivoTexto(leitor.value(arquivo));
    } else if (posicionais.size() == 1) {
        opcoes.sql = posicionais.first();
    } else {
        throw EUso(posicionais.isEmpty() ? QStringLiteral("Falta o texto SQL (ou --arquivo).")
                                         : QStringLiteral("Dê o texto SQL como um só argumento, "
                                                          "entre aspas."));
    }
    if (opcoes.sql.trimmed().isEmpty())
        throw EUso(QStringLiteral("O texto SQL está vazio."));

    const QString agrupamento = leitor.value(agrupar);
    if (agrupamento == u"base")
        opcoes.agrupamento = TAgrupamentoSaida::Base;
    else if (agrupamento == u"resultado")
        opcoes.agrupamento = TAgrupamentoSaida::Resultado;
    else
        throw EUso(
            QStringLiteral("--agrupar espera base ou resultado, não \"%1\".").arg(agrupamento));
    const QString nomeFormato = leitor.value(formato);
    if (nomeFormato == u"tabela")
        opcoes.formato = TFormatoSaida::Tabela;
    else if (nomeFormato == u"csv")
        opcoes.formato = TFormatoSaida::Csv;
    else if (nomeFormato == u"jsonl")
        opcoes.formato = TFormatoSaida::Jsonl;
    else
        throw EUso(
            QStringLiteral("--formato espera tabela, csv ou jsonl, não \"%1\".").arg(nomeFormato));
    opcoes.saida = leitor.value(saida);
    opcoes.execucao.paraleloPorServidor = inteiroPositivo(leitor.value(paralelo), "--paralelo");
    if (leitor.isSet(tempo))
        opcoes.execucao.tempoLimiteSegundos =
            inteiroPositivo(leitor.value(tempo), "--tempo-limite");
    opcoes.filtro = leitor.value(base);
    if (leitor.isSet(repetir)) {
        try {
            opcoes.repetir = basesQueFalharam(lerArquivoTexto(leitor.value(repetir)));
        } catch (const EZamErro &erro) {
            throw EUso(
                QStringLiteral("--repetir %1: %2").arg(leitor.value(repetir), erro.mensagem()));
        }
    }
    return opcoes;
}

// The data folder the window would open at start: of the list beside the program, the last
// one on a local disk "c:\", else the first; or the one named.
TZamDadosHostPtr pastaDeDados(const QString &pastaPrograma, const QString &nomeada)
{
    const QString lista = juntarCaminho(pastaPrograma, arquivoHosts);
    std::unique_ptr<TZamDadosHostList> hosts;
    if (QFileInfo::exists(caminhoLocal(lista)))
        hosts = std::make_unique<TZamDadosHostList>(lista);
    if (!nomeada.isEmpty()) {
        if (hosts) {
            if (const TZamDadosHostPtr registrado = hosts->items().value(nomeada))
                return registrado;
        }
        return TZamDadosHost::avulso(nomeada);
    }
    const std::vector<TZamDadosHostPtr> ordenados =
        hosts ? hosts->ordenados() : std::vector<TZamDadosHostPtr>();
    const int posicao = TZamDadosHostList::posicaoInicial(ordenados);
    if (posicao < 0)
        throw EUso(QStringLiteral("Nenhuma pasta de dados em %1: use --pasta.").arg(lista));
    return ordenados[std::size_t(posicao)];
}

std::vector<TZamDadosItemPtr> basesDoCatalogo(const QString &pastaPrograma, const TOpcoes &opcoes)
{
    const TZamDadosHostPtr host = pastaDeDados(pastaPrograma, opcoes.pasta);
    std::unique_ptr<TZamDadosList> catalogo;
    try {
        catalogo = std::make_unique<TZamDadosList>(host);
        if (!QFileInfo(caminhoLocal(catalogo->fileName())).isFile()) {
            const TZamcon zamcon(juntarCaminho(pastaPrograma, TZamcon::nomeArquivo));
            // A folder that is not there (a typing slip) would run in no database and end
            // as a success.
            if (!buscarBases(*catalogo, zamcon.lerPortaPadrao())) {
                verificarPastaDeDados(host->compartilhamento());
                throw EZamErro(QStringLiteral("a pasta ZAM_DADOS não pôde ser lida"));
            }
        }
    } catch (const EZamErro &erro) {
        throw EUso(QStringLiteral("O catálogo de %1 não pôde ser carregado: %2")
                       .arg(host->compartilhamento(), erro.mensagem()));
    }
    std::vector<TZamDadosItemPtr> bases;
    for (const TZamDadosItemPtr &registro : catalogo->items()) {
        if (opcoes.repetir && !opcoes.repetir->contains(registro->Getnome()))
            continue;
        if (opcoes.filtro.isEmpty() ||
            registro->Getnome().contains(opcoes.filtro, Qt::CaseInsensitive))
            bases.push_back(registro);
    }
    return bases;
}

// The run's sink: the writer, progress on a terminal, and the end of the program.
class TSaidaComando : public ISaidaExecucao
{
public:
    TSaidaComando(TGravadorResultados &gravador, QIODevice &destino, bool progresso)
        : FGravador(gravador)
        , FDestino(destino)
        , FProgresso(progresso)
    {
    }

    void basesConcluidas(std::vector<TResultadoBase> &lote) override
    {
        for (const TResultadoBase &r : lote) {
            ++FConcluidas;
            FFalhas += r.falhou() ? 1 : 0;
        }
        FGravador.adicionar(lote);
        // Whoever reads the jsonl as it comes (a pipe) gets each batch at once.
        if (auto *arquivo = qobject_cast<QFileDevice *>(&FDestino))
            arquivo->flush();
        if (FProgresso)
            avisar(QStringLiteral("\r%1/%2 bases, %3 falhas")
                       .arg(FConcluidas)
                       .arg(FTotal)
                       .arg(FFalhas));
    }

    void execucaoConcluida(const TResumoExecucao &resumo) override
    {
        if (FProgresso)
            avisar(QStringLiteral("\n"));
        FResumo = resumo;
        QCoreApplication::exit(0);
    }

    int FTotal = 0;
    TResumoExecucao FResumo;

private:
    TGravadorResultados &FGravador;
    QIODevice &FDestino;
    bool FProgresso;
    int FConcluidas = 0;
    int FFalhas = 0;
};

int executar(const QStringList &argumentos)
{
    const TOpcoes opcoes = lerOpcoes(argumentos);
    const std::vector<TZamDadosItemPtr> bases =
        basesDoCatalogo(pastaDeConfiguracao(QCoreApplication::applicationDirPath()), opcoes);

    QFile saidaPadrao;
    QSaveFile arquivo;
    QIODevice *destino = nullptr;
    if (opcoes.saida.isEmpty()) {
        saidaPadrao.open(stdout, QIODevice::WriteOnly, QFileDevice::DontCloseHandle);
        destino = &saidaPadrao;
    } else {
        arquivo.setFileName(opcoes.saida);
        if (!arquivo.open(QIODevice::WriteOnly))
            throw EUso(QStringLiteral("Não foi possível gravar %1: %2")
                           .arg(opcoes.saida, arquivo.errorString()));
        destino = &arquivo;
    }
    TGravadorResultados gravador(opcoes.formato, opcoes.agrupamento, *destino);
    TSaidaComando saida(gravador, *destino, ::isatty(STDERR_FILENO));
    saida.FTotal = int(bases.size());
    TMotorExecucao motor(saida);
    motorAtual = &motor;
    const auto semMotor = qScopeGuard([]() { motorAtual = nullptr; });
    try {
        motor.iniciar(bases, opcoes.sql,
                      lerComoTexto(QLocale(QLocale::Portuguese, QLocale::Brazil),
                                   opcoes.agrupamento == TAgrupamentoSaida::Resultado),
                      opcoes.execucao);
    } catch (const EZamErro &erro) {
        throw EUso(erro.mensagem());
    }
    QCoreApplication::exec();

    gravador.concluir();
    if (!opcoes.saida.isEmpty()) {
        if (arquivo.error() != QFileDevice::NoError || !arquivo.flush() || !arquivo.commit())
            throw EUso(QStringLiteral("Não foi possível gravar %1: %2")
                           .arg(opcoes.saida, arquivo.errorString()));
    } else {
        saidaPadrao.flush();
    }
    avisar(saida.FResumo.texto() + u'\n');
    if (sinalRecebido)
        return 128 + sinalRecebido;
    return saida.FResumo.falhas > 0 ? saidaFalhas : saidaOk;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zamdados-sql"));
    garantirCaracteresUtf8();
    // Ctrl+C and SIGTERM cancel the running statements on the servers first; the output
    // written so far is completed and the program ends with 128 + the signal.
    encerrarPorSinal([](int sinal) {
        sinalRecebido = sinal;
        if (motorAtual)
            motorAtual->cancelar();
        else
            std::_Exit(128 + sinal);
    });
    int resultado = saidaUso;
    try {
        resultado = executar(QCoreApplication::arguments());
    } catch (const EZamErro &erro) {
        avisar(QStringLiteral("zamdados-sql: %1\n").arg(erro.mensagem()));
        resultado = saidaUso;
    }
    // A worker still ending must not keep the program.
    if (!TMotorExecucao::aguardarTodas(3000))
        std::_Exit(resultado);
    return resultado;
}
