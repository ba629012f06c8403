// Drawing the pages of PDF files in worker processes. Qt's PDF engine draws one page at a time
// in a process, and two busy threads of one process make its many fresh pages of memory costly;
// processes of their own draw side by side at full speed. A worker is this program started again
// with kPdfWorkerArgument: it reads file names, one per line (in hexadecimal), and answers each
// with the file's first two pages drawn as PdfPages draws them and encoded as JPEG.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>

class QProcess;

namespace folio {

// The argument that makes the program a drawing worker instead of opening its windows.
inline constexpr const char* kPdfWorkerArgument = "--draw-pdf-scores";

// Whether the program was started as a drawing worker.
bool isPdfWorkerRun(int argc, char* argv[]);
// The worker's whole run: answers file names from its standard input until it ends.
int runPdfWorker(int argc, char* argv[]);

// A file's first two pages as JPEG bytes (the right one empty for a one-page file), or why they
// could not be drawn.
struct DrawnPages {
    QByteArray left;
    QByteArray right;
    QString problem;
};

// One worker process, used from one thread: a file is sent, then its pages received.
class PdfWorker {
public:
    // program is started with kPdfWorkerArgument.
    explicit PdfWorker(QString program);
    ~PdfWorker();
    PdfWorker(const PdfWorker&) = delete;
    PdfWorker& operator=(const PdfWorker&) = delete;

    // Starts the process; false when it cannot be started.
    bool start();
    // Asks for file's pages.
    void send(const QString& file);
    // The pages of the file sent last, once the worker has drawn them. A worker that stops
    // meanwhile gives a problem, and is started again for the next file.
    DrawnPages receive();

private:
    QString program_;
    std::unique_ptr<QProcess> process_;
};

} // namespace folio
