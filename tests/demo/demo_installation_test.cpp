// The demo installation generator: what it writes must load in the program like a real stand.
#include "core/archive/score_archive.h"
#include "core/format/field_reader.h"
#include "core/midi/midi_store.h"
#include "demo/generator/demo_installation.h"
#include "support/temp_installation.h"
#include "windows/pdf_import/pdf_pages.h"

#include <QImage>
#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

namespace folio::demo {
namespace {

namespace fs = std::filesystem;
using test::TempInstallation;

const QSize kSmallPage{60, 85};

DemoOptions smallOptions(int entries) {
    DemoOptions options;
    options.entries = entries;
    options.pageSize = kSmallPage;
    return options;
}

void generate(const TempInstallation& stand, const DemoOptions& options) {
    QString error;
    ASSERT_TRUE(generateDemoInstallation(stand.root(), options, &error)) << error.toStdString();
    EXPECT_TRUE(error.isEmpty());
}

QImage pageImage(const TempInstallation& stand, std::string_view name) {
    return QImage(QString::fromStdString(stand.path(name).string()));
}

int darkPixels(const QImage& image) {
    int dark = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            dark += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
    }
    return dark;
}

TEST(DemoArchive, defaultSample_loadsWithCommaAndAccentedTitles) {
    TempInstallation stand(false);
    generate(stand, smallOptions(12));

    ScoreArchive archive;
    loadArchive(archive, stand.installation());
    ASSERT_EQ(archive.entryCount(), 12);
    EXPECT_EQ(archive.slot(1).number, "1");
    EXPECT_EQ(archive.slot(1).title, "Nocturne in E-flat major");
    EXPECT_EQ(archive.slot(2).title, "Lanterns, Rain and Rivers");
    EXPECT_EQ(archive.slot(3).title, "F\xfcr Elise");
    EXPECT_EQ(archive.slot(4).title, "Caf\xe9 on the Corner");
    EXPECT_EQ(archive.slot(12).number, "12");
    for (int n = 1; n <= 12; ++n) {
        EXPECT_FALSE(archive.slot(n).author.empty()) << n;
        EXPECT_NE(archive.slot(n).category, "0") << n;
    }
    const std::string bytes = stand.read("spartiti\\archivio.js");
    EXPECT_EQ(bytes.rfind("var archivio = [\r\n\"1\",\r\n", 0), 0u);
    EXPECT_TRUE(bytes.ends_with("\"Evening Prelude\",\r\n\"Clara Lindqvist\",\r\n\"piano "
                                "prelude\",\r\n\"17\",\r\n ];\r\n"));
}

TEST(DemoArchive, moreEntriesThanTheSample_areNumberedStudies) {
    TempInstallation stand(false);
    generate(stand, smallOptions(30));
    ScoreArchive archive;
    loadArchive(archive, stand.installation());
    ASSERT_EQ(archive.entryCount(), 30);
    EXPECT_EQ(archive.slot(13).title, "Study No. 13");
    EXPECT_EQ(archive.slot(30).title, "Study No. 30");
    EXPECT_EQ(archive.slot(30).number, "30");
}

TEST(DemoArchive, fewerEntriesThanTheSample_takesTheFirst) {
    TempInstallation stand(false);
    generate(stand, smallOptions(3));
    ScoreArchive archive;
    loadArchive(archive, stand.installation());
    ASSERT_EQ(archive.entryCount(), 3);
    EXPECT_EQ(archive.slot(3).title, "F\xfcr Elise");
    EXPECT_FALSE(stand.exists("spartiti\\4L.jpg"));
}

TEST(DemoPages, everyExistingPage_decodesAtTheRequestedSizeAndShowsMusic) {
    TempInstallation stand(false);
    generate(stand, smallOptions(12));
    int pages = 0;
    for (int n = 1; n <= 12; ++n) {
        for (const std::string& name : {leftPagePath(n), rightPagePath(n)}) {
            if (!stand.exists(name))
                continue;
            ++pages;
            QImage image = pageImage(stand, name);
            ASSERT_FALSE(image.isNull()) << name;
            EXPECT_EQ(image.size(), kSmallPage) << name;
            EXPECT_GT(darkPixels(image), 50) << name;
        }
    }
    // Entry 4 has no pages and entry 7 only a left one, as in a real archive.
    EXPECT_EQ(pages, 21);
    EXPECT_FALSE(stand.exists(leftPagePath(4)));
    EXPECT_FALSE(stand.exists(rightPagePath(4)));
    EXPECT_TRUE(stand.exists(leftPagePath(7)));
    EXPECT_FALSE(stand.exists(rightPagePath(7)));
    EXPECT_NE(pageImage(stand, leftPagePath(1)), pageImage(stand, rightPagePath(1)));
}

TEST(DemoPages, everyEntryHasPages_givesBothPagesToAll) {
    TempInstallation stand(false);
    DemoOptions options = smallOptions(12);
    options.everyEntryHasPages = true;
    generate(stand, options);
    for (int n = 1; n <= 12; ++n) {
        EXPECT_TRUE(stand.exists(leftPagePath(n))) << n;
        EXPECT_TRUE(stand.exists(rightPagePath(n))) << n;
    }
}

TEST(DemoPages, placeholderPage_isAnEmptyStaffPage) {
    TempInstallation stand(false);
    generate(stand, smallOptions(2));
    QImage placeholder = pageImage(stand, placeholderPagePath);
    ASSERT_FALSE(placeholder.isNull());
    EXPECT_EQ(placeholder.size(), kSmallPage);
    const int staffLines = darkPixels(placeholder);
    EXPECT_GT(staffLines, 0);
    EXPECT_LT(staffLines, darkPixels(pageImage(stand, leftPagePath(1))));
    EXPECT_TRUE(fs::is_directory(stand.root() / "spartiti" / "images"));
}

TEST(DemoPdf, scorePdf_hasFourDistinctA4PagesOfMusic) {
    TempInstallation stand(false);
    generate(stand, smallOptions(2));
    PdfPages pdf;
    ASSERT_EQ(pdf.open(QString::fromStdString(stand.path(kDemoPdfName).string())), PdfOpen::Opened);
    ASSERT_EQ(pdf.pageCount(), kDemoPdfPages);
    std::vector<QImage> pages;
    for (int page = 0; page < kDemoPdfPages; ++page) {
        EXPECT_EQ(pdf.pointSize(page).toSize(), QSize(595, 842));
        pages.push_back(pdf.renderToFit(page, {120, 170}));
        EXPECT_GT(darkPixels(pages.back()), 100) << page;
        for (int earlier = 0; earlier < page; ++earlier)
            EXPECT_NE(pages[static_cast<std::size_t>(earlier)], pages.back()) << page;
    }
}

TEST(DemoPages, distinctPages_linksTheRestToTheDrawnOnes) {
    TempInstallation stand(false);
    DemoOptions options = smallOptions(6);
    options.distinctPages = 2;
    options.everyEntryHasPages = true;
    generate(stand, options);

    // Pages in order 1L, 1R, 2L, 2R, ...: the third page shares the first one's file.
    EXPECT_TRUE(fs::equivalent(stand.path(leftPagePath(1)), stand.path(leftPagePath(2))));
    EXPECT_TRUE(fs::equivalent(stand.path(rightPagePath(1)), stand.path(rightPagePath(6))));
    EXPECT_FALSE(fs::equivalent(stand.path(leftPagePath(1)), stand.path(rightPagePath(1))));
    EXPECT_EQ(fs::hard_link_count(stand.path(leftPagePath(1))), 6u);
    EXPECT_EQ(pageImage(stand, leftPagePath(5)).size(), kSmallPage);
}

TEST(DemoPages, regeneratingWithoutLinks_drawsEachPageOnItsOwn) {
    TempInstallation stand(false);
    DemoOptions options = smallOptions(4);
    options.distinctPages = 1;
    generate(stand, options);
    ASSERT_GT(fs::hard_link_count(stand.path(leftPagePath(1))), 1u);

    options.distinctPages = 0;
    generate(stand, options);
    EXPECT_EQ(fs::hard_link_count(stand.path(leftPagePath(1))), 1u);
    EXPECT_EQ(fs::hard_link_count(stand.path(leftPagePath(2))), 1u);
    EXPECT_NE(pageImage(stand, leftPagePath(1)), pageImage(stand, leftPagePath(2)));
}

TEST(DemoCategories, generiJs_holdsThirtyThreeQuotedNamesInTheDataFileLayout) {
    TempInstallation stand(false);
    generate(stand, smallOptions(1));
    const std::string bytes = stand.read("spartiti\\generi.js");
    ASSERT_EQ(bytes.rfind("var generi = [\r\n\"Classical\",\r\n", 0), 0u);
    EXPECT_TRUE(bytes.ends_with("\",\r\n ];\r\n"));

    FieldReader reader(bytes);
    ASSERT_TRUE(reader.skip());
    std::vector<std::string> names;
    for (int i = 1; i <= 33; ++i) {
        std::string_view name;
        ASSERT_TRUE(reader.next(name)) << i;
        EXPECT_FALSE(name.empty()) << i;
        names.emplace_back(name);
        std::string_view empty;
        ASSERT_TRUE(reader.next(empty));
        EXPECT_TRUE(empty.empty()) << i;
    }
    std::string_view last;
    ASSERT_TRUE(reader.next(last));
    EXPECT_EQ(last, "];");
    EXPECT_TRUE(reader.atEnd());
    EXPECT_EQ(names[1], "Jazz");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::unique(names.begin(), names.end()), names.end());
}

TEST(DemoPlaylists, playlistJs_holdsThreePlaylistsOfEntriesTheArchiveHas) {
    for (const auto& [entries, sunday, rain] :
         {std::tuple{12, "3,1,4,2,6,#", "2,5,7,#"}, std::tuple{3, "3,1,2,#", "2,#"}}) {
        TempInstallation stand(false);
        generate(stand, smallOptions(entries));
        EXPECT_EQ(
            stand.read("spartiti\\playlist.js"),
            test::crlf({"var playlist = [", std::string("\"Sunday morning\",\"") + sunday + "\",",
                        std::string("\"Rain, lanterns and night\",\"") + rain + "\",",
                        "\"New pieces\",\"#\",", " ];"}))
            << entries;
    }
}

// The sample set-ups load in the MIDI window's store and stay within the entries generated.
TEST(DemoMidi, midiJs_holdsSetUpsOfExistingEntriesOneKeyedWithALeadingZero) {
    const std::pair<int, std::vector<int>> cases[] = {{12, {1, 3, 5, 12}}, {4, {1, 3}}};
    for (const auto& [entries, withSetUp] : cases) {
        TempInstallation stand(false);
        generate(stand, smallOptions(entries));
        MidiStore store;
        ASSERT_EQ(store.load(stand.installation()), MidiLoad::Loaded);
        ASSERT_EQ(store.recordCount(), static_cast<int>(withSetUp.size())) << entries;
        for (int position = 1; position <= store.recordCount(); ++position)
            EXPECT_TRUE(
                store.belongsTo(position, withSetUp[static_cast<std::size_t>(position - 1)]))
                << position;
        if (entries == 12) {
            EXPECT_EQ(store.record(4).entryKey, "012");
        }
        EXPECT_EQ(store.record(2).channelText[1], "000,000,089");
    }
}

TEST(DemoRecordings, mp3Files_areWholeFramesEachStartingWithASync) {
    TempInstallation stand(false);
    generate(stand, smallOptions(12));
    for (int n : {1, 5, 12}) {
        const std::string bytes = stand.read(audioPath(n));
        ASSERT_GE(bytes.size(), 417u * 30) << n;
        ASSERT_EQ(bytes.size() % 417, 0u) << n;
        for (std::size_t frame = 0; frame < bytes.size(); frame += 417) {
            ASSERT_EQ(static_cast<unsigned char>(bytes[frame]), 0xFF) << n << " at " << frame;
            ASSERT_EQ(static_cast<unsigned char>(bytes[frame + 1]) & 0xE0, 0xE0);
        }
    }
    EXPECT_FALSE(stand.exists(audioPath(2)));
}

TEST(DemoFailures, folderBelowARegularFile_isRefusedWithAnError) {
    TempInstallation stand(false);
    stand.write("blocker", "a file, not a folder");
    QString error;
    EXPECT_FALSE(
        generateDemoInstallation(stand.root() / "blocker" / "stand", smallOptions(2), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(DemoFailures, folderWhereADataFileBelongs_isRefusedWithAnError) {
    TempInstallation stand(false);
    fs::create_directories(stand.path("spartiti\\generi.js"));
    QString error;
    EXPECT_FALSE(generateDemoInstallation(stand.root(), smallOptions(2), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("generi.js"))) << error.toStdString();
}

TEST(DemoFailures, folderWhereAPageBelongs_isRefusedWithAnError) {
    TempInstallation stand(false);
    fs::create_directories(stand.path(rightPagePath(2)) / "inside");
    QString error;
    EXPECT_FALSE(generateDemoInstallation(stand.root(), smallOptions(2), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("2R.jpg"))) << error.toStdString();
}

TEST(DemoFailures, entryCountOutsideTheArchive_isRefusedBeforeWriting) {
    TempInstallation stand(false);
    for (int entries : {0, 10000}) {
        QString error;
        EXPECT_FALSE(generateDemoInstallation(stand.root(), smallOptions(entries), &error));
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_FALSE(fs::exists(stand.root() / "spartiti"));
}

// An older stand is recognised by its old page and has never had playlists or MIDI set-ups,
// even when generated over a folder that was upgraded before.
TEST(DemoUpgrade, olderInstallation_hasTheOldPageAndNoPlaylistOrMidiFile) {
    TempInstallation stand(false);
    stand.write("spartiti\\playlist.js", "var playlist = [\r\n ];\r\n");
    stand.write("spartiti\\midi.js", "var midi = [\r\n ];\r\n");
    QString error;
    ASSERT_TRUE(generateOlderInstallation(stand.root(), smallOptions(3), &error))
        << error.toStdString();
    EXPECT_TRUE(stand.exists("lumivora_4.html"));
    EXPECT_TRUE(fs::is_directory(stand.path("spartiti\\images")));
    EXPECT_TRUE(stand.exists("spartiti\\archivio.js"));
    EXPECT_FALSE(fs::exists(stand.path("spartiti\\playlist.js")));
    EXPECT_FALSE(fs::exists(stand.path("spartiti\\midi.js")));
}

// The delivered data files are the stores' empty files; the icon is a real PNG image.
TEST(DemoUpgrade, deliveryFiles_areEmptyDataFilesStandInPagesAndAnIcon) {
    TempInstallation folder(false);
    QString error;
    ASSERT_TRUE(generateDeliveryFiles(folder.root() / "delivery", &error)) << error.toStdString();
    EXPECT_EQ(folder.read("delivery\\playlist.js"), "var playlist = [\r\n ];\r\n");
    EXPECT_EQ(folder.read("delivery\\midi.js"), "var midi = [\r\n ];\r\n");
    for (const char* page : {"delivery\\lumivora_pro.html", "delivery\\ricerca_pro.html"})
        EXPECT_TRUE(folder.read(page).starts_with("<!DOCTYPE html>\r\n")) << page;
    const QImage icon(QString::fromStdString(folder.path("delivery\\iconamidi.png").string()),
                      "PNG");
    EXPECT_EQ(icon.size(), QSize(32, 32));
}

// The second stand: its scores all have both pages, and two of them are also in the first.
TEST(DemoOtherStand, twelveScoresWithPages_twoAlsoInTheSampleArchive) {
    TempInstallation first;
    TempInstallation other;
    generate(first, smallOptions(12));
    QString error;
    ASSERT_TRUE(generateOtherDemoInstallation(other.root(), kSmallPage, &error))
        << error.toStdString();
    ScoreArchive mine;
    ScoreArchive theirs;
    ASSERT_EQ(loadArchive(mine, first.installation()), ArchiveLoad::Loaded);
    ASSERT_EQ(loadArchive(theirs, other.installation()), ArchiveLoad::Loaded);
    ASSERT_EQ(theirs.entryCount(), 12);
    int shared = 0;
    for (int n = 1; n <= theirs.entryCount(); ++n) {
        EXPECT_EQ(pageImage(other, leftPagePath(n)).size(), kSmallPage) << n;
        EXPECT_EQ(pageImage(other, rightPagePath(n)).size(), kSmallPage) << n;
        for (int k = 1; k <= mine.entryCount(); ++k)
            shared += mine.slot(k).title == theirs.slot(n).title &&
                      mine.slot(k).author == theirs.slot(n).author;
    }
    EXPECT_EQ(shared, 2);
    EXPECT_TRUE(other.exists("lumivora_pro.html"));
}

} // namespace
} // namespace folio::demo
