#include "history/History.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace pemma {

namespace {

// The rows of a tile of a 32-bit image, the image's bits taken once.
template <typename Pixel>
struct TileRows {
    Pixel* origin;
    qsizetype stride; // in pixels
    Pixel* operator[](int y) const { return origin + y * stride; }
};
TileRows<const std::uint32_t> rowsOf(const QImage& image, const QRect& r)
{
    const qsizetype stride = image.bytesPerLine() / 4;
    return {reinterpret_cast<const std::uint32_t*>(image.constBits()) + r.top() * stride + r.left(), stride};
}
TileRows<std::uint32_t> rowsOf(QImage& image, const QRect& r)
{
    const qsizetype stride = image.bytesPerLine() / 4;
    return {reinterpret_cast<std::uint32_t*>(image.bits()) + r.top() * stride + r.left(), stride};
}

} // namespace

History::History(Canvas& canvas, DrawingState& state, Limits limits)
    : canvas_(canvas), state_(state), limits_(limits)
{
    canvas_.setWriteObserver(this);
}

History::~History() { canvas_.setWriteObserver(nullptr); }

QRect History::tileRect(int index) const
{
    const int col = index % columns_, row = index / columns_;
    return QRect(col * kTileSize, row * kTileSize, kTileSize, kTileSize).intersected(before_.rect());
}

History::Tile History::encode(const QImage& image, int index) const
{
    const QRect r = tileRect(index);
    const int w = r.width(), h = r.height();
    const std::size_t n = static_cast<std::size_t>(w) * h;

    Tile tile;
    tile.index = index;
    // Runs only where they take less room than the pixels: gathering them
    // stops as soon as the pixels win, or after a first row that changes at
    // every other pixel or more (a photograph).
    thread_local std::vector<std::uint32_t> runs;
    // A row of the current colour, to find rows of one colour quickly.
    thread_local std::uint32_t plain[kTileSize];
    const auto rows = rowsOf(image, r);
    runs.clear();
    std::uint32_t current = rows[0][0];
    std::fill(plain, plain + w, current);
    std::uint32_t length = 0;
    for (int y = 0; y < h; ++y) {
        const std::uint32_t* p = rows[y];
        if (std::memcmp(p, plain, w * sizeof(std::uint32_t)) == 0) {
            length += w;
            continue;
        }
        for (int x = 0; x < w; ++x) {
            if (p[x] != current) {
                runs.push_back(length);
                runs.push_back(current);
                if (runs.size() + 2 >= n)
                    goto pixels;
                current = p[x];
                length = 0;
            }
            ++length;
        }
        std::fill(plain, plain + w, current);
        if (y == 0 && runs.size() > static_cast<std::size_t>(w))
            goto pixels;
    }
    runs.push_back(length);
    runs.push_back(current);
    tile.runs = true;
    tile.data.assign(runs.begin(), runs.end());
    return tile;

pixels:
    tile.data.reserve(n);
    for (int y = 0; y < h; ++y)
        tile.data.insert(tile.data.end(), rows[y], rows[y] + w);
    return tile;
}

void History::decode(const Tile& tile, QImage& image) const
{
    const QRect r = tileRect(tile.index);
    const int w = r.width(), h = r.height();
    const auto rows = rowsOf(image, r);
    if (!tile.runs) {
        for (int y = 0; y < h; ++y)
            std::memcpy(rows[y], tile.data.data() + static_cast<std::size_t>(y) * w, w * sizeof(std::uint32_t));
        return;
    }
    int x = 0, y = 0;
    for (std::size_t k = 0; k + 1 < tile.data.size() && y < h; k += 2) {
        std::uint32_t length = tile.data[k];
        const std::uint32_t colour = tile.data[k + 1];
        while (length > 0 && y < h) {
            const int take = static_cast<int>(std::min<std::uint32_t>(length, w - x));
            std::fill(rows[y] + x, rows[y] + x + take, colour);
            x += take;
            length -= take;
            if (x == w) {
                x = 0;
                ++y;
            }
        }
    }
}

void History::copyTile(const QImage& from, QImage& to, int index) const
{
    const QRect r = tileRect(index);
    const auto source = rowsOf(from, r);
    const auto target = rowsOf(to, r);
    for (int y = 0; y < r.height(); ++y)
        std::memcpy(target[y], source[y], r.width() * sizeof(std::uint32_t));
}

bool History::sameTile(const QImage& a, const QImage& b, int index) const
{
    const QRect r = tileRect(index);
    const auto rowsA = rowsOf(a, r);
    const auto rowsB = rowsOf(b, r);
    for (int y = 0; y < r.height(); ++y)
        if (std::memcmp(rowsA[y], rowsB[y], r.width() * sizeof(std::uint32_t)) != 0)
            return false;
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
    std::size_t total = static_cast<std::size_t>(before_.sizeInBytes())
                      + (written_.capacity() + stray_.capacity()) * sizeof(int)
                      + isStray_.capacity() + markedBy_.capacity() * sizeof(std::uint32_t);
    for (const Step& s : undo_)
        total += s.bytes;
    for (const Step& s : redo_)
        total += s.bytes;
    return total;
}

void History::syncGrid()
{
    const QImage& image = canvas_.image();
    if (!before_.isNull() && before_.size() == image.size() && image.depth() == 32) {
        // Bring the copy up to date where the drawing changed outside steps.
        for (int index : stray_) {
            copyTile(image, before_, index);
            isStray_[index] = 0;
        }
        stray_.clear();
        return;
    }
    // The first step, or a drawing of another size: start afresh.
    undo_.clear();
    redo_.clear();
    before_ = image.convertToFormat(QImage::Format_RGB32);
    before_.detach();
    width_ = before_.width();
    height_ = before_.height();
    columns_ = (before_.width() + kTileSize - 1) / kTileSize;
    rows_ = (before_.height() + kTileSize - 1) / kTileSize;
    const std::size_t tiles = static_cast<std::size_t>(columns_) * rows_;
    markedBy_.assign(tiles, 0);
    isStray_.assign(tiles, 0);
    stray_.clear();
    written_.clear();
}

void History::restart()
{
    open_.reset();
    before_ = QImage();
    width_ = height_ = 0;
    syncGrid();
}

void History::beginStep()
{
    endStep();
    syncGrid();
    if (++serial_ == 0) {
        std::fill(markedBy_.begin(), markedBy_.end(), 0);
        serial_ = 1;
    }
    written_.clear();
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

    const QImage& image = canvas_.image();
    std::erase_if(written_, [&](int index) { return sameTile(image, before_, index); });
    if (*step.backColor == canvas_.backColor())
        step.backColor.reset();
    if (*step.picture == canvas_.picture())
        step.picture.reset();
    if (*step.pictureSize == std::make_pair(state_.pictureWidth, state_.pictureHeight))
        step.pictureSize.reset();
    const bool changed = !written_.empty() || step.backColor || step.picture || step.pictureSize;
    bool record = keep == Keep::Always || (keep == Keep::IfChanged && changed);
    if (record) {
        redo_.clear();
        // Room first, so that the limit holds while the tiles are taken too.
        record = makeRoom(mostBytes(step, written_.size()));
    }
    // Each tile is kept and brought up to date while it is at hand.
    if (record)
        step.tiles.reserve(written_.size());
    for (int index : written_) {
        if (record)
            step.tiles.push_back(encode(before_, index));
        copyTile(image, before_, index);
    }
    written_.clear();
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
        Tile now = encode(image, tile.index);
        decode(tile, image);
        copyTile(image, before_, tile.index);
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

void History::aboutToWrite(const QRect& area)
{
    markBox(area.left(), area.top(), area.right(), area.bottom());
}

bool History::writeComing()
{
    if (!open_ && !redo_.empty())
        changedOutsideStep();
    // No step yet: the copy is taken when the first one opens (and the
    // sizes are 0 until then).
    return width_ > 0;
}

void History::markBox(int left, int top, int right, int bottom)
{
    if (!writeComing())
        return;
    // This runs for every shape painted: whole numbers only.
    left = std::max(left, 0);
    right = std::min(right, width_ - 1);
    top = std::max(top, 0);
    bottom = std::min(bottom, height_ - 1);
    if (left > right || top > bottom)
        return;
    for (int row = top / kTileSize; row <= bottom / kTileSize; ++row)
        for (int col = left / kTileSize; col <= right / kTileSize; ++col)
            mark(row * columns_ + col);
}

void History::aboutToWriteAlong(QPoint a, QPoint b, int reach)
{
    const int left = std::min(a.x(), b.x()) - reach, right = std::max(a.x(), b.x()) + reach;
    const int top = std::min(a.y(), b.y()) - reach, bottom = std::max(a.y(), b.y()) + reach;
    // A short segment (the usual move of a hand) lies within a tile or two
    // each way: its box is as good as any.
    if (right / kTileSize - left / kTileSize <= 1 && bottom / kTileSize - top / kTileSize <= 1) {
        markBox(left, top, right, bottom);
        return;
    }
    if (!writeComing())
        return;
    // The tiles are taken in bands one tile wide across the segment's longer
    // axis ("along"); in each band, those across it from the segment's
    // lowest to its highest point over the band widened by `reach`, and
    // `reach` beyond.
    const bool steep = std::abs(b.y() - a.y()) > std::abs(b.x() - a.x());
    int a0 = a.x(), a1 = a.y(), b0 = b.x(), b1 = b.y();
    int alongSize = width_, acrossSize = height_;
    if (steep) {
        std::swap(a0, a1);
        std::swap(b0, b1);
        std::swap(alongSize, acrossSize);
    }
    if (a0 > b0) {
        std::swap(a0, b0);
        std::swap(a1, b1);
    }
    const int first = std::max(a0 - reach, 0), last = std::min(b0 + reach, alongSize - 1);
    if (first > last)
        return;
    // The segment's height over a point along it, in 32-bit fixed point and
    // whole numbers only: rounded down, it is less than one pixel off, which
    // the extra pixel on either side covers.
    const std::int64_t slope = b0 == a0 ? 0 : (std::int64_t(b1 - a1) << 32) / (b0 - a0);
    auto acrossAt = [&](int along) { return a1 + static_cast<int>((std::int64_t(along - a0) * slope) >> 32); };
    for (int band = first / kTileSize; band <= last / kTileSize; ++band) {
        const int from = std::max(band * kTileSize - reach, a0);
        const int to = std::min(band * kTileSize + kTileSize - 1 + reach, b0);
        const int y0 = acrossAt(from), y1 = acrossAt(to);
        const int low = std::max(std::min(y0, y1) - reach - 1, 0);
        const int high = std::min(std::max(y0, y1) + reach + 1, acrossSize - 1);
        if (low > high)
            continue;
        for (int across = low / kTileSize; across <= high / kTileSize; ++across)
            mark(steep ? band * columns_ + across : across * columns_ + band);
    }
}

} // namespace pemma
