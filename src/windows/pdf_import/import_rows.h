// What the window that imports many PDF files lists before anything is written: the title a file
// gives, the PDF files of a folder, and, off the window thread, each file's page count.
#pragma once

#include "windows/pdf_import/pdf_pages.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace folio {

// The title a new score takes from its file's name: the name without ".pdf", without what a
// text box refuses ('"', '\', line breaks, what Windows-1252 cannot carry), blanks at either end
// left out. Empty for a name that is only blanks.
QString titleFromFileName(const QString& fileName);

// The PDF files directly in folder (".pdf" in any letter case), in name order as people read it:
// letter case and accents aside, and "2" before "10". Their full paths.
QStringList pdfFilesIn(const QString& folder);

// Why a file that did not open as outcome cannot be imported, in a few words for its row.
QString unreadableReason(PdfOpen outcome);

// A new score's pages drawn from its PDF file: page 1 the left one, page 2 the right one (null
// for a one-page file); or, with no page, why they cannot be drawn, in a few words for its row.
struct ScorePages {
    QImage left;
    QImage right;
    QString problem;
};
ScorePages drawScorePages(PdfPages& pages, const QString& file);

// Opens each file given on a worker thread, in order, and tells its page count.
class PageCounter : public QObject {
    Q_OBJECT
public:
    explicit PageCounter(QObject* parent = nullptr);
    // Stops after the file it is opening.
    ~PageCounter() override;

    void count(const QStringList& files);

signals:
    // On the window thread: file opened as outcome, with pages pages when it opened.
    void counted(const QString& file, PdfOpen outcome, int pages);

private:
    void work();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<QString> waiting_;
    bool stopping_ = false;
    std::thread worker_;
};

} // namespace folio
