#pragma once
#include <QLabel>
#include <QMainWindow>
#include <QScrollBar>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "canvas/Canvas.h"
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

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildMenus();
    void buildControls();
    void connectFileCommands();
    QAction* addItem(QMenu* menu, const QString& name, const QString& caption, bool checkable);

    Options options_;
    ScreenMetrics screen_;
    DrawingState state_;
    std::unique_ptr<Canvas> canvas_;
    ColourSliders sliders_;
    ProgramRandom random_;
    SystemClock clock_;
    std::unique_ptr<StrokeFrame> frame_;

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
