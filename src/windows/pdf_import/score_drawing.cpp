// The two workers of an import of many PDF files, and what they tell the window.
#include "windows/pdf_import/score_drawing.h"

#include "platform/core_text.h"
#include "windows/pdf_import/import_rows.h"
#include "windows/pdf_import/pdf_pages.h"
#include "windows/pdf_import/pdf_worker.h"

#include <QMetaObject>
#include <map>
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
    // Without a worker process (none could be started, or none asked for), this process draws.
    if (workerProgram_.isEmpty() || workerCount_ < 1 || !drawInWorkers())
        drawHere();
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

// Each worker process has a thread of its own that asks it for the next score not yet taken, at
// most a few scores ahead of the writer; this thread hands the scores to the writer in their
// order as they come in.
bool ScoreDrawing::drawInWorkers() {
    const int count = static_cast<int>(scores_.size());
    int started = 0;
    int answered = 0;
    int taken = 0;
    int handedOver = 0;
    bool over = false;
    std::map<int, DrawnPages> ready;
    std::vector<std::thread> threads;
    for (int w = 0; w < workerCount_; ++w) {
        threads.emplace_back([&] {
            PdfWorker worker(workerProgram_, [this] { return cancelled_ || stopped_; });
            const bool running = worker.start();
            {
                std::lock_guard lock(mutex_);
                started += running ? 1 : 0;
                ++answered;
                changed_.notify_all();
            }
            for (int index = 0; running;) {
                {
                    std::unique_lock lock(mutex_);
                    changed_.wait(lock, [&] {
                        return over || (taken < count && taken < handedOver + 2 * workerCount_);
                    });
                    if (over)
                        return;
                    index = taken++;
                }
                const ScoreToDraw& score = scores_[static_cast<std::size_t>(index)];
                DrawnPages pages = worker.draw(score.file, score.pages);
                std::lock_guard lock(mutex_);
                ready.emplace(index, std::move(pages));
                changed_.notify_all();
            }
        });
    }
    bool drawn = false;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return answered == workerCount_; });
        drawn = started > 0;
    }
    for (int index = 0; drawn && index < count; ++index) {
        DrawnPages pages;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return ready.contains(index) || cancelled_ || stopped_; });
            if (cancelled_ || stopped_)
                break;
            pages = std::move(ready.at(index));
            ready.erase(index);
        }
        post([this, index] { emit drawing(index); });
        if (!pages.problem.isEmpty()) {
            post([this, index, problem = pages.problem] { emit skipped(index, problem); });
        } else {
            Drawn score;
            score.index = index;
            score.leftJpeg = std::move(pages.left);
            score.rightJpeg = std::move(pages.right);
            if (!handOver(std::move(score)))
                break;
        }
        std::lock_guard lock(mutex_);
        handedOver = index + 1;
        changed_.notify_all();
    }
    {
        std::lock_guard lock(mutex_);
        over = true;
        changed_.notify_all();
    }
    for (std::thread& thread : threads)
        thread.join();
    return drawn;
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
        ScorePages score = drawScorePages(pages, scores_[static_cast<std::size_t>(index)].file);
        if (!score.problem.isEmpty()) {
            post([this, index, problem = score.problem] { emit skipped(index, problem); });
            continue;
        }
        Drawn drawn;
        drawn.index = index;
        drawn.left = std::move(score.left);
        drawn.right = std::move(score.right);
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
