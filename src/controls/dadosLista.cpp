#include "controls/dadosLista.h"

#include <QCollator>
#include <QDate>
#include <QScopeGuard>
#include <algorithm>
#include <utility>

// ---------------------------------------------------------------------------------------------
// Text helpers

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

struct TParOrdenacao
{
    QString Chave;
    TZamLinhaGuardada Registro;
};

template <typename V> void rodar(V &v, int de, int para)
{
    if (de < para)
        std::rotate(v.begin() + de, v.begin() + de + 1, v.begin() + para + 1);
    else
        std::rotate(v.begin() + para, v.begin() + de, v.begin() + de + 1);
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
// TZamLinhaGuardada

struct TZamLinhaGuardada::TExtras
{
    std::shared_ptr<void> Data;
    int ImageIndex = -1;
    int Indent = 0;
    int OverlayIndex = -1;
    int StateIndex = -1;
};

namespace {

void escreverNumero(QString &textos, quint32 n)
{
    textos.append(QChar(char16_t(n >> 16)));
    textos.append(QChar(char16_t(n & 0xFFFF)));
}

} // namespace

TZamLinhaGuardada::TZamLinhaGuardada(const TZamListItem &it)
    : GroupID(it.GroupID)
    , Checked(it.Checked)
    , FExtras(extrasDe(it))
{
    const qsizetype celulas = 1 + it.SubItems.size();
    qsizetype tamanho = 2 + 2 * celulas + it.Caption.size();
    for (const QString &s : it.SubItems)
        tamanho += s.size();
    FTextos.reserve(tamanho);
    escreverNumero(FTextos, quint32(celulas));
    escreverNumero(FTextos, quint32(it.Caption.size()));
    for (const QString &s : it.SubItems)
        escreverNumero(FTextos, quint32(s.size()));
    FTextos.append(it.Caption);
    for (const QString &s : it.SubItems)
        FTextos.append(s);
}

TZamLinhaGuardada::TZamLinhaGuardada(const TZamLinhaGuardada &outra)
    : GroupID(outra.GroupID)
    , Checked(outra.Checked)
    , FTextos(outra.FTextos)
    , FExtras(outra.FExtras ? std::make_unique<TExtras>(*outra.FExtras) : nullptr)
{
}

TZamLinhaGuardada &TZamLinhaGuardada::operator=(const TZamLinhaGuardada &outra)
{
    if (this != &outra)
        *this = TZamLinhaGuardada(outra);
    return *this;
}

TZamLinhaGuardada::~TZamLinhaGuardada() = default;

std::unique_ptr<TZamLinhaGuardada::TExtras> TZamLinhaGuardada::extrasDe(const TZamListItem &it)
{
    const TExtras padrao;
    if (!it.Data && it.ImageIndex == padrao.ImageIndex && it.Indent == padrao.Indent &&
        it.OverlayIndex == padrao.OverlayIndex && it.StateIndex == padrao.StateIndex)
        return nullptr;
    return std::make_unique<TExtras>(
        TExtras{it.Data, it.ImageIndex, it.Indent, it.OverlayIndex, it.StateIndex});
}

quint32 TZamLinhaGuardada::lerNumero(const QString &textos, qsizetype pos)
{
    return (quint32(textos.at(pos).unicode()) << 16) | textos.at(pos + 1).unicode();
}

QStringView TZamLinhaGuardada::texto(int coluna) const
{
    if (FTextos.isEmpty() || coluna < 0)
        return {};
    const qsizetype celulas = lerNumero(FTextos, 0);
    if (coluna >= celulas)
        return {};
    qsizetype inicio = 2 + 2 * celulas;
    for (int c = 0; c < coluna; ++c)
        inicio += lerNumero(FTextos, 2 + 2 * c);
    return QStringView(FTextos).mid(inicio, lerNumero(FTextos, 2 + 2 * coluna));
}

TZamListItem TZamLinhaGuardada::item() const
{
    TZamListItem it;
    it.GroupID = GroupID;
    it.Checked = Checked;
    if (FExtras) {
        it.Data = FExtras->Data;
        it.ImageIndex = FExtras->ImageIndex;
        it.Indent = FExtras->Indent;
        it.OverlayIndex = FExtras->OverlayIndex;
        it.StateIndex = FExtras->StateIndex;
    }
    if (FTextos.isEmpty())
        return it;
    const int celulas = int(lerNumero(FTextos, 0));
    it.Caption = texto(0).toString();
    it.SubItems.reserve(celulas - 1);
    for (int c = 1; c < celulas; ++c)
        it.SubItems.append(texto(c).toString());
    return it;
}

const void *TZamLinhaGuardada::data() const
{
    return FExtras ? FExtras->Data.get() : nullptr;
}

TZamLinhaGuardada TZamLinhaGuardada::semMarcas() const
{
    TZamLinhaGuardada copia;
    copia.GroupID = GroupID;
    copia.FTextos = FTextos;
    if (FExtras && FExtras->Data) {
        copia.FExtras = std::make_unique<TExtras>();
        copia.FExtras->Data = FExtras->Data;
    }
    return copia;
}

// ---------------------------------------------------------------------------------------------
// TZamListaDados

TZamListaDados::TZamListaDados(IAvisosLista &avisos)
    : FAvisos(avisos)
{
}

// --- recomposition ---------------------------------------------------------------------------

void TZamListaDados::abrirRecomposicao()
{
    // Told while the data is still whole, so that the listener can read it.
    if (FNivelReset == 0)
        FAvisos.antesDeRecompor();
    ++FNivelReset;
}

void TZamListaDados::fecharRecomposicao()
{
    if (--FNivelReset > 0)
        return;
    remontarMapa();
    FAvisos.depoisDeRecompor();
}

// --- group layout ----------------------------------------------------------------------------

void TZamListaDados::reindexarGrupos()
{
    FGrupoPorId.clear();
    FGrupoPorChave.clear();
    for (int i = 0; i < int(FGrupos.size()); ++i) {
        if (!FGrupoPorId.contains(FGrupos[std::size_t(i)].GroupID))
            FGrupoPorId.insert(FGrupos[std::size_t(i)].GroupID, i);
        FGrupoPorChave.insert(FChavesGrupo[std::size_t(i)], i);
    }
}

void TZamListaDados::reindexarFaixa(int de, int ate)
{
    // Only the groups from de to ate changed places. An id whose first group stood among them
    // is looked for again there; an id whose first group stands before them keeps it.
    for (int i = de; i <= ate; ++i) {
        const int id = FGrupos[std::size_t(i)].GroupID;
        const int atual = FGrupoPorId.value(id, -1);
        if (atual >= de && atual <= ate)
            FGrupoPorId.remove(id);
    }
    for (int i = de; i <= ate; ++i) {
        const int id = FGrupos[std::size_t(i)].GroupID;
        const int atual = FGrupoPorId.value(id, -1);
        if (atual < 0 || atual > i)
            FGrupoPorId.insert(id, i);
        FGrupoPorChave.insert(FChavesGrupo[std::size_t(i)], i);
    }
}

void TZamListaDados::remontarMapa()
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

void TZamListaDados::renumerarVisiveis(int desde)
{
    for (int p = desde; p < int(FVisiveis.size()); ++p)
        FPosVisivel.insert(FVisiveis[std::size_t(p)], p);
}

int TZamListaDados::posicaoNovoGrupoVisivel(int indiceGrupo) const
{
    const auto p =
        std::lower_bound(FVisiveis.begin(), FVisiveis.end(), indiceGrupo,
                         [this](quintptr chave, int g) { return FGrupoPorChave.value(chave) < g; });
    return int(p - FVisiveis.begin());
}

void TZamListaDados::tirarDoGrupo(int linha)
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
        FAvisos.antesDeRemoverLinhas(-1, p, p);
        FPosVisivel.remove(FVisiveis[std::size_t(p)]);
        FVisiveis.erase(FVisiveis.begin() + p);
        FFilhos.erase(FFilhos.begin() + p);
        renumerarVisiveis(p);
    } else {
        FAvisos.antesDeRemoverLinhas(p, filho, filho);
        filhos.erase(filhos.begin() + filho);
        for (int k = filho; k < int(filhos.size()); ++k)
            FPosFilho[std::size_t(filhos[std::size_t(k)])] = k;
    }
    FPosFilho[std::size_t(linha)] = -1;
    FAvisos.depoisDeRemoverLinhas();
}

// Puts rows primeira..ultima, which carry the same group id, under their group: either one row
// anywhere, or rows appended after every other row of the group.
void TZamListaDados::porNoGrupo(int primeira, int ultima)
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
        FAvisos.antesDeInserirLinhas(p, pos, pos + quantas - 1);
        filhos.insert(filhos.begin() + pos, quantas, 0);
        for (int k = 0; k < quantas; ++k)
            filhos[std::size_t(pos + k)] = primeira + k;
        for (int k = pos; k < int(filhos.size()); ++k)
            FPosFilho[std::size_t(filhos[std::size_t(k)])] = k;
        FAvisos.depoisDeInserirLinhas();
        return;
    }
    const int nova = posicaoNovoGrupoVisivel(g);
    FAvisos.antesDeInserirLinhas(-1, nova, nova);
    std::vector<int> filhos;
    filhos.reserve(std::size_t(quantas));
    for (int k = 0; k < quantas; ++k) {
        filhos.push_back(primeira + k);
        FPosFilho[std::size_t(primeira + k)] = k;
    }
    FVisiveis.insert(FVisiveis.begin() + nova, chave);
    FFilhos.insert(FFilhos.begin() + nova, std::move(filhos));
    renumerarVisiveis(nova);
    FAvisos.depoisDeInserirLinhas();
}

TZamListGroup &TZamListaDados::grupoVisivel(int posicao)
{
    return FGrupos[std::size_t(FGrupoPorChave.value(FVisiveis[std::size_t(posicao)]))];
}

const TZamListGroup &TZamListaDados::grupoVisivel(int posicao) const
{
    return FGrupos[std::size_t(FGrupoPorChave.value(FVisiveis[std::size_t(posicao)]))];
}

int TZamListaDados::linhaNoGrupo(int posicao, int filho) const
{
    if (posicao < 0 || posicao >= gruposVisiveis())
        return -1;
    const std::vector<int> &filhos = FFilhos[std::size_t(posicao)];
    return filho >= 0 && filho < int(filhos.size()) ? filhos[std::size_t(filho)] : -1;
}

bool TZamListaDados::ondeMostra(int linha, int &posicao, int &filho) const
{
    if (linha < 0 || linha >= count() || !FGroupView || FNivelReset > 0)
        return false;
    filho = FPosFilho[std::size_t(linha)];
    if (filho < 0)
        return false;
    const int g = indiceDoGrupo(FItens[std::size_t(linha)].GroupID);
    posicao = FPosVisivel.value(FChavesGrupo[std::size_t(g)], -1);
    return posicao >= 0;
}

// --- columns ---------------------------------------------------------------------------------

int TZamListaDados::addColumn(const TZamListColumn &c)
{
    const int n = columnCount();
    if (FNivelReset > 0) {
        FColunas.push_back(c);
        return n;
    }
    FAvisos.antesDeMudarColunas(n, n, true);
    FColunas.push_back(c);
    FAvisos.depoisDeMudarColunas(true);
    return n;
}

void TZamListaDados::clearColumns()
{
    if (FColunas.empty())
        return;
    if (FNivelReset > 0) {
        FColunas.clear();
        return;
    }
    FAvisos.antesDeMudarColunas(0, columnCount() - 1, false);
    FColunas.clear();
    FAvisos.depoisDeMudarColunas(false);
}

// --- rows ------------------------------------------------------------------------------------

void TZamListaDados::addItems(std::vector<TZamListItem> items)
{
    if (items.empty())
        return;
    const int primeira = count();
    const int ultima = primeira + int(items.size()) - 1;
    const auto anexar = [&] {
        for (const TZamListItem &it : items)
            FItens.emplace_back(it);
        FPosFilho.resize(FItens.size(), -1);
    };
    if (FNivelReset > 0) {
        anexar();
        return;
    }
    if (!FGroupView) {
        FAvisos.antesDeInserirLinhas(-1, primeira, ultima);
        anexar();
        FAvisos.depoisDeInserirLinhas();
        return;
    }
    const int grupo = items.front().GroupID;
    const bool umGrupo = std::all_of(items.begin(), items.end(),
                                     [grupo](const TZamListItem &i) { return i.GroupID == grupo; });
    if (umGrupo) {
        anexar();
        porNoGrupo(primeira, ultima);
    } else if (gruposNovosNoFim(items)) {
        anexar();
        mostrarGruposNoFim(primeira, ultima);
    } else {
        abrirRecomposicao();
        anexar();
        fecharRecomposicao();
    }
}

bool TZamListaDados::gruposNovosNoFim(const std::vector<TZamListItem> &items) const
{
    // Rows of groups not shown yet, a group after another in group order, each after every
    // group shown: they come into view as a run at the end of the shown groups.
    int ultimo = FVisiveis.empty() ? -1 : FGrupoPorChave.value(FVisiveis.back());
    int grupoAnterior = -1;
    for (const TZamListItem &it : items) {
        const int g = indiceDoGrupo(it.GroupID);
        if (g < 0)
            return false;
        if (g == grupoAnterior)
            continue;
        if (g <= ultimo)
            return false;
        ultimo = grupoAnterior = g;
    }
    return true;
}

void TZamListaDados::mostrarGruposNoFim(int primeira, int ultima)
{
    int novos = 0;
    for (int i = primeira; i <= ultima; ++i) {
        if (i == primeira || FItens[std::size_t(i)].GroupID != FItens[std::size_t(i - 1)].GroupID)
            ++novos;
    }
    const int inicio = gruposVisiveis();
    FAvisos.antesDeInserirLinhas(-1, inicio, inicio + novos - 1);
    for (int i = primeira; i <= ultima; ++i) {
        if (i == primeira || FItens[std::size_t(i)].GroupID != FItens[std::size_t(i - 1)].GroupID) {
            const quintptr chave =
                FChavesGrupo[std::size_t(indiceDoGrupo(FItens[std::size_t(i)].GroupID))];
            FPosVisivel.insert(chave, int(FVisiveis.size()));
            FVisiveis.push_back(chave);
            FFilhos.emplace_back();
        }
        FPosFilho[std::size_t(i)] = int(FFilhos.back().size());
        FFilhos.back().push_back(i);
    }
    FAvisos.depoisDeInserirLinhas();
}

void TZamListaDados::setItem(int i, TZamListItem it)
{
    TZamLinhaGuardada &atual = FItens[std::size_t(i)];
    if (FNivelReset > 0) {
        atual = TZamLinhaGuardada(it);
    } else if (FGroupView && it.GroupID != atual.GroupID) {
        tirarDoGrupo(i);
        atual = TZamLinhaGuardada(it);
        porNoGrupo(i, i);
    } else {
        atual = TZamLinhaGuardada(it);
        FAvisos.linhaMudou(i);
    }
}

bool TZamListaDados::setChecked(int i, bool marcada)
{
    bool &atual = FItens[std::size_t(i)].Checked;
    if (atual == marcada)
        return false;
    atual = marcada;
    if (FNivelReset == 0)
        FAvisos.linhaMudou(i);
    return true;
}

void TZamListaDados::clearItems()
{
    abrirRecomposicao();
    FItens.clear();
    fecharRecomposicao();
}

void TZamListaDados::setCapacity(int n)
{
    if (n > 0)
        FItens.reserve(std::size_t(n));
}

int TZamListaDados::findData(const void *data) const
{
    for (int i = 0; i < count(); ++i) {
        if (FItens[std::size_t(i)].data() == data)
            return i;
    }
    return -1;
}

int TZamListaDados::CheckedCount() const
{
    return int(std::count_if(FItens.begin(), FItens.end(),
                             [](const TZamLinhaGuardada &i) { return i.Checked; }));
}

int TZamListaDados::findCaption(const QString &prefix) const
{
    for (int i = 0; i < count(); ++i) {
        if (FItens[std::size_t(i)].texto(0).startsWith(prefix, Qt::CaseInsensitive))
            return i;
    }
    return -1;
}

int TZamListaDados::FindSubItem(const QString &texto, int coluna) const
{
    const QString procurado = minusculasAZ(texto);
    for (int i = 0; i < count(); ++i) {
        if (minusculasAZ(FItens[std::size_t(i)].texto(coluna).toString()).startsWith(procurado))
            return i;
    }
    return -1;
}

void TZamListaDados::setCheckBoxes(bool on)
{
    if (on == FCheckBoxes)
        return;
    abrirRecomposicao();
    FCheckBoxes = on;
    fecharRecomposicao();
}

// --- groups ----------------------------------------------------------------------------------

int TZamListaDados::addGroup(const TZamListGroup &g)
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
    if (FGroupView && primeiroComId && FLinhasSemGrupo > 0 && FNivelReset == 0) {
        const bool temLinhas = std::any_of(
            FItens.begin(), FItens.end(), [&](const auto &i) { return i.GroupID == novo.GroupID; });
        if (temLinhas) {
            abrirRecomposicao();
            fecharRecomposicao();
        }
    }
    return novo.GroupID;
}

TZamListGroup *TZamListaDados::groupById(int id)
{
    const int g = indiceDoGrupo(id);
    return g < 0 ? nullptr : &FGrupos[std::size_t(g)];
}

const TZamListGroup *TZamListaDados::groupById(int id) const
{
    const int g = indiceDoGrupo(id);
    return g < 0 ? nullptr : &FGrupos[std::size_t(g)];
}

void TZamListaDados::groupChanged(int id)
{
    if (!FGroupView || FNivelReset > 0)
        return;
    const int g = indiceDoGrupo(id);
    if (g < 0)
        return;
    const int p = FPosVisivel.value(FChavesGrupo[std::size_t(g)], -1);
    if (p >= 0)
        FAvisos.grupoMudou(p);
}

void TZamListaDados::moveGroup(int from, int to)
{
    const int n = int(FGrupos.size());
    if (from < 0 || from >= n || to < 0 || to >= n || from == to)
        return;
    const quintptr chave = FChavesGrupo[std::size_t(from)];
    const int de = std::min(from, to);
    const int ate = std::max(from, to);
    const auto primeirosDaFaixa = [this, de, ate] {
        std::vector<quintptr> chaves;
        for (int i = de; i <= ate; ++i)
            chaves.push_back(
                FChavesGrupo[std::size_t(indiceDoGrupo(FGrupos[std::size_t(i)].GroupID))]);
        std::sort(chaves.begin(), chaves.end());
        return chaves;
    };
    const std::vector<quintptr> antes = primeirosDaFaixa();
    rodar(FGrupos, from, to);
    rodar(FChavesGrupo, from, to);
    reindexarFaixa(de, ate);
    // Of groups that share an id the first holds its rows: when the move changes which one
    // is first, the rows change groups and the layout is made again.
    if (primeirosDaFaixa() != antes) {
        if (FGroupView && FNivelReset == 0) {
            abrirRecomposicao();
            fecharRecomposicao();
        }
        return;
    }

    const int antiga = FPosVisivel.value(chave, -1);
    if (!FGroupView || FNivelReset > 0 || antiga < 0)
        return;
    // The group's place among the shown groups, counted without itself. The others keep
    // their group order, so it is found by halving over them.
    const auto outro = [this, antiga](int k) {
        return FVisiveis[std::size_t(k < antiga ? k : k + 1)];
    };
    int baixo = 0;
    int alto = int(FVisiveis.size()) - 1;
    while (baixo < alto) {
        const int meio = (baixo + alto) / 2;
        if (FGrupoPorChave.value(outro(meio)) < to)
            baixo = meio + 1;
        else
            alto = meio;
    }
    const int nova = baixo;
    if (nova == antiga)
        return;
    FAvisos.antesDeMoverGrupo(antiga, nova);
    rodar(FVisiveis, antiga, nova);
    rodar(FFilhos, antiga, nova);
    renumerarVisiveis(std::min(antiga, nova));
    FAvisos.depoisDeMoverGrupo();
}

void TZamListaDados::clearGroups()
{
    // Out of group view no group shows, so nothing changes on screen.
    const bool recompor = FGroupView && FNivelReset == 0;
    if (recompor)
        abrirRecomposicao();
    FGrupos.clear();
    FChavesGrupo.clear();
    reindexarGrupos();
    if (recompor)
        fecharRecomposicao();
}

void TZamListaDados::setGroupView(bool on)
{
    if (on == FGroupView)
        return;
    abrirRecomposicao();
    FGroupView = on;
    fecharRecomposicao();
}

TZamListGroup *TZamListaDados::FindGrupo(const QString &Header)
{
    for (TZamListGroup &g : FGrupos) {
        if (g.Header == Header)
            return &g;
    }
    return nullptr;
}

// --- filter ----------------------------------------------------------------------------------

void TZamListaDados::dropFiltro()
{
    FCacheFiltro.clear();
    FCacheFiltro.shrink_to_fit();
    FColunaDoFiltro = -1;
    FUltimoFiltro.clear();
    FPassaram.clear();
}

void TZamListaDados::prepararFiltro(int coluna)
{
    if (FCacheFiltro.empty()) {
        FCacheFiltro.reserve(FItens.size());
        for (const TZamLinhaGuardada &linha : FItens)
            FCacheFiltro.push_back({linha.semMarcas(), {}});
        FColunaDoFiltro = -1;
    }
    if (coluna == FColunaDoFiltro)
        return;
    // The search text of every row is made once for the column, not at every keystroke.
    for (TFiltrada &f : FCacheFiltro)
        f.dobrado = minusculasAZ(f.linha.texto(coluna).toString());
    FColunaDoFiltro = coluna;
    FUltimoFiltro.clear();
    FPassaram.clear();
}

void TZamListaDados::Filtrar(const QString &Value)
{
    const int coluna = FColunaOrdenada.has_value() && *FColunaOrdenada > 0 ? *FColunaOrdenada : 0;
    prepararFiltro(coluna);

    abrirRecomposicao();
    const auto fechar = qScopeGuard([this] { fecharRecomposicao(); });
    FItens.clear();
    if (aparar(Value).isEmpty()) {
        FItens.reserve(FCacheFiltro.size());
        for (const TFiltrada &f : FCacheFiltro)
            FItens.push_back(f.linha);
        FUltimoFiltro.clear();
        FPassaram.clear();
        return;
    }
    FGroupView = false;
    FGrupos.clear();
    FChavesGrupo.clear();
    reindexarGrupos();
    // Not trimmed: blanks around the text take part in the match.
    const QString procurado = minusculasAZ(Value);
    // A text that extends the last one can only let through rows the last one did.
    const bool soAsQuePassaram = !FUltimoFiltro.isEmpty() && procurado.startsWith(FUltimoFiltro);
    std::vector<int> passaram;
    const auto provar = [&](int k) {
        if (FCacheFiltro[std::size_t(k)].dobrado.contains(procurado))
            passaram.push_back(k);
    };
    if (soAsQuePassaram) {
        for (const int k : FPassaram)
            provar(k);
    } else {
        for (int k = 0; k < int(FCacheFiltro.size()); ++k)
            provar(k);
    }
    FItens.reserve(passaram.size());
    for (const int k : passaram)
        FItens.push_back(FCacheFiltro[std::size_t(k)].linha);
    FPassaram = std::move(passaram);
    FUltimoFiltro = procurado;
}

// --- sort and grouping -----------------------------------------------------------------------

void TZamListaDados::CopiarItem(const TZamListItem &Origem, TZamListItem &Destino)
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

std::vector<TZamLinhaGuardada> TZamListaDados::linhasOrdenadas(int Column)
{
    const bool crescente = !(FOrdemCrescente && FColunaOrdenada == Column);
    FOrdemCrescente = crescente;
    FColunaOrdenada = Column;

    // Every key is built, once per row, before anything else: a cell without a key stops the
    // sort with the rows as they were.
    std::vector<TParOrdenacao> pares;
    pares.reserve(FItens.size());
    for (const TZamLinhaGuardada &linha : FItens)
        pares.push_back({ChaveOrdenacao(linha.texto(Column).toString()), linha});

    QCollator colacao;
    colacao.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(pares.begin(), pares.end(),
                     [&colacao](const TParOrdenacao &a, const TParOrdenacao &b) {
                         return colacao.compare(a.Chave, b.Chave) < 0;
                     });
    if (!crescente)
        std::reverse(pares.begin(), pares.end());
    std::vector<TZamLinhaGuardada> linhas;
    linhas.reserve(pares.size());
    for (TParOrdenacao &par : pares)
        linhas.push_back(std::move(par.Registro));
    return linhas;
}

void TZamListaDados::trocarLinhas(std::vector<TZamLinhaGuardada> linhas)
{
    abrirRecomposicao();
    FItens = std::move(linhas);
    fecharRecomposicao();
}

void TZamListaDados::Ordenar(int Column)
{
    if (Column >= 0)
        trocarLinhas(linhasOrdenadas(Column));
}

void TZamListaDados::Agrupar(int Column, const TZamListViewCreateGroup &criarGrupo)
{
    if (Column < 0)
        return;
    FUltimaColunaAgrupada = Column;
    abrirRecomposicao();
    const auto fechar = qScopeGuard([this] { fecharRecomposicao(); });

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
        const QString texto = FItens[i].texto(Column).toString();
        if (i == 0 || texto != anterior) {
            anterior = texto;
            int g = porCabecalho.value(texto, -1);
            if (g < 0) {
                g = int(FGrupos.size());
                addGroup({proximoId++, texto, {}, {}, true, false});
                porCabecalho.insert(texto, g);
                if (criarGrupo) {
                    TZamListGroup grupo = FGrupos[std::size_t(g)];
                    criarGrupo(grupo, Column);
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
