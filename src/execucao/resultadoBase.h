#pragma once

#include "catalog/uTZamDadosList.h"

#include <QLocale>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class TConsultaZam;

// What one database gave in a run: its fields and rows as text, or why it gave nothing.
struct TResultadoBase
{
    // The database's position in the list the run was given.
    int indice = -1;
    TZamDadosItemPtr registro;
    QString nome;
    QStringList campos;
    std::vector<QStringList> linhas;
    // Time from the start of its work to its end.
    qint64 ms = 0;
    // The failure's message; empty when the database answered.
    QString erro;
    // Stopped by a cancel (erro is then "Cancelado").
    bool cancelada = false;

    bool falhou() const { return !erro.isEmpty(); }
};

// The account of a whole run.
struct TResumoExecucao
{
    int bases = 0;
    // Databases that answered with at least one row.
    int comResultado = 0;
    // Databases that failed, the cancelled ones included.
    int falhas = 0;
    int canceladas = 0;
    qint64 ms = 0;
    bool cancelada = false;

    // "m bases · k com resultado · f falhas · t s"
    QString texto() const;
};

// The text of the one box that reports a run's failures: "Falharam f de m bases:" and a line
// "nome: mensagem" per failure, the first ones only when there are very many.
QString textoDasFalhas(const std::vector<std::pair<QString, QString>> &falhas, int total);

// Where a run's outcomes go. Every call is made on the thread that started the run, from its
// event loop; none while a worker waits.
class ISaidaExecucao
{
public:
    virtual ~ISaidaExecucao() = default;
    // A database's work begins: nothing but indice, registro and nome is set.
    virtual void baseIniciada(const TResultadoBase &) {}
    // The databases that ended since the last call, in the order they ended. The outcomes
    // may be moved from.
    virtual void basesConcluidas(std::vector<TResultadoBase> &lote) = 0;
    // Every database has ended and been handed over.
    virtual void execucaoConcluida(const TResumoExecucao &resumo) = 0;
};

// What a worker reads from a database's open query into its outcome; runs on the worker's
// thread. A failure is thrown (EZamErro).
using TLeitorBase = std::function<void(TConsultaZam &consulta, TResultadoBase &resultado)>;

// Reads the field names and every row, each value as the user reads it in that locale (see
// textoDoCampo); with apenasPrimeiroCampo, only the first field of each row.
TLeitorBase lerComoTexto(const QLocale &local, bool apenasPrimeiroCampo = false);
