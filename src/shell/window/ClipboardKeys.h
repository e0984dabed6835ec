// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <functional>

class QWidget;

namespace pemma {

class PaintSession;
class QtFileDialogs;

// The keys that share a painting, with no menu item and nothing to see: the
// platform's standard keys for copy (Ctrl+C), paste (Ctrl+V) and save
// (Ctrl+S). Copy puts the whole drawing on the clipboard, paste opens the
// clipboard's picture or picture file as the background, save writes the
// drawing as PNG. None does anything while a mouse button is held.
class ClipboardKeys final : public QObject {
public:
    // `changed` repaints what a command changed.
    ClipboardKeys(QWidget* window, PaintSession& session, QtFileDialogs& dialogs, std::function<void()> changed);

    void copy();
    void paste();
    void save();

private:
    bool buttonHeld() const;

    PaintSession& session_;
    QtFileDialogs& dialogs_;
    std::function<void()> changed_;
};

} // namespace pemma
