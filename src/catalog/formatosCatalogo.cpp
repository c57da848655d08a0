#include "catalog/formatosCatalogo.h"

#include <QRegularExpression>
#include <cmath>
#include <limits>

namespace {

const QDate dataBase(1899, 12, 30);
constexpr qint64 msPorDia = 86400000;

struct TDataHoraPartes
{
    QDate data;
    QTime hora;
};

TDataHoraPartes decompor(double dataHora)
{
    double dias = std::trunc(dataHora);
    qint64 ms = std::llround(std::fabs(dataHora - dias) * msPorDia);
    if (ms >= msPorDia) {
        ms -= msPorDia;
        dias += dataHora < 0 ? -1 : 1;
    }
    return {dataBase.addDays(qint64(dias)), QTime::fromMSecsSinceStartOfDay(int(ms))};
}

int anoDeDoisDigitos(int ano)
{
    // Two-digit years fall within the fifty years around the current one.
    const int base = QDate::currentDate().year() - 50;
    ano += base / 100 * 100;
    if (ano < base)
        ano += 100;
    return ano;
}

} // namespace

double paraDataHora(const QDateTime &momento)
{
    const qint64 dias = dataBase.daysTo(momento.date());
    const double fracao = double(momento.time().msecsSinceStartOfDay()) / msPorDia;
    return dias >= 0 ? dias + fracao : dias - fracao;
}

QDateTime deDataHora(double dataHora)
{
    const TDataHoraPartes partes = decompor(dataHora);
    return QDateTime(partes.data, partes.hora);
}

TTamanho tamanhoDeBytes(qint64 bytes)
{
    // bytes / 1024 rounded to the nearest ten-thousandth, in whole numbers only.
    const qint64 escalado = bytes * tamanhoUm;
    return (escalado + 512) / 1024;
}

QString formatarDataHoraCatalogo(double dataHora)
{
    const TDataHoraPartes partes = decompor(dataHora);
    return partes.data.toString(QStringLiteral("dd/MM/yyyy")) + u' ' +
           partes.hora.toString(QStringLiteral("hh:mm"));
}

std::optional<double> lerDataHoraCatalogo(const QString &texto)
{
    static const QRegularExpression padrao(QStringLiteral(
        R"(^\s*([0-9]{1,2})/([0-9]{1,2})(?:/([0-9]{1,4}))?(?:\s+([0-9]{1,2}):([0-9]{1,2})(?::([0-9]{1,2}))?)?\s*$)"));
    const QRegularExpressionMatch m = padrao.match(texto);
    if (!m.hasMatch())
        return std::nullopt;
    int ano = QDate::currentDate().year();
    if (m.hasCaptured(3)) {
        ano = m.captured(3).toInt();
        if (m.capturedLength(3) <= 2)
            ano = anoDeDoisDigitos(ano);
    }
    const QDate data(ano, m.captured(2).toInt(), m.captured(1).toInt());
    const QTime hora(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    if (!data.isValid() || !hora.isValid())
        return std::nullopt;
    return paraDataHora(QDateTime(data, hora));
}

QString formatarTamanhoCatalogo(TTamanho tamanho)
{
    const bool negativo = tamanho < 0;
    // Work on the unsigned magnitude so that the smallest value does not overflow.
    const quint64 magnitude = negativo ? 0 - quint64(tamanho) : quint64(tamanho);
    QString texto = QString::number(magnitude / tamanhoUm);
    if (const quint64 fracao = magnitude % tamanhoUm) {
        QString decimais = QStringLiteral("%1").arg(fracao, 4, 10, QChar(u'0'));
        while (decimais.endsWith(u'0'))
            decimais.chop(1);
        texto += u',' + decimais;
    }
    return negativo ? u'-' + texto : texto;
}

std::optional<TTamanho> lerTamanhoCatalogo(const QString &texto)
{
    static const QRegularExpression padrao(
        QStringLiteral(R"(^\s*([+-]?)([0-9]*)(?:,([0-9]*))?(?:[eE]([+-]?[0-9]{1,4}))?\s*$)"));
    QString semMilhares = texto;
    semMilhares.remove(u'.');
    const QRegularExpressionMatch m = padrao.match(semMilhares);
    if (!m.hasMatch() || m.capturedLength(2) + m.capturedLength(3) == 0)
        return std::nullopt;

    // All digits as one integer text, with the place of the decimal separator moved by the
    // exponent; then cut to four decimals and round the rest half away from zero.
    QString digitos = m.captured(2) + m.captured(3);
    qsizetype pontoDecimal = m.capturedLength(2) + m.captured(4).toInt();
    if (pontoDecimal < 0) {
        digitos.prepend(QString(-pontoDecimal, u'0'));
        pontoDecimal = 0;
    }
    const qsizetype casas = pontoDecimal + 4;
    const bool arredondaParaCima = casas < digitos.size() && digitos.at(casas) >= u'5';
    digitos = digitos.left(casas).leftJustified(casas, u'0');

    qint64 valor = 0;
    for (const QChar c : std::as_const(digitos)) {
        const int d = c.digitValue();
        if (valor > (std::numeric_limits<qint64>::max() - d) / 10)
            return std::nullopt;
        valor = valor * 10 + d;
    }
    if (arredondaParaCima) {
        if (valor == std::numeric_limits<qint64>::max())
            return std::nullopt;
        ++valor;
    }
    return m.captured(1) == u"-" ? -valor : valor;
}

std::optional<quint32> lerPortaCatalogo(const QString &texto)
{
    static const QRegularExpression padrao(QStringLiteral(R"(^ *([+-]?[0-9]+)$)"));
    const QRegularExpressionMatch m = padrao.match(texto);
    if (!m.hasMatch())
        return std::nullopt;
    bool ok = false;
    const qint64 valor = m.captured(1).toLongLong(&ok);
    if (!ok || valor < std::numeric_limits<qint32>::min() ||
        valor > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return quint32(qint32(valor));
}
