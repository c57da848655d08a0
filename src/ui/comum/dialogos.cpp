#include "ui/comum/dialogos.h"

#include "platform/erros.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace {

QMessageBox::Icon iconeQt(TIconeDialogo icone)
{
    switch (icone) {
    case TIconeDialogo::Informacao:
        return QMessageBox::Information;
    case TIconeDialogo::Pergunta:
        return QMessageBox::Question;
    case TIconeDialogo::Aviso:
        return QMessageBox::Warning;
    case TIconeDialogo::Erro:
        return QMessageBox::Critical;
    case TIconeDialogo::Nenhum:
        break;
    }
    return QMessageBox::NoIcon;
}

// Standard buttons only, so that Qt's own translation gives their captions.
class TDialogosQt : public IDialogos
{
public:
    void mensagem(QWidget *pai, const QString &titulo, const QString &texto,
                  TIconeDialogo icone) override
    {
        QMessageBox caixa(iconeQt(icone), titulo, texto, QMessageBox::Ok, pai);
        caixa.exec();
    }

    bool perguntar(QWidget *pai, const QString &titulo, const QString &texto) override
    {
        QMessageBox caixa(QMessageBox::Question, titulo, texto, QMessageBox::Yes | QMessageBox::No,
                          pai);
        caixa.setDefaultButton(QMessageBox::Yes);
        return caixa.exec() == QMessageBox::Yes;
    }

    std::optional<QString> pedirTexto(QWidget *pai, const QString &titulo, const QString &prompt,
                                      const QString &inicial) override
    {
        QInputDialog dialogo(pai);
        dialogo.setInputMode(QInputDialog::TextInput);
        dialogo.setWindowTitle(titulo);
        dialogo.setLabelText(prompt);
        dialogo.setTextValue(inicial);
        if (dialogo.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialogo.textValue();
    }

    std::optional<QString> escolherArquivoParaGravar(QWidget *pai, const QString &titulo,
                                                     const QString &sugerido,
                                                     const QString &filtro) override
    {
        const QString arquivo = QFileDialog::getSaveFileName(pai, titulo, sugerido, filtro);
        if (arquivo.isEmpty())
            return std::nullopt;
        return arquivo;
    }
};

TDialogosQt &dialogosReais()
{
    static TDialogosQt reais;
    return reais;
}

IDialogos *emVigor = nullptr;

} // namespace

IDialogos &dialogos()
{
    return emVigor ? *emVigor : dialogosReais();
}

void definirDialogos(IDialogos *d)
{
    emVigor = d;
}

void mostrarErro(QWidget *pai, const QString &mensagem)
{
    QString texto = mensagem;
    if (!texto.isEmpty() && texto.back().unicode() > u'.')
        texto += u'.';
    dialogos().mensagem(pai, QApplication::applicationName(), texto, TIconeDialogo::Erro);
}

void relatarExcecaoAtual(QWidget *pai) noexcept
{
    try {
        const std::exception_ptr erro = std::current_exception();
        // The silent abort is dropped without a word by design.
        if (!ehAbortar(erro))
            mostrarErro(pai, mensagemDaExcecao(erro));
    } catch (...) {
        // The error box itself failed; there is nobody left to tell.
        qWarning("an error could not be reported");
    }
}
