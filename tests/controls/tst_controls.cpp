#include "controls/uTZamLabelLink.h"
#include "controls/uTZamListView.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <set>
#include <stdexcept>

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

// Stands for a row without the sub-item, in tables of column texts.
const QString semSubItem = QStringLiteral("<none>");

// Rows "0", "1", ... whose text in column coluna is textos[i] (the caption itself for column
// 0); the other columns hold "x".
void preencherColuna(TZamListView &lista, int coluna, const QStringList &textos)
{
    for (int i = 0; i < textos.size(); ++i) {
        if (coluna == 0) {
            lista.addItem(linha(textos[i]));
            continue;
        }
        QStringList sub;
        if (textos[i] != semSubItem) {
            for (int k = 1; k < coluna; ++k)
                sub << QStringLiteral("x");
            sub << textos[i];
        }
        lista.addItem(linha(QString::number(i), sub));
    }
}

QStringList textosDaColuna(const TZamListView &lista, int coluna)
{
    QStringList r;
    for (int i = 0; i < lista.count(); ++i) {
        const TZamListItem &it = lista.item(i);
        if (coluna == 0)
            r << it.Caption;
        else if (it.SubItems.size() < coluna)
            r << semSubItem;
        else
            r << it.SubItems[coluna - 1];
    }
    return r;
}

QStringList invertida(QStringList l)
{
    std::reverse(l.begin(), l.end());
    return l;
}

// The message of the EZamListView that corpo throws; a note when it throws nothing.
template <typename F> QString erroDe(F &&corpo)
{
    try {
        corpo();
    } catch (const EZamListView &e) {
        return e.mensagem();
    }
    return QStringLiteral("<no error>");
}

void clicarCabecalho(TZamListView &lista, int coluna)
{
    QHeaderView *h = lista.header();
    const QPoint meio(h->sectionViewportPosition(coluna) + h->sectionSize(coluna) / 2,
                      h->height() / 2);
    QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::NoModifier, meio);
}

// Sort column and direction, view, and the captions in display order: "1+ g1 201" is sorted
// by column 1 ascending, in group view grouped by column 1, rows 2, 0, 1.
QString estado(const TZamListView &lista)
{
    QString r = lista.colunaOrdenada() ? QString::number(*lista.colunaOrdenada()) +
                                             (lista.ordemCrescente() ? "+" : "-")
                                       : QStringLiteral("-");
    r += lista.groupView() ? QStringLiteral(" g%1").arg(lista.ultimaColunaAgrupada().value_or(-1))
                           : QStringLiteral(" l");
    r += u' ';
    for (int i = 0; i < lista.count(); ++i)
        r += lista.item(i).Caption;
    return r;
}

// Whether anything is drawn in column coluna of index's line: a header line that spans the
// columns draws its text there.
bool desenhaNaColuna(TZamListView &lista, const QModelIndex &index, int coluna)
{
    lista.resize(400, 200);
    const QImage imagem = lista.viewport()->grab().toImage();
    const QRect linha = lista.visualRect(index);
    const int de = lista.header()->sectionViewportPosition(coluna) + 2;
    const int ate = de + lista.header()->sectionSize(coluna) - 4;
    const QRgb fundo = imagem.pixel(ate, linha.center().y());
    for (int x = de; x < ate; ++x) {
        for (int y = linha.top() + 1; y < linha.bottom(); ++y) {
            if (imagem.pixel(x, y) != fundo)
                return true;
        }
    }
    return false;
}

} // namespace

class TestControls : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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

    void chaveOrdenacao_data();
    void chaveOrdenacao();
    void chaveInvalida_data();
    void chaveInvalida();
    void ordenar_data();
    void ordenar();
    void ordenarDirecao();
    void ordenarFalhaSemMexer_data();
    void ordenarFalhaSemMexer();
    void ordenarMantemMarcasEDados();
    void ordenarDezMilLinhas();
    void ordenarPeloIdioma();
    void reordenarNaRecarga();
    void reordenarNaRecargaComErro();

    void agrupar();
    void agruparReusaGrupos();
    void agruparComCabecalhoMudado();
    void agruparFalhaNoEvento();
    void findGrupo_data();
    void findGrupo();
    void cliquesNoCabecalho_data();
    void cliquesNoCabecalho();
    void cliqueComErro();

    void linkNovo();
    void linkSublinhaComOMouse_data();
    void linkSublinhaComOMouse();
    void linkClique();
};

// --- text helpers ----------------------------------------------------------------------------

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
    // The header line reads across the columns, not cut at the first one.
    QVERIFY(desenhaNaColuna(lista, ga, 1));
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

// --- sort keys -------------------------------------------------------------------------------

void TestControls::chaveOrdenacao_data()
{
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QString>("chave");

    QTest::newRow("data") << "25/12/2016"
                          << "20161225";
    QTest::newRow("29 de fevereiro") << "29/02/2016"
                                     << "20160229";
    QTest::newRow("dia 3x") << "31/01/2017"
                            << "20170131";
    QTest::newRow("data e hora") << "25/12/2016 10:30"
                                 << "201612251030";
    QTest::newRow("data e hora com segundos e texto") << "25/12/2016 10:30:15"
                                                      << "25/12/2016 10:30:15";
    QTest::newRow("tracos e texto") << "25-12-2016"
                                    << "25-12-2016";
    QTest::newRow("dia 4x e texto") << "41/01/2017"
                                    << "41/01/2017";
    QTest::newRow("mes 2x e texto") << "01/21/2017"
                                    << "01/21/2017";
    QTest::newRow("ano curto e texto") << "25/12/16"
                                       << "25/12/16";
    QTest::newRow("inteiro") << "3050"
                             << "00000000000000003050";
    QTest::newRow("milhar e decimais") << "1.234,56"
                                       << "00000000000000123456";
    QTest::newRow("1,5") << "1,5"
                         << "00000000000000000015";
    QTest::newRow("12,5 e 1,25 iguais") << "12,5"
                                        << "00000000000000000125";
    QTest::newRow("1,25") << "1,25"
                          << "00000000000000000125";
    QTest::newRow("zeros a esquerda") << "007"
                                      << "00000000000000000007";
    QTest::newRow("maior inteiro") << "2147483647"
                                   << "00000000002147483647";
    QTest::newRow("zero") << "0"
                          << "00000000000000000000";
    QTest::newRow("negativo e texto") << "-5"
                                      << "-5";
    QTest::newRow("com branco e texto") << "1 234"
                                        << "1 234";
    QTest::newRow("digitos arabes e texto")
        << QString::fromUtf8("\u0661\u0662") << QString::fromUtf8("\u0661\u0662");
    QTest::newRow("vazio") << ""
                           << "";
    QTest::newRow("letras") << "Abc"
                            << "Abc";
}

void TestControls::chaveOrdenacao()
{
    QFETCH(QString, texto);
    QFETCH(QString, chave);
    QCOMPARE(ChaveOrdenacao(texto), chave);
}

void TestControls::chaveInvalida_data()
{
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QString>("mensagem");

    QTest::newRow("31 de fevereiro") << "31/02/2017"
                                     << "'31/02/2017' is not a valid date";
    QTest::newRow("29 de fevereiro sem bissexto") << "29/02/2017"
                                                  << "'29/02/2017' is not a valid date";
    QTest::newRow("dia zero") << "00/01/2017"
                              << "'00/01/2017' is not a valid date";
    QTest::newRow("mes 13") << "01/13/2017"
                            << "'01/13/2017' is not a valid date";
    QTest::newRow("dia 39") << "39/01/2017"
                            << "'39/01/2017' is not a valid date";
    QTest::newRow("ano zero") << "01/01/0000"
                              << "'01/01/0000' is not a valid date";
    QTest::newRow("so virgula") << ","
                                << "'' is not a valid integer value";
    QTest::newRow("so pontos e virgulas") << ".,."
                                          << "'' is not a valid integer value";
    QTest::newRow("alem de 64 bits") << "9223372036854775808"
                                     << "'9223372036854775808' is not a valid integer value";
    QTest::newRow("alem com separadores") << "9.223.372.036.854.775,808"
                                          << "'9223372036854775808' is not a valid integer value";
    QTest::newRow("muitos digitos") << "123456789012345678901234"
                                    << "'123456789012345678901234' is not a valid integer value";
}

void TestControls::chaveInvalida()
{
    QFETCH(QString, texto);
    QFETCH(QString, mensagem);
    try {
        ChaveOrdenacao(texto);
        QFAIL("no error");
    } catch (const EZamListView &e) {
        QCOMPARE(e.mensagem(), mensagem);
        // The window's error box shows what() of any std::exception.
        const std::exception &geral = e;
        QCOMPARE(QString::fromUtf8(geral.what()), mensagem);
    }
    const EZamListView acentos(QString::fromUtf8("Ação inválida"));
    QCOMPARE(QByteArray(acentos.what()), QByteArray("A\xc3\xa7\xc3\xa3o inv\xc3\xa1lida"));
}

// --- Ordenar ---------------------------------------------------------------------------------

void TestControls::ordenar_data()
{
    QTest::addColumn<int>("coluna");
    QTest::addColumn<QStringList>("textos");
    // Ascending; descending is the reverse (the keys differ).
    QTest::addColumn<QStringList>("esperado");

    QTest::newRow("datas pelo ano primeiro")
        << 1 << QStringList{"01/01/2017", "25/12/2016", "02/01/2017", "31/12/2016", "01/02/2016"}
        << QStringList{"01/02/2016", "25/12/2016", "31/12/2016", "01/01/2017", "02/01/2017"};
    QTest::newRow("numeros pelo valor")
        << 1 << QStringList{"10", "9", "1.234,56", "999,99", "1,25", "1,5", "2147483647"}
        << QStringList{"9", "10", "1,5", "1,25", "999,99", "1.234,56", "2147483647"};
    QTest::newRow("texto sem caixa") << 1 << QStringList{"cereja", "Banana", "abacaxi"}
                                     << QStringList{"abacaxi", "Banana", "cereja"};
    QTest::newRow("negativos sao texto")
        << 1 << QStringList{"5", "-5", "-10"} << QStringList{"-10", "-5", "5"};
    QTest::newRow("data e hora pelo momento")
        << 1 << QStringList{"01/01/2017 09:00", "25/12/2016 10:00", "25/12/2016 09:59"}
        << QStringList{"25/12/2016 09:59", "25/12/2016 10:00", "01/01/2017 09:00"};
    QTest::newRow("tamanhos alem de 32 bits")
        << 1 << QStringList{"22.000.000,00", "1.048.576,00", "3.000.000.000,50"}
        << QStringList{"1.048.576,00", "22.000.000,00", "3.000.000.000,50"};
    QTest::newRow("vazio primeiro") << 1 << QStringList{"b", "", "a"} << QStringList{"", "a", "b"};
    QTest::newRow("sub-item ausente primeiro")
        << 2 << QStringList{"b", semSubItem, "a"} << QStringList{semSubItem, "a", "b"};
    QTest::newRow("legendas") << 0 << QStringList{"B2", "a", "b10"}
                              << QStringList{"a", "b10", "B2"};
    QTest::newRow("vazia") << 1 << QStringList() << QStringList();
}

void TestControls::ordenar()
{
    QFETCH(int, coluna);
    QFETCH(QStringList, textos);
    QFETCH(QStringList, esperado);

    TZamListView lista;
    adicionarColunas(lista, 3);
    preencherColuna(lista, coluna, textos);

    lista.Ordenar(coluna);
    QCOMPARE(textosDaColuna(lista, coluna), esperado);
    QCOMPARE(lista.colunaOrdenada(), std::optional<int>(coluna));
    QVERIFY(lista.ordemCrescente());
    QCOMPARE(lista.model()->rowCount(), textos.size());

    lista.Ordenar(coluna);
    QCOMPARE(textosDaColuna(lista, coluna), invertida(esperado));
    QVERIFY(!lista.ordemCrescente());
}

void TestControls::ordenarDirecao()
{
    TZamListView lista;
    adicionarColunas(lista, 3);
    lista.addItem(linha("0", {"b", "2"}));
    lista.addItem(linha("1", {"c", "1"}));
    lista.addItem(linha("2", {"a", "3"}));

    const QStringList passos{"1+ l 201", "1- l 102", "2+ l 102", "1+ l 201",
                             "1- l 102", "1+ l 201", "2+ l 102", "2- l 201"};
    const QList<int> colunas{1, 1, 2, 1, 1, 1, 2, 2};
    for (int k = 0; k < colunas.size(); ++k) {
        lista.Ordenar(colunas[k]);
        QCOMPARE(estado(lista), passos[k]);
    }
}

void TestControls::ordenarFalhaSemMexer_data()
{
    QTest::addColumn<QString>("ruim");
    QTest::addColumn<QString>("mensagem");
    QTest::newRow("data") << "31/02/2017"
                          << "'31/02/2017' is not a valid date";
    QTest::newRow("inteiro grande") << "99999999999999999999"
                                    << "'99999999999999999999' is not a valid integer value";
    QTest::newRow("virgula") << ","
                             << "'' is not a valid integer value";
}

void TestControls::ordenarFalhaSemMexer()
{
    QFETCH(QString, ruim);
    QFETCH(QString, mensagem);

    TZamListView lista;
    adicionarColunas(lista, 3);
    lista.setCheckBoxes(true);
    lista.addItem(linha("c", {"10", "z"}));
    TZamListItem marcada = linha("a", {"5", "y"});
    marcada.Checked = true;
    lista.addItem(marcada);
    lista.addItem(linha("b", {ruim, "x"}));
    lista.Ordenar(2);
    lista.Ordenar(2);
    QCOMPARE(legendas(lista), QStringList({"c", "a", "b"}));
    lista.setSelectedIndex(1);
    int avisos = 0;
    lista.OnItemChecked = [&avisos](int) { ++avisos; };
    QSignalSpy resets(lista.model(), &QAbstractItemModel::modelReset);

    // The bad cell is the last row: every key before it was built already.
    QCOMPARE(erroDe([&] { lista.Ordenar(1); }), mensagem);
    QCOMPARE(legendas(lista), QStringList({"c", "a", "b"}));
    QCOMPARE(lista.item(1).Checked, true);
    QCOMPARE(lista.CheckedCount(), 1);
    QCOMPARE(lista.selectedIndex(), 1);
    QCOMPARE(resets.count(), 0);
    QVERIFY(lista.updatesEnabled());
    // The new sort column and direction hold already.
    QCOMPARE(lista.colunaOrdenada(), std::optional<int>(1));
    QVERIFY(lista.ordemCrescente());

    // The check-state handler is attached again.
    QVERIFY(lista.model()->setData(lista.indiceDaLinha(0), Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(avisos, 1);
}

void TestControls::ordenarMantemMarcasEDados()
{
    TZamListView lista;
    adicionarColunas(lista, 2);
    lista.setCheckBoxes(true);
    std::vector<std::shared_ptr<int>> dados;
    for (int i = 0; i < 6; ++i) {
        dados.push_back(std::make_shared<int>(i));
        TZamListItem it = linha(QString::number(i), {QString::number(10 - i)}, 20 + i);
        it.Data = dados.back();
        it.Checked = i % 3 == 0;
        it.ImageIndex = 30 + i;
        it.Indent = 40 + i;
        it.OverlayIndex = 50 + i;
        it.StateIndex = 60 + i;
        lista.addItem(it);
    }
    lista.setSelectedIndex(2);
    int avisos = 0;
    lista.OnItemChecked = [&avisos](int) { ++avisos; };
    QAbstractItemModel *modelo = lista.model();
    QSignalSpy resets(modelo, &QAbstractItemModel::modelReset);
    QSignalSpy mudancas(modelo, &QAbstractItemModel::dataChanged);

    lista.Ordenar(1);
    QCOMPARE(legendas(lista), QStringList({"5", "4", "3", "2", "1", "0"}));
    for (int k = 0; k < lista.count(); ++k) {
        const TZamListItem &it = lista.item(k);
        const int i = it.Caption.toInt();
        QCOMPARE(it.Checked, i % 3 == 0);
        QCOMPARE(it.Data.get(), static_cast<void *>(dados[std::size_t(i)].get()));
        QCOMPARE(it.SubItems, QStringList{QString::number(10 - i)});
        QCOMPARE(it.GroupID, 20 + i);
        QCOMPARE(it.ImageIndex, 30 + i);
        QCOMPARE(it.Indent, 40 + i);
        QCOMPARE(it.OverlayIndex, 50 + i);
        QCOMPARE(it.StateIndex, 60 + i);
        QCOMPARE(lista.indiceDaLinha(k).data(Qt::CheckStateRole).toInt(),
                 int(i % 3 == 0 ? Qt::Checked : Qt::Unchecked));
    }
    QCOMPARE(avisos, 0);
    QCOMPARE(mudancas.count(), 0);
    QCOMPARE(resets.count(), 1);
    QCOMPARE(lista.selectedIndex(), -1);
    QCOMPARE(lista.focusedIndex(), -1);

    QVERIFY(modelo->setData(lista.indiceDaLinha(1), Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(avisos, 1);
    QCOMPARE(lista.CheckedCount(), 3);
}

void TestControls::ordenarDezMilLinhas()
{
    TZamListView lista;
    adicionarColunas(lista, 3);
    const int total = 10000;
    std::vector<TZamListItem> linhas;
    for (int i = 0; i < total; ++i) {
        // A fixed shuffle of 0..9999.
        const int valor = (i * 7919) % total;
        TZamListItem it = linha(
            QString::number(valor),
            {QStringLiteral("%1.%2,00").arg(valor / 1000).arg(valor % 1000, 3, 10, QChar(u'0')),
             "01/01/2020 10:00"});
        it.Checked = valor % 2 == 0;
        linhas.push_back(std::move(it));
    }
    lista.addItems(std::move(linhas));
    QAbstractItemModel *modelo = lista.model();
    QSignalSpy resets(modelo, &QAbstractItemModel::modelReset);
    QSignalSpy layouts(modelo, &QAbstractItemModel::layoutChanged);
    QSignalSpy insercoes(modelo, &QAbstractItemModel::rowsInserted);
    QSignalSpy remocoes(modelo, &QAbstractItemModel::rowsRemoved);
    QSignalSpy mudancas(modelo, &QAbstractItemModel::dataChanged);

    lista.Ordenar(1);
    QCOMPARE(resets.count(), 1);
    QCOMPARE(layouts.count(), 0);
    QCOMPARE(insercoes.count(), 0);
    QCOMPARE(remocoes.count(), 0);
    QCOMPARE(mudancas.count(), 0);
    QCOMPARE(modelo->rowCount(), total);
    for (int k = 0; k < total; ++k) {
        QCOMPARE(lista.item(k).Caption.toInt(), k);
        QCOMPARE(lista.item(k).Checked, k % 2 == 0);
    }
    QCOMPARE(modelo->index(total - 1, 1).data().toString(), QString("9.999,00"));
}

void TestControls::ordenarPeloIdioma()
{
    const QLocale antes;
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    TZamListView lista;
    adicionarColunas(lista, 2);
    preencherColuna(
        lista, 1,
        {"bola", QString::fromUtf8("Ágata"), "Zebra", "abelha", QString::fromUtf8("árvore")});
    lista.Ordenar(1);
    QLocale::setDefault(antes);
    // Accented letters among their base letters, not after z.
    QCOMPARE(textosDaColuna(lista, 1), QStringList({"abelha", QString::fromUtf8("Ágata"),
                                                    QString::fromUtf8("árvore"), "bola", "Zebra"}));
}

void TestControls::reordenarNaRecarga()
{
    TZamListView lista;
    adicionarColunas(lista, 2);
    preencherColuna(lista, 1, {"3", "1", "2"});
    lista.Ordenar(1);
    lista.Ordenar(1);
    QCOMPARE(textosDaColuna(lista, 1), QStringList({"3", "2", "1"}));
    QVERIFY(!lista.ordemCrescente());
    QSignalSpy resets(lista.model(), &QAbstractItemModel::modelReset);

    lista.BeginUpdateZam(4);
    lista.clearItems();
    preencherColuna(lista, 1, {"20", "4", "100", "5"});
    lista.EndUpdateZam();
    QCOMPARE(textosDaColuna(lista, 1), QStringList({"4", "5", "20", "100"}));
    QCOMPARE(lista.colunaOrdenada(), std::optional<int>(1));
    QVERIFY(lista.ordemCrescente());
    QCOMPARE(resets.count(), 1);
    QCOMPARE(lista.model()->rowCount(), 4);
    QCOMPARE(lista.model()->index(0, 1).data().toString(), QString("4"));

    // Also when the last sort was ascending: the refill does not turn it round.
    lista.BeginUpdateZam(2);
    lista.clearItems();
    preencherColuna(lista, 1, {"9", "8"});
    lista.EndUpdateZam();
    QCOMPARE(textosDaColuna(lista, 1), QStringList({"8", "9"}));
    QVERIFY(lista.ordemCrescente());
}

void TestControls::reordenarNaRecargaComErro()
{
    TZamListView lista;
    lista.addColumn({"Nome", 70, false, Qt::AlignLeft});
    lista.addColumn({"Valor", 90, false, Qt::AlignLeft});
    preencherColuna(lista, 1, {"2", "1"});
    lista.Ordenar(1);

    lista.BeginUpdateZam(3);
    lista.clearItems();
    preencherColuna(lista, 1, {"7", "31/02/2017", "6"});
    lista.setColumnWidth(1, 200);
    QCOMPARE(erroDe([&] { lista.EndUpdateZam(); }), QString("'31/02/2017' is not a valid date"));
    // The bracket is closed all the same: columns back, drawing on, rows shown as filled.
    QVERIFY(lista.updatesEnabled());
    QCOMPARE(lista.column(1).Width, 90);
    QCOMPARE(lista.ZamArrayColumnsParam().size(), std::size_t(2));
    QCOMPARE(textosDaColuna(lista, 1), QStringList({"7", "31/02/2017", "6"}));
    QCOMPARE(lista.model()->rowCount(), 3);
    QCOMPARE(lista.model()->index(1, 1).data().toString(), QString("31/02/2017"));

    // The sort column stays; the next good refill is sorted again.
    lista.BeginUpdateZam(2);
    lista.clearItems();
    preencherColuna(lista, 1, {"7", "6"});
    lista.EndUpdateZam();
    QCOMPARE(textosDaColuna(lista, 1), QStringList({"6", "7"}));
    QVERIFY(lista.updatesEnabled());
    QCOMPARE(lista.model()->rowCount(), 2);
}

// --- Agrupar and header clicks ---------------------------------------------------------------

void TestControls::agrupar()
{
    TZamListView lista;
    adicionarColunas(lista, 2);
    preencherColuna(lista, 1, {"a", "b", "a", "A"});
    QStringList eventos;
    lista.OnZamAgruparCreateGroup = [&](TZamListGroup &g, int coluna) {
        eventos << QStringLiteral("%1/%2/%3").arg(g.Header).arg(coluna).arg(g.Collapsible);
        QVERIFY(lista.FindGrupo(g.Header));
        g.Subtitle = QStringLiteral("por %1").arg(coluna);
    };

    lista.Agrupar(1);
    QCOMPARE(eventos, QStringList({"a/1/1", "b/1/1", "A/1/1"}));
    QCOMPARE(lista.ultimaColunaAgrupada(), std::optional<int>(1));
    QVERIFY(lista.groupView());
    const TZamListGroups &grupos = lista.groups();
    QCOMPARE(grupos.size(), std::size_t(3));
    QStringList cabecalhos;
    for (const TZamListGroup &g : grupos) {
        cabecalhos << g.Header;
        QVERIFY(g.Collapsible);
        QVERIFY(!g.Collapsed);
        QCOMPARE(g.Subtitle, QString("por 1"));
    }
    QCOMPARE(cabecalhos, QStringList({"a", "b", "A"}));
    QCOMPARE(lista.item(0).GroupID, grupos[0].GroupID);
    QCOMPARE(lista.item(1).GroupID, grupos[1].GroupID);
    QCOMPARE(lista.item(2).GroupID, grupos[0].GroupID);
    QCOMPARE(lista.item(3).GroupID, grupos[2].GroupID);
    QVERIFY(grupos[0].GroupID != grupos[2].GroupID);

    // The view shows the groups in creation order, their rows in display order.
    QAbstractItemModel *modelo = lista.model();
    QCOMPARE(modelo->rowCount(), 3);
    const QModelIndex ga = modelo->index(0, 0);
    QVERIFY(ga.data().toString().startsWith("a"));
    QCOMPARE(modelo->rowCount(ga), 2);
    QCOMPARE(modelo->index(0, 0, ga).data().toString(), QString("0"));
    QCOMPARE(modelo->index(1, 0, ga).data().toString(), QString("2"));
    QCOMPARE(modelo->rowCount(modelo->index(1, 0)), 1);
    QCOMPARE(modelo->rowCount(modelo->index(2, 0)), 1);
    QCOMPARE(legendas(lista), QStringList({"0", "1", "2", "3"}));
}

void TestControls::agruparReusaGrupos()
{
    TZamListView lista;
    adicionarColunas(lista, 3);
    lista.addItem(linha("0", {"x", "y"}));
    lista.addItem(linha("1", {"y", "z"}));
    lista.addItem(linha("2", {"x", "z"}));
    QStringList criados;
    lista.OnZamAgruparCreateGroup = [&](TZamListGroup &g, int) { criados << g.Header; };

    lista.Agrupar(1);
    QCOMPARE(criados, QStringList({"x", "y"}));
    const int y = lista.FindGrupo("y")->GroupID;
    lista.Agrupar(2);
    // y is taken over; x stays in the list without rows and is not shown.
    QCOMPARE(criados, QStringList({"x", "y", "z"}));
    QCOMPARE(lista.groups().size(), std::size_t(3));
    QCOMPARE(lista.ultimaColunaAgrupada(), std::optional<int>(2));
    QCOMPARE(lista.item(0).GroupID, y);
    const int z = lista.FindGrupo("z")->GroupID;
    QCOMPARE(lista.item(1).GroupID, z);
    QCOMPARE(lista.item(2).GroupID, z);
    QAbstractItemModel *modelo = lista.model();
    QCOMPARE(modelo->rowCount(), 2);
    QCOMPARE(modelo->index(0, 0).data().toString(), QString("y"));
    QCOMPARE(modelo->index(1, 0).data().toString(), QString("z"));
    QCOMPARE(modelo->rowCount(modelo->index(1, 0)), 2);

    // Groups made by hand take part, and new ids do not clash with theirs.
    lista.setGroupView(false);
    const int feito = lista.addGroup({70, "w", {}, {}, false, false});
    TZamListItem w = lista.item(0);
    w.SubItems[1] = "w";
    lista.setItem(0, w);
    TZamListItem v = lista.item(1);
    v.SubItems[1] = "v";
    lista.setItem(1, v);
    lista.Agrupar(2);
    QCOMPARE(lista.item(0).GroupID, feito);
    QVERIFY(!lista.groupById(feito)->Collapsible);
    QCOMPARE(lista.FindGrupo("v")->GroupID, 71);
}

void TestControls::agruparComCabecalhoMudado()
{
    TZamListView lista;
    adicionarColunas(lista, 2);
    preencherColuna(lista, 1, {"x", "x", "y", "x"});
    lista.OnZamAgruparCreateGroup = [](TZamListGroup &g, int) { g.Header += " *"; };

    lista.Agrupar(1);
    // Renamed, the group of x is found no more once another text came in between.
    QStringList cabecalhos;
    for (const TZamListGroup &g : lista.groups())
        cabecalhos << g.Header;
    QCOMPARE(cabecalhos, QStringList({"x *", "y *", "x *"}));
    QCOMPARE(lista.item(1).GroupID, lista.item(0).GroupID);
    QVERIFY(lista.item(3).GroupID != lista.item(0).GroupID);
    QCOMPARE(lista.FindGrupo("x"), nullptr);
}

void TestControls::agruparFalhaNoEvento()
{
    TZamListView lista;
    adicionarColunas(lista, 2);
    preencherColuna(lista, 1, {"x", "y", "z"});
    lista.OnZamAgruparCreateGroup = [](TZamListGroup &g, int) {
        if (g.Header == "y")
            throw EZamListView(QStringLiteral("no y"));
    };

    QCOMPARE(erroDe([&] { lista.Agrupar(1); }), QString("no y"));
    // The list is shown again, drawing and all, and can be grouped afterwards.
    QVERIFY(lista.updatesEnabled());
    QVERIFY(!lista.groupView());
    QCOMPARE(lista.model()->rowCount(), 3);
    lista.OnZamAgruparCreateGroup = nullptr;
    lista.Agrupar(1);
    QVERIFY(lista.groupView());
    QCOMPARE(lista.model()->rowCount(), 3);
    QCOMPARE(lista.groups().size(), std::size_t(3));
}

void TestControls::findGrupo_data()
{
    QTest::addColumn<QString>("cabecalho");
    // Position among the groups a, A, b, a; -1 for none.
    QTest::addColumn<int>("posicao");
    QTest::newRow("o primeiro de dois") << "a" << 0;
    QTest::newRow("caixa conta") << "A" << 1;
    QTest::newRow("b") << "b" << 2;
    QTest::newRow("B nao existe") << "B" << -1;
    QTest::newRow("vazio") << "" << -1;
    QTest::newRow("com branco") << "a " << -1;
}

void TestControls::findGrupo()
{
    QFETCH(QString, cabecalho);
    QFETCH(int, posicao);
    TZamListView lista;
    for (const char *h : {"a", "A", "b", "a"})
        lista.addGroup({-1, h, {}, {}, true, false});
    const TZamListGroup *g = lista.FindGrupo(cabecalho);
    if (posicao < 0) {
        QCOMPARE(g, nullptr);
        return;
    }
    QCOMPARE(g, &lista.groups()[std::size_t(posicao)]);
}

void TestControls::cliquesNoCabecalho_data()
{
    QTest::addColumn<bool>("ordenar");
    QTest::addColumn<bool>("agrupar");
    QTest::addColumn<QList<int>>("cliques");
    // The state after each click, as estado() writes it.
    QTest::addColumn<QStringList>("estados");

    QTest::newRow("as duas") << true << true << QList<int>{1, 1, 1, 1, 2, 2, 1}
                             << QStringList{"1+ l 201", "1+ g1 201", "1+ l 201", "1+ g1 201",
                                            "2+ l 102", "2+ g2 102", "1+ l 201"};
    QTest::newRow("so ordenar") << true << false << QList<int>{1, 1, 1, 2, 1}
                                << QStringList{"1+ l 201", "1- l 102", "1+ l 201", "2+ l 102",
                                               "1+ l 201"};
    QTest::newRow("so agrupar") << false << true << QList<int>{1, 1, 2, 1, 1}
                                << QStringList{"- g1 012", "- l 012", "- g2 012", "- g1 012",
                                               "- l 012"};
    QTest::newRow("nenhuma") << false << false << QList<int>{1, 0}
                             << QStringList{"- l 012", "- l 012"};
}

void TestControls::cliquesNoCabecalho()
{
    QFETCH(bool, ordenar);
    QFETCH(bool, agrupar);
    QFETCH(QList<int>, cliques);
    QFETCH(QStringList, estados);

    TZamListView lista;
    adicionarColunas(lista, 3);
    lista.addItem(linha("0", {"b", "2"}));
    lista.addItem(linha("1", {"c", "1"}));
    lista.addItem(linha("2", {"a", "3"}));
    lista.ZamOrdenarColumnClick = ordenar;
    lista.ZamAgruparColumnClick = agrupar;
    QStringList erros;
    lista.OnErro = [&erros](const std::exception &e) { erros << QString::fromUtf8(e.what()); };
    lista.resize(400, 200);
    lista.show();
    QVERIFY(QTest::qWaitForWindowExposed(&lista));
    QSignalSpy avisos(&lista, &TZamListView::columnClicked);

    for (int k = 0; k < cliques.size(); ++k) {
        clicarCabecalho(lista, cliques[k]);
        QCOMPARE(avisos.count(), k + 1);
        QCOMPARE(avisos[k][0].toInt(), cliques[k]);
        QCOMPARE(estado(lista), estados[k]);
        // Three texts per column: three rows, or three groups of one row.
        QAbstractItemModel *modelo = lista.model();
        QCOMPARE(modelo->rowCount(), 3);
        for (int p = 0; lista.groupView() && p < 3; ++p)
            QCOMPARE(modelo->rowCount(modelo->index(p, 0)), 1);
    }
    QVERIFY(erros.isEmpty());
    QVERIFY(!lista.header()->isSortIndicatorShown());
}

void TestControls::cliqueComErro()
{
    TZamListView lista;
    adicionarColunas(lista, 3);
    preencherColuna(lista, 1, {"2", "31/02/2017", "1"});
    lista.ZamOrdenarColumnClick = true;
    lista.resize(400, 200);
    lista.show();
    QVERIFY(QTest::qWaitForWindowExposed(&lista));
    QStringList erros;
    lista.OnErro = [&erros](const std::exception &e) { erros << QString::fromUtf8(e.what()); };

    clicarCabecalho(lista, 1);
    QCOMPARE(erros, QStringList{"'31/02/2017' is not a valid date"});
    QCOMPARE(textosDaColuna(lista, 1), QStringList({"2", "31/02/2017", "1"}));
    QCOMPARE(lista.colunaOrdenada(), std::optional<int>(1));
    QVERIFY(lista.updatesEnabled());

    // Without a receiver the message goes to the log.
    lista.OnErro = nullptr;
    QTest::ignoreMessage(QtWarningMsg, "'31/02/2017' is not a valid date");
    clicarCabecalho(lista, 1);
    QCOMPARE(textosDaColuna(lista, 1), QStringList({"2", "31/02/2017", "1"}));

    // What the window's own handler throws is caught too, and the list does nothing more.
    lista.OnErro = [&erros](const std::exception &e) { erros << QString::fromUtf8(e.what()); };
    const auto conexao = connect(&lista, &TZamListView::columnClicked, &lista, [](int coluna) {
        if (coluna == 2)
            throw std::runtime_error("handler failed");
        throw 42;
    });
    clicarCabecalho(lista, 2);
    clicarCabecalho(lista, 0);
    QCOMPARE(erros,
             QStringList({"'31/02/2017' is not a valid date", "handler failed", "Unknown error"}));
    QCOMPARE(lista.colunaOrdenada(), std::optional<int>(1));
    disconnect(conexao);
    clicarCabecalho(lista, 2);
    QCOMPARE(lista.colunaOrdenada(), std::optional<int>(2));
    QCOMPARE(erros.size(), 3);
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
