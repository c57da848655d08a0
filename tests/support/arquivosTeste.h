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
