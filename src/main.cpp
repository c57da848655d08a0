#include "execucao/motorExecucao.h"
#include "jobs/trabalhador.h"
#include "platform/ambienteC.h"
#include "platform/caminhos.h"
#include "ui/main/uFormPrincipal.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

// Standard buttons read as the user's system would show them ("Sim", "Não", "Cancelar"):
// Qt's own Portuguese translation, the copy installed with the program first
// (PREFIX/share/zamdados/translations beside PREFIX/bin), else the system's.
void carregarTraducao(QCoreApplication &app)
{
    if (QLocale().language() != QLocale::Portuguese)
        return;
    auto *tradutor = new QTranslator(&app);
    const QString pastas[] = {QCoreApplication::applicationDirPath() +
                                  QStringLiteral("/../share/zamdados/translations"),
                              QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
    for (const QString &pasta : pastas) {
        if (tradutor->load(QStringLiteral("qtbase_pt_BR"), pasta)) {
            QCoreApplication::installTranslator(tradutor);
            return;
        }
    }
    delete tradutor;
}

// Whether the command line asks for the help text, which needs no display.
bool pedeAjuda(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray argumento(argv[i]);
        if (argumento == "-h" || argumento == "--help" || argumento == "-?" ||
            argumento == "--help-all")
            return true;
    }
    return false;
}

// The command line: --help, and the data folder to show at start.
QStringList lerArgumentos()
{
    QCommandLineParser leitor;
    leitor.setApplicationDescription(QStringLiteral(
        "Lista as bases de dados Zam das pastas de dados, entra na escolhida e executa tarefas "
        "e consultas SQL em todas.\n\n"
        "ZamDados.Hosts.txt e zamcon.ini ficam na pasta do programa; quando o programa não pode "
        "gravar nela (instalado em /usr, por exemplo), ficam na pasta dada pela variável de "
        "ambiente ZAMDADOS_PASTA."));
    const QCommandLineOption ajuda = leitor.addHelpOption();
    leitor.addPositionalArgument(
        QStringLiteral("PASTA"),
        QStringLiteral("Pasta de dados (compartilhamento) a mostrar ao iniciar."),
        QStringLiteral("[PASTA]"));
    if (!leitor.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "%s\n\n%s", qPrintable(leitor.errorText()),
                     qPrintable(leitor.helpText()));
        std::exit(2);
    }
    if (leitor.isSet(ajuda))
        leitor.showHelp(0);
    return leitor.positionalArguments();
}

// Leaving the program stops every run and job: their statements are cancelled on the
// servers, so that nothing keeps running there after the window is gone.
void cancelarTudo()
{
    TMotorExecucao::cancelarTodas();
}

} // namespace

int main(int argc, char *argv[])
{
    if (pedeAjuda(argc, argv)) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("ZamDados"));
        carregarTraducao(app);
        lerArgumentos();
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZamDados"));
    carregarTraducao(app);
    const QStringList argumentos = lerArgumentos();
    garantirCaracteresUtf8();

    int sinalRecebido = 0;
    encerrarPorSinal([&sinalRecebido](int sinal) {
        sinalRecebido = sinal;
        cancelarTudo();
        // Leaves every event loop, the modal ones included.
        QApplication::exit(128 + sinal);
    });

    int resultado = 0;
    {
        TForm1 janela(pastaDeConfiguracao(QApplication::applicationDirPath()), argumentos);
        QObject::connect(&janela, &QDialog::finished, &app, &QApplication::quit);
        janela.show();
        resultado = app.exec();
        cancelarTudo();
    }
    // Workers still running find the window gone and end; one stuck on a server that does not
    // answer must not keep the program, nor be destroyed while it runs.
    const bool motoresTerminaram = TMotorExecucao::aguardarTodas(2500);
    if (!TTrabalhador::aguardarTodos(motoresTerminaram ? 2500 : 500) || !motoresTerminaram)
        std::_Exit(sinalRecebido ? 128 + sinalRecebido : resultado);
    return sinalRecebido ? 128 + sinalRecebido : resultado;
}
