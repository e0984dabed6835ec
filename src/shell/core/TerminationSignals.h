// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <functional>

namespace pemma {

// SIGTERM, SIGHUP and SIGINT (logout, shutdown, Ctrl+C) run onSignal once, in
// the event loop, so that the program can end as its window's close button
// ends it. From the first of them on, SIGTERM and SIGINT take their default
// action again: should the event loop no longer answer, the second one still
// ends the program at once. The handling lasts as long as this object; only
// one may exist at a time (installed() tells whether this one took effect).
class TerminationSignals : public QObject {
public:
    TerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    ~TerminationSignals() override;

    bool installed() const { return installed_; }

private:
    bool installed_ = false;
    QObject* notifier_ = nullptr;
};

} // namespace pemma
