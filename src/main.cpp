#include "execucao/motorExecucao.h"
#include "jobs/trabalhador.h"
#include "platform/ambienteC.h"
#include "ui/main/uFormPrincipal.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <csignal>
#include <cstdlib>

namespace {

// Standard buttons read as the user's system would show them ("Sim", "Não", "Cancelar").
void carregarTraducao(QApplication &app)
{
    if (QLocale().language() != QLocale::Portuguese)
        return;
    auto *tradutor = new QTranslator(&app);
    if (tradutor->load(QStringLiteral("qtbase_pt_BR"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(tradutor);
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
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZamDados"));
    carregarTraducao(app);
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
        TForm1 janela(QApplication::applicationDirPath(), QApplication::arguments().mid(1));
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
