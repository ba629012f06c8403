// What the window that imports many PDF files lists before anything is written: the title a file
// gives, the PDF files of a folder, and, off the window thread, each file's page count.
#pragma once

#include "platform/field_text.h"
#include "windows/pdf_import/pdf_pages.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace folio {

// The title a new score takes from its file's name, with the note on what was changed in it: the
// name without ".pdf", taken as a text box takes it (see toFieldText), blanks at either end left
// out. Empty for a name that is only blanks.
FieldText titleFromFileName(const QString& fileName);

// The PDF files directly in folder (".pdf" in any letter case), in name order as people read it:
// letter case and accents aside, and "2" before "10". Their full paths.
QStringList pdfFilesIn(const QString& folder);

// Why a file that did not open as outcome cannot be imported, in a few words for its row.
QString unreadableReason(PdfOpen outcome);

// A new score's pages drawn from its PDF file: page 1 the left one, page 2 the right one (null
// for a one-page file); or, with no page, why they cannot be drawn, in a few words for its row.
struct ScorePages {
    QImage left;
    QImage right;
    QString problem;
    int pageCount = 0;
};
ScorePages drawScorePages(PdfPages& pages, const QString& file);

// Counts the pages of each file given, on worker threads. With a worker program (see
// pdf_worker.h), each thread asks a worker process of its own, which is given the same time as
// for drawing and ended when it takes longer, so that a file that makes the PDF engine hang holds
// up no other file and no window; without one, or when none starts, the threads count here.
class PageCounter : public QObject {
    Q_OBJECT
public:
    explicit PageCounter(QObject* parent = nullptr);
    // Ends the worker processes at once; waits only for a count made here.
    ~PageCounter() override;

    // The program whose worker processes count; empty, as at first: the threads count here.
    void setProgram(const QString& program);
    void count(const QStringList& files);

signals:
    // On the window thread: file opened as outcome, with pages pages when it opened; problem
    // says why it could not be counted (outcome then says it cannot be read), else empty.
    void counted(const QString& file, PdfOpen outcome, int pages, const QString& problem);

private:
    void work();
    // The next file to count; empty when stopping.
    QString next();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<QString> waiting_;
    QString program_;
    std::atomic<bool> stopping_ = false;
    std::vector<std::thread> workers_;
};

} // namespace folio
