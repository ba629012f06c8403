// The drawing worker's run, and the side of the program that talks to it. A question is a line
// holding the file's name in UTF-8, written in hexadecimal; an answer is a line
// "pages <left bytes> <right bytes>" followed by those bytes, or "problem <text>".
#include "windows/pdf_import/pdf_worker.h"

#include "windows/pdf_import/import_rows.h"
#include "windows/pdf_import/pdf_pages.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <cstring>
#include <utility>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace folio {
namespace {

// Long enough for the slowest page of a large file on a busy machine; a worker that takes
// longer is taken to have stopped.
constexpr int kAnswerWaitMs = 120000;

// Each page is encoded, and let go, as soon as it can be.
DrawnPages drawn(PdfPages& pages, const QString& file) {
    ScorePages score = drawScorePages(pages, file);
    DrawnPages result;
    result.problem = score.problem;
    if (!result.problem.isEmpty())
        return result;
    const bool twoPages = !score.right.isNull();
    result.left = PdfPages::encodeJpeg(std::exchange(score.left, QImage()));
    if (twoPages)
        result.right = PdfPages::encodeJpeg(std::exchange(score.right, QImage()));
    if (result.left.isEmpty() || (twoPages && result.right.isEmpty()))
        result = {{}, {}, QStringLiteral("a page cannot be turned into a JPEG picture")};
    return result;
}

} // namespace

bool isPdfWorkerRun(int argc, char* argv[]) {
    return argc == 2 && std::strcmp(argv[1], kPdfWorkerArgument) == 0;
}

int runPdfWorker(int argc, char* argv[]) {
#ifdef __GLIBC__
    // Every page takes tens of megabytes of pictures and gives them back: kept by the allocator
    // for the next page instead of returned to the system, they are not faulted in afresh.
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
#endif
    // The application tells the PDF engine's module where the program lies.
    QCoreApplication application(argc, argv);
#ifdef _WIN32
    // The JPEG bytes go out as they are, with no line ends turned into CR LF.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    QFile in;
    QFile out;
    if (!in.open(stdin, QIODevice::ReadOnly) || !out.open(stdout, QIODevice::WriteOnly))
        return 1;
    PdfPages pages;
    for (;;) {
        const QByteArray line = in.readLine();
        if (line.isEmpty())
            return 0;
        const DrawnPages result =
            drawn(pages, QString::fromUtf8(QByteArray::fromHex(line.trimmed())));
        if (!result.problem.isEmpty()) {
            out.write("problem " + result.problem.toUtf8().replace('\n', ' ') + '\n');
        } else {
            out.write("pages " + QByteArray::number(result.left.size()) + ' ' +
                      QByteArray::number(result.right.size()) + '\n');
            out.write(result.left);
            out.write(result.right);
        }
        out.flush();
    }
}

PdfWorker::PdfWorker(QString program) : program_(std::move(program)) {}

PdfWorker::~PdfWorker() {
    if (process_) {
        // Its input closed, the worker ends after the page it is drawing.
        process_->closeWriteChannel();
        if (!process_->waitForFinished(2000))
            process_->kill();
        process_->waitForFinished();
    }
}

bool PdfWorker::start() {
    process_ = std::make_unique<QProcess>();
    process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_->start(program_, {QString::fromLatin1(kPdfWorkerArgument)});
    if (process_->waitForStarted())
        return true;
    process_.reset();
    return false;
}

void PdfWorker::send(const QString& file) {
    if (!process_ || process_->state() != QProcess::Running)
        start();
    if (process_)
        // In hexadecimal: a file name may hold a line break.
        process_->write(file.toUtf8().toHex() + '\n');
}

DrawnPages PdfWorker::receive() {
    DrawnPages result;
    const auto stopped = [&] {
        result = {};
        result.problem = QStringLiteral("its pages cannot be drawn (the drawing stopped)");
        if (process_) {
            process_->kill();
            process_->waitForFinished();
            process_.reset();
        }
        return result;
    };
    if (!process_)
        return stopped();
    while (!process_->canReadLine()) {
        if (!process_->waitForReadyRead(kAnswerWaitMs))
            return stopped();
    }
    const QByteArray line = process_->readLine().chopped(1);
    if (line.startsWith("problem ")) {
        result.problem = QString::fromUtf8(line.mid(8));
        return result;
    }
    const QList<QByteArray> words = line.split(' ');
    bool leftOk = false;
    bool rightOk = false;
    const qint64 leftSize = words.size() == 3 ? words[1].toLongLong(&leftOk) : -1;
    const qint64 rightSize = words.size() == 3 ? words[2].toLongLong(&rightOk) : -1;
    if (words.size() != 3 || words[0] != "pages" || !leftOk || !rightOk || leftSize <= 0 ||
        rightSize < 0)
        return stopped();
    while (process_->bytesAvailable() < leftSize + rightSize) {
        if (!process_->waitForReadyRead(kAnswerWaitMs))
            return stopped();
    }
    result.left = process_->read(leftSize);
    result.right = process_->read(rightSize);
    return result;
}

} // namespace folio
