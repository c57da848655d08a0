#pragma once

#include "catalog/formatosCatalogo.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>
#include <vector>

// One data folder: the folder that holds ZAM_DADOS, seen from this machine (the share) and
// from the database server (the path of its ZAM_DADOS folder).
class TZamDadosHost
{
public:
    static inline const QString caminhoPadrao = QStringLiteral("c:\\Tessaron\\ZAM_7\\ZAM_DADOS\\");

    // A data folder that is no entry of the list (typed, or named on a command line); on
    // this machine the server reaches a local one the way we do: <share>\ZAM_DADOS\.
    static std::shared_ptr<TZamDadosHost> avulso(const QString &compartilhamento);

    const QString &path() const { return FPath; }
    void setPath(const QString &value) { FPath = value; }

    const QString &compartilhamento() const { return FCompartilhamento; }
    // Also derives the host name and resets the path to the default one.
    void Setcompartilhamento(const QString &value);

    // "localhost", or the server named in a network share.
    const QString &nome() const { return FNome; }
    bool ehLocal() const;

private:
    QString FPath;
    QString FCompartilhamento;
    QString FNome;
};

using TZamDadosHostPtr = std::shared_ptr<TZamDadosHost>;

// One catalogued database of a data folder.
class TZamDadosItem
{
public:
    explicit TZamDadosItem(TZamDadosHostPtr host);
    virtual ~TZamDadosItem() = default;

    virtual void Setdatahora(double value);
    // Derives compartilhamento and path from the name and the host as it is now.
    virtual void Setnome(const QString &value);
    virtual void Setporta(quint32 value);
    virtual void Settamanho(TTamanho value);
    virtual double Getdatahora() const;
    virtual QString Getnome() const;
    virtual quint32 Getporta() const;
    virtual TTamanho Gettamanho() const;
    virtual QString Getpath() const;
    // The Firebird database string: host name, "/", port, ":", path.
    virtual QString GetstringConnection() const;

    const QString &compartilhamento() const { return FCompartilhamento; }
    const TZamDadosHostPtr &host() const { return FHost; }

private:
    const TZamDadosHostPtr FHost;
    double FDatahora = 0;
    // The user may change the port while a worker reads it.
    std::atomic<quint32> FPorta = 0;
    QString FNome;
    TTamanho FTamanho = 0;
    QString FCompartilhamento;
    QString FPath;
};

using TZamDadosItemPtr = std::shared_ptr<TZamDadosItem>;

// Orders data folders for the list file and the path box: shares compared with the letters
// A to Z in lower case, by character code, greater first.
class TZamDadosHostComparer
{
public:
    static int Compare(const TZamDadosHost &left, const TZamDadosHost &right);
    bool operator()(const TZamDadosHostPtr &left, const TZamDadosHostPtr &right) const
    {
        return Compare(*left, *right) < 0;
    }
};

// The data folders of ZamDados.Hosts.txt, keyed by share (letter case counts). Lines
// "share=path" (the full form) or "share" (the short form, with the default path); a line
// without a share (blank, or with nothing before its "=") is ignored.
class TZamDadosHostList
{
public:
    using TItems = QMap<QString, TZamDadosHostPtr>;

    // Reads the list; one in the short form is brought into the full form at once.
    explicit TZamDadosHostList(const QString &fileName);
    // Reads the list without rewriting it, so that a list that was read is kept even when
    // its rewrite (regravarFormaCurta) fails.
    static std::unique_ptr<TZamDadosHostList> semRegravar(const QString &fileName);
    // A list with no entries yet, for a file that does not exist.
    static std::unique_ptr<TZamDadosHostList> vazia(const QString &fileName);

    // Saves a list read in the short form (shares only) in the full form; nothing else.
    void regravarFormaCurta();

    // Saves the list; an entry with a blank share is never written.
    void save();
    // Adds an entry and saves the list; on failure the list is as it was. A blank share and
    // a share already listed are refused.
    void adicionar(const TZamDadosHostPtr &host);
    TItems &items() { return FItems; }
    const QString &fileName() const { return FFileName; }

    // The entries in the order of TZamDadosHostComparer.
    std::vector<TZamDadosHostPtr> ordenados() const;
    // Of the entries in that order, the position of the one opened at start: the last on
    // the local disk "c:\", else the first; -1 for none.
    static int posicaoInicial(const std::vector<TZamDadosHostPtr> &ordenados);

private:
    struct TVazia
    {
    };
    struct TSemRegravar
    {
    };
    TZamDadosHostList(const QString &fileName, TVazia);
    TZamDadosHostList(const QString &fileName, TSemRegravar);

    QString FFileName;
    TItems FItems;
    bool FFormaCurta = false;
};

// The catalogue of one data folder, kept in <share>\ZamDados.csv, keyed by database name.
class TZamDadosList
{
public:
    using TItems = QMap<QString, TZamDadosItemPtr>;

    static inline const QString nomeArquivo = QStringLiteral("ZamDados.csv");
    static constexpr quint32 portaPadrao = 3050;

    // Loads the file when there is one; a catalogue that is a folder (or no regular file)
    // fails, and a missing one gives an empty catalogue.
    explicit TZamDadosList(const TZamDadosHostPtr &host);

    void save();
    TItems &items() { return FItems; }
    const TItems &items() const { return FItems; }
    const QString &fileName() const { return FFileName; }
    // The data folder the catalogue belongs to.
    const TZamDadosHostPtr &host() const { return FHost; }

    // Splits one line of the file into its fields.
    static QStringList dividirCampos(const QString &linha);
    // Quotes a field when it holds a comma, a double quote, a blank or a control character.
    static QString citarCampo(const QString &campo);

private:
    void carregar();
    TZamDadosItemPtr lerRegistro(const QString &linha) const;

    TZamDadosHostPtr FHost;
    QString FFileName;
    TItems FItems;
};
