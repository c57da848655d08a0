#include "sql/execucaoSql.h"

#include "sql/gruposResultado.h"

#include <algorithm>
#include <utility>

Q_LOGGING_CATEGORY(lcExecucaoSql, "zamdados.sql", QtInfoMsg)

namespace {

const QString subtituloFalha = QStringLiteral("Falhou");

// A message of several lines as one line of the list.
QString umaLinha(QString texto)
{
    texto.replace(u'\n', QStringLiteral(" — "));
    return texto;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TExecutaSqlsPorBase

TExecutaSqlsPorBase::TExecutaSqlsPorBase(TZamListView &lista)
    : FLista(lista)
{
}

std::vector<int> TExecutaSqlsPorBase::largurasColunas(int W, int n)
{
    if (n <= 0)
        return {};
    // round(W / n), a half going to the even neighbour.
    int largura = W / n;
    const int dobroResto = 2 * (W % n);
    if (dobroResto > n || (dobroResto == n && largura % 2 != 0))
        ++largura;
    std::vector<int> larguras(std::size_t(n), largura - 2);
    larguras.back() -= n >= 2 ? 17 : 20;
    return larguras;
}

void TExecutaSqlsPorBase::CriarColunas(TZamListView &lista, const QStringList &campos)
{
    const std::vector<int> larguras = largurasColunas(lista.width(), int(campos.size()));
    for (int i = 0; i < int(campos.size()); ++i) {
        TZamListColumn coluna;
        coluna.Caption = campos.at(i);
        coluna.Width = larguras[std::size_t(i)];
        lista.addColumn(coluna);
    }
}

int TExecutaSqlsPorBase::grupoDe(const TResultadoBase &resultado)
{
    const auto achado = FGrupos.constFind(resultado.registro.get());
    if (achado != FGrupos.cend())
        return *achado;
    const int id = FLista.addGroup({-1, resultado.nome, {}, {}, false, false});
    FGrupos.insert(resultado.registro.get(), id);
    return id;
}

void TExecutaSqlsPorBase::baseIniciada(const TResultadoBase &resultado)
{
    grupoDe(resultado);
}

void TExecutaSqlsPorBase::adicionar(std::vector<TResultadoBase> &lote)
{
    for (TResultadoBase &resultado : lote) {
        const int grupo = grupoDe(resultado);
        // The first database that answers names the columns, also when failures came first
        // and made a column without a name so that their rows show.
        if (!resultado.falhou() && (FLista.columnCount() == 0 || FColunaProvisoria)) {
            FLista.clearColumns();
            CriarColunas(FLista, resultado.campos);
            // The view forgets which groups were open when all its columns go.
            if (FColunaProvisoria) {
                for (const int id : std::as_const(FGrupos))
                    FLista.groupChanged(id);
            }
            FColunaProvisoria = false;
        }
        if (resultado.falhou() && FLista.columnCount() == 0) {
            CriarColunas(FLista, {QString()});
            FColunaProvisoria = true;
        }
        // One database's rows at a time: the list is told of rows inserted into one group.
        std::vector<TZamListItem> linhas;
        linhas.reserve(resultado.falhou() ? 1 : resultado.linhas.size());
        if (resultado.falhou()) {
            TZamListItem linha;
            linha.GroupID = grupo;
            linha.Caption = umaLinha(resultado.erro);
            linhas.push_back(std::move(linha));
        }
        for (QStringList &valores : resultado.linhas) {
            TZamListItem linha;
            linha.GroupID = grupo;
            linha.Caption = valores.value(0);
            linha.SubItems = valores.mid(1);
            linhas.push_back(std::move(linha));
        }
        FLista.addItems(std::move(linhas));
        if (TZamListGroup *g = FLista.groupById(grupo)) {
            g->Collapsible = true;
            g->Collapsed = false;
            g->Subtitle = resultado.falhou() ? subtituloFalha
                                             : QStringLiteral("Count: ") +
                                                   QString::number(resultado.linhas.size());
            FLista.groupChanged(grupo);
        }
        std::vector<QStringList>().swap(resultado.linhas);
    }
    FLista.viewport()->update();
}

void TExecutaSqlsPorBase::devolverLinhas(std::vector<TResultadoBase> &resultados) const
{
    QHash<int, std::vector<int>> linhasDoGrupo;
    for (int i = 0; i < FLista.count(); ++i)
        linhasDoGrupo[FLista.grupoDaLinha(i)].push_back(i);
    for (TResultadoBase &resultado : resultados) {
        const auto grupo = FGrupos.constFind(resultado.registro.get());
        if (resultado.falhou() || grupo == FGrupos.cend())
            continue;
        const std::vector<int> linhas = linhasDoGrupo.value(*grupo);
        resultado.linhas.clear();
        resultado.linhas.reserve(linhas.size());
        for (const int linha : linhas) {
            QStringList valores;
            valores.reserve(resultado.campos.size());
            for (int c = 0; c < resultado.campos.size(); ++c)
                valores << FLista.textoDaCelula(linha, c);
            resultado.linhas.push_back(std::move(valores));
        }
    }
}

// ---------------------------------------------------------------------------------------------
// TExecutaSqlsPorResultado

TExecutaSqlsPorResultado::TExecutaSqlsPorResultado(TZamListView &lista, int registrosPorFatia)
    : FLista(lista)
    , FRegistrosPorFatia(std::max(1, registrosPorFatia))
{
    FProximaFatia.setSingleShot(true);
    FProximaFatia.setInterval(0);
    QObject::connect(&FProximaFatia, &QTimer::timeout, &FLista,
                     [this]() { arquivar(FRegistrosPorFatia); });
}

TExecutaSqlsPorResultado::~TExecutaSqlsPorResultado() = default;

void TExecutaSqlsPorResultado::adicionar(std::vector<TResultadoBase> &lote)
{
    // Also for a failure: with no column the list would show no row at all.
    if (FLista.columnCount() == 0) {
        TZamListColumn coluna;
        coluna.Width = FLista.width() - 25;
        FLista.addColumn(coluna);
    }
    if (!FGrupos)
        FGrupos = std::make_unique<TGruposResultado>(FLista);
    for (const TResultadoBase &resultado : lote) {
        qCDebug(lcExecucaoSql).noquote() << resultado.nome;
        TTrabalho trabalho;
        trabalho.nome = resultado.nome;
        trabalho.erro = resultado.erro;
        if (!resultado.falhou()) {
            trabalho.valores.reserve(resultado.linhas.size());
            for (const QStringList &valores : resultado.linhas)
                trabalho.valores.push_back(valores.value(0));
        }
        FFila.push_back(std::move(trabalho));
    }
    // While slices are under way the next one takes these too: filing one here as well would
    // put two slices in one turn of the event loop.
    if (!FProximaFatia.isActive())
        arquivar(FRegistrosPorFatia);
}

void TExecutaSqlsPorResultado::concluir()
{
    FProximaFatia.stop();
    if (!FFila.empty())
        arquivar(-1);
}

void TExecutaSqlsPorResultado::quandoArquivado(std::function<void()> fim)
{
    if (FFila.empty()) {
        fim();
        return;
    }
    FQuandoArquivado = std::move(fim);
}

void TExecutaSqlsPorResultado::arquivar(qint64 limite)
{
    TGruposResultado &grupos = *FGrupos;
    QElapsedTimer relogio;
    relogio.start();
    qint64 feitos = 0;
    // Each record costs a little; the clock is read every few hundred of them.
    const auto podeMais = [&]() {
        return limite < 0 ||
               (feitos < limite && (feitos % 256 != 0 || relogio.elapsed() < msPorFatia));
    };
    while (!FFila.empty() && podeMais()) {
        TTrabalho &trabalho = FFila.front();
        if (!trabalho.erro.isEmpty()) {
            grupos.AdicionarBase(trabalho.nome, grupos.ObterGrupo(trabalho.erro));
            ++feitos;
            FFila.pop_front();
            continue;
        }
        while (trabalho.proximo < trabalho.valores.size() && podeMais()) {
            grupos.AdicionarBase(trabalho.nome,
                                 grupos.ObterGrupo(trabalho.valores[trabalho.proximo++]));
            ++feitos;
        }
        if (trabalho.proximo == trabalho.valores.size())
            FFila.pop_front();
    }
    // Every slice is shown: the list tells the view of the groups it was given only, so
    // showing a step costs what the slice filed, not what the list holds.
    grupos.aplicar();
    FLista.viewport()->update();
    if (!FFila.empty()) {
        FProximaFatia.start();
    } else if (FQuandoArquivado) {
        const std::function<void()> fim = std::exchange(FQuandoArquivado, nullptr);
        fim();
    }
}
