#pragma once

#include "catalog/uTZamDadosList.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <optional>
#include <vector>

// The private Firebird server of the tests (see servidorFirebird beside this file): under
// CTest the fixture "firebird" starts one for the whole run and names its folder in
// ZAMDADOS_FIREBIRD; a test program run by hand starts its own at the first call and stops
// it when the application ends. Tests check ativo() and fail with erro() when it is false.
class TServidorFirebirdTeste
{
public:
    static inline const QString usuarioAdministrador = QStringLiteral("SYSDBA");
    static inline const QString senhaAdministrador = QStringLiteral("masterkey");

    static TServidorFirebirdTeste &instancia();

    bool ativo() const { return FPorta != 0; }
    const QString &erro() const { return FErro; }
    quint16 porta() const { return FPorta; }
    // "127.0.0.1/<port>:<file>"
    QString stringConnection(const QString &arquivo) const;

    // The attachments open on the server now, over all its databases (the look itself is a
    // service attachment and is not counted); -1 and the reason in *erro when it cannot tell.
    // Other test programs may use the server at the same time: a test that counts on the
    // whole server runs alone (RUN_SERIAL), or looks at its own files with bancosEmUso.
    int conexoesAbertas(QString *erro = nullptr) const;
    // The database files the server has attachments to now (as the server names them).
    QStringList bancosEmUso(QString *erro = nullptr) const;
    // The files under the folder that stay in use after waiting up to the given time (a
    // detach the client saw through may still be finishing on the server). A failure to ask
    // the server is reported as one entry "error: ...".
    QStringList aguardarBancosLivres(const QString &pasta, int milissegundos = 5000) const;

private:
    TServidorFirebirdTeste();
    void iniciarProprio();
    bool consultar(int *conexoes, QStringList *bancos, QString *erro) const;

    quint16 FPorta = 0;
    QString FErro;
    std::unique_ptr<QTemporaryDir> FPastaPropria;
};

// A port on 127.0.0.1 where nothing listens (0 when none could be found).
quint16 portaSemServidor();

// Fails the current test function when the server is not there.
#define ZAM_EXIGIR_FIREBIRD()                                                                      \
    QVERIFY2(TServidorFirebirdTeste::instancia().ativo(),                                          \
             qPrintable(TServidorFirebirdTeste::instancia().erro()))

// The workers of one database: `quantidade` rows with this situacao (NULL when empty).
struct TTrabalhadoresTeste
{
    std::optional<QString> situacao;
    int quantidade = 0;
};

// The contents of one customer database.
struct TBaseTeste
{
    QString nome;
    // Rows of trabalhador, registro 1, 2, ... in this order.
    std::vector<TTrabalhadoresTeste> trabalhadores;
    // One row of zamdef per value (an empty optional is NULL); no values: an empty table.
    std::vector<std::optional<QString>> ultimo{QStringLiteral("7.4.2")};
    // One row of empresa per value of uf, each with razao (the database's name when empty).
    std::vector<std::optional<QString>> uf{QStringLiteral("SP")};
    QString razao;
    // Tables that the database does not have: "trabalhador", "zamdef", "empresa".
    QStringList tabelasAusentes;
    // Statements run last, committed (a sequence, a table of the test's own).
    QStringList comandos;

    // The usual shape: `ativos` rows with situacao '1' and `inativos` with '2'.
    static TBaseTeste comTrabalhadores(const QString &nome, int ativos, int inativos = 0);
};

// Another user's session on a database: attached, with a transaction that ran comando and
// has not committed it. Rolled back and detached with the object.
class TSessaoPendente
{
public:
    // Fails the test through erro() when it cannot be set up.
    TSessaoPendente(const QString &arquivo, const QString &comando);
    ~TSessaoPendente();
    TSessaoPendente(const TSessaoPendente &) = delete;
    TSessaoPendente &operator=(const TSessaoPendente &) = delete;

    const QString &erro() const { return FErro; }
    // The integer the query gives inside the session's own transaction (which sees its own
    // uncommitted work); -1, with the reason in *erro, when the session is gone.
    qint64 contar(const QString &consulta, QString *erro) const;

private:
    struct TDados;
    std::unique_ptr<TDados> FDados;
    QString FErro;
};

// A share folder that holds ZAM_DADOS/<name>/ZAM.FDB customer databases: real Firebird
// files (owned by KTRWVB, character set WIN1252, the tables of zam_base.sql) with the rows
// asked for. Each one is a copy of a template made once per process through the server and
// then filled through the server, so that a test can make a hundred of them in seconds.
class TPastaDadosTeste
{
public:
    // A share in a new temporary folder, removed with the object.
    TPastaDadosTeste();
    // A share at the given folder (made when missing, left in place).
    explicit TPastaDadosTeste(const QString &compartilhamento);

    const QString &compartilhamento() const { return FCompartilhamento; }
    // "<share>/ZAM_DADOS/"
    QString pastaDados() const;
    QString arquivo(const QString &nome) const;

    // Makes the database; returns the reason when it could not, else the empty text.
    QString criarBase(const TBaseTeste &base);
    QString criarBases(const std::vector<TBaseTeste> &bases);

    // The data folder of this share as the catalogue sees it: local, path "<share>/ZAM_DADOS/".
    const TZamDadosHostPtr &host() const { return FHost; }
    // A record of the database on the test server's port.
    TZamDadosItemPtr registro(const QString &nome) const;

private:
    std::unique_ptr<QTemporaryDir> FTemporaria;
    QString FCompartilhamento;
    TZamDadosHostPtr FHost;
};
