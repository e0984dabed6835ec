// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QPoint>
#include <QRect>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "history/TileCodec.h"

namespace pemma {

// Which tiles of a drawing are about to be written, as the canvas announces
// its writes: boxes, and segments with the pen's reach around them. This runs
// for every shape painted, so it takes whole numbers only and notes each tile
// once.
//
// While a step is open, the tiles go to the step's list (each once per step);
// outside steps, to the stray tiles (each once until they are taken).
class TileMarks {
public:
    static constexpr int kTileSize = kHistoryTileSize;

    // Starts afresh over a drawing of this size, with nothing marked and no
    // step open.
    void reset(int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }
    // The tile's pixels, cut to the drawing.
    QRect tileRect(int index) const;

    // From here the tiles go to a new step's list, emptied first.
    void openStep();
    // From here the tiles are stray; the step's list stays as it was.
    void closeStep() { open_ = false; }
    // The tiles the open (or last) step wrote to, each once.
    std::vector<int>& written() { return written_; }
    // Hands each stray tile to `take` and forgets it.
    template <typename Take>
    void takeStrays(Take take)
    {
        for (int index : stray_) {
            take(index);
            isStray_[index] = 0;
        }
        stray_.clear();
    }
    std::size_t bytes() const;

    // Notes that the tiles of the box (edges included), cut to the drawing,
    // are about to be written.
    void markBox(int left, int top, int right, int bottom);
    // Notes that the pixels within `reach` of the segment from a to b, on
    // either axis, are about to be written.
    void markAlong(QPoint a, QPoint b, int reach);

private:
    void mark(int index)
    {
        if (open_) {
            if (markedBy_[index] != serial_) {
                markedBy_[index] = serial_;
                written_.push_back(index);
            }
        } else if (!isStray_[index]) {
            isStray_[index] = 1;
            stray_.push_back(index);
        }
    }

    bool open_ = false;
    std::vector<int> written_;
    std::vector<int> stray_;
    std::vector<std::uint8_t> isStray_;
    // Serial of the step that marked each tile last.
    std::vector<std::uint32_t> markedBy_;
    std::uint32_t serial_ = 0;
    int columns_ = 0, rows_ = 0;
    int width_ = 0, height_ = 0;
};

} // namespace pemma
