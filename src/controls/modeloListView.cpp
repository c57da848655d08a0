#include "controls/modeloListView.h"

#include "controls/uTZamListView.h"

#include <QFont>
#include <QFontMetrics>
#include <QStyle>

TZamListModel::TZamListModel(TZamListView *lista)
    : QAbstractItemModel(lista)
    , FLista(lista)
{
}

bool TZamListModel::ehGrupo(const QModelIndex &index) const
{
    return FLista->FGroupView && index.isValid() && index.internalId() == 0;
}

QModelIndex TZamListModel::indiceDoGrupo(int posicao) const
{
    return createIndex(posicao, 0, quintptr(0));
}

QModelIndex TZamListModel::indiceFilho(int linha, int coluna, quintptr chave) const
{
    return createIndex(linha, coluna, chave);
}

QModelIndex TZamListModel::index(int row, int column, const QModelIndex &parent) const
{
    if (row < 0 || column < 0 || column >= columnCount(parent) || row >= rowCount(parent))
        return {};
    if (!parent.isValid())
        return createIndex(row, column, quintptr(0));
    return createIndex(row, column, FLista->FVisiveis[std::size_t(parent.row())]);
}

QModelIndex TZamListModel::parent(const QModelIndex &child) const
{
    if (!FLista->FGroupView || !child.isValid() || child.internalId() == 0 || FLista->resetAberto())
        return {};
    const int posicao = FLista->FPosVisivel.value(child.internalId(), -1);
    if (posicao < 0)
        return {};
    return createIndex(posicao, 0, quintptr(0));
}

int TZamListModel::rowCount(const QModelIndex &parent) const
{
    // While the list refills, the view must not see half-made data.
    if (FLista->resetAberto())
        return 0;
    if (!parent.isValid())
        return FLista->FGroupView ? int(FLista->FVisiveis.size()) : FLista->count();
    if (ehGrupo(parent) && parent.column() == 0 &&
        std::size_t(parent.row()) < FLista->FFilhos.size())
        return int(FLista->FFilhos[std::size_t(parent.row())].size());
    return 0;
}

int TZamListModel::columnCount(const QModelIndex &) const
{
    return FLista->columnCount();
}

QString TZamListModel::textoDoGrupo(int posicao) const
{
    const quintptr chave = FLista->FVisiveis[std::size_t(posicao)];
    const TZamListGroup &g = FLista->FGrupos[std::size_t(FLista->FGrupoPorChave.value(chave))];
    QString texto = g.Header;
    for (const QString &parte : {g.Subtitle, g.Footer}) {
        if (!parte.isEmpty())
            texto += QStringLiteral("   \u2014   ") + parte;
    }
    return texto;
}

QVariant TZamListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || FLista->resetAberto())
        return {};
    if (ehGrupo(index)) {
        if (std::size_t(index.row()) >= FLista->FVisiveis.size() || index.column() != 0)
            return {};
        if (role == Qt::DisplayRole)
            return textoDoGrupo(index.row());
        if (role == Qt::FontRole) {
            QFont fonte = FLista->font();
            fonte.setBold(true);
            return fonte;
        }
        return {};
    }
    const int linha = FLista->linhaDoIndice(index);
    if (linha < 0)
        return {};
    const TZamListItem &it = FLista->item(linha);
    switch (role) {
    case Qt::DisplayRole:
        return emUmaLinha(TZamListView::textoNaColuna(it, index.column()));
    case Qt::ToolTipRole:
        return textoCortado(index, TZamListView::textoNaColuna(it, index.column()));
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(FLista->FColunas[std::size_t(index.column())].Alignment |
                                   Qt::AlignVCenter);
    case Qt::FontRole:
        if (FLista->OnCustomDrawItem) {
            QFont fonte = FLista->font();
            FLista->OnCustomDrawItem(linha, fonte);
            return fonte;
        }
        return {};
    case Qt::CheckStateRole:
        if (FLista->FCheckBoxes && index.column() == 0)
            return it.Checked ? Qt::Checked : Qt::Unchecked;
        return {};
    default:
        return {};
    }
}

QString TZamListModel::emUmaLinha(const QString &texto)
{
    // A message of many lines, such as a server's error, reads on one line; the row keeps
    // the height of the others.
    if (!texto.contains(u'\n') && !texto.contains(u'\r') && !texto.contains(QChar::LineSeparator) &&
        !texto.contains(QChar::ParagraphSeparator))
        return texto;
    QString linha = texto;
    linha.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    for (const QChar quebra : {QChar(u'\n'), QChar(u'\r'), QChar(QChar::LineSeparator),
                               QChar(QChar::ParagraphSeparator)})
        linha.replace(quebra, u' ');
    return linha.trimmed();
}

QVariant TZamListModel::textoCortado(const QModelIndex &index, const QString &texto) const
{
    // The whole text, when the cell shows less of it: more than one line, or too wide for
    // its column and drawn cut with an ellipsis.
    if (texto.isEmpty())
        return {};
    const QString linha = emUmaLinha(texto);
    QFont fonte = FLista->font();
    if (FLista->OnCustomDrawItem)
        FLista->OnCustomDrawItem(FLista->linhaDoIndice(index), fonte);
    // The item's text margins, as the style draws them.
    const int margens =
        2 * (FLista->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, FLista) + 1);
    const bool cortado = QFontMetrics(fonte).horizontalAdvance(linha) + margens >
                         FLista->columnWidth(index.column());
    if (linha == texto && !cortado)
        return {};
    return texto;
}

bool TZamListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    const int linha = FLista->linhaDoIndice(index);
    if (role != Qt::CheckStateRole || !FLista->FCheckBoxes || linha < 0 || FLista->resetAberto())
        return false;
    bool &marcada = FLista->FItens[std::size_t(linha)].Checked;
    const bool nova = value.toInt() == Qt::Checked;
    if (marcada == nova)
        return true;
    marcada = nova;
    Q_EMIT dataChanged(index, index, {Qt::CheckStateRole});
    if (FLista->OnItemChecked)
        FLista->OnItemChecked(linha);
    return true;
}

QVariant TZamListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= FLista->columnCount())
        return {};
    const TZamListColumn &c = FLista->FColunas[std::size_t(section)];
    if (role == Qt::DisplayRole)
        return c.Caption;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(c.Alignment | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags TZamListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (ehGrupo(index))
        return Qt::ItemIsEnabled;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (FLista->FCheckBoxes && index.column() == 0)
        f |= Qt::ItemIsUserCheckable;
    return f;
}
