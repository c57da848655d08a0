#include "sql/uFormSQL.h"

#include "controls/uTZamListView.h"
#include "platform/dialogos.h"
#include "sql/execucaoSql.h"

#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QVBoxLayout>

namespace {

// Touched only on the user-interface thread: by "Executar" and by the workers' end handler.
int threadsAtivas = 0;

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

TForm2::TForm2(QWidget *AOwner)
    : QDialog(AOwner)
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
    edtSQL->setPlainText(sqlInicial);

    Panel1 = new QFrame;
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(41);
    btnExecutarSql = new QPushButton(QStringLiteral("Executar"), Panel1);
    btnExecutarSql->setObjectName(QStringLiteral("btnExecutarSql"));
    btnExecutarSql->setGeometry(8, 8, 75, 25);
    // Enter belongs to the SQL box.
    btnExecutarSql->setAutoDefault(false);
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

    auto *baixo = new QWidget;
    auto *layoutBaixo = new QVBoxLayout(baixo);
    layoutBaixo->setContentsMargins(0, 0, 0, 0);
    layoutBaixo->setSpacing(0);
    layoutBaixo->addWidget(comMargens(Panel1, 3));
    layoutBaixo->addWidget(comMargens(ZamListView1, 3), 1);

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
}

TForm2::~TForm2() = default;

void TForm2::setPaths(const std::vector<TZamDadosItemPtr> &paths)
{
    FPaths = paths;
}

int TForm2::ThreadsAtivas()
{
    return threadsAtivas;
}

void TForm2::btnExecutarSqlClick()
{
    btnExecutarSql->setEnabled(false);
    // Every run starts from an empty list: no column, group or count of an earlier run
    // carries over.
    ZamListView1->clearItems();
    ZamListView1->clearGroups();
    ZamListView1->clearColumns();
    threadsAtivas = 0;
    const QString sql = edtSQL->toPlainText();
    const bool porBase = cbAgrupamento->currentIndex() == agruparPorBase;
    try {
        for (const TZamDadosItemPtr &path : FPaths) {
            TExecutaSqlsPorBaseThread *trabalhador =
                porBase ? new TExecutaSqlsPorBaseThread(this) : new TExecutaSqlsPorResultado(this);
            ++threadsAtivas;
            trabalhador->setListView(ZamListView1);
            trabalhador->setPath(path);
            trabalhador->setSql(sql);
            trabalhador->aoTerminar([this]() { ExecucaoTerminada(); });
            trabalhador->start();
        }
    } catch (...) {
        // The workers already started bring the button back when they end.
        if (threadsAtivas == 0)
            btnExecutarSql->setEnabled(true);
        throw;
    }
    if (threadsAtivas == 0) {
        btnExecutarSql->setEnabled(true);
        Q_EMIT execucaoConcluida();
    }
}

void TForm2::ExecucaoTerminada()
{
    --threadsAtivas;
    const bool fim = threadsAtivas == 0;
    btnExecutarSql->setEnabled(fim);
    if (fim)
        Q_EMIT execucaoConcluida();
}
