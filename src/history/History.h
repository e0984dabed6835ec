// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QImage>
#include <QRect>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "canvas/Canvas.h"
#include "history/TileCodec.h"
#include "history/TileMarks.h"
#include "state/DrawingState.h"

namespace pemma {

// Undo and redo of what is drawn: the drawing's pixels, its background colour
// and picture, and the picture size pictureWidth / pictureHeight.
//
// A step is opened before a stroke or a command and closed after it. While a
// step is open, the canvas reports every write before it happens and the
// history only marks the square tiles written to, so painting stays as fast
// as without it. The history keeps a copy of the drawing as it was when the
// step began; when the step closes, each marked tile that really changed is
// kept as it was in that copy (the tile before the step first wrote to it),
// and the copy takes the tile's new pixels. So a step costs what it changed,
// not a copy of the drawing. Tiles are kept as runs of equal pixels where
// that is smaller (the blank or flatly painted parts of a drawing), otherwise
// pixel for pixel (TileCodec); which tiles a write touches is worked out by
// TileMarks. A stroke that changed nothing is forgotten.
//
// Undo exchanges the kept tiles and values with the current ones, so the
// step then holds what redo puts back; redo exchanges them again.
//
// The history holds at most `maxSteps` steps to undo and at most `maxBytes`
// bytes in all, the copy of the drawing included; beyond either, the oldest
// steps go first (and, when undoing has made the steps to redo larger, the
// last of those). Room is made before a step's tiles are taken, so the limit
// holds at every moment; a step that cannot fit even alone is not kept.
class History final : public CanvasWriteObserver {
public:
    static constexpr int kTileSize = kHistoryTileSize;

    struct Limits {
        std::size_t maxSteps = 100;
        std::size_t maxBytes = std::size_t(256) << 20;
    };

    // Watches the canvas's writes until destroyed.
    History(Canvas& canvas, DrawingState& state, Limits limits);
    History(Canvas& canvas, DrawingState& state) : History(canvas, state, Limits{}) {}
    ~History() override;
    History(const History&) = delete;
    History& operator=(const History&) = delete;

    // Forgets every step and takes the drawing as it now is (otherwise the
    // first step takes it).
    void restart();
    // Opens a step (closing any open one first).
    void beginStep();
    // How a step that closes is kept: a stroke only when it changed what is
    // drawn, a command always, a command that failed never (what it changed
    // then counts as changed outside any step).
    enum class Keep { IfChanged, Always, Never };
    // Closes the open step.
    void endStep(Keep keep = Keep::IfChanged);
    bool stepOpen() const { return open_.has_value(); }

    // Both close an open step first; false when there was nothing to do.
    bool undo();
    bool redo();

    std::size_t undoCount() const { return undo_.size(); }
    std::size_t redoCount() const { return redo_.size(); }
    // Bytes the history holds: its steps and its copy of the drawing.
    std::size_t bytes() const;

    void aboutToWrite(const QRect& area) override;
    void aboutToWriteAlong(QPoint a, QPoint b, int reach) override;

private:
    struct Step {
        std::vector<Tile> tiles;
        // The values before the step; after closing, only those it changed.
        std::optional<Colour> backColor;
        std::optional<QImage> picture;
        std::optional<std::pair<double, double>> pictureSize;
        std::size_t bytes;
        // Written out (no member initialiser) so that std::optional<Step>
        // can be made inside this class with clang too.
        Step() : bytes(0) {}
        void count();
    };

    // Tile `index` of the image as it is now.
    Tile take(const QImage& image, int index) const;
    // The copy of the drawing, tile by tile: what it holds, whether the
    // image's tile is the same, and bringing it up to date from the image.
    Tile takeBefore(int index) const;
    bool sameAsBefore(const QImage& image, int index) const;
    void copyToBefore(const QImage& image, int index);
    void syncGrid();
    // A write is coming: outside a step it ends redo. False while there is
    // no copy of the drawing to mark tiles in.
    bool writeComing();
    void exchange(Step& step);
    void changedOutsideStep();
    void enforceLimits();
    // The most a step with this many tiles can hold.
    static std::size_t mostBytes(const Step& step, std::size_t tiles);
    // Drops the oldest steps until `coming` more bytes fit; false when they
    // cannot.
    bool makeRoom(std::size_t coming);

    Canvas& canvas_;
    DrawingState& state_;
    Limits limits_;
    std::deque<Step> undo_; // newest at the back
    std::deque<Step> redo_; // next to redo at the back
    std::optional<Step> open_;
    // The drawing as the open step found it (as the last step left it), and
    // the tiles written to since: by the open step, and outside any step
    // (the copy is brought up to date there when the next step opens). Its
    // size is 0 before the first step.
    QImage before_;
    // A blank drawing is not copied: the copy is made without its pixels
    // being written, and a tile of it not brought up to date since (marked
    // here) stands for a tile of plainRgb_ alone. So a start with a blank
    // drawing holds no second screen-sized image, and the first stroke
    // copies only the tiles it paints. Empty when the copy is whole.
    std::vector<std::uint8_t> plainTiles_;
    QRgb plainRgb_ = 0;
    TileMarks marks_;
};

} // namespace pemma
