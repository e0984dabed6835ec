// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <array>

#include "canvas/Canvas.h"
#include "files/FileDialogs.h"
#include "files/FileRead.h"
#include "state/DrawingState.h"

namespace pemma {

struct FileCommandContext {
    DrawingState& state;
    Canvas& canvas;
    FileDialogs& dialogs;
    FileCommandWindow& window;
};

// "jpg保存": item jpg<Q> saves at quality Q.
inline constexpr std::array<int, 6> kJpegQualities{10, 20, 40, 60, 80, 100};

// Dialog filters of the commands ("caption|pattern|..." pairs).
extern const QString kOpenFilter;
extern const QString kBmpSaveFilter;
extern const QString kJpegSaveFilter;
constexpr int kOpenFilterIndex = 1;
constexpr int kBmpSaveFilterIndex = 2;
constexpr int kJpegSaveFilterIndex = 3;

// The question asked before every save.
QString saveQuestion(const QString& fileName);

// "画像開く": opens a picture as the background picture and records its size
// in pictureWidth / pictureHeight. True when a picture was loaded.
bool bmpopen_Click(FileCommandContext& ctx);
// What "画像開く" does once a name is chosen; also for a picture dropped on
// the window or named on the command line. True when a picture was loaded.
// The name's bytes are the file's, whether or not they are valid UTF-8.
bool openPicture(FileCommandContext& ctx, const FileName& name);
bool openPicture(FileCommandContext& ctx, const QString& fileName);
// "bmp完全保存": the whole drawing as a 24-bit BMP file.
void bmpsave_Click(FileCommandContext& ctx);
// "jpg保存" entries (qualities in kJpegQualities): the client-area part of
// the drawing as a JPEG file of the given quality.
void jpgsave_Click(FileCommandContext& ctx, int quality);

// What "画像開く" records of the background picture the canvas now has (none:
// 0): its size in hundredths of a millimetre, each side at most the screen's.
void recordPictureSize(FileCommandContext& ctx);

} // namespace pemma
