// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QTest>

#include "shell/window/CanvasView.h"
#include "shell/window/Form1.h"
#include "state/Colour.h"
#include "support/Platform.h"

using namespace pemma;
using test::becameActive;
using test::kNoActivation;

namespace {

struct Window {
    explicit Window(const QString& folder) : form({folder, ScreenMetrics{1024, 768, 15, 15}})
    {
        form.Form_Load();
        form.show();
    }
    QAction* action(const QString& name) { return form.findChild<QAction*>(name); }
    void mouse(QEvent::Type type, QPointF pos, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QWidget* view = form.canvasView();
        QMouseEvent e(type, pos, view->mapToGlobal(pos), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(view, &e);
    }
    void move(QPointF p, Qt::MouseButtons held = Qt::NoButton) { mouse(QEvent::MouseMove, p, Qt::NoButton, held); }
    void press(QPointF p, Qt::MouseButton b = Qt::LeftButton) { mouse(QEvent::MouseButtonPress, p, b, b); }
    void release(QPointF p, Qt::MouseButton b = Qt::LeftButton) { mouse(QEvent::MouseButtonRelease, p, b, Qt::NoButton); }
    QStringList checked(const QString& menu)
    {
        QStringList out;
        for (QAction* a : form.findChild<QMenu*>(menu)->actions())
            if (a->isChecked())
                out << a->objectName();
        return out;
    }
    Form1 form;
};

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(Form1, MenusHaveEveryItemInOrderWithExactCaptions)
{
    QTemporaryDir dir;
    Window w(dir.path());
    EXPECT_EQ(w.form.windowTitle(), "Pemmarover1.1");
    QStringList titles;
    for (QAction* a : w.form.menuBar()->actions())
        titles << a->text();
    EXPECT_EQ(titles, (QStringList{"メニュー", "画像処理", "色選択", "描画筆選択", "筆太さ"}));

    auto names = [&](const QString& menu) {
        QStringList out;
        for (QAction* a : w.form.findChild<QMenu*>(menu)->actions())
            out << (a->menu() ? a->menu()->objectName() : a->objectName());
        return out;
    };
    EXPECT_EQ(names("mnu"), (QStringList{"bmpopen", "bmpsave", "jpgsave", "chback", "black", "clback", "clsc"}));
    EXPECT_EQ(names("jpgsave"), (QStringList{"jpg10", "jpg20", "jpg40", "jpg60", "jpg80", "jpg100"}));
    EXPECT_EQ(names("gazou").size(), 33);
    EXPECT_EQ(names("iro").size(), 11);
    EXPECT_EQ(names("fude").size(), 46);
    EXPECT_EQ(names("fu"), (QStringList{"fu1", "fu2", "fu3", "fu4", "fu5", "fu6", "fu8", "fu10", "fu15", "fu20",
                                        "fu25", "fu30", "fu40", "fu50", "fu60", "fu80", "fu100"}));
    EXPECT_EQ(w.action("g17")->text(), "ｾﾋﾟｱ化1");
    EXPECT_EQ(w.action("g33")->text(), "180度回転");
    EXPECT_EQ(w.action("i11")->text(), "色取得");
    EXPECT_EQ(w.action("f41")->text(), "混合色１");
    EXPECT_EQ(w.action("f45")->text(), "二重同心円");
    EXPECT_EQ(w.action("bmpsave")->text(), "bmp完全保存");
    for (QAction* a : w.form.findChildren<QAction*>())
        EXPECT_TRUE(a->shortcut().isEmpty()) << a->objectName().toStdString();
}

TEST(Form1, CheckMarksFollowTheStateAtTheNextMove)
{
    QTemporaryDir dir;
    Window w(dir.path());
    EXPECT_TRUE(w.checked("fude").isEmpty()) << "no marks before the first move";
    w.move({300, 300});
    EXPECT_EQ(w.checked("iro"), QStringList{"i1"});
    EXPECT_EQ(w.checked("fude"), QStringList{"f0"});
    EXPECT_EQ(w.checked("fu"), QStringList{"fu5"});

    w.action("f4")->trigger();
    EXPECT_EQ(w.form.session().state().brushIndex, 4);
    EXPECT_EQ(w.checked("fude"), QStringList{"f0"}) << "the old mark stays until the next move";
    w.move({301, 300});
    EXPECT_EQ(w.checked("fude"), QStringList{"f4"});

    w.action("i3")->trigger();
    w.move({302, 300});
    w.action("i1")->trigger();
    EXPECT_EQ(w.checked("iro"), (QStringList{"i1", "i3"})) << "単色 is marked at once";
    w.move({303, 300});
    EXPECT_EQ(w.checked("iro"), QStringList{"i1"});

    w.action("fu100")->trigger();
    w.action("fu100")->trigger();
    EXPECT_EQ(w.form.session().state().brushSize, 100);
    w.move({304, 300});
    EXPECT_EQ(w.checked("fu"), QStringList{"fu100"});
}

TEST(Form1, SelectionMenusShowOnlyTheMarkOfTheChosenItem)
{
    // Beside an item's caption there is nothing but the check mark of the
    // chosen one: no empty boxes beside the others, before or after a move.
    QTemporaryDir dir;
    Window w(dir.path());
    for (int moves = 0; moves < 2; ++moves) {
        if (moves)
            w.move({300, 300});
        for (const char* name : {"iro", "fude", "fu"}) {
            QMenu* menu = w.form.findChild<QMenu*>(name);
            menu->popup(QPoint(0, 0));
            QApplication::processEvents();
            const QImage shot = menu->grab().toImage();
            for (QAction* a : menu->actions()) {
                // The part of the item before its caption, inside the frame.
                const QRect item = menu->actionGeometry(a);
                const QRect mark(item.left() + 2, item.top() + 1, menu->fontMetrics().height(), item.height() - 2);
                const QRgb ground = shot.pixel(mark.topLeft());
                int drawn = 0;
                for (int y = mark.top(); y <= mark.bottom(); ++y)
                    for (int x = mark.left(); x <= mark.right(); ++x)
                        drawn += shot.pixel(x, y) != ground;
                EXPECT_EQ(drawn > 0, a->isChecked()) << a->objectName().toStdString() << " after " << moves << " moves";
            }
            menu->hide();
        }
    }
}

TEST(Form1, UnknownValuesLeaveMenusWithoutMarks)
{
    QTemporaryDir dir;
    writeFile(dir.filePath("pic-ini.dat"), "1,2,3,7,0,45,,,0\r\n");
    Window w(dir.path());
    w.move({300, 300});
    EXPECT_TRUE(w.checked("fu").isEmpty());
    EXPECT_TRUE(w.checked("iro").isEmpty());
    EXPECT_EQ(w.checked("fude"), QStringList{"f45"});
}

TEST(Form1, SlidersDriveTheColourAndFollowStrokes)
{
    QTemporaryDir dir;
    Window w(dir.path());
    QScrollBar* green = w.form.slider(2);
    EXPECT_EQ(green->geometry(), QRect(16, 16, 49, 17));
    EXPECT_EQ(w.form.swatch()->geometry(), QRect(64, 0, 9, 49));

    // The thumb is short enough to show the position inside the narrow track.
    auto thumb = [](QScrollBar* bar) {
        QStyleOptionSlider opt;
        opt.initFrom(bar);
        opt.orientation = bar->orientation();
        opt.minimum = bar->minimum();
        opt.maximum = bar->maximum();
        opt.sliderPosition = opt.sliderValue = bar->value();
        opt.pageStep = bar->pageStep();
        opt.singleStep = bar->singleStep();
        return bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider, bar);
    };
    const QRect atZero = thumb(green);
    green->setValue(255);
    const QRect atFull = thumb(green);
    EXPECT_GE(atFull.left() - atZero.left(), 10);
    EXPECT_EQ(w.form.session().state().green, 255);
    green->setValue(200);
    EXPECT_EQ(w.form.session().state().green, 200);
    EXPECT_EQ(w.form.swatch()->palette().color(QPalette::Window), QColor(0, 200, 0));

    // Colour mode 3: a drawing move moves the sliders to the new colour.
    w.action("i3")->trigger();
    w.press({400, 400});
    const QColor before = w.form.swatch()->palette().color(QPalette::Window);
    w.move({410, 400}, Qt::LeftButton);
    const DrawingState& s = w.form.session().state();
    const QColor swatch = w.form.swatch()->palette().color(QPalette::Window);
    EXPECT_NE(swatch, before) << "a random colour of 2^24 is drawn";
    EXPECT_EQ(QColor(w.form.slider(1)->value(), w.form.slider(2)->value(), w.form.slider(3)->value()), swatch);
    EXPECT_EQ(joinColour(s.red, s.green, s.blue), Canvas::fromRgb(swatch.rgb()));
    w.move({420, 400}, Qt::LeftButton);
    w.release({420, 400});
    const QRgb painted = w.form.session().canvas().image().pixel(415, 400);
    EXPECT_NE(painted, qRgb(255, 255, 255));
}

TEST(Form1, StartsFromTheSettingsFileAndCloseWritesIt)
{
    QTemporaryDir dir;
    writeFile(dir.filePath("pic-ini.dat"), "200,100,50,10,3,4,5,\"x\",65280\r\n");
    {
        Window w(dir.path());
        EXPECT_EQ(w.form.slider(1)->value(), 200);
        EXPECT_EQ(w.form.slider(3)->value(), 50);
        EXPECT_EQ(w.form.swatch()->palette().color(QPalette::Window), QColor(200, 100, 50));
        EXPECT_EQ(w.form.session().canvas().image().pixel(500, 500), qRgb(0, 255, 0));
        EXPECT_EQ(w.form.session().state().brushIndex, 4);
        // The session manager may ask for the settings while the program
        // goes on; what is chosen afterwards is still stored at the close.
        w.form.Form_QueryUnload();
        w.form.slider(1)->setValue(7);
        w.form.close();
    }
    QFile f(dir.filePath("pic-ini.dat"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("7,100,50,10,3,4,5,\"x\",65280\r\n"));
}

TEST(Form1, StrokeRepaintsOnlyWhatChanged)
{
    QTemporaryDir dir;
    Window w(dir.path());
    // Records what the view is asked to repaint.
    struct PaintSpy : QObject {
        QRegion painted;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint)
                painted += static_cast<QPaintEvent*>(e)->region();
            return false;
        }
    } spy;
    QWidget* view = w.form.canvasView();
    test::waitUntilSettled(w.form);
    QApplication::processEvents();
    view->installEventFilter(&spy);
    w.press({500, 500});
    w.move({500, 500}, Qt::LeftButton);
    w.move({520, 510}, Qt::LeftButton);
    // A compositor repaints when it is ready for the next frame.
    EXPECT_TRUE(QTest::qWaitFor([&] { return spy.painted.contains(QPoint(510, 505)); }));
    QApplication::processEvents();
    view->removeEventFilter(&spy);
    EXPECT_EQ(w.form.session().canvas().image().pixel(510, 505), qRgb(0, 0, 0));
    // The stroke's own neighbourhood is repainted, not the whole canvas.
    EXPECT_TRUE(spy.painted.contains(QPoint(510, 505)));
    EXPECT_TRUE(QRect(480, 480, 60, 50).contains(spy.painted.boundingRect()))
        << spy.painted.boundingRect().x() << "," << spy.painted.boundingRect().y() << " "
        << spy.painted.boundingRect().width() << "x" << spy.painted.boundingRect().height();
}

TEST(Form1, PressesOnTheLabelsAndTheSwatchStartNoStroke)
{
    QTemporaryDir dir;
    Window w(dir.path());
    auto send = [](QWidget* target, QEvent::Type type, QPointF pos, Qt::MouseButtons held) {
        QMouseEvent e(type, pos, target->mapToGlobal(pos), Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(target, &e);
    };
    for (QWidget* target : {static_cast<QWidget*>(w.form.swatch()), w.form.findChild<QWidget*>("Label2")}) {
        ASSERT_NE(target, nullptr);
        send(target, QEvent::MouseButtonPress, {4, 5}, Qt::LeftButton);
        EXPECT_FALSE(w.form.session().state().isDrawing) << target->objectName().toStdString();
        send(target, QEvent::MouseButtonRelease, {4, 5}, Qt::NoButton);
    }
    // A press on the canvas itself still starts one.
    w.press({300, 300});
    EXPECT_TRUE(w.form.session().state().isDrawing);
}

TEST(Form1, KeyboardReachesTheMenusAndAClickedSlider)
{
    QTemporaryDir dir;
    Window w(dir.path());
    if (!becameActive(w.form))
        GTEST_SKIP() << kNoActivation;
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.form));
    // F10 opens "メニュー".
    QTest::keyClick(w.form.windowHandle(), Qt::Key_F10);
    ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }));
    EXPECT_EQ(QApplication::activePopupWidget(), w.form.findChild<QMenu*>("mnu"));
    QApplication::activePopupWidget()->close();
    QApplication::processEvents();

    // A click on the red slider's right arrow, then the arrow keys move it.
    QScrollBar* red = w.form.slider(1);
    QTest::mouseClick(red, Qt::LeftButton, Qt::NoModifier, QPoint(red->width() - 3, red->height() / 2));
    EXPECT_EQ(red->value(), 1);
    QTest::keyClick(w.form.windowHandle(), Qt::Key_Right);
    QTest::keyClick(w.form.windowHandle(), Qt::Key_Right);
    EXPECT_EQ(red->value(), 3);
    EXPECT_EQ(w.form.session().state().red, 3);
    QTest::keyClick(w.form.windowHandle(), Qt::Key_Left);
    EXPECT_EQ(red->value(), 2);
    QTest::keyClick(w.form.windowHandle(), Qt::Key_End);
    EXPECT_EQ(red->value(), 255);
}

TEST(Form1, UndoKeysTakeBackWholeStrokesButNothingWhileAButtonIsHeld)
{
    QTemporaryDir dir;
    Window w(dir.path());
    if (!becameActive(w.form))
        GTEST_SKIP() << kNoActivation;
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.form));
    auto key = [&](Qt::KeyboardModifiers mods, Qt::Key k) { QTest::keyClick(w.form.windowHandle(), k, mods); };
    const QImage blank = w.form.session().canvas().image().copy();
    DrawingState& s = w.form.session().state();

    // Brush 1 goes on painting after the release until its pen lifts: the
    // whole stroke is one step.
    s.brushIndex = 1;
    s.brushSize = 20;
    w.press({300, 300});
    for (int x = 300; x <= 400; x += 20)
        w.move({double(x), 300}, Qt::LeftButton);
    const QImage held = w.form.session().canvas().image().copy();
    key(Qt::ControlModifier, Qt::Key_Z);
    key(Qt::ControlModifier, Qt::Key_Y);
    key(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z);
    EXPECT_EQ(w.form.session().canvas().image(), held) << "keys act while the button is held";
    EXPECT_TRUE(s.isDrawing);
    w.release({400, 300});
    // Fast moves thin the pen until it lifts.
    int fadingMoves = 0;
    for (; s.isDrawing && fadingMoves < 20; ++fadingMoves)
        w.move({fadingMoves % 2 ? 400.0 : 700.0, 320});
    EXPECT_FALSE(s.isDrawing);
    EXPECT_GT(fadingMoves, 1);
    EXPECT_EQ(w.form.session().history().undoCount(), 1u);
    const QImage stroke = w.form.session().canvas().image().copy();
    EXPECT_NE(stroke, held) << "the fading moves painted";

    key(Qt::ControlModifier, Qt::Key_Z);
    EXPECT_EQ(w.form.session().canvas().image(), blank);
    key(Qt::ControlModifier, Qt::Key_Y);
    EXPECT_EQ(w.form.session().canvas().image(), stroke);
    key(Qt::ControlModifier, Qt::Key_Z);
    key(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z);
    EXPECT_EQ(w.form.session().canvas().image(), stroke);

    // An operation is a step too, and the keys show what they give back.
    w.action("g24")->trigger();
    key(Qt::ControlModifier, Qt::Key_Z);
    QApplication::processEvents();
    EXPECT_EQ(w.form.session().canvas().image(), stroke);
    EXPECT_EQ(w.form.canvasView()->grab().toImage().convertToFormat(QImage::Format_RGB32).pixel(300, 300),
              stroke.pixel(300, 300));
}

// Brushes that repaint only the cells that changed (large rings over their
// own last move, colour bands, two sets of circles) leave the window showing
// exactly the drawing after every move, wherever no control covers it.
TEST(Form1, LargeBrushStrokesLeaveTheWindowShowingTheDrawing)
{
    QTemporaryDir dir;
    Window w(dir.path());
    test::waitUntilSettled(w.form);
    QApplication::processEvents();
    if (w.form.screen()->grabWindow(w.form.winId()).isNull())
        GTEST_SKIP() << "this platform does not read back a window";
    QWidget* view = w.form.canvasView();
    const QPoint offset = view->mapTo(&w.form, QPoint(0, 0));
    QRegion controls;
    for (const QWidget* child : view->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        controls |= child->geometry();
    const QImage& drawing = w.form.session().canvas().image();
    DrawingState& s = w.form.session().state();
    s.brushSize = 100;
    for (int brush : {44, 33, 45}) {
        s.brushIndex = brush;
        QPointF p(view->width() / 2.0 - 40, view->height() / 2.0 - 30);
        w.press(p);
        for (int i = 0; i < 12; ++i) {
            p += QPointF(3 + i % 5, i % 3 - 1);
            w.move(p, Qt::LeftButton);
            QApplication::processEvents();
            const QImage shown = w.form.screen()->grabWindow(w.form.winId()).toImage().convertToFormat(QImage::Format_RGB32);
            const QRect seen = view->rect() & drawing.rect() & shown.rect().translated(-offset);
            int wrong = 0;
            QPoint first;
            for (int y = seen.top(); y <= seen.bottom(); ++y)
                for (int x = seen.left(); x <= seen.right(); ++x)
                    if (shown.pixel(x + offset.x(), y + offset.y()) != drawing.pixel(x, y) &&
                        !controls.contains(QPoint(x, y)) && wrong++ == 0)
                        first = QPoint(x, y);
            ASSERT_EQ(wrong, 0) << "brush " << brush << ", move " << i << ": first at " << first.x() << ","
                                << first.y();
        }
        w.release(p);
    }
}
