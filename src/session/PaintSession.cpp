// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/PaintSession.h"

#include "files/FileCommands.h"
#include "files/LayerCommands.h"

#include <algorithm>
#include <cmath>

namespace pemma {

namespace {

// A pressure the strokes can use: within [0, 1], none when it is not a number.
std::optional<double> usablePressure(std::optional<double> p)
{
    if (!p || !std::isfinite(*p))
        return std::nullopt;
    return std::clamp(*p, 0.0, 1.0);
}

QSize canvasSizeFor(const PaintSession::Setup& setup)
{
    // The persistent drawing covers the whole screen, whatever the window's size.
    if (!setup.canvasSize.isEmpty())
        return setup.canvasSize;
    return QSize(setup.screen.widthPixels, setup.screen.heightPixels);
}

} // namespace

PaintSession::PaintSession(const Setup& setup)
    : screen_(setup.screen),
      canvas_(canvasSizeFor(setup).width(), canvasSizeFor(setup).height()),
      sliders_(state_),
      ownRandom_(setup.random ? nullptr : std::make_unique<ProgramRandom>()),
      ownClock_(setup.clock ? nullptr : std::make_unique<SystemClock>()),
      random_(setup.random ? *setup.random : *ownRandom_),
      clock_(setup.clock ? *setup.clock : *ownClock_),
      frame_(StrokeContext{state_, canvas_, random_, clock_, sliders_, nullptr, {}}),
      history_(canvas_, state_, setup.limits)
{
}

PaintSession::~PaintSession()
{
    if (keeper_) {
        canvas_.setWriteObserver(&history_);
        keeper_.reset();
    }
}

void PaintSession::startKeeping(std::unique_ptr<KeepSlot> slot, KeepTiming timing, bool changed)
{
    keeper_ = std::make_unique<Keeper>(canvas_, state_, &history_, std::move(slot), timing, changed);
    canvas_.setWriteObserver(keeper_.get());
}

void PaintSession::keepAtEnd()
{
    if (keeper_)
        keeper_->keepAtEnd();
}

void PaintSession::changeEnded()
{
    if (keeper_)
        keeper_->changeEnded();
}

SettingsReadResult PaintSession::load(const QString& appPath)
{
    const SettingsReadResult read = Form_Load(state_, canvas_, sliders_, random_, screen_, appPath);
    // The whole drawing is new and is shown whole; the history starts from
    // it, so that the first press need not copy it.
    history_.restart();
    canvas_.takeDirty();
    return read;
}

bool PaintSession::saveSettings(QString* error) const { return Form_QueryUnload(state_, error); }

void PaintSession::press(QPointF pos, bool held)
{
    held_ = held;
    erasingFrom_.reset();
    // A press starts a step; it also ends a stroke of brush 1 still fading.
    history_.beginStep();
    frame_.Form_MouseDown(pos.x(), pos.y());
}

void PaintSession::move(QPointF pos, bool held)
{
    frame_.context().pressure.reset();
    strokeMove(pos, held);
}

void PaintSession::strokeMove(QPointF pos, bool held)
{
    held_ = held;
    // A fading stroke whose step a command has closed goes on as a step of
    // its own.
    if (state_.isDrawing && !history_.stepOpen())
        history_.beginStep();
    const bool wasDrawing = state_.isDrawing;
    frame_.Form_MouseMove(pos.x(), pos.y(), held);
    if (!state_.isDrawing) {
        history_.endStep(); // the release came, or brush 1 lifted its pen
        if (wasDrawing)
            changeEnded();
    }
}

void PaintSession::release(QPointF pos, bool held)
{
    held_ = held;
    frame_.Form_MouseUp(pos.x(), pos.y());
    if (!state_.isDrawing) {
        history_.endStep();
        changeEnded();
    }
}

void PaintSession::penDown(QPointF pos, Tip tip, std::optional<double> pressure)
{
    // A stroke of brush 1 still fading ends here, so that nothing joins the
    // new stroke to where it stopped.
    if (state_.isDrawing)
        endStroke(state_);
    erasingFrom_.reset();
    pressure_ = usablePressure(pressure);
    if (tip == Tip::Eraser) {
        held_ = true;
        history_.beginStep();
        erasingFrom_ = pos;
        canvas_.restoreLine(pos.x(), pos.y(), pos.x(), pos.y(), eraserWidth());
        return;
    }
    press(pos, true);
    // The stroke's first point is the one touched, not that of its first move.
    penMove(pos, true, pressure);
}

void PaintSession::penMove(QPointF pos, bool held, std::optional<double> pressure)
{
    if (held)
        pressure_ = usablePressure(pressure);
    if (erasingFrom_ && held) {
        held_ = true;
        if (!history_.stepOpen()) // a command closed the step: the rest is a step of its own
            history_.beginStep();
        canvas_.restoreLine(erasingFrom_->x(), erasingFrom_->y(), pos.x(), pos.y(), eraserWidth());
        erasingFrom_ = pos;
        return;
    }
    frame_.context().pressure = pressure_;
    strokeMove(pos, held);
}

void PaintSession::penUp(QPointF pos)
{
    if (erasingFrom_) {
        erasingFrom_.reset();
        held_ = false;
        history_.endStep();
        changeEnded();
        return;
    }
    release(pos, false);
}

double PaintSession::eraserWidth() const
{
    const double thickness = state_.brushSize;
    return pressure_ ? std::max(1.0, thickness * *pressure_) : thickness;
}

void PaintSession::runStep(const std::function<History::Keep()>& command)
{
    // A command may write the drawing anywhere or move it in memory.
    if (keeper_)
        keeper_->settle();
    history_.beginStep();
    const History::Keep keep = command();
    history_.endStep(keep);
    changeEnded();
}

void PaintSession::operation(int item)
{
    runStep([this, item] {
        OperationContext ctx{state_, canvas_, busy_};
        runOperation(item, ctx);
        return History::Keep::Always;
    });
}

template <typename F>
void PaintSession::fileCommand(F command)
{
    if (!dialogs_ || !window_)
        return;
    runStep([this, &command] {
        FileCommandContext ctx{state_, canvas_, *dialogs_, *window_};
        return command(ctx);
    });
}

namespace {
// Opening is a step when it loaded a picture; saving changes nothing.
History::Keep opened(bool loaded) { return loaded ? History::Keep::Always : History::Keep::Never; }
} // namespace

void PaintSession::openByDialog()
{
    fileCommand([](FileCommandContext& ctx) { return opened(bmpopen_Click(ctx)); });
}

bool PaintSession::openPicture(const QString& fileName) { return openPicture(FileName::fromText(fileName)); }

bool PaintSession::openPicture(const FileName& name)
{
    bool loaded = false;
    fileCommand([&](FileCommandContext& ctx) {
        loaded = pemma::openPicture(ctx, name);
        return opened(loaded);
    });
    return loaded;
}

void PaintSession::saveBmp()
{
    fileCommand([](FileCommandContext& ctx) {
        bmpsave_Click(ctx);
        return History::Keep::IfChanged;
    });
}

void PaintSession::saveJpeg(int quality)
{
    fileCommand([quality](FileCommandContext& ctx) {
        jpgsave_Click(ctx, quality);
        return History::Keep::IfChanged;
    });
}

PasteResult PaintSession::pastePicture(const QMimeData* content)
{
    PasteResult result;
    if (held_)
        return result;
    fileCommand([&](FileCommandContext& ctx) {
        result = pemma::pastePicture(ctx, content);
        return opened(result.pasted);
    });
    return result;
}

void PaintSession::savePng()
{
    fileCommand([](FileCommandContext& ctx) {
        pngsave(ctx);
        return History::Keep::IfChanged;
    });
}

void PaintSession::backgroundFromSwatch()
{
    runStep([this] {
        chback_Click(canvas_, sliders_);
        return History::Keep::Always;
    });
}

void PaintSession::canvasCommand(void (*command)(Canvas&))
{
    runStep([this, command] {
        command(canvas_);
        return History::Keep::Always;
    });
}

void PaintSession::backgroundBlack() { canvasCommand(black_Click); }
void PaintSession::backgroundWhite() { canvasCommand(clback_Click); }
void PaintSession::clearForeground() { canvasCommand(clsc_Click); }

bool PaintSession::undo() { return travel(&History::undo); }
bool PaintSession::redo() { return travel(&History::redo); }

bool PaintSession::travel(bool (History::*step)())
{
    if (held_)
        return false;
    // The stroke being taken back must not go on painting.
    if (state_.isDrawing)
        endStroke(state_);
    // The history writes the drawing without announcing it.
    if (keeper_)
        keeper_->settle();
    const bool done = (history_.*step)();
    if (keeper_ && done) {
        keeper_->changedWithin(canvas_.dirty());
        keeper_->changeEnded();
    }
    return done;
}

} // namespace pemma
