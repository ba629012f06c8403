// Draws the pages of one PDF file off the UI thread, for the import window's thumbnails and
// previews. The newest request is drawn first, so that what the user scrolled to comes first.
#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace folio {

class PdfThumbnails : public QObject {
    Q_OBJECT
public:
    explicit PdfThumbnails(QObject* parent = nullptr);
    // Stops the worker after the page it is drawing.
    ~PdfThumbnails() override;

    // Draws from file from now on (the worker opens it with its own document); requests for the
    // file before are dropped and their pictures no longer sent.
    void setFile(const QString& file, const QString& password);
    // Asks for page (from 0) drawn to fit box; tag comes back with the picture. Asking again for
    // the same page and tag moves the request to the front.
    void request(int page, QSize box, int tag);

signals:
    // A requested page, drawn; a null image when it could not be drawn.
    void rendered(int tag, int page, const QImage& image);

private:
    struct Request {
        int page;
        QSize box;
        int tag;
    };
    void work();

    std::mutex mutex_;
    std::condition_variable wake_;
    // Newest at the back; the worker takes from the back.
    std::deque<Request> waiting_;
    QString file_;
    QString password_;
    // Changes with every setFile, so that pictures of an earlier file are recognised.
    int generation_ = 0;
    bool stopping_ = false;
    std::thread worker_;
};

} // namespace folio
