// The import's two workers: each score is drawn only once the one before it has gone to the
// writer, so that whatever the number of files, no more than one drawn score waits meanwhile.
#include "core/absorption/score_import.h"
#include "support/temp_installation.h"
#include "support/test_pdfs.h"
#include "windows/pdf_import/score_drawing.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace folio {
namespace {

TEST(ScoreDrawing, aScore_isDrawnOnlyOnceTheOneTwoBeforeItIsWritten) {
    test::TempInstallation stand;
    stand.write("spartiti\\m.jpg", "placeholder");
    constexpr int kScores = 6;
    std::vector<ScoreToDraw> scores;
    for (int k = 0; k < kScores; ++k) {
        // Plain A4 pages: quick to draw and slow to encode at 200 dpi, so a drawer that did not
        // wait would run ahead of the writer.
        const std::filesystem::path file = stand.path("new\\" + std::to_string(k) + ".pdf");
        test::writePdf(file, {test::kA4, test::kA4});
        scores.push_back({QString::fromStdString(file.string()),
                          ScoreEntry{"", "Score " + std::to_string(k), "", "", ""}});
    }
    const ScoreArchive archive;
    ScoreImport import(archive, stand.installation(), "2026-01-01 00-00-00");
    ScoreDrawing drawing(std::move(scores), import);
    int done = 0;
    std::vector<int> doneWhenDrawn(kScores, -1);
    QObject::connect(&drawing, &ScoreDrawing::drawing,
                     [&](int index) { doneWhenDrawn[static_cast<std::size_t>(index)] = done; });
    QObject::connect(&drawing, &ScoreDrawing::written, [&] { ++done; });
    QObject::connect(&drawing, &ScoreDrawing::skipped, [&] { ++done; });
    QSignalSpy finished(&drawing, &ScoreDrawing::finished);

    drawing.start();
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_EQ(import.written(), kScores);
    EXPECT_EQ(done, kScores);
    // Score k is drawn while k - 1 waits for the writer or is written, never while k - 2 is.
    for (int k = 0; k < kScores; ++k)
        EXPECT_GE(doneWhenDrawn[static_cast<std::size_t>(k)], k - 1) << "score " << k;
}

} // namespace
} // namespace folio
