// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <optional>

#include "files/FileRead.h"

class QMimeData;

namespace pemma {

// The one local file of a drop, if that is what it holds. Its name is taken
// as the bytes the URL encodes, so a name that is no UTF-8 still leads to its
// file.
std::optional<FileName> droppedFile(const QMimeData* data);

} // namespace pemma
