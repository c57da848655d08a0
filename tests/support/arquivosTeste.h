#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <utility>

class QWidget;

// Small file helpers for tests: whole files as bytes, and a folder that nobody may write,
// not even root.
QByteArray lerArquivo(const QString &caminho);
void escreverArquivo(const QString &caminho, const QByteArray &bytes);

// The system's text for an errno code, as the program's errors carry it.
QString textoDoErro(int codigo);
// The same tamanho bytes for every run of a test.
QByteArray bytesAleatorios(qsizetype tamanho);
// What a folder holds, hidden files included, sorted: a copy under a temporary name would show.
QStringList conteudoDaPasta(const QString &pasta);
// A file of tamanho bytes that is a hole except for the given pieces (position, bytes).
void criarArquivoEsparso(const QString &caminho, qint64 tamanho,
                         const QList<std::pair<qint64, QByteArray>> &pedacos);
QByteArray lerPedaco(const QString &caminho, qint64 posicao, qint64 tamanho);

// A database file of several gigabytes, made at caminho: more bytes than 32 bits count, a few
// bytes at its start, past 4 GiB and at its end, holes between.
class TArquivoGrandeEsparso
{
public:
    explicit TArquivoGrandeEsparso(const QString &caminho);
    // The copy has the same size and bytes, and is still mostly holes (checked with QTest).
    void conferirCopia(const QString &destino) const;

private:
    const qint64 FTamanho = 5LL * 1024 * 1024 * 1024 + 17;
    const qint64 FPosMeio = 4LL * 1024 * 1024 * 1024 + 5;
    const QByteArray FInicio{"inicio"};
    const QByteArray FMeio;
    const QByteArray FFim{"fim"};
};

// The source of a copy: the bytes, permissions rw-r----- and a modification time of its own,
// all of which a copy must keep. Returns that time.
QDateTime criarOrigemDeCopia(const QString &caminho, const QByteArray &bytes);

class TPastaSomenteLeitura
{
public:
    // Fails the test when the folder cannot be made read-only.
    explicit TPastaSomenteLeitura(const QString &pasta);
    ~TPastaSomenteLeitura();
    TPastaSomenteLeitura(const TPastaSomenteLeitura &) = delete;
    TPastaSomenteLeitura &operator=(const TPastaSomenteLeitura &) = delete;

    bool ativa() const { return FAtiva; }
    // The system's text for the failure a write into the folder gets.
    QString motivo() const;

private:
    QString FPasta;
    bool FAtiva = false;
    bool FImutavel = false;
};

// A small file system of its own (tmpfs, a few KiB), mounted on a temporary folder, where a
// test first puts its files and then fills what is left. Mounting needs root: the test fails,
// never skips, when the mount cannot be made.
class TDiscoCheio
{
public:
    explicit TDiscoCheio(const QString &pasta, int kib = 16);
    ~TDiscoCheio();
    TDiscoCheio(const TDiscoCheio &) = delete;
    TDiscoCheio &operator=(const TDiscoCheio &) = delete;

    bool montado() const { return FMontado; }
    // Takes every byte still free with a filler file; fails the test when it cannot.
    bool encher();

private:
    QString FPasta;
    bool FMontado = false;
};

// The Cancel button of a copy's progress dialog (a child of pai), clicked as a person would,
// once the copy has got at least as far as the given value.
class TCancelador : public QObject
{
public:
    TCancelador(QWidget *pai, int aPartirDe);

    int valorNoClique = -1;
    bool viuDialogo = false;

private:
    void verificar();

    QWidget *FPai;
    int FAPartirDe;
    QTimer FTimer;
};
