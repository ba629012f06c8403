// The PDF import window: browsing, thumbnails drawn by a worker, picking, and "Attach".
#include "windows/pdf_import/pdf_import_window.h"

#include "core/archive/score_archive.h"
#include "core/files/file_ops.h"
#include "platform/browsing_lists.h"
#include "platform/core_text.h"
#include "platform/dialogs.h"
#include "platform/last_folders.h"
#include "platform/look.h"
#include "platform/widgets.h"
#include "windows/common/entry_name.h"
#include "windows/common/shared_state.h"
#include "windows/common/version_notice.h"
#include "windows/pdf_import/pdf_thumbnails.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <string_view>
#include <vector>

namespace folio {
namespace {

// Tags of the worker's pictures.
constexpr int kThumbnail = 0;
constexpr int kLeftPreview = 1;
constexpr int kRightPreview = 2;
constexpr QSize kThumbnailBox{96, 128};
constexpr QSize kPreviewBox{220, 300};
constexpr int kPageRole = Qt::UserRole;
// Set on a thumbnail once its picture is there.
constexpr int kDrawnRole = Qt::UserRole + 1;

int sideIndex(PageSide side) {
    return side == PageSide::Left ? 0 : 1;
}

QString sideName(PageSide side) {
    return side == PageSide::Left ? QStringLiteral("left") : QStringLiteral("right");
}

QPixmap blankThumbnail() {
    QPixmap blank(kThumbnailBox);
    blank.fill(QColor(0xF0, 0xF0, 0xF0));
    return blank;
}

} // namespace

PdfImportWindow::PdfImportWindow(SharedState& state, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), dialogs_(dialogs),
      drawer_(new PdfThumbnails(this)) {
    setObjectName(QStringLiteral("importPdfWindow"));
    look::setWhiteBackground(this);
    buildControls();
    nameShownEntry();
    connect(drawer_, &PdfThumbnails::rendered, this, &PdfImportWindow::rendered);
    // Starts where it was last left, else in the installation, like the page windows.
    openWhereLastLeft(folders, QStringLiteral("importPdf"), toQtPath(state_.installation.root()));
}

PdfImportWindow::~PdfImportWindow() = default;

void PdfImportWindow::buildControls() {
    drives = named<DriveList>(this, "drives");
    folders = named<FolderList>(this, "folders");
    files = named<FileList>(this, "files", QStringLiteral("*.pdf"));
    password = named<QLineEdit>(this, "password");
    fileLabel = named<QLabel>(this, "fileLabel");
    thumbnails = named<QListWidget>(this, "thumbnails");
    leftPreview = named<QLabel>(this, "leftPreview");
    rightPreview = named<QLabel>(this, "rightPreview");
    leftButton = named<QPushButton>(this, "leftButton", QStringLiteral("Left"));
    rightButton = named<QPushButton>(this, "rightButton", QStringLiteral("Right"));
    attachButton = named<QPushButton>(this, "attachButton", QStringLiteral("Attach"));

    password->setEchoMode(QLineEdit::Password);
    password->setPlaceholderText(QStringLiteral("Password"));
    password->setEnabled(false);
    fileLabel->setWordWrap(true);
    // A long name or problem wraps within three lines, with the whole text in the tip: the
    // window never grows past a small screen for it.
    fileLabel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
    fileLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    for (QWidget* widget : {static_cast<QWidget*>(folders), static_cast<QWidget*>(files),
                            static_cast<QWidget*>(fileLabel), static_cast<QWidget*>(thumbnails)})
        look::styleBlueText(widget, 9);
    fileLabel->setFixedHeight(3 * fileLabel->fontMetrics().lineSpacing() + 2 * fileLabel->margin());
    thumbnails->setViewMode(QListView::IconMode);
    thumbnails->setIconSize(kThumbnailBox);
    thumbnails->setResizeMode(QListView::Adjust);
    thumbnails->setMovement(QListView::Static);
    thumbnails->setUniformItemSizes(true);
    thumbnails->setSpacing(6);
    thumbnails->setMinimumWidth(3 * (kThumbnailBox.width() + 24));
    // The folder and file names stay readable at the window's smallest.
    for (QWidget* list : {static_cast<QWidget*>(folders), static_cast<QWidget*>(files)})
        list->setMinimumWidth(200);
    for (QLabel* preview : {leftPreview, rightPreview}) {
        preview->setFixedSize(kPreviewBox);
        preview->setAlignment(Qt::AlignCenter);
        preview->setFrameShape(QFrame::Box);
        look::styleBlueText(preview, 10);
    }
    for (QPushButton* button : {leftButton, rightButton, attachButton})
        look::styleButton(button, 12);
    leftButton->setToolTip(QStringLiteral("The selected page becomes the left page"));
    rightButton->setToolTip(QStringLiteral("The selected page becomes the right page"));
    attachButton->setToolTip(QStringLiteral("Write the chosen pages as the score's pages"));
    for (QPushButton* button : {leftButton, rightButton, attachButton})
        button->setEnabled(false);

    auto* browsing = new QVBoxLayout;
    browsing->addWidget(drives);
    browsing->addWidget(folders, 2);
    browsing->addWidget(files, 1);
    browsing->addWidget(password);
    browsing->addWidget(fileLabel);
    auto* picking = new QGridLayout;
    picking->addWidget(leftPreview, 0, 0);
    picking->addWidget(rightPreview, 0, 1);
    picking->addWidget(leftButton, 1, 0);
    picking->addWidget(rightButton, 1, 1);
    picking->setRowStretch(2, 1);
    picking->addWidget(attachButton, 3, 0, 1, 2);
    auto* columns = new QHBoxLayout(this);
    columns->addLayout(browsing, 0);
    columns->addWidget(thumbnails, 1);
    columns->addLayout(picking, 0);
    // 640 pixels with the frame's title fit a 1366 x 768 screen above its taskbar.
    resize(1100, 640);

    connect(drives, &DriveList::changed, this, &PdfImportWindow::drives_Change);
    connect(folders, &FolderList::changed, this, &PdfImportWindow::folders_Change);
    connect(files, &FileList::fileClicked, this, &PdfImportWindow::files_Click);
    connect(password, &QLineEdit::returnPressed, this, &PdfImportWindow::password_Enter);
    connect(thumbnails, &QListWidget::itemClicked, this, &PdfImportWindow::thumbnails_Click);
    // "Left" and "Right" act on the selected page.
    connect(thumbnails, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        leftButton->setEnabled(item != nullptr);
        rightButton->setEnabled(item != nullptr);
    });
    connect(leftButton, &QPushButton::clicked, this, &PdfImportWindow::leftButton_Click);
    connect(rightButton, &QPushButton::clicked, this, &PdfImportWindow::rightButton_Click);
    connect(attachButton, &QPushButton::clicked, this, &PdfImportWindow::attachButton_Click);
    // Scrolling and resizing ask first for the pages that come into view.
    connect(thumbnails->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this] { requestVisibleThumbnails(); });
    connect(thumbnails->verticalScrollBar(), &QScrollBar::rangeChanged, this,
            [this] { requestVisibleThumbnails(); });
}

// Escape closes the window, as it closes the program's other windows.
void PdfImportWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PdfImportWindow::nameShownEntry() {
    setWindowTitle(QStringLiteral("Import PDF for %1").arg(shownEntryName(state_)));
}

bool PdfImportWindow::choosePdf(const QString& file, PageSide side) {
    const QFileInfo info(file);
    if (!folders->setPath(info.absolutePath()))
        return false;
    files->setPath(info.absolutePath());
    if (!files->selectFile(info.fileName()))
        openPdf(info.absoluteFilePath(), {});
    nextSide_ = side;
    return true;
}

void PdfImportWindow::drives_Change(const QString& drive) {
    folders->setDrive(drive);
}

void PdfImportWindow::folders_Change(const QString& folder) {
    files->setPath(folder);
}

void PdfImportWindow::files_Click(const QString& folder, const QString& fileName) {
    openPdf(QDir(folder).filePath(fileName), {});
}

void PdfImportWindow::password_Enter() {
    if (!lockedFile_.isEmpty())
        openPdf(lockedFile_, password->text());
}

void PdfImportWindow::closePdf() {
    drawer_->setFile({}, {});
    document_.close();
    pdfFile_.clear();
    thumbnails->clear();
    picked_[0] = picked_[1] = -1;
    nextSide_ = PageSide::Left;
    leftPreview->clear();
    rightPreview->clear();
    attachButton->setEnabled(false);
}

// The file is taken by value: it may be lockedFile_, which this changes.
void PdfImportWindow::openPdf(QString file, const QString& typedPassword) {
    closePdf();
    const PdfOpen outcome = document_.open(file, typedPassword);
    const QString problem = PdfPages::problemText(outcome, file);
    const bool locked = outcome == PdfOpen::NeedsPassword || outcome == PdfOpen::WrongPassword;
    lockedFile_ = locked ? file : QString();
    password->setEnabled(locked);
    if (outcome != PdfOpen::Opened) {
        fileLabel->setText(problem);
        fileLabel->setToolTip(problem);
        if (locked) {
            password->selectAll();
            password->setFocus();
        }
        if (outcome != PdfOpen::NeedsPassword)
            dialogs_.error(this, problem);
        return;
    }
    password->clear();
    pdfFile_ = file;
    const int count = document_.pageCount();
    fileLabel->setText(QStringLiteral("%1: %2 pages").arg(QFileInfo(file).fileName()).arg(count));
    fileLabel->setToolTip(file);
    drawer_->setFile(file, typedPassword);
    const QIcon blank(blankThumbnail());
    for (int page = 0; page < count; ++page) {
        auto* item = new QListWidgetItem(blank, QString::number(page + 1), thumbnails);
        item->setData(kPageRole, page);
        item->setTextAlignment(Qt::AlignHCenter);
    }
    // Every page in order, the first one first; the pages in view then overtake them.
    for (int page = count - 1; page >= 0; --page)
        drawer_->request(page, kThumbnailBox, kThumbnail);
    requestVisibleThumbnails();
}

void PdfImportWindow::requestVisibleThumbnails() {
    const QRect view = thumbnails->viewport()->rect();
    std::vector<int> visible;
    for (int row = 0; row < thumbnails->count(); ++row) {
        QListWidgetItem* item = thumbnails->item(row);
        if (!item->data(kDrawnRole).toBool() && thumbnails->visualItemRect(item).intersects(view))
            visible.push_back(row);
    }
    // Backwards, so that the first page in view is drawn first.
    for (auto row = visible.rbegin(); row != visible.rend(); ++row)
        drawer_->request(*row, kThumbnailBox, kThumbnail);
}

void PdfImportWindow::rendered(int tag, int page, const QImage& image) {
    if (tag == kThumbnail) {
        QListWidgetItem* item = thumbnails->item(page);
        if (!item || image.isNull())
            return;
        // A thin grey edge: a white page would not stand out from the white list.
        QPixmap framed = QPixmap::fromImage(image);
        QPainter painter(&framed);
        painter.setPen(QColor(0xB0, 0xB0, 0xB0));
        painter.drawRect(framed.rect().adjusted(0, 0, -1, -1));
        painter.end();
        item->setIcon(QIcon(framed));
        item->setData(kDrawnRole, true);
        return;
    }
    const int side = tag == kLeftPreview ? 0 : 1;
    if (picked_[side] != page)
        return;
    QLabel* preview = side == 0 ? leftPreview : rightPreview;
    if (image.isNull())
        preview->setText(QStringLiteral("Page %1 cannot be drawn").arg(page + 1));
    else
        preview->setPixmap(QPixmap::fromImage(image));
}

void PdfImportWindow::thumbnails_Click(QListWidgetItem* item) {
    if (!item)
        return;
    const PageSide side = nextSide_;
    pick(side, item->data(kPageRole).toInt());
    nextSide_ = side == PageSide::Left ? PageSide::Right : PageSide::Left;
}

void PdfImportWindow::leftButton_Click() {
    if (QListWidgetItem* item = thumbnails->currentItem()) {
        pick(PageSide::Left, item->data(kPageRole).toInt());
        nextSide_ = PageSide::Right;
    }
}

void PdfImportWindow::rightButton_Click() {
    if (QListWidgetItem* item = thumbnails->currentItem()) {
        pick(PageSide::Right, item->data(kPageRole).toInt());
        nextSide_ = PageSide::Left;
    }
}

void PdfImportWindow::pick(PageSide side, int page) {
    const int index = sideIndex(side);
    // The page's number marks it in the thumbnails: "3 (left)".
    for (int i : {picked_[0], picked_[1]}) {
        if (QListWidgetItem* item = thumbnails->item(i))
            item->setText(QString::number(i + 1));
    }
    picked_[index] = page;
    for (int s : {0, 1}) {
        if (QListWidgetItem* item = thumbnails->item(picked_[s]))
            item->setText(QStringLiteral("%1 (%2)")
                              .arg(picked_[s] + 1)
                              .arg(picked_[0] == picked_[1]
                                       ? QStringLiteral("left, right")
                                       : sideName(s == 0 ? PageSide::Left : PageSide::Right)));
    }
    QLabel* preview = index == 0 ? leftPreview : rightPreview;
    preview->setText(QStringLiteral("Page %1").arg(page + 1));
    drawer_->request(page, kPreviewBox, index == 0 ? kLeftPreview : kRightPreview);
    attachButton->setEnabled(true);
}

void PdfImportWindow::attachButton_Click() {
    // The main window may have moved since this window opened: act on the entry shown now.
    const int n = state_.currentEntryNumber;
    if (!ScoreArchive::isEntryNumber(n)) {
        dialogs_.error(this, QStringLiteral("There is no entry %1 to attach the pages to.").arg(n));
        return;
    }
    if (pdfFile_.isEmpty() || (picked_[0] < 0 && picked_[1] < 0)) {
        dialogs_.error(this, QStringLiteral("Choose a PDF file and click its left page first."));
        return;
    }
    QStringList kept;
    if (attachTo(n, kept)) {
        emit pagesAttached();
        QString text = QStringLiteral("Perfect! The pages were written to the music folder.");
        if (!kept.isEmpty())
            text += QStringLiteral("\n") + keptNotice(kept);
        dialogs_.message(this, text);
    }
}

// Asks before replacing a page, draws every page before writing any, and writes each one
// atomically: a page file is either the old one or the whole new one.
bool PdfImportWindow::attachTo(int n, QStringList& kept) {
    const Installation& installation = state_.installation;
    struct Planned {
        PageSide side;
        std::filesystem::path target;
        QByteArray bytes;
    };
    std::vector<Planned> planned;
    for (PageSide side : {PageSide::Left, PageSide::Right}) {
        if (picked_[sideIndex(side)] >= 0)
            planned.push_back(
                {side,
                 installation.resolve(side == PageSide::Left ? leftPagePath(n) : rightPagePath(n)),
                 {}});
    }
    for (const Planned& page : planned) {
        if (fileExists(page.target) &&
            !dialogs_.question(this, QStringLiteral("Entry %1 already has a %2 page. Replace it?")
                                         .arg(n)
                                         .arg(sideName(page.side))))
            return false;
    }
    for (Planned& page : planned) {
        QString why;
        page.bytes = document_.pageJpeg(picked_[sideIndex(page.side)], &why);
        if (page.bytes.isEmpty()) {
            dialogs_.error(this, QStringLiteral("Nothing was written.\n%1").arg(why));
            return false;
        }
    }
    QStringList written;
    for (const Planned& page : planned) {
        const EntryFileKind kind =
            page.side == PageSide::Left ? EntryFileKind::LeftPage : EntryFileKind::RightPage;
        KeepVersion keep;
        const FileResult result = replaceKeepingVersion(
            installation, EntryFile{kind, n},
            std::string_view(page.bytes.constData(), static_cast<std::size_t>(page.bytes.size())),
            keep);
        if (!keep.folder.empty())
            kept << entryFileWord(kind);
        if (!result.ok) {
            const QString done = written.isEmpty() ? QStringLiteral("Nothing was written.")
                                                   : QStringLiteral("The %1 page was written.")
                                                         .arg(written.join(QStringLiteral(", ")));
            dialogs_.error(this, QStringLiteral("The %1 page was not written. %2\n%3\n%4")
                                     .arg(sideName(page.side), done, fromCoreText(result.error),
                                          keptNotice(kept)));
            if (!written.isEmpty())
                emit pagesAttached();
            return false;
        }
        written << sideName(page.side);
    }
    // A left page alone gets the placeholder as its right page when it has none, as the left
    // page window gives it.
    const std::filesystem::path right = installation.resolve(rightPagePath(n));
    const std::filesystem::path placeholder = installation.resolve(placeholderPagePath);
    if (picked_[1] < 0 && !fileExists(right) && fileExists(placeholder)) {
        if (const FileResult reset = copyReplacing(placeholder, right); !reset.ok) {
            emit pagesAttached();
            dialogs_.error(this, QStringLiteral("The left page was written, but the right page "
                                                "was not set to the placeholder page.\n%1")
                                     .arg(fromCoreText(reset.error)));
            return false;
        }
    }
    return true;
}

} // namespace folio
