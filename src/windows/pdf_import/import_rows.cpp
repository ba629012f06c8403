// Titles from file names, the PDF files of a folder, and the page counter's worker.
#include "windows/pdf_import/import_rows.h"

#include "core/archive/library.h"
#include "platform/cp1252.h"
#include "platform/field_text.h"

#include <QDir>
#include <QMetaObject>
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace folio {

QString titleFromFileName(const QString& fileName) {
    QString stem = fileName;
    if (stem.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        stem.chop(4);
    return withoutUnsafeCharacters(stem).trimmed();
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
    // Names sort as the library sorts titles: "2" before "10", letter case and accents aside.
    std::vector<std::pair<std::string, QString>> keyed;
    keyed.reserve(static_cast<std::size_t>(names.size()));
    for (const QString& name : names)
        keyed.emplace_back(sortKey(toCp1252(name)), name);
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
    const bool twoPages = pages.pageCount() >= 2;
    if (twoPages && !drawn.left.isNull())
        drawn.right = pages.render(1, pages.pixelSize(1));
    pages.close();
    if (drawn.left.isNull() || (twoPages && drawn.right.isNull())) {
        drawn.problem = QStringLiteral("page %1 cannot be drawn").arg(drawn.left.isNull() ? 1 : 2);
        drawn.left = drawn.right = QImage();
    }
    return drawn;
}

PageCounter::PageCounter(QObject* parent) : QObject(parent) {
    worker_ = std::thread([this] { work(); });
}

PageCounter::~PageCounter() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        waiting_.clear();
    }
    wake_.notify_all();
    worker_.join();
}

void PageCounter::count(const QStringList& files) {
    {
        std::lock_guard lock(mutex_);
        waiting_.insert(waiting_.end(), files.begin(), files.end());
    }
    wake_.notify_one();
}

void PageCounter::work() {
    PdfPages pages;
    for (;;) {
        QString file;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
            if (stopping_)
                return;
            file = waiting_.front();
            waiting_.pop_front();
        }
        const PdfOpen outcome = pages.open(file);
        const int count = outcome == PdfOpen::Opened ? pages.pageCount() : 0;
        pages.close();
        QMetaObject::invokeMethod(
            this, [this, file, outcome, count] { emit counted(file, outcome, count); },
            Qt::QueuedConnection);
    }
}

} // namespace folio
