#include "support/dialogosRoteirizados.h"

#include <QTest>

namespace {

void falhar(const char *tipo, const QString &titulo, const QString &texto)
{
    const QString motivo = QStringLiteral("unexpected %1 \"%2\": \"%3\"").arg(tipo, titulo, texto);
    QTest::qFail(qPrintable(motivo), __FILE__, __LINE__);
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
    if (FTextos.empty()) {
        falhar("input dialog", titulo, prompt);
        return std::nullopt;
    }
    const bool cancelar = !FTextos.front();
    const QString texto = FTextos.front().value_or(QString());
    FTextos.pop_front();
    if (cancelar)
        return std::nullopt;
    return texto;
}

std::optional<QString> TDialogosRoteirizados::escolherArquivoParaGravar(QWidget *pai,
                                                                        const QString &titulo,
                                                                        const QString &sugerido,
                                                                        const QString &filtro)
{
    chamadas.push_back(
        {TTipoDialogo::Arquivo, pai, titulo, {}, TIconeDialogo::Nenhum, filtro, sugerido});
    if (FArquivos.empty()) {
        falhar("file dialog", titulo, filtro);
        return std::nullopt;
    }
    const bool cancelar = !FArquivos.front();
    const QString arquivo = FArquivos.front().value_or(QString());
    FArquivos.pop_front();
    if (cancelar)
        return std::nullopt;
    return arquivo;
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
