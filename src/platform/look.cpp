// The shared look, applied per widget so that each window stays self-contained.
#include "platform/look.h"

#include <QAbstractButton>
#include <QPalette>
#include <QWidget>

namespace folio::look {

QFont verdana(int points) {
    QFont font(QStringLiteral("Verdana"), points);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

void setWhiteBackground(QWidget* window) {
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, Qt::white);
    window->setPalette(palette);
    window->setAutoFillBackground(true);
}

void styleButton(QAbstractButton* button, int points) {
    button->setFont(verdana(points));
    button->setStyleSheet(QStringLiteral("QAbstractButton { background-color: %1; color: black;"
                                         " border: 1px solid #7a9cc6; border-radius: 2px; }"
                                         "QAbstractButton:pressed { background-color: #8ab8f0; }"
                                         "QAbstractButton:focus { border: 2px solid #2a6ad0; }"
                                         "QAbstractButton:disabled { color: #8a8a8a; }")
                              .arg(kButtonBlue.name()));
}

void styleBlueText(QWidget* widget, int points) {
    widget->setFont(verdana(points));
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Text, kBlueText);
    palette.setColor(QPalette::WindowText, kBlueText);
    widget->setPalette(palette);
}

} // namespace folio::look
