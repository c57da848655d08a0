#pragma once

#include <QList>
#include <QModelIndexList>
#include <QString>
#include <QStringList>
#include <vector>

class TZamListView;

// Rows as tab-separated text, for the clipboard: a header line, then one line per row, each
// ended by "\n" (the clipboard gives Windows programs their CR LF). Pasted into a
// spreadsheet the columns stay columns; pasted into a ticket the text stays readable. A tab
// or a line break inside a cell would start another column or row, so each run of them
// becomes one blank there; nothing else is changed. Rows shorter than the header get empty
// cells.
QString textoTabulado(const QStringList &cabecalho, const QList<QStringList> &linhas);

// The cells of a list row: its caption, then its sub-items, as many as the list has
// columns.
QStringList celulasDaLinha(const TZamListView &lista, int linha);

// The rows of a list in group view, each led by its group's header (the database, or the
// value), in the order the list shows them: group by group, the rows of each in list order.
// With the current item (the one last clicked or reached by the keyboard) on a group header,
// every row of every group: a header takes no selection of its own. Else the rows of
// selecionados; empty text when there is none. cabecalho names the group's column first, then
// the list's columns.
QString copiaAgrupada(const TZamListView &lista, const QStringList &cabecalho,
                      const QModelIndexList &selecionados, const QModelIndex &atual);

// The given rows of a list without groups, under the list's column captions.
QString copiaDasLinhas(const TZamListView &lista, const std::vector<int> &linhas);
