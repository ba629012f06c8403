// The browser pages load midi.js as a script: what the store writes must declare the array midi
// of 17 strings per record, meaning what was saved.
#include "core/midi/midi_store.h"
#include "support/qt_printers.h"
#include "support/temp_installation.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <gtest/gtest.h>

namespace folio {
namespace {

QStringList loadMidiArray(const std::filesystem::path& file) {
    QProcess node;
    node.start(QStringLiteral("node"),
               {QStringLiteral(FOLIO_READ_ARRAY_SCRIPT), QString::fromStdString(file.string()),
                QStringLiteral("midi")});
    if (!node.waitForFinished(30000) || node.exitCode() != 0) {
        ADD_FAILURE() << "node could not load " << file << ": "
                      << node.readAllStandardError().toStdString();
        return {};
    }
    QStringList values;
    for (const QJsonValue& value : QJsonDocument::fromJson(node.readAllStandardOutput()).array()) {
        EXPECT_TRUE(value.isString());
        values << value.toString();
    }
    return values;
}

TEST(MidiScript, savedRecords_loadAsSeventeenStringsEach) {
    test::TempInstallation stand;
    // A record of another program, with a backslash the pages could not load as it stands.
    std::string file = "var midi = [\r\n\"012\",\r\n\"1,2,3\",\r\n\"\",\r\n\"a\\b\",\r\n";
    for (int c = 4; c <= kMidiChannels; ++c)
        file += "\"x\",\r\n";
    stand.write(kMidiFileName, file + " ];\r\n");
    MidiStore store;
    ASSERT_EQ(store.load(stand.installation()), MidiLoad::Loaded);
    MidiGrid grid;
    grid.fill("000,000,000");
    grid[0] = "\xE9,\x80,";
    grid[15] = "say \"hi\\";
    ASSERT_TRUE(store.save(stand.installation(), 5, grid).ok);

    const QStringList values = loadMidiArray(stand.path(kMidiFileName));
    ASSERT_EQ(values.size(), 2 * 17);
    QStringList expected{"012", "1,2,3", "", "a/b"};
    while (expected.size() < 17)
        expected << "x";
    expected << "5" << QStringLiteral(u"é,€,");
    while (expected.size() < 33)
        expected << "000,000,000";
    expected << "say 'hi/";
    EXPECT_EQ(values, expected);
}

} // namespace
} // namespace folio
