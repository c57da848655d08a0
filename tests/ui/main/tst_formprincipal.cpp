#include "controls/uTZamListView.h"
#include "support/arquivosTeste.h"
#include "support/dialogosRoteirizados.h"
#include "support/zam7/registroZam7.h"
#include "ui/main/janelaTeste.h"
#include "ui/main/uFormPrincipal.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>

// The main window driven as a user would, on temporary folders: the program's folder with
// ZamDados.Hosts.txt, zamcon.ini and the stand-in ZAM7.exe, and data folders whose
// ZAM_DADOS holds database folders. The scan never opens the database files, so any bytes
// stand in for them here.
class TestFormPrincipal : public QObject, public TJanelaTeste
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init() { preparar(); }
    void cleanup() { limpar(); }

    void janelaEMenu();
    void pastaInicial_data();
    void pastaInicial();
    void semListaDePastas();
    void listaCurtaEmPastaSomenteLeitura();
    void varreduraGravaCatalogo();
    void listaEmOrdemComTotais();
    void catalogoVazio();
    void filtro();
    void filtroValeParaOutraPasta_data();
    void filtroValeParaOutraPasta();
    void ordenarColunaQueFalha();
    void textoDeTarefaNumaLinha_data();
    void textoDeTarefaNumaLinha();
    void setas();
    void setasEmListaVazia();
    void negritoSoComMesmaCaixa();
    void ultimaBaseComCaminhoLinux();
    void digitarLevaAoFiltro();
    void atalhosSoDeItensHabilitados();
    void opcoesPeloTeclado_data();
    void opcoesPeloTeclado();
    void teclasDasOpcoesNaCaixaDePasta();
    void teclaMenuComoNoX11();
    void espacoApertaOBotao();
    void atualizarMantemPortasERemove();
    void fecharListaRecarrega();
    void pastaDeRedeComCatalogo_data();
    void pastaDeRedeComCatalogo();
    void pastaDigitadaRegistrada();
    void pastaDigitadaPerguntas_data();
    void pastaDigitadaPerguntas();
    void pastaAusenteAvisa_data();
    void pastaAusenteAvisa();
    void entrar_data();
    void entrar();
    void entrarSemItem();
    void ultimaBaseNaoGrava();
    void alterarGravaSemIniciar();
    void zamconSomenteLeitura();
    void zam7Ausente();
};

void TestFormPrincipal::initTestCase()
{
    prepararAplicacao();
}

void TestFormPrincipal::janelaEMenu()
{
    TForm1 &form = abrir();
    QCOMPARE(form.size(), QSize(599, 433));
    QVERIFY(!botao("btnEntrar")->isVisible());
    QVERIFY(botao("btnUltimaBase")->isDefault());
    QCOMPARE(lista()->columnCount(), 4);
    QCOMPARE(lista()->column(1).Caption, QString("Porta"));
    QCOMPARE(lista()->column(3).Width, 86);

    const auto *menu = form.findChild<QToolButton *>("btnOpcoes")->menu();
    QVERIFY(menu);
    QStringList textos;
    for (const QAction *acao : menu->actions())
        textos.append(acao->text());
    QCOMPARE(textos, QStringList({"Nova Base\tCtrl+N", "Copiar para mim\tCtrl+C",
                                  "Enviar para servidor\tCtrl+E", "Testar ZAMDEF em todas\tCtrl+S",
                                  "Renomear Pastas para UF\tCtrl+U", "Abrir Pasta\tCtrl+D",
                                  "Coletar Qtd. Trabalhadores", u"Coletar Versão Tabdef"_qs,
                                  "Executar SQL", "Alterar Porta"}));
    // The labels are display only: no action carries a live shortcut.
    for (const QAction *acao : menu->actions())
        QVERIFY(acao->shortcut().isEmpty());
}

void TestFormPrincipal::pastaInicial_data()
{
    QTest::addColumn<QStringList>("hosts");
    QTest::addColumn<QStringList>("argumentos");
    QTest::addColumn<QString>("texto");
    QTest::addColumn<int>("linha");

    // The path box lists d:\x, c:\b, C:\a: the last line beginning with c:\ is chosen.
    QTest::newRow("last c: line wins")
        << QStringList{"C:\\a=c:\\a\\", "c:\\b=c:\\b\\", "d:\\x=d:\\x\\"} << QStringList()
        << "C:\\a" << 2;
    QTest::newRow("no c: line takes the first")
        << QStringList{"\\\\srv\\d=/d/", "d:\\x=d:\\x\\"} << QStringList() << "d:\\x" << 0;
    QTest::newRow("command line names the folder")
        << QStringList{"c:\\a=c:\\a\\"} << QStringList{"@local"} << "@local" << -1;
}

void TestFormPrincipal::pastaInicial()
{
    QFETCH(QStringList, hosts);
    QFETCH(QStringList, argumentos);
    QFETCH(QString, texto);
    criarBase("CLIENTE");
    escreverHosts(hosts);
    for (QString &argumento : argumentos)
        argumento.replace("@local", dados());
    texto.replace("@local", dados());

    abrir(argumentos);
    QCOMPARE(combo()->currentText(), texto);
    QTEST(combo()->currentIndex(), "linha");
    QCOMPARE(linhas(), argumentos.isEmpty() ? QStringList() : QStringList{"CLIENTE"});
    QVERIFY(erros().isEmpty());
}

void TestFormPrincipal::semListaDePastas()
{
    QFile::remove(programa() + "/ZamDados.Hosts.txt");
    criarBase("CLIENTE");
    abrir({dados()});
    QCOMPARE(erros().size(), 1);
    QVERIFY2(erros().first().startsWith("Cannot open file"), qPrintable(erros().first()));
    QCOMPARE(linhas(), QStringList{"CLIENTE"});
    QCOMPARE(combo()->count(), 0);
}

void TestFormPrincipal::listaCurtaEmPastaSomenteLeitura()
{
    criarBase("CLIENTE");
    // The short form: the list is rewritten in the full form at start-up, which fails here.
    escreverHosts({dados(), "/a/outra"});
    TPastaSomenteLeitura somenteLeitura(programa());
    if (!somenteLeitura.ativa())
        return;
    abrir();
    QCOMPARE(erros().size(), 1);
    QVERIFY2(erros().first().startsWith(
                 QString("Cannot create file \"%1/ZamDados.Hosts.txt\"").arg(programa())),
             qPrintable(erros().first()));
    QCOMPARE(combo()->count(), 2);
    QCOMPARE(combo()->currentText(), dados());
    QCOMPARE(linhas(), QStringList{"CLIENTE"});
}

void TestFormPrincipal::varreduraGravaCatalogo()
{
    criarBase("CLIENTE", 2048);
    QFile base(dados() + "/ZAM_DADOS/CLIENTE/ZAM.FDB");
    QVERIFY(base.open(QIODevice::ReadWrite));
    QVERIFY(base.setFileTime(QDateTime(QDate(2017, 12, 5), QTime(14, 30, 12)),
                             QFileDevice::FileModificationTime));
    base.close();
    escreverArquivo(programa() + "/zamcon.ini", "[SERVIDOR]\r\nPORTA=3051\r\n");

    abrir();
    QCOMPARE(lerArquivo(dados() + "/ZamDados.csv"),
             QByteArray("CLIENTE,\"05/12/2017 14:30\",2,3051\r\n"));
    QCOMPARE(lista()->item(0).SubItems, QStringList({"3051", "05/12/2017 14:30", "2,00"}));
    const auto registro = std::static_pointer_cast<TZamDadosItem>(lista()->item(0).Data);
    QCOMPARE(registro->Getpath(), QString("/srv/zam/ZAM_DADOS/CLIENTE/ZAM.FDB"));
}

void TestFormPrincipal::listaEmOrdemComTotais()
{
    criarBase("xAbx");
    criarBase("ba");
    criarBase("ABC", 1073741824);
    criarBase("abc");
    TForm1 &form = abrir();
    QCOMPARE(linhas(), QStringList({"abc", "ABC", "ba", "xAbx"}));
    QCOMPARE(form.windowTitle(), QString("Zamdados: 4"));
    QCOMPARE(lista()->item(1).SubItems.at(2), QString("1.048.576,00"));
    QCOMPARE(rotulo(), QString("1,00 GB"));
}

void TestFormPrincipal::catalogoVazio()
{
    TForm1 &form = abrir();
    QCOMPARE(lista()->count(), 0);
    QCOMPARE(form.windowTitle(), QString("Zamdados: 0"));
    QCOMPARE(rotulo(), QString("0,00 GB"));
}

void TestFormPrincipal::filtro()
{
    criarBase("ABC", 1073741824);
    criarBase("xAbx");
    criarBase("ba");
    TForm1 &form = abrir();
    filtroEdit()->setText("ab");
    QCOMPARE(linhas(), QStringList({"ABC", "xAbx"}));
    QCOMPARE(form.windowTitle(), QString("Zamdados: 3"));
    QCOMPARE(rotulo(), QString("1,00 GB"));
    QVERIFY(botao("btnEntrar")->isVisible());
    QVERIFY(botao("btnEntrar")->isDefault());

    filtroEdit()->setText(u"ção"_qs);
    QCOMPARE(lista()->count(), 0);
    filtroEdit()->clear();
    QCOMPARE(linhas(), QStringList({"ABC", "ba", "xAbx"}));
}

void TestFormPrincipal::filtroValeParaOutraPasta_data()
{
    QTest::addColumn<QString>("filtro");
    QTest::addColumn<QStringList>("depois");
    QTest::newRow("filter kept and applied") << "alf" << QStringList{"ALFINHA"};
    QTest::newRow("filter that lets nothing through") << "beta" << QStringList();
    QTest::newRow("no filter") << "" << QStringList({"ALFINHA", "GAMA"});
}

void TestFormPrincipal::filtroValeParaOutraPasta()
{
    QFETCH(QString, filtro);
    // The window opens on the first line, "outra"; the user then picks "local".
    criarBase("ALFA", 10, "outra");
    criarBase("BETA", 10, "outra");
    criarBase("ALFINHA");
    criarBase("GAMA", 1073741824);
    escreverHosts({dados() + "=/srv/zam/ZAM_DADOS/", dados("outra") + "=/srv/outra/ZAM_DADOS/"});
    TForm1 &form = abrir();
    QCOMPARE(combo()->currentText(), dados("outra"));
    filtroEdit()->setText(filtro);

    const int linha = combo()->findText(dados());
    combo()->showPopup();
    combo()->setCurrentIndex(linha);
    Q_EMIT combo()->activated(linha);
    combo()->hidePopup();
    // What the box shows is what the list holds, and what a job would run over.
    QFETCH(QStringList, depois);
    QTRY_COMPARE(linhas(), depois);
    QCOMPARE(combo()->currentText(), dados());
    QCOMPARE(filtroEdit()->text(), filtro);
    QStringList daTarefa;
    for (const TZamDadosItemPtr &registro : form.registrosDaLista())
        daTarefa.append(registro->Getnome());
    QCOMPARE(daTarefa, depois);
    // The title and the total stay the whole catalogue's.
    QCOMPARE(form.windowTitle(), QString("Zamdados: 2"));
    QCOMPARE(rotulo(), QString("1,00 GB"));

    filtroEdit()->clear();
    QCOMPARE(linhas(), QStringList({"ALFINHA", "GAMA"}));
}

void TestFormPrincipal::ordenarColunaQueFalha()
{
    // "," looks like a number without digits: no sort key can be made for it.
    criarBase(",");
    criarBase("A");
    abrir();
    QHeaderView *cabecalho = lista()->header();
    QTest::mouseClick(cabecalho->viewport(), Qt::LeftButton, {},
                      QPoint(cabecalho->sectionPosition(0) + 5, cabecalho->height() / 2));
    QCOMPARE(erros(), QStringList{"'' is not a valid integer value."});
    // Every refill sorts by that column again: it fails the same way, and the rows are there.
    filtroEdit()->setText(",");
    QCOMPARE(erros().size(), 2);
    QCOMPARE(linhas(), QStringList{","});
    QVERIFY(FForm->isVisible());
}

void TestFormPrincipal::textoDeTarefaNumaLinha_data()
{
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QString>("mostrado");
    QTest::addColumn<bool>("dica");

    const QString longo = "Unable to complete network request to host \"10.0.0.9\" after "
                          "waiting for the whole of the connection timeout";
    QTest::newRow("server error of three lines")
        << "Unable to complete network request to host \"x\".\n-Failed to establish a "
           "connection.\r\n-Connection refused"
        << "Unable to complete network request to host \"x\". -Failed to establish a "
           "connection. -Connection refused"
        << true;
    QTest::newRow("one long line") << longo << longo << true;
    QTest::newRow("short value") << "12"
                                 << "12" << false;
    QTest::newRow("short, two lines") << "1\n2"
                                      << "1 2" << true;
}

void TestFormPrincipal::textoDeTarefaNumaLinha()
{
    QFETCH(QString, texto);
    QFETCH(QString, mostrado);
    QFETCH(bool, dica);
    criarBase("A");
    criarBase("B");
    TForm1 &form = abrir();
    const int altura = lista()->sizeHintForRow(0);
    const int coluna = form.adicionarColuna("Qtd. Trabalhadores");
    const std::vector<TZamDadosItemPtr> registros = form.registrosDaLista();
    form.definirCelula(registros[0], coluna, texto);
    form.definirCelula(registros[1], coluna, "7");

    // The cell's text is its whole text; it shows on one line, and the row keeps its height.
    QCOMPARE(lista()->item(0).SubItems.at(coluna - 1), texto);
    const QModelIndex celula = lista()->model()->index(0, coluna);
    QCOMPARE(celula.data(Qt::DisplayRole).toString(), mostrado);
    QCOMPARE(lista()->sizeHintForRow(0), altura);
    QVERIFY(!lista()->wordWrap());
    QCOMPARE(lista()->textElideMode(), Qt::ElideRight);
    // The whole text in a tooltip when the cell shows less of it.
    QCOMPARE(celula.data(Qt::ToolTipRole).toString(), dica ? texto : QString());
    QCOMPARE(lista()->model()->index(1, coluna).data(Qt::ToolTipRole).toString(), QString());
    // Resting the mouse on the cell shows it.
    if (dica) {
        const QPoint ponto = lista()->visualRect(celula).center();
        QHelpEvent ajuda(QEvent::ToolTip, ponto, lista()->viewport()->mapToGlobal(ponto));
        QApplication::sendEvent(lista()->viewport(), &ajuda);
        QTRY_COMPARE(QToolTip::text(), texto);
        QToolTip::hideText();
    }
}

void TestFormPrincipal::setas()
{
    criarBase("A");
    criarBase("B");
    criarBase("C");
    abrir();
    lista()->setFocus();
    QCOMPARE(selecionada(), -1);
    teclar(Qt::Key_Down);
    QCOMPARE(selecionada(), 1);
    teclar(Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(selecionada(), 2);
    teclar(Qt::Key_Down);
    QCOMPARE(selecionada(), 2);
    // From the filter box too.
    filtroEdit()->setFocus();
    teclar(Qt::Key_Up);
    QCOMPARE(selecionada(), 1);
    teclar(Qt::Key_Up);
    teclar(Qt::Key_Up);
    QCOMPARE(selecionada(), 0);
    QCOMPARE(filtroEdit()->text(), QString());
}

void TestFormPrincipal::setasEmListaVazia()
{
    abrir();
    filtroEdit()->setFocus();
    teclar(Qt::Key_Down);
    teclar(Qt::Key_Up);
    QCOMPARE(selecionada(), -1);
    QVERIFY(botao("btnEntrar")->isVisible());
}

void TestFormPrincipal::negritoSoComMesmaCaixa()
{
    criarBase("Cliente");
    criarBase("OUTRO");
    escreverArquivo(programa() + "/zamcon.ini",
                    "[ZAM]\r\nCAMINHO=c:\\x\\ZAM_DADOS\\CLIENTE\\ZAM.FDB\r\n");
    TForm1 &form = abrir();
    QCOMPARE(form.pastas().iniFolderName, QString("CLIENTE"));
    QCOMPARE(selecionada(), 0);
    QFont fonte;
    lista()->OnCustomDrawItem(0, fonte);
    QVERIFY(!fonte.bold());

    form.pastas().iniFolderName = "Cliente";
    lista()->OnCustomDrawItem(0, fonte);
    QVERIFY(fonte.bold());
    lista()->OnCustomDrawItem(1, fonte);
    QVERIFY(!fonte.bold());
}

void TestFormPrincipal::ultimaBaseComCaminhoLinux()
{
    // What Entrar writes for a data folder on Linux: the row of that database is the last one.
    criarBase("ALFA");
    criarBase(u"BETA São"_qs);
    escreverArquivo(programa() + "/zamcon.ini",
                    "[ZAM]\r\nCAMINHO=/srv/zam/ZAM_DADOS/BETA S\xe3o/ZAM.FDB\r\n");
    TForm1 &form = abrir();
    QCOMPARE(form.pastas().iniFolderName, u"BETA São"_qs);
    QCOMPARE(selecionada(), 1);
    QFont fonte;
    lista()->OnCustomDrawItem(1, fonte);
    QVERIFY(fonte.bold());
    lista()->OnCustomDrawItem(0, fonte);
    QVERIFY(!fonte.bold());
}

void TestFormPrincipal::digitarLevaAoFiltro()
{
    criarBase("ABC");
    criarBase("XYZ");
    abrir();
    botao("btnAtualizar")->setFocus();
    teclar(Qt::Key_A);
    QCOMPARE(QApplication::focusWidget(), filtroEdit());
    QCOMPARE(filtroEdit()->text(), QString("A"));
    QCOMPARE(linhas(), QStringList{"ABC"});
    lista()->setFocus();
    teclar(Qt::Key_B);
    QCOMPARE(filtroEdit()->text(), QString("AB"));
    QCOMPARE(filtroEdit()->cursorPosition(), 2);
}

void TestFormPrincipal::atalhosSoDeItensHabilitados()
{
    criarBase("A");
    abrir();
    QAction *novaBase = FForm->findChild<QAction *>("mnNovaBase");
    QAction *renomear = FForm->findChild<QAction *>("mnRenomearPastasParaUF");
    QSignalSpy disparosNova(novaBase, &QAction::triggered);
    QSignalSpy disparosRenomear(renomear, &QAction::triggered);
    lista()->setFocus();
    novaBase->setEnabled(false);
    teclar(Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(disparosNova.size(), 0);
    novaBase->setEnabled(true);
    FDialogos->responderPergunta(false);
    teclar(Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(disparosNova.size(), 1);
    QCOMPARE(FDialogos->chamadas.back().texto, QString("Copiar A?"));
    teclar(Qt::Key_U, Qt::ControlModifier);
    QCOMPARE(disparosRenomear.size(), 0);
    QCOMPARE(filtroEdit()->text(), QString());
}

void TestFormPrincipal::opcoesPeloTeclado_data()
{
    QTest::addColumn<QString>("foco");
    QTest::addColumn<int>("tecla");
    QTest::addColumn<int>("mods");

    const int nenhum = Qt::NoModifier;
    QTest::newRow("Space on the button") << "btnOpcoes" << int(Qt::Key_Space) << nenhum;
    QTest::newRow("Return on the button") << "btnOpcoes" << int(Qt::Key_Return) << nenhum;
    QTest::newRow("keypad Enter on the button")
        << "btnOpcoes" << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
    for (const char *foco : {"btnOpcoes", "ZamListView1", "Edit1", "btnEntrar"}) {
        QTest::addRow("Alt+Down, %s", foco) << foco << int(Qt::Key_Down) << int(Qt::AltModifier);
        QTest::addRow("F4, %s", foco) << foco << int(Qt::Key_F4) << nenhum;
        QTest::addRow("Menu key, %s", foco) << foco << int(Qt::Key_Menu) << nenhum;
        QTest::addRow("Shift+F10, %s", foco) << foco << int(Qt::Key_F10) << int(Qt::ShiftModifier);
    }
}

void TestFormPrincipal::opcoesPeloTeclado()
{
    QFETCH(QString, foco);
    QFETCH(int, tecla);
    QFETCH(int, mods);
    criarBase("A");
    abrir();
    botao("btnEntrar")->show();
    FForm->findChild<QWidget *>(foco)->setFocus();
    QMenu *menu = FForm->findChild<QToolButton *>("btnOpcoes")->menu();

    // In the menu as a user would go on: its first entry lit, two down, Enter. The menu
    // runs its own event loop, so this is done from a timer.
    QString acesa;
    QTimer noMenu;
    noMenu.setInterval(10);
    connect(&noMenu, &QTimer::timeout, this, [&]() {
        if (QApplication::activePopupWidget() != menu)
            return;
        noMenu.stop();
        acesa = menu->activeAction() ? menu->activeAction()->objectName() : QString();
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    noMenu.start();
    teclar(tecla, Qt::KeyboardModifiers(mods));

    QTRY_COMPARE(FDialogos->chamadas.size(), size_t(1));
    QCOMPARE(acesa, QString("mnNovaBase"));
    QCOMPARE(FDialogos->chamadas[0].texto, QString("Funcionalidade em Desenvolvimento"));
    QVERIFY(!menu->isVisible());
    QCOMPARE(filtroEdit()->text(), QString());
}

void TestFormPrincipal::teclasDasOpcoesNaCaixaDePasta()
{
    criarBase("A");
    abrir();
    QMenu *menu = FForm->findChild<QToolButton *>("btnOpcoes")->menu();
    // In the path box, Alt+Down and F4 open its own list.
    combo()->setFocus();
    teclar(Qt::Key_Down, Qt::AltModifier);
    QTRY_VERIFY(combo()->view()->isVisible());
    QVERIFY(!menu->isVisible());
    combo()->hidePopup();
    // While the window is locked for a job, no key opens the menu.
    FForm->habilitarControles(false);
    lista()->setFocus();
    for (const auto &[tecla, mods] :
         {std::pair{Qt::Key_Menu, Qt::NoModifier}, std::pair{Qt::Key_F10, Qt::ShiftModifier}}) {
        teclar(tecla, mods);
        QTest::qWait(30);
        QVERIFY(!menu->isVisible());
    }
    FForm->habilitarControles(true);
}

void TestFormPrincipal::teclaMenuComoNoX11()
{
    criarBase("A");
    abrir();
    QMenu *menu = FForm->findChild<QToolButton *>("btnOpcoes")->menu();
    filtroEdit()->setFocus();
    // Every menu that opens is noted and closed.
    QList<QWidget *> abertos;
    QTimer vigia;
    vigia.setInterval(10);
    connect(&vigia, &QTimer::timeout, this, [&]() {
        if (QWidget *popup = QApplication::activePopupWidget()) {
            abertos.append(popup);
            popup->close();
        }
    });
    vigia.start();
    // The Menu key on X11: a context-menu event from the keyboard, then the key press.
    const QPoint ponto = filtroEdit()->rect().center();
    QContextMenuEvent contexto(QContextMenuEvent::Keyboard, ponto,
                               filtroEdit()->mapToGlobal(ponto));
    QApplication::sendEvent(filtroEdit(), &contexto);
    teclar(Qt::Key_Menu);
    QTest::qWait(50);
    QCOMPARE(abertos, QList<QWidget *>{menu});
}

void TestFormPrincipal::espacoApertaOBotao()
{
    criarBase("A");
    abrir();
    criarBase("B");
    botao("btnAtualizar")->setFocus();
    teclar(Qt::Key_Space);
    QCOMPARE(linhas(), QStringList({"A", "B"}));
    QCOMPARE(filtroEdit()->text(), QString());
    QCOMPARE(QApplication::focusWidget(), botao("btnAtualizar"));
}

void TestFormPrincipal::atualizarMantemPortasERemove()
{
    criarBase("FICA");
    criarBase("SOME");
    escreverArquivo(programa() + "/zamcon.ini", "[SERVIDOR]\r\nPORTA=3050\r\n");
    abrir();
    escreverArquivo(programa() + "/zamcon.ini", "[SERVIDOR]\r\nPORTA=3055\r\n");
    QVERIFY(QDir(dados() + "/ZAM_DADOS/SOME").removeRecursively());
    criarBase("NOVA");
    filtroEdit()->setText("A");
    QTest::mouseClick(botao("btnAtualizar"), Qt::LeftButton);
    QCOMPARE(linhas(), QStringList({"FICA", "NOVA"}));
    QCOMPARE(lista()->item(0).SubItems.at(0), QString("3050"));
    QCOMPARE(lista()->item(1).SubItems.at(0), QString("3055"));
    QCOMPARE(FForm->windowTitle(), QString("Zamdados: 2"));
    QVERIFY(erros().isEmpty());
}

void TestFormPrincipal::fecharListaRecarrega()
{
    criarBase("A");
    abrir();
    QCOMPARE(linhas(), QStringList{"A"});
    escreverArquivo(dados() + "/ZamDados.csv", "A,\"01/01/2000 00:00\",0,3050\r\n"
                                               "B,\"01/01/2000 00:00\",0,3050\r\n");
    combo()->showPopup();
    combo()->hidePopup();
    QTRY_COMPARE(linhas(), QStringList({"A", "B"}));
    QCOMPARE(FForm->focusWidget(), filtroEdit());
}

void TestFormPrincipal::pastaDeRedeComCatalogo_data()
{
    QTest::addColumn<bool>("comCatalogo");
    QTest::newRow("with a catalogue") << true;
    QTest::newRow("without one") << false;
}

void TestFormPrincipal::pastaDeRedeComCatalogo()
{
    QFETCH(bool, comCatalogo);
    const QString smb = FRaiz->path() + "/smb";
    QVERIFY(QDir().mkpath(smb + "/SRV/dados/ZAM_DADOS/REMOTA"));
    escreverArquivo(smb + "/SRV/dados/ZAM_DADOS/REMOTA/ZAM.FDB", "x");
    if (comCatalogo)
        escreverArquivo(smb + "/SRV/dados/ZamDados.csv", "REMOTA,\"01/01/2000 00:00\",0,3050\r\n");
    qputenv("ZAMDADOS_SMB", QFile::encodeName(smb));
    const auto fim = qScopeGuard([] { qunsetenv("ZAMDADOS_SMB"); });
    escreverHosts({"\\\\SRV\\dados=/srv/dados/ZAM_DADOS/", "c:\\x=c:\\x\\"});
    abrir();
    QVERIFY(botao("btnAtualizar")->isEnabled());

    combo()->showPopup();
    combo()->setCurrentIndex(1);
    Q_EMIT combo()->activated(1);
    combo()->hidePopup();
    QTRY_COMPARE(linhas(), QStringList{"REMOTA"});
    QCOMPARE(botao("btnAtualizar")->isEnabled(), !comCatalogo);
    const auto registro = std::static_pointer_cast<TZamDadosItem>(lista()->item(0).Data);
    const QString porta = comCatalogo ? "3050" : "3055"; // from the catalogue, or the default
    QCOMPARE(registro->GetstringConnection(),
             QString("SRV/%1:/srv/dados/ZAM_DADOS/REMOTA/ZAM.FDB").arg(porta));
}

void TestFormPrincipal::pastaDigitadaRegistrada()
{
    escreverHosts({"d:\\x=d:\\x\\"});
    criarBase(u"São João"_qs, 10, "nova");
    abrir();
    FDialogos->responderTexto(QString("/srv/nova/ZAM_DADOS"));
    FDialogos->responderTexto(std::nullopt); // Cancel keeps the answer and asks again
    FDialogos->responderTexto(QString("/srv/nova/ZAM_DADOS/"));
    combo()->setFocus();
    combo()->lineEdit()->selectAll();
    QTest::keyClicks(combo()->lineEdit(), dados("nova"));
    teclar(Qt::Key_Tab);

    QTRY_COMPARE(linhas(), QStringList{u"São João"_qs});
    QCOMPARE(FDialogos->chamadas.size(), size_t(3));
    QCOMPARE(FDialogos->chamadas[0].titulo, QString("Caminho ZAM_DADOS"));
    QCOMPARE(FDialogos->chamadas[0].prompt,
             QString("Ex: c:\\Tessaron\\ZAM_7\\ZAM_DADOS\\ "
                     "ou\n/home/usuario/opt/tessaron/zam_7/zam_dados/"));
    QCOMPARE(FDialogos->chamadas[0].inicial, QString("C:\\Tessaron\\ZAM_7\\ZAM_DADOS\\"));
    QCOMPARE(FDialogos->chamadas[1].prompt, u"O diretório ZAM_DADOS tem que terminar com barra"_qs);
    QCOMPARE(FDialogos->chamadas[2].inicial, QString("/srv/nova/ZAM_DADOS"));

    QCOMPARE(FForm->focusWidget(), filtroEdit());
    QCOMPARE(combo()->count(), 2);
    QCOMPARE(combo()->currentText(), dados("nova"));
    QCOMPARE(combo()->itemText(combo()->currentIndex()), dados("nova"));
    QCOMPARE(lerArquivo(programa() + "/ZamDados.Hosts.txt"),
             "d:\\x=d:\\x\\\r\n" + dados("nova").toUtf8() + "=/srv/nova/ZAM_DADOS/\r\n");
    const auto registro = std::static_pointer_cast<TZamDadosItem>(lista()->item(0).Data);
    QCOMPARE(registro->Getpath(), u"/srv/nova/ZAM_DADOS/São João/ZAM.FDB"_qs);
}

void TestFormPrincipal::pastaDigitadaPerguntas_data()
{
    QTest::addColumn<std::optional<QString>>("resposta");
    QTest::addColumn<bool>("temBase");
    QTest::newRow("cancel") << std::optional<QString>() << true;
    QTest::newRow("blanks only") << std::optional<QString>(" \t ") << true;
    QTest::newRow("folder without databases")
        << std::optional<QString>("/srv/nova/ZAM_DADOS/") << false;
}

void TestFormPrincipal::pastaDigitadaPerguntas()
{
    QFETCH(std::optional<QString>, resposta);
    QFETCH(bool, temBase);
    if (temBase)
        criarBase("X", 10, "nova");
    else
        QVERIFY(QDir().mkpath(dados("nova") + "/ZAM_DADOS"));
    const QByteArray hostsAntes = lerArquivo(programa() + "/ZamDados.Hosts.txt");
    abrir();
    FDialogos->responderTexto(resposta);
    combo()->setFocus();
    combo()->lineEdit()->selectAll();
    QTest::keyClicks(combo()->lineEdit(), dados("nova"));
    teclar(Qt::Key_Tab);
    QTRY_COMPARE(FDialogos->chamadas.size(), size_t(1));
    QTest::qWait(20);
    QCOMPARE(FDialogos->chamadas.size(), size_t(1));
    QCOMPARE(combo()->count(), 1);
    QCOMPARE(lerArquivo(programa() + "/ZamDados.Hosts.txt"), hostsAntes);
}

void TestFormPrincipal::pastaAusenteAvisa_data()
{
    QTest::addColumn<QString>("pasta");
    QTest::addColumn<bool>("digitada");
    QTest::addColumn<QString>("erro");
    const QString semPasta = u"A pasta \"@\" não existe."_qs;
    const QString semDados =
        u"A pasta \"@\" não tem a pasta ZAM_DADOS: \"@/ZAM_DADOS\" não existe."_qs;
    QTest::newRow("typed, no such folder") << "nada" << true << semPasta;
    QTest::newRow("typed, no ZAM_DADOS") << "semdados" << true << semDados;
    QTest::newRow("typed, empty ZAM_DADOS") << "vazia" << true << "";
    QTest::newRow("line, no such folder") << "nada" << false << semPasta;
    QTest::newRow("line, no ZAM_DADOS") << "semdados" << false << semDados;
}

void TestFormPrincipal::pastaAusenteAvisa()
{
    QFETCH(QString, pasta);
    QFETCH(bool, digitada);
    QFETCH(QString, erro);
    QVERIFY(QDir().mkpath(dados("semdados")));
    QVERIFY(QDir().mkpath(dados("vazia") + "/ZAM_DADOS"));
    criarBase("A");
    if (!digitada)
        escreverHosts({dados() + "=/srv/zam/ZAM_DADOS/", dados(pasta) + "=/srv/x/ZAM_DADOS/"});
    const QByteArray hostsAntes = lerArquivo(programa() + "/ZamDados.Hosts.txt");
    abrir({dados()});
    QCOMPARE(linhas(), QStringList{"A"});

    if (digitada) {
        FDialogos->responderTexto(QString("/srv/x/ZAM_DADOS/"));
        combo()->setFocus();
        combo()->lineEdit()->selectAll();
        QTest::keyClicks(combo()->lineEdit(), dados(pasta));
        teclar(Qt::Key_Tab);
    } else {
        const int linha = combo()->findText(dados(pasta));
        combo()->showPopup();
        combo()->setCurrentIndex(linha);
        Q_EMIT combo()->activated(linha);
        combo()->hidePopup();
    }
    QTRY_COMPARE(linhas(), QStringList());
    QTest::qWait(20);
    erro.replace("@", dados(pasta));
    QCOMPARE(erros(), erro.isEmpty() ? QStringList() : QStringList{erro});
    QCOMPARE(combo()->currentText(), dados(pasta));
    // A folder without databases is not added to the list of data folders.
    QCOMPARE(lerArquivo(programa() + "/ZamDados.Hosts.txt"), hostsAntes);
}

void TestFormPrincipal::entrar_data()
{
    QTest::addColumn<QString>("como");
    QTest::newRow("button") << "button";
    QTest::newRow("enter key") << "enter";
    QTest::newRow("double click") << "double";
}

void TestFormPrincipal::entrar()
{
    QFETCH(QString, como);
    criarBase("ALFA");
    criarBase(u"BETA São"_qs);
    escreverArquivo(programa() + "/zamcon.ini",
                    "[OUTRA]\r\nK=v\r\n[SERVIDOR]\r\nNOME=x\r\nPORTA=3099\r\n[ZAM]\r\nCAMINHO=y\r\n"
                    "EXTRA=1\r\n");
    abrir();
    lista()->setFocus();
    teclar(Qt::Key_Down); // selects the first, then the second row
    if (como == "button")
        QTest::mouseClick(botao("btnEntrar"), Qt::LeftButton);
    else if (como == "enter")
        teclar(Qt::Key_Return);
    else
        Q_EMIT lista()->itemDoubleClicked(-1);

    QVERIFY(erros().isEmpty());
    QVERIFY(!FForm->isVisible());
    const QByteArray esperado =
        "[OUTRA]\r\nK=v\r\n[SERVIDOR]\r\nNOME=localhost\r\nPORTA=3099\r\n"
        "[ZAM]\r\nCAMINHO=/srv/zam/ZAM_DADOS/BETA S\xe3o/ZAM.FDB\r\nEXTRA=1\r\n";
    QCOMPARE(zamcon(), esperado);
    const auto inicios = esperarRegistroZam7(registro(), 1);
    QCOMPARE(inicios.size(), size_t(1));
    QCOMPARE(inicios[0]["args"].toArray().size(), 0);
    QCOMPARE(inicios[0]["cwd"].toString(), programa());
    QCOMPARE(inicios[0]["CAMINHO"].toString(), u"/srv/zam/ZAM_DADOS/BETA São/ZAM.FDB"_qs);
    QCOMPARE(inicios[0]["NOME"].toString(), QString("localhost"));
}

void TestFormPrincipal::entrarSemItem()
{
    criarBase("ALFA");
    abrir();
    filtroEdit()->setText("nada");
    Q_EMIT lista()->itemDoubleClicked(-1);
    QCOMPARE(erros(), QStringList{"Selecione um Item."});
    QVERIFY(FForm->isVisible());
    QVERIFY(!QFile::exists(programa() + "/zamcon.ini"));
    QVERIFY(zam7NaoIniciado());
}

void TestFormPrincipal::ultimaBaseNaoGrava()
{
    criarBase("ALFA");
    const QByteArray antes("[ZAM]\r\nCAMINHO=/srv/zam/ZAM_DADOS/OUTRA/ZAM.FDB\r\n");
    escreverArquivo(programa() + "/zamcon.ini", antes);
    abrir();
    lista()->setSelectedIndex(0);
    QTest::mouseClick(botao("btnUltimaBase"), Qt::LeftButton);
    QVERIFY(!FForm->isVisible());
    QCOMPARE(zamcon(), antes);
    QCOMPARE(esperarRegistroZam7(registro(), 1).size(), size_t(1));
}

void TestFormPrincipal::alterarGravaSemIniciar()
{
    criarBase("ALFA");
    criarBase("BETA");
    escreverArquivo(programa() + "/zamcon.ini",
                    "[ZAM]\r\nCAMINHO=c:\\z\\ZAM_DADOS\\BETA\\ZAM.FDB\r\n");
    abrir();
    lista()->setSelectedIndex(-1);
    QMetaObject::invokeMethod(FForm->findChild<QObject *>("ZamLabelLink1"), "clicked");
    QVERIFY(!FForm->isVisible());
    // Unlike Entrar, the last database is not looked for: the first row is written.
    QVERIFY(zamcon().contains("CAMINHO=/srv/zam/ZAM_DADOS/ALFA/ZAM.FDB\r\n"));
    QVERIFY(zam7NaoIniciado());
}

void TestFormPrincipal::zamconSomenteLeitura()
{
    criarBase("ALFA");
    escreverArquivo(programa() + "/zamcon.ini", "[SERVIDOR]\r\nNOME=x\r\n");
    abrir();
    TPastaSomenteLeitura somenteLeitura(programa());
    if (!somenteLeitura.ativa())
        return;
    Q_EMIT lista()->itemDoubleClicked(0);
    QCOMPARE(erros().size(), 1);
    QVERIFY2(erros().first().contains(programa() + "/zamcon.ini"), qPrintable(erros().first()));
    QVERIFY(FForm->isVisible());
    QVERIFY(zam7NaoIniciado());
}

void TestFormPrincipal::zam7Ausente()
{
    criarBase("ALFA");
    QVERIFY(QFile::remove(programa() + "/ZAM7.exe"));
    abrir();
    Q_EMIT lista()->itemDoubleClicked(0);
    QCOMPARE(erros(), QStringList{"No such file or directory."});
    QVERIFY(FForm->isVisible());
    QVERIFY(zamcon().contains("CAMINHO=/srv/zam/ZAM_DADOS/ALFA/ZAM.FDB"));
    QTest::mouseClick(botao("btnUltimaBase"), Qt::LeftButton);
    QCOMPARE(erros().size(), 2);
    QVERIFY(FForm->isVisible());
}

QTEST_MAIN(TestFormPrincipal)
#include "tst_formprincipal.moc"
