#include "execucao/textoCampo.h"
#include "listaTeste.h"
#include "sql/execucaoSql.h"
#include "sql/gruposResultado.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

// The grouping by result done the plain way, one record at a time: every group compared,
// every position walked. What TGruposResultado does must come out the same.
class TReferencia
{
public:
    struct TGrupo
    {
        QString cabecalho, rodape;
        QStringList linhas;
    };
    std::vector<TGrupo> grupos;

    void adicionar(const QString &texto, const QString &base)
    {
        int g = -1;
        for (int i = 0; i < int(grupos.size()); ++i) {
            if (minusculasAZ(grupos[std::size_t(i)].cabecalho) == minusculasAZ(texto))
                g = i;
        }
        if (g < 0) {
            grupos.push_back({texto, {}, {}});
            g = int(grupos.size()) - 1;
        }
        const auto contagem = [this](int i) {
            bool ok = false;
            const int n = grupos[std::size_t(i)].rodape.toInt(&ok);
            return ok ? n : 0;
        };
        grupos[std::size_t(g)].rodape = QString::number(contagem(g) + 1);
        grupos[std::size_t(g)].linhas << base;
        for (int p = 0; p < int(grupos.size()); ++p) {
            if (p != g && contagem(p) < contagem(g) && p < g) {
                TGrupo movido = grupos[std::size_t(g)];
                grupos.erase(grupos.begin() + g);
                grupos.insert(grupos.begin() + p, movido);
                g = p;
            }
        }
    }
};

// "Header|Footer" texts give the list's groups at the start (ids 10, 11, ...), collapsible
// and open; each gets one row so that it shows.
void prepararLista(TZamListView &lista, const QStringList &inicial)
{
    lista.addColumn({});
    lista.setGroupView(true);
    int id = 10;
    for (const QString &g : inicial) {
        const QStringList partes = g.split(u'|');
        lista.addGroup({id, partes.at(0), {}, partes.value(1), true, false});
        TZamListItem linha;
        linha.Caption = QStringLiteral("antes");
        linha.GroupID = id++;
        lista.addItem(linha);
    }
}

} // namespace

using TPassos = QList<QStringList>;

// How a test of slices lets the last ones be filed.
enum TFimDasFatias { pelaFila, concluirLogo, avisarNoFim, outroLoteNoMeio };

class TstSqlGrupos : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each step is one database's records, run as the worker runs them.
    // By database, whatever order the answers come in: the first database that answers
    // names the columns, also when failures came before it; each failed database shows its
    // message under its own name.
    void porBaseEmQualquerOrdem_data()
    {
        QTest::addColumn<bool>("falhaPrimeiro");
        QTest::newRow("failure first") << true;
        QTest::newRow("answer first") << false;
    }
    void porBaseEmQualquerOrdem()
    {
        QFETCH(bool, falhaPrimeiro);
        TZamListView lista;
        lista.setGroupView(true);
        lista.resize(860, 300);
        TExecutaSqlsPorBase porBase(lista);
        const auto host = std::make_shared<TZamDadosHost>();
        host->Setcompartilhamento(QStringLiteral("/srv/zam"));
        const auto registro = [&host](const QString &nome) {
            auto r = std::make_shared<TZamDadosItem>(host);
            r->Setnome(nome);
            return r;
        };
        TResultadoBase falha{0, registro("Morta"),       "Morta", {}, {},
                             3, "sem servidor\nporta 1", false};
        TResultadoBase resposta{
            1, registro("Viva"), "Viva", {"A", "B"}, {{"1", "x"}, {"2", "y"}}, 5, {}, false};
        std::vector<TResultadoBase> primeiro{falhaPrimeiro ? falha : resposta};
        std::vector<TResultadoBase> segundo{falhaPrimeiro ? resposta : falha};
        porBase.adicionar(primeiro);
        porBase.adicionar(segundo);

        QCOMPARE(lista.columnCount(), 2);
        QCOMPARE(lista.column(0).Caption, QStringLiteral("A"));
        QCOMPARE(lista.column(1).Caption, QStringLiteral("B"));
        QStringList vistos;
        for (const TGrupoVisto &v : gruposVistos(lista)) {
            QStringList celulas;
            for (const QStringList &linha : v.celulas)
                celulas << linha.join(u',');
            vistos << v.grupo.Header + u'|' + v.grupo.Subtitle + u'|' + celulas.join(u';');
        }
        vistos.sort();
        QCOMPARE(vistos,
                 QStringList({"Morta|Falhou|sem servidor — porta 1", "Viva|Count: 2|1,x;2,y"}));
        QCOMPARE(diferencaDoModelo(lista), QString());
    }

    // A large batch is filed a slice per turn of the event loop, and comes out as filed at
    // once; concluir files the rest at once; quandoArquivado tells, once, when the last slice
    // is filed and shown; a batch that comes meanwhile waits its turn.
    void porResultadoEmFatias_data()
    {
        QTest::addColumn<int>("fim");
        QTest::newRow("slices run by the event loop") << int(pelaFila);
        QTest::newRow("the rest filed by concluir") << int(concluirLogo);
        QTest::newRow("told when all is filed") << int(avisarNoFim);
        // A batch that comes while slices wait goes after them, not into a slice of its own.
        QTest::newRow("a batch while slices wait") << int(outroLoteNoMeio);
    }
    void porResultadoEmFatias()
    {
        QFETCH(int, fim);
        const auto host = std::make_shared<TZamDadosHost>();
        host->Setcompartilhamento(QStringLiteral("/srv/zam"));
        std::vector<TResultadoBase> lote;
        for (int b = 0; b < 5; ++b) {
            TResultadoBase r;
            r.indice = b;
            r.registro = std::make_shared<TZamDadosItem>(host);
            r.nome = QStringLiteral("base %1").arg(b);
            r.campos = {QStringLiteral("V")};
            for (int v = 0; v <= b; ++v)
                r.linhas.push_back({QStringLiteral("v%1").arg(v % 3)});
            if (b == 2)
                r.erro = QStringLiteral("sem servidor");
            lote.push_back(std::move(r));
        }
        std::vector<TResultadoBase> copia = lote;

        TZamListView inteira;
        inteira.setGroupView(true);
        TExecutaSqlsPorResultado(inteira).adicionar(copia);

        TZamListView emFatias;
        emFatias.setGroupView(true);
        TExecutaSqlsPorResultado porResultado(emFatias, 4);
        std::vector<TResultadoBase> segundo;
        if (fim == outroLoteNoMeio) {
            segundo.assign(std::make_move_iterator(lote.begin() + 4),
                           std::make_move_iterator(lote.end()));
            lote.resize(4);
        }
        porResultado.adicionar(lote);
        QCOMPARE(emFatias.count(), 4);
        QVERIFY(porResultado.pendente());
        if (fim == outroLoteNoMeio) {
            porResultado.adicionar(segundo);
            QCOMPARE(emFatias.count(), 4);
        }
        int avisos = 0;
        int linhasNoAviso = -1;
        if (fim == concluirLogo)
            porResultado.concluir();
        if (fim == avisarNoFim) {
            porResultado.quandoArquivado([&]() {
                ++avisos;
                linhasNoAviso = emFatias.count();
            });
            QCOMPARE(avisos, 0);
        }
        QTRY_VERIFY(!porResultado.pendente());
        if (fim == avisarNoFim) {
            QCOMPARE(avisos, 1);
            QCOMPARE(linhasNoAviso, inteira.count());
            // With nothing waiting it tells at once.
            porResultado.quandoArquivado([&]() { ++avisos; });
            QCOMPARE(avisos, 2);
        }
        QCOMPARE(emFatias.count(), inteira.count());
        QCOMPARE(cabecalhosERodapes(emFatias), cabecalhosERodapes(inteira));
        QCOMPARE(diferencaDoModelo(emFatias), QString());
    }

    void obterGrupo_data()
    {
        QTest::addColumn<QStringList>("inicial");
        QTest::addColumn<TPassos>("passos");
        QTest::addColumn<QStringList>("esperado");

        QTest::newRow("a new group counts 1")
            << QStringList() << TPassos{{"A"}} << QStringList{"A|1"};
        QTest::newRow("passing the count before moves up")
            << QStringList() << TPassos{{"A", "B", "B"}} << QStringList{"B|2", "A|1"};
        QTest::newRow("equal counts stay in the order they got there")
            << QStringList() << TPassos{{"A", "B", "A", "B"}} << QStringList{"A|2", "B|2"};
        QTest::newRow("moves just before the first smaller count")
            << QStringList() << TPassos{{"A", "A", "B", "C", "C"}}
            << QStringList{"A|2", "C|2", "B|1"};
        QTest::newRow("a new group is last of the ones")
            << QStringList() << TPassos{{"A", "A", "B"}, {"C"}} << QStringList{"A|2", "B|1", "C|1"};
        QTest::newRow("a and A share the group of the first")
            << QStringList() << TPassos{{"x"}, {"X"}, {"b"}} << QStringList{"x|2", "b|1"};
        QTest::newRow("only A to Z are folded")
            << QStringList() << TPassos{{"Ação", "AÇÃO", "aÇÃo"}}
            << QStringList{"AÇÃO|2", "Ação|1"};
        QTest::newRow("an empty value has a group of its own")
            << QStringList() << TPassos{{"", "A", ""}} << QStringList{"|2", "A|1"};
        QTest::newRow("steps add up as one")
            << QStringList() << TPassos{{"A", "B"}, {"B"}, {"C", "C", "C"}}
            << QStringList{"C|3", "B|2", "A|1"};
        QTest::newRow("of equal headers the last counts")
            << QStringList{"A|5", "a|1"} << TPassos{{"A"}} << QStringList{"A|5", "a|2"};
        QTest::newRow("a footer that is no number counts from 0")
            << QStringList{"A|x", "B|"} << TPassos{{"B"}} << QStringList{"B|1", "A|x"};
        QTest::newRow("counts not in order: the first smaller one wins")
            << QStringList{"A|1", "B|5", "C|1"} << TPassos{{"C"}}
            << QStringList{"C|2", "A|1", "B|5"};
        QTest::newRow("a step with many moves refills the list")
            << QStringList{"a|1", "b|1", "c|1", "d|1", "e|1", "f|1", "g|1", "h|1", "i|1",
                           "j|1", "k|1", "l|1", "m|1", "n|1", "o|1", "p|1", "q|1", "r|1"}
            << TPassos{{"R", "Q", "P", "O", "N", "M", "L", "K", "J", "I", "H", "G", "F", "E", "D",
                        "C", "B"}}
            << QStringList{"r|2", "q|2", "p|2", "o|2", "n|2", "m|2", "l|2", "k|2", "j|2",
                           "i|2", "h|2", "g|2", "f|2", "e|2", "d|2", "c|2", "b|2", "a|1"};
    }
    void obterGrupo()
    {
        QFETCH(QStringList, inicial);
        QFETCH(TPassos, passos);
        QFETCH(QStringList, esperado);

        TZamListView lista;
        prepararLista(lista, inicial);
        for (int s = 0; s < passos.size(); ++s) {
            TGruposResultado grupos(lista);
            for (const QString &valor : passos.at(s))
                grupos.AdicionarBase(QStringLiteral("base %1").arg(s), grupos.ObterGrupo(valor));
            grupos.aplicar();
        }
        QCOMPARE(cabecalhosERodapes(lista), esperado);
        QCOMPARE(diferencaDoModelo(lista), QString());
        // New groups (ids after the ones given) are made closed and can be opened.
        for (const TZamListGroup &g : lista.groups()) {
            if (g.GroupID >= 10 + inicial.size()) {
                QVERIFY(g.Collapsible);
                QVERIFY(g.Collapsed);
            }
        }
    }

    // Random runs against the plain way: few values with their case changed (many moves
    // between equal counts) and runs of distinct values (many new groups at once), split into
    // steps of different sizes, so that both ways of showing a step are taken.
    void comoAReferencia_data()
    {
        QTest::addColumn<quint32>("semente");
        QTest::addColumn<int>("valores");
        QTest::addColumn<int>("passos");
        QTest::addColumn<int>("porPasso");
        // One object for the whole run, as the window keeps it, or one per step.
        QTest::addColumn<bool>("umParaTodos");

        QTest::newRow("few values, small steps") << 1u << 4 << 40 << 3 << false;
        QTest::newRow("few values, large steps") << 2u << 6 << 10 << 60 << false;
        QTest::newRow("many values, small steps") << 3u << 300 << 60 << 5 << false;
        QTest::newRow("many values, large steps") << 4u << 300 << 12 << 200 << false;
        QTest::newRow("mostly distinct") << 5u << 5000 << 6 << 400 << false;
        QTest::newRow("one object, few values") << 6u << 5 << 40 << 20 << true;
        QTest::newRow("one object, many values") << 7u << 300 << 30 << 100 << true;
    }
    void comoAReferencia()
    {
        QFETCH(quint32, semente);
        QFETCH(int, valores);
        QFETCH(int, passos);
        QFETCH(int, porPasso);
        QFETCH(bool, umParaTodos);

        QRandomGenerator aleatorio(semente);
        TZamListView lista;
        prepararLista(lista, {});
        TReferencia referencia;
        std::unique_ptr<TGruposResultado> daExecucao;
        for (int s = 0; s < passos; ++s) {
            const QString base = QStringLiteral("base %1").arg(s);
            std::unique_ptr<TGruposResultado> doPasso;
            if (!umParaTodos || !daExecucao)
                (umParaTodos ? daExecucao : doPasso) = std::make_unique<TGruposResultado>(lista);
            TGruposResultado &grupos = umParaTodos ? *daExecucao : *doPasso;
            const int n = 1 + int(aleatorio.bounded(porPasso));
            for (int r = 0; r < n; ++r) {
                // Small values come more often, so that counts differ.
                const int v = int(aleatorio.bounded(1 + int(aleatorio.bounded(valores))));
                QString valor = QStringLiteral("v%1").arg(v);
                if (aleatorio.bounded(2) == 1)
                    valor = valor.toUpper();
                grupos.AdicionarBase(base, grupos.ObterGrupo(valor));
                referencia.adicionar(valor, base);
            }
            grupos.aplicar();
        }
        const std::vector<TGrupoVisto> vistos = gruposVistos(lista);
        QCOMPARE(vistos.size(), referencia.grupos.size());
        for (std::size_t g = 0; g < vistos.size(); ++g) {
            QCOMPARE(vistos[g].grupo.Header, referencia.grupos[g].cabecalho);
            QCOMPARE(vistos[g].grupo.Footer, referencia.grupos[g].rodape);
            QCOMPARE(vistos[g].legendas, referencia.grupos[g].linhas);
        }
        QCOMPARE(diferencaDoModelo(lista), QString());
    }

    // A group the user opened stays open when a step refills the list, and the row selected
    // stays selected.
    void refazerGuardaEstado()
    {
        TZamListView lista;
        prepararLista(lista, {});
        {
            TGruposResultado grupos(lista);
            for (int i = 0; i < 100; ++i)
                grupos.AdicionarBase(QStringLiteral("um"), grupos.ObterGrupo(QString::number(i)));
            grupos.aplicar();
        }
        const int aberto = lista.groups()[50].GroupID;
        lista.expand(lista.model()->index(50, 0));
        QVERIFY(!lista.groupById(aberto)->Collapsed);
        lista.setSelectedIndex(50);
        {
            TGruposResultado grupos(lista);
            for (int i = 99; i >= 0; --i)
                grupos.AdicionarBase(QStringLiteral("dois"), grupos.ObterGrupo(QString::number(i)));
            QVERIFY(grupos.aplicar());
        }
        QCOMPARE(lista.groups().front().Header, QStringLiteral("99"));
        QVERIFY(!lista.groupById(aberto)->Collapsed);
        QCOMPARE(lista.selectedIndex(), 50);
        QCOMPARE(diferencaDoModelo(lista), QString());
    }

    void largurasColunas_data()
    {
        QTest::addColumn<int>("largura");
        QTest::addColumn<QStringList>("campos");
        QTest::addColumn<QList<int>>("esperadas");

        QTest::newRow("three fields")
            << 860 << QStringList{"A", "B", "C"} << QList<int>{285, 285, 268};
        QTest::newRow("one field") << 860 << QStringList{"A"} << QList<int>{838};
        QTest::newRow("half to the even below")
            << 861 << QStringList{"A", "B"} << QList<int>{428, 411};
        QTest::newRow("half to the even above")
            << 863 << QStringList{"A", "B"} << QList<int>{430, 413};
        QTest::newRow("no field") << 860 << QStringList() << QList<int>();
    }
    void largurasColunas()
    {
        QFETCH(int, largura);
        QFETCH(QStringList, campos);
        QFETCH(QList<int>, esperadas);

        TZamListView lista;
        lista.resize(largura, 300);
        TExecutaSqlsPorBase::CriarColunas(lista, campos);
        QStringList titulos;
        QList<int> larguras;
        for (int i = 0; i < lista.columnCount(); ++i) {
            titulos << lista.column(i).Caption;
            larguras << lista.column(i).Width;
        }
        QCOMPARE(titulos, campos);
        QCOMPARE(larguras, esperadas);
    }

    void formatoDataCompleta_data()
    {
        QTest::addColumn<QString>("local");
        QTest::addColumn<QString>("formato");
        QTest::addColumn<QString>("exemplo");

        QTest::newRow("pt_BR") << "pt_BR"
                               << "dd/MM/yyyy"
                               << "05/03/0999";
        QTest::newRow("en_US") << "en_US"
                               << "MM/dd/yyyy"
                               << "03/05/0999";
        QTest::newRow("de_DE") << "de_DE"
                               << "dd.MM.yyyy"
                               << "05.03.0999";
    }
    void formatoDataCompleta()
    {
        QFETCH(QString, local);
        QFETCH(QString, formato);
        QFETCH(QString, exemplo);

        QCOMPARE(::formatoDataCompleta(QLocale(local)), formato);
        TCampoZam data;
        data.tipo = TTipoCampoZam::Data;
        QCOMPARE(textoDoCampo(data, QStringLiteral("0999-03-05"), QLocale(local)), exemplo);
    }
};

QTEST_MAIN(TstSqlGrupos)
#include "tst_sqlgrupos.moc"
