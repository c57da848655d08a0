#include "controls/modeloListView.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <memory>

// The list's data and its model without a view: what the model shows after each change told
// to it one by one must be what the data holds, and what a view rebuilt from scratch would
// show.

using TPasso = std::function<void(TZamListaDados &)>;
Q_DECLARE_METATYPE(TPasso)

namespace {

TZamListItem linha(const QString &legenda, int grupo = -1, const QStringList &subItens = {})
{
    TZamListItem it;
    it.Caption = legenda;
    it.GroupID = grupo;
    it.SubItems = subItens;
    return it;
}

void linhas(TZamListaDados &d, const QStringList &legendas, int grupo = -1)
{
    std::vector<TZamListItem> novas;
    for (const QString &l : legendas)
        novas.push_back(linha(l, grupo, {l.toUpper()}));
    d.addItems(std::move(novas));
}

// Groups A (id 0), B (1), C (2), shown by group, no rows yet.
void tresGrupos(TZamListaDados &d)
{
    d.addColumn({QStringLiteral("nome"), 80, false, Qt::AlignLeft});
    d.addColumn({QStringLiteral("maiúsculas"), 80, false, Qt::AlignLeft});
    for (const char *g : {"A", "B", "C"})
        d.addGroup({-1, QString::fromLatin1(g), {}, {}, true, false});
    d.setGroupView(true);
}

void colunas(TZamListaDados &d)
{
    d.addColumn({QStringLiteral("nome"), 80, false, Qt::AlignLeft});
    d.addColumn({QStringLiteral("maiúsculas"), 80, false, Qt::AlignLeft});
}

// What the model shows: "a,b" flat; "A[a1,a2] B[b1]" by group. The first ate top-level items
// only, when given.
QString mostrado(const QAbstractItemModel &m, int ate = -1)
{
    QStringList partes;
    for (int r = 0; r < (ate < 0 ? m.rowCount() : ate); ++r) {
        const QModelIndex i = m.index(r, 0);
        if (m.rowCount(i) == 0) {
            partes << i.data().toString();
            continue;
        }
        QStringList filhos;
        for (int f = 0; f < m.rowCount(i); ++f)
            filhos << m.index(f, 0, i).data().toString();
        partes << i.data().toString() + u'[' + filhos.join(u',') + u']';
    }
    return partes.join(m.rowCount() > 0 && m.rowCount(m.index(0, 0)) > 0 ? u' ' : u',');
}

} // namespace

class TstDadosLista : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void mostraOQueOsDadosTem_data();
    void mostraOQueOsDadosTem();
    void avisosSemReset_data();
    void avisosSemReset();
    void filtroEstreitaSoAsQuePassaram();
    void topoAosPoucos_data();
    void topoAosPoucos();
    void exporAteALinha_data();
    void exporAteALinha();
    void linhaGuardadaDevolveOQueRecebeu_data();
    void linhaGuardadaDevolveOQueRecebeu();
};

void TstDadosLista::mostraOQueOsDadosTem_data()
{
    QTest::addColumn<TPasso>("passos");
    QTest::addColumn<QString>("esperado");

    QTest::newRow("linhas soltas") << TPasso([](TZamListaDados &d) {
        colunas(d);
        linhas(d, {"a", "b"});
        linhas(d, {"c"});
    }) << "a,b,c";
    QTest::newRow("grupo aparece antes de outro") << TPasso([](TZamListaDados &d) {
        tresGrupos(d);
        linhas(d, {"c1"}, 2);
        linhas(d, {"a1", "a2"}, 0);
    }) << "A[a1,a2] C[c1]";
    QTest::newRow("linhas no fim de um grupo do meio") << TPasso([](TZamListaDados &d) {
        tresGrupos(d);
        linhas(d, {"a1"}, 0);
        linhas(d, {"b1"}, 1);
        linhas(d, {"c1"}, 2);
        linhas(d, {"b2", "b3"}, 1);
    }) << "A[a1] B[b1,b2,b3] C[c1]";
    QTest::newRow("grupos novos de uma vez no fim") << TPasso([](TZamListaDados &d) {
        tresGrupos(d);
        linhas(d, {"a1"}, 0);
        d.addItems({linha("b1", 1), linha("b2", 1), linha("c1", 2)});
    }) << "A[a1] B[b1,b2] C[c1]";
    QTest::newRow("lote de vários grupos") << TPasso([](TZamListaDados &d) {
        tresGrupos(d);
        d.addItems({linha("b1", 1), linha("a1", 0), linha("sem grupo", 7), linha("b2", 1)});
    }) << "A[a1] B[b1,b2]";
    QTest::newRow("grupo para o começo") << TPasso([](TZamListaDados &d) {
        tresGrupos(d);
        linhas(d, {"a1"}, 0);
        linhas(d, {"b1"}, 1);
        linhas(d, {"c1"}, 2);
        d.moveGroup(2, 0);
    }) << "C[c1] A[a1] B[b1]";
    QTest::newRow("grupo para o fim") << TPasso([](TZamListaDados &d) {
        tresGrupos(d);
        linhas(d, {"a1"}, 0);
        linhas(d, {"b1"}, 1);
        linhas(d, {"c1"}, 2);
        d.moveGroup(0, 2);
    }) << "B[b1] C[c1] A[a1]";
    QTest::newRow("grupo passa por um vazio") << TPasso([](TZamListaDados &d) {
        tresGrupos(d);
        linhas(d, {"a1"}, 0);
        linhas(d, {"c1"}, 2);
        d.moveGroup(2, 1);
        d.moveGroup(0, 2);
    }) << "C[c1] A[a1]";
    QTest::newRow("id repetido: vale o primeiro") << TPasso([](TZamListaDados &d) {
        tresGrupos(d);
        d.addGroup({0, QStringLiteral("A outra vez"), {}, {}, true, false});
        linhas(d, {"a1"}, 0);
        d.moveGroup(3, 0);
        linhas(d, {"a2"}, 0);
    }) << "A outra vez[a1,a2]";
    QTest::newRow("linha muda de grupo") << TPasso([](TZamListaDados &d) {
        tresGrupos(d);
        linhas(d, {"a1"}, 0);
        linhas(d, {"b1"}, 1);
        d.setItem(0, linha("a1 agora em B", 1));
    }) << "B[a1 agora em B,b1]";
    QTest::newRow("grupo novo mostra linhas escondidas") << TPasso([](TZamListaDados &d) {
        tresGrupos(d);
        linhas(d, {"x1"}, 9);
        linhas(d, {"a1"}, 0);
        d.addGroup({9, QStringLiteral("X"), {}, {}, true, false});
    }) << "A[a1] X[x1]";
    QTest::newRow("filtro tira os grupos") << TPasso([](TZamListaDados &d) {
        tresGrupos(d);
        linhas(d, {"ana", "bia"}, 0);
        linhas(d, {"caio"}, 1);
        d.Filtrar(QStringLiteral("A"));
    }) << "ana,bia,caio";
    QTest::newRow("filtro pela coluna ordenada") << TPasso([](TZamListaDados &d) {
        colunas(d);
        d.addItems({linha("1", -1, {"x"}), linha("2", -1, {"yx"}), linha("3", -1, {"z"})});
        d.setColunaOrdenada(1);
        d.Filtrar(QStringLiteral("X"));
    }) << "1,2";
    QTest::newRow("ordenar e agrupar") << TPasso([](TZamListaDados &d) {
        colunas(d);
        d.addItems({linha("b", -1, {"2"}), linha("a", -1, {"1"}), linha("c", -1, {"2"})});
        d.Ordenar(1);
        d.Agrupar(1, {});
    }) << "1[a] 2[b,c]";
    QTest::newRow("colunas mudam com linhas") << TPasso([](TZamListaDados &d) {
        tresGrupos(d);
        linhas(d, {"a1"}, 0);
        d.clearColumns();
        d.addColumn({QStringLiteral("só uma"), 50, false, Qt::AlignLeft});
        linhas(d, {"a2"}, 0);
    }) << "A[a1,a2]";
}

void TstDadosLista::mostraOQueOsDadosTem()
{
    QFETCH(TPasso, passos);
    QFETCH(QString, esperado);

    TZamListModel modelo;
    // Checks every notice against the data the model answers with, as it happens.
    QAbstractItemModelTester verificador(&modelo,
                                         QAbstractItemModelTester::FailureReportingMode::QtTest);
    passos(modelo.dados());
    QCOMPARE(mostrado(modelo), esperado);

    // A recomposition lays the same data out from scratch: it must show the same.
    modelo.dados().abrirRecomposicao();
    modelo.dados().fecharRecomposicao();
    QCOMPARE(mostrado(modelo), esperado);
}

void TstDadosLista::avisosSemReset_data()
{
    QTest::addColumn<TPasso>("passos");
    QTest::addColumn<int>("insercoes");
    QTest::addColumn<int>("movimentos");

    QTest::newRow("linhas de um grupo por vez") << TPasso([](TZamListaDados &d) {
        linhas(d, {"a1"}, 0);
        linhas(d, {"b1", "b2"}, 1);
        linhas(d, {"a2"}, 0);
    }) << 3 << 0;
    QTest::newRow("grupos que aparecem juntos no fim") << TPasso([](TZamListaDados &d) {
        linhas(d, {"a1"}, 0);
        d.addItems({linha("b1", 1), linha("b2", 1), linha("c1", 2)});
    }) << 2 << 0;
    QTest::newRow("grupos que trocam de lugar") << TPasso([](TZamListaDados &d) {
        linhas(d, {"a1"}, 0);
        linhas(d, {"b1"}, 1);
        d.moveGroup(1, 0);
        d.moveGroup(2, 0);
    }) << 2 << 1;
}

void TstDadosLista::avisosSemReset()
{
    QFETCH(TPasso, passos);
    QFETCH(int, insercoes);
    QFETCH(int, movimentos);

    TZamListModel modelo;
    tresGrupos(modelo.dados());
    QSignalSpy resets(&modelo, &QAbstractItemModel::modelReset);
    QSignalSpy inseridas(&modelo, &QAbstractItemModel::rowsInserted);
    QSignalSpy movidas(&modelo, &QAbstractItemModel::rowsMoved);
    passos(modelo.dados());
    QCOMPARE(resets.count(), 0);
    QCOMPARE(inseridas.count(), insercoes);
    // A group without rows is not shown: moving it moves nothing on screen.
    QCOMPARE(movidas.count(), movimentos);
}

void TstDadosLista::filtroEstreitaSoAsQuePassaram()
{
    TZamListModel modelo;
    TZamListaDados &d = modelo.dados();
    colunas(d);
    linhas(d, {"ana", "bia", "caio", "dani"});
    d.Filtrar(QStringLiteral("a"));
    QCOMPARE(mostrado(modelo), QStringLiteral("ana,bia,caio,dani"));
    d.Filtrar(QStringLiteral("an"));
    QCOMPARE(mostrado(modelo), QStringLiteral("ana,dani"));
    // A shorter text searches every row again, not only those the longer one let through.
    d.Filtrar(QStringLiteral("i"));
    QCOMPARE(mostrado(modelo), QStringLiteral("bia,caio,dani"));
    d.Filtrar(QStringLiteral("ia"));
    QCOMPARE(mostrado(modelo), QStringLiteral("bia"));
    d.Filtrar(QStringLiteral(" "));
    QCOMPARE(mostrado(modelo), QStringLiteral("ana,bia,caio,dani"));
    // A new sort column makes new search texts.
    d.setColunaOrdenada(1);
    d.Filtrar(QStringLiteral("CA"));
    QCOMPARE(mostrado(modelo), QStringLiteral("caio"));
}

// Groups A to E (ids 0 to 4) by group, each with one row: a1, b1, ...
void cincoGrupos(TZamListaDados &d)
{
    tresGrupos(d);
    for (const char *g : {"D", "E"})
        d.addGroup({-1, QString::fromLatin1(g), {}, {}, true, false});
    for (int g = 0; g < 5; ++g)
        linhas(d, {QString(QChar(u'a' + g)) + u'1'}, g);
}

void TstDadosLista::topoAosPoucos_data()
{
    QTest::addColumn<TPasso>("passos");

    QTest::newRow("grupos além dos entregues") << TPasso(cincoGrupos);
    QTest::newRow("grupo que espera sobe para o começo") << TPasso([](TZamListaDados &d) {
        cincoGrupos(d);
        d.moveGroup(4, 0);
        d.moveGroup(3, 1);
    });
    QTest::newRow("grupo entregue desce para o fim") << TPasso([](TZamListaDados &d) {
        cincoGrupos(d);
        d.moveGroup(0, 4);
    });
    QTest::newRow("movimentos entre os entregues e entre os que esperam")
        << TPasso([](TZamListaDados &d) {
               cincoGrupos(d);
               d.moveGroup(1, 0);
               d.moveGroup(4, 3);
           });
    QTest::newRow("linhas de um grupo que espera") << TPasso([](TZamListaDados &d) {
        cincoGrupos(d);
        linhas(d, {"d2", "d3"}, 3);
        linhas(d, {"a2"}, 0);
    });
    QTest::newRow("grupo entregue que perde a última linha") << TPasso([](TZamListaDados &d) {
        cincoGrupos(d);
        d.setItem(0, linha("a1", 4, {"A1"}));
    });
    QTest::newRow("lista sem grupos") << TPasso([](TZamListaDados &d) {
        colunas(d);
        linhas(d, {"a", "b", "c"});
        linhas(d, {"d", "e"});
    });
}

// What a view keeps in step with the notices: each insert or removal must change the
// parent's row count by its size, a move must keep it; and an index the view keeps to a
// top-level item (its selection, say) must still lead to that item after every change.
class TContagens : public QObject
{
public:
    explicit TContagens(QAbstractItemModel &m)
        : FModelo(m)
    {
        lembrar();
        const auto antes = [this, &m](const QModelIndex &pai) { FAntes = m.rowCount(pai); };
        const auto depois = [this, &m](int delta) {
            return [this, &m, delta](const QModelIndex &pai, int primeira, int ultima) {
                const int esperado = FAntes + delta * (ultima - primeira + 1);
                if (m.rowCount(pai) != esperado)
                    erros << QStringLiteral("%1 rows, expected %2")
                                 .arg(m.rowCount(pai))
                                 .arg(esperado);
                conferir();
            };
        };
        connect(&m, &QAbstractItemModel::rowsAboutToBeInserted, this, antes);
        connect(&m, &QAbstractItemModel::rowsInserted, this, depois(1));
        connect(&m, &QAbstractItemModel::rowsAboutToBeRemoved, this, antes);
        connect(&m, &QAbstractItemModel::rowsRemoved, this, depois(-1));
        connect(&m, &QAbstractItemModel::rowsAboutToBeMoved, this,
                [antes](const QModelIndex &pai) { antes(pai); });
        connect(&m, &QAbstractItemModel::rowsMoved, this, [this, &m](const QModelIndex &pai) {
            if (m.rowCount(pai) != FAntes)
                erros << QStringLiteral("a move changed the count");
            conferir();
        });
    }
    QStringList erros;

    void conferir()
    {
        for (const auto &[indice, texto] : FLembrados) {
            if (indice.isValid() && indice.data().toString() != texto)
                erros << QStringLiteral("an index kept to %1 leads to %2")
                             .arg(texto, indice.data().toString());
        }
        lembrar();
    }

private:
    void lembrar()
    {
        FLembrados.clear();
        for (int r = 0; r < FModelo.rowCount(); ++r) {
            const QModelIndex i = FModelo.index(r, 0);
            FLembrados.emplace_back(QPersistentModelIndex(i), i.data().toString());
        }
    }

    QAbstractItemModel &FModelo;
    std::vector<std::pair<QPersistentModelIndex, QString>> FLembrados;
    int FAntes = 0;
};

void TstDadosLista::topoAosPoucos()
{
    QFETCH(TPasso, passos);
    const int topoPorVez = 2;
    TZamListModel inteiro;
    passos(inteiro.dados());
    const int todos = inteiro.rowCount();

    TZamListModel modelo(nullptr, topoPorVez);
    TContagens contagens(modelo);
    QAbstractItemModelTester verificador(&modelo,
                                         QAbstractItemModelTester::FailureReportingMode::QtTest);
    // The tester would ask for more at every change, leaving nothing waiting.
    verificador.setUseFetchMore(false);
    passos(modelo.dados());
    contagens.conferir();
    QCOMPARE(contagens.erros, QStringList());

    // The view is given the first items of what the whole list shows, at least as many as it
    // asked for, or all.
    const int dados = modelo.rowCount();
    QVERIFY2(dados == todos || dados >= topoPorVez, qPrintable(QString::number(dados)));
    QCOMPARE(mostrado(modelo), mostrado(inteiro, dados));
    QCOMPARE(modelo.canFetchMore({}), dados < todos);

    // Asking for more until there is no more gives all of it.
    while (modelo.canFetchMore({}))
        modelo.fetchMore({});
    QCOMPARE(mostrado(modelo), mostrado(inteiro));
    QCOMPARE(contagens.erros, QStringList());
}

void TstDadosLista::exporAteALinha_data()
{
    QTest::addColumn<TPasso>("passos");
    QTest::addColumn<int>("linha");

    QTest::newRow("sem grupos") << TPasso([](TZamListaDados &d) {
        colunas(d);
        linhas(d, {"a", "b", "c", "d", "e"});
    }) << 4;
    QTest::newRow("por grupo") << TPasso(cincoGrupos) << 3;
}

void TstDadosLista::exporAteALinha()
{
    QFETCH(TPasso, passos);
    QFETCH(int, linha);
    TZamListModel modelo(nullptr, 2);
    TContagens contagens(modelo);
    passos(modelo.dados());
    QVERIFY(!modelo.indiceDaLinha(linha).isValid());
    modelo.exporAte(linha);
    const QModelIndex indice = modelo.indiceDaLinha(linha);
    QVERIFY(indice.isValid());
    QCOMPARE(modelo.linhaDoIndice(indice), linha);
    QCOMPARE(indice.data().toString(), modelo.dados().item(linha).Caption);
    QCOMPARE(contagens.erros, QStringList());
}

void TstDadosLista::linhaGuardadaDevolveOQueRecebeu_data()
{
    QTest::addColumn<QString>("legenda");
    QTest::addColumn<QStringList>("subItens");
    QTest::addColumn<bool>("comExtras");

    QTest::newRow("only a caption") << QStringLiteral("ALFA") << QStringList() << false;
    QTest::newRow("empty caption and cells")
        << QString() << QStringList{QString(), QStringLiteral("b"), QString()} << false;
    // A length above 65,535 needs both halves of its number.
    QTest::newRow("cell longer than 16 bits")
        << QStringLiteral("x") << QStringList{QString(70000, u'é'), QStringLiteral("fim")} << false;
    QTest::newRow("surrogates and controls")
        << QStringLiteral("\U0001F600\t") << QStringList{QStringLiteral("\u0000\uFFFF")} << true;
    QTest::newRow("data, images and indent")
        << QStringLiteral("BASE") << QStringList{QStringLiteral("1"), QStringLiteral("2")} << true;
}

void TstDadosLista::linhaGuardadaDevolveOQueRecebeu()
{
    QFETCH(QString, legenda);
    QFETCH(QStringList, subItens);
    QFETCH(bool, comExtras);
    TZamListItem original;
    original.Caption = legenda;
    original.SubItems = subItens;
    original.GroupID = 7;
    original.Checked = true;
    if (comExtras) {
        original.Data = std::make_shared<int>(42);
        original.ImageIndex = 70000;
        original.Indent = -3;
        original.OverlayIndex = 5;
        original.StateIndex = 6;
    }
    const TZamLinhaGuardada guardada(original);
    // A copy must not share what the row carries besides its texts.
    const TZamLinhaGuardada copia = guardada;
    for (const TZamLinhaGuardada *linha : {&guardada, &copia}) {
        const TZamListItem volta = linha->item();
        QCOMPARE(volta.Caption, legenda);
        QCOMPARE(volta.SubItems, subItens);
        QCOMPARE(volta.GroupID, 7);
        QVERIFY(volta.Checked);
        QCOMPARE(volta.Data, original.Data);
        QCOMPARE(linha->data(), original.Data.get());
        QCOMPARE(volta.ImageIndex, original.ImageIndex);
        QCOMPARE(volta.Indent, original.Indent);
        QCOMPARE(volta.OverlayIndex, original.OverlayIndex);
        QCOMPARE(volta.StateIndex, original.StateIndex);
        for (int c = 0; c <= subItens.size(); ++c)
            QCOMPARE(linha->texto(c), c == 0 ? legenda : subItens.at(c - 1));
        // Columns past the row's cells read as empty text.
        QVERIFY(linha->texto(int(subItens.size()) + 1).isEmpty());
    }
    const TZamListItem semMarcas = guardada.semMarcas().item();
    QCOMPARE(semMarcas.Caption, legenda);
    QCOMPARE(semMarcas.SubItems, subItens);
    QCOMPARE(semMarcas.Data, original.Data);
    QVERIFY(!semMarcas.Checked);
    QCOMPARE(semMarcas.ImageIndex, -1);
    QCOMPARE(semMarcas.Indent, 0);
}

QTEST_MAIN(TstDadosLista)
#include "tst_dadosLista.moc"
