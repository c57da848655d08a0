#pragma once

#include <QString>

// Joins a name to a path text with the separator the base already uses: "\" when the base
// holds a backslash, "/" otherwise. Nothing else is changed.
QString juntarCaminho(const QString &base, const QString &nome);

// Turns the program's path text into a path of the local file system.
// On Windows the path text is the path itself.
// On Linux a network share \\SERVER\SHARE\rest is found under $ZAMDADOS_SMB/SERVER/SHARE
// when that variable names a folder, else under the desktop's SMB mounts; a drive-letter
// path names nothing and is never found. A ".." never climbs above the share or the drive,
// and a server or share name that could leave the mount folder ("", ".", "..", or one with
// a "/") makes the path one that is never found.
QString caminhoLocal(const QString &caminho);

// The folder of ZamDados.Hosts.txt and zamcon.ini. They stay beside the program, where the
// main application keeps zamcon.ini too; a program installed where it may not write (under
// /usr) finds them instead in the folder named by the environment variable ZAMDADOS_PASTA.
// Without that variable the program's own folder is the answer all the same, and whatever
// cannot be written there is reported when it is written.
QString pastaDeConfiguracao(const QString &pastaPrograma);

// The folder of this user's own files of the program (the platform's standard place for an
// application's data, e.g. ~/.local/share/ZamDados on Linux, named after the application);
// empty when the system gives none. The folder itself may not exist yet.
QString pastaDoUsuario();

// Whether a text holds a control character (codes below 32, and 127): no Windows name can
// hold one, and a line break would split the line of a file that records the text.
bool temCaractereDeControle(const QString &texto);
// The text with its control characters written out ("\n", "\r", "\t", "\x1B"), for messages.
QString textoVisivel(const QString &texto);

// Whether a text can be the name of one folder on every system that shares these folders:
// not empty once trimmed, no path separator, no ".." anywhere, no control character, none of
// the characters Windows refuses in names (< > : " / \ | ? *), no final blank or dot, and
// no device name such as CON or COM1.
bool nomePastaValido(const QString &nome);
