#pragma once

#include "catalog/uTZamDadosList.h"

#include <QDialog>
#include <QString>
#include <vector>

class QComboBox;
class QFrame;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class TZamListView;

// "Executar SQL em Todas as Bases": one SQL text run in every database given by setPaths at
// once, one worker per database, the answers shown in one list, grouped by database or by
// result value. Shown modally by the main window:
//
//     TForm2 janela(this);
//     janela.setPaths(registros);
//     janela.exec();
//
// "Executar" stays disabled while a run is under way and comes back when its last worker has
// ended. Closing the window during a run is allowed: the workers still running finish their
// database work, find the window gone, report nothing and end on their own.
class TForm2 : public QDialog
{
    Q_OBJECT

public:
    static inline const QString sqlInicial = QStringLiteral(
        "select distinct f.nome\n"
        "from trabalhador t\n"
        "inner join catfuncional f on f.empresa=t.empresa and f.codigo=t.catfuncional\n"
        "where t.empresa='001'\n"
        "  and t.situacao='1'");
    static constexpr int agruparPorBase = 0;
    static constexpr int agruparPorResultado = 1;

    explicit TForm2(QWidget *AOwner = nullptr);
    ~TForm2() override;

    // The databases to run in, in this order; the window keeps its own copy of the array.
    void setPaths(const std::vector<TZamDadosItemPtr> &paths);
    const std::vector<TZamDadosItemPtr> &paths() const { return FPaths; }

    // "Executar": clears the list (rows, columns and groups) and starts one worker per
    // database with the text now in the box; returns at once.
    void btnExecutarSqlClick();
    // A worker of the run has ended.
    void ExecucaoTerminada();

    // Workers of the current run that have not ended yet.
    static int ThreadsAtivas();

Q_SIGNALS:
    // The last worker of a run has ended and "Executar" is enabled again.
    void execucaoConcluida();

private:
    std::vector<TZamDadosItemPtr> FPaths;

    QPlainTextEdit *edtSQL = nullptr;
    QSplitter *Splitter1 = nullptr;
    QFrame *Panel1 = nullptr;
    QPushButton *btnExecutarSql = nullptr;
    QComboBox *cbAgrupamento = nullptr;
    TZamListView *ZamListView1 = nullptr;
};
