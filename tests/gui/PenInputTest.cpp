// Pens, erasers and fingers on the real window, and the mouse painting
// exactly as it always has.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCryptographicHash>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTemporaryDir>

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
    const QImage& drawing() { return form.session().canvas().image(); }
    Form1 form;
};

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
