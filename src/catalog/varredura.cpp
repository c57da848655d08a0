#include "catalog/varredura.h"

#include "platform/caminhos.h"
#include "platform/erros.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>

namespace {

const QString pastaDados = QStringLiteral("ZAM_DADOS");
const QString arquivoBase = QStringLiteral("ZAM.FDB");

void aplicarDataTamanho(TZamDadosItem &registro, const QFileInfo &arquivo)
{
    registro.Setdatahora(paraDataHora(arquivo.lastModified().toLocalTime()));
    registro.Settamanho(tamanhoDeBytes(arquivo.size()));
}

quint32 converterPorta(const QString &texto)
{
    if (const auto porta = lerPortaCatalogo(texto))
        return *porta;
    throw EZamErro(QStringLiteral("'%1' is not a valid integer value").arg(texto));
}

// What the scan takes for a database: a folder whose name any system sharing the folder can
// hold (a line break in it would also break the catalogue's line), with a ZAM.FDB file.
bool ehBase(const QString &nome, const QFileInfo &arquivo)
{
    return !temCaractereDeControle(nome) && arquivo.isFile();
}

} // namespace

QString mensagemPastasIgnoradas(const QString &pasta, const QStringList &nomes)
{
    QStringList visiveis;
    for (const QString &nome : nomes)
        visiveis.append(u'"' + textoVisivel(nome) + u'"');
    return QStringLiteral("Pastas ignoradas em \"%1\", pois têm no nome um caractere de "
                          "controle (como uma quebra de linha), que o Windows não aceita: %2")
        .arg(pasta, visiveis.join(QStringLiteral(", ")));
}

QString arquivoDaBase(const QString &compartilhamento, const QString &nome)
{
    return juntarCaminho(juntarCaminho(juntarCaminho(compartilhamento, pastaDados), nome),
                         arquivoBase);
}

void lerDataTamanho(TZamDadosItem &registro, const QString &path)
{
    const QFileInfo arquivo(caminhoLocal(path));
    if (arquivo.isFile())
        aplicarDataTamanho(registro, arquivo);
}

void verificarPastaDeDados(const QString &compartilhamento)
{
    if (!QFileInfo(caminhoLocal(compartilhamento)).isDir())
        throw EZamErro(QStringLiteral("A pasta \"%1\" não existe").arg(compartilhamento));
    const QString dados = juntarCaminho(compartilhamento, pastaDados);
    if (!QFileInfo(caminhoLocal(dados)).isDir())
        throw EZamErro(QStringLiteral("A pasta \"%1\" não tem a pasta ZAM_DADOS: \"%2\" não existe")
                           .arg(compartilhamento, dados));
}

bool buscarBases(TZamDadosList &catalogo, const QString &portaPadrao, QStringList *ignoradas)
{
    const QString base = juntarCaminho(catalogo.host()->compartilhamento(), pastaDados);
    const QFileInfo pasta(caminhoLocal(base));
    if (!pasta.isDir() || !pasta.isReadable())
        return false;

    // Hidden folders (a leading "." here) are not databases.
    const QStringList nomes =
        QDir(pasta.filePath()).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort);
    QStringList deixadas;
    for (const QString &nome : nomes) {
        const QString db = juntarCaminho(juntarCaminho(base, nome), arquivoBase);
        const QFileInfo arquivo(caminhoLocal(db));
        if (!ehBase(nome, arquivo)) {
            if (arquivo.isFile())
                deixadas.append(nome);
            continue;
        }
        TZamDadosItemPtr registro = catalogo.items().value(nome);
        if (!registro) {
            registro = std::make_shared<TZamDadosItem>(catalogo.host());
            registro->Setnome(nome);
            registro->Setporta(converterPorta(portaPadrao));
            catalogo.items().insert(nome, registro);
        }
        aplicarDataTamanho(*registro, arquivo);
    }
    if (!deixadas.isEmpty()) {
        qWarning().noquote() << mensagemPastasIgnoradas(base, deixadas);
        if (ignoradas)
            *ignoradas += deixadas;
    }
    catalogo.save();
    return true;
}

void atualizarBases(TZamDadosList &catalogo, const QString &portaPadrao, QStringList *ignoradas)
{
    const QString &compartilhamento = catalogo.host()->compartilhamento();
    for (auto it = catalogo.items().begin(); it != catalogo.items().end();) {
        const QFileInfo arquivo(caminhoLocal(arquivoDaBase(compartilhamento, it.key())));
        // A ZAM.FDB that is a folder holds no database, for the scan as for the refresh.
        if (ehBase(it.key(), arquivo)) {
            aplicarDataTamanho(**it, arquivo);
            ++it;
        } else {
            it = catalogo.items().erase(it);
        }
    }
    buscarBases(catalogo, portaPadrao, ignoradas);
    catalogo.save();
}
