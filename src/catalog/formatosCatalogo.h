#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// Date-times are held as days since 30 December 1899, the time of day as the fraction,
// in local time.
double paraDataHora(const QDateTime &momento);
QDateTime deDataHora(double dataHora);

// Sizes are held in KiB as a count of ten-thousandths (four fixed decimals).
using TTamanho = qint64;
constexpr TTamanho tamanhoUm = 10000;
TTamanho tamanhoDeBytes(qint64 bytes);

// The forms of the catalogue file. They are always the Brazilian ones ("dd/mm/yyyy hh:nn",
// decimal comma, thousands point), whatever the machine's settings, so that a catalogue on
// a shared folder reads the same everywhere.
QString formatarDataHoraCatalogo(double dataHora);
std::optional<double> lerDataHoraCatalogo(const QString &texto);

// Shortest form with up to four decimals and a decimal comma, "0" for zero.
QString formatarTamanhoCatalogo(TTamanho tamanho);
// Thousands points are dropped; blanks and a sign are allowed; rounded to four decimals.
std::optional<TTamanho> lerTamanhoCatalogo(const QString &texto);

// A whole number in the signed 32-bit range, leading blanks and a sign allowed; a negative
// number gives its unsigned 32-bit value.
std::optional<quint32> lerPortaCatalogo(const QString &texto);
