// The main window's commands on one database: a new database from a model, a copy to this
// computer, opening its folder, and changing its port.

#include "catalog/formatosCatalogo.h"
#include "controls/uTZamListView.h"
#include "platform/arquivos.h"
#include "platform/caminhos.h"
#include "platform/erros.h"
#include "ui/comum/copiaComProgresso.h"
#include "ui/comum/dialogos.h"
#include "ui/comum/gerenciadorArquivos.h"
#include "ui/main/uFormPrincipal.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>

namespace {

const QString pastaDados = QStringLiteral("ZAM_DADOS");
const QString arquivoBase = QStringLiteral("ZAM.FDB");
const QString arquivoSistema = QStringLiteral("SYSTEM.DAT");

bool existeArquivo(const QString &caminho)
{
    return QFileInfo(caminhoLocal(caminho)).isFile();
}

bool existePasta(const QString &caminho)
{
    return QFileInfo(caminhoLocal(caminho)).isDir();
}

// Whether two path texts name the same folder of this computer.
bool mesmaPasta(const QString &a, const QString &b)
{
    if (a == b)
        return true;
    const QString canonicaA = QFileInfo(caminhoLocal(a)).canonicalFilePath();
    return !canonicaA.isEmpty() && canonicaA == QFileInfo(caminhoLocal(b)).canonicalFilePath();
}

// Copies unless the target is there; a copy that fails is passed over.
void copiarSeExistir(const QString &origem, const QString &destino)
{
    if (!existeArquivo(origem))
        return;
    try {
        copiarSemSobrescrever(origem, destino);
    } catch (const EZamErro &) {
    }
}

} // namespace

QString TForm1::pastaDaBase(const QString &nome) const
{
    return juntarCaminho(juntarCaminho(ComboBox1->currentText(), pastaDados), nome);
}

int TForm1::garantirSelecao()
{
    if (ZamListView1->selectedIndex() < 0 && ZamListView1->count() > 0)
        ZamListView1->setSelectedIndex(0);
    const int linha = ZamListView1->selectedIndex();
    if (linha < 0)
        throw EZamErro(QStringLiteral("Selecione um item"));
    return linha;
}

int TForm1::linhaPeloNome(const QString &nome) const
{
    for (int i = 0; i < ZamListView1->count(); ++i) {
        if (ZamListView1->item(i).Caption.compare(nome, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void TForm1::Button3Click()
{
    const QString nome = ZamListView1->item(garantirSelecao()).Caption;
    if (!dialogos().perguntar(this, QStringLiteral("Nova Base"),
                              QStringLiteral("Copiar %1?").arg(nome)))
        return;
    const std::optional<QString> resposta =
        dialogos().pedirTexto(this, QStringLiteral("Nova Base"), QStringLiteral("Nome"), QString());
    if (!resposta)
        return;
    // The name becomes a folder beside the customers' databases: nothing may land elsewhere.
    const QString novo = *resposta;
    if (!nomePastaValido(novo))
        throw EZamErro(QStringLiteral("Nome inválido para uma nova base: \"%1\". Use um nome de "
                                      "pasta sem barras, \"..\", dois-pontos ou caracteres "
                                      "especiais")
                           .arg(novo));

    const QString pastaNova = pastaDaBase(novo);
    QDir().mkdir(caminhoLocal(pastaNova));
    const QString pastaModelo = pastaDaBase(nome);
    copiarSeExistir(juntarCaminho(pastaModelo, arquivoBase), juntarCaminho(pastaNova, arquivoBase));
    copiarSeExistir(juntarCaminho(pastaModelo, arquivoSistema),
                    juntarCaminho(pastaNova, arquivoSistema));

    btnAtualizarClick();
    ZamListView1->setFocusedIndex(linhaPeloNome(novo));
}

void TForm1::Button5Click()
{
    garantirSelecao();
    if (!dialogos().perguntar(this, QStringLiteral("Copiar Base"),
                              QStringLiteral("Copiar base selecionada para seu computador?")))
        return;
    const QString nome = ZamListView1->item(ZamListView1->selectedIndex()).Caption;
    const QString origem = juntarCaminho(pastaDaBase(nome), arquivoBase);
    if (!existeArquivo(origem))
        throw EZamErro(QStringLiteral("Arquivo não encontrado: \"%1\"").arg(origem));

    const QString pasta = juntarCaminho(juntarCaminho(FPastaPrograma, pastaDados), nome);
    if (!existePasta(pasta))
        QDir().mkpath(caminhoLocal(pasta));

    const QString destino = juntarCaminho(pasta, arquivoBase);
    QString anterior;
    if (existeArquivo(destino)) {
        anterior = juntarCaminho(
            pasta, QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmss")) + u'_' +
                       arquivoBase);
        try {
            renomearSemSobrescrever(destino, anterior);
        } catch (const EZamErro &) {
            return;
        }
    }
    if (!copiarComProgresso(this, origem, destino)) {
        // The earlier copy goes back under its own name when the new one did not arrive.
        if (!anterior.isEmpty() && !existeArquivo(destino))
            renomearSemSobrescrever(anterior, destino);
        return;
    }

    // The window goes on with the data folder of this computer that received the copy, the
    // copy selected: Entrar opens the local database, not the server's. The folder's line
    // is chosen when it has one; otherwise the path box names it.
    int linhaLocal = -1;
    for (int i = 0; i < ComboBox1->count() && linhaLocal < 0; ++i) {
        if (mesmaPasta(ComboBox1->itemText(i), FPastaPrograma))
            linhaLocal = i;
    }
    if (linhaLocal >= 0) {
        selecionarLinhaDoCombo(linhaLocal);
    } else {
        ComboBox1->setCurrentIndex(-1);
        ComboBox1->setEditText(FPastaPrograma);
        FLinhaCombo = -1;
    }
    ComboBox1Select();
    // A catalogue the folder had already learns of the copy.
    btnAtualizarClick();
    const int linha = linhaPeloNome(nome);
    ZamListView1->setSelectedIndex(linha);
    if (linha >= 0) {
        ZamListView1->scrollToItem(linha);
        ZamListView1->setFocus();
    }
}

void TForm1::mnEnviarClick()
{
    dialogos().mensagem(this, QApplication::applicationName(),
                        QStringLiteral("Funcionalidade em Desenvolvimento"), TIconeDialogo::Nenhum);
}

void TForm1::mnAbrirPastaClick()
{
    const QString nome = ZamListView1->item(garantirSelecao()).Caption;
    abrirPasta(pastaDaBase(nome));
}

void TForm1::mnAlterarPortaClick()
{
    const int linha = ZamListView1->selectedIndex();
    if (linha < 0)
        throw EZamErro(QStringLiteral("Selecione uma base de dados"));
    const auto registro = std::static_pointer_cast<TZamDadosItem>(ZamListView1->item(linha).Data);
    const std::optional<QString> resposta = dialogos().pedirTexto(
        this, QStringLiteral("Alterar Porta do Firebird"),
        QStringLiteral("Informe a Nova Porta para a Base ") + ZamListView1->item(linha).Caption,
        QString::number(registro->Getporta()));
    if (resposta) {
        const quint32 porta = lerPortaCatalogo(*resposta).value_or(0);
        if (porta == 0)
            throw EZamErro(QStringLiteral("Porta inválida. Informe um número 3050, 3055, etc."));
        registro->Setporta(porta);
        preencherLinha(registro, linha);
        FPastas.FZamDadosList->save();
    }
    mostrarEntrar();
}
