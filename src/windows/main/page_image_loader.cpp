// Page decoding at frame size on worker threads. The UI thread only looks at the files (a stat
// per page) and hands out pictures; a picture is reused only for a file whose stat figures are
// unchanged, so a replaced or removed page is never shown as it was.
#include "windows/main/page_image_loader.h"

#include "core/files/file_ops.h"

#include <QThread>
#include <algorithm>

namespace folio {
namespace {

// The decoded pages kept: the 2 shown and the 4 of the two prefetched neighbours, the one ahead
// and the one behind, so that a step on or back finds its pages ready. After a step the pages
// left behind are the least recently used and go first. Pictures are at frame size, so the
// cache grows with the window, a few hundred kB a page at the starting size.
constexpr int kCachedPages = 6;

int sideIndex(PageSide side) {
    return side == PageSide::Left ? 0 : 1;
}
PageSide sideOf(int index) {
    return index == 0 ? PageSide::Left : PageSide::Right;
}

} // namespace

PageImageLoader::PageImageLoader(QSize frameSize, QObject* parent)
    : QObject(parent), frameSize_(frameSize), cache_(kCachedPages) {
    // The two pages on screen. A page of a position passed over before its decode ended holds
    // its thread for the millisecond or two the decoder takes to wind down; a page on screen
    // waits that long rather than more decodes running at once, each with its own buffers.
    // They decode at once from the start: while the window is still being built and painted,
    // decoding them one after the other left the window waiting longer for its second page than
    // the other core saved in building it.
    shownWorkers_.setMaxThreadCount(2);
    aheadWorkers_.setMaxThreadCount(decodeThreads_);
    aheadWorkers_.setThreadPriority(QThread::IdlePriority);
}

PageImageLoader::~PageImageLoader() {
    waiting_.clear();
    for (auto& [key, running] : running_)
        running.abandoned->store(true, std::memory_order_relaxed);
    shownWorkers_.waitForDone();
    aheadWorkers_.waitForDone();
}

bool PageImageLoader::setFrameSize(QSize frameSize) {
    if (frameSize == frameSize_)
        return false;
    frameSize_ = frameSize;
    cache_.clear();
    waiting_.clear();
    prefetched_.clear();
    for (auto& [key, running] : running_)
        running.abandoned->store(true, std::memory_order_relaxed);
    return true;
}

void PageImageLoader::letGo() {
    shown_ = Shown{};
    waiting_.clear();
    prefetched_.clear();
    cache_.clear();
    for (auto& [key, running] : running_)
        running.abandoned->store(true, std::memory_order_relaxed);
    // Their ends are no longer awaited: see decodeTask.
    running_.clear();
}

void PageImageLoader::request(int position, const std::filesystem::path& left,
                              const std::filesystem::path& right) {
    shown_ = Shown{};
    shown_.position = position;
    waiting_.clear();
    prefetched_.clear();
    askFor(PageSide::Left, left);
    askFor(PageSide::Right, right);
    // The pages of the position before, if still decoding, would share the cores with these
    // at the same priority. Decodes ahead of need run on until the next prefetch says whether
    // they are still wanted: the neighbours of a step are mostly those of the step before.
    abandonRunning(false);
    startWaitingDecodes();
}

void PageImageLoader::askFor(PageSide side, const std::filesystem::path& file) {
    const int index = sideIndex(side);
    std::optional<PageStamp> stamp = PageStamp::of(file);
    if (!stamp) {
        emit pageReady(shown_.position, side, QImage());
        return;
    }
    if (const QImage* cached = cache_.object(stamp->key)) {
        emit pageReady(shown_.position, side, *cached);
        return;
    }
    shown_.key[index] = stamp->key;
    shown_.pending[index] = true;
    enqueue(*stamp);
}

void PageImageLoader::prefetch(const std::vector<std::filesystem::path>& files) {
    std::erase_if(waiting_, [&](const PageStamp& stamp) { return !isShownPending(stamp.key); });
    prefetched_.clear();
    for (const std::filesystem::path& file : files) {
        std::optional<PageStamp> stamp = PageStamp::of(file);
        // A neighbour already decoded counts as just used: the pages left behind go first.
        if (stamp && !cache_.object(stamp->key)) {
            prefetched_.insert(stamp->key);
            enqueue(*stamp);
        }
    }
    abandonRunning(true);
    startWaitingDecodes();
}

void PageImageLoader::enqueue(const PageStamp& stamp) {
    if (running_.count(stamp.key) ||
        std::any_of(waiting_.begin(), waiting_.end(),
                    [&](const PageStamp& waiting) { return waiting.key == stamp.key; }))
        return;
    waiting_.push_back(stamp);
}

bool PageImageLoader::isShownPending(const QString& key) const {
    return (shown_.pending[0] && shown_.key[0] == key) ||
           (shown_.pending[1] && shown_.key[1] == key);
}

// Given-up decodes count until they have wound down: they still hold a thread.
int PageImageLoader::aheadRunning() const {
    return static_cast<int>(std::count_if(running_.begin(), running_.end(),
                                          [](const auto& held) { return held.second.ahead; }));
}

// While a page on screen waits for its picture, two cores are left to it: a decode ahead of
// need started then would only hold its memory until they are free.
int PageImageLoader::threadsAhead() const {
    return decodeThreads_ - (shown_.pending[0] || shown_.pending[1] ? 2 : 0);
}

// Gives up the running decodes of the one kind (ahead of need, or once on screen) whose pages
// are wanted neither on screen nor ahead any more.
void PageImageLoader::abandonRunning(bool ahead) {
    for (auto& [key, running] : running_)
        if (running.ahead == ahead && !isShownPending(key) && !prefetched_.count(key))
            running.abandoned->store(true, std::memory_order_relaxed);
}

void PageImageLoader::startWaitingDecodes() {
    // The shown pages wait at the front and start at once, both together.
    std::vector<std::function<void()>> shownTasks;
    while (!waiting_.empty()) {
        const bool ahead = !isShownPending(waiting_.front().key);
        if (ahead && aheadRunning() >= threadsAhead())
            break;
        PageStamp stamp = std::move(waiting_.front());
        waiting_.pop_front();
        auto abandoned = std::make_shared<std::atomic<bool>>(false);
        running_.emplace(stamp.key, Running{stamp, abandoned, ahead});
        if (ahead)
            aheadWorkers_.start(decodeTask(stamp, abandoned));
        else
            shownTasks.push_back(decodeTask(stamp, abandoned));
    }
    // The window wakes one worker, which wakes the other before it decodes. A woken worker may
    // take the window's core at once, and the window would then wake the second only when it
    // gets a core back, milliseconds later when both cores are busy.
    if (shownTasks.size() == 1) {
        shownWorkers_.start(std::move(shownTasks.front()));
    } else if (shownTasks.size() == 2) {
        shownWorkers_.start(
            [this, first = std::move(shownTasks[0]), second = std::move(shownTasks[1])]() mutable {
                shownWorkers_.start(std::move(second));
                first();
            });
    }
}

std::function<void()> PageImageLoader::decodeTask(const PageStamp& stamp,
                                                  std::shared_ptr<std::atomic<bool>> abandoned) {
    return [this, stamp, abandoned = std::move(abandoned), frame = frameSize_] {
        QString actualKey;
        QImage image;
        bool cutShort = abandoned->load(std::memory_order_relaxed);
        if (!cutShort) {
            const OpenedFile file(stamp.file);
            actualKey = pageKey(stamp.file, file);
            if (!actualKey.isEmpty())
                image = decodePage(file, frame, abandoned.get(), &cutShort);
        }
        QMetaObject::invokeMethod(
            this,
            [this, key = stamp.key, abandoned, actualKey, image, cutShort, frame] {
                // A decode let go of: a decode of the same page asked for since is another.
                const auto awaited = running_.find(key);
                if (awaited == running_.end() || awaited->second.abandoned != abandoned)
                    return;
                // Decoded for frames that have changed size since: wanted anew if at all.
                const bool unwanted = cutShort || frame != frameSize_;
                if (!actualKey.isEmpty() && !unwanted)
                    cache_.insert(actualKey, new QImage(image));
                decoded(key, image, unwanted);
            },
            Qt::QueuedConnection);
    };
}

void PageImageLoader::decoded(const QString& key, const QImage& image, bool cutShort) {
    auto finished = running_.find(key);
    if (finished == running_.end())
        return;
    PageStamp stamp = std::move(finished->second.stamp);
    running_.erase(finished);
    if (cutShort) {
        // Abandoned before it was done, and wanted again since: decode it anew.
        if (isShownPending(key))
            waiting_.push_front(std::move(stamp));
        else if (prefetched_.count(key))
            waiting_.push_back(std::move(stamp));
        startWaitingDecodes();
        return;
    }
    for (int index = 0; index < 2; ++index) {
        if (shown_.pending[index] && shown_.key[index] == key) {
            shown_.pending[index] = false;
            emit pageReady(shown_.position, sideOf(index), image);
        }
    }
    startWaitingDecodes();
}

} // namespace folio
