#pragma once

#include "catalog/uTZamDadosList.h"
#include "execucao/contadorLote.h"
#include "jobs/janelaTarefas.h"
#include "jobs/relatoTarefas.h"
#include "jobs/testeZamdef.h"
#include "ui/main/linhasLista.h"
#include "ui/main/registroPastas.h"

#include <QComboBox>
#include <QDialog>
#include <QLocale>
#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QToolButton;
class TZamLabelLink;
class TZamListView;
struct TZamListItem;
struct TColeta;

// The path box: an editable drop-down that tells when its list closes, whether or not the
// user picked another line.
class TZamComboBox : public QComboBox
{
    Q_OBJECT

public:
    using QComboBox::QComboBox;
    void hidePopup() override;

Q_SIGNALS:
    void listaFechada();
};

// The main window: the data folders, the catalogue of the chosen one, and entering a
// database.
class TForm1 : public QDialog, public IJanelaTarefas, public IJanelaAutoteste, public IRelatoTarefas
{
    Q_OBJECT

public:
    // pastaPrograma holds ZamDados.Hosts.txt and zamcon.ini; argumentos are the command
    // line without the program name.
    TForm1(const QString &pastaPrograma, const QStringList &argumentos, QWidget *parent = nullptr);
    ~TForm1() override;

    void habilitarControles(bool enabled) override;
    void carregarPasta();
    void atualizarBases();
    void preencherLinha(const TZamDadosItemPtr &registro, int linha);
    void preencherLista();
    void mostrarEntrar();
    void gravarZamcon();
    bool abrirZam(bool testarZamdef) override;

    // The data-folder entry the catalogue is loaded for: the selected line's, or one made
    // for a folder that is no line of the path box.
    TZamDadosHostPtr hostSelecionado();
    TZamDadosItemPtr registroSelecionado() const;

    // What the batch jobs see of the window.
    QObject *janela() override { return this; }
    std::vector<TZamDadosItemPtr> registrosDaLista() const override;
    int adicionarColuna(const QString &titulo) override;
    void definirCelula(const TZamDadosItemPtr &registro, int coluna, const QString &texto) override;
    std::optional<QString> celula(const TZamDadosItemPtr &registro, int coluna) const override;
    void atualizar() override { btnAtualizarClick(); }
    void mostrarProgresso(const QString &texto) override;
    void pastaRenomeada(const TZamDadosItemPtr &registro, const QString &sufixo,
                        const std::optional<QString> &nomeNovo) override;
    void soltarMouse() override;
    // What the jobs tell the user: boxes over this window, and the self-test's list.
    void tarefaConcluida(const QString &titulo, const QString &mensagem) override;
    void tarefaFalhou(const QString &mensagem) override;
    void baseReprovada(const QString &nome) override;
    // What the definitions self-test sees of the window.
    int totalDeLinhas() const override;
    int linhaSelecionada() const override;
    void selecionarEMostrarLinha(int linha) override { selecionarEMostrar(linha); }
    QString legendaSelecionada() const override;

    // The data folders, the catalogue shown and the last database entered.
    TRegistroPastas &pastas() { return FPastas; }

    // A job's progress, shown after the row count in the caption while it runs.
    QString FProgressoTarefa;
    void mostrarTitulo();

public Q_SLOTS:
    void btnAtualizarClick();
    void btnCancelarClick();
    void ComboBox1Select();
    void ComboBox1Exit();
    void Edit1Change();
    void btnEntrarClick();
    void btnUltimaBaseClick();
    void ZamLabelLink1Click();
    void Button3Click();
    void Button5Click();
    void mnEnviarClick();
    void mnAbrirPastaClick();
    void mnAlterarPortaClick();
    void mnColetarQtdTrabalhadoresClick();
    void mnColetarVersaoTabdefClick();
    void mnRenomearPastasParaUFClick();
    void Button7Click();
    void mnExecutarSQLClick();
    // The list's context menu (a right click; Ctrl+C and the Menu key belong to the Opções
    // menu): the selected row, or every row shown, to the clipboard as tab-separated text
    // under the column captions.
    void mnCopiarLinhaClick();
    void mnCopiarListaClick();

protected:
    bool eventFilter(QObject *objeto, QEvent *evento) override;
    void showEvent(QShowEvent *evento) override;
    void resizeEvent(QResizeEvent *evento) override;

private:
    void criarControles();
    void criarMenu();
    void FormCreate(const QStringList &argumentos);
    void FormShow();
    bool FormKeyDown(int key, Qt::KeyboardModifiers shift);
    // Whether a key opens the "Opções" menu, and opening it from the keyboard.
    bool teclaDasOpcoes(int key, Qt::KeyboardModifiers shift) const;
    void abrirOpcoes();
    void preencherPasta();
    void selecionarLinhaInicial(const QStringList &argumentos);
    bool ehRemotoComCatalogo() const;
    void registrarPasta(const TZamDadosHostPtr &host);
    void focoMudou(QWidget *antigo, QWidget *novo);
    void encherLinhas(const std::vector<TZamDadosItemPtr> &registros);
    // Fills the list with the records the filter box lets through.
    void filtrarLinhas();
    void selecionarEMostrar(int linha);
    int linhaDaUltimaBase() const;
    void selecionarLinhaDoCombo(int linha);
    void posicionarAncorados();
    // The folder of a database of the data folder shown.
    QString pastaDaBase(const QString &nome) const;
    // Selects the first row when none is; fails on an empty list. Returns the selected row.
    int garantirSelecao();
    int linhaPeloNome(const QString &nome) const;
    // Adds the collection's column, asks, and starts it over the rows shown. When the user
    // says No the column stays, empty, and nothing starts.
    void iniciarColeta(TColeta coleta);

    QString FPastaPrograma;
    TRegistroPastas FPastas;
    TLinhasLista FLinhas;
    // The selected line of the path box; -1 once the user has typed in it.
    int FLinhaCombo = -1;
    bool FMostrado = false;
    bool FPerguntando = false;
    int FLinkX = 361;
    // Whether the folder shown may be refreshed (not a network folder with a catalogue).
    bool FAtualizarPermitido = true;
    // The self-test's run: one at a time, its entry enabled again when it is over.
    TContadorLote FAutoteste;

    QWidget *FPainelTopo = nullptr;
    QWidget *FPainelBase = nullptr;
    QWidget *FMeio = nullptr;
    QListWidget *ListBox1 = nullptr;
    QPushButton *btnAtualizar = nullptr;
    TZamComboBox *ComboBox1 = nullptr;
    QLineEdit *Edit1 = nullptr;
    TZamListView *ZamListView1 = nullptr;
    QLabel *lbTamanho = nullptr;
    QToolButton *btnOpcoes = nullptr;
    TZamLabelLink *ZamLabelLink1 = nullptr;
    QPushButton *btnEntrar = nullptr;
    QPushButton *btnUltimaBase = nullptr;
    QPushButton *btnCancelar = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QAction *mnNovaBase = nullptr;
    QAction *mnCopiar = nullptr;
    QAction *mnEnviar = nullptr;
    QAction *mnTestarZamdef = nullptr;
    QAction *mnRenomearPastasParaUF = nullptr;
    QAction *mnAbrirPasta = nullptr;
    QAction *mnColetarQtdTrabalhadores = nullptr;
    QAction *mnColetarVersaoTabdef = nullptr;
    QAction *mnExecutarSQL = nullptr;
    QAction *mnAlterarPorta = nullptr;
    QMenu *PopupMenuLista = nullptr;
    QAction *mnCopiarLinha = nullptr;
    QAction *mnCopiarLista = nullptr;
};

// The one main window of the program.
extern TForm1 *Form1;
