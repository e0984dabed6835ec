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
    const std::array<std::uint8_t, 256>& component(int c) const { return comp_[c]; }
    const QRgb* bySum() const { return bySum_.data(); }
    const std::uint8_t* bySumComponent() const { return bySumComp_.data(); }

    // The shared table of g<item> (built on first use).
    static const ColourTable& of(const ColourRule& rule);

private:
    ColourDependence dependence_;
    std::array<std::array<std::uint8_t, 256>, 3> comp_{};
    std::vector<QRgb> bySum_;
    std::vector<std::uint8_t> bySumComp_;
};

} // namespace pemma::imageops
