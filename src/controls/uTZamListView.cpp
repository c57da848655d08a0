#include "controls/uTZamListView.h"

#include "controls/buscaDigitada.h"
#include "controls/modeloListView.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScopeGuard>
#include <utility>

// ---------------------------------------------------------------------------------------------
// Saved columns

TZamColParam::TZamColParam(const TZamListView *lv, int col)
    : FCol(col)
{
    const TZamListColumn c = lv->column(col);
    autoSize = c.AutoSize;
    width = c.Width;
}

void TZamColParam::Restaurar(TZamListView *lv) const
{
    // The refill may have dropped columns; a saved column that is gone stays gone.
    if (FCol >= lv->columnCount())
        return;
    lv->setColumnWidth(FCol, width);
    lv->setColumnAutoSize(FCol, autoSize);
}

// ---------------------------------------------------------------------------------------------
// TZamListView

namespace {

bool encerraBusca(int tecla)
{
    switch (tecla) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Delete:
        return true;
    default:
        return false;
    }
}

// Selecting from code neither scrolls nor opens a collapsed group; scrollToItem does that.
class TSemRolagem
{
public:
    explicit TSemRolagem(QAbstractItemView *v)
        : FView(v)
        , FAntes(v->hasAutoScroll())
    {
        v->setAutoScroll(false);
    }
    ~TSemRolagem() { FView->setAutoScroll(FAntes); }
    TSemRolagem(const TSemRolagem &) = delete;
    TSemRolagem &operator=(const TSemRolagem &) = delete;

private:
    QAbstractItemView *FView;
    bool FAntes;
};

} // namespace

TZamListView::TZamListView(QWidget *parent)
    : QTreeView(parent)
    , FModelo(new TZamListModel(this))
{
    setModel(FModelo);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setItemsExpandable(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAllColumnsShowFocus(true);
    setSortingEnabled(false);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(false);
    ligarModelo();

    FBusca = std::make_unique<TBuscaDigitada>(
        *this,
        [this](const QString &busca) {
            return colunaOrdenada().has_value() && *colunaOrdenada() > 0
                       ? FindSubItem(busca, *colunaOrdenada())
                       : findCaption(busca);
        },
        [this](int linha) {
            setSelectedIndex(linha);
            if (linha >= 0)
                scrollToItem(linha);
        },
        [this] { updateGeometries(); });
}

TZamListView::~TZamListView() = default;

void TZamListView::ligarModelo()
{
    FModelo->setFonte(font());
    FModelo->OnFonteDaLinha = [this](int linha, QFont &fonte) {
        if (OnCustomDrawItem)
            OnCustomDrawItem(linha, fonte);
    };
    FModelo->OnMarcada = [this](int linha) {
        if (OnItemChecked)
            OnItemChecked(linha);
    };
    FModelo->OnLarguraDaColuna = [this](int coluna) { return QTreeView::columnWidth(coluna); };
    FModelo->margensDoTexto =
        2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);

    connect(header(), &QHeaderView::sectionClicked, this, &TZamListView::cliqueNoCabecalho);
    connect(header(), &QHeaderView::sectionResized, this, [this](int i, int, int largura) {
        if (!FAplicandoColunas && i >= 0 && i < columnCount())
            dados().setColumnWidth(i, largura);
    });
    connect(this, &QTreeView::expanded, this,
            [this](const QModelIndex &index) { guardarEstadoDoGrupo(index, true); });
    connect(this, &QTreeView::collapsed, this,
            [this](const QModelIndex &index) { guardarEstadoDoGrupo(index, false); });

    connect(FModelo, &QAbstractItemModel::modelAboutToBeReset, this, &TZamListView::antesDoReset);
    connect(FModelo, &QAbstractItemModel::modelReset, this, &TZamListView::depoisDoReset);
    connect(FModelo, &QAbstractItemModel::columnsAboutToBeInserted, this,
            [this] { FAplicandoColunas = true; });
    connect(FModelo, &QAbstractItemModel::columnsInserted, this,
            [this](const QModelIndex &, int primeira, int ultima) {
                FAplicandoColunas = false;
                for (int i = primeira; i <= ultima; ++i)
                    aplicarColuna(i);
            });
    // A group that comes into view, or whose header changed, takes its open or closed state.
    connect(FModelo, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &pai, int primeira, int ultima) {
                if (pai.isValid() || !groupView())
                    return;
                for (int p = primeira; p <= ultima; ++p)
                    configurarGrupo(p);
            });
    connect(FModelo, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex &canto) {
        if (FModelo->ehGrupo(canto))
            configurarGrupo(canto.row());
    });
}

TZamListaDados &TZamListView::dados()
{
    return FModelo->dados();
}

const TZamListaDados &TZamListView::dados() const
{
    return FModelo->dados();
}

bool TZamListView::resetAberto() const
{
    return dados().recompondo();
}

// --- forwarded data --------------------------------------------------------------------------

int TZamListView::columnCount() const
{
    return dados().columnCount();
}

int TZamListView::count() const
{
    return dados().count();
}

TZamListItem TZamListView::item(int i) const
{
    return dados().item(i);
}

QString TZamListView::textoDaCelula(int linha, int coluna) const
{
    return dados().linha(linha).texto(coluna).toString();
}

int TZamListView::grupoDaLinha(int linha) const
{
    return dados().linha(linha).GroupID;
}

bool TZamListView::checkBoxes() const
{
    return dados().checkBoxes();
}

const TZamListGroups &TZamListView::groups() const
{
    return dados().groups();
}

bool TZamListView::groupView() const
{
    return dados().groupView();
}

std::optional<int> TZamListView::colunaOrdenada() const
{
    return dados().colunaOrdenada();
}

void TZamListView::setColunaOrdenada(std::optional<int> coluna)
{
    dados().setColunaOrdenada(coluna);
}

bool TZamListView::ordemCrescente() const
{
    return dados().ordemCrescente();
}

std::optional<int> TZamListView::ultimaColunaAgrupada() const
{
    return dados().ultimaColunaAgrupada();
}

QLabel *TZamListView::labelBusca() const
{
    return FBusca->barra();
}

// --- around the model's notices --------------------------------------------------------------

void TZamListView::antesDoReset()
{
    FSelecaoNoReset = selectedIndex();
    FAtualNoReset = focusedIndex();
    FAplicandoColunas = true;
}

void TZamListView::depoisDoReset()
{
    FAplicandoColunas = false;
    setRootIsDecorated(groupView());
    aplicarColunas();
    configurarGrupos();
    const TSemRolagem semRolagem(this);
    const int selecao = FSelecaoNoReset;
    const int atual = FAtualNoReset;
    FSelecaoNoReset = FAtualNoReset = -1;
    if (atual >= 0 && atual < count())
        setFocusedIndex(atual);
    if (selecao >= 0 && selecao < count()) {
        const QModelIndex idx = indiceDaLinha(selecao);
        if (idx.isValid())
            selectionModel()->select(idx, QItemSelectionModel::ClearAndSelect |
                                              QItemSelectionModel::Rows);
    }
}

void TZamListView::aplicarColuna(int i)
{
    if (i >= header()->count())
        return;
    const TZamListColumn &c = dados().column(i);
    const bool antes = FAplicandoColunas;
    FAplicandoColunas = true;
    header()->setSectionResizeMode(i, QHeaderView::Interactive);
    header()->resizeSection(i, c.Width);
    FAplicandoColunas = antes;
    if (c.AutoSize)
        header()->setSectionResizeMode(i, QHeaderView::Stretch);
}

void TZamListView::aplicarColunas()
{
    for (int i = 0; i < columnCount(); ++i)
        aplicarColuna(i);
}

void TZamListView::configurarGrupo(int posicao)
{
    if (!groupView() || posicao >= FModelo->topoExposto())
        return;
    const TZamListGroup &g = dados().grupoVisivel(posicao);
    setExpanded(FModelo->indiceDoGrupo(posicao), !(g.Collapsible && g.Collapsed));
}

void TZamListView::configurarGrupos()
{
    if (!groupView())
        return;
    for (int p = 0; p < FModelo->topoExposto(); ++p)
        configurarGrupo(p);
}

void TZamListView::guardarEstadoDoGrupo(const QModelIndex &index, bool aberto)
{
    if (!FModelo->ehGrupo(index) || index.row() >= FModelo->topoExposto())
        return;
    TZamListGroup &g = dados().grupoVisivel(index.row());
    if (aberto)
        g.Collapsed = false;
    else if (g.Collapsible)
        g.Collapsed = true;
    else
        expand(index);
}

int TZamListView::linhaDoIndice(const QModelIndex &index) const
{
    return FModelo->linhaDoIndice(index);
}

QModelIndex TZamListView::indiceDaLinha(int linha, int coluna) const
{
    return FModelo->indiceDaLinha(linha, coluna);
}

// --- columns ---------------------------------------------------------------------------------

int TZamListView::addColumn(const TZamListColumn &c)
{
    return dados().addColumn(c);
}

TZamListColumn TZamListView::column(int i) const
{
    return dados().column(i);
}

void TZamListView::setColumnWidth(int i, int w)
{
    dados().setColumnWidth(i, w);
    aplicarColuna(i);
}

void TZamListView::setColumnAutoSize(int i, bool on)
{
    dados().setColumnAutoSize(i, on);
    aplicarColuna(i);
}

void TZamListView::clearColumns()
{
    dados().clearColumns();
}

void TZamListView::SalvarColunas()
{
    FArrayColParam.clear();
    FArrayColParam.reserve(std::size_t(columnCount()));
    for (int i = 0; i < columnCount(); ++i)
        FArrayColParam.emplace_back(this, i);
}

void TZamListView::RestaurarColunas()
{
    for (const TZamColParam &p : FArrayColParam)
        p.Restaurar(this);
    FArrayColParam.clear();
}

// --- rows ------------------------------------------------------------------------------------

int TZamListView::addItem(TZamListItem it)
{
    std::vector<TZamListItem> um;
    um.push_back(std::move(it));
    addItems(std::move(um));
    return count() - 1;
}

void TZamListView::addItems(std::vector<TZamListItem> items)
{
    dados().addItems(std::move(items));
}

void TZamListView::setItem(int i, TZamListItem it)
{
    const bool marcacaoMudou = item(i).Checked != it.Checked;
    dados().setItem(i, std::move(it));
    if (marcacaoMudou && OnItemChecked)
        OnItemChecked(i);
}

void TZamListView::clearItems()
{
    dados().abrirRecomposicao();
    FSelecaoNoReset = FAtualNoReset = -1;
    dados().clearItems();
    dados().fecharRecomposicao();
}

void TZamListView::setCapacity(int n)
{
    dados().setCapacity(n);
}

int TZamListView::findData(const void *data) const
{
    return dados().findData(data);
}

int TZamListView::CheckedCount() const
{
    return dados().CheckedCount();
}

void TZamListView::setCheckBoxes(bool on)
{
    dados().setCheckBoxes(on);
}

// --- selection -------------------------------------------------------------------------------

int TZamListView::selectedIndex() const
{
    if (resetAberto())
        return FSelecaoNoReset < count() ? FSelecaoNoReset : -1;
    const QModelIndexList marcados = selectionModel()->selectedIndexes();
    for (const QModelIndex &idx : marcados) {
        const int linha = linhaDoIndice(idx);
        if (linha >= 0)
            return linha;
    }
    return -1;
}

void TZamListView::setSelectedIndex(int i)
{
    if (resetAberto()) {
        FSelecaoNoReset = i;
        if (i >= 0)
            FAtualNoReset = i;
        return;
    }
    FModelo->exporAte(i);
    const QModelIndex idx = indiceDaLinha(i);
    if (!idx.isValid()) {
        selectionModel()->clearSelection();
        return;
    }
    const TSemRolagem semRolagem(this);
    selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect |
                                               QItemSelectionModel::Rows);
}

int TZamListView::focusedIndex() const
{
    if (resetAberto())
        return FAtualNoReset < count() ? FAtualNoReset : -1;
    return linhaDoIndice(selectionModel()->currentIndex());
}

void TZamListView::setFocusedIndex(int i)
{
    if (resetAberto()) {
        FAtualNoReset = i;
        return;
    }
    FModelo->exporAte(i);
    const TSemRolagem semRolagem(this);
    selectionModel()->setCurrentIndex(indiceDaLinha(i), QItemSelectionModel::NoUpdate);
}

void TZamListView::scrollToItem(int i)
{
    FModelo->exporAte(i);
    const QModelIndex idx = indiceDaLinha(i);
    if (idx.isValid())
        scrollTo(idx, QAbstractItemView::EnsureVisible);
}

int TZamListView::findCaption(const QString &prefix) const
{
    return dados().findCaption(prefix);
}

int TZamListView::FindSubItem(const QString &texto, int coluna) const
{
    return dados().FindSubItem(texto, coluna);
}

// --- groups ----------------------------------------------------------------------------------

int TZamListView::addGroup(const TZamListGroup &g)
{
    return dados().addGroup(g);
}

TZamListGroup *TZamListView::groupById(int id)
{
    return dados().groupById(id);
}

void TZamListView::groupChanged(int id)
{
    dados().groupChanged(id);
}

void TZamListView::moveGroup(int from, int to)
{
    dados().moveGroup(from, to);
}

void TZamListView::clearGroups()
{
    dados().clearGroups();
}

void TZamListView::setGroupView(bool on)
{
    dados().setGroupView(on);
}

TZamListGroup *TZamListView::FindGrupo(const QString &Header)
{
    return dados().FindGrupo(Header);
}

// --- update bracket and filter ---------------------------------------------------------------

void TZamListView::suspenderDesenho()
{
    if (FNivelAtualizacao++ == 0)
        setUpdatesEnabled(false);
}

void TZamListView::retomarDesenho()
{
    if (--FNivelAtualizacao == 0)
        setUpdatesEnabled(true);
}

void TZamListView::BeginUpdateZam(int Total)
{
    SalvarColunas();
    suspenderDesenho();
    ++FNivelBracket;
    dados().abrirRecomposicao();
    setCapacity(Total);
    dados().dropFiltro();
}

void TZamListView::EndUpdateZam()
{
    if (FNivelBracket == 0)
        return;
    // A failed re-sort must not leave the list suspended: the bracket closes first, then the
    // error goes on.
    std::exception_ptr erro;
    if (const std::optional<int> coluna = colunaOrdenada()) {
        // Without a sort column the sort is ascending, whatever the direction before.
        setColunaOrdenada(std::nullopt);
        try {
            Ordenar(*coluna);
        } catch (...) {
            erro = std::current_exception();
        }
    }
    RestaurarColunas();
    dados().fecharRecomposicao();
    --FNivelBracket;
    retomarDesenho();
    if (columnCount() > 0)
        SalvarColunas();
    if (erro)
        std::rethrow_exception(erro);
}

int TZamListView::Filtrar(const QString &Value)
{
    dados().abrirRecomposicao();
    const auto fechar = qScopeGuard([this] { dados().fecharRecomposicao(); });
    // The rows shown are new rows: nothing stays selected.
    FSelecaoNoReset = FAtualNoReset = -1;
    dados().Filtrar(Value);
    return 0;
}

// --- sort and grouping -----------------------------------------------------------------------

void TZamListView::Ordenar(int Column)
{
    if (Column < 0)
        return;
    suspenderDesenho();
    const auto retomar = qScopeGuard([this] { retomarDesenho(); });
    std::vector<TZamLinhaGuardada> linhas = dados().linhasOrdenadas(Column);
    dados().abrirRecomposicao();
    const auto fechar = qScopeGuard([this] { dados().fecharRecomposicao(); });
    FSelecaoNoReset = FAtualNoReset = -1;
    dados().trocarLinhas(std::move(linhas));
}

void TZamListView::Agrupar(int Column)
{
    if (Column < 0)
        return;
    suspenderDesenho();
    const auto retomar = qScopeGuard([this] { retomarDesenho(); });
    dados().Agrupar(Column, OnZamAgruparCreateGroup);
}

void TZamListView::ZamColumnClick(int Coluna)
{
    if (ZamOrdenarColumnClick && colunaOrdenada() != Coluna) {
        // Leaving group view and sorting show as one refill.
        const bool sairDosGrupos = groupView();
        if (sairDosGrupos) {
            dados().abrirRecomposicao();
            dados().setGroupView(false);
        }
        const auto fechar = qScopeGuard([this, sairDosGrupos] {
            if (sairDosGrupos)
                dados().fecharRecomposicao();
        });
        Ordenar(Coluna);
    } else if (ZamAgruparColumnClick) {
        if (groupView() && ultimaColunaAgrupada() == Coluna)
            setGroupView(false);
        else
            Agrupar(Coluna);
    } else if (ZamOrdenarColumnClick) {
        Ordenar(Coluna);
    }
}

void TZamListView::cliqueNoCabecalho(int coluna) noexcept
{
    try {
        Q_EMIT columnClicked(coluna);
        ZamColumnClick(coluna);
    } catch (const std::exception &e) {
        relatarErro(e);
    } catch (...) {
        relatarErro(EZamListView(QStringLiteral("Unknown error")));
    }
}

void TZamListView::relatarErro(const std::exception &e) noexcept
{
    try {
        if (OnErro)
            OnErro(e);
        else
            qWarning("%s", e.what());
    } catch (...) {
        qWarning("an error could not be reported");
    }
}

// --- keys, mouse and drawing -----------------------------------------------------------------

bool TZamListView::event(QEvent *e)
{
    // Tab moves the focus before keyPressEvent would see it.
    if (e->type() == QEvent::KeyPress) {
        const int tecla = static_cast<QKeyEvent *>(e)->key();
        if (tecla == Qt::Key_Tab || tecla == Qt::Key_Backtab)
            FBusca->encerrar();
    } else if (e->type() == QEvent::FontChange) {
        FModelo->setFonte(font());
    }
    return QTreeView::event(e);
}

void TZamListView::keyPressEvent(QKeyEvent *e)
{
    // These keys type no character of their own (Delete's text is not one), so ending the
    // search is all they do to it.
    if (encerraBusca(e->key())) {
        FBusca->encerrar();
        QTreeView::keyPressEvent(e);
        return;
    }
    QTreeView::keyPressEvent(e);
    if (isEditing() || DesabilitarBusca)
        return;
    const QString caracteres = e->key() == Qt::Key_Backspace ? QString(QChar(8)) : e->text();
    bool buscou = false;
    for (const QChar c : caracteres)
        buscou = FBusca->caractere(c) || buscou;
    if (buscou)
        e->accept();
}

void TZamListView::mouseDoubleClickEvent(QMouseEvent *e)
{
    QTreeView::mouseDoubleClickEvent(e);
    if (e->button() == Qt::LeftButton)
        Q_EMIT itemDoubleClicked(linhaDoIndice(indexAt(e->position().toPoint())));
}

void TZamListView::updateGeometries()
{
    QTreeView::updateGeometries();
    // The tree sets its margins for the header; the search bar takes its height below the
    // rows.
    QMargins margens = viewportMargins();
    const int baixo = FBusca ? FBusca->altura() : 0;
    if (margens.bottom() != baixo) {
        margens.setBottom(baixo);
        setViewportMargins(margens);
    }
    if (QLabel *barra = FBusca ? FBusca->barra() : nullptr) {
        const QRect area = viewport()->geometry();
        barra->setGeometry(area.left(), area.bottom() + 1, area.width(), baixo);
        barra->raise();
    }
}

void TZamListView::desenharGrupo(QPainter *painter, const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const
{
    // The header line takes the whole row, as a spanned first column would, without the
    // tree keeping a persistent index for every group.
    const int inicio = header()->sectionViewportPosition(0);
    const int recuo = rootIsDecorated() ? indentation() : 0;
    const QRect linha = option.rect;
    if (recuo > 0)
        drawBranches(painter, QRect(inicio, linha.top(), recuo, linha.height()), index);
    QStyleOptionViewItem celula = option;
    celula.rect = QRect(inicio + recuo, linha.top(),
                        std::max(0, viewport()->width() - inicio - recuo), linha.height());
    celula.state &= ~QStyle::State_Selected;
    itemDelegateForIndex(index)->paint(painter, celula, index);
}

void TZamListView::drawRow(QPainter *painter, const QStyleOptionViewItem &option,
                           const QModelIndex &index) const
{
    const bool grupo = FModelo->ehGrupo(index);
    if (grupo)
        desenharGrupo(painter, option, index);
    else
        QTreeView::drawRow(painter, option, index);
    // Grid lines, as a report list draws them.
    QStyleOptionViewItem opcao = option;
    const QColor cor =
        QColor::fromRgba(QRgb(style()->styleHint(QStyle::SH_Table_GridLineColor, &opcao, this)));
    painter->save();
    painter->setPen(cor);
    const QRect r = option.rect;
    painter->drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    if (!grupo) {
        for (int i = 0; i < columnCount(); ++i) {
            const int x = header()->sectionViewportPosition(i) + header()->sectionSize(i) - 1;
            painter->drawLine(x, r.top(), x, r.bottom());
        }
    }
    painter->restore();
}
