// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/window/QtFileDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "shell/core/Version.h"

namespace pemma {

QStringList QtFileDialogs::nameFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString pattern = parts[i + 1] == QLatin1String("*.*") ? QStringLiteral("*") : parts[i + 1];
        // Qt takes the patterns from the last parentheses and, with the
        // details hidden, shows what comes before them: the caption.
        out << parts[i] + QStringLiteral(" (") + pattern + QLatin1Char(')');
    }
    return out;
}

std::optional<QString> QtFileDialogs::run(bool save, const QString& filter, int filterIndex)
{
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOptions(QFileDialog::DontConfirmOverwrite | QFileDialog::HideNameFilterDetails
                      | QFileDialog::DontUseNativeDialog);
    const QStringList filters = nameFilters(filter);
    dialog.setNameFilters(filters);
    // An index beyond the list selects the first entry.
    if (filterIndex >= 1 && filterIndex <= filters.size())
        dialog.selectNameFilter(filters[filterIndex - 1]);
    else if (!filters.isEmpty())
        dialog.selectNameFilter(filters.first());
    // Like one dialog kept for the life of the window: it opens where the
    // last name was chosen, and a save dialog shows that name again (after
    // "No" to the question, the name just typed).
    if (!lastChosen_.isEmpty()) {
        const QFileInfo last(lastChosen_);
        if (last.absoluteDir().exists()) {
            dialog.setDirectory(last.absoluteDir());
            if (save)
                dialog.selectFile(last.fileName());
        }
    }
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return std::nullopt;
    lastChosen_ = chosen.first();
    return chosen.first();
}

std::optional<QString> QtFileDialogs::openFileName(const QString& filter, int filterIndex)
{
    return run(false, filter, filterIndex);
}

std::optional<QString> QtFileDialogs::saveFileName(const QString& filter, int filterIndex)
{
    return run(true, filter, filterIndex);
}

bool QtFileDialogs::askYesNo(const QString& text)
{
    QMessageBox box(QMessageBox::Question, programTitle(), text, QMessageBox::Yes | QMessageBox::No, parent_);
    box.setObjectName(QStringLiteral("question"));
    box.setTextFormat(Qt::PlainText); // a name is never taken for markup
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void QtFileDialogs::showError(const QString& text)
{
    QMessageBox box(QMessageBox::Warning, programTitle(), text, QMessageBox::Ok, parent_);
    box.setObjectName(QStringLiteral("fileError"));
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace pemma
