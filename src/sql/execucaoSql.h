#pragma once

#include "controls/uTZamListView.h"
#include "execucao/resultadoBase.h"

#include <QElapsedTimer>
#include <QHash>
#include <QLoggingCategory>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

// Developers' trace of the SQL window: one line per database filed by result.
// Off unless asked for (QT_LOGGING_RULES="zamdados.sql.debug=true").
Q_DECLARE_LOGGING_CATEGORY(lcExecucaoSql)

class TGruposResultado;

// Shows a run's outcomes grouped by database: one group per database, headed by its name and
// made when its work begins (so the groups stand in the order the databases were started),
// "Count: n" as its subtitle and the result's records as its rows; the first answer makes
// the columns. A failed database keeps its group, subtitled "Falhou", with the message as
// its one row, so that it shows in the list.
//
// The list keeps the rows: adicionar moves them out of the outcomes (a run over hundreds of
// databases would otherwise hold every row twice), and devolverLinhas reads them back.
class TExecutaSqlsPorBase
{
public:
    explicit TExecutaSqlsPorBase(TZamListView &lista);

    void baseIniciada(const TResultadoBase &resultado);
    // Leaves the outcomes without their rows.
    void adicionar(std::vector<TResultadoBase> &lote);
    // Gives each outcome that answered its rows again, as the list holds them, each with as
    // many values as the outcome has fields.
    void devolverLinhas(std::vector<TResultadoBase> &resultados) const;

    // One column per field, named after it, each round(W / n) - 2 pixels wide (halves to
    // the even neighbour), W the list's width; the last one 17 pixels narrower still, or 20
    // when it is the only one. Nothing for no fields.
    static void CriarColunas(TZamListView &lista, const QStringList &campos);
    // Width of each column for n fields in a list W pixels wide, the last one included.
    static std::vector<int> largurasColunas(int W, int n);

private:
    int grupoDe(const TResultadoBase &resultado);

    TZamListView &FLista;
    // Group id by database.
    QHash<const TZamDadosItem *, int> FGrupos;
    // The columns are the one without a name made for failures, before any answer.
    bool FColunaProvisoria = false;
};

// Shows a run's outcomes grouped by the value of the first field: one group per value (A to
// Z folded), its footer counting its rows, groups created collapsed and kept in order of
// falling count; each row names a database whose result holds that value. A failed database
// is filed under a group headed by the failure's message.
//
// A large batch is filed in slices of at most registrosPorFatia records and msPorFatia
// milliseconds, one per turn of the event loop, each shown as it is filed, so that the window
// keeps answering. concluir files and shows what is left.
class TExecutaSqlsPorResultado
{
public:
    static constexpr int fatiaPadrao = 16384;
    // A slice also ends after this long: a record that makes a new group costs more than
    // one that counts again, and showing the slice costs several times its filing.
    static constexpr int msPorFatia = 4;

    explicit TExecutaSqlsPorResultado(TZamListView &lista, int registrosPorFatia = fatiaPadrao);
    ~TExecutaSqlsPorResultado();

    void adicionar(std::vector<TResultadoBase> &lote);
    // Files every record still waiting at once.
    void concluir();
    bool pendente() const { return !FFila.empty(); }
    // Calls fim once, when every record given so far has been filed and shown: at once when
    // none waits, else after the last slice (the end of a run, without a stall).
    void quandoArquivado(std::function<void()> fim);

private:
    // A database's records still to file: its name and the values, or its failure.
    struct TTrabalho
    {
        QString nome;
        QString erro;
        std::vector<QString> valores;
        std::size_t proximo = 0;
    };
    // Files up to limite records (all when negative) and shows them.
    void arquivar(qint64 limite);

    TZamListView &FLista;
    int FRegistrosPorFatia;
    // Made at the first answer and kept for the run: the list's groups are known once.
    std::unique_ptr<TGruposResultado> FGrupos;
    std::deque<TTrabalho> FFila;
    QTimer FProximaFatia;
    std::function<void()> FQuandoArquivado;
};
