#pragma once

#include "catalog/uTZamDadosList.h"

#include <QString>

// Keeping a data folder's catalogue in step with the ZAM_DADOS folder of its data folder.
// New records belong to the catalogue's data folder.

// Sets datahora and tamanho from the file at path; leaves the record alone when the file
// is not there.
void lerDataTamanho(TZamDadosItem &registro, const QString &path);

// Finds the database folders (those holding a ZAM.FDB file) of <compartilhamento>\ZAM_DADOS,
// adds the new ones with the default port, refreshes date and size of all, and saves the
// catalogue. A folder that cannot be listed changes nothing and saves nothing. Returns
// whether the folder could be listed. A default port that is not a whole number fails at
// the first new database.
//
// A folder whose name holds a control character (possible on Linux, never on Windows) is
// no database: it is left out, its name goes to ignoradas when given, and one warning
// (mensagemPastasIgnoradas) is logged.
bool buscarBases(TZamDadosList &catalogo, const QString &portaPadrao,
                 QStringList *ignoradas = nullptr);

// Why a data folder shows no database when it is not there: throws EZamErro saying that the
// folder, or its ZAM_DADOS folder, does not exist (a typing slip, a share not mounted).
// Returns when both are there.
void verificarPastaDeDados(const QString &compartilhamento);

// Drops the records whose database file is gone (or that the scan leaves out), scans, and
// saves the catalogue, also when the folder cannot be listed.
void atualizarBases(TZamDadosList &catalogo, const QString &portaPadrao,
                    QStringList *ignoradas = nullptr);

// The one message about the folders of a ZAM_DADOS folder that the scan left out for the
// control characters in their names, shown with textoVisivel.
QString mensagemPastasIgnoradas(const QString &pasta, const QStringList &nomes);

// Where the database file of a record lies, seen from this machine.
QString arquivoDaBase(const QString &compartilhamento, const QString &nome);
