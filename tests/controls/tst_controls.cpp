#include "controls/uTZamLabelLink.h"
#include "controls/uTZamListView.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <set>

namespace {

// Exposes the sort column, which only the column sort sets otherwise.
class TListaTeste : public TZamListView
{
public:
    using TZamListView::setColunaOrdenada;
    using TZamListView::TZamListView;
};

TZamListItem linha(const QString &legenda, const QStringList &subItens = {}, int grupo = -1)
{
    TZamListItem it;
    it.Caption = legenda;
    it.SubItems = subItens;
    it.GroupID = grupo;
    return it;
}

QStringList legendas(const TZamListView &lista)
{
    QStringList r;
    for (int i = 0; i < lista.count(); ++i)
        r << lista.item(i).Caption;
    return r;
}

void preencher(TZamListView &lista, const QStringList &nomes)
{
    for (const QString &n : nomes)
        lista.addItem(linha(n));
}

void adicionarColunas(TZamListView &lista, int quantas)
{
    for (int c = 0; c < quantas; ++c)
        lista.addColumn({QStringLiteral("C%1").arg(c), 80, false, Qt::AlignLeft});
}

QString legendaSelecionada(const TZamListView &lista)
{
    const int i = lista.selectedIndex();
    return i < 0 ? QString() : lista.item(i).Caption;
}

QString textoBarra(const TZamListView &lista)
{
    return lista.labelBusca() ? lista.labelBusca()->text() : QString();
}

// A key as the window system delivers it: the key and the text it types, if any.
void tecla(QWidget *w, Qt::Key k, const QString &texto = QString())
{
    QTest::sendKeyEvent(QTest::Click, w, k, texto, Qt::NoModifier);
}

// Types text into the list; '\b' stands for the backspace key.
void digitar(QWidget *w, const QString &texto)
{
    for (const QChar c : texto) {
        if (c == u'\b')
            tecla(w, Qt::Key_Backspace, QStringLiteral("\b"));
        else
            QTest::keyClick(w, c.toLatin1());
    }
}

} // namespace

class TestControls : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void minusculas_data();
    void minusculas();
    void aparado_data();
    void aparado();
    void alturaDaBarra_data();
    void alturaDaBarra();

    void filtrar_data();
    void filtrar();
    void filtrarDevolveLinhasNovas();
    void filtrarUsaACopiaAteONovoBracket();
    void filtrarComGrupos();

    void buscaPorDigitacao_data();
    void buscaPorDigitacao();
    void buscaPelaColunaOrdenada();
    void teclasDaBusca_data();
    void teclasDaBusca();
    void buscaDesabilitada();
    void barraDeBusca();
    void barraNaoCobreAUltimaLinha();

    void colunasMantidasNoBracket();
    void semColunasSemFoto();
    void checkedCount();
    void findCaption_data();
    void findCaption();
    void selecao();

    void umaNotificacaoPorRecarga();
    void umaNotificacaoPorLote();
    void setItemAvisaSoALinha();
    void fonteSoDasLinhasVisiveis();
    void duploClique();

    void visaoPorGrupos();
    void gruposRecolhidos();
    void gruposMudamSemReset();

    void linkNovo();
    void linkSublinhaComOMouse_data();
    void linkSublinhaComOMouse();
    void linkClique();
};

// --- text helpers ----------------------------------------------------------------------------

void TestControls::minusculas_data()
{
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QString>("esperado");
    QTest::newRow("A a Z") << "AZaz09"
                           << "azaz09";
    QTest::newRow("acentuadas ficam") << QString::fromUtf8("JOSÉ Ç") << QString::fromUtf8("josÉ Ç");
    QTest::newRow("vizinhos de A e Z") << "@[`{"
                                       << "@[`{";
}

void TestControls::minusculas()
{
    QFETCH(QString, texto);
    QFETCH(QString, esperado);
    QCOMPARE(minusculasAZ(texto), esperado);
}

void TestControls::aparado_data()
{
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QString>("esperado");
    QTest::newRow("brancos") << "  a b  "
                             << "a b";
    QTest::newRow("controles") << QString("\t\r\n\x1f"
                                          "a\x01")
                               << "a";
    QTest::newRow("so brancos") << " \t "
                                << "";
    QTest::newRow("33 fica") << "!a!"
                             << "!a!";
    QTest::newRow("espaco duro fica") << QString(QChar(0xA0)) + "a" << QString(QChar(0xA0)) + "a";
}

void TestControls::aparado()
{
    QFETCH(QString, texto);
    QFETCH(QString, esperado);
    QCOMPARE(aparar(texto), esperado);
}

void TestControls::alturaDaBarra_data()
{
    QTest::addColumn<int>("linha");
    QTest::addColumn<int>("altura");
    QTest::newRow("13") << 13 << 19;
    QTest::newRow("15") << 15 << 23;
    QTest::newRow("11") << 11 << 17;
    QTest::newRow("17") << 17 << 25;
    QTest::newRow("par 14") << 14 << 21;
    QTest::newRow("par 16") << 16 << 24;
}

void TestControls::alturaDaBarra()
{
    QFETCH(int, linha);
    QFETCH(int, altura);
    QCOMPARE(alturaBarraBusca(linha), altura);
}

// --- Filtrar ---------------------------------------------------------------------------------

void TestControls::filtrar_data()
{
    QTest::addColumn<QStringList>("nomes");
    // Text of column 2 of each row, "-" for a row without that sub-item.
    QTest::addColumn<QStringList>("terceiraColuna");
    QTest::addColumn<int>("colunaOrdenada");
    QTest::addColumn<QString>("filtro");
    QTest::addColumn<QStringList>("esperado");

    const QStringList tres{"ABC", "xAbx", "ba"};
    QTest::newRow("vazio") << tres << QStringList() << -1 << "" << tres;
    QTest::newRow("so brancos") << tres << QStringList() << -1 << " \t " << tres;
    QTest::newRow("ab") << tres << QStringList() << -1 << "ab" << QStringList{"ABC", "xAbx"};
    QTest::newRow("nada casa") << tres << QStringList() << -1 << "zz" << QStringList();
    QTest::newRow("branco e a") << QStringList{"a b", "b a", "xA", "ba", " A"} << QStringList()
                                << -1 << " a" << QStringList{"b a", " A"};
    QTest::newRow("branco no fim conta")
        << QStringList{"ba x", "ba", "a"} << QStringList() << -1 << "a " << QStringList{"ba x"};
    const QStringList nomes{QString::fromUtf8("José Silva"), QString::fromUtf8("JOSÉ"), "jose"};
    QTest::newRow("JOSE maiusculo") << nomes << QStringList() << -1 << QString::fromUtf8("JOSÉ")
                                    << QStringList{QString::fromUtf8("JOSÉ")};
    QTest::newRow("jose minusculo") << nomes << QStringList() << -1 << QString::fromUtf8("josé")
                                    << QStringList{QString::fromUtf8("José Silva")};

    const QStringList porColuna{"um", "dois", "tres", "quatro"};
    const QStringList terceira{"zeta", "beta", "-", "alfa"};
    QTest::newRow("terceira coluna")
        << porColuna << terceira << 2 << "ETA" << QStringList{"um", "dois"};
    QTest::newRow("terceira coluna ignora legenda")
        << porColuna << terceira << 2 << "um" << QStringList();
    QTest::newRow("terceira coluna, sub-item ausente")
        << porColuna << terceira << 2 << "a" << QStringList{"um", "dois", "quatro"};
    QTest::newRow("terceira coluna, vazio traz todas")
        << porColuna << terceira << 2 << " " << porColuna;
    QTest::newRow("primeira coluna usa legenda")
        << porColuna << terceira << 0 << "o" << QStringList{"dois", "quatro"};
}

void TestControls::filtrar()
{
    QFETCH(QStringList, nomes);
    QFETCH(QStringList, terceiraColuna);
    QFETCH(int, colunaOrdenada);
    QFETCH(QString, filtro);
    QFETCH(QStringList, esperado);

    TListaTeste lista;
    adicionarColunas(lista, 3);
    for (int i = 0; i < nomes.size(); ++i) {
        QStringList sub{QStringLiteral("s%1").arg(i)};
        if (!terceiraColuna.isEmpty() && terceiraColuna[i] != "-")
            sub << terceiraColuna[i];
        lista.addItem(linha(nomes[i], sub));
    }
    if (colunaOrdenada >= 0)
        lista.setColunaOrdenada(colunaOrdenada);

    QCOMPARE(lista.Filtrar(filtro), 0);
    QCOMPARE(legendas(lista), esperado);
    // The same copy serves again: an empty filter brings every row back once, in order.
    lista.Filtrar(QString());
    QCOMPARE(legendas(lista), nomes);
}

void TestControls::filtrarDevolveLinhasNovas()
{
    TZamListView lista;
    adicionarColunas(lista, 2);
    auto dado = std::make_shared<int>(7);
    TZamListItem marcada = linha("alfa", {"1"}, 4);
    marcada.Checked = true;
    marcada.ImageIndex = 3;
    marcada.Data = dado;
    lista.addItem(marcada);
    lista.addItem(linha("beta", {"2"}));
    lista.setSelectedIndex(0);
    QCOMPARE(lista.selectedIndex(), 0);

    lista.Filtrar(QString());
    QCOMPARE(legendas(lista), QStringList({"alfa", "beta"}));
    const TZamListItem &volta = lista.item(0);
    QCOMPARE(volta.Checked, false);
    QCOMPARE(volta.ImageIndex, -1);
    QCOMPARE(volta.GroupID, 4);
    QCOMPARE(volta.SubItems, QStringList{"1"});
    QCOMPARE(volta.Data.get(), static_cast<void *>(dado.get()));
    QCOMPARE(lista.selectedIndex(), -1);
    QCOMPARE(lista.focusedIndex(), -1);

    lista.setSelectedIndex(1);
    lista.Filtrar(QStringLiteral("a"));
    QCOMPARE(lista.selectedIndex(), -1);
    QCOMPARE(lista.CheckedCount(), 0);
}

void TestControls::filtrarUsaACopiaAteONovoBracket()
{
    TZamListView lista;
    adicionarColunas(lista, 1);
    preencher(lista, {"ana", "bia"});
    lista.Filtrar(QStringLiteral("a"));

    // Rows added after the copy was taken are not in it, whatever the next filter.
    lista.addItem(linha("carla"));
    lista.Filtrar(QStringLiteral("a"));
    QCOMPARE(legendas(lista), QStringList({"ana", "bia"}));
    lista.addItem(linha("dora"));
    lista.Filtrar(QString());
    QCOMPARE(legendas(lista), QStringList({"ana", "bia"}));

    // A refill through the bracket drops the copy; the next filter copies the new rows.
    lista.BeginUpdateZam(2);
    lista.clearItems();
    preencher(lista, {"eva", "fabia"});
    lista.EndUpdateZam();
    lista.Filtrar(QStringLiteral("bi"));
    QCOMPARE(legendas(lista), QStringList({"fabia"}));
    lista.Filtrar(QString());
    QCOMPARE(legendas(lista), QStringList({"eva", "fabia"}));
}

void TestControls::filtrarComGrupos()
{
    TZamListView lista;
    adicionarColunas(lista, 1);
    const int g1 = lista.addGroup({-1, "G1", {}, {}, true, false});
    const int g2 = lista.addGroup({-1, "G2", {}, {}, true, false});
    lista.addItem(linha("ana", {}, g1));
    lista.addItem(linha("bia", {}, g2));
    lista.setGroupView(true);

    // Blank: group view and groups stay, the rows keep their group ids.
    lista.Filtrar(QStringLiteral(" "));
    QVERIFY(lista.groupView());
    QCOMPARE(lista.groups().size(), std::size_t(2));
    QCOMPARE(lista.model()->rowCount(), 2);

    lista.Filtrar(QStringLiteral("a"));
    QVERIFY(!lista.groupView());
    QVERIFY(lista.groups().empty());
    QCOMPARE(legendas(lista), QStringList({"ana", "bia"}));

    lista.Filtrar(QString());
    QVERIFY(!lista.groupView());
    QVERIFY(lista.groups().empty());
    QCOMPARE(legendas(lista), QStringList({"ana", "bia"}));
    QCOMPARE(lista.item(1).GroupID, g2);
    QCOMPARE(lista.model()->rowCount(), 2);
}

// --- type-to-search --------------------------------------------------------------------------

void TestControls::buscaPorDigitacao_data()
{
    QTest::addColumn<QString>("teclas");
    // After each key: the bar's text ("" = no bar) and the selected row ("" = none).
    QTest::addColumn<QStringList>("barras");
    QTest::addColumn<QStringList>("selecionadas");

    QTest::newRow("a b e dois retrocessos") << "ab\b\b" << QStringList{"a", "ab", "a", ""}
                                            << QStringList{"Alfa", "Abacate", "Alfa", "Alfa"};
    QTest::newRow("branco primeiro") << " " << QStringList{""} << QStringList{"beta"};
    // The blank leaves no bar, and the bar holds the only copy of the search text.
    QTest::newRow("branco e letra") << " a" << QStringList{"", "a"} << QStringList{"beta", "Alfa"};
    QTest::newRow("branco no meio") << "a " << QStringList{"a", "a "} << QStringList{"Alfa", ""};
    QTest::newRow("x sem linha") << "x" << QStringList{"x"} << QStringList{""};
    QTest::newRow("continua depois de nao achar")
        << "bz\bo" << QStringList{"b", "bz", "b", "bo"} << QStringList{"beta", "", "beta", "Bola"};
    QTest::newRow("retrocesso sem busca") << "\b" << QStringList{""} << QStringList{"beta"};
}

void TestControls::buscaPorDigitacao()
{
    QFETCH(QString, teclas);
    QFETCH(QStringList, barras);
    QFETCH(QStringList, selecionadas);

    TZamListView lista;
    adicionarColunas(lista, 1);
    preencher(lista, {"Alfa", "Abacate", "beta", "Bola", " a espaco"});
    lista.setSelectedIndex(2);

    for (int k = 0; k < teclas.size(); ++k) {
        digitar(&lista, teclas.mid(k, 1));
        QCOMPARE(textoBarra(lista), barras[k]);
        QCOMPARE(legendaSelecionada(lista), selecionadas[k]);
        if (lista.selectedIndex() >= 0)
            QCOMPARE(lista.focusedIndex(), lista.selectedIndex());
    }
}

void TestControls::buscaPelaColunaOrdenada()
{
    TListaTeste lista;
    adicionarColunas(lista, 3);
    lista.addItem(linha("um", {"x", "Zeta"}));
    lista.addItem(linha("dois", {"y"}));
    lista.addItem(linha("tres", {"z", "beta"}));

    lista.setColunaOrdenada(2);
    digitar(&lista, "BE");
    QCOMPARE(legendaSelecionada(lista), QString("tres"));
    tecla(&lista, Qt::Key_Home);
    digitar(&lista, "t");
    // "tres" begins with t, but the search looks at the third column.
    QCOMPARE(legendaSelecionada(lista), QString());

    lista.setColunaOrdenada(0);
    tecla(&lista, Qt::Key_Home);
    digitar(&lista, "t");
    QCOMPARE(legendaSelecionada(lista), QString("tres"));
}

void TestControls::teclasDaBusca_data()
{
    QTest::addColumn<int>("tecla");
    QTest::addColumn<QString>("texto");
    // The bar's text after the key, "" when the search has ended.
    QTest::addColumn<QString>("barra");

    QTest::newRow("Tab") << int(Qt::Key_Tab) << "\t"
                         << "";
    QTest::newRow("Shift+Tab") << int(Qt::Key_Backtab) << ""
                               << "";
    QTest::newRow("Return") << int(Qt::Key_Return) << "\r"
                            << "";
    QTest::newRow("Enter") << int(Qt::Key_Enter) << "\r"
                           << "";
    QTest::newRow("PageUp") << int(Qt::Key_PageUp) << ""
                            << "";
    QTest::newRow("PageDown") << int(Qt::Key_PageDown) << ""
                              << "";
    QTest::newRow("End") << int(Qt::Key_End) << ""
                         << "";
    QTest::newRow("Home") << int(Qt::Key_Home) << ""
                          << "";
    QTest::newRow("Up") << int(Qt::Key_Up) << ""
                        << "";
    QTest::newRow("Down") << int(Qt::Key_Down) << ""
                          << "";
    QTest::newRow("Delete") << int(Qt::Key_Delete) << "\x7f"
                            << "";
    QTest::newRow("Left") << int(Qt::Key_Left) << ""
                          << "ab";
    QTest::newRow("Right") << int(Qt::Key_Right) << ""
                           << "ab";
    QTest::newRow("Escape") << int(Qt::Key_Escape) << "\x1b"
                            << "ab\x1b";
}

void TestControls::teclasDaBusca()
{
    QFETCH(int, tecla);
    QFETCH(QString, texto);
    QFETCH(QString, barra);

    QWidget janela;
    auto *lista = new TZamListView(&janela);
    auto *outro = new QWidget(&janela);
    outro->setFocusPolicy(Qt::StrongFocus);
    adicionarColunas(*lista, 1);
    preencher(*lista, {"abacate", "abc", "cabo"});

    digitar(lista, "ab");
    QCOMPARE(textoBarra(*lista), QString("ab"));
    ::tecla(lista, Qt::Key(tecla), texto);
    QCOMPARE(textoBarra(*lista), barra);

    // After the search has ended, the next character starts a new search text.
    digitar(lista, "c");
    QCOMPARE(textoBarra(*lista), barra.isEmpty() ? QString("c") : barra + "c");
}

void TestControls::buscaDesabilitada()
{
    TZamListView lista;
    adicionarColunas(lista, 1);
    preencher(lista, {"alfa", "beta"});
    lista.DesabilitarBusca = true;
    lista.setSelectedIndex(0);

    digitar(&lista, "b");
    QVERIFY(!lista.labelBusca());
    // Nor does the view's own keyboard search move to "beta".
    QCOMPARE(lista.selectedIndex(), 0);
    QCOMPARE(lista.focusedIndex(), 0);

    lista.DesabilitarBusca = false;
    digitar(&lista, "b");
    QCOMPARE(textoBarra(lista), QString("b"));
    QCOMPARE(lista.selectedIndex(), 1);
}

void TestControls::barraDeBusca()
{
    QWidget janela;
    QFont fonteJanela = janela.font();
    fonteJanela.setPointSize(15);
    janela.setFont(fonteJanela);
    auto *layout = new QVBoxLayout(&janela);
    auto *lista = new TZamListView(&janela);
    layout->addWidget(lista);
    // The list's own font is not the one the bar takes.
    QFont fonteLista = lista->font();
    fonteLista.setPointSize(8);
    lista->setFont(fonteLista);
    adicionarColunas(*lista, 1);
    preencher(*lista, {"abc"});
    janela.resize(300, 200);
    janela.show();
    QVERIFY(QTest::qWaitForWindowExposed(&janela));
    const QRect semBarra = lista->viewport()->geometry();

    digitar(lista, "a");
    QLabel *barra = lista->labelBusca();
    QVERIFY(barra);
    QCOMPARE(barra->parentWidget(), lista);
    QVERIFY(barra->isVisible());
    QFont esperada = fonteJanela;
    esperada.setBold(true);
    QCOMPARE(barra->font(), esperada);
    QCOMPARE(barra->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QCOMPARE(barra->palette().color(QPalette::Window), QColor(255, 255, 170));
    QVERIFY(barra->autoFillBackground());
    QVERIFY(barra->alignment() & Qt::AlignVCenter);
    const int altura = alturaBarraBusca(QFontMetrics(esperada).height());
    QCOMPARE(barra->height(), altura);

    // The bar sits under the rows, across their whole width; the rows give up its height.
    const QRect comBarra = lista->viewport()->geometry();
    QCOMPARE(comBarra.height(), semBarra.height() - altura);
    QCOMPARE(barra->geometry(),
             QRect(comBarra.left(), comBarra.bottom() + 1, comBarra.width(), altura));
    const QImage imagem = barra->grab().toImage();
    QCOMPARE(imagem.pixelColor(imagem.width() - 2, 1), QColor(255, 255, 170));

    // The bar follows the list's size.
    janela.resize(400, 250);
    QTRY_COMPARE(barra->width(), lista->viewport()->width());
    const QRect maior = lista->viewport()->geometry();
    QCOMPARE(barra->y(), maior.bottom() + 1);

    // Ending the search gives the height back.
    tecla(lista, Qt::Key_Down);
    QVERIFY(!lista->labelBusca());
    QCOMPARE(lista->viewport()->geometry().height(), maior.height() + altura);
}

void TestControls::barraNaoCobreAUltimaLinha()
{
    TZamListView lista;
    adicionarColunas(lista, 1);
    for (int i = 0; i < 200; ++i)
        lista.addItem(linha(QStringLiteral("linha %1").arg(i, 3, 10, QChar(u'0'))));
    lista.resize(300, 250);
    lista.show();
    QVERIFY(QTest::qWaitForWindowExposed(&lista));

    digitar(&lista, "linha 199");
    QCOMPARE(lista.selectedIndex(), 199);
    const QRect r = lista.visualRect(lista.indiceDaLinha(199));
    QVERIFY(lista.viewport()->rect().contains(r));
    const int fimDaLinha = lista.viewport()->mapTo(&lista, r.bottomLeft()).y();
    QVERIFY2(fimDaLinha < lista.labelBusca()->y(),
             qPrintable(QStringLiteral("row ends at %1, bar starts at %2")
                            .arg(fimDaLinha)
                            .arg(lista.labelBusca()->y())));
    QCOMPARE(lista.verticalScrollBar()->value(), lista.verticalScrollBar()->maximum());
}

// --- columns, check state, selection ---------------------------------------------------------

void TestControls::colunasMantidasNoBracket()
{
    TZamListView lista;
    lista.addColumn({"Nome", 50, true, Qt::AlignLeft});
    lista.addColumn({"Porta", 50, false, Qt::AlignHCenter});
    lista.addColumn({"Data/Hora", 120, false, Qt::AlignHCenter});
    lista.addColumn({"Tamanho", 86, false, Qt::AlignRight});
    preencher(lista, {"a", "b"});
    lista.resize(500, 200);
    lista.show();
    QVERIFY(QTest::qWaitForWindowExposed(&lista));
    QTRY_COMPARE(lista.column(0).Width, 500 - 2 * lista.frameWidth() - 50 - 120 - 86);
    const int nome = lista.column(0).Width;
    QVERIFY(lista.ZamArrayColumnsParam().empty());

    lista.BeginUpdateZam(3);
    QCOMPARE(lista.ZamArrayColumnsParam().size(), std::size_t(4));
    lista.clearItems();
    preencher(lista, {"c", "d", "e"});
    // Whatever the refill does to the columns is undone at the end.
    lista.setColumnAutoSize(0, false);
    lista.setColumnWidth(0, 30);
    lista.setColumnWidth(2, 200);
    lista.setColumnAutoSize(3, true);
    lista.EndUpdateZam();

    const QList<int> larguras{nome, 50, 120, 86};
    for (int c = 0; c < 4; ++c) {
        QCOMPARE(lista.column(c).AutoSize, c == 0);
        QTRY_COMPARE(lista.column(c).Width, larguras[c]);
        QCOMPARE(lista.header()->sectionSize(c), larguras[c]);
    }
    QCOMPARE(lista.header()->sectionResizeMode(0), QHeaderView::Stretch);
    QCOMPARE(lista.header()->sectionResizeMode(3), QHeaderView::Interactive);
    QCOMPARE(lista.column(3).Alignment, Qt::Alignment(Qt::AlignRight));
    QVERIFY(Qt::Alignment(lista.model()->index(0, 3).data(Qt::TextAlignmentRole).toInt()) &
            Qt::AlignRight);
    QCOMPARE(lista.model()->headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(),
             QString("Tamanho"));

    const TZamColParamArray &foto = lista.ZamArrayColumnsParam();
    QCOMPARE(foto.size(), std::size_t(4));
    for (int c = 0; c < 4; ++c) {
        QCOMPARE(foto[std::size_t(c)].FCol, c);
        QCOMPARE(foto[std::size_t(c)].autoSize, c == 0);
        QCOMPARE(foto[std::size_t(c)].width, larguras[c]);
    }

    // A width the user set by hand is kept as well.
    lista.header()->resizeSection(2, 150);
    QCOMPARE(lista.column(2).Width, 150);
    lista.BeginUpdateZam(0);
    lista.clearItems();
    lista.EndUpdateZam();
    QCOMPARE(lista.header()->sectionSize(2), 150);
}

void TestControls::semColunasSemFoto()
{
    TZamListView lista;
    preencher(lista, {"a"});
    lista.BeginUpdateZam(1);
    QVERIFY(lista.ZamArrayColumnsParam().empty());
    lista.EndUpdateZam();
    QVERIFY(lista.ZamArrayColumnsParam().empty());
    QCOMPARE(lista.count(), 1);
}

void TestControls::checkedCount()
{
    TZamListView lista;
    adicionarColunas(lista, 1);
    QCOMPARE(lista.CheckedCount(), 0);
    for (int i = 0; i < 5; ++i) {
        TZamListItem it = linha(QString::number(i));
        it.Checked = i % 2 == 0;
        lista.addItem(it);
    }
    QCOMPARE(lista.CheckedCount(), 3);
    TZamListItem it = lista.item(0);
    it.Checked = false;
    lista.setItem(0, it);
    QCOMPARE(lista.CheckedCount(), 2);

    // Ticking the box in the view counts too.
    lista.setCheckBoxes(true);
    const QModelIndex idx = lista.indiceDaLinha(1);
    QCOMPARE(idx.data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    QVERIFY(lista.model()->setData(idx, Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(lista.CheckedCount(), 3);
    QVERIFY(lista.item(1).Checked);
}

void TestControls::findCaption_data()
{
    QTest::addColumn<QString>("prefixo");
    QTest::addColumn<int>("esperado");
    QTest::newRow("sem caixa") << "AB" << 1;
    QTest::newRow("o de cima") << "b" << 2;
    QTest::newRow("inteiro") << "Bola" << 3;
    QTest::newRow("maior que a legenda") << "Bolas" << -1;
    QTest::newRow("nenhum") << "z" << -1;
    QTest::newRow("vazio") << "" << 0;
}

void TestControls::findCaption()
{
    QFETCH(QString, prefixo);
    QFETCH(int, esperado);
    TZamListView lista;
    preencher(lista, {"Alfa", "abacate", "beta", "Bola"});
    QCOMPARE(lista.findCaption(prefixo), esperado);
}

void TestControls::selecao()
{
    TZamListView lista;
    adicionarColunas(lista, 2);
    preencher(lista, {"a", "b", "c"});
    QCOMPARE(lista.selectedIndex(), -1);
    lista.setSelectedIndex(2);
    QCOMPARE(lista.selectedIndex(), 2);
    QCOMPARE(lista.focusedIndex(), 2);
    lista.setSelectedIndex(-1);
    QCOMPARE(lista.selectedIndex(), -1);
    lista.setFocusedIndex(1);
    QCOMPARE(lista.focusedIndex(), 1);
    QCOMPARE(lista.selectedIndex(), -1);

    // A bracket that keeps the rows keeps the selection; a selection made inside it holds.
    lista.setSelectedIndex(1);
    lista.BeginUpdateZam(4);
    lista.addItem(linha("d"));
    QCOMPARE(lista.selectedIndex(), 1);
    lista.EndUpdateZam();
    QCOMPARE(lista.selectedIndex(), 1);
    lista.BeginUpdateZam(4);
    lista.clearItems();
    preencher(lista, {"e", "f"});
    QCOMPARE(lista.selectedIndex(), -1);
    lista.setSelectedIndex(1);
    lista.EndUpdateZam();
    QCOMPARE(lista.selectedIndex(), 1);
    QCOMPARE(lista.focusedIndex(), 1);
    QCOMPARE(lista.findData(nullptr), 0);
    auto dado = std::make_shared<int>(1);
    TZamListItem comDado = linha("g");
    comDado.Data = dado;
    lista.addItem(comDado);
    QCOMPARE(lista.findData(dado.get()), 2);
}

// --- model notifications ---------------------------------------------------------------------

void TestControls::umaNotificacaoPorRecarga()
{
    TZamListView lista;
    adicionarColunas(lista, 3);
    preencher(lista, {"velha"});
    lista.resize(300, 200);
    lista.show();
    QVERIFY(QTest::qWaitForWindowExposed(&lista));
    QAbstractItemModel *modelo = lista.model();
    QSignalSpy resets(modelo, &QAbstractItemModel::modelReset);
    QSignalSpy insercoes(modelo, &QAbstractItemModel::rowsInserted);
    QSignalSpy remocoes(modelo, &QAbstractItemModel::rowsRemoved);
    QSignalSpy mudancas(modelo, &QAbstractItemModel::dataChanged);

    const int total = 10000;
    lista.BeginUpdateZam(total);
    QVERIFY(!lista.updatesEnabled());
    lista.clearItems();
    for (int i = 0; i < total; ++i) {
        lista.addItem(linha(QStringLiteral("base %1").arg(i), {"3050", "01/01/2020 10:00"}));
        if (i == 0)
            lista.setItem(0, linha("base 0", {"3051"}));
    }
    lista.EndUpdateZam();
    QVERIFY(lista.updatesEnabled());
    QCOMPARE(resets.count(), 1);
    QCOMPARE(insercoes.count(), 0);
    QCOMPARE(remocoes.count(), 0);
    QCOMPARE(mudancas.count(), 0);
    QCOMPARE(lista.count(), total);
    QCOMPARE(modelo->rowCount(), total);
    QCOMPARE(modelo->index(total - 1, 0).data().toString(), QString("base 9999"));
    QCOMPARE(modelo->index(0, 1).data().toString(), QString("3051"));

    resets.clear();
    lista.Filtrar(QStringLiteral("99"));
    QCOMPARE(resets.count(), 1);
    QCOMPARE(insercoes.count(), 0);
    QCOMPARE(modelo->rowCount(), lista.count());
    int com99 = 0;
    for (int i = 0; i < total; ++i)
        com99 += QString::number(i).contains("99") ? 1 : 0;
    QCOMPARE(lista.count(), com99);

    // Nested brackets reset once, at the outer end.
    resets.clear();
    lista.BeginUpdateZam(0);
    lista.BeginUpdateZam(0);
    lista.clearItems();
    lista.EndUpdateZam();
    QCOMPARE(resets.count(), 0);
    lista.EndUpdateZam();
    QCOMPARE(resets.count(), 1);
    QCOMPARE(modelo->rowCount(), 0);
}

void TestControls::umaNotificacaoPorLote()
{
    TZamListView lista;
    adicionarColunas(lista, 1);
    preencher(lista, {"a", "b"});
    QAbstractItemModel *modelo = lista.model();
    QSignalSpy resets(modelo, &QAbstractItemModel::modelReset);
    QSignalSpy insercoes(modelo, &QAbstractItemModel::rowsInserted);

    std::vector<TZamListItem> lote;
    for (int i = 0; i < 500; ++i)
        lote.push_back(linha(QString::number(i)));
    lista.addItems(std::move(lote));
    QCOMPARE(resets.count(), 0);
    QCOMPARE(insercoes.count(), 1);
    QCOMPARE(insercoes[0][1].toInt(), 2);
    QCOMPARE(insercoes[0][2].toInt(), 501);
    QCOMPARE(modelo->rowCount(), 502);

    QCOMPARE(lista.addItem(linha("z")), 502);
    QCOMPARE(insercoes.count(), 2);
    QCOMPARE(insercoes[1][1].toInt(), 502);
    QCOMPARE(resets.count(), 0);

    // In group view, rows for one group are one insertion under that group.
    lista.clearItems();
    const int g = lista.addGroup({-1, "G", {}, {}, true, false});
    lista.setGroupView(true);
    insercoes.clear();
    resets.clear();
    std::vector<TZamListItem> doGrupo;
    for (int i = 0; i < 3; ++i)
        doGrupo.push_back(linha(QString::number(i), {}, g));
    lista.addItems(std::move(doGrupo));
    QCOMPARE(insercoes.count(), 1);
    QCOMPARE(resets.count(), 0);
    QCOMPARE(modelo->rowCount(), 1);
    QCOMPARE(modelo->rowCount(modelo->index(0, 0)), 3);
    std::vector<TZamListItem> mais;
    for (int i = 3; i < 5; ++i)
        mais.push_back(linha(QString::number(i), {}, g));
    lista.addItems(std::move(mais));
    QCOMPARE(insercoes.count(), 2);
    QCOMPARE(insercoes[1][0].value<QModelIndex>(), modelo->index(0, 0));
    QCOMPARE(insercoes[1][1].toInt(), 3);
    QCOMPARE(insercoes[1][2].toInt(), 4);
    QCOMPARE(modelo->rowCount(modelo->index(0, 0)), 5);
}

void TestControls::setItemAvisaSoALinha()
{
    TZamListView lista;
    adicionarColunas(lista, 3);
    preencher(lista, {"a", "b", "c"});
    QSignalSpy resets(lista.model(), &QAbstractItemModel::modelReset);
    QSignalSpy mudancas(lista.model(), &QAbstractItemModel::dataChanged);

    TZamListItem it = lista.item(1);
    it.SubItems << "?";
    lista.setItem(1, it);
    QCOMPARE(resets.count(), 0);
    QCOMPARE(mudancas.count(), 1);
    const QModelIndex de = mudancas[0][0].value<QModelIndex>();
    const QModelIndex ate = mudancas[0][1].value<QModelIndex>();
    QCOMPARE(de.row(), 1);
    QCOMPARE(ate.row(), 1);
    QCOMPARE(de.column(), 0);
    QCOMPARE(ate.column(), 2);
    QCOMPARE(lista.model()->index(1, 1).data().toString(), QString("?"));
}

void TestControls::fonteSoDasLinhasVisiveis()
{
    TZamListView lista;
    adicionarColunas(lista, 2);
    for (int i = 0; i < 2000; ++i)
        lista.addItem(linha(QStringLiteral("base %1").arg(i)));
    std::set<int> pedidas;
    lista.OnCustomDrawItem = [&](int row, QFont &fonte) {
        pedidas.insert(row);
        if (lista.item(row).Caption == "base 3")
            fonte.setBold(true);
    };
    lista.resize(300, 200);
    lista.show();
    QVERIFY(QTest::qWaitForWindowExposed(&lista));
    lista.viewport()->repaint();

    QVERIFY(!pedidas.empty());
    QVERIFY2(*pedidas.rbegin() < 50, qPrintable(QString::number(*pedidas.rbegin())));
    QVERIFY(lista.model()->index(3, 0).data(Qt::FontRole).value<QFont>().bold());
    QVERIFY(!lista.model()->index(4, 0).data(Qt::FontRole).value<QFont>().bold());
}

void TestControls::duploClique()
{
    TZamListView lista;
    adicionarColunas(lista, 2);
    preencher(lista, {"a", "b"});
    lista.resize(300, 300);
    lista.show();
    QVERIFY(QTest::qWaitForWindowExposed(&lista));
    QSignalSpy cliques(&lista, &TZamListView::itemDoubleClicked);

    const QPoint segunda = lista.visualRect(lista.indiceDaLinha(1)).center();
    QTest::mouseDClick(lista.viewport(), Qt::LeftButton, Qt::NoModifier, segunda);
    QCOMPARE(cliques.count(), 1);
    QCOMPARE(cliques[0][0].toInt(), 1);

    QTest::mouseDClick(lista.viewport(), Qt::LeftButton, Qt::NoModifier,
                       QPoint(10, lista.viewport()->height() - 5));
    QCOMPARE(cliques.count(), 2);
    QCOMPARE(cliques[1][0].toInt(), -1);
}

// --- groups ----------------------------------------------------------------------------------

void TestControls::visaoPorGrupos()
{
    TZamListView lista;
    adicionarColunas(lista, 2);
    const int a = lista.addGroup({-1, "A", "Count: 2", "2", true, false});
    const int vazio = lista.addGroup({-1, "Vazio", {}, {}, true, false});
    const int b = lista.addGroup({10, "B", {}, {}, false, false});
    QCOMPARE(a, 0);
    QCOMPARE(vazio, 1);
    QCOMPARE(b, 10);
    QCOMPARE(lista.addGroup({-1, "C", {}, {}, false, false}), 11);
    lista.addItem(linha("b1", {"x"}, b));
    lista.addItem(linha("a1", {"y"}, a));
    lista.addItem(linha("solta"));
    lista.addItem(linha("a2", {"z"}, a));

    QAbstractItemModel *modelo = lista.model();
    QCOMPARE(modelo->rowCount(), 4);
    lista.setGroupView(true);
    QVERIFY(lista.rootIsDecorated());
    // Groups without rows are not shown, nor rows without a group.
    QCOMPARE(modelo->rowCount(), 2);
    const QModelIndex ga = modelo->index(0, 0);
    const QModelIndex gb = modelo->index(1, 0);
    const QString cabecalho = ga.data().toString();
    QVERIFY(cabecalho.startsWith("A"));
    QVERIFY(cabecalho.contains("Count: 2"));
    QVERIFY(cabecalho.endsWith("2"));
    QCOMPARE(gb.data().toString(), QString("B"));
    QVERIFY(lista.isFirstColumnSpanned(0, QModelIndex()));
    QVERIFY(!(modelo->flags(ga) & Qt::ItemIsSelectable));
    QCOMPARE(modelo->rowCount(ga), 2);
    QCOMPARE(modelo->index(1, 1, ga).data().toString(), QString("z"));
    QCOMPARE(modelo->parent(modelo->index(1, 0, ga)), ga);
    QCOMPARE(modelo->index(0, 0, gb).data().toString(), QString("b1"));

    // Rows keep their display-order indices.
    lista.setSelectedIndex(3);
    QCOMPARE(lista.selectedIndex(), 3);
    QCOMPARE(lista.currentIndex(), modelo->index(1, 0, ga));
    lista.setSelectedIndex(2);
    QCOMPARE(lista.selectedIndex(), -1);

    lista.setGroupView(false);
    QCOMPARE(modelo->rowCount(), 4);
    QCOMPARE(modelo->index(2, 0).data().toString(), QString("solta"));
}

void TestControls::gruposRecolhidos()
{
    TZamListView lista;
    adicionarColunas(lista, 1);
    lista.setGroupView(true);
    const int recolhido = lista.addGroup({-1, "R", {}, {}, true, true});
    const int fixo = lista.addGroup({-1, "F", {}, {}, false, false});
    lista.addItem(linha("r1", {}, recolhido));
    lista.addItem(linha("f1", {}, fixo));
    lista.resize(300, 300);
    lista.show();
    QVERIFY(QTest::qWaitForWindowExposed(&lista));
    QAbstractItemModel *modelo = lista.model();
    const QModelIndex gr = modelo->index(0, 0);
    const QModelIndex gf = modelo->index(1, 0);
    QVERIFY(!lista.isExpanded(gr));
    QVERIFY(lista.isExpanded(gf));

    // The user opens and closes a collapsible group; the state is the group's.
    lista.expand(gr);
    QVERIFY(!lista.groupById(recolhido)->Collapsed);
    lista.collapse(gr);
    QVERIFY(lista.groupById(recolhido)->Collapsed);
    // A group that is not collapsible stays open.
    lista.collapse(gf);
    QVERIFY(lista.isExpanded(gf));

    // The state survives a refill.
    lista.expand(gr);
    lista.BeginUpdateZam(2);
    lista.EndUpdateZam();
    QVERIFY(lista.isExpanded(modelo->index(0, 0)));

    lista.groupById(recolhido)->Collapsed = true;
    lista.groupById(recolhido)->Footer = "1";
    lista.groupChanged(recolhido);
    QVERIFY(!lista.isExpanded(modelo->index(0, 0)));
    QCOMPARE(modelo->index(0, 0).data().toString().right(1), QString("1"));

    // Selecting a row of a closed group leaves it closed, also across a reset; scrolling to
    // the row opens it.
    lista.setSelectedIndex(0);
    QCOMPARE(lista.selectedIndex(), 0);
    QVERIFY(!lista.isExpanded(modelo->index(0, 0)));
    lista.setGroupView(false);
    lista.setSelectedIndex(1);
    tecla(&lista, Qt::Key_Up);
    lista.setGroupView(true);
    QCOMPARE(lista.selectedIndex(), 0);
    QVERIFY(!lista.isExpanded(modelo->index(0, 0)));
    QVERIFY(lista.groupById(recolhido)->Collapsed);
    lista.scrollToItem(0);
    QVERIFY(lista.isExpanded(modelo->index(0, 0)));
    QVERIFY(!lista.groupById(recolhido)->Collapsed);
}

void TestControls::gruposMudamSemReset()
{
    TZamListView lista;
    adicionarColunas(lista, 1);
    lista.setGroupView(true);
    const int g0 = lista.addGroup({-1, "G0", {}, {}, true, false});
    const int g1 = lista.addGroup({-1, "G1", {}, {}, true, false});
    const int g2 = lista.addGroup({-1, "G2", {}, {}, true, false});
    QAbstractItemModel *modelo = lista.model();
    QSignalSpy resets(modelo, &QAbstractItemModel::modelReset);
    QSignalSpy insercoes(modelo, &QAbstractItemModel::rowsInserted);
    QSignalSpy movimentos(modelo, &QAbstractItemModel::rowsMoved);
    const auto cabecalhos = [&] {
        QStringList r;
        for (int p = 0; p < modelo->rowCount(); ++p)
            r << modelo->index(p, 0).data().toString();
        return r;
    };

    lista.addItem(linha("x", {}, g2));
    lista.addItem(linha("y", {}, g0));
    QCOMPARE(cabecalhos(), QStringList({"G0", "G2"}));
    // A group that gets its first row appears in its place among the groups.
    lista.addItem(linha("z", {}, g1));
    QCOMPARE(cabecalhos(), QStringList({"G0", "G1", "G2"}));
    QCOMPARE(insercoes.count(), 3);

    lista.setSelectedIndex(0);
    lista.moveGroup(2, 0);
    QCOMPARE(cabecalhos(), QStringList({"G2", "G0", "G1"}));
    QCOMPARE(lista.groups()[0].Header, QString("G2"));
    QCOMPARE(movimentos.count(), 1);
    // The selected row moved with its group.
    QCOMPARE(lista.selectedIndex(), 0);
    QCOMPARE(lista.currentIndex().parent(), modelo->index(0, 0));
    lista.moveGroup(0, 2);
    QCOMPARE(cabecalhos(), QStringList({"G0", "G1", "G2"}));
    QCOMPARE(lista.selectedIndex(), 0);

    // A row that changes group moves under the other header; an emptied group goes.
    TZamListItem z = lista.item(2);
    z.GroupID = g0;
    lista.setItem(2, z);
    QCOMPARE(cabecalhos(), QStringList({"G0", "G2"}));
    const QModelIndex grupo0 = modelo->index(0, 0);
    QCOMPARE(modelo->rowCount(grupo0), 2);
    QCOMPARE(modelo->index(0, 0, grupo0).data().toString(), QString("y"));
    QCOMPARE(modelo->index(1, 0, grupo0).data().toString(), QString("z"));
    QCOMPARE(resets.count(), 0);

    // Rows of a group added later show up when the group is made.
    lista.addItem(linha("w", {}, 50));
    QCOMPARE(modelo->rowCount(), 2);
    lista.addGroup({50, "G50", {}, {}, true, false});
    QCOMPARE(cabecalhos(), QStringList({"G0", "G2", "G50"}));
}

// --- link label ------------------------------------------------------------------------------

void TestControls::linkNovo()
{
    TZamLabelLink link(QStringLiteral("Alterar"));
    QCOMPARE(link.cursor().shape(), Qt::PointingHandCursor);
    const QColor corLink = link.palette().color(QPalette::Link);
    QCOMPARE(link.palette().color(link.foregroundRole()), corLink);
    QVERIFY(corLink != link.palette().color(QPalette::WindowText));
    QVERIFY(!link.font().underline());
    QCOMPARE(link.text(), QString("Alterar"));
}

void TestControls::linkSublinhaComOMouse_data()
{
    QTest::addColumn<bool>("negrito");
    QTest::addColumn<bool>("italico");
    QTest::addColumn<bool>("riscado");
    QTest::newRow("simples") << false << false << false;
    QTest::newRow("negrito") << true << false << false;
    QTest::newRow("italico e riscado") << false << true << true;
}

void TestControls::linkSublinhaComOMouse()
{
    QFETCH(bool, negrito);
    QFETCH(bool, italico);
    QFETCH(bool, riscado);
    TZamLabelLink link(QStringLiteral("Alterar"));
    QFont fonte = link.font();
    fonte.setBold(negrito);
    fonte.setItalic(italico);
    fonte.setStrikeOut(riscado);
    link.setFont(fonte);
    // Not shown: a shown window may get an enter event from wherever the pointer is.
    QCOMPARE(link.font().bold(), negrito);
    QCOMPARE(link.font().italic(), italico);

    QEnterEvent entrada(QPointF(2, 2), QPointF(2, 2), link.mapToGlobal(QPointF(2, 2)));
    QCoreApplication::sendEvent(&link, &entrada);
    QVERIFY(link.font().underline());
    QVERIFY(!link.font().bold());
    QVERIFY(!link.font().italic());
    QVERIFY(!link.font().strikeOut());

    QEvent saida(QEvent::Leave);
    QCoreApplication::sendEvent(&link, &saida);
    QVERIFY(!link.font().underline());
    QVERIFY(!link.font().bold());
    QVERIFY(!link.font().italic());
    QVERIFY(!link.font().strikeOut());
}

void TestControls::linkClique()
{
    TZamLabelLink link(QStringLiteral("Alterar"));
    link.resize(80, 20);
    link.show();
    QVERIFY(QTest::qWaitForWindowExposed(&link));
    QSignalSpy cliques(&link, &TZamLabelLink::clicked);
    const QFont antes = link.font();

    QTest::mouseClick(&link, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QCOMPARE(cliques.count(), 1);
    QCOMPARE(link.font(), antes);

    // Pressed on the label but let go elsewhere, or another button: no click.
    QTest::mousePress(&link, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseRelease(&link, Qt::LeftButton, Qt::NoModifier, QPoint(200, 5));
    QTest::mouseClick(&link, Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    QCOMPARE(cliques.count(), 1);
}

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
