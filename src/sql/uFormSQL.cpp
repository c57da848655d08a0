#include "sql/uFormSQL.h"

#include "controls/uTZamListView.h"
#include "execucao/formatosSaida.h"
#include "firebird/somenteLeitura.h"
#include "platform/arquivoTexto.h"
#include "sql/copiaTabulada.h"
#include "sql/execucaoSql.h"
#include "ui/comum/dialogos.h"

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QWidget *comMargens(QWidget *conteudo, int margem)
{
    auto *caixa = new QWidget;
    auto *layout = new QVBoxLayout(caixa);
    layout->setContentsMargins(margem, margem, margem, margem);
    layout->setSpacing(0);
    layout->addWidget(conteudo);
    return caixa;
}

} // namespace

class TForm2::TSaida : public ISaidaExecucao
{
public:
    explicit TSaida(TForm2 &janela)
        : FJanela(janela)
    {
    }
    void baseIniciada(const TResultadoBase &resultado) override
    {
        FJanela.aoIniciarBase(resultado);
    }
    void basesConcluidas(std::vector<TResultadoBase> &lote) override
    {
        FJanela.aoConcluirBases(lote);
    }
    void execucaoConcluida(const TResumoExecucao &resumo) override
    {
        FJanela.aoConcluirExecucao(resumo);
    }

private:
    TForm2 &FJanela;
};

TForm2::TForm2(QWidget *AOwner)
    : QDialog(AOwner)
    , FSaida(std::make_unique<TSaida>(*this))
    , FMotor(*FSaida)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Executar SQL em Todas as Bases"));
    setModal(true);
    QFont fonte(QStringLiteral("Tahoma"));
    fonte.setPixelSize(11);
    setFont(fonte);

    edtSQL = new QPlainTextEdit;
    edtSQL->setObjectName(QStringLiteral("edtSQL"));
    QFont fonteSql(QStringLiteral("Consolas"));
    fonteSql.setStyleHint(QFont::Monospace);
    fonteSql.setPixelSize(13);
    edtSQL->setFont(fonteSql);
    // The last text run, or the sample the first time.
    edtSQL->setPlainText(FHistorico.textos().value(0, sqlInicial));
    edtSQL->installEventFilter(this);

    Panel1 = new QFrame;
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(41);
    btnExecutarSql = new QPushButton(QStringLiteral("Executar"), Panel1);
    btnExecutarSql->setObjectName(QStringLiteral("btnExecutarSql"));
    btnExecutarSql->setGeometry(8, 8, 75, 25);
    // Enter belongs to the SQL box.
    btnExecutarSql->setAutoDefault(false);
    btnCancelar = new QPushButton(QStringLiteral("Cancelar"), Panel1);
    btnCancelar->setObjectName(QStringLiteral("btnCancelar"));
    btnCancelar->setGeometry(89, 8, 75, 25);
    btnCancelar->setAutoDefault(false);
    btnCancelar->setEnabled(false);
    lblProgresso = new QLabel(Panel1);
    lblProgresso->setObjectName(QStringLiteral("lblProgresso"));
    btnExportar = new QPushButton(QStringLiteral("Exportar…"), Panel1);
    btnExportar->setObjectName(QStringLiteral("btnExportar"));
    btnExportar->setGeometry(170, 8, 75, 25);
    btnExportar->setAutoDefault(false);
    btnExportar->setEnabled(false);
    btnRepetir = new QPushButton(QStringLiteral("Repetir nas que falharam"), Panel1);
    btnRepetir->setObjectName(QStringLiteral("btnRepetir"));
    btnRepetir->setGeometry(251, 8, 150, 25);
    btnRepetir->setAutoDefault(false);
    btnRepetir->setEnabled(false);
    btnHistorico = new QToolButton(Panel1);
    btnHistorico->setObjectName(QStringLiteral("btnHistorico"));
    btnHistorico->setText(QStringLiteral("Histórico"));
    btnHistorico->setGeometry(407, 8, 75, 25);
    btnHistorico->setPopupMode(QToolButton::InstantPopup);
    mnHistorico = new QMenu(btnHistorico);
    mnHistorico->setObjectName(QStringLiteral("mnHistorico"));
    mnHistorico->setToolTipsVisible(true);
    btnHistorico->setMenu(mnHistorico);
    // Two lines when the summary does not fit on one.
    lblProgresso->setGeometry(488, 3, 186, 35);
    lblProgresso->setWordWrap(true);
    cbAgrupamento = new QComboBox(Panel1);
    cbAgrupamento->setObjectName(QStringLiteral("cbAgrupamento"));
    cbAgrupamento->addItems(
        {QStringLiteral("Agrupar por Base de Dados"), QStringLiteral("Agrupar por Resultado")});
    cbAgrupamento->setCurrentIndex(agruparPorResultado);
    cbAgrupamento->setGeometry(680, 10, 169, cbAgrupamento->sizeHint().height());

    ZamListView1 = new TZamListView;
    ZamListView1->setObjectName(QStringLiteral("ZamListView1"));
    ZamListView1->setGroupView(true);
    ZamListView1->ZamAgruparColumnClick = false;
    ZamListView1->ZamOrdenarColumnClick = false;
    ZamListView1->DesabilitarBusca = false;
    // Rows are picked to be copied, with Shift and Ctrl as anywhere else.
    ZamListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    mnCopiarLinhas = new QAction(QStringLiteral("Copiar"), ZamListView1);
    mnCopiarLinhas->setObjectName(QStringLiteral("mnCopiarLinhas"));
    mnCopiarLinhas->setShortcut(QKeySequence::Copy);
    // Ctrl+C in the SQL box copies the text there.
    mnCopiarLinhas->setShortcutContext(Qt::WidgetShortcut);
    ZamListView1->addAction(mnCopiarLinhas);
    ZamListView1->setContextMenuPolicy(Qt::ActionsContextMenu);

    auto *baixo = new QWidget;
    auto *layoutBaixo = new QVBoxLayout(baixo);
    layoutBaixo->setContentsMargins(0, 0, 0, 0);
    layoutBaixo->setSpacing(0);
    layoutBaixo->addWidget(comMargens(Panel1, 3));
    layoutBaixo->addWidget(comMargens(ZamListView1, 3), 1);
    lblResumo = new QLabel;
    lblResumo->setObjectName(QStringLiteral("lblResumo"));
    lblResumo->setTextFormat(Qt::PlainText);
    lblResumo->hide();
    layoutBaixo->addWidget(comMargens(lblResumo, 3));

    Splitter1 = new QSplitter(Qt::Vertical);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(3);
    Splitter1->setOpaqueResize(true);
    Splitter1->setChildrenCollapsible(false);
    Splitter1->addWidget(comMargens(edtSQL, 3));
    Splitter1->addWidget(baixo);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Splitter1);

    const QSize cliente(866, 553);
    resize(cliente);
    Splitter1->setSizes({142 + 2 * 3, cliente.height() - (142 + 2 * 3) - 3});
    // Centred on the screen, not over the owner.
    if (const QScreen *tela = AOwner ? AOwner->screen() : QGuiApplication::primaryScreen())
        move(tela->availableGeometry().center() -
             QPoint(cliente.width() / 2, cliente.height() / 2));

    connect(btnExecutarSql, &QPushButton::clicked, this,
            [this]() { executarProtegido(this, [this]() { btnExecutarSqlClick(); }); });
    connect(btnCancelar, &QPushButton::clicked, this,
            [this]() { executarProtegido(this, [this]() { btnCancelarClick(); }); });
    connect(btnExportar, &QPushButton::clicked, this,
            [this]() { executarProtegido(this, [this]() { btnExportarClick(); }); });
    connect(btnRepetir, &QPushButton::clicked, this,
            [this]() { executarProtegido(this, [this]() { btnRepetirClick(); }); });
    connect(mnCopiarLinhas, &QAction::triggered, this,
            [this]() { executarProtegido(this, [this]() { mnCopiarLinhasClick(); }); });
    connect(mnHistorico, &QMenu::aboutToShow, this, &TForm2::preencherMenuHistorico);
    FRelogioProgresso.setInterval(250);
    connect(&FRelogioProgresso, &QTimer::timeout, this, &TForm2::mostrarProgresso);
}

TForm2::~TForm2()
{
    // The engine goes with the window: its run is cancelled and reports nothing more; the
    // counter takes its databases out of ThreadsAtivas.
}

void TForm2::setPaths(const std::vector<TZamDadosItemPtr> &paths)
{
    FPaths = paths;
}

int TForm2::ThreadsAtivas()
{
    return FThreadsAtivas;
}

void TForm2::btnExecutarSqlClick()
{
    const QString sql = edtSQL->toPlainText();
    // A text that may not run is refused here, before the list of the last run is cleared.
    textoSomenteLeitura(sql);
    FResultados.clear();
    FIndicesOriginais.clear();
    FSqlExecutado = sql;
    FPorBaseExecutado = cbAgrupamento->currentIndex() == agruparPorBase;
    recomecarLista();
    iniciarExecucao(FPaths);
    // Written while the first databases log in, not before they start.
    FHistorico.registrar(sql);
}

void TForm2::recomecarLista()
{
    // No column, group or count of an earlier run carries over.
    ZamListView1->clearItems();
    ZamListView1->clearGroups();
    ZamListView1->clearColumns();
    FPorBase.reset();
    FPorResultado.reset();
    if (FPorBaseExecutado)
        FPorBase = std::make_unique<TExecutaSqlsPorBase>(*ZamListView1);
    else
        FPorResultado = std::make_unique<TExecutaSqlsPorResultado>(*ZamListView1);
}

void TForm2::iniciarExecucao(const std::vector<TZamDadosItemPtr> &bases)
{
    lblResumo->hide();
    FMotor.iniciar(bases, FSqlExecutado, lerComoTexto(QLocale(), !FPorBaseExecutado));
    FAtivas.iniciar(int(bases.size()));
    habilitarBotoes();
    FRelogioProgresso.start();
    mostrarProgresso();
}

void TForm2::habilitarBotoes()
{
    const bool ocioso = !FMotor.emExecucao();
    btnExecutarSql->setEnabled(ocioso);
    btnCancelar->setEnabled(!ocioso);
    btnExportar->setEnabled(ocioso && !FResultados.empty());
    btnRepetir->setEnabled(ocioso &&
                           std::any_of(FResultados.cbegin(), FResultados.cend(),
                                       [](const TResultadoBase &r) { return r.falhou(); }));
}

void TForm2::btnRepetirClick()
{
    std::vector<TZamDadosItemPtr> repetir;
    std::vector<int> indices;
    for (const TResultadoBase &r : FResultados) {
        if (r.falhou()) {
            repetir.push_back(r.registro);
            indices.push_back(r.indice);
        }
    }
    if (repetir.empty())
        return;
    std::vector<TResultadoBase> mantidos;
    for (TResultadoBase &r : resultadosComLinhas()) {
        if (!r.falhou())
            mantidos.push_back(std::move(r));
    }
    FIndicesOriginais = std::move(indices);
    // The list is filled again with what stays, in the order it came, and the databases run
    // again join it as they answer.
    recomecarLista();
    // Grouped by database the list takes the rows back, as in a run.
    if (FPorBase)
        FPorBase->adicionar(mantidos);
    else
        FPorResultado->adicionar(mantidos);
    FResultados = std::move(mantidos);
    iniciarExecucao(repetir);
}

void TForm2::btnExportarClick()
{
    const std::optional<QString> arquivo = dialogos().escolherArquivoParaGravar(
        this, QStringLiteral("Exportar resultados"), QStringLiteral("resultados.csv"),
        QStringLiteral("Texto CSV (*.csv)"));
    if (!arquivo)
        return;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    // A spreadsheet on a Brazilian desktop reads UTF-8 only with its mark.
    buffer.write("\xEF\xBB\xBF");
    std::vector<TResultadoBase> resultados = resultadosComLinhas();
    TGravadorResultados gravador(
        TFormatoSaida::Csv,
        FPorBaseExecutado ? TAgrupamentoSaida::Base : TAgrupamentoSaida::Resultado, buffer);
    gravador.adicionar(resultados);
    gravador.concluir();
    gravarBytes(*arquivo, buffer.data());
}

std::vector<TResultadoBase> TForm2::resultadosComLinhas() const
{
    std::vector<TResultadoBase> resultados = FResultados;
    if (FPorBase)
        FPorBase->devolverLinhas(resultados);
    return resultados;
}

QString TForm2::textoParaCopiar() const
{
    QStringList cabecalho;
    if (FPorBaseExecutado) {
        cabecalho << QStringLiteral("base");
        for (int c = 0; c < ZamListView1->columnCount(); ++c)
            cabecalho << ZamListView1->column(c).Caption;
    } else {
        cabecalho << QStringLiteral("valor") << QStringLiteral("base");
    }
    const QItemSelectionModel *selecao = ZamListView1->selectionModel();
    return copiaAgrupada(*ZamListView1, cabecalho, selecao->selectedRows(),
                         selecao->currentIndex());
}

void TForm2::mnCopiarLinhasClick()
{
    const QString texto = textoParaCopiar();
    if (!texto.isEmpty())
        QGuiApplication::clipboard()->setText(texto);
}

void TForm2::preencherMenuHistorico()
{
    mnHistorico->clear();
    const QStringList &textos = FHistorico.textos();
    if (textos.isEmpty()) {
        mnHistorico->addAction(QStringLiteral("(vazio)"))->setEnabled(false);
        return;
    }
    for (int i = 0; i < textos.size(); ++i) {
        // One line per text; the whole text shows as its tooltip.
        QString linha = textos.at(i).simplified();
        if (linha.size() > 80)
            linha = linha.left(79) + u'…';
        // A "&" would mark a shortcut letter.
        linha.replace(u'&', QStringLiteral("&&"));
        QAction *acao = mnHistorico->addAction(linha);
        acao->setToolTip(textos.at(i));
        connect(acao, &QAction::triggered, this,
                [this, i]() { mostrarDoHistorico(FHistorico.escolher(i, edtSQL->toPlainText())); });
    }
}

void TForm2::mostrarDoHistorico(const std::optional<QString> &texto)
{
    if (!texto)
        return;
    edtSQL->setPlainText(*texto);
    edtSQL->moveCursor(QTextCursor::End);
}

bool TForm2::eventFilter(QObject *objeto, QEvent *evento)
{
    if (objeto == edtSQL && evento->type() == QEvent::KeyPress) {
        const auto *tecla = static_cast<QKeyEvent *>(evento);
        const Qt::KeyboardModifiers modificadores = tecla->modifiers() & ~Qt::KeypadModifier;
        if (modificadores == Qt::ControlModifier &&
            (tecla->key() == Qt::Key_Up || tecla->key() == Qt::Key_Down)) {
            mostrarDoHistorico(tecla->key() == Qt::Key_Up
                                   ? FHistorico.anterior(edtSQL->toPlainText())
                                   : FHistorico.seguinte());
            return true;
        }
    }
    return QDialog::eventFilter(objeto, evento);
}

void TForm2::btnCancelarClick()
{
    FMotor.cancelar();
    btnCancelar->setEnabled(false);
    mostrarProgresso();
}

void TForm2::keyPressEvent(QKeyEvent *evento)
{
    // Esc during a run stops the run and the window stays; closing the window stops it too.
    if (evento->key() == Qt::Key_Escape && evento->modifiers() == Qt::NoModifier &&
        FMotor.emExecucao()) {
        executarProtegido(this, [this]() { btnCancelarClick(); });
        evento->accept();
        return;
    }
    QDialog::keyPressEvent(evento);
}

void TForm2::done(int resultado)
{
    FMotor.cancelar();
    QDialog::done(resultado);
}

void TForm2::aoIniciarBase(const TResultadoBase &resultado)
{
    if (FPorBase)
        FPorBase->baseIniciada(resultado);
}

void TForm2::aoConcluirBases(std::vector<TResultadoBase> &lote)
{
    FAtivas.terminaram(int(lote.size()));
    for (TResultadoBase &r : lote) {
        if (!FIndicesOriginais.empty())
            r.indice = FIndicesOriginais[std::size_t(r.indice)];
    }
    executarProtegido(this, [&]() {
        if (FPorBase)
            FPorBase->adicionar(lote);
        else if (FPorResultado)
            FPorResultado->adicionar(lote);
    });
    FResultados.insert(FResultados.end(), std::make_move_iterator(lote.begin()),
                       std::make_move_iterator(lote.end()));
}

void TForm2::aoConcluirExecucao(const TResumoExecucao &resumo)
{
    // The list is whole when the run says it has ended: grouped by result, the records still
    // waiting are filed slice by slice first, so that a very large result does not freeze
    // the window at its end.
    if (FPorResultado)
        FPorResultado->quandoArquivado([this, resumo]() { encerrarExecucao(resumo); });
    else
        encerrarExecucao(resumo);
}

void TForm2::encerrarExecucao(const TResumoExecucao &resumo)
{
    FAtivas.abandonar();
    FRelogioProgresso.stop();
    habilitarBotoes();
    lblProgresso->setText(resumo.texto());
    lblResumo->setText(resumo.texto());
    lblResumo->show();
    // A window closed during its run has nobody left to tell.
    if (FPorBase && isVisible())
        mostrarFalhas();
    Q_EMIT execucaoConcluida();
}

void TForm2::mostrarProgresso()
{
    if (!FMotor.emExecucao())
        return;
    lblProgresso->setText(
        QStringLiteral("%1 de %2 bases · %3 falhas · %4 s%5")
            .arg(FMotor.concluidas())
            .arg(FMotor.total())
            .arg(FMotor.falhas())
            .arg(FMotor.decorridoMs() / 1000)
            .arg(btnCancelar->isEnabled() ? QString() : QStringLiteral(" · cancelando")));
}

void TForm2::mostrarFalhas()
{
    // The results on screen hold the failures of this run only: a repetition takes the
    // earlier ones out. The databases the user cancelled are not reported.
    std::vector<std::pair<QString, QString>> falhas;
    for (const TResultadoBase &r : FResultados) {
        if (r.falhou() && !r.cancelada)
            falhas.emplace_back(r.nome, r.erro);
    }
    if (falhas.empty())
        return;
    dialogos().mensagem(this, QStringLiteral("Erro"), textoDasFalhas(falhas, FMotor.total()),
                        TIconeDialogo::Erro);
}
