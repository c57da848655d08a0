#pragma once

#include <QString>

class QWidget;

// The copy the user sees: copies as copiarSemSobrescrever does while a progress dialog, owned by
// pai, shows how far it got and offers Cancel. A copy that takes more than a moment shows the
// dialog; the program keeps repainting meanwhile but takes no other input. Returns true when the
// copy is complete. On Cancel it returns false without a message; on failure it reports the
// problem in the error box and returns false. In both cases nothing is left at destino.
// The dialog is a QProgressDialog named "progressoCopia", a child of pai (top-level without
// one), and exists for the whole copy.
bool copiarComProgresso(QWidget *pai, const QString &origem, const QString &destino);
