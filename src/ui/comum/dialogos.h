#pragma once

#include <QString>
#include <optional>
#include <utility>

class QWidget;

// Every message box, question and input dialog of the program goes through IDialogos, so
// that tests can answer them without modal loops. Used on the user-interface thread only.

enum class TIconeDialogo { Nenhum, Informacao, Pergunta, Aviso, Erro };

class IDialogos
{
public:
    virtual ~IDialogos() = default;

    // A message with one OK button.
    virtual void mensagem(QWidget *pai, const QString &titulo, const QString &texto,
                          TIconeDialogo icone) = 0;
    // Yes and No with the question icon; true only for Yes.
    virtual bool perguntar(QWidget *pai, const QString &titulo, const QString &texto) = 0;
    // A line of text with OK and Cancel; nothing on Cancel.
    virtual std::optional<QString> pedirTexto(QWidget *pai, const QString &titulo,
                                              const QString &prompt, const QString &inicial) = 0;
    // The file to write, asked with the system's save dialog (which asks before replacing
    // an existing file); nothing on Cancel. filtro: "Texto CSV (*.csv)".
    virtual std::optional<QString> escolherArquivoParaGravar(QWidget *pai, const QString &titulo,
                                                             const QString &sugerido,
                                                             const QString &filtro) = 0;
};

// The dialogs in force: the real ones unless a test has put others in their place.
IDialogos &dialogos();
// Puts d in force; nullptr brings the real dialogs back. The caller keeps ownership.
void definirDialogos(IDialogos *d);

// The error box: the text with a full stop added when its last character's code is above
// that of ".", the application's name as caption, the error icon and OK.
void mostrarErro(QWidget *pai, const QString &mensagem);

// Reports the exception being handled as executarProtegido does. Call it only from inside a
// catch block.
void relatarExcecaoAtual(QWidget *pai) noexcept;

// Runs corpo and reports what it throws: EZamErro and any other std::exception in the error
// box, EZamAbortar not at all. Nothing gets out, so it can wrap every slot and event handler.
template <typename F> void executarProtegido(QWidget *pai, F &&corpo) noexcept
{
    try {
        std::forward<F>(corpo)();
    } catch (...) {
        relatarExcecaoAtual(pai);
    }
}
