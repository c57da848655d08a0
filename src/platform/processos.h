#pragma once

#include <QString>

// Opens a program given by its bare name the way the desktop opens a file the user
// double-clicks: the name is looked up in the current working folder, then in the search
// path, and the program starts as a process of its own, in our working folder, without
// being waited for. The argument text is split as a command line would be; an empty text
// passes no argument. A failure throws EZamErro with the system's text for the error.
void executarPrograma(const QString &programa, const QString &argumentos);

// Ends every running process whose executable is nomeExecutavel and waits, for a few seconds
// at most, until they are gone. A bare name is compared with the file name of each process's
// executable, letters a to z without regard to case; a name with a folder part, with the
// executable's full path. A program run through an interpreter (a script, or a Windows program
// under an emulator) is known by the name it was started as. Each one is asked to end and is
// killed when it has not ended after a short grace. This process is never ended. Returns
// whether at least one process was ended.
bool encerrarProcessos(const QString &nomeExecutavel);
