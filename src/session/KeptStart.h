// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

#include "keep/Keeper.h"
#include "keep/KeptFile.h"
#include "session/PaintSession.h"

namespace pemma {

// The question asked at start when the last painting was left by a program
// that did not end normally. The window asks it in a message box.
class RestoreQuestion {
public:
    // Dismissed: the run ended while the question was open.
    enum class Answer { Yes, No, Dismissed };
    virtual ~RestoreQuestion() = default;
    virtual Answer askRestore() = 0;
};

enum class KeptAtStart {
    Nothing,   // no painting was left
    Under,     // the last painting waits under the drawing, one undo away
    Restored,  // the last painting was put back as a step
    Dismissed, // the run ended during the question; nothing was done
};

// At start, once the window shows the drawing: takes the newest painting a
// program that no longer runs left in folder (see takeNewestPainting). When
// that program did not end normally, asks the question: Yes puts the painting
// back as a step of its own, No leaves the drawing as it is with the painting
// under it; either way the painting is not asked about again. After a normal
// end the painting waits under the drawing without a question. Then keeps
// this run's painting in folder from now on.
KeptAtStart startKeepingPaintings(PaintSession& session, const QString& folder, RestoreQuestion& question,
                                  KeepTiming timing = {});

// The drawing with its background colour, picture and picture size as it is.
KeptPainting currentPainting(PaintSession& session);
// Puts painting back as one step: undo gives the drawing as it was before.
void putBackAsStep(PaintSession& session, const KeptPainting& painting);
// Puts painting back under the drawing: what is shown stays exactly as it
// is, and undo brings the painting back as the oldest step.
void putBackUnder(PaintSession& session, const KeptPainting& painting);

} // namespace pemma
