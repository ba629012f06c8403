// A data file changed by another program since Folioscribe read it is noticed at the save, which
// asks before saving over it; the other program's file is kept as a version.
#include "app/program_windows.h"
#include "platform/widgets.h"
#include "support/fake_dialogs.h"
#include "support/rows.h"
#include "support/temp_installation.h"
#include "support/user_input.h"
#include "windows/common/shared_state.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace folio {
namespace {

namespace fs = std::filesystem;
using test::crlf;

std::string midiFile(const char* channelOne) {
    std::string midi = crlf({"var midi = [", R"("1",)"});
    midi += crlf({channelOne});
    for (int channel = 2; channel <= kMidiChannels; ++channel)
        midi += crlf({R"("000,000,000",)"});
    return midi + crlf({" ];"});
}

// The copies of name kept under spartiti/backup, by their bytes.
std::vector<std::string> keptCopies(const test::TempInstallation& stand, const std::string& name) {
    std::vector<std::string> copies;
    const fs::path backup = stand.path("spartiti\\backup");
    if (!fs::is_directory(backup))
        return copies;
    for (const fs::directory_entry& item : fs::recursive_directory_iterator(backup)) {
        if (item.path().filename() == name) {
            std::ifstream in(item.path(), std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            copies.push_back(bytes.str());
        }
    }
    return copies;
}

TEST(ChangedElsewhere, theSaveAsksBeforeSavingOverAnotherProgramsChange) {
    enum class Which { Archive, Playlists, Midi };
    struct Row {
        const char* what;
        Which which;
        // What the other program writes; empty: it writes the very same bytes again.
        const char* other;
        bool yes;
        bool asked;
    };
    const std::string otherArchive = test::songArchive(4, "Other");
    const std::string otherPlaylists =
        crlf({"var playlist = [", R"("Other","1,#",)", R"("Sunday","2,1,#",)", " ];"});
    const std::string otherMidi = midiFile(R"("001,002,003",)");
    const Row rows[] = {
        {"archivio.js, Yes", Which::Archive, otherArchive.c_str(), true, true},
        {"archivio.js, No", Which::Archive, otherArchive.c_str(), false, true},
        {"playlist.js, Yes", Which::Playlists, otherPlaylists.c_str(), true, true},
        {"playlist.js, No", Which::Playlists, otherPlaylists.c_str(), false, true},
        {"midi.js, Yes", Which::Midi, otherMidi.c_str(), true, true},
        {"midi.js, No", Which::Midi, otherMidi.c_str(), false, true},
        {"archivio.js rewritten with the same bytes", Which::Archive, "", false, false},
    };
    test::forEachRow(rows, [](const Row& row) {
        test::TempInstallation stand;
        stand.write("spartiti\\archivio.js", test::songArchive(2));
        stand.write("spartiti\\playlist.js",
                    crlf({"var playlist = [", R"("Sunday","2,1,#",)", " ];"}));
        stand.write("spartiti\\midi.js", midiFile(R"("000,000,000",)"));
        SharedState state{stand.installation()};
        test::FakeDialogs dialogs;
        ProgramWindows windows{state, dialogs};
        ASSERT_TRUE(windows.openStand(toQtPath(stand.root())));
        Form1* main = windows.mainWindow();
        const char* name = row.which == Which::Archive     ? "archivio.js"
                           : row.which == Which::Playlists ? "playlist.js"
                                                           : "midi.js";
        const std::string file = std::string("spartiti\\") + name;
        if (row.which == Which::Playlists) {
            test::triggerEnabled(main->playlist);
            QTest::keyClicks(windows.playlistManager()->Text1, QStringLiteral("Evening"));
        }
        if (row.which == Which::Midi) {
            test::triggerEnabled(main->midi);
            windows.midiWindow()->MSB[1]->selectAll();
            QTest::keyClicks(windows.midiWindow()->MSB[1], QStringLiteral("42"));
        }
        const std::string other = *row.other ? std::string(row.other) : stand.read(file);
        stand.write(file, other);
        dialogs.clear();
        dialogs.setNextAnswer(row.yes);

        if (row.which == Which::Archive)
            test::clickEnabled(main->Command1);
        if (row.which == Which::Playlists)
            test::clickEnabled(windows.playlistManager()->Command1);
        if (row.which == Which::Midi)
            test::clickEnabled(windows.midiWindow()->Command3);

        const QString question =
            QString::fromLatin1(name) +
            QStringLiteral(" was changed by another program since Folioscribe read it. Save over "
                           "it? The other version is kept, and \"Restore…\" brings it back.");
        const bool saved = !row.asked || row.yes;
        if (row.asked) {
            ASSERT_FALSE(dialogs.shown().empty());
            EXPECT_EQ(dialogs.shown().front().text, question);
            EXPECT_TRUE(dialogs.shown().front().defaultNo);
        } else {
            EXPECT_FALSE(dialogs.texts().contains(question));
        }
        EXPECT_EQ(dialogs.shown().size(), (row.asked ? 1U : 0U) + (saved ? 1U : 0U))
            << dialogs.texts().join(" | ").toStdString();
        if (!saved) {
            EXPECT_EQ(stand.read(file), other);
            EXPECT_TRUE(keptCopies(stand, name).empty());
            return;
        }
        EXPECT_NE(stand.read(file), row.asked ? other : std::string());
        if (row.which == Which::Archive) {
            EXPECT_EQ(stand.read(file), test::songArchive(2));
        }
        if (row.asked) {
            EXPECT_EQ(keptCopies(stand, name), std::vector<std::string>{other});
        }
        // Once saved, the file is this program's again: the next save asks nothing.
        dialogs.clear();
        if (row.which == Which::Archive)
            test::clickEnabled(main->Command1);
        if (row.which == Which::Midi)
            test::clickEnabled(windows.midiWindow()->Command3);
        if (row.which == Which::Playlists)
            test::clickEnabled(windows.playlistManager()->Command1);
        EXPECT_FALSE(dialogs.texts().contains(question));
    });
}

} // namespace
} // namespace folio
