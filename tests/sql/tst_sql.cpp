#include "execucao/motorExecucao.h"
#include "execucao/textoCampo.h"
#include "firebird/conexaoZam.h"
#include "listaTeste.h"
#include "platform/erros.h"
#include "sql/execucaoSql.h"
#include "sql/historicoSql.h"
#include "sql/uFormSQL.h"
#include "support/dialogosRoteirizados.h"
#include "support/firebirdTeste.h"

#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLoggingCategory>
#include <QMenu>
#include <QMutex>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <cmath>
#include <functional>
#include <map>

namespace {

const QString sqlUltimo = QStringLiteral("select ultimo from zamdef");
const int tempoExecucao = 120000;

// The message the query fails with in that database, "" when it does not fail.
QString falhaDe(const TZamDadosItemPtr &registro, const QString &sql)
{
    try {
        TConsultaZam consulta(registro->GetstringConnection(), sql);
        consulta.Open();
    } catch (const EZamErro &erro) {
        return erro.mensagem();
    }
    return QString();
}

QString primeiroValor(const TZamDadosItemPtr &registro, const QString &sql)
{
    TConsultaZam consulta(registro->GetstringConnection(), sql);
    consulta.Open();
    return consulta.campoTexto(0);
}

// Scripted dialogs that also tell the test when a message comes.
class TDialogosAvisando : public TDialogosRoteirizados
{
public:
    std::function<void()> aoMostrar;

    void mensagem(QWidget *pai, const QString &titulo, const QString &texto,
                  TIconeDialogo icone) override
    {
        TDialogosRoteirizados::mensagem(pai, titulo, texto, icone);
        if (aoMostrar)
            aoMostrar();
    }
};

// The trace lines of the workers, from whatever thread writes them.
QMutex mutexRastro;
QStringList rastro;
QtMessageHandler manipuladorAnterior = nullptr;

void guardarRastro(QtMsgType tipo, const QMessageLogContext &contexto, const QString &texto)
{
    if (contexto.category && QByteArray(contexto.category) == "zamdados.sql") {
        QMutexLocker trava(&mutexRastro);
        rastro << texto;
        return;
    }
    if (manipuladorAnterior)
        manipuladorAnterior(tipo, contexto, texto);
}

// The SQL window as the main window opens it, found by its parts' names.
class TJanelaSql
{
public:
    explicit TJanelaSql(const std::vector<TZamDadosItemPtr> &registros)
        : janela(new TForm2)
    {
        janela->setPaths(registros);
        janela->show();
    }
    ~TJanelaSql() { delete janela.data(); }
    TJanelaSql(const TJanelaSql &) = delete;
    TJanelaSql &operator=(const TJanelaSql &) = delete;

    QPushButton *botao() const { return janela->findChild<QPushButton *>("btnExecutarSql"); }
    QComboBox *agrupamento() const { return janela->findChild<QComboBox *>("cbAgrupamento"); }
    QPlainTextEdit *texto() const { return janela->findChild<QPlainTextEdit *>("edtSQL"); }
    TZamListView *lista() const { return janela->findChild<TZamListView *>("ZamListView1"); }

    void executar(const QString &sql, int agrupar)
    {
        texto()->setPlainText(sql);
        agrupamento()->setCurrentIndex(agrupar);
        QTest::mouseClick(botao(), Qt::LeftButton);
    }
    // The run is over and every worker has ended.
    bool aguardar() const
    {
        return QTest::qWaitFor(
            [this]() { return botao()->isEnabled() && TMotorExecucao::trabalhadoresAtivos() == 0; },
            tempoExecucao);
    }

    QPointer<TForm2> janela;
};

// Records every change of the button's enabled state, with the state of the run then.
class TObservadorBotao : public QObject
{
public:
    struct TMudanca
    {
        bool habilitado;
        int ativas;
        int linhas;
    };
    std::vector<TMudanca> mudancas;

    TObservadorBotao(QPushButton *botao, TZamListView *lista)
        : FBotao(botao)
        , FLista(lista)
    {
        botao->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *objeto, QEvent *evento) override
    {
        if (objeto == FBotao && evento->type() == QEvent::EnabledChange)
            mudancas.push_back({FBotao->isEnabled(), TForm2::ThreadsAtivas(), FLista->count()});
        return false;
    }

private:
    QPushButton *FBotao;
    TZamListView *FLista;
};

// One group of a run grouped by result: its footer and the databases under it, sorted.
struct TResultado
{
    QString rodape;
    QStringList bases;
    bool operator==(const TResultado &) const = default;
};

// Groups by folded header. Fails the test when two groups have the same folded header, when
// the counts do not fall along the groups, or when a footer is not the group's row count.
std::map<QString, TResultado> resultados(TZamListView &lista, QString *problema)
{
    std::map<QString, TResultado> porValor;
    int anterior = std::numeric_limits<int>::max();
    for (TGrupoVisto &v : gruposVistos(lista)) {
        const int contagem = v.grupo.Footer.toInt();
        if (contagem > anterior)
            *problema = QStringLiteral("group \"%1\" (%2) after a smaller count")
                            .arg(v.grupo.Header, v.grupo.Footer);
        anterior = contagem;
        if (contagem != v.legendas.size())
            *problema = QStringLiteral("group \"%1\" has footer %2 and %3 rows")
                            .arg(v.grupo.Header, v.grupo.Footer)
                            .arg(v.legendas.size());
        if (!v.grupo.Collapsible || !v.grupo.Collapsed)
            *problema = QStringLiteral("group \"%1\" is not made closed").arg(v.grupo.Header);
        const QString chave = minusculasAZ(v.grupo.Header);
        if (porValor.count(chave))
            *problema = QStringLiteral("two groups for \"%1\"").arg(v.grupo.Header);
        v.legendas.sort();
        porValor[chave] = {v.grupo.Footer, v.legendas};
    }
    return porValor;
}

QStringList nomes(const std::vector<TZamDadosItemPtr> &registros)
{
    QStringList lista;
    for (const TZamDadosItemPtr &r : registros)
        lista << r->Getnome();
    lista.sort();
    return lista;
}

// The records of a CSV text with ";" as separator (RFC 4180).
QList<QStringList> lerCsv(const QString &texto)
{
    QList<QStringList> linhas;
    QStringList linha;
    QString campo;
    bool citado = false;
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const QChar c = texto[i];
        if (citado) {
            if (c == u'"' && i + 1 < texto.size() && texto[i + 1] == u'"') {
                campo += u'"';
                ++i;
            } else if (c == u'"') {
                citado = false;
            } else {
                campo += c;
            }
        } else if (c == u'"') {
            citado = true;
        } else if (c == u';') {
            linha << campo;
            campo.clear();
        } else if (c == u'\r' && i + 1 < texto.size() && texto[i + 1] == u'\n') {
            linha << campo;
            campo.clear();
            linhas << linha;
            linha.clear();
            ++i;
        } else {
            campo += c;
        }
    }
    return linhas;
}

QString nomeCem(int i)
{
    return QStringLiteral("Base %1").arg(i, 3, 10, QChar(u'0'));
}

// Of the hundred databases, these have no zamdef; the others say one of three versions.
bool semZamdef(int i)
{
    return i % 20 == 7;
}
QString versaoCem(int i)
{
    return QStringLiteral("7.4.%1").arg(i % 3);
}

} // namespace

class TstSql : public QObject
{
    Q_OBJECT

private:
    TPastaDadosTeste FPasta;
    TPastaDadosTeste FPastaCem;
    // The user's data folder of each test, so that no window finds a history of another test
    // or of the user.
    QTemporaryDir FDadosUsuario;
    int FTeste = 0;

    TZamDadosItemPtr base(const QString &nome) const { return FPasta.registro(nome); }
    std::vector<TZamDadosItemPtr> bases(const QStringList &nomes) const
    {
        std::vector<TZamDadosItemPtr> registros;
        for (const QString &nome : nomes)
            registros.push_back(base(nome));
        return registros;
    }
    std::vector<TZamDadosItemPtr> cem(int quantas = 100) const
    {
        std::vector<TZamDadosItemPtr> registros;
        for (int i = 0; i < quantas; ++i)
            registros.push_back(FPastaCem.registro(nomeCem(i)));
        return registros;
    }
    QStringList emUso(const TPastaDadosTeste &pasta) const
    {
        return TServidorFirebirdTeste::instancia().aguardarBancosLivres(pasta.compartilhamento());
    }

private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
        QVERIFY(FDadosUsuario.isValid());
        ZAM_EXIGIR_FIREBIRD();

        std::vector<TBaseTeste> lista;
        const auto com = [&lista](const QString &nome, std::vector<std::optional<QString>> ultimo) {
            TBaseTeste b = TBaseTeste::comTrabalhadores(nome, 0);
            b.ultimo = std::move(ultimo);
            lista.push_back(b);
            return &lista.back();
        };
        com("Alfa", {"7.4.2"})->trabalhadores = {{"1", 3}};
        com("Beta", {"7.4.2"})->trabalhadores = {};
        com("Gama", {"7.4.2"})->trabalhadores = {{"1", 2}, {"2", 1}};
        com("Delta", {"8.0", "8.0"})->trabalhadores = {{std::nullopt, 1}};
        com("Epsilon", {"v9"});
        com("Zeta", {"V9"});
        com("Eta", {std::nullopt});
        com("Kapa", {"B"});
        com("Sem tabela 1", {})->tabelasAusentes = {"zamdef", "trabalhador"};
        com("Sem tabela 2", {})->tabelasAusentes = {"zamdef", "trabalhador"};
        QCOMPARE(FPasta.criarBases(lista), QString());

        std::vector<TBaseTeste> cemBases;
        for (int i = 0; i < 100; ++i) {
            TBaseTeste b = TBaseTeste::comTrabalhadores(nomeCem(i), 1);
            b.ultimo = {versaoCem(i)};
            if (semZamdef(i))
                b.tabelasAusentes = {"zamdef"};
            cemBases.push_back(b);
        }
        QCOMPARE(FPastaCem.criarBases(cemBases), QString());
    }

    void init()
    {
        qputenv("XDG_DATA_HOME",
                QFile::encodeName(FDadosUsuario.filePath(QString::number(++FTeste))));
    }

    void cleanup()
    {
        // No test leaves a worker behind for the next one.
        QTRY_COMPARE_WITH_TIMEOUT(TMotorExecucao::trabalhadoresAtivos(), 0, tempoExecucao);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void abertura()
    {
        TJanelaSql j({});
        QVERIFY(QTest::qWaitForWindowExposed(j.janela));
        QCOMPARE(j.janela->windowTitle(), QStringLiteral("Executar SQL em Todas as Bases"));
        QCOMPARE(j.janela->size(), QSize(866, 553));
        QVERIFY(j.janela->isModal());
        QCOMPARE(j.texto()->toPlainText().split(u'\n'),
                 QStringList({"select distinct f.nome", "from trabalhador t",
                              "inner join catfuncional f on f.empresa=t.empresa and "
                              "f.codigo=t.catfuncional",
                              "where t.empresa='001'", "  and t.situacao='1'"}));
        QCOMPARE(j.texto()->height(), 142);
        QCOMPARE(j.botao()->text(), QStringLiteral("Executar"));
        QCOMPARE(j.botao()->geometry(), QRect(8, 8, 75, 25));
        QVERIFY(j.botao()->isEnabled());
        QVERIFY(!j.agrupamento()->isEditable());
        QCOMPARE(j.agrupamento()->count(), 2);
        QCOMPARE(j.agrupamento()->itemText(0), QStringLiteral("Agrupar por Base de Dados"));
        QCOMPARE(j.agrupamento()->itemText(1), QStringLiteral("Agrupar por Resultado"));
        QCOMPARE(j.agrupamento()->currentIndex(), 1);
        QCOMPARE(j.agrupamento()->pos(), QPoint(680, 10));
        QCOMPARE(j.agrupamento()->width(), 169);
        const auto *divisor = j.janela->findChild<QSplitter *>("Splitter1");
        QVERIFY(divisor);
        QCOMPARE(divisor->orientation(), Qt::Vertical);
        QCOMPARE(divisor->handleWidth(), 3);
        QVERIFY(divisor->opaqueResize());
        TZamListView *lista = j.lista();
        QCOMPARE(lista->columnCount(), 0);
        QVERIFY(lista->groupView());
        QVERIFY(!lista->ZamAgruparColumnClick);
        QVERIFY(!lista->ZamOrdenarColumnClick);
        QVERIFY(!lista->DesabilitarBusca);
        QCOMPARE(lista->editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(lista->selectionBehavior(), QAbstractItemView::SelectRows);
    }

    // Three databases, three workers; the button comes back once, after the third, and the
    // text is the one of the click.
    void tresBases_data()
    {
        QTest::addColumn<int>("agrupar");
        QTest::newRow("by database") << TForm2::agruparPorBase;
        QTest::newRow("by result") << TForm2::agruparPorResultado;
    }
    void tresBases()
    {
        QFETCH(int, agrupar);
        TDialogosRoteirizados dialogos;
        TInstaladorDialogos instalador(dialogos);
        rastro.clear();
        QLoggingCategory::setFilterRules(QStringLiteral("zamdados.sql.debug=true"));
        manipuladorAnterior = qInstallMessageHandler(guardarRastro);

        const std::vector<TZamDadosItemPtr> registros = bases({"Alfa", "Beta", "Gama"});
        TJanelaSql j(registros);
        TObservadorBotao observador(j.botao(), j.lista());
        j.executar(sqlUltimo, agrupar);
        QVERIFY(!j.botao()->isEnabled());
        QCOMPARE(TForm2::ThreadsAtivas(), 3);
        QCOMPARE(TMotorExecucao::trabalhadoresAtivos(), 3);
        j.texto()->setPlainText(QStringLiteral("select 'outro' from rdb$database"));
        const bool terminou = j.aguardar();
        qInstallMessageHandler(manipuladorAnterior);
        QLoggingCategory::setFilterRules(QString());
        QVERIFY(terminou);

        QCOMPARE(observador.mudancas.size(), std::size_t(2));
        QVERIFY(!observador.mudancas[0].habilitado);
        QVERIFY(observador.mudancas[1].habilitado);
        QCOMPARE(observador.mudancas[1].ativas, 0);
        QCOMPARE(observador.mudancas[1].linhas, 3);
        QCOMPARE(TForm2::ThreadsAtivas(), 0);
        QVERIFY(dialogos.chamadas.empty());

        TZamListView *lista = j.lista();
        QStringList valores;
        for (int i = 0; i < lista->count(); ++i)
            valores << (agrupar == TForm2::agruparPorBase
                            ? lista->item(i).Caption
                            : lista->groupById(lista->item(i).GroupID)->Header);
        QCOMPARE(valores, QStringList({"7.4.2", "7.4.2", "7.4.2"}));
        QStringList linhasRastro = rastro;
        linhasRastro.sort();
        QCOMPARE(linhasRastro,
                 agrupar == TForm2::agruparPorResultado ? nomes(registros) : QStringList());
        QCOMPARE(emUso(FPasta), QStringList());
    }

    void catalogoVazio()
    {
        TDialogosRoteirizados dialogos;
        TInstaladorDialogos instalador(dialogos);
        TJanelaSql j({});
        QSignalSpy concluida(j.janela.data(), &TForm2::execucaoConcluida);
        j.executar(sqlUltimo, TForm2::agruparPorResultado);
        QTRY_COMPARE(concluida.count(), 1);
        QVERIFY(j.botao()->isEnabled());
        QCOMPARE(TMotorExecucao::trabalhadoresAtivos(), 0);
        QCOMPARE(TForm2::ThreadsAtivas(), 0);
        QCOMPARE(j.lista()->count(), 0);
        QCOMPARE(j.lista()->columnCount(), 0);
    }

    // One group per database, headed by its name, "Count: n" its subtitle, the first answer
    // making the columns; a failing database keeps its group with its message as the row,
    // and one box at the end names it.
    void porBase()
    {
        TDialogosRoteirizados dialogos;
        TInstaladorDialogos instalador(dialogos);
        const QString sql =
            QStringLiteral("select registro, nome, situacao from trabalhador order by registro");
        TJanelaSql j(bases({"Alfa", "Beta", "Gama", "Delta", "Sem tabela 1"}));
        QVERIFY(QTest::qWaitForWindowExposed(j.janela));
        j.executar(sql, TForm2::agruparPorBase);
        QVERIFY(j.aguardar());

        const QString falha = falhaDe(base("Sem tabela 1"), sql);
        QVERIFY(falha.contains(QStringLiteral("TRABALHADOR")));
        QCOMPARE(dialogos.chamadas.size(), std::size_t(1));
        QCOMPARE(dialogos.chamadas[0].titulo, QStringLiteral("Erro"));
        QCOMPARE(dialogos.chamadas[0].texto,
                 "Falharam 1 de 5 bases:\n\nSem tabela 1: " + QString(falha).replace(u'\n', u' '));
        QCOMPARE(dialogos.chamadas[0].icone, TIconeDialogo::Erro);
        QCOMPARE(dialogos.chamadas[0].pai, j.janela.data());

        TZamListView *lista = j.lista();
        QStringList titulos;
        QList<int> larguras;
        for (int i = 0; i < lista->columnCount(); ++i) {
            titulos << lista->column(i).Caption;
            larguras << lista->column(i).Width;
        }
        QCOMPARE(titulos, QStringList({"REGISTRO", "NOME", "SITUACAO"}));
        const int largura = int(std::nearbyint(lista->width() / 3.0)) - 2;
        QCOMPARE(larguras, QList<int>({largura, largura, largura - 17}));

        std::map<QString, TGrupoVisto> porNome;
        for (const TGrupoVisto &v : gruposVistos(*lista)) {
            QVERIFY2(!porNome.count(v.grupo.Header), qPrintable(v.grupo.Header));
            QVERIFY(v.grupo.Collapsible);
            QVERIFY(!v.grupo.Collapsed);
            porNome[v.grupo.Header] = v;
        }
        QCOMPARE(porNome.size(), std::size_t(5));
        const auto celulas = [&](const QString &nome) { return porNome[nome].celulas; };
        const auto subtitulo = [&](const QString &nome) { return porNome[nome].grupo.Subtitle; };
        QCOMPARE(subtitulo("Alfa"), QStringLiteral("Count: 3"));
        QCOMPARE(celulas("Alfa"), QList<QStringList>({{"1", "Trabalhador 1", "1"},
                                                      {"2", "Trabalhador 2", "1"},
                                                      {"3", "Trabalhador 3", "1"}}));
        QCOMPARE(subtitulo("Beta"), QStringLiteral("Count: 0"));
        QCOMPARE(celulas("Beta"), QList<QStringList>());
        QCOMPARE(subtitulo("Gama"), QStringLiteral("Count: 3"));
        QCOMPARE(celulas("Gama"), QList<QStringList>({{"1", "Trabalhador 1", "1"},
                                                      {"2", "Trabalhador 2", "1"},
                                                      {"3", "Trabalhador 3", "2"}}));
        // A NULL is an empty cell.
        QCOMPARE(subtitulo("Delta"), QStringLiteral("Count: 1"));
        QCOMPARE(celulas("Delta"), QList<QStringList>({{"1", "Trabalhador 1", ""}}));
        QCOMPARE(subtitulo("Sem tabela 1"), QStringLiteral("Falhou"));
        QCOMPARE(celulas("Sem tabela 1"),
                 QList<QStringList>({{QString(falha).replace(u'\n', QStringLiteral(" — "))}}));
        // The empty group is not shown; the failed one is.
        QCOMPARE(diferencaDoModelo(*lista), QString());
        QCOMPARE(lista->model()->rowCount(), 4);
    }

    // Databases filed under the first field's value: A(3) before B(1), a and A together,
    // NULL under an empty header, the failures under their message.
    void porResultado()
    {
        TDialogosRoteirizados dialogos;
        TInstaladorDialogos instalador(dialogos);
        const QString sql = QStringLiteral("select ultimo, 'ignorado' from zamdef");
        TJanelaSql j(bases({"Alfa", "Beta", "Gama", "Delta", "Epsilon", "Zeta", "Eta", "Kapa",
                            "Sem tabela 1", "Sem tabela 2"}));
        QVERIFY(QTest::qWaitForWindowExposed(j.janela));
        j.executar(sql, TForm2::agruparPorResultado);
        QVERIFY(j.aguardar());
        QVERIFY(dialogos.chamadas.empty());

        TZamListView *lista = j.lista();
        QCOMPARE(lista->columnCount(), 1);
        QCOMPARE(lista->column(0).Caption, QString());
        QCOMPARE(lista->column(0).Width, lista->width() - 25);

        const QString falha = falhaDe(base("Sem tabela 1"), sql);
        QVERIFY(falha.contains(QStringLiteral("ZAMDEF")));
        QCOMPARE(falhaDe(base("Sem tabela 2"), sql), falha);
        QString problema;
        const std::map<QString, TResultado> vistos = resultados(*lista, &problema);
        QCOMPARE(problema, QString());
        const std::map<QString, TResultado> esperados = {
            {"7.4.2", {"3", {"Alfa", "Beta", "Gama"}}},
            {"8.0", {"2", {"Delta", "Delta"}}},
            {"v9", {"2", {"Epsilon", "Zeta"}}},
            {minusculasAZ(falha), {"2", {"Sem tabela 1", "Sem tabela 2"}}},
            {"", {"1", {"Eta"}}},
            {"b", {"1", {"Kapa"}}},
        };
        QCOMPARE(vistos, esperados);
        QCOMPARE(lista->groups().front().Header, QStringLiteral("7.4.2"));
        for (const TGrupoVisto &v : gruposVistos(*lista)) {
            for (const QStringList &celulas : v.celulas)
                QCOMPARE(celulas.size(), 1);
        }
        QCOMPARE(diferencaDoModelo(*lista), QString());
    }

    // A statement that writes is refused in every database, the server having classified it,
    // and the data stay as they were.
    void somenteLeitura_data()
    {
        QTest::addColumn<int>("agrupar");
        QTest::addColumn<QString>("sql");
        QTest::newRow("delete, by result")
            << TForm2::agruparPorResultado << "delete from trabalhador";
        QTest::newRow("delete, by database") << TForm2::agruparPorBase << "delete from trabalhador";
        QTest::newRow("update, by result")
            << TForm2::agruparPorResultado << "update trabalhador set nome = 'x'";
    }
    void somenteLeitura()
    {
        QFETCH(int, agrupar);
        QFETCH(QString, sql);
        TDialogosRoteirizados dialogos;
        TInstaladorDialogos instalador(dialogos);
        // Databases with rows to change: a statement that finds nothing to change changes
        // nothing and does not fail.
        const QStringList nomesBases = {"Alfa", "Gama", "Delta"};
        const QString contar = QStringLiteral(
            "select count(*) || '/' || coalesce(min(nome), '') || '/' || coalesce(max(nome), '') "
            "from trabalhador");
        QStringList antes;
        for (const QString &nome : nomesBases)
            antes << primeiroValor(base(nome), contar);

        TJanelaSql j(bases(nomesBases));
        j.executar(sql, agrupar);
        QVERIFY(j.aguardar());

        const QString falha = falhaDe(base("Alfa"), sql);
        QVERIFY2(falha.startsWith(QStringLiteral("Só consultas (SELECT)")), qPrintable(falha));
        TZamListView *lista = j.lista();
        if (agrupar == TForm2::agruparPorResultado) {
            QVERIFY(dialogos.chamadas.empty());
            QCOMPARE(cabecalhosERodapes(*lista), QStringList({falha + u'|' + u'3'}));
            QStringList linhas = gruposVistos(*lista).front().legendas;
            linhas.sort();
            QCOMPARE(linhas, QStringList({"Alfa", "Delta", "Gama"}));
        } else {
            QCOMPARE(dialogos.chamadas.size(), std::size_t(1));
            QVERIFY(
                dialogos.chamadas[0].texto.startsWith(QStringLiteral("Falharam 3 de 3 bases:")));
            for (const QString &nome : nomesBases)
                QVERIFY(dialogos.chamadas[0].texto.contains(nome + QStringLiteral(": ") + falha));
            QCOMPARE(lista->count(), 3);
            for (const TZamListGroup &g : lista->groups())
                QCOMPARE(g.Subtitle, QStringLiteral("Falhou"));
        }
        QStringList depois;
        for (const QString &nome : nomesBases)
            depois << primeiroValor(base(nome), contar);
        QCOMPARE(depois, antes);
        QCOMPARE(emUso(FPasta), QStringList());
    }

    // Each run starts from an empty list: the columns and groups of the run before are gone,
    // and no count goes on from it.
    void segundaExecucao()
    {
        TDialogosRoteirizados dialogos;
        TInstaladorDialogos instalador(dialogos);
        TJanelaSql j(bases({"Alfa", "Beta", "Gama"}));
        TZamListView *lista = j.lista();

        j.executar(QStringLiteral("select registro, nome from trabalhador"),
                   TForm2::agruparPorBase);
        QVERIFY(j.aguardar());
        QCOMPARE(lista->columnCount(), 2);
        QCOMPARE(lista->groups().size(), std::size_t(3));

        for (int vez = 0; vez < 2; ++vez) {
            j.executar(sqlUltimo, TForm2::agruparPorResultado);
            QVERIFY(j.aguardar());
            QCOMPARE(lista->columnCount(), 1);
            QCOMPARE(lista->column(0).Caption, QString());
            QCOMPARE(cabecalhosERodapes(*lista), QStringList({"7.4.2|3"}));
            QCOMPARE(lista->count(), 3);
            QCOMPARE(diferencaDoModelo(*lista), QString());
        }

        j.executar(sqlUltimo, TForm2::agruparPorBase);
        QVERIFY(j.aguardar());
        QCOMPARE(lista->columnCount(), 1);
        QCOMPARE(lista->column(0).Caption, QStringLiteral("ULTIMO"));
        QStringList cabecalhos;
        for (const TZamListGroup &g : lista->groups())
            cabecalhos << g.Header;
        cabecalhos.sort();
        QCOMPARE(cabecalhos, QStringList({"Alfa", "Beta", "Gama"}));
        QVERIFY(dialogos.chamadas.empty());
    }

    // Closing the window while its workers run: they find it gone, report nothing more and
    // end; nothing hangs and every attachment is given back.
    void fecharDuranteExecucao_data()
    {
        QTest::addColumn<int>("agrupar");
        QTest::addColumn<QString>("sql");
        // 0: at once after the click; 1: at the first answer shown; 2: the modal window of
        // the main window, closed at the first answer.
        QTest::addColumn<int>("quando");

        const QString falha = QStringLiteral("select * from nao_existe");
        QTest::newRow("at once, by database") << TForm2::agruparPorBase << falha << 0;
        QTest::newRow("at once, by result") << TForm2::agruparPorResultado << sqlUltimo << 0;
        QTest::newRow("at the first failures, by database") << TForm2::agruparPorBase << falha << 1;
        QTest::newRow("at the first rows, by result")
            << TForm2::agruparPorResultado << sqlUltimo << 1;
        QTest::newRow("modal, by result") << TForm2::agruparPorResultado << sqlUltimo << 2;
        QTest::newRow("modal, by database")
            << TForm2::agruparPorBase << QStringLiteral("select registro from trabalhador") << 2;
    }
    void fecharDuranteExecucao()
    {
        QFETCH(int, agrupar);
        QFETCH(QString, sql);
        QFETCH(int, quando);
        TDialogosAvisando dialogos;
        TInstaladorDialogos instalador(dialogos);
        const std::vector<TZamDadosItemPtr> registros = cem(40);
        bool destruida = false;
        std::size_t dialogosAntes = 0;
        int ativosNaDestruicao = 0;
        const auto aoDestruir = [&]() {
            destruida = true;
            dialogosAntes = dialogos.chamadas.size();
        };
        const auto aoFechar = [&]() {
            if (ativosNaDestruicao == 0)
                ativosNaDestruicao = TForm2::ThreadsAtivas();
        };

        if (quando == 2) {
            TForm2 janela;
            janela.setPaths(registros);
            connect(&janela, &QObject::destroyed, this, aoDestruir);
            auto *lista = janela.findChild<TZamListView *>("ZamListView1");
            connect(lista->model(), &QAbstractItemModel::rowsInserted, &janela, aoFechar);
            connect(lista->model(), &QAbstractItemModel::rowsInserted, &janela, &QDialog::close);
            QTimer::singleShot(0, &janela, [&janela, &sql, agrupar]() {
                janela.findChild<QPlainTextEdit *>("edtSQL")->setPlainText(sql);
                janela.findChild<QComboBox *>("cbAgrupamento")->setCurrentIndex(agrupar);
                janela.findChild<QPushButton *>("btnExecutarSql")->click();
            });
            janela.exec();
        } else {
            TJanelaSql j(registros);
            connect(j.janela, &QObject::destroyed, this, aoDestruir);
            QPointer<TForm2> janela = j.janela;
            const auto fechar = [janela, aoFechar]() {
                aoFechar();
                if (janela) {
                    janela->close();
                    janela->deleteLater();
                }
            };
            if (quando == 1)
                connect(j.lista()->model(), &QAbstractItemModel::rowsInserted, janela, fechar);
            j.executar(sql, agrupar);
            // One server: at most the per-server limit at a time, the rest waiting.
            QCOMPARE(TMotorExecucao::trabalhadoresAtivos(), TOpcoesExecucao::paraleloPadrao);
            if (quando == 0)
                fechar();
            QVERIFY(QTest::qWaitFor([&]() { return destruida; }, tempoExecucao));
        }
        QVERIFY(destruida);
        // The window went while the run was under way.
        QVERIFY(ativosNaDestruicao > 0);
        QTRY_COMPARE_WITH_TIMEOUT(TMotorExecucao::trabalhadoresAtivos(), 0, tempoExecucao);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // The run was cancelled with the window: no box, neither before nor after.
        QCOMPARE(dialogosAntes, std::size_t(0));
        QCOMPARE(dialogos.chamadas.size(), std::size_t(0));
        QCOMPARE(emUso(FPastaCem), QStringList());
    }

    // "Cancelar" or Esc during a long query: the databases waiting are not started, the
    // statements running are cancelled on the server, every database is reported as
    // cancelled, no box is shown, and "Executar" is back at once with no attachment left.
    void cancelar_data()
    {
        QTest::addColumn<bool>("tecla");
        QTest::addColumn<int>("agrupar");
        QTest::newRow("button, by result") << false << TForm2::agruparPorResultado;
        QTest::newRow("Esc, by database") << true << TForm2::agruparPorBase;
    }
    void cancelar()
    {
        QFETCH(bool, tecla);
        QFETCH(int, agrupar);
        TDialogosRoteirizados dialogos;
        TInstaladorDialogos instalador(dialogos);
        TJanelaSql j(cem(40));
        QVERIFY(QTest::qWaitForWindowExposed(j.janela));
        auto *cancelar = j.janela->findChild<QPushButton *>("btnCancelar");
        auto *progresso = j.janela->findChild<QLabel *>("lblProgresso");
        QVERIFY(cancelar && progresso);
        QVERIFY(!cancelar->isEnabled());
        j.executar(QStringLiteral("select count(*) from rdb$types a, rdb$types b, rdb$types c, "
                                  "rdb$types d"),
                   agrupar);
        QVERIFY(cancelar->isEnabled());
        // The statements are running on the server.
        QTRY_COMPARE_WITH_TIMEOUT(TServidorFirebirdTeste::instancia()
                                      .bancosEmUso()
                                      .filter(FPastaCem.compartilhamento())
                                      .size(),
                                  TOpcoesExecucao::paraleloPadrao, 20000);
        QTest::qWait(300);
        QVERIFY2(progresso->text().startsWith(QStringLiteral("0 de 40 bases · 0 falhas · ")),
                 qPrintable(progresso->text()));

        QElapsedTimer relogio;
        relogio.start();
        if (tecla)
            QTest::keyClick(j.texto(), Qt::Key_Escape);
        else
            QTest::mouseClick(cancelar, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&]() { return j.botao()->isEnabled(); }, 2000));
        QVERIFY2(relogio.elapsed() < 2000, qPrintable(QString::number(relogio.elapsed())));
        QVERIFY(j.janela->isVisible());
        QVERIFY(!cancelar->isEnabled());
        QCOMPARE(emUso(FPastaCem), QStringList());
        QVERIFY(dialogos.chamadas.empty());
        QVERIFY2(
            progresso->text().startsWith(QStringLiteral("40 bases · 0 com resultado · 40 falhas")),
            qPrintable(progresso->text()));
        // The run's summary also stands under the list.
        auto *resumo = j.janela->findChild<QLabel *>("lblResumo");
        QVERIFY(resumo && resumo->isVisible());
        QCOMPARE(resumo->text(), progresso->text());
        if (agrupar == TForm2::agruparPorResultado) {
            QCOMPARE(cabecalhosERodapes(*j.lista()), QStringList({"Cancelado|40"}));
        } else {
            QCOMPARE(j.lista()->count(), 40);
            for (int i = 0; i < j.lista()->count(); ++i)
                QCOMPARE(j.lista()->item(i).Caption, QStringLiteral("Cancelado"));
        }
    }

    // A server that is down: one box at the end names every database that failed, each with
    // its message, and each failed database shows in the list under its own name.
    void servidorFora()
    {
        TDialogosRoteirizados dialogos;
        TInstaladorDialogos instalador(dialogos);
        const quint16 porta = portaSemServidor();
        QVERIFY(porta != 0);
        std::vector<TZamDadosItemPtr> registros = bases({"Alfa", "Beta", "Gama"});
        for (const TZamDadosItemPtr &r : registros)
            r->Setporta(porta);
        registros.push_back(base("Delta"));
        TJanelaSql j(registros);
        j.executar(sqlUltimo, TForm2::agruparPorBase);
        QVERIFY(j.aguardar());
        QCOMPARE(dialogos.chamadas.size(), std::size_t(1));
        const QString texto = dialogos.chamadas[0].texto;
        QCOMPARE(dialogos.chamadas[0].titulo, QStringLiteral("Erro"));
        QVERIFY2(texto.startsWith(QStringLiteral("Falharam 3 de 4 bases:\n\n")), qPrintable(texto));
        const QString falha = QString(falhaDe(registros[0], sqlUltimo)).replace(u'\n', u' ');
        QVERIFY(!falha.isEmpty());
        for (const QString nome : {"Alfa", "Beta", "Gama"})
            QVERIFY2(texto.contains(nome + QStringLiteral(": ") + falha), qPrintable(texto));
        QVERIFY(!texto.contains(QStringLiteral("Delta")));
        QStringList cabecalhos;
        for (const TGrupoVisto &v : gruposVistos(*j.lista()))
            cabecalhos << v.grupo.Header + u'|' + v.grupo.Subtitle;
        cabecalhos.sort();
        QCOMPARE(cabecalhos,
                 QStringList({"Alfa|Falhou", "Beta|Falhou", "Delta|Count: 2", "Gama|Falhou"}));
    }

    // The results on screen as a CSV file a spreadsheet reads: UTF-8 with its mark, ";",
    // CR LF, quoted where needed, the database first and the failure's message last.
    void exportar_data()
    {
        QTest::addColumn<int>("agrupar");
        QTest::addColumn<QList<QStringList>>("esperado");
        const QString morta = QStringLiteral("Morta");
        QTest::newRow("by database")
            << TForm2::agruparPorBase
            << QList<QStringList>{{"base", "V1", "V2", "V3", "V4", "V5", "erro"},
                                  {"Alfa", "a;b", "aspas \"x\"", "linha\r\ndois", "ação", "", ""},
                                  {"Beta", "a;b", "aspas \"x\"", "linha\r\ndois", "ação", "", ""},
                                  {"Morta", "", "", "", "", "", "*"}};
        QTest::newRow("by result") << TForm2::agruparPorResultado
                                   << QList<QStringList>{{"valor", "contagem", "base"},
                                                         {"a;b", "2", "Alfa"},
                                                         {"a;b", "2", "Beta"},
                                                         {"*", "1", "Morta"}};
    }
    void exportar()
    {
        QFETCH(int, agrupar);
        QFETCH(QList<QStringList>, esperado);
        TDialogosRoteirizados dialogos;
        TInstaladorDialogos instalador(dialogos);
        QTemporaryDir pasta;
        const QString arquivo = pasta.filePath(QStringLiteral("resultados.csv"));
        std::vector<TZamDadosItemPtr> registros = bases({"Alfa", "Beta"});
        auto morta = std::make_shared<TZamDadosItem>(registros[0]->host());
        morta->Setnome(QStringLiteral("Morta"));
        morta->Setporta(portaSemServidor());
        registros.push_back(morta);
        TJanelaSql j(registros);
        auto *exportar = j.janela->findChild<QPushButton *>("btnExportar");
        QVERIFY(exportar && !exportar->isEnabled());
        j.executar(QStringLiteral("select 'a;b' as v1, 'aspas \"x\"' as v2, "
                                  "'linha' || ascii_char(13) || ascii_char(10) || 'dois' as v3, "
                                  "'ação' as v4, cast(null as varchar(5)) as v5 "
                                  "from rdb$database"),
                   agrupar);
        QVERIFY(j.aguardar());
        QVERIFY(exportar->isEnabled());
        dialogos.chamadas.clear();
        dialogos.responderArquivo(arquivo);
        QTest::mouseClick(exportar, Qt::LeftButton);
        QCOMPARE(dialogos.chamadas.size(), std::size_t(1));
        QCOMPARE(dialogos.chamadas[0].tipo, TTipoDialogo::Arquivo);

        QFile lido(arquivo);
        QVERIFY(lido.open(QIODevice::ReadOnly));
        const QByteArray bytes = lido.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QVERIFY(bytes.endsWith("\r\n"));
        QList<QStringList> linhas = lerCsv(QString::fromUtf8(bytes.mid(3)));
        // By result the values come in order of falling count; the databases under a value
        // in the order they answered.
        const bool porResultado = agrupar == TForm2::agruparPorResultado;
        const auto chave = [porResultado](const QStringList &l) {
            return porResultado ? std::make_pair(-l.value(1).toInt(), l.value(2))
                                : std::make_pair(0, l.value(0));
        };
        if (porResultado) {
            for (int i = 2; i < linhas.size(); ++i)
                QVERIFY(linhas[i - 1].value(1).toInt() >= linhas[i].value(1).toInt());
        }
        std::sort(linhas.begin() + 1, linhas.end(),
                  [&](const QStringList &a, const QStringList &b) { return chave(a) < chave(b); });
        QCOMPARE(linhas.size(), esperado.size());
        for (int i = 0; i < linhas.size(); ++i) {
            QStringList esperada = esperado[i];
            // The failure's message is the connection's, whatever its words.
            const int posicao = int(esperada.indexOf(QStringLiteral("*")));
            if (posicao >= 0) {
                QVERIFY2(!linhas[i].value(posicao).isEmpty(), qPrintable(linhas[i].join('|')));
                esperada[posicao] = linhas[i].value(posicao);
            }
            QCOMPARE(linhas[i], esperada);
        }
    }

    // A file that cannot be written: the reason is told, and nothing else is touched.
    void exportarFalha()
    {
        TDialogosRoteirizados dialogos;
        TInstaladorDialogos instalador(dialogos);
        TJanelaSql j(bases({"Alfa"}));
        j.executar(sqlUltimo, TForm2::agruparPorBase);
        QVERIFY(j.aguardar());
        QTemporaryDir pasta;
        const QString arquivo = pasta.filePath(QStringLiteral("não existe/resultados.csv"));
        dialogos.responderArquivo(arquivo);
        j.janela->findChild<QPushButton *>("btnExportar")->click();
        QCOMPARE(dialogos.chamadas.size(), std::size_t(2));
        QCOMPARE(dialogos.chamadas[1].icone, TIconeDialogo::Erro);
        QVERIFY2(dialogos.chamadas[1].texto.contains(QStringLiteral("resultados.csv")),
                 qPrintable(dialogos.chamadas[1].texto));
        QVERIFY(!QFileInfo::exists(arquivo));
        // The results are still there to export elsewhere.
        QCOMPARE(j.lista()->count(), 1);
    }

    // "Repetir nas que falharam" runs the text again in the failed databases only; the
    // others keep their results.
    void repetirFalhas()
    {
        TDialogosRoteirizados dialogos;
        TInstaladorDialogos instalador(dialogos);
        std::vector<TZamDadosItemPtr> registros = bases({"Alfa", "Gama", "Delta"});
        const quint32 portaBoa = registros[1]->Getporta();
        registros[1]->Setporta(portaSemServidor());
        TJanelaSql j(registros);
        auto *repetir = j.janela->findChild<QPushButton *>("btnRepetir");
        QVERIFY(repetir && !repetir->isEnabled());
        j.executar(sqlUltimo, TForm2::agruparPorBase);
        QVERIFY(j.aguardar());
        QVERIFY(repetir->isEnabled());
        QCOMPARE(dialogos.chamadas.size(), std::size_t(1));

        // The server is back.
        registros[1]->Setporta(portaBoa);
        j.texto()->setPlainText(QStringLiteral("select 'outro texto' from rdb$database"));
        QTest::mouseClick(repetir, Qt::LeftButton);
        QCOMPARE(TForm2::ThreadsAtivas(), 1);
        QVERIFY(j.aguardar());
        QVERIFY(!repetir->isEnabled());
        QCOMPARE(dialogos.chamadas.size(), std::size_t(1));
        QStringList grupos;
        for (const TGrupoVisto &v : gruposVistos(*j.lista()))
            grupos << v.grupo.Header + u'|' + v.grupo.Subtitle + u'|' + v.legendas.join(u',');
        grupos.sort();
        QCOMPARE(grupos, QStringList({"Alfa|Count: 1|7.4.2", "Delta|Count: 2|8.0,8.0",
                                      "Gama|Count: 1|7.4.2"}));
    }

    // A hundred databases at once: each one is accounted for exactly once, the window goes on
    // handling events while the answers come, and no attachment stays open.
    void cemBases_data()
    {
        QTest::addColumn<int>("agrupar");
        QTest::newRow("by result") << TForm2::agruparPorResultado;
        QTest::newRow("by database") << TForm2::agruparPorBase;
    }
    void cemBases()
    {
        QFETCH(int, agrupar);
        TDialogosRoteirizados dialogos;
        TInstaladorDialogos instalador(dialogos);
        const std::vector<TZamDadosItemPtr> registros = cem();
        TJanelaSql j(registros);
        QVERIFY(QTest::qWaitForWindowExposed(j.janela));

        // Timer ticks that find the run under way: the handler did not hold the event loop.
        int ticksDuranteExecucao = 0;
        QTimer relogio;
        connect(&relogio, &QTimer::timeout, this, [&]() {
            if (!j.botao()->isEnabled() && TForm2::ThreadsAtivas() > 0)
                ++ticksDuranteExecucao;
        });
        relogio.start(5);
        j.executar(sqlUltimo, agrupar);
        QCOMPARE(TForm2::ThreadsAtivas(), 100);
        QVERIFY(j.aguardar());
        relogio.stop();
        QVERIFY(ticksDuranteExecucao > 0);

        QString falha;
        for (int i = 0; i < 100 && falha.isEmpty(); ++i) {
            if (semZamdef(i))
                falha = falhaDe(registros[std::size_t(i)], sqlUltimo);
        }
        QVERIFY(!falha.isEmpty());
        TZamListView *lista = j.lista();
        if (agrupar == TForm2::agruparPorResultado) {
            QVERIFY(dialogos.chamadas.empty());
            std::map<QString, TResultado> esperados;
            for (int i = 0; i < 100; ++i) {
                TResultado &r = esperados[semZamdef(i) ? minusculasAZ(falha) : versaoCem(i)];
                r.bases << nomeCem(i);
            }
            for (auto &[chave, r] : esperados)
                r.rodape = QString::number(r.bases.size());
            QString problema;
            QCOMPARE(resultados(*lista, &problema), esperados);
            QCOMPARE(problema, QString());
        } else {
            QCOMPARE(dialogos.chamadas.size(), std::size_t(1));
            QVERIFY(
                dialogos.chamadas[0].texto.startsWith(QStringLiteral("Falharam 5 de 100 bases:")));
            QStringList cabecalhos;
            for (const TGrupoVisto &v : gruposVistos(*lista)) {
                cabecalhos << v.grupo.Header;
                const int i = v.grupo.Header.mid(5).toInt();
                if (semZamdef(i)) {
                    QVERIFY(dialogos.chamadas[0].texto.contains(v.grupo.Header + u':'));
                    QCOMPARE(v.grupo.Subtitle, QStringLiteral("Falhou"));
                    QCOMPARE(v.legendas,
                             QStringList({QString(falha).replace(u'\n', QStringLiteral(" — "))}));
                } else {
                    QCOMPARE(v.grupo.Subtitle, QStringLiteral("Count: 1"));
                    QCOMPARE(v.legendas, QStringList({versaoCem(i)}));
                }
            }
            cabecalhos.sort();
            QCOMPARE(cabecalhos, nomes(registros));
        }
        QCOMPARE(diferencaDoModelo(*lista), QString());
        QCOMPARE(emUso(FPastaCem), QStringList());
    }

    // Values as the user reads them: exact, dates in the locale's order, NULL empty.
    void formatos_data()
    {
        QTest::addColumn<QString>("expressao");
        QTest::addColumn<QString>("local");
        QTest::addColumn<QString>("esperado");

        const QString br = QStringLiteral("pt_BR");
        QTest::newRow("date") << "cast('2024-01-31' as date)" << br << "31/01/2024";
        QTest::newRow("first date") << "cast('0001-01-01' as date)" << br << "01/01/0001";
        QTest::newRow("numeric") << "cast(1234.4 as numeric(15,2))" << br << "1234,40";
        QTest::newRow("negative numeric") << "cast(-0.5 as numeric(15,2))" << br << "-0,50";
        QTest::newRow("numeric of 18 digits")
            << "cast(-123456789012345.6789 as numeric(18,4))" << br << "-123456789012345,6789";
        QTest::newRow("numeric in a smallint") << "cast(12.5 as numeric(4,1))" << br << "12,5";
        QTest::newRow("largest bigint")
            << "cast(9223372036854775807 as bigint)" << br << "9223372036854775807";
        QTest::newRow("smallest bigint")
            << "cast(-9223372036854775808 as bigint)" << br << "-9223372036854775808";
        QTest::newRow("integer") << "cast(1234567 as integer)" << br << "1234567";
        QTest::newRow("timestamp")
            << "cast('2024-01-31 13:45:06.789' as timestamp)" << br << "31/01/2024 13:45:06,789";
        QTest::newRow("timestamp at midnight")
            << "cast('2024-02-29' as timestamp)" << br << "29/02/2024 00:00:00";
        QTest::newRow("last timestamp")
            << "cast('9999-12-31 23:59:59.9999' as timestamp)" << br << "31/12/9999 23:59:59,9999";
        QTest::newRow("time") << "cast('13:45:06' as time)" << br << "13:45:06";
        QTest::newRow("time with a fraction")
            << "cast('08:05:00.25' as time)" << br << "08:05:00,25";
        QTest::newRow("double") << "cast(1.5 as double precision)" << br << "1,5";
        QTest::newRow("large double") << "cast(1e300 as double precision)" << br << "1e+300";
        QTest::newRow("small double") << "cast(-1.25e-10 as double precision)" << br << "-1,25e-10";
        QTest::newRow("zero double") << "cast(0 as double precision)" << br << "0";
        QTest::newRow("text") << "cast('Açúcar & Café' as varchar(20))" << br << "Açúcar & Café";
        QTest::newRow("text blob")
            << "cast('um texto longo' as blob sub_type text)" << br << "um texto longo";
        QTest::newRow("boolean") << "true" << br << "TRUE";
        QTest::newRow("null") << "cast(null as date)" << br << "";
        QTest::newRow("date, en_US") << "cast('2024-01-31' as date)"
                                     << "en_US"
                                     << "01/31/2024";
        QTest::newRow("numeric, en_US") << "cast(1234.4 as numeric(15,2))"
                                        << "en_US"
                                        << "1234.40";
        QTest::newRow("timestamp, de_DE") << "cast('2024-01-31 13:45:06.789' as timestamp)"
                                          << "de_DE"
                                          << "31.01.2024 13:45:06,789";
    }
    void formatos()
    {
        QFETCH(QString, expressao);
        QFETCH(QString, local);
        QFETCH(QString, esperado);

        TConsultaZam consulta(base("Alfa")->GetstringConnection(),
                              "select " + expressao + " from rdb$database");
        consulta.Open();
        QCOMPARE(textoDoCampo(consulta.campo(0), consulta.campoTexto(0), QLocale(local)), esperado);
    }

    // The texts run come back in the next window: the last one at opening, the earlier ones
    // with Ctrl+Up and Ctrl+Down in the SQL box and from the drop-down.
    void historicoNaJanela()
    {
        TDialogosRoteirizados dialogos;
        TInstaladorDialogos instalador(dialogos);
        const QString primeiro = QStringLiteral("select 'um' from rdb$database");
        {
            TJanelaSql j(bases({"Alfa"}));
            QCOMPARE(j.texto()->toPlainText(), TForm2::sqlInicial);
            j.executar(primeiro, TForm2::agruparPorResultado);
            QVERIFY(j.aguardar());
            // A text refused before anything runs is no text run.
            j.texto()->setPlainText(QStringLiteral("select gen_id(gen_x, 1) from rdb$database"));
            QTest::mouseClick(j.botao(), Qt::LeftButton);
            QCOMPARE(dialogos.chamadas.size(), std::size_t(1));
            j.executar(sqlUltimo, TForm2::agruparPorBase);
            QVERIFY(j.aguardar());
        }
        TJanelaSql j(bases({"Alfa"}));
        QVERIFY(QTest::qWaitForWindowExposed(j.janela));
        QPlainTextEdit *texto = j.texto();
        QCOMPARE(texto->toPlainText(), sqlUltimo);
        QCOMPARE(j.janela->historico().textos(), QStringList({sqlUltimo, primeiro}));

        texto->setFocus();
        QTest::keyClick(texto, Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(texto->toPlainText(), primeiro);
        QTest::keyClick(texto, Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(texto->toPlainText(), primeiro);
        QTest::keyClick(texto, Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(texto->toPlainText(), sqlUltimo);
        // What was typed comes back at the end of the walk.
        texto->setPlainText(QStringLiteral("select 'digitado'"));
        QTest::keyClick(texto, Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(texto->toPlainText(), sqlUltimo);
        QTest::keyClick(texto, Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(texto->toPlainText(), QStringLiteral("select 'digitado'"));

        auto *botaoHistorico = j.janela->findChild<QToolButton *>("btnHistorico");
        QVERIFY(botaoHistorico);
        QCOMPARE(botaoHistorico->text(), QStringLiteral("Histórico"));
        QMenu *menu = botaoHistorico->menu();
        Q_EMIT menu->aboutToShow();
        QStringList entradas;
        for (const QAction *acao : menu->actions())
            entradas << acao->text();
        QCOMPARE(entradas, QStringList({sqlUltimo, QString(primeiro)}));
        menu->actions().at(1)->trigger();
        QCOMPARE(texto->toPlainText(), primeiro);
    }

    // A history file that cannot be used costs the history only: the window opens with the
    // sample text and runs.
    void historicoInutilizavelNaoBloqueia()
    {
        TDialogosRoteirizados dialogos;
        TInstaladorDialogos instalador(dialogos);
        QVERIFY(QDir().mkpath(THistoricoSql::arquivoPadrao()));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Histórico de SQL não lido"));
        TJanelaSql j(bases({"Alfa", "Gama"}));
        QCOMPARE(j.texto()->toPlainText(), TForm2::sqlInicial);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Histórico de SQL não gravado"));
        j.executar(sqlUltimo, TForm2::agruparPorResultado);
        QVERIFY(j.aguardar());
        QCOMPARE(cabecalhosERodapes(*j.lista()), QStringList{"7.4.2|2"});
        QVERIFY(QFileInfo(THistoricoSql::arquivoPadrao()).isDir());
    }

    // Ctrl+C on the list copies the selected rows, a group header the whole result, as
    // tab-separated text led by the database; Ctrl+C in the SQL box still copies its text.
    void copiar()
    {
        TDialogosRoteirizados dialogos;
        TInstaladorDialogos instalador(dialogos);
        TJanelaSql j(bases({"Alfa", "Gama"}));
        QVERIFY(QTest::qWaitForWindowExposed(j.janela));
        j.executar(QStringLiteral("select registro, 'São' || ascii_char(9) || 'João' as obs "
                                  "from trabalhador order by registro"),
                   TForm2::agruparPorBase);
        QVERIFY(j.aguardar());
        TZamListView *lista = j.lista();
        QClipboard *areaDeTransferencia = QGuiApplication::clipboard();

        auto *copiar = lista->findChild<QAction *>("mnCopiarLinhas");
        QVERIFY(copiar);
        QCOMPARE(copiar->text(), QStringLiteral("Copiar"));
        QVERIFY(lista->actions().contains(copiar));
        QCOMPARE(lista->contextMenuPolicy(), Qt::ActionsContextMenu);

        lista->setFocus();
        int gama = -1;
        for (int i = 0; i < lista->count(); ++i) {
            if (lista->groupById(lista->item(i).GroupID)->Header == u"Gama" &&
                lista->item(i).Caption == u"3")
                gama = i;
        }
        QVERIFY(gama >= 0);
        QTest::mouseClick(lista->viewport(), Qt::LeftButton, {},
                          lista->visualRect(lista->indiceDaLinha(gama)).center());
        QTest::keyClick(lista, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(areaDeTransferencia->text(), QStringLiteral("base\tREGISTRO\tOBS\n"
                                                             "Gama\t3\tSão João\n"));

        // A group header: every row, group after group as the list shows them.
        // A header takes the focus but no selection.
        const QModelIndex cabecalho = lista->model()->index(0, 0);
        QTest::mouseClick(lista->viewport(), Qt::LeftButton, {},
                          lista->visualRect(cabecalho).center());
        QCOMPARE(lista->linhaDoIndice(lista->selectionModel()->currentIndex()), -1);
        QString esperado = QStringLiteral("base\tREGISTRO\tOBS\n");
        for (const TGrupoVisto &v : gruposVistos(*lista)) {
            for (const QStringList &celulas : v.celulas)
                esperado += v.grupo.Header + u'\t' + celulas.at(0) + QStringLiteral("\tSão João\n");
        }
        QCOMPARE(esperado.count(u'\n'), 1 + 6);
        copiar->trigger();
        QCOMPARE(areaDeTransferencia->text(), esperado);

        QPlainTextEdit *texto = j.texto();
        texto->setFocus();
        texto->selectAll();
        QTest::keyClick(texto, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(areaDeTransferencia->text(), texto->toPlainText());
    }

    // The window shows them so, in the user's locale.
    void formatosNaJanela()
    {
        TDialogosRoteirizados dialogos;
        TInstaladorDialogos instalador(dialogos);
        TJanelaSql j(bases({"Alfa"}));
        j.executar(QStringLiteral("select cast('2024-01-31' as date), "
                                  "cast(1234.4 as numeric(15,2)), "
                                  "cast(9223372036854775807 as bigint), "
                                  "cast('2024-01-31 13:45:06.789' as timestamp), "
                                  "cast(null as integer) from rdb$database"),
                   TForm2::agruparPorBase);
        QVERIFY(j.aguardar());
        QVERIFY(dialogos.chamadas.empty());
        QCOMPARE(gruposVistos(*j.lista()).front().celulas,
                 QList<QStringList>({{"31/01/2024", "1234,40", "9223372036854775807",
                                      "31/01/2024 13:45:06,789", ""}}));
    }
};

QTEST_MAIN(TstSql)
#include "tst_sql.moc"
