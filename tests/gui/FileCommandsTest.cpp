// SPDX-License-Identifier: GPL-3.0-or-later
// The file commands through the real menu actions, Qt file dialog and
// question box under the offscreen platform.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <deque>
#include <functional>

#include "shell/window/CanvasView.h"
#include "shell/window/Form1.h"

using namespace pemma;

namespace {

// Answers the modal dialogs that the next command opens, one step per dialog,
// in order, for as long as it lives. A dialog beyond the steps, or after
// 10 s, is rejected and counted.
class ModalScript : public QObject {
public:
    using Step = std::function<void(QWidget*)>;
    explicit ModalScript(std::initializer_list<Step> steps) : steps_(steps)
    {
        timer_.setInterval(5);
        connect(&timer_, &QTimer::timeout, this, &ModalScript::poll);
        timer_.start();
        elapsed_.start();
    }
    bool done() const { return steps_.empty(); }
    int stuck = 0;

private:
    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || modal->property("answered").toBool())
            return;
        if (steps_.empty() || elapsed_.elapsed() > 10000) {
            ++stuck;
            modal->setProperty("answered", true);
            QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
            return;
        }
        modal->setProperty("answered", true);
        Step step = steps_.front();
        steps_.pop_front();
        step(modal);
    }
    std::deque<Step> steps_;
    QTimer timer_;
    QElapsedTimer elapsed_;
};

QStringList shownFilters(QWidget* w)
{
    QStringList out;
    auto* combo = w->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    for (int i = 0; combo && i < combo->count(); ++i)
        out << combo->itemText(i);
    return out;
}

int shownFilterIndex(QWidget* w)
{
    auto* combo = w->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    return combo ? combo->currentIndex() : -1;
}

// Types the name and accepts, as a user would.
ModalScript::Step choose(QString name, std::function<void(QFileDialog*)> check = {})
{
    return [name, check](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        if (check)
            check(dialog);
        dialog->selectFile(name);
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    };
}

ModalScript::Step answer(QMessageBox::StandardButton button, QString expectedText)
{
    return [button, expectedText](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->icon(), QMessageBox::Question);
        EXPECT_EQ(box->text(), expectedText);
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Pemmarover1.1"));
        EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
        if (button == QMessageBox::Cancel) { // Escape
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(box, &press);
        } else {
            box->button(button)->click();
        }
    };
}

struct Window {
    explicit Window(const QString& folder) : form({folder, ScreenMetrics{1024, 768, 15, 15}})
    {
        form.Form_Load();
        form.show();
    }
    void trigger(const char* name) { form.findChild<QAction*>(QString::fromLatin1(name))->trigger(); }
    Form1 form;
};

} // namespace

TEST(FileCommands, SaveAsksUntilYesWithTheDialogsAsSetAndWritesTheDrawing)
{
    QTemporaryDir dir;
    Window w(dir.path());
    w.form.session().canvas().pset(20, 30, 0x0000FF);
    const QString first = dir.filePath(QStringLiteral("一枚目 の絵.bmp"));
    const QString second = dir.filePath(QStringLiteral("二枚目"));
    const QString q = QStringLiteral("の保存を続行しますか。");

    {
    ModalScript script{
        choose(first,
               [](QFileDialog* d) {
                   EXPECT_EQ(d->acceptMode(), QFileDialog::AcceptSave);
                   EXPECT_TRUE(d->testOption(QFileDialog::DontConfirmOverwrite));
                   EXPECT_EQ(shownFilters(d), QStringList{QStringLiteral("すべてのファイル (*.bmp)")});
                   EXPECT_EQ(shownFilterIndex(d), 0);
               }),
        answer(QMessageBox::No, first + q),
        choose(first,
               [&](QFileDialog* d) {
                   // Shown again where it was, with the name just chosen.
                   EXPECT_EQ(d->directory().absolutePath(), QDir(dir.path()).absolutePath());
                   EXPECT_EQ(d->selectedFiles().value(0), first);
               }),
        answer(QMessageBox::Cancel, first + q), // Escape answers No
        choose(second),
        answer(QMessageBox::Yes, second + q),
    };
    w.trigger("bmpsave");
    EXPECT_TRUE(script.done());
    EXPECT_EQ(script.stuck, 0);
    EXPECT_FALSE(QFileInfo::exists(first));
    QImage back(second, "bmp");
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), w.form.session().canvas().image());
    }

    const QString jpg = dir.filePath(QStringLiteral("three.jpg"));
    ModalScript jpeg{
        choose(jpg,
               [](QFileDialog* d) {
                   EXPECT_EQ(shownFilters(d), (QStringList{QStringLiteral("すべてのファイル (*.*)"),
                                                           QStringLiteral("bmpファイル (*.bmp)"),
                                                           QStringLiteral("jpgファイル (*.jpg)")}));
                   EXPECT_EQ(shownFilterIndex(d), 2);
               }),
        answer(QMessageBox::Yes, jpg + q),
    };
    // A window of 500 x 400: the JPEG holds its client area, the canvas
    // below the menu bar. Under Wayland the window is maximized, and a
    // maximized window takes the compositor's size: it is made normal first.
    if (w.form.windowState() & Qt::WindowMaximized) {
        // Sized by the compositor until it has taken back the maximized state.
        const QSize maximized = w.form.size();
        w.form.showNormal();
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.form.size() != maximized; }));
    }
    w.form.resize(500, 400);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.form.size() == QSize(500, 400); }));
    w.trigger("jpg60");
    EXPECT_TRUE(jpeg.done());
    QImage photo(jpg, "jpeg");
    EXPECT_EQ(photo.width(), 500);
    EXPECT_EQ(photo.height(), w.form.canvasView()->height());
    EXPECT_LT(photo.height(), 400);
    EXPECT_GT(photo.height(), 340);
}

TEST(FileCommands, OpenListsNamesWithoutADotAndReportsAFileThatIsNoPicture)
{
    QTemporaryDir dir;
    Window w(dir.path());
    QImage picture(30, 20, QImage::Format_RGB32);
    picture.fill(qRgb(10, 200, 30));
    const QString name = dir.filePath(QStringLiteral("no dot"));
    ASSERT_TRUE(picture.save(name, "png"));

    {
    ModalScript script{choose(name, [](QFileDialog* d) {
        EXPECT_EQ(d->acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_EQ(shownFilters(d), QStringList{QStringLiteral("すべてのファイル (*.*)")});
        auto* model = d->findChild<QFileSystemModel*>();
        ASSERT_NE(model, nullptr);
        EXPECT_EQ(model->nameFilters(), QStringList{QStringLiteral("*")});
    })};
    w.trigger("bmpopen");
    EXPECT_TRUE(script.done());
    EXPECT_EQ(w.form.session().canvas().pixel(29, 19), 10 + 200 * 256 + 30 * 65536);
    EXPECT_EQ(w.form.session().state().pictureWidth, 794); // 793.75
    }

    const QString text = dir.filePath(QStringLiteral("readme.txt"));
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("text");
    f.close();
    QString reported;
    ModalScript bad{choose(text), [&reported](QWidget* wgt) {
                        auto* box = qobject_cast<QMessageBox*>(wgt);
                        ASSERT_NE(box, nullptr);
                        reported = box->text();
                        box->button(QMessageBox::Ok)->click();
                    }};
    w.trigger("bmpopen");
    EXPECT_TRUE(bad.done());
    EXPECT_TRUE(reported.contains(text)) << reported.toStdString();
    EXPECT_EQ(w.form.session().canvas().pixel(29, 19), 10 + 200 * 256 + 30 * 65536);
}

TEST(FileCommands, LayerActionsRebuildTheDrawing)
{
    QTemporaryDir dir;
    Window w(dir.path());
    w.form.slider(1)->setValue(200);
    w.form.slider(2)->setValue(100);
    w.form.slider(3)->setValue(50);
    w.form.session().canvas().pset(500, 500, 0x00FF00);
    w.trigger("chback");
    EXPECT_EQ(w.form.session().canvas().pixel(500, 500), 200 + 100 * 256 + 50 * 65536);
    w.trigger("black");
    EXPECT_EQ(w.form.session().canvas().pixel(500, 500), 0);
    w.trigger("clback");
    EXPECT_EQ(w.form.session().canvas().pixel(500, 500), 0xFFFFFF);
    w.form.session().canvas().setPicture(QImage(10, 10, QImage::Format_RGB32));
    w.trigger("clsc");
    EXPECT_TRUE(w.form.session().canvas().picture().isNull());
}

TEST(FileCommands, ADroppedPictureOpensAsTheMenuWouldAndTheNextDialogStartsBesideIt)
{
    QTemporaryDir dir;
    Window w(dir.path());
    ASSERT_TRUE(QDir(dir.path()).mkdir("pictures"));
    const QString folder = dir.filePath("pictures");
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(qRgb(200, 10, 90));
    const QString name = folder + "/drop.png";
    ASSERT_TRUE(picture.save(name));
    w.form.session().canvas().pset(100, 100, 0x00FF00);
    const QImage before = w.form.session().canvas().image().copy();

    auto drop = [&](const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&w.form, &enter);
        QDropEvent dropped(QPointF(300, 300), Qt::CopyAction, &data, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&w.form, &dropped);
        QApplication::processEvents();
        return enter.isAccepted();
    };
    // Several files, or a file that is not local, do nothing.
    EXPECT_FALSE(drop({QUrl::fromLocalFile(name), QUrl::fromLocalFile(name)}));
    EXPECT_FALSE(drop({QUrl("https://example.org/drop.png")}));
    EXPECT_EQ(w.form.session().canvas().image(), before);

    EXPECT_TRUE(drop({QUrl::fromLocalFile(name)}));
    QApplication::processEvents();
    ASSERT_FALSE(w.form.session().canvas().picture().isNull());
    EXPECT_EQ(w.form.session().canvas().pixel(39, 29), 200 + 10 * 256 + 90 * 65536);
    EXPECT_EQ(w.form.session().canvas().pixel(100, 100), 0xFFFFFF) << "opening rebuilds the drawing";
    EXPECT_EQ(w.form.session().state().pictureWidth, 1058); // 1058.33 hundredths of a millimetre
    EXPECT_EQ(w.form.session().history().undoCount(), 1u);
    w.form.session().history().undo();
    EXPECT_EQ(w.form.session().canvas().image(), before);
    EXPECT_TRUE(w.form.session().canvas().picture().isNull());
    EXPECT_EQ(w.form.session().state().pictureWidth, 0);

    ModalScript script{[&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->directory().absolutePath(), QDir(folder).absolutePath());
        QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
    }};
    w.trigger("bmpopen");
    EXPECT_TRUE(script.done());
    EXPECT_EQ(w.form.session().history().undoCount(), 0u) << "a cancelled open is no step";
    EXPECT_EQ(w.form.session().history().redoCount(), 1u);

    // A name that is no UTF-8 comes in the URL as its bytes and opens.
    picture.fill(qRgb(20, 110, 190));
    ASSERT_TRUE(picture.save(folder + "/x.png"));
    const QByteArray latin1 = QFile::encodeName(folder) + "/\xE9t\xE9.png";
    ASSERT_EQ(::rename(QFile::encodeName(folder + "/x.png").constData(), latin1.constData()), 0);
    EXPECT_TRUE(drop({QUrl(QStringLiteral("file://") + QString::fromLatin1(latin1.toPercentEncoding("/")))}));
    QApplication::processEvents();
    EXPECT_EQ(w.form.session().canvas().pixel(39, 29), 20 + 110 * 256 + 190 * 65536);
}
