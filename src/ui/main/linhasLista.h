#pragma once

#include "catalog/uTZamDadosList.h"
#include "controls/dadosLista.h"

#include <QMap>
#include <QString>
#include <map>
#include <optional>
#include <vector>

// The rows of the main window's list: the catalogue's records in name order, each made into
// a row (name; port, date and size in the user's locale) with the cells the batch jobs wrote
// for its record. The cells stay with the record, so that a refill shows them again. The
// rows are made here and shown by the window.
class TLinhasLista
{
public:
    // The records of a new or refreshed catalogue, sorted by name once for every refill.
    void ordenar(std::vector<TZamDadosItemPtr> registros);
    const std::vector<TZamDadosItemPtr> &registrosOrdenados() const { return FRegistrosOrdenados; }
    // The sorted records whose name holds filtro in any case; every one for no filter.
    std::vector<TZamDadosItemPtr> filtrados(const QString &filtro) const;

    // The rows of the records, in their order.
    std::vector<TZamListItem> linhas(const std::vector<TZamDadosItemPtr> &registros) const;
    // The record's row made again over linha: the three cells of the catalogue and the
    // jobs' cells set, the row's other texts kept.
    TZamListItem linha(const TZamDadosItemPtr &registro, TZamListItem linha) const;
    // The size of the whole catalogue, "1,00 GB", each database counted to the kilobyte.
    QString tamanhoTotal() const;

    // A job's cell of a record, in column coluna (1 for the first sub-item).
    void definirCelula(const TZamDadosItemPtr &registro, int coluna, const QString &texto);
    // Nothing when the job has not written the record's cell yet.
    std::optional<QString> celula(const TZamDadosItemPtr &registro, int coluna) const;
    // The cells belong to the records of one catalogue: gone when another is loaded.
    void esquecerCelulas() { FCelulasDasTarefas.clear(); }

private:
    const QMap<int, QString> *celulasDe(const TZamDadosItemPtr &registro) const;

    std::vector<TZamDadosItemPtr> FRegistrosOrdenados;
    // The cells the batch jobs wrote, by record and column.
    std::map<TZamDadosItemPtr, QMap<int, QString>> FCelulasDasTarefas;
};
