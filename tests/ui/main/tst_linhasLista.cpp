#include "catalog/formatosCatalogo.h"
#include "ui/main/linhasLista.h"

#include <QDateTime>
#include <QTest>

// The main window's rows without the window: the order and filter of the catalogue's
// records, each record's cells in the user's locale, the jobs' cells kept with their record,
// and the total size.
class TestLinhasLista : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil)); }
    void initTestCase() { cleanup(); }

    void ordemEFiltro();
    void celulasDoCatalogo_data();
    void celulasDoCatalogo();
    void celulasDasTarefas();
    void tamanhoTotal_data();
    void tamanhoTotal();

private:
    TZamDadosItemPtr registro(const QString &nome, TTamanho tamanho = 0) const
    {
        auto item = std::make_shared<TZamDadosItem>(FHost);
        item->Setnome(nome);
        item->Setporta(3055);
        item->Settamanho(tamanho);
        return item;
    }
    static QStringList nomes(const std::vector<TZamDadosItemPtr> &registros)
    {
        QStringList resultado;
        for (const TZamDadosItemPtr &r : registros)
            resultado << r->Getnome();
        return resultado;
    }

    TZamDadosHostPtr FHost = TZamDadosHost::avulso("/srv/zam");
};

// Names in the collation order (case breaking ties, lower first); the filter takes any
// case, keeps that order, and lets everything through when empty.
void TestLinhasLista::ordemEFiltro()
{
    TLinhasLista linhas;
    linhas.ordenar({registro("xAbx"), registro("ba"), registro("ABC"), registro("abc")});
    QCOMPARE(nomes(linhas.registrosOrdenados()), QStringList({"abc", "ABC", "ba", "xAbx"}));
    QCOMPARE(nomes(linhas.filtrados("aB")), QStringList({"abc", "ABC", "xAbx"}));
    QCOMPARE(nomes(linhas.filtrados("")), QStringList({"abc", "ABC", "ba", "xAbx"}));
    QCOMPARE(nomes(linhas.filtrados(u"ção"_qs)), QStringList());
}

void TestLinhasLista::celulasDoCatalogo_data()
{
    QTest::addColumn<QLocale>("local");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("tamanho");

    // The date keeps day, month, year, hours and minutes in that order, with the locale's
    // own separators; the size is in kilobytes with two decimals.
    QTest::newRow("Brazil") << QLocale(QLocale::Portuguese, QLocale::Brazil) << "05/12/2017 14:30"
                            << "1.048.576,50";
    QTest::newRow("Germany") << QLocale(QLocale::German, QLocale::Germany) << "05.12.2017 14:30"
                             << "1.048.576,50";
    QTest::newRow("United States")
        << QLocale(QLocale::English, QLocale::UnitedStates) << "05/12/2017 14:30"
        << "1,048,576.50";
    QTest::newRow("Finland") << QLocale(QLocale::Finnish, QLocale::Finland) << "05.12.2017 14.30"
                             << u"1\u00a0048\u00a0576,50"_qs;
}

void TestLinhasLista::celulasDoCatalogo()
{
    QFETCH(QLocale, local);
    QFETCH(QString, data);
    QFETCH(QString, tamanho);
    QLocale::setDefault(local);
    const TZamDadosItemPtr cliente = registro("CLIENTE", 1048576 * tamanhoUm + tamanhoUm / 2);
    cliente->Setporta(3051);
    cliente->Setdatahora(paraDataHora(QDateTime(QDate(2017, 12, 5), QTime(14, 30, 12))));

    const std::vector<TZamListItem> feitas = TLinhasLista().linhas({cliente});
    QCOMPARE(feitas.size(), std::size_t(1));
    QCOMPARE(feitas[0].Caption, QString("CLIENTE"));
    QCOMPARE(feitas[0].SubItems, QStringList({"3051", data, tamanho}));
    QCOMPARE(feitas[0].Data, std::shared_ptr<void>(cliente));
}

// A job's cell goes with its record: into every row made for it, in its column, columns
// before it left empty; a row made again keeps its own other texts; another catalogue
// forgets them.
void TestLinhasLista::celulasDasTarefas()
{
    TLinhasLista linhas;
    const TZamDadosItemPtr alfa = registro("ALFA");
    const TZamDadosItemPtr beta = registro("BETA");
    linhas.definirCelula(alfa, 5, "7");
    QCOMPARE(linhas.celula(alfa, 5), std::optional<QString>("7"));
    QVERIFY(!linhas.celula(alfa, 4));
    QVERIFY(!linhas.celula(beta, 5));

    const std::vector<TZamListItem> feitas = linhas.linhas({alfa, beta});
    QCOMPARE(feitas[0].SubItems.mid(3), QStringList({"", "7"}));
    QCOMPARE(feitas[1].SubItems.size(), 3);

    TZamListItem existente = feitas[1];
    existente.Caption = "antiga";
    existente.SubItems = QStringList({"1", "2", "3", "de outra tarefa"});
    existente.Checked = true;
    linhas.definirCelula(beta, 5, "falhou");
    const TZamListItem refeita = linhas.linha(beta, existente);
    QCOMPARE(refeita.Caption, QString("BETA"));
    QCOMPARE(refeita.SubItems.mid(3), QStringList({"de outra tarefa", "falhou"}));
    QCOMPARE(refeita.SubItems.at(0), QString("3055"));
    QVERIFY(refeita.Checked);

    linhas.esquecerCelulas();
    QVERIFY(!linhas.celula(alfa, 5));
    QCOMPARE(linhas.linhas({alfa})[0].SubItems.size(), 3);
}

void TestLinhasLista::tamanhoTotal_data()
{
    QTest::addColumn<QList<double>>("kilobytes");
    QTest::addColumn<QString>("total");

    QTest::newRow("no database") << QList<double>() << "0,00 GB";
    QTest::newRow("one gigabyte") << QList<double>{1048576} << "1,00 GB";
    QTest::newRow("three halves") << QList<double>{524288, 524288, 524288} << "1,50 GB";
    QTest::newRow("rounded to the hundredth") << QList<double>{5347.2} << "0,01 GB";
}

void TestLinhasLista::tamanhoTotal()
{
    QFETCH(QList<double>, kilobytes);
    QFETCH(QString, total);
    std::vector<TZamDadosItemPtr> registros;
    for (const double kb : kilobytes)
        registros.push_back(registro(QString::number(registros.size()), TTamanho(kb * tamanhoUm)));
    TLinhasLista linhas;
    linhas.ordenar(registros);
    QCOMPARE(linhas.tamanhoTotal(), total);
}

QTEST_GUILESS_MAIN(TestLinhasLista)
#include "tst_linhasLista.moc"
