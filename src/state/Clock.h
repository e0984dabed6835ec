// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace pemma {

// Time as the stroke frame needs it: the time of day (seconds since local
// midnight, with fraction) that is recorded at a release, and a monotonic
// clock for measuring elapsed time.
class Clock {
public:
    virtual ~Clock() = default;
    virtual double timeOfDay() = 0;
    virtual double monotonicSeconds() = 0;
};

class SystemClock final : public Clock {
public:
    double timeOfDay() override;
    double monotonicSeconds() override;
};

} // namespace pemma
