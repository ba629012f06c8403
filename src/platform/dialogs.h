// Message boxes go through this seam: the program shows real boxes, tests record the texts and
// answer questions as they are told.
#pragma once

#include <QString>

class QWidget;

namespace folio {

// The title of a box that has none of its own: the program's title.
QString programTitle();

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A message with an OK button.
    virtual void message(QWidget* parent, const QString& text, const QString& title = {}) = 0;
    // A failure the user must know about, with an OK button.
    virtual void error(QWidget* parent, const QString& text) = 0;
    // A question with Yes and No buttons; true when the answer is Yes.
    virtual bool question(QWidget* parent, const QString& text, const QString& title = {}) = 0;
};

// Shows QMessageBox boxes.
class MessageBoxDialogs : public Dialogs {
public:
    void message(QWidget* parent, const QString& text, const QString& title = {}) override;
    void error(QWidget* parent, const QString& text) override;
    bool question(QWidget* parent, const QString& text, const QString& title = {}) override;
};

} // namespace folio
