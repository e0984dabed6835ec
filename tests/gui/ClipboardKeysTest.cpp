// SPDX-License-Identifier: GPL-3.0-or-later
// Copy, paste and save as PNG through the real window under the offscreen
// platform: the standard keys, the clipboard, the save dialog and the boxes.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>

#include "shell/window/CanvasView.h"
#include "shell/window/Form1.h"
#include "support/Platform.h"

using namespace pemma;

namespace {

// Answers the modal dialogs opened while it lives, one step per dialog, in
// order; counts those beyond its steps (and rejects them).
class Modals {
public:
    using Step = std::function<void(QWidget*)>;
    explicit Modals(std::deque<Step> steps) : steps_(std::move(steps))
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible() || modal->property("answered").toBool())
                return;
            modal->setProperty("answered", true);
            if (steps_.empty()) {
                ++extra;
                QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
                return;
            }
            Step step = std::move(steps_.front());
            steps_.pop_front();
            step(modal);
        });
        timer_.start(5);
    }
    bool done() const { return steps_.empty(); }
    int extra = 0;

private:
    std::deque<Step> steps_;
    QTimer timer_;
};

QByteArray png(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "png");
    return bytes;
}

TEST(ClipboardKeys, CopyPasteAndSaveWithTheStandardKeysAndNothingWhileAButtonIsHeld)
{
    // A compositor without a seat (Weston's headless one) has no clipboard
    // to offer to: Qt refuses to set one there.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        GTEST_SKIP() << "the headless compositor has no seat, so no clipboard";
    QTemporaryDir dir;
    Form1 form({dir.path(), ScreenMetrics{1024, 768, 15, 15}});
    form.Form_Load();
    form.show();
    if (!test::becameActive(form))
        GTEST_SKIP() << test::kNoActivation;
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    auto key = [&](QKeySequence::StandardKey standard) {
        const QKeyCombination keys = QKeySequence::keyBindings(standard).value(0)[0];
        QTest::keyClick(form.windowHandle(), keys.key(), keys.keyboardModifiers());
    };
    auto mouse = [&](QEvent::Type type, Qt::MouseButtons held) {
        QMouseEvent e(type, QPointF(500, 500), form.canvasView()->mapToGlobal(QPointF(500, 500)), Qt::LeftButton,
                      held, Qt::NoModifier);
        QApplication::sendEvent(form.canvasView(), &e);
    };
    PaintSession& session = form.session();
    Canvas& canvas = session.canvas();
    QClipboard* clipboard = QGuiApplication::clipboard();
    canvas.setDrawWidth(9);
    canvas.line(10, 700, 1000, 20, 0x3366CC);

    // Ctrl+C: the whole drawing, pixel for pixel.
    key(QKeySequence::Copy);
    ASSERT_NE(clipboard->mimeData(), nullptr);
    const QImage copied = QImage::fromData(clipboard->mimeData()->data(QStringLiteral("image/png")), "png");
    EXPECT_EQ(copied.convertToFormat(QImage::Format_RGB32), canvas.image());

    // While a button is held neither key does anything.
    QImage picture(50, 40, QImage::Format_RGB32);
    picture.fill(qRgb(10, 200, 30));
    auto* offered = new QMimeData;
    offered->setData(QStringLiteral("image/png"), png(picture));
    clipboard->setMimeData(offered);
    mouse(QEvent::MouseButtonPress, Qt::LeftButton);
    const QImage pressed = canvas.image().copy();
    key(QKeySequence::Paste);
    key(QKeySequence::Copy);
    EXPECT_EQ(canvas.image(), pressed);
    EXPECT_EQ(clipboard->mimeData(), offered);
    mouse(QEvent::MouseButtonRelease, Qt::NoButton);

    // Ctrl+V: the picture becomes the background, one step undone by Ctrl+Z.
    const QImage before = canvas.image().copy();
    const size_t steps = session.history().undoCount();
    key(QKeySequence::Paste);
    EXPECT_EQ(canvas.pixel(49, 39), 10 + 200 * 256 + 30 * 65536);
    EXPECT_EQ(canvas.pixel(500, 500), 0xFFFFFF);
    EXPECT_EQ(session.state().pictureWidth, 1323); // 1322.92
    EXPECT_EQ(session.history().undoCount(), steps + 1);
    key(QKeySequence::Undo);
    EXPECT_EQ(canvas.image(), before);

    // Text is no picture: the message, and nothing changes.
    clipboard->setText(QStringLiteral("no picture here"));
    QString said;
    {
        Modals boxes({[&said](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr);
            said = box->text();
            box->button(QMessageBox::Ok)->click();
        }});
        key(QKeySequence::Paste);
        EXPECT_TRUE(boxes.done());
    }
    EXPECT_TRUE(said.startsWith(QStringLiteral("「クリップボードの内容」を画像として開けませんでした。\n"))) << said.toStdString();
    EXPECT_EQ(canvas.image(), before);
    EXPECT_EQ(session.history().undoCount(), steps);

    // Ctrl+S: the PNG save dialog, the question about the name with its
    // suffix, and a file that reloads pixel for pixel.
    form.activateWindow(); // again, after the box
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    const QString name = dir.filePath(QStringLiteral("描いた絵"));
    QStringList filters;
    QString asked;
    {
        Modals dialogs({[&](QWidget* w) {
                            auto* dialog = qobject_cast<QFileDialog*>(w);
                            ASSERT_NE(dialog, nullptr);
                            EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
                            auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
                            for (int i = 0; combo && i < combo->count(); ++i)
                                filters << combo->itemText(i);
                            dialog->selectFile(name);
                            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
                        },
                        [&](QWidget* w) {
                            auto* box = qobject_cast<QMessageBox*>(w);
                            ASSERT_NE(box, nullptr);
                            asked = box->text();
                            box->button(QMessageBox::Yes)->click();
                        }});
        key(QKeySequence::Save);
        EXPECT_TRUE(dialogs.done());
        EXPECT_EQ(dialogs.extra, 0);
    }
    EXPECT_EQ(filters, QStringList{QStringLiteral("PNG (*.png)")});
    EXPECT_EQ(asked, name + QStringLiteral(".pngの保存を続行しますか。"));
    const QImage saved(name + QStringLiteral(".png"), "png");
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), canvas.image());
}

} // namespace
