// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <array>

#include "canvas/Canvas.h"
#include "state/DrawingState.h"

namespace pemma {

// The busy (hourglass) pointer shown while a long command runs.
class BusyPointer {
public:
    virtual ~BusyPointer() = default;
    virtual void setBusy(bool busy) = 0;
};

// Shows the busy pointer for as long as it lives, so that no way out of a
// command can leave it on.
class BusyWhile {
public:
    explicit BusyWhile(BusyPointer* busy) : busy_(busy)
    {
        if (busy_)
            busy_->setBusy(true);
    }
    ~BusyWhile()
    {
        if (busy_)
            busy_->setBusy(false);
    }
    BusyWhile(const BusyWhile&) = delete;
    BusyWhile& operator=(const BusyWhile&) = delete;

private:
    BusyPointer* busy_;
};

struct OperationContext {
    DrawingState& state;
    Canvas& canvas;
    BusyPointer* busy = nullptr; // may be absent in tests
};

using OperationRun = void (*)(OperationContext& ctx);

struct OperationEntry {
    int item;            // g<item>
    const char* caption; // menu caption
    OperationRun run;
};

constexpr int kOperationCount = 33;

// The picture operations of "画像処理" in menu order; entry i - 1 is g<i>.
const std::array<OperationEntry, kOperationCount>& operationTable();

// Runs g<item> (1..33) with the busy pointer on.
void runOperation(int item, OperationContext& ctx);

} // namespace pemma
