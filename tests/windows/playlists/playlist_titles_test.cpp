// The playlist manager on a real library: filtering the titles, adding several at once, titles
// that entries share, a title asked about before it is added twice, and tracks dragged or moved
// into the running order.
#include "support/fake_dialogs.h"
#include "support/temp_installation.h"
#include "support/user_input.h"
#include "windows/common/shared_state.h"
#include "windows/playlists/playlist_window.h"
#include "windows/playlists/title_rows.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace folio {
namespace {

struct Song {
    const char* title;
    const char* author;
};

QStringList rowsOf(const QListWidget* list) {
    QStringList rows;
    for (int row = 0; row < list->count(); ++row)
        rows << list->item(row)->text();
    return rows;
}

class PlaylistTitlesTest : public ::testing::Test {
protected:
    void SetUp() override {
        fill({{"Autumn Leaves", "Kosma"},
              {"Nocturne", "Chopin"},
              {"\xC9tude", "Chopin"},
              {"Nocturne", "Field"},
              {"Yesterday", "Lennon"},
              {"Caf\xE9 Blues", "Anon"},
              {"Nocturne", "Field"},
              {"Blue Moon", "Rodgers"}});
    }
    void fill(const std::vector<Song>& songs) {
        int n = 0;
        for (const Song& song : songs) {
            ++n;
            state.archive.slot(n) = {std::to_string(n), song.title, song.author, "tag", "1"};
        }
        state.archive.setEntryCount(n);
    }
    void open() {
        window = std::make_unique<playlistfrm>(state, dialogs);
        window->show();
    }
    void click(QListWidget* list, const QString& text, Qt::KeyboardModifiers keys = {}) {
        const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << text.toStdString();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, keys,
                          list->visualItemRect(found.front()).center());
    }
    void filter(const QString& text) {
        window->titleFilter->clear();
        test::typeText(window->titleFilter, text);
    }

    test::TempInstallation stand;
    SharedState state{stand.installation()};
    test::FakeDialogs dialogs;
    std::unique_ptr<playlistfrm> window;
};

TEST(PlaylistTitleRows, sharedTitlesAreToldApartByAuthorOrEntry) {
    ScoreArchive archive;
    const Song songs[] = {{"Nocturne", "Chopin"}, {"Nocturne", "Field"}, {"Nocturne", "Field"},
                          {"Solo", ""},           {"Twin", ""},          {"Twin", ""},
                          {"Twin", "Bach"}};
    int n = 0;
    for (const Song& song : songs) {
        ++n;
        archive.slot(n) = {std::to_string(n), song.title, song.author, "", "1"};
    }
    archive.setEntryCount(n);
    const std::vector<std::pair<int, QString>> expected = {
        {2, "Nocturne (2)"}, {3, "Nocturne (3)"}, {1, "Nocturne (Chopin)"}, {4, "Solo"},
        {5, "Twin (5)"},     {6, "Twin (6)"},     {7, "Twin (Bach)"}};
    const std::vector<TitleRow> rows = titleRowsOf(archive);
    ASSERT_EQ(rows.size(), expected.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].entry, expected[i].first) << "row " << i;
        EXPECT_EQ(rows[i].text, expected[i].second) << "row " << i;
    }
}

// Each row types a filter and checks the titles left, then what Enter did.
TEST_F(PlaylistTitlesTest, filter_foldsAccentsAndCase_enterAddsTheOneLeft_escClears) {
    open();
    struct Row {
        const char* name;
        QString typed;
        QStringList shown;
        std::vector<int> afterEnter;
    };
    const Row rows[] = {
        {"accent and case folded", QStringLiteral("ETUDE"), {QStringLiteral(u"Étude")}, {3}},
        {"accent typed, plain in the title",
         QStringLiteral(u"Bluè"),
         {"Blue Moon", QStringLiteral(u"Café Blues")},
         {}},
        {"author matches", QStringLiteral("lennon"), {"Yesterday"}, {5}},
        {"nothing left", QStringLiteral("xyz"), {}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::vector<int> before = window->trackNumbers();
        filter(row.typed);
        EXPECT_EQ(rowsOf(window->List1), row.shown);
        QTest::keyClick(window->titleFilter, Qt::Key_Return);
        std::vector<int> added(window->trackNumbers().begin() + static_cast<long>(before.size()),
                               window->trackNumbers().end());
        EXPECT_EQ(added, row.afterEnter);
    }
    QTest::keyClick(window->titleFilter, Qt::Key_Escape);
    EXPECT_TRUE(window->titleFilter->text().isEmpty());
    EXPECT_EQ(rowsOf(window->List1).size(), 8);
    EXPECT_TRUE(window->isVisible()); // Esc cleared the filter, it did not close the window
}

// Ctrl+click and Shift+click choose several; ADD, Enter and a double click add them in the
// list's order, whatever order they were clicked in.
TEST_F(PlaylistTitlesTest, severalSelected_areAddedInListOrder) {
    open();
    click(window->List1, "Yesterday");
    click(window->List1, "Autumn Leaves", Qt::ControlModifier);
    click(window->List1, QStringLiteral(u"Café Blues"), Qt::ControlModifier);
    test::clickEnabled(window->Command2);
    EXPECT_EQ(window->trackNumbers(), (std::vector<int>{1, 6, 5}));

    window->List1->setFocus();
    click(window->List1, "Nocturne (4)");
    click(window->List1, "Nocturne (Chopin)", Qt::ShiftModifier);
    QTest::keyClick(window->List1, Qt::Key_Return);
    EXPECT_EQ(window->trackNumbers(), (std::vector<int>{1, 6, 5, 4, 7, 2}));

    // A double click adds the row; with a filter, only the selected rows it leaves are added.
    filter(QStringLiteral("blue"));
    const QListWidgetItem* moon = window->List1->findItems("Blue Moon", Qt::MatchExactly).front();
    const QPoint at = window->List1->visualItemRect(moon).center();
    QTest::mousePress(window->List1->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(window->List1->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(window->List1->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(window->trackNumbers(), (std::vector<int>{1, 6, 5, 4, 7, 2, 8}));
    EXPECT_TRUE(dialogs.shown().empty());
    window->List1->selectAll();
    dialogs.setNextAnswer(true);
    dialogs.setNextAnswer(true);
    test::clickEnabled(window->Command2);
    EXPECT_EQ(window->trackNumbers(), (std::vector<int>{1, 6, 5, 4, 7, 2, 8, 8, 6}));
    EXPECT_EQ(dialogs.texts(), (QStringList{"Blue Moon is already track 7. Add it again?",
                                            QStringLiteral(u"Café Blues is already track 2. Add "
                                                           u"it again?")}));
}

// Clicking the first of two rows of one title adds that row's entry, not the last entry so
// titled; added rows read "title _n" and every row's tip names its entry.
TEST_F(PlaylistTitlesTest, addTakesTheEntryOfTheRowClicked_andRowsNameTheirEntries) {
    stand.write("spartiti\\playlist.js",
                test::crlf({"var playlist = [", R"("Set 1","4,2,#",)", " ];"}));
    open();
    click(window->List1, "Nocturne (4)");
    test::clickEnabled(window->Command2);
    click(window->List1, "Nocturne (Chopin)");
    test::clickEnabled(window->Command2);
    EXPECT_EQ(window->trackNumbers(), (std::vector<int>{4, 2}));
    EXPECT_EQ(rowsOf(window->List2), (QStringList{"Nocturne _4", "Nocturne _2"}));
    QStringList tips;
    for (int row = 0; row < window->List2->count(); ++row)
        tips << window->List2->item(row)->toolTip();
    EXPECT_EQ(tips, (QStringList{"Entry 4", "Entry 2"}));
}

TEST_F(PlaylistTitlesTest, aTitleAlreadyInTheSet_isAddedOnlyAfterAQuestionNamingItsPlace) {
    open();
    for (const char* title : {"Yesterday", "Blue Moon", "Nocturne (Chopin)", "Autumn Leaves"}) {
        click(window->List1, QString::fromLatin1(title));
        test::clickEnabled(window->Command2);
    }
    struct Row {
        const char* name;
        bool answer;
        std::vector<int> tracks;
    };
    const Row rows[] = {{"No keeps the set", false, {5, 8, 2, 1}},
                        {"Yes adds it again", true, {5, 8, 2, 1, 1}}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        dialogs.clear();
        dialogs.setNextAnswer(row.answer);
        click(window->List1, "Autumn Leaves");
        test::clickEnabled(window->Command2);
        EXPECT_EQ(dialogs.texts(), QStringList{"Autumn Leaves is already track 4. Add it again?"});
        EXPECT_EQ(window->trackNumbers(), row.tracks);
    }
}

// A track dragged in the track list takes its entry along.
TEST_F(PlaylistTitlesTest, tracksDraggedOrMovedByKeys_keepTheirEntries) {
    stand.write("spartiti\\playlist.js",
                test::crlf({"var playlist = [", R"("Set 1","1,5,8,2,#",)", " ];"}));
    open();
    window->Combo1->setCurrentIndex(0);
    emit window->Combo1->activated(0);
    QListWidget* tracks = window->List2;
    ASSERT_EQ(tracks->count(), 4);
    // A drop within the list moves the row in its model, as here: the offscreen platform runs
    // no real drag.
    tracks->model()->moveRow({}, 0, {}, 3);
    EXPECT_EQ(window->trackNumbers(), (std::vector<int>{5, 8, 1, 2}));
    EXPECT_EQ(rowsOf(tracks), (QStringList{"Yesterday", "Blue Moon", "Autumn Leaves", "Nocturne"}));
    EXPECT_EQ(tracks->item(2)->toolTip(), "Entry 1");
}

} // namespace
} // namespace folio
