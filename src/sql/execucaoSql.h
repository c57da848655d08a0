#pragma once

#include "controls/uTZamListView.h"
#include "execucao/resultadoBase.h"

#include <QHash>
#include <QLoggingCategory>
#include <QString>
#include <QStringList>
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
class TExecutaSqlsPorBase
{
public:
    explicit TExecutaSqlsPorBase(TZamListView &lista);

    void baseIniciada(const TResultadoBase &resultado);
    void adicionar(std::vector<TResultadoBase> &lote);

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
class TExecutaSqlsPorResultado
{
public:
    explicit TExecutaSqlsPorResultado(TZamListView &lista);

    ~TExecutaSqlsPorResultado();

    void adicionar(std::vector<TResultadoBase> &lote);

private:
    TZamListView &FLista;
    // Made at the first answer and kept for the run: the list's groups are known once.
    std::unique_ptr<TGruposResultado> FGrupos;
};
