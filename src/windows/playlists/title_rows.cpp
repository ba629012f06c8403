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
    all_ = titleRowsOf(archive);
    placeOfEntry_.assign(ScoreArchive::kSlotCount, -1);
    for (std::size_t place = 0; place < all_.size(); ++place)
        placeOfEntry_[static_cast<std::size_t>(all_[place].entry)] = static_cast<int>(place);
    search_.rebuild(archive);
    filter(filter_);
}

void TitleList::filter(const QString& text) {
    filter_ = text;
    const std::string query = toCp1252(text);
    std::vector<int> places;
    if (foldForSearch(query).empty()) {
        places.resize(all_.size());
        for (std::size_t place = 0; place < all_.size(); ++place)
            places[place] = static_cast<int>(place);
    } else {
        for (int entry : search_.matches(query))
            if (const int place = placeOfEntry_[static_cast<std::size_t>(entry)]; place >= 0)
                places.push_back(place);
        std::sort(places.begin(), places.end());
    }
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(places.size()));
    entryOfRow_.clear();
    entryOfRow_.reserve(places.size());
    for (int place : places) {
        const TitleRow& row = all_[static_cast<std::size_t>(place)];
        texts.append(row.text);
        entryOfRow_.push_back(row.entry);
    }
    list_->clear();
    list_->addItems(texts);
}

int TitleList::entryOf(int row) const {
    if (row < 0 || row >= shownCount())
        return 0;
    return entryOfRow_[static_cast<std::size_t>(row)];
}

std::vector<int> TitleList::selectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : list_->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

} // namespace folio
