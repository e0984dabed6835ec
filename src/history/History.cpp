// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/History.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "canvas/ScreenImage.h"

namespace pemma {

History::History(Canvas& canvas, DrawingState& state, Limits limits)
    : canvas_(canvas), state_(state), limits_(limits)
{
    canvas_.setWriteObserver(this);
}

History::~History() { canvas_.setWriteObserver(nullptr); }

Tile History::take(const QImage& image, int index) const
{
    Tile tile = encodeTile(image, marks_.tileRect(index));
    tile.index = index;
    return tile;
}

Tile History::takeBefore(int index) const
{
    if (!plainTiles_.empty() && plainTiles_[static_cast<std::size_t>(index)]) {
        Tile tile = plainTile(marks_.tileRect(index), plainRgb_);
        tile.index = index;
        return tile;
    }
    return take(before_, index);
}

bool History::sameAsBefore(const QImage& image, int index) const
{
    if (!plainTiles_.empty() && plainTiles_[static_cast<std::size_t>(index)])
        return plainArea(image, marks_.tileRect(index), plainRgb_);
    return sameTile(image, before_, marks_.tileRect(index));
}

void History::copyToBefore(const QImage& image, int index)
{
    copyTile(image, before_, marks_.tileRect(index));
    if (!plainTiles_.empty())
        plainTiles_[static_cast<std::size_t>(index)] = 0;
}

void History::Step::count()
{
    bytes = sizeof(Step) + tiles.capacity() * sizeof(Tile);
    for (const Tile& t : tiles)
        bytes += t.data.capacity() * sizeof(std::uint32_t);
    if (picture)
        bytes += static_cast<std::size_t>(picture->sizeInBytes());
}

std::size_t History::bytes() const
{
    std::size_t total = static_cast<std::size_t>(before_.sizeInBytes()) + marks_.bytes();
    for (const Step& s : undo_)
        total += s.bytes;
    for (const Step& s : redo_)
        total += s.bytes;
    return total;
}

void History::syncGrid()
{
    // Read only: write access would end what the canvas knows of a blank
    // drawing (and the pixels of a blank one are not read at all).
    const Canvas& canvas = canvas_;
    const QSize size(canvas.width(), canvas.height());
    if (!before_.isNull() && before_.size() == size && canvas.image().depth() == 32) {
        // Bring the copy up to date where the drawing changed outside steps.
        marks_.takeStrays([&](int index) { copyToBefore(canvas.image(), index); });
        return;
    }
    // The first step, or a drawing of another size: start afresh.
    undo_.clear();
    redo_.clear();
    const std::optional<QRgb> plain = canvas.plainRgb();
    before_ = makeScreenImage(size.width(), size.height());
    if (plain) {
        plainRgb_ = *plain;
    } else if (!before_.isNull()) {
        const QImage rgb = canvas.image().convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < rgb.height(); ++y)
            std::memcpy(before_.scanLine(y), rgb.constScanLine(y), static_cast<std::size_t>(rgb.width()) * 4);
    }
    marks_.reset(before_.width(), before_.height());
    const auto tiles = [](int length) { return static_cast<std::size_t>((length + kTileSize - 1) / kTileSize); };
    plainTiles_.assign(plain && !before_.isNull() ? tiles(before_.width()) * tiles(before_.height()) : 0, 1);
}

void History::restart()
{
    open_.reset();
    before_ = QImage();
    syncGrid();
}

void History::beginStep()
{
    endStep();
    syncGrid();
    marks_.openStep();
    open_.emplace();
    open_->backColor = canvas_.backColor();
    open_->picture = canvas_.picture();
    open_->pictureSize = std::make_pair(state_.pictureWidth, state_.pictureHeight);
}

void History::endStep(Keep keep)
{
    if (!open_)
        return;
    Step step = std::move(*open_);
    open_.reset();
    marks_.closeStep();

    const QImage& image = std::as_const(canvas_).image();
    std::vector<int>& written = marks_.written();
    std::erase_if(written, [&](int index) { return sameAsBefore(image, index); });
    if (*step.backColor == canvas_.backColor())
        step.backColor.reset();
    if (*step.picture == canvas_.picture())
        step.picture.reset();
    if (*step.pictureSize == std::make_pair(state_.pictureWidth, state_.pictureHeight))
        step.pictureSize.reset();
    const bool changed = !written.empty() || step.backColor || step.picture || step.pictureSize;
    bool record = keep == Keep::Always || (keep == Keep::IfChanged && changed);
    if (record) {
        redo_.clear();
        // Room first, so that the limit holds while the tiles are taken too.
        record = makeRoom(mostBytes(step, written.size()));
    }
    // Each tile is kept and brought up to date while it is at hand.
    if (record)
        step.tiles.reserve(written.size());
    for (int index : written) {
        if (record)
            step.tiles.push_back(takeBefore(index));
        copyToBefore(image, index);
    }
    written.clear();
    if (!record) {
        if (changed)
            changedOutsideStep();
        return;
    }
    step.count();
    undo_.push_back(std::move(step));
    enforceLimits();
}

std::size_t History::mostBytes(const Step& step, std::size_t tiles)
{
    // Tiles kept as runs are smaller than as pixels.
    std::size_t most = sizeof(Step) + tiles * (sizeof(Tile) + kTileSize * kTileSize * sizeof(std::uint32_t));
    if (step.picture)
        most += static_cast<std::size_t>(step.picture->sizeInBytes());
    return most;
}

bool History::makeRoom(std::size_t coming)
{
    std::size_t total = bytes();
    while (total + coming > limits_.maxBytes && !undo_.empty()) {
        total -= undo_.front().bytes;
        undo_.pop_front();
    }
    while (total + coming > limits_.maxBytes && !redo_.empty()) {
        total -= redo_.front().bytes;
        redo_.pop_front();
    }
    return total + coming <= limits_.maxBytes;
}

void History::exchange(Step& step)
{
    QImage& image = canvas_.image();
    for (Tile& tile : step.tiles) {
        const QRect r = marks_.tileRect(tile.index);
        Tile now = take(image, tile.index);
        decodeTile(tile, image, r);
        copyToBefore(image, tile.index);
        canvas_.markDirty(r);
        tile = std::move(now);
    }
    if (step.backColor) {
        const Colour now = canvas_.backColor();
        canvas_.restoreBackground(*step.backColor, canvas_.picture());
        step.backColor = now;
    }
    if (step.picture) {
        const QImage now = canvas_.picture();
        canvas_.restoreBackground(canvas_.backColor(), *step.picture);
        step.picture = now;
    }
    if (step.pictureSize) {
        const auto now = std::make_pair(state_.pictureWidth, state_.pictureHeight);
        state_.pictureWidth = step.pictureSize->first;
        state_.pictureHeight = step.pictureSize->second;
        step.pictureSize = now;
    }
    step.count();
}

bool History::undo()
{
    endStep();
    if (undo_.empty())
        return false;
    Step step = std::move(undo_.back());
    undo_.pop_back();
    // The tiles taken now may be larger than those they replace.
    makeRoom(mostBytes(step, step.tiles.size() + 1));
    exchange(step);
    redo_.push_back(std::move(step));
    enforceLimits();
    return true;
}

bool History::redo()
{
    endStep();
    if (redo_.empty())
        return false;
    Step step = std::move(redo_.back());
    redo_.pop_back();
    makeRoom(mostBytes(step, step.tiles.size() + 1));
    exchange(step);
    undo_.push_back(std::move(step));
    enforceLimits();
    return true;
}

void History::changedOutsideStep()
{
    // What is to be redone no longer follows from what is drawn.
    redo_.clear();
}

void History::enforceLimits()
{
    while (undo_.size() > limits_.maxSteps)
        undo_.pop_front();
    std::size_t total = bytes();
    while (total > limits_.maxBytes && !undo_.empty()) {
        total -= undo_.front().bytes;
        undo_.pop_front();
    }
    while (total > limits_.maxBytes && !redo_.empty()) {
        total -= redo_.front().bytes;
        redo_.pop_front();
    }
}

bool History::writeComing()
{
    if (!open_ && !redo_.empty())
        changedOutsideStep();
    // No step yet: the copy is taken when the first one opens (and the
    // sizes are 0 until then).
    return marks_.width() > 0;
}

void History::aboutToWrite(const QRect& area)
{
    if (writeComing())
        marks_.markBox(area.left(), area.top(), area.right(), area.bottom());
}

void History::aboutToWriteAlong(QPoint a, QPoint b, int reach)
{
    if (writeComing())
        marks_.markAlong(a, b, reach);
}

} // namespace pemma
