// Loads the page images of a main window position, decoded at the size of their frames on
// worker threads, with the neighbouring positions prefetched into a small cache.
#pragma once

#include "windows/common/page_decoding.h"

#include <QCache>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace folio {

class PageImageLoader : public QObject {
    Q_OBJECT
public:
    explicit PageImageLoader(QSize frameSize, QObject* parent = nullptr);
    ~PageImageLoader() override;

    // Asks for both pages of a position as the files are on disk now. pageReady follows for
    // each side: at once for a missing file (a null image) or a picture already decoded from
    // the very same file, otherwise once a worker has decoded it (a null image when it cannot
    // be decoded). A newer request supersedes older ones: their pictures are no longer sent.
    void request(int position, const std::filesystem::path& left,
                 const std::filesystem::path& right);

    // Decodes files into the cache when the workers have nothing to show, in the given order,
    // so that moving on to a neighbouring position finds its pages ready. A later request or
    // prefetch replaces the files still waiting.
    void prefetch(const std::vector<std::filesystem::path>& files);

    // Decodes at a new frame size from now on: pictures of the old size are no longer kept or
    // sent, so the caller asks again for what it shows. False when the size is unchanged.
    bool setFrameSize(QSize frameSize);

    // Gives up every picture kept and every decode waiting or running, for a window whose stand
    // is closing: nothing asked for so far is sent any more, and the pictures' memory is free at
    // once. Decodes already on a worker wind down there; a later request starts afresh.
    void letGo();

    // True when no decode is waiting or running.
    bool isIdle() const { return waiting_.empty() && running_.empty(); }

signals:
    void pageReady(int position, folio::PageSide side, const QImage& image);

private:
    struct Shown {
        int position = 0;
        QString key[2];
        bool pending[2] = {false, false};
    };

    // A decode on a worker; abandoned tells it to stop early, its picture being unwanted.
    // ahead: it runs among the decodes of pages not on screen, which use only idle cores.
    struct Running {
        PageStamp stamp;
        std::shared_ptr<std::atomic<bool>> abandoned;
        bool ahead = false;
    };

    void askFor(PageSide side, const std::filesystem::path& file);
    void enqueue(const PageStamp& stamp);
    bool isShownPending(const QString& key) const;
    int aheadRunning() const;
    int threadsAhead() const;
    void abandonRunning(bool ahead);
    void startWaitingDecodes();
    // The work of one decode on a worker: read, decode, hand the picture to this thread.
    std::function<void()> decodeTask(const PageStamp& stamp,
                                     std::shared_ptr<std::atomic<bool>> abandoned);
    void decoded(const QString& key, const QImage& image, bool cutShort);

    QSize frameSize_;
    // Decodes of pages that may not be needed run on at most this many threads at once.
    const int decodeThreads_ = std::max(2, QThread::idealThreadCount());
    // The pages on screen decode at the priority of the window; all other decodes only on
    // cores that nothing else wants, so that they never slow the pages on screen or the window.
    QThreadPool shownWorkers_;
    QThreadPool aheadWorkers_;
    QCache<QString, QImage> cache_;
    std::deque<PageStamp> waiting_;
    std::map<QString, Running> running_;
    std::set<QString> prefetched_;
    Shown shown_;
};

} // namespace folio
