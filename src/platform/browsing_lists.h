// The three browsing lists of the stand's toolkit: drives, the folder tree of a drive, and
// the files of a folder that match a name pattern. They work synchronously, so that windows
// and tests see a change at once.
#pragma once

#include <QComboBox>
#include <QListWidget>
#include <QStringList>

namespace folio {

// The folder tree of the current drive down to the current folder, then its sub-folders.
// Choosing a folder (double-click or Enter) makes it current and raises changed. The tree's
// top is the drive's root: the drive of the first folder set, until setDrive chooses another.
// Opening a folder that is itself a mount point keeps the tree above it.
class FolderList : public QListWidget {
    Q_OBJECT
public:
    explicit FolderList(QWidget* parent = nullptr);

    QString path() const { return path_; }
    // The top of the tree, the current drive's root.
    QString drive() const { return drive_; }
    // Makes folder current. A folder outside the current drive makes its own drive current.
    // Returns false, changing nothing, if it is not a readable folder.
    bool setPath(const QString& folder);
    // Makes root the drive and its top the current folder, as a change in a drive list does.
    // Returns false, changing nothing, if it is not a readable folder.
    bool setDrive(const QString& root);
    // Reads the current folder's sub-folders again.
    void refresh();

signals:
    void changed(const QString& path);

private:
    void fill();
    bool open(const QString& path, const QString& drive);

    QString path_;
    QString drive_;
};

// The files of one folder whose names match a pattern ("*.jpg", "*.mp3", "*" for all),
// ignoring letter case, sorted by name. Choosing a file (click, or moving onto it with the
// keys) raises fileClicked.
class FileList : public QListWidget {
    Q_OBJECT
public:
    explicit FileList(const QString& pattern = QStringLiteral("*"), QWidget* parent = nullptr);

    QString pattern() const { return pattern_; }
    void setPattern(const QString& pattern);
    QString path() const { return path_; }
    // Lists folder; no file is selected afterwards.
    void setPath(const QString& folder);
    void refresh();
    // The name of the selected file, empty if none.
    QString fileName() const;
    // Selects a listed file as a click would. Returns false if no such file is listed.
    bool selectFile(const QString& name);

signals:
    void fileClicked(const QString& folder, const QString& fileName);

protected:
    void focusInEvent(QFocusEvent* event) override;

private:
    QString pattern_;
    QString path_;
    QListWidgetItem* justChosen_ = nullptr;
};

// The drives: "/" and the mounted volumes. Choosing a drive that cannot be read is ignored
// and the previous drive stays chosen.
class DriveList : public QComboBox {
    Q_OBJECT
public:
    explicit DriveList(QWidget* parent = nullptr);

    // Replaces the offered drives (the mounted volumes by default).
    void setDrives(const QStringList& roots);
    QString drive() const;
    // Chooses the drive holding path, as the user would. Returns false if it cannot be read.
    bool setDrive(const QString& root);
    // The drive (mount point) holding a path.
    static QString driveOf(const QString& path);
    static QStringList mountedDrives();

signals:
    void changed(const QString& drive);

private:
    void choose(int index);

    int current_ = -1;
};

} // namespace folio
