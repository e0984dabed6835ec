// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The commands that give every sample point a new colour worked out from its
// own colour alone: the greys, the stepped greys and the dots (one dot per
// sample, wider than a pixel), the tints, the saturation changes, the invert
// and the tone curves.
#include <QRgb>
#include <array>
#include <cstdint>
#include <vector>

#include "state/Types.h"

namespace pemma::imageops {

// What a rule's new components depend on; lets the colour maths be tabulated
// once instead of worked out per pixel.
enum class ColourDependence {
    AsRead,          // the colour read itself
    EachComponent,   // new red from red alone, green from green, blue from blue
    Sum,             // all three from r + g + b
    ComponentAndSum, // each component from itself and r + g + b, the same way for all three
};

struct ColourRule {
    int item;
    int penWidth;
    int step;
    bool testsRead; // paints only where the read is a valid colour
    ColourDependence dependence;
    // The colour painted for the colour p read: split, work out, join.
    Colour (*newColour)(Colour p);
};

// The rule of g<item>, or nullptr for the geometric commands.
const ColourRule* colourRule(int item);

// The saturation changes depend on a component v and the sum s of all three
// only through one whole number, their key: halving, floor((v + s / 3) / 2),
// is floor((3v + s) / 6); doubling, floor(2v - s / 3), is floor((6v - s) / 3).
// A table by key is small enough to stay in the nearest cache. ColourTable
// fills it from the rule's own formula and uses it only if every v and s
// with the same key gives the same value.
inline unsigned halvingKey(unsigned v, unsigned sum) { return 3 * v + sum; }        // 0 .. 1530
inline unsigned doublingKey(unsigned v, unsigned sum) { return 6 * v + 765 - sum; } // 0 .. 2295
// The components by key as 16-bit multiply-and-shift sums (floor(k / 6);
// floor(k / 3) - 255 held to 0 .. 255), for rows worked on eight pixels at a
// time. Used only where they agree with the table for every key.
inline unsigned halvedByKey(unsigned k) { return (k * 10923u) >> 16; }
inline unsigned doubledByKey(unsigned k)
{
    const int n = static_cast<int>((k * 21846u) >> 16) - 255;
    return static_cast<unsigned>(n < 0 ? 0 : (n > 255 ? 255 : n));
}

// The new colours of a rule for every valid colour, tabulated from the rule's
// own formula. Works on QRgb values of the drawing.
class ColourTable {
public:
    explicit ColourTable(const ColourRule& rule);
    QRgb map(QRgb q) const
    {
        const unsigned r = (q >> 16) & 0xFFu, g = (q >> 8) & 0xFFu, b = q & 0xFFu;
        switch (dependence_) {
        case ColourDependence::AsRead:
            return q | 0xFF000000u;
        case ColourDependence::EachComponent:
            return 0xFF000000u | (QRgb(comp_[0][r]) << 16) | (QRgb(comp_[1][g]) << 8) | comp_[2][b];
        case ColourDependence::Sum:
            return bySum_[r + g + b];
        case ColourDependence::ComponentAndSum: {
            const std::uint8_t* t = &bySumComp_[static_cast<size_t>(r + g + b) * 256];
            return 0xFF000000u | (QRgb(t[r]) << 16) | (QRgb(t[g]) << 8) | t[b];
        }
        }
        return q;
    }
    ColourDependence dependence() const { return dependence_; }
    // The key that gives each new component (g19 halvingKey, g20
    // doublingKey), or 0 for none; byKey() holds the components by key.
    int keyForm() const { return keyForm_; }
    // Whether halvedByKey (g19) or doubledByKey (g20) gives byKey() exactly.
    bool keyArithmeticExact() const { return keyArithmeticExact_; }
    const std::uint8_t* byKey() const { return byKey_.data(); }
    const std::array<std::uint8_t, 256>& component(int c) const { return comp_[c]; }
    const QRgb* bySum() const { return bySum_.data(); }
    const std::uint8_t* bySumComponent() const { return bySumComp_.data(); }

    // The shared table of g<item> (built on first use).
    static const ColourTable& of(const ColourRule& rule);

private:
    ColourDependence dependence_;
    int keyForm_ = 0;
    bool keyArithmeticExact_ = false;
    std::vector<std::uint8_t> byKey_;
    std::array<std::array<std::uint8_t, 256>, 3> comp_{};
    std::vector<QRgb> bySum_;
    std::vector<std::uint8_t> bySumComp_;
};

} // namespace pemma::imageops
