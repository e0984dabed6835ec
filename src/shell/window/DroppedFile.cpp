// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/window/DroppedFile.h"

#include <QMimeData>
#include <QUrl>
#include <sys/stat.h>

namespace pemma {

std::optional<FileName> droppedFile(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return std::nullopt;
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile() || !urls.first().host().isEmpty())
        return std::nullopt;
    const QByteArray path = QByteArray::fromPercentEncoding(urls.first().path(QUrl::FullyEncoded).toLatin1());
    struct stat st {};
    if (path.isEmpty() || ::stat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return FileName::fromNative(path);
}

} // namespace pemma
