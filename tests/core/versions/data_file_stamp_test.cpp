// Whether a data file is still what the program read: a change of its bytes is one, a newer
// time alone is not, and a file that appears, goes or becomes unreadable is one too.
#include "core/versions/data_file_stamp.h"
#include "support/rows.h"
#include "support/temp_installation.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace folio {
namespace {

namespace fs = std::filesystem;

TEST(DataFileStamp, tellsAChangedFileFromOneRewrittenAsItWas) {
    struct Row {
        const char* what;
        const char* before; // nullptr: no file
        std::function<void(const test::TempInstallation&)> change;
        bool same;
    };
    const auto write = [](const char* bytes) {
        return [bytes](const test::TempInstallation& stand) {
            stand.write("spartiti\\midi.js", bytes);
        };
    };
    const Row rows[] = {
        {"untouched", "var midi = [\r\n ];\r\n", [](const test::TempInstallation&) {}, true},
        {"the same bytes written again, a minute later", "var midi = [\r\n ];\r\n",
         [](const test::TempInstallation& stand) {
             stand.write("spartiti\\midi.js", "var midi = [\r\n ];\r\n");
             fs::last_write_time(stand.path("spartiti\\midi.js"),
                                 fs::last_write_time(stand.path("spartiti\\midi.js")) +
                                     std::chrono::minutes(1));
         },
         true},
        {"other bytes of the same size", "var midi = [\r\n\"1\",\r\n ];\r\n",
         write("var midi = [\r\n\"2\",\r\n ];\r\n"), false},
        {"one byte more", "var midi = [\r\n ];\r\n", write("var midi = [\r\n ];\r\n\r"), false},
        {"emptied", "var midi = [\r\n ];\r\n", write(""), false},
        {"removed", "var midi = [\r\n ];\r\n",
         [](const test::TempInstallation& stand) { fs::remove(stand.path("spartiti\\midi.js")); },
         false},
        {"made where there was none", nullptr, write("var midi = [\r\n ];\r\n"), false},
        {"still missing", nullptr, [](const test::TempInstallation&) {}, true},
        {"a folder in its place", "var midi = [\r\n ];\r\n",
         [](const test::TempInstallation& stand) {
             fs::remove(stand.path("spartiti\\midi.js"));
             fs::create_directory(stand.path("spartiti\\midi.js"));
         },
         false},
    };
    test::forEachRow(rows, [](const Row& row) {
        test::TempInstallation stand;
        if (row.before)
            stand.write("spartiti\\midi.js", row.before);
        const DataFileStamp before = dataFileStamp(stand.installation(), DataFile::Midi);
        EXPECT_EQ(before.state,
                  row.before ? DataFileStamp::State::Read : DataFileStamp::State::Missing);
        row.change(stand);
        const DataFileStamp now = dataFileStamp(stand.installation(), DataFile::Midi);
        EXPECT_EQ(sameFile(before, now), row.same);
        // The stamp names only the file asked for: the others are no part of it.
        EXPECT_EQ(dataFileStamp(stand.installation(), DataFile::Archive).state,
                  DataFileStamp::State::Missing);
    });
}

} // namespace
} // namespace folio
