#include "catalog/uTZamDadosList.h"

#include "platform/arquivoTexto.h"
#include "platform/caminhos.h"
#include "platform/erros.h"
#include "platform/textoAsc.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace {

const QString duplicados = QStringLiteral("Duplicates not allowed");

bool ehBrancoOuControle(QChar c)
{
    return c.unicode() >= 1 && c.unicode() <= 32;
}

QString nomeDoServidor(const QString &compartilhamento)
{
    if (!compartilhamento.startsWith(QStringLiteral("\\\\")))
        return QStringLiteral("localhost");
    qsizetype fim = 2;
    while (fim < compartilhamento.size()) {
        const QChar c = compartilhamento.at(fim);
        if (c == u'\\' || c == u'\0' || ehBrancoOuControle(c))
            break;
        ++fim;
    }
    return compartilhamento.mid(2, fim - 2);
}

bool semCompartilhamento(const QString &compartilhamento)
{
    return compartilhamento.trimmed().isEmpty();
}

template <typename Map, typename Ptr> void inserirUnico(Map &items, const QString &chave, Ptr valor)
{
    if (items.contains(chave))
        throw EZamErro(duplicados);
    items.insert(chave, std::move(valor));
}

} // namespace

// ---- TZamDadosHost ----

void TZamDadosHost::Setcompartilhamento(const QString &value)
{
    FCompartilhamento = value;
    FNome = nomeDoServidor(value);
    FPath = caminhoPadrao;
}

bool TZamDadosHost::ehLocal() const
{
    return minusculasAZ(FNome) == u"localhost";
}

namespace {

// A path of this machine given relative to the current folder ("build/dados"): the server
// opens the databases from a folder of its own, so it gets the whole path. A share
// ("\\SRV\DADOS"), a drive ("c:\...") and a path from the root stay as they are.
QString semCaminhoRelativo(const QString &pasta)
{
    const bool temRaiz = pasta.startsWith(u'/') || pasta.startsWith(u'\\') ||
                         (pasta.size() >= 2 && pasta.at(1) == u':' && pasta.at(0).isLetter());
    if (pasta.isEmpty() || temRaiz)
        return pasta;
    return QDir::cleanPath(QDir::current().absoluteFilePath(pasta));
}

} // namespace

TZamDadosHostPtr TZamDadosHost::avulso(const QString &compartilhamento)
{
    auto host = std::make_shared<TZamDadosHost>();
    host->Setcompartilhamento(semCaminhoRelativo(compartilhamento));
    if (host->ehLocal())
        host->setPath(juntarCaminho(
            juntarCaminho(host->compartilhamento(), QStringLiteral("ZAM_DADOS")), QString()));
    return host;
}

// ---- TZamDadosItem ----

TZamDadosItem::TZamDadosItem(TZamDadosHostPtr host)
    : FHost(std::move(host))
{
}

void TZamDadosItem::Setdatahora(double value)
{
    FDatahora = value;
}

void TZamDadosItem::Setnome(const QString &value)
{
    FNome = value;
    const QString &caminhoHost = FHost->path();
    if (FHost->ehLocal())
        FCompartilhamento = caminhoHost + value;
    else
        FCompartilhamento = juntarCaminho(
            juntarCaminho(FHost->compartilhamento(), QStringLiteral("ZAM_DADOS")), value);
    const QChar separador = caminhoHost.contains(u'\\') ? u'\\' : u'/';
    FPath = caminhoHost + value + separador + QStringLiteral("ZAM.FDB");
}

void TZamDadosItem::Setporta(quint32 value)
{
    FPorta.store(value, std::memory_order_relaxed);
}

void TZamDadosItem::Settamanho(TTamanho value)
{
    FTamanho = value;
}

double TZamDadosItem::Getdatahora() const
{
    return FDatahora;
}

QString TZamDadosItem::Getnome() const
{
    return FNome;
}

quint32 TZamDadosItem::Getporta() const
{
    return FPorta.load(std::memory_order_relaxed);
}

TTamanho TZamDadosItem::Gettamanho() const
{
    return FTamanho;
}

QString TZamDadosItem::Getpath() const
{
    return FPath;
}

QString TZamDadosItem::GetstringConnection() const
{
    return FHost->nome() + u'/' + QString::number(Getporta()) + u':' + Getpath();
}

// ---- TZamDadosHostComparer ----

int TZamDadosHostComparer::Compare(const TZamDadosHost &left, const TZamDadosHost &right)
{
    // QString's comparison is by UTF-16 code, a prefix before the longer text.
    const int ordem = QString::compare(minusculasAZ(left.compartilhamento()),
                                       minusculasAZ(right.compartilhamento()), Qt::CaseSensitive);
    if (ordem == 0)
        return 0;
    return ordem > 0 ? -1 : 1;
}

// ---- TZamDadosHostList ----

TZamDadosHostList::TZamDadosHostList(const QString &fileName)
    : TZamDadosHostList(fileName, TSemRegravar())
{
    regravarFormaCurta();
}

TZamDadosHostList::TZamDadosHostList(const QString &fileName, TSemRegravar)
    : FFileName(fileName)
{
    bool primeira = true;
    for (const QString &linha : lerLinhasTexto(fileName)) {
        const qsizetype igual = linha.indexOf(u'=');
        // A blank line, or one with nothing before its "=", names no folder: such an entry
        // would stand for the root of the disk and would come back with every save.
        if (semCompartilhamento(igual >= 0 ? linha.left(igual) : linha))
            continue;
        auto host = std::make_shared<TZamDadosHost>();
        host->Setcompartilhamento(igual > 0 ? linha.left(igual) : linha);
        const QString caminho = igual >= 0 ? linha.mid(igual + 1) : QString();
        if (!caminho.isEmpty())
            host->setPath(caminho);
        inserirUnico(FItems, host->compartilhamento(), host);
        if (primeira)
            FFormaCurta = igual < 0;
        primeira = false;
    }
}

std::unique_ptr<TZamDadosHostList> TZamDadosHostList::semRegravar(const QString &fileName)
{
    return std::unique_ptr<TZamDadosHostList>(new TZamDadosHostList(fileName, TSemRegravar()));
}

void TZamDadosHostList::regravarFormaCurta()
{
    if (!FFormaCurta)
        return;
    save();
    FFormaCurta = false;
}

TZamDadosHostList::TZamDadosHostList(const QString &fileName, TVazia)
    : FFileName(fileName)
{
}

std::unique_ptr<TZamDadosHostList> TZamDadosHostList::vazia(const QString &fileName)
{
    return std::unique_ptr<TZamDadosHostList>(new TZamDadosHostList(fileName, TVazia()));
}

int TZamDadosHostList::posicaoInicial(const std::vector<TZamDadosHostPtr> &ordenados)
{
    int posicao = -1;
    for (int i = 0; i < int(ordenados.size()); ++i) {
        if (ordenados[std::size_t(i)]->compartilhamento().startsWith(QStringLiteral("c:\\"),
                                                                     Qt::CaseInsensitive))
            posicao = i;
    }
    return posicao < 0 && !ordenados.empty() ? 0 : posicao;
}

std::vector<TZamDadosHostPtr> TZamDadosHostList::ordenados() const
{
    std::vector<TZamDadosHostPtr> hosts(FItems.cbegin(), FItems.cend());
    std::sort(hosts.begin(), hosts.end(), TZamDadosHostComparer());
    return hosts;
}

void TZamDadosHostList::adicionar(const TZamDadosHostPtr &host)
{
    const QString chave = host->compartilhamento();
    if (semCompartilhamento(chave))
        throw EZamErro(QStringLiteral("A pasta de dados precisa de um compartilhamento: o caminho "
                                      "não pode ficar em branco"));
    inserirUnico(FItems, chave, host);
    try {
        save();
    } catch (...) {
        FItems.remove(chave);
        throw;
    }
}

void TZamDadosHostList::save()
{
    // Shares that differ only in letter case name the same folder on Windows: they share
    // one line, the entry sorted later replacing the earlier one in its place.
    QStringList compartilhamentos;
    QStringList linhas;
    for (const TZamDadosHostPtr &host : ordenados()) {
        if (host->path().isEmpty() || semCompartilhamento(host->compartilhamento()))
            continue;
        const QString linha = host->compartilhamento() + u'=' + host->path();
        const auto existente = std::find_if(
            compartilhamentos.cbegin(), compartilhamentos.cend(), [&](const QString &outro) {
                return outro.compare(host->compartilhamento(), Qt::CaseInsensitive) == 0;
            });
        if (existente != compartilhamentos.cend()) {
            linhas[existente - compartilhamentos.cbegin()] = linha;
        } else {
            compartilhamentos.append(host->compartilhamento());
            linhas.append(linha);
        }
    }
    gravarLinhasTexto(FFileName, linhas);
}

// ---- TZamDadosList ----

TZamDadosList::TZamDadosList(const TZamDadosHostPtr &host)
    : FHost(host)
    , FFileName(juntarCaminho(host->compartilhamento(), nomeArquivo))
{
    const QFileInfo arquivo(caminhoLocal(FFileName));
    if (arquivo.isFile()) {
        carregar();
        return;
    }
    // Shown as an empty catalogue, it would hide every database of the folder without a word.
    if (arquivo.isDir())
        throw EZamErro(QStringLiteral("O catálogo \"%1\" é uma pasta, não um arquivo: não dá "
                                      "para ler as bases desta pasta de dados")
                           .arg(FFileName));
    if (arquivo.exists())
        throw EZamErro(QStringLiteral("O catálogo \"%1\" não é um arquivo comum: não dá para "
                                      "ler as bases desta pasta de dados")
                           .arg(FFileName));
}

void TZamDadosList::carregar()
{
    for (const QString &linha : lerLinhasTexto(FFileName)) {
        TZamDadosItemPtr item = lerRegistro(linha);
        const QString nome = item->Getnome();
        inserirUnico(FItems, nome, std::move(item));
    }
}

TZamDadosItemPtr TZamDadosList::lerRegistro(const QString &linha) const
{
    const QStringList campos = dividirCampos(linha);
    if (campos.size() < 4)
        throw EZamErro(QStringLiteral("List index out of bounds (%1)").arg(campos.size()));

    auto item = std::make_shared<TZamDadosItem>(FHost);
    item->Setnome(campos[0]);
    item->Setdatahora(
        lerDataHoraCatalogo(campos[1]).value_or(paraDataHora(QDateTime::currentDateTime())));
    item->Settamanho(lerTamanhoCatalogo(campos[2]).value_or(0));
    item->Setporta(lerPortaCatalogo(campos[3]).value_or(portaPadrao));
    return item;
}

void TZamDadosList::save()
{
    QStringList linhas;
    linhas.reserve(FItems.size());
    for (const TZamDadosItemPtr &item : std::as_const(FItems)) {
        const QStringList campos{item->Getnome(), formatarDataHoraCatalogo(item->Getdatahora()),
                                 formatarTamanhoCatalogo(item->Gettamanho()),
                                 QString::number(item->Getporta())};
        QStringList citados;
        for (const QString &campo : campos)
            citados.append(citarCampo(campo));
        linhas.append(citados.join(u','));
    }
    gravarLinhasTexto(FFileName, linhas);
}

QStringList TZamDadosList::dividirCampos(const QString &linha)
{
    QStringList campos;
    const qsizetype fim = linha.size();
    qsizetype i = 0;
    const auto pularBrancos = [&]() {
        while (i < fim && ehBrancoOuControle(linha.at(i)))
            ++i;
    };

    pularBrancos();
    while (i < fim) {
        QString campo;
        if (linha.at(i) == u'"') {
            // Runs to the next quote that is not doubled; a doubled quote stands for one.
            ++i;
            while (i < fim) {
                if (linha.at(i) == u'"') {
                    if (i + 1 < fim && linha.at(i + 1) == u'"') {
                        campo += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                campo += linha.at(i++);
            }
        } else {
            const qsizetype inicio = i;
            while (i < fim && linha.at(i) != u',' && !ehBrancoOuControle(linha.at(i)))
                ++i;
            campo = linha.mid(inicio, i - inicio);
        }
        campos.append(campo);

        pularBrancos();
        if (i < fim && linha.at(i) == u',') {
            if (i + 1 == fim)
                campos.append(QString());
            ++i;
            pularBrancos();
        }
    }
    return campos;
}

QString TZamDadosList::citarCampo(const QString &campo)
{
    const bool precisaAspas = std::any_of(campo.cbegin(), campo.cend(), [](QChar c) {
        return c == u',' || c == u'"' || ehBrancoOuControle(c);
    });
    if (!precisaAspas)
        return campo;
    QString citado = campo;
    citado.replace(u'"', QStringLiteral("\"\""));
    return u'"' + citado + u'"';
}
