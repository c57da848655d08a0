#pragma once

#include <QString>
#include <functional>

// Copying and renaming that never replace what is already there. Every path is the program's
// path text (see caminhoLocal); messages name the files by that text.

// Copies the file origem to destino, with its contents, permissions and modification time.
// An existing destino is never touched. The copy is made under a hidden name beside destino
// and takes its name only when complete, so a failed copy never leaves a cut file behind.
// Fails with EZamErro with the system's text for the error (for example when destino exists
// or origem does not).
void copiarSemSobrescrever(const QString &origem, const QString &destino);

// Gives the file or folder origem the name destino; fails with EZamErro with the system's text
// (for example "File exists") and changes nothing when destino exists, a file or a folder,
// empty or not.
void renomearSemSobrescrever(const QString &origem, const QString &destino);

// Told after each block of a copy: how many bytes of how many are done; false stops the copy.
using TPassoCopia = std::function<bool(qint64 feitos, qint64 total)>;

// Copies as copiarSemSobrescrever does, telling passo how far it got: once before the first
// byte and after each block (holes of a sparse file count as done). Returns false, with
// nothing left at destino, when passo stopped the copy; fails as copiarSemSobrescrever does.
bool copiarAcompanhado(const QString &origem, const QString &destino, const TPassoCopia &passo);
