// The data-folder list (ZamDados.Hosts.txt) on any bytes:
//   - a list that reads (a bad one fails with EZamErro, nothing else) saves, in the full
//     form, every entry with a share, one line per share without regard to letter case;
//   - the saved list reads back as entries that the first list had (share and path), and
//     saves to the same bytes.
#include "alvoFuzz.h"

#include "catalog/uTZamDadosList.h"
#include "platform/arquivoTexto.h"
#include "platform/erros.h"

#include <memory>

namespace {

std::unique_ptr<TZamDadosHostList> ler(const QString &arquivo)
{
    try {
        return TZamDadosHostList::semRegravar(arquivo);
    } catch (const EZamErro &) {
        return nullptr;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *dados, size_t tamanho)
{
    const QByteArray bytes(reinterpret_cast<const char *>(dados), qsizetype(tamanho));
    const QString arquivo = pastaTemporaria() + QStringLiteral("/ZamDados.Hosts.txt");
    gravarArquivo(arquivo, bytes);

    const std::unique_ptr<TZamDadosHostList> lista = ler(arquivo);
    if (!lista)
        return 0;
    for (const TZamDadosHostPtr &host : lista->items()) {
        exigir(!host->compartilhamento().trimmed().isEmpty(), "every entry has a share");
        exigir(!host->path().isEmpty(), "every entry has a path");
    }

    // A lone surrogate of a broken UTF-16 file is no character: no encoding writes it back.
    if (!decodificarTexto(bytes).isValidUtf16())
        return 0;
    lista->save();
    const QByteArray salvo = lerArquivo(arquivo);
    const QStringList linhas = lerLinhasTexto(arquivo);
    for (const QString &linha : linhas)
        exigir(linha.contains(u'='), "the saved list is in the full form", linha);

    const std::unique_ptr<TZamDadosHostList> relida = ler(arquivo);
    exigir(relida != nullptr, "a saved list reads");
    exigir(relida->items().size() == linhas.size(), "one entry per saved line");
    QStringList vistos;
    for (const TZamDadosHostPtr &host : relida->items()) {
        const TZamDadosHostPtr original = lista->items().value(host->compartilhamento());
        exigir(original != nullptr, "a saved share was in the list", host->compartilhamento());
        exigir(original->path() == host->path(), "a saved path was the share's",
               host->path() + u'\n' + original->path());
        for (const QString &visto : vistos)
            exigir(visto.compare(host->compartilhamento(), Qt::CaseInsensitive) != 0,
                   "one line per share", host->compartilhamento());
        vistos.append(host->compartilhamento());
    }

    relida->save();
    exigir(lerArquivo(arquivo) == salvo, "a list saves to the same bytes twice");
    return 0;
}
