// The conversion of data file values at the point where they are typed.
#include "platform/field_text.h"

#include "core/format/letters.h"
#include "platform/core_text.h"
#include "platform/cp1252.h"

#include <QLineEdit>
#include <QToolTip>
#include <algorithm>
#include <vector>

namespace folio {
namespace {

// A text box's own limit, kept for boxes whose value is shorter.
constexpr qsizetype kUsualMaxLength = 32767;

bool isRefused(QChar c) {
    return c == u'"' || c == u'\\' || c == u'\r' || c == u'\n';
}

struct Converted {
    QString text;
    std::vector<LetterChange> changes;
};

// Letters first, so that a mark written as a quote is refused as a typed quote is.
Converted convert(const QString& typed) {
    const QString composed = typed.normalized(QString::NormalizationForm_C);
    WesternText western = toWesternText(composed.toStdString());
    QString text = fromCp1252(western.bytes);
    text.removeIf(isRefused);
    return {text, std::move(western.changes)};
}

QString noteOn(const std::vector<LetterChange>& changes, const QString& result) {
    return fromCoreText(lettersNote(changes, result.trimmed().isEmpty()));
}

} // namespace

FieldText toFieldText(const QString& text) {
    Converted converted = convert(text);
    const QString note = noteOn(converted.changes, converted.text);
    return {std::move(converted.text), note};
}

FieldTextValidator::FieldTextValidator(QLineEdit* box)
    : QValidator(box), before_(box->text()), showNote_([box](const QString& note) {
          QToolTip::showText(box->mapToGlobal(QPoint(0, box->height())), note, box);
      }) {
    connect(box, &QLineEdit::textChanged, this, [this](const QString& text) { before_ = text; });
}

QValidator::State FieldTextValidator::validate(QString& input, int& position) const {
    if (input == shown_)
        return Acceptable;
    // The edit is what lies between the part the text shares with its end, which starts at the
    // cursor at the earliest, and the part it shares with its start; only the edit is converted.
    const qsizetype shorter = std::min(input.size(), before_.size());
    const qsizetype afterCursor = std::clamp<qsizetype>(input.size() - position, 0, shorter);
    qsizetype tail = 0;
    while (tail < afterCursor &&
           input[input.size() - 1 - tail] == before_[before_.size() - 1 - tail])
        ++tail;
    qsizetype head = 0;
    while (head < shorter - tail && input[head] == before_[head])
        ++head;
    // A mark typed after its letter is converted with it, and a character is never cut in two.
    while (head > 0 && head < input.size() &&
           (input[head].isLowSurrogate() || input[head].isMark()))
        --head;
    while (tail > 0 && input[input.size() - tail].isLowSurrogate())
        --tail;
    const qsizetype editEnd = input.size() - tail;
    if (head >= editEnd)
        return Acceptable;

    const qsizetype cursor = std::clamp<qsizetype>(position, head, editEnd);
    Converted before = convert(input.mid(head, cursor - head));
    const Converted after = convert(input.mid(cursor, editEnd - cursor));
    const QString edit = before.text + after.text;
    if (edit == QStringView(input).mid(head, editEnd - head))
        return Acceptable;
    if (position >= editEnd)
        position += static_cast<int>(edit.size() - (editEnd - head));
    else if (position >= head)
        position = static_cast<int>(head + before.text.size());
    input = input.left(head) + edit + input.mid(editEnd);
    for (const LetterChange& change : after.changes) {
        if (std::find(before.changes.begin(), before.changes.end(), change) == before.changes.end())
            before.changes.push_back(change);
    }
    const QString note = noteOn(before.changes, input);
    if (!note.isEmpty() && showNote_)
        showNote_(note);
    return Acceptable;
}

void acceptOnlyFieldText(QLineEdit* box, NoteShower show) {
    auto* validator = new FieldTextValidator(box);
    if (show)
        validator->showNotesWith(std::move(show));
    box->setValidator(validator);
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
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        acceptOnlyFieldText(line, showNote_);
        if (showNote_)
            showNote_(QString());
    }
    return editor;
}

} // namespace folio
