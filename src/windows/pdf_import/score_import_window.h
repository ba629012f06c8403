// The window that imports many PDF files as new scores: choosing the files (some of a folder, or
// the whole folder), a list of what each becomes before anything is written, and "Import", which
// draws and writes them off the window thread with a progress dialog and a report at the end.
#pragma once

#include "core/absorption/score_import.h"
#include "windows/pdf_import/pdf_pages.h"

#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressDialog;
class QPushButton;
class QTableWidget;

namespace folio {

class Dialogs;
class DriveList;
class FileList;
class FolderList;
class PageCounter;
class ScoreDrawing;
struct SharedState;

class ScoreImportWindow : public QWidget {
    Q_OBJECT
public:
    // The list's columns; the title cell carries the tick.
    enum Column { TitleColumn, PagesColumn, StateColumn, FileColumn, ColumnCount };

    ScoreImportWindow(SharedState& state, Dialogs& dialogs, QWidget* parent = nullptr);
    ~ScoreImportWindow() override;

    DriveList* drives = nullptr;
    FolderList* folders = nullptr;
    FileList* files = nullptr;
    QPushButton* addButton = nullptr;         // "Add chosen files"
    QPushButton* wholeFolderButton = nullptr; // "Whole folder"
    QLineEdit* author = nullptr;
    QLineEdit* tags = nullptr;
    QComboBox* category = nullptr;
    QTableWidget* list = nullptr;
    QPushButton* clearButton = nullptr; // "Clear list"
    QLabel* summary = nullptr;
    QPushButton* importButton = nullptr; // "Import"

    // Lists files after those listed already, each once; their page counts follow.
    void addFiles(const QStringList& paths);
    // Every listed file's page count is known.
    bool allCounted() const;
    // While the scores are drawn and written: the window does not close meanwhile.
    bool importing() const { return drawing_ != nullptr; }
    // The progress dialog while importing, else nullptr.
    QProgressDialog* progress() const { return progress_; }
    // How many ticked rows "Import" would add.
    int tickedCount() const;
    // The program whose worker processes count and draw the pages (see pdf_worker.h); empty, as
    // at first: threads of this process count and draw them.
    void setDrawingProgram(const QString& program);
    // Asked before an import writes anything; false calls the import off. The program settles
    // there what was typed into the main window's empty slot after the last score.
    void setBeforeImport(std::function<bool()> ask) { beforeImport_ = std::move(ask); }

signals:
    // A new score's pages were written under number; the archive gets it at the end, when it is
    // saved.
    void scoreWritten(int number);
    // The import saved the archive with new scores.
    void scoresImported();
    // An import ended, whatever its outcome, once its report was shown.
    void importEnded();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private slots:
    void addButton_Click();
    void wholeFolderButton_Click();
    void importButton_Click();
    void counted(const QString& file, PdfOpen outcome, int pages, const QString& problem);

private:
    void buildControls();
    int rowOf(const QString& file) const;
    // Sets a row's state from its page count, title and the archive: ready, already in the
    // archive, needs a title, or why it cannot be read; ticks a row only when tick says so.
    void judge(int row, bool tick);
    void titleEdited(int row);
    void showSummary();
    // One more score written or skipped.
    void advanceProgress();
    // Cancel: the import stops after the score being written, and the progress dialog keeps
    // every window waiting until it has.
    void cancelImport();
    void finishImport();
    // declined: the user chose not to save over another program's change of the archive.
    QString report(const ImportResult& result, bool declined) const;

    // The archive's titles as the find box compares them, folded once for many rows: made
    // afresh when files are listed, a title is typed and after an import.
    const TitlesInArchive& titles();

    SharedState& state_;
    Dialogs& dialogs_;
    PageCounter* counter_ = nullptr;
    std::unique_ptr<TitlesInArchive> titles_;
    QString drawingProgram_;
    // While importing.
    std::unique_ptr<ScoreImport> import_;
    ScoreDrawing* drawing_ = nullptr;
    QProgressDialog* progress_ = nullptr;
    // The rows being imported, in order, and what became of each.
    std::vector<int> importRows_;
    // The rows written, with their numbers: they read "added as" once the archive is saved.
    std::vector<std::pair<int, int>> written_;
    QStringList skipped_;
    int done_ = 0;
    std::function<bool()> beforeImport_;
    // What the title being typed into a row had changed, until the row takes it.
    QString typedTitleNote_;
};

} // namespace folio
