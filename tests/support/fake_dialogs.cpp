// Recording message boxes for window tests.
#include "support/fake_dialogs.h"

namespace folio::test {

void FakeDialogs::message(QWidget*, const QString& text, const QString& title) {
    shown_.push_back({Kind::Message, text, title.isEmpty() ? programTitle() : title, title});
}

void FakeDialogs::error(QWidget*, const QString& text) {
    shown_.push_back({Kind::Error, text, programTitle(), {}});
}

bool FakeDialogs::question(QWidget*, const QString& text, const QString& title) {
    shown_.push_back({Kind::Question, text, title.isEmpty() ? programTitle() : title, title});
    if (answers_.empty())
        return false;
    bool answer = answers_.front();
    answers_.pop_front();
    return answer;
}

bool FakeDialogs::questionDefaultNo(QWidget* parent, const QString& text, const QString& title) {
    const bool answer = FakeDialogs::question(parent, text, title);
    shown_.back().defaultNo = true;
    return answer;
}

Dialogs::Answer FakeDialogs::questionWithCancel(QWidget*, const QString& text) {
    shown_.push_back({Kind::Question, text, programTitle(), {}});
    if (choices_.empty())
        return Answer::Cancel;
    const Answer answer = choices_.front();
    choices_.pop_front();
    return answer;
}

int FakeDialogs::choose(QWidget*, const QString& text, const QStringList& buttons) {
    shown_.push_back({Kind::Question, text, programTitle(), {}, false, buttons});
    qsizetype pressed = buttons.size() - 1;
    if (!buttons_.empty()) {
        const qsizetype named = buttons.indexOf(buttons_.front());
        buttons_.pop_front();
        if (named >= 0)
            pressed = named;
    }
    return static_cast<int>(pressed);
}

std::optional<int> FakeDialogs::askNumber(QWidget*, const QString& text, int, int, int) {
    shown_.push_back({Kind::Question, text, programTitle(), {}});
    if (numbers_.empty())
        return std::nullopt;
    const int number = numbers_.front();
    numbers_.pop_front();
    return number;
}

std::optional<QString> FakeDialogs::askText(QWidget*, const QString& text, const QString&) {
    shown_.push_back({Kind::Question, text, programTitle(), {}});
    if (texts_.empty())
        return std::nullopt;
    QString typed = texts_.front();
    texts_.pop_front();
    return typed;
}

std::optional<int> FakeDialogs::askItem(QWidget*, const QString& text, const QStringList& items) {
    shown_.push_back({Kind::Question, text, programTitle(), {}});
    if (items_.empty())
        return std::nullopt;
    const qsizetype index = items.indexOf(items_.front());
    items_.pop_front();
    return index >= 0 ? std::optional<int>(static_cast<int>(index)) : std::nullopt;
}

std::optional<std::pair<QString, QString>> FakeDialogs::askSaveFile(QWidget*,
                                                                    const QString& caption,
                                                                    const QString& suggested,
                                                                    const QString&) {
    shown_.push_back({Kind::Question, caption, programTitle(), {}});
    suggested_ << suggested;
    if (saveFiles_.empty())
        return std::nullopt;
    std::pair<QString, QString> chosen = saveFiles_.front();
    saveFiles_.pop_front();
    return chosen;
}

QString FakeDialogs::chooseFolder(QWidget*, const QString& caption, const QString& start) {
    shown_.push_back({Kind::FolderChoice, caption, start, {}});
    if (folders_.empty())
        return {};
    const QString folder = folders_.front();
    folders_.pop_front();
    return folder;
}

QStringList FakeDialogs::texts() const {
    QStringList all;
    for (const Shown& box : shown_)
        all << box.text;
    return all;
}

QStringList FakeDialogs::messages() const {
    QStringList found;
    for (const Shown& box : shown_) {
        if (box.kind == Kind::Message)
            found << box.text;
    }
    return found;
}

QStringList FakeDialogs::errors() const {
    QStringList found;
    for (const Shown& box : shown_) {
        if (box.kind == Kind::Error)
            found << box.text;
    }
    return found;
}

} // namespace folio::test
