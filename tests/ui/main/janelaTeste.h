#pragma once

#include "support/dialogosRoteirizados.h"
#include "ui/main/uFormPrincipal.h"

#include <QStringList>
#include <QTemporaryDir>
#include <memory>

class QComboBox;
class QLineEdit;
class QPushButton;
class TZamListView;

// Scripted dialogs that also put a real modal box on the screen for every call, as the
// program's own dialogs do: the focus leaves the window and a nested event loop runs until
// the box closes itself, once it has become the active window.
class TDialogosModais : public TDialogosRoteirizados
{
public:
    void mensagem(QWidget *pai, const QString &titulo, const QString &texto,
                  TIconeDialogo icone) override;
    bool perguntar(QWidget *pai, const QString &titulo, const QString &texto) override;
    std::optional<QString> pedirTexto(QWidget *pai, const QString &titulo, const QString &prompt,
                                      const QString &inicial) override;

    // The boxes that were shown and closed.
    int caixasMostradas = 0;

private:
    void mostrarCaixa(QWidget *pai, const QString &titulo);
};

// The main window on temporary folders, driven as a user would: the program's folder
// (ZamDados.Hosts.txt, zamcon.ini, the stand-in ZAM7.exe, and the working folder) and data
// folders whose ZAM_DADOS holds database folders. Scripted dialogs answer every question.
// A test class derives from it and calls preparar() in init() and limpar() in cleanup().
class TJanelaTeste
{
public:
    // Once per test program: the Brazilian locale, the application's name.
    static void prepararAplicacao();

    void preparar();
    void limpar();
    // From here on every dialog also shows a real modal box; call it before abrir().
    TDialogosModais &usarCaixasModais();

    QString programa() const { return FRaiz->path() + "/prog"; }
    QString dados(const QString &pasta = "local") const { return FRaiz->path() + "/" + pasta; }
    // A database folder with a ZAM.FDB of that size; the scan never opens the file.
    void criarBase(const QString &nome, qint64 bytes = 10, const QString &pasta = "local");
    void escreverHosts(const QStringList &linhas);
    TForm1 &abrir(const QStringList &argumentos = {});
    // A key as the user types it: to the widget that has the focus.
    void teclar(int tecla, Qt::KeyboardModifiers mods = Qt::NoModifier);

    QStringList linhas() const;
    int selecionada() const;
    TZamListView *lista() const;
    QLineEdit *filtroEdit() const;
    QComboBox *combo() const;
    QPushButton *botao(const char *nome) const;
    QAction *acao(const char *nome) const;
    QString rotulo() const;
    // The texts of the error boxes shown so far.
    QStringList erros() const;
    // The stand-in's record of its starts.
    QString registro() const { return FRaiz->path() + "/zam7.txt"; }
    QByteArray zamcon() const;
    // No start of the stand-in is recorded, also after the time one would take to show.
    bool zam7NaoIniciado() const;

protected:
    std::unique_ptr<QTemporaryDir> FRaiz;
    std::unique_ptr<TDialogosRoteirizados> FDialogos;
    std::unique_ptr<TInstaladorDialogos> FInstalador;
    std::unique_ptr<TForm1> FForm;
};
