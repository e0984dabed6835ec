// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/FileCommands.h"

#include "files/PictureFiles.h"

namespace pemma {

const QString kOpenFilter = QStringLiteral("すべてのファイル (*.*)|*.*|");
const QString kBmpSaveFilter = QStringLiteral("すべてのファイル (*.bmp)|*.bmp|");
const QString kJpegSaveFilter =
    QStringLiteral("すべてのファイル (*.*)|*.*|bmpファイル (*.bmp)|*.bmp|jpgファイル (*.jpg)|*.jpg");

QString saveQuestion(const QString& fileName) { return fileName + QStringLiteral("の保存を続行しますか。"); }

namespace {

// Shows the Save As dialog until the user confirms a name (Yes) or cancels.
std::optional<QString> confirmedSaveName(FileDialogs& dialogs, const QString& filter, int filterIndex)
{
    for (;;) {
        std::optional<QString> name = dialogs.saveFileName(filter, filterIndex);
        if (!name)
            return std::nullopt;
        if (dialogs.askYesNo(saveQuestion(*name)))
            return name;
    }
}

void save(FileCommandContext& ctx, const QImage& image, const QString& name, const char* format, int quality)
{
    const QString error = savePicture(image, name, format, quality);
    if (!error.isEmpty())
        ctx.dialogs.showError(QStringLiteral("「%1」を保存できませんでした。\n%2").arg(name, error));
}

} // namespace

void recordPictureSize(FileCommandContext& ctx)
{
    const QImage& picture = ctx.canvas.picture();
    DrawingState& s = ctx.state;
    s.pictureHeight = pixelsToHimetric(picture.height(), s.twipsPerPixelY);
    s.pictureWidth = pixelsToHimetric(picture.width(), s.twipsPerPixelX);
    if (s.pictureWidth > s.screenWidthTwips)
        s.pictureWidth = s.screenWidthTwips;
    if (s.pictureHeight > s.screenHeightTwips)
        s.pictureHeight = s.screenHeightTwips;
}

bool bmpopen_Click(FileCommandContext& ctx)
{
    const std::optional<QString> name = ctx.dialogs.openFileName(kOpenFilter, kOpenFilterIndex);
    if (!name)
        return false;
    return openPicture(ctx, *name);
}

bool openPicture(FileCommandContext& ctx, const QString& fileName)
{
    return openPicture(ctx, FileName::fromText(fileName));
}

bool openPicture(FileCommandContext& ctx, const FileName& name)
{
    ctx.window.refitToScreen();

    // A file that cannot be read leaves the background picture as it was;
    // the size below is still taken from whatever picture the canvas has.
    const PictureLoad load = loadPicture(name);
    if (!load.picture.isNull())
        ctx.canvas.setPicture(load.picture);

    recordPictureSize(ctx);

    if (load.picture.isNull())
        ctx.dialogs.showError(QStringLiteral("「%1」を画像として開けませんでした。\n%2").arg(name.shown, load.error));
    return !load.picture.isNull();
}

// Neither save goes through the scratch picture: what is written is the
// persistent drawing itself, so the picture size plays no part here.

void bmpsave_Click(FileCommandContext& ctx)
{
    const std::optional<QString> name = confirmedSaveName(ctx.dialogs, kBmpSaveFilter, kBmpSaveFilterIndex);
    if (!name)
        return;
    save(ctx, ctx.canvas.image(), *name, "bmp", -1);
}

void jpgsave_Click(FileCommandContext& ctx, int quality)
{
    const std::optional<QString> name = confirmedSaveName(ctx.dialogs, kJpegSaveFilter, kJpegSaveFilterIndex);
    if (!name)
        return;
    const QImage& drawing = ctx.canvas.image();
    const QRect area = QRect(0, 0, ctx.window.scaleWidth(), ctx.window.scaleHeight()).intersected(drawing.rect());
    if (area.isEmpty()) // QImage::copy() of an empty rectangle would give the whole drawing
        save(ctx, QImage(), *name, "jpeg", quality);
    else // the rows of the drawing itself, without a copy
        save(ctx, QImage(drawing.constBits(), area.width(), area.height(), drawing.bytesPerLine(), drawing.format()),
             *name, "jpeg", quality);
}

} // namespace pemma
