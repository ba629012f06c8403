// The window host driven from the main window's buttons: page windows created at first use,
// shown again as they were left, rebuilt after their close box.
#include "app/program_windows.h"
#include "platform/browsing_lists.h"
#include "support/data_files.h"
#include "support/fake_dialogs.h"
#include "support/program_fixture.h"
#include "support/qt_printers.h"
#include "support/temp_installation.h"
#include "support/user_input.h"
#include "windows/common/shared_state.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace folio {
namespace {

namespace fs = std::filesystem;

QString qpath(const fs::path& path) {
    return QString::fromStdString(path.string());
}

void writeJpeg(const fs::path& file, QColor colour) {
    fs::create_directories(file.parent_path());
    QImage image(120, 170, QImage::Format_RGB32);
    image.fill(colour);
    ASSERT_TRUE(image.save(qpath(file), "JPG"));
}

// Clicks a file in a page or audio window's file list.
void clickFile(QWidget* window, const QString& name) {
    auto* files = window->findChild<FileList*>("File1");
    const QList<QListWidgetItem*> found = files->findItems(name, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << name.toStdString();
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {},
                      files->visualItemRect(found.front()).center());
}

// The colour in the middle of a frame's picture; invalid when the frame is empty.
QColor frameColour(const QLabel* frame) {
    const QImage image = frame->pixmap().toImage();
    return image.isNull() ? QColor() : image.pixelColor(image.rect().center());
}

class ProgramWindowsTest : public test::ProgramFixture {
protected:
    void SetUp() override {
        stand.write("spartiti\\archivio.js", test::archiveFile(test::songs(9)));
        writeJpeg(stand.path("spartiti\\m.jpg"), Qt::white);
        writeJpeg(stand.path("scans\\front.jpg"), Qt::darkBlue);
        writeJpeg(stand.path("scans\\back.jpg"), Qt::darkRed);
        stand.write("spartiti\\generi.js", "var generi = [\r\n\"Jazz\",\r\n\"Pop\",\r\n ];\r\n");
        stand.write("music\\Song.mp3", "song bytes");
        windows.openMainWindow();
        main = windows.mainWindow();
    }
    // Shows an entry in the main window by its scroll bar.
    void showEntry(int n) { main->VScroll1->setValue(n); }
    void openScans(PageWindow* window) {
        ASSERT_TRUE(window->Dir1->setPath(qpath(stand.path("scans"))));
    }
    bool framesShowPages() {
        return QTest::qWaitFor(
            [&] { return !main->Image1->pixmap().isNull() && !main->Image2->pixmap().isNull(); },
            2000);
    }
};

// An absorption reopens the main window with the enlarged archive where the user had put it.
TEST_F(ProgramWindowsTest, reopenedMainWindow_readsTheArchiveAnewInTheSamePlace) {
    main->move(123, 145);
    const QRect where = main->geometry();
    stand.write("spartiti\\archivio.js", test::archiveFile(test::songs(11)));
    windows.reopenMainWindow();
    Form1* reopened = windows.mainWindow();
    ASSERT_NE(reopened, nullptr);
    EXPECT_TRUE(reopened->isVisible());
    EXPECT_EQ(reopened->geometry(), where);
    EXPECT_EQ(reopened->VScroll1->value(), 11);
}

TEST_F(ProgramWindowsTest, leftButton_showsOneWindowAgainAsItWasLeft) {
    EXPECT_EQ(windows.leftPageWindow(), nullptr);
    showEntry(7);
    test::clickEnabled(main->Command3);
    QPointer<sinistra> left = windows.leftPageWindow();
    ASSERT_FALSE(left.isNull());
    EXPECT_TRUE(left->isVisible());
    openScans(left);
    clickFile(left, "front.jpg");
    test::clickEnabled(left->Command1);
    EXPECT_FALSE(left->isVisible());

    showEntry(8);
    test::clickEnabled(main->Command3);
    EXPECT_EQ(windows.leftPageWindow(), left.data());
    EXPECT_TRUE(left->isVisible());
    EXPECT_EQ(left->Label1->text(), qpath(stand.path("scans\\front.jpg")));
    test::clickEnabled(left->Command2);
    EXPECT_EQ(stand.read("spartiti\\8L.jpg"), stand.read("scans\\front.jpg"));
    EXPECT_EQ(stand.read("spartiti\\8R.jpg"), stand.read("spartiti\\m.jpg"));
    EXPECT_FALSE(stand.exists("spartiti\\7L.jpg"));
}

TEST_F(ProgramWindowsTest, afterCloseBox_leftIsBuiltAfreshButRemembersTheFile) {
    test::clickEnabled(main->Command3);
    QPointer<sinistra> first = windows.leftPageWindow();
    openScans(first);
    clickFile(first, "back.jpg");
    first->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return first.isNull(); }, 2000));
    EXPECT_EQ(windows.leftPageWindow(), nullptr);

    showEntry(3);
    test::clickEnabled(main->Command3);
    sinistra* rebuilt = windows.leftPageWindow();
    ASSERT_NE(rebuilt, nullptr);
    EXPECT_TRUE(rebuilt->Label1->text().isEmpty());
    EXPECT_EQ(rebuilt->Dir1->path(), qpath(stand.path("scans")));
    test::clickEnabled(rebuilt->Command2);
    EXPECT_EQ(stand.read("spartiti\\3L.jpg"), stand.read("scans\\back.jpg"));
    EXPECT_EQ(dialogs.messages(), QStringList{"Perfect! The file was moved to the music folder."});
}

TEST_F(ProgramWindowsTest, twins_keepTheirOwnFilesAndTheMainWindowShowsThemOnReturn) {
    showEntry(7);
    test::clickEnabled(main->Command3);
    test::clickEnabled(main->Command4);
    sinistra* left = windows.leftPageWindow();
    destra* right = windows.rightPageWindow();
    ASSERT_NE(right, nullptr);
    EXPECT_EQ(right->Label2->text(), "Score 7: Song 7");
    openScans(left);
    openScans(right);
    clickFile(left, "front.jpg");
    clickFile(right, "back.jpg");
    EXPECT_NE(left->selectedPagePath(), right->selectedPagePath());

    test::clickEnabled(left->Command2);
    test::clickEnabled(right->Command2);
    EXPECT_EQ(stand.read("spartiti\\7L.jpg"), stand.read("scans\\front.jpg"));
    EXPECT_EQ(stand.read("spartiti\\7R.jpg"), stand.read("scans\\back.jpg"));

    showEntry(6);
    showEntry(7);
    ASSERT_TRUE(framesShowPages());
    const QImage shownLeft = main->Image1->pixmap().toImage();
    const QImage shownRight = main->Image2->pixmap().toImage();
    const QPoint middleLeft = shownLeft.rect().center();
    const QPoint middleRight = shownRight.rect().center();
    EXPECT_LT(qRed(shownLeft.pixel(middleLeft)), 40);
    EXPECT_GT(qBlue(shownLeft.pixel(middleLeft)), 100);
    EXPECT_GT(qRed(shownRight.pixel(middleRight)), 100);
    EXPECT_LT(qBlue(shownRight.pixel(middleRight)), 40);
}

// Each window that attaches a file names, live, the entry it writes to; moved on while it is
// open, it writes to the entry it names, and the main window shows what it attached at once.
TEST_F(ProgramWindowsTest, attachingWindows_followTheShownEntryAndShowWhatTheyAttachAtOnce) {
    auto isBlue = [](QColor c) { return c.isValid() && c.blue() > 100 && c.red() < 40; };
    auto isRed = [](QColor c) { return c.isValid() && c.red() > 100 && c.blue() < 40; };
    struct Row {
        QPushButton* Form1::*opener;
        std::function<QWidget*()> window;
        const char* nameLabel;
        // What the name line says before the entry's name.
        const char* saying;
        const char* folder;
        const char* file;
        int movedTo;
        const char* written;
        std::function<bool()> mainWindowShowsIt;
    };
    const Row rows[] = {
        {&Form1::Command3, [&] { return windows.leftPageWindow(); }, "entryLabel", "", "scans",
         "front.jpg", 4, "spartiti\\4L.jpg",
         [&] { return isBlue(frameColour(main->Image1)) && frameColour(main->Image2).isValid(); }},
        {&Form1::Command4, [&] { return windows.rightPageWindow(); }, "Label2", "", "scans",
         "back.jpg", 5, "spartiti\\5R.jpg", [&] { return isRed(frameColour(main->Image2)); }},
        {&Form1::Command2, [&] { return windows.audioWindow(); }, "entryLabel",
         "Click a category to attach the chosen recording to ", "music", "Song.mp3", 6,
         "spartiti\\audio\\6.mp3", [&] { return main->Picture1->isVisible(); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.written);
        showEntry(3);
        test::clickEnabled(main->*row.opener);
        QWidget* window = row.window();
        ASSERT_NE(window, nullptr);
        auto* name = window->findChild<QLabel*>(row.nameLabel);
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(name->text(), QString::fromUtf8(row.saying) + "Score 3: Song 3");
        ASSERT_TRUE(window->findChild<FolderList*>("Dir1")->setPath(qpath(stand.path(row.folder))));
        clickFile(window, row.file);

        showEntry(row.movedTo);
        QTest::keyClicks(main->Text2, " live");
        EXPECT_EQ(name->text(), QString::fromUtf8(row.saying) +
                                    QStringLiteral("Score %1: Song %1 live").arg(row.movedTo));
        if (auto* audio = qobject_cast<mp3*>(window)) {
            // A recording is chosen for the entry named: the one chosen before is let go.
            EXPECT_TRUE(audio->Label1->text().isEmpty());
            clickFile(window, row.file);
            test::clickEnabled(audio->Command3[2]);
        } else
            test::clickEnabled(window->findChild<QPushButton*>("Command2"));
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(stand.read(row.written), stand.read(std::string(row.folder) + "\\" + row.file));
        EXPECT_TRUE(QTest::qWaitFor(row.mainWindowShowsIt, 2000));
    }
    EXPECT_FALSE(stand.exists("spartiti\\3L.jpg") || stand.exists("spartiti\\3R.jpg") ||
                 stand.exists("spartiti\\audio\\3.mp3"));
    // The category goes with the recording, to the entry the window named.
    EXPECT_EQ(state.archive.slot(6).category, "2");
    EXPECT_EQ(state.archive.slot(3).category, "0");
}

// Alt and a letter open the page and audio windows, whose captions read as before; the tips
// name the keys.
TEST_F(ProgramWindowsTest, altLetters_openThePageAndAudioWindowsAndTheTipsNameThem) {
    using Window = std::function<QWidget*()>;
    const std::tuple<QPushButton*, const char*, Qt::Key, Window> rows[] = {
        {main->Command3, "Left", Qt::Key_L, [&] { return windows.leftPageWindow(); }},
        {main->Command4, "Right", Qt::Key_R, [&] { return windows.rightPageWindow(); }},
        {main->Command2, "Mp3", Qt::Key_M, [&] { return windows.audioWindow(); }}};
    for (const auto& [button, caption, key, window] : rows) {
        SCOPED_TRACE(caption);
        EXPECT_EQ(button->text().remove(u'&'), caption);
        const QString keys = QKeySequence(Qt::ALT | key).toString();
        EXPECT_TRUE(button->toolTip().endsWith("(" + keys + ")"))
            << button->toolTip().toStdString();
        main->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(main));
        QTest::keyClick(main->Text2, key, Qt::AltModifier);
        // A button pressed by its letter shows the press before it clicks.
        ASSERT_TRUE(QTest::qWaitFor([&] { return window() && window()->isVisible(); }, 2000));
        window()->hide();
    }
    // The letters go to the buttons, never into the title.
    EXPECT_EQ(main->Text2->text(), "Song 9");
}

} // namespace
} // namespace folio

namespace folio {
namespace {

QRect onScreen(const QWidget* control) {
    return QRect(control->mapToGlobal(QPoint(0, 0)), control->size());
}

// A window from the main window opens beside it, clear of the title box and the pages, and
// reopens where the user left it, kept on the screen.
TEST_F(ProgramWindowsTest, midiWindow_opensBesideTheMainWindowAndReopensWhereLeft) {
    const QRect screen = main->screen()->availableGeometry();
    main->move(screen.topLeft());
    test::triggerEnabled(main->midi);
    QPointer<midifrm> midi = windows.midiWindow();
    ASSERT_FALSE(midi.isNull());
    for (QWidget* field : {static_cast<QWidget*>(main->Text2), static_cast<QWidget*>(main->Image1),
                           static_cast<QWidget*>(main->Image2)})
        EXPECT_FALSE(midi->frameGeometry().intersects(onScreen(field)))
            << field->objectName().toStdString();
    EXPECT_TRUE(screen.contains(midi->frameGeometry()));

    // Left in the middle of the screen, then half off its bottom right corner.
    const QPoint leftAt[] = {{300, 40}, screen.bottomRight() - QPoint(100, 100)};
    for (const QPoint& where : leftAt) {
        midi->move(where);
        midi->close();
        ASSERT_TRUE(QTest::qWaitFor([&] { return midi.isNull(); }, 2000));
        main->move(screen.topLeft() + QPoint(20, 10));
        test::triggerEnabled(main->midi);
        midi = windows.midiWindow();
        ASSERT_FALSE(midi.isNull());
        EXPECT_TRUE(screen.contains(midi->frameGeometry()));
        if (screen.contains(QRect(where, midi->frameGeometry().size())))
            EXPECT_EQ(midi->pos(), where);
        else
            EXPECT_EQ(midi->frameGeometry().bottomRight(), screen.bottomRight());
    }
}

// Escape closes each window opened from the main window, and whichever way a window goes, the
// keyboard goes back to the main window, so that the next shortcut reaches it.
TEST_F(ProgramWindowsTest, closingAWindow_givesTheKeyboardBackToTheMainWindow) {
    using Window = std::function<QWidget*()>;
    struct Row {
        const char* name;
        std::function<void()> open;
        Window window;
        std::function<void(QWidget*)> leave;
    };
    auto escape = [](QWidget* window) {
        QWidget* focused = window->focusWidget();
        QTest::keyClick(focused ? focused : window, Qt::Key_Escape);
    };
    auto button = [](const char* name) {
        return [name](QWidget* window) {
            test::clickEnabled(window->findChild<QPushButton*>(QString::fromLatin1(name)));
        };
    };
    auto closeBox = [](QWidget* window) { window->close(); };
    const Row rows[] = {
        {"PDF window, Escape", [&] { test::triggerEnabled(main->importPdf); },
         [&] { return windows.pdfImportWindow(); }, escape},
        {"import scores, Escape", [&] { test::triggerEnabled(main->importScores); },
         [&] { return windows.scoreImportWindow(); }, escape},
        {"left page, ESC", [&] { test::clickEnabled(main->Command3); },
         [&] { return windows.leftPageWindow(); }, button("Command1")},
        {"right page, close box", [&] { test::clickEnabled(main->Command4); },
         [&] { return windows.rightPageWindow(); }, closeBox},
        {"audio, Close", [&] { test::clickEnabled(main->Command2); },
         [&] { return windows.audioWindow(); }, button("Command1")},
        {"playlists, Escape", [&] { test::triggerEnabled(main->playlist); },
         [&] { return windows.playlistManager(); }, escape},
        {"MIDI, Esc", [&] { test::triggerEnabled(main->midi); },
         [&] { return windows.midiWindow(); }, button("Command1")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.open();
        const QPointer<QWidget> window = row.window();
        ASSERT_FALSE(window.isNull());
        QApplication::setActiveWindow(window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        row.leave(window);
        EXPECT_TRUE(window.isNull() || !window->isVisible());
        EXPECT_TRUE(QTest::qWaitForWindowActive(main));
        EXPECT_EQ(QApplication::activeWindow(), main);
    }
}

// Each file picker opens where the user last left it, later in the run and in the next run,
// unless that folder is gone.
TEST_F(ProgramWindowsTest, filePickers_openWhereLastLeft_inThisRunAndTheNext) {
    using Open = std::function<QWidget*(ProgramWindows&)>;
    struct Row {
        const char* name;
        Open open;
        const char* folderList;
    };
    auto byButton = [](QPushButton* Form1::*button, std::function<QWidget*(ProgramWindows&)> get) {
        return [button, get](ProgramWindows& program) {
            test::clickEnabled(program.mainWindow()->*button);
            return get(program);
        };
    };
    auto byMenu = [](QAction* Form1::*command, std::function<QWidget*(ProgramWindows&)> get) {
        return [command, get](ProgramWindows& program) {
            test::triggerEnabled(program.mainWindow()->*command);
            return get(program);
        };
    };
    const Row rows[] = {
        {"left page", byButton(&Form1::Command3, [](auto& p) { return p.leftPageWindow(); }),
         "Dir1"},
        {"right page", byButton(&Form1::Command4, [](auto& p) { return p.rightPageWindow(); }),
         "Dir1"},
        {"audio", byButton(&Form1::Command2, [](auto& p) { return p.audioWindow(); }), "Dir1"},
        {"PDF", byMenu(&Form1::importPdf, [](auto& p) { return p.pdfImportWindow(); }), "folders"},
        {"import scores",
         byMenu(&Form1::importScores, [](auto& p) { return p.scoreImportWindow(); }), "folders"},
        {"merging", byMenu(&Form1::merging, [](auto& p) { return p.sourceSelectionWindow(); }),
         "Dir1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString scans = qpath(stand.path("scans"));
        const QString gone = qpath(stand.path("gone"));
        fs::create_directories(stand.path("gone"));
        auto folderOf = [&](QWidget* window) {
            return window->findChild<FolderList*>(QString::fromLatin1(row.folderList));
        };
        QPointer<QWidget> window = row.open(windows);
        ASSERT_FALSE(window.isNull());
        EXPECT_EQ(folderOf(window)->path(), qpath(stand.root()));
        ASSERT_TRUE(folderOf(window)->setPath(scans));
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_TRUE(window.isNull());
        window = row.open(windows);
        EXPECT_EQ(folderOf(window)->path(), scans) << "later in the run";
        ASSERT_TRUE(folderOf(window)->setPath(gone));
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        {
            SharedState nextState{stand.installation()};
            test::FakeDialogs nextDialogs;
            ProgramWindows next{nextState, nextDialogs};
            next.openMainWindow();
            QWidget* again = row.open(next);
            ASSERT_NE(again, nullptr);
            EXPECT_EQ(folderOf(again)->path(), gone) << "in the next run";
        }
        fs::remove(stand.path("gone"));
        window = row.open(windows);
        EXPECT_EQ(folderOf(window)->path(), qpath(stand.root())) << "once the folder is gone";
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

} // namespace
} // namespace folio
