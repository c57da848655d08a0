// Text reading: decodificarTexto and the split into lines, on any bytes.
//   - the byte-order mark alone picks the encoding;
//   - no line holds a line break, and the lines with LF between them are the text with each
//     CR LF, CR and LF made one LF (a final line end starts no line);
//   - reading the bytes from a file gives the same lines;
//   - lines written with gravarLinhasTexto read back as they were (when they are valid
//     UTF-16, which a broken UTF-16 file need not give).
#include "alvoFuzz.h"

#include "platform/arquivoTexto.h"

namespace {

TCodificacaoTexto codificacaoEsperada(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return TCodificacaoTexto::Utf8Bom;
    if (bytes.startsWith("\xFF\xFE"))
        return TCodificacaoTexto::Utf16LE;
    if (bytes.startsWith("\xFE\xFF"))
        return TCodificacaoTexto::Utf16BE;
    return TCodificacaoTexto::Ansi;
}

QString comFinsLF(const QString &texto)
{
    QString resultado = texto;
    resultado.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    resultado.replace(u'\r', u'\n');
    return resultado;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *dados, size_t tamanho)
{
    const QByteArray bytes(reinterpret_cast<const char *>(dados), qsizetype(tamanho));

    TCodificacaoTexto codificacao = TCodificacaoTexto::Ansi;
    const QString texto = decodificarTexto(bytes, &codificacao);
    exigir(codificacao == codificacaoEsperada(bytes), "the byte-order mark picks the encoding");

    const QStringList linhas = dividirLinhas(texto);
    for (const QString &linha : linhas)
        exigir(!linha.contains(u'\r') && !linha.contains(u'\n'), "no line holds a line break");
    QString juntas = linhas.join(u'\n');
    if (texto.endsWith(u'\r') || texto.endsWith(u'\n'))
        juntas += u'\n';
    exigir(juntas == comFinsLF(texto), "the lines are the text between its line ends");

    const QString arquivo = pastaTemporaria() + QStringLiteral("/texto.txt");
    gravarArquivo(arquivo, bytes);
    exigir(lerLinhasTexto(arquivo) == linhas, "a file reads as its bytes");

    // A lone surrogate of a broken UTF-16 file is no character: no encoding writes it back.
    if (!texto.isValidUtf16())
        return 0;
    gravarLinhasTexto(arquivo, linhas);
    const QStringList relidas = lerLinhasTexto(arquivo);
    exigir(relidas == linhas, "written lines read back as they were",
           QStringLiteral("%1 lines written, %2 read").arg(linhas.size()).arg(relidas.size()));
    return 0;
}
