// A Dialogs that shows nothing: it records every box and answers questions as told.
#pragma once

#include "platform/dialogs.h"

#include <QString>
#include <QStringList>
#include <deque>

namespace folio::test {

class FakeDialogs : public Dialogs {
public:
    enum class Kind { Message, Error, Question, FolderChoice };
    struct Shown {
        Kind kind;
        QString text;
        // The title on the box: the program's title for a box without one of its own.
        QString title;
        // The title the window gave, empty for none.
        QString givenTitle;
        // A question whose default button is No.
        bool defaultNo = false;
        // The captions of a question with buttons of its own.
        QStringList buttons = {};
    };

    void message(QWidget* parent, const QString& text, const QString& title = {}) override;
    void error(QWidget* parent, const QString& text) override;
    bool question(QWidget* parent, const QString& text, const QString& title = {}) override;
    bool questionDefaultNo(QWidget* parent, const QString& text,
                           const QString& title = {}) override;
    Answer questionWithCancel(QWidget* parent, const QString& text) override;
    int choose(QWidget* parent, const QString& text, const QStringList& buttons) override;
    std::optional<int> askNumber(QWidget* parent, const QString& text, int minimum, int maximum,
                                 int value) override;
    std::optional<QString> askText(QWidget* parent, const QString& text,
                                   const QString& value = {}) override;
    std::optional<int> askItem(QWidget* parent, const QString& text,
                               const QStringList& items) override;
    std::optional<std::pair<QString, QString>> askSaveFile(QWidget* parent, const QString& caption,
                                                           const QString& suggested,
                                                           const QString& filters) override;
    // Records the caption as the text shown; answers with the next preset folder.
    QString chooseFolder(QWidget* parent, const QString& caption, const QString& start) override;

    // The answer to the next question (questions without a preset answer get No).
    void setNextAnswer(bool yes) { answers_.push_back(yes); }
    // The answer to the next Yes/No/Cancel question (without a preset answer: Cancel).
    void setNextChoice(Answer answer) { choices_.push_back(answer); }
    // The button pressed in the next question with buttons of its own (without a preset one,
    // or with a caption it does not have: its last, calling the question off).
    void setNextButton(const QString& caption) { buttons_.push_back(caption); }
    // The number typed into the next number box (without a preset one: the box is called off).
    // It is given as it is, even outside the box's range, to try what the caller does with it.
    void setNextNumber(int number) { numbers_.push_back(number); }
    // The text typed into the next text box (without a preset one: called off).
    void setNextText(const QString& text) { texts_.push_back(text); }
    // The item picked in the next list of items, by its caption (without a preset one, or with
    // a caption the list does not have: called off).
    void setNextItem(const QString& item) { items_.push_back(item); }
    // The file and filter chosen in the next save-file chooser (without a preset one: called
    // off).
    void setNextSaveFile(const QString& file, const QString& filter) {
        saveFiles_.push_back({file, filter});
    }
    // The folder chosen in the next folder chooser (without a preset one: the chooser is called
    // off). The folder the chooser started in is kept in the shown box's title.
    void setNextFolder(const QString& folder) { folders_.push_back(folder); }

    const std::deque<Shown>& shown() const { return shown_; }
    // The file each save-file chooser offered, in order.
    const QStringList& suggestedFiles() const { return suggested_; }
    QStringList texts() const;
    QStringList messages() const;
    QStringList errors() const;
    void clear() { shown_.clear(); }

private:
    std::deque<Shown> shown_;
    std::deque<bool> answers_;
    std::deque<Answer> choices_;
    std::deque<QString> buttons_;
    std::deque<int> numbers_;
    std::deque<QString> texts_;
    std::deque<QString> items_;
    std::deque<std::pair<QString, QString>> saveFiles_;
    QStringList suggested_;
    std::deque<QString> folders_;
};

} // namespace folio::test
