#include "jobs/renomearUF.h"
#include "jobs/trabalhador.h"
#include "platform/erros.h"

#include <QtTest>

namespace {

// A worker with nothing to do and no window.
class TTrabalhadorVazio : public TTrabalhador
{
public:
    TTrabalhadorVazio()
        : TTrabalhador(nullptr)
    {
    }

protected:
    void Execute() override {}
};

} // namespace

// The decision of the rename-by-state job for one folder name and one state code, as read
// from the database.
class TestTarefasRegras : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A worker whose end the event loop has not handled yet (its thread is over, the
    // handler that frees it still queued) is freed by aguardarTodos all the same, so that
    // nothing of it is left when the program ends.
    void aguardarTodosLiberaQuemTerminou()
    {
        QPointer<TTrabalhador> trabalhador = new TTrabalhadorVazio;
        trabalhador->start();
        QVERIFY(trabalhador->wait(10000));
        QVERIFY(TTrabalhador::aguardarTodos(1000));
        QVERIFY(trabalhador.isNull());
        QCOMPARE(TTrabalhador::emExecucao(), 0);
    }

    void sufixo_data()
    {
        QTest::addColumn<QString>("nome");
        QTest::addColumn<QString>("uf");
        // Empty: the folder is left as it is.
        QTest::addColumn<QString>("esperado");

        QTest::newRow("plain name") << "CLIENTE"
                                    << "sp"
                                    << "-SP";
        QTest::newRow("underscore and state") << "CLIENTE_SP"
                                              << "SP"
                                              << "";
        QTest::newRow("hyphen and state") << "CLIENTE-SP"
                                          << "sp"
                                          << "";
        QTest::newRow("lower-case name") << "cliente-sp"
                                         << "SP"
                                         << "";
        QTest::newRow("other state") << "CLIENTE-SP"
                                     << "RJ"
                                     << "-RJ";
        QTest::newRow("state without separator") << "CLIENTESP"
                                                 << "SP"
                                                 << "-SP";
        QTest::newRow("blank as separator") << "CLIENTE SP"
                                            << "SP"
                                            << "-SP";
        QTest::newRow("name is the tail") << "-SP"
                                          << "SP"
                                          << "";
        QTest::newRow("two characters") << "SP"
                                        << "SP"
                                        << "-SP";
        QTest::newRow("one character") << "P"
                                       << "p"
                                       << "-P";
        QTest::newRow("empty state") << "CLIENTE"
                                     << ""
                                     << "";
        QTest::newRow("blank state (CHAR padding)") << "CLIENTE"
                                                    << "  "
                                                    << "";
        QTest::newRow("one letter padded") << "CLIENTE"
                                           << "s "
                                           << "-S";
        QTest::newRow("one letter, tail never matches") << "CLIENTE-S"
                                                        << "s"
                                                        << "-S";
        QTest::newRow("three letters") << "LOJA-SPX"
                                       << "spx"
                                       << "-SPX";
        // Only a to z change case: "é" stays, so "-sé" is not "-SÉ".
        QTest::newRow("accent kept") << "LOJA" << u"sé"_qs << u"-Sé"_qs;
        QTest::newRow("accent in the tail") << u"LOJA-sé"_qs << u"SÉ"_qs << u"-SÉ"_qs;
        QTest::newRow("accent matching") << u"LOJA-Sé"_qs << u"sé"_qs << "";
    }

    void sufixo()
    {
        QFETCH(QString, nome);
        QFETCH(QString, uf);
        QFETCH(QString, esperado);
        const std::optional<QString> sufixo = TRenomearPastasParaUF::sufixoPara(nome, uf);
        QCOMPARE(sufixo.value_or(QString()), esperado);
        QCOMPARE(sufixo.has_value(), !esperado.isEmpty());
    }

    void ufInsegura_data()
    {
        QTest::addColumn<QString>("uf");
        QTest::newRow("parent folder") << "../x";
        QTest::newRow("dot dot") << "..";
        QTest::newRow("slash") << "a/b";
        QTest::newRow("leading slash") << "/x";
        QTest::newRow("backslash") << "a\\b";
        QTest::newRow("colon") << "C:";
        QTest::newRow("asterisk") << "S*";
        QTest::newRow("control character") << "S\x01";
        QTest::newRow("tab") << "S\tP";
        QTest::newRow("trailing dot") << "S.";
    }

    // Never put into a path: the failure names the database and the code.
    void ufInsegura()
    {
        QFETCH(QString, uf);
        try {
            const std::optional<QString> sufixo = TRenomearPastasParaUF::sufixoPara("CLIENTE", uf);
            QFAIL(qPrintable("accepted: " + sufixo.value_or("<nothing>")));
        } catch (const EZamErro &erro) {
            QVERIFY2(erro.mensagem().contains("CLIENTE"), qPrintable(erro.mensagem()));
            QVERIFY2(erro.mensagem().contains(uf), qPrintable(erro.mensagem()));
        }
    }
};

QTEST_GUILESS_MAIN(TestTarefasRegras)
#include "tst_tarefas_regras.moc"
