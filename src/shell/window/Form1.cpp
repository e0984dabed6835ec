// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/window/Form1.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTimer>
#include <cstdio>
#include <utility>

#include "shell/core/SettingsPlace.h"
#include "shell/core/Version.h"
#include "shell/window/CanvasView.h"
#include "shell/window/ClipboardKeys.h"
#include "shell/window/ColourSliderStyle.h"
#include "shell/window/DroppedFile.h"
#include "shell/window/PenInput.h"
#include "shell/window/ScreenFit.h"
#include "state/Rounding.h"

namespace pemma {

namespace {

QColor qcolour(Colour c) { return QColor::fromRgb(Canvas::toRgb(c)); }

} // namespace

Form1::Form1(Options options) : options_(std::move(options)), dialogs_(this)
{
    setWindowTitle(programTitle());
    setObjectName(QStringLiteral("Form1"));
    session_ = std::make_unique<PaintSession>(
        PaintSession::Setup{options_.screen ? *options_.screen : readPrimaryScreen(), {}, nullptr, nullptr, {}});
    session_->setCheckMarkView(this);
    session_->setBusyPointer(this);
    session_->setFileUi(&dialogs_, this);
    setAcceptDrops(true);

    view_ = new CanvasView(std::as_const(session_->canvas()), this);
    view_->onPress = [this](QMouseEvent* e) { canvasEvent(e, &PaintSession::press); };
    view_->onMove = [this](QMouseEvent* e) { canvasEvent(e, &PaintSession::move); };
    view_->onRelease = [this](QMouseEvent* e) { canvasEvent(e, &PaintSession::release); };
    new PenInput(view_, *session_, [this](QPoint pen) { repaintChanged(pen); });
    setCentralWidget(view_);
    menus_ = buildMenus(*this);
    buildControls();
    connectMenus();
    bindHistoryKeys();
    new ClipboardKeys(this, *session_, dialogs_, [this] { repaintChanged(); });
    end_ = std::make_unique<EndOfRun>([this] {
        Form_QueryUnload();
        session_->keepAtEnd();
    });
}

Form1::~Form1() = default;

void Form1::startKeeping(const QString& folder, RestoreQuestion& question, KeepTiming timing)
{
    startKeepingPaintings(*session_, folder, question, timing);
    // A painting put back or under may differ anywhere.
    repaintAll();
}

int Form1::scaleWidth() const { return view_->width(); }
int Form1::scaleHeight() const { return view_->height(); }

void Form1::connectMenus()
{
    PaintSession& s = *session_;
    auto on = [this](QAction* action, auto command) {
        connect(action, &QAction::triggered, this, [this, command] {
            command();
            repaintChanged();
        });
    };
    on(menus_.bmpopen, [&s] { s.openByDialog(); });
    on(menus_.bmpsave, [&s] { s.saveBmp(); });
    for (auto [quality, action] : menus_.jpgsave)
        on(action, [&s, quality = quality] { s.saveJpeg(quality); });
    on(menus_.chback, [&s] { s.backgroundFromSwatch(); });
    on(menus_.black, [&s] { s.backgroundBlack(); });
    on(menus_.clback, [&s] { s.backgroundWhite(); });
    on(menus_.clsc, [&s] { s.clearForeground(); });
    for (auto [item, action] : menus_.operations) {
        connect(action, &QAction::triggered, this, [this, &s, item = item] {
            s.operation(item);
            // An operation may change any pixel: the whole view is repainted.
            repaintAll();
        });
    }

    // Check marks are set only by the refresh at the next move (and by
    // "単色" at once); a click must not toggle them, so each handler puts the
    // mark back as it was before storing its value.
    auto choice = [this](QAction* action, int value, int DrawingState::*field) {
        const bool markNow = field == &DrawingState::colourMode && value == 1;
        connect(action, &QAction::triggered, this, [this, action, value, field, markNow](bool checked) {
            action->setChecked(markNow || !checked);
            session_->state().*field = value;
        });
    };
    for (auto [value, action] : menus_.modes)
        choice(action, value, &DrawingState::colourMode);
    for (auto [value, action] : menus_.brushes)
        choice(action, value, &DrawingState::brushIndex);
    for (auto [value, action] : menus_.sizes)
        choice(action, value, &DrawingState::brushSize);
}

void Form1::buildControls()
{
    // Designed in twips: labels 255 x 255 at top 0, 240, 480; sliders at left
    // 240, 735 x 255; the swatch at left 960, 135 x 735.
    const ScreenMetrics& screen = session_->screen();
    const double tx = screen.twipsPerPixelX, ty = screen.twipsPerPixelY;
    auto px = [](double twips, double per) { return roundHalfEven(twips / per); };
    const char* names[3] = {"赤", "緑", "青"};
    auto* sliderStyle = new ColourSliderStyle;
    sliderStyle->setParent(this);
    ColourSliders& sliders = session_->sliders();
    for (int i = 0; i < 3; ++i) {
        QLabel* label = new QLabel(QString::fromUtf8(names[i]), view_);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        label->setAutoFillBackground(true);
        label->setAlignment(Qt::AlignCenter);
        QFont f = label->font();
        f.setPixelSize(std::max(8, px(255, ty) - 5));
        label->setFont(f);
        label->setGeometry(0, px(240 * i, ty), px(255, tx), px(255, ty));
        // A press on a label or the swatch is theirs; it starts no stroke.
        label->setAttribute(Qt::WA_NoMousePropagation);
        labels_[i] = label;

        QScrollBar* bar = new QScrollBar(Qt::Horizontal, view_);
        bar->setObjectName(QStringLiteral("HScroll%1").arg(i + 1));
        bar->setRange(0, 255);
        bar->setSingleStep(1);
        bar->setPageStep(16);
        bar->setValue(0);
        bar->setGeometry(px(240, tx), px(240 * i, ty), px(735, tx), px(255, ty));
        // A clicked slider takes the arrow keys; a scroll bar's are inverted
        // by default (Right would lower the value), a colour slider's not.
        bar->setFocusPolicy(Qt::StrongFocus);
        bar->setInvertedControls(false);
        bar->setStyle(sliderStyle);
        const int n = i + 1;
        connect(bar, &QScrollBar::valueChanged, this, [&sliders, n](int value) { sliders.setPosition(n, value); });
        scroll_[i] = bar;
    }
    // Later (overlapping) controls lie on top: the labels cover the sliders'
    // left ends as designed.
    for (QLabel* l : labels_)
        l->raise();

    swatch_ = new QWidget(view_);
    swatch_->setObjectName(QStringLiteral("Picture1"));
    swatch_->setAutoFillBackground(true);
    swatch_->setAttribute(Qt::WA_NoMousePropagation);
    swatch_->setGeometry(px(960, tx), 0, px(135, tx), px(735, ty));
    QPalette pal = swatch_->palette();
    pal.setColor(QPalette::Window, Qt::white);
    swatch_->setPalette(pal);

    sliders.onPosition = [this](int n, int pos) {
        QSignalBlocker block(scroll_[n - 1]);
        scroll_[n - 1]->setValue(pos);
    };
    sliders.onSwatch = [this](Colour c) {
        QPalette p = swatch_->palette();
        p.setColor(QPalette::Window, qcolour(c));
        swatch_->setPalette(p);
    };
}

void Form1::bindHistoryKeys()
{
    // Keys only: no menu item and nothing to see.
    auto bind = [this](QKeySequence keys, void (Form1::*step)()) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, step);
    };
    bind(QKeySequence(Qt::CTRL | Qt::Key_Z), &Form1::undoStep);
    bind(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), &Form1::redoStep);
    bind(QKeySequence(Qt::CTRL | Qt::Key_Y), &Form1::redoStep);
}

void Form1::undoStep()
{
    // A button held anywhere (a drag that left the canvas) counts too.
    if (QGuiApplication::mouseButtons() != Qt::NoButton)
        return;
    session_->undo();
    repaintChanged();
}

void Form1::redoStep()
{
    if (QGuiApplication::mouseButtons() != Qt::NoButton)
        return;
    session_->redo();
    repaintChanged();
}

void Form1::canvasEvent(QMouseEvent* event, void (PaintSession::*handler)(QPointF, bool))
{
    (session_.get()->*handler)(event->position(), event->buttons() != Qt::NoButton);
    repaintChanged(event->position().toPoint());
}

void Form1::openPictureFile(const FileName& name)
{
    const FileName path = name.absolute();
    dialogs_.chosenElsewhere(path.shown);
    session_->openPicture(path);
    repaintChanged();
}

void Form1::dragEnterEvent(QDragEnterEvent* event)
{
    if (droppedFile(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void Form1::dropEvent(QDropEvent* event)
{
    const std::optional<FileName> file = droppedFile(event->mimeData());
    if (!file) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Opened once the drop is over, so the source is not kept waiting for
    // the picture to load or for a message about it.
    const FileName name = *file;
    QTimer::singleShot(0, this, [this, name] { openPictureFile(name); });
}

void Form1::Form_Load()
{
    // The window covers the screen, its top-left corner at the screen's.
    const ScreenMetrics& screen = session_->screen();
    if (QScreen* primary = QGuiApplication::primaryScreen())
        setGeometry(primary->geometry());
    else
        resize(screen.widthPixels, screen.heightPixels);
    fitByMaximizing(*this);
    const SettingsReadResult read = session_->load(options_.appPath);
    if (!read.ignored.empty()) {
        QStringList fields;
        for (int f : read.ignored)
            fields << QString::number(f);
        std::fprintf(stderr, "pemmarover: %s: ignored unusable field(s) %s; using defaults for them\n",
                     qPrintable(QDir(settingsPlace(options_.appPath).readFolder)
                                    .filePath(QString::fromLatin1(kSettingsFileName))),
                     qPrintable(fields.join(QStringLiteral(", "))));
    }
    // The whole drawing is new: it is repainted whole now, so that the first
    // stroke repaints only what it paints.
    repaintAll();
}

void Form1::refreshCheckMarks(const DrawingState& s)
{
    for (auto [value, action] : menus_.modes)
        action->setChecked(value == s.colourMode);
    for (auto [value, action] : menus_.brushes)
        action->setChecked(value == s.brushIndex);
    for (auto [value, action] : menus_.sizes)
        action->setChecked(value == s.brushSize);
}

void Form1::setBusy(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void Form1::repaintAll()
{
    session_->takeRepaintArea();
    view_->showAll();
}

void Form1::repaintChanged(std::optional<QPoint> pointer)
{
    const QRect r = session_->takeRepaintArea();
    if (!r.isEmpty())
        view_->showChanged(r, pointer);
}

void Form1::Form_QueryUnload()
{
    // Written at every request: the session manager may ask for the settings
    // while the program goes on (a save point, a cancelled logout), and the
    // real close must still store what was chosen after that.
    QString error;
    if (!session_->saveSettings(&error))
        std::fprintf(stderr, "pemmarover: could not write the settings file in %s: %s\n",
                     qPrintable(settingsPlace(options_.appPath).writeFolder), qPrintable(error));
}

void Form1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (frameFitTries_ == 0)
        QTimer::singleShot(0, this, &Form1::fitFrameToScreen);
}

void Form1::fitFrameToScreen()
{
    if (fitByMaximizing(*this))
        return;
    if (frameGeometry() == geometry()) {
        // No frame (yet): a window manager may still be adding one.
        if (++frameFitTries_ < 10)
            QTimer::singleShot(50, this, &Form1::fitFrameToScreen);
        return;
    }
    frameFitTries_ = 10;
    refitToScreen();
}

void Form1::refitToScreen()
{
    if (fitByMaximizing(*this))
        return;
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect target = screen->geometry();
    const QRect frame = frameGeometry(), client = geometry();
    if (frame == client) {
        setGeometry(target);
        return;
    }
    if (frame == target)
        return;
    resize(target.size() - (frame.size() - client.size()));
    move(target.topLeft()); // move() places the frame
}

void Form1::closeEvent(QCloseEvent* event)
{
    end_->run();
    event->accept();
    QApplication::quit();
}

} // namespace pemma
