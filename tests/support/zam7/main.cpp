// Stands in for the main application in tests: it records how it was started and ends.

#include "platform/ini.h"
#include "support/zam7/registroZam7.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

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
    const QString ini = QCoreApplication::applicationDirPath() + QStringLiteral("/zamcon.ini");
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

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList argumentos = QCoreApplication::arguments().mid(1);
    if (!registrarInicio(argumentos))
        return 1;

    // The self-test argument "ZamdefTestAll" is to show the X11 windows the batch job waits
    // for ("Aguarde..." for a while, then "ErroZamdefTestAll" for the databases a test names).
    // They belong here, after the start is recorded; until they are written every start ends
    // at once, with this argument too.
    return 0;
}
