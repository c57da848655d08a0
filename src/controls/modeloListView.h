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
//
// The view lays out every top-level item each time one is inserted or moved, which costs a
// frame per few thousand items. So the top-level items are given to the view topoPorVez at a
// time (topoPadrao unless told otherwise): the view asks for more (fetchMore) when it is
// scrolled to the end, and exporAte gives it those up to a row it must show. An item inserted
// or moved among those given is given too; beyond them it waits.
class TZamListModel : public QAbstractItemModel, private IAvisosLista
{
    Q_OBJECT

public:
    static constexpr int topoPadrao = 10000;

    explicit TZamListModel(QObject *parent = nullptr, int topoPorVez = topoPadrao);

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
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

    // Top-level items given to the view.
    int topoExposto() const { return FExpostos; }
    // Gives the view every top-level item up to the one that holds the row (its group in
    // group view).
    void exporAte(int linha);

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
    int topoTotal() const;
    // Gives the view the items beyond those given, up to FLimite.
    void exporMais();

    // What the notice in course must end with: the data's notices about items not given to
    // the view are not passed on, and a move across the edge of those given is an insert or
    // a removal.
    enum class TFimAviso { nenhum, inserir, remover, mover };

    TZamListaDados FDados;
    const int FTopoPorVez;
    int FExpostos = 0;
    int FLimite;
    TFimAviso FFim = TFimAviso::nenhum;
    bool FCompletarDepois = false;
    QFont FFonte;
};
