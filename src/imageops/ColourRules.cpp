// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageops/ColourRules.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "canvas/Canvas.h"
#include "state/Colour.h"

namespace pemma::imageops {

namespace {

using std::floor;

// Grey: the floored mean of the three components.
Colour grey(Colour p)
{
    const Components c = splitColour(p);
    const double m = floor((c.r + c.g + c.b) / 3);
    return joinColour(m, m, m);
}

// Stepped grey: the mean floored to a multiple of q.
template <int q>
Colour steppedGrey(Colour p)
{
    const Components c = splitColour(p);
    const double m = floor(((c.r + c.g + c.b) / 3) / q) * q;
    return joinColour(m, m, m);
}

Colour asRead(Colour p) { return p; }

// The component moves 1/k of the way to 255 and is floored.
double up(double v, double k) { return floor(v + (255 - v) / k); }
// The component scaled by a/b, not floored.
double times(double v, double a, double b) { return (v * a) / b; }

Colour redTint1(Colour p)
{
    const Components c = splitColour(p);
    return joinColour(up(c.r, 4), times(c.g, 7, 8), times(c.b, 7, 8));
}
Colour redTint2(Colour p)
{
    const Components c = splitColour(p);
    return joinColour(up(c.r, 2), times(c.g, 3, 4), times(c.b, 3, 4));
}
Colour greenTint1(Colour p)
{
    const Components c = splitColour(p);
    return joinColour(times(c.r, 7, 8), up(c.g, 4), times(c.b, 7, 8));
}
Colour greenTint2(Colour p)
{
    const Components c = splitColour(p);
    return joinColour(times(c.r, 3, 4), up(c.g, 2), times(c.b, 3, 4));
}
Colour blueTint1(Colour p)
{
    const Components c = splitColour(p);
    return joinColour(times(c.r, 7, 8), times(c.g, 7, 8), up(c.b, 4));
}
Colour blueTint2(Colour p)
{
    const Components c = splitColour(p);
    return joinColour(times(c.r, 3, 4), times(c.g, 3, 4), up(c.b, 2));
}
Colour yellowTint1(Colour p)
{
    const Components c = splitColour(p);
    return joinColour(up(c.r, 8), up(c.g, 8), times(c.b, 3, 4));
}
Colour yellowTint2(Colour p)
{
    const Components c = splitColour(p);
    return joinColour(up(c.r, 4), up(c.g, 4), times(c.b, 1, 2));
}
Colour sepia1(Colour p)
{
    const Components c = splitColour(p);
    return joinColour(up(c.r, 2), up(c.g, 4), times(c.b, 1, 4));
}
Colour sepia2(Colour p)
{
    const Components c = splitColour(p);
    return joinColour(up(c.r, 1.5), up(c.g, 3), times(c.b, 1, 8));
}

// Halves the distance of each component from the unfloored mean.
Colour desaturate(Colour p)
{
    const Components c = splitColour(p);
    const double m = (c.r + c.g + c.b) / 3;
    return joinColour(floor((c.r + m) / 2), floor((c.g + m) / 2), floor((c.b + m) / 2));
}

// Doubles the distance from the mean; negatives become 0, the join caps at 255.
Colour saturate(Colour p)
{
    const Components c = splitColour(p);
    const double m = (c.r + c.g + c.b) / 3;
    auto part = [m](double v) {
        const double n = floor(2 * v - m);
        return n < 0 ? 0.0 : n;
    };
    return joinColour(part(c.r), part(c.g), part(c.b));
}

Colour invert(Colour p)
{
    const Components c = splitColour(p);
    return joinColour(255 - c.r, 255 - c.g, 255 - c.b);
}

template <int half> // factor = half / 2
Colour lighten(Colour p)
{
    const Components c = splitColour(p);
    const double f = half / 2.0;
    auto part = [f](double v) { return v + (f * v * (255 - v)) / 255; };
    return joinColour(part(c.r), part(c.g), part(c.b));
}

template <int half>
Colour darken(Colour p)
{
    const Components c = splitColour(p);
    const double f = half / 2.0;
    auto part = [f](double v) { return v - (f * (255 - v) * v) / 255; };
    return joinColour(part(c.r), part(c.g), part(c.b));
}

using D = ColourDependence;

constexpr std::array<ColourRule, 26> kRules{{
    {1, 1, 1, false, D::Sum, grey},
    {2, 2, 2, false, D::Sum, grey},
    {3, 5, 4, false, D::Sum, grey},
    {4, 13, 10, false, D::Sum, grey},
    {7, 7, 5, false, D::Sum, steppedGrey<20>},
    {8, 13, 10, false, D::Sum, steppedGrey<40>},
    {9, 1, 1, true, D::EachComponent, redTint1},
    {10, 1, 1, true, D::EachComponent, redTint2},
    {11, 1, 1, true, D::EachComponent, greenTint1},
    {12, 1, 1, true, D::EachComponent, greenTint2},
    {13, 1, 1, true, D::EachComponent, blueTint1},
    {14, 1, 1, true, D::EachComponent, blueTint2},
    {15, 1, 1, true, D::EachComponent, yellowTint1},
    {16, 1, 1, true, D::EachComponent, yellowTint2},
    {17, 1, 1, true, D::EachComponent, sepia1},
    {18, 1, 1, true, D::EachComponent, sepia2},
    {19, 1, 1, true, D::ComponentAndSum, desaturate},
    {20, 1, 1, true, D::ComponentAndSum, saturate},
    {21, 2, 2, false, D::AsRead, asRead},
    {22, 4, 4, false, D::AsRead, asRead},
    {23, 8, 8, false, D::AsRead, asRead},
    {24, 1, 1, false, D::EachComponent, invert},
    {25, 1, 1, true, D::EachComponent, lighten<1>},
    {26, 1, 1, true, D::EachComponent, lighten<2>},
    {27, 1, 1, true, D::EachComponent, darken<1>},
    {28, 1, 1, true, D::EachComponent, darken<2>},
}};

// A valid colour with the given red whose components add up to sum
// (red <= sum <= red + 510).
Colour withRedAndSum(int red, int sum)
{
    const int rest = sum - red;
    const int g = rest > 255 ? 255 : rest;
    return red + 256 * g + 65536 * (rest - g);
}

} // namespace

const ColourRule* colourRule(int item)
{
    for (const ColourRule& r : kRules)
        if (r.item == item)
            return &r;
    return nullptr;
}

ColourTable::ColourTable(const ColourRule& rule) : dependence_(rule.dependence)
{
    switch (dependence_) {
    case D::AsRead:
        break;
    case D::EachComponent:
        for (int v = 0; v < 256; ++v) {
            const Colour c = rule.newColour(v * 0x010101);
            comp_[0][v] = c & 0xFF;
            comp_[1][v] = (c >> 8) & 0xFF;
            comp_[2][v] = (c >> 16) & 0xFF;
        }
        break;
    case D::Sum:
        bySum_.resize(766);
        for (int s = 0; s <= 765; ++s) {
            const int r = s < 255 ? s : 255;
            bySum_[s] = Canvas::toRgb(rule.newColour(withRedAndSum(r, s)));
        }
        break;
    case D::ComponentAndSum: {
        bySumComp_.assign(static_cast<size_t>(766) * 256, 0);
        const int form = rule.item == 19 || rule.item == 20 ? rule.item : 0;
        auto key = [form](int v, int s) { return form == 19 ? halvingKey(v, s) : doublingKey(v, s); };
        std::vector<int> keyed(form ? 2296 : 0, -1);
        bool consistent = form != 0;
        for (int s = 0; s <= 765; ++s)
            for (int v = 0; v < 256; ++v)
                if (s >= v && s <= v + 510) {
                    const std::uint8_t c = rule.newColour(withRedAndSum(v, s)) & 0xFF;
                    bySumComp_[static_cast<size_t>(s) * 256 + v] = c;
                    if (form) {
                        int& slot = keyed[key(v, s)];
                        consistent = consistent && (slot < 0 || slot == c);
                        slot = c;
                    }
                }
        if (consistent) {
            keyForm_ = form;
            byKey_.assign(keyed.size(), 0);
            keyArithmeticExact_ = true;
            for (size_t k = 0; k < keyed.size(); ++k) {
                byKey_[k] = static_cast<std::uint8_t>(std::max(0, keyed[k]));
                const unsigned byArithmetic = form == 19 ? halvedByKey(k) : doubledByKey(k);
                keyArithmeticExact_ = keyArithmeticExact_ && (keyed[k] < 0 || static_cast<int>(byArithmetic) == keyed[k]);
            }
        }
        break;
    }
    }
}

const ColourTable& ColourTable::of(const ColourRule& rule)
{
    static std::array<std::unique_ptr<ColourTable>, 34> tables;
    auto& slot = tables.at(rule.item);
    if (!slot)
        slot = std::make_unique<ColourTable>(rule);
    return *slot;
}

} // namespace pemma::imageops
