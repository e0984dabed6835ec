// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <functional>

namespace pemma {

// Runs `besides` on a helper thread while the calling thread runs `own`, and
// returns when both have finished. For work of a few milliseconds on the
// window's thread (a brush move, finding what it changed), where a pool's
// threads would take longer to wake than the work lasts.
//
// The helper is one thread kept for the life of the program. It runs on a
// processor other than the caller's when the machine lets it: a scheduler
// may wake it on the caller's processor and leave it there while another
// one idles, which makes the two halves run one after the other. When the
// caller is through with `own` before the helper has begun `besides` (its
// processor busy with another program), the caller runs `besides` itself
// rather than wait.
//
// Calls from several threads at once are taken one after the other; `own`
// must not call this again.
void runBeside(const std::function<void()>& besides, const std::function<void()>& own);

} // namespace pemma
