#include "ui/main/janelaTeste.h"

#include "controls/uTZamListView.h"
#include "support/arquivosTeste.h"
#include "support/zam7/registroZam7.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

void TJanelaTeste::prepararAplicacao()
{
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    QApplication::setApplicationName("ZamDados");
}

void TJanelaTeste::preparar()
{
    FRaiz = std::make_unique<QTemporaryDir>();
    QVERIFY(FRaiz->isValid());
    QVERIFY(QDir().mkpath(programa()));
    QVERIFY(QDir().mkpath(dados() + "/ZAM_DADOS"));
    copiarZam7(programa());
    QVERIFY(QDir::setCurrent(programa()));
    qputenv(variavelRegistroZam7, QFile::encodeName(registro()));
    escreverHosts({dados() + "=/srv/zam/ZAM_DADOS/"});
    FDialogos = std::make_unique<TDialogosRoteirizados>();
    FInstalador = std::make_unique<TInstaladorDialogos>(*FDialogos);
}

TDialogosModais &TJanelaTeste::usarCaixasModais()
{
    FInstalador.reset();
    auto modais = std::make_unique<TDialogosModais>();
    TDialogosModais &referencia = *modais;
    FDialogos = std::move(modais);
    FInstalador = std::make_unique<TInstaladorDialogos>(*FDialogos);
    return referencia;
}

void TJanelaTeste::limpar()
{
    FForm.reset();
    if (FDialogos)
        QCOMPARE(FDialogos->respostasPendentes(), 0);
    FInstalador.reset();
    FDialogos.reset();
    QDir::setCurrent(QDir::tempPath());
}

void TJanelaTeste::criarBase(const QString &nome, qint64 bytes, const QString &pasta)
{
    const QString dir = dados(pasta) + "/ZAM_DADOS/" + nome;
    QVERIFY(QDir().mkpath(dir));
    QFile arquivo(dir + "/ZAM.FDB");
    QVERIFY(arquivo.open(QIODevice::WriteOnly));
    QVERIFY(arquivo.resize(bytes)); // sparse: a gigabyte costs nothing
}

void TJanelaTeste::escreverHosts(const QStringList &linhasHosts)
{
    QByteArray conteudo;
    for (const QString &linha : linhasHosts)
        conteudo += linha.toUtf8() + "\r\n";
    escreverArquivo(programa() + "/ZamDados.Hosts.txt", conteudo);
}

TForm1 &TJanelaTeste::abrir(const QStringList &argumentos)
{
    FForm = std::make_unique<TForm1>(programa(), argumentos);
    FForm->show();
    FForm->activateWindow();
    if (!QTest::qWaitForWindowActive(FForm.get()))
        qWarning("main window did not become active");
    return *FForm;
}

void TJanelaTeste::teclar(int tecla, Qt::KeyboardModifiers mods)
{
    QWidget *foco = QApplication::focusWidget();
    QTest::keyClick(foco ? foco : FForm.get(), Qt::Key(tecla), mods);
}

QStringList TJanelaTeste::linhas() const
{
    QStringList nomes;
    for (int i = 0; i < lista()->count(); ++i)
        nomes.append(lista()->item(i).Caption);
    return nomes;
}

int TJanelaTeste::selecionada() const
{
    return lista()->selectedIndex();
}

TZamListView *TJanelaTeste::lista() const
{
    return FForm->findChild<TZamListView *>("ZamListView1");
}

QLineEdit *TJanelaTeste::filtroEdit() const
{
    return FForm->findChild<QLineEdit *>("Edit1");
}

QComboBox *TJanelaTeste::combo() const
{
    return FForm->findChild<QComboBox *>("ComboBox1");
}

QPushButton *TJanelaTeste::botao(const char *nome) const
{
    return FForm->findChild<QPushButton *>(nome);
}

QAction *TJanelaTeste::acao(const char *nome) const
{
    return FForm->findChild<QAction *>(nome);
}

QString TJanelaTeste::rotulo() const
{
    return FForm->findChild<QLabel *>("lbTamanho")->text();
}

QStringList TJanelaTeste::erros() const
{
    QStringList textos;
    for (const TChamadaDialogo &chamada : FDialogos->chamadas) {
        if (chamada.tipo == TTipoDialogo::Mensagem && chamada.icone == TIconeDialogo::Erro &&
            chamada.titulo == "ZamDados")
            textos.append(chamada.texto);
    }
    return textos;
}

QByteArray TJanelaTeste::zamcon() const
{
    return lerArquivo(programa() + "/zamcon.ini");
}

bool TJanelaTeste::zam7NaoIniciado() const
{
    return esperarRegistroZam7(registro(), 1, 1500).empty();
}

// ---- TDialogosModais ----

void TDialogosModais::mensagem(QWidget *pai, const QString &titulo, const QString &texto,
                               TIconeDialogo icone)
{
    TDialogosRoteirizados::mensagem(pai, titulo, texto, icone);
    mostrarCaixa(pai, titulo);
}

bool TDialogosModais::perguntar(QWidget *pai, const QString &titulo, const QString &texto)
{
    const bool resposta = TDialogosRoteirizados::perguntar(pai, titulo, texto);
    mostrarCaixa(pai, titulo);
    return resposta;
}

std::optional<QString> TDialogosModais::pedirTexto(QWidget *pai, const QString &titulo,
                                                   const QString &prompt, const QString &inicial)
{
    std::optional<QString> resposta =
        TDialogosRoteirizados::pedirTexto(pai, titulo, prompt, inicial);
    mostrarCaixa(pai, titulo);
    return resposta;
}

void TDialogosModais::mostrarCaixa(QWidget *pai, const QString &titulo)
{
    QMessageBox caixa(pai);
    caixa.setWindowTitle(titulo);
    caixa.setText(titulo);
    // Closed as a user would close it: once it is on the screen and has the keyboard, or
    // after a while should it never get there.
    QElapsedTimer relogio;
    relogio.start();
    QTimer vigia;
    vigia.setInterval(10);
    QObject::connect(&vigia, &QTimer::timeout, &caixa, [&caixa, &relogio]() {
        if ((caixa.isVisible() && QApplication::activeWindow() == &caixa) ||
            relogio.elapsed() > 2000)
            caixa.done(QMessageBox::Ok);
    });
    vigia.start();
    caixa.exec();
    ++caixasMostradas;
}
