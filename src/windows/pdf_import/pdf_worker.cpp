// The drawing worker's run, and the side of the program that talks to it. A question is a line
// "draw <file>" or "count <file>", the file's name in UTF-8 written in hexadecimal. A count is
// answered "count <outcome> <pages>", the outcome as PdfOpen numbers it. A drawing is answered
// "pages <page count> <width>x<height> <bytes> <width>x<height> <bytes>", page 1's pixel size and
// JPEG length then page 2's ("0x0 0" for a one-page file), followed by those bytes. Either may be
// answered "problem <text>" instead.
#include "windows/pdf_import/pdf_worker.h"

#include "windows/pdf_import/import_rows.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <cstring>
#include <optional>
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
// How often a wait looks whether it should stop.
constexpr int kWaitSliceMs = 50;
// An answer's first line is a few dozen characters; a problem's text a few hundred at most.
constexpr qint64 kLongestLine = 1024;
// The largest JPEG page a width x height picture can give at any quality: three bytes a pixel
// and its headers. Pages are at most PdfPages::kLongestSide on either side.
constexpr qint64 kJpegHeaders = 64 * 1024;
qint64 largestJpeg(QSize size) {
    return qint64{size.width()} * size.height() * 3 + kJpegHeaders;
}

const QString& stoppedDrawing() {
    static const QString text =
        QStringLiteral("its pages could not be drawn (the drawing stopped)");
    return text;
}
const QString& wrongDrawing() {
    static const QString text =
        QStringLiteral("its pages could not be drawn (the drawing sent what is not its pages)");
    return text;
}
const QString& uncounted() {
    static const QString text = QStringLiteral("its pages could not be counted");
    return text;
}

QByteArray sizeWord(QSize size) {
    return QByteArray::number(size.width()) + 'x' + QByteArray::number(size.height());
}

// A page's announced pixel size and JPEG length, when both are within what a page can be.
struct AnnouncedPage {
    QSize size;
    qint64 bytes = 0;
};
std::optional<AnnouncedPage> announcedPage(const QByteArray& sizeText,
                                           const QByteArray& bytesText) {
    const QList<QByteArray> sides = sizeText.split('x');
    bool widthOk = false;
    bool heightOk = false;
    bool bytesOk = false;
    if (sides.size() != 2)
        return std::nullopt;
    AnnouncedPage page;
    page.size = QSize(sides[0].toInt(&widthOk), sides[1].toInt(&heightOk));
    page.bytes = bytesText.toLongLong(&bytesOk);
    if (!widthOk || !heightOk || !bytesOk)
        return std::nullopt;
    const auto within = [](int side) { return side >= 1 && side <= PdfPages::kLongestSide; };
    if (!within(page.size.width()) || !within(page.size.height()) || page.bytes < 4 ||
        page.bytes > largestJpeg(page.size))
        return std::nullopt;
    return page;
}

// Whether bytes are a JPEG picture of size: its start and end markers, and its header read.
bool isJpegOf(const QByteArray& bytes, QSize size) {
    if (!bytes.startsWith(QByteArrayView("\xFF\xD8", 2)) ||
        !bytes.endsWith(QByteArrayView("\xFF\xD9", 2)))
        return false;
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer, "jpeg");
    return reader.canRead() && reader.size() == size;
}

// Each page is encoded, and let go, as soon as it can be.
QByteArray drawingAnswer(PdfPages& pages, const QString& file) {
    ScorePages score = drawScorePages(pages, file);
    const QString cannotEncode = QStringLiteral("a page cannot be turned into a JPEG picture");
    if (!score.problem.isEmpty())
        return "problem " + score.problem.toUtf8().replace('\n', ' ') + '\n';
    const QSize leftSize = score.left.size();
    const QSize rightSize = score.right.isNull() ? QSize(0, 0) : score.right.size();
    const QByteArray left = PdfPages::encodeJpeg(std::exchange(score.left, QImage()));
    const QByteArray right = score.right.isNull()
                                 ? QByteArray()
                                 : PdfPages::encodeJpeg(std::exchange(score.right, QImage()));
    if (left.isEmpty() || (!rightSize.isEmpty() && right.isEmpty()))
        return "problem " + cannotEncode.toUtf8() + '\n';
    return "pages " + QByteArray::number(score.pageCount) + ' ' + sizeWord(leftSize) + ' ' +
           QByteArray::number(left.size()) + ' ' + sizeWord(rightSize) + ' ' +
           QByteArray::number(right.size()) + '\n' + left + right;
}

} // namespace

bool isPdfWorkerRun(int argc, char* argv[]) {
    return argc == 2 && std::strcmp(argv[1], kPdfWorkerArgument) == 0;
}

QByteArray pdfWorkerAnswer(PdfPages& pages, const QByteArray& question) {
    const qsizetype space = question.indexOf(' ');
    const QByteArray verb = question.left(space);
    const QString file = QString::fromUtf8(QByteArray::fromHex(question.mid(space + 1)));
    if (space > 0 && verb == "count") {
        const PdfOpen outcome = pages.open(file);
        const int count = outcome == PdfOpen::Opened ? pages.pageCount() : 0;
        pages.close();
        return "count " + QByteArray::number(static_cast<int>(outcome)) + ' ' +
               QByteArray::number(count) + '\n';
    }
    if (space > 0 && verb == "draw")
        return drawingAnswer(pages, file);
    return "problem the question was not understood\n";
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
        out.write(pdfWorkerAnswer(pages, line.trimmed()));
        out.flush();
    }
}

PdfWorker::PdfWorker(QString program, std::function<bool()> stopRequested)
    : program_(std::move(program)), stopRequested_(std::move(stopRequested)) {}

PdfWorker::~PdfWorker() {
    if (!process_)
        return;
    if (stopRequested_ && stopRequested_()) {
        end();
        return;
    }
    // Its input closed, the worker ends after the page it is drawing.
    process_->closeWriteChannel();
    if (!process_->waitForFinished(2000))
        process_->kill();
    process_->waitForFinished();
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

void PdfWorker::end() {
    if (!process_)
        return;
    process_->kill();
    process_->waitForFinished();
    process_.reset();
}

bool PdfWorker::ask(const QByteArray& verb, const QString& file) {
    // What a worker that stopped, or answered wrong, left behind is never read as an answer.
    if (process_ && (process_->state() != QProcess::Running || process_->bytesAvailable() > 0))
        end();
    if (!process_ && !start())
        return false;
    // In hexadecimal: a file name may hold a line break.
    process_->write(verb + ' ' + file.toUtf8().toHex() + '\n');
    return true;
}

bool PdfWorker::awaitLine() {
    const QDeadlineTimer deadline(kAnswerWaitMs);
    while (!process_->canReadLine()) {
        if (process_->bytesAvailable() > kLongestLine || deadline.hasExpired() ||
            (stopRequested_ && stopRequested_()))
            return false;
        if (!process_->waitForReadyRead(kWaitSliceMs) && process_->state() != QProcess::Running)
            return process_->canReadLine();
    }
    return true;
}

bool PdfWorker::awaitBytes(qint64 count) {
    const QDeadlineTimer deadline(kAnswerWaitMs);
    while (process_->bytesAvailable() < count) {
        if (deadline.hasExpired() || (stopRequested_ && stopRequested_()))
            return false;
        if (!process_->waitForReadyRead(kWaitSliceMs) && process_->state() != QProcess::Running)
            return process_->bytesAvailable() >= count;
    }
    return true;
}

CountedPages PdfWorker::count(const QString& file) {
    CountedPages result;
    result.problem = uncounted();
    if (!ask("count", file))
        return result;
    if (!awaitLine()) {
        end();
        return result;
    }
    const QList<QByteArray> words = process_->readLine().chopped(1).split(' ');
    bool outcomeOk = false;
    bool pagesOk = false;
    const int outcome = words.size() == 3 ? words[1].toInt(&outcomeOk) : -1;
    const int pages = words.size() == 3 ? words[2].toInt(&pagesOk) : -1;
    const bool opened = outcome == static_cast<int>(PdfOpen::Opened);
    if (words.size() != 3 || words[0] != "count" || !outcomeOk || !pagesOk || outcome < 0 ||
        outcome > static_cast<int>(PdfOpen::NoEngine) || (opened ? pages < 1 : pages != 0) ||
        process_->bytesAvailable() > 0) {
        end();
        return result;
    }
    return {static_cast<PdfOpen>(outcome), pages, {}};
}

DrawnPages PdfWorker::draw(const QString& file, int pageCount) {
    DrawnPages result;
    const auto failed = [&](const QString& problem) {
        end();
        result = {};
        result.problem = problem;
        return result;
    };
    if (!ask("draw", file))
        return failed(stoppedDrawing());
    if (!awaitLine())
        return failed(stoppedDrawing());
    const QByteArray line = process_->readLine().chopped(1);
    if (line.startsWith("problem ")) {
        result.problem = QString::fromUtf8(line.mid(8));
        return result;
    }
    // Every size is checked before a byte of the pages is taken.
    const QList<QByteArray> words = line.split(' ');
    if (words.size() != 6 || words[0] != "pages" || words[1] != QByteArray::number(pageCount))
        return failed(wrongDrawing());
    const std::optional<AnnouncedPage> left = announcedPage(words[2], words[3]);
    const bool twoPages = pageCount >= 2;
    const std::optional<AnnouncedPage> right =
        twoPages ? announcedPage(words[4], words[5]) : std::nullopt;
    if (!left || (twoPages ? !right : words[4] != "0x0" || words[5] != "0"))
        return failed(wrongDrawing());
    const qint64 rightBytes = right ? right->bytes : 0;
    if (!awaitBytes(left->bytes + rightBytes))
        return failed(stoppedDrawing());
    result.left = process_->read(left->bytes);
    result.right = process_->read(rightBytes);
    if (process_->bytesAvailable() > 0 || !isJpegOf(result.left, left->size) ||
        (right && !isJpegOf(result.right, right->size)))
        return failed(wrongDrawing());
    return result;
}

} // namespace folio
