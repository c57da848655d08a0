#include "jobs/renomearUF.h"

#include "firebird/conexaoZam.h"
#include "platform/arquivos.h"
#include "platform/caminhos.h"
#include "platform/erros.h"
#include "platform/textoAsc.h"

#include <QFileInfo>
#include <QScopeGuard>

namespace {

// The first name not taken: the wanted one, then "<name> (2)", "<name> (3)", ...
QString nomeLivre(const QString &desejado)
{
    for (int n = 2;; ++n) {
        const QString candidato = QStringLiteral("%1 (%2)").arg(desejado).arg(n);
        if (!QFileInfo::exists(caminhoLocal(candidato)))
            return candidato;
    }
}

} // namespace

TRenomearPastasParaUF::TRenomearPastasParaUF(IJanelaTarefas &janela, IRelatoTarefas &relato)
    : QObject(janela.janela())
    , FJanela(janela)
    , FRelato(relato)
    , FMotor(*this)
{
    connect(&FPendentes, &TContadorLote::loteConcluido, this, &TRenomearPastasParaUF::concluir);
}

void TRenomearPastasParaUF::iniciar(const std::vector<TZamDadosItemPtr> &registros)
{
    FMotor.iniciar(registros, QStringLiteral("select first 1 uf from empresa"),
                   [](TConsultaZam &consulta, TResultadoBase &resultado) {
                       if (const std::optional<QString> sufixo =
                               sufixoPara(resultado.nome, consulta.campoTexto(0)))
                           resultado.linhas.push_back({*sufixo});
                   });
    FPendentes.iniciar(int(registros.size()));
}

std::optional<QString> TRenomearPastasParaUF::sufixoPara(const QString &nome, const QString &ufLida)
{
    // The column is CHAR: the server pads the code with blanks to the column's length, and
    // an empty code arrives as blanks only. The padding is not part of the code.
    QString uf = ufLida;
    while (uf.endsWith(u' '))
        uf.chop(1);
    if (uf.isEmpty())
        return std::nullopt;
    const QString codigo = maiusculasAZ(uf);
    const QString fim = maiusculasAZ(nome.right(3));
    if (fim == u'_' + codigo || fim == u'-' + codigo)
        return std::nullopt;
    // What the database holds becomes part of a path: it must stay a plain name.
    if (!nomePastaValido(codigo) || !nomePastaValido(nome + u'-' + codigo))
        throw EZamErro(QStringLiteral("UF inválida na base %1: \"%2\". A pasta não foi renomeada")
                           .arg(nome, uf));
    return u'-' + codigo;
}

void TRenomearPastasParaUF::basesConcluidas(std::vector<TResultadoBase> &lote)
{
    for (const TResultadoBase &resultado : lote) {
        if (resultado.falhou())
            FFalhas.emplace_back(resultado.nome, resultado.erro);
        else if (!resultado.linhas.empty())
            renomear(resultado.registro, resultado.linhas.front().value(0));
    }
    FJanela.mostrarProgresso(QStringLiteral("%1: %2 de %3 bases, %4 falhas")
                                 .arg(titulo)
                                 .arg(FMotor.concluidas())
                                 .arg(FMotor.total())
                                 .arg(FMotor.falhas()));
    FPendentes.terminaram(int(lote.size()));
}

void TRenomearPastasParaUF::concluir()
{
    FJanela.mostrarProgresso(QString());
    // The window is unlocked also when the report or the refresh fails.
    const auto desbloquear = qScopeGuard([this]() {
        FJanela.habilitarControles(true);
        deleteLater();
    });
    // Called by the counter's signal, which nothing thrown may cross.
    try {
        if (!FFalhas.empty())
            FRelato.tarefaFalhou(textoDasFalhas(FFalhas, FMotor.total()));
        FJanela.atualizar();
    } catch (...) {
        qWarning("the rename job could not end cleanly: %s",
                 qPrintable(mensagemDaExcecao(std::current_exception())));
    }
}

void TRenomearPastasParaUF::renomear(const TZamDadosItemPtr &registro, const QString &sufixo)
{
    const QString origem = registro->compartilhamento();
    const QString newPath = origem + sufixo;
    std::optional<QString> nomeNovo;
    try {
        renomearSemSobrescrever(origem, newPath);
        nomeNovo = registro->Getnome() + sufixo;
    } catch (const EZamErro &) {
        // Once more under a name that is free; the refresh at the end shows what happened.
        try {
            const QString livre = nomeLivre(newPath);
            renomearSemSobrescrever(origem, livre);
            nomeNovo = livre.mid(origem.size() - registro->Getnome().size());
        } catch (const EZamErro &) {
        }
    }
    FJanela.pastaRenomeada(registro, sufixo, nomeNovo);
}

void TRenomearPastasParaUF::exigirBases(const std::vector<TZamDadosItemPtr> &registros)
{
    if (registros.empty())
        throw EZamErro(QStringLiteral("Não há bases na lista para renomear"));
}

void iniciarRenomearPastasParaUF(IJanelaTarefas &janela, IRelatoTarefas &relato,
                                 const std::vector<TZamDadosItemPtr> &registros)
{
    TRenomearPastasParaUF::exigirBases(registros);
    janela.habilitarControles(false);
    auto *trabalho = new TRenomearPastasParaUF(janela, relato);
    try {
        trabalho->iniciar(registros);
    } catch (...) {
        delete trabalho;
        janela.habilitarControles(true);
        throw;
    }
}
