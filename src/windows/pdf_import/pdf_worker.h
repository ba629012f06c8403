// Drawing the pages of PDF files, and counting them, in worker processes. Qt's PDF engine draws one
// page at a time in a process, and two busy threads of one process make its many fresh pages of
// memory costly; processes of their own draw side by side at full speed, and a file that makes the
// engine hang or run away with memory takes only a worker with it. A worker is this program started
// again with kPdfWorkerArgument: it reads questions, one per line, and answers each with the file's
// page count, or with its first two pages drawn as PdfPages draws them and encoded as JPEG. Nothing
// a worker answers is taken on trust: sizes are bounded before any memory is taken, the pages must
// be JPEG pictures of the size announced, and the page count the one counted.
#pragma once

#include "windows/pdf_import/pdf_pages.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QProcess;

namespace folio {

// The argument that makes the program a drawing worker instead of opening its windows.
inline constexpr const char* kPdfWorkerArgument = "--draw-pdf-scores";

// Whether the program was started as a drawing worker.
bool isPdfWorkerRun(int argc, char* argv[]);
// The worker's whole run: answers questions from its standard input until it ends.
int runPdfWorker(int argc, char* argv[]);
// The worker's answer to one question line (without its line end), as the worker sends it.
QByteArray pdfWorkerAnswer(PdfPages& pages, const QByteArray& question);

// A file's first two pages as JPEG bytes (the right one empty for a one-page file), or why they
// could not be drawn.
struct DrawnPages {
    QByteArray left;
    QByteArray right;
    QString problem;
};

// How a file opened and its page count; or, when the worker gave no answer that holds, why
// (outcome is then Unreadable).
struct CountedPages {
    PdfOpen outcome = PdfOpen::Unreadable;
    int pages = 0;
    QString problem;
};

// One worker process, used from one thread: each question waits for its answer, at most two
// minutes. A worker that stops, takes longer or answers what does not hold is ended, and the next
// question starts a new one.
class PdfWorker {
public:
    // program is started with kPdfWorkerArgument. While an answer is awaited, stopRequested is
    // asked every few hundredths of a second: once it says so, the worker is ended at once.
    explicit PdfWorker(QString program, std::function<bool()> stopRequested = {});
    ~PdfWorker();
    PdfWorker(const PdfWorker&) = delete;
    PdfWorker& operator=(const PdfWorker&) = delete;

    // Starts the process; false when it cannot be started.
    bool start();
    // file's first two pages; pageCount is the file's page count as counted before, which the
    // answer must repeat.
    DrawnPages draw(const QString& file, int pageCount);
    // file's page count.
    CountedPages count(const QString& file);

private:
    // Sends a question; false when no worker runs.
    bool ask(const QByteArray& verb, const QString& file);
    // Waits until a line or count bytes are there; false when the worker stopped, took too long,
    // sent a line too long to be an answer, or was asked to stop.
    bool awaitLine();
    bool awaitBytes(qint64 count);
    // Ends the process at once.
    void end();

    QString program_;
    std::function<bool()> stopRequested_;
    std::unique_ptr<QProcess> process_;
};

} // namespace folio
