// SPDX-License-Identifier: GPL-3.0-or-later
#include "graphics/fontmap.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QSet>
#include <cmath>

namespace orlenda {

namespace {
const QString kSong = QStringLiteral("宋体");

QStringList substitutes(const QString& face) {
    // Debian fonts whose Latin letters are half the width of an ideograph.
    if (face == QStringLiteral("黑体"))
        return {QStringLiteral("SimHei"), QStringLiteral("WenQuanYi Zen Hei Mono"),
                QStringLiteral("AR PL UMing CN")};
    if (face == QStringLiteral("仿宋_GB2312") || face == QStringLiteral("仿宋"))
        return {QStringLiteral("FangSong_GB2312"), QStringLiteral("FangSong"),
                QStringLiteral("AR PL SungtiL GB"), QStringLiteral("AR PL UMing CN")};
    if (face == QStringLiteral("楷体_GB2312") || face == QStringLiteral("楷体"))
        return {QStringLiteral("KaiTi_GB2312"), QStringLiteral("KaiTi"),
                QStringLiteral("AR PL KaitiM GB"), QStringLiteral("AR PL UKai CN")};
    if (face == QStringLiteral("华文行楷"))
        return {QStringLiteral("STXingkai"), QStringLiteral("AR PL UKai CN"),
                QStringLiteral("AR PL KaitiM GB")};
    return {QStringLiteral("SimSun"), QStringLiteral("NSimSun"), QStringLiteral("AR PL UMing CN"),
            QStringLiteral("AR PL SungtiL GB"), QStringLiteral("WenQuanYi Zen Hei Mono")};
}

// Installed families, listed once: asking fontconfig whether a family exists resolves its
// aliases, which costs as much as opening a font, for every name absent from this machine.
bool Installed(const QString& family) {
    static const QSet<QString> installed = [] {
        QSet<QString> set;
        for (const QString& f : QFontDatabase::families()) set.insert(f.toCaseFolded());
        return set;
    }();
    return installed.contains(family.toCaseFolded());
}

}  // namespace

bool IsEmLineFace(const QString& face) {
    return face.isEmpty() || face == kSong || face == QStringLiteral("黑体") ||
           face.startsWith(QStringLiteral("仿宋")) || face.startsWith(QStringLiteral("楷体"));
}

bool HasHalfWidthAscii(const QString& family) {
    if (!Installed(family)) return false;
    QFont font(family);
    font.setPixelSize(200);
    font.setStyleStrategy(QFont::NoFontMerging);
    const QFontMetricsF m(font);
    const qreal ideograph = m.horizontalAdvance(QStringLiteral("中"));
    if (ideograph <= 0) return false;
    for (QChar c : QStringLiteral(" 0123456789Aa")) {
        if (std::abs(2 * m.horizontalAdvance(c) - ideograph) > 1e-6) return false;
    }
    return true;
}

QStringList FontCandidates(const QString& face) {
    QStringList list;
    if (!face.isEmpty()) list << face;
    list << substitutes(face);
    return list;
}

QString ResolveFontFamily(const QString& face) {
    static QHash<QString, QString> cache;
    if (auto it = cache.constFind(face); it != cache.constEnd()) return *it;
    QString chosen;
    const bool known = face == kSong || face == QStringLiteral("黑体") ||
                       face.startsWith(QStringLiteral("仿宋")) ||
                       face.startsWith(QStringLiteral("楷体")) ||
                       face == QStringLiteral("华文行楷");
    if (!known && !face.isEmpty() && Installed(face)) {
        chosen = face;  // a face the user picked from the installed list
    } else {
        // These Debian fonts draw ASCII at half an ideograph at every size (the tests measure
        // them); any other candidate is measured here, once: a font under a Windows name may
        // be anything installed under it, and AR PL UKai CN has a few wider letters. The
        // candidates recur across faces ("" and 宋体 share theirs).
        static const QSet<QString> debian{
            QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL SungtiL GB"),
            QStringLiteral("WenQuanYi Zen Hei Mono"), QStringLiteral("AR PL KaitiM GB")};
        static QHash<QString, bool> halfWidth;
        for (const QString& c : FontCandidates(face)) {
            if (!Installed(c)) continue;
            auto measured = halfWidth.constFind(c);
            if (measured == halfWidth.constEnd())
                measured = halfWidth.insert(c, debian.contains(c) || HasHalfWidthAscii(c));
            if (*measured) {
                chosen = c;
                break;
            }
        }
        if (chosen.isEmpty()) chosen = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    }
    cache.insert(face, chosen);
    return chosen;
}

}  // namespace orlenda
