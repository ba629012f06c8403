// PDF files for tests, drawn with QPdfWriter: page i carries a filled rectangle of its own
// colour in its middle third and its number as a label, so a drawn page shows which it was.
#pragma once

#include <QColor>
#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <filesystem>
#include <string>
#include <vector>

namespace folio::test {

inline QColor pageColour(int page) {
    return QColor::fromHsv((page * 67) % 360, 255, 210);
}

// Writes one page per size; sizes in points.
inline void writePdf(const std::filesystem::path& file, const std::vector<QSizeF>& sizes) {
    std::filesystem::create_directories(file.parent_path());
    QPdfWriter writer(QString::fromStdString(file.string()));
    writer.setResolution(72);
    writer.setPageMargins({});
    writer.setPageSize(QPageSize(sizes.front(), QPageSize::Point));
    QPainter painter(&writer);
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        if (i > 0) {
            writer.setPageSize(QPageSize(sizes[i], QPageSize::Point));
            writer.newPage();
        }
        const QSizeF size = sizes[i];
        const QRectF middle(size.width() / 3, size.height() / 3, size.width() / 3,
                            size.height() / 3);
        painter.fillRect(middle, pageColour(static_cast<int>(i)));
        painter.drawText(QPointF(20, 40), QStringLiteral("Page %1").arg(i + 1));
    }
}

inline const QSizeF kA4{595, 842};

// A PDF whose page tree is empty, with a correct cross-reference table.
inline std::string pdfWithoutPages() {
    std::string out = "%PDF-1.4\n";
    std::vector<std::size_t> offsets;
    for (const char* object :
         {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>"}) {
        offsets.push_back(out.size());
        out += std::to_string(offsets.size()) + " 0 obj\n" + object + "\nendobj\n";
    }
    const std::size_t table = out.size();
    out += "xref\n0 3\n0000000000 65535 f \n";
    for (std::size_t offset : offsets) {
        std::string number = std::to_string(offset);
        out += std::string(10 - number.size(), '0') + number + " 00000 n \n";
    }
    return out + "trailer\n<< /Size 3 /Root 1 0 R >>\nstartxref\n" + std::to_string(table) +
           "\n%%EOF\n";
}

// Encrypts a PDF with user password "user" (owner "owner"); false when qpdf fails.
inline bool encryptPdf(const std::filesystem::path& in, const std::filesystem::path& out) {
    return QProcess::execute(QStringLiteral("qpdf"), {"--encrypt", "user", "owner", "256", "--",
                                                      QString::fromStdString(in.string()),
                                                      QString::fromStdString(out.string())}) == 0;
}

// True when two colours differ by at most tolerance in each channel (JPEG is lossy).
inline bool near(QColor a, QColor b, int tolerance = 24) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

} // namespace folio::test
