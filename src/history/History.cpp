#include "history/History.h"

#include <algorithm>
#include <cstring>

namespace pemma {

History::History(Canvas& canvas, DrawingState& state, Limits limits)
    : canvas_(canvas), state_(state), limits_(limits)
{
    canvas_.setWriteObserver(this);
}

History::~History() { canvas_.setWriteObserver(nullptr); }

QRect History::tileRect(int index) const
{
    const int col = index % columns_, row = index / columns_;
    return QRect(col * kTileSize, row * kTileSize, kTileSize, kTileSize).intersected(canvas_.image().rect());
}

History::Tile History::encode(int index) const
{
    const QImage& image = canvas_.image();
    const QRect r = tileRect(index);
    const int w = r.width();
    const std::size_t n = static_cast<std::size_t>(w) * r.height();
    auto row = [&](int y) { return reinterpret_cast<const std::uint32_t*>(image.constScanLine(r.top() + y)) + r.left(); };

    Tile tile;
    tile.index = index;
    // Runs only where they take less room than the pixels.
    std::size_t runs = 1;
    std::uint32_t current = row(0)[0];
    bool flat = true;
    for (int y = 0; y < r.height() && flat; ++y) {
        const std::uint32_t* p = row(y);
        for (int x = 0; x < w; ++x) {
            if (p[x] != current) {
                current = p[x];
                if (2 * ++runs >= n) {
                    flat = false;
                    break;
                }
            }
        }
    }
    if (flat) {
        tile.runs = true;
        tile.data.reserve(2 * runs);
        std::uint32_t length = 0;
        current = row(0)[0];
        for (int y = 0; y < r.height(); ++y) {
            const std::uint32_t* p = row(y);
            for (int x = 0; x < w; ++x) {
                if (p[x] != current) {
                    tile.data.push_back(length);
                    tile.data.push_back(current);
                    current = p[x];
                    length = 0;
                }
                ++length;
            }
        }
        tile.data.push_back(length);
        tile.data.push_back(current);
    } else {
        tile.data.resize(n);
        for (int y = 0; y < r.height(); ++y)
            std::memcpy(tile.data.data() + static_cast<std::size_t>(y) * w, row(y), w * sizeof(std::uint32_t));
    }
    return tile;
}

void History::decode(const Tile& tile)
{
    QImage& image = canvas_.image();
    const QRect r = tileRect(tile.index);
    const int w = r.width();
    auto row = [&](int y) { return reinterpret_cast<std::uint32_t*>(image.scanLine(r.top() + y)) + r.left(); };
    if (!tile.runs) {
        for (int y = 0; y < r.height(); ++y)
            std::memcpy(row(y), tile.data.data() + static_cast<std::size_t>(y) * w, w * sizeof(std::uint32_t));
        return;
    }
    int x = 0, y = 0;
    for (std::size_t k = 0; k + 1 < tile.data.size() && y < r.height(); k += 2) {
        std::uint32_t length = tile.data[k];
        const std::uint32_t colour = tile.data[k + 1];
        while (length > 0 && y < r.height()) {
            const int take = static_cast<int>(std::min<std::uint32_t>(length, w - x));
            std::uint32_t* p = row(y);
            std::fill(p + x, p + x + take, colour);
            x += take;
            length -= take;
            if (x == w) {
                x = 0;
                ++y;
            }
        }
    }
}

bool History::unchanged(const Tile& tile) const
{
    const QImage& image = canvas_.image();
    const QRect r = tileRect(tile.index);
    const int w = r.width();
    auto row = [&](int y) { return reinterpret_cast<const std::uint32_t*>(image.constScanLine(r.top() + y)) + r.left(); };
    if (!tile.runs) {
        for (int y = 0; y < r.height(); ++y)
            if (std::memcmp(row(y), tile.data.data() + static_cast<std::size_t>(y) * w, w * sizeof(std::uint32_t)))
                return false;
        return true;
    }
    int x = 0, y = 0;
    for (std::size_t k = 0; k + 1 < tile.data.size(); k += 2) {
        std::uint32_t length = tile.data[k];
        const std::uint32_t colour = tile.data[k + 1];
        while (length > 0) {
            const int take = static_cast<int>(std::min<std::uint32_t>(length, w - x));
            const std::uint32_t* p = row(y);
            if (std::any_of(p + x, p + x + take, [colour](std::uint32_t q) { return q != colour; }))
                return false;
            x += take;
            length -= take;
            if (x == w) {
                x = 0;
                ++y;
            }
        }
    }
    return true;
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
    std::size_t total = 0;
    for (const Step& s : undo_)
        total += s.bytes;
    for (const Step& s : redo_)
        total += s.bytes;
    if (open_) {
        total += sizeof(Step) + open_->tiles.capacity() * sizeof(Tile);
        for (const Tile& t : open_->tiles)
            total += t.data.capacity() * sizeof(std::uint32_t);
    }
    return total;
}

void History::beginStep()
{
    endStep();
    const QImage& image = canvas_.image();
    const int columns = (image.width() + kTileSize - 1) / kTileSize;
    const int rows = (image.height() + kTileSize - 1) / kTileSize;
    if (columns != columns_ || rows != rows_) {
        // A drawing of another size: the kept tiles no longer fit it.
        columns_ = columns;
        rows_ = rows;
        undo_.clear();
        redo_.clear();
        takenBy_.assign(static_cast<std::size_t>(columns) * rows, 0);
    }
    if (++serial_ == 0) {
        std::fill(takenBy_.begin(), takenBy_.end(), 0);
        serial_ = 1;
    }
    open_.emplace();
    open_->backColor = canvas_.backColor();
    open_->picture = canvas_.picture();
    open_->pictureSize = std::make_pair(state_.pictureWidth, state_.pictureHeight);
}

void History::endStep(bool keep)
{
    if (!open_)
        return;
    Step step = std::move(*open_);
    open_.reset();

    std::erase_if(step.tiles, [this](const Tile& t) { return unchanged(t); });
    step.tiles.shrink_to_fit();
    if (*step.backColor == canvas_.backColor())
        step.backColor.reset();
    if (*step.picture == canvas_.picture())
        step.picture.reset();
    if (*step.pictureSize == std::make_pair(state_.pictureWidth, state_.pictureHeight))
        step.pictureSize.reset();
    if (step.tiles.empty() && !step.backColor && !step.picture && !step.pictureSize)
        return;
    if (!keep) {
        changedOutsideStep();
        return;
    }
    redo_.clear();
    step.count();
    undo_.push_back(std::move(step));
    enforceLimits();
}

void History::exchange(Step& step)
{
    for (Tile& tile : step.tiles) {
        Tile now = encode(tile.index);
        decode(tile);
        canvas_.markDirty(tileRect(tile.index));
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

void History::aboutToWrite(const QRect& area)
{
    if (!open_) {
        if (!redo_.empty())
            changedOutsideStep();
        return;
    }
    const QRect r = area.intersected(canvas_.image().rect());
    if (r.isEmpty())
        return;
    const int c0 = r.left() / kTileSize, c1 = r.right() / kTileSize;
    const int r0 = r.top() / kTileSize, r1 = r.bottom() / kTileSize;
    for (int row = r0; row <= r1; ++row) {
        for (int col = c0; col <= c1; ++col) {
            const int index = row * columns_ + col;
            if (takenBy_[index] != serial_) {
                takenBy_[index] = serial_;
                open_->tiles.push_back(encode(index));
            }
        }
    }
}

} // namespace pemma
