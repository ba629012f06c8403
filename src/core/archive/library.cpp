// The library's rows: facts from one listing, filtering, sorting.
#include "core/archive/library.h"

#include "core/files/file_ops.h"
#include "core/midi/midi_store.h"
#include "core/playlists/playlist_store.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <system_error>
#include <utility>

namespace folio {
namespace {

namespace fs = std::filesystem;

// The entry number a page or recording file name stands for ("12L.jpg" with side 'L'), or 0.
int numberOf(std::string_view name, std::string_view suffix) {
    if (!name.ends_with(suffix) || name.size() == suffix.size())
        return 0;
    name.remove_suffix(suffix.size());
    if (name.size() > 4 || (name.size() > 1 && name[0] == '0'))
        return 0;
    int number = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), number);
    return error == std::errc{} && end == name.data() + name.size() ? number : 0;
}

// Each regular file of folder whose name ends with suffix, by the number before it, with its
// size.
std::map<int, std::uintmax_t> numberedFiles(const fs::path& folder, std::string_view suffix,
                                            int lastEntry) {
    std::map<int, std::uintmax_t> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const int number = numberOf(utf8Path(it->path().filename()), suffix);
        std::error_code fileError;
        if (number < 1 || number > lastEntry || !it->is_regular_file(fileError))
            continue;
        found[number] = it->file_size(fileError);
    }
    return found;
}

FileState pageState(const std::map<int, std::uintmax_t>& pages, int number, const fs::path& page,
                    const fs::path& placeholder, std::uintmax_t placeholderSize) {
    const auto found = pages.find(number);
    if (found == pages.end())
        return FileState::Missing;
    if (placeholderSize > 0 && found->second == placeholderSize && sameBytes(page, placeholder))
        return FileState::Placeholder;
    return FileState::Present;
}

// How many times each entry number stands in a playlist's tracks ("12,5,7,#").
void countPlaylists(const Installation& installation, std::vector<EntryFacts>& facts) {
    PlaylistStore store(installation);
    store.read();
    for (const Playlist& playlist : store.playlists()) {
        std::vector<bool> seen(facts.size());
        std::string_view tracks = playlist.tracks;
        while (!tracks.empty()) {
            const std::size_t comma = tracks.find(',');
            const std::string_view track = tracks.substr(0, comma);
            tracks =
                comma == std::string_view::npos ? std::string_view() : tracks.substr(comma + 1);
            int number = 0;
            const auto [end, error] =
                std::from_chars(track.data(), track.data() + track.size(), number);
            if (error != std::errc{} || end != track.data() + track.size() || number < 1 ||
                static_cast<std::size_t>(number) >= facts.size() ||
                seen[static_cast<std::size_t>(number)])
                continue;
            seen[static_cast<std::size_t>(number)] = true;
            ++facts[static_cast<std::size_t>(number)].playlists;
        }
    }
}

} // namespace

std::vector<EntryFacts> readEntryFacts(const Installation& installation, int lastEntry) {
    std::vector<EntryFacts> facts(static_cast<std::size_t>(std::max(lastEntry, 0)) + 1);
    const fs::path folder = installation.resolve("spartiti");
    const std::map<int, std::uintmax_t> left = numberedFiles(folder, "L.jpg", lastEntry);
    const std::map<int, std::uintmax_t> right = numberedFiles(folder, "R.jpg", lastEntry);
    const std::map<int, std::uintmax_t> audio =
        numberedFiles(installation.resolve("spartiti\\audio"), ".mp3", lastEntry);
    const fs::path placeholder = installation.resolve(placeholderPagePath);
    std::error_code ec;
    const std::uintmax_t placeholderSize =
        fileExists(placeholder) ? fs::file_size(placeholder, ec) : 0;
    for (int n = 1; n <= lastEntry; ++n) {
        EntryFacts& entry = facts[static_cast<std::size_t>(n)];
        entry.left = pageState(left, n, installation.path({EntryFileKind::LeftPage, n}),
                               placeholder, placeholderSize);
        entry.right = pageState(right, n, installation.path({EntryFileKind::RightPage, n}),
                                placeholder, placeholderSize);
        entry.recording = audio.contains(n) ? FileState::Present : FileState::Missing;
    }
    MidiStore midi;
    if (midi.load(installation) == MidiLoad::Loaded) {
        for (int r = 1; r <= midi.recordCount(); ++r) {
            const std::optional<int> entry = midiEntryOfKey(midi.record(r).entryKey);
            if (entry && *entry >= 1 && *entry <= lastEntry)
                facts[static_cast<std::size_t>(*entry)].midi = true;
        }
    }
    countPlaylists(installation, facts);
    return facts;
}

bool hasNoCategory(std::string_view category) {
    return category.empty() || category == "0";
}

std::string categoryShown(std::string_view category, const CategoryNames& names) {
    if (hasNoCategory(category))
        return {};
    int number = 0;
    const auto [end, error] =
        std::from_chars(category.data(), category.data() + category.size(), number);
    if (error == std::errc{} && end == category.data() + category.size() && number >= 1 &&
        number < static_cast<int>(names.size()) && !names[static_cast<std::size_t>(number)].empty())
        return names[static_cast<std::size_t>(number)];
    return std::string(category);
}

namespace {

std::vector<std::string> tagWords(const std::string& tags) {
    std::vector<std::string> words;
    std::string word;
    for (char c : tags + " ") {
        if (c == ' ' || c == ',') {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    return words;
}

} // namespace

std::string tagsWith(const std::string& tags, const std::string& tag) {
    const std::vector<std::string> words = tagWords(tags);
    if (std::find(words.begin(), words.end(), tag) != words.end())
        return tags;
    return tags.empty() ? tag : tags + " " + tag;
}

std::string tagsWithout(const std::string& tags, const std::string& tag) {
    const std::vector<std::string> words = tagWords(tags);
    if (std::find(words.begin(), words.end(), tag) == words.end())
        return tags;
    std::string kept;
    for (const std::string& word : words) {
        if (word != tag)
            kept += (kept.empty() ? "" : " ") + word;
    }
    return kept;
}

std::string sortKey(std::string_view text) {
    std::string key;
    key.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] >= '0' && text[i] <= '9') {
            std::size_t end = i;
            while (end < text.size() && text[end] >= '0' && text[end] <= '9')
                ++end;
            std::string_view digits = text.substr(i, end - i);
            while (digits.size() > 1 && digits[0] == '0')
                digits.remove_prefix(1);
            // A run of digits sorts by its length first, then by its digits.
            key += static_cast<char>('0' + std::min<std::size_t>(digits.size(), 9));
            key += digits;
            i = end;
            continue;
        }
        // One character folded at a time: case and accents go, doubled letters stay.
        key += foldForSearch(text.substr(i, 1));
        ++i;
    }
    return key;
}

namespace {

// The words of a filter: what stands between spaces, tabs and no-break spaces.
std::vector<std::string_view> filterWords(std::string_view filter) {
    std::vector<std::string_view> words;
    std::size_t start = 0;
    while (start < filter.size()) {
        const std::size_t end = filter.find_first_of(" \t\xA0", start);
        const std::size_t stop = end == std::string_view::npos ? filter.size() : end;
        if (stop > start)
            words.push_back(filter.substr(start, stop - start));
        start = stop + 1;
    }
    return words;
}

// Entries 1 to the entry count in which every word of filter is found, folded, in the title,
// the author, the tags or the category's name; all of them for a filter without words.
std::vector<int> filteredRows(const ScoreArchive& archive, const ScoreSearch& search,
                              const CategoryNames& names, std::string_view filter) {
    const int count = archive.entryCount();
    const std::vector<std::string_view> words = filterWords(filter);
    std::vector<int> rows;
    if (words.empty()) {
        rows.resize(static_cast<std::size_t>(count));
        for (int n = 1; n <= count; ++n)
            rows[static_cast<std::size_t>(n - 1)] = n;
        return rows;
    }
    // How many words each entry has matched so far; a category's name is folded once.
    std::vector<std::size_t> found(static_cast<std::size_t>(count) + 1, 0);
    std::map<std::string, std::string> foldedCategories;
    const auto categoryOf = [&](int n) -> const std::string& {
        const std::string& category = archive.slot(n).category;
        auto [place, added] = foldedCategories.try_emplace(category);
        if (added)
            place->second = foldForSearch(categoryShown(category, names));
        return place->second;
    };
    for (std::size_t w = 0; w < words.size(); ++w) {
        const std::string needle = foldForSearch(words[w]);
        std::vector<char> hit(static_cast<std::size_t>(count) + 1, 0);
        for (int n : search.matches(words[w]))
            hit[static_cast<std::size_t>(n)] = 1;
        for (int n = 1; n <= count; ++n) {
            const auto at = static_cast<std::size_t>(n);
            if (found[at] != w)
                continue;
            // A word that folds to nothing (no letter the fold keeps) narrows nothing.
            if (needle.empty() || hit[at] || categoryOf(n).find(needle) != std::string::npos)
                ++found[at];
        }
    }
    for (int n = 1; n <= count; ++n) {
        if (found[static_cast<std::size_t>(n)] == words.size())
            rows.push_back(n);
    }
    return rows;
}

} // namespace

std::vector<int> libraryRows(const ScoreArchive& archive, const std::vector<EntryFacts>& facts,
                             const ScoreSearch& search, const CategoryNames& names,
                             const LibraryQuery& query) {
    const int count = archive.entryCount();
    const auto factsOf = [&](int n) {
        return static_cast<std::size_t>(n) < facts.size() ? facts[static_cast<std::size_t>(n)]
                                                          : EntryFacts{};
    };
    std::vector<int> rows = filteredRows(archive, search, names, query.filter);
    std::map<std::pair<std::string, std::string>, int> pairs;
    if (query.show == LibraryShow::SameTitleAndAuthor) {
        for (int n = 1; n <= count; ++n)
            ++pairs[{foldForSearch(archive.slot(n).title), foldForSearch(archive.slot(n).author)}];
    }
    std::erase_if(rows, [&](int n) {
        const ScoreEntry& entry = archive.slot(n);
        const EntryFacts f = factsOf(n);
        switch (query.show) {
        case LibraryShow::All:
            return false;
        case LibraryShow::MissingPage:
            return f.left != FileState::Missing && f.right != FileState::Missing;
        case LibraryShow::MissingRecording:
            return f.recording != FileState::Missing;
        case LibraryShow::NoCategory:
            return !hasNoCategory(entry.category);
        case LibraryShow::SameTitleAndAuthor:
            return pairs[{foldForSearch(entry.title), foldForSearch(entry.author)}] < 2;
        }
        return false;
    });

    // Each row's key is made once; equal keys keep the number order.
    std::vector<std::pair<std::string, int>> keyed;
    std::vector<std::pair<long long, int>> numbered;
    const auto text = [&](int n) -> std::string {
        const ScoreEntry& entry = archive.slot(n);
        switch (query.column) {
        case LibraryColumn::Title:
            return sortKey(entry.title);
        case LibraryColumn::Author:
            return sortKey(entry.author);
        case LibraryColumn::Tags:
            return sortKey(entry.tags);
        case LibraryColumn::Category:
            // Scores without a category come after every named one.
            return hasNoCategory(entry.category) ? std::string(1, '\xff')
                                                 : sortKey(categoryShown(entry.category, names));
        default:
            return {};
        }
    };
    const auto number = [&](int n) -> long long {
        const EntryFacts f = factsOf(n);
        switch (query.column) {
        case LibraryColumn::LeftPage:
            return static_cast<long long>(f.left);
        case LibraryColumn::RightPage:
            return static_cast<long long>(f.right);
        case LibraryColumn::Recording:
            return static_cast<long long>(f.recording);
        case LibraryColumn::Midi:
            return f.midi ? 0 : 1;
        case LibraryColumn::Playlists:
            return f.playlists;
        default:
            return n;
        }
    };
    const bool byText =
        query.column == LibraryColumn::Title || query.column == LibraryColumn::Author ||
        query.column == LibraryColumn::Tags || query.column == LibraryColumn::Category;
    if (byText) {
        keyed.reserve(rows.size());
        for (int n : rows)
            keyed.emplace_back(text(n), n);
        std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
            return query.descending ? a.first > b.first : a.first < b.first;
        });
        for (std::size_t i = 0; i < rows.size(); ++i)
            rows[i] = keyed[i].second;
    } else {
        numbered.reserve(rows.size());
        for (int n : rows)
            numbered.emplace_back(number(n), n);
        std::stable_sort(numbered.begin(), numbered.end(), [&](const auto& a, const auto& b) {
            return query.descending ? a.first > b.first : a.first < b.first;
        });
        for (std::size_t i = 0; i < rows.size(); ++i)
            rows[i] = numbered[i].second;
    }
    return rows;
}

} // namespace folio
