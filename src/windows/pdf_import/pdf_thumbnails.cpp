// The worker thread of PdfThumbnails. It owns its own PdfPages: a PDF document is never used
// from two threads.
#include "windows/pdf_import/pdf_thumbnails.h"

#include "windows/pdf_import/pdf_pages.h"

#include <QMetaObject>
#include <algorithm>

namespace folio {

PdfThumbnails::PdfThumbnails(QObject* parent) : QObject(parent) {
    worker_ = std::thread([this] { work(); });
}

PdfThumbnails::~PdfThumbnails() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        waiting_.clear();
    }
    wake_.notify_all();
    worker_.join();
}

void PdfThumbnails::setFile(const QString& file, const QString& password) {
    std::lock_guard lock(mutex_);
    file_ = file;
    password_ = password;
    ++generation_;
    waiting_.clear();
}

void PdfThumbnails::request(int page, QSize box, int tag) {
    {
        std::lock_guard lock(mutex_);
        std::erase_if(waiting_, [&](const Request& r) { return r.page == page && r.tag == tag; });
        waiting_.push_back({page, box, tag});
    }
    wake_.notify_one();
}

void PdfThumbnails::work() {
    PdfPages pages;
    int openGeneration = -1;
    bool opened = false;
    for (;;) {
        Request next{};
        QString file;
        QString password;
        int generation = 0;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
            if (stopping_)
                return;
            next = waiting_.back();
            waiting_.pop_back();
            file = file_;
            password = password_;
            generation = generation_;
        }
        if (generation != openGeneration) {
            opened = pages.open(file, password) == PdfOpen::Opened;
            openGeneration = generation;
        }
        const QImage image = opened ? pages.renderToFit(next.page, next.box) : QImage();
        // Sent on the UI thread, and only while the picture still belongs to the current file.
        QMetaObject::invokeMethod(
            this,
            [this, generation, next, image] {
                bool current;
                {
                    std::lock_guard lock(mutex_);
                    current = generation == generation_;
                }
                if (current)
                    emit rendered(next.tag, next.page, image);
            },
            Qt::QueuedConnection);
    }
}

} // namespace folio
