#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Whole-file text reading and writing for the program's own files and for zamcon.ini.
// File names are the program's path text; they are turned into local paths here.

enum class TCodificacaoTexto { Ansi, Utf8Bom, Utf16LE, Utf16BE };

// Decodes bytes: a UTF-8 or UTF-16 byte-order mark selects that encoding, anything else
// is Windows-1252. The mark itself is not part of the text.
QString decodificarTexto(const QByteArray &bytes, TCodificacaoTexto *codificacao = nullptr);

// Encodes text in the given encoding, with its byte-order mark where it has one.
QByteArray codificarTexto(const QString &texto, TCodificacaoTexto codificacao);

// True when every character of the text has a Windows-1252 byte.
bool cabeEmAnsi(const QString &texto);

// Splits text into lines ending at CR, LF or CR LF. A final line end does not start a line.
QStringList dividirLinhas(const QString &texto);

// Reads a whole file. Fails with "Cannot open file "%s". %s".
QByteArray lerBytes(const QString &fileName);
QStringList lerLinhasTexto(const QString &fileName);

// Replaces a whole file atomically. Fails with "Cannot create file "%s". %s", or with a text
// of its own that names the file when the disk is full; the old file is then left as it was.
void gravarBytes(const QString &fileName, const QByteArray &bytes);

// Writes lines each ended by CR LF, in Windows-1252 without a byte-order mark. A text with
// characters that Windows-1252 cannot hold is written as UTF-8 with its byte-order mark
// instead, so that nothing is lost; readers honour the mark. So is a text whose
// Windows-1252 bytes would begin like a byte-order mark.
void gravarLinhasTexto(const QString &fileName, const QStringList &linhas);
