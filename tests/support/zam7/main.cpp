// Stands in for the main application in tests: it records how it was started. Started with
// "ZamdefTestAll" it also plays the definitions self-test: a window "Aguarde..." while it
// "tests" the database named in zamcon.ini, then a window "ErroZamdefTestAll" when a test said
// that this database fails, and it stays running until it is ended. Otherwise it ends at once.

#include "platform/ini.h"
#include "support/zam7/registroZam7.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

QString arquivoIni()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/zamcon.ini");
}

QJsonValue chaveIni(const QString &ini, const QString &secao, const QString &chave)
{
    const std::optional<QString> valor = lerIniOpcional(ini, secao, chave);
    return valor ? QJsonValue(*valor) : QJsonValue(QJsonValue::Null);
}

// Appends this start to the record file, if there is one. The line goes out in a single
// write to a file opened for appending, so starts running at the same time never mix lines.
bool registrarInicio(const QStringList &argumentos)
{
    const QString registro = qEnvironmentVariable(variavelRegistroZam7);
    if (registro.isEmpty())
        return true;
    const QString ini = arquivoIni();
    QJsonObject inicio;
    inicio[QStringLiteral("args")] = QJsonArray::fromStringList(argumentos);
    inicio[QStringLiteral("cwd")] = QDir::currentPath();
    inicio[QStringLiteral("NOME")] =
        chaveIni(ini, QStringLiteral("SERVIDOR"), QStringLiteral("NOME"));
    inicio[QStringLiteral("CAMINHO")] =
        chaveIni(ini, QStringLiteral("ZAM"), QStringLiteral("CAMINHO"));
    inicio[QStringLiteral("PORTA")] =
        chaveIni(ini, QStringLiteral("SERVIDOR"), QStringLiteral("PORTA"));
    const QByteArray linha = QJsonDocument(inicio).toJson(QJsonDocument::Compact) + '\n';

    QFile file(registro);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered) ||
        file.write(linha) != linha.size()) {
        std::fprintf(stderr, "ZAM7.exe: cannot record to %s: %s\n", qPrintable(registro),
                     qPrintable(file.errorString()));
        return false;
    }
    return true;
}

bool pedeAutoteste(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], argumentoAutotesteZam7) == 0)
            return true;
    }
    return false;
}

// The folder that holds the database file, in Windows or POSIX form.
QString nomeDaPasta(const QString &caminho)
{
    const auto separador = [](QChar c) { return c == u'\\' || c == u'/' || c == u':'; };
    qsizetype fim = caminho.size();
    while (fim > 0 && !separador(caminho[fim - 1]))
        --fim;
    const qsizetype fimPasta = fim > 0 ? fim - 1 : 0;
    qsizetype inicio = fimPasta;
    while (inicio > 0 && !separador(caminho[inicio - 1]))
        --inicio;
    return caminho.mid(inicio, fimPasta - inicio);
}

bool baseFalha(const QString &caminho)
{
    const QStringList falhas =
        qEnvironmentVariable(variavelFalhasZam7).split(separadorFalhasZam7, Qt::SkipEmptyParts);
    return falhas.contains(nomeDaPasta(caminho)) || falhas.contains(caminho);
}

int tempoAguarde()
{
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue(variavelAguardeZam7, &ok);
    return ok ? ms : aguardePadraoZam7;
}

std::unique_ptr<QLabel> janela(const QString &titulo, const QString &texto)
{
    auto label = std::make_unique<QLabel>(texto);
    label->setWindowTitle(titulo);
    label->setMargin(24);
    label->setMinimumSize(320, 80);
    return label;
}

int autoteste(int argc, char *argv[])
{
    // The windows must be real X11 windows that other programs can find, also when the tests
    // run the rest headless; without a display they are made offscreen.
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    else if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Its windows come and go; the program stays until it is ended.
    app.setQuitOnLastWindowClosed(false);
    if (!registrarInicio(QCoreApplication::arguments().mid(1)))
        return 1;

    const QString caminho =
        lerIniOpcional(arquivoIni(), QStringLiteral("ZAM"), QStringLiteral("CAMINHO"))
            .value_or(QString());
    const bool falha = baseFalha(caminho);
    std::unique_ptr<QLabel> aguarde =
        janela(QStringLiteral("Aguarde..."), QStringLiteral("Testando %1").arg(caminho));
    const std::unique_ptr<QLabel> erro =
        janela(QStringLiteral("ErroZamdefTestAll"),
               QStringLiteral("Erros nas definições de %1").arg(caminho));

    // The error window is shown before the wait window goes: the X server handles the two
    // requests in that order, so whoever sees "Aguarde..." gone already sees the error.
    const auto concluir = [&] {
        if (falha)
            erro->show();
        aguarde.reset();
    };
    const int ms = tempoAguarde();
    if (ms == 0) {
        concluir();
    } else {
        aguarde->show();
        if (ms > 0)
            QTimer::singleShot(ms, concluir);
    }
    // A stand-in a test forgot to end does not linger for ever.
    QTimer::singleShot(limiteZam7, &app, &QCoreApplication::quit);
    return app.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    if (pedeAutoteste(argc, argv))
        return autoteste(argc, argv);
    QCoreApplication app(argc, argv);
    return registrarInicio(QCoreApplication::arguments().mid(1)) ? 0 : 1;
}
