// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "canvas/Canvas.h"
#include "files/FileDialogs.h"
#include "files/FileRead.h"
#include "files/ShareCommands.h"
#include "history/History.h"
#include "imageops/Operations.h"
#include "keep/Keeper.h"
#include "paint/StrokeFrame.h"
#include "shell/core/Startup.h"
#include "state/Clock.h"
#include "state/ColourSliders.h"
#include "state/DrawingState.h"
#include "state/Random.h"

namespace pemma {

// What the painter has in front of it, without any window: the drawing state,
// the persistent drawing, the colour sliders' model, the random stream, the
// clock, the stroke frame and the undo history. The window feeds it pointer
// events and menu commands and repaints what it reports as changed; tests,
// benchmarks and the fuzzers drive it the same way.
//
// Steps of the history: a stroke is one step from its press until it ends
// (its release, or brush 1 lifting its pen); a command is one step.
class PaintSession {
public:
    struct Setup {
        ScreenMetrics screen;
        QSize canvasSize;                // the screen's size when empty
        RandomSource* random = nullptr;  // the program's own stream when null
        Clock* clock = nullptr;          // the system clock when null
        History::Limits limits;
    };
    explicit PaintSession(const Setup& setup);
    ~PaintSession();
    PaintSession(const PaintSession&) = delete;
    PaintSession& operator=(const PaintSession&) = delete;

    DrawingState& state() { return state_; }
    const DrawingState& state() const { return state_; }
    Canvas& canvas() { return canvas_; }
    const Canvas& canvas() const { return canvas_; }
    ColourSliders& sliders() { return sliders_; }
    History& history() { return history_; }
    RandomSource& random() { return random_; }
    Clock& clock() { return clock_; }
    const ScreenMetrics& screen() const { return screen_; }

    // The window's parts the session reaches while it works; each may be
    // absent (tests, benchmarks).
    void setCheckMarkView(CheckMarkView* view) { frame_.context().checkMarks = view; }
    void setBusyPointer(BusyPointer* busy) { busy_ = busy; }
    void setFileUi(FileDialogs* dialogs, FileCommandWindow* window)
    {
        dialogs_ = dialogs;
        window_ = window;
    }

    // The start-up steps (after the window has been sized): settings read
    // from the folder settingsPlace() gives for appPath, and the history
    // started from the drawing as it then is.
    SettingsReadResult load(const QString& appPath);
    // The close request: writes the settings; false (with the reason) when
    // they could not be written.
    bool saveSettings(QString* error = nullptr) const;

    // From now on the painting is kept on disk in slot as it changes (see
    // Keeper). `changed`: the drawing as it now is has not been kept yet.
    void startKeeping(std::unique_ptr<KeepSlot> slot, KeepTiming timing = {}, bool changed = false);
    Keeper* keeper() { return keeper_.get(); }
    // The end of the run: the painting is kept as it is, marked as closed
    // normally.
    void keepAtEnd();

    // Pointer events over the canvas. `held`: whether any button is down
    // once the event has happened.
    void press(QPointF pos, bool held = true);
    void move(QPointF pos, bool held);
    void release(QPointF pos, bool held = false);
    // A button went down over the canvas and has not come up yet.
    bool buttonHeld() const { return held_; }

    // A pen or a finger over the canvas. Its stroke starts exactly where it
    // touches down, and no line joins it to an earlier point. `pressure`, in
    // [0, 1], when the pen reports one: every move paints at the thickness
    // scaled by it. The eraser end puts the background back along its path
    // at the thickness times the pressure, one step per stroke, leaving the
    // brush, colour and mode as they are. Moves of a pen off the surface
    // (`held` false) act as a mouse's moves without a button.
    enum class Tip { Pen, Eraser };
    void penDown(QPointF pos, Tip tip, std::optional<double> pressure);
    void penMove(QPointF pos, bool held, std::optional<double> pressure);
    void penUp(QPointF pos);

    // Runs a command that may change the drawing as one step; it says how
    // the step is kept.
    void runStep(const std::function<History::Keep()>& command);
    // "画像処理" g<item>.
    void operation(int item);
    // The commands of "メニュー"; each needs setFileUi() for its dialogs.
    void openByDialog();
    bool openPicture(const QString& fileName);
    bool openPicture(const FileName& name);
    void saveBmp();
    void saveJpeg(int quality);
    void backgroundFromSwatch();
    void backgroundBlack();
    void backgroundWhite();
    void clearForeground();
    // The keys that share a painting (they too need setFileUi()): the
    // clipboard's picture or picture file as the background, one step;
    // nothing while a button is held. The drawing saved as PNG.
    PasteResult pastePicture(const QMimeData* content);
    void savePng();

    // Nothing while a button is held; a brush-1 stroke still fading ends
    // first. False when nothing was done.
    bool undo();
    bool redo();

    // The area of the drawing changed since the last call: every pixel
    // changed since then lies inside it.
    QRect takeRepaintArea() { return canvas_.takeDirty(); }

private:
    template <typename F>
    void fileCommand(F command);
    // Undo or redo, by the rules both follow.
    bool travel(bool (History::*step)());
    // A background or foreground command, always a step.
    void canvasCommand(void (*command)(Canvas&));
    void strokeMove(QPointF pos, bool held);
    double eraserWidth() const;
    // Tells the keeper that a change has ended.
    void changeEnded();

    ScreenMetrics screen_;
    DrawingState state_;
    Canvas canvas_;
    ColourSliders sliders_;
    std::unique_ptr<RandomSource> ownRandom_;
    std::unique_ptr<Clock> ownClock_;
    RandomSource& random_;
    Clock& clock_;
    StrokeFrame frame_;
    History history_; // watches the canvas, so ends before it
    BusyPointer* busy_ = nullptr;
    FileDialogs* dialogs_ = nullptr;
    FileCommandWindow* window_ = nullptr;
    bool held_ = false;
    // The pressure of the pen's last move on the surface: its stroke goes on
    // with it (brush 1 fading) once the pen is lifted.
    std::optional<double> pressure_;
    std::optional<QPointF> erasingFrom_; // the eraser's last point while it is down
    std::unique_ptr<Keeper> keeper_; // stands between the canvas and the history
};

} // namespace pemma
