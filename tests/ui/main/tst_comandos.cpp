#include "controls/uTZamListView.h"
#include "sql/uFormSQL.h"
#include "support/arquivosTeste.h"
#include "ui/main/janelaTeste.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

// The commands of the pop-up menu on one database, on temporary data folders.
class TestComandos : public QObject, public TJanelaTeste
{
    Q_OBJECT

public Q_SLOTS:
    // The file browser stand-in: "Abrir Pasta" hands it the folder's address.
    void abrirUrl(const QUrl &url) { FUrls.append(url); }

private Q_SLOTS:
    void initTestCase() { prepararAplicacao(); }
    void init();
    void cleanup() { limpar(); }

    void novaBaseCopiaModelo();
    void novaBaseNomeExistente();
    void novaBaseNomesInseguros_data();
    void novaBaseNomesInseguros();
    void semLinhas();
    void copiarParaMimDuasVezes();
    void copiarParaMimMostraACopia_data();
    void copiarParaMimMostraACopia();
    void copiarParaMimCancelado();
    void copiarParaMimSemArquivo();
    void enviarNaoFazNada();
    void abrirPasta();
    void alterarPorta_data();
    void alterarPorta();
    void alterarPortaSemSelecao();
    void executarSqlComTodasAsBases();
    void atalhoComCaixaRodaUmaVez_data();
    void atalhoComCaixaRodaUmaVez();
    void copiarLinhas();

private:
    QString pastaBase(const QString &nome, const QString &pasta = "local") const
    {
        return dados(pasta) + "/ZAM_DADOS/" + nome;
    }
    QStringList copiasLocais(const QString &nome) const
    {
        return QDir(programa() + "/ZAM_DADOS/" + nome).entryList(QDir::Files, QDir::Name);
    }

    QList<QUrl> FUrls;
};

void TestComandos::init()
{
    preparar();
    FUrls.clear();
}

void TestComandos::novaBaseCopiaModelo()
{
    criarBase("MODELO", 2048);
    escreverArquivo(pastaBase("MODELO") + "/SYSTEM.DAT", "sistema");
    criarBase("OUTRA");
    abrir();
    lista()->setSelectedIndex(0);
    FDialogos->responderPergunta(true);
    FDialogos->responderTexto(u"Nova São"_qs);
    acao("mnNovaBase")->trigger();

    QCOMPARE(FDialogos->chamadas[0].titulo, QString("Nova Base"));
    QCOMPARE(FDialogos->chamadas[0].texto, QString("Copiar MODELO?"));
    QCOMPARE(FDialogos->chamadas[1].prompt, QString("Nome"));
    QCOMPARE(lerArquivo(pastaBase(u"Nova São"_qs) + "/ZAM.FDB"),
             lerArquivo(pastaBase("MODELO") + "/ZAM.FDB"));
    QCOMPARE(lerArquivo(pastaBase(u"Nova São"_qs) + "/SYSTEM.DAT"), QByteArray("sistema"));
    QCOMPARE(linhas(), QStringList({"MODELO", u"Nova São"_qs, "OUTRA"}));
    QCOMPARE(lista()->focusedIndex(), 1);
    QVERIFY(erros().isEmpty());

    // A model without SYSTEM.DAT: only the database is copied.
    lista()->setSelectedIndex(2);
    FDialogos->responderPergunta(true);
    FDialogos->responderTexto(QString("TERCEIRA"));
    acao("mnNovaBase")->trigger();
    QVERIFY(QFile::exists(pastaBase("TERCEIRA") + "/ZAM.FDB"));
    QVERIFY(!QFile::exists(pastaBase("TERCEIRA") + "/SYSTEM.DAT"));
}

void TestComandos::novaBaseNomeExistente()
{
    criarBase("MODELO", 100);
    criarBase("EXISTE", 7);
    abrir();
    lista()->setSelectedIndex(1);
    FDialogos->responderPergunta(true);
    FDialogos->responderTexto(QString("EXISTE"));
    acao("mnNovaBase")->trigger();
    QVERIFY(erros().isEmpty());
    QCOMPARE(QFileInfo(pastaBase("EXISTE") + "/ZAM.FDB").size(), 7);
    QCOMPARE(linhas(), QStringList({"EXISTE", "MODELO"}));
    QCOMPARE(lista()->focusedIndex(), 0);
}

void TestComandos::novaBaseNomesInseguros_data()
{
    QTest::addColumn<QString>("nome");
    QTest::newRow("empty") << "";
    QTest::newRow("blanks") << "   ";
    QTest::newRow("slash") << "../fora";
    QTest::newRow("backslash") << "a\\b";
    QTest::newRow("dot dot") << "..";
    QTest::newRow("colon") << "c:x";
}

void TestComandos::novaBaseNomesInseguros()
{
    QFETCH(QString, nome);
    criarBase("MODELO");
    abrir();
    const QStringList antes =
        QDir(FRaiz->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    const QStringList dadosAntes =
        QDir(dados() + "/ZAM_DADOS").entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    FDialogos->responderPergunta(true);
    FDialogos->responderTexto(nome);
    acao("mnNovaBase")->trigger();
    QCOMPARE(erros().size(), 1);
    QVERIFY2(erros().first().startsWith(u"Nome inválido"_qs), qPrintable(erros().first()));
    QCOMPARE(QDir(FRaiz->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), antes);
    QCOMPARE(QDir(dados() + "/ZAM_DADOS").entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             dadosAntes);
}

void TestComandos::semLinhas()
{
    abrir();
    for (const char *nome : {"mnNovaBase", "mnCopiar", "mnAbrirPasta"})
        acao(nome)->trigger();
    QCOMPARE(erros(), QStringList(3, "Selecione um item."));
}

void TestComandos::copiarParaMimDuasVezes()
{
    criarBase("CLIENTE", 4096);
    for (int vez = 0; vez < 2; ++vez) {
        // The window goes on with the local copy: the second copy starts over from the
        // source folder.
        abrir();
        lista()->setSelectedIndex(0);
        FDialogos->responderPergunta(true);
        acao("mnCopiar")->trigger();
        if (vez == 0)
            QTest::qWait(1100); // a new second for the time stamp of the earlier copy
    }
    QVERIFY(erros().isEmpty());
    const QStringList copias = copiasLocais("CLIENTE");
    QCOMPARE(copias.size(), 2);
    QCOMPARE(copias.last(), QString("ZAM.FDB"));
    QVERIFY2(QRegularExpression("^\\d{14}_ZAM\\.FDB$").match(copias.first()).hasMatch(),
             qPrintable(copias.first()));
    QCOMPARE(lerArquivo(programa() + "/ZAM_DADOS/CLIENTE/ZAM.FDB"), QByteArray(4096, '\0'));
    QCOMPARE(combo()->currentText(), programa());
    QCOMPARE(FDialogos->chamadas[0].titulo, QString("Copiar Base"));
}

void TestComandos::copiarParaMimMostraACopia_data()
{
    QTest::addColumn<bool>("catalogoLocal");
    QTest::newRow("first copy to this computer") << false;
    QTest::newRow("local catalogue without the copy") << true;
}

void TestComandos::copiarParaMimMostraACopia()
{
    QFETCH(bool, catalogoLocal);
    // The server's folder, reached through its share, with a catalogue; network shares
    // come first in the path box.
    const QString smb = FRaiz->path() + "/smb";
    const QString servidor = smb + "/SRV/dados";
    QVERIFY(QDir().mkpath(servidor + "/ZAM_DADOS/REMOTA"));
    escreverArquivo(servidor + "/ZAM_DADOS/REMOTA/ZAM.FDB", QByteArray(2048, 'r'));
    escreverArquivo(servidor + "/ZamDados.csv", "REMOTA,\"01/01/2000 00:00\",2,3050\r\n");
    qputenv("ZAMDADOS_SMB", QFile::encodeName(smb));
    const auto fim = qScopeGuard([] { qunsetenv("ZAMDADOS_SMB"); });
    escreverHosts({dados() + "=/srv/zam/ZAM_DADOS/", "\\\\SRV\\dados=/srv/dados/ZAM_DADOS/"});
    const QString local = programa() + "/ZAM_DADOS";
    if (catalogoLocal) {
        QVERIFY(QDir().mkpath(local + "/ANTIGA"));
        escreverArquivo(local + "/ANTIGA/ZAM.FDB", "a");
        escreverArquivo(programa() + "/ZamDados.csv", "ANTIGA,\"01/01/2000 00:00\",0,3050\r\n");
    }
    abrir();
    QCOMPARE(combo()->currentText(), QString("\\\\SRV\\dados"));
    QCOMPARE(linhas(), QStringList{"REMOTA"});

    lista()->setFocus();
    lista()->setSelectedIndex(0);
    FDialogos->responderPergunta(true);
    teclar(Qt::Key_C, Qt::ControlModifier);

    QCOMPARE(lerArquivo(local + "/REMOTA/ZAM.FDB"), QByteArray(2048, 'r'));
    QVERIFY(erros().isEmpty());
    QCOMPARE(combo()->currentText(), programa());
    QCOMPARE(linhas(), catalogoLocal ? QStringList({"ANTIGA", "REMOTA"}) : QStringList{"REMOTA"});
    QCOMPARE(lista()->item(selecionada()).Caption, QString("REMOTA"));
    const auto registro =
        std::static_pointer_cast<TZamDadosItem>(lista()->item(selecionada()).Data);
    QCOMPARE(registro->host()->compartilhamento(), programa());
    QCOMPARE(registro->Getpath(), local + "/REMOTA/ZAM.FDB");
    // A local folder may be refreshed; copying from it to itself is no command.
    QVERIFY(botao("btnAtualizar")->isEnabled());
    QVERIFY(!acao("mnCopiar")->isEnabled());
    // What Entrar or Alterar would write is the local copy.
    QMetaObject::invokeMethod(FForm->findChild<QObject *>("ZamLabelLink1"), "clicked");
    QVERIFY2(zamcon().contains("CAMINHO=" + QFile::encodeName(local) + "/REMOTA/ZAM.FDB\r\n"),
             zamcon().constData());
}

void TestComandos::copiarParaMimCancelado()
{
    criarBase("CLIENTE");
    escreverArquivo(pastaBase("CLIENTE") + "/ZAM.FDB", QByteArray(64 * 1024 * 1024, 'z'));
    QVERIFY(QDir().mkpath(programa() + "/ZAM_DADOS/CLIENTE"));
    escreverArquivo(programa() + "/ZAM_DADOS/CLIENTE/ZAM.FDB", "anterior");
    abrir();
    lista()->setSelectedIndex(0);
    FDialogos->responderPergunta(true);
    TCancelador cancelador(FForm.get(), 0);
    acao("mnCopiar")->trigger();

    QVERIFY(cancelador.viuDialogo);
    // Nothing cut short is left, and the earlier copy is back under its own name.
    QCOMPARE(copiasLocais("CLIENTE"), QStringList{"ZAM.FDB"});
    QCOMPARE(lerArquivo(programa() + "/ZAM_DADOS/CLIENTE/ZAM.FDB"), QByteArray("anterior"));
    QVERIFY(erros().isEmpty());
}

void TestComandos::copiarParaMimSemArquivo()
{
    criarBase("CLIENTE");
    abrir();
    QVERIFY(QFile::remove(pastaBase("CLIENTE") + "/ZAM.FDB"));
    lista()->setSelectedIndex(0);
    FDialogos->responderPergunta(true);
    acao("mnCopiar")->trigger();
    // A text ending in a quote gets no full stop.
    QCOMPARE(erros(), QStringList(u"Arquivo não encontrado: \"%1\""_qs.arg(pastaBase("CLIENTE") +
                                                                           "/ZAM.FDB")));
    QVERIFY(!QFileInfo::exists(programa() + "/ZAM_DADOS"));
}

void TestComandos::enviarNaoFazNada()
{
    criarBase("A");
    abrir();
    const QByteArray catalogo = lerArquivo(dados() + "/ZamDados.csv");
    acao("mnEnviar")->trigger();
    QCOMPARE(FDialogos->chamadas.size(), size_t(1));
    QCOMPARE(FDialogos->chamadas[0].texto, QString("Funcionalidade em Desenvolvimento"));
    QCOMPARE(FDialogos->chamadas[0].titulo, QString("ZamDados"));
    QCOMPARE(FDialogos->chamadas[0].icone, TIconeDialogo::Nenhum);
    QCOMPARE(lerArquivo(dados() + "/ZamDados.csv"), catalogo);
    QCOMPARE(linhas(), QStringList{"A"});
}

void TestComandos::abrirPasta()
{
    criarBase("CLIENTE");
    abrir();
    QDesktopServices::setUrlHandler("file", this, "abrirUrl");
    const auto fim = qScopeGuard([] { QDesktopServices::unsetUrlHandler("file"); });
    teclar(Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(FUrls, QList<QUrl>{QUrl::fromLocalFile(pastaBase("CLIENTE"))});
    QVERIFY(erros().isEmpty());

    QVERIFY(QDir(pastaBase("CLIENTE")).removeRecursively());
    acao("mnAbrirPasta")->trigger();
    QCOMPARE(erros().size(), 1);
    QVERIFY2(erros().first().contains(pastaBase("CLIENTE")), qPrintable(erros().first()));
}

void TestComandos::alterarPorta_data()
{
    QTest::addColumn<std::optional<QString>>("resposta");
    QTest::addColumn<uint>("porta");
    QTest::addColumn<QString>("erro");
    const QString invalida = u"Porta inválida. Informe um número 3050, 3055, etc."_qs;
    QTest::newRow("3055") << std::optional<QString>("3055") << 3055u << "";
    QTest::newRow("leading blank") << std::optional<QString>(" 3056") << 3056u << "";
    QTest::newRow("-1") << std::optional<QString>("-1") << 4294967295u << "";
    QTest::newRow("0") << std::optional<QString>("0") << 3050u << invalida;
    QTest::newRow("abc") << std::optional<QString>("abc") << 3050u << invalida;
    QTest::newRow("empty") << std::optional<QString>("") << 3050u << invalida;
    QTest::newRow("trailing blank") << std::optional<QString>("3055 ") << 3050u << invalida;
    QTest::newRow("beyond 32 bits") << std::optional<QString>("4294967296") << 3050u << invalida;
    QTest::newRow("cancel") << std::optional<QString>() << 3050u << "";
}

void TestComandos::alterarPorta()
{
    QFETCH(std::optional<QString>, resposta);
    QFETCH(uint, porta);
    QFETCH(QString, erro);
    criarBase("CLIENTE");
    escreverArquivo(programa() + "/zamcon.ini", "[SERVIDOR]\r\nPORTA=3050\r\n");
    abrir();
    lista()->setSelectedIndex(0);
    FDialogos->responderTexto(resposta);
    acao("mnAlterarPorta")->trigger();

    QCOMPARE(FDialogos->chamadas[0].titulo, QString("Alterar Porta do Firebird"));
    QCOMPARE(FDialogos->chamadas[0].prompt, QString("Informe a Nova Porta para a Base CLIENTE"));
    QCOMPARE(FDialogos->chamadas[0].inicial, QString("3050"));
    QCOMPARE(erros(), erro.isEmpty() ? QStringList() : QStringList{erro});
    QCOMPARE(lista()->item(0).SubItems.at(0), QString::number(porta));
    QVERIFY(
        lerArquivo(dados() + "/ZamDados.csv").endsWith("," + QByteArray::number(porta) + "\r\n"));
    // Only a refused answer leaves Entrar hidden.
    QCOMPARE(botao("btnEntrar")->isVisible(), erro.isEmpty());
}

void TestComandos::alterarPortaSemSelecao()
{
    criarBase("CLIENTE");
    abrir();
    lista()->setSelectedIndex(-1);
    acao("mnAlterarPorta")->trigger();
    QCOMPARE(erros(), QStringList{"Selecione uma base de dados."});
    QCOMPARE(selecionada(), -1);
}

void TestComandos::executarSqlComTodasAsBases()
{
    criarBase("ALFA");
    criarBase("BETA");
    abrir();
    filtroEdit()->setText("ALF");
    QCOMPARE(linhas(), QStringList{"ALFA"});
    QStringList bases;
    bool modal = false;
    QTimer::singleShot(0, this, [&]() {
        auto *janela = qobject_cast<TForm2 *>(QApplication::activeModalWidget());
        if (!janela)
            return;
        modal = janela->isModal() && janela->parent() == FForm.get();
        for (const TZamDadosItemPtr &registro : janela->paths())
            bases.append(registro->Getnome());
        janela->close();
    });
    acao("mnExecutarSQL")->trigger();
    QVERIFY(modal);
    bases.sort();
    // All databases of the catalogue, whatever the list shows.
    QCOMPARE(bases, QStringList({"ALFA", "BETA"}));
}

void TestComandos::atalhoComCaixaRodaUmaVez_data()
{
    QTest::addColumn<int>("tecla");
    QTest::addColumn<QString>("foco");
    QTest::addColumn<bool>("sim");
    QTest::addColumn<QStringList>("titulos");

    const QStringList novaBase{"Nova Base"};
    const QStringList copiar{"Copiar Base"};
    const QStringList enviar{"ZamDados"};
    for (const char *foco : {"lista", "filtro", "botao"}) {
        QTest::addRow("Ctrl+N no, %s", foco) << int(Qt::Key_N) << foco << false << novaBase;
        QTest::addRow("Ctrl+C no, %s", foco) << int(Qt::Key_C) << foco << false << copiar;
        QTest::addRow("Ctrl+E, %s", foco) << int(Qt::Key_E) << foco << false << enviar;
    }
    QTest::newRow("Ctrl+N yes, lista")
        << int(Qt::Key_N) << "lista" << true << QStringList{"Nova Base", "Nova Base"};
    QTest::newRow("Ctrl+C yes, lista") << int(Qt::Key_C) << "lista" << true << copiar;
    QTest::newRow("Ctrl+C yes, filtro") << int(Qt::Key_C) << "filtro" << true << copiar;
}

void TestComandos::atalhoComCaixaRodaUmaVez()
{
    QFETCH(int, tecla);
    QFETCH(QString, foco);
    QFETCH(bool, sim);
    QFETCH(QStringList, titulos);
    TDialogosModais &modais = usarCaixasModais();
    criarBase("CLIENTE", 4096);
    abrir();
    lista()->setSelectedIndex(0);
    if (foco == "lista")
        lista()->setFocus();
    else if (foco == "filtro")
        filtroEdit()->setFocus();
    else
        botao("btnAtualizar")->setFocus();
    if (tecla != Qt::Key_E)
        FDialogos->responderPergunta(sim);
    if (tecla == Qt::Key_N && sim)
        FDialogos->responderTexto(QString("NOVA"));

    teclar(tecla, Qt::ControlModifier);
    // A second run would ask again, with no answer left for it.
    QTest::qWait(50);

    QStringList vistos;
    for (const TChamadaDialogo &chamada : FDialogos->chamadas)
        vistos.append(chamada.titulo);
    QCOMPARE(vistos, titulos);
    QCOMPARE(modais.caixasMostradas, titulos.size());
    if (tecla == Qt::Key_N && sim) {
        QVERIFY(QFile::exists(pastaBase("NOVA") + "/ZAM.FDB"));
        QVERIFY(!QFile::exists(pastaBase("NOVA") + "/NOVA"));
    }
    if (tecla == Qt::Key_C && sim)
        QCOMPARE(copiasLocais("CLIENTE"), QStringList{"ZAM.FDB"});
    // The keys of a command never reach the filter box.
    QCOMPARE(filtroEdit()->text(), QString());
}

// A right click on the list offers the selected row, or every row shown, as tab-separated
// text under the column captions; the keyboard's context-menu key still opens Opções.
void TestComandos::copiarLinhas()
{
    criarBase("ALFA", 2048);
    criarBase("BETA", 4096);
    criarBase("GAMA");
    abrir();
    filtroEdit()->setText("A");
    QCOMPARE(linhas(), QStringList({"ALFA", "BETA", "GAMA"}));
    auto *menu = FForm->findChild<QMenu *>("PopupMenuLista");
    QVERIFY(menu);
    QAction *copiarLinha = acao("mnCopiarLinha");
    QAction *copiarLista = acao("mnCopiarLista");
    QCOMPARE(copiarLinha->text(), QStringLiteral("Copiar"));
    QCOMPARE(copiarLista->text(), QStringLiteral("Copiar todas as linhas"));
    const auto cliqueDireito = [this](int linha) {
        QWidget *area = lista()->viewport();
        const QPoint onde = lista()->visualRect(lista()->indiceDaLinha(linha)).center();
        QContextMenuEvent evento(QContextMenuEvent::Mouse, onde, area->mapToGlobal(onde));
        QApplication::sendEvent(area, &evento);
    };
    const auto linhaEsperada = [this](int linha) {
        const TZamListItem &item = lista()->item(linha);
        return QStringList({item.Caption, item.SubItems.value(0), item.SubItems.value(1),
                            item.SubItems.value(2)})
                   .join(u'\t') +
               u'\n';
    };
    const QString cabecalho = QStringLiteral("Nome\tPorta\tData/Hora\tTamanho\n");

    lista()->setSelectedIndex(-1);
    cliqueDireito(1);
    QTRY_VERIFY(menu->isVisible());
    QVERIFY(!copiarLinha->isEnabled());
    QVERIFY(copiarLista->isEnabled());
    menu->hide();

    lista()->setSelectedIndex(1);
    cliqueDireito(1);
    QTRY_VERIFY(menu->isVisible());
    QVERIFY(copiarLinha->isEnabled());
    QVERIFY(copiarLista->isEnabled());
    copiarLinha->trigger();
    menu->hide();
    const QString beta = QGuiApplication::clipboard()->text();
    QCOMPARE(beta, cabecalho + linhaEsperada(1));
    QVERIFY(beta.startsWith(cabecalho + "BETA\t"));
    QCOMPARE(beta.count(u'\t'), 6);

    copiarLista->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(),
             cabecalho + linhaEsperada(0) + linhaEsperada(1) + linhaEsperada(2));

    // Only the rows the filter lets through.
    filtroEdit()->setText("GA");
    lista()->setSelectedIndex(0);
    cliqueDireito(0);
    QTRY_VERIFY(menu->isVisible());
    copiarLista->trigger();
    menu->hide();
    QCOMPARE(QGuiApplication::clipboard()->text(), cabecalho + linhaEsperada(0));
    QVERIFY(linhaEsperada(0).startsWith("GAMA\t"));

    // From the keyboard the list's menu does not open.
    lista()->setFocus();
    const QPoint canto(1, 1);
    QContextMenuEvent teclado(QContextMenuEvent::Keyboard, canto,
                              lista()->viewport()->mapToGlobal(canto));
    QApplication::sendEvent(lista()->viewport(), &teclado);
    QVERIFY(!menu->isVisible());
}

QTEST_MAIN(TestComandos)
#include "tst_comandos.moc"
