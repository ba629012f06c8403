// The entry name shown by the page and audio windows.
#include "windows/common/entry_name.h"

#include "platform/cp1252.h"
#include "windows/common/shared_state.h"

#include <QLabel>
#include <algorithm>

namespace folio {

QString shownEntryName(const SharedState& state) {
    const int n = state.currentEntryNumber;
    if (!ScoreArchive::isEntryNumber(n))
        return QStringLiteral("No score is shown");
    const std::string& title = state.archive.slot(n).title;
    return QStringLiteral("Score %1: %2")
        .arg(n)
        .arg(title.empty() ? QStringLiteral("(no title)") : fromCp1252(title));
}

void showEntryName(QLabel* label, const SharedState& state) {
    showOneLine(label, shownEntryName(state));
}

void showOneLine(QLabel* label, const QString& text) {
    // A title is shown as typed, never taken for markup.
    label->setTextFormat(Qt::PlainText);
    const int room = std::max(0, label->contentsRect().width() - 2 * label->margin());
    label->setText(label->fontMetrics().elidedText(text, Qt::ElideRight, room));
    label->setToolTip(text);
}

} // namespace folio
