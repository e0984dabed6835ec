// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QImage>

namespace pemma {

// A 32-bit RGB image of the given size whose pixels are not yet written. A
// screen-sized one lies on memory the kernel may back with huge pages: the
// first write to a fresh 3840 x 2160 image then takes a few dozen page faults
// instead of eight thousand, which is most of the cost of filling it. Null
// when the memory cannot be had.
QImage makeScreenImage(int width, int height);

} // namespace pemma
