#include "jobs/trabalhador.h"
#include "ui/main/uFormPrincipal.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
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

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZamDados"));
    carregarTraducao(app);

    int resultado = 0;
    {
        TForm1 janela(QApplication::applicationDirPath(), QApplication::arguments().mid(1));
        QObject::connect(&janela, &QDialog::finished, &app, &QApplication::quit);
        janela.show();
        resultado = app.exec();
    }
    // Workers still running find the window gone and end; one stuck on a server that does not
    // answer must not keep the program, nor be destroyed while it runs.
    if (!TTrabalhador::aguardarTodos(3000))
        std::_Exit(resultado);
    return resultado;
}
