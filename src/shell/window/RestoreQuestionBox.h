// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "session/KeptStart.h"

class QWidget;

namespace pemma {

class EndOfRun;

// The restore question as a message box over the window: "前回の絵を復元し
// ますか。" with Yes (the default) and No, in Qt's Japanese words.
class RestoreQuestionBox final : public RestoreQuestion {
public:
    RestoreQuestionBox(QWidget* parent, const EndOfRun& end) : parent_(parent), end_(end) {}
    Answer askRestore() override;

private:
    QWidget* parent_;
    const EndOfRun& end_;
};

} // namespace pemma
