// The two workers of an import of many PDF files, and what they tell the window.
#include "windows/pdf_import/score_drawing.h"

#include "platform/core_text.h"
#include "windows/pdf_import/import_rows.h"
#include "windows/pdf_import/pdf_pages.h"
#include "windows/pdf_import/pdf_worker.h"

#include <QMetaObject>
#include <utility>

namespace folio {

ScoreDrawing::ScoreDrawing(std::vector<ScoreToDraw> scores, ScoreImport& import,
                           QString workerProgram, int workerCount, QObject* parent)
    : QObject(parent), scores_(std::move(scores)), import_(import),
      workerProgram_(std::move(workerProgram)), workerCount_(workerCount) {}

ScoreDrawing::~ScoreDrawing() {
    cancel();
    if (drawer_.joinable())
        drawer_.join();
    if (writer_.joinable())
        writer_.join();
}

void ScoreDrawing::start() {
    running_ = 2;
    drawer_ = std::thread([this] { draw(); });
    writer_ = std::thread([this] { write(); });
}

void ScoreDrawing::cancel() {
    {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
    }
    changed_.notify_all();
}

template <typename F> void ScoreDrawing::post(F f) {
    QMetaObject::invokeMethod(this, std::move(f), Qt::QueuedConnection);
}

void ScoreDrawing::draw() {
    std::vector<std::unique_ptr<PdfWorker>> workers;
    for (int w = 0; !workerProgram_.isEmpty() && w < workerCount_; ++w) {
        auto worker = std::make_unique<PdfWorker>(workerProgram_);
        if (!worker->start())
            break;
        workers.push_back(std::move(worker));
    }
    // Without a worker process (none could be started, or none asked for), this process draws.
    if (workers.empty())
        drawHere();
    else
        drawInWorkers(workers);
    workers.clear();
    std::lock_guard lock(mutex_);
    drawingDone_ = true;
    changed_.notify_all();
    if (--running_ == 0)
        post([this] { emit finished(); });
}

bool ScoreDrawing::handOver(Drawn drawn) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !waiting_ || cancelled_ || stopped_; });
    if (cancelled_ || stopped_)
        return false;
    waiting_ = std::move(drawn);
    changed_.notify_all();
    return true;
}

// Score i goes to worker i % count; each worker draws its next score while its last one waits for
// the writer, and the scores reach the writer in their order.
void ScoreDrawing::drawInWorkers(std::vector<std::unique_ptr<PdfWorker>>& workers) {
    const int count = static_cast<int>(scores_.size());
    const int workerCount = static_cast<int>(workers.size());
    int sent = 0;
    const auto sendNext = [&] {
        if (sent < count && !cancelled_ && !stopped_) {
            workers[static_cast<std::size_t>(sent % workerCount)]->send(
                scores_[static_cast<std::size_t>(sent)].file);
            ++sent;
        }
    };
    for (int w = 0; w < workerCount; ++w)
        sendNext();
    for (int index = 0; index < sent; ++index) {
        if (cancelled_ || stopped_)
            return;
        post([this, index] { emit drawing(index); });
        DrawnPages pages = workers[static_cast<std::size_t>(index % workerCount)]->receive();
        sendNext();
        if (!pages.problem.isEmpty()) {
            post([this, index, problem = pages.problem] { emit skipped(index, problem); });
            continue;
        }
        Drawn drawn;
        drawn.index = index;
        drawn.leftJpeg = std::move(pages.left);
        drawn.rightJpeg = std::move(pages.right);
        if (!handOver(std::move(drawn)))
            return;
    }
}

void ScoreDrawing::drawHere() {
    PdfPages pages;
    for (int index = 0; index < static_cast<int>(scores_.size()); ++index) {
        {
            // The next score is drawn only once the one before has gone to the writer: one score
            // drawn and one written is all the overlap there is room for, and a third one
            // waiting would only hold two more pages in memory.
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return !waiting_ || cancelled_ || stopped_; });
            if (cancelled_ || stopped_)
                return;
        }
        post([this, index] { emit drawing(index); });
        const QString& file = scores_[static_cast<std::size_t>(index)].file;
        const PdfOpen opened = pages.open(file);
        if (opened != PdfOpen::Opened) {
            post([this, index, problem = unreadableReason(opened)] {
                emit skipped(index, problem);
            });
            continue;
        }
        Drawn drawn;
        drawn.index = index;
        drawn.left = pages.render(0, pages.pixelSize(0));
        const bool twoPages = pages.pageCount() >= 2;
        if (twoPages && !drawn.left.isNull())
            drawn.right = pages.render(1, pages.pixelSize(1));
        pages.close();
        if (drawn.left.isNull() || (twoPages && drawn.right.isNull())) {
            const QString problem =
                QStringLiteral("page %1 cannot be drawn").arg(drawn.left.isNull() ? 1 : 2);
            post([this, index, problem] { emit skipped(index, problem); });
            continue;
        }
        if (!handOver(std::move(drawn)))
            return;
    }
}

void ScoreDrawing::write() {
    for (;;) {
        Drawn drawn;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return waiting_ || drawingDone_ || cancelled_; });
            if (cancelled_ || !waiting_)
                break;
            drawn = std::move(*waiting_);
            waiting_.reset();
            changed_.notify_all();
        }
        const int index = drawn.index;
        const ScoreToDraw& score = scores_[static_cast<std::size_t>(index)];
        // A worker process sends its pages encoded; pages drawn here are encoded here, each let
        // go as soon as it is.
        const bool twoPages = !drawn.right.isNull() || !drawn.rightJpeg.isEmpty();
        const QByteArray left = !drawn.leftJpeg.isEmpty()
                                    ? std::exchange(drawn.leftJpeg, QByteArray())
                                    : PdfPages::encodeJpeg(std::exchange(drawn.left, QImage()));
        const QByteArray right =
            !drawn.rightJpeg.isEmpty() ? std::exchange(drawn.rightJpeg, QByteArray())
            : twoPages                 ? PdfPages::encodeJpeg(std::exchange(drawn.right, QImage()))
                                       : QByteArray();
        if (left.isEmpty() || (twoPages && right.isEmpty())) {
            post([this, index] {
                emit skipped(index, QStringLiteral("a page cannot be turned into a JPEG picture"));
            });
            continue;
        }
        NewScore ready{score.entry,
                       std::string(left.constData(), static_cast<std::size_t>(left.size())),
                       std::string(right.constData(), static_cast<std::size_t>(right.size()))};
        const int number = import_.nextNumber();
        const FileResult result = import_.write(ready);
        if (!result.ok) {
            std::lock_guard lock(mutex_);
            stoppedBecause_ = fromCoreText(result.error);
            stopped_ = true;
            changed_.notify_all();
            break;
        }
        post([this, index, number] { emit written(index, number); });
    }
    std::lock_guard lock(mutex_);
    if (--running_ == 0)
        post([this] { emit finished(); });
}

} // namespace folio
