// The upgrade tool driven like a user: the features window first, then browsing to an older
// installation, clicking its old page and upgrading it.
#include "demo/generator/demo_installation.h"
#include "platform/browsing_lists.h"
#include "support/fake_dialogs.h"
#include "support/fault_injection.h"
#include "support/lock_holder.h"
#include "support/qt_printers.h"
#include "support/temp_installation.h"
#include "support/user_input.h"
#include "upgrade/copy_list.h"
#include "upgrade/upgrade_windows.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace folio::upgrade {
namespace {

namespace fs = std::filesystem;
using test::FakeDialogs;
using test::folderContents;
using test::TempInstallation;

const QString kSelectOldPage = QStringLiteral("Select from the old folder lumivora_4.html");
const QString kClickOnUpgrade = QStringLiteral("Ok, now click on upgrade");
#ifdef _WIN32
const QString kUpgraded =
    QStringLiteral("Successfully updated! Now the folder scores you will find lumivora_pro.html "
                   "and folioscribe_pro.exe good job!");
#else
const QString kUpgraded =
    QStringLiteral("Successfully updated! Now the folder scores you will find lumivora_pro.html "
                   "and Folioscribe_pro good job!");
#endif

QString qpath(const fs::path& path) {
    return QString::fromStdString(path.string());
}

void processDeferredDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Records what the status line showed when each message box came up.
class StatusRecordingDialogs : public FakeDialogs {
public:
    QPointer<Form1> window;
    QStringList statusAtMessage;

    void message(QWidget* parent, const QString& text, const QString& title = {}) override {
        statusAtMessage << (window ? window->Label1->text() : QString());
        FakeDialogs::message(parent, text, title);
    }
};

class UpgradeWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        QString error;
        ASSERT_TRUE(demo::generateDeliveryFiles(delivery.root(), &error)) << error.toStdString();
        delivery.write(kProgramFile, "#!/bin/sh\necho stand-in program\n");
        fs::permissions(delivery.path(kProgramFile),
                        fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
        demo::DemoOptions options;
        options.entries = 3;
        options.pageSize = {40, 56};
        ASSERT_TRUE(demo::generateOlderInstallation(stand.root(), options, &error))
            << error.toStdString();
    }

    void TearDown() override { delete window; }

    // Starts the tool and presses the features window's "Ok".
    void startAndPressOk() {
        window = new Form1(delivery.root(), dialogs);
        dialogs.window = window;
        window->load();
        ASSERT_NE(window->featuresWindow(), nullptr);
        test::clickEnabled(window->featuresWindow()->Command1);
        processDeferredDeletes();
        ASSERT_TRUE(window->isVisible());
    }

    void clickFile(const fs::path& folder, const QString& name) {
        ASSERT_TRUE(window->Dir1->setPath(qpath(folder)));
        for (int i = 0; i < window->File1->count(); ++i) {
            QListWidgetItem* row = window->File1->item(i);
            if (row->text() == name) {
                QTest::mouseClick(window->File1->viewport(), Qt::LeftButton, {},
                                  window->File1->visualItemRect(row).center());
                return;
            }
        }
        FAIL() << "no file " << name.toStdString() << " in " << folder;
    }

    void upgradeStand() {
        clickFile(stand.root(), QStringLiteral("lumivora_4.html"));
        test::clickEnabled(window->Command1);
        processDeferredDeletes();
    }

    TempInstallation delivery{false};
    TempInstallation stand{false};
    StatusRecordingDialogs dialogs;
    QPointer<Form1> window;
};

TEST_F(UpgradeWindowTest, startUp_featuresWindowFirst_upgradeWindowAfterOkWithButtonOff) {
    window = new Form1(delivery.root(), dialogs);
    window->load();
    QPointer<Form2> features = window->featuresWindow();
    ASSERT_NE(features, nullptr);
    EXPECT_TRUE(features->isVisible());
    EXPECT_FALSE(window->isVisible());
    // Whatever typeface stands in, the captions are shown whole.
    for (const auto* control : std::initializer_list<const QWidget*>{
             window->Command1, window->Label2, features->Label1, features->Command1}) {
        const auto* button = qobject_cast<const QPushButton*>(control);
        const QString text = button ? button->text() : qobject_cast<const QLabel*>(control)->text();
        EXPECT_LE(QFontMetrics(control->font()).horizontalAdvance(text), control->width())
            << control->objectName().toStdString();
    }

    QTest::keyClick(features, Qt::Key_Return);
    processDeferredDeletes();
    EXPECT_TRUE(features.isNull());
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->Command1->isEnabled());
    EXPECT_TRUE(window->Label1->text().isEmpty());
    EXPECT_EQ(window->Dir1->path(), qpath(delivery.root()));
    EXPECT_EQ(window->File1->path(), qpath(delivery.root()));
    EXPECT_TRUE(dialogs.shown().empty());
}

// A screen too small for the whole window gets it scaled down, layout and all, with the upgrade
// button and the status line on screen; a screen that holds it shows it as designed.
TEST_F(UpgradeWindowTest, upgradeWindow_fitsTheScreenWithItsButtonAndStatusLine) {
    startAndPressOk();
    clickFile(stand.root(), QStringLiteral("lumivora_4.html"));
    const auto onScreen = [this](const QRect& available) {
        // The window's frame starts at pos(); it has a title bar of at least 30 pixels.
        EXPECT_TRUE(available.contains(QRect(window->pos(), window->size().grownBy({0, 30, 0, 0}))))
            << window->x() << "," << window->y() << " " << window->width() << "x"
            << window->height();
        for (const QWidget* control :
             std::initializer_list<const QWidget*>{window->File1, window->Command1, window->Label1})
            EXPECT_TRUE(window->rect().contains(control->geometry()))
                << control->objectName().toStdString();
    };
    // As shown, it is fitted to the screen it opened on.
    const QRect shownOn = window->screen()->availableGeometry();
    onScreen(shownOn);
    const QRect shown = window->geometry();
    window->fitInto(shownOn);
    EXPECT_EQ(window->geometry(), shown);

    const struct {
        const char* name;
        QRect available;
        bool asDesigned;
    } cases[] = {
        {"1366 x 768", {0, 0, 1366, 768}, false},
        {"1366 x 768 less a task bar", {0, 0, 1366, 728}, false},
        {"800 x 600 beside another screen", {1366, 0, 800, 600}, false},
        {"1920 x 1080", {0, 0, 1920, 1080}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        window->fitInto(c.available);
        onScreen(c.available);
        EXPECT_EQ(window->size() == QSize(745, 753), c.asDesigned) << window->height();
        if (c.asDesigned) {
            EXPECT_EQ(window->Command1->geometry(), QRect(32, 584, 681, 97));
            EXPECT_EQ(window->Label1->geometry(), QRect(24, 696, 713, 49));
        }
        // The layout is kept: the button below the file list, the status line below the button.
        EXPECT_GT(window->Command1->y(), window->File1->geometry().bottom());
        EXPECT_GT(window->Label1->y(), window->Command1->geometry().bottom());
        EXPECT_EQ(window->Label1->text(), kClickOnUpgrade);
        for (const auto* control :
             std::initializer_list<const QWidget*>{window->Command1, window->Label1}) {
            const auto* button = qobject_cast<const QPushButton*>(control);
            const QString text =
                button ? button->text() : qobject_cast<const QLabel*>(control)->text();
            EXPECT_LE(QFontMetrics(control->font()).horizontalAdvance(text), control->width())
                << control->objectName().toStdString();
        }
    }
}

// An older stand on a stick mounted below the current drive: choosing the stick in the drive
// list makes it the folder tree's top.
TEST_F(UpgradeWindowTest, choosingADriveBelowTheCurrentOne_makesItTheTreesTop) {
    startAndPressOk();
    const QString stick = qpath(stand.root());
    window->Drive1->setDrives({window->Dir1->drive(), stick});
    ASSERT_TRUE(window->Drive1->setDrive(stick));
    EXPECT_EQ(window->Dir1->drive(), stick);
    EXPECT_EQ(window->File1->path(), stick);
}

TEST_F(UpgradeWindowTest, featuresWindowClosedWithoutOk_endsTheTool) {
    window = new Form1(delivery.root(), dialogs);
    window->load();
    window->featuresWindow()->close();
    processDeferredDeletes();
    EXPECT_TRUE(window.isNull());
}

// Only the exact name enables the button, and only the folder of the last click is the target.
TEST_F(UpgradeWindowTest, fileClicks_onlyTheExactOldPageMakesItsFolderTheTarget) {
    TempInstallation folders(false);
    for (const char* folder : {"a", "b"}) {
        for (const char* name :
             {"lumivora_4.html", "Lumivora_4.html", "lumivora_4.HTML", "lumivora_4.html.bak"})
            folders.write(std::string(folder) + "\\" + name, "page");
    }
    struct Click {
        const char* folder;
        const char* name;
    };
    struct Case {
        std::vector<Click> clicks;
        const char* target; // nullptr: no target, the button off
        int refusals;
    };
    const Case cases[] = {
        {{{"a", "Lumivora_4.html"}}, nullptr, 1},
        {{{"a", "lumivora_4.HTML"}}, nullptr, 1},
        {{{"a", "lumivora_4.html.bak"}}, nullptr, 1},
        {{{"a", "lumivora_4.html"}}, "a", 0},
        {{{"a", "lumivora_4.html"}, {"b", "lumivora_4.html"}}, "b", 0},
        {{{"a", "lumivora_4.html"}, {"b", "Lumivora_4.html"}}, nullptr, 1},
        {{{"a", "lumivora_4.html"}, {"a", "lumivora_4.html.bak"}}, nullptr, 1},
        {{{"a", "Lumivora_4.html"}, {"b", "lumivora_4.html"}}, "b", 1},
    };
    for (const Case& c : cases) {
        dialogs.clear();
        startAndPressOk();
        for (const Click& click : c.clicks)
            clickFile(folders.path(click.folder), QString::fromLatin1(click.name));
        const std::string what = std::string(c.clicks.back().folder) + "/" + c.clicks.back().name;
        EXPECT_EQ(dialogs.messages(), QStringList(c.refusals, kSelectOldPage)) << what;
        if (c.target) {
            EXPECT_EQ(window->targetFolder(), qpath(folders.path(c.target))) << what;
            EXPECT_TRUE(window->Command1->isEnabled()) << what;
            EXPECT_EQ(window->Label1->text(), kClickOnUpgrade) << what;
        } else {
            EXPECT_TRUE(window->targetFolder().isEmpty()) << what;
            EXPECT_FALSE(window->Command1->isEnabled()) << what;
            EXPECT_TRUE(window->Label1->text().isEmpty()) << what;
        }
        delete window;
    }
}

TEST_F(UpgradeWindowTest, upgrade_olderInstallation_getsTheSixFilesAndTheToolEnds) {
    auto expected = folderContents(stand.root());
    for (const CopyRow& row : kCopyList)
        expected[nativeRelativePath(row.destination).string()] = delivery.read(row.source);
    startAndPressOk();
    upgradeStand();

    EXPECT_EQ(dialogs.texts(), QStringList{kUpgraded});
    EXPECT_EQ(folderContents(stand.root()), expected);
    EXPECT_EQ(stand.read("lumivora_4.html"), expected["lumivora_4.html"]);
    EXPECT_EQ(fs::status(stand.path(kProgramDestination)).permissions(),
              fs::status(delivery.path(kProgramFile)).permissions());
    EXPECT_TRUE(window.isNull());
}

// Folioscribe may be writing a stand it holds the lock of: the upgrade copies nothing into it,
// says why, and stays open to try again.
TEST_F(UpgradeWindowTest, upgrade_standOpenInFolioscribe_isRefusedAndNothingIsCopied) {
    test::LockHolder folioscribe(qpath(stand.root()));
    ASSERT_TRUE(folioscribe.holds());
    const auto before = folderContents(stand.root());
    startAndPressOk();
    dialogs.clear();
    upgradeStand();

    ASSERT_EQ(dialogs.errors().size(), 1);
    const QString refused = dialogs.errors().front();
    EXPECT_TRUE(refused.startsWith(QDir::toNativeSeparators(qpath(stand.root())) +
                                   QStringLiteral(" is open in Folioscribe (")))
        << refused.toStdString();
    EXPECT_TRUE(refused.contains(QStringLiteral(", process %1, since ").arg(folioscribe.pid())))
        << refused.toStdString();
    EXPECT_TRUE(refused.endsWith(QStringLiteral("which may be writing it. Nothing was copied: "
                                                "close Folioscribe there, then upgrade again.")))
        << refused.toStdString();
    EXPECT_EQ(folderContents(stand.root()), before);
    ASSERT_FALSE(window.isNull());
    EXPECT_TRUE(window->isVisible());

    // Once Folioscribe has ended, its lock is stale and the upgrade goes ahead.
    folioscribe.end();
    dialogs.clear();
    test::clickEnabled(window->Command1);
    processDeferredDeletes();
    EXPECT_EQ(dialogs.texts(), QStringList{kUpgraded});
    EXPECT_FALSE(stand.exists("spartiti\\.folioscribe.lock"));
}

TEST_F(UpgradeWindowTest, upgrade_musiciansOwnPlaylists_areKeptAndNamedInTheStatusLine) {
    const std::string own = "var playlist = [\r\n\"Sunday\",\"1,2,#\",\r\n ];\r\n";
    stand.write("spartiti\\playlist.js", own);
    startAndPressOk();
    upgradeStand();

    EXPECT_EQ(dialogs.texts(), QStringList{kUpgraded});
    EXPECT_EQ(dialogs.statusAtMessage, QStringList{QStringLiteral("Kept your own playlist.js")});
    EXPECT_EQ(stand.read("spartiti\\playlist.js"), own);
    EXPECT_EQ(stand.read("spartiti\\midi.js"), delivery.read("midi.js"));
    EXPECT_TRUE(window.isNull());
}

TEST_F(UpgradeWindowTest, keyboardOnly_choosesTheOldPageAndUpgradesWithEnter) {
    startAndPressOk();
    QTest::keyClick(window->File1, Qt::Key_Return);
    EXPECT_TRUE(dialogs.shown().empty()) << "Enter before the old page was chosen";
    ASSERT_TRUE(window->Dir1->setPath(qpath(stand.root())));
    window->File1->setFocus();
    QTest::keyClick(window->File1, Qt::Key_Home);
    ASSERT_EQ(window->targetFolder(), qpath(stand.root()));
    QTest::keyClick(window->File1, Qt::Key_Return);
    processDeferredDeletes();
    EXPECT_EQ(dialogs.texts(), QStringList{kUpgraded});
    EXPECT_EQ(stand.read("lumivora_pro.html"), delivery.read("lumivora_pro.html"));
    EXPECT_TRUE(window.isNull());
}

// A failed upgrade says what is wrong instead of the success text, keeps the window open, and
// works once the cause is gone. A cause the check finds copies nothing; a copy that fails
// part-way keeps what came before it, and the retry does not call those copies the musician's.
TEST_F(UpgradeWindowTest, upgradeFailing_reportsWhyAndWorksOnceTheCauseIsGone) {
    struct Case {
        const char* name;
        std::function<void(TempInstallation&)> fault;
        std::function<void(TempInstallation&)> mend;
        std::string named;
        bool copiesNothing;
    };
    const Case cases[] = {
        {"images folder missing",
         [](TempInstallation& s) { fs::remove_all(s.path("spartiti\\images")); },
         [](TempInstallation& s) { fs::create_directory(s.path("spartiti\\images")); },
         nativeRelativePath("spartiti\\images").string(), true},
        {"a folder in place of the old program",
         [](TempInstallation& s) { fs::create_directory(s.path(kProgramDestination)); },
         [](TempInstallation& s) { fs::remove(s.path(kProgramDestination)); },
         std::string(kProgramDestination), true},
        {"the program's copy failing part-way",
         [this](TempInstallation&) { delivery.write(kProgramFile, std::string(300000, 'P')); },
         [](TempInstallation&) {}, std::string(kProgramDestination), false},
    };
    for (const Case& c : cases) {
        TempInstallation older(false);
        QString error;
        demo::DemoOptions options;
        options.entries = 3;
        options.pageSize = {40, 56};
        ASSERT_TRUE(demo::generateOlderInstallation(older.root(), options, &error))
            << error.toStdString();
        c.fault(older);
        const auto before = folderContents(older.root());
        dialogs.clear();
        dialogs.statusAtMessage.clear();
        startAndPressOk();
        clickFile(older.root(), QStringLiteral("lumivora_4.html"));
        {
#ifndef _WIN32
            // Only the program is larger than this.
            test::FileSizeLimit limit(100000);
#endif
            test::clickEnabled(window->Command1);
        }
        processDeferredDeletes();

        ASSERT_FALSE(window.isNull()) << c.name;
        EXPECT_TRUE(window->isVisible());
        EXPECT_TRUE(dialogs.messages().isEmpty()) << c.name;
        ASSERT_EQ(dialogs.errors().size(), 1) << c.name;
        EXPECT_TRUE(dialogs.errors()[0].contains(QString::fromStdString(c.named)))
            << c.name << ": " << dialogs.errors()[0].toStdString();
        EXPECT_EQ(folderContents(older.root()) == before, c.copiesNothing) << c.name;
        EXPECT_TRUE(window->Command1->isEnabled());

        c.mend(older);
        test::clickEnabled(window->Command1);
        processDeferredDeletes();
        EXPECT_EQ(dialogs.messages(), QStringList{kUpgraded}) << c.name;
        EXPECT_EQ(dialogs.statusAtMessage, QStringList{kClickOnUpgrade}) << c.name;
        EXPECT_TRUE(window.isNull()) << c.name;
        for (const CopyRow& row : kCopyList)
            EXPECT_EQ(older.read(row.destination), delivery.read(row.source)) << c.name;
        delete window;
    }
}

} // namespace
} // namespace folio::upgrade
