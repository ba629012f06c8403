// Importing pages from a PDF driven like a user: "Import PDF…", clicking a file and two
// thumbnails, "Attach"; and files dropped on the main window's page pictures.
#include "app/program_windows.h"
#include "platform/browsing_lists.h"
#include "support/fake_dialogs.h"
#include "support/program_fixture.h"
#include "support/qt_printers.h"
#include "support/rows.h"
#include "support/temp_installation.h"
#include "support/test_pdfs.h"
#include "support/user_input.h"
#include "windows/common/shared_state.h"

#include <QDropEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

namespace folio {
namespace {

namespace fs = std::filesystem;

QString qpath(const fs::path& path) {
    return QString::fromStdString(path.string());
}

void clickRow(QListWidget* list, int row) {
    ASSERT_LT(row, list->count());
    list->scrollToItem(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
}

QColor middleOf(const QImage& image) {
    return image.isNull() ? QColor() : image.pixelColor(image.rect().center());
}

// Pages of the score: A4, A4 landscape, A5, A4; the stand's page files are written at 200 dpi.
const std::vector<QSizeF> kScorePages{test::kA4, {842, 595}, {420, 595}, test::kA4};

class PdfImportTest : public test::ProgramFixture {
protected:
    void SetUp() override {
        stand.write("spartiti\\archivio.js", test::songArchive(9));
        QImage white(60, 80, QImage::Format_RGB32);
        white.fill(Qt::white);
        ASSERT_TRUE(white.save(qpath(stand.path("spartiti\\m.jpg")), "JPG"));
        test::writePdf(stand.path("scans\\score.pdf"), kScorePages);
        QImage blue(60, 80, QImage::Format_RGB32);
        blue.fill(Qt::darkBlue);
        ASSERT_TRUE(blue.save(qpath(stand.path("scans\\front.jpg")), "JPG"));
        stand.write("scans\\notes.txt", "not a page");
        windows.openMainWindow();
        main = windows.mainWindow();
        main->VScroll1->setValue(7);
    }
    PdfImportWindow* openImport() {
        test::triggerEnabled(main->importPdf);
        return windows.pdfImportWindow();
    }
    QImage pageFile(const char* name) { return QImage(qpath(stand.path(name)), "JPG"); }
};

TEST_F(PdfImportTest, pickTwoThumbnails_attachWritesBothPagesAtTheirSizes) {
    PdfImportWindow* window = openImport();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->windowTitle().contains("Score 7: Song 7"));
    ASSERT_TRUE(window->folders->setPath(qpath(stand.path("scans"))));
    EXPECT_EQ(window->files->count(), 1);
    clickRow(window->files, 0);
    QListWidget* thumbnails = window->thumbnails;
    ASSERT_EQ(thumbnails->count(), 4);
    // Every thumbnail arrives, off the UI thread, and shows its page's colour.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            for (int row = 0; row < 4; ++row) {
                const QImage icon = thumbnails->item(row)->icon().pixmap(96, 128).toImage();
                if (!test::near(middleOf(icon), test::pageColour(row)))
                    return false;
            }
            return true;
        },
        5000));

    clickRow(thumbnails, 1);
    clickRow(thumbnails, 2);
    EXPECT_EQ(window->leftPage(), 1);
    EXPECT_EQ(window->rightPage(), 2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->rightPreview->pixmap().isNull(); }, 5000));
    test::clickEnabled(window->attachButton);
    EXPECT_EQ(dialogs.messages(),
              QStringList{"Perfect! The pages were written to the music folder."});
    const QImage left = pageFile("spartiti\\7L.jpg");
    const QImage right = pageFile("spartiti\\7R.jpg");
    EXPECT_EQ(left.size(), QSize(2339, 1653));
    EXPECT_EQ(right.size(), QSize(1167, 1653));
    EXPECT_TRUE(test::near(middleOf(left), test::pageColour(1)));
    EXPECT_TRUE(test::near(middleOf(right), test::pageColour(2)));
    // The main window shows the new pages at once.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return test::near(middleOf(main->Image2->pixmap().toImage()), test::pageColour(2)); },
        5000));

    // Replacing asks, per page; No writes nothing.
    struct Replace {
        bool yes;
        int expectedLeftPage;
    };
    for (const Replace& row : {Replace{false, 1}, Replace{true, 3}}) {
        dialogs.clear();
        thumbnails->setCurrentRow(3);
        test::clickEnabled(window->leftButton);
        SCOPED_TRACE(row.yes);
        // The right page is asked about only after a Yes for the left.
        dialogs.setNextAnswer(row.yes);
        if (row.yes)
            dialogs.setNextAnswer(true);
        test::clickEnabled(window->attachButton);
        EXPECT_EQ(dialogs.texts().front(), "Entry 7 already has a left page. Replace it?");
        EXPECT_EQ(dialogs.texts().size(), row.yes ? 3 : 1);
        EXPECT_TRUE(test::near(middleOf(pageFile("spartiti\\7L.jpg")),
                               test::pageColour(row.expectedLeftPage)));
    }

    // An unwritable page file is reported; the window follows the main window to entry 8.
    fs::create_directories(stand.path("spartiti\\8L.jpg"));
    main->VScroll1->setValue(8);
    EXPECT_TRUE(window->windowTitle().contains("Score 8: Song 8"));
    dialogs.clear();
    test::clickEnabled(window->attachButton);
    ASSERT_EQ(dialogs.errors().size(), 1);
    EXPECT_TRUE(dialogs.errors().front().startsWith("The left page was not written. Nothing"));
    EXPECT_FALSE(stand.exists("spartiti\\8R.jpg"));
    EXPECT_EQ(stand.temporaryFileCount(), 0);
}

// A left page alone gets the placeholder as its right page; when that cannot be written the
// window says so instead of "Perfect!".
TEST_F(PdfImportTest, leftPageAlone_placeholderThatCannotBeWrittenIsReported) {
    struct Case {
        const char* what;
        bool blocked;
    };
    const Case cases[] = {{"right page free", false}, {"right page blocked by a folder", true}};
    test::forEachRow(cases, [&](const Case& c) {
        const bool blocked = c.blocked;
        fs::remove_all(stand.path("spartiti\\7R.jpg"));
        fs::remove_all(stand.path("spartiti\\7L.jpg"));
        if (blocked)
            fs::create_directories(stand.path("spartiti\\7R.jpg"));
        PdfImportWindow* window = openImport();
        ASSERT_TRUE(window->choosePdf(qpath(stand.path("scans\\score.pdf")), PageSide::Left));
        window->thumbnails->setCurrentRow(0);
        test::clickEnabled(window->leftButton);
        dialogs.clear();
        test::clickEnabled(window->attachButton);
        EXPECT_TRUE(stand.exists("spartiti\\7L.jpg"));
        EXPECT_EQ(stand.exists("spartiti\\7R.jpg"), !blocked);
        EXPECT_EQ(dialogs.messages().size(), blocked ? 0 : 1);
        ASSERT_EQ(dialogs.errors().size(), blocked ? 1 : 0);
        if (blocked) {
            EXPECT_TRUE(dialogs.errors().front().startsWith(
                "The left page was written, but the right page was not set to the placeholder"));
        }
        window->close();
    });
}

// Bad files are reported and leave nothing to attach; a locked file asks for its password in
// the window, says when it is wrong, and opens with the right one.
TEST_F(PdfImportTest, badOrLockedFiles_areReportedAndTheWindowStaysUsable) {
    stand.write("scans\\fake.pdf", "not a PDF at all");
    const std::string whole = stand.read("scans\\score.pdf");
    stand.write("scans\\cut.pdf", whole.substr(0, whole.size() / 2));
    stand.write("scans\\empty.pdf", test::pdfWithoutPages());
    ASSERT_TRUE(test::encryptPdf(stand.path("scans\\score.pdf"), stand.path("scans\\locked.pdf")));
    struct Step {
        const char* file; // chosen in the file list, or nullptr to type password and Enter
        const char* password;
        const char* error; // the one error shown, or nullptr for none
        bool asksPassword;
        int pages;
    };
    PdfImportWindow* window = openImport();
    ASSERT_TRUE(window->folders->setPath(qpath(stand.path("scans"))));
    for (const Step& step : {
             Step{"fake.pdf", "", "The file \"fake.pdf\" is not a PDF file.", false, 0},
             Step{"cut.pdf", "",
                  "The PDF file \"cut.pdf\" is damaged or incomplete: its pages "
                  "cannot be read.",
                  false, 0},
             Step{"empty.pdf", "", "The PDF file \"empty.pdf\" has no pages.", false, 0},
             Step{"locked.pdf", "", nullptr, true, 0},
             Step{nullptr, "guess", "The password for \"locked.pdf\" is wrong.", true, 0},
             Step{nullptr, "user", nullptr, false, 4},
         }) {
        SCOPED_TRACE(step.file ? step.file : step.password);
        dialogs.clear();
        if (step.file) {
            ASSERT_TRUE(window->files->selectFile(step.file));
        } else {
            ASSERT_TRUE(window->password->isEnabled());
            window->password->setText(step.password);
            QTest::keyClick(window->password, Qt::Key_Return);
        }
        EXPECT_EQ(dialogs.errors(), step.error ? QStringList{step.error} : QStringList{});
        EXPECT_EQ(window->password->isEnabled(), step.asksPassword);
        EXPECT_EQ(window->thumbnails->count(), step.pages);
        EXPECT_EQ(window->attachButton->isEnabled(), false);
    }
    clickRow(window->thumbnails, 0);
    test::clickEnabled(window->attachButton);
    EXPECT_EQ(dialogs.errors(), QStringList{});
    EXPECT_TRUE(test::near(middleOf(pageFile("spartiti\\7L.jpg")), test::pageColour(0)));
    // A left page alone gets the placeholder page as its right page.
    EXPECT_EQ(stand.read("spartiti\\7R.jpg"), stand.read("spartiti\\m.jpg"));
}

TEST_F(PdfImportTest, droppedFiles_attachJpegOrOpenPdfForTheirSide) {
    struct Drop {
        const char* file;
        bool onLeft;
        bool accepted;
    };
    for (const Drop& row :
         {Drop{"scans\\notes.txt", true, false}, Drop{"scans\\front.jpg", false, true},
          Drop{"scans\\front.jpg", true, true}, Drop{"scans\\score.pdf", false, true}}) {
        SCOPED_TRACE(row.file);
        QLabel* frame = row.onLeft ? main->Image1 : main->Image2;
        const auto before = test::folderContents(stand.path("spartiti"));
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(qpath(stand.path(row.file)))});
        QDragEnterEvent enter({10, 10}, Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(frame, &enter);
        EXPECT_EQ(enter.isAccepted(), row.accepted);
        if (!row.accepted) {
            EXPECT_EQ(test::folderContents(stand.path("spartiti")), before);
            continue;
        }
        QDropEvent drop({10, 10}, Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(frame, &drop);
        QCoreApplication::processEvents();
        const std::string dropped = row.onLeft ? "spartiti\\7L.jpg" : "spartiti\\7R.jpg";
        if (QString(row.file).endsWith(".pdf")) {
            PdfImportWindow* window = windows.pdfImportWindow();
            ASSERT_NE(window, nullptr);
            EXPECT_EQ(window->pdfFile(), qpath(stand.path(row.file)));
            EXPECT_EQ(window->nextSide(), row.onLeft ? PageSide::Left : PageSide::Right);
            EXPECT_EQ(window->thumbnails->count(), 4);
        } else {
            EXPECT_EQ(stand.read(dropped), stand.read(row.file));
        }
    }
    // The left page dropped last reset the right page to the placeholder, as its window does.
    EXPECT_EQ(stand.read("spartiti\\7R.jpg"), stand.read("spartiti\\m.jpg"));
}

} // namespace
} // namespace folio

namespace folio {
namespace {

// On a 1366 x 768 screen with a taskbar: at its smallest the window is at most 700 pixels tall
// with its frame's title, and "Attach" stays in view however small it is made, with a file open.
TEST_F(PdfImportTest, smallestWindow_fitsASmallScreenWithAttachInView) {
    const std::string deep = "scans\\Scores scanned at the library for the spring concert of the "
                             "choir\\";
    const std::string name = "Nocturne in E flat major opus 9 number 2 for piano, a copy "
                             "that is no PDF at all, with a long name.pdf";
    stand.write(deep + name, "not a PDF");
    PdfImportWindow* window = openImport();
    ASSERT_NE(window, nullptr);
    constexpr int kTitleBar = 30;
    const QRect screen = window->screen()->availableGeometry();
    EXPECT_LE(window->frameGeometry().height() + kTitleBar, 700);
    EXPECT_TRUE(screen.contains(window->frameGeometry()));
    const std::pair<const char*, std::string> files[] = {
        {"a score", "scans\\score.pdf"},
        {"a long problem", deep + name},
    };
    for (const auto& [what, file] : files) {
        SCOPED_TRACE(what);
        window->choosePdf(qpath(stand.path(file)), PageSide::Left);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        const QSize smallest = window->minimumSizeHint().expandedTo(window->minimumSize());
        EXPECT_LE(smallest.height() + kTitleBar, 700) << smallest.height();
        EXPECT_LE(smallest.width(), 1366) << smallest.width();
        EXPECT_LE(window->height() + kTitleBar, 700) << window->height();
        EXPECT_FALSE(window->fileLabel->toolTip().isEmpty());
        for (const QSize size : {window->size(), smallest, QSize(1366, smallest.height())}) {
            SCOPED_TRACE(testing::PrintToString(size));
            window->resize(size);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            const QRect attach(window->attachButton->mapTo(window, QPoint(0, 0)),
                               window->attachButton->size());
            EXPECT_TRUE(window->rect().contains(attach));
            EXPECT_TRUE(window->attachButton->isVisible());
            EXPECT_GE(window->attachButton->height(), window->attachButton->sizeHint().height());
        }
    }
}

} // namespace
} // namespace folio
