#pragma once

#include "controls/buscaDigitada.h"
#include "controls/dadosLista.h"

#include <QLabel>
#include <QTreeView>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class TZamListView;
class TZamListModel;

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
    int columnCount() const;
    int addColumn(const TZamListColumn &c);
    // Width is the current width, also of an auto-sized column.
    TZamListColumn column(int i) const;
    void setColumnWidth(int i, int w);
    void setColumnAutoSize(int i, bool on);
    void clearColumns();

    // Rows.
    int count() const;
    // A copy of the row: the list stores rows in a packed form of its own.
    TZamListItem item(int i) const;
    // A cell's text without copying the whole row: the caption for column 0, else the
    // sub-item, empty when missing.
    QString textoDaCelula(int linha, int coluna) const;
    int grupoDaLinha(int linha) const;
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

    bool checkBoxes() const;
    void setCheckBoxes(bool on);

    // Groups. addGroup returns the group's id; a group given without one (-1) gets the next
    // free id. A group shows only while it has rows; rows whose group id names no group are
    // not shown in group view.
    int addGroup(const TZamListGroup &g);
    // Valid until the groups change; call groupChanged after changing it.
    TZamListGroup *groupById(int id);
    const TZamListGroups &groups() const;
    // Redraws a group's header line and applies its collapsed state.
    void groupChanged(int id);
    // Moves the group at position from to position to; the others shift by one.
    void moveGroup(int from, int to);
    void clearGroups();
    bool groupView() const;
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
    static void CopiarItem(const TZamListItem &Origem, TZamListItem &Destino)
    {
        TZamListaDados::CopiarItem(Origem, Destino);
    }

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

    std::optional<int> colunaOrdenada() const;
    bool ordemCrescente() const;
    std::optional<int> ultimaColunaAgrupada() const;
    // The search bar while a search is under way; its text is the search text.
    QLabel *labelBusca() const;

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
    void setColunaOrdenada(std::optional<int> coluna);

    bool event(QEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void updateGeometries() override;
    void drawRow(QPainter *painter, const QStyleOptionViewItem &option,
                 const QModelIndex &index) const override;

private:
    TZamListaDados &dados();
    const TZamListaDados &dados() const;
    bool resetAberto() const;
    void ligarModelo();

    void cliqueNoCabecalho(int coluna) noexcept;
    void relatarErro(const std::exception &e) noexcept;
    // Nestable: drawing resumes when the last level closes.
    void suspenderDesenho();
    void retomarDesenho();

    void SalvarColunas();
    void RestaurarColunas();

    // What the view does around the model's notices: keep the selection over a reset, give
    // the header the columns' widths, open or close the groups as their state says.
    void antesDoReset();
    void depoisDoReset();
    void aplicarColuna(int i);
    void aplicarColunas();
    void configurarGrupos();
    void configurarGrupo(int posicao);
    void guardarEstadoDoGrupo(const QModelIndex &index, bool aberto);
    // A group's header line, drawn across every column.
    void desenharGrupo(QPainter *painter, const QStyleOptionViewItem &option,
                       const QModelIndex &index) const;

    TZamListModel *FModelo = nullptr;
    std::unique_ptr<TBuscaDigitada> FBusca;
    TZamColParamArray FArrayColParam;

    // Levels of suspended drawing, and of those the open update brackets.
    int FNivelAtualizacao = 0;
    int FNivelBracket = 0;
    // Selection and focus row kept across a reset, -1 when none.
    int FSelecaoNoReset = -1;
    int FAtualNoReset = -1;
    bool FAplicandoColunas = false;
};
