// Real message boxes.
#include "platform/dialogs.h"

#include <QMessageBox>

namespace folio {

QString programTitle() {
    return QStringLiteral("Folioscribe_pro");
}

void MessageBoxDialogs::message(QWidget* parent, const QString& text, const QString& title) {
    QMessageBox::information(parent, title.isEmpty() ? title_ : title, text);
}

void MessageBoxDialogs::error(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, title_, text);
}

bool MessageBoxDialogs::question(QWidget* parent, const QString& text, const QString& title) {
    return QMessageBox::question(parent, title.isEmpty() ? title_ : title, text,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

bool MessageBoxDialogs::questionDefaultNo(QWidget* parent, const QString& text,
                                          const QString& title) {
    return QMessageBox::question(parent, title.isEmpty() ? title_ : title, text,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

Dialogs::Answer MessageBoxDialogs::questionWithCancel(QWidget* parent, const QString& text) {
    const auto pressed = QMessageBox::question(
        parent, title_, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
        QMessageBox::Cancel);
    if (pressed == QMessageBox::Yes)
        return Answer::Yes;
    return pressed == QMessageBox::No ? Answer::No : Answer::Cancel;
}

} // namespace folio
