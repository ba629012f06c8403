// The filter of data file values at the point where they are typed.
#include "platform/field_text.h"

#include "platform/cp1252.h"

#include <QLineEdit>
#include <algorithm>

namespace folio {
namespace {

// A text box's own limit, kept for boxes whose value is shorter.
constexpr qsizetype kUsualMaxLength = 32767;

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

FieldTextValidator::FieldTextValidator(QLineEdit* box) : QValidator(box), before_(box->text()) {
    connect(box, &QLineEdit::textChanged, this, [this](const QString& text) { before_ = text; });
}

QValidator::State FieldTextValidator::validate(QString& input, int& position) const {
    if (input == shown_)
        return Acceptable;
    // The edit is what lies between the part the text shares with its end, which starts at the
    // cursor at the earliest, and the part it shares with its start; only the edit is filtered.
    const qsizetype shorter = std::min(input.size(), before_.size());
    const qsizetype afterCursor = std::clamp<qsizetype>(input.size() - position, 0, shorter);
    qsizetype tail = 0;
    while (tail < afterCursor &&
           input[input.size() - 1 - tail] == before_[before_.size() - 1 - tail])
        ++tail;
    qsizetype head = 0;
    while (head < shorter - tail && input[head] == before_[head])
        ++head;
    const qsizetype editEnd = input.size() - tail;

    QString kept = input.left(head);
    kept.reserve(input.size());
    int removedBeforeCursor = 0;
    for (qsizetype i = head; i < editEnd; ++i) {
        if (!isRefused(input[i]))
            kept.append(input[i]);
        else if (i < position)
            ++removedBeforeCursor;
    }
    if (kept.size() == editEnd)
        return Acceptable;
    kept.append(QStringView(input).mid(editEnd));
    input = kept;
    position -= removedBeforeCursor;
    return Acceptable;
}

void acceptOnlyFieldText(QLineEdit* box) {
    box->setValidator(new FieldTextValidator(box));
}

void showFieldText(QLineEdit* box, const QString& text) {
    // The filter would also act on a value set from here, and the length limit would cut it.
    const QValidator* filter = box->validator();
    if (auto* fieldFilter = box->findChild<FieldTextValidator*>())
        fieldFilter->setShownText(text);
    box->setValidator(nullptr);
    const int room = static_cast<int>(std::max(kUsualMaxLength, text.size()));
    if (room > box->maxLength())
        box->setMaxLength(room);
    box->setText(text);
    if (room < box->maxLength())
        box->setMaxLength(room);
    box->setValidator(filter);
}

QWidget* FieldTextDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor))
        acceptOnlyFieldText(line);
    return editor;
}

} // namespace folio
