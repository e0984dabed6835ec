// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>

#include "shell/window/CanvasView.h"
#include "shell/window/Form1.h"
#include "shell/window/RestoreQuestionBox.h"
#include "support/KeepSupport.h"

using namespace pemma;

namespace {

// A window keeping its painting in `state`, its settings in `settings`.
struct Keeping {
    Keeping(const QString& settings, const QString& state, RestoreQuestion& question)
        : form({settings, ScreenMetrics{1024, 768, 15, 15}})
    {
        form.Form_Load();
        form.show();
        start = hash();
        form.startKeeping(state, question);
    }
    void drag(QPointF from, QPointF to)
    {
        QWidget* view = form.canvasView();
        auto send = [view](QEvent::Type type, QPointF p, Qt::MouseButton b, Qt::MouseButtons held) {
            QMouseEvent e(type, p, view->mapToGlobal(p), b, held, Qt::NoModifier);
            QApplication::sendEvent(view, &e);
        };
        send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        for (int i = 1; i <= 10; ++i)
            send(QEvent::MouseMove, from + (to - from) * i / 10, Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    }
    std::uint64_t hash()
    {
        PaintSession& s = form.session();
        return test::paintingHash(s.canvas().image(), s.canvas().backColor(), s.canvas().picture(),
                                  s.state().pictureWidth, s.state().pictureHeight);
    }
    // Keeps what is shown now, as the timer would.
    void keepNow()
    {
        form.session().keeper()->keepNow();
        form.session().keeper()->waitIdle();
    }
    Form1 form;
    std::uint64_t start = 0;
};

struct Scripted final : RestoreQuestion {
    explicit Scripted(Answer a = Answer::Yes) : answer(a) {}
    Answer askRestore() override
    {
        ++asked;
        return answer;
    }
    Answer answer;
    int asked = 0;
};

// A picture with transparent parts, so the background colour shows through.
QString writePicture(const QTemporaryDir& dir)
{
    QImage picture(300, 200, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.fillRect(20, 20, 200, 120, QColor(200, 40, 90, 160));
    p.fillRect(100, 60, 180, 130, QColor(10, 200, 60));
    p.end();
    const QString path = dir.filePath("picture.png");
    picture.save(path);
    return path;
}

} // namespace

TEST(KeepWindow, AfterANormalCloseNoQuestionAndUndoBringsTheLastPaintingBackPixelForPixel)
{
    QTemporaryDir settings, state, files;
    std::uint64_t last = 0;
    {
        Scripted never;
        Keeping w(settings.path(), state.path(), never);
        EXPECT_EQ(never.asked, 0);
        w.form.openPictureFile(FileName::fromText(writePicture(files)));
        w.form.findChild<QAction*>("black")->trigger();
        w.drag({50, 300}, {600, 500});
        last = w.hash();
        ASSERT_FALSE(w.form.session().canvas().picture().isNull());
        EXPECT_NE(last, w.start);
        EXPECT_TRUE(w.form.close());
    }
    Scripted never;
    Keeping w(settings.path(), state.path(), never);
    EXPECT_EQ(never.asked, 0) << "no question after a normal close";
    EXPECT_EQ(w.hash(), w.start) << "the start is exactly the usual start";
    w.form.undoStep();
    EXPECT_EQ(w.hash(), last) << "Ctrl+Z brings the last painting back, picture and background colour included";
    w.form.redoStep();
    EXPECT_EQ(w.hash(), w.start);
    w.form.undoStep();
    w.form.undoStep();
    EXPECT_EQ(w.hash(), last) << "the painting is the oldest step";
}

TEST(KeepWindow, AfterAKillTheQuestionComesOnceYesIsOneStepAndNoLeavesThePaintingUnder)
{
    QTemporaryDir settings, state, files;
    std::uint64_t painted = 0;
    {
        Scripted never;
        Keeping w(settings.path(), state.path(), never);
        w.drag({100, 100}, {500, 400});
        w.keepNow();
        painted = w.hash();
        // Destroyed without its close handling, as a kill leaves it.
    }
    {
        Scripted yes(RestoreQuestion::Answer::Yes);
        Keeping w(settings.path(), state.path(), yes);
        EXPECT_EQ(yes.asked, 1);
        EXPECT_EQ(w.hash(), painted);
        // Started with a file: it opens after the question as its own step.
        w.form.openPictureFile(FileName::fromText(writePicture(files)));
        const std::uint64_t opened = w.hash();
        w.form.undoStep();
        EXPECT_EQ(w.hash(), painted);
        w.form.undoStep();
        EXPECT_EQ(w.hash(), w.start) << "Ctrl+Z after Yes gives the blank canvas";
        w.form.redoStep();
        EXPECT_EQ(w.hash(), painted) << "Ctrl+Y gives the painting again";
        w.form.redoStep();
        EXPECT_EQ(w.hash(), opened);
        w.form.undoStep();
        w.form.undoStep();
        // Killed again with the blank canvas shown.
    }
    {
        Scripted no(RestoreQuestion::Answer::No);
        Keeping w(settings.path(), state.path(), no);
        EXPECT_EQ(no.asked, 0) << "answered once, never asked again";
    }
    {
        Scripted never;
        Keeping w(settings.path(), state.path(), never);
        w.drag({700, 100}, {900, 600});
        w.keepNow();
        painted = w.hash();
    }
    Scripted no(RestoreQuestion::Answer::No);
    Keeping w(settings.path(), state.path(), no);
    EXPECT_EQ(no.asked, 1);
    EXPECT_EQ(w.hash(), w.start) << "No starts blank";
    w.form.undoStep();
    EXPECT_EQ(w.hash(), painted) << "the painting still waits under it";
}

TEST(KeepWindow, TheQuestionIsAJapaneseYesNoBoxWithYesFirstAndAnEndWhileItIsOpenDismissesIt)
{
    QTranslator qt;
    ASSERT_TRUE(qt.load(QLocale(QLocale::Japanese, QLocale::Japan), "qtbase", "_",
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
    QApplication::installTranslator(&qt);
    QTemporaryDir settings;
    Form1 form({settings.path(), ScreenMetrics{1024, 768, 15, 15}});
    form.Form_Load();
    form.show();
    RestoreQuestionBox box(&form, form.endOfRun());

    QString text, yes, no;
    bool yesIsDefault = false;
    auto look = [&](QMessageBox::StandardButton press) {
        QTimer::singleShot(0, [&, press]() mutable {
            auto* m = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_TRUE(m);
            text = m->text();
            yes = m->button(QMessageBox::Yes)->text();
            no = m->button(QMessageBox::No)->text();
            yesIsDefault = static_cast<QAbstractButton*>(m->defaultButton()) == m->button(QMessageBox::Yes);
            if (press == QMessageBox::NoButton) {
                // A signal or a logout while it is open. (With the main
                // event loop running, the close also ends the box's loop.)
                form.close();
                press = QMessageBox::Yes;
            }
            m->button(press)->click();
        });
    };
    look(QMessageBox::Yes);
    EXPECT_EQ(box.askRestore(), RestoreQuestion::Answer::Yes);
    EXPECT_EQ(text, QString::fromUtf8("前回の絵を復元しますか。"));
    EXPECT_TRUE(yesIsDefault);
    EXPECT_EQ(yes, QCoreApplication::translate("QPlatformTheme", "&Yes"));
    EXPECT_EQ(no, QCoreApplication::translate("QPlatformTheme", "&No"));
    EXPECT_NE(yes, "&Yes") << "Qt's Japanese words";
    look(QMessageBox::No);
    EXPECT_EQ(box.askRestore(), RestoreQuestion::Answer::No);

    EXPECT_FALSE(QFile::exists(settings.filePath("pic-ini.dat")));
    look(QMessageBox::NoButton);
    EXPECT_EQ(box.askRestore(), RestoreQuestion::Answer::Dismissed);
    EXPECT_TRUE(form.endOfRun().done());
    EXPECT_TRUE(QFile::exists(settings.filePath("pic-ini.dat"))) << "the close handling ran";
    QApplication::removeTranslator(&qt);
}
