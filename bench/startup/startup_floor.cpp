// The floor of the start-up benchmark: a bare Qt Widgets window of the main window's size
// whose two frames show the same two pages, decoded at the frames' size on two threads from
// the moment Qt is up. It reports when both frames were first painted with their pictures,
// and its peak memory then. Arguments: the window's width and height, the left and the right
// frame (x, y, width, height each), the left and the right page file.
#include "first_paint.h"

#include <QApplication>
#include <QImageReader>
#include <QPixmap>
#include <QWidget>
#include <cstdlib>
#include <future>

namespace {

QImage decodeToFit(const QString& file, QSize frame) {
    QImageReader reader(file);
    reader.setAutoTransform(true);
    if (reader.size().isValid())
        reader.setScaledSize(reader.size().scaled(frame, Qt::KeepAspectRatio));
    return reader.read();
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 13)
        return 2;
    auto number = [&](int index) { return std::atoi(argv[index]); };
    const QRect frames[2] = {{number(3), number(4), number(5), number(6)},
                             {number(7), number(8), number(9), number(10)}};
    // The decoders start as soon as Qt may be used from other threads.
    QApplication application(argc, argv);
    std::future<QImage> pages[2];
    for (int side = 0; side < 2; ++side)
        pages[side] = std::async(std::launch::async, decodeToFit,
                                 QString::fromLocal8Bit(argv[11 + side]), frames[side].size());
    QWidget window;
    window.resize(number(1), number(2));
    QLabel* labels[2];
    for (int side = 0; side < 2; ++side) {
        labels[side] = new QLabel(&window);
        labels[side]->setGeometry(frames[side]);
        labels[side]->setAlignment(Qt::AlignCenter);
    }
    folio::bench::FirstPaintWithPages watch(labels[0], labels[1], [] {
        folio::bench::report("first_paint_ns", folio::bench::steadyNanoseconds());
        folio::bench::report("peak_kB", folio::bench::peakResidentKilobytes());
        std::_Exit(0);
    });
    window.show();
    for (int side = 0; side < 2; ++side)
        labels[side]->setPixmap(QPixmap::fromImage(pages[side].get()));
    return QApplication::exec();
}
