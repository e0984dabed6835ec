// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>
#include <optional>

#include "files/PictureFiles.h"
#include "state/Types.h"

namespace pemma {

// A painting as it is kept on disk: everything needed to put it back as it
// was, and whether the program that kept it ended normally.
struct KeptPainting {
    QImage drawing; // Format_RGB32
    Colour backColor = kWhite;
    // Null, or Format_RGB32 or Format_ARGB32_Premultiplied as it was opened.
    QImage picture;
    double pictureWidth = 0, pictureHeight = 0;
    bool closedNormally = false;
};

// The file: a fixed header, then the drawing's pixels, then the picture's.
//
//   0  magic "PMRKEEP\n"          36  picture format: 0 none, 1 RGB32, 2 ARGB32PM;
//                                     3, 4 the same with the picture's part
//                                     in a file of its own (see below)
//   8  version (u32, 1)           40  pictureWidth, pictureHeight (f64 each)
//  12  flags (u32): bit 0 set     56  byte counts of the two pixel parts (u64)
//      when closed normally       72  a hash of each pixel part (u64)
//  16  drawing width, height      88  a hash of bytes 0..88, flags taken as 0
//  24  background colour (i32)    96  end of the header
//  28  picture width, height
//
// All numbers little-endian. The flags are the one thing rewritten in place
// (one byte, see kKeptFlagsOffset), so they are outside every hash.
//
// Pixel parts are 32-bit words: a control word whose top two bits say what
// follows and whose other 30 bits count pixels (at least 1): 0, that many
// pixels as they are; 1, one pixel repeated that many times; 2, that many
// pixels equal to the background (the picture at its place over the
// background colour; drawing part only). So a part is never longer than its
// pixels plus one word, and a mostly blank or flatly painted drawing is small.
//
// The picture's part may live in a file of its own beside the kept file,
// named after its hash (keptPictureName): a picture rarely changes while
// the drawing does, so each keep then writes only the drawing. The kept file
// still states the part's size and hash, so a picture file from another
// keep never passes for it.
constexpr int kKeptHeaderBytes = 96;
constexpr int kKeptFlagsOffset = 12;
constexpr std::uint32_t kKeptClosedNormally = 1;
// The largest file read: within the limit on picture files, which a drawing
// and a picture at the pixel limit both stored pixel for pixel stay under.
constexpr qint64 kMaxKeptFileBytes = kMaxPictureFileBytes;

// What encoding the picture part cost, kept for the next encoding of the
// same picture (the picture rarely changes between two keeps).
struct KeptPictureCache {
    qint64 key = 0;
    QByteArray part;
    std::uint64_t hash = 0;
};

// The whole file for painting p. `drawing` must be Format_RGB32 within the
// limits; the picture is stored in its format when that is RGB32 or ARGB32PM,
// otherwise as ARGB32PM. Empty when the painting is beyond the limits.
// With pictureApart the picture's part is left out of the file (it is then
// in cache, which must be given) for a file of its own.
QByteArray encodeKept(const KeptPainting& p, KeptPictureCache* cache = nullptr, bool pictureApart = false);
// The name of the picture's own file for a kept file at keptPath.
QString keptPictureName(const QString& keptPath, std::uint64_t hash);

struct KeptRead {
    std::optional<KeptPainting> painting;
    QString error; // why not, in words for the log
};

// Checks the whole of bytes (header, sizes against the limits, both hashes,
// every control word) before anything is taken from it; a picture's part
// kept apart is given as picturePart.
KeptRead decodeKept(const QByteArray& bytes, const QByteArray* picturePart = nullptr);
// Reads the file at path (and its picture's file) as decodeKept does;
// refuses what is not a regular file, is shorter than a header, says a size
// other than its own or is beyond the limit before reading more than the
// header.
KeptRead readKeptFile(const QString& path);

// Tests and fuzzers: makes the hashes in file's header fit its header and
// its pixel parts as they are, so that damage can be made past them. Does
// nothing to a file shorter than a header or whose part sizes do not fit.
void sealKept(QByteArray& file);

// A 64-bit hash of data (xxHash64's construction); also used by tests to
// compare pictures.
std::uint64_t keptHash(const void* data, std::size_t size, std::uint64_t seed = 0);

} // namespace pemma
