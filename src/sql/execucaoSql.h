#pragma once

#include "catalog/uTZamDadosList.h"
#include "controls/uTZamListView.h"
#include "jobs/trabalhador.h"

#include <QLocale>
#include <QLoggingCategory>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <vector>

class TConsultaZam;

// Developers' trace of the SQL window's workers: one line per database that answered.
// Off unless asked for (QT_LOGGING_RULES="zamdados.sql.debug=true").
Q_DECLARE_LOGGING_CATEGORY(lcExecucaoSql)

// Runs the SQL window's text in one database, on its own thread and attachment (read-only
// transaction), and shows the answer in the window's list as one group headed by the
// database's name, "Count: n" as its subtitle, the result's records as its rows. A failure
// shows the box "Erro" with its message and leaves the group empty.
//
// Made, set up and started by the window on the user-interface thread; frees itself when it
// ends. Its steps run on the user-interface thread while it waits, and not at all once the
// window is gone: the worker then ends without a word.
class TExecutaSqlsPorBaseThread : public TTrabalhador
{
    Q_OBJECT

public:
    // janela: the window whose list the worker reports into.
    explicit TExecutaSqlsPorBaseThread(QWidget *janela);

    void setListView(TZamListView *value);
    // Takes the database's name and connection string now.
    void setPath(const TZamDadosItemPtr &path);
    void setSql(const QString &sql);

    // One column per field, named after it, each round(W / n) - 2 pixels wide (halves to
    // the even neighbour), W the list's width; the last one 17 pixels narrower still, or 20
    // when it is the only one. Nothing for no fields.
    static void CriarColunas(TZamListView &lista, const QStringList &campos);
    // Width of each column for n fields in a list W pixels wide, the last one included.
    static std::vector<int> largurasColunas(int W, int n);

protected:
    void Execute() override;

    // The list, on the user-interface thread; the silent abort when it is gone.
    TZamListView &lista() const;
    // The text of field i of the current record, formatted for the user.
    QString textoDoValor(const TConsultaZam &consulta, int i) const;

    TZamDadosItemPtr FZamDadosItem;
    QString FNome;
    QString FStringConnection;
    QString FSql;
    QPointer<TZamListView> FListView;
    QLocale FLocal;

private:
    // The database's group, made before the query runs.
    int FGrupo = -1;
};

// Runs the SQL window's text in one database and files the database under the value of the
// first field of each record: one group per value (A to Z folded), its footer counting its
// rows, groups created collapsed and kept in order of falling count. A failure files the
// database under a group headed by the failure's message; no box is shown.
class TExecutaSqlsPorResultado : public TExecutaSqlsPorBaseThread
{
    Q_OBJECT

public:
    using TExecutaSqlsPorBaseThread::TExecutaSqlsPorBaseThread;

protected:
    void Execute() override;

private:
    // Files the database under each text, in one step on the user-interface thread.
    void registrar(const QStringList &valores, bool repintar);
};
