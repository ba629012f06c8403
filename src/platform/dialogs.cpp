// Real message boxes.
#include "platform/dialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace folio {

QString programTitle() {
    return QStringLiteral("Folioscribe_pro");
}

namespace {

// Shows a box and gives the button pressed. Its text is plain text: messages carry names and
// values from files (a lock's host, a title, a folder), which must never show as markup or a live
// link.
QMessageBox::StandardButton ask(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                const QString& text, QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton defaultButton = QMessageBox::NoButton) {
    QMessageBox box(icon, title, text, buttons, parent);
    box.setTextFormat(Qt::PlainText);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    box.exec();
    return box.standardButton(box.clickedButton());
}

} // namespace

void MessageBoxDialogs::message(QWidget* parent, const QString& text, const QString& title) {
    ask(parent, QMessageBox::Information, title.isEmpty() ? title_ : title, text, QMessageBox::Ok);
}

void MessageBoxDialogs::error(QWidget* parent, const QString& text) {
    ask(parent, QMessageBox::Critical, title_, text, QMessageBox::Ok);
}

bool MessageBoxDialogs::question(QWidget* parent, const QString& text, const QString& title) {
    return ask(parent, QMessageBox::Question, title.isEmpty() ? title_ : title, text,
               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

bool MessageBoxDialogs::questionDefaultNo(QWidget* parent, const QString& text,
                                          const QString& title) {
    return ask(parent, QMessageBox::Question, title.isEmpty() ? title_ : title, text,
               QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

Dialogs::Answer MessageBoxDialogs::questionWithCancel(QWidget* parent, const QString& text) {
    const auto pressed =
        ask(parent, QMessageBox::Question, title_, text,
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel);
    if (pressed == QMessageBox::Yes)
        return Answer::Yes;
    return pressed == QMessageBox::No ? Answer::No : Answer::Cancel;
}

int MessageBoxDialogs::choose(QWidget* parent, const QString& text, const QStringList& buttons) {
    QMessageBox box(QMessageBox::Question, title_, text, QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    QList<QPushButton*> pressable;
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        const QMessageBox::ButtonRole role = i == buttons.size() - 1 ? QMessageBox::RejectRole
                                             : i == 0                ? QMessageBox::AcceptRole
                                                                     : QMessageBox::NoRole;
        pressable << box.addButton(buttons[i], role);
    }
    if (pressable.isEmpty())
        return -1;
    box.setDefaultButton(pressable.front());
    box.setEscapeButton(pressable.back());
    box.exec();
    const qsizetype pressed = pressable.indexOf(qobject_cast<QPushButton*>(box.clickedButton()));
    return static_cast<int>(pressed < 0 ? pressable.size() - 1 : pressed);
}

std::optional<int> MessageBoxDialogs::askNumber(QWidget* parent, const QString& text, int minimum,
                                                int maximum, int value) {
    bool ok = false;
    const int number = QInputDialog::getInt(parent, title_, text, value, minimum, maximum, 1, &ok);
    return ok ? std::optional<int>(number) : std::nullopt;
}

std::optional<QString> MessageBoxDialogs::askText(QWidget* parent, const QString& text,
                                                  const QString& value) {
    bool ok = false;
    const QString typed =
        QInputDialog::getText(parent, title_, text, QLineEdit::Normal, value, &ok);
    return ok ? std::optional<QString>(typed) : std::nullopt;
}

std::optional<int> MessageBoxDialogs::askItem(QWidget* parent, const QString& text,
                                              const QStringList& items) {
    bool ok = false;
    const QString item = QInputDialog::getItem(parent, title_, text, items, 0, false, &ok);
    const qsizetype index = items.indexOf(item);
    return ok && index >= 0 ? std::optional<int>(static_cast<int>(index)) : std::nullopt;
}

std::optional<std::pair<QString, QString>> MessageBoxDialogs::askSaveFile(QWidget* parent,
                                                                          const QString& caption,
                                                                          const QString& suggested,
                                                                          const QString& filters) {
    QString filter;
    const QString file = QFileDialog::getSaveFileName(parent, caption, suggested, filters, &filter);
    if (file.isEmpty())
        return std::nullopt;
    return std::pair{file, filter};
}

QString MessageBoxDialogs::chooseFolder(QWidget* parent, const QString& caption,
                                        const QString& start) {
    return QFileDialog::getExistingDirectory(parent, caption, start);
}

} // namespace folio
