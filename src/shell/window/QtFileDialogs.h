// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QStringList>

#include "files/FileDialogs.h"

class QWidget;

namespace pemma {

// The file dialogs and message boxes of the file commands, with Qt's own
// widgets (the same look and the same Japanese texts on every desktop).
class QtFileDialogs final : public FileDialogs {
public:
    explicit QtFileDialogs(QWidget* parent) : parent_(parent) {}

    std::optional<QString> openFileName(const QString& filter, int filterIndex) override;
    std::optional<QString> saveFileName(const QString& filter, int filterIndex) override;
    bool askYesNo(const QString& text) override;
    void showError(const QString& text) override;

    // "caption|pattern|..." as Qt name filters that show the caption as it is.
    // A pattern "*.*" becomes "*", so that names without a dot are listed too.
    static QStringList nameFilters(const QString& filter);

    // A name chosen without the dialog (a dropped picture, the command
    // line): the dialogs go on from it as if it had been chosen in them.
    void chosenElsewhere(const QString& name) { lastChosen_ = name; }

private:
    std::optional<QString> run(bool save, const QString& filter, int filterIndex);
    QWidget* parent_;
    QString lastChosen_; // the name last chosen in any of the dialogs
};

} // namespace pemma
