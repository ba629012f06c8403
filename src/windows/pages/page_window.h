// The twin windows that attach page images to the entry shown in the main window: sinistra
// for the left page, destra for the right page, built on one shared PageWindow.
#pragma once

#include "core/files/file_ops.h"
#include "core/files/installation.h"

#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <filesystem>

class QLabel;
class QPushButton;

namespace folio {

class Dialogs;
class FileList;
class FolderList;
struct SharedState;

// Where a page window puts its controls; the twins differ in a few heights.
struct PageWindowLayout {
    QSize client;
    QRect Dir1;
    QRect File1;
    QRect Command1;
    QRect Command2;
    QRect Label1;
    // Where the name of the entry written to goes; empty for a window whose heading names it.
    QRect entryLabel;
    // A small picture of the chosen file, beside the lists.
    QRect preview;
    // The name under which the folder list's last folder is kept.
    const char* picker;
};

// Browses folders, remembers the JPEG file last clicked and copies it to the current entry's
// page file on "Ok". The remembered path lives with the caller, so that it outlives the
// window's controls when the close box destroys them.
class PageWindow : public QWidget {
    Q_OBJECT
public:
    QLabel* Label2 = nullptr;
    FolderList* Dir1 = nullptr;
    FileList* File1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QLabel* Label1 = nullptr;
    // Names, live, the entry "Ok" writes to: a line of its own in the left page window, the
    // heading in the right page window.
    QLabel* entryLabel = nullptr;
    // A small picture of the chosen file.
    QLabel* preview = nullptr;

    const QString& selectedPagePath() const { return selectedPagePath_; }

    // Names the entry shown in the main window now; called whenever that entry or its title
    // changes.
    void nameShownEntry();
    // Chooses file as a click in the file list would and attaches it as "Ok" does.
    void attachFile(const QString& file);

signals:
    // "Ok" has copied a page file for the entry shown in the main window.
    void pageAttached();

protected:
    PageWindow(SharedState& state, Dialogs& dialogs, QString& selectedPagePath,
               const QString& caption, const QString& heading, const PageWindowLayout& layout,
               QWidget* parent);

    // Copies the chosen file to entry n's pages; n is a valid entry number. On failure no page
    // file that the failed step would have written has changed.
    // Every page replaced is kept as a version first, and named in kept.
    virtual FileResult assignPage(const std::filesystem::path& chosen, int n,
                                  QStringList& kept) = 0;
    FileResult replacePage(const std::filesystem::path& source, EntryFileKind side, int n,
                           QStringList& kept);

    SharedState& state() const { return state_; }
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private slots:
    void Dir1_Change(const QString& folder);                          // the folder list
    void File1_Click(const QString& folder, const QString& fileName); // the list of *.jpg files
    void Command1_Click();                                            // "ESC"
    void Command2_Click();                                            // "Ok"

private:
    void buildControls(const QString& heading, const PageWindowLayout& layout);
    // Shows the chosen file in the preview, or says why there is no picture of it.
    void showPreview();

    SharedState& state_;
    Dialogs& dialogs_;
    QString& selectedPagePath_;
};

// "Left page": assigning a left page also resets the right page to the placeholder page.
class sinistra : public PageWindow {
    Q_OBJECT
public:
    sinistra(SharedState& state, Dialogs& dialogs, QString& selectedPagePath,
             QWidget* parent = nullptr);

protected:
    FileResult assignPage(const std::filesystem::path& chosen, int n, QStringList& kept) override;
};

// "Right page": its heading names the entry the page goes to.
class destra : public PageWindow {
    Q_OBJECT
public:
    destra(SharedState& state, Dialogs& dialogs, QString& selectedPagePath,
           QWidget* parent = nullptr);

protected:
    FileResult assignPage(const std::filesystem::path& chosen, int n, QStringList& kept) override;
};

} // namespace folio
