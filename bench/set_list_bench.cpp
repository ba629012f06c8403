// The set list on paper: a playlist of 500 tracks saved as a PDF file, against Qt's PDF writer
// drawing the same lines bare, with no wrapping or measuring, and saved the same way.
#include "bench_support.h"
#include "core/archive/score_archive.h"
#include "core/files/file_ops.h"
#include "windows/playlists/set_list.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <chrono>
#include <vector>

namespace folio::bench {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kTracks = 500;
// Each side is timed over a few saves in a row: one save is short beside the clock's steps.
constexpr int kRounds = 4;

// 500 tracks of the 9999-entry stand, one title in ten long enough to wrap.
SetListSection fiveHundredTracks() {
    ScoreArchive archive;
    archive.setEntryCount(ScoreArchive::kMaxEntries);
    for (int n = 1; n <= ScoreArchive::kMaxEntries; ++n) {
        ScoreEntry& entry = archive.slot(n);
        entry.number = std::to_string(n);
        entry.title = (n % 10 ? "Sonata no. "
                              : "Concerto for keyboard and strings with the long "
                                "cadenza in the third movement no. ") +
                      std::to_string(n * 7919 % 10007);
        entry.author = n % 2 ? "Beethoven" : "Chopin";
        entry.tags = "piano gig";
    }
    std::vector<int> tracks;
    for (int t = 0; t < kTracks; ++t)
        tracks.push_back(t * 17 % ScoreArchive::kMaxEntries + 1);
    return setListSection(archive, QStringLiteral("Saturday"), tracks);
}

// The floor: each row's five texts drawn on one line at fixed places, as far apart as the set
// list's rows, a new page when full.
bool bareLines(const SetListSection& section, const std::filesystem::path& file) {
    QBuffer document;
    document.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&document);
        setUpSetListPages(writer);
        QPainter painter(&writer);
        const QRect area = painter.viewport().adjusted(150, 150, -150, -150);
        painter.setFont(QFont(QStringLiteral("Verdana"), 16));
        painter.drawText(area.left(), area.top() + 60, section.name);
        painter.setFont(QFont(QStringLiteral("Verdana"), 10));
        // Rows as far apart as the set list sets them: the text's height and an eighth of the
        // margin.
        const int line = painter.fontMetrics().height() + 150 / 8;
        const int w = area.width();
        const int columns[] = {0, w * 6 / 100, w * 48 / 100, w * 70 / 100, w * 88 / 100};
        int y = area.top() + 150;
        int place = 0;
        for (const SetListTrack& track : section.tracks) {
            if (y + line > area.bottom()) {
                writer.newPage();
                y = area.top();
            }
            const QString texts[] = {QString::number(++place), track.title, track.author,
                                     track.tags, QString::number(track.entry)};
            for (int c = 0; c < 5; ++c)
                painter.drawText(area.left() + columns[c], y + line, texts[c]);
            y += line;
        }
    }
    const QByteArray& bytes = document.data();
    return rewriteAtomically(
               file, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())))
        .ok;
}

void BM_SetList_Pdf500(benchmark::State& state) {
    const SetListSection section = fiveHundredTracks();
    const std::vector<SetListSection> sections{section};
    SetListOptions options;
    options.standName = QStringLiteral("Stand");
    options.date = QDate(2026, 12, 31);
    ScratchFolder folder("set_list");
    const QString setList = QString::fromStdString((folder.path() / "set list.pdf").string());
    const std::filesystem::path bare = folder.path() / "bare.pdf";
    std::vector<double> ours, floor, ratio;
    std::size_t turn = 0;
    for (auto _ : state) {
        double oursMs = 0;
        double floorMs = 0;
        bool done = true;
        // Turn about, so that neither pays alone for a cold start or the other's writing back.
        for (int k = 0; k < 2; ++k) {
            const Clock::time_point start = Clock::now();
            if ((k == 0) == (turn % 2 == 0)) {
                for (int r = 0; r < kRounds; ++r)
                    done = done && writeSetListPdf(setList, sections, options).ok;
                oursMs = millisecondsSince(start) / kRounds;
            } else {
                for (int r = 0; r < kRounds; ++r)
                    done = done && bareLines(section, bare);
                floorMs = millisecondsSince(start) / kRounds;
            }
        }
        ++turn;
        if (!done) {
            state.SkipWithError("a PDF file was not written");
            return;
        }
        state.SetIterationTime(oursMs / 1e3);
        ours.push_back(oursMs);
        floor.push_back(floorMs);
        ratio.push_back(oursMs / floorMs);
    }
    reportMilliseconds(state, "set_list", ours);
    reportMilliseconds(state, "bare", floor);
    state.counters["ratio_median"] = medianOf(ratio);
}
BENCHMARK(BM_SetList_Pdf500)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
} // namespace folio::bench
