// INI editing (gravarIni) on any file: after one key is written,
//   - the byte-order mark and every line of the file other than the key's own are kept
//     byte for byte, each with its line end, in their order (and a stray last byte of a
//     UTF-16 file stays the last byte);
//   - the key's line was rewritten where it stood, or the key (after its section header when
//     the section was missing) was inserted as whole lines in the file's encoding;
//   - the value reads back with lerIniOpcional when names and value are plain;
//   - a section, key or value with a line break is refused and the file left as it was.
// Input: one byte of choices, then the section, the key and the value (each ended by a NUL
// byte), then the file's bytes.
#include "alvoFuzz.h"

#include "platform/arquivoTexto.h"
#include "platform/erros.h"
#include "platform/ini.h"

#include <QStringDecoder>
#include <vector>

namespace {

struct TLinha
{
    QByteArray conteudo;
    QByteArray fim;
    bool operator==(const TLinha &) const = default;
};

struct TArquivo
{
    TCodificacaoTexto codificacao = TCodificacaoTexto::Ansi;
    QByteArray bom;
    std::vector<TLinha> linhas;
    // A stray last byte of a UTF-16 file, which no line holds.
    QByteArray resto;
};

// The file cut at CR, LF and CR LF, taken as code units of the encoding its mark names.
TArquivo dividir(const QByteArray &bytes)
{
    TArquivo arquivo;
    qsizetype passo = 1;
    bool bigEndian = false;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        arquivo.codificacao = TCodificacaoTexto::Utf8Bom;
        arquivo.bom = bytes.left(3);
    } else if (bytes.startsWith("\xFF\xFE")) {
        arquivo.codificacao = TCodificacaoTexto::Utf16LE;
        arquivo.bom = bytes.left(2);
        passo = 2;
    } else if (bytes.startsWith("\xFE\xFF")) {
        arquivo.codificacao = TCodificacaoTexto::Utf16BE;
        arquivo.bom = bytes.left(2);
        passo = 2;
        bigEndian = true;
    }
    const auto unidade = [&](qsizetype i) -> uint {
        if (passo == 1)
            return uchar(bytes[i]);
        return bigEndian ? uint(uchar(bytes[i])) << 8 | uchar(bytes[i + 1])
                         : uint(uchar(bytes[i + 1])) << 8 | uchar(bytes[i]);
    };
    qsizetype inicio = arquivo.bom.size();
    qsizetype i = inicio;
    while (i + passo <= bytes.size()) {
        const uint u = unidade(i);
        if (u != '\r' && u != '\n') {
            i += passo;
            continue;
        }
        qsizetype fim = i + passo;
        if (u == '\r' && fim + passo <= bytes.size() && unidade(fim) == '\n')
            fim += passo;
        arquivo.linhas.push_back({bytes.mid(inicio, i - inicio), bytes.mid(i, fim - i)});
        inicio = i = fim;
    }
    if (inicio < i)
        arquivo.linhas.push_back({bytes.mid(inicio, i - inicio), {}});
    arquivo.resto = bytes.mid(i);
    return arquivo;
}

QString decodificar(const TArquivo &arquivo, const QByteArray &conteudo)
{
    switch (arquivo.codificacao) {
    case TCodificacaoTexto::Utf8Bom:
        return QString::fromUtf8(conteudo);
    case TCodificacaoTexto::Utf16LE:
        return QStringDecoder(QStringDecoder::Utf16LE).decode(conteudo);
    case TCodificacaoTexto::Utf16BE:
        return QStringDecoder(QStringDecoder::Utf16BE).decode(conteudo);
    case TCodificacaoTexto::Ansi:
        break;
    }
    return QStringDecoder("windows-1252").decode(conteudo);
}

QString texto(const QByteArray &bytes, bool utf8)
{
    return utf8 ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
}

// A name that the file's syntax reads back as itself.
bool nomeSimples(const QString &nome)
{
    if (nome.isEmpty())
        return false;
    for (const QChar c : nome) {
        if (!c.isLetterOrNumber() && c != u'_' && c != u'.')
            return false;
    }
    return true;
}

QString descrever(const TArquivo &arquivo)
{
    QStringList partes;
    for (const TLinha &linha : arquivo.linhas)
        partes.append(QString::fromLatin1((linha.conteudo + linha.fim).toHex(' ')));
    return partes.join(QStringLiteral(" | "));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *dados, size_t tamanho)
{
    TLeitorFuzz leitor(dados, tamanho);
    const uint8_t escolhas = leitor.byte();
    const bool utf8 = escolhas & 1;
    const bool semArquivo = escolhas & 2;
    const QString secao = texto(leitor.pedaco(), utf8);
    const QString chave = texto(leitor.pedaco(), utf8);
    const QString valor = texto(leitor.pedaco(), utf8);
    const QByteArray antes = semArquivo ? QByteArray() : leitor.resto();

    const QString arquivoIni = pastaTemporaria() + QStringLiteral("/zamcon.ini");
    QFile::remove(arquivoIni);
    if (!semArquivo)
        gravarArquivo(arquivoIni, antes);

    // Names are taken without the blanks around them; the value is written as it is.
    const auto temQuebra = [](const QString &texto) {
        return texto.contains(u'\r') || texto.contains(u'\n');
    };
    const bool quebra =
        temQuebra(secao.trimmed()) || temQuebra(chave.trimmed()) || temQuebra(valor);
    try {
        gravarIni(arquivoIni, secao, chave, valor);
    } catch (const EZamErro &) {
        exigir(quebra, "only a line break refuses the write");
        exigir(QFile::exists(arquivoIni) != semArquivo &&
                   (semArquivo || lerArquivo(arquivoIni) == antes),
               "a refused write leaves the file as it was");
        return 0;
    }
    exigir(!quebra, "a line break is refused");

    const QByteArray depois = lerArquivo(arquivoIni);
    const TArquivo entrada = dividir(antes);
    const TArquivo saida = dividir(depois);
    const QString detalhe = descrever(entrada) + QStringLiteral("\n->\n") + descrever(saida);
    exigir(saida.codificacao == entrada.codificacao && saida.bom == entrada.bom,
           "the file keeps its encoding", detalhe);
    exigir(saida.resto == entrada.resto, "a stray last byte stays last", detalhe);

    const QString nomeSecao = secao.trimmed();
    const QString nomeChave = chave.trimmed();
    const auto &de = entrada.linhas;
    const auto &para = saida.linhas;
    // The lines that match from the front and from the back.
    size_t frente = 0;
    while (frente < de.size() && frente < para.size() && de[frente] == para[frente])
        ++frente;
    size_t tras = 0;
    while (tras < de.size() - frente && tras < para.size() - frente &&
           de[de.size() - 1 - tras] == para[para.size() - 1 - tras])
        ++tras;
    const size_t trocadas = de.size() - frente - tras;
    const size_t novas = para.size() - frente - tras;

    // Whether the file's encoding holds the names and value as they are.
    const bool exato =
        entrada.codificacao != TCodificacaoTexto::Ansi || cabeEmAnsi(nomeSecao + nomeChave + valor);
    const QByteArray crlf =
        codificarTexto(QStringLiteral("\r\n"), entrada.codificacao).sliced(entrada.bom.size());
    if (trocadas == 0 && novas == 0) {
        // The key's line already held the value as the file's encoding writes it.
    } else if (trocadas == 1 && novas == 1) {
        // The key's line, rewritten where it stood with the name as the file had it.
        const TLinha &velha = de[frente];
        const TLinha &nova = para[frente];
        exigir(nova.fim == velha.fim, "a rewritten key line keeps its line end", detalhe);
        const QString linha = decodificar(saida, nova.conteudo);
        const QString nomeVelho =
            decodificar(entrada, velha.conteudo).section(u'=', 0, 0).trimmed();
        exigir(nomeVelho.compare(nomeChave, Qt::CaseInsensitive) == 0,
               "the rewritten line was the key's", detalhe);
        if (exato)
            exigir(linha == nomeVelho + u'=' + valor, "the key line holds the value", detalhe);
    } else {
        // Inserted whole lines; only the file's last line may have gained a line end.
        size_t inicio = frente;
        if (trocadas == 1 && frente == de.size() - 1 && de[frente].fim.isEmpty() && novas >= 2) {
            exigir(para[frente].conteudo == de[frente].conteudo && para[frente].fim == crlf,
                   "the last line only gains a line end", detalhe);
            ++inicio;
        } else {
            exigir(trocadas == 0, "no line but the key's changes", detalhe);
        }
        const size_t inseridas = para.size() - inicio - tras;
        exigir(inseridas == 1 || inseridas == 2, "one key line, after its section header", detalhe);
        for (size_t i = inicio; i < inicio + inseridas; ++i)
            exigir(para[i].fim == crlf, "a new line ends in CR LF", detalhe);
        if (exato) {
            if (inseridas == 2)
                exigir(decodificar(saida, para[inicio].conteudo) == u'[' + nomeSecao + u']',
                       "the new section header", detalhe);
            exigir(decodificar(saida, para[inicio + inseridas - 1].conteudo) ==
                       nomeChave + u'=' + valor,
                   "the new key line", detalhe);
        }
    }

    if (exato && nomeSimples(nomeSecao) && nomeSimples(nomeChave) && valor == valor.trimmed() &&
        !valor.startsWith(u'"') && !valor.startsWith(u'\'') && valor.size() <= 2047)
        exigir(lerIniOpcional(arquivoIni, secao, chave) == valor, "the value reads back", detalhe);
    return 0;
}
