#pragma once

#include <QJsonObject>
#include <QString>
#include <vector>

// The stand-in main application ZAM7.exe built with the tests. When the environment variable
// ZAM7_REGISTRO names a file, every start appends one line to it, a JSON object
//   {"args":[...],"cwd":"...","NOME":...,"CAMINHO":...,"PORTA":...}
// with its arguments, its working folder and the keys [SERVIDOR] NOME, [ZAM] CAMINHO and
// [SERVIDOR] PORTA of the zamcon.ini in its own folder as it found them (null when missing).

inline constexpr char variavelRegistroZam7[] = "ZAM7_REGISTRO";

// The stand-in as built.
QString caminhoZam7();
// Puts a copy of the stand-in into pasta under the name the program looks for and returns its
// path; fails the test when it cannot.
QString copiarZam7(const QString &pasta);

// The starts recorded so far; none when the file does not exist.
std::vector<QJsonObject> lerRegistroZam7(const QString &arquivo);
// The stand-in runs detached: waits until the record holds at least that many starts, or
// until the time is up, and returns what it holds then.
std::vector<QJsonObject> esperarRegistroZam7(const QString &arquivo, int inicios,
                                             int limiteMs = 10000);
