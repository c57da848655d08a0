#include "execucao/textoCampo.h"

#include <QDate>
#include <QStringView>
#include <array>

// Runs on the workers' threads: nothing here is shared but read-only data.

namespace {

bool soDigitos(QStringView texto)
{
    if (texto.isEmpty())
        return false;
    for (const QChar c : texto) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

int numero(QStringView texto)
{
    int n = 0;
    for (const QChar c : texto)
        n = n * 10 + (c.unicode() - u'0');
    return n;
}

// "-1234.40": sign, integer digits and the digits after the point, as the server wrote them.
struct TNumeroTexto
{
    bool negativo = false;
    QStringView inteiro;
    QStringView fracao;
    bool temPonto = false;
};

bool lerNumero(QStringView texto, TNumeroTexto &n)
{
    if (texto.startsWith(u'-')) {
        n.negativo = true;
        texto = texto.mid(1);
    }
    const qsizetype ponto = texto.indexOf(u'.');
    n.temPonto = ponto >= 0;
    n.inteiro = n.temPonto ? texto.left(ponto) : texto;
    n.fracao = n.temPonto ? texto.mid(ponto + 1) : QStringView();
    return soDigitos(n.inteiro) && (!n.temPonto || soDigitos(n.fracao));
}

QString comSinal(bool negativo, const QLocale &local, const QString &texto)
{
    return negativo ? local.negativeSign() + texto : texto;
}

QString numeroExato(const QString &valor, const QLocale &local)
{
    TNumeroTexto n;
    if (!lerNumero(QStringView(valor).trimmed(), n))
        return valor;
    QString texto = n.inteiro.toString();
    if (n.temPonto)
        texto += local.decimalPoint() + n.fracao.toString();
    return comSinal(n.negativo, local, texto);
}

// "1.500000000000000", "-1.250000000000000e-10": the server writes a fixed number of digits;
// the zeros that end the fraction say nothing.
QString numeroFlutuante(const QString &valor, const QLocale &local)
{
    QStringView texto = QStringView(valor).trimmed();
    // The exponent, its letter included, stays as the server wrote it.
    QStringView expoente;
    const qsizetype e = texto.indexOf(u'e', 0, Qt::CaseInsensitive);
    if (e >= 0) {
        expoente = texto.mid(e);
        texto = texto.left(e);
        QStringView digitos = expoente.mid(1);
        if (digitos.startsWith(u'+') || digitos.startsWith(u'-'))
            digitos = digitos.mid(1);
        if (!soDigitos(digitos))
            return valor;
    }
    TNumeroTexto n;
    if (!lerNumero(texto, n))
        return valor;
    QStringView fracao = n.fracao;
    while (fracao.endsWith(u'0'))
        fracao.chop(1);
    QString resultado = n.inteiro.toString();
    if (!fracao.isEmpty())
        resultado += local.decimalPoint() + fracao.toString();
    if (e >= 0)
        resultado += expoente.toString();
    // Minus zero is zero.
    const bool zero = resultado.count(u'0') == resultado.size();
    return comSinal(n.negativo && !zero, local, resultado);
}

// "13:45:06.7890" on the 24-hour clock.
bool lerHora(QStringView texto, QString &resultado, const QLocale &local)
{
    if (texto.size() < 8 || texto.at(2) != u':' || texto.at(5) != u':')
        return false;
    const QStringView h = texto.mid(0, 2), m = texto.mid(3, 2), s = texto.mid(6, 2);
    if (!soDigitos(h) || !soDigitos(m) || !soDigitos(s) || numero(h) > 23 || numero(m) > 59 ||
        numero(s) > 59)
        return false;
    QStringView fracao;
    if (texto.size() > 8) {
        if (texto.at(8) != u'.' || !soDigitos(texto.mid(9)))
            return false;
        fracao = texto.mid(9);
    }
    while (fracao.endsWith(u'0'))
        fracao.chop(1);
    resultado = texto.left(8).toString();
    if (!fracao.isEmpty())
        resultado += local.decimalPoint() + fracao.toString();
    return true;
}

// "2024-01-31"
QDate lerDataIso(QStringView texto)
{
    if (texto.size() != 10 || texto.at(4) != u'-' || texto.at(7) != u'-')
        return {};
    const QStringView a = texto.mid(0, 4), m = texto.mid(5, 2), d = texto.mid(8, 2);
    if (!soDigitos(a) || !soDigitos(m) || !soDigitos(d))
        return {};
    return QDate(numero(a), numero(m), numero(d));
}

// "31-JAN-2024", the way the server writes the date of a TIMESTAMP.
QDate lerDataComMes(QStringView texto)
{
    static constexpr std::array<const char16_t *, 12> meses = {u"JAN", u"FEB", u"MAR", u"APR",
                                                               u"MAY", u"JUN", u"JUL", u"AUG",
                                                               u"SEP", u"OCT", u"NOV", u"DEC"};
    const qsizetype traco1 = texto.indexOf(u'-');
    const qsizetype traco2 = texto.indexOf(u'-', traco1 + 1);
    if (traco1 < 1 || traco2 != traco1 + 4)
        return {};
    const QStringView d = texto.left(traco1), m = texto.mid(traco1 + 1, 3),
                      a = texto.mid(traco2 + 1);
    if (!soDigitos(d) || !soDigitos(a) || a.size() > 4)
        return {};
    for (std::size_t i = 0; i < meses.size(); ++i) {
        if (m.compare(QStringView(meses[i]), Qt::CaseInsensitive) == 0)
            return QDate(numero(a), int(i) + 1, numero(d));
    }
    return {};
}

QString textoDaData(QStringView texto, const QLocale &local)
{
    const QDate data = lerDataIso(texto);
    return data.isValid() ? local.toString(data, formatoDataCompleta(local)) : QString();
}

QString textoDaDataHora(QStringView texto, const QLocale &local)
{
    const qsizetype branco = texto.indexOf(u' ');
    const QStringView parteData = branco < 0 ? texto : texto.left(branco);
    // Midnight comes without its time.
    const QStringView parteHora = branco < 0 ? QStringView(u"00:00:00") : texto.mid(branco + 1);
    QDate data = lerDataComMes(parteData);
    if (!data.isValid())
        data = lerDataIso(parteData);
    QString hora;
    if (!data.isValid() || !lerHora(parteHora, hora, local))
        return QString();
    return local.toString(data, formatoDataCompleta(local)) + u' ' + hora;
}

} // namespace

QString formatoDataCompleta(const QLocale &local)
{
    const QString curto = local.dateFormat(QLocale::ShortFormat);
    QString formato;
    qsizetype i = 0;
    while (i < curto.size()) {
        const QChar c = curto.at(i);
        if (c == u'\'') {
            // A quoted literal, '' standing for one quote, is copied as it is.
            const qsizetype fim = curto.indexOf(u'\'', i + 1);
            const qsizetype ate = fim < 0 ? curto.size() : fim + 1;
            formato += curto.mid(i, ate - i);
            i = ate;
            continue;
        }
        qsizetype n = 1;
        while (i + n < curto.size() && curto.at(i + n) == c)
            ++n;
        if (c == u'y')
            formato += QStringLiteral("yyyy");
        else if ((c == u'd' || c == u'M') && n <= 2)
            formato += QString(2, c);
        else
            formato += curto.mid(i, n);
        i += n;
    }
    return formato;
}

QString textoDoCampo(const TCampoZam &campo, const QString &valor, const QLocale &local)
{
    if (valor.isEmpty())
        return QString();
    QString resultado;
    switch (campo.tipo) {
    case TTipoCampoZam::Inteiro:
    case TTipoCampoZam::Numerico:
        return numeroExato(valor, local);
    case TTipoCampoZam::Flutuante:
        return numeroFlutuante(valor, local);
    case TTipoCampoZam::Data:
        resultado = textoDaData(QStringView(valor).trimmed(), local);
        break;
    case TTipoCampoZam::Hora:
        if (!lerHora(QStringView(valor).trimmed(), resultado, local))
            resultado.clear();
        break;
    case TTipoCampoZam::DataHora:
        resultado = textoDaDataHora(QStringView(valor).trimmed(), local);
        break;
    default:
        return valor;
    }
    return resultado.isEmpty() ? valor : resultado;
}
