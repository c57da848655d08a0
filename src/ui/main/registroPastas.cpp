#include "ui/main/registroPastas.h"

#include "catalog/varredura.h"
#include "platform/caminhos.h"

#include <QFileInfo>

TRegistroPastas::TRegistroPastas(const QString &pastaPrograma)
    : FPastaPrograma(pastaPrograma)
    , FZamcon(juntarCaminho(pastaPrograma, TZamcon::nomeArquivo))
{
}

QString TRegistroPastas::arquivoDosHosts() const
{
    return juntarCaminho(FPastaPrograma, arquivoHosts);
}

void TRegistroPastas::carregarHosts()
{
    FHosts = TZamDadosHostList::semRegravar(arquivoDosHosts());
    FHosts->regravarFormaCurta();
}

void TRegistroPastas::ordenarLinhas()
{
    FHostsCombo = FHosts ? FHosts->ordenados() : std::vector<TZamDadosHostPtr>();
}

int TRegistroPastas::linhaInicial() const
{
    return TZamDadosHostList::posicaoInicial(FHostsCombo);
}

TZamDadosHostPtr TRegistroPastas::hostPara(int linha, const QString &texto)
{
    if (linha >= 0 && linha < int(FHostsCombo.size()))
        return FHostsCombo[std::size_t(linha)];
    if (FHostAvulso && FHostAvulso->compartilhamento() == texto)
        return FHostAvulso;
    // A folder named on the command line that is registered keeps its server path.
    if (FHosts) {
        if (const TZamDadosHostPtr registrado = FHosts->items().value(texto))
            return registrado;
    }
    FHostAvulso = TZamDadosHost::avulso(texto);
    return FHostAvulso;
}

TZamDadosHostList &TRegistroPastas::hostsParaRegistrar()
{
    if (!FHosts) {
        const QString arquivo = arquivoDosHosts();
        FHosts = QFileInfo::exists(caminhoLocal(arquivo))
                     ? std::make_unique<TZamDadosHostList>(arquivo)
                     : TZamDadosHostList::vazia(arquivo);
    }
    return *FHosts;
}

void TRegistroPastas::registrar(const TZamDadosHostPtr &host)
{
    hostsParaRegistrar().adicionar(host);
    FHostsCombo.push_back(host);
}

void TRegistroPastas::carregarCatalogo(const TZamDadosHostPtr &host)
{
    FZamDadosList = std::make_unique<TZamDadosList>(host);
    if (!QFileInfo(caminhoLocal(FZamDadosList->fileName())).isFile())
        buscarBases();
}

void TRegistroPastas::buscarBases()
{
    ::buscarBases(*FZamDadosList, lerPortaPadrao());
}

bool TRegistroPastas::atualizarBases()
{
    if (!FZamDadosList)
        return false;
    ::atualizarBases(*FZamDadosList, lerPortaPadrao());
    return true;
}

std::vector<TZamDadosItemPtr> TRegistroPastas::registros() const
{
    std::vector<TZamDadosItemPtr> todos;
    if (FZamDadosList) {
        const auto &itens = FZamDadosList->items();
        todos.assign(itens.cbegin(), itens.cend());
    }
    return todos;
}

void TRegistroPastas::pastaRenomeada(const TZamDadosItemPtr &registro,
                                     const std::optional<QString> &nomeNovo)
{
    if (!nomeNovo || !FZamDadosList || FZamDadosList->host() != registro->host() ||
        FZamDadosList->items().contains(*nomeNovo))
        return;
    auto renomeado = std::make_shared<TZamDadosItem>(registro->host());
    renomeado->Setnome(*nomeNovo);
    renomeado->Setporta(registro->Getporta());
    renomeado->Setdatahora(registro->Getdatahora());
    renomeado->Settamanho(registro->Gettamanho());
    FZamDadosList->items().insert(*nomeNovo, renomeado);
}

void TRegistroPastas::lerUltimaBase()
{
    iniFolderName = FZamcon.lerUltimaBase();
}
