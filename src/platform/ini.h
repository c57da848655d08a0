#pragma once

#include <QString>
#include <optional>

// INI keys with the behaviour of the Windows profile functions, so that a file this program
// edits reads the same in the main application.
//
// File names are the program's path text. Section and key names match without regard to
// case; blanks around names and around a value are ignored on reading, and a value wholly
// enclosed in matching single or double quotes loses them. A value is read up to 2047
// characters. The file is read anew for every call.

// The value of the key, or nothing when the file, the section or the key is missing (or the
// file cannot be read). A key line without "=" has no value.
std::optional<QString> lerIniOpcional(const QString &fileName, const QString &secao,
                                      const QString &chave);

// The value of the key, or padrao when there is none.
QString lerIni(const QString &fileName, const QString &secao, const QString &chave,
               const QString &padrao);

// Sets the key: its line is rewritten where it stands, a missing key is added after the last
// key of its section, a missing section is added at the end of the file, a missing file is
// created in Windows-1252. Every other line is kept byte for byte and the file keeps its
// encoding. The file is replaced atomically; a failure throws EZamErro naming the file. A
// section, key or value holding a line break is refused and the file left as it was.
void gravarIni(const QString &fileName, const QString &secao, const QString &chave,
               const QString &valor);
