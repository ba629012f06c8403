// Titles from file names and the order a folder's PDF files are taken in.
#include "support/rows.h"
#include "support/temp_installation.h"
#include "windows/pdf_import/import_rows.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace folio {
namespace {

TEST(ImportRows, titleFromFileName_takesWhatATextBoxWouldTake) {
    struct Row {
        const char* what;
        QString name;
        QString title;
    };
    const QString longStem(240, QLatin1Char('x'));
    const Row rows[] = {
        {"the name without .pdf", "Canon in D.pdf", "Canon in D"},
        {".pdf in any letter case", "Canon.PDF", "Canon"},
        {"only the last .pdf", "notes.pdf.pdf", "notes.pdf"},
        {"accents the archive carries stay", u"F\u00FCr Elise.pdf"_qs, u"F\u00FCr Elise"_qs},
        {"letters the archive cannot carry take their nearest form", u"Dvo\u0159\u00E1k.pdf"_qs,
         u"Dvor\u00E1k"_qs},
        {"quotes and backslashes go", "Ave \"Maria\" \\ 2.pdf", "Ave Maria  2"},
        {"blanks at either end go", "  Largo  .pdf", "Largo"},
        {"a name of blanks gives none", "   .pdf", ""},
        {"a long name stays whole", longStem + ".pdf", longStem},
    };
    test::forEachRow(rows, [](const Row& row) {
        EXPECT_EQ(titleFromFileName(row.name).text, row.title) << row.name.toStdString();
    });
}

TEST(ImportRows, pdfFilesIn_areTakenInNameOrderAsPeopleReadIt) {
    test::TempInstallation folder(false);
    for (const char* name : {"Sonata 10.pdf", "sonata 2.PDF", "Allegro.pdf", "notes.txt",
                             "\xC3\x89tude.pdf", "Zelda.pdf",
                             "\xC5\x81\xC3\xB3"
                             "d\xC5\xBA.pdf"})
        folder.write(std::string("scores\\") + name, "x");
    folder.write("scores\\folder.pdf\\inside.pdf", "x");
    const QString scores = QString::fromStdString(folder.path("scores").string());
    QStringList names;
    for (const QString& file : pdfFilesIn(scores)) {
        EXPECT_EQ(QFileInfo(file).absolutePath(), QDir(scores).absolutePath());
        names << QFileInfo(file).fileName();
    }
    // A letter outside Windows-1252 sorts as the letter it is written as.
    EXPECT_EQ(names,
              QStringList({"Allegro.pdf", u"\u00C9tude.pdf"_qs, u"\u0141\u00F3d\u017A.pdf"_qs,
                           "sonata 2.PDF", "Sonata 10.pdf", "Zelda.pdf"}));
}

} // namespace
} // namespace folio
