// Generates an installation folder for trying Folioscribe out and for benchmarks: a sample
// archive, drawn page images, the placeholder page, the category list, a few recordings, MIDI
// set-ups, a PDF score to import pages from and a folder of PDF scores to import as new ones.
#pragma once

#include <QSize>
#include <QString>
#include <filesystem>

namespace folio::demo {

struct DemoOptions {
    // Scores in the archive (1 to 9999). The default sample archive has about a dozen.
    int entries = 12;
    // Pixel size of each page image. A4 at 300 dpi is 2480 x 3508.
    QSize pageSize{595, 842};
    // With 0 every page is drawn on its own; with N > 0 only N distinct pages are drawn and the
    // others are hard links to them (large benchmark archives stay small on disk).
    int distinctPages = 0;
    // True: every entry gets a left and a right page. False: a few entries are left without
    // pages or with only a left page, as in a real archive.
    bool everyEntryHasPages = false;
};

// The PDF file of the demo installation, in its folder where "Import PDF…" starts, and its pages.
inline constexpr const char* kDemoPdfName = "demo-score.pdf";
inline constexpr int kDemoPdfPages = 4;

// Writes an A4 score of pages pages to file, each with title, staves and its number drawn large.
bool writeDemoPdf(const std::filesystem::path& file, int pages, QString* error,
                  const QString& title = QStringLiteral("Demo score from a PDF"));

// The folder of the demo installation holding PDF files to import as new scores with "Import
// scores…", and how many it holds.
inline constexpr const char* kDemoImportFolder = "scores-to-import";
inline constexpr int kDemoImportFiles = 20;

// Writes kDemoImportFiles PDF scores into folder (created if needed), named by their titles,
// most of two pages, some of one or three.
bool writeDemoImportFolder(const std::filesystem::path& folder, QString* error);

// Writes the installation into folder (created if needed). Returns false and sets error if a
// file could not be written.
bool generateDemoInstallation(const std::filesystem::path& folder, const DemoOptions& options,
                              QString* error);

// Writes an installation of the previous stand version into folder, for trying the upgrade tool:
// the demo archive with its pages and recordings, the old page "lumivora_4.html" and the folder
// spartiti/images, but no playlist and no MIDI file.
bool generateOlderInstallation(const std::filesystem::path& folder, const DemoOptions& options,
                               QString* error);

// Writes the files that the upgrade tool delivers beside the two programs into folder (created
// if needed): stand-ins for the stand's pages "lumivora_pro.html" and "ricerca_pro.html" and its
// icon "iconamidi.png", and the empty playlist and MIDI files.
bool generateDeliveryFiles(const std::filesystem::path& folder, QString* error);

// Writes a second stand's installation into folder, to absorb scores from: a dozen other
// scores with both pages, two of them also in the sample archive, and the stand's page
// lumivora_pro.html to click in "Merging".
bool generateOtherDemoInstallation(const std::filesystem::path& folder, QSize pageSize,
                                   QString* error);

} // namespace folio::demo
