#pragma once

#include <QString>

// Opens the folder caminho (the program's path text) in the desktop's file browser and returns
// at once. Fails with EZamErro, naming the folder as given, when it does not exist, is not a
// folder, or no file browser could be started for it. User-interface thread only.
void abrirPasta(const QString &caminho);
