#include "firebird/somenteLeitura.h"

#include "platform/erros.h"

#include <QRegularExpression>
#include <firebird/Interface.h>

namespace {

const QString prefixoRecusa = QStringLiteral("O texto não foi executado em nenhuma base: ");

[[noreturn]] void recusar(const QString &motivo)
{
    throw EZamErro(prefixoRecusa + motivo);
}

bool ehLetraDeNome(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

// The text with the same length and line breaks, where comments became blanks and the
// contents of string literals and quoted names became 'x': what is left is the statement's
// own words, at the same positions as in the text.
QString mascararLiterais(const QString &sql)
{
    QString codigo = sql;
    const qsizetype n = sql.size();
    const auto mascarar = [&codigo](qsizetype de, qsizetype ate, QChar por) {
        for (qsizetype i = de; i < ate; ++i) {
            if (codigo[i] != u'\n' && codigo[i] != u'\r')
                codigo[i] = por;
        }
    };
    qsizetype i = 0;
    while (i < n) {
        const QChar c = sql[i];
        const QChar proximo = i + 1 < n ? sql[i + 1] : QChar();
        if (c == u'-' && proximo == u'-') {
            qsizetype fim = sql.indexOf(u'\n', i);
            fim = fim < 0 ? n : fim;
            mascarar(i, fim, u' ');
            i = fim;
        } else if (c == u'/' && proximo == u'*') {
            qsizetype fim = sql.indexOf(QStringLiteral("*/"), i + 2);
            fim = fim < 0 ? n : fim + 2;
            mascarar(i, fim, u' ');
            i = fim;
        } else if ((c == u'q' || c == u'Q') && proximo == u'\'' && i + 2 < n &&
                   (i == 0 || !ehLetraDeNome(sql[i - 1]))) {
            // q'<...>': the literal ends at the closing delimiter followed by a quote.
            QChar fecha = sql[i + 2];
            if (fecha == u'(')
                fecha = u')';
            else if (fecha == u'[')
                fecha = u']';
            else if (fecha == u'{')
                fecha = u'}';
            else if (fecha == u'<')
                fecha = u'>';
            qsizetype fim = sql.indexOf(QString(fecha) + u'\'', i + 3);
            fim = fim < 0 ? n : fim + 2;
            mascarar(i + 2, fim - 1, u'x');
            i = fim;
        } else if (c == u'\'' || c == u'"') {
            // A doubled delimiter stands for itself inside the literal.
            qsizetype j = i + 1;
            while (j < n) {
                if (sql[j] == c) {
                    if (j + 1 < n && sql[j + 1] == c) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            mascarar(i + 1, j, u'x');
            i = j + 1;
        } else {
            ++i;
        }
    }
    return codigo;
}

// The arguments of the call whose opening parenthesis is at abre, split at the commas of
// its own level; empty when the parenthesis is not closed.
QStringList argumentosDaChamada(const QString &codigo, qsizetype abre)
{
    QStringList argumentos;
    int nivel = 0;
    qsizetype inicio = abre + 1;
    for (qsizetype i = abre; i < codigo.size(); ++i) {
        const QChar c = codigo[i];
        if (c == u'(') {
            ++nivel;
        } else if (c == u')') {
            if (--nivel == 0) {
                argumentos << codigo.mid(inicio, i - inicio).trimmed();
                return argumentos;
            }
        } else if (c == u',' && nivel == 1) {
            argumentos << codigo.mid(inicio, i - inicio).trimmed();
            inicio = i + 1;
        }
    }
    return {};
}

void verificarGenId(const QString &codigo)
{
    static const QRegularExpression genId(QStringLiteral("(?<![A-Z0-9_$])GEN_ID\\s*\\("),
                                          QRegularExpression::CaseInsensitiveOption);
    for (auto achados = genId.globalMatch(codigo); achados.hasNext();) {
        const QRegularExpressionMatch achado = achados.next();
        const QStringList argumentos = argumentosDaChamada(codigo, achado.capturedEnd() - 1);
        if (argumentos.size() != 2 || argumentos.at(1) != u"0")
            recusar(QStringLiteral("GEN_ID com passo diferente de 0 altera o gerador. Para só "
                                   "ler o valor, use GEN_ID(gerador, 0)."));
    }
}

} // namespace

QString textoSomenteLeitura(const QString &sql)
{
    const QString codigo = mascararLiterais(sql);

    static const QRegularExpression proximoValor(
        QStringLiteral("(?<![A-Z0-9_$])NEXT\\s+VALUE\\s+FOR(?![A-Z0-9_$])"),
        QRegularExpression::CaseInsensitiveOption);
    if (proximoValor.match(codigo).hasMatch())
        recusar(QStringLiteral("NEXT VALUE FOR avança o gerador em cada base. Para só ler o "
                               "valor, use GEN_ID(gerador, 0)."));
    verificarGenId(codigo);
    static const QRegularExpression bloco(
        QStringLiteral("(?<![A-Z0-9_$])EXECUTE\\s+BLOCK(?![A-Z0-9_$])"),
        QRegularExpression::CaseInsensitiveOption);
    if (bloco.match(codigo).hasMatch())
        recusar(QStringLiteral("EXECUTE BLOCK pode alterar dados. Só consultas (SELECT) são "
                               "permitidas."));
    static const QRegularExpression bloqueio(
        QStringLiteral("(?<![A-Z0-9_$])WITH\\s+LOCK(?![A-Z0-9_$])"),
        QRegularExpression::CaseInsensitiveOption);
    if (bloqueio.match(codigo).hasMatch())
        recusar(QStringLiteral("WITH LOCK bloqueia registros em uso por outras sessões. Só "
                               "consultas que apenas leem são permitidas."));

    // One trailing semicolon (or several) is how many people end a statement.
    qsizetype fim = codigo.size();
    while (fim > 0 && (codigo[fim - 1].isSpace() || codigo[fim - 1] == u';'))
        --fim;
    if (codigo.left(fim).contains(u';'))
        recusar(QStringLiteral("ele tem mais de um comando. Execute uma consulta por vez."));

    return sql.left(fim);
}

QString mensagemComandoRecusado(unsigned tipo)
{
    QString comando;
    switch (tipo) {
    case isc_info_sql_stmt_select:
        return QString();
    case isc_info_sql_stmt_select_for_upd:
        comando = QStringLiteral("SELECT que bloqueia registros (WITH LOCK ou FOR UPDATE)");
        break;
    case isc_info_sql_stmt_insert:
        comando = QStringLiteral("INSERT");
        break;
    case isc_info_sql_stmt_update:
        comando = QStringLiteral("UPDATE");
        break;
    case isc_info_sql_stmt_delete:
        comando = QStringLiteral("DELETE");
        break;
    case isc_info_sql_stmt_ddl:
        comando = QStringLiteral("comando de definição de dados (DDL)");
        break;
    case isc_info_sql_stmt_exec_procedure:
        comando = QStringLiteral("EXECUTE PROCEDURE");
        break;
    case isc_info_sql_stmt_start_trans:
    case isc_info_sql_stmt_commit:
    case isc_info_sql_stmt_rollback:
    case isc_info_sql_stmt_savepoint:
        comando = QStringLiteral("controle de transação");
        break;
    case isc_info_sql_stmt_set_generator:
        comando = QStringLiteral("SET GENERATOR");
        break;
    default:
        comando = QStringLiteral("comando que não é consulta");
        break;
    }
    return QStringLiteral("Só consultas (SELECT) podem ser executadas; o servidor classificou "
                          "o texto como %1.")
        .arg(comando);
}
