#pragma once

#include "execucao/resultadoBase.h"

#include <QHash>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <vector>

enum class TFormatoSaida {
    // Aligned text for a person.
    Tabela,
    // RFC 4180 with ';' as separator, UTF-8, a header line.
    Csv,
    // One JSON object per line.
    Jsonl
};

enum class TAgrupamentoSaida { Base, Resultado };

// Writes a run's outcomes as text. Grouped by database, csv is "base;<fields>;erro" (the
// fields of the first database that answered; erro empty for result rows and the message on
// the one row of a database that failed) and jsonl is one object per database as it
// answers ("base", "campos", "linhas", "ms", and "erro" when it failed). Grouped by result,
// csv is "valor;contagem;base", one line per row under each value, values in order of
// falling count (equal counts in the order they reached it, A to Z folded as in the window),
// and jsonl one object per value ("valor", "contagem", "bases"). Tabela and csv are written
// at the end; jsonl grouped by database as the databases answer.
class TGravadorResultados
{
public:
    TGravadorResultados(TFormatoSaida formato, TAgrupamentoSaida agrupamento, QIODevice &destino);

    void adicionar(std::vector<TResultadoBase> &lote);
    void concluir();

    // A field of a csv line: quoted when it holds the separator, a quote or a line break.
    static QString campoCsv(const QString &texto);

private:
    struct TGrupoValor
    {
        QString valor;
        QStringList bases;
        qint64 ordem = 0;
    };

    void escrever(const QString &texto);
    void jsonDaBase(const TResultadoBase &resultado);
    void concluirPorBase();
    void concluirPorResultado();
    std::vector<const TGrupoValor *> gruposEmOrdem() const;

    TFormatoSaida FFormato;
    TAgrupamentoSaida FAgrupamento;
    QIODevice &FDestino;
    std::vector<TResultadoBase> FResultados;
    std::vector<TGrupoValor> FGrupos;
    QHash<QString, std::size_t> FPorValor;
    qint64 FContador = 0;
};

// The databases an earlier run's output lists as failed (or cancelled): its jsonl (objects
// with "erro") or its csv grouped by database (rows with a non-empty last column "erro").
// Throws EZamErro for any other text, a csv grouped by result included (it does not tell a
// failure from a value).
QStringList basesQueFalharam(const QString &saidaAnterior);
