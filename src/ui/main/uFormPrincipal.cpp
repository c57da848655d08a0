#include "ui/main/uFormPrincipal.h"

#include "catalog/varredura.h"
#include "controls/uTZamLabelLink.h"
#include "controls/uTZamListView.h"
#include "jobs/coletas.h"
#include "jobs/renomearUF.h"
#include "launcher/zamcon.h"
#include "platform/caminhos.h"
#include "platform/erros.h"
#include "sql/copiaTabulada.h"
#include "sql/uFormSQL.h"
#include "ui/comum/dialogos.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <numeric>

TForm1 *Form1 = nullptr;

namespace {

const QString tituloCaminho = QStringLiteral("Caminho ZAM_DADOS");

// The window is laid out for this client width; controls anchored to the right move by
// what the window is wider.
constexpr int larguraDesenho = 599;

bool ehBrancoOuControle(QChar c)
{
    return c.unicode() <= 32;
}

bool soBrancos(const QString &texto)
{
    return std::all_of(texto.cbegin(), texto.cend(), ehBrancoOuControle);
}

bool dentroDe(const QWidget *conteiner, const QWidget *widget)
{
    return widget && (widget == conteiner || conteiner->isAncestorOf(widget));
}

// A slot body run through the error box: nothing thrown leaves the event loop's call.
auto protegido(TForm1 *janela, void (TForm1::*passo)())
{
    return
        [janela, passo]() { executarProtegido(janela, [janela, passo]() { (janela->*passo)(); }); };
}

QPushButton *criarBotao(QWidget *pai, const char *nome, const QString &texto, int x, int y)
{
    auto *botao = new QPushButton(texto, pai);
    botao->setObjectName(QString::fromLatin1(nome));
    botao->setGeometry(x, y, 75, 25);
    return botao;
}

} // namespace

// ---- TZamComboBox ----

void TZamComboBox::hidePopup()
{
    // Qt also calls this when the box is disabled or hidden: only a list that was open closes.
    const bool aberta = view()->isVisible();
    QComboBox::hidePopup();
    // The line picked is only set once the popup is gone; tell afterwards.
    if (aberta)
        QTimer::singleShot(0, this, &TZamComboBox::listaFechada);
}

// ---- TForm1: creation ----

TForm1::TForm1(const QString &pastaPrograma, const QStringList &argumentos, QWidget *parent)
    : QDialog(parent)
    , FPastaPrograma(pastaPrograma)
    , FPastas(pastaPrograma)
{
    Form1 = this;
    criarControles();
    qApp->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, &TForm1::focoMudou);
    FormCreate(argumentos);
}

TForm1::~TForm1()
{
    // Destroying the children moves the focus: nothing of that may reach this window now.
    qApp->removeEventFilter(this);
    disconnect(qApp, nullptr, this, nullptr);
    if (Form1 == this)
        Form1 = nullptr;
}

void TForm1::criarControles()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("ZAM Dados"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    setSizeGripEnabled(true);
    resize(larguraDesenho, 433);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    FPainelTopo = new QWidget(this);
    FPainelTopo->setFixedHeight(70);
    btnAtualizar = criarBotao(FPainelTopo, "btnAtualizar", QStringLiteral("Atualizar"), 501, 8);
    ComboBox1 = new TZamComboBox(FPainelTopo);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->setGeometry(13, 10, 482, 21);
    ComboBox1->setEditText(QStringLiteral("c:\\Tessaron\\ZAM_7"));
    Edit1 = new QLineEdit(FPainelTopo);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setPlaceholderText(QStringLiteral("Filtro"));
    Edit1->setGeometry(13, 37, 563, 21);
    layout->addWidget(FPainelTopo);

    ZamListView1 = new TZamListView();
    ZamListView1->setObjectName(QStringLiteral("ZamListView1"));
    ZamListView1->setFrameShape(QFrame::NoFrame);
    ZamListView1->addColumn({QStringLiteral("Nome"), 50, true, Qt::AlignLeft});
    ZamListView1->addColumn({QStringLiteral("Porta"), 50, false, Qt::AlignHCenter});
    ZamListView1->addColumn({QStringLiteral("Data/Hora"), 120, false, Qt::AlignHCenter});
    ZamListView1->addColumn({QStringLiteral("Tamanho"), 86, false, Qt::AlignRight});
    ZamListView1->ZamOrdenarColumnClick = true;
    ZamListView1->ZamAgruparColumnClick = false;
    ZamListView1->DesabilitarBusca = true;
    // A header click that cannot sort (a cell that is no valid date or number) tells why.
    ZamListView1->OnErro = [this](const std::exception &erro) {
        mostrarErro(this, QString::fromUtf8(erro.what()));
    };
    ZamListView1->OnCustomDrawItem = [this](int linha, QFont &fonte) {
        fonte.setBold(!FPastas.iniFolderName.isEmpty() &&
                      ZamListView1->item(linha).Caption == FPastas.iniFolderName);
    };
    // The list, and beside it the error list of the self-test once it has run.
    FMeio = new QWidget(this);
    auto *layoutMeio = new QHBoxLayout(FMeio);
    layoutMeio->setContentsMargins(0, 0, 0, 0);
    layoutMeio->setSpacing(0);
    layoutMeio->addWidget(ZamListView1, 1);
    layout->addWidget(FMeio, 1);

    auto *faixa = new QWidget(this);
    faixa->setFixedHeight(23);
    auto *layoutFaixa = new QHBoxLayout(faixa);
    layoutFaixa->setContentsMargins(0, 0, 8, 0);
    lbTamanho = new QLabel(QStringLiteral("0 Gb"), faixa);
    lbTamanho->setObjectName(QStringLiteral("lbTamanho"));
    lbTamanho->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layoutFaixa->addStretch(1);
    layoutFaixa->addWidget(lbTamanho);
    layout->addWidget(faixa);

    FPainelBase = new QWidget(this);
    FPainelBase->setFixedHeight(41);
    btnOpcoes = new QToolButton(FPainelBase);
    btnOpcoes->setObjectName(QStringLiteral("btnOpcoes"));
    btnOpcoes->setText(QStringLiteral("Opções"));
    btnOpcoes->setGeometry(15, 9, 75, 25);
    // The button does nothing but open its menu: a click anywhere on it, or Space, opens it.
    btnOpcoes->setPopupMode(QToolButton::InstantPopup);
    ZamLabelLink1 = new TZamLabelLink(FPainelBase);
    ZamLabelLink1->setObjectName(QStringLiteral("ZamLabelLink1"));
    ZamLabelLink1->setText(QStringLiteral("Alterar"));
    ZamLabelLink1->adjustSize();
    btnEntrar = criarBotao(FPainelBase, "btnEntrar", QStringLiteral("Entrar"), 341, 9);
    btnEntrar->hide();
    btnUltimaBase = criarBotao(FPainelBase, "btnUltimaBase", QStringLiteral("Ultima Base"), 422, 9);
    btnUltimaBase->setDefault(true);
    btnCancelar = criarBotao(FPainelBase, "btnCancelar", QStringLiteral("Cancelar"), 503, 9);
    layout->addWidget(FPainelBase);

    criarMenu();
    posicionarAncorados();

    setTabOrder(btnAtualizar, ComboBox1);
    setTabOrder(ComboBox1, Edit1);
    setTabOrder(Edit1, ZamListView1);
    setTabOrder(ZamListView1, btnOpcoes);
    setTabOrder(btnOpcoes, btnEntrar);
    setTabOrder(btnEntrar, btnUltimaBase);
    setTabOrder(btnUltimaBase, btnCancelar);

    connect(btnAtualizar, &QPushButton::clicked, this, protegido(this, &TForm1::btnAtualizarClick));
    connect(btnCancelar, &QPushButton::clicked, this, protegido(this, &TForm1::btnCancelarClick));
    connect(btnEntrar, &QPushButton::clicked, this, protegido(this, &TForm1::btnEntrarClick));
    connect(btnUltimaBase, &QPushButton::clicked, this,
            protegido(this, &TForm1::btnUltimaBaseClick));
    connect(ZamLabelLink1, &TZamLabelLink::clicked, this,
            protegido(this, &TForm1::ZamLabelLink1Click));
    connect(ZamListView1, &TZamListView::itemDoubleClicked, this,
            protegido(this, &TForm1::btnEntrarClick));
    connect(Edit1, &QLineEdit::textChanged, this, protegido(this, &TForm1::Edit1Change));
    connect(ComboBox1, &TZamComboBox::listaFechada, this,
            protegido(this, &TForm1::ComboBox1Select));
    connect(ComboBox1, &QComboBox::activated, this, [this](int linha) { FLinhaCombo = linha; });
    connect(ComboBox1->lineEdit(), &QLineEdit::textEdited, this, [this]() { FLinhaCombo = -1; });
}

void TForm1::criarMenu()
{
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    // The shortcut after the tab is a label only; the window's key handler acts on it.
    const auto item = [this](const char *nome, const QString &texto, const QString &atalho) {
        QAction *acao = PopupMenu1->addAction(atalho.isEmpty() ? texto : texto + u'\t' + atalho);
        acao->setObjectName(QString::fromLatin1(nome));
        return acao;
    };
    mnNovaBase = item("mnNovaBase", QStringLiteral("Nova Base"), QStringLiteral("Ctrl+N"));
    mnCopiar = item("mnCopiar", QStringLiteral("Copiar para mim"), QStringLiteral("Ctrl+C"));
    mnEnviar = item("mnEnviar", QStringLiteral("Enviar para servidor"), QStringLiteral("Ctrl+E"));
    mnTestarZamdef =
        item("mnTestarZamdef", QStringLiteral("Testar ZAMDEF em todas"), QStringLiteral("Ctrl+S"));
    mnRenomearPastasParaUF =
        item("mnRenomearPastasParaUF", QStringLiteral("Renomear Pastas para UF"),
             QStringLiteral("Ctrl+U"));
    mnAbrirPasta = item("mnAbrirPasta", QStringLiteral("Abrir Pasta"), QStringLiteral("Ctrl+D"));
    mnColetarQtdTrabalhadores =
        item("mnColetarQtdTrabalhadores", QStringLiteral("Coletar Qtd. Trabalhadores"), QString());
    mnColetarVersaoTabdef =
        item("mnColetarVersaoTabdef", QStringLiteral("Coletar Versão Tabdef"), QString());
    mnExecutarSQL = item("mnExecutarSQL", QStringLiteral("Executar SQL"), QString());
    mnAlterarPorta = item("mnAlterarPorta", QStringLiteral("Alterar Porta"), QString());
    btnOpcoes->setMenu(PopupMenu1);

    // The list's own menu, on a right click only: the keyboard's context-menu keys open the
    // Opções menu in this window.
    PopupMenuLista = new QMenu(this);
    PopupMenuLista->setObjectName(QStringLiteral("PopupMenuLista"));
    mnCopiarLinha = PopupMenuLista->addAction(QStringLiteral("Copiar"));
    mnCopiarLinha->setObjectName(QStringLiteral("mnCopiarLinha"));
    mnCopiarLista = PopupMenuLista->addAction(QStringLiteral("Copiar todas as linhas"));
    mnCopiarLista->setObjectName(QStringLiteral("mnCopiarLista"));
    ZamListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ZamListView1, &QWidget::customContextMenuRequested, this, [this](const QPoint &onde) {
        mnCopiarLinha->setEnabled(ZamListView1->selectedIndex() >= 0);
        mnCopiarLista->setEnabled(ZamListView1->count() > 0);
        PopupMenuLista->popup(ZamListView1->viewport()->mapToGlobal(onde));
    });
    connect(mnCopiarLinha, &QAction::triggered, this, protegido(this, &TForm1::mnCopiarLinhaClick));
    connect(mnCopiarLista, &QAction::triggered, this, protegido(this, &TForm1::mnCopiarListaClick));

    connect(mnExecutarSQL, &QAction::triggered, this, protegido(this, &TForm1::mnExecutarSQLClick));
    connect(mnTestarZamdef, &QAction::triggered, this, protegido(this, &TForm1::Button7Click));
    connect(&FAutoteste, &TContadorLote::loteConcluido, mnTestarZamdef,
            [this]() { mnTestarZamdef->setEnabled(true); });
    connect(mnColetarQtdTrabalhadores, &QAction::triggered, this,
            protegido(this, &TForm1::mnColetarQtdTrabalhadoresClick));
    connect(mnColetarVersaoTabdef, &QAction::triggered, this,
            protegido(this, &TForm1::mnColetarVersaoTabdefClick));
    connect(mnRenomearPastasParaUF, &QAction::triggered, this,
            protegido(this, &TForm1::mnRenomearPastasParaUFClick));
    connect(mnNovaBase, &QAction::triggered, this, protegido(this, &TForm1::Button3Click));
    connect(mnCopiar, &QAction::triggered, this, protegido(this, &TForm1::Button5Click));
    connect(mnEnviar, &QAction::triggered, this, protegido(this, &TForm1::mnEnviarClick));
    connect(mnAbrirPasta, &QAction::triggered, this, protegido(this, &TForm1::mnAbrirPastaClick));
    connect(mnAlterarPorta, &QAction::triggered, this,
            protegido(this, &TForm1::mnAlterarPortaClick));
}

void TForm1::posicionarAncorados()
{
    const int dx = width() - larguraDesenho;
    btnAtualizar->move(501 + dx, 8);
    ComboBox1->resize(482 + dx, ComboBox1->height());
    Edit1->resize(563 + dx, Edit1->height());
    ZamLabelLink1->move(FLinkX + dx, 15);
    btnEntrar->move(341 + dx, 9);
    btnUltimaBase->move(422 + dx, 9);
    btnCancelar->move(503 + dx, 9);
}

void TForm1::resizeEvent(QResizeEvent *evento)
{
    QDialog::resizeEvent(evento);
    posicionarAncorados();
}

// ---- start-up ----

void TForm1::FormCreate(const QStringList &argumentos)
{
    // A list that cannot be read is reported, and the window still opens. A list that was
    // read stays when only its rewrite into the full form fails (a read-only folder).
    executarProtegido(this, [this]() { FPastas.carregarHosts(); });
    executarProtegido(this, [this, &argumentos]() {
        preencherPasta();
        selecionarLinhaInicial(argumentos);
        FPastas.lerUltimaBase();
        carregarPasta();
    });
}

void TForm1::preencherPasta()
{
    FPastas.ordenarLinhas();
    const QString texto = ComboBox1->currentText();
    ComboBox1->clear();
    for (const TZamDadosHostPtr &host : FPastas.hostsDasLinhas())
        ComboBox1->addItem(host->compartilhamento());
    ComboBox1->setMaxVisibleItems(std::max(1, ComboBox1->count()));
    ComboBox1->setEditText(texto);
    FLinhaCombo = -1;
}

void TForm1::selecionarLinhaInicial(const QStringList &argumentos)
{
    if (!argumentos.isEmpty()) {
        ComboBox1->setCurrentIndex(-1);
        ComboBox1->setEditText(argumentos.first());
        FLinhaCombo = -1;
        return;
    }
    const int linha = FPastas.linhaInicial();
    if (linha >= 0)
        selecionarLinhaDoCombo(linha);
}

void TForm1::selecionarLinhaDoCombo(int linha)
{
    FLinhaCombo = linha;
    ComboBox1->setCurrentIndex(linha);
    ComboBox1->setEditText(ComboBox1->itemText(linha));
}

void TForm1::showEvent(QShowEvent *evento)
{
    QDialog::showEvent(evento);
    if (!FMostrado) {
        FMostrado = true;
        if (const QScreen *tela = screen())
            move(tela->availableGeometry().center() - rect().center());
        executarProtegido(this, [this]() { FormShow(); });
    }
}

void TForm1::FormShow()
{
    const int linha = linhaDaUltimaBase();
    if (linha >= 0)
        selecionarEMostrar(linha);
    ZamListView1->updateGeometry();
}

// ---- data folders ----

TZamDadosHostPtr TForm1::hostSelecionado()
{
    return FPastas.hostPara(FLinhaCombo, ComboBox1->currentText());
}

void TForm1::carregarPasta()
{
    FPastas.carregarCatalogo(hostSelecionado());
    // The jobs' cells belong to the records of the catalogue shown until now.
    FLinhas.esquecerCelulas();
    preencherLista();
}

void TForm1::atualizarBases()
{
    if (FPastas.atualizarBases())
        preencherLista();
}

void TForm1::btnAtualizarClick()
{
    atualizarBases();
    if (!Edit1->text().isEmpty())
        mostrarEntrar();
}

void TForm1::btnCancelarClick()
{
    close();
}

void TForm1::ComboBox1Select()
{
    // Decided on what the folder held when chosen: the load below writes a catalogue for a
    // folder that had none, and such a folder stays refreshable like a local one.
    const bool remotoComCatalogo = ehRemotoComCatalogo();
    carregarPasta();
    Edit1->setFocus();
    FAtualizarPermitido = !remotoComCatalogo;
    btnAtualizar->setEnabled(FAtualizarPermitido);
    mnCopiar->setEnabled(remotoComCatalogo);
    // A folder the user chose that is not there (a typing slip, a share not mounted) would
    // show as an empty list: say so.
    if (FPastas.FZamDadosList->items().isEmpty())
        verificarPastaDeDados(ComboBox1->currentText());
}

bool TForm1::ehRemotoComCatalogo() const
{
    // A network folder with a catalogue is shown from the catalogue alone.
    const QString texto = ComboBox1->currentText();
    return texto.contains(QStringLiteral("\\\\")) &&
           QFileInfo(caminhoLocal(juntarCaminho(texto, TZamDadosList::nomeArquivo))).isFile();
}

void TForm1::focoMudou(QWidget *antigo, QWidget *novo)
{
    if (!dentroDe(ComboBox1, antigo) || !novo || novo->window() != this ||
        dentroDe(ComboBox1, novo))
        return;
    // Asking inside the focus change itself would nest a modal loop in it.
    QTimer::singleShot(0, this,
                       [this]() { executarProtegido(this, [this]() { ComboBox1Exit(); }); });
}

void TForm1::ComboBox1Exit()
{
    if (FLinhaCombo >= 0 || FPerguntando)
        return;
    FPerguntando = true;
    const auto fim = qScopeGuard([this]() { FPerguntando = false; });

    const std::optional<QString> resposta =
        dialogos().pedirTexto(this, tituloCaminho,
                              QStringLiteral("Ex: c:\\Tessaron\\ZAM_7\\ZAM_DADOS\\ ou\n"
                                             "/home/usuario/opt/tessaron/zam_7/zam_dados/"),
                              QStringLiteral("C:\\Tessaron\\ZAM_7\\ZAM_DADOS\\"));
    if (!resposta || soBrancos(*resposta))
        return;
    QString caminho = *resposta;
    while (!caminho.endsWith(u'/') && !caminho.endsWith(u'\\')) {
        const std::optional<QString> outra = dialogos().pedirTexto(
            this, tituloCaminho, QStringLiteral("O diretório ZAM_DADOS tem que terminar com barra"),
            caminho);
        if (outra)
            caminho = *outra;
    }

    auto host = std::make_shared<TZamDadosHost>();
    host->Setcompartilhamento(ComboBox1->currentText());
    host->setPath(caminho);
    FPastas.definirAvulso(host);
    ComboBox1Select();
    if (ZamListView1->count() > 0)
        registrarPasta(host);
}

void TForm1::registrarPasta(const TZamDadosHostPtr &host)
{
    const QString chave = host->compartilhamento();
    FPastas.registrar(host);
    ComboBox1->addItem(chave);
    selecionarLinhaDoCombo(ComboBox1->findText(chave, Qt::MatchExactly | Qt::MatchCaseSensitive));
    ComboBox1->setMaxVisibleItems(ComboBox1->count());
}

void TForm1::habilitarControles(bool enabled)
{
    for (QWidget *controle : std::initializer_list<QWidget *>{
             ComboBox1, Edit1, btnAtualizar, btnOpcoes, btnEntrar, btnUltimaBase, btnCancelar})
        controle->setEnabled(enabled);
    // Unlocking keeps a network folder shown from its catalogue alone.
    btnAtualizar->setEnabled(enabled && FAtualizarPermitido);
}

// ---- the list ----

void TForm1::encherLinhas(const std::vector<TZamDadosItemPtr> &registros)
{
    std::vector<TZamListItem> linhas = FLinhas.linhas(registros);
    // The bracket closes in every case; its re-sort may fail (a cell of the sorted column
    // that is no valid date or number), and that error goes on to the error box.
    ZamListView1->BeginUpdateZam(int(registros.size()));
    try {
        ZamListView1->clearItems();
        ZamListView1->addItems(std::move(linhas));
    } catch (...) {
        ZamListView1->EndUpdateZam();
        throw;
    }
    ZamListView1->EndUpdateZam();
}

void TForm1::preencherLinha(const TZamDadosItemPtr &registro, int linha)
{
    ZamListView1->setItem(linha, FLinhas.linha(registro, ZamListView1->item(linha)));
}

void TForm1::preencherLista()
{
    FLinhas.ordenar(FPastas.registros());
    // The filter box's text holds for every refill, whatever folder is shown: the rows
    // listed, and those a job runs over, are always the ones it lets through.
    filtrarLinhas();

    // The title and the total are the whole catalogue's.
    mostrarTitulo();
    lbTamanho->setText(FLinhas.tamanhoTotal());
}

void TForm1::filtrarLinhas()
{
    encherLinhas(FLinhas.filtrados(Edit1->text()));
}

void TForm1::Edit1Change()
{
    mostrarEntrar();
    if (Edit1->text().isEmpty())
        preencherLista();
    else
        filtrarLinhas();
}

void TForm1::mostrarEntrar()
{
    FLinkX = 300;
    posicionarAncorados();
    btnEntrar->setVisible(true);
    btnUltimaBase->setDefault(false);
    btnEntrar->setDefault(true);
}

void TForm1::selecionarEMostrar(int linha)
{
    ZamListView1->setSelectedIndex(linha);
    ZamListView1->scrollToItem(linha);
}

int TForm1::linhaDaUltimaBase() const
{
    // An empty name is no database: nothing is pre-selected then.
    return FPastas.iniFolderName.isEmpty() ? -1 : linhaPeloNome(FPastas.iniFolderName);
}

TZamDadosItemPtr TForm1::registroSelecionado() const
{
    const int linha = ZamListView1->selectedIndex();
    if (linha < 0)
        return nullptr;
    return std::static_pointer_cast<TZamDadosItem>(ZamListView1->item(linha).Data);
}

// ---- keys ----

bool TForm1::eventFilter(QObject *objeto, QEvent *evento)
{
    // Installed on the application: every event of every widget passes here once.
    if (evento->type() == QEvent::FocusIn && objeto == ZamListView1)
        executarProtegido(this, [this]() { mostrarEntrar(); });

    // On X11 the Menu key also sends a context-menu event first, which would open the text
    // boxes' own menu; the key press that follows opens the Opções menu instead.
    if (evento->type() == QEvent::ContextMenu &&
        static_cast<QContextMenuEvent *>(evento)->reason() == QContextMenuEvent::Keyboard) {
        const auto *widget = qobject_cast<QWidget *>(objeto);
        return widget && widget->window() == this && btnOpcoes->isEnabled();
    }
    if (evento->type() != QEvent::KeyPress)
        return QDialog::eventFilter(objeto, evento);
    // Every key of this window comes here first, once: when it reaches the focused widget.
    auto *widget = qobject_cast<QWidget *>(objeto);
    QWidget *foco = QApplication::focusWidget();
    if (!widget || widget->window() != this || (foco ? widget != foco : widget != this))
        return false;
    const auto *tecla = static_cast<QKeyEvent *>(evento);
    if (teclaDasOpcoes(tecla->key(), tecla->modifiers())) {
        executarProtegido(this, [this]() { abrirOpcoes(); });
        return true;
    }
    switch (tecla->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        return false; // the dialog's own handling
    default:
        break;
    }
    bool engolir = false;
    executarProtegido(this, [&]() { engolir = FormKeyDown(tecla->key(), tecla->modifiers()); });
    return engolir;
}

bool TForm1::FormKeyDown(int key, Qt::KeyboardModifiers shift)
{
    // Alt+Down in the path box opens its list, as F4 does.
    if (key == Qt::Key_Down && (shift & Qt::AltModifier) &&
        dentroDe(ComboBox1, QApplication::focusWidget()))
        return false;
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
        const int total = ZamListView1->count();
        if (total > 0) {
            int linha = ZamListView1->selectedIndex();
            if (linha < 0) {
                linha = 0;
                ZamListView1->setSelectedIndex(0);
            }
            if (key == Qt::Key_Up && linha > 0)
                selecionarEMostrar(linha - 1);
            else if (key == Qt::Key_Down && linha < total - 1)
                selecionarEMostrar(linha + 1);
        }
        mostrarEntrar();
        return true;
    }
    // While the window is locked for a job, the menu's commands are out of reach too.
    if ((shift & Qt::ControlModifier) && !btnOpcoes->isEnabled())
        return false;
    if (shift & Qt::ControlModifier) {
        const std::pair<int, QAction *> atalhos[] = {{Qt::Key_N, mnNovaBase},
                                                     {Qt::Key_C, mnCopiar},
                                                     {Qt::Key_E, mnEnviar},
                                                     {Qt::Key_S, mnTestarZamdef},
                                                     {Qt::Key_D, mnAbrirPasta}};
        // A command that ran has used the key up. Passed on, the key would climb to the
        // window once its box has closed, and with the focus not yet back from the box the
        // window would take it as its own and run the command again.
        for (const auto &[tecla, acao] : atalhos) {
            if (tecla == key && acao->isEnabled()) {
                acao->trigger();
                return true;
            }
        }
        return false;
    }
    QWidget *foco = QApplication::focusWidget();
    if (foco == Edit1 || dentroDe(ComboBox1, foco))
        return false;
    // Space presses the button that has the focus; a modifier pressed on its own is the
    // start of a combination, such as Shift+F10, and leaves the focus where it is.
    if (key == Qt::Key_Space && qobject_cast<QAbstractButton *>(foco))
        return false;
    if (key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
        key == Qt::Key_AltGr || key == Qt::Key_Meta)
        return false;
    Edit1->setFocus();
    if (key >= 32 && key <= 126) {
        Edit1->setText(Edit1->text() + QChar(key));
        Edit1->setCursorPosition(int(Edit1->text().size()));
    }
    return false;
}

bool TForm1::teclaDasOpcoes(int key, Qt::KeyboardModifiers shift) const
{
    if (!btnOpcoes->isEnabled())
        return false;
    shift &= ~Qt::KeypadModifier;
    // The context-menu key, and Shift+F10 where there is none, from anywhere in the window.
    if ((key == Qt::Key_Menu && shift == Qt::NoModifier) ||
        (key == Qt::Key_F10 && shift == Qt::ShiftModifier))
        return true;
    // Alt+Down and F4 open a drop-down; in the path box they open its own list.
    if ((key == Qt::Key_Down && shift == Qt::AltModifier) ||
        (key == Qt::Key_F4 && shift == Qt::NoModifier))
        return !dentroDe(ComboBox1, QApplication::focusWidget());
    return QApplication::focusWidget() == btnOpcoes && shift == Qt::NoModifier &&
           (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter);
}

void TForm1::abrirOpcoes()
{
    // Opened from the keyboard, the menu shows its first entry lit: Enter runs it and the
    // arrows move on from it.
    auto conexao = std::make_shared<QMetaObject::Connection>();
    *conexao = connect(PopupMenu1, &QMenu::aboutToShow, this, [this, conexao]() {
        disconnect(*conexao);
        for (QAction *acao : PopupMenu1->actions()) {
            if (acao->isEnabled() && !acao->isSeparator()) {
                PopupMenu1->setActiveAction(acao);
                break;
            }
        }
    });
    btnOpcoes->showMenu();
    disconnect(*conexao);
}

// ---- entering ----

void TForm1::gravarZamcon()
{
    const TZamDadosItemPtr registro = registroSelecionado();
    if (!registro)
        throw EZamErro(QStringLiteral("Selecione um Item"));
    // The record's own data folder: the one whose path is written beside it.
    FPastas.zamcon().gravarZamcon(*registro->host(), *registro);
}

bool TForm1::abrirZam(bool testarZamdef)
{
    if (ZamListView1->selectedIndex() < 0) {
        const int ultima = linhaDaUltimaBase();
        if (ultima >= 0)
            ZamListView1->setSelectedIndex(ultima);
    }
    if (ZamListView1->selectedIndex() < 0 && ZamListView1->count() > 0)
        ZamListView1->setSelectedIndex(0);
    if (ZamListView1->selectedIndex() < 0)
        throw EZamErro(QStringLiteral("Selecione um Item"));
    gravarZamcon();
    iniciarZam(testarZamdef);
    return true;
}

void TForm1::btnEntrarClick()
{
    if (btnEntrar->isEnabled() && abrirZam(false))
        close();
}

void TForm1::btnUltimaBaseClick()
{
    iniciarZam(false);
    close();
}

void TForm1::ZamLabelLink1Click()
{
    if (ZamListView1->selectedIndex() < 0) {
        if (ZamListView1->count() == 0)
            throw EZamErro(QStringLiteral("Selecione um Item"));
        ZamListView1->setSelectedIndex(0);
    }
    gravarZamcon();
    close();
}

// ---- batch jobs ----

std::vector<TZamDadosItemPtr> TForm1::registrosDaLista() const
{
    std::vector<TZamDadosItemPtr> registros;
    registros.reserve(ZamListView1->count());
    for (int i = 0; i < ZamListView1->count(); ++i)
        registros.push_back(std::static_pointer_cast<TZamDadosItem>(ZamListView1->item(i).Data));
    return registros;
}

int TForm1::adicionarColuna(const QString &titulo)
{
    const int largura = ZamListView1->column(ZamListView1->columnCount() - 1).Width;
    return ZamListView1->addColumn({titulo, largura, false, Qt::AlignRight});
}

void TForm1::definirCelula(const TZamDadosItemPtr &registro, int coluna, const QString &texto)
{
    FLinhas.definirCelula(registro, coluna, texto);
    const int linha = ZamListView1->findData(registro.get());
    if (linha < 0)
        return;
    TZamListItem item = ZamListView1->item(linha);
    while (item.SubItems.size() < coluna)
        item.SubItems.append(QString());
    item.SubItems[coluna - 1] = texto;
    ZamListView1->setItem(linha, std::move(item));
}

void TForm1::mostrarTitulo()
{
    const QString titulo = QStringLiteral("Zamdados: %1").arg(FLinhas.registrosOrdenados().size());
    setWindowTitle(FProgressoTarefa.isEmpty() ? titulo
                                              : titulo + QStringLiteral(" · ") + FProgressoTarefa);
}

void TForm1::mostrarProgresso(const QString &texto)
{
    FProgressoTarefa = texto;
    mostrarTitulo();
}

std::optional<QString> TForm1::celula(const TZamDadosItemPtr &registro, int coluna) const
{
    return FLinhas.celula(registro, coluna);
}

void TForm1::pastaRenomeada(const TZamDadosItemPtr &registro, const QString &sufixo,
                            const std::optional<QString> &nomeNovo)
{
    const int linha = ZamListView1->findData(registro.get());
    if (linha >= 0) {
        TZamListItem item = ZamListView1->item(linha);
        item.Caption += sufixo;
        ZamListView1->setItem(linha, std::move(item));
    }
    FPastas.pastaRenomeada(registro, nomeNovo);
}

void TForm1::soltarMouse()
{
    if (QWidget *captura = QWidget::mouseGrabber())
        captura->releaseMouse();
}

void TForm1::tarefaConcluida(const QString &titulo, const QString &mensagem)
{
    dialogos().mensagem(this, titulo, mensagem, TIconeDialogo::Informacao);
}

void TForm1::tarefaFalhou(const QString &mensagem)
{
    soltarMouse();
    dialogos().mensagem(this, QStringLiteral("Erro"), mensagem, TIconeDialogo::Erro);
}

void TForm1::baseReprovada(const QString &nome)
{
    if (ListBox1)
        ListBox1->addItem(nome);
}

void TForm1::iniciarColeta(TColeta coleta)
{
    const QString pergunta = coleta.pergunta;
    auto execucao = std::make_unique<TExecucaoColeta>(*this, *this, std::move(coleta));
    if (!dialogos().perguntar(this, QApplication::applicationName(), pergunta))
        return;
    execucao.release()->iniciar();
}

void TForm1::mnColetarQtdTrabalhadoresClick()
{
    mnColetarQtdTrabalhadores->setEnabled(false);
    iniciarColeta(coletaQtdTrabalhadores());
}

void TForm1::mnColetarVersaoTabdefClick()
{
    mnColetarVersaoTabdef->setEnabled(false);
    iniciarColeta(coletaTabdef());
}

void TForm1::mnRenomearPastasParaUFClick()
{
    const std::vector<TZamDadosItemPtr> registros = registrosDaLista();
    TRenomearPastasParaUF::exigirBases(registros);
    if (!dialogos().perguntar(this, TRenomearPastasParaUF::titulo, TRenomearPastasParaUF::pergunta))
        return;
    iniciarRenomearPastasParaUF(*this, *this, registros);
}

// ---- definitions self-test ----

int TForm1::totalDeLinhas() const
{
    return ZamListView1->count();
}

int TForm1::linhaSelecionada() const
{
    return ZamListView1->selectedIndex();
}

QString TForm1::legendaSelecionada() const
{
    const int linha = ZamListView1->selectedIndex();
    return linha >= 0 ? ZamListView1->item(linha).Caption : QString();
}

void TForm1::Button7Click()
{
    if (ZamListView1->count() == 0)
        throw EZamErro(QStringLiteral("Não há bases na lista para testar"));
    if (ZamListView1->selectedIndex() > 0 &&
        !dialogos().perguntar(
            this, QStringLiteral("Iniciar"),
            QStringLiteral("O item selecionado não é o primeiro. Deseja Continuar?")))
        return;
    // A later run starts over in the same list.
    if (!ListBox1) {
        ListBox1 = new QListWidget(FMeio);
        ListBox1->setObjectName(QStringLiteral("ListBox1"));
        ListBox1->setFixedWidth(212);
        FMeio->layout()->addWidget(ListBox1);
        setTabOrder(Edit1, ListBox1);
        setTabOrder(ListBox1, ZamListView1);
    }
    ListBox1->clear();
    // One run at a time: each ends every running main application.
    mnTestarZamdef->setEnabled(false);
    iniciarAutoteste(*this, *this, FAutoteste);
}

// ---- SQL in every database ----

void TForm1::mnCopiarLinhaClick()
{
    const int linha = ZamListView1->selectedIndex();
    if (linha >= 0)
        QGuiApplication::clipboard()->setText(copiaDasLinhas(*ZamListView1, {linha}));
}

void TForm1::mnCopiarListaClick()
{
    std::vector<int> linhas(std::size_t(ZamListView1->count()));
    std::iota(linhas.begin(), linhas.end(), 0);
    if (!linhas.empty())
        QGuiApplication::clipboard()->setText(copiaDasLinhas(*ZamListView1, linhas));
}

void TForm1::mnExecutarSQLClick()
{
    // Every database of the catalogue, whatever the list shows.
    TForm2 janela(this);
    janela.setPaths(FPastas.registros());
    janela.exec();
}
