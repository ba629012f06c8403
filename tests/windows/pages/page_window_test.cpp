// The page image windows driven like a user: browsing, clicking a JPEG file, "Ok" and "ESC".
#include "platform/browsing_lists.h"
#include "platform/modeless.h"
#include "support/fake_dialogs.h"
#include "support/qt_printers.h"
#include "support/temp_installation.h"
#include "support/user_input.h"
#include "windows/common/shared_state.h"
#include "windows/pages/page_window.h"

#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace folio {
namespace {

namespace fs = std::filesystem;

const QString kPerfect = QStringLiteral("Perfect! The file was moved to the music folder.");
const QString kSelectFirst = QStringLiteral("You must select a jpg file!");

QString qpath(const fs::path& path) {
    return QString::fromStdString(path.string());
}

QListWidgetItem* rowNamed(QListWidget* list, const QString& name) {
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->text().trimmed() == name)
            return list->item(i);
    }
    return nullptr;
}

// Opens a sub-folder of the folder shown, with a double click as the user would.
void openFolder(PageWindow* window, const QString& name) {
    QListWidgetItem* row = rowNamed(window->Dir1, name);
    ASSERT_NE(row, nullptr) << name.toStdString();
    // A double click arrives as press, release, double-click press, release.
    const QPoint at = window->Dir1->visualItemRect(row).center();
    QTest::mouseClick(window->Dir1->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(window->Dir1->viewport(), Qt::LeftButton, {}, at);
}

void clickFile(PageWindow* window, const QString& name) {
    QListWidgetItem* row = rowNamed(window->File1, name);
    ASSERT_NE(row, nullptr) << name.toStdString();
    QTest::mouseClick(window->File1->viewport(), Qt::LeftButton, {},
                      window->File1->visualItemRect(row).center());
}

QStringList listed(QListWidget* list) {
    QStringList rows;
    for (int i = 0; i < list->count(); ++i)
        rows << list->item(i)->text().trimmed();
    return rows;
}

class PageWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        stand.write("spartiti\\m.jpg", "placeholder page");
        stand.write("scans\\front.jpg", "front page");
        stand.write("scans\\back.JPG", "back page");
        stand.write("scans\\notes.txt", "not a page");
        state.currentEntryNumber = 7;
    }
    void TearDown() override {
        delete left.data();
        delete right.data();
    }

    sinistra* showLeft() {
        return showModeless(left, [&] { return new sinistra(state, dialogs, leftPath); });
    }
    destra* showRight() {
        return showModeless(right, [&] { return new destra(state, dialogs, rightPath); });
    }
    // Shows the window, opens scans and clicks a file in it.
    template <typename Window> void choose(Window* window, const QString& file) {
        openFolder(window, "scans");
        clickFile(window, file);
    }
    // Page files as they are before a failing step, to check that nothing changed.
    void withOldPages() {
        stand.write("spartiti\\7L.jpg", "old left");
        stand.write("spartiti\\7R.jpg", "old right");
    }
    void expectOldPages() {
        EXPECT_EQ(stand.read("spartiti\\7L.jpg"), "old left");
        EXPECT_EQ(stand.read("spartiti\\7R.jpg"), "old right");
        EXPECT_EQ(stand.temporaryFileCount(), 0);
    }

    test::TempInstallation stand;
    SharedState state{stand.installation()};
    test::FakeDialogs dialogs;
    QString leftPath;
    QString rightPath;
    QPointer<sinistra> left;
    QPointer<destra> right;
};

TEST_F(PageWindowTest, controls_haveTheirNamesCaptionsAndPlaces) {
    sinistra* l = showLeft();
    EXPECT_EQ(l->objectName(), "sinistra");
    EXPECT_EQ(l->windowTitle(), "Left page");
    EXPECT_EQ(l->size(), QSize(613, 421));
    EXPECT_EQ(l->findChild<QLabel*>("Label2")->text(), "Select left page");
    EXPECT_EQ(l->findChild<QLabel*>("Label2")->geometry(), QRect(8, 8, 441, 33));
    EXPECT_EQ(l->findChild<FolderList*>("Dir1")->geometry(), QRect(8, 40, 225, 266));
    EXPECT_EQ(l->findChild<FileList*>("File1")->geometry(), QRect(240, 40, 209, 258));
    EXPECT_EQ(l->findChild<QPushButton*>("Command1")->geometry(), QRect(8, 312, 225, 41));
    EXPECT_EQ(l->findChild<QPushButton*>("Command2")->geometry(), QRect(240, 312, 209, 41));
    EXPECT_EQ(l->findChild<QLabel*>("Label1")->geometry(), QRect(8, 360, 441, 25));
    EXPECT_EQ(l->findChild<QLabel*>("entryLabel")->geometry(), QRect(8, 390, 441, 25));

    destra* r = showRight();
    EXPECT_EQ(r->objectName(), "destra");
    EXPECT_EQ(r->windowTitle(), "Right page");
    EXPECT_EQ(r->size(), QSize(617, 374));
    EXPECT_EQ(r->findChild<FolderList*>("Dir1")->geometry(), QRect(8, 40, 225, 246));
    EXPECT_EQ(r->findChild<FileList*>("File1")->geometry(), QRect(240, 40, 209, 240));
    EXPECT_EQ(r->findChild<QPushButton*>("Command1")->geometry(), QRect(8, 288, 225, 41));
    EXPECT_EQ(r->findChild<QPushButton*>("Command2")->geometry(), QRect(240, 288, 209, 41));
    EXPECT_EQ(r->findChild<QLabel*>("Label1")->geometry(), QRect(8, 336, 441, 33));

    for (PageWindow* window : {static_cast<PageWindow*>(l), static_cast<PageWindow*>(r)}) {
        EXPECT_EQ(window->findChild<QPushButton*>("Command1")->text(), "ESC");
        EXPECT_EQ(window->findChild<QPushButton*>("Command2")->text(), "Ok");
        EXPECT_TRUE(window->findChild<QLabel*>("Label1")->text().isEmpty());
        EXPECT_EQ(window->Dir1->path(), qpath(stand.root()));
        EXPECT_EQ(window->File1->path(), qpath(stand.root()));
        EXPECT_EQ(window->File1->pattern(), "*.jpg");
    }
}

TEST_F(PageWindowTest, browsing_listsOnlyTheJpegFilesOfTheOpenedFolder) {
    sinistra* window = showLeft();
    EXPECT_TRUE(listed(window->File1).isEmpty());
    openFolder(window, "scans");
    EXPECT_EQ(window->Dir1->path(), qpath(stand.path("scans")));
    EXPECT_EQ(listed(window->File1), (QStringList{"back.JPG", "front.jpg"}));
    openFolder(window, QString::fromStdString(stand.root().filename().string()));
    EXPECT_EQ(window->Dir1->path(), qpath(stand.root()));
}

TEST_F(PageWindowTest, leftThenRight_giveTheEntryBothPagesAndLeftAgainResetsTheRight) {
    sinistra* l = showLeft();
    choose(l, "front.jpg");
    EXPECT_EQ(leftPath, qpath(stand.path("scans\\front.jpg")));
    EXPECT_EQ(l->Label1->text(), leftPath);
    test::clickEnabled(l->Command2);
    EXPECT_EQ(stand.read("spartiti\\7L.jpg"), "front page");
    EXPECT_EQ(stand.read("spartiti\\7R.jpg"), "placeholder page");
    EXPECT_EQ(stand.read("scans\\front.jpg"), "front page");
    EXPECT_EQ(dialogs.texts(), QStringList{kPerfect});
    EXPECT_FALSE(l->isVisible());

    dialogs.clear();
    destra* r = showRight();
    choose(r, "back.JPG");
    test::clickEnabled(r->Command2);
    EXPECT_EQ(stand.read("spartiti\\7R.jpg"), "back page");
    EXPECT_EQ(stand.read("spartiti\\7L.jpg"), "front page");
    EXPECT_EQ(dialogs.texts(), QStringList{kPerfect});
    EXPECT_FALSE(r->isVisible());

    // Shown again, the left window still holds its file: "Ok" copies it once more.
    EXPECT_EQ(showLeft(), l);
    test::clickEnabled(l->Command2);
    EXPECT_EQ(stand.read("spartiti\\7R.jpg"), "placeholder page");
    EXPECT_EQ(stand.temporaryFileCount(), 0);
}

// A path wider than the label keeps its file name in sight, and "Ok" still takes the whole path.
TEST_F(PageWindowTest, longPath_showsItsFileNameWithinTheLabelAndOkCopiesTheFile) {
    const QString folder = QStringLiteral("Scores scanned for the spring concert of the choir");
    const QString file = QStringLiteral("nocturne_in_e_flat_major_opus_9_number_2.jpg");
    stand.write("scans\\" + folder.toStdString() + "\\" + file.toStdString(), "long page");
    struct Case {
        PageWindow* window;
        QString* chosen;
        const char* page;
    };
    for (const Case& c : {Case{showLeft(), &leftPath, "spartiti\\7L.jpg"},
                          Case{showRight(), &rightPath, "spartiti\\7R.jpg"}}) {
        openFolder(c.window, "scans");
        openFolder(c.window, folder);
        clickFile(c.window, file);
        QLabel* label = c.window->Label1;
        const QFontMetrics metrics = label->fontMetrics();
        ASSERT_GT(metrics.horizontalAdvance(*c.chosen), label->contentsRect().width());
        EXPECT_LE(metrics.horizontalAdvance(label->text()), label->contentsRect().width())
            << c.page;
        EXPECT_TRUE(label->text().endsWith(file)) << label->text().toStdString();
        EXPECT_EQ(label->toolTip(), *c.chosen);
        test::clickEnabled(c.window->Command2);
        EXPECT_EQ(stand.read(c.page), "long page");
    }
}

TEST_F(PageWindowTest, ok_actsOnTheEntryCurrentWhenPressed) {
    sinistra* l = showLeft();
    destra* r = showRight();
    choose(l, "front.jpg");
    choose(r, "back.JPG");
    state.currentEntryNumber = 8;
    test::clickEnabled(l->Command2);
    test::clickEnabled(r->Command2);
    EXPECT_EQ(stand.read("spartiti\\8L.jpg"), "front page");
    EXPECT_EQ(stand.read("spartiti\\8R.jpg"), "back page");
    EXPECT_FALSE(stand.exists("spartiti\\7L.jpg"));
    EXPECT_FALSE(stand.exists("spartiti\\7R.jpg"));
    EXPECT_EQ(dialogs.messages(), (QStringList{kPerfect, kPerfect}));
}

TEST_F(PageWindowTest, esc_hidesCopyingNothingAndKeepsWhatWasChosen) {
    withOldPages();
    for (PageWindow* window :
         {static_cast<PageWindow*>(showLeft()), static_cast<PageWindow*>(showRight())}) {
        choose(window, "front.jpg");
        test::clickEnabled(window->Command1);
        EXPECT_FALSE(window->isVisible());
    }
    expectOldPages();
    EXPECT_TRUE(dialogs.texts().isEmpty());

    sinistra* again = showLeft();
    EXPECT_TRUE(again->isVisible());
    EXPECT_EQ(again->Dir1->path(), qpath(stand.path("scans")));
    EXPECT_EQ(again->File1->fileName(), "front.jpg");
    EXPECT_EQ(again->Label1->text(), qpath(stand.path("scans\\front.jpg")));
}

TEST_F(PageWindowTest, closeBox_destroysControlsButTheChosenFileSurvives) {
    QPointer<sinistra> first = showLeft();
    choose(first.data(), "front.jpg");
    test::clickEnabled(first->Command1);
    EXPECT_EQ(showLeft(), first.data());
    first->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return first.isNull(); }, 2000));

    sinistra* rebuilt = showLeft();
    EXPECT_TRUE(rebuilt->Label1->text().isEmpty());
    // The folder list opens where it was left, the chosen file marked in it.
    EXPECT_EQ(rebuilt->Dir1->path(), qpath(stand.path("scans")));
    EXPECT_EQ(rebuilt->File1->fileName(), "front.jpg");
    EXPECT_EQ(rebuilt->selectedPagePath(), qpath(stand.path("scans\\front.jpg")));
    test::clickEnabled(rebuilt->Command2);
    EXPECT_EQ(stand.read("spartiti\\7L.jpg"), "front page");
    EXPECT_EQ(dialogs.messages(), QStringList{kPerfect});
}

// Each showing names the entry shown then, as plain text cut to its label: the left window on a
// line of its own, the right window in its heading.
TEST_F(PageWindowTest, entryName_namesTheShownEntryAtEveryShowing) {
    state.archive.setEntryCount(9);
    state.archive.slot(7).title = "Caf\xE9 <b>" + std::string(100, 'W');
    const std::pair<int, QString> cases[] = {
        {7, QStringLiteral(u"Score 7: Caf\u00E9 <b>") + QString(100, u'W')},
        {9, QStringLiteral("Score 9: (no title)")},
        {0, QStringLiteral("No score is shown")}};
    for (const auto& [shown, name] : cases) {
        state.currentEntryNumber = shown;
        for (QLabel* label : {showLeft()->findChild<QLabel*>("entryLabel"), showRight()->Label2}) {
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->toolTip(), name);
            const QString text = label->text();
            EXPECT_TRUE(text == name || (text.endsWith(u'…') && name.startsWith(text.chopped(1))))
                << text.toStdString();
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()),
                      label->contentsRect().width());
            EXPECT_EQ(label->textFormat(), Qt::PlainText);
        }
        test::clickEnabled(left->Command1);
        test::clickEnabled(right->Command1);
    }
    EXPECT_EQ(left->Label2->text(), "Select left page");
}

TEST_F(PageWindowTest, keys_enterOnTheFileListIsOkAndEscapeIsEsc) {
    sinistra* l = showLeft();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(l));
    openFolder(l, "scans");
    l->File1->setFocus();
    QTest::keyClick(l->File1, Qt::Key_Home);
    EXPECT_EQ(leftPath, qpath(stand.path("scans\\back.JPG")));
    QTest::keyClick(l->File1, Qt::Key_Return);
    EXPECT_EQ(stand.read("spartiti\\7L.jpg"), "back page");
    EXPECT_FALSE(l->isVisible());

    destra* r = showRight();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(r));
    r->Dir1->setFocus();
    r->Dir1->setCurrentItem(rowNamed(r->Dir1, "scans"));
    // Enter in the folder list opens the folder and copies nothing.
    QTest::keyClick(r->Dir1, Qt::Key_Return);
    EXPECT_EQ(r->Dir1->path(), qpath(stand.path("scans")));
    EXPECT_TRUE(r->isVisible());
    QTest::keyClick(r->Dir1, Qt::Key_Escape);
    EXPECT_FALSE(r->isVisible());
    EXPECT_EQ(stand.read("spartiti\\7R.jpg"), "placeholder page");
    EXPECT_EQ(dialogs.messages(), QStringList{kPerfect});
}

// Failures: no page file changes, no success message, and the window stays up to try again.

TEST_F(PageWindowTest, okWithoutChosenFile_asksForOneAndChangesNothing) {
    withOldPages();
    for (PageWindow* window :
         {static_cast<PageWindow*>(showLeft()), static_cast<PageWindow*>(showRight())}) {
        test::clickEnabled(window->Command2);
        EXPECT_TRUE(window->isVisible());
    }
    EXPECT_EQ(dialogs.messages(), (QStringList{kSelectFirst, kSelectFirst}));
    expectOldPages();
}

TEST_F(PageWindowTest, okWithVanishedFile_reportsItAndChangesNothing) {
    withOldPages();
    sinistra* l = showLeft();
    destra* r = showRight();
    choose(l, "front.jpg");
    choose(r, "front.jpg");
    fs::remove(stand.path("scans\\front.jpg"));
    test::clickEnabled(l->Command2);
    test::clickEnabled(r->Command2);
    EXPECT_TRUE(dialogs.messages().isEmpty());
    ASSERT_EQ(dialogs.errors().size(), 2);
    EXPECT_TRUE(dialogs.errors()[0].startsWith("The left page was not copied."));
    EXPECT_TRUE(dialogs.errors()[0].contains("front.jpg"));
    EXPECT_TRUE(dialogs.errors()[1].startsWith("The right page was not copied."));
    EXPECT_TRUE(l->isVisible());
    EXPECT_TRUE(r->isVisible());
    expectOldPages();
}

TEST_F(PageWindowTest, leftOkWithoutPlaceholder_copiesNeitherPage) {
    withOldPages();
    fs::remove(stand.path("spartiti\\m.jpg"));
    sinistra* l = showLeft();
    choose(l, "front.jpg");
    test::clickEnabled(l->Command2);
    EXPECT_TRUE(dialogs.messages().isEmpty());
    ASSERT_EQ(dialogs.errors().size(), 1);
    EXPECT_TRUE(dialogs.errors()[0].contains("m.jpg"));
    expectOldPages();
}

TEST_F(PageWindowTest, okWithoutDataFolder_reportsItAndCreatesNothing) {
    fs::remove_all(stand.path("spartiti"));
    sinistra* l = showLeft();
    destra* r = showRight();
    choose(l, "front.jpg");
    choose(r, "back.JPG");
    test::clickEnabled(l->Command2);
    test::clickEnabled(r->Command2);
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(dialogs.errors().size(), 2);
    EXPECT_TRUE(dialogs.errors()[1].contains("does not exist"));
    EXPECT_FALSE(fs::exists(stand.path("spartiti")));
}

TEST_F(PageWindowTest, leftOkWhenLeftPageCannotBeWritten_keepsTheRightPage) {
    stand.write("spartiti\\7R.jpg", "old right");
    fs::create_directory(stand.path("spartiti\\7L.jpg"));
    sinistra* l = showLeft();
    choose(l, "front.jpg");
    test::clickEnabled(l->Command2);
    EXPECT_TRUE(dialogs.messages().isEmpty());
    ASSERT_EQ(dialogs.errors().size(), 1);
    EXPECT_TRUE(dialogs.errors()[0].startsWith("The left page was not copied."));
    EXPECT_EQ(stand.read("spartiti\\7R.jpg"), "old right");
    EXPECT_TRUE(fs::is_directory(stand.path("spartiti\\7L.jpg")));
}

TEST_F(PageWindowTest, leftOkWhenRightPageCannotBeReset_saysSoWithoutSuccess) {
    fs::create_directory(stand.path("spartiti\\7R.jpg"));
    sinistra* l = showLeft();
    choose(l, "front.jpg");
    test::clickEnabled(l->Command2);
    EXPECT_TRUE(dialogs.messages().isEmpty());
    ASSERT_EQ(dialogs.errors().size(), 1);
    EXPECT_TRUE(dialogs.errors()[0].contains("right page was not reset"));
    EXPECT_EQ(stand.read("spartiti\\7L.jpg"), "front page");
    EXPECT_TRUE(l->isVisible());
}

TEST_F(PageWindowTest, okOutsideEntryRange_writesNoFile) {
    sinistra* l = showLeft();
    destra* r = showRight();
    choose(l, "front.jpg");
    choose(r, "back.JPG");
    for (int outside : {0, -1, 10000}) {
        state.currentEntryNumber = outside;
        test::clickEnabled(l->Command2);
        test::clickEnabled(r->Command2);
    }
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(dialogs.errors().size(), 6);
    int files = 0;
    for ([[maybe_unused]] const auto& item : fs::directory_iterator(stand.path("spartiti")))
        ++files;
    EXPECT_EQ(files, 2); // m.jpg and audio/
}

// The chosen file shows as a small picture beside the lists, decoded at the picture's size; a
// file that is no JPEG says so. A file saved while the window was hidden is listed when it
// shows again, and the chosen file stays chosen.
TEST_F(PageWindowTest, chosenFile_showsAPreviewAndEachShowingListsTheFolderAnew) {
    QImage page(600, 848, QImage::Format_RGB32);
    page.fill(Qt::darkBlue);
    ASSERT_TRUE(page.save(qpath(stand.path("scans\\scan.jpg")), "JPG"));
    struct Row {
        const char* file;
        bool picture;
    };
    const Row rows[] = {{"scan.jpg", true}, {"front.jpg", false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        for (PageWindow* window :
             {static_cast<PageWindow*>(showLeft()), static_cast<PageWindow*>(showRight())}) {
            SCOPED_TRACE(window->objectName().toStdString());
            if (window->Dir1->path() != qpath(stand.path("scans")))
                openFolder(window, "scans");
            clickFile(window, QString::fromLatin1(row.file));
            const QPixmap shown = window->preview->pixmap();
            EXPECT_EQ(!shown.isNull(), row.picture);
            if (row.picture) {
                const QSize box = window->preview->contentsRect().size();
                EXPECT_LE(shown.width(), box.width());
                EXPECT_LE(shown.height(), box.height());
                // Decoded at the box's size, not at the scan's.
                EXPECT_TRUE(shown.width() == box.width() || shown.height() == box.height())
                    << shown.width() << "x" << shown.height();
                const QColor middle = shown.toImage().pixelColor(shown.rect().center());
                EXPECT_LT(middle.red(), 40);
                EXPECT_GT(middle.blue(), 100);
            } else {
                EXPECT_EQ(window->preview->text(),
                          "No picture: the file cannot be read as a JPEG.");
            }
        }
    }

    sinistra* window = showLeft();
    test::clickEnabled(window->Command1);
    stand.write("scans\\saved meanwhile.jpg", "a new page");
    stand.write("scans\\new folder\\inside.jpg", "deeper");
    window = showLeft();
    EXPECT_EQ(listed(window->File1),
              (QStringList{"back.JPG", "front.jpg", "saved meanwhile.jpg", "scan.jpg"}));
    EXPECT_NE(rowNamed(window->Dir1, "new folder"), nullptr);
    EXPECT_EQ(window->File1->fileName(), "front.jpg");
    EXPECT_EQ(window->preview->text(), "No picture: the file cannot be read as a JPEG.");
}

} // namespace
} // namespace folio
