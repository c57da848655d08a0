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

// Started with the argument "ZamdefTestAll" the stand-in plays the definitions self-test on the
// database that [ZAM] CAMINHO of its zamcon.ini names. After recording the start it shows a
// top-level window "Aguarde..." for ZAM7_AGUARDE_MS milliseconds (1500 when unset; 0 shows none;
// a negative time keeps it for as long as the stand-in runs). Then, when the database is among
// ZAM7_FALHAS, a list separated by "|" of database folder names (the folder that holds the
// database file, as in "CLIENTE") or of whole CAMINHO values, compared exactly, it shows a
// window "ErroZamdefTestAll"; it is shown before "Aguarde..." goes. In every case the stand-in
// then stays running until it is ended (encerrarProcessos), or for ten minutes at most.
// The windows are real X11 windows when DISPLAY is set (the tests' QT_QPA_PLATFORM is
// overridden), offscreen otherwise.
inline constexpr char argumentoAutotesteZam7[] = "ZamdefTestAll";
inline constexpr char variavelAguardeZam7[] = "ZAM7_AGUARDE_MS";
inline constexpr char variavelFalhasZam7[] = "ZAM7_FALHAS";
inline constexpr char16_t separadorFalhasZam7 = u'|';
inline constexpr int aguardePadraoZam7 = 1500;
inline constexpr int limiteZam7 = 10 * 60 * 1000;

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

// Waits, processing events, until a top-level window titled titulo exists (existir) or no
// longer exists, or until the time is up; returns whether it came to that.
bool esperarJanela(const QString &titulo, bool existir, int limiteMs = 10000);
