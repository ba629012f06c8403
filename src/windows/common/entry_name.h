// How a window opened from the main window names the entry it acts on: its number and title,
// read from the shared state at the moment it is shown.
#pragma once

#include <QString>

class QLabel;

namespace folio {

struct SharedState;

// "Score 7: Song 7" for the entry shown in the main window now; "Score 8: (no title)" for an
// entry without a title; "No score is shown" when the main window shows no entry.
QString shownEntryName(const SharedState& state);

// Shows shownEntryName in a one-line label; a name wider than the label ends in an ellipsis and
// the whole name is in its tip.
void showEntryName(QLabel* label, const SharedState& state);

// Shows text as it is, never as markup, in a one-line label; text wider than the label ends in
// an ellipsis and the whole text is in its tip.
void showOneLine(QLabel* label, const QString& text);

} // namespace folio
