// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The picture files the program offers: the names the picture chooser lists.
#include <QString>
#include <QStringList>

namespace orlenda {

// The chooser's name patterns, e.g. "*.jpg", matched regardless of case.
const QStringList& PictureNamePatterns();

// True when fileName (a name without folders) matches one of the patterns.
bool IsListedPictureName(const QString& fileName);

// The listed kinds for a person to read, "JPG, GIF, ..." with lastJoin before the last.
QString PictureKindsText(const QString& lastJoin = QStringLiteral(", "));

}  // namespace orlenda
