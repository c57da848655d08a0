#pragma once

#include <QAbstractItemModel>

class TZamListView;

// Shows the plain data of a TZamListView. The list changes its data itself and calls the
// notifications around the change; this class only answers the view's questions.
//
// Flat: the rows are top-level items. Group view: the groups with rows are top-level items
// (internal id 0) and their rows are children whose internal id is the group's fixed key.
class TZamListModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    explicit TZamListModel(TZamListView *lista);

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    bool ehGrupo(const QModelIndex &index) const;
    // Index of a shown group's header line.
    QModelIndex indiceDoGrupo(int posicao) const;
    QModelIndex indiceFilho(int linha, int coluna, quintptr chave) const;

    using QAbstractItemModel::beginInsertColumns;
    using QAbstractItemModel::beginInsertRows;
    using QAbstractItemModel::beginMoveRows;
    using QAbstractItemModel::beginRemoveColumns;
    using QAbstractItemModel::beginRemoveRows;
    using QAbstractItemModel::beginResetModel;
    using QAbstractItemModel::endInsertColumns;
    using QAbstractItemModel::endInsertRows;
    using QAbstractItemModel::endMoveRows;
    using QAbstractItemModel::endRemoveColumns;
    using QAbstractItemModel::endRemoveRows;
    using QAbstractItemModel::endResetModel;

    // The text as a cell shows it: on one line.
    static QString emUmaLinha(const QString &texto);

private:
    QString textoDoGrupo(int posicao) const;
    // The tooltip of a cell: its whole text when the cell shows less of it, else nothing.
    QVariant textoCortado(const QModelIndex &index, const QString &texto) const;

    TZamListView *FLista;
};
