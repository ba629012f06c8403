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

int MessageBoxDialogs::choose(QWidget* parent, const QString& text, const QStringList& buttons) {
    QMessageBox box(QMessageBox::Question, title_, text, QMessageBox::NoButton, parent);
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
