#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The SQL texts this user ran in the SQL window, newest first, kept in a file of the user's
// own (never beside the program, which many users may share) so that they outlive the
// window and the program. A file that cannot be read or written costs the history only: it
// is reported with qWarning and never stands in the way of a run.
//
// Besides the list it keeps the place of a walk through it (Ctrl+Up, Ctrl+Down in the
// window): anterior and seguinte step through the texts, and the text being edited when
// the walk began comes back at its end.
class THistoricoSql
{
public:
    static constexpr int maximo = 30;

    // historico-sql.json in pastaDoUsuario(); empty when the system gives no such folder.
    static QString arquivoPadrao();

    // Reads the file at once; an empty name keeps the history in memory only.
    explicit THistoricoSql(QString arquivo = arquivoPadrao());

    const QString &arquivo() const { return FArquivo; }
    // Newest first, at most maximo.
    const QStringList &textos() const { return FTextos; }

    // A text that was run: it becomes the newest unless it is the newest already; the
    // oldest beyond maximo are dropped, and the file is written again. What another window
    // wrote to the file meanwhile is read first and kept. A blank text is not kept. Ends the
    // walk.
    void registrar(const QString &texto);

    // One step back in time: the next older text, or nothing when there is none. The first
    // step keeps textoAtual, the text in the box, to be given back by seguinte at the end;
    // it passes over the newest text when that is what the box shows already.
    std::optional<QString> anterior(const QString &textoAtual);
    // One step forward: the next newer text, the text kept by the first step after the
    // newest, nothing when no walk is under way.
    std::optional<QString> seguinte();
    // Jumps to the text at position i (the drop-down), as many steps back would.
    std::optional<QString> escolher(int i, const QString &textoAtual);
    // Position of the walk in textos(), -1 when none is under way.
    int posicao() const { return FPosicao; }

private:
    // Nothing when the file cannot be read; empty when there is none.
    std::optional<QStringList> ler() const;
    bool gravar() const;

    QString FArquivo;
    QStringList FTextos;
    int FPosicao = -1;
    QString FRascunho;
    // Whether the file holds the list as this object last read or wrote it, so that what is
    // read there before a write loses nothing: while it cannot be written, the list lives on
    // in memory.
    bool FArquivoEmDia = false;
};
