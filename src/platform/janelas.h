#pragma once

#include <QString>

// Whether a top-level window whose title is exactly titulo exists among the windows of every
// program on the desktop. Only windows that are shown count; the comparison is exact, case
// and all. Without a desktop to ask (no display) the answer is false. Safe to call from any
// thread.
bool existeJanela(const QString &titulo);
