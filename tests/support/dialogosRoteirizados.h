#pragma once

#include "ui/comum/dialogos.h"

#include <QString>
#include <deque>
#include <optional>
#include <vector>

class QWidget;

enum class TTipoDialogo { Mensagem, Pergunta, Texto, Arquivo };

// One dialog the code under test asked for, as it asked for it.
struct TChamadaDialogo
{
    TTipoDialogo tipo = TTipoDialogo::Mensagem;
    QWidget *pai = nullptr;
    QString titulo;
    // The message or the question; empty for an input dialog.
    QString texto;
    TIconeDialogo icone = TIconeDialogo::Nenhum;
    // Prompt and initial text of an input dialog; filter and suggested name of a file
    // dialog.
    QString prompt;
    QString inicial;
};

// Dialogs that a test answers in advance. Every call is recorded; a question or an input
// dialog takes the next answer queued for its kind, and one that finds none fails the
// current test and is answered No or Cancel.
class TDialogosRoteirizados : public IDialogos
{
public:
    std::vector<TChamadaDialogo> chamadas;

    void responderPergunta(bool resposta) { FPerguntas.push_back(resposta); }
    void responderTexto(std::optional<QString> resposta) { FTextos.push_back(std::move(resposta)); }
    void responderArquivo(std::optional<QString> resposta)
    {
        FArquivos.push_back(std::move(resposta));
    }
    // Answers queued and not asked for: a dialog the test expected did not come.
    int respostasPendentes() const
    {
        return int(FPerguntas.size() + FTextos.size() + FArquivos.size());
    }

    void mensagem(QWidget *pai, const QString &titulo, const QString &texto,
                  TIconeDialogo icone) override;
    bool perguntar(QWidget *pai, const QString &titulo, const QString &texto) override;
    std::optional<QString> pedirTexto(QWidget *pai, const QString &titulo, const QString &prompt,
                                      const QString &inicial) override;
    std::optional<QString> escolherArquivoParaGravar(QWidget *pai, const QString &titulo,
                                                     const QString &sugerido,
                                                     const QString &filtro) override;

private:
    std::deque<bool> FPerguntas;
    std::deque<std::optional<QString>> FTextos;
    std::deque<std::optional<QString>> FArquivos;
};

// Puts dialogs in force for its lifetime and then brings back the ones it replaced.
class TInstaladorDialogos
{
public:
    explicit TInstaladorDialogos(IDialogos &d);
    ~TInstaladorDialogos();
    TInstaladorDialogos(const TInstaladorDialogos &) = delete;
    TInstaladorDialogos &operator=(const TInstaladorDialogos &) = delete;

private:
    IDialogos *FAnteriores;
};
