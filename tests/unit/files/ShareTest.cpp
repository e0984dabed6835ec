// SPDX-License-Identifier: GPL-3.0-or-later
// Sharing a painting: the copy for the clipboard, paste as the background
// (as opening the picture's file would, or nothing at all), the PNG save.
#include <QBuffer>
#include <QDir>
#include <QImageWriter>
#include <QMimeData>
#include <QUrl>
#include <QtEndian>
#include <cstdio>
#include <functional>

#include "files/ClipboardContent.h"
#include "files/PictureFiles.h"
#include "files/ShareCommands.h"
#include "unit/files/FilesFixture.h"

namespace pemma::test {
namespace {

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(QImageWriter(&buffer, format).write(image));
    return bytes;
}

std::unique_ptr<QMimeData> offering(std::initializer_list<std::pair<const char*, QByteArray>> formats)
{
    auto data = std::make_unique<QMimeData>();
    for (const auto& [format, bytes] : formats)
        data->setData(QString::fromLatin1(format), bytes);
    return data;
}

class ShareTest : public FilesTest {};

// A painted drawing with an opened picture, in a session whose file
// commands use the scripted dialogs.
struct Painted {
    Painted()
    {
        rig.session.setFileUi(&dialogs, &window);
        rig.canvas.setDrawWidth(9);
        rig.canvas.line(10, 700, 1000, 20, 0x3366CC);
        rig.state.pictureWidth = 1234;
        rig.state.pictureHeight = 567;
    }
    Rig rig;
    ScriptedDialogs dialogs;
    ScriptedWindow window;
};

TEST_F(ShareTest, ACopyHoldsTheDrawingPixelForPixelAsPngAndBmpAndKeepsItWhilePaintingGoesOn)
{
    rig.canvas.setPicture(pattern(300, 200)); // something on every row and column
    rig.canvas.setDrawWidth(9);
    rig.canvas.line(10, 700, 1000, 20, 0x3366CC);
    rig.canvas.pset(1023, 767, 0x00FF00);
    const QImage drawn = rig.canvas.image().copy();

    const std::unique_ptr<QMimeData> copy = canvasCopy(rig.canvas.image());
    rig.canvas.line(0, 0, 1023, 767, 0xFF0000);
    ASSERT_NE(rig.canvas.image(), drawn);

    EXPECT_EQ(copy->formats(), (QStringList{QStringLiteral("image/png"), QStringLiteral("image/bmp")}));
    for (const char* format : {"png", "bmp"}) {
        const QByteArray bytes = copy->data(QStringLiteral("image/") + QLatin1String(format));
        const QImage back = QImage::fromData(bytes, format);
        ASSERT_FALSE(back.isNull()) << format;
        EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), drawn) << format;
    }
    EXPECT_TRUE(copy->data(QStringLiteral("text/plain")).isEmpty());
}



// Each form a picture takes on a clipboard pastes exactly as opening the file
// of the same picture does, as one step that undo takes back whole.
TEST_F(ShareTest, EveryFormOfAPicturePastesAsItsFileOpensAndUndoRestoresEverything)
{
    // Wider than the screen in hundredths of a millimetre: the cap applies.
    const QImage picture = pattern(700, 300);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("絵 の")));
    const QString png = path(QStringLiteral("絵 の/写真 1.png"));
    const QString jpeg = path(QStringLiteral("photo.jpg"));
    ASSERT_TRUE(picture.save(png, "png"));
    ASSERT_TRUE(picture.save(jpeg, "jpeg"));
    const QByteArray jpegBytes = bytes(jpeg);
    const QByteArray url = QUrl::fromLocalFile(png).toEncoded();
    // A name that is no UTF-8 (Latin-1 "café") is reached by its bytes.
    const FileName latin1 = FileName::fromNative(QFile::encodeName(dir.path()) + "/caf\xE9.png");
    ASSERT_EQ(std::rename(QFile::encodeName(jpeg).constData(), latin1.native.constData()), 0);

    struct Form {
        const char* what;
        std::unique_ptr<QMimeData> data;
        FileName sameAs;  // the file whose opening it matches
        QString fileName; // the file the paste names, if any
    };
    Form forms[] = {
        {"PNG", offering({{"image/png", encoded(picture, "png")}}), FileName::fromText(png), {}},
        {"BMP before text", offering({{"text/plain", "hello"}, {"image/bmp", encoded(picture, "bmp")}}),
         FileName::fromText(png), {}},
        {"PNG before a broken BMP", offering({{"image/bmp", "BM junk"}, {"image/png", encoded(picture, "png")}}),
         FileName::fromText(png), {}},
        {"JPEG", offering({{"image/jpeg", jpegBytes}}), latin1, {}},
        {"URL list", offering({{"text/uri-list", "# copied\r\n" + url + "\r\n"}}), FileName::fromText(png), png},
        {"GNOME's copied files", offering({{"x-special/gnome-copied-files", "copy\n" + url}}), FileName::fromText(png),
         png},
        {"a path as text", offering({{"text/plain", png.toUtf8() + "\n"}}), FileName::fromText(png), png},
        {"a URL as text", offering({{"text/plain", "file://localhost" + png.toUtf8()}}), FileName::fromText(png), png},
        {"a URL of a name that is no UTF-8", offering({{"text/uri-list", "file://" + latin1.native.toPercentEncoding("/")}}),
         latin1, latin1.shown},
    };
    for (Form& form : forms) {
        SCOPED_TRACE(form.what);
        Painted opened;
        auto ctx = FileCommandContext{opened.rig.state, opened.rig.canvas, opened.dialogs, opened.window};
        ASSERT_TRUE(openPicture(ctx, form.sameAs));

        Painted pasted;
        const QImage before = pasted.rig.canvas.image().copy();
        const PasteResult result = pasted.rig.session.pastePicture(form.data.get());
        EXPECT_TRUE(result.pasted);
        EXPECT_EQ(result.file, form.fileName);
        EXPECT_TRUE(pasted.dialogs.errors.empty()) << pasted.dialogs.errors.front().toStdString();
        EXPECT_EQ(pasted.window.refits, 1);
        EXPECT_EQ(pasted.rig.canvas.image(), opened.rig.canvas.image());
        EXPECT_EQ(pasted.rig.canvas.picture(), opened.rig.canvas.picture());
        EXPECT_EQ(pasted.rig.state.pictureWidth, 15360);
        EXPECT_EQ(pasted.rig.state.pictureWidth, opened.rig.state.pictureWidth);
        EXPECT_EQ(pasted.rig.state.pictureHeight, opened.rig.state.pictureHeight);
        EXPECT_EQ(pasted.rig.session.history().undoCount(), 1u);

        ASSERT_TRUE(pasted.rig.session.undo());
        EXPECT_EQ(pasted.rig.canvas.image(), before);
        EXPECT_TRUE(pasted.rig.canvas.picture().isNull());
        EXPECT_EQ(pasted.rig.state.pictureWidth, 1234);
        EXPECT_EQ(pasted.rig.state.pictureHeight, 567);
    }
    std::remove(latin1.native.constData()); // the temporary folder lists names as text
}

// A BMP header that claims 9000 x 9000 pixels (beyond the limit), and no rows.
QByteArray oversizedBmp()
{
    QByteArray bmp = encoded(QImage(1, 1, QImage::Format_RGB32), "bmp").left(54);
    qToLittleEndian<qint32>(9000, bmp.data() + 18);
    qToLittleEndian<qint32>(9000, bmp.data() + 22);
    return bmp;
}

// Whatever cannot be opened says so, naming what it was, and changes nothing:
// not the drawing, not the picture or its size, not the window, no step.
TEST_F(ShareTest, WhatIsNoPictureSaysSoAndChangesNothing)
{
    writeBytes(path(QStringLiteral("notes.txt")), "just text");
    const QString notes = path(QStringLiteral("notes.txt"));
    const QString good = path(QStringLiteral("good.png"));
    ASSERT_TRUE(pattern(20, 10).save(good, "png"));
    const QByteArray goodUrl = QUrl::fromLocalFile(good).toEncoded();
    const QString clipboard = QStringLiteral("クリップボードの内容");
    const QString picture = QStringLiteral("クリップボードの画像");
    QByteArray corrupt = encoded(pattern(64, 64), "png");
    for (qsizetype i = 40; i < corrupt.size(); i += 7)
        corrupt[i] = char(corrupt[i] ^ 0x5A);

    struct Case {
        const char* what;
        std::unique_ptr<QMimeData> data;
        QString named; // what the message names
    };
    Case cases[] = {
        {"no content at all", nullptr, clipboard},
        {"an empty clipboard", offering({}), clipboard},
        {"text", offering({{"text/plain", "hello world"}}), clipboard},
        {"lines of text", offering({{"text/plain", "/not a path\nbut prose"}}), clipboard},
        {"a web address", offering({{"text/uri-list", "https://example.org/p.png"}}), "https://example.org/p.png"},
        {"a file on another machine", offering({{"text/plain", "file://elsewhere" + good.toUtf8()}}),
         "file://elsewhere" + good},
        {"two files", offering({{"text/uri-list", goodUrl + "\r\n" + goodUrl}}), clipboard},
        {"a text file", offering({{"text/uri-list", QUrl::fromLocalFile(notes).toEncoded()}}), notes},
        {"a folder", offering({{"text/plain", dir.path().toUtf8()}}), dir.path()},
        {"a missing file", offering({{"text/plain", "/no/such/picture.png"}}), "/no/such/picture.png"},
        {"an empty picture", offering({{"image/png", QByteArray()}}), picture},
        {"a corrupt picture", offering({{"image/png", corrupt}}), picture},
        {"junk as a picture", offering({{"image/jpeg", "not a jpeg at all"}}), picture},
        {"an oversized picture", offering({{"image/bmp", oversizedBmp()}}), picture},
    };
    Painted p;
    auto ctx = FileCommandContext{p.rig.state, p.rig.canvas, p.dialogs, p.window};
    ASSERT_TRUE(openPicture(ctx, good));
    p.window.refits = 0;
    const QImage drawing = p.rig.canvas.image().copy();
    const QImage shown = p.rig.canvas.picture();
    const int width = p.rig.state.pictureWidth, height = p.rig.state.pictureHeight;
    const size_t steps = p.rig.session.history().undoCount();
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        p.dialogs.errors.clear();
        EXPECT_FALSE(p.rig.session.pastePicture(c.data.get()).pasted);
        ASSERT_EQ(p.dialogs.errors.size(), 1u);
        const QString opening = QStringLiteral("「%1」を画像として開けませんでした。\n").arg(c.named);
        EXPECT_TRUE(p.dialogs.errors[0].startsWith(opening)) << p.dialogs.errors[0].toStdString();
        EXPECT_GT(p.dialogs.errors[0].size(), opening.size()) << "and why";
        if (QLatin1String(c.what) == QLatin1String("an oversized picture")) {
            EXPECT_TRUE(p.dialogs.errors[0].endsWith(QStringLiteral("（9000×9000 ピクセル）。")));
        }
        EXPECT_EQ(p.rig.canvas.image(), drawing);
        EXPECT_EQ(p.rig.canvas.picture(), shown);
        EXPECT_EQ(p.rig.state.pictureWidth, width);
        EXPECT_EQ(p.rig.state.pictureHeight, height);
        EXPECT_EQ(p.window.refits, 0);
        EXPECT_EQ(p.rig.session.history().undoCount(), steps);
    }

    // While a button is held nothing happens at all, not even a message.
    p.dialogs.errors.clear();
    p.rig.session.press({500, 500});
    const QImage pressed = p.rig.canvas.image().copy();
    auto png = offering({{"image/png", encoded(pattern(30, 30), "png")}});
    EXPECT_FALSE(p.rig.session.pastePicture(png.get()).pasted);
    EXPECT_TRUE(p.dialogs.errors.empty());
    EXPECT_EQ(p.rig.canvas.image(), pressed);
}

TEST_F(ShareTest, PngSaveAsksAsTheBmpSaveDoesAddsTheSuffixAndReloadsPixelForPixel)
{
    rig.canvas.setPicture(pattern(300, 200));
    rig.canvas.setDrawWidth(9);
    rig.canvas.line(10, 700, 1000, 20, 0x3366CC);
    rig.canvas.pset(1023, 767, 0x00FF00);
    const QString first = path(QStringLiteral("描いた 絵"));
    const QString second = path(QStringLiteral("second"));
    dialogs.choose(first);
    dialogs.answer(false);
    dialogs.choose(second);
    dialogs.answer(true);
    auto ctx = context();
    pngsave(ctx);

    EXPECT_TRUE(dialogs.errors.empty());
    ASSERT_EQ(dialogs.shown.size(), 2u);
    for (const auto& shown : dialogs.shown) {
        EXPECT_TRUE(shown.save);
        EXPECT_EQ(shown.filter, QStringLiteral("PNG (*.png)|*.png|"));
        EXPECT_EQ(shown.filterIndex, 1);
    }
    // The question names the file as it is written.
    EXPECT_EQ(dialogs.questions, (std::vector<QString>{first + QStringLiteral(".pngの保存を続行しますか。"),
                                                       second + QStringLiteral(".pngの保存を続行しますか。")}));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("second.png")});
    const QByteArray data = bytes(second + QStringLiteral(".png"));
    EXPECT_TRUE(data.startsWith("\x89PNG\r\n\x1A\n"));
    const QImage back = QImage::fromData(data, "png");
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), rig.canvas.image());

    for (const auto& [chosen, saved] : std::initializer_list<std::pair<const char*, const char*>>{
             {"a", "a.png"}, {"a.", "a.png"}, {"a.PNG", "a.PNG"}, {"a.bmp", "a.bmp"}, {"dir.x/a", "dir.x/a.png"}})
        EXPECT_EQ(withPngSuffix(QString::fromUtf8(chosen)), QString::fromUtf8(saved));
}

} // namespace
} // namespace pemma::test
