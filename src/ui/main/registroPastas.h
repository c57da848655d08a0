#pragma once

#include "catalog/uTZamDadosList.h"
#include "launcher/zamcon.h"

#include <QString>
#include <memory>
#include <optional>
#include <vector>

// The data folders the main window knows, and the catalogue of the one it shows: the list
// ZamDados.Hosts.txt of the program's folder, the path box's lines made from it, the entry
// made for a folder that is no line, and what zamcon.ini says of the last database. It
// shows nothing: the window puts its answers on screen and reports what it throws.
class TRegistroPastas
{
public:
    static inline const QString arquivoHosts = QStringLiteral("ZamDados.Hosts.txt");

    // pastaPrograma holds ZamDados.Hosts.txt and zamcon.ini.
    explicit TRegistroPastas(const QString &pastaPrograma);

    // Start-up: reads the list, then rewrites it in its full form. A list that cannot be
    // read fails and stays unknown; one that was read stays when only the rewrite fails.
    void carregarHosts();
    // The entries of the path box's lines, in line order: the list's, sorted, made again by
    // ordenarLinhas; registered folders are added at the end.
    const std::vector<TZamDadosHostPtr> &hostsDasLinhas() const { return FHostsCombo; }
    void ordenarLinhas();
    // The line the path box starts on; -1 for none.
    int linhaInicial() const;
    // The entry of the path box: the line's when linha is one of them; else the one for the
    // text typed: a registered folder's entry (it keeps its server path), or an entry of its
    // own, the same one as long as the text stays.
    TZamDadosHostPtr hostPara(int linha, const QString &texto);
    // The entry for a folder the user typed and described, until it is registered.
    void definirAvulso(const TZamDadosHostPtr &host) { FHostAvulso = host; }
    // Adds the folder to the list on disk and as the last line. A list that could not be
    // read at start-up is read again first, so that a broken file is never overwritten by
    // the one new entry; a missing file starts empty.
    void registrar(const TZamDadosHostPtr &host);

    // The catalogue of host, scanned first when the folder has none.
    void carregarCatalogo(const TZamDadosHostPtr &host);
    // The catalogue's folder scanned again, every new database with the default port.
    void buscarBases();
    // The catalogue read again from the disk, ports kept; false when there is none yet.
    bool atualizarBases();
    // Every record of the catalogue shown, in no particular order.
    std::vector<TZamDadosItemPtr> registros() const;
    // A job renamed the folder of registro to nomeNovo (nothing when it could not): the
    // refresh at the end finds the folder under its new name, and a record waiting there
    // keeps the port the user gave the database, which a new one would lose.
    void pastaRenomeada(const TZamDadosItemPtr &registro, const std::optional<QString> &nomeNovo);

    void lerUltimaBase();
    QString lerPortaPadrao() const { return FZamcon.lerPortaPadrao(); }
    const TZamcon &zamcon() const { return FZamcon; }

    // The folder of the database last entered (zamcon.ini), as its row's caption.
    QString iniFolderName;
    // The catalogue of the folder shown; nothing before the first one is loaded.
    std::unique_ptr<TZamDadosList> FZamDadosList;
    // The list of ZamDados.Hosts.txt; nothing when it could not be read.
    std::unique_ptr<TZamDadosHostList> FHosts;

private:
    QString arquivoDosHosts() const;
    TZamDadosHostList &hostsParaRegistrar();

    QString FPastaPrograma;
    TZamcon FZamcon;
    std::vector<TZamDadosHostPtr> FHostsCombo;
    TZamDadosHostPtr FHostAvulso;
};
