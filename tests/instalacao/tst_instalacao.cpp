#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

struct TSaidaProcesso
{
    bool terminou = false;
    int codigo = -1;
    QString saida;
};

TSaidaProcesso
executar(const QString &programa, const QStringList &argumentos,
         const QProcessEnvironment &ambiente = QProcessEnvironment::systemEnvironment())
{
    QProcess processo;
    processo.setProcessEnvironment(ambiente);
    processo.setProcessChannelMode(QProcess::MergedChannels);
    processo.start(programa, argumentos);
    TSaidaProcesso resultado;
    resultado.terminou = processo.waitForFinished(120000);
    resultado.codigo = processo.exitStatus() == QProcess::NormalExit ? processo.exitCode() : -1;
    resultado.saida = QString::fromUtf8(processo.readAll());
    return resultado;
}

// The keys of the [Desktop Entry] group.
QMap<QString, QString> chavesDesktop(const QString &arquivo)
{
    QFile file(arquivo);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QMap<QString, QString> chaves;
    bool noGrupo = false;
    while (!file.atEnd()) {
        const QString linha = QString::fromUtf8(file.readLine()).trimmed();
        if (linha.startsWith(u'['))
            noGrupo = linha == u"[Desktop Entry]";
        else if (noGrupo && linha.contains(u'=') && !linha.startsWith(u'#'))
            chaves.insert(linha.section(u'=', 0, 0), linha.section(u'=', 1));
    }
    return chaves;
}

} // namespace

class TstInstalacao : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir FDestino;
    QString instalado(const QString &caminho) const { return FDestino.path() + "/usr/" + caminho; }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(FDestino.isValid());
        QProcessEnvironment ambiente = QProcessEnvironment::systemEnvironment();
        ambiente.insert("DESTDIR", FDestino.path());
        const TSaidaProcesso instalacao =
            executar(ZAM_CMAKE, {"--install", ZAM_PASTA_BUILD, "--prefix", "/usr"}, ambiente);
        QVERIFY2(instalacao.terminou && instalacao.codigo == 0, qPrintable(instalacao.saida));
    }

    void arquivos_data()
    {
        QTest::addColumn<QString>("caminho");
        QTest::addColumn<bool>("executavel");
        QTest::newRow("window program") << "bin/zamdados" << true;
        QTest::newRow("command line") << "bin/zamdados-sql" << true;
        QTest::newRow("menu entry") << "share/applications/zamdados.desktop" << false;
        QTest::newRow("icon") << "share/icons/hicolor/scalable/apps/zamdados.svg" << false;
        QTest::newRow("Qt's Portuguese texts")
            << "share/zamdados/translations/qtbase_pt_BR.qm" << false;
    }
    void arquivos()
    {
        QFETCH(QString, caminho);
        QFETCH(bool, executavel);
        const QFileInfo info(instalado(caminho));
        QVERIFY2(info.isFile(), qPrintable(info.filePath()));
        QVERIFY(info.size() > 0);
        QCOMPARE(info.isExecutable(), executavel);
    }

    // Nothing but what belongs to the program: no test program, no stand-in.
    void nadaMais()
    {
        QStringList binarios = QDir(instalado("bin")).entryList(QDir::Files);
        binarios.sort();
        QCOMPARE(binarios, QStringList({"zamdados", "zamdados-sql"}));
    }

    void entradaValida()
    {
        const TSaidaProcesso validacao =
            executar(ZAM_DESKTOP_FILE_VALIDATE, {instalado("share/applications/zamdados.desktop")});
        QVERIFY2(validacao.terminou && validacao.codigo == 0, qPrintable(validacao.saida));
        // Not even a hint.
        QCOMPARE(validacao.saida, QString());
    }

    void entradaDesktop()
    {
        const QMap<QString, QString> chaves =
            chavesDesktop(instalado("share/applications/zamdados.desktop"));
        QCOMPARE(chaves.value("Type"), QStringLiteral("Application"));
        QCOMPARE(chaves.value("Name"), QStringLiteral("ZamDados"));
        QCOMPARE(chaves.value("Comment"),
                 QStringLiteral("Encontra, abre e consulta as bases de dados Zam dos clientes"));
        // The program and the icon by the names they are installed under.
        QCOMPARE(chaves.value("Exec"), QStringLiteral("zamdados"));
        QCOMPARE(chaves.value("Icon"), QStringLiteral("zamdados"));
        const QStringList categorias = chaves.value("Categories").split(u';', Qt::SkipEmptyParts);
        QVERIFY2(categorias.contains("Office") || categorias.contains("Utility"),
                 qPrintable(categorias.join(u';')));
    }

    void icone()
    {
        QFile file(instalado("share/icons/hicolor/scalable/apps/zamdados.svg"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader svg(&file);
        QVERIFY(svg.readNextStartElement());
        QCOMPARE(svg.name(), QStringLiteral("svg"));
        QCOMPARE(svg.namespaceUri(), QStringLiteral("http://www.w3.org/2000/svg"));
        QCOMPARE(svg.attributes().value("viewBox"), QStringLiteral("0 0 64 64"));
        while (!svg.atEnd())
            svg.readNext();
        QVERIFY2(!svg.hasError(), qPrintable(svg.errorString()));
    }

    // The copy the window loads first: Qt's own, which gives the standard buttons their
    // Portuguese texts.
    void traducao()
    {
        const QString pasta = instalado("share/zamdados/translations");
        QFile copia(pasta + "/qtbase_pt_BR.qm");
        QFile doQt(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_pt_BR.qm");
        QVERIFY(copia.open(QIODevice::ReadOnly));
        QVERIFY(doQt.open(QIODevice::ReadOnly));
        QVERIFY(copia.readAll() == doQt.readAll());
        QTranslator tradutor;
        QVERIFY(tradutor.load("qtbase_pt_BR", pasta));
        QCOMPARE(tradutor.translate("QPlatformTheme", "&Yes"), QStringLiteral("&Sim"));
    }

    // The installed programs run, and tell where their files are.
    void ajuda_data()
    {
        QTest::addColumn<QString>("programa");
        QTest::newRow("window program, no display") << "bin/zamdados";
        QTest::newRow("command line") << "bin/zamdados-sql";
    }
    void ajuda()
    {
        QFETCH(QString, programa);
        QProcessEnvironment ambiente = QProcessEnvironment::systemEnvironment();
        ambiente.remove("DISPLAY");
        ambiente.remove("WAYLAND_DISPLAY");
        ambiente.remove("QT_QPA_PLATFORM");
        ambiente.insert("LC_ALL", "pt_BR.UTF-8");
        const TSaidaProcesso ajuda = executar(instalado(programa), {"--help"}, ambiente);
        QVERIFY2(ajuda.terminou && ajuda.codigo == 0, qPrintable(ajuda.saida));
        QVERIFY2(ajuda.saida.contains("ZAMDADOS_PASTA"), qPrintable(ajuda.saida));
        QVERIFY2(ajuda.saida.contains("ZamDados.Hosts.txt e zamcon.ini ficam na pasta do programa"),
                 qPrintable(ajuda.saida));
    }
};

QTEST_GUILESS_MAIN(TstInstalacao)
#include "tst_instalacao.moc"
