// The demo installation generator: a sample archive written by the core's own writer, drawn
// staff pages, the placeholder page, the category list and a few silent recordings.
#include "demo/generator/demo_installation.h"

#include "core/archive/score_archive.h"
#include "core/files/file_ops.h"
#include "core/files/installation.h"
#include "core/format/line_writer.h"
#include "core/midi/midi_store.h"
#include "core/playlists/playlist_store.h"
#include "platform/cp1252.h"
#include "platform/widgets.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <system_error>
#include <vector>

namespace folio::demo {
namespace {

namespace fs = std::filesystem;

// A score of the sample archive; texts are Windows-1252 bytes, as the core holds them.
struct SampleScore {
    const char* title;
    const char* author;
    const char* tags;
    const char* category;
};

// Invented titles and authors, besides a few public-domain classics. Entry 2 carries a comma,
// entries 3 and 4 accented letters, so that the demo shows what the file form must survive.
constexpr std::array<SampleScore, 12> kSampleScores{{
    {"Nocturne in E-flat major",
     "Fr\xe9"
     "d\xe9ric Chopin",
     "piano romantic night", "1"},
    {"Lanterns, Rain and Rivers", "Marta Sollen", "ballad slow voice", "24"},
    {"F\xfcr Elise", "Ludwig van Beethoven", "piano classic", "1"},
    {"Caf\xe9 on the Corner", "Am\xe9lie Durand", "waltz accordion", "22"},
    {"Blue Hour Shuffle", "The Harbour Quartet", "jazz swing", "2"},
    {"Gymnop\xe9"
     "die No. 1",
     "Erik Satie", "piano calm", "1"},
    {"Highway at Dawn", "Joe Kettering", "rock guitar", "4"},
    {"The Miller's Daughter", "traditional", "folk celtic fiddle", "25"},
    {"Canon in D", "Johann Pachelbel", "baroque strings wedding", "16"},
    {"Paper Boats", "Lina Okafor", "pop song", "3"},
    {"Slow Train Blues", "Sam Whitfield", "blues harmonica", "5"},
    {"Evening Prelude", "Clara Lindqvist", "piano prelude", "17"},
}};

constexpr std::array<const char*, 33> kCategoryNames{
    "Classical",        "Jazz",      "Pop",     "Rock",    "Blues",      "Folk",
    "Country",          "Soul",      "Funk",    "Reggae",  "Latin",      "Tango",
    "Bossa Nova",       "Swing",     "Gospel",  "Baroque", "Romantic",   "Opera",
    "Film Music",       "Musical",   "Ragtime", "Waltz",   "March",      "Ballad",
    "Celtic",           "Flamenco",  "Klezmer", "Disco",   "Electronic", "Hymn",
    "Children's Songs", "Exercises", "Other"};

constexpr int kJpegQuality = 85;

// Entries that get a recording: the first, the fifth and the last, which the main window
// opens on.
std::vector<int> audioEntries(int entries) {
    std::vector<int> numbers{1};
    if (entries >= 5)
        numbers.push_back(5);
    if (entries > 1 && entries != 5)
        numbers.push_back(entries);
    return numbers;
}

enum class Side { Left, Right };

// Which pages an entry has. A real archive has scores still waiting for their pages and
// single-page scores; entries ending in 4 have none, entries ending in 7 only a left page.
bool hasPage(int number, Side side, const DemoOptions& options) {
    if (options.everyEntryHasPages)
        return true;
    if (number % 10 == 4)
        return false;
    return side == Side::Left || number % 10 != 7;
}

ScoreEntry entryFor(int number) {
    if (number <= static_cast<int>(kSampleScores.size())) {
        const SampleScore& sample = kSampleScores[static_cast<std::size_t>(number - 1)];
        return {std::to_string(number), sample.title, sample.author, sample.tags, sample.category};
    }
    const SampleScore& model =
        kSampleScores[static_cast<std::size_t>(number) % kSampleScores.size()];
    return {std::to_string(number), "Study No. " + std::to_string(number), model.author,
            "study exercise", std::to_string((number - 1) % 33 + 1)};
}

void setError(QString* error, const QString& text) {
    if (error)
        *error = text;
}

QString pathText(const fs::path& path) {
    return QString::fromStdString(path.string());
}

// Five-line systems across the page; with notes, a few deterministic note heads and stems per
// bar so that the page reads as music at a glance.
void drawStaves(QPainter& painter, const QSize& size, double top, bool withNotes, unsigned seed) {
    const double unit = size.height() / 842.0;
    const double left = 48 * unit;
    const double right = size.width() - 48 * unit;
    const double lineGap = 7 * unit;
    const double systemGap = 62 * unit;
    std::minstd_rand random(seed + 1);

    painter.setPen(QPen(Qt::black, std::max(1.0, 0.8 * unit)));
    painter.setBrush(Qt::black);
    for (double y = top; y + 4 * lineGap < size.height() - 56 * unit; y += systemGap) {
        for (int line = 0; line < 5; ++line)
            painter.drawLine(QPointF(left, y + line * lineGap), QPointF(right, y + line * lineGap));
        const int bars = 4;
        const double barWidth = (right - left) / bars;
        for (int bar = 0; bar <= bars; ++bar) {
            const double x = left + bar * barWidth;
            painter.drawLine(QPointF(x, y), QPointF(x, y + 4 * lineGap));
        }
        if (!withNotes)
            continue;
        for (int bar = 0; bar < bars; ++bar) {
            for (int beat = 0; beat < 4; ++beat) {
                const double x = left + bar * barWidth + (beat + 0.6) * barWidth / 4.4;
                const int step = static_cast<int>(random() % 11); // a line or a space
                const double noteY = y + 4 * lineGap - step * lineGap / 2;
                painter.drawEllipse(QPointF(x, noteY), 4.2 * unit, 3.1 * unit);
                const double stemX = step < 5 ? x + 3.9 * unit : x - 3.9 * unit;
                const double stemEnd = step < 5 ? noteY - 24 * unit : noteY + 24 * unit;
                painter.drawLine(QPointF(stemX, noteY), QPointF(stemX, stemEnd));
            }
        }
    }
}

QFont pageFont(const QSize& size, double points, bool bold) {
    QFont font(QStringLiteral("Serif"));
    font.setPixelSize(std::max(6, static_cast<int>(points * size.height() / 842.0)));
    font.setBold(bold);
    return font;
}

QImage blankPage(const QSize& size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

QImage drawScorePage(const ScoreEntry& entry, int number, Side side, const QSize& size) {
    QImage image = blankPage(size);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const double unit = size.height() / 842.0;
    const QString sideText =
        side == Side::Left ? QStringLiteral("left page") : QStringLiteral("right page");

    painter.setPen(Qt::black);
    painter.setFont(pageFont(size, 22, true));
    painter.drawText(QRectF(0, 18 * unit, size.width(), 34 * unit), Qt::AlignCenter,
                     fromCp1252(entry.title));
    painter.setFont(pageFont(size, 12, false));
    painter.drawText(QRectF(0, 52 * unit, size.width(), 20 * unit), Qt::AlignCenter,
                     fromCp1252(entry.author));
    painter.drawText(QRectF(48 * unit, 76 * unit, size.width() - 96 * unit, 20 * unit),
                     Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("No. %1").arg(number));
    painter.drawText(QRectF(48 * unit, 76 * unit, size.width() - 96 * unit, 20 * unit),
                     Qt::AlignRight | Qt::AlignVCenter, sideText);

    drawStaves(painter, size, 112 * unit, true,
               static_cast<unsigned>(number * 2 + (side == Side::Right ? 1 : 0)));

    painter.setFont(pageFont(size, 10, false));
    painter.drawText(QRectF(0, size.height() - 40 * unit, size.width(), 20 * unit), Qt::AlignCenter,
                     QStringLiteral("%1 \u2013 %2").arg(number).arg(sideText));
    return image;
}

QImage drawPlaceholderPage(const QSize& size) {
    QImage image = blankPage(size);
    QPainter painter(&image);
    drawStaves(painter, size, 112 * size.height() / 842.0, false, 0);
    return image;
}

// Saves a JPEG in place of any earlier file: removing first keeps a rewrite from going through
// a hard link into the pages that share it.
bool saveJpeg(const QImage& image, const fs::path& target, QString* error) {
    std::error_code ec;
    fs::remove(target, ec);
    if (!image.save(pathText(target), "JPG", kJpegQuality)) {
        setError(error, QStringLiteral("The page %1 could not be written.").arg(pathText(target)));
        return false;
    }
    return true;
}

bool linkPage(const fs::path& source, const fs::path& target, QString* error) {
    std::error_code ec;
    fs::remove(target, ec);
    fs::create_hard_link(source, target, ec);
    if (ec) {
        setError(error, QStringLiteral("The page %1 could not be linked to %2: %3.")
                            .arg(pathText(target), pathText(source),
                                 QString::fromStdString(ec.message())));
        return false;
    }
    return true;
}

bool writeDataFile(const fs::path& target, std::string_view bytes, QString* error) {
    FileResult result = rewriteAtomically(target, bytes);
    if (!result.ok)
        setError(error, QString::fromStdString(result.error));
    return result.ok;
}

std::string categoryFileBytes() {
    LineWriter writer;
    writer.line("var generi = [");
    for (const char* name : kCategoryNames)
        writer.quotedValue(name);
    writer.line(" ];");
    return writer.take();
}

// MIDI set-ups for a few entries: a piano, a bass and drums, or strings over a pad; the record
// of entry 12 carries its key as "012", as older installations wrote some keys.
std::string midiFileBytes(int entries) {
    struct SampleSetUp {
        int entry;
        const char* key;
        std::array<const char*, 3> channels; // channels 1, 2 and 10; the others untouched
    };
    static constexpr SampleSetUp kSetUps[] = {
        {1, "1", {"000,000,000", "000,000,033", "000,000,025"}},
        {3, "3", {"000,000,048", "000,000,089", "000,000,000"}},
        {5, "5", {"121,000,004", "000,000,032", "000,000,016"}},
        {12, "012", {"000,000,040", "000,000,042", "000,000,000"}},
    };
    LineWriter writer;
    writer.line("var midi = [");
    for (const SampleSetUp& setUp : kSetUps) {
        if (setUp.entry > entries)
            continue;
        writer.quotedValue(setUp.key);
        for (int channel = 1; channel <= kMidiChannels; ++channel) {
            const char* text = channel == 1    ? setUp.channels[0]
                               : channel == 2  ? setUp.channels[1]
                               : channel == 10 ? setUp.channels[2]
                                               : "000,000,000";
            writer.quotedValue(text);
        }
    }
    writer.line(" ];");
    return writer.take();
}

// About a second of silence: MPEG-1 Layer III frames at 128 kbit/s and 44.1 kHz, joint
// stereo, without CRC. Zeroed side information means no main data, which decoders play as
// silence.
std::string silentMp3() {
    constexpr std::size_t kFrameBytes = 417; // 144 * 128000 / 44100, without padding
    constexpr int kFrames = 39;              // 1152 samples each
    std::string frame(kFrameBytes, '\0');
    frame[0] = '\xFF';
    frame[1] = '\xFB';
    frame[2] = '\x90';
    frame[3] = '\x64';
    std::string bytes;
    bytes.reserve(kFrameBytes * kFrames);
    for (int i = 0; i < kFrames; ++i)
        bytes += frame;
    return bytes;
}

// Three playlists: one whose name holds a comma, and one still without tracks. Only entries
// the archive holds are played.
std::string playlistFileBytesFor(int entries) {
    auto held = [entries](std::vector<int> numbers) {
        std::erase_if(numbers, [entries](int n) { return n > entries; });
        return buildTrackString(numbers);
    };
    return playlistFileBytes({{"Sunday morning", held({3, 1, 4, 2, 6})},
                              {"Rain, lanterns and night", held({2, 5, 7})},
                              {"New pieces", held({})}});
}

bool checkOptions(const DemoOptions& options, QString* error) {
    if (!ScoreArchive::isEntryNumber(options.entries)) {
        setError(error, QStringLiteral("The number of entries must be 1 to 9999, not %1.")
                            .arg(options.entries));
        return false;
    }
    if (options.pageSize.width() < 1 || options.pageSize.height() < 1) {
        setError(error, QStringLiteral("The page size must be at least 1 x 1 pixels."));
        return false;
    }
    if (options.distinctPages < 0) {
        setError(error, QStringLiteral("The number of distinct pages cannot be negative."));
        return false;
    }
    return true;
}

bool createFolders(const fs::path& folder, QString* error) {
    for (const fs::path& sub : {folder / "spartiti" / "audio", folder / "spartiti" / "images"}) {
        std::error_code ec;
        fs::create_directories(sub, ec);
        if (ec || !fs::is_directory(sub)) {
            setError(error, QStringLiteral("The folder %1 could not be created: %2.")
                                .arg(pathText(sub),
                                     QString::fromStdString(ec ? ec.message() : "not a folder")));
            return false;
        }
    }
    return true;
}

bool writeArchive(const Installation& installation, int entries, QString* error) {
    ScoreArchive archive;
    for (int n = 1; n <= entries; ++n)
        archive.slot(n) = entryFor(n);
    archive.setEntryCount(entries);
    FileResult result = saveArchive(archive, installation);
    if (!result.ok)
        setError(error, QString::fromStdString(result.error));
    return result.ok;
}

bool writePages(const Installation& installation, const DemoOptions& options, QString* error) {
    std::vector<fs::path> drawn;
    std::size_t pageIndex = 0;
    for (int n = 1; n <= options.entries; ++n) {
        const ScoreEntry entry = entryFor(n);
        for (Side side : {Side::Left, Side::Right}) {
            if (!hasPage(n, side, options))
                continue;
            const fs::path target =
                installation.resolve(side == Side::Left ? leftPagePath(n) : rightPagePath(n));
            const std::size_t index = pageIndex++;
            const bool link = options.distinctPages > 0 &&
                              index >= static_cast<std::size_t>(options.distinctPages);
            if (link) {
                if (!linkPage(drawn[index % drawn.size()], target, error))
                    return false;
                continue;
            }
            if (!saveJpeg(drawScorePage(entry, n, side, options.pageSize), target, error))
                return false;
            drawn.push_back(target);
        }
    }
    return true;
}

bool writeRecordings(const Installation& installation, int entries, QString* error) {
    const std::string mp3 = silentMp3();
    for (int n : audioEntries(entries)) {
        if (!writeDataFile(installation.resolve(audioPath(n)), mp3, error))
            return false;
    }
    return true;
}

// A page of the stand, which this project does not write: a stand-in that says what it is.
std::string standInPage(std::string_view title) {
    LineWriter writer;
    writer.line("<!DOCTYPE html>");
    writer.line("<html><head><meta charset=\"windows-1252\"><title>" + std::string(title) +
                "</title></head>");
    writer.line("<body><p>" + std::string(title) +
                ": a stand-in for the music stand's page.</p></body></html>");
    return writer.take();
}

// A data file as the stores create it when none exists: the first and the last line only.
std::string emptyDataFile(std::string_view arrayName) {
    LineWriter writer;
    writer.line("var " + std::string(arrayName) + " = [");
    writer.line(" ];");
    return writer.take();
}

// The stand's MIDI icon: a five-pin plug on a light blue disc.
bool writeMidiIcon(const fs::path& target, QString* error) {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x40, 0x95, 0xFD), 2));
    painter.setBrush(QColor(0xA0, 0xCB, 0xFE));
    painter.drawEllipse(QRectF(2, 2, 28, 28));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (const QPointF pin :
         {QPointF(9, 16), QPointF(11, 10), QPointF(16, 8), QPointF(21, 10), QPointF(23, 16)})
        painter.drawEllipse(pin, 2, 2);
    painter.end();
    std::error_code ec;
    fs::remove(target, ec);
    if (!image.save(pathText(target), "PNG")) {
        setError(error, QStringLiteral("The icon %1 could not be written.").arg(pathText(target)));
        return false;
    }
    return true;
}

// The other stand's scores. "Canon in D" and "Paper Boats" are in the sample archive too.
constexpr std::array<SampleScore, 12> kOtherScores{{
    {"Autumn Leaves Revisited", "Nora Vance", "jazz standard", "2"},
    {"Canon in D", "Johann Pachelbel", "baroque strings wedding", "16"},
    {"Moonlit Harbour", "Ivo Brandt", "ballad piano", "24"},
    {"Danza del Sol", "Rosa Mart\xedn", "latin dance", "11"},
    {"Paper Boats", "Lina Okafor", "pop song", "3"},
    {"Mountain Hymn", "traditional", "hymn choir", ""},
    {"Clockwork Rag", "Ben Tully", "ragtime piano", "21"},
    {"Northern Lights", "Solveig Aas", "film strings", "19"},
    {"Tango of the Two Cities", "Aldo Ferri", "tango bandoneon", "12"},
    {"Little March", "Pia Hoff", "march children", "23"},
    {"Rainy Day Bossa", "Lu\xeds Costa", "bossa guitar", "13"},
    {"Evening Bells", "Greta Holm", "waltz slow", "22"},
}};

} // namespace

bool generateOlderInstallation(const fs::path& folder, const DemoOptions& options, QString* error) {
    if (!generateDemoInstallation(folder, options, error))
        return false;
    // An older stand has never had these; a folder generated over a newer one loses them.
    std::error_code ec;
    for (const char* name : {"spartiti\\playlist.js", "spartiti\\midi.js", kDemoPdfName})
        fs::remove(folder / nativeRelativePath(name), ec);
    return writeDataFile(folder / "lumivora_4.html", standInPage("Lumivora 4"), error);
}

bool generateDeliveryFiles(const fs::path& folder, QString* error) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder)) {
        setError(error,
                 QStringLiteral("The folder %1 could not be created.").arg(pathText(folder)));
        return false;
    }
    return writeDataFile(folder / "lumivora_pro.html", standInPage("Lumivora Pro"), error) &&
           writeDataFile(folder / "ricerca_pro.html", standInPage("Ricerca Pro"), error) &&
           writeDataFile(folder / "playlist.js", emptyDataFile("playlist"), error) &&
           writeDataFile(folder / "midi.js", emptyDataFile("midi"), error) &&
           writeMidiIcon(folder / "iconamidi.png", error);
}

bool generateOtherDemoInstallation(const fs::path& folder, QSize pageSize, QString* error) {
    DemoOptions options;
    options.pageSize = pageSize;
    if (!checkOptions(options, error) || !createFolders(folder, error))
        return false;
    const Installation installation(folder);
    ScoreArchive archive;
    for (std::size_t i = 0; i < kOtherScores.size(); ++i) {
        const SampleScore& score = kOtherScores[i];
        const int n = static_cast<int>(i) + 1;
        archive.slot(n) = {std::to_string(n), score.title, score.author, score.tags,
                           score.category};
    }
    archive.setEntryCount(static_cast<int>(kOtherScores.size()));
    const FileResult saved = saveArchive(archive, installation);
    if (!saved.ok) {
        setError(error, QString::fromStdString(saved.error));
        return false;
    }
    for (int n = 1; n <= archive.entryCount(); ++n) {
        for (Side side : {Side::Left, Side::Right}) {
            const fs::path target =
                installation.resolve(side == Side::Left ? leftPagePath(n) : rightPagePath(n));
            if (!saveJpeg(drawScorePage(archive.slot(n), n, side, pageSize), target, error))
                return false;
        }
    }
    return writeDataFile(installation.resolve("spartiti\\generi.js"), categoryFileBytes(), error) &&
           saveJpeg(drawPlaceholderPage(pageSize), installation.resolve(placeholderPagePath),
                    error) &&
           writeDataFile(installation.resolve("lumivora_pro.html"), standInPage("Lumivora Pro"),
                         error);
}

bool writeDemoPdf(const fs::path& file, int pages, QString* error, const QString& title) {
    // Points: an A4 page is 595 x 842 of them, the size the staves are drawn for.
    const QSize a4(595, 842);
    QPdfWriter writer(pathText(file));
    writer.setResolution(72);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins({});
    writer.setTitle(title);
    QPainter painter;
    if (!painter.begin(&writer)) {
        setError(error,
                 QStringLiteral("The PDF file %1 could not be written.").arg(pathText(file)));
        return false;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    for (int page = 1; page <= pages; ++page) {
        if (page > 1)
            writer.newPage();
        painter.setPen(Qt::black);
        painter.setFont(pageFont(a4, 18, true));
        painter.drawText(QRectF(0, 24, a4.width(), 30), Qt::AlignCenter, title);
        drawStaves(painter, a4, 112, true, static_cast<unsigned>(1000 + page));
        // The page number large and light behind the music, readable in a thumbnail.
        painter.setPen(QColor(0x40, 0x95, 0xFD));
        painter.setFont(pageFont(a4, 260, true));
        painter.drawText(QRectF(0, 0, a4.width(), a4.height()), Qt::AlignCenter,
                         QString::number(page));
        painter.setPen(Qt::black);
        painter.setFont(pageFont(a4, 10, false));
        painter.drawText(QRectF(0, a4.height() - 40, a4.width(), 20), Qt::AlignCenter,
                         QStringLiteral("page %1 of %2").arg(page).arg(pages));
    }
    if (!painter.end()) {
        setError(error,
                 QStringLiteral("The PDF file %1 could not be written.").arg(pathText(file)));
        return false;
    }
    return true;
}

bool writeDemoImportFolder(const fs::path& folder, QString* error) {
    // None is in the sample archive: all of them are new scores.
    static const char* const titles[kDemoImportFiles] = {"Adagio in G minor",
                                                         "Air on the G string",
                                                         "Ave verum corpus",
                                                         "Barcarolle",
                                                         "Clair de lune",
                                                         "Eine kleine Nachtmusik",
                                                         "Gavotte en rondeau",
                                                         "Hallelujah",
                                                         "Jesu, joy of man's desiring",
                                                         "La donna \u00E8 mobile",
                                                         "Libertango",
                                                         "Meditation from Tha\u00EFs",
                                                         "Nessun dorma",
                                                         "Ode to joy",
                                                         "Pachelbel's Canon",
                                                         "Panis angelicus",
                                                         "R\u00EAverie",
                                                         "Salut d'amour",
                                                         "Sicilienne",
                                                         "The swan"};
    std::error_code ec;
    fs::create_directories(folder, ec);
    for (int i = 0; i < kDemoImportFiles; ++i) {
        const QString title = QString::fromUtf8(titles[i]);
        // Most scores fill two pages; a few fit on one, one needs three.
        const int pages = i % 7 == 3 ? 1 : i == 10 ? 3 : 2;
        if (!writeDemoPdf(folder / toFilePath(title + QStringLiteral(".pdf")), pages, error, title))
            return false;
    }
    return true;
}

bool generateDemoInstallation(const fs::path& folder, const DemoOptions& options, QString* error) {
    if (!checkOptions(options, error) || !createFolders(folder, error))
        return false;
    const Installation installation(folder);
    return writeArchive(installation, options.entries, error) &&
           writeDataFile(installation.resolve("spartiti\\generi.js"), categoryFileBytes(), error) &&
           writeDataFile(installation.resolve(kPlaylistFileName),
                         playlistFileBytesFor(options.entries), error) &&
           writeDataFile(installation.resolve(kMidiFileName), midiFileBytes(options.entries),
                         error) &&
           saveJpeg(drawPlaceholderPage(options.pageSize),
                    installation.resolve(placeholderPagePath), error) &&
           writePages(installation, options, error) &&
           writeRecordings(installation, options.entries, error) &&
           writeDemoPdf(installation.resolve(kDemoPdfName), kDemoPdfPages, error) &&
           writeDemoImportFolder(folder / kDemoImportFolder, error);
}

} // namespace folio::demo
