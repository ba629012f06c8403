// The browsing lists driven as a user would: choosing folders, clicking files, picking drives.
#include "platform/browsing_lists.h"
#include "support/qt_printers.h"
#include "support/temp_installation.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QStorageInfo>
#include <QTest>
#include <gtest/gtest.h>

namespace folio {
namespace {

QString qpath(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

QStringList rows(const QListWidget& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i)
        texts << list.item(i)->text().trimmed();
    return texts;
}

class BrowsingListsTest : public ::testing::Test {
protected:
    void SetUp() override {
        stand.write("music\\b.JPG", "x");
        stand.write("music\\a.jpg", "x");
        stand.write("music\\C.jpeg", "x");
        stand.write("music\\song.mp3", "x");
        stand.write("music\\Zed.Mp3", "x");
        stand.write("music\\scans\\p.jpg", "x");
        std::filesystem::create_directories(stand.path("music\\Alpha"));
    }
    test::TempInstallation stand;
};

TEST_F(BrowsingListsTest, fileList_filtersByPatternIgnoringCaseAndSortsByName) {
    FileList jpegs(QStringLiteral("*.jpg"));
    jpegs.setPath(qpath(stand.path("music")));
    EXPECT_EQ(rows(jpegs), (QStringList{"a.jpg", "b.JPG"}));

    FileList mp3s(QStringLiteral("*.mp3"));
    mp3s.setPath(qpath(stand.path("music")));
    EXPECT_EQ(rows(mp3s), (QStringList{"song.mp3", "Zed.Mp3"}));

    FileList all(QStringLiteral("*"));
    all.setPath(qpath(stand.path("music")));
    EXPECT_EQ(rows(all), (QStringList{"a.jpg", "b.JPG", "C.jpeg", "song.mp3", "Zed.Mp3"}));
}

TEST_F(BrowsingListsTest, fileList_clickRaisesFolderAndName) {
    FileList files(QStringLiteral("*.jpg"));
    files.setPath(qpath(stand.path("music")));
    QSignalSpy clicked(&files, &FileList::fileClicked);
    EXPECT_TRUE(files.fileName().isEmpty());

    QTest::mouseClick(files.viewport(), Qt::LeftButton, {},
                      files.visualItemRect(files.item(1)).center());
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked[0][0].toString(), qpath(stand.path("music")));
    EXPECT_EQ(clicked[0][1].toString(), "b.JPG");
    EXPECT_EQ(files.fileName(), "b.JPG");

    EXPECT_TRUE(files.selectFile("a.jpg"));
    EXPECT_EQ(clicked.count(), 2);
    EXPECT_FALSE(files.selectFile("missing.jpg"));

    files.setPath(qpath(stand.path("music\\scans")));
    EXPECT_TRUE(files.fileName().isEmpty());
    EXPECT_EQ(clicked.count(), 2);
}

TEST_F(BrowsingListsTest, fileList_focusAloneChoosesNothing) {
    FileList files(QStringLiteral("*.jpg"));
    files.setPath(qpath(stand.path("music")));
    files.show();
    QApplication::setActiveWindow(&files);
    QSignalSpy clicked(&files, &FileList::fileClicked);
    files.setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_TRUE(files.fileName().isEmpty());
    QTest::keyClick(&files, Qt::Key_Home);
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(files.fileName(), "a.jpg");
    QTest::keyClick(&files, Qt::Key_Down);
    ASSERT_EQ(clicked.count(), 2);
    EXPECT_EQ(clicked[1][1].toString(), "b.JPG");
}

TEST_F(BrowsingListsTest, folderList_showsTreeAndChangesOnActivation) {
    FolderList folders;
    QSignalSpy changed(&folders, &FolderList::changed);
    ASSERT_TRUE(folders.setPath(qpath(stand.path("music"))));
    EXPECT_EQ(changed.count(), 1);
    QStringList shown = rows(folders);
    ASSERT_GE(shown.size(), 4);
    const QString standName = QString::fromStdString(stand.root().filename().string());
    EXPECT_EQ(shown.mid(shown.size() - 4), (QStringList{standName, "music", "Alpha", "scans"}));

    QListWidgetItem* scans = folders.item(folders.count() - 1);
    emit folders.itemActivated(scans);
    EXPECT_EQ(folders.path(), qpath(stand.path("music\\scans")));
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(rows(folders).back(), "scans");

    // Going up: the parent stands just above the current folder.
    emit folders.itemActivated(folders.item(folders.count() - 2));
    EXPECT_EQ(folders.path(), qpath(stand.path("music")));
}

TEST_F(BrowsingListsTest, folderList_refusesWhatIsNotAFolder) {
    FolderList folders;
    ASSERT_TRUE(folders.setPath(qpath(stand.path("music"))));
    QSignalSpy changed(&folders, &FolderList::changed);
    EXPECT_FALSE(folders.setPath(qpath(stand.path("music\\a.jpg"))));
    EXPECT_FALSE(folders.setPath(qpath(stand.path("nowhere"))));
    EXPECT_EQ(folders.path(), qpath(stand.path("music")));
    EXPECT_EQ(changed.count(), 0);
}

// A mounted volume below the drive of folder (a USB stick under /media, a separate /home);
// empty if the machine has none.
QString mountPointBelowDriveOf(const QString& folder) {
    const QString drive = DriveList::driveOf(folder);
    const QString prefix = drive.endsWith(u'/') ? drive : drive + u'/';
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = QDir::cleanPath(volume.rootPath());
        const QFileInfo parent(QFileInfo(root).path());
        if (root != drive && root.startsWith(prefix) && QFileInfo(root).isReadable() &&
            parent.isReadable() && parent.isExecutable())
            return root;
    }
    return {};
}

TEST_F(BrowsingListsTest, folderList_openingAMountPoint_keepsTheDrivesTreeAboveIt) {
    const QString start = qpath(stand.root());
    const QString mountPoint = mountPointBelowDriveOf(start);
    if (mountPoint.isEmpty())
        GTEST_SKIP() << "no mounted volume below the drive of " << start.toStdString();
    const QString drive = DriveList::driveOf(start);
    FolderList folders;
    ASSERT_TRUE(folders.setPath(start));
    ASSERT_TRUE(folders.setPath(QFileInfo(mountPoint).path()));
    const QString name = QFileInfo(mountPoint).fileName();
    const QList<QListWidgetItem*> found = folders.findItems(name, Qt::MatchEndsWith);
    ASSERT_FALSE(found.isEmpty());
    emit folders.itemActivated(found.back());
    ASSERT_EQ(folders.path(), mountPoint);

    EXPECT_EQ(folders.drive(), drive);
    EXPECT_EQ(rows(folders).front(),
              drive == "/" ? QStringLiteral("/") : QFileInfo(drive).fileName());
    emit folders.itemActivated(folders.item(folders.currentRow() - 1));
    EXPECT_EQ(folders.path(), QFileInfo(mountPoint).path());

    // A drive chosen in a drive list becomes the top; a folder on another drive takes its own.
    ASSERT_TRUE(folders.setDrive(mountPoint));
    EXPECT_EQ(folders.path(), mountPoint);
    EXPECT_EQ(rows(folders).front(), name);
    ASSERT_TRUE(folders.setPath(start));
    EXPECT_EQ(folders.drive(), drive);
}

TEST_F(BrowsingListsTest, driveList_ignoresUnreadableDriveAndKeepsPrevious) {
    DriveList drives;
    const QString readable = qpath(stand.path("music"));
    const QString gone = qpath(stand.path("no-medium"));
    drives.setDrives({readable, gone});
    QSignalSpy changed(&drives, &DriveList::changed);
    EXPECT_EQ(drives.drive(), readable);

    emit drives.activated(1);
    EXPECT_EQ(drives.drive(), readable);
    EXPECT_EQ(drives.currentIndex(), 0);
    EXPECT_EQ(changed.count(), 0);

    EXPECT_TRUE(drives.setDrive(qpath(stand.path("music\\scans"))));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(DriveList::mountedDrives().contains("/"));
}

} // namespace
} // namespace folio
