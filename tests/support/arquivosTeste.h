#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class QWidget;

// Small file helpers for tests: whole files as bytes, and a folder that nobody may write,
// not even root.
QByteArray lerArquivo(const QString &caminho);
void escreverArquivo(const QString &caminho, const QByteArray &bytes);

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
