// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Scripted stand-ins for the random generator, the clock and the check marks.
#include <deque>
#include <stdexcept>
#include <vector>

#include "paint/StrokeContext.h"
#include "state/Clock.h"
#include "state/Random.h"

namespace pemma::test {

// Hands out the given numbers in order and counts the draws; throws when the
// script runs out, so an unexpected extra draw fails the test.
class ScriptedRandom final : public RandomSource {
public:
    ScriptedRandom() = default;
    explicit ScriptedRandom(std::vector<double> values) : values_(values.begin(), values.end()) {}
    void push(double v) { values_.push_back(v); }
    void pushMany(double v, int n) { for (int i = 0; i < n; ++i) values_.push_back(v); }
    double next() override
    {
        if (values_.empty())
            throw std::runtime_error("ScriptedRandom: no more numbers");
        ++draws;
        const double v = values_.front();
        values_.pop_front();
        return v;
    }
    size_t remaining() const { return values_.size(); }
    int draws = 0;

private:
    std::deque<double> values_;
};

// A clock whose readings the test sets.
class ScriptedClock final : public Clock {
public:
    double timeOfDay() override { return dayTime; }
    double monotonicSeconds() override { return mono; }
    double dayTime = 0;
    double mono = 0;
};

class CountingCheckMarks final : public CheckMarkView {
public:
    void refreshCheckMarks(const DrawingState&) override { ++refreshes; }
    int refreshes = 0;
};

} // namespace pemma::test
