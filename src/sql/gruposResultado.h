#pragma once

#include "controls/tabelaRepartida.h"
#include "controls/uTZamListView.h"

#include <QHash>
#include <QString>
#include <deque>
#include <vector>

// The groups of a list grouped by result value: one group per value (the letters A to Z
// folded), its footer counting its rows, the groups kept in order of falling count, equal
// counts in the order they reached that count.
//
// The object takes the list's groups once, at its construction, and from then on is the
// only one that changes them: it lives as long as the run. ObterGrupo and AdicionarBase
// cost a lookup each, whatever the number of groups; aplicar then shows a step in the list:
// the new groups, the new footers, the moves of the groups whose count went up, and the new
// rows (one insert per group).
class TGruposResultado
{
public:
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
    // changed places, so that the caller repaints. The object goes on afterwards.
    bool aplicar();

private:
    struct TGrupo
    {
        int id = -1;
        QString cabecalho;
        int contagem = 0;
        // When the group reached its count: of equal counts the earlier comes first.
        quint64 carimbo = 0;
        bool noLista = true;
        // It has rows in the list, so that it shows there.
        bool mostrado = false;
        bool mudou = false;
        std::vector<TZamListItem> linhas;
    };

    // True when a comes before b in the list's order.
    bool antes(int a, int b) const;
    // The order after this step: the groups that did not change keep theirs, and each that
    // did goes where its count puts it.
    std::vector<int> novaOrdem() const;
    // True when the step only made groups that counted once: they stand last already.
    bool soNovosComUm() const;
    // Moves a group of the list's order one by one, as the list is told.
    void mover(int slot, int para);
    // The step of a list whose counts did not fall along its groups at the start: each
    // record moves its group at once.
    void subirSemOrdem(int slot);
    void verificarOrdem();
    void adicionarLinhas();

    TZamListView &FLista;
    // Indexed by slot: the list's groups in their order at the start, then the new ones.
    std::deque<TGrupo> FGrupos;
    // Slot at each position of the list's order, and position of each slot.
    std::vector<int> FOrdem;
    std::vector<int> FPosicao;
    // While the counts are not in order: the order the records of this step made, the same
    // way.
    std::vector<int> FAlvo;
    std::vector<int> FPosicaoAlvo;
    TTabelaRepartida<QString, int> FPorChave;
    TTabelaRepartida<int, int> FPorId;
    // Slots whose count went up in this step, and those that got rows, in the order of
    // their first row; rows for a group id that is not one of these.
    std::vector<int> FMudaram;
    // Slots made in this step, not in the list yet.
    std::vector<int> FNovos;
    std::vector<int> FComLinhas;
    std::vector<TZamListItem> FOutrasLinhas;
    int FProximoId = 0;
    quint64 FRelogio = 0;
    // The counts fall (or stay) from the first group to the last: the order of a step is
    // then found once, at its end.
    bool FOrdenados = true;
};
