#pragma once

#include <QHash>
#include <QLabel>
#include <QStringList>
#include <QTreeView>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class TZamListView;
class TZamListModel;

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

struct TZamListGroup
{
    int GroupID = -1;
    QString Header, Subtitle, Footer;
    bool Collapsible = false;
    bool Collapsed = false;
};

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

// A row detached from the list: what a filter needs to put it back. Check state and image
// are not kept, so a row that comes back is unchecked and has no image.
class TZamListItemCache
{
public:
    explicit TZamListItemCache(const TZamListItem &li);
    TZamListItem AsNewListItem() const;

    QString Caption;
    QStringList Subitems;
    int GroupID = -1;
    std::shared_ptr<void> Data;
};

// The saved width and auto-size flag of one column.
class TZamColParam
{
public:
    TZamColParam(const TZamListView *lv, int col);
    // Width first, then the auto-size flag.
    void Restaurar(TZamListView *lv) const;

    int FCol;
    bool autoSize;
    int width;
};

using TZamColParamArray = std::vector<TZamColParam>;

// Only the letters A to Z become a to z; every other character stays as it is.
QString minusculasAZ(const QString &texto);
// Drops the leading and trailing characters of code 32 or less.
QString aparar(const QString &texto);
// Height of the search bar for a bold line height h: h + h/2, halves rounded to the even
// neighbour (13 gives 19, 15 gives 23).
int alturaBarraBusca(int alturaLinha);

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

// Report-style list: rows under columns, optionally under collapsible group headers. Rows,
// columns and groups are plain data held here; a private model shows them. Row indices are
// display order.
class TZamListView : public QTreeView
{
    Q_OBJECT

public:
    explicit TZamListView(QWidget *parent = nullptr);
    ~TZamListView() override;

    // Columns.
    int columnCount() const { return int(FColunas.size()); }
    int addColumn(const TZamListColumn &c);
    // Width is the current width, also of an auto-sized column.
    TZamListColumn column(int i) const;
    void setColumnWidth(int i, int w);
    void setColumnAutoSize(int i, bool on);
    void clearColumns();

    // Rows.
    int count() const { return int(FItens.size()); }
    // Valid until rows are added or removed.
    const TZamListItem &item(int i) const { return FItens[std::size_t(i)]; }
    int addItem(TZamListItem it);
    // Appends many rows with one insert notification (a reset when in group view they go
    // into more than one group).
    void addItems(std::vector<TZamListItem> items);
    // Replaces a row's data; only that row is redrawn.
    void setItem(int i, TZamListItem it);
    void clearItems();
    void setCapacity(int n);
    // The first row whose data reference is data; -1 when there is none.
    int findData(const void *data) const;

    // -1 = none. Setting a row selects it and makes it the focused row; -1 clears the
    // selection. Setting neither scrolls nor opens a collapsed group: see scrollToItem.
    int selectedIndex() const;
    void setSelectedIndex(int i);
    // The row with the focus mark, which need not be selected.
    int focusedIndex() const;
    void setFocusedIndex(int i);
    // Scrolls the row wholly into view, opening its group when collapsed.
    void scrollToItem(int i);
    // The first row from the top whose caption begins with prefix, ignoring case; -1.
    int findCaption(const QString &prefix) const;
    // The first row whose text in column coluna (> 0), with A to Z folded, begins with
    // texto folded the same way; a missing sub-item is empty text. -1 when none.
    int FindSubItem(const QString &texto, int coluna) const;
    // Captions are never edited in place here.
    bool isEditing() const { return state() == QAbstractItemView::EditingState; }

    bool checkBoxes() const { return FCheckBoxes; }
    void setCheckBoxes(bool on);

    // Groups. addGroup returns the group's id; a group given without one (-1) gets the next
    // free id. A group shows only while it has rows; rows whose group id names no group are
    // not shown in group view.
    int addGroup(const TZamListGroup &g);
    // Valid until the groups change; call groupChanged after changing it.
    TZamListGroup *groupById(int id);
    const std::vector<TZamListGroup> &groups() const { return FGrupos; }
    // Redraws a group's header line and applies its collapsed state.
    void groupChanged(int id);
    // Moves the group at position from to position to; the others shift by one.
    void moveGroup(int from, int to);
    void clearGroups();
    bool groupView() const { return FGroupView; }
    void setGroupView(bool on);

    // Bracket around a refill: keeps the columns' widths, drops the filter copy, and shows
    // the new rows with one model reset at the end.
    void BeginUpdateZam(int Total);
    void EndUpdateZam();
    // Shows the rows of the filter copy whose text contains Value (A to Z folded), or all of
    // them when Value is blank. Always 0.
    int Filtrar(const QString &Value);
    int CheckedCount() const;
    const TZamColParamArray &ZamArrayColumnsParam() const { return FArrayColParam; }

    // Sorts all rows by the text of column Column (0 = captions) with ChaveOrdenacao keys,
    // collated as the user's locale does, ignoring case. Descending only when the last sort
    // was ascending by this same column. Check states stay with their rows; afterwards no row
    // is selected or focused. A cell without a key throws EZamListView and leaves the rows
    // as they were (the sort column and direction are already the new ones). A negative
    // column does nothing.
    void Ordenar(int Column);
    // Puts every row into the group whose header is its text in Column, creating groups
    // (collapsible, open) for texts that have none, and switches group view on. Groups
    // already in the list stay and are reused.
    void Agrupar(int Column);
    // The first group whose header is Header (case counts); nullptr when none. Valid until
    // the groups change.
    TZamListGroup *FindGrupo(const QString &Header);
    // What a click on column Coluna's header does: sort, group or ungroup, as
    // ZamOrdenarColumnClick and ZamAgruparColumnClick say. Throws as Ordenar does; the click
    // itself goes through OnErro instead.
    void ZamColumnClick(int Coluna);
    // Copies everything of a row but its check state: caption, data reference, image,
    // indent, overlay, state image, sub-items and group id.
    static void CopiarItem(const TZamListItem &Origem, TZamListItem &Destino);

    bool ZamOrdenarColumnClick = false;
    bool ZamAgruparColumnClick = false;
    // Switches the type-to-search off.
    bool DesabilitarBusca = false;

    TZamListViewCreateGroup OnZamAgruparCreateGroup;
    // Called after a row's check state changed through the view or setItem; not during a
    // sort.
    std::function<void(int row)> OnItemChecked;
    // Receives what a click on a column header threw, so that nothing reaches the event
    // loop. When unset the message goes to qWarning.
    std::function<void(const std::exception &)> OnErro;

    std::optional<int> colunaOrdenada() const { return FColunaOrdenada; }
    bool ordemCrescente() const { return FOrdemCrescente; }
    std::optional<int> ultimaColunaAgrupada() const { return FUltimaColunaAgrupada; }
    // The search bar while a search is under way; its text is the search text.
    QLabel *labelBusca() const { return FLabelBusca; }

    // Chooses the font of a row as it is drawn; asked for the rows on screen only.
    std::function<void(int row, QFont &font)> OnCustomDrawItem;

    // Row index of a model index, -1 for a group header or an invalid index; and back.
    int linhaDoIndice(const QModelIndex &index) const;
    QModelIndex indiceDaLinha(int linha, int coluna = 0) const;

    // The type-to-search takes the place of the view's own keyboard search.
    void keyboardSearch(const QString &) override {}

Q_SIGNALS:
    // A double-click anywhere in the list: the row under the mouse, -1 below the last row or
    // on a group header.
    void itemDoubleClicked(int row);
    // A click on a column header, before the list sorts or groups by it.
    void columnClicked(int coluna);

protected:
    void setColunaOrdenada(std::optional<int> coluna) { FColunaOrdenada = coluna; }

    bool event(QEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void updateGeometries() override;
    void drawRow(QPainter *painter, const QStyleOptionViewItem &option,
                 const QModelIndex &index) const override;

    std::optional<int> FColunaOrdenada;
    bool FOrdemCrescente = false;
    std::optional<int> FUltimaColunaAgrupada;

private:
    friend class TZamListModel;

    // A row's text in a column: the caption for 0, else its sub-item, empty when missing.
    static QString textoNaColuna(const TZamListItem &it, int coluna);
    void cliqueNoCabecalho(int coluna) noexcept;
    void relatarErro(const std::exception &e) noexcept;
    // Nestable: drawing resumes when the last level closes.
    void suspenderDesenho();
    void retomarDesenho();

    void SalvarColunas();
    void RestaurarColunas();
    void LimparCacheFiltro() { FCacheFiltro.clear(); }

    // Type-to-search.
    bool buscarCaractere(QChar c);
    void criarBarraBusca();
    void encerrarBusca();

    // Model notifications. While a reset is open the data may change freely; closing the
    // last level rebuilds the group layout and resets the model once.
    bool resetAberto() const { return FNivelReset > 0; }
    void abrirReset();
    void fecharReset();
    void aplicarColuna(int i);
    void aplicarColunas();
    void configurarGrupos();
    void configurarGrupo(int posicao);

    // Group view layout.
    void remontarMapa();
    void reindexarGrupos();
    int indiceDoGrupo(int id) const { return FGrupoPorId.value(id, -1); }
    int posicaoNovoGrupoVisivel(int indiceGrupo) const;
    void tirarDoGrupo(int linha);
    void porNoGrupo(int primeira, int ultima);
    void renumerarVisiveis(int desde);

    std::vector<TZamListColumn> FColunas;
    std::vector<TZamListItem> FItens;
    std::vector<TZamListGroup> FGrupos;
    // A key per group that never changes, so that model indices of rows under a group stay
    // valid when groups move.
    std::vector<quintptr> FChavesGrupo;
    quintptr FProximaChave = 1;
    QHash<int, int> FGrupoPorId;
    QHash<quintptr, int> FGrupoPorChave;
    bool FGroupView = false;
    bool FCheckBoxes = false;

    // Group view: the groups shown (those with rows) in group order, their rows in display
    // order, and each row's position under its group (-1 when not shown).
    std::vector<quintptr> FVisiveis;
    std::vector<std::vector<int>> FFilhos;
    QHash<quintptr, int> FPosVisivel;
    std::vector<int> FPosFilho;
    int FLinhasSemGrupo = 0;

    std::vector<TZamListItemCache> FCacheFiltro;
    TZamColParamArray FArrayColParam;
    QLabel *FLabelBusca = nullptr;
    int FAlturaBusca = 0;

    TZamListModel *FModelo = nullptr;
    // Levels of suspended drawing, and of those the open update brackets.
    int FNivelAtualizacao = 0;
    int FNivelBracket = 0;
    int FNivelReset = 0;
    // Selection and focus row kept across a reset, -1 when none.
    int FSelecaoNoReset = -1;
    int FAtualNoReset = -1;
    bool FAplicandoColunas = false;
};
