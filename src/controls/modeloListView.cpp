#include "controls/modeloListView.h"

#include <QFontMetrics>
#include <algorithm>
#include <utility>

TZamListModel::TZamListModel(QObject *parent, int topoPorVez)
    : QAbstractItemModel(parent)
    , FDados(*this)
    , FTopoPorVez(std::max(1, topoPorVez))
    , FLimite(FTopoPorVez)
{
}

// --- what the data tells ---------------------------------------------------------------------

void TZamListModel::antesDeRecompor()
{
    beginResetModel();
}

void TZamListModel::depoisDeRecompor()
{
    FLimite = FTopoPorVez;
    FExpostos = std::min(topoTotal(), FLimite);
    endResetModel();
}

int TZamListModel::topoTotal() const
{
    if (FDados.recompondo())
        return 0;
    return FDados.groupView() ? FDados.gruposVisiveis() : FDados.count();
}

void TZamListModel::exporMais()
{
    const int ate = std::min(topoTotal(), FLimite);
    if (ate <= FExpostos)
        return;
    beginInsertRows(QModelIndex(), FExpostos, ate - 1);
    FExpostos = ate;
    endInsertRows();
}

bool TZamListModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && FExpostos < topoTotal();
}

void TZamListModel::fetchMore(const QModelIndex &parent)
{
    if (parent.isValid())
        return;
    FLimite = FExpostos + FTopoPorVez;
    exporMais();
}

void TZamListModel::exporAte(int linha)
{
    if (linha < 0 || linha >= FDados.count() || FDados.recompondo())
        return;
    int topo = linha;
    if (FDados.groupView()) {
        int filho = -1;
        if (!FDados.ondeMostra(linha, topo, filho))
            return;
    }
    if (topo < FExpostos)
        return;
    FLimite = std::max(FLimite, topo + 1);
    exporMais();
}

void TZamListModel::antesDeInserirLinhas(int pai, int primeira, int ultima)
{
    FFim = TFimAviso::nenhum;
    if (pai >= 0) {
        if (pai < FExpostos) {
            beginInsertRows(indiceDoGrupo(pai), primeira, ultima);
            FFim = TFimAviso::inserir;
        }
        return;
    }
    // Inserted among the items given, or right after them while fewer are given than asked
    // for: given; else they wait.
    int ate = ultima;
    if (primeira == FExpostos)
        ate = std::min(ultima, FLimite - 1);
    else if (primeira > FExpostos)
        return;
    if (ate < primeira)
        return;
    beginInsertRows(QModelIndex(), primeira, ate);
    FExpostos += ate - primeira + 1;
    FFim = TFimAviso::inserir;
}

void TZamListModel::depoisDeInserirLinhas()
{
    if (std::exchange(FFim, TFimAviso::nenhum) == TFimAviso::inserir)
        endInsertRows();
}

void TZamListModel::antesDeRemoverLinhas(int pai, int primeira, int ultima)
{
    FFim = TFimAviso::nenhum;
    if (pai >= 0) {
        if (pai < FExpostos) {
            beginRemoveRows(indiceDoGrupo(pai), primeira, ultima);
            FFim = TFimAviso::remover;
        }
        return;
    }
    if (primeira >= FExpostos)
        return;
    const int ate = std::min(ultima, FExpostos - 1);
    beginRemoveRows(QModelIndex(), primeira, ate);
    FExpostos -= ate - primeira + 1;
    FFim = TFimAviso::remover;
    FCompletarDepois = true;
}

void TZamListModel::depoisDeRemoverLinhas()
{
    if (std::exchange(FFim, TFimAviso::nenhum) == TFimAviso::remover)
        endRemoveRows();
    // Items that waited move up into the places freed.
    if (std::exchange(FCompletarDepois, false))
        exporMais();
}

void TZamListModel::antesDeMoverGrupo(int de, int para)
{
    FFim = TFimAviso::nenhum;
    const bool saiDe = de < FExpostos;
    const bool chegaEm = para < FExpostos;
    if (saiDe && chegaEm) {
        // The model counts the destination before the move.
        beginMoveRows(QModelIndex(), de, de, QModelIndex(), para > de ? para + 1 : para);
        FFim = TFimAviso::mover;
    } else if (saiDe) {
        beginRemoveRows(QModelIndex(), de, de);
        --FExpostos;
        FFim = TFimAviso::remover;
        FCompletarDepois = true;
    } else if (chegaEm) {
        beginInsertRows(QModelIndex(), para, para);
        ++FExpostos;
        FFim = TFimAviso::inserir;
    }
}

void TZamListModel::depoisDeMoverGrupo()
{
    switch (FFim) {
    case TFimAviso::mover:
        FFim = TFimAviso::nenhum;
        endMoveRows();
        break;
    case TFimAviso::remover:
        depoisDeRemoverLinhas();
        break;
    case TFimAviso::inserir:
        depoisDeInserirLinhas();
        break;
    case TFimAviso::nenhum:
        break;
    }
}

void TZamListModel::antesDeMudarColunas(int primeira, int ultima, bool insercao)
{
    if (insercao)
        beginInsertColumns(QModelIndex(), primeira, ultima);
    else
        beginRemoveColumns(QModelIndex(), primeira, ultima);
}

void TZamListModel::depoisDeMudarColunas(bool insercao)
{
    if (insercao)
        endInsertColumns();
    else
        endRemoveColumns();
}

void TZamListModel::linhaMudou(int linha)
{
    const QModelIndex esquerda = indiceDaLinha(linha, 0);
    if (esquerda.isValid())
        Q_EMIT dataChanged(esquerda, indiceDaLinha(linha, FDados.columnCount() - 1));
}

void TZamListModel::grupoMudou(int posicao)
{
    if (posicao >= FExpostos)
        return;
    const QModelIndex idx = indiceDoGrupo(posicao);
    Q_EMIT dataChanged(idx, idx);
}

// --- indices ---------------------------------------------------------------------------------

bool TZamListModel::ehGrupo(const QModelIndex &index) const
{
    return FDados.groupView() && index.isValid() && index.internalId() == 0;
}

QModelIndex TZamListModel::indiceDoGrupo(int posicao) const
{
    return createIndex(posicao, 0, quintptr(0));
}

int TZamListModel::linhaDoIndice(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this || FDados.recompondo())
        return -1;
    if (!FDados.groupView())
        return index.row() < FExpostos ? index.row() : -1;
    if (index.internalId() == 0)
        return -1;
    return FDados.linhaNoGrupo(FDados.posicaoDaChave(index.internalId()), index.row());
}

QModelIndex TZamListModel::indiceDaLinha(int linha, int coluna) const
{
    if (linha < 0 || linha >= FDados.count() || coluna < 0 || coluna >= FDados.columnCount() ||
        FDados.recompondo())
        return {};
    if (!FDados.groupView())
        return linha < FExpostos ? createIndex(linha, coluna, quintptr(0)) : QModelIndex();
    int posicao = -1;
    int filho = -1;
    if (!FDados.ondeMostra(linha, posicao, filho) || posicao >= FExpostos)
        return {};
    return createIndex(filho, coluna, FDados.chaveDoGrupoVisivel(posicao));
}

QModelIndex TZamListModel::index(int row, int column, const QModelIndex &parent) const
{
    if (row < 0 || column < 0 || column >= columnCount(parent) || row >= rowCount(parent))
        return {};
    if (!parent.isValid())
        return createIndex(row, column, quintptr(0));
    return createIndex(row, column, FDados.chaveDoGrupoVisivel(parent.row()));
}

QModelIndex TZamListModel::parent(const QModelIndex &child) const
{
    if (!FDados.groupView() || !child.isValid() || child.internalId() == 0 || FDados.recompondo())
        return {};
    const int posicao = FDados.posicaoDaChave(child.internalId());
    if (posicao < 0 || posicao >= FExpostos)
        return {};
    return createIndex(posicao, 0, quintptr(0));
}

int TZamListModel::rowCount(const QModelIndex &parent) const
{
    // While the list is recomposed, the view must not see half-made data.
    if (FDados.recompondo())
        return 0;
    if (!parent.isValid())
        return FExpostos;
    if (ehGrupo(parent) && parent.column() == 0 && parent.row() < FExpostos)
        return FDados.linhasNoGrupoVisivel(parent.row());
    return 0;
}

int TZamListModel::columnCount(const QModelIndex &) const
{
    return FDados.columnCount();
}

// --- data ------------------------------------------------------------------------------------

QString TZamListModel::textoDoGrupo(int posicao) const
{
    const TZamListGroup &g = FDados.grupoVisivel(posicao);
    QString texto = g.Header;
    for (const QString &parte : {g.Subtitle, g.Footer}) {
        if (!parte.isEmpty())
            texto += QStringLiteral("   \u2014   ") + parte;
    }
    return texto;
}

QVariant TZamListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || FDados.recompondo())
        return {};
    if (ehGrupo(index)) {
        if (index.row() >= FExpostos || index.column() != 0)
            return {};
        if (role == Qt::DisplayRole)
            return textoDoGrupo(index.row());
        if (role == Qt::FontRole) {
            QFont fonte = FFonte;
            fonte.setBold(true);
            return fonte;
        }
        return {};
    }
    const int linha = linhaDoIndice(index);
    if (linha < 0)
        return {};
    const TZamLinhaGuardada &it = FDados.linha(linha);
    switch (role) {
    case Qt::DisplayRole:
        return emUmaLinha(it.texto(index.column()).toString());
    case Qt::ToolTipRole:
        return textoCortado(linha, index.column(), it.texto(index.column()).toString());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(FDados.column(index.column()).Alignment | Qt::AlignVCenter);
    case Qt::FontRole:
        if (OnFonteDaLinha) {
            QFont fonte = FFonte;
            OnFonteDaLinha(linha, fonte);
            return fonte;
        }
        return {};
    case Qt::CheckStateRole:
        if (FDados.checkBoxes() && index.column() == 0)
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

QVariant TZamListModel::textoCortado(int linha, int coluna, const QString &texto) const
{
    // The whole text, when the cell shows less of it: more than one line, or too wide for
    // its column and drawn cut with an ellipsis.
    if (texto.isEmpty())
        return {};
    const QString umaLinha = emUmaLinha(texto);
    if (umaLinha != texto)
        return texto;
    if (!OnLarguraDaColuna)
        return {};
    QFont fonte = FFonte;
    if (OnFonteDaLinha)
        OnFonteDaLinha(linha, fonte);
    const bool cortado = QFontMetrics(fonte).horizontalAdvance(umaLinha) + margensDoTexto >
                         OnLarguraDaColuna(coluna);
    return cortado ? QVariant(texto) : QVariant();
}

bool TZamListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    const int linha = linhaDoIndice(index);
    if (role != Qt::CheckStateRole || !FDados.checkBoxes() || linha < 0)
        return false;
    if (FDados.setChecked(linha, value.toInt() == Qt::Checked) && OnMarcada)
        OnMarcada(linha);
    return true;
}

QVariant TZamListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= FDados.columnCount())
        return {};
    const TZamListColumn &c = FDados.column(section);
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
    if (FDados.checkBoxes() && index.column() == 0)
        f |= Qt::ItemIsUserCheckable;
    return f;
}
