// The set list on paper: the playlist window's "Save as PDF…" driven like a user, the PDF read
// back for its text: the running order, the heading, wrapped titles, several playlists and the
// stage copy.
#include "support/fake_dialogs.h"
#include "support/temp_installation.h"
#include "windows/common/shared_state.h"
#include "windows/playlists/playlist_window.h"
#include "windows/playlists/set_list_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileInfo>
#include <QListWidget>
#include <QLocale>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace folio {
namespace {

const char kLongTitle[] = "Concerto for Keyboard and Strings in D minor with the Long Cadenza "
                          "that the Band Always Forgets Third Movement Allegro";

class SetListTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* rows[][3] = {{"Autumn Leaves", "Kosma", "jazz"},
                                 {"Blue Bossa", "Dorham", "latin"},
                                 {kLongTitle, "Bach", "baroque"},
                                 {"Misty", "Garner", "ballad"},
                                 {"Take Five", "Desmond", "odd"}};
        for (int n = 1; n <= 5; ++n)
            state.archive.slot(n) = {std::to_string(n), rows[n - 1][0], rows[n - 1][1],
                                     rows[n - 1][2], "1"};
        state.archive.setEntryCount(5);
        stand.write("spartiti\\playlist.js", "var playlist = [\r\n\"Set 1\",\"2,1,#\",\r\n"
                                             "\"Set 2\",\"4,3,#\",\r\n\"Encores\",\"5,#\",\r\n"
                                             " ];\r\n");
        window = std::make_unique<playlistfrm>(state, dialogs);
        window->show();
    }

    // Presses "Save as PDF…" with the edited playlist and the saved ones ticked, and the
    // choices given, then reads the written file back.
    void saveAsPdf(const QStringList& ticked, const std::function<void(SetListDialog&)>& choose) {
        dialogs.setNextSaveFile(QString::fromStdString(pdf.string()), {});
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<SetListDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            seen = true;
            for (int row = 0; row < dialog->playlists->count(); ++row) {
                QListWidgetItem* item = dialog->playlists->item(row);
                item->setCheckState(ticked.contains(item->text()) ? Qt::Checked : Qt::Unchecked);
            }
            if (choose)
                choose(*dialog);
            dialog->accept();
        });
        window->CommandPdf->click();
        ASSERT_TRUE(seen);
        ASSERT_EQ(document.load(QString::fromStdString(pdf.string())), QPdfDocument::Error::None)
            << dialogs.texts().join(QLatin1Char('\n')).toStdString();
    }
    // The page's text without white space: the PDF reader guesses spaces and line ends from
    // where the letters stand, and now and then breaks a word that is drawn whole.
    QString pageText(int page) {
        QString text = document.getAllText(page).text();
        text.remove(QRegularExpression(QStringLiteral("\\s")));
        return text;
    }
    QString allText() {
        QString text;
        for (int page = 0; page < document.pageCount(); ++page)
            text += pageText(page);
        return text;
    }
    // The box that part of a page's text takes, white space aside; empty when it is not there.
    QRectF boxOf(int page, const QString& part) {
        const QString raw = document.getAllText(page).text();
        QString compact;
        std::vector<int> at;
        for (int k = 0; k < raw.size(); ++k)
            if (!raw[k].isSpace()) {
                compact += raw[k];
                at.push_back(k);
            }
        QString wanted = part;
        wanted.remove(QRegularExpression(QStringLiteral("\\s")));
        const qsizetype found = compact.indexOf(wanted);
        if (found < 0 || wanted.isEmpty())
            return {};
        const int first = at[static_cast<std::size_t>(found)];
        const int last = at[static_cast<std::size_t>(found + wanted.size() - 1)];
        return document.getSelectionAtIndex(page, first, last - first + 1).boundingRectangle();
    }
    static QString compact(const QString& text) {
        QString result = text;
        result.remove(QRegularExpression(QStringLiteral("\\s")));
        return result;
    }

    test::TempInstallation stand;
    SharedState state{stand.installation()};
    test::FakeDialogs dialogs;
    std::unique_ptr<playlistfrm> window;
    std::filesystem::path pdf = stand.path("set list.pdf");
    QPdfDocument document;
};

// The playlist being edited, then the ticked ones in the order of the list, each on a page of
// its own under its own heading, the places numbered on from one to the next.
TEST_F(SetListTest, savedPdf_listsTicked_inRunningOrder_numberedOn) {
    window->Combo1->setCurrentIndex(0);
    emit window->Combo1->activated(0); // "Set 1": Blue Bossa, Autumn Leaves
    const QDate date(2026, 12, 31);
    saveAsPdf({QStringLiteral("Set 1"), QStringLiteral("Encores")},
              [&](SetListDialog& dialog) { dialog.date->setDate(date); });
    ASSERT_EQ(document.pageCount(), 2);
    const QString first = pageText(0);
    const QString second = pageText(1);
    const QStringList firstInOrder{
        QStringLiteral("Set1"),
        compact(QString::fromStdString(stand.root().filename().string())),
        compact(QLocale().toString(date, QLocale::LongFormat)),
        QStringLiteral("2songs"),
        QStringLiteral("1BlueBossaDorhamlatin2"),
        QStringLiteral("2AutumnLeavesKosmajazz1")};
    qsizetype before = -1;
    for (const QString& part : firstInOrder) {
        const qsizetype at = first.indexOf(part);
        EXPECT_GT(at, before) << part.toStdString() << "\n" << first.toStdString();
        before = std::max(before, at);
    }
    EXPECT_FALSE(first.contains(QStringLiteral("TakeFive"))) << first.toStdString();
    for (const char* part : {"Encores", "1song", "3TakeFiveDesmondodd5"})
        EXPECT_TRUE(second.contains(QString::fromLatin1(part))) << part << "\n"
                                                                << second.toStdString();
    EXPECT_FALSE(second.contains(QStringLiteral("Set"))) << second.toStdString();
    EXPECT_EQ(dialogs.errors().size(), 0);
    // The next set list's chooser opens where this one went.
    saveAsPdf({QStringLiteral("Set 1")}, {});
    EXPECT_EQ(QFileInfo(dialogs.suggestedFiles().back()).absolutePath(),
              QFileInfo(QString::fromStdString(pdf.string())).absolutePath());
}

// "Continuous" keeps the playlists on one page; a long title wraps onto more lines, whole.
TEST_F(SetListTest, continuous_keepsOnePage_andLongTitleWrapsWhole) {
    saveAsPdf({QStringLiteral("Playlist"), QStringLiteral("Set 2"), QStringLiteral("Encores")},
              [](SetListDialog& dialog) { dialog.continuous->setChecked(true); });
    ASSERT_EQ(document.pageCount(), 1);
    const QString text = pageText(0);
    // The edited playlist is empty and listed as such.
    EXPECT_TRUE(text.startsWith(QStringLiteral("Playlist"))) << text.toStdString();
    EXPECT_LT(text.indexOf(QStringLiteral("0songs")), text.indexOf(QStringLiteral("Set2")));
    EXPECT_LT(text.indexOf(QStringLiteral("Set2")), text.indexOf(QStringLiteral("1Misty")));
    EXPECT_LT(text.indexOf(QStringLiteral("1Misty")), text.indexOf(QStringLiteral("2Concerto")));
    EXPECT_LT(text.indexOf(QStringLiteral("Encores")), text.indexOf(QStringLiteral("3TakeFive")));
    const QRectF shortTitle = boxOf(0, QStringLiteral("Misty"));
    const QRectF longTitle = boxOf(0, QString::fromLatin1(kLongTitle));
    ASSERT_FALSE(longTitle.isEmpty()) << text.toStdString();
    EXPECT_GT(longTitle.height(), 2.5 * shortTitle.height());
}

// The stage copy: titles only, in type far larger than the running order's.
TEST_F(SetListTest, stageCopy_titlesOnly_inLargeType) {
    saveAsPdf({QStringLiteral("Set 2")}, nullptr);
    const qreal plain = boxOf(0, QStringLiteral("Misty")).height();
    saveAsPdf({QStringLiteral("Set 2")},
              [](SetListDialog& dialog) { dialog.stageCopy->setChecked(true); });
    const QString text = allText();
    EXPECT_LT(text.indexOf(QStringLiteral("Misty")), text.indexOf(QStringLiteral("Concerto")));
    for (const char* gone : {"Garner", "ballad", "Bach", "1Misty"})
        EXPECT_FALSE(text.contains(QString::fromLatin1(gone))) << gone << "\n"
                                                               << text.toStdString();
    EXPECT_GT(plain, 0);
    EXPECT_GT(boxOf(0, QStringLiteral("Misty")).height(), 2.5 * plain);
}

// A file that cannot be written is reported, and nothing is left behind.
TEST_F(SetListTest, unwritableFile_isReported) {
    dialogs.setNextSaveFile(QString::fromStdString(stand.path("missing\\set.pdf").string()), {});
    QTimer::singleShot(0, [] {
        if (auto* dialog = qobject_cast<SetListDialog*>(QApplication::activeModalWidget()))
            dialog->accept();
    });
    window->CommandPdf->click();
    EXPECT_EQ(dialogs.errors().size(), 1);
    EXPECT_EQ(dialogs.messages().size(), 0);
    EXPECT_FALSE(std::filesystem::exists(stand.path("missing")));
}

} // namespace
} // namespace folio
