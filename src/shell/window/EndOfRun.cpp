// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/window/EndOfRun.h"

#include <QEvent>
#include <QGuiApplication>
#include <QSessionManager>
#include <cstdlib>

namespace pemma {

namespace {
EndOfRun* watched = nullptr;
} // namespace

EndOfRun::~EndOfRun()
{
    if (watched == this)
        watched = nullptr;
}

void EndOfRun::run()
{
    if (done_)
        return;
    done_ = true;
    handling_();
}

void EndOfRun::atExit()
{
    if (watched)
        watched->run();
}

void EndOfRun::watch(QGuiApplication& app)
{
    connect(&app, &QCoreApplication::aboutToQuit, this, &EndOfRun::run);
    connect(&app, &QGuiApplication::commitDataRequest, this, [this, &app](QSessionManager&) {
        run();
        if (!rearmOnInput_) {
            rearmOnInput_ = true;
            app.installEventFilter(this);
        }
    });
    static bool registered = false;
    if (!registered)
        registered = std::atexit(&EndOfRun::atExit) == 0;
    watched = this;
}

bool EndOfRun::eventFilter(QObject* watchedObject, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
    case QEvent::Wheel:
    case QEvent::TabletPress:
    case QEvent::TouchBegin:
    case QEvent::Drop:
        done_ = false;
        rearmOnInput_ = false;
        QCoreApplication::instance()->removeEventFilter(this);
        break;
    default:
        break;
    }
    return QObject::eventFilter(watchedObject, event);
}

} // namespace pemma
