// SPDX-License-Identifier: GPL-3.0-or-later
// A move of a pen against a move of the mouse, brush 0 at thickness 10 on a
// 1920 x 1080 canvas: through the paint session alone, and as events sent to
// the real window (its event handling and repaint requests; the screen
// repaint itself is not counted). The pen's full pressure paints the mouse's
// width at thickness 10, half pressure its width at thickness 5, so that each
// pen figure has a mouse figure of the same painting beside it.
#include <QApplication>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QTabletEvent>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "session/PaintSession.h"
#include "shell/window/CanvasView.h"
#include "shell/window/Form1.h"

using namespace pemma;

namespace {

QPointF pointAt(int i) { return QPointF(100 + (i * 37) % 1700 + 0.25, 100 + (i * 53) % 900 + 0.5); }

struct Session {
    Session() : session(PaintSession::Setup{ScreenMetrics{1920, 1080, 15, 15}, {}, {}, {}, {}})
    {
        session.load(dir.path());
        session.state().brushSize = 10;
        session.state().colourMode = 1;
    }
    QTemporaryDir dir;
    PaintSession session;
};

// Argument: the thickness.
void BM_SessionMouseMove(benchmark::State& st)
{
    Session s;
    s.session.state().brushSize = static_cast<int>(st.range(0));
    s.session.press({100, 100});
    int i = 0;
    for (auto _ : st) {
        s.session.move(pointAt(++i), true);
        s.session.takeRepaintArea();
    }
}
BENCHMARK(BM_SessionMouseMove)->Arg(10)->Arg(5)->ArgName("thickness");

// Argument: the pressure in percent.
void BM_SessionPenMove(benchmark::State& st)
{
    Session s;
    const double pressure = st.range(0) / 100.0;
    s.session.penDown({100, 100}, PaintSession::Tip::Pen, pressure);
    int i = 0;
    for (auto _ : st) {
        s.session.penMove(pointAt(++i), true, pressure);
        s.session.takeRepaintArea();
    }
}
BENCHMARK(BM_SessionPenMove)->Arg(100)->Arg(50)->ArgName("pressure%");

void BM_SessionEraserMove(benchmark::State& st)
{
    Session s;
    s.session.penDown({100, 100}, PaintSession::Tip::Eraser, 1.0);
    int i = 0;
    for (auto _ : st) {
        s.session.penMove(pointAt(++i), true, 1.0);
        s.session.takeRepaintArea();
    }
}
BENCHMARK(BM_SessionEraserMove);

struct Window {
    Window() : form({dir.path(), ScreenMetrics{1920, 1080, 15, 15}})
    {
        form.Form_Load();
        form.session().state().brushSize = 10;
        form.show();
        QApplication::processEvents();
    }
    void send(QEvent* e)
    {
        QApplication::sendEvent(form.canvasView(), e);
        // The repaint requests pile up unless they are handled now and then.
        if (++sent % 256 == 0)
            QApplication::processEvents();
    }
    QTemporaryDir dir;
    Form1 form;
    int sent = 0;
};

void BM_WindowMouseMove(benchmark::State& st)
{
    Window w;
    w.form.session().state().brushSize = static_cast<int>(st.range(0));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(100, 100), QPointF(100, 100), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    w.send(&press);
    int i = 0;
    for (auto _ : st) {
        const QPointF p = pointAt(++i);
        QMouseEvent e(QEvent::MouseMove, p, p, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        w.send(&e);
    }
}
BENCHMARK(BM_WindowMouseMove)->Arg(10)->Arg(5)->ArgName("thickness");

void BM_WindowPenMove(benchmark::State& st)
{
    Window w;
    static const QPointingDevice* pen = new QPointingDevice(
        QStringLiteral("bench pen"), 7001, QInputDevice::DeviceType::Stylus, QPointingDevice::PointerType::Pen,
        QInputDevice::Capability::Position | QInputDevice::Capability::Pressure, 1, 3, QString(),
        QPointingDeviceUniqueId(), qApp);
    const double pressure = st.range(0) / 100.0;
    QTabletEvent press(QEvent::TabletPress, pen, QPointF(100, 100), QPointF(100, 100), pressure, 0, 0, 0, 0, 0,
                       Qt::NoModifier, Qt::LeftButton, Qt::LeftButton);
    w.send(&press);
    int i = 0;
    for (auto _ : st) {
        const QPointF p = pointAt(++i);
        QTabletEvent e(QEvent::TabletMove, pen, p, p, pressure, 0, 0, 0, 0, 0, Qt::NoModifier, Qt::NoButton,
                       Qt::LeftButton);
        w.send(&e);
    }
}
BENCHMARK(BM_WindowPenMove)->Arg(100)->Arg(50)->ArgName("pressure%");

} // namespace
