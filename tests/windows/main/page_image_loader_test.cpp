// The page loader as the main window uses it: pictures of the files as they are when asked
// for, a removed file answered at once, and only the newest position's pictures delivered.
#include "core/files/file_ops.h"
#include "support/rows.h"
#include "support/temp_installation.h"
#include "windows/main/page_image_loader.h"

#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>

namespace folio {
namespace {

constexpr QSize kFrame{329, 281};

void writeJpeg(const std::filesystem::path& file, QColor colour) {
    QImage image(600, 850, QImage::Format_RGB32);
    image.fill(colour);
    ASSERT_TRUE(image.save(QString::fromStdString(file.string()), "JPG"));
}

// A page whose upper half is top and lower half bottom, with fine grain so that it takes a
// while to decode: a decode cut short shows in its lower half, which then lacks bottom.
void writeTwoToneJpeg(const std::filesystem::path& file, QColor top, QColor bottom) {
    QImage image(1240, 1754, QImage::Format_RGB32);
    quint32 grain = 12345;
    for (int y = 0; y < image.height(); ++y) {
        const QColor tone = y < image.height() / 2 ? top : bottom;
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            grain = grain * 1664525u + 1013904223u;
            const int shift = static_cast<int>(grain >> 28) - 8;
            line[x] = qRgb(std::clamp(tone.red() + shift, 0, 255),
                           std::clamp(tone.green() + shift, 0, 255),
                           std::clamp(tone.blue() + shift, 0, 255));
        }
    }
    ASSERT_TRUE(image.save(QString::fromStdString(file.string()), "JPG"));
}

bool near(QColor seen, QColor colour) {
    return std::abs(seen.red() - colour.red()) < 40 &&
           std::abs(seen.green() - colour.green()) < 40 &&
           std::abs(seen.blue() - colour.blue()) < 40;
}

bool isWholeTwoTone(const QImage& image, QColor top, QColor bottom) {
    return !image.isNull() && near(image.pixelColor(image.width() / 2, image.height() / 8), top) &&
           near(image.pixelColor(image.width() / 2, image.height() * 7 / 8), bottom);
}

// The colour in the middle of a delivered picture, which JPEG keeps close to the fill.
bool looksLike(const QImage& image, QColor colour) {
    if (image.isNull())
        return false;
    QColor middle = image.pixelColor(image.width() / 2, image.height() / 2);
    return std::abs(middle.red() - colour.red()) < 40 &&
           std::abs(middle.green() - colour.green()) < 40 &&
           std::abs(middle.blue() - colour.blue()) < 40;
}

struct Delivery {
    int position;
    PageSide side;
    QImage image;
};

class PageImageLoaderTest : public ::testing::Test {
protected:
    PageImageLoaderTest() {
        QObject::connect(&loader, &PageImageLoader::pageReady,
                         [this](int position, PageSide side, const QImage& image) {
                             deliveries.push_back({position, side, image});
                         });
    }
    std::filesystem::path page(const char* name) const { return stand.path(name); }
    bool waitIdle() {
        return QTest::qWaitFor([&] { return loader.isIdle(); }, 5000);
    }
    const Delivery* last(PageSide side) const {
        for (auto it = deliveries.rbegin(); it != deliveries.rend(); ++it)
            if (it->side == side)
                return &*it;
        return nullptr;
    }

    test::TempInstallation stand;
    PageImageLoader loader{kFrame};
    std::vector<Delivery> deliveries;
};

TEST_F(PageImageLoaderTest, request_deliversBothSidesAtFrameSize) {
    writeJpeg(page("spartiti\\1L.jpg"), Qt::red);
    writeJpeg(page("spartiti\\1R.jpg"), Qt::blue);
    loader.request(1, page("spartiti\\1L.jpg"), page("spartiti\\1R.jpg"));
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(deliveries.size(), 2u);
    EXPECT_TRUE(looksLike(last(PageSide::Left)->image, Qt::red));
    EXPECT_TRUE(looksLike(last(PageSide::Right)->image, Qt::blue));
    QSize size = last(PageSide::Left)->image.size();
    EXPECT_LE(size.width(), kFrame.width());
    EXPECT_EQ(size.height(), kFrame.height());
}

TEST_F(PageImageLoaderTest, request_fileReplacedInPlaceOrByCopy_deliversTheNewPicture) {
    const auto left = page("spartiti\\1L.jpg");
    const auto right = page("spartiti\\1R.jpg");
    writeJpeg(left, Qt::red);
    writeJpeg(right, Qt::red);
    loader.request(1, left, right);
    ASSERT_TRUE(waitIdle());

    // Same pixel size, same byte size, very likely the same second: only the stamp differs.
    writeJpeg(left, Qt::blue);
    writeJpeg(page("spartiti\\other.jpg"), Qt::green);
    ASSERT_TRUE(copyReplacing(page("spartiti\\other.jpg"), right).ok);
    loader.request(1, left, right);
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(looksLike(last(PageSide::Left)->image, Qt::blue));
    EXPECT_TRUE(looksLike(last(PageSide::Right)->image, Qt::green));
}

TEST_F(PageImageLoaderTest, request_removedFile_isAnsweredWithANullPictureAtOnce) {
    const auto left = page("spartiti\\1L.jpg");
    writeJpeg(left, Qt::red);
    loader.request(1, left, page("spartiti\\1R.jpg"));
    ASSERT_TRUE(waitIdle());
    std::filesystem::remove(left);
    deliveries.clear();

    loader.request(1, left, page("spartiti\\1R.jpg"));
    ASSERT_EQ(deliveries.size(), 2u);
    EXPECT_TRUE(deliveries[0].image.isNull());
    EXPECT_TRUE(deliveries[1].image.isNull());
    EXPECT_TRUE(loader.isIdle());
}

TEST_F(PageImageLoaderTest, request_unreadablePicture_deliversNull) {
    stand.write("spartiti\\1L.jpg", "not a picture");
    loader.request(1, page("spartiti\\1L.jpg"), page("spartiti\\1R.jpg"));
    ASSERT_TRUE(waitIdle());
    ASSERT_NE(last(PageSide::Left), nullptr);
    EXPECT_TRUE(last(PageSide::Left)->image.isNull());
}

TEST_F(PageImageLoaderTest, fastSequence_deliversOnlyTheLastPositionAfterItsRequest) {
    const QColor colours[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan, Qt::magenta};
    for (int n = 1; n <= 6; ++n) {
        writeJpeg(page(("spartiti\\" + std::to_string(n) + "L.jpg").c_str()), colours[n - 1]);
        writeJpeg(page(("spartiti\\" + std::to_string(n) + "R.jpg").c_str()), colours[n - 1]);
    }
    std::size_t before = 0;
    for (int n = 1; n <= 6; ++n) {
        before = deliveries.size();
        loader.request(n, page(("spartiti\\" + std::to_string(n) + "L.jpg").c_str()),
                       page(("spartiti\\" + std::to_string(n) + "R.jpg").c_str()));
    }
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(deliveries.size() - before, 2u);
    for (std::size_t i = before; i < deliveries.size(); ++i) {
        EXPECT_EQ(deliveries[i].position, 6);
        EXPECT_TRUE(looksLike(deliveries[i].image, Qt::magenta));
    }
}

TEST_F(PageImageLoaderTest, prefetch_letsTheNextRequestAnswerAtOnce) {
    const auto left = page("spartiti\\2L.jpg");
    const auto right = page("spartiti\\2R.jpg");
    writeJpeg(left, Qt::green);
    writeJpeg(right, Qt::blue);
    loader.prefetch({left, right, page("spartiti\\3L.jpg")});
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(deliveries.empty());

    loader.request(2, left, right);
    ASSERT_EQ(deliveries.size(), 2u);
    EXPECT_TRUE(loader.isIdle());
    EXPECT_TRUE(looksLike(last(PageSide::Left)->image, Qt::green));
    EXPECT_TRUE(looksLike(last(PageSide::Right)->image, Qt::blue));
}

TEST_F(PageImageLoaderTest, passedOverPagesWantedAgain_areDeliveredWholeAndKeptWhole) {
    const auto left1 = page("spartiti\\1L.jpg");
    const auto right1 = page("spartiti\\1R.jpg");
    const auto left2 = page("spartiti\\2L.jpg");
    const auto right2 = page("spartiti\\2R.jpg");
    writeTwoToneJpeg(left1, Qt::red, Qt::blue);
    writeTwoToneJpeg(right1, Qt::blue, Qt::red);
    writeJpeg(left2, Qt::green);
    writeJpeg(right2, Qt::green);

    // Position 2 arrives while both workers decode position 1, which is given up, and the hand
    // comes back to position 1 before those decodes have ended.
    loader.request(1, left1, right1);
    QTest::qWait(3);
    loader.request(2, left2, right2);
    loader.request(1, left1, right1);
    ASSERT_TRUE(waitIdle());
    ASSERT_NE(last(PageSide::Left), nullptr);
    ASSERT_NE(last(PageSide::Right), nullptr);
    EXPECT_EQ(last(PageSide::Left)->position, 1);
    EXPECT_TRUE(isWholeTwoTone(last(PageSide::Left)->image, Qt::red, Qt::blue));
    EXPECT_TRUE(isWholeTwoTone(last(PageSide::Right)->image, Qt::blue, Qt::red));

    // Whatever was kept for later is whole too.
    deliveries.clear();
    loader.request(1, left1, right1);
    ASSERT_EQ(deliveries.size(), 2u);
    EXPECT_TRUE(isWholeTwoTone(deliveries[0].image, Qt::red, Qt::blue));
    EXPECT_TRUE(isWholeTwoTone(deliveries[1].image, Qt::blue, Qt::red));
}

// Neighbours being decoded when the hand jumps give way to the pages of the jump; a neighbour
// given up half decoded is never kept: coming back to it later shows it whole.
TEST_F(PageImageLoaderTest, jumpDuringPrefetch_showsTheJumpThenKeepsTheNeighboursWhole) {
    const struct {
        const char* name;
        QColor top;
        QColor bottom;
    } neighbours[] = {{"spartiti\\1L.jpg", Qt::red, Qt::blue},
                      {"spartiti\\1R.jpg", Qt::blue, Qt::red},
                      {"spartiti\\2L.jpg", Qt::yellow, Qt::blue},
                      {"spartiti\\2R.jpg", Qt::blue, Qt::yellow}};
    std::vector<std::filesystem::path> files;
    for (const auto& neighbour : neighbours) {
        writeTwoToneJpeg(page(neighbour.name), neighbour.top, neighbour.bottom);
        files.push_back(page(neighbour.name));
    }
    writeJpeg(page("spartiti\\9L.jpg"), Qt::green);
    writeJpeg(page("spartiti\\9R.jpg"), Qt::magenta);

    loader.prefetch(files);
    QTest::qWait(2);
    loader.request(9, page("spartiti\\9L.jpg"), page("spartiti\\9R.jpg"));
    ASSERT_TRUE(waitIdle());
    ASSERT_EQ(deliveries.size(), 2u);
    EXPECT_TRUE(looksLike(last(PageSide::Left)->image, Qt::green));
    EXPECT_TRUE(looksLike(last(PageSide::Right)->image, Qt::magenta));

    for (std::size_t at = 0; at < files.size(); at += 2) {
        deliveries.clear();
        loader.request(static_cast<int>(at) / 2 + 1, files[at], files[at + 1]);
        ASSERT_TRUE(waitIdle());
        ASSERT_EQ(deliveries.size(), 2u) << neighbours[at].name;
        for (std::size_t side = 0; side < 2; ++side)
            EXPECT_TRUE(isWholeTwoTone(last(side == 0 ? PageSide::Left : PageSide::Right)->image,
                                       neighbours[at + side].top, neighbours[at + side].bottom))
                << neighbours[at + side].name;
    }
}

// A window whose stand closes lets go of its pictures and decodes at once, whatever it was
// doing: nothing it asked for arrives later, nothing is answered from what it kept, and a
// request after it is decoded afresh.
TEST_F(PageImageLoaderTest, letGo_sendsAndKeepsNothing_thenDecodesAfresh) {
    enum class Busy { Settled, ShownDecoding, NeighboursDecoding };
    struct Row {
        const char* what;
        Busy busy;
    };
    const Row rows[] = {
        {"pages shown and neighbours kept", Busy::Settled},
        {"pages on screen being decoded", Busy::ShownDecoding},
        {"neighbours being decoded", Busy::NeighboursDecoding},
    };
    const auto left = page("spartiti\1L.jpg");
    const auto right = page("spartiti\1R.jpg");
    const auto nextLeft = page("spartiti\2L.jpg");
    const auto nextRight = page("spartiti\2R.jpg");
    writeTwoToneJpeg(left, Qt::red, Qt::blue);
    writeTwoToneJpeg(right, Qt::blue, Qt::red);
    writeTwoToneJpeg(nextLeft, Qt::yellow, Qt::blue);
    writeTwoToneJpeg(nextRight, Qt::blue, Qt::yellow);
    test::forEachRow(rows, [&](const Row& row) {
        PageImageLoader going{kFrame};
        std::vector<Delivery> sent;
        QObject::connect(&going, &PageImageLoader::pageReady,
                         [&](int position, PageSide side, const QImage& image) {
                             sent.push_back({position, side, image});
                         });
        if (row.busy != Busy::NeighboursDecoding)
            going.request(1, left, right);
        if (row.busy == Busy::Settled) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return going.isIdle(); }, 5000));
        }
        if (row.busy != Busy::ShownDecoding)
            going.prefetch({nextLeft, nextRight, left, right});
        if (row.busy == Busy::Settled) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return going.isIdle(); }, 5000));
        }
        sent.clear();

        going.letGo();
        EXPECT_TRUE(going.isIdle());
        // Long enough for any decode still on a worker to have ended and been handed back.
        QTest::qWait(300);
        EXPECT_TRUE(sent.empty()) << sent.size() << " picture(s) sent after letting go";

        for (int position : {2, 1}) {
            sent.clear();
            going.request(position, position == 1 ? left : nextLeft,
                          position == 1 ? right : nextRight);
            EXPECT_TRUE(sent.empty()) << "position " << position << " answered from memory";
            ASSERT_TRUE(QTest::qWaitFor([&] { return going.isIdle(); }, 5000));
            ASSERT_EQ(sent.size(), 2u) << "position " << position;
            const QColor colour = position == 1 ? QColor(Qt::red) : QColor(Qt::yellow);
            for (const Delivery& delivery : sent) {
                EXPECT_EQ(delivery.position, position);
                EXPECT_TRUE(delivery.side == PageSide::Left
                                ? isWholeTwoTone(delivery.image, colour, Qt::blue)
                                : isWholeTwoTone(delivery.image, Qt::blue, colour))
                    << "position " << position;
            }
        }
    });
}

} // namespace
} // namespace folio
