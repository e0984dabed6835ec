// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/window/ClipboardKeys.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QShortcut>
#include <QWidget>
#include <utility>

#include "files/ClipboardContent.h"
#include "session/PaintSession.h"
#include "shell/window/QtFileDialogs.h"
#include "shell/window/X11Clipboard.h"

namespace pemma {

namespace {

// The longest the window waits for the clipboard's owner to answer.
constexpr std::chrono::milliseconds kOwnerWait{1000};

} // namespace

ClipboardKeys::ClipboardKeys(QWidget* window, PaintSession& session, QtFileDialogs& dialogs,
                             std::function<void()> changed)
    : QObject(window), session_(session), dialogs_(dialogs), changed_(std::move(changed))
{
    auto bind = [this, window](QKeySequence::StandardKey key, void (ClipboardKeys::*command)()) {
        auto* shortcut = new QShortcut(window);
        shortcut->setKeys(key); // every binding the platform has for it
        connect(shortcut, &QShortcut::activated, this, command);
    };
    bind(QKeySequence::Copy, &ClipboardKeys::copy);
    bind(QKeySequence::Paste, &ClipboardKeys::paste);
    bind(QKeySequence::Save, &ClipboardKeys::save);
}

bool ClipboardKeys::buttonHeld() const
{
    // A button held anywhere (a drag that left the canvas) counts too.
    return QGuiApplication::mouseButtons() != Qt::NoButton || session_.buttonHeld();
}

void ClipboardKeys::copy()
{
    if (buttonHeld())
        return;
    QGuiApplication::clipboard()->setMimeData(canvasCopy(std::as_const(session_.canvas()).image()).release(), QClipboard::Clipboard);
}

void ClipboardKeys::paste()
{
    if (buttonHeld())
        return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    std::unique_ptr<QMimeData> fromX;
    const QMimeData* content = nullptr;
    // On X another program's clipboard is read with waits of our own (see
    // readX11Clipboard); what this program put there itself is at hand.
    // Elsewhere Qt reads it: its Wayland reader gives up after a second
    // without data, the offscreen clipboard is in the program.
    if (QGuiApplication::platformName() == QLatin1String("xcb") && !clipboard->ownsClipboard()) {
        fromX = readX11Clipboard(kOwnerWait);
        content = fromX.get();
    } else {
        content = clipboard->mimeData(QClipboard::Clipboard);
    }
    const PasteResult result = session_.pastePicture(content);
    // A picture file pasted is like one dropped: the dialogs go on from it.
    if (!result.file.isEmpty())
        dialogs_.chosenElsewhere(result.file);
    changed_();
}

void ClipboardKeys::save()
{
    if (buttonHeld())
        return;
    session_.savePng();
    changed_();
}

} // namespace pemma
