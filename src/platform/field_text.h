// Text boxes whose values go into data files: they refuse what the files cannot carry.
#pragma once

#include <QValidator>

class QLineEdit;

namespace folio {

// Removes '"', '\', CR, LF and characters outside Windows-1252 from typed or pasted text.
class FieldTextValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& position) const override;
};

// The text without the characters a data file value cannot carry.
QString withoutUnsafeCharacters(const QString& text);

// Makes box refuse what a data file value cannot carry.
void acceptOnlyFieldText(QLineEdit* box);

} // namespace folio
