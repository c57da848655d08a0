#pragma once

#include "catalog/uTZamDadosList.h"

#include <QString>

// zamcon.ini, the launcher configuration shared with the main application. The file is
// read anew by every call; only the three keys below are ever written.
class TZamcon
{
public:
    static inline const QString nomeArquivo = QStringLiteral("zamcon.ini");
    static inline const QString portaPadrao = QStringLiteral("3055");

    explicit TZamcon(QString fileName);

    // The folder name of the database last written, empty when there is none.
    QString lerUltimaBase() const;
    // The port text of the database last entered, unchanged ("3055" when missing).
    QString lerPortaPadrao() const;
    // Writes host name, database path and port, in that order, as three separate writes. A
    // value with a control character is refused before anything is written.
    void gravarZamcon(const TZamDadosHost &host, const TZamDadosItem &registro) const;

    const QString &fileName() const { return FFileName; }

    // The name of the folder that holds the database file named by a CAMINHO value; "\"
    // and ":" separate, and "/" in a value without "\".
    static QString nomeDaPasta(const QString &caminho);

private:
    QString FFileName;
};

// Starts the main application "ZAM7.exe", with the self-test argument when asked to.
// Fails with the system's text when it cannot be started.
void iniciarZam(bool testarZamdef);
