// The catalogue file (ZamDados.csv) on any bytes:
//   - dividirCampos splits any line, and fields quoted with citarCampo and joined with
//     commas split back into the same fields;
//   - a catalogue that loads (a bad one fails with EZamErro, nothing else) saves, and the
//     saved file loads with the same names and values, and saves to the same bytes.
#include "alvoFuzz.h"

#include "catalog/uTZamDadosList.h"
#include "platform/arquivoTexto.h"
#include "platform/erros.h"

#include <limits>
#include <memory>

namespace {

std::unique_ptr<TZamDadosList> carregar(const TZamDadosHostPtr &host)
{
    try {
        return std::make_unique<TZamDadosList>(host);
    } catch (const EZamErro &) {
        return nullptr;
    }
}

QString registro(const TZamDadosItem &item)
{
    return QStringList{item.Getnome(), formatarDataHoraCatalogo(item.Getdatahora()),
                       formatarTamanhoCatalogo(item.Gettamanho()), QString::number(item.Getporta())}
        .join(u'|');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *dados, size_t tamanho)
{
    const QByteArray bytes(reinterpret_cast<const char *>(dados), qsizetype(tamanho));

    for (const QString &linha : dividirLinhas(decodificarTexto(bytes))) {
        const QStringList campos = TZamDadosList::dividirCampos(linha);
        // A record has four fields; a lone empty field is an empty line.
        if (campos.size() < 2)
            continue;
        QStringList citados;
        for (const QString &campo : campos)
            citados.append(TZamDadosList::citarCampo(campo));
        exigir(TZamDadosList::dividirCampos(citados.join(u',')) == campos,
               "quoted fields split back into themselves", linha);
    }

    auto host = std::make_shared<TZamDadosHost>();
    host->Setcompartilhamento(pastaTemporaria());
    const QString arquivo = pastaTemporaria() + u'/' + TZamDadosList::nomeArquivo;
    gravarArquivo(arquivo, bytes);

    const std::unique_ptr<TZamDadosList> lista = carregar(host);
    if (!lista)
        return 0;
    // A lone surrogate of a broken UTF-16 file is no character: no encoding writes it back.
    if (!decodificarTexto(bytes).isValidUtf16())
        return 0;
    lista->save();
    const QByteArray salvo = lerArquivo(arquivo);
    const std::unique_ptr<TZamDadosList> relida = carregar(host);
    exigir(relida != nullptr, "a saved catalogue loads");
    exigir(relida->items().keys() == lista->items().keys(), "a saved catalogue keeps its names");
    for (const TZamDadosItemPtr &item : lista->items()) {
        // A negative port is read as its unsigned 32-bit value, which the file's port field
        // (a signed 32-bit number) cannot give back.
        if (item->Getporta() > quint32(std::numeric_limits<qint32>::max()))
            return 0;
        const QString antes = registro(*item);
        const QString depois = registro(*relida->items().value(item->Getnome()));
        exigir(antes == depois, "a saved record reads back as it was", antes + u'\n' + depois);
    }
    relida->save();
    exigir(lerArquivo(arquivo) == salvo, "a catalogue saves to the same bytes twice");
    return 0;
}
