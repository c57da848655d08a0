#include "listaTeste.h"
#include "sql/copiaTabulada.h"
#include "sql/execucaoSql.h"

#include <QtTest>

namespace {

TZamDadosItemPtr registro(const QString &nome)
{
    static const auto host = [] {
        auto h = std::make_shared<TZamDadosHost>();
        h->Setcompartilhamento(QStringLiteral("/srv/zam"));
        return h;
    }();
    auto r = std::make_shared<TZamDadosItem>(host);
    r->Setnome(nome);
    return r;
}

TResultadoBase resposta(int indice, const QString &nome, const QStringList &campos,
                        std::vector<QStringList> linhas)
{
    return {indice, registro(nome), nome, campos, std::move(linhas), 1, {}, false};
}

TResultadoBase falha(int indice, const QString &nome, const QString &erro)
{
    return {indice, registro(nome), nome, {}, {}, 1, erro, false};
}

// A run of three databases as the SQL window shows it: Alfa and Beta answer, Gama fails.
void preencher(TZamListView &lista, bool porBase)
{
    lista.setGroupView(true);
    lista.resize(860, 300);
    std::vector<TResultadoBase> lote{
        resposta(0, "Alfa", {"VERSAO", "OBS"}, {{"7.4", "x"}, {"7.4", "a\tb"}}),
        resposta(1, "Beta", {"VERSAO", "OBS"}, {{"8.0", "Ação\nnova"}}),
        falha(2, "Gama", "sem servidor"),
    };
    if (porBase) {
        TExecutaSqlsPorBase presenter(lista);
        for (const TResultadoBase &r : lote)
            presenter.baseIniciada(r);
        presenter.adicionar(lote);
    } else {
        TExecutaSqlsPorResultado presenter(lista);
        presenter.adicionar(lote);
    }
}

// "Header" names a group's header line, "Header/n" the n-th row under it.
QModelIndex indiceDe(TZamListView &lista, const QString &nome)
{
    const QString grupo = nome.section(u'/', 0, 0);
    const QAbstractItemModel *modelo = lista.model();
    for (int p = 0; p < modelo->rowCount(); ++p) {
        const QModelIndex cabecalho = modelo->index(p, 0);
        if (!cabecalho.data().toString().startsWith(grupo))
            continue;
        if (!nome.contains(u'/'))
            return cabecalho;
        return modelo->index(nome.section(u'/', 1).toInt(), 0, cabecalho);
    }
    return {};
}

} // namespace

class TstCopia : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void textoTabulado_data()
    {
        QTest::addColumn<QStringList>("cabecalho");
        QTest::addColumn<QList<QStringList>>("linhas");
        QTest::addColumn<QString>("esperado");

        QTest::newRow("header and rows")
            << QStringList{"base", "VERSAO"} << QList<QStringList>{{"Alfa", "7.4"}, {"Beta", "8"}}
            << "base\tVERSAO\nAlfa\t7.4\nBeta\t8\n";
        QTest::newRow("tab, line breaks and accents inside cells")
            << QStringList{"base", "obs"}
            << QList<QStringList>{{"São João", "a\tb"}, {"Ação\r\nnova", "x\n\n\ty\u2028z"}}
            << "base\tobs\nSão João\ta b\nAção nova\tx y z\n";
        QTest::newRow("short rows filled, empty cells kept")
            << QStringList{"a", "b", "c"} << QList<QStringList>{{"1"}, {"", "", "3"}}
            << "a\tb\tc\n1\t\t\n\t\t3\n";
        QTest::newRow("a row longer than the header")
            << QStringList{"a"} << QList<QStringList>{{"1", "2"}} << "a\t\n1\t2\n";
        QTest::newRow("header alone") << QStringList{"a", "b"} << QList<QStringList>{} << "a\tb\n";
    }
    void textoTabulado()
    {
        QFETCH(QStringList, cabecalho);
        QFETCH(QList<QStringList>, linhas);
        QFETCH(QString, esperado);
        const QString texto = ::textoTabulado(cabecalho, linhas);
        QCOMPARE(texto, esperado);
        // Every line has as many columns as the first.
        const QStringList linhasDoTexto = texto.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(linhasDoTexto.size(), linhas.size() + 1);
        for (const QString &linha : linhasDoTexto)
            QCOMPARE(linha.count(u'\t'), linhasDoTexto.first().count(u'\t'));
    }

    // The rows picked in the SQL window's list, each led by its group's header, in the order
    // the list shows them; a group header picks the whole result.
    void copiaAgrupada_data()
    {
        QTest::addColumn<bool>("porBase");
        QTest::addColumn<QStringList>("selecao");
        QTest::addColumn<QString>("esperado");

        const QString cabecalhoBase = "base\tVERSAO\tOBS\n";
        QTest::newRow("by database, one row")
            << true << QStringList{"Beta/0"} << cabecalhoBase + "Beta\t8.0\tAção nova\n";
        QTest::newRow("by database, rows of two groups in the list's order")
            << true << QStringList{"Beta/0", "Alfa/1"}
            << cabecalhoBase + "Alfa\t7.4\ta b\nBeta\t8.0\tAção nova\n";
        QTest::newRow("by database, a header: the whole result")
            << true << QStringList{"Beta"}
            << cabecalhoBase +
                   "Alfa\t7.4\tx\nAlfa\t7.4\ta b\nBeta\t8.0\tAção nova\nGama\tsem servidor\t\n";
        QTest::newRow("by database, rows and then a header: the whole result")
            << true << QStringList{"Alfa/0", "Gama"}
            << cabecalhoBase +
                   "Alfa\t7.4\tx\nAlfa\t7.4\ta b\nBeta\t8.0\tAção nova\nGama\tsem servidor\t\n";
        QTest::newRow("by database, a header and then a row: the row")
            << true << QStringList{"Gama", "Alfa/0"} << cabecalhoBase + "Alfa\t7.4\tx\n";
        QTest::newRow("by database, nothing selected") << true << QStringList{} << QString();
        QTest::newRow("by result, one row")
            << false << QStringList{"8.0/0"} << "valor\tbase\n8.0\tBeta\n";
        QTest::newRow("by result, a collapsed header: every group")
            << false << QStringList{"sem servidor"}
            << "valor\tbase\n7.4\tAlfa\n7.4\tAlfa\n8.0\tBeta\nsem servidor\tGama\n";
    }
    void copiaAgrupada()
    {
        QFETCH(bool, porBase);
        QFETCH(QStringList, selecao);
        QFETCH(QString, esperado);

        TZamListView lista;
        lista.setSelectionMode(QAbstractItemView::ExtendedSelection);
        preencher(lista, porBase);
        // As clicks leave them: a row is selected and becomes the current item; a header
        // takes no selection and becomes the current item.
        for (const QString &nome : selecao) {
            const QModelIndex indice = indiceDe(lista, nome);
            QVERIFY2(indice.isValid(), qPrintable(nome));
            if (nome.contains(u'/'))
                lista.selectionModel()->select(indice, QItemSelectionModel::Select |
                                                           QItemSelectionModel::Rows);
            lista.selectionModel()->setCurrentIndex(indice, QItemSelectionModel::NoUpdate);
        }
        QStringList cabecalho;
        if (porBase) {
            cabecalho << "base";
            for (int c = 0; c < lista.columnCount(); ++c)
                cabecalho << lista.column(c).Caption;
        } else {
            cabecalho << "valor"
                      << "base";
        }
        QCOMPARE(::copiaAgrupada(lista, cabecalho, lista.selectionModel()->selectedRows(),
                                 lista.selectionModel()->currentIndex()),
                 esperado);
    }

    // The main window's list: no groups, the column captions as header.
    void copiaDasLinhas()
    {
        TZamListView lista;
        lista.addColumn({"Nome", 50, true, Qt::AlignLeft});
        lista.addColumn({"Porta", 50, false, Qt::AlignHCenter});
        lista.addColumn({"Qtd.", 50, false, Qt::AlignRight});
        for (const auto &[nome, porta] : {std::pair{"ALFA", "3050"}, {"SÃO\tPEDRO", "3055"}}) {
            TZamListItem linha;
            linha.Caption = QString::fromUtf8(nome);
            // The job column is still empty in these rows.
            linha.SubItems = QStringList{porta};
            lista.addItem(linha);
        }
        QCOMPARE(::copiaDasLinhas(lista, {1}), QString("Nome\tPorta\tQtd.\nSÃO PEDRO\t3055\t\n"));
        QCOMPARE(::copiaDasLinhas(lista, {0, 1}),
                 QString("Nome\tPorta\tQtd.\nALFA\t3050\t\nSÃO PEDRO\t3055\t\n"));
    }
};

QTEST_MAIN(TstCopia)
#include "tst_copia.moc"
