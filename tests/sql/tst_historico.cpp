#include "platform/caminhos.h"
#include "sql/historicoSql.h"
#include "support/arquivosTeste.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString texto(int i)
{
    return QStringLiteral("select %1\nfrom zamdef").arg(i);
}

} // namespace

class TstHistorico : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir FPasta;
    QString arquivo() const { return FPasta.filePath("historico.json"); }

private Q_SLOTS:
    void init() { QFile::remove(arquivo()); }

    // The newest first, at most 30, and all of them again after a restart.
    void guardaOsUltimos30()
    {
        {
            THistoricoSql historico(arquivo());
            QVERIFY(historico.textos().isEmpty());
            for (int i = 1; i <= 35; ++i)
                historico.registrar(texto(i));
            QCOMPARE(historico.textos().size(), THistoricoSql::maximo);
            QCOMPARE(historico.textos().first(), texto(35));
            QCOMPARE(historico.textos().last(), texto(6));
        }
        const THistoricoSql depois(arquivo());
        QStringList esperados;
        for (int i = 35; i > 5; --i)
            esperados << texto(i);
        QCOMPARE(depois.textos(), esperados);
    }

    void registrar_data()
    {
        QTest::addColumn<QStringList>("executados");
        QTest::addColumn<QStringList>("esperados");

        QTest::newRow("the same text twice in a row is kept once")
            << QStringList{"a", "b", "b"} << QStringList{"b", "a"};
        QTest::newRow("a text run again later is kept again")
            << QStringList{"a", "b", "a"} << QStringList{"a", "b", "a"};
        QTest::newRow("a blank text is not kept") << QStringList{"a", "  \n\t"} << QStringList{"a"};
        QTest::newRow("lines, tabs, accents and quotes as they were")
            << QStringList{"select 'São \"João\"'\r\n\tfrom empresa\n"}
            << QStringList{"select 'São \"João\"'\r\n\tfrom empresa\n"};
    }
    void registrar()
    {
        QFETCH(QStringList, executados);
        QFETCH(QStringList, esperados);
        {
            THistoricoSql historico(arquivo());
            for (const QString &t : executados)
                historico.registrar(t);
            QCOMPARE(historico.textos(), esperados);
        }
        QCOMPARE(THistoricoSql(arquivo()).textos(), esperados);
    }

    // Two windows on one file: neither loses what the other ran.
    void duasJanelas()
    {
        THistoricoSql primeira(arquivo());
        THistoricoSql segunda(arquivo());
        primeira.registrar("a");
        segunda.registrar("b");
        primeira.registrar("c");
        QCOMPARE(THistoricoSql(arquivo()).textos(), QStringList({"c", "b", "a"}));
    }

    // A file that cannot be read or written costs the history, with a warning, and nothing
    // else: the text run is still the newest while the window lives.
    void arquivoInutilizavel_data()
    {
        QTest::addColumn<QString>("caso");
        QTest::addColumn<bool>("avisoAoLer");
        QTest::addColumn<QStringList>("lidos");

        QTest::newRow("a folder in its place") << "pasta" << true << QStringList{};
        QTest::newRow("a file in place of its folder")
            << "arquivo-na-pasta" << false << QStringList{};
        QTest::newRow("not a list") << "conteudo" << true << QStringList{};
        QTest::newRow("in a read-only folder")
            << "somente-leitura" << false << QStringList{"antigo"};
    }
    void arquivoInutilizavel()
    {
        QFETCH(QString, caso);
        QFETCH(bool, avisoAoLer);
        QFETCH(QStringList, lidos);

        const QString pasta = FPasta.filePath(caso);
        QVERIFY(QDir().mkpath(pasta));
        QString nome = pasta + "/historico.json";
        std::optional<TPastaSomenteLeitura> trava;
        if (caso == "pasta") {
            QVERIFY(QDir().mkpath(nome));
        } else if (caso == "arquivo-na-pasta") {
            escreverArquivo(pasta + "/arquivo", "x");
            nome = pasta + "/arquivo/historico.json";
        } else if (caso == "conteudo") {
            escreverArquivo(nome, "{\"nao\": \"lista\"}");
        } else {
            escreverArquivo(nome, "[\"antigo\"]");
            trava.emplace(pasta);
            QVERIFY(trava->ativa());
        }

        const QRegularExpression naoLido("^Histórico de SQL não lido");
        const QRegularExpression naoGravado("^Histórico de SQL não gravado");
        if (avisoAoLer)
            QTest::ignoreMessage(QtWarningMsg, naoLido);
        THistoricoSql historico(nome);
        QCOMPARE(historico.textos(), lidos);

        // Each text is kept in memory, also when the file can be neither read nor written.
        const QStringList executados{"select 2 from rdb$database", "select 1 from rdb$database"};
        for (const QString &t : {executados.at(1), executados.at(0)}) {
            if (caso != "conteudo")
                QTest::ignoreMessage(QtWarningMsg, naoGravado);
            historico.registrar(t);
        }
        QCOMPARE(historico.textos(), executados + lidos);

        if (caso == "conteudo") {
            // A file that held no history is replaced by one that does.
            QCOMPARE(THistoricoSql(nome).textos(), executados);
        }
    }

    // Ctrl+Up and Ctrl+Down: back through the texts and forward again to what was typed.
    void passeio()
    {
        THistoricoSql historico(arquivo());
        QCOMPARE(historico.anterior("digitado"), std::nullopt);
        for (const char *t : {"a", "b", "c"})
            historico.registrar(t);
        QCOMPARE(historico.seguinte(), std::nullopt);

        QCOMPARE(historico.anterior("digitado"), "c");
        QCOMPARE(historico.anterior("c"), "b");
        QCOMPARE(historico.anterior("b"), "a");
        QCOMPARE(historico.anterior("a"), std::nullopt);
        QCOMPARE(historico.posicao(), 2);
        QCOMPARE(historico.seguinte(), "b");
        QCOMPARE(historico.seguinte(), "c");
        QCOMPARE(historico.seguinte(), "digitado");
        QCOMPARE(historico.seguinte(), std::nullopt);

        // The window opens with the newest text: the first step goes past it.
        QCOMPARE(historico.anterior("c"), "b");
        QCOMPARE(historico.seguinte(), "c");
        QCOMPARE(historico.posicao(), -1);

        // The drop-down jumps; running a text ends the walk.
        QCOMPARE(historico.escolher(2, "meu"), "a");
        QCOMPARE(historico.escolher(3, "meu"), std::nullopt);
        QCOMPARE(historico.seguinte(), "b");
        historico.registrar("b2");
        QCOMPARE(historico.posicao(), -1);
        QCOMPARE(historico.anterior("b2"), "c");
    }

    // The place the window uses by default is the user's data folder, never the program's.
    void arquivoPadrao()
    {
        QCOMPARE(THistoricoSql::arquivoPadrao(), pastaDoUsuario() + "/historico-sql.json");
        QVERIFY(THistoricoSql::arquivoPadrao().startsWith(FPasta.path()));
    }

    void initTestCase()
    {
        QVERIFY(FPasta.isValid());
        // Nothing of this test goes near the user's own files.
        qputenv("XDG_DATA_HOME", QFile::encodeName(FPasta.path()));
    }
};

QTEST_GUILESS_MAIN(TstHistorico)
#include "tst_historico.moc"
