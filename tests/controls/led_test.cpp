// The indicator lamp: colours read back from what it paints, argument checks, the caption,
// the flash timer, and setters called from a worker thread.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QTest>
#include <algorithm>
#include <functional>
#include <initializer_list>
#include <thread>
#include <vector>

#include "controls/led.h"

namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* w) { w->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            ++count;
        }
        return false;
    }
};

// The order in which lamps went dim, with the time each was first painted dim.
class DimWatch : public QObject {
public:
    explicit DimWatch(std::initializer_list<CLedRect*> lamps) {
        for (CLedRect* lamp : lamps) {
            lamp->installEventFilter(this);
        }
        clock.start();
    }
    struct Dim {
        const CLedRect* lamp;
        qint64 atMs;
    };
    std::vector<Dim> dims;
    QElapsedTimer clock;

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        auto* lamp = qobject_cast<CLedRect*>(o);
        if (e->type() == QEvent::Paint && lamp != nullptr && lamp->GetLight() == 1 &&
            std::none_of(dims.begin(), dims.end(), [&](const Dim& d) { return d.lamp == lamp; })) {
            dims.push_back({lamp, clock.elapsed()});
        }
        return false;
    }
};

class LedTest : public ::testing::Test {
protected:
    void SetUp() override {
        led.resize(80, 20);
        led.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&led));
    }
    QImage Shot() { return led.grab().toImage().convertToFormat(QImage::Format_RGB32); }
    QRgb Body() { return Shot().pixel(2, 2) & 0xFFFFFF; }
    bool Contains(const QImage& img, QRgb rgb) {
        for (int y = 1; y < img.height() - 1; ++y) {
            for (int x = 1; x < img.width() - 1; ++x) {
                if ((img.pixel(x, y) & 0xFFFFFF) == rgb) {
                    return true;
                }
            }
        }
        return false;
    }
    CLedRect led;
};

struct ColorCase {
    int color, light;
    QRgb fill, text;
};

// The lamp's colour table, written out from the device documentation's values.
const ColorCase kTable[] = {
    {0, 0, 0xFF0000, 0x00FFFF}, {0, 1, 0x800000, 0x7FFFFF}, {0, 2, 0xC0C0C0, 0x000000},
    {1, 0, 0x00FF00, 0xFF00FF}, {1, 1, 0x008000, 0xFF7FFF}, {1, 2, 0xC0C0C0, 0x000000},
    {2, 0, 0xFFFF00, 0x0000FF}, {2, 1, 0x808040, 0xC0C0FF}, {2, 2, 0xC0C0C0, 0x000000},
    {3, 0, 0x80FFFF, 0xFF8040}, {3, 1, 0x000064, 0xFFFF00}, {3, 2, 0xC0C0C0, 0x000000},
};

TEST_F(LedTest, PaintsTheColourTableWithBorderBodyAndCaption) {
    for (const ColorCase& c : kTable) {
        SCOPED_TRACE(testing::Message() << "colour " << c.color << " light " << c.light);
        led.ClearText();
        led.SetLed(c.color, c.light);
        QImage img = Shot();
        EXPECT_EQ(img.pixel(0, 0) & 0xFFFFFF, 0x000000u);
        EXPECT_EQ(img.pixel(79, 19) & 0xFFFFFF, 0x000000u);
        // Empty caption: every inner pixel is the body colour.
        for (int y = 1; y < 19; ++y) {
            for (int x = 1; x < 79; ++x) {
                ASSERT_EQ(img.pixel(x, y) & 0xFFFFFF, c.fill) << x << "," << y;
            }
        }
        led.SetText("Connect");
        img = Shot();
        EXPECT_TRUE(Contains(img, c.text)) << "caption colour";
        EXPECT_TRUE(Contains(img, 0xFFFFFF)) << "opaque white caption cells";
        EXPECT_EQ(img.pixel(2, 2) & 0xFFFFFF, c.fill) << "body around the caption";
    }
}

TEST_F(LedTest, StartsDimRedAndIgnoresArgumentsOutOfRange) {
    EXPECT_EQ(led.GetColor(), 0);
    EXPECT_EQ(led.GetLight(), 1);
    led.SetLed(2, 0);
    const std::function<void()> bad[] = {
        [&] { led.SetLed(4, 0); }, [&] { led.SetLed(0, 3); }, [&] { led.SetLed(-1, 1); },
        [&] { led.SetColor(4); },  [&] { led.SetColor(-1); }, [&] { led.SetLight(3); },
        [&] { led.SetLight(-1); },
    };
    for (const auto& call : bad) {
        call();
        EXPECT_EQ(led.GetColor(), 2);
        EXPECT_EQ(led.GetLight(), 0);
        EXPECT_EQ(Body(), 0xFFFF00u);
    }
}

TEST_F(LedTest, ColourAndLightChangeIndependently) {
    led.SetLed(1, 2);
    led.SetColor(3);
    EXPECT_EQ(led.GetLight(), 2);
    led.SetLight(0);
    EXPECT_EQ(led.GetColor(), 3);
    EXPECT_EQ(Body(), 0x80FFFFu);
}

TEST_F(LedTest, WideCaptionIsClippedInsideTheBorder) {
    led.resize(30, 14);
    led.SetLed(1, 0);
    led.SetText("A caption far wider than the lamp");
    const QImage img = Shot();
    for (int x = 0; x < img.width(); ++x) {
        ASSERT_EQ(img.pixel(x, 0) & 0xFFFFFF, 0u);
        ASSERT_EQ(img.pixel(x, img.height() - 1) & 0xFFFFFF, 0u);
    }
    for (int y = 0; y < img.height(); ++y) {
        ASSERT_EQ(img.pixel(0, y) & 0xFFFFFF, 0u);
        ASSERT_EQ(img.pixel(img.width() - 1, y) & 0xFFFFFF, 0u);
    }
}

TEST_F(LedTest, AmpersandIsDrawnAsItself) {
    led.SetLed(0, 0);
    led.SetText("&");
    EXPECT_EQ(led.GetText(), "&");
    EXPECT_TRUE(Contains(Shot(), 0x00FFFF)) << "the '&' glyph in the caption colour";
}

TEST_F(LedTest, CaptionFontIsTwelvePixelRegularWithChineseGlyphs) {
    const QFont& f = led.CaptionFont();
    EXPECT_EQ(f.pixelSize(), 12);
    EXPECT_EQ(f.weight(), QFont::Normal);
    EXPECT_FALSE(f.italic());
    EXPECT_TRUE(QFontMetrics(f).inFont(QChar(0x5B8B))) << QFontInfo(f).family().toStdString();
}

TEST_F(LedTest, FlashLightsNowAndDimsAfterThePeriod) {
    led.SetLed(1, 2);
    led.Flash(200);
    EXPECT_EQ(led.GetLight(), 0);
    EXPECT_EQ(Body(), 0x00FF00u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return led.GetLight() == 1; }, 5000));
    EXPECT_EQ(led.GetColor(), 1);
    EXPECT_EQ(Body(), 0x008000u);
}

TEST_F(LedTest, FlashDimsWhenItsOwnPeriodRunsOut) {
    // A long flash, then at once a short one on a second lamp: the short one goes dim first,
    // and the long one not before its period (a coarse timer may fire a little early).
    constexpr unsigned kLong = 900;
    constexpr unsigned kShort = 100;
    CLedRect other;
    other.resize(80, 20);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    led.SetLed(1, 2);
    other.SetLed(1, 2);
    DimWatch watch{&led, &other};
    led.Flash(kLong);
    other.Flash(kShort);
    EXPECT_EQ(led.GetLight(), 0);
    EXPECT_EQ(other.GetLight(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return watch.dims.size() == 2; }, 5000));
    EXPECT_EQ(watch.dims[0].lamp, &other) << "the shorter period ends first";
    EXPECT_EQ(watch.dims[1].lamp, &led);
    EXPECT_GE(watch.dims[1].atMs, kLong * 90 / 100);
}

TEST_F(LedTest, SecondFlashRestartsThePeriod) {
    constexpr int kPeriod = 600;
    led.SetLed(0, 1);
    led.Flash(kPeriod);
    QTest::qWait(kPeriod / 2);
    led.Flash(kPeriod);
    QElapsedTimer sinceSecond;
    sinceSecond.start();
    // The first period has run out here; only the restarted one keeps the lamp lit.
    QTest::qWait(kPeriod * 2 / 3);
    const int light = led.GetLight();
    if (sinceSecond.elapsed() < kPeriod - 50) {
        EXPECT_EQ(light, 0);
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return led.GetLight() == 1; }, 5000));
}

TEST_F(LedTest, WorkerThreadSettersStoreAtOnceAndPaintOnTheGuiThread) {
    led.SetLed(1, 1);
    PaintCounter paints(&led);
    std::thread worker([&] {
        led.SetColor(0);
        led.SetLight(0);
    });
    worker.join();
    EXPECT_EQ(led.GetColor(), 0);
    EXPECT_EQ(led.GetLight(), 0);
    EXPECT_EQ(paints.count, 0) << "nothing is painted from the worker";
    EXPECT_TRUE(QTest::qWaitFor([&] { return paints.count > 0; }, 5000));
    EXPECT_EQ(Body(), 0xFF0000u);
}

TEST_F(LedTest, UnchangedStateDoesNotRepaint) {
    led.SetLed(1, 0);
    QCoreApplication::processEvents();
    PaintCounter paints(&led);
    led.SetLed(1, 0);
    led.SetColor(1);
    led.SetLight(0);
    std::thread worker([&] { led.SetLight(0); });
    worker.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(paints.count, 0);
    led.SetLight(1);
    EXPECT_GT(paints.count, 0);
}

}  // namespace
