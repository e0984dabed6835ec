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
