// The archive's titles as the playlist manager lists them: in reading order, each row knowing
// its entry, titles that several entries share told apart, and a filter over them that folds
// accents and case as the find box does.
#pragma once

#include "core/archive/score_search.h"

#include <QString>
#include <vector>

class QListWidget;

namespace folio {

class ScoreArchive;

// One row of the title list: the entry it adds and the text it shows.
struct TitleRow {
    int entry = 0;
    QString text;
};

// The rows for entries 1 to the entry count, in reading order. A title that several entries
// share reads "Nocturne (Chopin)" when its author is its own among them, "Nocturne (12)"
// otherwise.
std::vector<TitleRow> titleRowsOf(const ScoreArchive& archive);

// The title list's rows with the entries behind them, narrowed by a filter. The list holds
// only the rows the filter leaves: refilling it costs less than hiding thousands of rows, which
// the view then looks up one by one at every layout.
class TitleList {
public:
    explicit TitleList(QListWidget* list) : list_(list) {}

    // Fills the list anew from the archive, keeping the filter as it is.
    void show(const ScoreArchive& archive);
    // Lists only the rows whose entry's title, author or tags hold the text; all for none.
    void filter(const QString& text);

    // The entry behind a row of the list, 0 for no row.
    int entryOf(int row) const;
    // The number of rows the filter leaves.
    int shownCount() const { return static_cast<int>(entryOfRow_.size()); }
    // The selected rows, in list order.
    std::vector<int> selectedRows() const;

private:
    QListWidget* list_;
    ScoreSearch search_;
    std::vector<TitleRow> all_;
    // Per entry, its place in all_, -1 for none.
    std::vector<int> placeOfEntry_;
    std::vector<int> entryOfRow_;
    QString filter_;
};

} // namespace folio
