#include "sql/execucaoSql.h"

#include "jobs/conexaoZam.h"
#include "platform/erros.h"
#include "sql/gruposResultado.h"
#include "sql/textoCampo.h"

#include <utility>

Q_LOGGING_CATEGORY(lcExecucaoSql, "zamdados.sql", QtInfoMsg)

// ---------------------------------------------------------------------------------------------
// TExecutaSqlsPorBaseThread

TExecutaSqlsPorBaseThread::TExecutaSqlsPorBaseThread(QWidget *janela)
    : TTrabalhador(janela)
{
}

void TExecutaSqlsPorBaseThread::setListView(TZamListView *value)
{
    FListView = value;
}

void TExecutaSqlsPorBaseThread::setPath(const TZamDadosItemPtr &path)
{
    // The record belongs to the main window's catalogue and may change on its thread: the
    // worker reads it here, on that thread, and never again.
    FZamDadosItem = path;
    FNome = path->Getnome();
    FStringConnection = path->GetstringConnection();
}

void TExecutaSqlsPorBaseThread::setSql(const QString &sql)
{
    FSql = sql;
}

std::vector<int> TExecutaSqlsPorBaseThread::largurasColunas(int W, int n)
{
    if (n <= 0)
        return {};
    // round(W / n), a half going to the even neighbour.
    int largura = W / n;
    const int dobroResto = 2 * (W % n);
    if (dobroResto > n || (dobroResto == n && largura % 2 != 0))
        ++largura;
    std::vector<int> larguras(std::size_t(n), largura - 2);
    larguras.back() -= n >= 2 ? 17 : 20;
    return larguras;
}

void TExecutaSqlsPorBaseThread::CriarColunas(TZamListView &lista, const QStringList &campos)
{
    const std::vector<int> larguras = largurasColunas(lista.width(), int(campos.size()));
    for (int i = 0; i < int(campos.size()); ++i) {
        TZamListColumn coluna;
        coluna.Caption = campos.at(i);
        coluna.Width = larguras[std::size_t(i)];
        lista.addColumn(coluna);
    }
}

TZamListView &TExecutaSqlsPorBaseThread::lista() const
{
    if (!FListView)
        throw EZamAbortar();
    return *FListView;
}

QString TExecutaSqlsPorBaseThread::textoDoValor(const TConsultaZam &consulta, int i) const
{
    return textoDoCampo(consulta.campo(i), consulta.campoTexto(i), FLocal);
}

void TExecutaSqlsPorBaseThread::Execute()
{
    int registros = 0;
    try {
        TConsultaZam consulta(FStringConnection, FSql);
        // The group comes before the answer: groups stand in the order the workers got here.
        naInterface([this]() { FGrupo = lista().addGroup({-1, FNome, {}, {}, false, false}); });

        // Connecting, running and reading, and turning the values into text, all here; the
        // user-interface thread only takes the finished rows.
        consulta.Open();
        QStringList campos;
        for (int i = 0; i < consulta.FieldCount(); ++i)
            campos << consulta.FieldName(i);
        std::vector<TZamListItem> linhas;
        for (; !consulta.Eof() && !campos.isEmpty(); consulta.Next()) {
            TZamListItem linha;
            linha.GroupID = FGrupo;
            linha.Caption = textoDoValor(consulta, 0);
            for (int i = 1; i < int(campos.size()); ++i)
                linha.SubItems << textoDoValor(consulta, i);
            linhas.push_back(std::move(linha));
        }
        consulta.Release();

        naInterface([&]() {
            TZamListView &l = lista();
            if (l.columnCount() == 0)
                CriarColunas(l, campos);
            const int n = int(linhas.size());
            l.addItems(std::move(linhas));
            registros = n;
        });
    } catch (const EZamAbortar &) {
        throw;
    } catch (...) {
        registros = 0;
        FException = std::current_exception();
        const QString mensagem = mensagemDaExcecao(FException);
        mostrarErroNaInterface(mensagem);
        FException = nullptr;
    }

    naInterface([&]() {
        TZamListView &l = lista();
        if (TZamListGroup *grupo = l.groupById(FGrupo)) {
            grupo->Collapsible = true;
            grupo->Collapsed = false;
            grupo->Subtitle = QStringLiteral("Count: ") + QString::number(registros);
            l.groupChanged(FGrupo);
        }
        l.repaint();
    });
}

// ---------------------------------------------------------------------------------------------
// TExecutaSqlsPorResultado

void TExecutaSqlsPorResultado::Execute()
{
    try {
        TConsultaZam consulta(FStringConnection, FSql);
        consulta.Open();
        QStringList valores;
        for (; !consulta.Eof() && consulta.FieldCount() > 0; consulta.Next())
            valores << textoDoValor(consulta, 0);
        consulta.Release();
        qCDebug(lcExecucaoSql).noquote() << FNome;
        naInterface([&]() { registrar(valores, false); });
    } catch (const EZamAbortar &) {
        throw;
    } catch (...) {
        const QString mensagem = mensagemDaExcecao(std::current_exception());
        naInterface([&]() { registrar({mensagem}, true); });
    }
}

void TExecutaSqlsPorResultado::registrar(const QStringList &valores, bool repintar)
{
    TZamListView &l = lista();
    // Also for a failure: with no column the list would show no row at all.
    if (l.columnCount() == 0) {
        TZamListColumn coluna;
        coluna.Width = l.width() - 25;
        l.addColumn(coluna);
    }
    TGruposResultado grupos(l);
    try {
        for (const QString &valor : valores)
            grupos.AdicionarBase(FNome, grupos.ObterGrupo(valor));
    } catch (...) {
        // What was filed before the failure stays.
        grupos.aplicar();
        throw;
    }
    // Moves show when the step is over: painting each one while the step holds the
    // user-interface thread would only slow it down.
    if (grupos.aplicar() || repintar)
        l.repaint();
}
