#include "execucao/contadorLote.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

// The counter of a batch of workers: what is left after each step, when the end of the batch
// is said (once, and only for a batch whose workers all ended), and the sum a kind of job
// keeps over its batches.
class TestContadorLote : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void passos_data()
    {
        // Each step: "iniciar N", "terminaram N" or "abandonar"; after each, what is left
        // and how many times the end was said so far.
        QTest::addColumn<QStringList>("passos");
        QTest::addColumn<QList<int>>("restantes");
        QTest::addColumn<QList<int>>("fins");

        QTest::newRow("one by one")
            << QStringList{"iniciar 3", "terminaram 1", "terminaram 1", "terminaram 1"}
            << QList<int>{3, 2, 1, 0} << QList<int>{0, 0, 0, 1};
        QTest::newRow("all in one delivery")
            << QStringList{"iniciar 4", "terminaram 4"} << QList<int>{4, 0} << QList<int>{0, 1};
        QTest::newRow("ends after the last are ignored")
            << QStringList{"iniciar 2", "terminaram 5", "terminaram 1"} << QList<int>{2, 0, 0}
            << QList<int>{0, 1, 1};
        QTest::newRow("a batch of none says nothing")
            << QStringList{"iniciar 0", "terminaram 1"} << QList<int>{0, 0} << QList<int>{0, 0};
        QTest::newRow("given up: no end")
            << QStringList{"iniciar 3", "terminaram 1", "abandonar", "terminaram 2"}
            << QList<int>{3, 2, 0, 0} << QList<int>{0, 0, 0, 0};
        QTest::newRow("a new batch replaces the rest")
            << QStringList{"iniciar 3", "terminaram 1", "iniciar 2", "terminaram 2"}
            << QList<int>{3, 2, 2, 0} << QList<int>{0, 0, 0, 1};
        QTest::newRow("two batches, each ends once")
            << QStringList{"iniciar 1",    "terminaram 1", "iniciar 2",
                           "terminaram 1", "terminaram 1", "terminaram 1"}
            << QList<int>{1, 0, 2, 1, 0, 0} << QList<int>{0, 1, 1, 1, 2, 2};
        QTest::newRow("nothing counted")
            << QStringList{"terminaram 1", "abandonar"} << QList<int>{0, 0} << QList<int>{0, 0};
    }

    void passos()
    {
        QFETCH(QStringList, passos);
        QFETCH(QList<int>, restantes);
        QFETCH(QList<int>, fins);
        int soma = 0;
        TContadorLote contador(&soma);
        QSignalSpy concluido(&contador, &TContadorLote::loteConcluido);
        QList<int> vistos;
        QList<int> finsVistos;
        int iniciados = 0;
        for (const QString &passo : passos) {
            const int quantos = passo.section(u' ', 1).toInt();
            if (passo.startsWith("iniciar")) {
                contador.iniciar(quantos);
                iniciados = quantos;
            } else if (passo.startsWith("terminaram")) {
                contador.terminaram(quantos);
            } else {
                contador.abandonar();
            }
            vistos << contador.restantes();
            finsVistos << int(concluido.count());
            QCOMPARE(soma, contador.restantes());
            QCOMPARE(contador.terminados(), iniciados - contador.restantes());
        }
        QCOMPARE(vistos, restantes);
        QCOMPARE(finsVistos, fins);
    }

    // Counters of one kind add up; one destroyed before its batch ended takes what it still
    // counted out of the sum, and says nothing.
    void somaDoTipo()
    {
        int soma = 0;
        auto primeiro = std::make_unique<TContadorLote>(&soma);
        TContadorLote segundo(&soma);
        QSignalSpy concluido(primeiro.get(), &TContadorLote::loteConcluido);
        primeiro->iniciar(5);
        segundo.iniciar(3);
        QCOMPARE(soma, 8);
        primeiro->terminaram(2);
        segundo.terminaram(3);
        QCOMPARE(soma, 3);
        primeiro.reset();
        QCOMPARE(soma, 0);
        QCOMPARE(concluido.count(), 0);
        segundo.iniciar(2);
        QCOMPARE(soma, 2);
    }

    // The end is said after the count is down, so whoever hears it reads an empty batch.
    void contagemZeradaAoConcluir()
    {
        int soma = 0;
        TContadorLote contador(&soma);
        int restantesNoFim = -1;
        int somaNoFim = -1;
        connect(&contador, &TContadorLote::loteConcluido, this, [&]() {
            restantesNoFim = contador.restantes();
            somaNoFim = soma;
        });
        contador.iniciar(2);
        contador.terminaram(2);
        QCOMPARE(restantesNoFim, 0);
        QCOMPARE(somaNoFim, 0);
    }
};

QTEST_GUILESS_MAIN(TestContadorLote)
#include "tst_contadorLote.moc"
