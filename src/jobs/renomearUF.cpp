#include "jobs/renomearUF.h"

#include "firebird/conexaoZam.h"
#include "platform/arquivos.h"
#include "platform/caminhos.h"
#include "platform/dialogos.h"
#include "platform/erros.h"
#include "platform/textoAsc.h"

#include <QFileInfo>

namespace {

const QString titulo = QStringLiteral("Renomear Pastas para UF");

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

TRenomearPastasParaUF::TRenomearPastasParaUF(IJanelaTarefas &janela)
    : TTrabalhador(janela.janela())
    , FJanela(janela)
{
}

void TRenomearPastasParaUF::setListItem(TZamDadosItemPtr registro)
{
    FRegistro = std::move(registro);
    ++FInstanceCount;
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
    const QString codigo = maiusculasAsc(uf);
    const QString fim = maiusculasAsc(nome.right(3));
    if (fim == u'_' + codigo || fim == u'-' + codigo)
        return std::nullopt;
    // What the database holds becomes part of a path: it must stay a plain name.
    if (!nomePastaValido(codigo) || !nomePastaValido(nome + u'-' + codigo))
        throw EZamErro(QStringLiteral("UF inválida na base %1: \"%2\". A pasta não foi renomeada")
                           .arg(nome, uf));
    return u'-' + codigo;
}

void TRenomearPastasParaUF::Execute()
{
    try {
        TConsultaZam consulta(FRegistro->GetstringConnection(), QStringLiteral("select first 1 uf from empresa"));
        consulta.Open();
        if (const std::optional<QString> novo =
                sufixoPara(FRegistro->Getnome(), consulta.campoTexto(0))) {
            sufixo = *novo;
            newPath = FRegistro->compartilhamento() + sufixo;
            // A server on Windows keeps an attached database's folder from being renamed.
            consulta.Release();
            naInterface([this]() { renomear(); });
        }
    } catch (...) {
        FException = std::current_exception();
        if (!ehAbortar(FException)) {
            try {
                mostrarErroNaInterface(mensagemDaExcecao(FException));
            } catch (...) {
                // The window is gone: nobody to tell.
            }
        }
    }
    // Every worker counts itself off exactly once, whatever happened above.
    --FInstanceCount;
}

void TRenomearPastasParaUF::renomear()
{
    const QString origem = FRegistro->compartilhamento();
    std::optional<QString> nomeNovo;
    try {
        renomearSemSobrescrever(origem, newPath);
        nomeNovo = FRegistro->Getnome() + sufixo;
    } catch (const EZamErro &) {
        // Once more under a name that is free; the refresh at the end shows what happened.
        try {
            const QString livre = nomeLivre(newPath);
            renomearSemSobrescrever(origem, livre);
            nomeNovo = livre.mid(origem.size() - FRegistro->Getnome().size());
        } catch (const EZamErro &) {
        }
    }
    FJanela.pastaRenomeada(FRegistro, sufixo, nomeNovo);
}

void iniciarRenomearPastasParaUF(IJanelaTarefas &janela)
{
    // Nothing would end the job and unlock the window if no worker started.
    const std::vector<TZamDadosItemPtr> registros = janela.registrosDaLista();
    if (registros.empty())
        throw EZamErro(QStringLiteral("Não há bases na lista para renomear"));
    if (!dialogos().perguntar(
            janela.janela(), titulo,
            QStringLiteral("Confirma Renomear todas as Pastas acrescentando UF da base de dados?")))
        return;
    janela.habilitarControles(false);
    for (const TZamDadosItemPtr &registro : registros) {
        auto *trabalhador = new TRenomearPastasParaUF(janela);
        trabalhador->setListItem(registro);
        trabalhador->aoTerminar([&janela]() {
            if (TRenomearPastasParaUF::getInstanceCount() > 0)
                return;
            // The window is unlocked also when the refresh fails.
            const auto desbloquear = qScopeGuard([&janela]() { janela.habilitarControles(true); });
            janela.atualizar();
        });
        trabalhador->start();
    }
}
