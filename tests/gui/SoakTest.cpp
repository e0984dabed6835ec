// SPDX-License-Identifier: GPL-3.0-or-later
// A long random session through the real window: mouse on the canvas, the
// sliders and the swatch, every menu action, keys, and the dialogs the file
// commands open (answered at random); then a normal close, whose settings
// file must read back. The seed is printed; PEMMA_SOAK_SEED=<n> replays a run.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "shell/core/SettingsFile.h"
#include "shell/window/CanvasView.h"
#include "shell/window/Form1.h"

using namespace pemma;

namespace {

constexpr int kEvents = 20000;
constexpr std::uint64_t kDefaultSeed = 20261207;

// Answers whatever modal dialog is open, at random: a file dialog gets one of
// the prepared names or Cancel, a message box one of its buttons.
class RandomAnswers : public QObject {
public:
    RandomAnswers(std::mt19937_64& rng, QStringList names) : rng_(rng), names_(std::move(names))
    {
        connect(&timer_, &QTimer::timeout, this, &RandomAnswers::poll);
        timer_.start(2);
        clock_.start();
    }
    int answered = 0;
    // The session calls this before each of its events.
    void step() { lastStep_ = clock_.elapsed(); }

private:
    void poll()
    {
        // A menu that holds the session in a loop of its own (the context
        // menu of a slider) gets a key once the session has stood still a while.
        if (QWidget* popup = QApplication::activePopupWidget()) {
            const qint64 now = clock_.elapsed();
            if (now - lastStep_ > 200 && now - lastKick_ > 100) {
                lastKick_ = now;
                if (rng_() % 2)
                    QTest::keyClick(popup, Qt::Key_Escape);
                else {
                    QTest::keyClick(popup, Qt::Key_Down);
                    QTest::keyClick(popup, Qt::Key_Return);
                }
                return;
            }
        }
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        // A dialog that is still open a while after its answer (a file dialog
        // that refused a name with a message of its own) is answered again,
        // the third time with Cancel.
        const int tries = modal->property("soakTries").toInt();
        const qint64 at = modal->property("soakAt").toLongLong();
        if (tries > 0 && clock_.elapsed() - at < 200)
            return;
        modal->setProperty("soakTries", tries + 1);
        modal->setProperty("soakAt", clock_.elapsed());
        ++answered;
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            const int pick = static_cast<int>(rng_() % (names_.size() + 1));
            if (pick == names_.size() || tries >= 2) {
                QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
                return;
            }
            dialog->selectFile(names_[pick]);
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
            return;
        }
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            const QList<QAbstractButton*> buttons = box->buttons();
            if (!buttons.isEmpty()) {
                QAbstractButton* b = buttons[static_cast<int>(rng_() % buttons.size())];
                QMetaObject::invokeMethod(b, "click", Qt::QueuedConnection);
                return;
            }
        }
        QMetaObject::invokeMethod(modal, "close", Qt::QueuedConnection);
    }
    std::mt19937_64& rng_;
    QStringList names_;
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 lastStep_ = 0, lastKick_ = 0;
};

std::uint64_t soakSeed()
{
    if (const char* s = std::getenv("PEMMA_SOAK_SEED"))
        return std::strtoull(s, nullptr, 10);
    return kDefaultSeed;
}

} // namespace

TEST(Soak, TwentyThousandRandomEventsThenACloseWhoseSettingsReadBack)
{
    const std::uint64_t seed = soakSeed();
    std::printf("soak seed: %llu (replay with PEMMA_SOAK_SEED=%llu)\n", static_cast<unsigned long long>(seed),
                static_cast<unsigned long long>(seed));
    std::fflush(stdout);
    std::mt19937_64 rng(seed);
    auto below = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Files for the dialogs: pictures smaller and larger than the drawing, a
    // file that is no picture, new names, a name in a missing folder.
    QImage small(120, 90, QImage::Format_RGB32);
    small.fill(qRgb(200, 40, 90));
    ASSERT_TRUE(small.save(dir.filePath("small.png")));
    QImage large(900, 700, QImage::Format_ARGB32);
    large.fill(qRgba(10, 120, 250, 128));
    ASSERT_TRUE(large.save(dir.filePath("large.png")));
    {
        QFile text(dir.filePath("notes.txt"));
        ASSERT_TRUE(text.open(QIODevice::WriteOnly));
        text.write("no picture here");
    }
    const QStringList names{dir.filePath("small.png"), dir.filePath("large.png"), dir.filePath("notes.txt"),
                            dir.filePath("saved.bmp"), dir.filePath("saved.jpg"), dir.filePath("none/x.bmp")};

    Form1 form({dir.path(), ScreenMetrics{640, 480, 15, 15}});
    form.Form_Load();
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    RandomAnswers answers(rng, names);

    QList<QAction*> actions; // every item of every menu
    for (const char* menu : {"mnu", "jpgsave", "gazou", "iro", "fude", "fu"})
        for (QAction* a : form.findChild<QMenu*>(QString::fromLatin1(menu))->actions())
            if (!a->menu() && !a->isSeparator())
                actions << a;
    ASSERT_EQ(actions.size(), 6 + 6 + 33 + 11 + 46 + 17);

    QWidget* view = form.canvasView();
    const QRect controls(0, 0, 80, 60); // the sliders, labels and swatch, in the view
    auto randomPoint = [&]() -> QPoint {
        switch (below(4)) {
        case 0: // on the controls
            return view->mapTo(&form, QPoint(below(controls.width()), below(controls.height())));
        case 1: // anywhere in the window, the menu bar included
            return QPoint(below(form.width()), below(form.height()));
        default: // on the canvas
            return view->mapTo(&form, QPoint(below(view->width()), below(view->height())));
        }
    };
    const Qt::MouseButton buttons[] = {Qt::LeftButton, Qt::LeftButton, Qt::RightButton, Qt::MiddleButton};
    const Qt::Key keys[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up,     Qt::Key_Down,   Qt::Key_Home,
                            Qt::Key_End,  Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_F10, Qt::Key_Escape,
                            Qt::Key_Return, Qt::Key_Space, Qt::Key_Tab,  Qt::Key_Backtab, Qt::Key_A};
    Qt::MouseButton held = Qt::NoButton;
    QPoint pointer(300, 300);

    // Every menu action once, then everything at random.
    int event = 0;
    for (QAction* a : actions) {
        a->trigger();
        ++event;
    }
    for (; event < kEvents; ++event) {
        if (event % 2000 == 0) {
            std::printf("soak: event %d\n", event);
            std::fflush(stdout);
        }
        // Keys and clicks go to whatever window is in front: a menu, a dialog
        // left open, or the painter.
        answers.step();
        QWidget* front = QApplication::activePopupWidget();
        QWindow* target = front && front->windowHandle() ? front->windowHandle() : form.windowHandle();
        const int kind = below(100);
        if (kind < 55) { // move, with or without a button held
            pointer = below(8) == 0 ? randomPoint() : pointer + QPoint(below(41) - 20, below(41) - 20);
            pointer = QPoint(std::clamp(pointer.x(), 0, form.width() - 1),
                             std::clamp(pointer.y(), 0, form.height() - 1));
            QTest::mouseMove(form.windowHandle(), pointer);
        } else if (kind < 75) { // press, or release the button held
            if (held == Qt::NoButton) {
                held = buttons[below(4)];
                pointer = randomPoint();
                QTest::mousePress(form.windowHandle(), held, Qt::NoModifier, pointer);
            } else {
                QTest::mouseRelease(form.windowHandle(), held, Qt::NoModifier, pointer);
                held = Qt::NoButton;
            }
        } else if (kind < 82) { // a menu action
            if (held != Qt::NoButton) {
                QTest::mouseRelease(form.windowHandle(), held, Qt::NoModifier, pointer);
                held = Qt::NoButton;
            }
            actions[below(static_cast<int>(actions.size()))]->trigger();
        } else if (kind < 90) { // a key
            QTest::keyClick(target, keys[below(static_cast<int>(std::size(keys)))],
                            below(6) == 0 ? Qt::AltModifier : Qt::NoModifier);
        } else if (kind < 95) { // a slider set by its wheel or directly
            QScrollBar* bar = form.slider(1 + below(3));
            if (below(2) == 0) {
                bar->setValue(below(300) - 20);
            } else {
                const QPointF at(below(bar->width()), below(bar->height()));
                QWheelEvent wheel(at, bar->mapToGlobal(at), QPoint(), QPoint(0, below(2) ? 120 : -120),
                                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
                QApplication::sendEvent(bar, &wheel);
            }
        } else { // a click on the swatch, a label or a slider
            const QPoint at = view->mapTo(&form, QPoint(below(controls.width()), below(controls.height())));
            QTest::mouseClick(form.windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
        }
    }
    if (held != Qt::NoButton)
        QTest::mouseRelease(form.windowHandle(), held, Qt::NoModifier, pointer);
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    QApplication::processEvents();
    std::printf("soak: %d events, %d dialogs answered\n", event, answers.answered);
    EXPECT_GT(answers.answered, 0);

    // A normal close writes the settings, and they read back.
    QFile::remove(dir.filePath(QString::fromLatin1(kSettingsFileName)));
    EXPECT_TRUE(form.close());
    QFile file(dir.filePath(QString::fromLatin1(kSettingsFileName)));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "the close wrote no settings file";
    const QByteArray written = file.readAll();
    const SettingsReadResult back = readSettings(dir.path());
    EXPECT_TRUE(back.found);
    EXPECT_TRUE(back.ignored.empty()) << written.toStdString();
    EXPECT_EQ(formatSettingsLine(back.settings), written.toStdString());
    EXPECT_EQ(formatSettingsLine(settingsFromState(form.session().state())), written.toStdString());
}
