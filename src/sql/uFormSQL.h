#pragma once

#include "catalog/uTZamDadosList.h"
#include "execucao/contadorLote.h"
#include "execucao/motorExecucao.h"
#include "sql/historicoSql.h"

#include <QDialog>
#include <QString>
#include <QTimer>
#include <memory>
#include <vector>

class QComboBox;
class QFrame;
class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QToolButton;
class TExecutaSqlsPorBase;
class TExecutaSqlsPorResultado;
class TZamListView;

// "Executar SQL em Todas as Bases": one SQL text run in every database given by setPaths,
// on the engine's bounded pool, the answers shown in one list as they come, grouped by
// database or by result value. Shown modally by the main window:
//
//     TForm2 janela(this);
//     janela.setPaths(registros);
//     janela.exec();
//
// "Executar" stays disabled while a run is under way; "Cancelar" (or Esc) stops the run, and
// so does closing the window. The bar shows "n de m bases", the failures and the time while
// it runs, and the run's summary at its end. In by-database mode one box at the end lists
// the databases that failed, each with its message.
//
// The window opens with the last text this user ran (the sample text the first time);
// Ctrl+Up and Ctrl+Down in the SQL box, or the "Histórico" drop-down, bring back the
// earlier ones. Ctrl+C on the list, or "Copiar" in its context menu, copies the selected
// rows as tab-separated text, led by the database (or the value) of each.
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

    // "Executar": clears the list (rows, columns and groups) and starts the run with the
    // text now in the box; returns at once. A text that may not run is refused with nothing
    // run anywhere.
    void btnExecutarSqlClick();
    // "Cancelar": see TMotorExecucao::cancelar.
    void btnCancelarClick();
    // "Exportar…": the results on screen, in the grouping of their run, as a CSV file for a
    // spreadsheet (UTF-8 with its mark, ";", CR LF), the columns of zamdados-sql's csv.
    void btnExportarClick();
    // "Repetir nas que falharam": the last text again, in the databases that failed or were
    // cancelled only; the other results stay.
    void btnRepetirClick();
    // "Copiar" (Ctrl+C on the list): the selected rows, or every row when the current item is
    // a group header, to the clipboard as tab-separated text with a header line: "base" and the
    // result's fields by database, "valor" and "base" by result.
    void mnCopiarLinhasClick();
    // The text of the copy, without touching the clipboard.
    QString textoParaCopiar() const;
    bool emExecucao() const { return FMotor.emExecucao(); }
    const THistoricoSql &historico() const { return FHistorico; }

    // Databases of the current run not handed to the list yet.
    static int ThreadsAtivas();

Q_SIGNALS:
    // The last worker of a run has ended and "Executar" is enabled again.
    void execucaoConcluida();

protected:
    void keyPressEvent(QKeyEvent *evento) override;
    bool eventFilter(QObject *objeto, QEvent *evento) override;
    void done(int resultado) override;

private:
    // The window's side of the engine's sink.
    class TSaida;
    void aoIniciarBase(const TResultadoBase &resultado);
    void aoConcluirBases(std::vector<TResultadoBase> &lote);
    void aoConcluirExecucao(const TResumoExecucao &resumo);
    void encerrarExecucao(const TResumoExecucao &resumo);
    void mostrarProgresso();
    void iniciarExecucao(const std::vector<TZamDadosItemPtr> &bases);
    void habilitarBotoes();
    void mostrarFalhas();
    // Empties the list and makes the presenter of the grouping in force.
    void recomecarLista();
    void preencherMenuHistorico();
    // FResultados with their rows: grouped by database the list holds them.
    std::vector<TResultadoBase> resultadosComLinhas() const;
    void mostrarDoHistorico(const std::optional<QString> &texto);

    std::vector<TZamDadosItemPtr> FPaths;
    std::unique_ptr<TSaida> FSaida;
    TMotorExecucao FMotor;
    // The databases of the windows' runs not handed to their lists yet (user-interface thread).
    static inline int FThreadsAtivas = 0;
    TContadorLote FAtivas{&FThreadsAtivas};
    std::unique_ptr<TExecutaSqlsPorBase> FPorBase;
    std::unique_ptr<TExecutaSqlsPorResultado> FPorResultado;
    // Every outcome of the results on screen, indexed as in FPaths; grouped by database,
    // without their rows, which the list keeps.
    std::vector<TResultadoBase> FResultados;
    QString FSqlExecutado;
    bool FPorBaseExecutado = false;
    // During a repetition: the position in FPaths of each database of the run.
    std::vector<int> FIndicesOriginais;
    QTimer FRelogioProgresso;
    THistoricoSql FHistorico;

    QPlainTextEdit *edtSQL = nullptr;
    QSplitter *Splitter1 = nullptr;
    QFrame *Panel1 = nullptr;
    QPushButton *btnExecutarSql = nullptr;
    QPushButton *btnCancelar = nullptr;
    QPushButton *btnExportar = nullptr;
    QPushButton *btnRepetir = nullptr;
    QToolButton *btnHistorico = nullptr;
    QMenu *mnHistorico = nullptr;
    QAction *mnCopiarLinhas = nullptr;
    QLabel *lblProgresso = nullptr;
    // The summary of the last run, under the list.
    QLabel *lblResumo = nullptr;
    QComboBox *cbAgrupamento = nullptr;
    TZamListView *ZamListView1 = nullptr;
};
