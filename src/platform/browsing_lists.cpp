// Browsing lists over QDir and QStorageInfo.
#include "platform/browsing_lists.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace folio {
namespace {

constexpr int kPathRole = Qt::UserRole;

QString cleanAbsolute(const QString& folder) {
    return QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
}

bool isReadableFolder(const QString& folder) {
    QFileInfo info(folder);
    return info.isDir() && info.isReadable() && info.isExecutable();
}

// True when path is folder or lies below it (both clean and absolute).
bool isInside(const QString& path, const QString& folder) {
    if (folder.isEmpty())
        return false;
    if (path == folder)
        return true;
    const QString prefix = folder.endsWith(u'/') ? folder : folder + u'/';
    return path.startsWith(prefix);
}

QString folderName(const QString& path) {
    QString name = QFileInfo(path).fileName();
    return name.isEmpty() ? path : name;
}

} // namespace

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        if (item)
            setPath(item->data(kPathRole).toString());
    });
}

bool FolderList::setPath(const QString& folder) {
    const QString path = cleanAbsolute(folder);
    return open(path, isInside(path, drive_) ? drive_ : DriveList::driveOf(path));
}

bool FolderList::setDrive(const QString& root) {
    const QString path = cleanAbsolute(root);
    return open(path, path);
}

bool FolderList::open(const QString& path, const QString& drive) {
    if (!isReadableFolder(path))
        return false;
    bool different = path != path_;
    path_ = path;
    drive_ = drive;
    fill();
    if (different)
        emit changed(path_);
    return true;
}

void FolderList::refresh() {
    fill();
}

void FolderList::fill() {
    clear();
    QStringList chain;
    for (QString step = path_;; step = QFileInfo(step).path()) {
        chain.prepend(step);
        if (step == drive_ || QDir(step).isRoot())
            break;
    }
    int depth = 0;
    for (const QString& step : chain) {
        auto* item = new QListWidgetItem(QString(depth * 2, u' ') + folderName(step), this);
        item->setData(kPathRole, step);
        item->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
        ++depth;
    }
    setCurrentRow(count() - 1);
    const QStringList children =
        QDir(path_).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& child : children) {
        auto* item = new QListWidgetItem(QString(depth * 2, u' ') + child, this);
        item->setData(kPathRole, QDir(path_).filePath(child));
        item->setIcon(style()->standardIcon(QStyle::SP_DirClosedIcon));
    }
}

FileList::FileList(const QString& pattern, QWidget* parent)
    : QListWidget(parent), pattern_(pattern) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Choosing is selecting (a click, or moving with the keys); focus alone selects nothing.
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> selected = selectedItems();
        justChosen_ = selected.isEmpty() ? nullptr : selected.front();
        if (justChosen_)
            emit fileClicked(path_, justChosen_->text());
    });
    // A click on the file already selected chooses it again; the click that selected it has
    // been reported already.
    connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (item && item != justChosen_)
            emit fileClicked(path_, item->text());
        justChosen_ = nullptr;
    });
}

void FileList::setPattern(const QString& pattern) {
    pattern_ = pattern;
    refresh();
}

void FileList::setPath(const QString& folder) {
    path_ = cleanAbsolute(folder);
    refresh();
}

void FileList::refresh() {
    QSignalBlocker quiet(this);
    clear();
    justChosen_ = nullptr;
    if (path_.isEmpty())
        return;
    QDir dir(path_);
    QStringList filters;
    if (pattern_ != QStringLiteral("*.*") && pattern_ != QStringLiteral("*"))
        filters << pattern_;
    dir.setNameFilters(filters);
    addItems(dir.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase));
    setCurrentRow(-1);
}

void FileList::focusInEvent(QFocusEvent* event) {
    QListWidget::focusInEvent(event);
    // The view makes the first row current on focus without selecting it; leave no current
    // row instead, so that the first key press (Home, Down) selects, and so chooses, a file.
    if (currentItem() && !currentItem()->isSelected()) {
        QSignalBlocker quiet(this);
        setCurrentItem(nullptr);
    }
}

QString FileList::fileName() const {
    QListWidgetItem* item = currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

bool FileList::selectFile(const QString& name) {
    const QList<QListWidgetItem*> found = findItems(name, Qt::MatchExactly);
    if (found.isEmpty())
        return false;
    if (found.front()->isSelected())
        emit fileClicked(path_, name);
    else
        setCurrentItem(found.front());
    return true;
}

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
    setDrives(mountedDrives());
    connect(this, &QComboBox::activated, this, &DriveList::choose);
}

void DriveList::setDrives(const QStringList& roots) {
    QSignalBlocker quiet(this);
    clear();
    addItems(roots);
    current_ = roots.isEmpty() ? -1 : 0;
    setCurrentIndex(current_);
}

QString DriveList::drive() const {
    return current_ < 0 ? QString() : itemText(current_);
}

bool DriveList::setDrive(const QString& root) {
    int index = findText(root);
    if (index < 0) {
        addItem(root);
        index = count() - 1;
    }
    choose(index);
    return current_ == index;
}

void DriveList::choose(int index) {
    if (index < 0 || index >= count())
        return;
    if (!isReadableFolder(itemText(index))) {
        // A drive without a readable medium: keep the previous one.
        QSignalBlocker quiet(this);
        setCurrentIndex(current_);
        return;
    }
    bool different = index != current_;
    current_ = index;
    setCurrentIndex(index);
    if (different)
        emit changed(itemText(index));
}

QString DriveList::driveOf(const QString& path) {
    QStorageInfo storage(path);
    QString root = storage.isValid() ? storage.rootPath() : QString();
    return root.isEmpty() ? QDir::rootPath() : QDir::cleanPath(root);
}

QStringList DriveList::mountedDrives() {
    QStringList roots{QDir::rootPath()};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        const bool device = volume.device().startsWith("/dev/");
        if (volume.isValid() && volume.isReady() && device && !roots.contains(root))
            roots << root;
    }
    return roots;
}

} // namespace folio
