// Window tests run real widgets on the offscreen platform, on one screen of 1366 x 768 pixels:
// the smallest screen the program is made for.
#include <QApplication>
#include <QByteArray>
#include <QTemporaryFile>
#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
    QTemporaryFile screens;
    QByteArray platform = "offscreen";
    if (screens.open()) {
        screens.write(R"({"screens": [{"name": "Screen", "x": 0, "y": 0, "width": 1366,
                          "height": 768, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
        screens.flush();
        platform += ":configfile=" + QFile::encodeName(screens.fileName());
    }
    qputenv("QT_QPA_PLATFORM", platform);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
