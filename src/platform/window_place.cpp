// Window placement beside the main window, and the places the user chose within the run.
#include "platform/window_place.h"

#include "platform/user_settings.h"

#include <QAbstractButton>
#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <tuple>
#include <vector>

namespace folio {
namespace {

// Room left between the main window and a window beside it.
constexpr int kGap = 8;

// The nearest position of a span of length size that lies within [low, low + room).
int within(int position, int size, int low, int room) {
    return size >= room ? low : std::clamp(position, low, low + room - size);
}

QPoint withinRoom(QPoint position, QSize size, const QRect& room) {
    return {within(position.x(), size.width(), room.x(), room.width()),
            within(position.y(), size.height(), room.y(), room.height())};
}

qint64 coveredArea(const QRect& window, const QRect& field) {
    const QRect covered = window.intersected(field);
    return covered.isEmpty() ? 0 : qint64(covered.width()) * covered.height();
}

// Where the edges of a window of the given length may go so that it ends or starts at an edge
// of the room, the main window or a field: the places where the covered part changes.
std::vector<int> edgeStops(int roomLow, int roomLength, int length, const std::vector<int>& edges) {
    std::vector<int> stops{roomLow, roomLow + roomLength - length};
    for (int edge : edges) {
        stops.push_back(edge);
        stops.push_back(edge - length);
    }
    for (int& stop : stops)
        stop = within(stop, length, roomLow, roomLength);
    std::sort(stops.begin(), stops.end());
    stops.erase(std::unique(stops.begin(), stops.end()), stops.end());
    return stops;
}

QPoint leastCovering(const QRect& room, const QRect& main, const QList<QRect>& fields, QSize size) {
    std::vector<int> xEdges{main.left(), main.left() + main.width()};
    std::vector<int> yEdges{main.top(), main.top() + main.height()};
    for (const QRect& field : fields) {
        xEdges.insert(xEdges.end(), {field.left(), field.left() + field.width()});
        yEdges.insert(yEdges.end(), {field.top(), field.top() + field.height()});
    }
    // Least of the fields first, then least of the main window, then nearest to its right.
    const QPoint preferred{main.left() + main.width() + kGap, main.top()};
    std::tuple<qint64, qint64, int> best{-1, 0, 0};
    QPoint bestPlace = withinRoom(preferred, size, room);
    for (int x : edgeStops(room.left(), room.width(), size.width(), xEdges)) {
        for (int y : edgeStops(room.top(), room.height(), size.height(), yEdges)) {
            const QRect window{QPoint(x, y), size};
            qint64 onFields = 0;
            for (const QRect& field : fields)
                onFields += coveredArea(window, field);
            const std::tuple<qint64, qint64, int> score{
                onFields, coveredArea(window, main), (QPoint(x, y) - preferred).manhattanLength()};
            if (std::get<0>(best) < 0 || score < best) {
                best = score;
                bestPlace = {x, y};
            }
        }
    }
    return bestPlace;
}

QRect availableRoom(const QWidget* mainWindow) {
    const QScreen* screen = mainWindow ? mainWindow->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

// The window's frame size: known once it has shown, else its size within a frame like the
// main window's.
QSize frameSizeOf(const QWidget* window, const QWidget* mainWindow) {
    if (window->testAttribute(Qt::WA_WState_Created) &&
        window->frameGeometry() != window->geometry())
        return window->frameGeometry().size();
    if (!mainWindow)
        return window->size();
    return window->size() + mainWindow->frameGeometry().size() - mainWindow->geometry().size();
}

} // namespace

QPoint placeBeside(const QRect& room, const QRect& mainFrame, const QList<QRect>& fields,
                   QSize frameSize) {
    const int w = frameSize.width();
    const int h = frameSize.height();
    const int mainRight = mainFrame.left() + mainFrame.width();
    const int mainBottom = mainFrame.top() + mainFrame.height();
    const int roomRight = room.left() + room.width();
    const int roomBottom = room.top() + room.height();
    const int besideTop = within(mainFrame.top(), h, room.top(), room.height());
    const int belowLeft = within(mainFrame.left(), w, room.left(), room.width());
    const bool fitsHigh = h <= room.height();
    const bool fitsWide = w <= room.width();
    if (fitsHigh && mainRight + kGap + w <= roomRight)
        return {mainRight + kGap, besideTop};
    if (fitsHigh && mainFrame.left() - kGap - w >= room.left())
        return {mainFrame.left() - kGap - w, besideTop};
    if (fitsWide && mainBottom + kGap + h <= roomBottom)
        return {belowLeft, mainBottom + kGap};
    return leastCovering(room, mainFrame, fields, frameSize);
}

QList<QRect> fieldsOnScreen(const QWidget* window) {
    const auto* main = qobject_cast<const QMainWindow*>(window);
    const QWidget* holder = main && main->centralWidget() ? main->centralWidget() : window;
    QList<QRect> fields;
    for (const QWidget* child : holder->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        // Buttons and separator lines show nothing of the data; a window may cover them.
        const bool shows = !qobject_cast<const QAbstractButton*>(child) &&
                           child->metaObject() != &QFrame::staticMetaObject;
        if (shows && child->isVisibleTo(holder) && !child->isWindow())
            fields.append(QRect(holder->mapToGlobal(child->pos()), child->size()));
    }
    return fields;
}

WindowPlaces::WindowPlaces(QObject* parent) : QObject(parent) {}

namespace {

QString settingsKey(const QString& objectName) {
    return QStringLiteral("windowPlaces/") + objectName;
}

} // namespace

void WindowPlaces::place(QWidget* window, const QWidget* mainWindow) {
    const QRect room = availableRoom(mainWindow);
    const bool acrossRuns = acrossRuns_.contains(window->objectName());
    const bool firstThisRun = !places_.contains(window->objectName());
    Place& place = places_[window->objectName()];
    if (acrossRuns && firstThisRun) {
        // Its size and place from an earlier run, as the user left them, within this screen.
        const QRect kept = userSettings()->value(settingsKey(window->objectName())).toRect();
        if (kept.isValid()) {
            const QSize frame = frameSizeOf(window, mainWindow);
            const QSize extra = frame - window->size();
            window->resize(kept.size().boundedTo(room.size() - extra));
            place.leftByUser = kept.topLeft();
        }
    }
    const QSize size = frameSizeOf(window, mainWindow);
    if (place.leftByUser)
        place.placed = withinRoom(*place.leftByUser, size, room);
    else if (mainWindow)
        place.placed =
            placeBeside(room, mainWindow->frameGeometry(), fieldsOnScreen(mainWindow), size);
    else
        place.placed = withinRoom(window->pos(), size, room);
    window->move(place.placed);
    window->installEventFilter(this);
}

// A window that hides where it was not put was moved there by the user.
bool WindowPlaces::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Hide && watched->isWidgetType()) {
        const auto* window = static_cast<QWidget*>(watched);
        auto found = places_.find(window->objectName());
        if (found != places_.end() && window->pos() != found->second.placed)
            found->second.leftByUser = window->pos();
        if (found != places_.end() && acrossRuns_.contains(window->objectName()))
            userSettings()->setValue(settingsKey(window->objectName()),
                                     QRect(window->pos(), window->size()));
    }
    return QObject::eventFilter(watched, event);
}

} // namespace folio
