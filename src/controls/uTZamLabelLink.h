#pragma once

#include <QLabel>

// A label that looks and acts like a hyperlink: hand cursor, link colour, underlined while
// the mouse is over it, and a click signal.
class TZamLabelLink : public QLabel
{
    Q_OBJECT

public:
    explicit TZamLabelLink(QWidget *parent = nullptr);
    explicit TZamLabelLink(const QString &texto, QWidget *parent = nullptr);

Q_SIGNALS:
    // A left button pressed and released over the label.
    void clicked();

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    // Underlined or plain; any other style the font had is dropped.
    void definirSublinhado(bool sublinhado);

    bool FPressionado = false;
};
