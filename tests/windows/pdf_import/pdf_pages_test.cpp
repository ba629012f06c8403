// The PDF page drawer on files made here: sizes by the 200 dpi rule and its cap, pages drawn on
// white with their own content, and each kind of bad file told apart.
#include "support/temp_installation.h"
#include "support/test_pdfs.h"
#include "windows/pdf_import/pdf_pages.h"

#include <QImage>
#include <functional>
#include <gtest/gtest.h>

namespace folio {
namespace {

namespace fs = std::filesystem;

struct Row {
    const char* name;
    // Writes the file to open, below a scratch folder, and returns it.
    std::function<fs::path(const test::TempInstallation&)> make;
    QString password;
    PdfOpen expected;
    int pages = 0;
    // Pixel size of the first and of the last page.
    QSize first = {};
    QSize last = {};
};

fs::path writeDocument(const test::TempInstallation& t, const std::vector<QSizeF>& sizes) {
    const fs::path file = t.path("in\\score.pdf");
    test::writePdf(file, sizes);
    return file;
}

fs::path encrypted(const test::TempInstallation& t) {
    const fs::path plain = writeDocument(t, {test::kA4, {842, 595}});
    const fs::path locked = t.path("in\\locked.pdf");
    EXPECT_TRUE(test::encryptPdf(plain, locked)) << "qpdf is needed (scripts/ensure-deps.sh)";
    return locked;
}

fs::path withBytes(const test::TempInstallation& t, const std::string& bytes) {
    t.write("in\\file.pdf", bytes);
    return t.path("in\\file.pdf");
}

TEST(PdfPagesTest, open_sizesPagesAndTellsBadFilesApart) {
    const QSizeF landscape{842, 595};
    // A poster 5 m by 1 m.
    const QSizeF poster{5000 / 25.4 * 72, 1000 / 25.4 * 72};
    const std::vector<Row> rows{
        {"a4 and landscape",
         [&](auto& t) {
             return writeDocument(t, {test::kA4, landscape});
         },
         {},
         PdfOpen::Opened,
         2,
         {1653, 2339},
         {2339, 1653}},
        {"poster capped",
         [&](auto& t) { return writeDocument(t, {poster}); },
         {},
         PdfOpen::Opened,
         1,
         {4000, 800},
         {4000, 800}},
        {"not a pdf",
         [](auto& t) { return withBytes(t, "Title,Author\r\n"); },
         {},
         PdfOpen::NotPdf},
        {"truncated",
         [](auto& t) {
             writeDocument(t, {test::kA4});
             const std::string whole = t.read("in\\score.pdf");
             return withBytes(t, whole.substr(0, whole.size() / 2));
         },
         {},
         PdfOpen::Damaged},
        {"no pages",
         [](auto& t) { return withBytes(t, test::pdfWithoutPages()); },
         {},
         PdfOpen::NoPages},
        {"folder in its place",
         [](auto& t) {
             fs::create_directories(t.path("in\\folder.pdf"));
             return t.path("in\\folder.pdf");
         },
         {},
         PdfOpen::Unreadable},
        {"locked without password", encrypted, {}, PdfOpen::NeedsPassword},
        {"locked, wrong password", encrypted, "guess", PdfOpen::WrongPassword},
        {"locked, right password",
         encrypted,
         "user",
         PdfOpen::Opened,
         2,
         {1653, 2339},
         {2339, 1653}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempInstallation scratch(false);
        const fs::path file = row.make(scratch);
        PdfPages pdf;
        ASSERT_EQ(pdf.open(QString::fromStdString(file.string()), row.password), row.expected);
        EXPECT_EQ(pdf.pageCount(), row.pages);
        EXPECT_EQ(PdfPages::problemText(row.expected, "x.pdf").isEmpty(),
                  row.expected == PdfOpen::Opened);
        if (row.expected != PdfOpen::Opened) {
            QString why;
            EXPECT_TRUE(pdf.pageJpeg(0, &why).isEmpty());
            continue;
        }
        for (int page : {0, row.pages - 1}) {
            QString why;
            const QImage written = QImage::fromData(pdf.pageJpeg(page, &why), "JPG");
            ASSERT_FALSE(written.isNull()) << why.toStdString();
            EXPECT_EQ(written.size(), page == 0 ? row.first : row.last);
            // The page's own colour in the middle, white (not the black of a transparent
            // background turned into JPEG) in a corner.
            EXPECT_TRUE(
                test::near(written.pixelColor(written.rect().center()), test::pageColour(page)));
            EXPECT_TRUE(test::near(written.pixelColor(written.width() - 2, written.height() - 2),
                                   Qt::white));
        }
        EXPECT_TRUE(pdf.render(row.pages, {10, 10}).isNull());
    }
}

} // namespace
} // namespace folio
