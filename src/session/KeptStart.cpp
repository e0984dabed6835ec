// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/KeptStart.h"

#include <QFile>
#include <cstdio>
#include <cstring>
#include <utility>

namespace pemma {

namespace {

bool samePainting(const KeptPainting& a, const KeptPainting& b)
{
    return a.drawing == b.drawing && a.backColor == b.backColor && a.picture == b.picture
        && a.pictureWidth == b.pictureWidth && a.pictureHeight == b.pictureHeight;
}

// Shows painting on the canvas, announced as the history wants it. A
// painting kept on a screen of another size is put at the top left over its
// own background.
void show(PaintSession& session, const KeptPainting& painting)
{
    Canvas& canvas = session.canvas();
    QImage& image = canvas.image();
    canvas.restoreBackground(painting.backColor, painting.picture);
    if (painting.drawing.size() != image.size())
        canvas.cls();
    const QRect r = image.rect().intersected(painting.drawing.rect());
    canvas.aboutToWrite(r);
    const QImage drawing = painting.drawing.convertToFormat(QImage::Format_RGB32);
    for (int y = r.top(); y <= r.bottom(); ++y)
        std::memcpy(image.scanLine(y), drawing.constScanLine(y), static_cast<std::size_t>(r.width()) * 4);
    canvas.markDirty(image.rect());
    session.state().pictureWidth = painting.pictureWidth;
    session.state().pictureHeight = painting.pictureHeight;
}

} // namespace

KeptPainting currentPainting(PaintSession& session)
{
    KeptPainting p;
    p.drawing = std::as_const(session.canvas()).image().copy();
    p.backColor = session.canvas().backColor();
    p.picture = session.canvas().picture();
    p.pictureWidth = session.state().pictureWidth;
    p.pictureHeight = session.state().pictureHeight;
    return p;
}

void putBackAsStep(PaintSession& session, const KeptPainting& painting)
{
    if (samePainting(painting, currentPainting(session)))
        return;
    session.runStep([&] {
        show(session, painting);
        return History::Keep::Always;
    });
}

void putBackUnder(PaintSession& session, const KeptPainting& painting)
{
    const KeptPainting now = currentPainting(session);
    if (samePainting(painting, now))
        return;
    // The history starts from the painting, and its first step brings back
    // what was shown.
    show(session, painting);
    session.history().restart();
    session.runStep([&] {
        show(session, now);
        return History::Keep::Always;
    });
}

KeptAtStart startKeepingPaintings(PaintSession& session, const QString& folder, RestoreQuestion& question,
                                  KeepTiming timing)
{
    KeptAtStart what = KeptAtStart::Nothing;
    bool changed = false;
    {
        std::optional<TakenPainting> taken = takeNewestPainting(folder);
        if (taken && taken->crashed()) {
            switch (question.askRestore()) {
            case RestoreQuestion::Answer::Dismissed:
                // Asked again at the next start.
                return KeptAtStart::Dismissed;
            case RestoreQuestion::Answer::Yes:
                putBackAsStep(session, taken->painting());
                changed = true;
                what = KeptAtStart::Restored;
                break;
            case RestoreQuestion::Answer::No:
                putBackUnder(session, taken->painting());
                what = KeptAtStart::Under;
                break;
            }
            // Answered once: from now on it is a painting like any other.
            if (const QString error = markKeptClosed(taken->path()); !error.isEmpty())
                std::fprintf(stderr, "pemmarover: %s: %s\n", QFile::encodeName(taken->path()).constData(),
                             qPrintable(error));
        } else if (taken) {
            putBackUnder(session, taken->painting());
            what = KeptAtStart::Under;
        }
    }
    session.startKeeping(std::make_unique<KeepSlot>(folder), timing, changed);
    pruneKept(folder);
    return what;
}

} // namespace pemma
