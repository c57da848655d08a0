#pragma once

#include <QString>

namespace detalhe {
// What renomearSemSobrescrever does on a file system that has no rename that refuses to
// replace (network shares): a hard link and removal of the old name for a file, a check and
// rename for a folder. Takes local paths. Declared here so that tests can reach it on any
// file system.
void renomearSemRenameAtomico(const QString &origemLocal, const QString &destinoLocal);
} // namespace detalhe
