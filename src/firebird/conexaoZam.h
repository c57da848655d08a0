#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <atomic>
#include <deque>
#include <mutex>
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
    Blob,      // a text BLOB, its whole contents; a binary one as "(binário, N bytes)"
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

// One query over one fresh attachment of its own, used by a worker on its own thread.
// The constructor only takes the settings; Open attaches, runs the statement in a read-only
// transaction and makes the first row current; Release closes everything again and is
// called by the destructor, so nothing outlives the object; a failed Open has already
// released what it had opened. Every failure throws EZamErro with the client library's or
// the server's own message text, its lines joined by "\n"; the checks made here have texts
// of their own: a text that is not one query that only reads (see somenteLeitura.h), SQL
// text that Windows-1252 cannot hold, a host that does not complete the TCP connection
// within tempoLimiteConexao, and a cancelled query. No login dialog is ever shown: the user
// and password are fixed.
//
// cancelar may be called from any thread while another one runs Open or reads rows: the
// statement running on the server is cancelled through the client library, and what is
// left of Open and of the reading fails at once with mensagemCancelada.
class TConsultaZam
{
public:
    static inline const QString usuario = QStringLiteral("KTRWVB");
    static inline const QString senha = QStringLiteral("qxv");
    static inline const QString conjuntoCaracteres = QStringLiteral("WIN1252");
    // Seconds a server that does not answer is waited for, at connecting and at logging in.
    static constexpr int tempoLimiteConexao = 10;

    static inline const QString mensagemCancelada = QStringLiteral("Cancelado");

    // A database string of the form "host/port:path".
    TConsultaZam(const QString &stringConnection, const QString &sql);
    ~TConsultaZam();
    TConsultaZam(const TConsultaZam &) = delete;
    TConsultaZam &operator=(const TConsultaZam &) = delete;

    const QString &stringConnection() const { return FStringConnection; }
    const QString &sql() const { return FSql; }

    // Attaches, starts the transaction, prepares and runs the statement and fetches the
    // first row. A statement that the server does not classify as a query is refused before
    // it runs; the transaction is read-only besides, and is rolled back at Release. Opening
    // an open query fails.
    void Open();
    // Stops Open or the reading of the rows, from any thread; see above. Stays in force
    // until Release.
    void cancelar() noexcept;
    bool cancelada() const { return FCancelada; }
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
    void anexar();
    void prepararCampos();
    void buscar();
    void lerBlobs(QByteArray &linha, std::vector<QByteArray> &blobs);
    void verificarCancelamento() const;
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
    // A row as fetched, with the contents of its BLOB columns (read while the transaction is
    // open; empty for the other columns).
    struct TLinhaLida
    {
        QByteArray dados;
        std::vector<QByteArray> blobs;
    };
    // Rows fetched and not yet passed; the first one is the current row.
    std::deque<TLinhaLida> FLinhas;
    int FLinhasPassadas = 0;
    bool FFimCursor = true;
    mutable QStringDecoder FDecodificador;
    // Guards FAttachment between Release and a cancel from another thread.
    std::mutex FMutexAnexo;
    std::atomic<bool> FCancelada = false;
};
