// The folding table of Windows-1252 and the search over the folded fields.
#include "core/archive/score_search.h"

#include <algorithm>
#include <array>

namespace folio {
namespace {

using FoldTable = std::array<std::string_view, 256>;

FoldTable makeFoldTable() {
    static const std::array<char, 256> bytes = [] {
        std::array<char, 256> all{};
        for (int b = 0; b < 256; ++b)
            all[b] = static_cast<char>(b);
        return all;
    }();
    FoldTable table;
    for (int b = 0; b < 256; ++b)
        table[b] = std::string_view(&bytes[b], 1);
    for (int b = 'A'; b <= 'Z'; ++b)
        table[b] = table[b - 'A' + 'a'];
    auto fold = [&](std::string_view from, std::string_view to) {
        for (char b : from)
            table[static_cast<unsigned char>(b)] = to;
    };
    fold("\xC0\xC1\xC2\xC3\xC4\xC5\xE0\xE1\xE2\xE3\xE4\xE5", "a");
    fold("\xC6\xE6", "ae");
    fold("\xC7\xE7", "c");
    fold("\xD0\xF0", "d");
    fold("\xC8\xC9\xCA\xCB\xE8\xE9\xEA\xEB", "e");
    fold("\x83", "f");
    fold("\xCC\xCD\xCE\xCF\xEC\xED\xEE\xEF", "i");
    fold("\xD1\xF1", "n");
    fold("\xD2\xD3\xD4\xD5\xD6\xD8\xF2\xF3\xF4\xF5\xF6\xF8", "o");
    fold("\x8C\x9C", "oe");
    fold("\x8A\x9A", "s");
    fold("\xDF", "ss");
    fold("\xDE\xFE", "th");
    fold("\xD9\xDA\xDB\xDC\xF9\xFA\xFB\xFC", "u");
    fold("\x9F\xDD\xFD\xFF", "y");
    fold("\x8E\x9E", "z");
    return table;
}

const FoldTable& foldTable() {
    static const FoldTable table = makeFoldTable();
    return table;
}

bool isPlainLetter(char c) {
    return c >= 'a' && c <= 'z';
}

void appendFolded(std::string& out, std::string_view text) {
    const FoldTable& table = foldTable();
    for (char byte : text) {
        for (char c : table[static_cast<unsigned char>(byte)]) {
            if (isPlainLetter(c) && !out.empty() && out.back() == c)
                continue;
            out.push_back(c);
        }
    }
}

} // namespace

std::string foldForSearch(std::string_view text) {
    std::string folded;
    folded.reserve(text.size());
    appendFolded(folded, text);
    return folded;
}

ScoreSearch::ScoreSearch() : folded_(ScoreArchive::kSlotCount) {}

void ScoreSearch::rebuild(const ScoreArchive& archive) {
    for (int number = 0; number < ScoreArchive::kSlotCount; ++number)
        update(archive, number);
}

void ScoreSearch::update(const ScoreArchive& archive, int number) {
    entryCount_ = archive.entryCount();
    if (!ScoreArchive::isSlot(number))
        return;
    const ScoreEntry& entry = archive.slot(number);
    std::string& folded = folded_[static_cast<std::size_t>(number)];
    folded.clear();
    appendFolded(folded, entry.title);
    folded.push_back('\n');
    appendFolded(folded, entry.author);
    folded.push_back('\n');
    appendFolded(folded, entry.tags);
}

std::vector<int> ScoreSearch::matches(std::string_view query) const {
    std::vector<int> found;
    const std::string needle = foldForSearch(query);
    if (needle.empty())
        return found;
    for (int number = 1; number <= entryCount_; ++number) {
        if (folded_[static_cast<std::size_t>(number)].find(needle) != std::string::npos)
            found.push_back(number);
    }
    return found;
}

ScoreSearch::Found ScoreSearch::find(std::string_view query, int position,
                                     Direction direction) const {
    const std::vector<int> all = matches(query);
    if (all.empty())
        return {};
    std::vector<int>::const_iterator hit;
    switch (direction) {
    case Direction::FromHere:
        hit = std::lower_bound(all.begin(), all.end(), position);
        break;
    case Direction::Next:
        hit = std::upper_bound(all.begin(), all.end(), position);
        break;
    case Direction::Previous:
        hit = std::lower_bound(all.begin(), all.end(), position);
        hit = hit == all.begin() ? all.end() - 1 : hit - 1;
        break;
    }
    if (hit == all.end())
        hit = all.begin();
    return {*hit, static_cast<int>(hit - all.begin()) + 1, static_cast<int>(all.size())};
}

} // namespace folio
