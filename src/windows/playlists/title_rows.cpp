// The playlist manager's title list: rows told apart, and the filter over them.
#include "windows/playlists/title_rows.h"

#include "core/archive/score_archive.h"
#include "platform/cp1252.h"
#include "platform/reading_order.h"

#include <QListWidget>
#include <algorithm>
#include <map>
#include <string>

namespace folio {
namespace {

// The text of entry k's row: its title, and what tells it apart when others share the title.
QString rowText(const ScoreArchive& archive, int entry, const std::vector<int>& sameTitle) {
    const ScoreEntry& mine = archive.slot(entry);
    const QString title = fromCp1252(mine.title);
    if (sameTitle.size() < 2)
        return title;
    const bool ownAuthor =
        !mine.author.empty() && std::none_of(sameTitle.begin(), sameTitle.end(), [&](int other) {
            return other != entry && archive.slot(other).author == mine.author;
        });
    if (ownAuthor)
        return QStringLiteral("%1 (%2)").arg(title, fromCp1252(mine.author));
    return QStringLiteral("%1 (%2)").arg(title).arg(entry);
}

} // namespace

std::vector<TitleRow> titleRowsOf(const ScoreArchive& archive) {
    const int count = archive.entryCount();
    std::map<std::string_view, std::vector<int>> byTitle;
    for (int k = 1; k <= count; ++k)
        byTitle[archive.slot(k).title].push_back(k);

    QStringList texts;
    texts.reserve(count);
    std::vector<int> entries;
    entries.reserve(static_cast<std::size_t>(count));
    for (int k = 1; k <= count; ++k) {
        texts.append(rowText(archive, k, byTitle[archive.slot(k).title]));
        entries.push_back(k);
    }
    // Sorting the texts keeps equal ones in entry order; each text is then matched back to its
    // entries in that same order.
    std::map<QString, std::vector<int>> entriesOfText;
    for (int k = 1; k <= count; ++k)
        entriesOfText[texts[k - 1]].push_back(k);
    std::map<QString, std::size_t> taken;
    std::vector<TitleRow> rows;
    rows.reserve(static_cast<std::size_t>(count));
    for (const QString& text : sortedForReading(texts))
        rows.push_back({entriesOfText[text][taken[text]++], text});
    return rows;
}

void TitleList::show(const ScoreArchive& archive) {
    const std::vector<TitleRow> rows = titleRowsOf(archive);
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(rows.size()));
    entryOfRow_.clear();
    rowOfEntry_.assign(ScoreArchive::kSlotCount, -1);
    for (const TitleRow& row : rows) {
        rowOfEntry_[static_cast<std::size_t>(row.entry)] = static_cast<int>(entryOfRow_.size());
        entryOfRow_.push_back(row.entry);
        texts.append(row.text);
    }
    list_->clear();
    list_->addItems(texts);
    shown_.assign(rows.size(), 1);
    search_.rebuild(archive);
    const QString text = filter_;
    filter_.clear();
    filter(text);
}

void TitleList::filter(const QString& text) {
    filter_ = text;
    const std::string query = toCp1252(text);
    if (foldForSearch(query).empty()) {
        showOnly(std::vector<char>(entryOfRow_.size(), 1));
        return;
    }
    std::vector<char> wanted(entryOfRow_.size(), 0);
    for (int entry : search_.matches(query)) {
        const int row = rowOfEntry_[static_cast<std::size_t>(entry)];
        if (row >= 0)
            wanted[static_cast<std::size_t>(row)] = 1;
    }
    showOnly(wanted);
}

// Only the rows that change are touched: hiding a row costs the view a persistent index.
void TitleList::showOnly(const std::vector<char>& wanted) {
    for (std::size_t row = 0; row < wanted.size(); ++row) {
        if (wanted[row] == shown_[row])
            continue;
        list_->setRowHidden(static_cast<int>(row), !wanted[row]);
        shown_[row] = wanted[row];
    }
}

int TitleList::entryOf(int row) const {
    if (row < 0 || row >= static_cast<int>(entryOfRow_.size()))
        return 0;
    return entryOfRow_[static_cast<std::size_t>(row)];
}

std::vector<int> TitleList::shownRows() const {
    std::vector<int> rows;
    for (std::size_t row = 0; row < shown_.size(); ++row)
        if (shown_[row])
            rows.push_back(static_cast<int>(row));
    return rows;
}

std::vector<int> TitleList::selectedShownRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : list_->selectionModel()->selectedRows()) {
        const int row = index.row();
        if (row >= 0 && row < static_cast<int>(shown_.size()) &&
            shown_[static_cast<std::size_t>(row)])
            rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

} // namespace folio
