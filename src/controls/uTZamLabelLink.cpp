#include "controls/uTZamLabelLink.h"

#include <QMouseEvent>

TZamLabelLink::TZamLabelLink(QWidget *parent)
    : TZamLabelLink(QString(), parent)
{
}

TZamLabelLink::TZamLabelLink(const QString &texto, QWidget *parent)
    : QLabel(texto, parent)
{
    setCursor(Qt::PointingHandCursor);
    // The label draws its text in the foreground role, so it follows the palette's link colour.
    setForegroundRole(QPalette::Link);
}

void TZamLabelLink::definirSublinhado(bool sublinhado)
{
    QFont fonte = font();
    fonte.setBold(false);
    fonte.setItalic(false);
    fonte.setStrikeOut(false);
    fonte.setUnderline(sublinhado);
    setFont(fonte);
}

void TZamLabelLink::enterEvent(QEnterEvent *event)
{
    QLabel::enterEvent(event);
    definirSublinhado(true);
}

void TZamLabelLink::leaveEvent(QEvent *event)
{
    QLabel::leaveEvent(event);
    definirSublinhado(false);
}

void TZamLabelLink::mousePressEvent(QMouseEvent *event)
{
    QLabel::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        FPressionado = true;
}

void TZamLabelLink::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const bool clicou = FPressionado && rect().contains(event->position().toPoint());
    FPressionado = false;
    if (clicou)
        Q_EMIT clicked();
}
