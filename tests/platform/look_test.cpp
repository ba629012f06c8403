// The shared look: text boxes whose frame is painted from a reused picture look exactly like
// text boxes painted by the style directly, in every state they pass through.
#include "platform/look.h"

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <utility>

namespace folio {
namespace {

// Pixels whose channels differ by more than one step: rounding in the blend of an
// antialiased corner may differ by one, anything else is a different picture.
int differingPixels(const QImage& first, const QImage& second) {
    if (first.size() != second.size())
        return first.width() * first.height() + 1;
    QImage a = first.convertToFormat(QImage::Format_ARGB32);
    QImage b = second.convertToFormat(QImage::Format_ARGB32);
    int differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            QRgb p = a.pixel(x, y);
            QRgb q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > 1 || std::abs(qGreen(p) - qGreen(q)) > 1 ||
                std::abs(qBlue(p) - qBlue(q)) > 1 || std::abs(qAlpha(p) - qAlpha(q)) > 1)
                ++differing;
        }
    }
    return differing;
}

class CachedFrameTest : public ::testing::Test {
protected:
    CachedFrameTest() {
        window.resize(700, 200);
        look::setWhiteBackground(&window);
        for (QLineEdit* box : {&plain, &cached}) {
            box->setGeometry(8, 8, 681, 33);
            look::styleBlueText(box, 14);
        }
        cached.move(8, 80);
        look::cacheFramePainting(&cached);
        window.show();
    }
    QImage shot(QLineEdit& box) { return box.grab().toImage(); }
    void expectAlike(const char* when) {
        EXPECT_EQ(differingPixels(shot(plain), shot(cached)), 0) << when;
    }

    QWidget window;
    QLineEdit plain{&window};
    QLineEdit cached{&window};
};

TEST_F(CachedFrameTest, textBox_looksLikeTheStylesOwnInEveryState) {
    expectAlike("empty");
    for (QLineEdit* box : {&plain, &cached})
        box->setText(QStringLiteral("Sonata in C major"));
    expectAlike("with text");
    expectAlike("painted again from the kept picture");
    for (QLineEdit* box : {&plain, &cached})
        box->setReadOnly(true);
    expectAlike("read-only");
    for (QLineEdit* box : {&plain, &cached})
        box->setEnabled(false);
    expectAlike("disabled");
    for (QLineEdit* box : {&plain, &cached}) {
        box->setEnabled(true);
        box->resize(300, 41);
    }
    expectAlike("resized");
}

// The text on screen is blue, whatever the style and the frame painting make of the box.
TEST_F(CachedFrameTest, textBox_paintsItsTextBlue) {
    cached.setText(QStringLiteral("MMMMMMMM"));
    const QImage painted = shot(cached).convertToFormat(QImage::Format_RGB32);
    int blue = 0;
    int otherInk = 0;
    for (int y = 0; y < painted.height(); ++y) {
        for (int x = 0; x < painted.width(); ++x) {
            const QColor pixel = painted.pixelColor(x, y);
            if (pixel == look::kBlueText)
                ++blue;
            else if (pixel.lightness() < 100)
                ++otherInk;
        }
    }
    EXPECT_GT(blue, 50);
    EXPECT_EQ(otherInk, 0);
    EXPECT_EQ(cached.font().family(), look::verdana(14).family());
    EXPECT_EQ(cached.font().pointSize(), 14);
}

// Blue text pixels and other dark ones in the part of widget's picture left of rightMargin.
std::pair<int, int> blueAndOtherInk(QWidget& widget, int rightMargin) {
    const QImage painted = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    int blue = 0;
    int otherInk = 0;
    for (int y = 0; y < painted.height(); ++y) {
        for (int x = 0; x < painted.width() - rightMargin; ++x) {
            const QColor pixel = painted.pixelColor(x, y);
            if (pixel == look::kBlueText)
                ++blue;
            else if (pixel.lightness() < 100)
                ++otherInk;
        }
    }
    return {blue, otherInk};
}

// Every kind of control given blue text shows it blue: labels, lists, and the drive lists,
// whose shown choice is painted like a button's caption.
TEST(BlueText, labelsListsAndDriveListsPaintTheirTextBlue) {
    QWidget window;
    window.resize(400, 200);
    look::setWhiteBackground(&window);
    QLabel label(QStringLiteral("MMMMMMMM"), &window);
    QListWidget list(&window);
    list.addItem(QStringLiteral("MMMMMMMM"));
    QComboBox drives(&window);
    drives.addItem(QStringLiteral("MMMMMMMM"));
    struct Case {
        const char* what;
        QWidget* widget;
        int rightMargin; // leaves out the drop-down arrow
    };
    const Case cases[] = {{"label", &label, 0}, {"list", &list, 0}, {"drive list", &drives, 40}};
    int top = 0;
    for (const Case& c : cases) {
        c.widget->setGeometry(8, top, 300, 41);
        top += 50;
        look::styleBlueText(c.widget, 15);
    }
    window.show();
    for (const Case& c : cases) {
        const auto [blue, otherInk] = blueAndOtherInk(*c.widget, c.rightMargin);
        EXPECT_GT(blue, 50) << c.what;
        EXPECT_EQ(otherInk, 0) << c.what;
    }
}

} // namespace
} // namespace folio
