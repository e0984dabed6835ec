// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QString>

namespace pemma {

// The folder of the running program, found from the executable's own path as
// the kernel gives it (bytes), so that a folder whose name is not valid UTF-8
// is still the folder the name leads to.
QString programFolder();

// A name for the folder given as bytes that Qt's file functions resolve to
// that very folder: its own name when the name survives the conversion to
// text, otherwise a name through a handle kept open on the folder
// (/proc/self/fd/N). Falls back to the converted name when the folder cannot
// be opened.
QString folderName(const QByteArray& bytes);

// $XDG_CONFIG_HOME/pemmarover, or ~/.config/pemmarover when that variable is
// unset or not an absolute path; as bytes.
QByteArray userSettingsFolder();

// Where pic-ini.dat is read at start-up and written at close.
struct SettingsPlace {
    QString readFolder;
    QString writeFolder;
    bool besideProgram = true; // both are the program's folder
};

// The settings stay beside the program when a file of that name is there and
// this user may write it, or when there is none and the folder takes new
// files: the portable case. A system-wide install takes neither; then they
// live in userSettingsFolder(). A file beside the program that this user
// cannot write (a read-only copy) still gives the settings until the user's
// own file exists, so that what is chosen is not lost at every close. With forWriting the
// user's folder is made (mode 0700) when the settings go there.
SettingsPlace settingsPlace(const QString& programFolder, bool forWriting = false);

} // namespace pemma
