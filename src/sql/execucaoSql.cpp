#include "sql/execucaoSql.h"

#include "sql/gruposResultado.h"

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
    }
    FLista.viewport()->update();
}

// ---------------------------------------------------------------------------------------------
// TExecutaSqlsPorResultado

TExecutaSqlsPorResultado::TExecutaSqlsPorResultado(TZamListView &lista)
    : FLista(lista)
{
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
    TGruposResultado &grupos = *FGrupos;
    for (const TResultadoBase &resultado : lote) {
        qCDebug(lcExecucaoSql).noquote() << resultado.nome;
        if (resultado.falhou()) {
            grupos.AdicionarBase(resultado.nome, grupos.ObterGrupo(resultado.erro));
            continue;
        }
        for (const QStringList &valores : resultado.linhas)
            grupos.AdicionarBase(resultado.nome, grupos.ObterGrupo(valores.value(0)));
    }
    grupos.aplicar();
    FLista.viewport()->update();
}
