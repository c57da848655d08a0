#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Helpers shared by the fuzz targets.

// A property of the code under test does not hold: the input is reported by libFuzzer as a
// crash and kept as crash-<hash>.
[[noreturn]] inline void violacao(const char *propriedade, const QString &detalhe = {})
{
    std::fprintf(stderr, "property violated: %s\n%s\n", propriedade, detalhe.toUtf8().constData());
    std::abort();
}

inline void exigir(bool condicao, const char *propriedade, const QString &detalhe = {})
{
    if (!condicao)
        violacao(propriedade, detalhe);
}

// One temporary folder for the whole run: each target writes its few files there anew for
// every input.
inline const QString &pastaTemporaria()
{
    static QTemporaryDir pasta;
    if (!pasta.isValid())
        violacao("a temporary folder can be made");
    static const QString caminho = pasta.path();
    return caminho;
}

inline void gravarArquivo(const QString &caminho, const QByteArray &bytes)
{
    QFile arquivo(caminho);
    if (!arquivo.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        arquivo.write(bytes) != bytes.size())
        violacao("the input file can be written", caminho);
}

inline QByteArray lerArquivo(const QString &caminho)
{
    QFile arquivo(caminho);
    if (!arquivo.open(QIODevice::ReadOnly))
        violacao("the output file can be read", caminho);
    return arquivo.readAll();
}

// Reads the fuzzer's bytes front to back: small choices first, the rest as a blob.
class TLeitorFuzz
{
public:
    TLeitorFuzz(const uint8_t *dados, size_t tamanho)
        : FDados(dados)
        , FTamanho(tamanho)
    {
    }

    uint8_t byte() { return FPos < FTamanho ? FDados[FPos++] : 0; }
    // A piece up to the next NUL byte (which is dropped), or to the end.
    QByteArray pedaco()
    {
        const size_t inicio = FPos;
        while (FPos < FTamanho && FDados[FPos] != 0)
            ++FPos;
        QByteArray resultado(reinterpret_cast<const char *>(FDados + inicio),
                             qsizetype(FPos - inicio));
        if (FPos < FTamanho)
            ++FPos;
        return resultado;
    }
    QByteArray resto()
    {
        QByteArray resultado(reinterpret_cast<const char *>(FDados + FPos),
                             qsizetype(FTamanho - FPos));
        FPos = FTamanho;
        return resultado;
    }

private:
    const uint8_t *FDados;
    size_t FTamanho;
    size_t FPos = 0;
};
