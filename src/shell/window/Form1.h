// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QMainWindow>
#include <array>
#include <memory>
#include <optional>

#include "files/FileDialogs.h"
#include "imageops/Operations.h"
#include "paint/StrokeContext.h"
#include "session/KeptStart.h"
#include "session/PaintSession.h"
#include "shell/core/Startup.h"
#include "shell/window/EndOfRun.h"
#include "shell/window/Menus.h"
#include "shell/window/QtFileDialogs.h"

class QLabel;
class QMouseEvent;
class QScrollBar;

namespace pemma {

class CanvasView;

// The painter's one window: the menu bar, the canvas view, the colour
// sliders and swatch as widgets. What is painted, and how, is the paint
// session's; the window turns events into its calls and repaints what they
// changed.
class Form1 final : public QMainWindow,
                    public CheckMarkView,
                    public BusyPointer,
                    public FileCommandWindow {
    Q_OBJECT
public:
    struct Options {
        QString appPath;                     // the program's folder (see settingsPlace)
        std::optional<ScreenMetrics> screen; // read from the primary screen when unset
    };
    explicit Form1(Options options);
    ~Form1() override;

    // Start-up: sizes the window to the screen and runs the load steps.
    void Form_Load();

    PaintSession& session() { return *session_; }
    CanvasView* canvasView() { return view_; }
    QScrollBar* slider(int n) { return scroll_[n - 1]; }
    QWidget* swatch() { return swatch_; }

    // ScaleWidth, ScaleHeight: the client area in pixels.
    int scaleWidth() const override;
    int scaleHeight() const override;
    // Makes the whole window, frame included, cover its screen again.
    void refitToScreen() override;

    void refreshCheckMarks(const DrawingState& state) override;
    void setBusy(bool busy) override;

    // Writes the settings file (the close request); every call writes it again.
    void Form_QueryUnload();
    // The close handling, once however the run ends: the settings written
    // and the painting kept.
    EndOfRun& endOfRun() { return *end_; }
    // Once the window shows: offers or puts back the painting the last run
    // left in folder, and keeps this run's painting there (see KeptStart.h).
    void startKeeping(const QString& folder, RestoreQuestion& question, KeepTiming timing = {});

    // Ctrl+Z, and Ctrl+Shift+Z or Ctrl+Y: nothing while a mouse button is held.
    void undoStep();
    void redoStep();
    // Opens a picture as "画像開く" does once its dialog has given the name;
    // the name's bytes are the file's, whether or not they are UTF-8.
    void openPictureFile(const FileName& name);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildControls();
    void connectMenus();
    void bindHistoryKeys();
    void canvasEvent(QMouseEvent* event, void (PaintSession::*handler)(QPointF, bool));
    // Repaints the whole drawing.
    void repaintAll();
    // Repaints what the last event changed, around `pointer` (where the
    // pointer, pen or finger is on the drawing) first.
    void repaintChanged(std::optional<QPoint> pointer = std::nullopt);
    // Under a window manager the frame adds to the window: once its size is
    // known, the whole window, frame included, is made to cover the screen.
    void fitFrameToScreen();

    Options options_;
    std::unique_ptr<PaintSession> session_;
    QtFileDialogs dialogs_;
    MenuActions menus_;
    CanvasView* view_ = nullptr;
    std::array<QScrollBar*, 3> scroll_{};
    std::array<QLabel*, 3> labels_{};
    QWidget* swatch_ = nullptr;
    int frameFitTries_ = 0;
    std::unique_ptr<EndOfRun> end_;
};

} // namespace pemma
