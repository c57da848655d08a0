#pragma once

#include "firebird/conexaoZam.h"

#include <QLocale>
#include <QString>

// The text a result cell shows for a value as the server hands it over (see TConsultaZam),
// in the user's locale and never rounded:
//   - exact numbers (NUMERIC, DECIMAL, SMALLINT, INTEGER, BIGINT) keep every digit, with the
//     locale's decimal separator and minus sign and no grouping;
//   - floating numbers keep the digits the server gives, trailing zeros of the fraction
//     dropped;
//   - a DATE is the locale's short date with two-digit day and month and the whole year
//     (31/01/2024 in pt_BR, 01/31/2024 in en_US); a TIMESTAMP is that date, a blank and its
//     time; a TIME is hh:mm:ss on the 24-hour clock, with its fraction of a second when it
//     has one (13:45:06,789 in pt_BR);
//   - text, booleans and blobs stay as they are.
// A NULL (valor.isNull()) and an empty value give empty text. A value in a shape this does
// not know is shown as it came.
QString textoDoCampo(const TCampoZam &campo, const QString &valor, const QLocale &local);

// The locale's short date format with dd, MM and yyyy in place of shorter day, month and
// year fields ("M/d/yy" gives "MM/dd/yyyy").
QString formatoDataCompleta(const QLocale &local);
