#include "execucao/resultadoBase.h"

#include "execucao/textoCampo.h"
#include "firebird/conexaoZam.h"

QString TResumoExecucao::texto() const
{
    return QStringLiteral("%1 bases · %2 com resultado · %3 falhas · %4 s")
        .arg(bases)
        .arg(comResultado)
        .arg(falhas)
        .arg(QLocale().toString(double(ms) / 1000.0, 'f', 1));
}

QString textoDasFalhas(const std::vector<std::pair<QString, QString>> &falhas, int total)
{
    constexpr std::size_t listadas = 30;
    QStringList linhas;
    linhas << QStringLiteral("Falharam %1 de %2 bases:").arg(falhas.size()).arg(total) << QString();
    for (std::size_t i = 0; i < falhas.size() && i < listadas; ++i) {
        QString mensagem = falhas[i].second;
        mensagem.replace(u'\n', u' ');
        linhas << falhas[i].first + QStringLiteral(": ") + mensagem;
    }
    if (falhas.size() > listadas)
        linhas << QStringLiteral("… e mais %1.").arg(falhas.size() - listadas);
    return linhas.join(u'\n');
}

TLeitorBase lerComoTexto(const QLocale &local, bool apenasPrimeiroCampo)
{
    return [local, apenasPrimeiroCampo](TConsultaZam &consulta, TResultadoBase &resultado) {
        const int colunas =
            apenasPrimeiroCampo ? std::min(1, consulta.FieldCount()) : consulta.FieldCount();
        for (int i = 0; i < consulta.FieldCount(); ++i)
            resultado.campos << consulta.FieldName(i);
        if (colunas == 0)
            return;
        for (; !consulta.Eof(); consulta.Next()) {
            QStringList linha;
            linha.reserve(colunas);
            for (int i = 0; i < colunas; ++i)
                linha << textoDoCampo(consulta.campo(i), consulta.campoTexto(i), local);
            resultado.linhas.push_back(std::move(linha));
        }
    };
}
