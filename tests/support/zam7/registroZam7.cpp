#include "support/zam7/registroZam7.h"

#include "platform/janelas.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QTest>

QString caminhoZam7()
{
    return QStringLiteral(ZAM7_EXECUTAVEL);
}

QString copiarZam7(const QString &pasta)
{
    const QString copia = pasta + QStringLiteral("/ZAM7.exe");
    QFile::remove(copia);
    if (!QFile::copy(caminhoZam7(), copia) ||
        !QFile::setPermissions(copia, QFile::permissions(caminhoZam7()))) {
        QTest::qFail(qPrintable(QStringLiteral("cannot copy the stand-in to %1").arg(copia)),
                     __FILE__, __LINE__);
        return {};
    }
    return copia;
}

std::vector<QJsonObject> lerRegistroZam7(const QString &arquivo)
{
    std::vector<QJsonObject> inicios;
    QFile file(arquivo);
    if (!file.open(QIODevice::ReadOnly))
        return inicios;
    // Each start writes its whole line in one append, so no line is ever seen half written.
    for (const QByteArray &linha : file.readAll().split('\n')) {
        if (linha.isEmpty())
            continue;
        QJsonParseError erro;
        const QJsonDocument documento = QJsonDocument::fromJson(linha, &erro);
        if (!documento.isObject()) {
            QTest::qFail(
                qPrintable(QStringLiteral("bad line in %1: %2 (%3)")
                               .arg(arquivo, QString::fromUtf8(linha), erro.errorString())),
                __FILE__, __LINE__);
            continue;
        }
        inicios.push_back(documento.object());
    }
    return inicios;
}

std::vector<QJsonObject> esperarRegistroZam7(const QString &arquivo, int inicios, int limiteMs)
{
    const QDeadlineTimer limite(limiteMs);
    std::vector<QJsonObject> lidos = lerRegistroZam7(arquivo);
    while (int(lidos.size()) < inicios && !limite.hasExpired()) {
        QTest::qWait(20);
        lidos = lerRegistroZam7(arquivo);
    }
    return lidos;
}

bool esperarJanela(const QString &titulo, bool existir, int limiteMs)
{
    const QDeadlineTimer limite(limiteMs);
    for (;;) {
        if (existeJanela(titulo) == existir)
            return true;
        if (limite.hasExpired())
            return false;
        QTest::qWait(20);
    }
}
