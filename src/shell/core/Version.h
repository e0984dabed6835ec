// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

// PEMMA_VERSION is the project's one version, given by the build.
#ifndef PEMMA_VERSION
#error "PEMMA_VERSION must be defined by the build"
#endif

namespace pemma {

// The name the window, its dialogs and the desktop show: "Pemmarover" and the
// version with nothing between.
inline QString programTitle() { return QStringLiteral("Pemmarover" PEMMA_VERSION); }

} // namespace pemma
