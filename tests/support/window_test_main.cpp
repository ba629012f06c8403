// Window tests run real widgets on the offscreen platform, on one screen of 1366 x 768 pixels:
// the smallest screen the program is made for. The user's settings live in a folder of the
// test program's own and start empty in every test, so that a folder a picker kept in one test
// never decides where another test's picker opens, and nothing reaches the real settings.
#include "support/stand_in_worker.h"
#include "windows/pdf_import/pdf_worker.h"

#include <QApplication>
#include <QByteArray>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <gtest/gtest.h>

namespace {

class FreshSettings : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Folioscribe"),
                  QStringLiteral("Folioscribe_pro"))
            .clear();
    }
};

} // namespace

int main(int argc, char* argv[]) {
    // The import's tests start this program again as their drawing worker.
    if (folio::isPdfWorkerRun(argc, argv))
        return folio::runPdfWorker(argc, argv);
    if (folio::test::isStandInWorkerRun(argc, argv))
        return folio::test::runStandInWorker(argc, argv);
    QTemporaryFile screens;
    QByteArray platform = "offscreen";
    if (screens.open()) {
        screens.write(R"({"screens": [{"name": "Screen", "x": 0, "y": 0, "width": 1366,
                          "height": 768, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
        screens.flush();
        platform += ":configfile=" + QFile::encodeName(screens.fileName());
    }
    qputenv("QT_QPA_PLATFORM", platform);
    QStandardPaths::setTestModeEnabled(true);
    const QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshSettings);
    return RUN_ALL_TESTS();
}
