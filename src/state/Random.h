// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <random>

namespace pemma {

// The program's one source of uniform random numbers in [0, 1).
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual double next() = 0;
};

// 53-bit uniform numbers from a fixed seed: every run starts from the same
// sequence. Never returns 1.0.
class ProgramRandom final : public RandomSource {
public:
    explicit ProgramRandom(std::uint64_t seed = kSeed) : gen_(seed) {}
    double next() override { return static_cast<double>(gen_() >> 11) * 0x1.0p-53; }
    static constexpr std::uint64_t kSeed = 0x5045'4D4D'4131'3131ULL;

private:
    std::mt19937_64 gen_;
};

} // namespace pemma
