#pragma once

#include "catalog/uTZamDadosList.h"

#include <QString>
#include <optional>
#include <vector>

class QObject;

// What the batch jobs need of the window that shows the catalogue. Every call runs on the
// user-interface thread. Rows are named by their records: a job finds a row again through
// its record at every step, and a row that is gone just drops what was meant for it.
class IJanelaTarefas
{
public:
    virtual ~IJanelaTarefas() = default;

    // The window, as the parent the jobs live under: a job goes when its window goes.
    virtual QObject *janela() = 0;
    // The records of the rows shown, in row order, and how many there are.
    virtual std::vector<TZamDadosItemPtr> registrosDaLista() const = 0;
    virtual int totalDeLinhas() const = 0;

    // Appends a right-aligned column as wide as the one to its left; returns its index.
    virtual int adicionarColuna(const QString &titulo) = 0;
    // A job's cell of a record: kept with the record, so that it shows again after the list
    // is refilled, and shown at once in the record's row when there is one.
    virtual void definirCelula(const TZamDadosItemPtr &registro, int coluna,
                               const QString &texto) = 0;
    // Nothing when the job has not written the record's cell yet.
    virtual std::optional<QString> celula(const TZamDadosItemPtr &registro, int coluna) const = 0;

    // A drag in progress would otherwise hold the mouse while a row changes under it.
    virtual void soltarMouse() = 0;

    virtual void habilitarControles(bool enabled) = 0;
    // How far a job has got ("Qtd. Trabalhadores: 3 de 40 bases, 1 falhas"); empty at its end.
    virtual void mostrarProgresso(const QString &texto) = 0;
    // The click on "Atualizar": the catalogue read again from the disk.
    virtual void atualizar() = 0;
    // After a database folder was renamed: the row shows the new name at once, and the
    // catalogue keeps the database's port under it.
    virtual void pastaRenomeada(const TZamDadosItemPtr &registro, const QString &sufixo,
                                const std::optional<QString> &nomeNovo) = 0;
};
