// Importing a folder of PDF files as new scores, driven like a user: "Import scores…", a folder,
// "Whole folder", the list, "Import", the progress dialog and its Cancel, the report, the undo.
#include "app/program_windows.h"
#include "platform/browsing_lists.h"
#include "support/data_files.h"
#include "support/program_fixture.h"
#include "support/rows.h"
#include "support/stand_in_worker.h"
#include "support/test_pdfs.h"
#include "support/user_input.h"
#include "windows/pdf_import/pdf_pages.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <optional>
#include <signal.h>

namespace folio {
namespace {

namespace fs = std::filesystem;

QString qpath(const fs::path& path) {
    return QString::fromStdString(path.string());
}

QColor middleOf(const QImage& image) {
    return image.isNull() ? QColor() : image.pixelColor(image.rect().center());
}

class ScoreImportTest : public test::ProgramFixture {
protected:
    void open(int entries) {
        stand.write("spartiti\\archivio.js", test::songArchive(entries));
        stand.write("spartiti\\generi.js", test::categoryFile(3));
        QImage white(60, 80, QImage::Format_RGB32);
        white.fill(Qt::white);
        ASSERT_TRUE(white.save(qpath(stand.path("spartiti\\m.jpg")), "JPG"));
        windows.openMainWindow();
        main = windows.mainWindow();
        test::triggerEnabled(main->importScores);
        window = windows.scoreImportWindow();
        ASSERT_NE(window, nullptr);
    }
    // Lists every PDF file of folder, once their pages are counted.
    void listFolder(const char* folder) {
        ASSERT_TRUE(window->folders->setPath(qpath(stand.path(folder))));
        QTest::mouseClick(window->wholeFolderButton, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(window->allCounted(), 20000);
    }
    // Presses "Import" and waits for the report.
    void import() {
        QSignalSpy ended(window, &ScoreImportWindow::importEnded);
        ASSERT_TRUE(window->importButton->isEnabled()) << window->summary->text().toStdString();
        QTest::mouseClick(window->importButton, Qt::LeftButton);
        ASSERT_TRUE(ended.wait(60000));
    }
    // Draws through the test program's stand-in worker, which answers wrong as fault says for the
    // files whose name holds target (see stand_in_worker.h).
    void useStandIn(const char* fault, const char* target) {
        stand.write("worker.sh", std::string("#!/bin/sh\nexec \"$PROGRAM\" ") +
                                     test::kStandInWorker + " " + fault + " '" + target +
                                     "' \"$@\"\n");
        fs::permissions(stand.path("worker.sh"), fs::perms::owner_all);
        fs::remove(stand.path("questions.log"));
        qputenv("PROGRAM", QCoreApplication::applicationFilePath().toLocal8Bit());
        qputenv("FOLIO_STAND_IN_LOG", stand.path("questions.log").string().c_str());
        window->setDrawingProgram(qpath(stand.path("worker.sh")));
    }
    // The process that was asked question ("draw piece 4.pdf") first, and whether it was asked
    // anything after it.
    std::pair<qint64, bool> askedAndAfter(const QString& question) {
        const QStringList lines =
            QString::fromStdString(stand.read("questions.log")).split('\n', Qt::SkipEmptyParts);
        qint64 pid = 0;
        bool after = false;
        for (const QString& line : lines) {
            const qint64 asked = line.section(' ', 0, 0).toLongLong();
            if (pid == 0 && line.section(' ', 1) == question)
                pid = asked;
            else if (pid != 0 && asked == pid)
                after = true;
        }
        return {pid, after};
    }
    static bool running(qint64 pid) { return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) == 0; }
    QString cell(int row, int column) const { return window->list->item(row, column)->text(); }
    bool ticked(int row) const {
        return window->list->item(row, ScoreImportWindow::TitleColumn)->checkState() == Qt::Checked;
    }
    ScoreImportWindow* window = nullptr;
};

TEST_F(ScoreImportTest, aFolder_isListedImportedWithItsPagesReportedAndUndoneAsOne) {
    open(9);
    test::writePdf(stand.path("new\\Allegro \"vivace\".pdf"), {test::kA4, test::kA4});
    test::writePdf(stand.path("new\\Cantabile 2.pdf"), {test::kA4});
    test::writePdf(stand.path("new\\song 3.pdf"), {test::kA4, test::kA4});
    test::writePdf(stand.path("new\\Cantabile 10.PDF"), {{842, 595}, test::kA4});
    stand.write("new\\notes.pdf", "a text file named as a PDF");
    test::writePdf(stand.path("plain.pdf"), {test::kA4});
    ASSERT_TRUE(test::encryptPdf(stand.path("plain.pdf"), stand.path("new\\locked.pdf")));
    listFolder("new");

    struct Row {
        const char* what;
        QString title;
        QString pages;
        QString state;
        bool ticked;
    };
    // In name order, "2" before "10"; then the rows that start unticked.
    const Row rows[] = {
        {"a name the archive cannot carry", "Allegro vivace", "2", "ready", true},
        {"one page", "Cantabile 2", "1", "ready", true},
        {"a number in the name", "Cantabile 10", "2", "ready", true},
        {"locked", "locked", "", "locked by a password", false},
        {"a text file", "notes", "", "not a PDF", false},
        {"a title the archive has", "song 3", "2", "already in your archive", false},
    };
    ASSERT_EQ(window->list->rowCount(), 6);
    for (int row = 0; row < 6; ++row) {
        SCOPED_TRACE(rows[row].what);
        EXPECT_EQ(cell(row, ScoreImportWindow::TitleColumn), rows[row].title);
        EXPECT_EQ(cell(row, ScoreImportWindow::PagesColumn), rows[row].pages);
        EXPECT_EQ(cell(row, ScoreImportWindow::StateColumn), rows[row].state);
        EXPECT_EQ(ticked(row), rows[row].ticked);
    }
    EXPECT_EQ(window->summary->text(),
              "3 new score(s) will be added; the archive has room for 9990 more.");

    const int scrollBefore = main->VScroll1->maximum();
    window->author->setText("Anon");
    window->category->setCurrentIndex(window->category->findText("Genre 2"));
    import();

    ASSERT_EQ(state.archive.entryCount(), 12);
    EXPECT_EQ(state.archive.slot(10), (ScoreEntry{"10", "Allegro vivace", "Anon", "", "2"}));
    EXPECT_EQ(state.archive.slot(11).title, "Cantabile 2");
    EXPECT_EQ(state.archive.slot(12).title, "Cantabile 10");
    EXPECT_TRUE(stand.read("spartiti\\archivio.js").find("\"Cantabile 10\"") != std::string::npos);
    // Drawn as the PDF window draws them: 200 dpi, on white, page 1 left and page 2 right.
    const QImage left(qpath(stand.path("spartiti\\10L.jpg")), "JPG");
    EXPECT_EQ(left.size(), PdfPages::pixelSize(test::kA4));
    EXPECT_TRUE(test::near(middleOf(left), test::pageColour(0)));
    EXPECT_TRUE(test::near(left.pixelColor(5, 5), Qt::white));
    const QImage right(qpath(stand.path("spartiti\\10R.jpg")), "JPG");
    EXPECT_TRUE(test::near(middleOf(right), test::pageColour(1)));
    EXPECT_EQ(QImage(qpath(stand.path("spartiti\\12L.jpg")), "JPG").size(),
              PdfPages::pixelSize(QSizeF(842, 595)));
    EXPECT_TRUE(stand.read("spartiti\\11R.jpg") == stand.read("spartiti\\m.jpg"));
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages().front().startsWith(
        "3 score(s) were added to the archive and saved:\n10 Allegro vivace\n11 Cantabile 2\n12 "
        "Cantabile 10"));
    EXPECT_EQ(cell(0, ScoreImportWindow::StateColumn), "added as 10");
    EXPECT_FALSE(window->importButton->isEnabled());
    // The main window shows them at once.
    EXPECT_EQ(main->VScroll1->maximum(), scrollBefore + 3);

    main->updateUndoCommand();
    EXPECT_EQ(main->undoAbsorption->text(), "&Undo last import");
    test::triggerEnabled(main->undoAbsorption);
    ASSERT_EQ(dialogs.messages().size(), 2);
    EXPECT_TRUE(dialogs.messages().back().startsWith("The import of "));
    EXPECT_EQ(state.archive.entryCount(), 9);
    for (const char* page : {"spartiti\\10L.jpg", "spartiti\\11R.jpg", "spartiti\\12R.jpg"})
        EXPECT_FALSE(stand.exists(page)) << page;
}

TEST_F(ScoreImportTest, cancelPartWay_addsAndSavesTheScoresDoneAndNothingHalfWritten) {
    open(2);
    for (int k = 1; k <= 12; ++k)
        test::writePdf(
            stand.path("many\\piece " + std::to_string(k) + (k == 1 ? "\n" : "") + ".pdf"),
            {test::kA4, test::kA4});
    listFolder("many");
    // Cancel is clicked as the first score is written.
    QObject::connect(window, &ScoreImportWindow::scoreWritten, window, [this] {
        QProgressDialog* progress = window->progress();
        if (!progress || progress->wasCanceled())
            return;
        EXPECT_TRUE(progress->labelText().contains(" of 12: piece "))
            << progress->labelText().toStdString();
        auto* cancel = progress->findChild<QPushButton*>();
        ASSERT_NE(cancel, nullptr);
        QTest::mouseClick(cancel, Qt::LeftButton);
    });
    import();
    const int added = state.archive.entryCount() - 2;
    EXPECT_GE(added, 1);
    EXPECT_LT(added, 12);
    ScoreArchive saved;
    EXPECT_EQ(loadArchive(saved, stand.installation()), ArchiveLoad::Loaded);
    EXPECT_EQ(saved.entryCount(), 2 + added);
    for (int n = 3; n <= 2 + added; ++n) {
        EXPECT_TRUE(stand.exists(leftPagePath(n))) << n;
        EXPECT_TRUE(stand.exists(rightPagePath(n))) << n;
    }
    EXPECT_FALSE(stand.exists(leftPagePath(3 + added)));
    EXPECT_FALSE(stand.exists(rightPagePath(3 + added)));
    EXPECT_EQ(stand.temporaryFileCount(), 0);
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages().front().contains("The import was cancelled"));
    // The rows not imported stay ticked for another go.
    EXPECT_EQ(window->tickedCount(), 12 - added);
} // namespace

// Text typed into the main window's empty slot is settled before the import writes anything:
// added as a score here, and the imported scores come after it.
TEST_F(ScoreImportTest, textTypedAfterTheLastScore_isAddedFirstWhenTheUserSaysSo) {
    open(2);
    test::writePdf(stand.path("new\\Prelude.pdf"), {test::kA4});
    listFolder("new");
    main->VScroll1->setValue(3);
    QTest::keyClicks(main->Text2, "Typed");
    dialogs.setNextButton("Add it");
    import();
    ASSERT_EQ(state.archive.entryCount(), 4);
    EXPECT_EQ(state.archive.slot(3).title, "Typed");
    EXPECT_EQ(state.archive.slot(4).title, "Prelude");
    EXPECT_NE(stand.read("spartiti\\archivio.js").find("\"Typed\""), std::string::npos);
    EXPECT_TRUE(stand.exists("spartiti\\4L.jpg"));
    EXPECT_FALSE(stand.exists("spartiti\\3L.jpg"));
}

TEST_F(ScoreImportTest, capacity_isCheckedBeforeAnythingIsWritten) {
    open(9998);
    test::writePdf(stand.path("two\\a.pdf"), {test::kA4});
    test::writePdf(stand.path("two\\b.pdf"), {test::kA4});
    listFolder("two");
    EXPECT_EQ(window->summary->text(), "2 new score(s) will be added; the archive has room for 1 "
                                       "more. Untick 1 of them.");
    EXPECT_FALSE(window->importButton->isEnabled());
    EXPECT_FALSE(stand.exists(leftPagePath(9999)));

    window->list->item(1, ScoreImportWindow::TitleColumn)->setCheckState(Qt::Unchecked);
    import();
    EXPECT_EQ(state.archive.entryCount(), 9999);
    EXPECT_EQ(state.archive.slot(9999).title, "a");
    EXPECT_TRUE(stand.exists(leftPagePath(9999)));
}

// Another stand is not opened while an import runs: the import ends whole. Its report names
// twenty scores at most.
TEST_F(ScoreImportTest, anImportRunning_keepsTheStandOpenAndItsReportFitsTheScreen) {
    open(2);
    for (int k = 1; k <= 22; ++k)
        test::writePdf(
            stand.path("many\\piece " + std::to_string(k) + (k == 1 ? "\n" : "") + ".pdf"),
            {test::kA4});
    test::TempInstallation other;
    other.write("spartiti\\archivio.js", test::songArchive(1));
    listFolder("many");
    std::optional<bool> opened;
    QObject::connect(window, &ScoreImportWindow::scoreWritten, window, [&] {
        if (!opened)
            opened = windows.openStand(QString::fromStdString(other.root().string()));
    });
    import();
    ASSERT_TRUE(opened.has_value());
    EXPECT_FALSE(*opened);
    EXPECT_EQ(state.installation.root(), stand.root());
    EXPECT_EQ(state.archive.entryCount(), 24);
    ASSERT_EQ(dialogs.messages().size(), 1);
    const QStringList lines = dialogs.messages().front().split('\n');
    ASSERT_EQ(lines.size(), 21);
    EXPECT_EQ(lines[19], "21 piece 19");
    EXPECT_EQ(lines[20], "… and 3 more, 22 to 24: \"Library\" lists them all.");
}

// A title typed into a row is judged again: a row without one is ticked once it has one, and a
// row that matched the archive keeps the user's tick.
TEST_F(ScoreImportTest, titlesTypedInTheRows_areJudgedAgain) {
    open(3);
    test::writePdf(stand.path("two\\   .pdf"), {test::kA4});
    test::writePdf(stand.path("two\\song 2.pdf"), {test::kA4});
    listFolder("two");
    ASSERT_EQ(window->list->rowCount(), 2);
    EXPECT_EQ(cell(0, ScoreImportWindow::StateColumn), "needs a title");
    EXPECT_FALSE(window->list->item(0, ScoreImportWindow::TitleColumn)->flags() &
                 Qt::ItemIsUserCheckable);
    EXPECT_EQ(cell(1, ScoreImportWindow::StateColumn), "already in your archive");
    EXPECT_FALSE(window->importButton->isEnabled());

    window->list->item(0, ScoreImportWindow::TitleColumn)->setText("Nocturne");
    window->list->item(1, ScoreImportWindow::TitleColumn)->setText("Song 2, live");
    EXPECT_EQ(cell(0, ScoreImportWindow::StateColumn), "ready");
    EXPECT_TRUE(ticked(0));
    EXPECT_EQ(cell(1, ScoreImportWindow::StateColumn), "ready");
    EXPECT_FALSE(ticked(1));
    window->list->item(1, ScoreImportWindow::TitleColumn)->setText("SONG 3");
    EXPECT_EQ(cell(1, ScoreImportWindow::StateColumn), "already in your archive");
    EXPECT_EQ(window->summary->text(),
              "1 new score(s) will be added; the archive has room for 9996 more.");
}

// A title whose letters the stand's files cannot hold reads so in its row, with the note in its
// tip, until the user types a title of their own.
TEST_F(ScoreImportTest, titlesWithLettersOutsideTheFiles_readAdjusted) {
    open(3);
    const QString why = QStringLiteral(": the stand's files hold Western European letters only");
    test::writePdf(stand.path("letters\\Dvo\xC5\x99\xC3\xA1k - Humoreska.pdf"), {test::kA4});
    test::writePdf(stand.path("letters\\\xE6\x97\xA5\xE6\x9C\xAC.pdf"), {test::kA4});
    test::writePdf(stand.path("letters\\Largo.pdf"), {test::kA4});
    listFolder("letters");
    ASSERT_EQ(window->list->rowCount(), 3);
    // The row listing a file.
    const auto rowOf = [this](const QString& file) {
        for (int row = 0; row < window->list->rowCount(); ++row) {
            if (cell(row, ScoreImportWindow::FileColumn) == file)
                return row;
        }
        return -1;
    };
    const struct {
        const char* what;
        QString file;
        QString title;
        QString state;
        QString note;
    } rows[] = {
        {"a letter written as its nearest", QStringLiteral(u"Dvořák - Humoreska.pdf"),
         QStringLiteral(u"Dvorák - Humoreska"), "title adjusted",
         QStringLiteral(u"ř was written as r") + why},
        {"a title of plain letters", "Largo.pdf", "Largo", "ready", ""},
        {"a title of CJK only", QStringLiteral(u"日本.pdf"), "", "needs a title",
         QStringLiteral(u"日本 was left out, leaving nothing") + why},
    };
    test::forEachRow(rows, [&](const auto& row) {
        const int at = rowOf(row.file);
        ASSERT_GE(at, 0);
        const QTableWidgetItem* title = window->list->item(at, ScoreImportWindow::TitleColumn);
        EXPECT_EQ(title->text(), row.title);
        EXPECT_EQ(cell(at, ScoreImportWindow::StateColumn), row.state);
        EXPECT_EQ(title->toolTip(), row.note);
    });
    const int dvorak = rowOf(QStringLiteral(u"Dvořák - Humoreska.pdf"));
    window->list->item(dvorak, ScoreImportWindow::TitleColumn)->setText("Humoreska");
    EXPECT_EQ(cell(dvorak, ScoreImportWindow::StateColumn), "ready");
    const int largo = rowOf("Largo.pdf");
    window->list->item(largo, ScoreImportWindow::TitleColumn)
        ->setText(QStringLiteral(u"Largo ‐ Łódź"));
    EXPECT_EQ(cell(largo, ScoreImportWindow::TitleColumn), QStringLiteral(u"Largo - Lódz"));
    EXPECT_EQ(cell(largo, ScoreImportWindow::StateColumn), "title adjusted");
}

// Pages drawn by worker processes are the very bytes drawn here, in the files' order; a file gone
// since it was listed is skipped with its reason. Without a worker this process draws. A worker
// that stops, or answers what is not the file's pages, never stops the import: it is ended, its
// file is reported, and the other files are drawn.
TEST_F(ScoreImportTest, workerProcesses_drawTheSamePagesOrAreEndedWithoutHarm) {
    struct Row {
        const char* what;
        // The worker: the program itself (""), the stand-in with this fault for piece 4, or none
        // that can be started (nullptr). Each start is noted in started.log.
        const char* fault;
        // Why piece 4 was not added; nullptr when it was.
        const char* piece4;
    };
    const char* const stopped = "its pages could not be drawn (the drawing stopped)";
    const char* const wrong =
        "its pages could not be drawn (the drawing sent what is not its pages)";
    const Row rows[] = {
        {"the program's own workers", "", nullptr},
        {"no worker can be started", nullptr, nullptr},
        {"a worker that stops", "stop", stopped},
        {"a worker that stops half-way through the pages", "half", stopped},
        {"text in place of the pages", "garbage", wrong},
        {"a page of 100 GB announced", "huge", wrong},
        {"a page count that is not the one counted", "count", wrong},
        {"a page of another size than announced", "size", wrong},
    };
    open(2);
    const auto writePiece = [this](int k) {
        test::writePdf(
            stand.path("many\\piece " + std::to_string(k) + (k == 1 ? "\n" : "") + ".pdf"),
            std::vector<QSizeF>(k == 3 ? 1 : 2, k == 4 ? QSizeF(842, 595) : test::kA4));
    };
    for (int k = 1; k <= 5; ++k)
        writePiece(k);
    const QString archive = QString::fromStdString(stand.read("spartiti\\archivio.js"));
    const std::string placeholder = stand.read("spartiti\\m.jpg");
    qputenv("PROGRAM", QCoreApplication::applicationFilePath().toLocal8Bit());
    qputenv("FOLIO_STAND_IN_LOG", stand.path("questions.log").string().c_str());
    test::forEachRow(rows, [&](const Row& row) {
        // A row that failed half-way left its scores: the archive as it was first.
        if (state.archive.entryCount() > 2)
            test::triggerEnabled(main->undoAbsorption);
        const fs::path script = stand.path("worker.sh");
        const fs::path log = stand.path("started.log");
        fs::remove(log);
        fs::remove(stand.path("questions.log"));
        const std::string standIn = row.fault && *row.fault ? std::string(test::kStandInWorker) +
                                                                  " " + row.fault + " 'piece 4' "
                                                            : "";
        stand.write("worker.sh", "#!/bin/sh\necho started >> '" + log.string() +
                                     "'\nexec \"$PROGRAM\" " + standIn + "\"$@\"\n");
        fs::permissions(script, row.fault ? fs::perms::owner_all : fs::perms::none);
        window->setDrawingProgram(qpath(script));
        QTest::mouseClick(window->clearButton, Qt::LeftButton);
        writePiece(2);
        listFolder("many");
        fs::remove(stand.path("many\\piece 2.pdf"));
        dialogs.clear();
        import();

        EXPECT_EQ(stand.exists("started.log"), row.fault != nullptr);
        // A line break in a name never cuts the workers' questions in two.
        std::vector<std::string> imported = {"piece 1\n", "piece 3", "piece 4", "piece 5"};
        if (row.piece4)
            imported.erase(imported.begin() + 2);
        ASSERT_EQ(state.archive.entryCount(), 2 + static_cast<int>(imported.size()));
        PdfPages pages;
        for (int n = 3; n < 3 + static_cast<int>(imported.size()); ++n) {
            const std::string& name = imported[static_cast<std::size_t>(n - 3)];
            SCOPED_TRACE(name);
            EXPECT_EQ(state.archive.slot(n).title, name.substr(0, 7));
            ASSERT_EQ(pages.open(qpath(stand.path("many\\" + name + ".pdf"))), PdfOpen::Opened);
            QString why;
            EXPECT_TRUE(stand.read(leftPagePath(n)) == pages.pageJpeg(0, &why).toStdString());
            const std::string right = stand.read(rightPagePath(n));
            EXPECT_TRUE(right == (pages.pageCount() > 1 ? pages.pageJpeg(1, &why).toStdString()
                                                        : placeholder));
        }
        ASSERT_EQ(dialogs.messages().size(), 1);
        const QString report = dialogs.messages().front();
        EXPECT_TRUE(report.contains("piece 2.pdf: cannot be read")) << report.toStdString();
        if (row.piece4) {
            EXPECT_TRUE(report.contains(QStringLiteral("piece 4.pdf: %1").arg(row.piece4)))
                << report.toStdString();
            // The worker that answered wrong was ended: it was asked nothing more.
            const auto [pid, askedAfter] = askedAndAfter("draw piece 4.pdf");
            EXPECT_NE(pid, 0);
            EXPECT_FALSE(askedAfter);
            EXPECT_FALSE(running(pid));
        }
        // Back to the archive as it was, for the next row.
        test::triggerEnabled(main->undoAbsorption);
        EXPECT_EQ(QString::fromStdString(stand.read("spartiti\\archivio.js")), archive);
    });
}

// Cancel while a worker draws a score that never ends: the worker is ended at once, and the
// progress dialog stays, modal, until the import has ended; only then does a row read "added as".
TEST_F(ScoreImportTest, cancelWhileAWorkerDraws_keepsEveryWindowWaitingUntilTheImportHasEnded) {
    open(2);
    for (int k = 1; k <= 3; ++k)
        test::writePdf(stand.path("many\\piece " + std::to_string(k) + ".pdf"), {test::kA4});
    useStandIn("slow", "piece 2");
    listFolder("many");
    bool cancelled = false;
    QObject::connect(window, &ScoreImportWindow::scoreWritten, window, [&] {
        QProgressDialog* progress = window->progress();
        if (cancelled || !progress)
            return;
        cancelled = true;
        auto* cancel = progress->findChild<QPushButton*>();
        ASSERT_NE(cancel, nullptr);
        test::clickEnabled(cancel);
        EXPECT_TRUE(progress->isVisible());
        EXPECT_EQ(QApplication::activeModalWidget(), progress);
        EXPECT_EQ(progress->labelText(), "Stopping after the current score…");
        EXPECT_TRUE(cancel->isHidden());
        QTest::keyClick(progress, Qt::Key_Escape);
        EXPECT_TRUE(progress->isVisible());
        EXPECT_EQ(cell(0, ScoreImportWindow::StateColumn), "ready");
    });
    import();
    ASSERT_TRUE(cancelled);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(state.archive.entryCount(), 3);
    EXPECT_EQ(cell(0, ScoreImportWindow::StateColumn), "added as 3");
    EXPECT_EQ(cell(1, ScoreImportWindow::StateColumn), "ready");
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages().front().contains("The import was cancelled"));
    const auto [pid, askedAfter] = askedAndAfter("draw piece 2.pdf");
    EXPECT_NE(pid, 0);
    EXPECT_FALSE(running(pid));
}

// The archive saved by another program during an import is asked about right before the import
// saves: saved over when the user agrees; declined, nothing is saved and no row reads "added".
TEST_F(ScoreImportTest, anArchiveChangedElsewhere_isAskedAboutRightBeforeTheImportSaves) {
    struct Row {
        const char* what;
        bool yes;
    };
    const Row rows[] = {{"agreed", true}, {"declined", false}};
    open(2);
    int folder = 0;
    test::forEachRow(rows, [&](const Row& row) {
        const std::string name = "ask" + std::to_string(++folder);
        // Titles of their own: a row whose title the archive has starts unticked.
        test::writePdf(stand.path(name + "\\" + name + " one.pdf"), {test::kA4});
        test::writePdf(stand.path(name + "\\" + name + " two.pdf"), {test::kA4});
        QTest::mouseClick(window->clearButton, Qt::LeftButton);
        listFolder(name.c_str());
        const int before = state.archive.entryCount();
        const std::string other = test::songArchive(before + 5);
        const QMetaObject::Connection changing =
            QObject::connect(window, &ScoreImportWindow::scoreWritten, window,
                             [&] { stand.write("spartiti\\archivio.js", other); });
        dialogs.clear();
        dialogs.setNextAnswer(row.yes);
        import();
        QObject::disconnect(changing);

        ASSERT_EQ(dialogs.texts().size(), 2);
        EXPECT_TRUE(dialogs.texts().front().contains("was changed by another program"));
        ScoreArchive saved;
        ASSERT_EQ(loadArchive(saved, stand.installation()), ArchiveLoad::Loaded);
        if (row.yes) {
            EXPECT_EQ(state.archive.entryCount(), before + 2);
            EXPECT_EQ(saved.entryCount(), before + 2);
            EXPECT_EQ(cell(0, ScoreImportWindow::StateColumn),
                      QStringLiteral("added as %1").arg(before + 1));
            ASSERT_EQ(dialogs.messages().size(), 1);
        } else {
            EXPECT_EQ(state.archive.entryCount(), before);
            EXPECT_TRUE(stand.read("spartiti\\archivio.js") == other);
            EXPECT_EQ(cell(0, ScoreImportWindow::StateColumn), "ready");
            EXPECT_EQ(cell(1, ScoreImportWindow::StateColumn), "ready");
            ASSERT_EQ(dialogs.errors().size(), 1);
            EXPECT_TRUE(dialogs.errors().front().startsWith(
                "No score was added: archivio.js was changed by another program during the "
                "import, and you chose not to save over it.\nThe pages written lie under numbers "
                "that no entry has"))
                << dialogs.errors().front().toStdString();
        }
    });
}

// A file that makes the page count hang holds up no other row, and closing the window ends its
// worker without waiting for it.
TEST_F(ScoreImportTest, aCountThatHangs_holdsUpNoOtherRowNorTheWindowsClose) {
    open(2);
    for (const char* name : {"a.pdf", "b.pdf", "hang.pdf"})
        test::writePdf(stand.path(std::string("slow\\") + name), {test::kA4});
    useStandIn("hang", "hang");
    ASSERT_TRUE(window->folders->setPath(qpath(stand.path("slow"))));
    test::clickEnabled(window->wholeFolderButton);
    QTRY_COMPARE_WITH_TIMEOUT(cell(0, ScoreImportWindow::StateColumn), QString("ready"), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(cell(1, ScoreImportWindow::StateColumn), QString("ready"), 20000);
    EXPECT_EQ(cell(2, ScoreImportWindow::StateColumn), "reading…");
    QTRY_VERIFY(askedAndAfter("count hang.pdf").first != 0);
    const qint64 pid = askedAndAfter("count hang.pdf").first;
    EXPECT_TRUE(running(pid));

    QTest::keyClick(window, Qt::Key_Escape);
    QTRY_VERIFY(windows.scoreImportWindow() == nullptr);
    EXPECT_FALSE(running(pid));
}

} // namespace
} // namespace folio
