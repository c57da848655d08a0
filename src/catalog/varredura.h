#pragma once

#include "catalog/uTZamDadosList.h"

#include <QString>

// Keeping a data folder's catalogue in step with the ZAM_DADOS folder of its data folder.
// New records belong to the catalogue's data folder.

// Sets datahora and tamanho from the file at path; leaves the record alone when the file
// is not there.
void lerDataTamanho(TZamDadosItem &registro, const QString &path);

// Finds the database folders (those holding ZAM.FDB) of <compartilhamento>\ZAM_DADOS, adds
// the new ones with the default port, refreshes date and size of all, and saves the
// catalogue. A folder that cannot be listed changes nothing and saves nothing. Returns
// whether the folder could be listed. A default port that is not a whole number fails at
// the first new database.
bool buscarBases(TZamDadosList &catalogo, const QString &portaPadrao);

// Drops the records whose database file is gone, scans, and saves the catalogue, also when
// the folder cannot be listed.
void atualizarBases(TZamDadosList &catalogo, const QString &portaPadrao);

// Where the database file of a record lies, seen from this machine.
QString arquivoDaBase(const QString &compartilhamento, const QString &nome);
