// The filter of data file values at the point where they are typed.
#include "platform/field_text.h"

#include "platform/cp1252.h"

#include <QLineEdit>

namespace folio {
namespace {

bool isRefused(QChar c) {
    return c == u'"' || c == u'\\' || c == u'\r' || c == u'\n' || !isCp1252(c);
}

} // namespace

QString withoutUnsafeCharacters(const QString& text) {
    QString kept;
    kept.reserve(text.size());
    for (QChar c : text) {
        if (!isRefused(c))
            kept.append(c);
    }
    return kept;
}

QValidator::State FieldTextValidator::validate(QString& input, int& position) const {
    int removedBeforeCursor = 0;
    for (int i = 0; i < input.size() && i < position; ++i) {
        if (isRefused(input[i]))
            ++removedBeforeCursor;
    }
    QString kept = withoutUnsafeCharacters(input);
    if (kept.size() != input.size()) {
        input = kept;
        position -= removedBeforeCursor;
    }
    return Acceptable;
}

void acceptOnlyFieldText(QLineEdit* box) {
    box->setValidator(new FieldTextValidator(box));
}

} // namespace folio
