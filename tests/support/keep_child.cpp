// SPDX-License-Identifier: GPL-3.0-or-later
// A painting program without a window, for the keeping tests to kill at any
// moment: paints random strokes, operations, background commands, undo and
// redo into a session that keeps its painting in the folder it is given, and
// says on standard output what happens, one line each:
//   S <hash>   a snapshot was taken: the painting as it then was
//   D <n>      n writes have completed
//   W          a write's bytes are on disk; it is renamed after 100 ms
//   M          in the middle of a stroke
// Usage: keep_child <folder> <seed>
#include <QGuiApplication>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <unistd.h>

#include "support/KeepSupport.h"
#include "support/StrokeDriver.h"

using namespace pemma;

namespace {

void say(const char* line)
{
    // One write per line: a kill never cuts a line in two.
    [[maybe_unused]] const auto n = ::write(1, line, std::strlen(line));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    ProgramRandom random(std::strtoull(argv[2], nullptr, 10));
    std::mt19937 choose(static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)));
    auto below = [&choose](int n) { return static_cast<int>(choose() % static_cast<unsigned>(n)); };

    test::Rig rig(800, 600, {}, &random);
    PaintSession& session = rig.session;
    session.startKeeping(std::make_unique<KeepSlot>(QString::fromLocal8Bit(argv[1])), KeepTiming{30, 120});
    Keeper& keeper = *session.keeper();
    keeper.onSnapshot = [&] {
        char line[64];
        std::snprintf(line, sizeof line, "S %" PRIu64 "\n",
                      test::paintingHash(rig.canvas.image(), rig.canvas.backColor(), rig.canvas.picture(),
                                         rig.state.pictureWidth, rig.state.pictureHeight));
        say(line);
    };
    KeepSlot::setWriteProbe([] {
        say("W\n");
        ::usleep(100000);
    });
    int reported = 0;
    auto breathe = [&] {
        QCoreApplication::processEvents();
        if (keeper.writesDone() != reported) {
            reported = keeper.writesDone();
            char line[32];
            std::snprintf(line, sizeof line, "D %d\n", reported);
            say(line);
        }
    };

    for (;;) {
        const int what = below(20);
        if (what < 14) {
            rig.state.brushIndex = below(46);
            rig.state.brushSize = 1 + below(40);
            rig.sliders.setPosition(1, below(256));
            rig.sliders.setPosition(2, below(256));
            rig.sliders.setPosition(3, below(256));
            const int moves = 10 + below(60);
            double x = below(800), y = below(600);
            session.press({x, y});
            for (int i = 0; i < moves; ++i) {
                x += below(61) - 30;
                y += below(61) - 30;
                session.move({x, y}, true);
                if (i == moves / 2)
                    say("M\n");
                breathe();
                ::usleep(2000);
            }
            session.release({x, y});
        } else if (what < 16) {
            session.operation(1 + below(33));
        } else if (what < 18) {
            below(2) ? session.undo() : session.redo();
        } else if (what < 19) {
            below(2) ? session.backgroundBlack() : session.backgroundWhite();
        } else {
            // A picture opened: it is kept in a file of its own.
            QImage picture(100 + below(700), 100 + below(500), QImage::Format_RGB32);
            picture.fill(qRgb(below(256), below(256), below(256)));
            for (int i = 0; i < 2000; ++i)
                picture.setPixel(below(picture.width()), below(picture.height()), choose() | 0xFF000000u);
            session.runStep([&] {
                rig.canvas.setPicture(picture);
                rig.state.pictureWidth = picture.width() * 15;
                rig.state.pictureHeight = picture.height() * 15;
                return History::Keep::Always;
            });
        }
        breathe();
        ::usleep(5000);
    }
}
