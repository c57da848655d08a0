#pragma once

#include <QString>

class QWidget;

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

// The copy the user sees: copies as copiarSemSobrescrever does while a progress dialog, owned by
// pai, shows how far it got and offers Cancel. A copy that takes more than a moment shows the
// dialog; the program keeps repainting meanwhile but takes no other input. Returns true when the
// copy is complete. On Cancel it returns false without a message; on failure it reports the
// problem in the error box and returns false. In both cases nothing is left at destino.
// The dialog is a QProgressDialog named "progressoCopia", a child of pai (top-level without
// one), and exists for the whole copy.
bool copiarComProgresso(QWidget *pai, const QString &origem, const QString &destino);
