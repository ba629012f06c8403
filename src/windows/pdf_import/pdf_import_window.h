// The window that imports an entry's left and right pages from a PDF file: browsing for the
// file, thumbnails of its pages, picking the two pages, and writing them as the entry's JPEGs.
#pragma once

#include "windows/common/page_decoding.h"
#include "windows/pdf_import/pdf_pages.h"

#include <QString>
#include <QWidget>
#include <filesystem>

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace folio {

class Dialogs;
class DriveList;
class FileList;
class FolderList;
class PdfThumbnails;
struct SharedState;

class PdfImportWindow : public QWidget {
    Q_OBJECT
public:
    PdfImportWindow(SharedState& state, Dialogs& dialogs, QWidget* parent = nullptr);
    ~PdfImportWindow() override;

    DriveList* drives = nullptr;
    FolderList* folders = nullptr;
    FileList* files = nullptr;
    QLineEdit* password = nullptr;
    QLabel* fileLabel = nullptr;
    QListWidget* thumbnails = nullptr;
    QLabel* leftPreview = nullptr;
    QLabel* rightPreview = nullptr;
    QPushButton* leftButton = nullptr;   // "Left"
    QPushButton* rightButton = nullptr;  // "Right"
    QPushButton* attachButton = nullptr; // "Attach"

    // Browses to file and opens it; the next click on a page picks side. False when the file
    // is not in a readable folder.
    bool choosePdf(const QString& file, PageSide side);
    // The open PDF file, empty when none is open.
    const QString& pdfFile() const { return pdfFile_; }
    // Picked pages, from 0; -1 when not picked.
    int leftPage() const { return picked_[0]; }
    int rightPage() const { return picked_[1]; }
    // The side the next click on a page picks.
    PageSide nextSide() const { return nextSide_; }
    // Names the entry shown in the main window in the title; called whenever it changes.
    void nameShownEntry();

signals:
    // "Attach" has written pages of the entry shown in the main window.
    void pagesAttached();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void drives_Change(const QString& drive);
    void folders_Change(const QString& folder);
    void files_Click(const QString& folder, const QString& fileName);
    void password_Enter();
    void thumbnails_Click(QListWidgetItem* item);
    void leftButton_Click();
    void rightButton_Click();
    void attachButton_Click();
    void rendered(int tag, int page, const QImage& image);

private:
    void buildControls();
    void openPdf(QString file, const QString& typedPassword);
    void closePdf();
    void requestVisibleThumbnails();
    void pick(PageSide side, int page);
    // The pages replaced, kept as versions first, are named in kept.
    bool attachTo(int n, QStringList& kept);

    SharedState& state_;
    Dialogs& dialogs_;
    // The UI thread's own document, for writing pages; the thumbnails have theirs.
    PdfPages document_;
    PdfThumbnails* drawer_ = nullptr;
    QString pdfFile_;
    // The file that waits for its password.
    QString lockedFile_;
    int picked_[2] = {-1, -1};
    PageSide nextSide_ = PageSide::Left;
};

} // namespace folio
