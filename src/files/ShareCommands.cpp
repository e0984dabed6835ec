// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/ShareCommands.h"

#include <QFileInfo>
#include <optional>

#include "files/ClipboardContent.h"
#include "files/PictureFiles.h"

namespace pemma {

const QString kPngSaveFilter = QStringLiteral("PNG (*.png)|*.png|");

PasteResult pastePicture(FileCommandContext& ctx, const QMimeData* content)
{
    const PasteSource source = pasteSourceOf(content);
    PictureLoad load;
    switch (source.kind) {
    case PasteSource::Kind::Picture:
        load = loadPictureData(source.bytes);
        break;
    case PasteSource::Kind::File:
        load = loadPicture(source.file);
        break;
    case PasteSource::Kind::Nothing:
        load.error = source.reason;
        break;
    }
    if (load.picture.isNull()) {
        ctx.dialogs.showError(QStringLiteral("「%1」を画像として開けませんでした。\n%2").arg(source.name, load.error));
        return {};
    }
    ctx.window.refitToScreen();
    ctx.canvas.setPicture(load.picture);
    recordPictureSize(ctx);
    PasteResult result;
    result.pasted = true;
    if (source.kind == PasteSource::Kind::File)
        result.file = source.name;
    return result;
}

QString withPngSuffix(const QString& name)
{
    if (!QFileInfo(name).suffix().isEmpty())
        return name;
    return name + (name.endsWith(QLatin1Char('.')) ? QStringLiteral("png") : QStringLiteral(".png"));
}

void pngsave(FileCommandContext& ctx)
{
    std::optional<QString> name;
    for (;;) {
        name = ctx.dialogs.saveFileName(kPngSaveFilter, kPngSaveFilterIndex);
        if (!name)
            return;
        name = withPngSuffix(*name);
        if (ctx.dialogs.askYesNo(saveQuestion(*name)))
            break;
    }
    const QString error = savePicture(ctx.canvas.image(), *name, "png", kPngQuality);
    if (!error.isEmpty())
        ctx.dialogs.showError(QStringLiteral("「%1」を保存できませんでした。\n%2").arg(*name, error));
}

} // namespace pemma
