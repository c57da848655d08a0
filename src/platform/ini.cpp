#include "platform/ini.h"

#include "platform/arquivoTexto.h"
#include "platform/caminhos.h"
#include "platform/erros.h"

#include <QFileInfo>
#include <QStringDecoder>
#include <vector>

namespace {

// The profile functions hand a value over in a buffer of 2048 characters, the last one
// being the terminating null.
constexpr qsizetype tamanhoMaximoValor = 2047;

// One line of the file. The bytes are kept as they were read so that a line nobody changes
// is written back exactly, whatever it holds; the text is only for finding names.
struct TLinhaIni
{
    QByteArray conteudo;
    QByteArray fim;
    QString texto;
};

struct TArquivoIni
{
    TCodificacaoTexto codificacao = TCodificacaoTexto::Ansi;
    QByteArray bom;
    std::vector<TLinhaIni> linhas;
    // The stray last byte of a UTF-16 file of odd length: no line holds it, and it stays the
    // last byte of the file, so that lines added after the last one keep to whole units.
    QByteArray resto;

    QByteArray codificar(const QString &texto) const
    {
        return codificarTexto(texto, codificacao).sliced(bom.size());
    }
    QByteArray bytes() const
    {
        QByteArray resultado = bom;
        for (const TLinhaIni &linha : linhas)
            resultado += linha.conteudo + linha.fim;
        return resultado + resto;
    }
};

QString decodificarLinha(const QByteArray &bytes, TCodificacaoTexto codificacao)
{
    switch (codificacao) {
    case TCodificacaoTexto::Utf8Bom:
        return QString::fromUtf8(bytes);
    case TCodificacaoTexto::Utf16LE: {
        QStringDecoder decoder(QStringDecoder::Utf16LE);
        return decoder.decode(bytes);
    }
    case TCodificacaoTexto::Utf16BE: {
        QStringDecoder decoder(QStringDecoder::Utf16BE);
        return decoder.decode(bytes);
    }
    case TCodificacaoTexto::Ansi:
        break;
    }
    QStringDecoder decoder("windows-1252");
    return decoder.decode(bytes);
}

// Splits the file at CR, LF or CR LF, looked for in code units of the file's encoding (CR
// and LF never occur inside a longer UTF-8 sequence, and UTF-16 is read two bytes at a time).
TArquivoIni lerArquivo(const QByteArray &bytes)
{
    TArquivoIni arquivo;
    decodificarTexto(bytes, &arquivo.codificacao);
    arquivo.bom = bytes.left(codificarTexto(QString(), arquivo.codificacao).size());

    const bool utf16 = arquivo.codificacao == TCodificacaoTexto::Utf16LE ||
                       arquivo.codificacao == TCodificacaoTexto::Utf16BE;
    const bool bigEndian = arquivo.codificacao == TCodificacaoTexto::Utf16BE;
    const qsizetype passo = utf16 ? 2 : 1;
    const qsizetype tamanho = bytes.size();
    const auto unidade = [&](qsizetype i) -> char16_t {
        const auto a = uchar(bytes.at(i));
        if (!utf16)
            return a;
        const auto b = uchar(bytes.at(i + 1));
        return bigEndian ? char16_t(a << 8 | b) : char16_t(b << 8 | a);
    };

    qsizetype inicio = arquivo.bom.size();
    qsizetype i = inicio;
    while (i + passo <= tamanho) {
        const char16_t u = unidade(i);
        if (u != u'\r' && u != u'\n') {
            i += passo;
            continue;
        }
        qsizetype fim = i + passo;
        if (u == u'\r' && fim + passo <= tamanho && unidade(fim) == u'\n')
            fim += passo;
        arquivo.linhas.push_back({bytes.sliced(inicio, i - inicio), bytes.sliced(i, fim - i), {}});
        inicio = i = fim;
    }
    // Whole units only: in UTF-16 a stray last byte is kept apart.
    if (inicio < i)
        arquivo.linhas.push_back({bytes.sliced(inicio, i - inicio), {}, {}});
    arquivo.resto = bytes.sliced(i);
    for (TLinhaIni &linha : arquivo.linhas)
        linha.texto = decodificarLinha(linha.conteudo, arquivo.codificacao);
    return arquivo;
}

enum class TTipoLinha { Outra, Secao, Chave };

struct TLinhaAnalisada
{
    TTipoLinha tipo = TTipoLinha::Outra;
    QString nome;
    // A key line without "=" names a key that has no value.
    std::optional<QString> valor;
};

TLinhaAnalisada analisar(const QString &texto)
{
    const QString linha = texto.trimmed();
    if (linha.isEmpty() || linha.startsWith(u';'))
        return {};
    if (linha.startsWith(u'[')) {
        const qsizetype fecha = linha.lastIndexOf(u']');
        if (fecha < 0)
            return {};
        return {TTipoLinha::Secao, linha.sliced(1, fecha - 1).trimmed(), std::nullopt};
    }
    const qsizetype igual = linha.indexOf(u'=');
    if (igual < 0)
        return {TTipoLinha::Chave, linha, std::nullopt};
    const QString nome = linha.left(igual).trimmed();
    if (nome.isEmpty())
        return {};
    return {TTipoLinha::Chave, nome, linha.sliced(igual + 1).trimmed()};
}

bool mesmoNome(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

struct TPosicaoIni
{
    qsizetype secao = -1;
    qsizetype chave = -1;
    // Where a missing key of the section goes after: its last key line, or its header.
    qsizetype ultimaLinha = -1;
    TLinhaAnalisada achada;
};

// The first section of that name and the first key of that name in it, as the profile
// functions take them.
TPosicaoIni procurar(const TArquivoIni &arquivo, const QString &secao, const QString &chave)
{
    TPosicaoIni posicao;
    for (qsizetype i = 0; i < qsizetype(arquivo.linhas.size()); ++i) {
        TLinhaAnalisada linha = analisar(arquivo.linhas[i].texto);
        if (linha.tipo == TTipoLinha::Secao) {
            if (posicao.secao >= 0)
                break;
            if (mesmoNome(linha.nome, secao))
                posicao.secao = posicao.ultimaLinha = i;
            continue;
        }
        if (posicao.secao < 0 || linha.tipo != TTipoLinha::Chave)
            continue;
        posicao.ultimaLinha = i;
        if (mesmoNome(linha.nome, chave)) {
            posicao.chave = i;
            posicao.achada = std::move(linha);
            break;
        }
    }
    return posicao;
}

QString semAspas(const QString &valor)
{
    if (valor.size() >= 2 && (valor.front() == u'"' || valor.front() == u'\'') &&
        valor.back() == valor.front())
        return valor.sliced(1, valor.size() - 2);
    return valor;
}

} // namespace

std::optional<QString> lerIniOpcional(const QString &fileName, const QString &secao,
                                      const QString &chave)
{
    QByteArray bytes;
    try {
        bytes = lerBytes(fileName);
    } catch (const EZamErro &) {
        // A missing or unreadable file only means that every key has its default.
        return std::nullopt;
    }
    const TPosicaoIni posicao = procurar(lerArquivo(bytes), secao.trimmed(), chave.trimmed());
    if (posicao.chave < 0 || !posicao.achada.valor)
        return std::nullopt;
    return semAspas(*posicao.achada.valor).left(tamanhoMaximoValor);
}

QString lerIni(const QString &fileName, const QString &secao, const QString &chave,
               const QString &padrao)
{
    return lerIniOpcional(fileName, secao, chave).value_or(padrao);
}

void gravarIni(const QString &fileName, const QString &secao, const QString &chave,
               const QString &valor)
{
    const QString nomeSecao = secao.trimmed();
    const QString nomeChave = chave.trimmed();
    // A line break would end the line early and make the rest a line of its own.
    for (const QString &texto : {nomeSecao, nomeChave, valor}) {
        if (texto.contains(u'\r') || texto.contains(u'\n'))
            throw EZamErro(QStringLiteral("\"%1\" tem uma quebra de linha e não pode ser gravado "
                                          "em \"%2\"")
                               .arg(textoVisivel(texto), fileName));
    }

    // A file that exists but cannot be read is not replaced: its other lines would be lost.
    TArquivoIni arquivo;
    if (QFileInfo::exists(caminhoLocal(fileName)))
        arquivo = lerArquivo(lerBytes(fileName));

    const QByteArray crlf = arquivo.codificar(QStringLiteral("\r\n"));
    const auto linhaNova = [&](const QString &texto) {
        return TLinhaIni{arquivo.codificar(texto), crlf, texto};
    };
    // A line gets something after it only once it has an end.
    const auto terminar = [&](qsizetype i) {
        if (i >= 0 && arquivo.linhas[i].fim.isEmpty())
            arquivo.linhas[i].fim = crlf;
    };

    const TPosicaoIni posicao = procurar(arquivo, nomeSecao, nomeChave);
    if (posicao.chave >= 0) {
        TLinhaIni &linha = arquivo.linhas[posicao.chave];
        linha.texto = posicao.achada.nome + u'=' + valor;
        linha.conteudo = arquivo.codificar(linha.texto);
    } else if (posicao.secao >= 0) {
        terminar(posicao.ultimaLinha);
        arquivo.linhas.insert(arquivo.linhas.begin() + posicao.ultimaLinha + 1,
                              linhaNova(nomeChave + u'=' + valor));
    } else {
        terminar(qsizetype(arquivo.linhas.size()) - 1);
        arquivo.linhas.push_back(linhaNova(u'[' + nomeSecao + u']'));
        arquivo.linhas.push_back(linhaNova(nomeChave + u'=' + valor));
    }
    gravarBytes(fileName, arquivo.bytes());
}
