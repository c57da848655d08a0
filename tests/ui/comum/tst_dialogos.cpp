#include "platform/erros.h"
#include "support/dialogosRoteirizados.h"
#include "ui/comum/dialogos.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <functional>
#include <stdexcept>

namespace {

// What a modal dialog showed, taken while it was open.
struct TDialogoVisto
{
    QString titulo;
    QString texto;
    QMessageBox::Icon icone = QMessageBox::NoIcon;
    QStringList botoes;
    QString valorInicial;
};

// Runs acao on the next modal dialog once it is shown, from the event loop that the dialog
// itself runs. acao must close the dialog; checks belong after exec() has returned.
void quandoAbrir(std::function<void(QDialog *)> acao)
{
    auto *timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, acao] {
        auto *dialogo = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialogo || !dialogo->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        acao(dialogo);
    });
    timer->start();
}

// Takes what the dialog shows and presses the standard button of that caption, or closes
// the dialog when there is no such button.
std::function<void(QDialog *)> verEPressionar(TDialogoVisto &visto, const QString &legenda,
                                              const QString &textoDigitado = QString())
{
    return [&visto, legenda, textoDigitado](QDialog *dialogo) {
        visto.titulo = dialogo->windowTitle();
        if (auto *caixa = qobject_cast<QMessageBox *>(dialogo)) {
            visto.texto = caixa->text();
            visto.icone = caixa->icon();
        }
        if (auto *entrada = qobject_cast<QInputDialog *>(dialogo)) {
            visto.texto = entrada->labelText();
            visto.valorInicial = entrada->textValue();
            if (!textoDigitado.isNull())
                entrada->findChild<QLineEdit *>()->setText(textoDigitado);
        }
        QAbstractButton *alvo = nullptr;
        for (QAbstractButton *botao : dialogo->findChildren<QAbstractButton *>()) {
            if (!botao->isVisible())
                continue;
            visto.botoes << botao->text();
            if (botao->text() == legenda)
                alvo = botao;
        }
        if (alvo)
            alvo->click();
        else
            dialogo->reject();
    };
}

} // namespace

// The dialogs every window goes through: the error box, the protected slot body, the
// scripted dialogs of the tests, and the real boxes with Qt's Portuguese buttons.
class TestDialogos : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void mostrarErro_data();
    void mostrarErro();
    void executarProtegido_data();
    void executarProtegido();
    void dialogoSemRespostaFalhaOTeste();
    void instaladorRestauraDialogos();
    void dialogosReaisEmPortugues();
    void mensagemReal_data();
    void mensagemReal();
};

void TestDialogos::initTestCase()
{
    QApplication::setApplicationName(QStringLiteral("ZamDados"));
}

void TestDialogos::mostrarErro_data()
{
    QTest::addColumn<QString>("mensagem");
    QTest::addColumn<QString>("mostrada");

    QTest::newRow("letter gets a stop") << "Selecione um Item"
                                        << "Selecione um Item.";
    QTest::newRow("exclamation (33) kept") << "x!"
                                           << "x!";
    QTest::newRow("question mark (63) gets a stop") << "x?"
                                                    << "x?.";
    QTest::newRow("stop (46) kept") << "a."
                                    << "a.";
    QTest::newRow("empty kept") << ""
                                << "";
    QTest::newRow("parenthesis (41) kept") << "abc)"
                                           << "abc)";
    QTest::newRow("slash (47) gets a stop") << "c:/"
                                            << "c:/.";
    QTest::newRow("digit (48) gets a stop") << "0"
                                            << "0.";
    QTest::newRow("accented letter gets a stop") << u"Ação"_qs << u"Ação."_qs;
}

void TestDialogos::mostrarErro()
{
    QFETCH(QString, mensagem);
    QFETCH(QString, mostrada);
    TDialogosRoteirizados roteiro;
    TInstaladorDialogos instalados(roteiro);
    QWidget janela;

    ::mostrarErro(&janela, mensagem);

    QCOMPARE(roteiro.chamadas.size(), size_t(1));
    const TChamadaDialogo &chamada = roteiro.chamadas.front();
    QCOMPARE(int(chamada.tipo), int(TTipoDialogo::Mensagem));
    QCOMPARE(chamada.pai, &janela);
    QCOMPARE(chamada.titulo, QString("ZamDados"));
    QCOMPARE(chamada.texto, mostrada);
    QCOMPARE(int(chamada.icone), int(TIconeDialogo::Erro));
}

void TestDialogos::executarProtegido_data()
{
    QTest::addColumn<QString>("lancada");
    QTest::addColumn<QStringList>("mostradas");

    QTest::newRow("nothing thrown") << "" << QStringList();
    QTest::newRow("program error") << "EZamErro" << QStringList{"Selecione um Item."};
    QTest::newRow("silent abort") << "EZamAbortar" << QStringList();
    QTest::newRow("other std::exception") << "runtime_error" << QStringList{u"falhou: ação."_qs};
    QTest::newRow("anything else") << "int" << QStringList{"Unknown error."};
}

void TestDialogos::executarProtegido()
{
    QFETCH(QString, lancada);
    QFETCH(QStringList, mostradas);
    TDialogosRoteirizados roteiro;
    TInstaladorDialogos instalados(roteiro);
    QWidget janela;

    bool terminou = false;
    ::executarProtegido(&janela, [&] {
        if (lancada == "EZamErro")
            throw EZamErro("Selecione um Item");
        if (lancada == "EZamAbortar")
            throw EZamAbortar();
        if (lancada == "runtime_error")
            throw std::runtime_error(u"falhou: ação"_qs.toStdString());
        if (lancada == "int")
            throw 42;
        terminou = true;
    });

    QCOMPARE(terminou, lancada.isEmpty());
    QStringList vistas;
    for (const TChamadaDialogo &chamada : roteiro.chamadas) {
        QCOMPARE(chamada.pai, &janela);
        QCOMPARE(chamada.titulo, QString("ZamDados"));
        QCOMPARE(int(chamada.icone), int(TIconeDialogo::Erro));
        vistas << chamada.texto;
    }
    QCOMPARE(vistas, mostradas);
}

void TestDialogos::dialogoSemRespostaFalhaOTeste()
{
    TDialogosRoteirizados roteiro;
    TInstaladorDialogos instalados(roteiro);
    roteiro.responderPergunta(true);
    roteiro.responderTexto(u"novo nome"_qs);
    roteiro.responderTexto(std::nullopt);

    QVERIFY(dialogos().perguntar(nullptr, "Pergunta", "Continuar?"));
    QCOMPARE(dialogos().pedirTexto(nullptr, "Renomear", "Nome:", "velho").value_or("<nada>"),
             u"novo nome"_qs);
    QVERIFY(!dialogos().pedirTexto(nullptr, "Renomear", "Nome:", "velho"));
    QCOMPARE(roteiro.respostasPendentes(), 0);

    // Messages need no answer; questions and inputs without one fail the test.
    dialogos().mensagem(nullptr, "Aviso", "Pronto", TIconeDialogo::Informacao);
    QEXPECT_FAIL("", "a question with no answer queued fails the test", Continue);
    const bool sim = dialogos().perguntar(nullptr, "Pergunta", "De novo?");
    QEXPECT_FAIL("", "an input with no answer queued fails the test", Continue);
    const std::optional<QString> texto = dialogos().pedirTexto(nullptr, "Renomear", "Nome:", "a");
    QVERIFY(!sim);
    QVERIFY(!texto);

    QCOMPARE(roteiro.chamadas.size(), size_t(6));
    const TChamadaDialogo &pergunta = roteiro.chamadas[0];
    QCOMPARE(int(pergunta.tipo), int(TTipoDialogo::Pergunta));
    QCOMPARE(pergunta.titulo, QString("Pergunta"));
    QCOMPARE(pergunta.texto, QString("Continuar?"));
    QCOMPARE(int(pergunta.icone), int(TIconeDialogo::Pergunta));
    const TChamadaDialogo &entrada = roteiro.chamadas[1];
    QCOMPARE(int(entrada.tipo), int(TTipoDialogo::Texto));
    QCOMPARE(entrada.titulo, QString("Renomear"));
    QCOMPARE(entrada.prompt, QString("Nome:"));
    QCOMPARE(entrada.inicial, QString("velho"));
    const TChamadaDialogo &mensagem = roteiro.chamadas[3];
    QCOMPARE(int(mensagem.tipo), int(TTipoDialogo::Mensagem));
    QCOMPARE(mensagem.texto, QString("Pronto"));
    QCOMPARE(int(mensagem.icone), int(TIconeDialogo::Informacao));
}

void TestDialogos::instaladorRestauraDialogos()
{
    IDialogos *reais = &dialogos();
    TDialogosRoteirizados externo;
    TDialogosRoteirizados interno;
    {
        TInstaladorDialogos primeiro(externo);
        QCOMPARE(&dialogos(), &externo);
        {
            TInstaladorDialogos segundo(interno);
            ::mostrarErro(nullptr, "a");
            QCOMPARE(&dialogos(), &interno);
        }
        QCOMPARE(&dialogos(), &externo);
        ::mostrarErro(nullptr, "b");
    }
    QCOMPARE(&dialogos(), reais);
    QCOMPARE(interno.chamadas.size(), size_t(1));
    QCOMPARE(externo.chamadas.size(), size_t(1));
    definirDialogos(&externo);
    definirDialogos(nullptr);
    QCOMPARE(&dialogos(), reais);
}

void TestDialogos::dialogosReaisEmPortugues()
{
    // Standard buttons take their captions from Qt's own translation.
    QTranslator traducao;
    QVERIFY(traducao.load("qtbase_pt_BR", QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
    QApplication::installTranslator(&traducao);
    const auto remover = qScopeGuard([&] { QApplication::removeTranslator(&traducao); });
    QWidget janela;

    TDialogoVisto sim;
    quandoAbrir(verEPressionar(sim, "&Sim"));
    QVERIFY(dialogos().perguntar(&janela, "Apagar", "Apagar o banco?"));
    QCOMPARE(sim.titulo, QString("Apagar"));
    QCOMPARE(sim.texto, QString("Apagar o banco?"));
    QCOMPARE(sim.icone, QMessageBox::Question);
    sim.botoes.sort();
    QCOMPARE(sim.botoes, (QStringList{u"&Não"_qs, "&Sim"}));

    TDialogoVisto nao;
    quandoAbrir(verEPressionar(nao, u"&Não"_qs));
    QVERIFY(!dialogos().perguntar(&janela, "Apagar", "Apagar o banco?"));
    QCOMPARE(nao.botoes.size(), 2);

    TDialogoVisto fechada;
    quandoAbrir(verEPressionar(fechada, "nenhum"));
    QVERIFY(!dialogos().perguntar(&janela, "Apagar", "Apagar o banco?"));

    TDialogoVisto digitado;
    quandoAbrir(verEPressionar(digitado, "OK", "CLIENTE_NOVO"));
    QCOMPARE(dialogos().pedirTexto(&janela, "Renomear", "Novo nome:", "CLIENTE").value_or("<nada>"),
             QString("CLIENTE_NOVO"));
    QCOMPARE(digitado.titulo, QString("Renomear"));
    QCOMPARE(digitado.texto, QString("Novo nome:"));
    QCOMPARE(digitado.valorInicial, QString("CLIENTE"));
    QVERIFY2(digitado.botoes.contains("Cancelar"), qPrintable(digitado.botoes.join(", ")));

    TDialogoVisto cancelado;
    quandoAbrir(verEPressionar(cancelado, "Cancelar", "outro"));
    QVERIFY(!dialogos().pedirTexto(&janela, "Renomear", "Novo nome:", "CLIENTE"));
}

void TestDialogos::mensagemReal_data()
{
    QTest::addColumn<int>("icone");
    QTest::addColumn<int>("iconeQt");
    QTest::newRow("none") << int(TIconeDialogo::Nenhum) << int(QMessageBox::NoIcon);
    QTest::newRow("information") << int(TIconeDialogo::Informacao) << int(QMessageBox::Information);
    QTest::newRow("question") << int(TIconeDialogo::Pergunta) << int(QMessageBox::Question);
    QTest::newRow("warning") << int(TIconeDialogo::Aviso) << int(QMessageBox::Warning);
    QTest::newRow("error") << int(TIconeDialogo::Erro) << int(QMessageBox::Critical);
}

void TestDialogos::mensagemReal()
{
    QFETCH(int, icone);
    QFETCH(int, iconeQt);
    TDialogoVisto visto;
    quandoAbrir(verEPressionar(visto, "OK"));
    dialogos().mensagem(nullptr, "ZamDados", "Pronto", TIconeDialogo(icone));
    QCOMPARE(visto.titulo, QString("ZamDados"));
    QCOMPARE(visto.texto, QString("Pronto"));
    QCOMPARE(int(visto.icone), iconeQt);
    QCOMPARE(visto.botoes, QStringList{"OK"});
}

QTEST_MAIN(TestDialogos)
#include "tst_dialogos.moc"
