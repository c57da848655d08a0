#include "controls/uTZamListView.h"
#include "execucao/motorExecucao.h"
#include "firebird/conexaoZam.h"
#include "jobs/coletas.h"
#include "jobs/renomearUF.h"
#include "jobs/trabalhador.h"
#include "platform/erros.h"
#include "support/arquivosTeste.h"
#include "support/dialogosRoteirizados.h"
#include "support/firebirdTeste.h"
#include "ui/main/uFormPrincipal.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

// The three batch jobs of the main window, driven through its menu against the private
// Firebird server: the window's folder holds ZamDados.Hosts.txt and zamcon.ini, its data
// folders hold real databases, and every dialog is answered by script.

using TUfs = std::vector<std::optional<QString>>;
Q_DECLARE_METATYPE(TUfs)

namespace {

const QString sqlQtd =
    QStringLiteral("select count(registro) from trabalhador where situacao = '1'");
const QString sqlTabdef = QStringLiteral("select ultimo from zamdef");
const QString sqlUf = QStringLiteral("select first 1 uf from empresa");
const QString tituloQtd = QStringLiteral("Qtd. Trabalhadores");
const QString tituloTabdef = QStringLiteral("TABDEF");
const QString tituloRenomear = QStringLiteral("Renomear Pastas para UF");
const QString perguntaRenomear =
    QStringLiteral("Confirma Renomear todas as Pastas acrescentando UF da base de dados?");
// What a row shows in a column where it has no cell at all.
const QString semCelula = QStringLiteral("<sem célula>");
const QStringList todosControles = {"ComboBox1", "Edit1",         "btnAtualizar", "btnOpcoes",
                                    "btnEntrar", "btnUltimaBase", "btnCancelar"};
constexpr int limiteTarefaMs = 60000;

// What the database answers a worker that fails: the text its row or its box must show.
QString falhaDoOpen(const TZamDadosItem &registro, const QString &sql)
{
    TConsultaZam consulta(registro.GetstringConnection(), sql);
    try {
        consulta.Open();
    } catch (const EZamErro &erro) {
        return erro.mensagem();
    }
    return QString();
}

QStringList ordenada(QStringList lista)
{
    lista.sort();
    return lista;
}

// Scripted dialogs that also let a test look at the window at the moment a message shows.
class TDialogosEspiados : public TDialogosRoteirizados
{
public:
    std::function<void(const TChamadaDialogo &)> aoMostrar;

    void mensagem(QWidget *pai, const QString &titulo, const QString &texto,
                  TIconeDialogo icone) override
    {
        TDialogosRoteirizados::mensagem(pai, titulo, texto, icone);
        if (aoMostrar)
            aoMostrar(chamadas.back());
    }
};

} // namespace

class TestTarefas : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void coletas_data();
    void coletas();
    void valorIgualAoMarcador();
    void respostaNao_data();
    void respostaNao();
    void coletaSemLinhas();
    void duasColetasAoMesmoTempo();
    void filtrarDuranteColeta();
    void execucaoTerminaComACaixaAberta();
    void outraPastaDuranteColeta();
    void renomear_data();
    void renomear();
    void renomearDuasVezes();
    void renomearComFalhas();
    void renomearDestinoOcupado();
    void renomearDepoisDeColeta();
    void renomearPastaSomenteLeitura();
    void renomearRecusado_data();
    void renomearRecusado();
    void sessentaBases_data();
    void sessentaBases();
    void fecharDuranteTrabalho_data();
    void fecharDuranteTrabalho();

private:
    QString programa() const { return FRaiz->path() + "/prog"; }
    quint16 porta() const { return TServidorFirebirdTeste::instancia().porta(); }
    void escreverHosts(const QStringList &compartilhamentos);
    void escreverPortaPadrao(quint32 valor);
    // The window over the first of the shares, which must all be registered.
    TForm1 &abrirPastas(const QStringList &compartilhamentos);
    TForm1 &abrir(const TPastaDadosTeste &pasta) { return abrirPastas({pasta.compartilhamento()}); }
    void escolherPasta(const QString &compartilhamento);
    void acionar(const char *nome);
    bool habilitada(const char *nome) const;
    void aguardarTrabalhadores();

    TZamListView *lista() const { return FForm->findChild<TZamListView *>("ZamListView1"); }
    QLineEdit *filtro() const { return FForm->findChild<QLineEdit *>("Edit1"); }
    QStringList nomes() const;
    // "NAME=text" for every row, sorted; semCelula where the row has no cell.
    QStringList celulas(int coluna) const;
    QStringList habilitados() const;
    TZamDadosItemPtr registro(const QString &nome) const
    {
        return FForm->pastas().FZamDadosList->items().value(nome);
    }
    QStringList mensagens(TIconeDialogo icone, const QString &titulo = QString()) const;
    int perguntas() const;
    // What the collection job must show: the values of initTestCase, and the database's
    // own failure for the two that fail.
    QStringList esperadoColeta(const QString &titulo) const;
    void pararPortaDaMorta();
    QStringList pastasEm(const TPastaDadosTeste &pasta) const;
    void marcar(const TPastaDadosTeste &pasta, const QString &nome);
    QString marca(const TPastaDadosTeste &pasta, const QString &nome) const;

    // Read-only databases of the collection jobs, made once.
    std::unique_ptr<TPastaDadosTeste> FColetas;
    // The databases of one test.
    std::unique_ptr<TPastaDadosTeste> FPasta;
    std::unique_ptr<QTemporaryDir> FRaiz;
    std::unique_ptr<TDialogosEspiados> FDialogos;
    std::unique_ptr<TInstaladorDialogos> FInstalador;
    std::unique_ptr<TForm1> FForm;
};

void TestTarefas::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    QApplication::setApplicationName("ZamDados");
    ZAM_EXIGIR_FIREBIRD();

    TBaseTeste alfa = TBaseTeste::comTrabalhadores("ALFA", 12345, 7);
    alfa.trabalhadores.push_back({std::nullopt, 3});
    alfa.ultimo = {QStringLiteral("7.4.2")};
    TBaseTeste beta = TBaseTeste::comTrabalhadores("BETA", 0, 5);
    beta.ultimo = {};
    TBaseTeste delta = TBaseTeste::comTrabalhadores("DELTA", 999, 1);
    delta.ultimo = {QStringLiteral("8.0.1"), QStringLiteral("8.0.0")};
    TBaseTeste gama = TBaseTeste::comTrabalhadores("GAMA", 1000);
    gama.ultimo = {std::nullopt};
    TBaseTeste morta = TBaseTeste::comTrabalhadores("MORTA", 4);
    TBaseTeste semTabelas = TBaseTeste::comTrabalhadores("SEMTABELAS", 2);
    semTabelas.tabelasAusentes = {"trabalhador", "zamdef"};
    FColetas = std::make_unique<TPastaDadosTeste>();
    QCOMPARE(FColetas->criarBases({alfa, beta, delta, gama, morta, semTabelas}), QString());
}

void TestTarefas::init()
{
    FRaiz = std::make_unique<QTemporaryDir>();
    QVERIFY(FRaiz->isValid());
    QVERIFY(QDir().mkpath(programa()));
    FDialogos = std::make_unique<TDialogosEspiados>();
    FInstalador = std::make_unique<TInstaladorDialogos>(*FDialogos);
}

void TestTarefas::cleanup()
{
    FForm.reset();
    // Whatever the test left running ends now, and leaves nothing open on the server.
    QVERIFY2(TTrabalhador::aguardarTodos(10000), "workers still running after the test");
    QVERIFY2(TMotorExecucao::aguardarTodas(10000), "runs still under way after the test");
    QCOMPARE(TRenomearPastasParaUF::getInstanceCount(), 0);
    const TServidorFirebirdTeste &servidor = TServidorFirebirdTeste::instancia();
    QCOMPARE(servidor.aguardarBancosLivres(FColetas->compartilhamento()), QStringList());
    if (FPasta)
        QCOMPARE(servidor.aguardarBancosLivres(FPasta->compartilhamento()), QStringList());
    FPasta.reset();
    if (FDialogos)
        QCOMPARE(FDialogos->respostasPendentes(), 0);
    FInstalador.reset();
    FDialogos.reset();
    FRaiz.reset();
}

// ---- helpers ----

void TestTarefas::escreverHosts(const QStringList &compartilhamentos)
{
    // The server reaches each share's ZAM_DADOS the way we do.
    QByteArray conteudo;
    for (const QString &compartilhamento : compartilhamentos)
        conteudo += (compartilhamento + u'=' + compartilhamento + "/ZAM_DADOS/").toUtf8() + "\r\n";
    escreverArquivo(programa() + "/ZamDados.Hosts.txt", conteudo);
}

void TestTarefas::escreverPortaPadrao(quint32 valor)
{
    escreverArquivo(programa() + "/zamcon.ini",
                    "[SERVIDOR]\r\nPORTA=" + QByteArray::number(valor) + "\r\n");
}

TForm1 &TestTarefas::abrirPastas(const QStringList &compartilhamentos)
{
    escreverHosts(compartilhamentos);
    // The scan gives every database the test server's port.
    escreverPortaPadrao(porta());
    FForm = std::make_unique<TForm1>(programa(), QStringList());
    FForm->show();
    if (!QTest::qWaitForWindowExposed(FForm.get()))
        qWarning("main window not exposed");
    escolherPasta(compartilhamentos.first());
    return *FForm;
}

void TestTarefas::escolherPasta(const QString &compartilhamento)
{
    auto *combo = FForm->findChild<QComboBox *>("ComboBox1");
    const int linha = combo->findText(compartilhamento);
    QVERIFY2(linha >= 0, qPrintable(compartilhamento));
    if (combo->currentIndex() == linha && FForm->pastas().FZamDadosList &&
        FForm->pastas().FZamDadosList->host()->compartilhamento() == compartilhamento)
        return;
    combo->setCurrentIndex(linha);
    Q_EMIT combo->activated(linha);
    FForm->ComboBox1Select();
}

void TestTarefas::acionar(const char *nome)
{
    auto *acao = FForm->findChild<QAction *>(nome);
    QVERIFY2(acao, nome);
    acao->trigger();
}

bool TestTarefas::habilitada(const char *nome) const
{
    const auto *acao = FForm->findChild<QAction *>(nome);
    return acao && acao->isEnabled();
}

void TestTarefas::aguardarTrabalhadores()
{
    QTRY_VERIFY_WITH_TIMEOUT(TTrabalhador::emExecucao() == 0 &&
                                 TMotorExecucao::execucoesEmAndamento() == 0 &&
                                 TMotorExecucao::trabalhadoresAtivos() == 0,
                             limiteTarefaMs);
    // The end handlers queued by the last workers.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

QStringList TestTarefas::nomes() const
{
    QStringList resultado;
    for (int i = 0; i < lista()->count(); ++i)
        resultado << lista()->item(i).Caption;
    return ordenada(resultado);
}

QStringList TestTarefas::celulas(int coluna) const
{
    QStringList resultado;
    for (int i = 0; i < lista()->count(); ++i) {
        const TZamListItem &item = lista()->item(i);
        resultado << item.Caption + u'=' +
                         (coluna - 1 < item.SubItems.size() ? item.SubItems[coluna - 1]
                                                            : semCelula);
    }
    return ordenada(resultado);
}

QStringList TestTarefas::habilitados() const
{
    QStringList resultado;
    for (const QString &nome : todosControles) {
        const auto *controle = FForm->findChild<QWidget *>(nome);
        if (controle && controle->isEnabled())
            resultado << nome;
    }
    return resultado;
}

QStringList TestTarefas::mensagens(TIconeDialogo icone, const QString &titulo) const
{
    QStringList textos;
    for (const TChamadaDialogo &chamada : FDialogos->chamadas) {
        if (chamada.tipo == TTipoDialogo::Mensagem && chamada.icone == icone &&
            (titulo.isNull() || chamada.titulo == titulo))
            textos << chamada.titulo + u'|' + chamada.texto;
    }
    return textos;
}

int TestTarefas::perguntas() const
{
    return int(
        std::count_if(FDialogos->chamadas.cbegin(), FDialogos->chamadas.cend(),
                      [](const TChamadaDialogo &c) { return c.tipo == TTipoDialogo::Pergunta; }));
}

void TestTarefas::pararPortaDaMorta()
{
    const quint16 morta = portaSemServidor();
    QVERIFY(morta != 0);
    registro("MORTA")->Setporta(morta);
}

QStringList TestTarefas::esperadoColeta(const QString &titulo) const
{
    const bool qtd = titulo == tituloQtd;
    QStringList textos = qtd ? QStringList{"ALFA=12.345", "BETA=0", "DELTA=999", "GAMA=1.000"}
                             : QStringList{"ALFA=7.4.2", "BETA=", "DELTA=8.0.1", "GAMA="};
    for (const QString &nome : {QStringLiteral("MORTA"), QStringLiteral("SEMTABELAS")})
        textos << nome + u'=' + falhaDoOpen(*registro(nome), qtd ? sqlQtd : sqlTabdef);
    return ordenada(textos);
}

QStringList TestTarefas::pastasEm(const TPastaDadosTeste &pasta) const
{
    return QDir(pasta.pastaDados()).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

void TestTarefas::marcar(const TPastaDadosTeste &pasta, const QString &nome)
{
    escreverArquivo(pasta.pastaDados() + nome + "/marca.txt", nome.toUtf8());
}

QString TestTarefas::marca(const TPastaDadosTeste &pasta, const QString &nome) const
{
    const QString arquivo = pasta.pastaDados() + nome + "/marca.txt";
    return QFile::exists(arquivo) ? QString::fromUtf8(lerArquivo(arquivo)) : QString();
}

// ---- the two collection jobs ----

void TestTarefas::coletas_data()
{
    QTest::addColumn<QByteArray>("acao");
    QTest::addColumn<QString>("titulo");
    QTest::addColumn<QString>("pergunta");
    QTest::addColumn<QString>("tabela");
    QTest::addColumn<QString>("fim");

    QTest::newRow("active workers")
        << QByteArray("mnColetarQtdTrabalhadores") << tituloQtd
        << "Confirma Obter todas as Quantidades de Trabalhadores Ativos?"
        << "TRABALHADOR" << u"Trabalhadores|Coleta de Quantidade de Trabalhadores Concluída"_qs;
    QTest::newRow("definitions version") << QByteArray("mnColetarVersaoTabdef") << tituloTabdef
                                         << u"Confirma obter todas as versões de TABDEF?"_qs
                                         << "ZAMDEF" << u"Tabdef|Coleta de Tabdef Concluída"_qs;
}

// Every row gets its own answer: counts grouped in the user's locale and a single 0, the
// first version or an empty cell for an empty table or a NULL, and the database's own
// message for a port where nothing listens and for a missing table. The message that the
// job is done comes once, when every row has its text.
void TestTarefas::coletas()
{
    QFETCH(QByteArray, acao);
    QFETCH(QString, titulo);
    QFETCH(QString, pergunta);
    QFETCH(QString, tabela);
    QFETCH(QString, fim);

    abrir(*FColetas);
    QCOMPARE(nomes(), QStringList({"ALFA", "BETA", "DELTA", "GAMA", "MORTA", "SEMTABELAS"}));
    pararPortaDaMorta();
    const QStringList esperado = esperadoColeta(titulo);
    for (const QString &linha : esperado.filter(QRegularExpression("^(MORTA|SEMTABELAS)=")))
        QVERIFY2(!linha.endsWith(u'='), qPrintable(linha));
    QVERIFY2(esperado.filter("SEMTABELAS=").value(0).contains(tabela),
             qPrintable(esperado.join('\n')));
    // The new column takes the width of the one to its left as it is now.
    lista()->setColumnWidth(3, 97);

    QStringList noFim;
    FDialogos->aoMostrar = [&](const TChamadaDialogo &chamada) {
        if (chamada.icone == TIconeDialogo::Informacao)
            noFim = celulas(4);
    };
    FDialogos->responderPergunta(true);
    acionar(acao);

    QCOMPARE(FDialogos->chamadas.size(), std::size_t(1));
    QCOMPARE(FDialogos->chamadas[0].titulo, QString("ZamDados"));
    QCOMPARE(FDialogos->chamadas[0].texto, pergunta);
    QCOMPARE(lista()->columnCount(), 5);
    QCOMPARE(lista()->column(4).Caption, titulo);
    QCOMPARE(lista()->column(4).Width, 97);
    QCOMPARE(lista()->column(4).Alignment, Qt::Alignment(Qt::AlignRight));
    QVERIFY(!habilitada(acao));

    aguardarTrabalhadores();
    QCOMPARE(celulas(4), esperado);
    QCOMPARE(mensagens(TIconeDialogo::Informacao), QStringList({fim}));
    QCOMPARE(noFim, esperado);
    QCOMPARE(mensagens(TIconeDialogo::Erro), QStringList());
    QCOMPARE(FDialogos->chamadas.back().pai, FForm.get());
    // The job's own columns only.
    QCOMPARE(lista()->columnCount(), 5);
}

// A version that is exactly "?" cannot be told from a row still waiting: the job never
// says it is done.
void TestTarefas::valorIgualAoMarcador()
{
    FPasta = std::make_unique<TPastaDadosTeste>();
    TBaseTeste interrogacao = TBaseTeste::comTrabalhadores("INTERROGACAO", 1);
    interrogacao.ultimo = {QStringLiteral("?")};
    TBaseTeste normal = TBaseTeste::comTrabalhadores("NORMAL", 1);
    normal.ultimo = {QStringLiteral("7.5.0")};
    QCOMPARE(FPasta->criarBases({interrogacao, normal}), QString());
    abrir(*FPasta);

    FDialogos->responderPergunta(true);
    acionar("mnColetarVersaoTabdef");
    aguardarTrabalhadores();
    QTest::qWait(200);
    QCOMPARE(celulas(4), QStringList({"INTERROGACAO=?", "NORMAL=7.5.0"}));
    QCOMPARE(mensagens(TIconeDialogo::Informacao), QStringList());
}

void TestTarefas::respostaNao_data()
{
    QTest::addColumn<QByteArray>("acao");
    QTest::addColumn<QString>("titulo");
    QTest::newRow("active workers") << QByteArray("mnColetarQtdTrabalhadores") << tituloQtd;
    QTest::newRow("definitions version") << QByteArray("mnColetarVersaoTabdef") << tituloTabdef;
}

// No: the column stays, empty; nothing reads a database; the entry stays disabled.
void TestTarefas::respostaNao()
{
    QFETCH(QByteArray, acao);
    QFETCH(QString, titulo);
    abrir(*FColetas);

    FDialogos->responderPergunta(false);
    acionar(acao);
    QCOMPARE(TTrabalhador::emExecucao(), 0);
    QTest::qWait(300);
    QCOMPARE(lista()->columnCount(), 5);
    QCOMPARE(lista()->column(4).Caption, titulo);
    for (const QString &linha : celulas(4))
        QVERIFY2(linha.endsWith(semCelula), qPrintable(linha));
    // Nothing attached to these databases, not even for a moment.
    QCOMPARE(
        TServidorFirebirdTeste::instancia().aguardarBancosLivres(FColetas->compartilhamento(), 0),
        QStringList());
    QVERIFY(!habilitada(acao));

    // A disabled entry does nothing: no question, no second column.
    acionar(acao);
    QCOMPARE(perguntas(), 1);
    QCOMPARE(lista()->columnCount(), 5);
    QCOMPARE(mensagens(TIconeDialogo::Informacao), QStringList());
}

// The filter hides every database: the column comes, no worker, no message.
void TestTarefas::coletaSemLinhas()
{
    abrir(*FColetas);
    filtro()->setText("nenhuma-base-assim");
    QCOMPARE(lista()->count(), 0);

    FDialogos->responderPergunta(true);
    acionar("mnColetarQtdTrabalhadores");
    QCOMPARE(lista()->columnCount(), 5);
    QCOMPARE(TTrabalhador::emExecucao(), 0);
    QTest::qWait(300);
    QCOMPARE(FDialogos->chamadas.size(), std::size_t(1));

    // The hidden databases got nothing.
    filtro()->clear();
    for (const QString &linha : celulas(4))
        QVERIFY2(linha.endsWith(semCelula), qPrintable(linha));
}

// The definitions job started while the count job runs: TABDEF as wide as the column to its
// left, each job into its own column only, each announcing its own end once.
void TestTarefas::duasColetasAoMesmoTempo()
{
    abrir(*FColetas);
    pararPortaDaMorta();
    FDialogos->responderPergunta(true);
    FDialogos->responderPergunta(true);

    acionar("mnColetarQtdTrabalhadores");
    QCOMPARE(lista()->column(4).Width, lista()->column(3).Width);
    lista()->setColumnWidth(4, 133);
    // No event has been handled yet, so no worker of the first job has written anything.
    acionar("mnColetarVersaoTabdef");
    QCOMPARE(lista()->columnCount(), 6);
    QCOMPARE(lista()->column(5).Caption, tituloTabdef);
    QCOMPARE(lista()->column(5).Width, 133);

    aguardarTrabalhadores();
    QCOMPARE(celulas(4), esperadoColeta(tituloQtd));
    QCOMPARE(celulas(5), esperadoColeta(tituloTabdef));
    QStringList titulos;
    for (const QString &mensagem : mensagens(TIconeDialogo::Informacao))
        titulos << mensagem.section(u'|', 0, 0);
    QCOMPARE(ordenada(titulos), QStringList({"Tabdef", "Trabalhadores"}));
}

// The rows are rebuilt while the job runs (filter, refresh from disk, other filter): every
// result reaches its database's row, and shows again when the row comes back.
void TestTarefas::filtrarDuranteColeta()
{
    abrir(*FColetas);
    pararPortaDaMorta();
    const QStringList esperado = esperadoColeta(tituloQtd);
    FDialogos->responderPergunta(true);
    acionar("mnColetarQtdTrabalhadores");

    filtro()->setText("E");
    QCOMPARE(nomes(), QStringList({"BETA", "DELTA", "SEMTABELAS"}));
    const auto algumResultado = [this]() {
        for (const QString &linha : celulas(4)) {
            if (!linha.endsWith(u'?') && !linha.endsWith(semCelula))
                return true;
        }
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(algumResultado(), limiteTarefaMs);
    FForm->findChild<QPushButton *>("btnAtualizar")->click();
    QCOMPARE(nomes(), QStringList({"BETA", "DELTA", "SEMTABELAS"}));
    filtro()->setText("G");
    QCOMPARE(nomes(), QStringList({"GAMA"}));

    aguardarTrabalhadores();
    QCOMPARE(celulas(4), QStringList({"GAMA=1.000"}));
    filtro()->clear();
    QCOMPARE(celulas(4), esperado);
    QCOMPARE(mensagens(TIconeDialogo::Informacao).size(), 1);
}

// A real box runs an event loop of its own. With the list filtered to one row, the job is done
// with what shows while another database still hangs at logging in; the run ends while the
// box is open, and the job must outlive the box that it is still inside of.
void TestTarefas::execucaoTerminaComACaixaAberta()
{
    abrir(*FColetas);
    QTcpServer mudo;
    QVERIFY(mudo.listen(QHostAddress::LocalHost));
    registro("MORTA")->Setporta(mudo.serverPort());
    int caixas = 0;
    bool vivaAoFechar = false;
    FDialogos->aoMostrar = [&, this](const TChamadaDialogo &chamada) {
        if (chamada.icone != TIconeDialogo::Informacao)
            return;
        ++caixas;
        QEventLoop laco;
        QTimer relogio;
        relogio.setInterval(10);
        QObject::connect(&relogio, &QTimer::timeout, &laco, [&laco]() {
            // The hanging login ends the way a timeout would end it.
            TMotorExecucao::cancelarTodas();
            if (TMotorExecucao::execucoesEmAndamento() == 0)
                QTimer::singleShot(50, &laco, &QEventLoop::quit);
        });
        relogio.start();
        QTimer::singleShot(limiteTarefaMs, &laco, &QEventLoop::quit);
        laco.exec();
        vivaAoFechar = !FForm->findChildren<TExecucaoColeta *>().isEmpty();
    };
    FDialogos->responderPergunta(true);
    acionar("mnColetarQtdTrabalhadores");
    filtro()->setText("G");
    QCOMPARE(nomes(), QStringList({"GAMA"}));

    QTRY_COMPARE_WITH_TIMEOUT(caixas, 1, limiteTarefaMs);
    aguardarTrabalhadores();
    QCOMPARE(TMotorExecucao::execucoesEmAndamento(), 0);
    QCOMPARE(celulas(4), QStringList({"GAMA=1.000"}));
    QCOMPARE(caixas, 1);
    QVERIFY(vivaAoFechar);
    // Freed once the box has closed.
    QTRY_VERIFY(FForm->findChildren<TExecucaoColeta *>().isEmpty());
}

// Another data folder chosen while the job runs: the old rows are gone, their results are
// dropped, and the new rows (one of them a database of the same name) get none.
void TestTarefas::outraPastaDuranteColeta()
{
    FPasta = std::make_unique<TPastaDadosTeste>();
    QCOMPARE(FPasta->criarBases({TBaseTeste::comTrabalhadores("ALFA", 3),
                                 TBaseTeste::comTrabalhadores("OUTRA", 4)}),
             QString());
    abrirPastas({FColetas->compartilhamento(), FPasta->compartilhamento()});
    QCOMPARE(lista()->count(), 6);
    FDialogos->responderPergunta(true);
    acionar("mnColetarQtdTrabalhadores");
    escolherPasta(FPasta->compartilhamento());
    QCOMPARE(nomes(), QStringList({"ALFA", "OUTRA"}));

    aguardarTrabalhadores();
    QTest::qWait(200);
    QCOMPARE(celulas(4), QStringList({"ALFA=" + semCelula, "OUTRA=" + semCelula}));
    QCOMPARE(mensagens(TIconeDialogo::Informacao), QStringList());
    QCOMPARE(mensagens(TIconeDialogo::Erro), QStringList());
}

// ---- rename by state ----

void TestTarefas::renomear_data()
{
    QTest::addColumn<QString>("nome");
    QTest::addColumn<TUfs>("ufs");
    QTest::addColumn<QString>("esperado");
    QTest::addColumn<bool>("erro");

    const auto uf = [](const char *texto) { return TUfs{QString::fromUtf8(texto)}; };
    QTest::newRow("gets its state") << "CLIENTE" << uf("sp") << "CLIENTE-SP" << false;
    QTest::newRow("underscore and state") << "CLIENTE_SP" << uf("SP") << "CLIENTE_SP" << false;
    QTest::newRow("hyphen and state") << "CLIENTE-SP" << uf("SP") << "CLIENTE-SP" << false;
    QTest::newRow("lower-case name") << "cliente-sp" << uf("SP") << "cliente-sp" << false;
    QTest::newRow("both lower-case") << "cliente-sp" << uf("sp") << "cliente-sp" << false;
    QTest::newRow("another state") << "CLIENTE-SP" << uf("RJ") << "CLIENTE-SP-RJ" << false;
    QTest::newRow("one character") << "X" << uf("sp") << "X-SP" << false;
    QTest::newRow("two characters, the state") << "SP" << uf("SP") << "SP-SP" << false;
    QTest::newRow("one-letter state") << "CLIENTE" << uf("s") << "CLIENTE-S" << false;
    QTest::newRow("first row of empresa")
        << "CLIENTE" << TUfs{QString("rj"), QString("sp")} << "CLIENTE-RJ" << false;
    QTest::newRow("empty state") << "CLIENTE" << uf("") << "CLIENTE" << false;
    QTest::newRow("NULL state") << "CLIENTE" << TUfs{std::nullopt} << "CLIENTE" << false;
    QTest::newRow("empresa without rows") << "CLIENTE" << TUfs{} << "CLIENTE" << false;
    QTest::newRow("state ..") << "CLIENTE" << uf("..") << "CLIENTE" << true;
    QTest::newRow("state with a slash") << "CLIENTE" << uf("/x") << "CLIENTE" << true;
    QTest::newRow("state with a backslash") << "CLIENTE" << uf("a\\") << "CLIENTE" << true;
    QTest::newRow("state with a control character")
        << "CLIENTE" << uf("S\x01") << "CLIENTE" << true;
    QTest::newRow("state with a colon") << "CLIENTE" << uf("S:") << "CLIENTE" << true;
}

// One database through the whole job: the folder on disk, the row and the catalogue after
// the refresh, the port of the database kept, the window locked until the end, and the
// "Erro" box for a state that cannot be part of a folder name.
void TestTarefas::renomear()
{
    QFETCH(QString, nome);
    QFETCH(TUfs, ufs);
    QFETCH(QString, esperado);
    QFETCH(bool, erro);

    FPasta = std::make_unique<TPastaDadosTeste>();
    TBaseTeste base = TBaseTeste::comTrabalhadores(nome, 1);
    base.uf = ufs;
    QCOMPARE(FPasta->criarBase(base), QString());
    marcar(*FPasta, nome);
    abrir(*FPasta);
    QCOMPARE(nomes(), QStringList({nome}));
    // A database the refresh finds anew would get this port.
    escreverPortaPadrao(3099);

    QStringList habilitadosNoErro{"not shown"};
    FDialogos->aoMostrar = [&](const TChamadaDialogo &) { habilitadosNoErro = habilitados(); };
    FDialogos->responderPergunta(true);
    acionar("mnRenomearPastasParaUF");
    QCOMPARE(FDialogos->chamadas.size(), std::size_t(1));
    QCOMPARE(FDialogos->chamadas[0].titulo, tituloRenomear);
    QCOMPARE(FDialogos->chamadas[0].texto, perguntaRenomear);
    QCOMPARE(habilitados(), QStringList());

    QTRY_COMPARE_WITH_TIMEOUT(habilitados(), todosControles, limiteTarefaMs);
    aguardarTrabalhadores();
    QCOMPARE(pastasEm(*FPasta), QStringList({esperado}));
    QCOMPARE(marca(*FPasta, esperado), nome);
    QCOMPARE(nomes(), QStringList({esperado}));
    QCOMPARE(FForm->pastas().FZamDadosList->items().keys(), QStringList({esperado}));
    QCOMPARE(registro(esperado)->Getporta(), quint32(porta()));
    QCOMPARE(lista()->item(0).SubItems.value(0), QString::number(porta()));
    TZamDadosList gravado(FPasta->host());
    QCOMPARE(gravado.items().keys(), QStringList({esperado}));
    QCOMPARE(gravado.items().value(esperado)->Getporta(), quint32(porta()));
    // Nothing was made beside the data folder either.
    QCOMPARE(QDir(FPasta->compartilhamento()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList({"ZAM_DADOS", "ZamDados.csv"}));

    const QStringList erros = mensagens(TIconeDialogo::Erro);
    if (erro) {
        QCOMPARE(erros.size(), 1);
        QVERIFY2(erros[0].startsWith("Erro|"), qPrintable(erros[0]));
        QVERIFY2(erros[0].contains(*ufs[0]), qPrintable(erros[0]));
        QCOMPARE(habilitadosNoErro, QStringList());
    } else {
        QCOMPARE(erros, QStringList());
    }
    QCOMPARE(FDialogos->chamadas.size(), std::size_t(erro ? 2 : 1));
}

// The entry stays enabled; a second run leaves alone what the first gave its state, and a
// state of one letter never matches the three-character tail, so it is appended again.
void TestTarefas::renomearDuasVezes()
{
    FPasta = std::make_unique<TPastaDadosTeste>();
    TBaseTeste cliente = TBaseTeste::comTrabalhadores("CLIENTE", 1);
    cliente.uf = {QStringLiteral("sp")};
    TBaseTeste loja = TBaseTeste::comTrabalhadores("LOJA", 1);
    loja.uf = {QStringLiteral("s")};
    TBaseTeste x = TBaseTeste::comTrabalhadores("X", 1);
    x.uf = {QStringLiteral("SP")};
    QCOMPARE(FPasta->criarBases({cliente, loja, x}), QString());
    abrir(*FPasta);

    const QStringList depois[] = {{"CLIENTE-SP", "LOJA-S", "X-SP"},
                                  {"CLIENTE-SP", "LOJA-S-S", "X-SP"}};
    for (const QStringList &esperado : depois) {
        QVERIFY(habilitada("mnRenomearPastasParaUF"));
        FDialogos->responderPergunta(true);
        acionar("mnRenomearPastasParaUF");
        QCOMPARE(habilitados(), QStringList());
        QTRY_COMPARE_WITH_TIMEOUT(habilitados(), todosControles, limiteTarefaMs);
        aguardarTrabalhadores();
        QCOMPARE(pastasEm(*FPasta), esperado);
        QCOMPARE(nomes(), esperado);
        QCOMPARE(TRenomearPastasParaUF::getInstanceCount(), 0);
    }
    QCOMPARE(mensagens(TIconeDialogo::Erro), QStringList());
}

// A database that cannot be reached and one without empresa: one "Erro" box at the end
// names both, each with its own message, shown while the window is locked; the others are
// renamed and the job still ends with the refresh and the window unlocked.
void TestTarefas::renomearComFalhas()
{
    FPasta = std::make_unique<TPastaDadosTeste>();
    TBaseTeste alfa = TBaseTeste::comTrabalhadores("ALFA", 1);
    alfa.uf = {QStringLiteral("sp")};
    TBaseTeste beta = TBaseTeste::comTrabalhadores("BETA", 1);
    beta.uf = {QStringLiteral("rj")};
    TBaseTeste morta = TBaseTeste::comTrabalhadores("MORTA", 1);
    morta.uf = {QStringLiteral("mg")};
    TBaseTeste semEmpresa = TBaseTeste::comTrabalhadores("SEMEMPRESA", 1);
    semEmpresa.tabelasAusentes = {"empresa"};
    QCOMPARE(FPasta->criarBases({alfa, beta, morta, semEmpresa}), QString());
    abrir(*FPasta);
    pararPortaDaMorta();
    const QStringList falhas = {
        "MORTA: " + falhaDoOpen(*registro("MORTA"), sqlUf).replace(u'\n', u' '),
        "SEMEMPRESA: " + falhaDoOpen(*registro("SEMEMPRESA"), sqlUf).replace(u'\n', u' ')};
    QVERIFY2(falhas.filter("EMPRESA").size() == 1, qPrintable(falhas.join('\n')));

    QList<QStringList> habilitadosNosErros;
    FDialogos->aoMostrar = [&](const TChamadaDialogo &) { habilitadosNosErros << habilitados(); };
    FDialogos->responderPergunta(true);
    acionar("mnRenomearPastasParaUF");
    QTRY_COMPARE_WITH_TIMEOUT(habilitados(), todosControles, limiteTarefaMs);
    aguardarTrabalhadores();

    const QStringList erros = mensagens(TIconeDialogo::Erro);
    QCOMPARE(erros.size(), 1);
    QStringList linhas = erros[0].split(u'\n');
    QCOMPARE(linhas.mid(0, 2), QStringList({"Erro|Falharam 2 de 4 bases:", ""}));
    QCOMPARE(ordenada(linhas.mid(2)), falhas);
    QCOMPARE(habilitadosNosErros, QList<QStringList>({{}}));
    QCOMPARE(pastasEm(*FPasta), QStringList({"ALFA-SP", "BETA-RJ", "MORTA", "SEMEMPRESA"}));
    QCOMPARE(nomes(), QStringList({"ALFA-SP", "BETA-RJ", "MORTA", "SEMEMPRESA"}));
}

// The name wanted is taken by another database: that folder is never touched, and the
// folder moves to a fresh name, which the list shows with the database's port.
void TestTarefas::renomearDestinoOcupado()
{
    FPasta = std::make_unique<TPastaDadosTeste>();
    TBaseTeste cliente = TBaseTeste::comTrabalhadores("CLIENTE", 1);
    cliente.uf = {QStringLiteral("sp")};
    TBaseTeste ocupada = TBaseTeste::comTrabalhadores("CLIENTE-SP", 1);
    ocupada.uf = {QStringLiteral("SP")};
    QCOMPARE(FPasta->criarBases({cliente, ocupada}), QString());
    marcar(*FPasta, "CLIENTE");
    marcar(*FPasta, "CLIENTE-SP");
    abrir(*FPasta);
    escreverPortaPadrao(3099);

    FDialogos->responderPergunta(true);
    acionar("mnRenomearPastasParaUF");
    QTRY_COMPARE_WITH_TIMEOUT(habilitados(), todosControles, limiteTarefaMs);
    aguardarTrabalhadores();

    const QStringList pastas = pastasEm(*FPasta);
    QCOMPARE(pastas.size(), 2);
    QVERIFY2(!pastas.contains("CLIENTE"), qPrintable(pastas.join(", ")));
    QCOMPARE(marca(*FPasta, "CLIENTE-SP"), QString("CLIENTE-SP"));
    QStringList outras = pastas;
    outras.removeAll("CLIENTE-SP");
    QCOMPARE(outras.size(), 1);
    const QString nova = outras[0];
    QVERIFY2(nova.startsWith("CLIENTE-SP"), qPrintable(nova));
    QCOMPARE(marca(*FPasta, nova), QString("CLIENTE"));
    QCOMPARE(nomes(), pastas);
    QCOMPARE(registro(nova)->Getporta(), quint32(porta()));
    QCOMPARE(mensagens(TIconeDialogo::Erro), QStringList());
}

// Locking the window for the rename reloads nothing: the folder it leaves alone keeps the
// count collected before, and nothing is refreshed before the job's end.
void TestTarefas::renomearDepoisDeColeta()
{
    FPasta = std::make_unique<TPastaDadosTeste>();
    TBaseTeste alfa = TBaseTeste::comTrabalhadores("ALFA", 1500);
    alfa.uf = {QStringLiteral("sp")};
    TBaseTeste beta = TBaseTeste::comTrabalhadores("BETA-RJ", 7);
    beta.uf = {QStringLiteral("rj")};
    QCOMPARE(FPasta->criarBases({alfa, beta}), QString());
    abrir(*FPasta);
    FDialogos->responderPergunta(true);
    acionar("mnColetarQtdTrabalhadores");
    aguardarTrabalhadores();
    QCOMPARE(celulas(4), QStringList({"ALFA=1.500", "BETA-RJ=7"}));
    const TZamDadosItemPtr registroBeta = registro("BETA-RJ");

    FDialogos->responderPergunta(true);
    acionar("mnRenomearPastasParaUF");
    QTRY_COMPARE_WITH_TIMEOUT(habilitados(), todosControles, limiteTarefaMs);
    aguardarTrabalhadores();
    QCOMPARE(nomes(), QStringList({"ALFA-SP", "BETA-RJ"}));
    QCOMPARE(registro("BETA-RJ"), registroBeta);
    QCOMPARE(celulas(4).filter("BETA-RJ="), QStringList({"BETA-RJ=7"}));
}

// Neither attempt can move the folder: it stays, and the refresh shows its name on disk in
// place of the caption that got the suffix.
void TestTarefas::renomearPastaSomenteLeitura()
{
    FPasta = std::make_unique<TPastaDadosTeste>();
    TBaseTeste cliente = TBaseTeste::comTrabalhadores("CLIENTE", 1);
    cliente.uf = {QStringLiteral("sp")};
    QCOMPARE(FPasta->criarBase(cliente), QString());
    abrir(*FPasta);
    TPastaSomenteLeitura somenteLeitura(FPasta->pastaDados());
    QVERIFY(somenteLeitura.ativa());

    FDialogos->responderPergunta(true);
    acionar("mnRenomearPastasParaUF");
    QTRY_COMPARE_WITH_TIMEOUT(habilitados(), todosControles, limiteTarefaMs);
    aguardarTrabalhadores();
    QCOMPARE(pastasEm(*FPasta), QStringList({"CLIENTE"}));
    QCOMPARE(nomes(), QStringList({"CLIENTE"}));
    QCOMPARE(registro("CLIENTE")->Getporta(), quint32(porta()));
}

void TestTarefas::renomearRecusado_data()
{
    QTest::addColumn<QString>("filtroTexto");
    QTest::addColumn<bool>("pergunta");
    QTest::newRow("answer No") << QString() << true;
    // No worker would ever end the job and unlock the window.
    QTest::newRow("empty list") << "nenhuma-base-assim" << false;
}

// Nothing is locked, nothing runs, no folder moves.
void TestTarefas::renomearRecusado()
{
    QFETCH(QString, filtroTexto);
    QFETCH(bool, pergunta);

    FPasta = std::make_unique<TPastaDadosTeste>();
    TBaseTeste cliente = TBaseTeste::comTrabalhadores("CLIENTE", 1);
    cliente.uf = {QStringLiteral("sp")};
    QCOMPARE(FPasta->criarBase(cliente), QString());
    abrir(*FPasta);
    filtro()->setText(filtroTexto);

    if (pergunta)
        FDialogos->responderPergunta(false);
    acionar("mnRenomearPastasParaUF");
    QCOMPARE(habilitados(), todosControles);
    QCOMPARE(TTrabalhador::emExecucao(), 0);
    QCOMPARE(TRenomearPastasParaUF::getInstanceCount(), 0);
    QCOMPARE(perguntas(), pergunta ? 1 : 0);
    const QStringList erros = mensagens(TIconeDialogo::Erro, "ZamDados");
    QCOMPARE(erros.size(), pergunta ? 0 : 1);
    QTest::qWait(300);
    QCOMPARE(pastasEm(*FPasta), QStringList({"CLIENTE"}));
    QCOMPARE(habilitados(), todosControles);
    QCOMPARE(FDialogos->chamadas.size(), std::size_t(1));
}

// ---- many databases, and closing the window ----

void TestTarefas::sessentaBases_data()
{
    QTest::addColumn<QByteArray>("acao");
    QTest::newRow("active workers") << QByteArray("mnColetarQtdTrabalhadores");
    QTest::newRow("definitions version") << QByteArray("mnColetarVersaoTabdef");
    QTest::newRow("rename by state") << QByteArray("mnRenomearPastasParaUF");
}

// Sixty workers at once, each with its own attachment: every database gets its answer and
// none of the attachments stays open on the server.
void TestTarefas::sessentaBases()
{
    QFETCH(QByteArray, acao);
    FPasta = std::make_unique<TPastaDadosTeste>();
    std::vector<TBaseTeste> bases;
    QStringList esperado;
    for (int i = 1; i <= 60; ++i) {
        const QString nome = QStringLiteral("BASE%1").arg(i, 2, 10, QChar(u'0'));
        TBaseTeste base = TBaseTeste::comTrabalhadores(nome, i * 50, 1);
        base.ultimo = {QStringLiteral("7.%1").arg(i)};
        base.uf = {QStringLiteral("sp")};
        bases.push_back(base);
        if (acao == "mnColetarQtdTrabalhadores")
            esperado << nome + u'=' + QLocale().toString(i * 50);
        else if (acao == "mnColetarVersaoTabdef")
            esperado << nome + QStringLiteral("=7.%1").arg(i);
        else
            esperado << nome + "-SP";
    }
    QCOMPARE(FPasta->criarBases(bases), QString());
    abrir(*FPasta);
    QCOMPARE(lista()->count(), 60);

    FDialogos->responderPergunta(true);
    acionar(acao);
    aguardarTrabalhadores();
    if (acao == "mnRenomearPastasParaUF") {
        QTRY_COMPARE_WITH_TIMEOUT(habilitados(), todosControles, limiteTarefaMs);
        QCOMPARE(pastasEm(*FPasta), esperado);
        QCOMPARE(nomes(), esperado);
        QCOMPARE(mensagens(TIconeDialogo::Erro), QStringList());
    } else {
        QCOMPARE(celulas(4), ordenada(esperado));
        QCOMPARE(mensagens(TIconeDialogo::Informacao).size(), 1);
    }
    QCOMPARE(TServidorFirebirdTeste::instancia().aguardarBancosLivres(FPasta->compartilhamento()),
             QStringList());
}

void TestTarefas::fecharDuranteTrabalho_data()
{
    QTest::addColumn<QByteArray>("acao");
    // The program goes on with its event loop after the window is gone, or ends at once.
    QTest::addColumn<bool>("lacoContinua");
    for (const bool laco : {false, true}) {
        const char *quando = laco ? ", program goes on" : ", program ends";
        QTest::addRow("active workers%s", quando)
            << QByteArray("mnColetarQtdTrabalhadores") << laco;
        QTest::addRow("rename by state%s", quando) << QByteArray("mnRenomearPastasParaUF") << laco;
    }
}

// The window is closed and destroyed while its workers run: nothing crashes or reports into
// the dead window, every worker ends within seconds, no attachment and no folder is lost,
// and a new window runs the job to its end.
void TestTarefas::fecharDuranteTrabalho()
{
    QFETCH(QByteArray, acao);
    QFETCH(bool, lacoContinua);
    const bool renomeia = acao == "mnRenomearPastasParaUF";
    FPasta = std::make_unique<TPastaDadosTeste>();
    std::vector<TBaseTeste> bases;
    QStringList nomesBases;
    for (int i = 1; i <= 40; ++i) {
        const QString nome = QStringLiteral("BASE%1").arg(i, 2, 10, QChar(u'0'));
        TBaseTeste base = TBaseTeste::comTrabalhadores(nome, i, 1);
        base.uf = {QStringLiteral("sp")};
        bases.push_back(base);
        nomesBases << nome;
    }
    QCOMPARE(FPasta->criarBases(bases), QString());
    abrir(*FPasta);

    FDialogos->responderPergunta(true);
    acionar(acao);
    // Let the first steps of the workers through, then close under the others.
    const auto comecou = [&]() {
        return renomeia ? pastasEm(*FPasta) != nomesBases
                        : celulas(4).filter(QRegularExpression("=\\d+$")).size() > 0;
    };
    QElapsedTimer espera;
    espera.start();
    while (!comecou() && espera.elapsed() < limiteTarefaMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QVERIFY(comecou());
    QVERIFY2(TMotorExecucao::execucoesEmAndamento() > 0, "the job ended before the window closed");

    FForm->close();
    const std::size_t chamadas = FDialogos->chamadas.size();
    FForm.reset();
    QElapsedTimer relogio;
    relogio.start();
    // The steps the workers queued for the window run, and find it gone.
    if (lacoContinua)
        QTest::qWait(300);
    // Closing the window cancelled the job: its statements and its waiting databases.
    QVERIFY(TMotorExecucao::aguardarTodas(3000));
    QVERIFY2(relogio.elapsed() < 3000, qPrintable(QString::number(relogio.elapsed())));
    QCoreApplication::processEvents();
    QCOMPARE(FDialogos->chamadas.size(), chamadas);
    QCOMPARE(TRenomearPastasParaUF::getInstanceCount(), 0);
    QCOMPARE(TServidorFirebirdTeste::instancia().aguardarBancosLivres(FPasta->compartilhamento()),
             QStringList());
    int arquivos = 0;
    for (const QString &pasta : pastasEm(*FPasta))
        arquivos += QFile::exists(FPasta->pastaDados() + pasta + "/ZAM.FDB") ? 1 : 0;
    QCOMPARE(arquivos, 40);

    // A new window, on what the disk holds now.
    FDialogos->chamadas.clear();
    abrir(*FPasta);
    FForm->findChild<QPushButton *>("btnAtualizar")->click();
    QCOMPARE(lista()->count(), 40);
    FDialogos->responderPergunta(true);
    acionar(acao);
    aguardarTrabalhadores();
    if (renomeia) {
        QTRY_COMPARE_WITH_TIMEOUT(habilitados(), todosControles, limiteTarefaMs);
        QStringList esperado;
        for (const QString &nome : nomesBases)
            esperado << nome + "-SP";
        QCOMPARE(pastasEm(*FPasta), esperado);
        QCOMPARE(mensagens(TIconeDialogo::Erro), QStringList());
    } else {
        QCOMPARE(celulas(4).filter(QRegularExpression("=\\d+$")).size(), 40);
        QCOMPARE(mensagens(TIconeDialogo::Informacao).size(), 1);
    }
}

QTEST_MAIN(TestTarefas)
#include "tst_tarefas.moc"
