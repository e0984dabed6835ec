#include "shell/window/Form1.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionComplex>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTimer>
#include <cstdio>

#include "paint/BrushTable.h"
#include "shell/core/MenuTables.h"
#include "shell/core/SettingsPlace.h"
#include "shell/window/QtFileDialogs.h"
#include "state/Rounding.h"

namespace pemma {

namespace {

ScreenMetrics readScreen()
{
    ScreenMetrics m;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        m.widthPixels = screen->geometry().width();
        m.heightPixels = screen->geometry().height();
        const double dpiX = screen->logicalDotsPerInchX() > 0 ? screen->logicalDotsPerInchX() : 96;
        const double dpiY = screen->logicalDotsPerInchY() > 0 ? screen->logicalDotsPerInchY() : 96;
        m.twipsPerPixelX = 1440.0 / dpiX;
        m.twipsPerPixelY = 1440.0 / dpiY;
    }
    return m;
}

QColor qcolour(Colour c) { return QColor::fromRgb(Canvas::toRgb(c)); }

// The colour sliders are only 49 pixels wide. The desktop style's minimum
// thumb length would fill their whole track, so the thumb could neither be
// seen to move nor be dragged; a short, dark thumb keeps the position visible.
class ColourSliderStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override
    {
        if (metric == PM_ScrollBarSliderMin)
            return 6;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override
    {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        if (control != CC_ScrollBar)
            return;
        const QRect thumb = subControlRect(CC_ScrollBar, option, SC_ScrollBarSlider, widget);
        painter->fillRect(thumb.adjusted(1, 1, -1, -1), option->palette.color(QPalette::Dark));
    }
};

// The selection menus show a check mark beside the chosen item and nothing
// beside the others. The desktop style draws every item that can take a mark
// with a box, empty when unchecked, so a whole menu would be a column of boxes;
// here a checked item gets a plain tick in that place and the others nothing.
class CheckMarkMenuStyle : public QProxyStyle {
public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        const bool indicator = element == PE_IndicatorCheckBox || element == PE_IndicatorMenuCheckMark
                            || element == PE_IndicatorRadioButton;
        if (!indicator || !qobject_cast<const QMenu*>(widget)) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        if (!(option->state & State_On))
            return;
        const QRectF r = QRectF(option->rect).adjusted(1, 1, -1, -1);
        const qreal side = std::min(r.width(), r.height());
        const QRectF box(r.center() - QPointF(side / 2, side / 2), QSizeF(side, side));
        const QPointF tick[] = {box.topLeft() + QPointF(0.15 * side, 0.55 * side),
                                box.topLeft() + QPointF(0.40 * side, 0.80 * side),
                                box.topLeft() + QPointF(0.85 * side, 0.20 * side)};
        const QPalette::ColorGroup group = option->state & State_Enabled ? QPalette::Normal : QPalette::Disabled;
        const QPalette::ColorRole role = option->state & State_Selected ? QPalette::HighlightedText : QPalette::Text;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, true);
        QPen pen(option->palette.color(group, role), std::max<qreal>(1.5, side / 7));
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        painter->setPen(pen);
        painter->drawPolyline(tick, 3);
        painter->restore();
    }
};

} // namespace

// ---------------------------------------------------------------- CanvasView

CanvasView::CanvasView(Form1& form) : QWidget(&form), form_(form)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
}

void CanvasView::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    const QRect r = event->rect();
    p.drawImage(r.topLeft(), form_.canvas().image(), r);
}

void CanvasView::mousePressEvent(QMouseEvent* event) { form_.canvasPress(event); }

void CanvasView::mouseMoveEvent(QMouseEvent* event) { form_.canvasMove(event); }

void CanvasView::mouseReleaseEvent(QMouseEvent* event) { form_.canvasRelease(event); }

// ---------------------------------------------------------------- Form1

Form1::Form1(Options options) : options_(std::move(options)), sliders_(state_)
{
    setWindowTitle(QStringLiteral("Pemmarover1.1"));
    setObjectName(QStringLiteral("Form1"));
    screen_ = options_.screen ? *options_.screen : readScreen();
    // The persistent drawing covers the whole screen, whatever the window's size.
    canvas_ = std::make_unique<Canvas>(screen_.widthPixels, screen_.heightPixels);
    frame_ = std::make_unique<StrokeFrame>(
        StrokeContext{state_, *canvas_, random_, clock_, sliders_, this});
    history_ = std::make_unique<History>(*canvas_, state_);
    setAcceptDrops(true);

    view_ = new CanvasView(*this);
    setCentralWidget(view_);
    buildMenus();
    buildControls();
    connectFileCommands();
    bindHistoryKeys();
}

Form1::~Form1() = default;

int Form1::scaleWidth() const { return view_->width(); }
int Form1::scaleHeight() const { return view_->height(); }

QAction* Form1::addItem(QMenu* menu, const QString& name, const QString& caption, bool checkable)
{
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    a->setCheckable(checkable);
    return a;
}

void Form1::buildMenus()
{
    QMenuBar* bar = menuBar();
    // F10 opens the first menu, as on other desktops.
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(f10, &QShortcut::activated, this, [bar] {
        if (!bar->actions().isEmpty())
            bar->setActiveAction(bar->actions().first());
    });

    QMenu* mnu = bar->addMenu(QStringLiteral("メニュー"));
    mnu->setObjectName(QStringLiteral("mnu"));
    addItem(mnu, QStringLiteral("bmpopen"), QStringLiteral("画像開く"), false);
    addItem(mnu, QStringLiteral("bmpsave"), QStringLiteral("bmp完全保存"), false);
    QMenu* jpg = mnu->addMenu(QStringLiteral("jpg保存"));
    jpg->setObjectName(QStringLiteral("jpgsave"));
    for (int q : kJpegQualities)
        addItem(jpg, QStringLiteral("jpg%1").arg(q), QString::number(q), false);
    addItem(mnu, QStringLiteral("chback"), QStringLiteral("背景変更"), false);
    addItem(mnu, QStringLiteral("black"), QStringLiteral("背景黒"), false);
    addItem(mnu, QStringLiteral("clback"), QStringLiteral("背景白"), false);
    addItem(mnu, QStringLiteral("clsc"), QStringLiteral("前景消去"), false);

    QMenu* gazou = bar->addMenu(QStringLiteral("画像処理"));
    gazou->setObjectName(QStringLiteral("gazou"));
    for (const OperationEntry& op : operationTable()) {
        QAction* a = addItem(gazou, QStringLiteral("g%1").arg(op.item), QString::fromUtf8(op.caption), false);
        const int item = op.item;
        connect(a, &QAction::triggered, this, [this, item] {
            runAsStep([this, item] {
                OperationContext ctx{state_, *canvas_, this};
                runOperation(item, ctx);
                return History::Keep::Always;
            });
            canvas_->takeDirty();
            view_->update();
        });
    }

    // Check marks are set only by the refresh at the next move (and by
    // "単色" at once); a click must not toggle them, so each handler puts the
    // mark back as it was before storing its value.
    auto* checkStyle = new CheckMarkMenuStyle;
    checkStyle->setParent(this);
    QMenu* iro = bar->addMenu(QStringLiteral("色選択"));
    iro->setObjectName(QStringLiteral("iro"));
    iro->setStyle(checkStyle);
    for (const ValueItem& item : kColourModeItems) {
        QAction* a = addItem(iro, QStringLiteral("i%1").arg(item.value), QString::fromUtf8(item.caption), true);
        modeActions_.emplace_back(item.value, a);
        const int value = item.value;
        connect(a, &QAction::triggered, this, [this, a, value](bool checked) {
            a->setChecked(!checked);
            state_.colourMode = value;
            if (value == 1)
                a->setChecked(true);
        });
    }

    QMenu* fude = bar->addMenu(QStringLiteral("描画筆選択"));
    fude->setObjectName(QStringLiteral("fude"));
    fude->setStyle(checkStyle);
    for (const BrushEntry& brush : brushTable()) {
        QAction* a = addItem(fude, QStringLiteral("f%1").arg(brush.index), QString::fromUtf8(brush.caption), true);
        brushActions_.emplace_back(brush.index, a);
        const int value = brush.index;
        connect(a, &QAction::triggered, this, [this, a, value](bool checked) {
            a->setChecked(!checked);
            state_.brushIndex = value;
        });
    }

    QMenu* fu = bar->addMenu(QStringLiteral("筆太さ"));
    fu->setObjectName(QStringLiteral("fu"));
    fu->setStyle(checkStyle);
    for (int size : kThicknessItems) {
        QAction* a = addItem(fu, QStringLiteral("fu%1").arg(size), QString::number(size), true);
        sizeActions_.emplace_back(size, a);
        connect(a, &QAction::triggered, this, [this, a, size](bool checked) {
            a->setChecked(!checked);
            state_.brushSize = size;
        });
    }
}

void Form1::buildControls()
{
    // Designed in twips: labels 255 x 255 at top 0, 240, 480; sliders at left
    // 240, 735 x 255; the swatch at left 960, 135 x 735.
    const double tx = screen_.twipsPerPixelX, ty = screen_.twipsPerPixelY;
    auto px = [](double twips, double per) { return roundHalfEven(twips / per); };
    const char* names[3] = {"赤", "緑", "青"};
    auto* sliderStyle = new ColourSliderStyle;
    sliderStyle->setParent(this);
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
        connect(bar, &QScrollBar::valueChanged, this, [this, n](int value) {
            sliders_.setPosition(n, value);
        });
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

    sliders_.onPosition = [this](int n, int pos) {
        QSignalBlocker block(scroll_[n - 1]);
        scroll_[n - 1]->setValue(pos);
    };
    sliders_.onSwatch = [this](Colour c) {
        QPalette p = swatch_->palette();
        p.setColor(QPalette::Window, qcolour(c));
        swatch_->setPalette(p);
    };
}

void Form1::connectFileCommands()
{
    // The file and layer commands of "メニュー" are connected here.
    openByName_ = installFileCommands(*this);
}

// ---------------------------------------------------------------- history

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

bool Form1::buttonHeld() const
{
    return canvasButtons_ != Qt::NoButton || QGuiApplication::mouseButtons() != Qt::NoButton;
}

void Form1::undoStep()
{
    if (buttonHeld())
        return;
    // A stroke of brush 1 still fading out ends here, as if its pen lifted:
    // the stroke being taken back must not go on painting.
    if (state_.isDrawing) {
        state_.isDrawing = false;
        state_.prevX = state_.prevY = 0;
    }
    history_->undo();
    repaintDirty();
}

void Form1::redoStep()
{
    if (buttonHeld())
        return;
    if (state_.isDrawing) {
        state_.isDrawing = false;
        state_.prevX = state_.prevY = 0;
    }
    history_->redo();
    repaintDirty();
}

void Form1::runAsStep(const std::function<History::Keep()>& command)
{
    history_->beginStep();
    const History::Keep keep = command();
    history_->endStep(keep);
}

void Form1::canvasPress(QMouseEvent* event)
{
    canvasButtons_ = event->buttons();
    const QPointF pos = event->position();
    // A press starts a step; it also ends a stroke of brush 1 still fading.
    history_->beginStep();
    frame_->Form_MouseDown(pos.x(), pos.y());
    repaintDirty();
}

void Form1::canvasMove(QMouseEvent* event)
{
    canvasButtons_ = event->buttons();
    const QPointF pos = event->position();
    // A fading stroke whose step a command has closed goes on as a step of
    // its own.
    if (state_.isDrawing && !history_->stepOpen())
        history_->beginStep();
    frame_->Form_MouseMove(pos.x(), pos.y(), event->buttons() != Qt::NoButton);
    if (!state_.isDrawing)
        history_->endStep(); // the release came, or brush 1 lifted its pen
    repaintDirty();
}

void Form1::canvasRelease(QMouseEvent* event)
{
    canvasButtons_ = event->buttons();
    const QPointF pos = event->position();
    frame_->Form_MouseUp(pos.x(), pos.y());
    if (!state_.isDrawing)
        history_->endStep();
    repaintDirty();
}

void Form1::openPictureFile(const QString& fileName)
{
    if (openByName_)
        openByName_(fileName);
}

namespace {

// The one local file of a drop, if that is what it holds.
std::optional<QString> droppedFile(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return std::nullopt;
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return std::nullopt;
    const QString path = urls.first().toLocalFile();
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return std::nullopt;
    return path;
}

} // namespace

void Form1::dragEnterEvent(QDragEnterEvent* event)
{
    if (droppedFile(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void Form1::dropEvent(QDropEvent* event)
{
    const std::optional<QString> file = droppedFile(event->mimeData());
    if (!file) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Opened once the drop is over, so the source is not kept waiting for
    // the picture to load or for a message about it.
    const QString name = *file;
    QTimer::singleShot(0, this, [this, name] { openPictureFile(name); });
}

void Form1::Form_Load()
{
    // The window covers the screen, its top-left corner at the screen's.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->geometry());
    else
        resize(screen_.widthPixels, screen_.heightPixels);
    const SettingsReadResult read =
        pemma::Form_Load(state_, *canvas_, sliders_, random_, screen_, options_.appPath);
    if (!read.ignored.empty()) {
        QStringList fields;
        for (int f : read.ignored)
            fields << QString::number(f);
        std::fprintf(stderr, "pemmarover: %s: ignored unusable field(s) %s; using defaults for them\n",
                     qPrintable(QDir(settingsPlace(options_.appPath).readFolder)
                                    .filePath(QString::fromLatin1(kSettingsFileName))),
                     qPrintable(fields.join(QStringLiteral(", "))));
    }
    // The whole drawing is new: repaint it all now, so that the first stroke
    // repaints only what it paints; the history starts from it, so that the
    // first press need not copy it.
    history_->restart();
    canvas_->takeDirty();
    view_->update();
}

void Form1::refreshCheckMarks(const DrawingState& s)
{
    for (auto& [value, action] : modeActions_)
        action->setChecked(value == s.colourMode);
    for (auto& [value, action] : brushActions_)
        action->setChecked(value == s.brushIndex);
    for (auto& [value, action] : sizeActions_)
        action->setChecked(value == s.brushSize);
}

void Form1::setBusy(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void Form1::repaintDirty()
{
    const QRect r = canvas_->takeDirty();
    if (!r.isEmpty())
        view_->update(r);
}

void Form1::Form_QueryUnload()
{
    // Written at every request: the session manager may ask for the settings
    // while the program goes on (a save point, a cancelled logout), and the
    // real close must still store what was chosen after that.
    QString error;
    if (!pemma::Form_QueryUnload(state_, &error))
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
    if (frameGeometry() == geometry()) {
        // No frame (yet): a window manager may still be adding one.
        if (++frameFitTries_ < 10)
            QTimer::singleShot(50, this, &Form1::fitFrameToScreen);
        return;
    }
    frameFitTries_ = 10;
    fitToScreen();
}

void Form1::fitToScreen()
{
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
    Form_QueryUnload();
    event->accept();
    QApplication::quit();
}

} // namespace pemma
