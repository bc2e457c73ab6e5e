// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures/picturenames.h"

#include <algorithm>

namespace orlenda {

const QStringList& PictureNamePatterns() {
    static const QStringList patterns{QStringLiteral("*.jpg"), QStringLiteral("*.gif"),
                                      QStringLiteral("*.bmp"), QStringLiteral("*.jpeg"),
                                      QStringLiteral("*.ico"), QStringLiteral("*.emf"),
                                      QStringLiteral("*.png"), QStringLiteral("*.webp"),
                                      QStringLiteral("*.tif"), QStringLiteral("*.tiff")};
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

QString PictureKindsText(const QString& lastJoin) {
    QStringList kinds;
    for (const QString& p : PictureNamePatterns()) kinds << p.mid(2).toUpper();
    const QString last = kinds.takeLast();
    return kinds.join(QStringLiteral(", ")) + lastJoin + last;
}

}  // namespace orlenda
