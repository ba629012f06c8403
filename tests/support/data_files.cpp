// Data files for tests.
#include "support/data_files.h"

#include "core/midi/midi_store.h"

namespace folio::test {

std::string scriptArray(std::string_view name, const std::vector<std::string>& values) {
    std::string bytes = "var " + std::string(name) + " = [\r\n";
    for (const std::string& value : values)
        bytes += "\"" + value + "\",\r\n";
    return bytes + " ];\r\n";
}

std::string archiveKeepingNumbers(const std::vector<ScoreEntry>& entries) {
    std::vector<std::string> values;
    for (const ScoreEntry& e : entries)
        values.insert(values.end(), {e.number, e.title, e.author, e.tags, e.category});
    return scriptArray("archivio", values);
}

std::string archiveFile(const std::vector<ScoreEntry>& entries) {
    std::vector<ScoreEntry> numbered = entries;
    for (std::size_t i = 0; i < numbered.size(); ++i)
        numbered[i].number = std::to_string(i + 1);
    return archiveKeepingNumbers(numbered);
}

std::vector<ScoreEntry> songs(int count, const ScoreEntry& like) {
    std::vector<ScoreEntry> entries;
    for (int n = 1; n <= count; ++n) {
        ScoreEntry entry = like;
        entry.number = std::to_string(n);
        entry.title = "Song " + std::to_string(n);
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string categoryFile(int count) {
    std::vector<std::string> names;
    for (int i = 1; i <= count; ++i)
        names.push_back("Genre " + std::to_string(i));
    return scriptArray("generi", names);
}

std::string playlistFile(int count) {
    std::string bytes = "var playlist = [\r\n";
    for (int i = 1; i <= count; ++i)
        bytes += "\"List " + std::to_string(i) + "\",\"" + std::to_string(i) + ",#\",\r\n";
    return bytes + " ];\r\n";
}

std::string midiFile(const std::vector<std::vector<std::string>>& records) {
    std::vector<std::string> values;
    for (const std::vector<std::string>& record : records)
        values.insert(values.end(), record.begin(), record.end());
    return scriptArray("midi", values);
}

std::vector<std::string> midiRecord(std::string key, std::vector<std::string> channels) {
    channels.resize(kMidiChannels, "000,000,000");
    channels.insert(channels.begin(), std::move(key));
    return channels;
}

} // namespace folio::test
