#pragma once

#include "catalog/uTZamDadosList.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <deque>
#include <vector>

namespace Firebird {
class IAttachment;
class IMessageMetadata;
class IResultSet;
class IStatement;
class ITransaction;
} // namespace Firebird

// What a result column held before the server handed it over as text. A caller that shows
// values (dates in the user's order, the locale's decimal separator) reformats by this.
enum class TTipoCampoZam {
    Texto,     // CHAR, VARCHAR
    Inteiro,   // SMALLINT, INTEGER, BIGINT without a scale
    Numerico,  // NUMERIC, DECIMAL: text with '.' and exactly -escala digits after it
    Flutuante, // FLOAT, DOUBLE PRECISION
    Data,      // DATE: "yyyy-mm-dd"
    Hora,      // TIME: "hh:mm:ss.zzzz"
    DataHora,  // TIMESTAMP: "31-JAN-2024 13:45:06.7890", just the date at midnight
    Booleano,  // BOOLEAN: "TRUE" / "FALSE"
    Blob,      // BLOB, its contents as text
    Outro
};

struct TCampoZam
{
    // The column's label: its alias, or its own name when it has none.
    QString nome;
    TTipoCampoZam tipo = TTipoCampoZam::Outro;
    // The server's type code (SQL_LONG, SQL_TYPE_DATE, ...), the scale of an exact number
    // (-2 for NUMERIC(15,2)), the sub-type and the length in bytes, as described.
    unsigned tipoSql = 0;
    int escala = 0;
    int subtipo = 0;
    unsigned tamanho = 0;
};

// One SELECT over one fresh attachment of its own, used by a worker on its own thread.
// The constructor only takes the settings; Open attaches, runs the statement in a read-only
// transaction and makes the first row current; Release closes everything again and is
// called by the destructor, so nothing outlives the object; a failed Open has already
// released what it had opened. Every failure throws EZamErro with the client library's or
// the server's own message text, its lines joined by "\n"; the few checks made here (SQL
// text that Windows-1252 cannot hold, COMMIT and the like, a host that does not complete the
// TCP connection within tempoLimiteConexao) have texts of their own. No login dialog is
// ever shown: the user and password are fixed.
class TConsultaZam
{
public:
    static inline const QString usuario = QStringLiteral("KTRWVB");
    static inline const QString senha = QStringLiteral("qxv");
    static inline const QString conjuntoCaracteres = QStringLiteral("WIN1252");
    // Seconds a server that does not answer is waited for, at connecting and at logging in.
    static constexpr int tempoLimiteConexao = 10;

    // The database string is the record's stringConnection as it is now.
    TConsultaZam(const TZamDadosItem &registro, const QString &sql);
    // A database string of the form "host/port:path".
    TConsultaZam(const QString &stringConnection, const QString &sql);
    ~TConsultaZam();
    TConsultaZam(const TConsultaZam &) = delete;
    TConsultaZam &operator=(const TConsultaZam &) = delete;

    const QString &stringConnection() const { return FStringConnection; }
    const QString &sql() const { return FSql; }

    // Attaches, starts the transaction, prepares and runs the statement and fetches the
    // first row. A statement that writes fails with the server's own text: the transaction
    // is read-only and is rolled back at Release. Opening an open query fails.
    void Open();
    bool Active() const { return FAtiva; }

    // The value of field i of the current row: NULL, or no current row, gives "" / 0.
    // An index outside the fields fails.
    QString campoTexto(int i = 0) const;
    // The text value as a 32-bit signed integer; a text that is not one fails.
    qint32 campoInteiro(int i = 0) const;
    bool campoNulo(int i = 0) const;

    bool Eof() const;
    void Next();
    int FieldCount() const { return int(FCampos.size()); }
    QString FieldName(int i) const;
    const TCampoZam &campo(int i) const;
    // The number of rows of the whole result, whatever row is current. Fetches the rows not
    // read yet and keeps them for Next.
    int RecordCount();

    // Closes the cursor, rolls the transaction back and detaches. Safe to call again, also
    // after a failure; never throws.
    void Release() noexcept;

private:
    void buscar();
    void verificarIndice(int i) const;
    const char *valor(int i, unsigned *tamanho) const;

    QString FStringConnection;
    QString FSql;
    bool FAtiva = false;
    Firebird::IAttachment *FAttachment = nullptr;
    Firebird::ITransaction *FTransacao = nullptr;
    Firebird::IStatement *FComando = nullptr;
    Firebird::IMessageMetadata *FMetadados = nullptr;
    Firebird::IResultSet *FCursor = nullptr;
    std::vector<TCampoZam> FCampos;
    std::vector<unsigned> FPosicoes;
    std::vector<unsigned> FPosicoesNulo;
    unsigned FTamanhoLinha = 0;
    // Rows fetched and not yet passed; the first one is the current row.
    std::deque<QByteArray> FLinhas;
    int FLinhasPassadas = 0;
    bool FFimCursor = true;
    mutable QStringDecoder FDecodificador;
};
