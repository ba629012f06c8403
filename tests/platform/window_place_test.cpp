// Where a window opened from the main window goes, on screens and main window places of
// several kinds.
#include "platform/window_place.h"
#include "support/qt_printers.h"

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <gtest/gtest.h>
#include <string>

namespace folio {
namespace {

// A main window's frame at left, top with its fields where the main window draws them: a
// 4-pixel border, a 30-pixel title bar and a 22-pixel menu bar around a 734 x 624 area.
struct MainWindow {
    QRect frame;
    QList<QRect> fields;
    QRect titleBox, pages, scrollBar;
};

MainWindow mainWindowAt(int left, int top) {
    const QPoint area{left + 4, top + 30 + 22};
    auto at = [&](int x, int y, int w, int h) { return QRect(area + QPoint(x, y), QSize(w, h)); };
    MainWindow main{QRect(left, top, 742, 680),
                    {},
                    at(8, 8, 681, 33),
                    at(8, 232, 681, 281),
                    at(696, 8, 33, 609)};
    // Boxes, number, pages, count and scroll bar; the buttons show nothing and may be covered.
    main.fields = {main.titleBox,         at(8, 72, 681, 33),   at(8, 136, 681, 33),
                   at(8, 184, 681, 41),   at(8, 232, 329, 281), at(360, 232, 329, 281),
                   at(160, 576, 369, 41), main.scrollBar};
    return main;
}

std::string text(const QRect& r) {
    return QStringLiteral("%1,%2 %3x%4")
        .arg(r.x())
        .arg(r.y())
        .arg(r.width())
        .arg(r.height())
        .toStdString();
}

qint64 coveredFields(const QRect& window, const QList<QRect>& fields) {
    qint64 area = 0;
    for (const QRect& field : fields) {
        const QRect covered = window.intersected(field);
        area += covered.isEmpty() ? 0 : qint64(covered.width()) * covered.height();
    }
    return area;
}

TEST(PlaceBeside, besideTheMainWindowWhereThereIsRoomElseOverItsLeastFields) {
    enum class Side { Right, Left, Below, LeastCovering };
    const QSize findBox{424, 112};
    const QSize midiWindow{584, 614};
    const QSize audioWindow{801, 503};
    struct Case {
        const char* what;
        QRect room;
        QPoint mainAt;
        QSize window;
        Side side;
    };
    const Case cases[] = {
        {"wide screen, main window at its left",
         {0, 0, 1920, 1040},
         {26, 26},
         midiWindow,
         Side::Right},
        {"wide screen, main window at its right",
         {0, 0, 1920, 1040},
         {1150, 26},
         midiWindow,
         Side::Left},
        {"second screen", {1920, 0, 1280, 984}, {1940, 20}, findBox, Side::Right},
        {"narrow screen, main window centred",
         {0, 0, 1400, 1000},
         {329, 100},
         findBox,
         Side::Below},
        {"1366 x 768, main window at the left", {0, 0, 1366, 728}, {0, 0}, midiWindow, Side::Right},
        {"1366 x 768, main window centred",
         {0, 0, 1366, 728},
         {312, 20},
         findBox,
         Side::LeastCovering},
        {"1366 x 768, main window centred",
         {0, 0, 1366, 728},
         {312, 20},
         audioWindow,
         Side::LeastCovering},
        {"window larger than the screen",
         {0, 0, 1024, 600},
         {100, 0},
         {1100, 700},
         Side::LeastCovering},
    };
    for (const Case& c : cases) {
        const MainWindow main = mainWindowAt(c.mainAt.x(), c.mainAt.y());
        const QRect placed{placeBeside(c.room, main.frame, main.fields, c.window), c.window};
        const bool fits =
            c.window.width() <= c.room.width() && c.window.height() <= c.room.height();
        EXPECT_TRUE(fits ? c.room.contains(placed) : placed.topLeft() == c.room.topLeft())
            << c.what << " " << text(placed);
        switch (c.side) {
        case Side::Right:
            EXPECT_GT(placed.left(), main.frame.right()) << c.what;
            break;
        case Side::Left:
            EXPECT_LT(placed.right(), main.frame.left()) << c.what;
            break;
        case Side::Below:
            EXPECT_GT(placed.top(), main.frame.bottom()) << c.what;
            break;
        case Side::LeastCovering:
            // No other place within the room covers less: try every place on a 2-pixel grid.
            const qint64 covered = coveredFields(placed, main.fields);
            for (int x = c.room.left(); fits && x + c.window.width() <= c.room.right() + 1; x += 2)
                for (int y = c.room.top(); y + c.window.height() <= c.room.bottom() + 1; y += 2)
                    ASSERT_LE(covered, coveredFields({QPoint(x, y), c.window}, main.fields))
                        << c.what << " " << text(placed) << " vs " << x << "," << y;
            break;
        }
        if (c.side != Side::LeastCovering) {
            EXPECT_FALSE(placed.intersects(main.frame)) << c.what;
        }
        if (c.window == findBox) {
            EXPECT_EQ(coveredFields(placed, {main.titleBox, main.pages, main.scrollBar}), 0)
                << c.what << " " << text(placed);
        }
    }
}

} // namespace
} // namespace folio

namespace folio {
namespace {

// A window kept across runs opens, in the next run, at the size and place the user left it,
// within the 1366 x 768 screen; one not kept opens as it is.
TEST(WindowPlaces, keptWindows_takeBackTheirSizeAndPlaceInTheNextRun) {
    struct Row {
        const char* what;
        const char* name;
        QRect left; // where the user left it in the first run
        QRect next; // where the next run shows it; empty: where the first run left it
    };
    const Row rows[] = {
        {"kept", "library", QRect(200, 150, 500, 400), QRect()},
        {"kept, left partly off the screen", "midifrm", QRect(1200, 700, 400, 300),
         QRect(966, 468, 400, 300)},
        {"not kept", "other", QRect(200, 150, 500, 400), QRect(0, 0, 300, 200)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const QStringList kept{QStringLiteral("library"), QStringLiteral("midifrm")};
        QRect leftAt; // its frame's place, with its size
        {
            WindowPlaces firstRun;
            firstRun.keepAcrossRuns(kept);
            QWidget window;
            window.setObjectName(QString::fromUtf8(row.name));
            window.resize(300, 200);
            firstRun.place(&window, nullptr);
            window.show();
            window.setGeometry(row.left);
            leftAt = QRect(window.pos(), window.size());
            window.hide();
        }
        WindowPlaces nextRun;
        nextRun.keepAcrossRuns(kept);
        QWidget window;
        window.setObjectName(QString::fromUtf8(row.name));
        window.resize(300, 200);
        window.move(0, 0);
        nextRun.place(&window, nullptr);
        EXPECT_EQ(QRect(window.pos(), window.size()), row.next.isNull() ? leftAt : row.next);
    }
}

} // namespace
} // namespace folio
