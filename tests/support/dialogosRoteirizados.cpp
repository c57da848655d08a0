#include "support/dialogosRoteirizados.h"

#include <QTest>

namespace {

void falhar(const char *tipo, const QString &titulo, const QString &texto)
{
    const QString motivo = QStringLiteral("unexpected %1 \"%2\": \"%3\"").arg(tipo, titulo, texto);
    QTest::qFail(qPrintable(motivo), __FILE__, __LINE__);
}

// The next queued text answer, nothing for Cancel; a call with none queued fails the test.
std::optional<QString> proximaResposta(std::deque<std::optional<QString>> &fila, const char *tipo,
                                       const QString &titulo, const QString &texto)
{
    if (fila.empty()) {
        falhar(tipo, titulo, texto);
        return std::nullopt;
    }
    const bool cancelar = !fila.front();
    const QString resposta = fila.front().value_or(QString());
    fila.pop_front();
    if (cancelar)
        return std::nullopt;
    return resposta;
}

} // namespace

void TDialogosRoteirizados::mensagem(QWidget *pai, const QString &titulo, const QString &texto,
                                     TIconeDialogo icone)
{
    chamadas.push_back({TTipoDialogo::Mensagem, pai, titulo, texto, icone, {}, {}});
}

bool TDialogosRoteirizados::perguntar(QWidget *pai, const QString &titulo, const QString &texto)
{
    chamadas.push_back(
        {TTipoDialogo::Pergunta, pai, titulo, texto, TIconeDialogo::Pergunta, {}, {}});
    if (FPerguntas.empty()) {
        falhar("question", titulo, texto);
        return false;
    }
    const bool resposta = FPerguntas.front();
    FPerguntas.pop_front();
    return resposta;
}

std::optional<QString> TDialogosRoteirizados::pedirTexto(QWidget *pai, const QString &titulo,
                                                         const QString &prompt,
                                                         const QString &inicial)
{
    chamadas.push_back(
        {TTipoDialogo::Texto, pai, titulo, {}, TIconeDialogo::Nenhum, prompt, inicial});
    return proximaResposta(FTextos, "input dialog", titulo, prompt);
}

std::optional<QString> TDialogosRoteirizados::escolherArquivoParaGravar(QWidget *pai,
                                                                        const QString &titulo,
                                                                        const QString &sugerido,
                                                                        const QString &filtro)
{
    chamadas.push_back(
        {TTipoDialogo::Arquivo, pai, titulo, {}, TIconeDialogo::Nenhum, filtro, sugerido});
    return proximaResposta(FArquivos, "file dialog", titulo, filtro);
}

TInstaladorDialogos::TInstaladorDialogos(IDialogos &d)
    : FAnteriores(&dialogos())
{
    definirDialogos(&d);
}

TInstaladorDialogos::~TInstaladorDialogos()
{
    definirDialogos(FAnteriores);
}
