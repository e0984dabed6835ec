// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/ScreenImage.h"

#include <cstdlib>
#include <sys/mman.h>

namespace pemma {

namespace {
// The size of a huge page on x86-64 and most other 64-bit systems.
constexpr std::size_t kHugePage = std::size_t(2) << 20;
} // namespace

QImage makeScreenImage(int width, int height)
{
    const std::size_t stride = static_cast<std::size_t>(width) * 4;
    const std::size_t bytes = stride * static_cast<std::size_t>(height);
    const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    // A small image would waste much of its last huge page.
    if (width <= 0 || height <= 0 || rounded - bytes > bytes / 8)
        return QImage(width, height, QImage::Format_RGB32);
    void* pixels = std::aligned_alloc(kHugePage, rounded);
    if (!pixels)
        return QImage(width, height, QImage::Format_RGB32);
    // Only advice: without transparent huge pages the image is as any other.
    ::madvise(pixels, rounded, MADV_HUGEPAGE);
    return QImage(static_cast<uchar*>(pixels), width, height, static_cast<qsizetype>(stride), QImage::Format_RGB32,
                  [](void* p) { std::free(p); }, pixels);
}

} // namespace pemma
