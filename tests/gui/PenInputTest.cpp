// SPDX-License-Identifier: GPL-3.0-or-later
// Pens, erasers and fingers on the real window, and the mouse painting
// exactly as it always has.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCryptographicHash>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QScrollBar>
#include <QTabletEvent>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

#include "shell/window/CanvasView.h"
#include "shell/window/Form1.h"

using namespace pemma;

namespace {

struct Window {
    explicit Window(const QString& folder) : form({folder, ScreenMetrics{1024, 768, 15, 15}})
    {
        form.Form_Load();
        form.show();
    }
    void mouse(QEvent::Type type, QPointF pos, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QWidget* view = form.canvasView();
        QMouseEvent e(type, pos, view->mapToGlobal(pos), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(view, &e);
    }
    void move(QPointF p, Qt::MouseButtons held = Qt::NoButton) { mouse(QEvent::MouseMove, p, Qt::NoButton, held); }
    void press(QPointF p) { mouse(QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton); }
    void release(QPointF p) { mouse(QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton); }
    // A tablet event on the canvas; true when the window took it (so Qt
    // makes no mouse event of it).
    bool tablet(QEvent::Type type, const QPointingDevice* device, QPointF pos, double pressure)
    {
        QWidget* view = form.canvasView();
        const Qt::MouseButton button = type == QEvent::TabletMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButtons buttons =
            type == QEvent::TabletRelease || (type == QEvent::TabletMove && !penDown) ? Qt::NoButton : Qt::LeftButton;
        penDown = type == QEvent::TabletPress || (penDown && type != QEvent::TabletRelease);
        QTabletEvent e(type, device, pos, view->mapToGlobal(pos), pressure, 0, 0, 0, 0, 0, Qt::NoModifier, button,
                       buttons);
        e.setAccepted(false);
        QApplication::sendEvent(view, &e);
        return e.isAccepted();
    }
    // A pen stroke through the points, at one pressure.
    void penStroke(const QPointingDevice* device, const std::vector<QPointF>& points, double pressure)
    {
        EXPECT_TRUE(tablet(QEvent::TabletPress, device, points.front(), pressure));
        for (size_t i = 1; i < points.size(); ++i)
            EXPECT_TRUE(tablet(QEvent::TabletMove, device, points[i], pressure));
        EXPECT_TRUE(tablet(QEvent::TabletRelease, device, points.back(), 0));
    }
    const QImage& drawing() { return form.session().canvas().image(); }
    Form1 form;
    bool penDown = false;
};

const QPointingDevice* stylus(QPointingDevice::PointerType type, bool withPressure)
{
    using Cap = QInputDevice::Capability;
    const QInputDevice::Capabilities caps =
        withPressure ? QInputDevice::Capabilities(Cap::Position | Cap::Pressure) : QInputDevice::Capabilities(Cap::Position);
    // Kept for the whole run: a device must not outlive the application
    // object, which static destruction would let it do.
    static qint64 id = 4000;
    return new QPointingDevice(QStringLiteral("test stylus"), ++id, QInputDevice::DeviceType::Stylus, type, caps, 1, 3,
                               QString(), QPointingDeviceUniqueId(), qApp);
}

// The painted pixels (not of the colour `ground`) of column x.
int paintedInColumn(const QImage& image, int x, QRgb ground)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        n += image.pixel(x, y) != ground;
    return n;
}

int changedPixels(const QImage& a, const QImage& b)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

void addPixels(QCryptographicHash& hash, const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        hash.addData(QByteArrayView(reinterpret_cast<const char*>(image.constScanLine(y)), image.width() * 4));
}

} // namespace

// Every brush at two thicknesses and in several colour modes, driven by a
// fixed mouse script with fractional positions, fast and slow moves. The
// digest was taken from the program before pens and touch were handled: a
// mouse must go on painting exactly these bytes.
TEST(PenInput, MouseStrokesPaintTheBytesTheyAlwaysPainted)
{
    QTemporaryDir dir;
    Window w(dir.path());
    DrawingState& s = w.form.session().state();
    // The drawing after every stroke, as later strokes may cover it.
    QCryptographicHash hash(QCryptographicHash::Sha1);
    const int modes[] = {1, 3, 5, 9};
    for (int brush = 0; brush < 46; ++brush) {
        for (int thickness : {3, 40}) {
            s.brushIndex = brush;
            s.brushSize = thickness;
            s.colourMode = modes[(brush + thickness) % 4];
            w.form.slider(1)->setValue((brush * 37) % 256);
            w.form.slider(2)->setValue((brush * 91) % 256);
            w.form.slider(3)->setValue((thickness * 5) % 256);
            const double x0 = 60 + (brush % 8) * 120.25, y0 = 50 + (brush / 8) * 115.5;
            if (brush != 1) // a fading brush 1 would paint for as long as the clock allows
                w.move({x0 - 7.5, y0 + 3.25});
            w.press({x0, y0});
            for (int i = 0; i <= 12; ++i) {
                const double step = i < 6 ? 2.5 : 23.75; // slow, then fast
                w.move({x0 + i * step, y0 + (i % 3) * 4.125 + thickness / 8.0}, Qt::LeftButton);
            }
            w.release({x0 + 12 * 23.75, y0});
            addPixels(hash, w.drawing());
        }
    }
    EXPECT_EQ(hash.result().toHex().toStdString(), "ff5f6699f332ee3de92f58f178787961c1faeafa");
}

// The pressure scales the width: brush 0 at thickness 40 paints a line 32
// pixels wide at full pressure and a quarter of that at 0.25. Every brush
// paints at thickness 20 and pressure 0.25 what it paints at thickness 5 with
// the mouse (the speed-driven ones, whose rule keeps the stroke's own width,
// less than at full pressure); a pen without pressure paints what the mouse
// paints.
TEST(PenInput, PressureScalesEveryBrushAndAPenWithoutPressurePaintsAsTheMouse)
{
    const QPointingDevice* pen = stylus(QPointingDevice::PointerType::Pen, true);
    const QPointingDevice* plainPen = stylus(QPointingDevice::PointerType::Pen, false);
    const QRgb white = qRgb(255, 255, 255);
    std::map<double, int> widths;
    for (double pressure : {1.0, 0.25}) {
        QTemporaryDir dir;
        Window w(dir.path());
        w.form.session().state().brushSize = 40;
        w.penStroke(pen, {{200.25, 300.5}, {260.5, 300.5}, {600.75, 300.5}}, pressure);
        widths[pressure] = paintedInColumn(w.drawing(), 400, white);
    }
    EXPECT_EQ(widths[1.0], 32);
    EXPECT_EQ(widths[0.25], 8);

    // Each way of painting has a window of its own, whose random stream
    // runs alike in all of them; every brush paints one stroke on a cleared
    // drawing.
    const std::vector<QPointF> path{{300.5, 400.25}, {310, 404}, {330.5, 380}, {420, 430.75}, {520, 400}};
    struct Way {
        int thickness;
        std::function<void(Window&)> stroke;
    };
    auto mouse = [&](Window& w) {
        // A pen's stroke starts at its touch: the mouse moves first to its press.
        w.press(path.front());
        for (QPointF p : path)
            w.move(p, Qt::LeftButton);
        w.release(path.back());
    };
    const std::vector<Way> ways{
        {20, mouse},
        {5, mouse},
        {20, [&](Window& w) { w.penStroke(plainPen, path, 0.5); }},
        {20, [&](Window& w) { w.penStroke(pen, path, 1.0); }},
        {20, [&](Window& w) { w.penStroke(pen, path, 0.25); }},
    };
    QTemporaryDir dir;
    std::vector<std::unique_ptr<Window>> windows;
    for (size_t i = 0; i < ways.size(); ++i)
        windows.push_back(std::make_unique<Window>(dir.path()));
    for (int brush = 0; brush < 46; ++brush) {
        std::vector<QImage> painted;
        for (size_t i = 0; i < ways.size(); ++i) {
            Window& w = *windows[i];
            w.form.session().clearForeground();
            DrawingState& s = w.form.session().state();
            s.brushIndex = brush;
            s.brushSize = ways[i].thickness;
            w.form.slider(3)->setValue(200);
            w.move({5, 700}); // ends brush 1 fading, whose pen may not lift in time
            ways[i].stroke(w);
            painted.push_back(w.drawing().copy());
        }
        QImage ground(painted[0].size(), QImage::Format_RGB32);
        ground.fill(white);
        EXPECT_EQ(painted[2], painted[0]) << "brush " << brush << ": a pen without pressure";
        EXPECT_EQ(painted[3], painted[0]) << "brush " << brush << ": full pressure";
        if (brush >= 1 && brush <= 3)
            EXPECT_LT(changedPixels(ground, painted[4]), changedPixels(ground, painted[3])) << "brush " << brush;
        else
            EXPECT_EQ(painted[4], painted[1]) << "brush " << brush << ": a quarter of thickness 20";
    }
}

// The eraser end puts back the background: the opened picture where it lies,
// the background colour elsewhere, along a line of the thickness times the
// pressure. Each eraser stroke is one step; the brush, the colour and the
// mode stay (colour mode 3 would change the colour at any move it saw).
TEST(PenInput, TheEraserPutsBackPictureAndBackgroundExactly)
{
    QTemporaryDir dir;
    QImage picture(500, 600, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
    ASSERT_TRUE(picture.save(dir.filePath("picture.png")));
    Window w(dir.path());
    PaintSession& session = w.form.session();
    w.form.openPictureFile(FileName::fromText(dir.filePath("picture.png")));
    w.form.slider(1)->setValue(30);
    w.form.slider(2)->setValue(120);
    w.form.slider(3)->setValue(210);
    session.backgroundFromSwatch();
    const QImage ground = w.drawing().copy();
    ASSERT_EQ(ground.pixel(10, 20), picture.pixel(10, 20));
    ASSERT_EQ(ground.pixel(700, 500), qRgb(30, 120, 210));

    // A band 32 pixels wide across the picture's edge, in black.
    w.form.slider(1)->setValue(0);
    w.form.slider(2)->setValue(0);
    w.form.slider(3)->setValue(0);
    DrawingState& s = session.state();
    s.brushSize = 40;
    const std::vector<QPointF> band{{100.5, 500.25}, {400, 500.25}, {900.75, 500.25}};
    w.press(band.front());
    for (QPointF p : band)
        w.move(p, Qt::LeftButton);
    w.release(band.back());
    const QImage painted = w.drawing().copy();

    s.brushIndex = 5;
    s.colourMode = 3;
    const DrawingState before = s;
    const size_t steps = session.history().undoCount();
    // At pressure 0.25 and thickness 40, two passes 10 pixels wide across
    // the band: one over the picture, one over the background colour.
    const QPointingDevice* eraser = stylus(QPointingDevice::PointerType::Eraser, true);
    w.penStroke(eraser, {{300, 450}, {300.25, 470}, {300, 550}}, 0.25);
    w.penStroke(eraser, {{700, 450}, {700, 550}}, 0.25);
    std::vector<int> restored;
    for (int x = 0; x < ground.width(); ++x) {
        const QRgb now = w.drawing().pixel(x, 500);
        if (now != painted.pixel(x, 500)) {
            EXPECT_EQ(now, ground.pixel(x, 500)) << x;
            restored.push_back(x);
        }
    }
    EXPECT_EQ(restored, (std::vector<int>{295, 296, 297, 298, 299, 300, 301, 302, 303, 304, 695, 696, 697, 698, 699,
                                          700, 701, 702, 703, 704}));
    // Along the band at full pressure (40 wide), nothing of it is left.
    w.penStroke(eraser, band, 1.0);
    EXPECT_EQ(w.drawing(), ground);

    EXPECT_EQ(session.history().undoCount(), steps + 3);
    EXPECT_EQ(s.brushIndex, 5);
    EXPECT_EQ(s.colourMode, 3);
    EXPECT_EQ(s.brushSize, before.brushSize);
    EXPECT_EQ(std::make_tuple(s.red, s.green, s.blue), std::make_tuple(before.red, before.green, before.blue));
    EXPECT_TRUE(session.undo());
    EXPECT_TRUE(session.undo());
    EXPECT_TRUE(session.undo());
    EXPECT_EQ(w.drawing(), painted);
    EXPECT_TRUE(session.redo());
    EXPECT_TRUE(session.redo());
    EXPECT_TRUE(session.redo());
    EXPECT_EQ(w.drawing(), ground);
}

// A finger or a pen starts its stroke where it touches down, wherever the
// mouse was and although brush 1 was still fading there; a second finger
// paints nothing while the first is down.
TEST(PenInput, TouchAndPenStrokesStartWhereTheyTouch)
{
    QTemporaryDir dir;
    Window w(dir.path());
    DrawingState& s = w.form.session().state();
    QWidget* view = w.form.canvasView();
    s.brushIndex = 1;
    s.brushSize = 20;
    w.press({100, 100});
    w.move({100, 100}, Qt::LeftButton);
    w.move({110, 104}, Qt::LeftButton);
    w.release({110, 104});
    ASSERT_TRUE(s.isDrawing) << "brush 1 goes on until its pen lifts";
    s.brushIndex = 0;
    s.brushSize = 1;
    const QImage mouseDone = w.drawing().copy();

    // Every pixel the stroke changed, as a box.
    auto changedBox = [&](const QImage& from) {
        QRect box;
        for (int y = 0; y < from.height(); ++y)
            for (int x = 0; x < from.width(); ++x)
                if (w.drawing().pixel(x, y) != from.pixel(x, y))
                    box |= QRect(x, y, 1, 1);
        return box;
    };

    static QPointingDevice* touchScreen = QTest::createTouchDevice();
    QTest::touchEvent(view, touchScreen).press(0, QPoint(500, 400));
    QTest::touchEvent(view, touchScreen).move(0, QPoint(560, 400));
    QTest::touchEvent(view, touchScreen).move(0, QPoint(600, 450)).press(1, QPoint(300, 600));
    QTest::touchEvent(view, touchScreen).stationary(0).move(1, QPoint(340, 650));
    QTest::touchEvent(view, touchScreen).release(0, QPoint(600, 450)).stationary(1);
    QTest::touchEvent(view, touchScreen).move(1, QPoint(380, 700));
    QTest::touchEvent(view, touchScreen).release(1, QPoint(380, 700));
    EXPECT_FALSE(s.isDrawing);
    EXPECT_EQ(changedBox(mouseDone), QRect(QPoint(500, 400), QPoint(600, 450)));
    const QImage touchDone = w.drawing().copy();

    w.move({50, 700});
    const QPointingDevice* pen = stylus(QPointingDevice::PointerType::Pen, true);
    w.penStroke(pen, {{700.4, 300.6}, {760.2, 300.6}, {760.2, 340.5}}, 1.0);
    EXPECT_EQ(changedBox(touchDone), QRect(QPoint(700, 301), QPoint(760, 340)));
}
