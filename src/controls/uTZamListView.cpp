#include "controls/uTZamListView.h"

#include "controls/modeloListView.h"

#include <QCollator>
#include <QDate>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <utility>

// ---------------------------------------------------------------------------------------------
// Text helpers

QString minusculasAZ(const QString &texto)
{
    QString resultado = texto;
    for (QChar &c : resultado) {
        const char16_t u = c.unicode();
        if (u >= u'A' && u <= u'Z')
            c = QChar(char16_t(u + (u'a' - u'A')));
    }
    return resultado;
}

QString aparar(const QString &texto)
{
    qsizetype inicio = 0;
    qsizetype fim = texto.size();
    while (inicio < fim && texto.at(inicio).unicode() <= 32)
        ++inicio;
    while (fim > inicio && texto.at(fim - 1).unicode() <= 32)
        --fim;
    return texto.mid(inicio, fim - inicio);
}

int alturaBarraBusca(int alturaLinha)
{
    int metade = alturaLinha / 2;
    // An odd height leaves a half: round it to the even neighbour.
    if (alturaLinha % 2 != 0 && metade % 2 != 0)
        ++metade;
    return alturaLinha + metade;
}

// ---------------------------------------------------------------------------------------------
// Sort keys

EZamListView::EZamListView(const QString &mensagem)
    : FMensagem(mensagem)
    , FUtf8(mensagem.toUtf8())
{
}

namespace {

bool ehDigito(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

} // namespace

bool EhData(const QString &texto)
{
    if (texto.size() != 10)
        return false;
    const auto entre = [&texto](int i, char16_t de, char16_t ate) {
        return texto.at(i).unicode() >= de && texto.at(i).unicode() <= ate;
    };
    return entre(0, u'0', u'3') && ehDigito(texto.at(1)) && texto.at(2) == u'/' &&
           entre(3, u'0', u'1') && ehDigito(texto.at(4)) && texto.at(5) == u'/' &&
           ehDigito(texto.at(6)) && ehDigito(texto.at(7)) && ehDigito(texto.at(8)) &&
           ehDigito(texto.at(9));
}

bool EhDataHora(const QString &texto)
{
    const auto digito = [&texto](int i) { return ehDigito(texto.at(i)); };
    return texto.size() == 16 && EhData(texto.left(10)) && texto.at(10) == u' ' && digito(11) &&
           digito(12) && texto.at(13) == u':' && digito(14) && digito(15);
}

bool EhNumero(const QString &texto)
{
    return !texto.isEmpty() && std::all_of(texto.begin(), texto.end(), [](QChar c) {
        return ehDigito(c) || c == u',' || c == u'.';
    });
}

QString SomenteDigitos(const QString &texto)
{
    QString digitos;
    digitos.reserve(texto.size());
    for (const QChar c : texto) {
        if (ehDigito(c))
            digitos.append(c);
    }
    return digitos;
}

QString ChaveOrdenacao(const QString &texto)
{
    // A date with its time, as the catalogue shows it, sorts by when it is, not by its day.
    if (EhDataHora(texto))
        return ChaveOrdenacao(texto.left(10)) + texto.mid(11, 2) + texto.mid(14, 2);
    if (EhData(texto)) {
        // The shape test already fixes day, month, year and the slashes, as the program's
        // users write dates; reading it through the machine's locale format could only
        // disagree with that test.
        const QDate data = QDate::fromString(texto, QStringLiteral("dd/MM/yyyy"));
        if (!data.isValid())
            throw EZamListView(QStringLiteral("'%1' is not a valid date").arg(texto));
        return QStringLiteral("%1%2%3")
            .arg(data.year(), 4, 10, QChar(u'0'))
            .arg(data.month(), 2, 10, QChar(u'0'))
            .arg(data.day(), 2, 10, QChar(u'0'));
    }
    if (EhNumero(texto)) {
        // 64 bits, so that sizes of databases beyond 20 GiB still sort.
        const QString digitos = SomenteDigitos(texto);
        bool ok = false;
        const qint64 valor = digitos.toLongLong(&ok);
        if (!ok)
            throw EZamListView(QStringLiteral("'%1' is not a valid integer value").arg(digitos));
        return QStringLiteral("%1").arg(valor, 20, 10, QChar(u'0'));
    }
    return texto;
}

// ---------------------------------------------------------------------------------------------
// Detached rows and saved columns

TZamListItemCache::TZamListItemCache(const TZamListItem &li)
    : Caption(li.Caption)
    , Subitems(li.SubItems)
    , GroupID(li.GroupID)
    , Data(li.Data)
{
}

TZamListItem TZamListItemCache::AsNewListItem() const
{
    TZamListItem it;
    it.Caption = Caption;
    it.SubItems = Subitems;
    it.Data = Data;
    it.GroupID = GroupID;
    return it;
}

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

// Runs an action when the scope ends, also by an exception.
template <typename F> class TAoSair
{
public:
    explicit TAoSair(F acao)
        : FAcao(std::move(acao))
    {
    }
    ~TAoSair() { FAcao(); }
    TAoSair(const TAoSair &) = delete;
    TAoSair &operator=(const TAoSair &) = delete;

private:
    F FAcao;
};

// One row during a sort.
struct TListItemTempSort
{
    TZamListItem Value;
    bool Checked = false;
};

struct TParOrdenacao
{
    QString Chave;
    TListItemTempSort Registro;
};

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
    connect(header(), &QHeaderView::sectionClicked, this, &TZamListView::cliqueNoCabecalho);

    connect(header(), &QHeaderView::sectionResized, this, [this](int i, int, int largura) {
        if (!FAplicandoColunas && i >= 0 && i < columnCount())
            FColunas[std::size_t(i)].Width = largura;
    });
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex &index) {
        if (!FModelo->ehGrupo(index) || std::size_t(index.row()) >= FVisiveis.size())
            return;
        const quintptr chave = FVisiveis[std::size_t(index.row())];
        FGrupos[std::size_t(FGrupoPorChave.value(chave))].Collapsed = false;
    });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex &index) {
        if (!FModelo->ehGrupo(index) || std::size_t(index.row()) >= FVisiveis.size())
            return;
        const quintptr chave = FVisiveis[std::size_t(index.row())];
        TZamListGroup &g = FGrupos[std::size_t(FGrupoPorChave.value(chave))];
        if (g.Collapsible)
            g.Collapsed = true;
        else
            expand(index);
    });
}

TZamListView::~TZamListView()
{
    LimparCacheFiltro();
}

// --- model notifications ---------------------------------------------------------------------

void TZamListView::abrirReset()
{
    if (FNivelReset > 0) {
        ++FNivelReset;
        return;
    }
    FSelecaoNoReset = selectedIndex();
    FAtualNoReset = focusedIndex();
    ++FNivelReset;
    FModelo->beginResetModel();
}

void TZamListView::fecharReset()
{
    if (--FNivelReset > 0)
        return;
    remontarMapa();
    setRootIsDecorated(FGroupView);
    FAplicandoColunas = true;
    FModelo->endResetModel();
    FAplicandoColunas = false;
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
    const TZamListColumn &c = FColunas[std::size_t(i)];
    header()->setSectionResizeMode(i, QHeaderView::Interactive);
    header()->resizeSection(i, c.Width);
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
    const QModelIndex idx = FModelo->indiceDoGrupo(posicao);
    setFirstColumnSpanned(posicao, QModelIndex(), true);
    const TZamListGroup &g =
        FGrupos[std::size_t(FGrupoPorChave.value(FVisiveis[std::size_t(posicao)]))];
    setExpanded(idx, !(g.Collapsible && g.Collapsed));
}

void TZamListView::configurarGrupos()
{
    if (!FGroupView)
        return;
    for (int p = 0; p < int(FVisiveis.size()); ++p)
        configurarGrupo(p);
}

// --- group layout ----------------------------------------------------------------------------

void TZamListView::reindexarGrupos()
{
    FGrupoPorId.clear();
    FGrupoPorChave.clear();
    for (int i = 0; i < int(FGrupos.size()); ++i) {
        if (!FGrupoPorId.contains(FGrupos[std::size_t(i)].GroupID))
            FGrupoPorId.insert(FGrupos[std::size_t(i)].GroupID, i);
        FGrupoPorChave.insert(FChavesGrupo[std::size_t(i)], i);
    }
}

void TZamListView::remontarMapa()
{
    FVisiveis.clear();
    FFilhos.clear();
    FPosVisivel.clear();
    FPosFilho.assign(FItens.size(), -1);
    FLinhasSemGrupo = 0;
    if (!FGroupView)
        return;
    std::vector<std::vector<int>> porGrupo(FGrupos.size());
    for (int i = 0; i < count(); ++i) {
        const int g = indiceDoGrupo(FItens[std::size_t(i)].GroupID);
        if (g < 0) {
            ++FLinhasSemGrupo;
            continue;
        }
        FPosFilho[std::size_t(i)] = int(porGrupo[std::size_t(g)].size());
        porGrupo[std::size_t(g)].push_back(i);
    }
    for (std::size_t g = 0; g < porGrupo.size(); ++g) {
        if (porGrupo[g].empty())
            continue;
        FPosVisivel.insert(FChavesGrupo[g], int(FVisiveis.size()));
        FVisiveis.push_back(FChavesGrupo[g]);
        FFilhos.push_back(std::move(porGrupo[g]));
    }
}

void TZamListView::renumerarVisiveis(int desde)
{
    for (int p = desde; p < int(FVisiveis.size()); ++p)
        FPosVisivel.insert(FVisiveis[std::size_t(p)], p);
}

int TZamListView::posicaoNovoGrupoVisivel(int indiceGrupo) const
{
    const auto p =
        std::lower_bound(FVisiveis.begin(), FVisiveis.end(), indiceGrupo,
                         [this](quintptr chave, int g) { return FGrupoPorChave.value(chave) < g; });
    return int(p - FVisiveis.begin());
}

void TZamListView::tirarDoGrupo(int linha)
{
    const int filho = FPosFilho[std::size_t(linha)];
    if (filho < 0) {
        --FLinhasSemGrupo;
        return;
    }
    const int g = indiceDoGrupo(FItens[std::size_t(linha)].GroupID);
    const int p = FPosVisivel.value(FChavesGrupo[std::size_t(g)]);
    std::vector<int> &filhos = FFilhos[std::size_t(p)];
    if (filhos.size() == 1) {
        FModelo->beginRemoveRows(QModelIndex(), p, p);
        FPosVisivel.remove(FVisiveis[std::size_t(p)]);
        FVisiveis.erase(FVisiveis.begin() + p);
        FFilhos.erase(FFilhos.begin() + p);
        renumerarVisiveis(p);
    } else {
        FModelo->beginRemoveRows(FModelo->indiceDoGrupo(p), filho, filho);
        filhos.erase(filhos.begin() + filho);
        for (int k = filho; k < int(filhos.size()); ++k)
            FPosFilho[std::size_t(filhos[std::size_t(k)])] = k;
    }
    FPosFilho[std::size_t(linha)] = -1;
    FModelo->endRemoveRows();
}

// Puts rows primeira..ultima, which carry the same group id, under their group: either one row
// anywhere, or rows appended after every other row of the group.
void TZamListView::porNoGrupo(int primeira, int ultima)
{
    const int quantas = ultima - primeira + 1;
    const int g = indiceDoGrupo(FItens[std::size_t(primeira)].GroupID);
    if (g < 0) {
        FLinhasSemGrupo += quantas;
        return;
    }
    const quintptr chave = FChavesGrupo[std::size_t(g)];
    const int p = FPosVisivel.value(chave, -1);
    if (p >= 0) {
        std::vector<int> &filhos = FFilhos[std::size_t(p)];
        const int pos =
            int(std::lower_bound(filhos.begin(), filhos.end(), primeira) - filhos.begin());
        FModelo->beginInsertRows(FModelo->indiceDoGrupo(p), pos, pos + quantas - 1);
        for (int k = 0; k < quantas; ++k)
            filhos.insert(filhos.begin() + pos + k, primeira + k);
        for (int k = pos; k < int(filhos.size()); ++k)
            FPosFilho[std::size_t(filhos[std::size_t(k)])] = k;
        FModelo->endInsertRows();
        return;
    }
    const int nova = posicaoNovoGrupoVisivel(g);
    FModelo->beginInsertRows(QModelIndex(), nova, nova);
    std::vector<int> filhos;
    for (int k = 0; k < quantas; ++k) {
        filhos.push_back(primeira + k);
        FPosFilho[std::size_t(primeira + k)] = k;
    }
    FVisiveis.insert(FVisiveis.begin() + nova, chave);
    FFilhos.insert(FFilhos.begin() + nova, std::move(filhos));
    renumerarVisiveis(nova);
    FModelo->endInsertRows();
    configurarGrupo(nova);
}

int TZamListView::linhaDoIndice(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != FModelo || resetAberto())
        return -1;
    if (!FGroupView)
        return index.row() < count() ? index.row() : -1;
    if (index.internalId() == 0)
        return -1;
    const int p = FPosVisivel.value(index.internalId(), -1);
    if (p < 0 || index.row() >= int(FFilhos[std::size_t(p)].size()))
        return -1;
    return FFilhos[std::size_t(p)][std::size_t(index.row())];
}

QModelIndex TZamListView::indiceDaLinha(int linha, int coluna) const
{
    if (linha < 0 || linha >= count() || coluna < 0 || coluna >= columnCount() || resetAberto())
        return {};
    if (!FGroupView)
        return FModelo->index(linha, coluna);
    const int filho = FPosFilho[std::size_t(linha)];
    if (filho < 0)
        return {};
    const int g = indiceDoGrupo(FItens[std::size_t(linha)].GroupID);
    return FModelo->indiceFilho(filho, coluna, FChavesGrupo[std::size_t(g)]);
}

// --- columns ---------------------------------------------------------------------------------

int TZamListView::addColumn(const TZamListColumn &c)
{
    const int n = columnCount();
    if (resetAberto()) {
        FColunas.push_back(c);
        return n;
    }
    FAplicandoColunas = true;
    FModelo->beginInsertColumns(QModelIndex(), n, n);
    FColunas.push_back(c);
    FModelo->endInsertColumns();
    FAplicandoColunas = false;
    aplicarColuna(n);
    return n;
}

TZamListColumn TZamListView::column(int i) const
{
    return FColunas[std::size_t(i)];
}

void TZamListView::setColumnWidth(int i, int w)
{
    FColunas[std::size_t(i)].Width = w;
    aplicarColuna(i);
}

void TZamListView::setColumnAutoSize(int i, bool on)
{
    FColunas[std::size_t(i)].AutoSize = on;
    aplicarColuna(i);
}

void TZamListView::clearColumns()
{
    if (FColunas.empty())
        return;
    if (resetAberto()) {
        FColunas.clear();
        return;
    }
    FModelo->beginRemoveColumns(QModelIndex(), 0, columnCount() - 1);
    FColunas.clear();
    FModelo->endRemoveColumns();
}

void TZamListView::SalvarColunas()
{
    FArrayColParam.clear();
    FArrayColParam.reserve(FColunas.size());
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
    if (items.empty())
        return;
    const int primeira = count();
    const int ultima = primeira + int(items.size()) - 1;
    const auto anexar = [&] {
        FItens.insert(FItens.end(), std::make_move_iterator(items.begin()),
                      std::make_move_iterator(items.end()));
        FPosFilho.resize(FItens.size(), -1);
    };
    if (resetAberto()) {
        anexar();
        return;
    }
    if (!FGroupView) {
        FModelo->beginInsertRows(QModelIndex(), primeira, ultima);
        anexar();
        FModelo->endInsertRows();
        return;
    }
    const int grupo = items.front().GroupID;
    const bool umGrupo = std::all_of(items.begin(), items.end(),
                                     [grupo](const TZamListItem &i) { return i.GroupID == grupo; });
    if (!umGrupo) {
        abrirReset();
        anexar();
        fecharReset();
        return;
    }
    anexar();
    porNoGrupo(primeira, ultima);
}

void TZamListView::setItem(int i, TZamListItem it)
{
    TZamListItem &atual = FItens[std::size_t(i)];
    const bool marcacaoMudou = atual.Checked != it.Checked;
    if (resetAberto()) {
        atual = std::move(it);
    } else if (FGroupView && it.GroupID != atual.GroupID) {
        tirarDoGrupo(i);
        atual = std::move(it);
        porNoGrupo(i, i);
    } else {
        atual = std::move(it);
        const QModelIndex esquerda = indiceDaLinha(i, 0);
        if (esquerda.isValid())
            Q_EMIT FModelo->dataChanged(esquerda, indiceDaLinha(i, columnCount() - 1));
    }
    if (marcacaoMudou && OnItemChecked)
        OnItemChecked(i);
}

void TZamListView::clearItems()
{
    abrirReset();
    FItens.clear();
    FSelecaoNoReset = FAtualNoReset = -1;
    fecharReset();
}

void TZamListView::setCapacity(int n)
{
    if (n > 0)
        FItens.reserve(std::size_t(n));
}

int TZamListView::findData(const void *data) const
{
    for (int i = 0; i < count(); ++i) {
        if (FItens[std::size_t(i)].Data.get() == data)
            return i;
    }
    return -1;
}

int TZamListView::CheckedCount() const
{
    return int(std::count_if(FItens.begin(), FItens.end(),
                             [](const TZamListItem &i) { return i.Checked; }));
}

void TZamListView::setCheckBoxes(bool on)
{
    if (on == FCheckBoxes)
        return;
    abrirReset();
    FCheckBoxes = on;
    fecharReset();
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
    const TSemRolagem semRolagem(this);
    selectionModel()->setCurrentIndex(indiceDaLinha(i), QItemSelectionModel::NoUpdate);
}

void TZamListView::scrollToItem(int i)
{
    const QModelIndex idx = indiceDaLinha(i);
    if (idx.isValid())
        scrollTo(idx, QAbstractItemView::EnsureVisible);
}

int TZamListView::findCaption(const QString &prefix) const
{
    for (int i = 0; i < count(); ++i) {
        if (FItens[std::size_t(i)].Caption.startsWith(prefix, Qt::CaseInsensitive))
            return i;
    }
    return -1;
}

int TZamListView::FindSubItem(const QString &texto, int coluna) const
{
    const QString procurado = minusculasAZ(texto);
    for (int i = 0; i < count(); ++i) {
        const QString celula = FItens[std::size_t(i)].SubItems.value(coluna - 1);
        if (minusculasAZ(celula).startsWith(procurado))
            return i;
    }
    return -1;
}

// --- groups ----------------------------------------------------------------------------------

int TZamListView::addGroup(const TZamListGroup &g)
{
    TZamListGroup novo = g;
    if (novo.GroupID < 0) {
        int maior = -1;
        for (const TZamListGroup &x : FGrupos)
            maior = std::max(maior, x.GroupID);
        novo.GroupID = maior + 1;
    }
    const int indice = int(FGrupos.size());
    const bool primeiroComId = !FGrupoPorId.contains(novo.GroupID);
    FGrupos.push_back(novo);
    FChavesGrupo.push_back(FProximaChave++);
    FGrupoPorChave.insert(FChavesGrupo.back(), indice);
    if (primeiroComId)
        FGrupoPorId.insert(novo.GroupID, indice);

    // Rows that already carry this id come out from hiding.
    if (FGroupView && primeiroComId && FLinhasSemGrupo > 0 && !resetAberto()) {
        const bool temLinhas = std::any_of(
            FItens.begin(), FItens.end(), [&](const auto &i) { return i.GroupID == novo.GroupID; });
        if (temLinhas) {
            abrirReset();
            fecharReset();
        }
    }
    return novo.GroupID;
}

TZamListGroup *TZamListView::groupById(int id)
{
    const int g = indiceDoGrupo(id);
    return g < 0 ? nullptr : &FGrupos[std::size_t(g)];
}

void TZamListView::groupChanged(int id)
{
    if (!FGroupView || resetAberto())
        return;
    const int g = indiceDoGrupo(id);
    if (g < 0)
        return;
    const int p = FPosVisivel.value(FChavesGrupo[std::size_t(g)], -1);
    if (p < 0)
        return;
    const QModelIndex idx = FModelo->indiceDoGrupo(p);
    Q_EMIT FModelo->dataChanged(idx, idx);
    configurarGrupo(p);
}

void TZamListView::moveGroup(int from, int to)
{
    const int n = int(FGrupos.size());
    if (from < 0 || from >= n || to < 0 || to >= n || from == to)
        return;
    const quintptr chave = FChavesGrupo[std::size_t(from)];
    const auto mover = [from, to](auto &v) {
        if (from < to)
            std::rotate(v.begin() + from, v.begin() + from + 1, v.begin() + to + 1);
        else
            std::rotate(v.begin() + to, v.begin() + from, v.begin() + from + 1);
    };
    mover(FGrupos);
    mover(FChavesGrupo);
    reindexarGrupos();

    const int antiga = FPosVisivel.value(chave, -1);
    if (!FGroupView || resetAberto() || antiga < 0)
        return;
    // The group's place among the shown groups, counted without itself.
    int nova = 0;
    for (int p = 0; p < int(FVisiveis.size()); ++p) {
        if (p != antiga && FGrupoPorChave.value(FVisiveis[std::size_t(p)]) < to)
            ++nova;
    }
    if (nova == antiga)
        return;
    FModelo->beginMoveRows(QModelIndex(), antiga, antiga, QModelIndex(),
                           nova > antiga ? nova + 1 : nova);
    const auto moverVisivel = [antiga, nova](auto &v) {
        if (antiga < nova)
            std::rotate(v.begin() + antiga, v.begin() + antiga + 1, v.begin() + nova + 1);
        else
            std::rotate(v.begin() + nova, v.begin() + antiga, v.begin() + antiga + 1);
    };
    moverVisivel(FVisiveis);
    moverVisivel(FFilhos);
    renumerarVisiveis(std::min(antiga, nova));
    FModelo->endMoveRows();
}

void TZamListView::clearGroups()
{
    if (!FGroupView || resetAberto()) {
        FGrupos.clear();
        FChavesGrupo.clear();
        reindexarGrupos();
        return;
    }
    abrirReset();
    FGrupos.clear();
    FChavesGrupo.clear();
    reindexarGrupos();
    fecharReset();
}

void TZamListView::setGroupView(bool on)
{
    if (on == FGroupView)
        return;
    abrirReset();
    FGroupView = on;
    fecharReset();
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
    abrirReset();
    setCapacity(Total);
    LimparCacheFiltro();
}

void TZamListView::EndUpdateZam()
{
    if (FNivelBracket == 0)
        return;
    // A failed re-sort must not leave the list suspended: the bracket closes first, then the
    // error goes on.
    std::exception_ptr erro;
    if (FColunaOrdenada.has_value()) {
        const int coluna = *FColunaOrdenada;
        // Without a sort column the sort is ascending, whatever the direction before.
        FColunaOrdenada.reset();
        try {
            Ordenar(coluna);
        } catch (...) {
            erro = std::current_exception();
        }
    }
    RestaurarColunas();
    fecharReset();
    --FNivelBracket;
    retomarDesenho();
    if (columnCount() > 0)
        SalvarColunas();
    if (erro)
        std::rethrow_exception(erro);
}

int TZamListView::Filtrar(const QString &Value)
{
    if (FCacheFiltro.empty()) {
        FCacheFiltro.reserve(FItens.size());
        for (const TZamListItem &it : FItens)
            FCacheFiltro.emplace_back(it);
    }

    abrirReset();
    // The rows shown are new rows: nothing stays selected.
    FSelecaoNoReset = FAtualNoReset = -1;
    FItens.clear();
    FItens.reserve(FCacheFiltro.size());
    if (aparar(Value).isEmpty()) {
        for (const TZamListItemCache &c : FCacheFiltro)
            FItens.push_back(c.AsNewListItem());
    } else {
        FGroupView = false;
        FGrupos.clear();
        FChavesGrupo.clear();
        reindexarGrupos();
        // Not trimmed: blanks around the text take part in the match.
        const QString procurado = minusculasAZ(Value);
        const bool porSubItem = FColunaOrdenada.has_value() && *FColunaOrdenada > 0;
        for (const TZamListItemCache &c : FCacheFiltro) {
            const QString &texto = porSubItem ? c.Subitems.value(*FColunaOrdenada - 1) : c.Caption;
            if (minusculasAZ(texto).contains(procurado))
                FItens.push_back(c.AsNewListItem());
        }
    }
    fecharReset();
    return 0;
}

// --- sort and grouping -----------------------------------------------------------------------

QString TZamListView::textoNaColuna(const TZamListItem &it, int coluna)
{
    return coluna == 0 ? it.Caption : it.SubItems.value(coluna - 1);
}

void TZamListView::CopiarItem(const TZamListItem &Origem, TZamListItem &Destino)
{
    Destino.Caption = Origem.Caption;
    Destino.Data = Origem.Data;
    Destino.ImageIndex = Origem.ImageIndex;
    Destino.Indent = Origem.Indent;
    Destino.OverlayIndex = Origem.OverlayIndex;
    Destino.StateIndex = Origem.StateIndex;
    Destino.SubItems = Origem.SubItems;
    Destino.GroupID = Origem.GroupID;
}

void TZamListView::Ordenar(int Column)
{
    if (Column < 0)
        return;
    const bool crescente = !(FOrdemCrescente && FColunaOrdenada == Column);
    FOrdemCrescente = crescente;
    FColunaOrdenada = Column;

    suspenderDesenho();
    const TAoSair retomar([this] { retomarDesenho(); });
    // Putting the rows back sets their check states; that is no change the window must hear of.
    std::function<void(int)> marcacao = std::move(OnItemChecked);
    OnItemChecked = nullptr;
    const TAoSair religar([this, &marcacao] { OnItemChecked = std::move(marcacao); });

    // Every key is built, once per row, before the list changes: a cell without a key stops
    // the sort with the rows as they were.
    std::vector<TParOrdenacao> pares;
    pares.reserve(FItens.size());
    for (const TZamListItem &it : FItens) {
        TParOrdenacao par;
        par.Chave = ChaveOrdenacao(textoNaColuna(it, Column));
        CopiarItem(it, par.Registro.Value);
        par.Registro.Checked = it.Checked;
        pares.push_back(std::move(par));
    }

    QCollator colacao;
    colacao.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(pares.begin(), pares.end(),
                     [&colacao](const TParOrdenacao &a, const TParOrdenacao &b) {
                         return colacao.compare(a.Chave, b.Chave) < 0;
                     });
    if (!crescente)
        std::reverse(pares.begin(), pares.end());

    abrirReset();
    const TAoSair fechar([this] { fecharReset(); });
    FSelecaoNoReset = FAtualNoReset = -1;
    FItens.clear();
    setCapacity(int(pares.size()));
    for (const TParOrdenacao &par : pares) {
        TZamListItem novo;
        CopiarItem(par.Registro.Value, novo);
        novo.Checked = par.Registro.Checked;
        FItens.push_back(std::move(novo));
    }
}

TZamListGroup *TZamListView::FindGrupo(const QString &Header)
{
    for (TZamListGroup &g : FGrupos) {
        if (g.Header == Header)
            return &g;
    }
    return nullptr;
}

void TZamListView::Agrupar(int Column)
{
    if (Column < 0)
        return;
    suspenderDesenho();
    const TAoSair retomar([this] { retomarDesenho(); });
    FUltimaColunaAgrupada = Column;
    abrirReset();
    const TAoSair fechar([this] { fecharReset(); });

    // What FindGrupo would answer, without walking the groups for every new text: the first
    // group for each header.
    QHash<QString, int> porCabecalho;
    int proximoId = 0;
    for (int g = int(FGrupos.size()) - 1; g >= 0; --g) {
        porCabecalho.insert(FGrupos[std::size_t(g)].Header, g);
        proximoId = std::max(proximoId, FGrupos[std::size_t(g)].GroupID + 1);
    }

    QString anterior;
    int id = -1;
    for (std::size_t i = 0; i < FItens.size(); ++i) {
        const QString texto = textoNaColuna(FItens[i], Column);
        if (i == 0 || texto != anterior) {
            anterior = texto;
            int g = porCabecalho.value(texto, -1);
            if (g < 0) {
                g = int(FGrupos.size());
                addGroup({proximoId++, texto, {}, {}, true, false});
                porCabecalho.insert(texto, g);
                if (OnZamAgruparCreateGroup) {
                    TZamListGroup grupo = FGrupos[std::size_t(g)];
                    OnZamAgruparCreateGroup(grupo, Column);
                    TZamListGroup &criado = FGrupos[std::size_t(g)];
                    if (grupo.Header != criado.Header) {
                        porCabecalho.remove(texto);
                        if (!porCabecalho.contains(grupo.Header))
                            porCabecalho.insert(grupo.Header, g);
                    }
                    const bool idMudou = grupo.GroupID != criado.GroupID;
                    criado = grupo;
                    if (idMudou) {
                        reindexarGrupos();
                        proximoId = std::max(proximoId, grupo.GroupID + 1);
                    }
                }
            }
            id = FGrupos[std::size_t(g)].GroupID;
        }
        FItens[i].GroupID = id;
    }
    FGroupView = true;
}

void TZamListView::ZamColumnClick(int Coluna)
{
    if (ZamOrdenarColumnClick && FColunaOrdenada != Coluna) {
        // Leaving group view and sorting show as one refill.
        const bool sairDosGrupos = FGroupView;
        if (sairDosGrupos) {
            abrirReset();
            FGroupView = false;
        }
        const TAoSair fechar([this, sairDosGrupos] {
            if (sairDosGrupos)
                fecharReset();
        });
        Ordenar(Coluna);
    } else if (ZamAgruparColumnClick) {
        if (FGroupView && FUltimaColunaAgrupada == Coluna)
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

// --- type-to-search --------------------------------------------------------------------------

bool TZamListView::buscarCaractere(QChar c)
{
    if (isEditing() || DesabilitarBusca)
        return false;
    QString busca = FLabelBusca ? FLabelBusca->text() : QString();
    if (c.unicode() == 8)
        busca.chop(1);
    else
        busca.append(c);
    if (aparar(busca).isEmpty()) {
        const bool havia = FLabelBusca != nullptr;
        encerrarBusca();
        return havia;
    }
    if (!FLabelBusca)
        criarBarraBusca();
    FLabelBusca->setText(busca);

    const int linha = FColunaOrdenada.has_value() && *FColunaOrdenada > 0
                          ? FindSubItem(busca, *FColunaOrdenada)
                          : findCaption(busca);
    setSelectedIndex(linha);
    if (linha >= 0)
        scrollToItem(linha);
    return true;
}

void TZamListView::criarBarraBusca()
{
    const QWidget *recipiente = parentWidget() ? parentWidget() : this;
    QFont fonte = recipiente->font();
    fonte.setBold(true);

    FLabelBusca = new QLabel(this);
    FLabelBusca->setObjectName(QStringLiteral("FLabelBusca"));
    FLabelBusca->setTextFormat(Qt::PlainText);
    FLabelBusca->setFont(fonte);
    QPalette cores = FLabelBusca->palette();
    cores.setColor(QPalette::WindowText, QColor(0, 0, 255));
    cores.setColor(QPalette::Window, QColor(255, 255, 170));
    FLabelBusca->setPalette(cores);
    FLabelBusca->setAutoFillBackground(true);
    FLabelBusca->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    FAlturaBusca = alturaBarraBusca(QFontMetrics(fonte).height());
    FLabelBusca->show();
    updateGeometries();
}

void TZamListView::encerrarBusca()
{
    if (!FLabelBusca)
        return;
    delete FLabelBusca;
    FLabelBusca = nullptr;
    updateGeometries();
}

bool TZamListView::event(QEvent *e)
{
    // Tab moves the focus before keyPressEvent would see it.
    if (e->type() == QEvent::KeyPress) {
        const int tecla = static_cast<QKeyEvent *>(e)->key();
        if (tecla == Qt::Key_Tab || tecla == Qt::Key_Backtab)
            encerrarBusca();
    }
    return QTreeView::event(e);
}

void TZamListView::keyPressEvent(QKeyEvent *e)
{
    // These keys type no character of their own (Delete's text is not one), so ending the
    // search is all they do to it.
    if (encerraBusca(e->key())) {
        encerrarBusca();
        QTreeView::keyPressEvent(e);
        return;
    }
    QTreeView::keyPressEvent(e);
    const QString caracteres = e->key() == Qt::Key_Backspace ? QString(QChar(8)) : e->text();
    bool buscou = false;
    for (const QChar c : caracteres)
        buscou = buscarCaractere(c) || buscou;
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
    const int baixo = FLabelBusca ? FAlturaBusca : 0;
    if (margens.bottom() != baixo) {
        margens.setBottom(baixo);
        setViewportMargins(margens);
    }
    if (FLabelBusca) {
        const QRect area = viewport()->geometry();
        FLabelBusca->setGeometry(area.left(), area.bottom() + 1, area.width(), FAlturaBusca);
        FLabelBusca->raise();
    }
}

void TZamListView::drawRow(QPainter *painter, const QStyleOptionViewItem &option,
                           const QModelIndex &index) const
{
    QTreeView::drawRow(painter, option, index);
    // Grid lines, as a report list draws them.
    QStyleOptionViewItem opcao = option;
    const QColor cor =
        QColor::fromRgba(QRgb(style()->styleHint(QStyle::SH_Table_GridLineColor, &opcao, this)));
    painter->save();
    painter->setPen(cor);
    const QRect r = option.rect;
    painter->drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    if (!FModelo->ehGrupo(index)) {
        for (int i = 0; i < columnCount(); ++i) {
            const int x = header()->sectionViewportPosition(i) + header()->sectionSize(i) - 1;
            painter->drawLine(x, r.top(), x, r.bottom());
        }
    }
    painter->restore();
}
