#include "sql/gruposResultado.h"

#include <algorithm>
#include <numeric>
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
    carregar();
}

void TGruposResultado::carregar()
{
    const std::vector<TZamListGroup> &grupos = FLista.groups();
    FGruposDaLista = int(grupos.size());
    FGrupos.clear();
    FGrupos.reserve(grupos.size());
    FPorChave.clear();
    FPorChave.reserve(qsizetype(grupos.size()));
    FPorId.clear();
    FPorId.reserve(qsizetype(grupos.size()));
    FComLinhas.clear();
    FOutrasLinhas.clear();
    FProximoId = 0;
    FOrdenados = true;
    FMudou = false;
    for (int i = 0; i < FGruposDaLista; ++i) {
        const TZamListGroup &g = grupos[std::size_t(i)];
        TGrupo grupo;
        grupo.id = g.GroupID;
        grupo.cabecalho = g.Header;
        grupo.contagem = contagemDoRodape(g.Footer);
        if (i > 0 && grupo.contagem > FGrupos.back().contagem)
            FOrdenados = false;
        // Of equal headers the last counts; of equal ids the list knows the first.
        FPorChave.insert(minusculasAZ(g.Header), i);
        if (!FPorId.contains(g.GroupID))
            FPorId.insert(g.GroupID, i);
        FProximoId = std::max(FProximoId, g.GroupID + 1);
        FGrupos.push_back(std::move(grupo));
    }
    FOrdem.resize(FGrupos.size());
    std::iota(FOrdem.begin(), FOrdem.end(), 0);
    FPosicao = FOrdem;
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
        novo.novo = true;
        FGrupos.push_back(std::move(novo));
        FPosicao.push_back(int(FOrdem.size()));
        FOrdem.push_back(slot);
        FPorChave.insert(chave, slot);
        FPorId.insert(FGrupos.back().id, slot);
    }
    TGrupo &grupo = FGrupos[std::size_t(slot)];
    ++grupo.contagem;
    grupo.contou = true;
    FMudou = true;

    // The first group before this one with a smaller count; when the counts fall along the
    // groups before it, those groups are the tail of that run.
    const int posicao = FPosicao[std::size_t(slot)];
    const auto inicio = FOrdem.begin();
    const auto menor = [this, &grupo](int s) {
        return FGrupos[std::size_t(s)].contagem < grupo.contagem;
    };
    const int alvo =
        FOrdenados
            ? int(std::partition_point(inicio, inicio + posicao, [&](int s) { return !menor(s); }) -
                  inicio)
            : int(std::find_if(inicio, inicio + posicao, menor) - inicio);
    if (alvo < posicao) {
        std::rotate(inicio + alvo, inicio + posicao, inicio + posicao + 1);
        for (int p = alvo; p <= posicao; ++p)
            FPosicao[std::size_t(FOrdem[std::size_t(p)])] = p;
    }
    return grupo.id;
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

bool TGruposResultado::planejarMovimentos(std::vector<std::pair<int, int>> &movimentos,
                                          int orcamento) const
{
    if (orcamento < 0)
        return false;
    // The list's order once the new groups are appended to it is the order of the slots.
    std::vector<int> atual(FGrupos.size());
    std::iota(atual.begin(), atual.end(), 0);
    std::vector<int> posicao = atual;
    for (int p = 0; p < int(FOrdem.size()); ++p) {
        const int slot = FOrdem[std::size_t(p)];
        if (atual[std::size_t(p)] == slot)
            continue;
        orcamento -= custoMovimento;
        if (orcamento < 0)
            return false;
        const int de = posicao[std::size_t(slot)];
        movimentos.emplace_back(de, p);
        std::rotate(atual.begin() + p, atual.begin() + de, atual.begin() + de + 1);
        for (int k = p; k <= de; ++k)
            posicao[std::size_t(atual[std::size_t(k)])] = k;
    }
    return true;
}

void TGruposResultado::aplicarMovendo(const std::vector<std::pair<int, int>> &movimentos)
{
    for (std::size_t s = std::size_t(FGruposDaLista); s < FGrupos.size(); ++s) {
        const TGrupo &g = FGrupos[s];
        FLista.addGroup({g.id, g.cabecalho, {}, QString::number(g.contagem), true, true});
    }
    for (const auto &[de, para] : movimentos)
        FLista.moveGroup(de, para);
    for (int s = 0; s < FGruposDaLista; ++s) {
        const TGrupo &g = FGrupos[std::size_t(s)];
        if (!g.contou)
            continue;
        if (TZamListGroup *grupo = FLista.groupById(g.id)) {
            grupo->Footer = QString::number(g.contagem);
            FLista.groupChanged(g.id);
        }
    }
    // Rows of one group go in with one insert.
    for (const int slot : FComLinhas)
        FLista.addItems(std::move(FGrupos[std::size_t(slot)].linhas));
    FLista.addItems(std::move(FOutrasLinhas));
}

void TGruposResultado::aplicarRecompondo()
{
    const std::vector<TZamListGroup> antes = FLista.groups();
    std::size_t novasLinhas = FOutrasLinhas.size();
    for (const int slot : FComLinhas)
        novasLinhas += FGrupos[std::size_t(slot)].linhas.size();
    FLista.BeginUpdateZam(FLista.count() + int(novasLinhas));
    try {
        FLista.clearGroups();
        for (const int slot : FOrdem) {
            const TGrupo &g = FGrupos[std::size_t(slot)];
            TZamListGroup grupo = g.novo ? TZamListGroup{g.id, g.cabecalho, {}, {}, true, true}
                                         : antes[std::size_t(slot)];
            if (g.contou)
                grupo.Footer = QString::number(g.contagem);
            FLista.addGroup(grupo);
        }
        for (const int slot : FComLinhas)
            FLista.addItems(std::move(FGrupos[std::size_t(slot)].linhas));
        FLista.addItems(std::move(FOutrasLinhas));
    } catch (...) {
        FLista.EndUpdateZam();
        throw;
    }
    FLista.EndUpdateZam();
}

bool TGruposResultado::aplicar()
{
    if (!FMudou && FComLinhas.empty() && FOutrasLinhas.empty())
        return false;
    // New groups get rows and so come into view (the few old groups without rows that get
    // some are left out of the estimate).
    const int gruposNovos = int(FGrupos.size()) - FGruposDaLista;
    std::vector<std::pair<int, int>> movimentos;
    bool moveu = true;
    if (planejarMovimentos(movimentos, limiteCusto - gruposNovos)) {
        aplicarMovendo(movimentos);
        moveu = !movimentos.empty();
    } else {
        aplicarRecompondo();
    }
    carregar();
    return moveu;
}
