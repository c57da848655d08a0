#pragma once

#include <QString>

// Opens a program given by its bare name the way the desktop opens a file the user
// double-clicks: the name is looked up in the current working folder, then in the search
// path, and the program starts as a process of its own, in our working folder, without
// being waited for. The argument text is split as a command line would be; an empty text
// passes no argument. A failure throws EZamErro with the system's text for the error.
void executarPrograma(const QString &programa, const QString &argumentos);
