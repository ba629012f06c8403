// Text boxes whose values go into data files: they refuse what the files cannot carry.
#pragma once

#include <QString>
#include <QStyledItemDelegate>
#include <QValidator>

class QLineEdit;

namespace folio {

// Removes '"', '\', CR, LF and characters outside Windows-1252 from what the user types or
// pastes into its box. What the box held before the edit is left as it is: a value loaded from
// a file keeps its characters until the user changes them.
class FieldTextValidator : public QValidator {
    Q_OBJECT
public:
    explicit FieldTextValidator(QLineEdit* box);
    State validate(QString& input, int& position) const override;
    // The value the box was filled with; an undo back to it is taken as it is.
    void setShownText(const QString& text) { shown_ = text; }

private:
    QString before_;
    QString shown_;
};

// The text without the characters a data file value cannot carry.
QString withoutUnsafeCharacters(const QString& text);

// Makes box refuse what a data file value cannot carry, as it is typed or pasted.
void acceptOnlyFieldText(QLineEdit* box);

// Cell editors that refuse what a data file value cannot carry, as the text boxes do.
class FieldTextDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
};

// Fills box with a value as it stands, unfiltered and uncut, whatever its length. No edit
// signal is raised: filling a box is not an edit.
void showFieldText(QLineEdit* box, const QString& text);

} // namespace folio
