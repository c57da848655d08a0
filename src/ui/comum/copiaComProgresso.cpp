#include "ui/comum/copiaComProgresso.h"

#include "platform/arquivos.h"
#include "platform/erros.h"
#include "ui/comum/dialogos.h"

#include <QCoreApplication>
#include <QProgressDialog>

bool copiarComProgresso(QWidget *pai, const QString &origem, const QString &destino)
{
    constexpr int escala = 10000;
    QProgressDialog dialogo(pai);
    dialogo.setObjectName(QStringLiteral("progressoCopia"));
    dialogo.setWindowTitle(QStringLiteral("Copiando"));
    dialogo.setLabelText(QStringLiteral("Copiando %1\npara %2").arg(origem, destino));
    // Nobody may start another command on these files while the copy runs.
    dialogo.setWindowModality(Qt::ApplicationModal);
    dialogo.setRange(0, escala);
    dialogo.setMinimumDuration(500);
    dialogo.setAutoClose(false);
    dialogo.setAutoReset(false);

    const auto passo = [&dialogo](qint64 feitos, qint64 total) {
        dialogo.setValue(total > 0 ? int(feitos * escala / total) : escala);
        // Until the dialog shows, clicks and keys wait; the window repaints all the same.
        QCoreApplication::processEvents(dialogo.isVisible() ? QEventLoop::AllEvents
                                                            : QEventLoop::ExcludeUserInputEvents);
        return !dialogo.wasCanceled();
    };
    try {
        return copiarAcompanhado(origem, destino, passo);
    } catch (const EZamErro &e) {
        // The error box must not open under a progress dialog that keeps the input.
        dialogo.hide();
        mostrarErro(pai, QStringLiteral("Não foi possível copiar \"%1\" para \"%2\": %3")
                             .arg(origem, destino, e.mensagem()));
        return false;
    }
}
