// "Restore…" and "Undo last absorption" driven from the main window's Work menu.
#include "app/program_windows.h"
#include "core/absorption/absorption_undo.h"
#include "platform/browsing_lists.h"
#include "support/fake_dialogs.h"
#include "support/program_fixture.h"
#include "support/rows.h"
#include "support/temp_installation.h"
#include "support/test_pdfs.h"
#include "support/user_input.h"
#include "windows/audio/mp3_window.h"
#include "windows/common/shared_state.h"
#include "windows/pages/page_window.h"
#include "windows/pdf_import/pdf_import_window.h"
#include "windows/restore/restore_window.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace folio {
namespace {

namespace fs = std::filesystem;

class SafetyNetTest : public test::ProgramFixture {
protected:
    void SetUp() override {
        stand.write("spartiti\\archivio.js", test::songArchive(2, "Song"));
        windows.openMainWindow();
        main = windows.mainWindow();
    }
    // Types over the shown entry's title as a user does.
    void type(const QString& title) {
        main->Text2->selectAll();
        QTest::keyClicks(main->Text2, title);
    }
    // Types a title into the shown entry and presses "Save".
    void saveTitle(const QString& title) {
        type(title);
        test::clickEnabled(main->Command1);
    }
};

TEST_F(SafetyNetTest, restore_asksNamingUnsavedEditsThenShowsTheVersionAtOnce) {
    struct Case {
        const char* what;
        bool answer;
        bool breakVersion;
        const char* told;       // last text shown
        std::string fileAfter;  // archivio.js
        const char* shownTitle; // in the main window
    };
    const std::string wrong = [] {
        std::string bytes = test::songArchive(2, "Song");
        return bytes.replace(bytes.find("Song 2"), 6, "Wrong");
    }();
    const Case cases[] = {
        {"version unreadable", true, true, "was not restored; nothing was changed", wrong, "Typed"},
        {"No", false, false, "Restore the archive as it was on", wrong, "Typed"},
        {"Yes", true, false, "The archive is back as it was on", test::songArchive(2, "Song"),
         "Song 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(stand.path("spartiti\\backup"));
        stand.write("spartiti\\archivio.js", test::songArchive(2, "Song"));
        main->reload();
        saveTitle(QStringLiteral("Wrong"));
        ASSERT_EQ(stand.read("spartiti\\archivio.js"), wrong);
        // An open playlist manager lists the titles of the archive that is shown.
        windows.showPlaylistManager();
        type(QStringLiteral("Typed"));

        test::triggerEnabled(main->restore);
        RestoreWindow* window = windows.restoreWindow();
        ASSERT_NE(window, nullptr);
        ASSERT_EQ(window->List1->count(), 1);
        EXPECT_TRUE(
            window->List1->item(0)->text().contains(QStringLiteral("save   Archive   2 entries")));
        // The titles that differ are named, the version's and now's.
        EXPECT_EQ(
            window->Label1->text(),
            QStringLiteral("Compared with now: 1 title differs\n2: \"Song 2\", now \"Wrong\""));
        if (c.breakVersion) {
            const fs::path kept = listVersions(stand.installation()).at(0).dataPath();
            fs::remove(kept);
            fs::create_directory(kept);
        }
        dialogs.clear();
        dialogs.setNextAnswer(c.answer);
        test::clickEnabled(window->Command1);
        const QStringList texts = dialogs.texts();
        ASSERT_FALSE(texts.isEmpty());
        EXPECT_TRUE(texts.front().contains(
            QStringLiteral("The unsaved changes in the main window (entries 2) will be lost.")))
            << texts.front().toStdString();
        EXPECT_TRUE(texts.back().contains(QString::fromUtf8(c.told))) << texts.back().toStdString();
        EXPECT_EQ(stand.read("spartiti\\archivio.js"), c.fileAfter);
        EXPECT_EQ(main->Text2->text(), QString::fromUtf8(c.shownTitle));
        const QListWidget* titles = windows.playlistManager()->List1;
        EXPECT_EQ(titles->findItems(QStringLiteral("Song 2"), Qt::MatchExactly).size(),
                  c.answer && !c.breakVersion ? 1 : 0);
        window->close();
    }

    // Restoring over an archive that could not be read turns "Save" on again.
    fs::remove(stand.path("spartiti\\archivio.js"));
    fs::create_symlink(stand.path("spartiti\\gone.js"), stand.path("spartiti\\archivio.js"));
    main->reload();
    ASSERT_FALSE(main->Command1->isEnabled());
    test::triggerEnabled(main->restore);
    dialogs.setNextAnswer(true);
    test::clickEnabled(windows.restoreWindow()->Command1);
    EXPECT_EQ(stand.read("spartiti\\archivio.js"), wrong);
    EXPECT_TRUE(main->Command1->isEnabled());
}

TEST_F(SafetyNetTest, versionNotKept_isToldOncePerRunAndTheSaveGoesAhead) {
    stand.write("spartiti\\backup", "a file where the folder should be");
    for (const char* title : {"First", "Second"}) {
        dialogs.clear();
        saveTitle(QString::fromUtf8(title));
        EXPECT_NE(stand.read("spartiti\\archivio.js").find(title), std::string::npos);
        const bool first = title == std::string_view("First");
        EXPECT_EQ(dialogs.errors().size(), first ? 1 : 0);
        if (first) {
            EXPECT_TRUE(dialogs.errors().front().startsWith(QStringLiteral(
                "The earlier version of archivio.js could not be kept: the folder")));
        }
        EXPECT_EQ(dialogs.messages(), QStringList{QStringLiteral("Successfully saved!")});
    }
}

TEST_F(SafetyNetTest, undoLastAbsorption_onlyWhileTheArchiveIsWhatItWrote) {
    struct Case {
        const char* what;
        std::function<void()> afterAbsorption;
        bool enabled;
        const char* told; // by the undo, when enabled
        const char* song; // spartiti/audio/3.mp3 afterwards
    };
    const Case cases[] = {
        {"undone", [] {}, true,
         "was undone: the 1 score(s) it added were taken out of the archive, 2 page",
         "stranger song"},
        {"something in the way", [&] { stand.write("spartiti\\audio\\3.mp3", "put there since"); },
         true, "The last absorption was not undone, and nothing was changed.", "put there since"},
        {"saved since", [&] { saveTitle(QStringLiteral("Edited")); }, false, nullptr, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(stand.path("spartiti\\backup"));
        stand.write("spartiti\\archivio.js", test::songArchive(2, "Song"));
        test::TempInstallation other;
        other.write("spartiti\\archivio.js", test::songArchive(1, "Theirs"));
        other.write("spartiti\\1L.jpg", "left");
        other.write("spartiti\\1R.jpg", "right");
        stand.write("spartiti\\audio\\3.mp3", "stranger song");
        SourceArchive source;
        loadSourceArchive(other.root(), source);
        const Absorption done = appendAndWrite(state.archive, stand.installation(), other.root(),
                                               source.entries, "2026-03-04 05-06-07");
        ASSERT_TRUE(recordAbsorption(stand.installation(), done,
                                     attachFiles(done, stand.installation(), "2026-03-04 05-06-07"))
                        .ok);
        const auto absorbed = test::folderContents(stand.root());
        windows.reopenMainWindow();
        main = windows.mainWindow();
        // The command's state is looked up as the Work menu opens.
        QMenu* work = main->findChild<QMenu*>(QStringLiteral("Work"));
        work->popup(QPoint());
        work->close();
        ASSERT_TRUE(main->undoAbsorption->isEnabled());
        c.afterAbsorption();
        main->updateUndoCommand();
        ASSERT_EQ(main->undoAbsorption->isEnabled(), c.enabled);
        if (!c.enabled) {
            EXPECT_TRUE(main->undoAbsorption->toolTip().contains(QStringLiteral("\"Restore…\"")));
            continue;
        }
        dialogs.clear();
        test::triggerEnabled(main->undoAbsorption);
        ASSERT_FALSE(dialogs.texts().isEmpty());
        EXPECT_TRUE(dialogs.texts().back().contains(QString::fromUtf8(c.told)))
            << dialogs.texts().back().toStdString();
        const bool undone = std::string_view(c.what) == "undone";
        EXPECT_EQ(stand.read("spartiti\\archivio.js"),
                  undone ? test::songArchive(2, "Song") : absorbed.at("spartiti/archivio.js"));
        EXPECT_EQ(main->Label6->text(), undone ? QStringLiteral("There are 2 titles")
                                               : QStringLiteral("There are 3 titles"));
        EXPECT_EQ(stand.read("spartiti\\audio\\3.mp3"), c.song);
        EXPECT_EQ(main->undoAbsorption->isEnabled(), !undone);
        if (!undone)
            continue;
        // The pages the undo parked are listed below the versions, with where they are.
        test::triggerEnabled(main->restore);
        RestoreWindow* window = windows.restoreWindow();
        // The absorption's own version says it was undone.
        EXPECT_EQ(window->List1
                      ->findItems(QStringLiteral("absorption   Archive   2 entries   (undone)"),
                                  Qt::MatchEndsWith)
                      .size(),
                  1);
        const QList<QListWidgetItem*> aside = window->List1->findItems(
            QStringLiteral("2 files set aside by the absorption of 2026-03-04 05:06"),
            Qt::MatchExactly);
        EXPECT_EQ(aside.size(), 1);
        if (!aside.isEmpty()) {
            window->List1->setCurrentItem(aside.front());
            EXPECT_FALSE(window->Command1->isEnabled());
            EXPECT_TRUE(window->Label1->text().contains(
                QStringLiteral("spartiti/backup/2026-03-04 05-06-07 absorption")))
                << window->Label1->text().toStdString();
        }
        window->close();
    }
}

// Every window that replaces a page or a recording keeps the file it replaces, says so, and
// "Restore…" puts it back, keeping the one it replaces in turn.
TEST_F(SafetyNetTest, replacedPagesAndRecordings_areKeptAndRestoreBringsThemBack) {
    const auto qpath = [this](const char* name) {
        return QString::fromStdString(stand.path(name).string());
    };
    struct Case {
        const char* what;
        std::function<void()> replace;
        const char* file; // the file replaced
        const char* kept; // the notice
        const char* row;  // in the "Restore…" list
    };
    const Case cases[] = {
        {"left page window",
         [&] { windows.pageFileDropped(PageSide::Left, qpath("scans\\new.jpg")); },
         "spartiti\\2L.jpg",
         "The earlier left page and right page were kept; \"Restore…\" brings them back.",
         "Left page of 2 (Song 2)"},
        {"right page window",
         [&] { windows.pageFileDropped(PageSide::Right, qpath("scans\\new.jpg")); },
         "spartiti\\2R.jpg", "The earlier right page was kept; \"Restore…\" brings it back.",
         "Right page of 2 (Song 2)"},
        {"audio window",
         [&] {
             test::clickEnabled(main->Command2);
             mp3* audio = windows.audioWindow();
             ASSERT_NE(audio, nullptr);
             audio->File1->setPath(qpath("scans"));
             ASSERT_TRUE(audio->File1->selectFile(QStringLiteral("new.mp3")));
             emit audio->File1->fileClicked(audio->File1->path(), QStringLiteral("new.mp3"));
             test::clickEnabled(audio->Command3[1]);
         },
         "spartiti\\audio\\2.mp3", "The earlier recording was kept; \"Restore…\" brings it back.",
         "Recording of 2 (Song 2)"},
        {"PDF window",
         [&] {
             windows.pageFileDropped(PageSide::Left, qpath("scans\\score.pdf"));
             PdfImportWindow* pdf = windows.pdfImportWindow();
             ASSERT_NE(pdf, nullptr);
             pdf->thumbnails->setCurrentRow(0);
             test::clickEnabled(pdf->leftButton);
             dialogs.setNextAnswer(true);
             test::clickEnabled(pdf->attachButton);
         },
         "spartiti\\2L.jpg", "The earlier left page was kept; \"Restore…\" brings it back.",
         "Left page of 2 (Song 2)"},
    };
    stand.write("spartiti\\generi.js", "var generi = [\r\n\"Jazz\",\r\n ];\r\n");
    stand.write("spartiti\\m.jpg", "placeholder");
    stand.write("scans\\new.jpg", "new page");
    stand.write("scans\\new.mp3", "new take");
    test::writePdf(stand.path("scans\\score.pdf"), {test::kA4});
    test::forEachRow(cases, [&](const Case& c) {
        fs::remove_all(stand.path("spartiti\\backup"));
        stand.write("spartiti\\2L.jpg", "scanned left");
        stand.write("spartiti\\2R.jpg", "scanned right");
        stand.write("spartiti\\audio\\2.mp3", "own take");
        main->reload();
        const std::string before = stand.read(c.file);
        dialogs.clear();
        c.replace();
        ASSERT_NE(stand.read(c.file), before);
        EXPECT_TRUE(dialogs.texts().join(QStringLiteral("\n")).contains(QString::fromUtf8(c.kept)))
            << dialogs.texts().join(QStringLiteral("|")).toStdString();
        const std::vector<Version> kept = listVersions(stand.installation());
        const auto version = std::find_if(kept.begin(), kept.end(),
                                          [&](const Version& v) { return v.keptName() == c.file; });
        ASSERT_NE(version, kept.end());
        EXPECT_EQ(stand.read(installationName(stand.installation(), version->dataPath())), before);

        test::triggerEnabled(main->restore);
        RestoreWindow* window = windows.restoreWindow();
        ASSERT_NE(window, nullptr);
        const QList<QListWidgetItem*> rows =
            window->List1->findItems(QString::fromUtf8(c.row), Qt::MatchContains);
        ASSERT_FALSE(rows.isEmpty());
        window->List1->setCurrentItem(rows.front());
        const std::string replacedBy = stand.read(c.file);
        dialogs.clear();
        dialogs.setNextAnswer(true);
        test::clickEnabled(window->Command1);
        EXPECT_EQ(stand.read(c.file), before);
        EXPECT_TRUE(dialogs.messages().back().startsWith(QString::fromUtf8(c.row) +
                                                         QStringLiteral(" is back as it was on")))
            << dialogs.messages().back().toStdString();
        // What the restore replaced is itself a version now.
        EXPECT_EQ(stand.read(installationName(stand.installation(),
                                              listVersions(stand.installation()).at(0).dataPath())),
                  replacedBy);
        window->close();
    });
}

} // namespace
} // namespace folio
