#pragma once
#include <QLabel>
#include <QMainWindow>
#include <QScrollBar>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "canvas/Canvas.h"
#include "history/History.h"
#include "imageops/Operations.h"
#include "paint/StrokeFrame.h"
#include "shell/core/Startup.h"
#include "state/Clock.h"
#include "state/ColourSliders.h"
#include "state/DrawingState.h"
#include "state/Random.h"

class QAction;
class QMenu;

namespace pemma {

class Form1;

// The client area: shows the persistent drawing and turns mouse events into
// strokes. The sliders, labels and swatch are its children.
class CanvasView final : public QWidget {
    Q_OBJECT
public:
    explicit CanvasView(Form1& form);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Form1& form_;
};

// The painter's one window: menu bar, canvas, colour sliders and swatch, and
// the whole drawing state.
class Form1 final : public QMainWindow, public CheckMarkView, public BusyPointer {
    Q_OBJECT
public:
    struct Options {
        QString appPath;                 // the program's folder (see settingsPlace)
        std::optional<ScreenMetrics> screen; // read from the primary screen when unset
    };
    explicit Form1(Options options);
    ~Form1() override;

    // Start-up: sizes the window to the screen and runs the load steps.
    void Form_Load();

    DrawingState& state() { return state_; }
    Canvas& canvas() { return *canvas_; }
    ColourSliders& sliders() { return sliders_; }
    StrokeFrame& frame() { return *frame_; }
    History& history() { return *history_; }
    CanvasView* canvasView() { return view_; }
    QScrollBar* slider(int n) { return scroll_[n - 1]; }
    QWidget* swatch() { return swatch_; }
    // ScaleWidth, ScaleHeight: the client area in pixels.
    int scaleWidth() const;
    int scaleHeight() const;

    void refreshCheckMarks(const DrawingState& state) override;
    void setBusy(bool busy) override;

    // Makes the whole window, frame included, cover its screen again.
    void fitToScreen();
    // Repaints what the last event changed.
    void repaintDirty();
    // Writes the settings file (the close request); every call writes it again.
    void Form_QueryUnload();

    // Ctrl+Z, and Ctrl+Shift+Z or Ctrl+Y: nothing while a mouse button is held.
    void undoStep();
    void redoStep();
    // Opens a picture as "画像開く" does once its dialog has given the name.
    void openPictureFile(const QString& fileName);
    // The canvas's mouse events, each one step of the history at most: a
    // stroke is one step from its press until it ends.
    void canvasPress(QMouseEvent* event);
    void canvasMove(QMouseEvent* event);
    void canvasRelease(QMouseEvent* event);
    // Runs a command that may change the drawing as one step; the command
    // says how the step is kept.
    void runAsStep(const std::function<History::Keep()>& command);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildMenus();
    void buildControls();
    void connectFileCommands();
    void bindHistoryKeys();
    bool buttonHeld() const;
    QAction* addItem(QMenu* menu, const QString& name, const QString& caption, bool checkable);

    Options options_;
    ScreenMetrics screen_;
    DrawingState state_;
    std::unique_ptr<Canvas> canvas_;
    ColourSliders sliders_;
    ProgramRandom random_;
    SystemClock clock_;
    std::unique_ptr<StrokeFrame> frame_;
    std::unique_ptr<History> history_; // watches the canvas, so ends before it
    std::function<void(const QString&)> openByName_;
    Qt::MouseButtons canvasButtons_;    // held over the canvas, as its last event said

    CanvasView* view_ = nullptr;
    std::array<QScrollBar*, 3> scroll_{};
    std::array<QLabel*, 3> labels_{};
    QWidget* swatch_ = nullptr;

    std::vector<std::pair<int, QAction*>> modeActions_;
    std::vector<std::pair<int, QAction*>> brushActions_;
    std::vector<std::pair<int, QAction*>> sizeActions_;
    int frameFitTries_ = 0;

    // Under a window manager the frame adds to the window: once its size is
    // known, the whole window, frame included, is made to cover the screen.
    void fitFrameToScreen();
};

} // namespace pemma
