#include "sql/gruposResultado.h"

#include <algorithm>
#include <utility>

namespace {

int contagemDoRodape(const QString &rodape)
{
    bool ok = false;
    const int n = rodape.toInt(&ok);
    return ok ? n : 0;
}

} // namespace

TGruposResultado::TGruposResultado(TZamListView &lista)
    : FLista(lista)
{
    const TZamListGroups &grupos = FLista.groups();
    FPorChave.reserve(qsizetype(grupos.size()));
    FPorId.reserve(qsizetype(grupos.size()));
    for (int i = 0; i < int(grupos.size()); ++i) {
        const TZamListGroup &g = grupos[std::size_t(i)];
        TGrupo grupo;
        grupo.id = g.GroupID;
        grupo.cabecalho = g.Header;
        grupo.contagem = contagemDoRodape(g.Footer);
        // The list's order is the order they reached their counts.
        grupo.carimbo = ++FRelogio;
        grupo.mostrado = true;
        if (i > 0 && grupo.contagem > FGrupos.back().contagem)
            FOrdenados = false;
        // Of equal headers the last counts; of equal ids the list knows the first.
        FPorChave.insert(minusculasAZ(g.Header), i);
        if (!FPorId.contains(g.GroupID))
            FPorId.insert(g.GroupID, i);
        FProximoId = std::max(FProximoId, g.GroupID + 1);
        FGrupos.push_back(std::move(grupo));
        FOrdem.push_back(i);
        FPosicao.push_back(i);
    }
    FAlvo = FOrdem;
    FPosicaoAlvo = FPosicao;
}

bool TGruposResultado::antes(int a, int b) const
{
    const TGrupo &x = FGrupos[std::size_t(a)];
    const TGrupo &y = FGrupos[std::size_t(b)];
    return x.contagem != y.contagem ? x.contagem > y.contagem : x.carimbo < y.carimbo;
}

int TGruposResultado::ObterGrupo(const QString &texto)
{
    const QString chave = minusculasAZ(texto);
    int slot = FPorChave.value(chave, -1);
    if (slot < 0) {
        slot = int(FGrupos.size());
        TGrupo novo;
        novo.id = FProximoId++;
        novo.cabecalho = texto;
        novo.noLista = false;
        FGrupos.push_back(std::move(novo));
        FPorChave.insert(chave, slot);
        FPorId.insert(FGrupos.back().id, slot);
        FNovos.push_back(slot);
        // Placed with the list's order: last, until its count moves it.
        FPosicao.push_back(int(FOrdem.size()));
        FOrdem.push_back(slot);
        if (!FOrdenados) {
            FPosicaoAlvo.push_back(int(FAlvo.size()));
            FAlvo.push_back(slot);
        }
    }
    TGrupo &grupo = FGrupos[std::size_t(slot)];
    ++grupo.contagem;
    grupo.carimbo = ++FRelogio;
    if (!grupo.mudou) {
        grupo.mudou = true;
        FMudaram.push_back(slot);
    }
    if (!FOrdenados)
        subirSemOrdem(slot);
    return grupo.id;
}

void TGruposResultado::subirSemOrdem(int slot)
{
    // Before the first group before it with a smaller count, if any.
    const int posicao = FPosicaoAlvo[std::size_t(slot)];
    const int contagem = FGrupos[std::size_t(slot)].contagem;
    const auto inicio = FAlvo.begin();
    const int alvo =
        int(std::find_if(inicio, inicio + posicao,
                         [&](int s) { return FGrupos[std::size_t(s)].contagem < contagem; }) -
            inicio);
    if (alvo == posicao)
        return;
    std::rotate(inicio + alvo, inicio + posicao, inicio + posicao + 1);
    for (int p = alvo; p <= posicao; ++p)
        FPosicaoAlvo[std::size_t(FAlvo[std::size_t(p)])] = p;
}

void TGruposResultado::verificarOrdem()
{
    for (std::size_t p = 1; p < FOrdem.size(); ++p) {
        if (FGrupos[std::size_t(FOrdem[p])].contagem > FGrupos[std::size_t(FOrdem[p - 1])].contagem)
            return;
    }
    // In order at last: from now on the list's order is the order counts were reached.
    FOrdenados = true;
    for (const int slot : FOrdem)
        FGrupos[std::size_t(slot)].carimbo = ++FRelogio;
}

void TGruposResultado::AdicionarBase(const QString &nome, int grupo)
{
    TZamListItem linha;
    linha.Caption = nome;
    linha.GroupID = grupo;
    const int slot = FPorId.value(grupo, -1);
    if (slot < 0) {
        FOutrasLinhas.push_back(std::move(linha));
        return;
    }
    std::vector<TZamListItem> &linhas = FGrupos[std::size_t(slot)].linhas;
    if (linhas.empty())
        FComLinhas.push_back(slot);
    linhas.push_back(std::move(linha));
}

bool TGruposResultado::soNovosComUm() const
{
    // New groups stand last in the order they were made; with a count of 1 none passes
    // another, as no group counts less.
    return FMudaram.size() == FNovos.size() &&
           std::all_of(FNovos.begin(), FNovos.end(),
                       [this](int slot) { return FGrupos[std::size_t(slot)].contagem == 1; });
}

std::vector<int> TGruposResultado::novaOrdem() const
{
    // The groups that did not change are in order already, and a count that goes up only
    // moves a group forward: one merge gives the whole order.
    std::vector<int> mudaram = FMudaram;
    std::sort(mudaram.begin(), mudaram.end(), [this](int a, int b) { return antes(a, b); });
    std::vector<int> ordem;
    ordem.reserve(FOrdem.size());
    auto m = mudaram.begin();
    for (const int slot : FOrdem) {
        if (FGrupos[std::size_t(slot)].mudou)
            continue;
        while (m != mudaram.end() && antes(*m, slot))
            ordem.push_back(*m++);
        ordem.push_back(slot);
    }
    ordem.insert(ordem.end(), m, mudaram.end());
    return ordem;
}

void TGruposResultado::mover(int slot, int para)
{
    const int de = FPosicao[std::size_t(slot)];
    if (de == para)
        return;
    FLista.moveGroup(de, para);
    const auto inicio = FOrdem.begin();
    if (de > para)
        std::rotate(inicio + para, inicio + de, inicio + de + 1);
    else
        std::rotate(inicio + de, inicio + de + 1, inicio + para + 1);
    for (int p = std::min(de, para); p <= std::max(de, para); ++p)
        FPosicao[std::size_t(FOrdem[std::size_t(p)])] = p;
}

bool TGruposResultado::aplicar()
{
    if (FMudaram.empty() && FComLinhas.empty() && FOutrasLinhas.empty())
        return false;
    // New groups join the list at its end, where the list's order has them already.
    for (const int slot : FNovos) {
        TGrupo &g = FGrupos[std::size_t(slot)];
        FLista.addGroup({g.id, g.cabecalho, {}, QString::number(g.contagem), true, true});
        g.noLista = true;
    }
    bool moveu = false;
    if (!FOrdenados || !soNovosComUm()) {
        const std::vector<int> destino = FOrdenados ? novaOrdem() : FAlvo;
        // Each position takes its group from further down: every group that changed moves
        // once at most, and the others follow.
        for (int p = 0; p < int(destino.size()); ++p) {
            if (FOrdem[std::size_t(p)] != destino[std::size_t(p)]) {
                mover(destino[std::size_t(p)], p);
                moveu = true;
            }
        }
    }
    FNovos.clear();
    for (const int slot : FMudaram) {
        TGrupo &g = FGrupos[std::size_t(slot)];
        g.mudou = false;
        if (TZamListGroup *grupo = FLista.groupById(g.id)) {
            grupo->Footer = QString::number(g.contagem);
            FLista.groupChanged(g.id);
        }
    }
    FMudaram.clear();
    if (!FOrdenados)
        verificarOrdem();
    adicionarLinhas();
    return moveu;
}

void TGruposResultado::adicionarLinhas()
{
    // Rows of a group shown already go in with one insert under it. Groups that come into
    // view at the end of the list, in its order, all come with one insert.
    std::vector<int> aparecem;
    for (const int slot : FComLinhas) {
        TGrupo &g = FGrupos[std::size_t(slot)];
        if (g.mostrado)
            FLista.addItems(std::move(g.linhas));
        else
            aparecem.push_back(slot);
    }
    FComLinhas.clear();
    std::sort(aparecem.begin(), aparecem.end(),
              [this](int a, int b) { return FPosicao[std::size_t(a)] < FPosicao[std::size_t(b)]; });
    const bool noFim = aparecem.empty() || FPosicao[std::size_t(aparecem.front())] ==
                                               int(FOrdem.size() - aparecem.size());
    std::vector<TZamListItem> juntas;
    for (const int slot : aparecem) {
        TGrupo &g = FGrupos[std::size_t(slot)];
        g.mostrado = true;
        if (!noFim) {
            FLista.addItems(std::move(g.linhas));
            continue;
        }
        juntas.insert(juntas.end(), std::make_move_iterator(g.linhas.begin()),
                      std::make_move_iterator(g.linhas.end()));
        g.linhas.clear();
    }
    FLista.addItems(std::move(juntas));
    FLista.addItems(std::move(FOutrasLinhas));
    FOutrasLinhas.clear();
}
