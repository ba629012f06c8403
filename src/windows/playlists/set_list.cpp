// The set list's pages: a heading per playlist, then one row per track whose cells wrap rather
// than cut, or, for the stage, the titles alone in the largest type that fits.
#include "windows/playlists/set_list.h"

#include "core/archive/score_archive.h"
#include "platform/cp1252.h"
#include "platform/widgets.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>
#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace folio {
namespace {

constexpr qreal kMarginPoints = 36;
const QString kFamily = QStringLiteral("Verdana");
// Stage type never grows beyond this, nor shrinks below the smaller size (a longer title then
// wraps instead).
constexpr qreal kStageLargest = 72;
constexpr qreal kStageSmallest = 20;
// Space between two titles of the stage copy, in lines.
constexpr qreal kStageSpacing = 0.3;

// A text laid out once within a width, wrapped at word boundaries or, where one word alone is
// wider than the width, anywhere: nothing is ever cut.
class Wrapped {
public:
    void layOut(const QString& text, const QFont& font, QPaintDevice* device, qreal width,
                Qt::Alignment align = Qt::AlignLeft) {
        // One layout serves row after row while the font stays: the layout takes the device's
        // resolution only when it is made, so another font needs a new one.
        if (!layout_ || font != font_) {
            layout_.emplace(text, font, device);
            font_ = font;
        } else {
            layout_->setText(text);
        }
        QTextOption option(align);
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout_->setTextOption(option);
        layout_->setCacheEnabled(true);
        height_ = 0;
        layout_->beginLayout();
        for (QTextLine line = layout_->createLine(); line.isValid(); line = layout_->createLine()) {
            line.setLineWidth(width);
            line.setPosition(QPointF(0, height_));
            height_ += line.height();
        }
        layout_->endLayout();
    }
    qreal height() const { return height_; }
    int lines() const { return std::max(1, layout_->lineCount()); }
    void draw(QPainter& painter, QPointF at) const { layout_->draw(&painter, at); }

private:
    std::optional<QTextLayout> layout_;
    QFont font_;
    qreal height_ = 0;
};

QString songCount(std::size_t count) {
    return count == 1 ? QStringLiteral("1 song") : QStringLiteral("%1 songs").arg(count);
}

class SetListPainter {
public:
    SetListPainter(QPagedPaintDevice& device, QPainter& painter, const SetListOptions& options)
        : device_(device), painter_(painter), options_(options) {
        const qreal dotsPerPoint = device.logicalDpiY() / 72.0;
        margin_ = kMarginPoints * dotsPerPoint;
        const QRect whole = painter.viewport();
        area_ = QRectF(margin_, margin_, whole.width() - 2 * margin_, whole.height() - 2 * margin_);
        y_ = area_.top();
    }

    bool section(const SetListSection& section, bool first) {
        if (!first && (!options_.continuous || y_ + 4 * margin_ > area_.bottom())) {
            if (!newPage())
                return false;
        } else if (!first) {
            y_ += margin_ / 2;
        }
        heading(section);
        return options_.stageCopy ? stageRows(section) : rows(section);
    }

private:
    bool newPage() {
        if (!device_.newPage())
            return false;
        y_ = area_.top();
        return true;
    }

    // Room for height more on this page, or a new page; a row taller than a page is drawn as
    // it is.
    bool makeRoom(qreal height) {
        if (y_ + height <= area_.bottom() || y_ <= area_.top())
            return true;
        return newPage();
    }

    void heading(const SetListSection& section) {
        QFont name(kFamily, 16);
        name.setBold(true);
        Wrapped title;
        title.layOut(section.name, name, &device_, area_.width());
        QStringList facts;
        if (!options_.standName.isEmpty())
            facts << options_.standName;
        if (options_.date.isValid())
            facts << QLocale().toString(options_.date, QLocale::LongFormat);
        facts << songCount(section.tracks.size());
        Wrapped line;
        const QFont small(kFamily, 10);
        line.layOut(facts.join(QStringLiteral("  \u00B7  ")), small, &device_, area_.width());
        title.draw(painter_, QPointF(area_.left(), y_));
        y_ += title.height();
        line.draw(painter_, QPointF(area_.left(), y_));
        y_ += line.height();
        painter_.drawLine(QPointF(area_.left(), y_ + 2), QPointF(area_.right(), y_ + 2));
        y_ += margin_ / 3;
    }

    bool rows(const SetListSection& section) {
        const QFont font(kFamily, 10);
        const qreal gap = margin_ / 4;
        const qreal width = area_.width();
        // Place, title, author, tags, entry number.
        const std::array<qreal, 5> widths{width * 0.07, width * 0.41, width * 0.22, width * 0.18,
                                          width * 0.12};
        std::array<Wrapped, 5> cells;
        for (const SetListTrack& track : section.tracks) {
            const std::array<QString, 5> texts{QString::number(++place_), track.title, track.author,
                                               track.tags, QString::number(track.entry)};
            qreal height = 0;
            for (std::size_t c = 0; c < cells.size(); ++c) {
                const Qt::Alignment align = c == 0 || c == 4 ? Qt::AlignRight : Qt::AlignLeft;
                cells[c].layOut(texts[c], font, &device_, widths[c] - gap, align);
                height = std::max(height, cells[c].height());
            }
            if (!makeRoom(height))
                return false;
            qreal x = area_.left();
            for (std::size_t c = 0; c < cells.size(); ++c) {
                cells[c].draw(painter_, QPointF(x, y_));
                x += widths[c];
            }
            y_ += height + gap / 2;
        }
        return true;
    }

    // The titles in the largest type in which all of them fit what is left of the page and no
    // word of theirs is wider than the page, within the stage's bounds; a long title wraps.
    qreal stagePointSize(const SetListSection& section) const {
        const qreal reference = 100;
        QFont font(kFamily);
        font.setPointSizeF(reference);
        font.setBold(true);
        const QFontMetricsF metrics(font, &device_);
        qreal widest = 1;
        qreal lines = 0;
        for (const SetListTrack& track : section.tracks) {
            const qreal advance = metrics.horizontalAdvance(track.title);
            lines += std::max<qreal>(1, std::ceil(advance / area_.width())) + kStageSpacing;
            for (const QStringView word :
                 QStringView(track.title).split(QLatin1Char(' '), Qt::SkipEmptyParts))
                widest = std::max(widest, metrics.horizontalAdvance(word.toString()));
        }
        const qreal byWidth = reference * area_.width() / widest;
        const qreal byHeight =
            reference * (area_.bottom() - y_) / (metrics.lineSpacing() * std::max<qreal>(1, lines));
        return std::clamp(std::min(byWidth, byHeight), kStageSmallest, kStageLargest);
    }

    bool stageRows(const SetListSection& section) {
        QFont font(kFamily);
        font.setPointSizeF(stagePointSize(section));
        font.setBold(true);
        Wrapped title;
        for (const SetListTrack& track : section.tracks) {
            ++place_;
            title.layOut(track.title, font, &device_, area_.width());
            if (!makeRoom(title.height()))
                return false;
            title.draw(painter_, QPointF(area_.left(), y_));
            // A little space between titles tells a wrapped title from the next one.
            y_ += title.height() * (1 + kStageSpacing / title.lines());
        }
        return true;
    }

    QPagedPaintDevice& device_;
    QPainter& painter_;
    const SetListOptions& options_;
    qreal margin_ = 0;
    QRectF area_;
    qreal y_ = 0;
    int place_ = 0;
};

} // namespace

SetListSection setListSection(const ScoreArchive& archive, const QString& name,
                              const std::vector<int>& entries) {
    SetListSection section;
    section.name = name;
    section.tracks.reserve(entries.size());
    for (int entry : entries) {
        SetListTrack track;
        track.entry = entry;
        if (entry >= 1 && entry <= archive.entryCount()) {
            const ScoreEntry& score = archive.slot(entry);
            track.title = fromCp1252(score.title);
            track.author = fromCp1252(score.author);
            track.tags = fromCp1252(score.tags);
        }
        section.tracks.push_back(std::move(track));
    }
    return section;
}

bool drawSetList(QPagedPaintDevice& device, const std::vector<SetListSection>& sections,
                 const SetListOptions& options) {
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    SetListPainter pages(device, painter, options);
    bool first = true;
    for (const SetListSection& section : sections) {
        if (!pages.section(section, first)) {
            painter.end();
            return false;
        }
        first = false;
    }
    return painter.end();
}

void setUpSetListPages(QPdfWriter& writer) {
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(300);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
}

FileResult writeSetListPdf(const QString& file, const std::vector<SetListSection>& sections,
                           const SetListOptions& options) {
    QBuffer document;
    document.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&document);
        setUpSetListPages(writer);
        writer.setTitle(sections.empty() ? QStringLiteral("Set list") : sections.front().name);
        if (!drawSetList(writer, sections, options))
            return FileResult::failure("The set list could not be drawn.");
    }
    const QByteArray& bytes = document.data();
    return rewriteAtomically(
        toFilePath(file),
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

} // namespace folio
