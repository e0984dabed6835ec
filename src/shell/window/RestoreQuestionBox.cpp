// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/window/RestoreQuestionBox.h"

#include <QMessageBox>

#include "shell/core/Version.h"
#include "shell/window/EndOfRun.h"

namespace pemma {

RestoreQuestion::Answer RestoreQuestionBox::askRestore()
{
    const QMessageBox::StandardButton answer =
        QMessageBox::question(parent_, programTitle(), QString::fromUtf8("前回の絵を復元しますか。"),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    // The run may have ended while the box was open (a signal, a logout).
    if (end_.done())
        return Answer::Dismissed;
    return answer == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

} // namespace pemma
