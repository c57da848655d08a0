#pragma once

#include <QString>

// What keeps a text typed by the user from changing the databases it runs in. The text is
// looked at here, before any database is touched; the server's own classification of the
// prepared statement (mensagemComandoRecusado) and the read-only transaction come after.

// The text ready to be prepared: one statement, its trailing semicolons and blanks dropped.
// Throws EZamErro, with the reason in Portuguese, for a text that may not run anywhere:
// more than one statement, NEXT VALUE FOR, GEN_ID with a step other than the literal 0, or
// EXECUTE BLOCK. Comments, string literals and quoted names are not looked into.
QString textoSomenteLeitura(const QString &sql);

// The message for a statement the server did not classify as a query; the empty text for
// one it did (isc_info_sql_stmt_select). tipo is the value of IStatement::getType.
QString mensagemComandoRecusado(unsigned tipo);
