// The benchmarks' temporary folders, the A4 archive and the per-step summaries.
#include "bench_support.h"

#include "archive/score_archive.h"
#include "platform/file_ops.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <ctime>
#include <random>
#include <stdexcept>
#include <unistd.h>

namespace folio::bench {
namespace {

namespace fs = std::filesystem;

constexpr QSize kA4At300Dpi{2480, 3508};
constexpr int kDistinctPages = 8;

// A page that decodes like a 300-dpi scan: staves and note heads on paper with scanner noise,
// which keeps the JPEG near the size of a real scan (about 2.6 MB).
QImage drawScan(int seed) {
    QImage page(kA4At300Dpi, QImage::Format_RGB32);
    page.fill(QColor(250, 248, 240));
    std::mt19937 random(static_cast<unsigned>(seed));
    {
        QPainter painter(&page);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::black, 4));
        for (int staff = 0; staff < 12; ++staff) {
            int top = 300 + staff * 260;
            for (int line = 0; line < 5; ++line)
                painter.drawLine(150, top + line * 24, 2330, top + line * 24);
            painter.setBrush(Qt::black);
            for (int note = 0; note < 28; ++note) {
                int x = 220 + note * 75 + static_cast<int>(random() % 20);
                int y = top - 24 + static_cast<int>(random() % 140);
                painter.drawEllipse(QPoint(x, y), 16, 12);
                painter.drawLine(x + 15, y, x + 15, y - 80);
            }
        }
    }
    for (int y = 0; y < page.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(page.scanLine(y));
        for (int x = 0; x < page.width(); ++x) {
            int grain = static_cast<int>(random() % 41) - 20;
            QRgb pixel = row[x];
            row[x] = qRgb(std::clamp(qRed(pixel) + grain, 0, 255),
                          std::clamp(qGreen(pixel) + grain, 0, 255),
                          std::clamp(qBlue(pixel) + grain, 0, 255));
        }
    }
    return page;
}

void linkOrThrow(const fs::path& source, const fs::path& link) {
    std::error_code ec;
    fs::create_hard_link(source, link, ec);
    if (ec)
        throw std::runtime_error("cannot link " + link.string() + ": " + ec.message());
}

} // namespace

ScratchFolder::ScratchFolder(const std::string& tag) {
    std::random_device seed;
    path_ = fs::temp_directory_path() / ("folio-bench-" + tag + "-" + std::to_string(::getpid()) +
                                         "-" + std::to_string(seed() % 1000000u));
    fs::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void writeA4Installation(const fs::path& folder) {
    const fs::path data = folder / "spartiti";
    fs::create_directories(data / "audio");
    std::vector<fs::path> scans;
    for (int i = 0; i < kDistinctPages; ++i) {
        fs::path scan = data / ("scan" + std::to_string(i) + ".jpg");
        if (!drawScan(i).save(QString::fromStdString(scan.string()), "JPG", 85))
            throw std::runtime_error("cannot write " + scan.string());
        scans.push_back(scan);
    }

    ScoreArchive archive;
    archive.setEntryCount(kScrollEntries);
    for (int n = 1; n <= kScrollEntries; ++n) {
        ScoreEntry& entry = archive.slot(n);
        entry.title = "Score number " + std::to_string(n);
        entry.author = "Composer " + std::to_string(n % 97);
        entry.tags = "piano sonata movement";
        entry.category = std::to_string(n % 33);
        linkOrThrow(scans[static_cast<std::size_t>((2 * n) % kDistinctPages)],
                    data / (std::to_string(n) + "L.jpg"));
        linkOrThrow(scans[static_cast<std::size_t>((2 * n + 1) % kDistinctPages)],
                    data / (std::to_string(n) + "R.jpg"));
    }
    FileResult written = rewriteAtomically(data / "archivio.js", archiveFileBytes(archive));
    if (!written.ok)
        throw std::runtime_error(written.error);
}

void reportMilliseconds(benchmark::State& state, const std::string& name,
                        std::vector<double> values) {
    if (values.empty())
        return;
    std::sort(values.begin(), values.end());
    auto at = [&](double fraction) {
        return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
    };
    state.counters[name + "_median_ms"] = at(0.5);
    state.counters[name + "_p90_ms"] = at(0.9);
    state.counters[name + "_max_ms"] = values.back();
}

double threadCpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

} // namespace folio::bench
