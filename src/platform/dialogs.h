// Message boxes go through this seam: the program shows real boxes, tests record the texts and
// answer questions as they are told.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

class QWidget;

namespace folio {

// The title of a box that has none of its own: the program's title.
QString programTitle();

class Dialogs {
public:
    // The answer to a question that can also be called off.
    enum class Answer { Yes, No, Cancel };

    virtual ~Dialogs() = default;

    // A message with an OK button.
    virtual void message(QWidget* parent, const QString& text, const QString& title = {}) = 0;
    // A failure the user must know about, with an OK button.
    virtual void error(QWidget* parent, const QString& text) = 0;
    // A question with Yes and No buttons; true when the answer is Yes.
    virtual bool question(QWidget* parent, const QString& text, const QString& title = {}) = 0;
    // A question whose default button is No, for a step that is hard to undo: Enter alone
    // answers No. True when the answer is Yes.
    virtual bool questionDefaultNo(QWidget* parent, const QString& text,
                                   const QString& title = {}) = 0;
    // A question with Yes, No and Cancel buttons; closing the box is Cancel.
    virtual Answer questionWithCancel(QWidget* parent, const QString& text) = 0;
    // A question answered with buttons of its own captions: the first is the default, the last
    // calls the question off, as closing the box does. Returns the index of the button pressed.
    virtual int choose(QWidget* parent, const QString& text, const QStringList& buttons) = 0;
    // Asks for a whole number from minimum to maximum, offering value; nothing when called off.
    virtual std::optional<int> askNumber(QWidget* parent, const QString& text, int minimum,
                                         int maximum, int value) = 0;
    // Asks for a line of text, offering value; nothing when called off.
    virtual std::optional<QString> askText(QWidget* parent, const QString& text,
                                           const QString& value = {}) = 0;
    // Asks to pick one of items; its index, nothing when called off.
    virtual std::optional<int> askItem(QWidget* parent, const QString& text,
                                       const QStringList& items) = 0;
    // Asks where to save a file, offering suggested, with filters as a file chooser takes them
    // ("CSV files (*.csv);;PDF files (*.pdf)"); the file and the filter chosen, nothing when
    // called off.
    virtual std::optional<std::pair<QString, QString>> askSaveFile(QWidget* parent,
                                                                   const QString& caption,
                                                                   const QString& suggested,
                                                                   const QString& filters) = 0;
    // Asks for a folder, as the platform chooses one, starting in start; empty when called off.
    virtual QString chooseFolder(QWidget* parent, const QString& caption, const QString& start) = 0;
};

// Shows QMessageBox boxes; a box without a title of its own shows the given program title.
class MessageBoxDialogs : public Dialogs {
public:
    explicit MessageBoxDialogs(QString title = programTitle()) : title_(std::move(title)) {}

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
    QString chooseFolder(QWidget* parent, const QString& caption, const QString& start) override;

private:
    QString title_;
};

} // namespace folio
