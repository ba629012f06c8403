// Opening a stand like a document: "Open stand…", the recent stands, and which stand a start
// opens. Each test works on stands of its own and on settings that start empty.
#include "app/program_windows.h"
#include "app/recent_stands.h"
#include "platform/widgets.h"
#include "support/fake_dialogs.h"
#include "support/lock_holder.h"
#include "support/rows.h"
#include "support/temp_installation.h"
#include "support/user_input.h"
#include "windows/common/shared_state.h"

#include <QAction>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <vector>

namespace folio {
namespace {

using Answer = Dialogs::Answer;
using test::crlf;

QString qtPath(const test::TempInstallation& stand) {
    return toQtPath(stand.root());
}

QString notAStand(const QString& folder) {
    return QDir::toNativeSeparators(folder) +
           QStringLiteral(" is not a stand folder: a stand folder holds the folder spartiti, with "
                          "the stand's archive, playlists and page images.");
}

// Two stands of two and three titles, each with a playlist and a MIDI file.
struct TwoStands {
    test::TempInstallation first;
    test::TempInstallation second;
    TwoStands() {
        first.write("spartiti\\archivio.js", test::songArchive(2, "First"));
        second.write("spartiti\\archivio.js", test::songArchive(3, "Second"));
        for (const test::TempInstallation* stand : {&first, &second}) {
            stand->write("spartiti\\playlist.js",
                         crlf({"var playlist = [", R"("Sunday","2,1,#",)", " ];"}));
            std::string midi = crlf({"var midi = [", R"("2",)"});
            for (int channel = 1; channel <= kMidiChannels; ++channel)
                midi += crlf({R"("000,000,000",)"});
            stand->write("spartiti\\midi.js", midi + crlf({" ];"}));
        }
    }
};

TEST(OpenStand, eachWindowAsksAboutItsWork_andACancelKeepsTheStandAsItWas) {
    enum class Edit { None, Main, Playlist, Midi };
    struct Row {
        const char* what;
        Edit edit;
        // The answer to the one question asked; ignored when nothing is unsaved.
        Answer answer;
        bool opened;
        // The first stand's archive file holds the edit afterwards.
        bool saved;
    };
    const Row rows[] = {
        {"nothing unsaved", Edit::None, Answer::Yes, true, false},
        {"main window, Yes", Edit::Main, Answer::Yes, true, true},
        {"main window, No", Edit::Main, Answer::No, true, false},
        {"main window, Cancel", Edit::Main, Answer::Cancel, false, false},
        {"playlist manager, leave", Edit::Playlist, Answer::Yes, true, false},
        {"playlist manager, stay", Edit::Playlist, Answer::No, false, false},
        {"MIDI window, leave", Edit::Midi, Answer::Yes, true, false},
        {"MIDI window, stay", Edit::Midi, Answer::No, false, false},
    };
    test::forEachRow(rows, [](const Row& row) {
        TwoStands stands;
        SharedState state{stands.first.installation()};
        test::FakeDialogs dialogs;
        ProgramWindows windows{state, dialogs};
        ASSERT_TRUE(windows.openStand(qtPath(stands.first)));
        QPointer<Form1> first = windows.mainWindow();
        if (row.edit == Edit::Main)
            QTest::keyClicks(first->Text2, " live");
        if (row.edit == Edit::Playlist) {
            test::triggerEnabled(first->playlist);
            windows.playlistManager()->List1->setCurrentRow(0);
            test::clickEnabled(windows.playlistManager()->Command2);
        }
        if (row.edit == Edit::Midi) {
            test::triggerEnabled(first->midi);
            windows.midiWindow()->MSB[1]->selectAll();
            QTest::keyClicks(windows.midiWindow()->MSB[1], QStringLiteral("42"));
        }
        const std::string archiveBefore = stands.first.read("spartiti\\archivio.js");
        if (row.edit == Edit::Main)
            dialogs.setNextChoice(row.answer);
        else if (row.edit != Edit::None)
            dialogs.setNextAnswer(row.answer == Answer::Yes);
        dialogs.clear();

        dialogs.setNextFolder(qtPath(stands.second));
        test::triggerEnabled(first->openStand);

        const QStringList expected = [&] {
            QStringList texts{QStringLiteral("Open stand")};
            if (row.edit == Edit::Main)
                texts << QStringLiteral("Save the changes to the archive before leaving?");
            if (row.edit == Edit::Main && row.answer == Answer::Yes)
                texts << QStringLiteral("Successfully saved!");
            if (row.edit == Edit::Playlist || row.edit == Edit::Midi)
                texts << QStringLiteral("Leave without saving?");
            return texts;
        }();
        const QStringList shown = dialogs.texts();
        ASSERT_EQ(shown.size(), expected.size()) << shown.join(" | ").toStdString();
        for (qsizetype i = 0; i < shown.size(); ++i)
            EXPECT_TRUE(shown[i].startsWith(expected[i])) << shown[i].toStdString();
        EXPECT_EQ(dialogs.shown().front().kind, test::FakeDialogs::Kind::FolderChoice);
        // The chooser starts in the open stand.
        EXPECT_EQ(dialogs.shown().front().title, qtPath(stands.first));
        EXPECT_EQ(stands.first.read("spartiti\\archivio.js") != archiveBefore, row.saved);

        const test::TempInstallation& open = row.opened ? stands.second : stands.first;
        EXPECT_EQ(state.installation.root(), open.root());
        Form1* main = windows.mainWindow();
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(main == first.data(), !row.opened);
        EXPECT_TRUE(main->isVisible());
        EXPECT_EQ(main->windowTitle(), QStringLiteral("Folioscribe 5.0"));
        EXPECT_EQ(main->Label6->text(), row.opened ? QStringLiteral("There are 3 titles")
                                                   : QStringLiteral("There are 2 titles"));
        EXPECT_EQ(main->standLabel->text(), QDir(qtPath(open)).dirName());
        EXPECT_EQ(main->standLabel->toolTip(), QDir::toNativeSeparators(qtPath(open)));
        if (row.opened) {
            // Nothing of the first stand is shown or held: its windows are gone, and its state.
            EXPECT_EQ(windows.playlistManager(), nullptr);
            EXPECT_EQ(windows.midiWindow(), nullptr);
            EXPECT_EQ(main->Text2->text(), QStringLiteral("Second 3"));
            EXPECT_EQ(state.archive.slot(1).title, "Second 1");
            EXPECT_FALSE(main->hasUnsavedChanges());
        } else {
            // A Cancel keeps every window and edit as it was.
            EXPECT_EQ(windows.playlistManager() != nullptr, row.edit == Edit::Playlist);
            EXPECT_EQ(windows.midiWindow() != nullptr, row.edit == Edit::Midi);
            EXPECT_EQ(main->hasUnsavedChanges(), row.edit == Edit::Main);
        }
    });
}

// The first stand's main window goes once the menu command that closed it is over; the pages it
// showed and kept go at once, before the next stand's window is built beside it.
TEST(OpenStand, theClosedStandsPages_goBeforeItsWindowDoes) {
    TwoStands stands;
    for (const char* file :
         {"spartiti\\1L.jpg", "spartiti\\1R.jpg", "spartiti\\2L.jpg", "spartiti\\2R.jpg"}) {
        QImage page(120, 170, QImage::Format_RGB32);
        page.fill(Qt::red);
        ASSERT_TRUE(page.save(QString::fromStdString(stands.first.path(file).string()), "JPG"));
    }
    SharedState state{stands.first.installation()};
    test::FakeDialogs dialogs;
    ProgramWindows windows{state, dialogs};
    ASSERT_TRUE(windows.openStand(qtPath(stands.first)));
    QPointer<Form1> first = windows.mainWindow();
    auto* pages = first->findChild<PageImageLoader*>();
    ASSERT_NE(pages, nullptr);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return !first->Image1->pixmap().isNull() && !first->Image2->pixmap().isNull() &&
                   pages->isIdle();
        },
        5000));

    dialogs.setNextFolder(qtPath(stands.second));
    test::triggerEnabled(first->openStand);

    ASSERT_EQ(state.installation.root(), stands.second.root());
    ASSERT_FALSE(first.isNull()) << "the window went within its own command";
    EXPECT_FALSE(first->isVisible());
    EXPECT_TRUE(first->Image1->pixmap().isNull());
    EXPECT_TRUE(first->Image2->pixmap().isNull());
    // The pages the window kept are gone too: the first position is decoded anew if asked for.
    std::vector<PageSide> sent;
    QObject::connect(pages, &PageImageLoader::pageReady,
                     [&](int, PageSide side, const QImage&) { sent.push_back(side); });
    pages->request(1, stands.first.path("spartiti\\1L.jpg"), stands.first.path("spartiti\\1R.jpg"));
    EXPECT_TRUE(sent.empty()) << "answered from the pages kept";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
}

TEST(OpenStand, aFolderWithoutSpartiti_isRefusedAndTheUserChoosesAgain) {
    TwoStands stands;
    test::TempInstallation plain(false);
    SharedState state{stands.first.installation()};
    test::FakeDialogs dialogs;
    ProgramWindows windows{state, dialogs};
    ASSERT_TRUE(windows.openStand(qtPath(stands.first)));
    dialogs.clear();

    dialogs.setNextFolder(qtPath(plain));
    dialogs.setNextFolder(qtPath(stands.second));
    test::triggerEnabled(windows.mainWindow()->openStand);

    ASSERT_EQ(dialogs.texts(), QStringList({QStringLiteral("Open stand"), notAStand(qtPath(plain)),
                                            QStringLiteral("Open stand")}));
    EXPECT_EQ(dialogs.shown()[1].kind, test::FakeDialogs::Kind::Error);
    // The second chooser starts where the first was left.
    EXPECT_EQ(dialogs.shown()[2].title, qtPath(plain));
    EXPECT_EQ(state.installation.root(), stands.second.root());
}

TEST(OpenStand, theChooserCalledOff_keepsTheOpenStand) {
    TwoStands stands;
    SharedState state{stands.first.installation()};
    test::FakeDialogs dialogs;
    ProgramWindows windows{state, dialogs};
    ASSERT_TRUE(windows.openStand(qtPath(stands.first)));
    Form1* main = windows.mainWindow();
    QTest::keyClicks(main->Text2, " live");
    dialogs.clear();

    EXPECT_EQ(main->openStand->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    test::triggerEnabled(main->openStand);

    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("Open stand")});
    EXPECT_EQ(windows.mainWindow(), main);
    EXPECT_TRUE(main->hasUnsavedChanges());
}

// The stands opened, newest first, each once, at most eight; kept in the user's settings.
TEST(RecentStands, newestFirst_eachOnce_atMostEight) {
    std::vector<std::unique_ptr<test::TempInstallation>> stands;
    for (int i = 0; i < 9; ++i)
        stands.push_back(std::make_unique<test::TempInstallation>());
    SharedState state{stands[0]->installation()};
    test::FakeDialogs dialogs;
    ProgramWindows windows{state, dialogs};
    for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 8, 3})
        ASSERT_TRUE(windows.openStand(qtPath(*stands[i])));

    QStringList expected;
    for (int i : {3, 8, 7, 6, 5, 4, 2, 1})
        expected << qtPath(*stands[i]);
    QStringList listed;
    for (const RecentStand& stand : windows.recentStands()) {
        listed << stand.folder;
        EXPECT_TRUE(stand.there);
    }
    EXPECT_EQ(listed, expected);
    // Where a later run finds them: the user's settings, not a stand.
    EXPECT_EQ(QSettings(QSettings::NativeFormat, QSettings::UserScope,
                        QStringLiteral("Folioscribe"), QStringLiteral("Folioscribe_pro"))
                  .value(QStringLiteral("recentStands"))
                  .toStringList(),
              expected);
    std::vector<std::string> inside;
    for (const auto& [name, what] : test::folderContents(stands[3]->root()))
        inside.push_back(name);
    // The open stand holds its lock, and nothing else was added.
    EXPECT_EQ(inside, std::vector<std::string>(
                          {"spartiti", "spartiti/.folioscribe.lock", "spartiti/audio"}));
}

TEST(RecentStands, aStandNoLongerThere_isGreyedWithItsPathInTheTip) {
    TwoStands stands;
    auto gone = std::make_unique<test::TempInstallation>();
    const QString goneFolder = qtPath(*gone);
    SharedState state{stands.first.installation()};
    test::FakeDialogs dialogs;
    ProgramWindows windows{state, dialogs};
    ASSERT_TRUE(windows.openStand(goneFolder));
    ASSERT_TRUE(windows.openStand(qtPath(stands.second)));
    ASSERT_TRUE(windows.openStand(qtPath(stands.first)));
    gone.reset();

    QMenu* work = windows.mainWindow()->findChild<QMenu*>(QStringLiteral("Work"));
    ASSERT_NE(work, nullptr);
    emit work->aboutToShow();
    const QList<QAction*> listed = windows.mainWindow()->recentStands->actions();
    ASSERT_EQ(listed.size(), 3);
    EXPECT_EQ(listed[1]->toolTip(), QDir::toNativeSeparators(qtPath(stands.second)));
    EXPECT_TRUE(listed[1]->isEnabled());
    EXPECT_EQ(listed[2]->text(), QDir(goneFolder).dirName());
    EXPECT_EQ(listed[2]->toolTip(), QDir::toNativeSeparators(goneFolder));
    EXPECT_FALSE(listed[2]->isEnabled());

    dialogs.clear();
    test::triggerEnabled(listed[1]);
    EXPECT_EQ(state.installation.root(), stands.second.root());
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join(" | ").toStdString();
}

// Stands are named by the shortest end of their paths that tells them apart; a path that needs
// every part is named whole.
TEST(RecentStands, names_areTheShortestEndsOfThePathsThatTellThemApart) {
    struct Row {
        const char* what;
        QStringList folders;
        QStringList names;
    };
    const Row rows[] = {
        {"different names", {"/m/usb/demo", "/m/disk/gig"}, {"demo", "gig"}},
        {"the same name", {"/m/usb/demo", "/home/ann/demo"}, {"usb/demo", "ann/demo"}},
        {"the same two ends",
         {"/a/x/demo", "/b/x/demo", "/c/y/demo"},
         {"/a/x/demo", "/b/x/demo", "y/demo"}},
        {"one path the end of another", {"/demo", "/usb/demo"}, {"/demo", "/usb/demo"}},
        {"the same folder twice", {"/m/usb/demo", "/m/usb/demo/"}, {"demo", "demo"}},
        {"the root", {"/"}, {"/"}},
    };
    test::forEachRow(rows, [](const Row& row) {
        QStringList expected;
        for (const QString& name : row.names)
            expected << QDir::toNativeSeparators(name);
        EXPECT_EQ(distinguishingNames(row.folders), expected);
    });
}

// Two stands in folders of the same name are told apart in the menu and in the main window.
TEST(RecentStands, twoStandsOfOneName_areToldApartInTheMenuAndTheWindow) {
    QTemporaryDir parent;
    ASSERT_TRUE(parent.isValid());
    QStringList folders;
    for (const char* place : {"usb", "music"}) {
        const QString folder = QDir(parent.path()).filePath(QStringLiteral("%1/demo").arg(place));
        ASSERT_TRUE(QDir().mkpath(QDir(folder).filePath(QStringLiteral("spartiti"))));
        folders << folder;
    }
    test::TempInstallation elsewhere;
    SharedState state{elsewhere.installation()};
    test::FakeDialogs dialogs;
    ProgramWindows windows{state, dialogs};
    ASSERT_TRUE(windows.openStand(folders[0]));
    ASSERT_TRUE(windows.openStand(folders[1]));
    Form1* main = windows.mainWindow();
    // Named as the recent stands tell it apart once the window has been painted.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
    const QString named = QDir::toNativeSeparators("music/demo");
    EXPECT_TRUE(QTest::qWaitFor([&] { return main->standLabel->text() == named; }, 2000))
        << main->standLabel->text().toStdString();
    // A main window opened anew (after an absorption or a removal) names it so too.
    windows.reopenMainWindow();
    main = windows.mainWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
    EXPECT_TRUE(QTest::qWaitFor([&] { return main->standLabel->text() == named; }, 2000))
        << main->standLabel->text().toStdString();

    QMenu* work = main->findChild<QMenu*>(QStringLiteral("Work"));
    ASSERT_NE(work, nullptr);
    emit work->aboutToShow();
    QStringList listed;
    for (const QAction* stand : main->recentStands->actions())
        listed << stand->text();
    EXPECT_EQ(listed, QStringList({QDir::toNativeSeparators("music/demo"),
                                   QDir::toNativeSeparators("usb/demo")}));
}

// Which stand a start opens: the first rule that applies.
TEST(Start, opensTheFirstStandThatApplies) {
    enum class Folder { None, First, Second, Plain, Gone };
    struct Row {
        const char* what;
        Folder argument;
        Folder working;
        // The recent list, newest first.
        std::vector<Folder> recent;
        // The stand opened; None for the start window.
        Folder opened;
        bool refused;
        // Another program holds the first stand's lock, and the user calls its opening off.
        bool firstHeldElsewhere = false;
    };
    const Row rows[] = {
        {"the command line before the working folder",
         Folder::Second,
         Folder::First,
         {},
         Folder::Second,
         false},
        {"the working folder before the recent stands",
         Folder::None,
         Folder::First,
         {Folder::Second},
         Folder::First,
         false},
        {"the newest recent stand still there",
         Folder::None,
         Folder::Plain,
         {Folder::Gone, Folder::Second, Folder::First},
         Folder::Second,
         false},
        {"no stand anywhere", Folder::None, Folder::Plain, {Folder::Gone}, Folder::None, false},
        {"a command line folder that is no stand",
         Folder::Plain,
         Folder::First,
         {},
         Folder::None,
         true},
    };
    test::forEachRow(rows, [](const Row& row) {
        TwoStands stands;
        test::TempInstallation plain(false);
        const QString gone = qtPath(plain) + QStringLiteral("/gone");
        const auto folder = [&](Folder which) {
            switch (which) {
            case Folder::First:
                return qtPath(stands.first);
            case Folder::Second:
                return qtPath(stands.second);
            case Folder::Plain:
                return qtPath(plain);
            case Folder::Gone:
                return gone;
            case Folder::None:
                break;
            }
            return QString();
        };
        QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Folioscribe"),
                  QStringLiteral("Folioscribe_pro"))
            .clear();
        for (auto it = row.recent.rbegin(); it != row.recent.rend(); ++it)
            rememberStand(folder(*it));
        std::optional<test::LockHolder> other;
        if (row.firstHeldElsewhere) {
            other.emplace(qtPath(stands.first));
            ASSERT_TRUE(other->holds());
        }
        SharedState state{plain.installation()};
        test::FakeDialogs dialogs;
        ProgramWindows windows{state, dialogs};
        const QStringList arguments =
            row.argument == Folder::None ? QStringList() : QStringList{folder(row.argument)};

        windows.start(arguments, folder(row.working));

        if (row.opened == Folder::None) {
            EXPECT_EQ(windows.mainWindow(), nullptr);
            StartWindow* start = windows.startWindow();
            ASSERT_NE(start, nullptr);
            EXPECT_TRUE(start->isVisible());
            EXPECT_TRUE(start->openFolder->isEnabled());
            EXPECT_EQ(start->recentList->count(), static_cast<int>(row.recent.size()));
            for (int i = 0; i < start->recentList->count(); ++i)
                EXPECT_FALSE(start->recentList->item(i)->flags() & Qt::ItemIsEnabled);
        } else {
            ASSERT_NE(windows.mainWindow(), nullptr);
            EXPECT_EQ(toQtPath(state.installation.root()), folder(row.opened));
            EXPECT_EQ(windows.recentStands().front().folder, folder(row.opened));
        }
        EXPECT_EQ(dialogs.errors(),
                  row.refused ? QStringList{notAStand(folder(row.argument))} : QStringList());
        // Only the held stand asks whether to open it read-only (and is called off).
        const bool askedReadOnly =
            !dialogs.shown().empty() &&
            dialogs.shown().front().buttons.contains(QStringLiteral("Open read-only"));
        EXPECT_EQ(askedReadOnly, row.firstHeldElsewhere);
    });
}

// The start window never leaves the user without a way on: choosing a folder there opens it,
// and the start window goes.
TEST(Start, theStartWindowOpensTheFolderChosen) {
    TwoStands stands;
    test::TempInstallation plain(false);
    SharedState state{plain.installation()};
    test::FakeDialogs dialogs;
    ProgramWindows windows{state, dialogs};
    windows.start({}, qtPath(plain));
    QPointer<StartWindow> start = windows.startWindow();
    ASSERT_FALSE(start.isNull());
    EXPECT_EQ(start->explanation->text().count(QLatin1Char('.')), 2);

    dialogs.setNextFolder(qtPath(stands.second));
    test::clickEnabled(start->openFolder);

    ASSERT_NE(windows.mainWindow(), nullptr);
    EXPECT_EQ(state.installation.root(), stands.second.root());
    EXPECT_TRUE(QTest::qWaitFor([&] { return start.isNull(); }));
    EXPECT_FALSE(windows.exitRequested());
}

} // namespace
} // namespace folio
