// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/window/X11Clipboard.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QHash>
#include <QtGui/qguiapplication_platform.h>
#include <cstring>
#include <functional>
#include <iterator>
#include <poll.h>
#include <vector>

#include "files/PictureFiles.h"

// Last: Xlib's macros (None, Bool, Status...) would clash with names above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace pemma {

namespace {

// An owner may name atoms that do not exist; the error that answers such a
// question must not end the program (Xlib's default handler exits).
int ignoreError(Display*, XErrorEvent*) { return 0; }

class ErrorsIgnored {
public:
    ErrorsIgnored() : previous_(XSetErrorHandler(ignoreError)) {}
    ~ErrorsIgnored() { XSetErrorHandler(previous_); }
    ErrorsIgnored(const ErrorsIgnored&) = delete;
    ErrorsIgnored& operator=(const ErrorsIgnored&) = delete;

private:
    int (*previous_)(Display*, XErrorEvent*);
};

// A property is read in pieces of this many 32-bit units (4 MB).
constexpr long kPieceUnits = 1L << 20;

class X11ClipboardData final : public QMimeData {
public:
    X11ClipboardData(Display* display, std::chrono::milliseconds wait)
        : display_(display), wait_(wait),
          window_(XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0)),
          clipboard_(XInternAtom(display, "CLIPBOARD", False)),
          property_(XInternAtom(display, "PEMMAROVER_PASTE", False)), incr_(XInternAtom(display, "INCR", False))
    {
        // An owner that sends a large content in pieces (INCR) waits for each
        // piece to be taken: the property's deletion is what tells it.
        XSelectInput(display, window_, PropertyChangeMask);
    }
    ~X11ClipboardData() override
    {
        XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
    }
    X11ClipboardData(const X11ClipboardData&) = delete;
    X11ClipboardData& operator=(const X11ClipboardData&) = delete;

    // Asks the owner what it offers. False when it did not answer in time.
    bool readTargets()
    {
        if (XGetSelectionOwner(display_, clipboard_) == None)
            return true;
        QByteArray list;
        Atom type = None;
        if (!fetch(XInternAtom(display_, "TARGETS", False), &list, &type))
            return !gaveUp_;
        if (type != XA_ATOM)
            return true;
        // Xlib hands 32-bit items over as longs.
        std::vector<Atom> atoms(static_cast<size_t>(list.size()) / sizeof(Atom));
        std::memcpy(atoms.data(), list.constData(), atoms.size() * sizeof(Atom));
        std::vector<char*> names(atoms.size(), nullptr);
        if (atoms.empty() || !XGetAtomNames(display_, atoms.data(), static_cast<int>(atoms.size()), names.data()))
            return true;
        bool text = false;
        for (size_t i = 0; i < atoms.size(); ++i) {
            const QString name = QString::fromLatin1(names[i]);
            XFree(names[i]);
            targets_.insert(name, atoms[i]);
            if (name.startsWith(QLatin1String("image/")) || name == QLatin1String("text/uri-list")
                || name == QLatin1String("x-special/gnome-copied-files"))
                formats_ << name;
            text = text || textTarget(name) >= 0;
        }
        if (text)
            formats_ << QStringLiteral("text/plain");
        formats_.removeDuplicates();
        return true;
    }

    QStringList formats() const override { return formats_; }
    bool hasFormat(const QString& format) const override { return formats_.contains(format); }

protected:
    QVariant retrieveData(const QString& format, QMetaType) const override
    {
        const auto known = fetched_.constFind(format);
        if (known != fetched_.constEnd())
            return *known;
        QByteArray bytes;
        Atom type = None;
        if (format == QLatin1String("text/plain")) {
            // The text in the best of the text targets offered.
            for (const char* target : kTextTargets) {
                const auto atom = targets_.constFind(QLatin1String(target));
                if (atom == targets_.constEnd())
                    continue;
                if (fetch(*atom, &bytes, &type)) {
                    if (qstrcmp(target, "STRING") == 0) // Latin-1 by definition
                        bytes = QString::fromLatin1(bytes).toUtf8();
                    break;
                }
            }
        } else if (formats_.contains(format)) {
            fetch(targets_.value(format), &bytes, &type);
        }
        fetched_.insert(format, bytes);
        return bytes;
    }

private:
    static constexpr const char* kTextTargets[] = {"text/plain;charset=utf-8", "UTF8_STRING", "text/plain", "STRING"};
    static int textTarget(const QString& name)
    {
        for (int i = 0; i < int(std::size(kTextTargets)); ++i)
            if (name == QLatin1String(kTextTargets[i]))
                return i;
        return -1;
    }

    // Waits for the event wanted for at most wait_; the other events on this
    // connection concern nobody else.
    bool waitFor(const std::function<bool(const XEvent&)>& wanted, XEvent* event) const
    {
        QElapsedTimer timer;
        timer.start();
        for (;;) {
            while (XPending(display_) > 0) {
                XNextEvent(display_, event);
                if (wanted(*event))
                    return true;
            }
            const qint64 left = qint64(wait_.count()) - timer.elapsed();
            if (left <= 0)
                return false;
            pollfd fd{ConnectionNumber(display_), POLLIN, 0};
            poll(&fd, 1, static_cast<int>(left));
        }
    }

    // Reads the property whole and deletes it; up to one byte past the
    // picture size limit is kept.
    bool takeProperty(QByteArray* out, Atom* type) const
    {
        out->clear();
        for (long offset = 0;; offset += kPieceUnits) {
            Atom actualType = None;
            int format = 0;
            unsigned long items = 0, after = 0;
            unsigned char* data = nullptr;
            if (XGetWindowProperty(display_, window_, property_, offset, kPieceUnits, False, AnyPropertyType,
                                   &actualType, &format, &items, &after, &data)
                != Success)
                return false;
            const size_t itemBytes = format == 32 ? sizeof(long) : format == 16 ? sizeof(short) : 1;
            if (data)
                out->append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(items * itemBytes));
            XFree(data);
            *type = actualType;
            if (after == 0 || actualType == None || out->size() > kMaxPictureFileBytes)
                break;
        }
        if (out->size() > kMaxPictureFileBytes)
            out->truncate(kMaxPictureFileBytes + 1);
        XDeleteProperty(display_, window_, property_);
        XFlush(display_);
        return true;
    }

    // Asks the owner for the clipboard in the given target. False when it
    // refused or did not answer in time (then nothing more is asked).
    bool fetch(Atom target, QByteArray* bytes, Atom* type) const
    {
        bytes->clear();
        if (gaveUp_)
            return false;
        XDeleteProperty(display_, window_, property_);
        XConvertSelection(display_, clipboard_, target, property_, window_, CurrentTime);
        XEvent event;
        const Window window = window_;
        if (!waitFor([window](const XEvent& e) { return e.type == SelectionNotify && e.xselection.requestor == window; },
                     &event)) {
            gaveUp_ = true;
            return false;
        }
        if (event.xselection.property == None || !takeProperty(bytes, type))
            return false;
        if (*type != incr_)
            return true;
        // In pieces: each comes as a new value of the property once the
        // last was deleted; an empty one ends them.
        const Atom property = property_;
        QByteArray all;
        for (;;) {
            if (!waitFor(
                    [window, property](const XEvent& e) {
                        return e.type == PropertyNotify && e.xproperty.window == window && e.xproperty.atom == property
                            && e.xproperty.state == PropertyNewValue;
                    },
                    &event)) {
                gaveUp_ = true;
                return false;
            }
            QByteArray piece;
            if (!takeProperty(&piece, type))
                return false;
            if (piece.isEmpty())
                break;
            all.append(piece);
            if (all.size() > kMaxPictureFileBytes) {
                all.truncate(kMaxPictureFileBytes + 1);
                gaveUp_ = true; // the rest is not taken; the owner gives up on its own
                break;
            }
        }
        *bytes = all;
        return true;
    }

    Display* display_;
    std::chrono::milliseconds wait_;
    Window window_;
    Atom clipboard_, property_, incr_;
    QStringList formats_;
    QHash<QString, Atom> targets_;
    mutable QHash<QString, QByteArray> fetched_;
    mutable bool gaveUp_ = false;
};

} // namespace

std::unique_ptr<QMimeData> readX11Clipboard(std::chrono::milliseconds wait)
{
    // The display the window is on.
    const char* name = nullptr;
    if (auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr)
        if (Display* shown = x11->display())
            name = DisplayString(shown);
    Display* display = XOpenDisplay(name);
    if (!display)
        return nullptr;
    ErrorsIgnored quiet;
    auto data = std::make_unique<X11ClipboardData>(display, wait);
    if (!data->readTargets())
        return nullptr;
    return data;
}

} // namespace pemma
