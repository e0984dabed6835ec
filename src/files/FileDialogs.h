// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <optional>

namespace pemma {

// The file dialog and the message boxes the file commands use. The window
// implements it with the real dialogs; tests script the answers.
//
// Filter strings are lists of "caption|pattern|caption|pattern..." pairs and
// the filter index counts from 1. A name comes back exactly as chosen (no
// extension added); an empty optional stands for Cancel.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    virtual std::optional<QString> openFileName(const QString& filter, int filterIndex) = 0;
    virtual std::optional<QString> saveFileName(const QString& filter, int filterIndex) = 0;
    // A question with Yes and No buttons; true for Yes.
    virtual bool askYesNo(const QString& text) = 0;
    // A failure the user must know about.
    virtual void showError(const QString& text) = 0;
};

// What the file commands need from the window.
class FileCommandWindow {
public:
    virtual ~FileCommandWindow() = default;
    // Sizes the window to fill the screen again.
    virtual void refitToScreen() = 0;
    // The client area in pixels (ScaleWidth, ScaleHeight).
    virtual int scaleWidth() const = 0;
    virtual int scaleHeight() const = 0;
};

} // namespace pemma
