// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures/picturenames.h"

#include <algorithm>

namespace orlenda {

const QStringList& PictureNamePatterns() {
    static const QStringList patterns{QStringLiteral("*.jpg"), QStringLiteral("*.gif"),
                                      QStringLiteral("*.bmp"), QStringLiteral("*.jpeg"),
                                      QStringLiteral("*.ico"), QStringLiteral("*.emf")};
    return patterns;
}

bool IsListedPictureName(const QString& fileName) {
    // Every pattern is "*" and a suffix, and a name holds no "/".
    const QStringList& patterns = PictureNamePatterns();
    return !fileName.contains(QLatin1Char('/')) &&
           std::any_of(patterns.begin(), patterns.end(), [&](const QString& p) {
               return fileName.endsWith(p.mid(1), Qt::CaseInsensitive);
           });
}

}  // namespace orlenda
