#include "platform/arquivoTexto.h"

#include "platform/caminhos.h"
#include "platform/erros.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cerrno>
#include <cstring>

namespace {

constexpr char ansiName[] = "windows-1252";

const QByteArray bomUtf8("\xEF\xBB\xBF", 3);
const QByteArray bomUtf16LE("\xFF\xFE", 2);
const QByteArray bomUtf16BE("\xFE\xFF", 2);

QString decodificarAnsi(QByteArrayView bytes)
{
    QStringDecoder decoder(ansiName);
    Q_ASSERT(decoder.isValid());
    return decoder.decode(bytes);
}

QByteArray codificarAnsi(const QString &texto)
{
    QStringEncoder encoder(ansiName);
    Q_ASSERT(encoder.isValid());
    return encoder.encode(texto);
}

// The failure of a write. A full disk gets a text of its own: the system's text for it is
// not always at hand (Qt may give "Unknown error"), and the user must know what to free.
QString mensagemAoCriar(const QString &fileName, const QString &motivo, int erro)
{
    if (erro == ENOSPC)
        return QStringLiteral("Disco cheio: não há espaço para gravar o arquivo \"%1\", que "
                              "ficou como estava")
            .arg(fileName);
    QString texto = motivo;
    if ((texto.isEmpty() || texto == u"Unknown error") && erro != 0)
        texto = QString::fromLocal8Bit(std::strerror(erro));
    return QString("Cannot create file \"%1\". %2").arg(fileName, texto);
}

bool comecaComBom(const QByteArray &bytes)
{
    return bytes.startsWith(bomUtf8) || bytes.startsWith(bomUtf16LE) ||
           bytes.startsWith(bomUtf16BE);
}

} // namespace

QString decodificarTexto(const QByteArray &bytes, TCodificacaoTexto *codificacao)
{
    TCodificacaoTexto achada = TCodificacaoTexto::Ansi;
    QString texto;
    // Only the file's own mark is dropped: Qt's decoders would drop a second one too, and
    // text that begins with U+FEFF would not read back as it was written.
    const auto decodificarUnicode = [&](QStringDecoder::Encoding encoding, qsizetype marca) {
        QStringDecoder decoder(encoding, QStringDecoder::Flag::ConvertInitialBom);
        return QString(decoder.decode(QByteArrayView(bytes).sliced(marca)));
    };
    if (bytes.startsWith(bomUtf8)) {
        achada = TCodificacaoTexto::Utf8Bom;
        texto = decodificarUnicode(QStringDecoder::Utf8, 3);
    } else if (bytes.startsWith(bomUtf16LE)) {
        achada = TCodificacaoTexto::Utf16LE;
        texto = decodificarUnicode(QStringDecoder::Utf16LE, 2);
    } else if (bytes.startsWith(bomUtf16BE)) {
        achada = TCodificacaoTexto::Utf16BE;
        texto = decodificarUnicode(QStringDecoder::Utf16BE, 2);
    } else {
        texto = decodificarAnsi(bytes);
    }
    if (codificacao)
        *codificacao = achada;
    return texto;
}

QByteArray codificarTexto(const QString &texto, TCodificacaoTexto codificacao)
{
    switch (codificacao) {
    case TCodificacaoTexto::Utf8Bom:
        return bomUtf8 + texto.toUtf8();
    case TCodificacaoTexto::Utf16LE: {
        QStringEncoder encoder(QStringEncoder::Utf16LE);
        return bomUtf16LE + QByteArray(encoder.encode(texto));
    }
    case TCodificacaoTexto::Utf16BE: {
        QStringEncoder encoder(QStringEncoder::Utf16BE);
        return bomUtf16BE + QByteArray(encoder.encode(texto));
    }
    case TCodificacaoTexto::Ansi:
        break;
    }
    return codificarAnsi(texto);
}

bool cabeEmAnsi(const QString &texto)
{
    return decodificarAnsi(codificarAnsi(texto)) == texto;
}

QStringList dividirLinhas(const QString &texto)
{
    QStringList linhas;
    qsizetype inicio = 0;
    const qsizetype tamanho = texto.size();
    for (qsizetype i = 0; i < tamanho; ++i) {
        const QChar c = texto.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        linhas.append(texto.mid(inicio, i - inicio));
        if (c == u'\r' && i + 1 < tamanho && texto.at(i + 1) == u'\n')
            ++i;
        inicio = i + 1;
    }
    if (inicio < tamanho)
        linhas.append(texto.mid(inicio));
    return linhas;
}

QByteArray lerBytes(const QString &fileName)
{
    QFile file(caminhoLocal(fileName));
    if (!file.open(QIODevice::ReadOnly))
        throw EZamErro(QString("Cannot open file \"%1\". %2").arg(fileName, file.errorString()));
    return file.readAll();
}

QStringList lerLinhasTexto(const QString &fileName)
{
    return dividirLinhas(decodificarTexto(lerBytes(fileName)));
}

void gravarBytes(const QString &fileName, const QByteArray &bytes)
{
    QSaveFile file(caminhoLocal(fileName));
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        throw EZamErro(mensagemAoCriar(fileName, file.errorString(), errno));
    // QSaveFile::commit() may report success after a buffered write failed (a full disk),
    // putting an empty or cut file in place of the old one: each step is checked here, and
    // after a failure the new file is dropped without ever being committed.
    errno = 0;
    if (file.write(bytes) != bytes.size() || !file.flush() ||
        file.error() != QFileDevice::NoError) {
        const int erro = errno;
        const QString motivo = file.errorString();
        file.cancelWriting();
        throw EZamErro(mensagemAoCriar(fileName, motivo, erro));
    }
    errno = 0;
    if (!file.commit())
        throw EZamErro(mensagemAoCriar(fileName, file.errorString(), errno));
}

void gravarLinhasTexto(const QString &fileName, const QStringList &linhas)
{
    QString texto;
    for (const QString &linha : linhas)
        texto += linha + QStringLiteral("\r\n");
    if (cabeEmAnsi(texto)) {
        const QByteArray ansi = codificarAnsi(texto);
        // Windows-1252 text whose first bytes are those of a byte-order mark ("ÿþ", "þÿ",
        // "ï»¿") would be read back in that other encoding: UTF-8 with its mark reads exactly.
        if (!comecaComBom(ansi)) {
            gravarBytes(fileName, ansi);
            return;
        }
    }
    gravarBytes(fileName, codificarTexto(texto, TCodificacaoTexto::Utf8Bom));
}
