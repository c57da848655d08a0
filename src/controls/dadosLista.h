#pragma once

#include "controls/tabelaRepartida.h"
#include "platform/textoAsc.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// One column of the list; column 0 shows the row captions.
struct TZamListColumn
{
    QString Caption;
    int Width = 50;
    // Takes the width the other columns leave.
    bool AutoSize = false;
    Qt::Alignment Alignment = Qt::AlignLeft;
};

// One row, plain data.
struct TZamListItem
{
    QString Caption;
    // SubItems[k] is the text of column k + 1; a missing one reads as empty text.
    QStringList SubItems;
    // The caller's reference; the list only keeps it.
    std::shared_ptr<void> Data;
    bool Checked = false;
    int ImageIndex = -1;
    int GroupID = -1;
    // Kept with the row and carried through a sort; not drawn.
    int Indent = 0;
    int OverlayIndex = -1;
    int StateIndex = -1;
};

// A row as the list stores it. The texts of the caption and the sub-items are packed into
// one string, so that a row costs one allocation instead of one per cell plus an array: a
// run over hundreds of databases lists hundreds of thousands of rows. What few rows carry
// besides (a data reference, images, indent) is kept apart, only when set.
class TZamLinhaGuardada
{
public:
    TZamLinhaGuardada() = default;
    explicit TZamLinhaGuardada(const TZamListItem &it);
    TZamLinhaGuardada(const TZamLinhaGuardada &outra);
    TZamLinhaGuardada &operator=(const TZamLinhaGuardada &outra);
    TZamLinhaGuardada(TZamLinhaGuardada &&) noexcept = default;
    TZamLinhaGuardada &operator=(TZamLinhaGuardada &&) noexcept = default;
    ~TZamLinhaGuardada();

    TZamListItem item() const;
    // The text of a column: the caption for 0, else its sub-item; empty when missing. Valid
    // while the row is not changed.
    QStringView texto(int coluna) const;
    const void *data() const;
    // The same texts, data reference and group, without check state, images or indent.
    TZamLinhaGuardada semMarcas() const;

    int GroupID = -1;
    bool Checked = false;

private:
    struct TExtras;
    static quint32 lerNumero(const QString &textos, qsizetype pos);
    static std::unique_ptr<TExtras> extrasDe(const TZamListItem &it);

    // Cell count, then each cell's length (each number two 16-bit halves), then the texts.
    QString FTextos;
    std::unique_ptr<TExtras> FExtras;
};

struct TZamListGroup
{
    int GroupID = -1;
    QString Header, Subtitle, Footer;
    bool Collapsible = false;
    bool Collapsed = false;
};

// A deque, so that a list with very many groups never copies them all to grow, and a group
// stays where it is while others are added.
using TZamListGroups = std::deque<TZamListGroup>;

// Called for every group that column grouping creates, after its header and state are set,
// with the column grouped by. Changes to Grupo take effect when the call returns; the
// receiver must not add or remove groups.
using TZamListViewCreateGroup = std::function<void(TZamListGroup &Grupo, int Coluna)>;

// A failed list operation, such as a cell that gives no sort key. what() is the message in
// UTF-8.
class EZamListView : public std::exception
{
public:
    explicit EZamListView(const QString &mensagem);

    const QString &mensagem() const { return FMensagem; }
    const char *what() const noexcept override { return FUtf8.constData(); }

private:
    QString FMensagem;
    QByteArray FUtf8;
};

// Drops the leading and trailing characters of code 32 or less.
QString aparar(const QString &texto);

// Sort keys. A cell shaped dd/mm/yyyy (day 0-3x, month 0-1x) sorts as the date yyyymmdd; a
// cell made only of digits, commas and full stops sorts by its digits read as one integer,
// written with 20 digits; anything else sorts as its text.
bool EhData(const QString &texto);
// "dd/mm/yyyy hh:nn", a date of EhData with its time.
bool EhDataHora(const QString &texto);
bool EhNumero(const QString &texto);
// The ASCII digits of texto, in order.
QString SomenteDigitos(const QString &texto);
// Throws EZamListView for a cell shaped as a date that is no date (31/02/2017), and for a
// number cell whose digits are none or exceed the 64-bit range.
QString ChaveOrdenacao(const QString &texto);

// Hears of each change of a TZamListaDados as it happens, in the terms of an item model:
// a parent is -1 for the top level, else the position of a shown group. "antes" comes
// before the data changes, "depois" after.
class IAvisosLista
{
public:
    virtual ~IAvisosLista() = default;
    virtual void antesDeRecompor() = 0;
    virtual void depoisDeRecompor() = 0;
    virtual void antesDeInserirLinhas(int pai, int primeira, int ultima) = 0;
    virtual void depoisDeInserirLinhas() = 0;
    virtual void antesDeRemoverLinhas(int pai, int primeira, int ultima) = 0;
    virtual void depoisDeRemoverLinhas() = 0;
    // A shown group goes from position de to position para (counted as after the move).
    virtual void antesDeMoverGrupo(int de, int para) = 0;
    virtual void depoisDeMoverGrupo() = 0;
    virtual void antesDeMudarColunas(int primeira, int ultima, bool insercao) = 0;
    virtual void depoisDeMudarColunas(bool insercao) = 0;
    virtual void linhaMudou(int linha) = 0;
    virtual void grupoMudou(int posicao) = 0;
};

// The rows, columns and groups of a report list, its group view, filter, sort and grouping,
// with no widget. Row indices are display order. Each change is told to the IAvisosLista
// given, exactly: appended rows and groups as inserts, a group moved as a move, and a
// recomposition (sort, filter, a change of view, or rows added between brackets) as one
// reset at the end of its outermost level.
//
// Group view: the shown groups are the groups with rows, in group order; a row shows under
// its group in display order; a row whose group id names no group is not shown.
class TZamListaDados
{
public:
    explicit TZamListaDados(IAvisosLista &avisos);
    TZamListaDados(const TZamListaDados &) = delete;
    TZamListaDados &operator=(const TZamListaDados &) = delete;

    // Columns. Width changes are not told: the view makes them.
    int columnCount() const { return int(FColunas.size()); }
    const TZamListColumn &column(int i) const { return FColunas[std::size_t(i)]; }
    int addColumn(const TZamListColumn &c);
    void setColumnWidth(int i, int w) { FColunas[std::size_t(i)].Width = w; }
    void setColumnAutoSize(int i, bool on) { FColunas[std::size_t(i)].AutoSize = on; }
    void clearColumns();

    // Rows.
    int count() const { return int(FItens.size()); }
    TZamListItem item(int i) const { return FItens[std::size_t(i)].item(); }
    const TZamLinhaGuardada &linha(int i) const { return FItens[std::size_t(i)]; }
    // Appends rows: one insert for rows of one group (or a flat list), or for rows that
    // bring groups into view after every shown one, in group order; else a reset.
    void addItems(std::vector<TZamListItem> items);
    void setItem(int i, TZamListItem it);
    // Sets a row's check state; true when it changed.
    bool setChecked(int i, bool marcada);
    void clearItems();
    void setCapacity(int n);
    int findData(const void *data) const;
    int CheckedCount() const;
    int findCaption(const QString &prefix) const;
    int FindSubItem(const QString &texto, int coluna) const;

    bool checkBoxes() const { return FCheckBoxes; }
    void setCheckBoxes(bool on);

    // Groups.
    int addGroup(const TZamListGroup &g);
    TZamListGroup *groupById(int id);
    const TZamListGroup *groupById(int id) const;
    const TZamListGroups &groups() const { return FGrupos; }
    void groupChanged(int id);
    void moveGroup(int from, int to);
    void clearGroups();
    bool groupView() const { return FGroupView; }
    void setGroupView(bool on);
    TZamListGroup *FindGrupo(const QString &Header);

    // Recomposition: while open, data changes freely and nothing is told; closing the last
    // level rebuilds the layout and tells one reset.
    void abrirRecomposicao();
    void fecharRecomposicao();
    bool recompondo() const { return FNivelReset > 0; }

    // The filter keeps a copy of the rows at its first use, and the display and search text
    // of each, made once; it is dropped by dropFiltro (a refill).
    void Filtrar(const QString &Value);
    void dropFiltro();
    // See TZamListView::Ordenar, Agrupar. linhasOrdenadas sets the sort column and direction
    // and gives the rows in their new order, changing nothing else (it throws as Ordenar
    // does); trocarLinhas puts rows in place of all rows, as a recomposition.
    void Ordenar(int Column);
    std::vector<TZamLinhaGuardada> linhasOrdenadas(int Column);
    void trocarLinhas(std::vector<TZamLinhaGuardada> linhas);
    void Agrupar(int Column, const TZamListViewCreateGroup &criarGrupo);
    std::optional<int> colunaOrdenada() const { return FColunaOrdenada; }
    void setColunaOrdenada(std::optional<int> coluna) { FColunaOrdenada = coluna; }
    bool ordemCrescente() const { return FOrdemCrescente; }
    std::optional<int> ultimaColunaAgrupada() const { return FUltimaColunaAgrupada; }

    static void CopiarItem(const TZamListItem &Origem, TZamListItem &Destino);

    // Layout of the group view.
    int gruposVisiveis() const { return int(FVisiveis.size()); }
    int linhasNoGrupoVisivel(int posicao) const
    {
        return int(FFilhos[std::size_t(posicao)].size());
    }
    const TZamListGroup &grupoVisivel(int posicao) const;
    TZamListGroup &grupoVisivel(int posicao);
    // A fixed key of each group (never 0), so that a position among shown groups can be
    // found again after groups move.
    quintptr chaveDoGrupoVisivel(int posicao) const { return FVisiveis[std::size_t(posicao)]; }
    // -1 when the key's group is not shown.
    int posicaoDaChave(quintptr chave) const { return FPosVisivel.value(chave, -1); }
    // The row at position filho under the shown group at posicao, -1 when none.
    int linhaNoGrupo(int posicao, int filho) const;
    // Where a row shows in group view: its group's position and its place under it; false
    // when not shown.
    bool ondeMostra(int linha, int &posicao, int &filho) const;

private:
    struct TFiltrada
    {
        TZamLinhaGuardada linha;
        // The text the filter searches, folded once, for the column it was made for.
        QString dobrado;
    };

    int indiceDoGrupo(int id) const { return FGrupoPorId.value(id, -1); }
    void reindexarGrupos();
    void reindexarFaixa(int de, int ate);
    void remontarMapa();
    void renumerarVisiveis(int desde);
    int posicaoNovoGrupoVisivel(int indiceGrupo) const;
    void tirarDoGrupo(int linha);
    void porNoGrupo(int primeira, int ultima);
    bool gruposNovosNoFim(const std::vector<TZamListItem> &items) const;
    void mostrarGruposNoFim(int primeira, int ultima);
    void prepararFiltro(int coluna);

    IAvisosLista &FAvisos;
    std::vector<TZamListColumn> FColunas;
    std::vector<TZamLinhaGuardada> FItens;
    TZamListGroups FGrupos;
    std::vector<quintptr> FChavesGrupo;
    quintptr FProximaChave = 1;
    TTabelaRepartida<int, int> FGrupoPorId;
    TTabelaRepartida<quintptr, int> FGrupoPorChave;
    bool FGroupView = false;
    bool FCheckBoxes = false;
    int FNivelReset = 0;

    // Group view: the shown groups, their rows in display order, each row's place under its
    // group (-1 when not shown).
    std::vector<quintptr> FVisiveis;
    std::vector<std::vector<int>> FFilhos;
    TTabelaRepartida<quintptr, int> FPosVisivel;
    std::vector<int> FPosFilho;
    int FLinhasSemGrupo = 0;

    // The filter's copy; the column its search texts were made for (-1 none yet); the last
    // text and the copies it let through, so that a longer text searches only those.
    std::vector<TFiltrada> FCacheFiltro;
    int FColunaDoFiltro = -1;
    QString FUltimoFiltro;
    std::vector<int> FPassaram;

    std::optional<int> FColunaOrdenada;
    bool FOrdemCrescente = false;
    std::optional<int> FUltimaColunaAgrupada;
};
