#pragma once

#include <QString>
#include <exception>

// The program's own failures. The message is shown to the user as it stands.
class EZamErro : public std::exception
{
public:
    explicit EZamErro(QString mensagem);

    const QString &mensagem() const { return FMensagem; }
    const char *what() const noexcept override { return FUtf8.constData(); }

private:
    QString FMensagem;
    QByteArray FUtf8;
};

// Ends an operation without any report: workers drop it silently.
class EZamAbortar : public std::exception
{
public:
    const char *what() const noexcept override { return "Operation aborted"; }
};

// The text a caught error shows the user; empty for the silent abort.
QString mensagemDaExcecao(const std::exception_ptr &erro);
bool ehAbortar(const std::exception_ptr &erro);
