#pragma once

#include "controls/dadosLista.h"

#include <QAbstractItemModel>
#include <QFont>
#include <functional>

// The item model of a report list. It owns the list's data and turns each change the data
// tells of into the model's own notice: appended rows and groups are inserts, a group that
// moves is a move, and only a recomposition is a reset.
//
// Flat: the rows are top-level items. Group view: the shown groups are top-level items
// (internal id 0) and their rows are children whose internal id is the group's fixed key.
class TZamListModel : public QAbstractItemModel, private IAvisosLista
{
    Q_OBJECT

public:
    explicit TZamListModel(QObject *parent = nullptr);

    TZamListaDados &dados() { return FDados; }
    const TZamListaDados &dados() const { return FDados; }

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
    // Row index of a model index, -1 for a group header or an invalid index; and back.
    int linhaDoIndice(const QModelIndex &index) const;
    QModelIndex indiceDaLinha(int linha, int coluna = 0) const;

    // The font rows are drawn in; OnFonteDaLinha may change it per row, and is asked for the
    // rows drawn only. Group headers show it bold.
    void setFonte(const QFont &fonte) { FFonte = fonte; }
    std::function<void(int row, QFont &font)> OnFonteDaLinha;
    // The width a column shows now, and the margins of a cell's text: a cell whose text is
    // cut (or on more than one line) gives its whole text as its tooltip.
    std::function<int(int coluna)> OnLarguraDaColuna;
    int margensDoTexto = 0;
    // Called after a check box of a row was changed through the view.
    std::function<void(int row)> OnMarcada;

private:
    // The text as a cell shows it: on one line.
    static QString emUmaLinha(const QString &texto);
    // The header line of a shown group: its header, subtitle and footer.
    QString textoDoGrupo(int posicao) const;

    void antesDeRecompor() override;
    void depoisDeRecompor() override;
    void antesDeInserirLinhas(int pai, int primeira, int ultima) override;
    void depoisDeInserirLinhas() override;
    void antesDeRemoverLinhas(int pai, int primeira, int ultima) override;
    void depoisDeRemoverLinhas() override;
    void antesDeMoverGrupo(int de, int para) override;
    void depoisDeMoverGrupo() override;
    void antesDeMudarColunas(int primeira, int ultima, bool insercao) override;
    void depoisDeMudarColunas(bool insercao) override;
    void linhaMudou(int linha) override;
    void grupoMudou(int posicao) override;

    QVariant textoCortado(int linha, int coluna, const QString &texto) const;
    QModelIndex indicePai(int pai) const { return pai < 0 ? QModelIndex() : indiceDoGrupo(pai); }

    TZamListaDados FDados;
    QFont FFonte;
};
