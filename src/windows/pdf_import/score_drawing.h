// Draws the first two pages of many PDF files and writes them as new scores, off the window
// thread. Worker processes (pdf_worker.h) draw and encode side by side, each asked by a thread of
// its own and never more than a few scores ahead of the writer, and a writer thread writes the
// scores in the files' order. Without a worker process, one thread draws (the PDF engine draws one
// page at a time in a process) and the writer encodes, so that the writing of one score overlaps
// the drawing of the next; a score is drawn only once the one before has gone to the writer. Either
// way memory stays flat whatever the number of files.
#pragma once

#include "core/absorption/score_import.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace folio {

// One file to import, with the entry it becomes.
struct ScoreToDraw {
    QString file;
    ScoreEntry entry;
    // Its page count as counted before; a worker process's pages must be of as many.
    int pages = 0;
};

class ScoreDrawing : public QObject {
    Q_OBJECT
public:
    // Draws and writes scores through import, which nothing else may use until finished. With
    // workerProgram, workerCount processes of it draw side by side (see pdf_worker.h); without
    // one, or when none starts, a thread of this process draws.
    ScoreDrawing(std::vector<ScoreToDraw> scores, ScoreImport& import, QString workerProgram = {},
                 int workerCount = 0, QObject* parent = nullptr);
    // Stops after the score being written and waits for both workers.
    ~ScoreDrawing() override;

    void start();
    // Stops after the score being written: no other score is drawn or written, and the worker
    // processes are ended at once.
    void cancel();
    bool cancelled() const { return cancelled_; }

    // After finished: why the rest was not written, when a score's pages could not be written
    // (a full disk, a file in the way); empty otherwise.
    const QString& stoppedBecause() const { return stoppedBecause_; }

signals:
    // The drawing of scores[index] begins.
    void drawing(int index);
    // scores[index] was written under number; a file that could not be drawn is skipped with
    // problem, and its number goes to the next score.
    void written(int index, int number);
    void skipped(int index, const QString& problem);
    // Both workers are done; sent once, on the window thread.
    void finished();

private:
    // A score's pages as drawn here, or as a worker process sent them, encoded.
    struct Drawn {
        int index = 0;
        QImage left;
        QImage right; // null for a one-page file
        QByteArray leftJpeg;
        QByteArray rightJpeg; // empty for a one-page file
    };
    void draw();
    void drawHere();
    // False when no worker process could be started: nothing was drawn.
    bool drawInWorkers();
    // Gives the writer its next score, once it has taken the one before; false when the import
    // was cancelled or stopped meanwhile.
    bool handOver(Drawn drawn);
    void write();
    // Sends f to the window thread.
    template <typename F> void post(F f);

    std::vector<ScoreToDraw> scores_;
    ScoreImport& import_;
    QString workerProgram_;
    int workerCount_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<Drawn> waiting_;
    bool drawingDone_ = false;
    std::atomic<bool> cancelled_ = false;
    std::atomic<bool> stopped_ = false;
    QString stoppedBecause_;
    std::thread drawer_;
    std::thread writer_;
    int running_ = 0;
};

} // namespace folio
