#pragma once

#include "controls/uTZamListView.h"

#include <QHash>
#include <QString>
#include <vector>

// The groups of a list grouped by result value, for one step on the user-interface thread:
// one group per value (the letters A to Z folded), its footer counting its rows, the groups
// kept in order of falling count.
//
// ObterGrupo and AdicionarBase work on a copy of the list's groups made by the constructor,
// so that each record costs a lookup and a move in plain arrays however many groups there
// are; aplicar then shows all of it in the list at once: the new groups, the new footers,
// the moves and the new rows (one insert per group, or, when many groups move or come into
// view, one refill of the list). Between the constructor and aplicar nothing else may change
// the list's groups.
class TGruposResultado
{
public:
    // Showing a step change by change costs, for every group that comes into view, an
    // insert that touches every group shown, and about four times that for every move.
    // Above this many such units the list is refilled once instead, which costs about as
    // much as that many inserts and does not grow with the changes.
    static constexpr int limiteCusto = 64;
    static constexpr int custoMovimento = 4;

    explicit TGruposResultado(TZamListView &lista);
    TGruposResultado(const TGruposResultado &) = delete;
    TGruposResultado &operator=(const TGruposResultado &) = delete;

    // The group whose header equals texto with A to Z folded (the last one when several
    // do), or a new one headed by texto (collapsed, collapsible) appended after all others.
    // Its footer, read as a decimal number (0 when it is none), goes up by 1; then the group
    // moves to the first position before it whose group has a smaller count, if any. Returns
    // the group's id.
    int ObterGrupo(const QString &texto);
    // A row captioned nome in the group with this id (one ObterGrupo gave).
    void AdicionarBase(const QString &nome, int grupo);

    // Brings the list in line with what ObterGrupo and AdicionarBase did. True when groups
    // changed places or the list was refilled, so that the caller repaints. The object can
    // go on afterwards.
    bool aplicar();

private:
    void carregar();

    struct TGrupo
    {
        int id = -1;
        QString cabecalho;
        int contagem = 0;
        bool novo = false;
        bool contou = false;
        std::vector<TZamListItem> linhas;
    };

    // Moves of groups (from, to), as TZamListView::moveGroup takes them, that turn the
    // list's order into FOrdem; false when they cost more than orcamento.
    bool planejarMovimentos(std::vector<std::pair<int, int>> &movimentos, int orcamento) const;
    void aplicarMovendo(const std::vector<std::pair<int, int>> &movimentos);
    void aplicarRecompondo();

    TZamListView &FLista;
    // Indexed by slot: the list's groups in their order at the start, then the new ones.
    std::vector<TGrupo> FGrupos;
    int FGruposDaLista = 0;
    // Slot at each position, and position of each slot.
    std::vector<int> FOrdem;
    std::vector<int> FPosicao;
    QHash<QString, int> FPorChave;
    QHash<int, int> FPorId;
    // Slots that got rows, in the order of their first row; rows for a group id that is not
    // one of the list's.
    std::vector<int> FComLinhas;
    std::vector<TZamListItem> FOutrasLinhas;
    int FProximoId = 0;
    // The counts fall (or stay) from the first group to the last: the place a group moves
    // to is then found by halving.
    bool FOrdenados = true;
    bool FMudou = false;
};
