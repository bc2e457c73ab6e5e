// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The layouts count half-width characters, so every face the program names is mapped to an
// installed font whose ASCII advance is exactly half an ideograph's.
#include <QString>
#include <QStringList>

namespace orlenda {

// The installed family that stands for a face name ("宋体", "黑体", "仿宋_GB2312",
// "楷体_GB2312", "华文行楷"); any other installed name comes back as it is; an empty or
// unknown name falls back to the 宋体 substitute.
QString ResolveFontFamily(const QString& face);

// The candidates tried for a face, in order (the real face first).
QStringList FontCandidates(const QString& face);

// True for the faces the layouts were made for ("宋体", "黑体", "仿宋_GB2312", "楷体_GB2312",
// and the empty name that stands for 宋体): their lines are exactly one em high, whatever
// the installed stand-in's own line spacing is.
bool IsEmLineFace(const QString& face);

// True when the family draws ASCII at exactly half an ideograph's advance.
bool HasHalfWidthAscii(const QString& family);

}  // namespace orlenda
