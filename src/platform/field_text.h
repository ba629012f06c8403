// Text boxes whose values go into data files: they refuse what the files cannot carry.
#pragma once

#include <QString>
#include <QStyledItemDelegate>
#include <QValidator>
#include <functional>

class QLineEdit;

namespace folio {

// Shows a one-line note on what a field's text lost or had changed; an empty note clears it.
using NoteShower = std::function<void(const QString& note)>;

// A text as a data file value holds it, and the note on what was changed in it (empty when
// nothing was).
struct FieldText {
    QString text;
    QString note;
};

// The text with '"', '\', CR and LF left out, and each letter outside Windows-1252 written as
// its nearest Western form or, without one, left out (see core/format/letters.h).
FieldText toFieldText(const QString& text);

// Takes what the user types or pastes into its box as toFieldText does, and shows the note on
// what it changed before the box holds it. What the box held before the edit is left as it is: a
// value loaded from a file keeps its characters until the user changes them.
class FieldTextValidator : public QValidator {
    Q_OBJECT
public:
    // The note shows as a tip under the box until showNotesWith names a place for it.
    explicit FieldTextValidator(QLineEdit* box);
    State validate(QString& input, int& position) const override;
    // The value the box was filled with; an undo back to it is taken as it is.
    void setShownText(const QString& text) { shown_ = text; }
    void showNotesWith(NoteShower show) { showNote_ = std::move(show); }

private:
    QString before_;
    QString shown_;
    NoteShower showNote_;
};

// Makes box take only what a data file value can carry, as it is typed or pasted; show, when
// given, shows what was changed.
void acceptOnlyFieldText(QLineEdit* box, NoteShower show = {});

// Cell editors that take only what a data file value can carry, as the text boxes do. Each new
// editor clears the note of the one before.
class FieldTextDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void showNotesWith(NoteShower show) { showNote_ = std::move(show); }

private:
    NoteShower showNote_;
};

// Fills box with a value as it stands, unfiltered and uncut, whatever its length. No edit
// signal is raised: filling a box is not an edit.
void showFieldText(QLineEdit* box, const QString& text);

} // namespace folio
