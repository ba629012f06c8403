// Titles from file names, the PDF files of a folder, and the page counter's worker.
#include "windows/pdf_import/import_rows.h"

#include "core/archive/library.h"
#include "platform/cp1252.h"
#include "windows/pdf_import/pdf_worker.h"

#include <QDir>
#include <QMetaObject>
#include <QThread>
#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace folio {

FieldText titleFromFileName(const QString& fileName) {
    QString stem = fileName;
    if (stem.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        stem.chop(4);
    FieldText title = toFieldText(stem);
    title.text = title.text.trimmed();
    return title;
}

QStringList pdfFilesIn(const QString& folder) {
    const QDir dir(folder);
    QStringList names = dir.entryList({QStringLiteral("*.pdf")},
                                      QDir::Files | QDir::Readable | QDir::Hidden, QDir::NoSort);
    // QDir's name filter ignores letter case on some systems only.
    names.erase(std::remove_if(names.begin(), names.end(),
                               [](const QString& name) {
                                   return !name.endsWith(QStringLiteral(".pdf"),
                                                         Qt::CaseInsensitive);
                               }),
                names.end());
    // Names sort as the library sorts titles: "2" before "10", letter case and accents aside,
    // and a letter outside Windows-1252 as the one its title takes.
    std::vector<std::pair<std::string, QString>> keyed;
    keyed.reserve(static_cast<std::size_t>(names.size()));
    for (const QString& name : names)
        keyed.emplace_back(sortKey(toCp1252(toFieldText(name).text)), name);
    std::sort(keyed.begin(), keyed.end());
    names.clear();
    for (auto& [key, name] : keyed)
        names << name;
    QStringList files;
    files.reserve(names.size());
    for (const QString& name : names)
        files << dir.filePath(name);
    return files;
}

QString unreadableReason(PdfOpen outcome) {
    switch (outcome) {
    case PdfOpen::Opened:
        return {};
    case PdfOpen::Unreadable:
        return QStringLiteral("cannot be read");
    case PdfOpen::NotPdf:
        return QStringLiteral("not a PDF");
    case PdfOpen::Damaged:
        return QStringLiteral("damaged");
    case PdfOpen::NeedsPassword:
    case PdfOpen::WrongPassword:
        return QStringLiteral("locked by a password");
    case PdfOpen::NoPages:
        return QStringLiteral("no pages");
    case PdfOpen::NoEngine:
        return QStringLiteral("the PDF reader (folio_pdf) is missing");
    }
    return {};
}

ScorePages drawScorePages(PdfPages& pages, const QString& file) {
    ScorePages drawn;
    const PdfOpen opened = pages.open(file);
    if (opened != PdfOpen::Opened) {
        drawn.problem = unreadableReason(opened);
        return drawn;
    }
    drawn.left = pages.render(0, pages.pixelSize(0));
    drawn.pageCount = pages.pageCount();
    const bool twoPages = drawn.pageCount >= 2;
    if (twoPages && !drawn.left.isNull())
        drawn.right = pages.render(1, pages.pixelSize(1));
    pages.close();
    if (drawn.left.isNull() || (twoPages && drawn.right.isNull())) {
        drawn.problem = QStringLiteral("page %1 cannot be drawn").arg(drawn.left.isNull() ? 1 : 2);
        drawn.left = drawn.right = QImage();
    }
    return drawn;
}

PageCounter::PageCounter(QObject* parent) : QObject(parent) {}

PageCounter::~PageCounter() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        waiting_.clear();
    }
    wake_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
}

void PageCounter::setProgram(const QString& program) {
    std::lock_guard lock(mutex_);
    program_ = program;
}

void PageCounter::count(const QStringList& files) {
    // Two threads at least, so that one slow file never holds up the rest.
    const std::size_t threads =
        static_cast<std::size_t>(std::clamp(QThread::idealThreadCount(), 2, 4));
    {
        std::lock_guard lock(mutex_);
        waiting_.insert(waiting_.end(), files.begin(), files.end());
    }
    while (workers_.size() < threads)
        workers_.emplace_back([this] { work(); });
    wake_.notify_all();
}

QString PageCounter::next() {
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
    if (stopping_)
        return {};
    QString file = waiting_.front();
    waiting_.pop_front();
    return file;
}

void PageCounter::work() {
    for (;;) {
        // A worker process lives while there are files to count, and ends once the list is read.
        const QString first = next();
        if (first.isEmpty())
            return;
        QString program;
        {
            std::lock_guard lock(mutex_);
            program = program_;
        }
        PdfWorker worker(program, [this] { return stopping_.load(); });
        const bool inWorker = !program.isEmpty() && worker.start();
        std::optional<PdfPages> here;
        for (QString file = first; !file.isEmpty();) {
            CountedPages result;
            if (inWorker) {
                result = worker.count(file);
            } else {
                if (!here)
                    here.emplace();
                result.outcome = here->open(file);
                result.pages = result.outcome == PdfOpen::Opened ? here->pageCount() : 0;
                here->close();
            }
            if (stopping_)
                return;
            QMetaObject::invokeMethod(
                this,
                [this, file, result] {
                    emit counted(file, result.outcome, result.pages, result.problem);
                },
                Qt::QueuedConnection);
            std::lock_guard lock(mutex_);
            file = waiting_.empty() || stopping_ ? QString() : waiting_.front();
            if (!file.isEmpty())
                waiting_.pop_front();
        }
    }
}

} // namespace folio
