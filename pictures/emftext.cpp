// SPDX-License-Identifier: GPL-3.0-or-later
// Text records of the metafile player.
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <QStringDecoder>
#include <algorithm>

#include "graphics/fontmap.h"
#include "pictures/emfplayer.h"

namespace orlenda::emf {

namespace {

QHash<QString, QString>& familyCache() {
    static QHash<QString, QString> cache;
    return cache;
}

// Characters one by one when the file gives their advances, surrogate pairs together; each
// with where it starts.
QList<std::pair<QString, qreal>> TextRuns(const QString& text, const QList<qreal>& advances,
                                          qreal x0) {
    QList<std::pair<QString, qreal>> runs;
    if (advances.isEmpty()) {
        runs.append({text, x0});
        return runs;
    }
    qreal x = x0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QString piece(text[i]);
        qreal step = advances[i];
        if (text[i].isHighSurrogate() && i + 1 < text.size()) {
            piece += text[++i];
            step += advances[i];
        }
        runs.append({piece, x});
        x += step;
    }
    return runs;
}

}  // namespace

// Finding the family for a face takes about a millisecond; a file may ask for a few dozen
// faces, past them the default face stands in.
QString Player::fontFamily() {
    QString face = s_.font.face;
    QHash<QString, QString>& cache = familyCache();
    auto it = cache.constFind(face);
    if (it == cache.constEnd() && facesResolved_ >= kMaxFaces) it = cache.constFind(face = {});
    if (it != cache.constEnd()) return *it;
    ++facesResolved_;
    charge(kFaceWork);
    if (cache.size() >= 4096) cache.clear();  // kept across files, so kept small
    const QString family =
        !face.isEmpty() && QFontDatabase::hasFamily(face) ? face : ResolveFontFamily(face);
    cache.insert(face, family);
    return family;
}

QFont Player::makeFont(const QString& family, double emScale, bool* ok) const {
    const FontSpec& f = s_.font;
    QFont font(family);
    if (f.pitchFamily >> 4 == 1) font.setStyleHint(QFont::Serif);
    if (f.pitchFamily >> 4 == 2) font.setStyleHint(QFont::SansSerif);
    if (f.pitchFamily >> 4 == 3 || (f.pitchFamily & 3) == 1) font.setStyleHint(QFont::Monospace);
    font.setWeight(QFont::Weight(std::clamp(f.weight > 0 ? f.weight : 400, 1, 1000)));
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeOut);
    double em = 0;
    if (f.height < 0) {
        em = -double(f.height) * emScale;
    } else {
        // A positive height is the whole cell, ascent plus descent.
        const double cell = (f.height ? f.height : 16) * emScale;
        QFont probe(font);
        probe.setPixelSize(100);
        const QFontMetricsF m(probe);
        em = m.ascent() + m.descent() > 0 ? cell * 100 / (m.ascent() + m.descent()) : cell;
    }
    *ok = std::isfinite(em) && em >= 1 && em <= kMaxSide;
    if (*ok) font.setPixelSize(int(std::lround(em)));
    return font;
}

QString Player::decodeNarrow(const Rec& r, quint64 off, quint32 count) const {
    const QByteArray bytes(reinterpret_cast<const char*>(r.at(off)), qsizetype(count));
    const char* codec = nullptr;
    switch (s_.font.charSet) {
        case 134:
            codec = "GB18030";
            break;
        case 136:
            codec = "Big5";
            break;
        case 128:
            codec = "Shift_JIS";
            break;
        default:
            break;
    }
    if (codec) {
        QStringDecoder decoder(codec);
        if (decoder.isValid()) return decoder(bytes);
    }
    return QString::fromLatin1(bytes);
}

TextRecord Player::readText(const Rec& r, bool wide) const {
    TextRecord k;
    k.mode = r.i32(24);
    k.reference = r.pointl(36);
    const quint32 chars = r.u32(44), offString = r.u32(48);
    k.options = r.u32(52);
    // Some writers keep the rectangle even when its flag says it is absent.
    k.hasRect = !(k.options & ETO_NO_RECT) || offString >= 76;
    k.rect = k.hasRect ? r.box(56) : QRectF();
    const quint32 offDx = r.u32(k.hasRect ? 72 : 56);
    if (chars > r.size()) fail("a text record claims more characters than it holds");
    if (chars > kMaxFigurePoints) refuse(EmfResult::TooComplex, "a text has too many characters");
    r.need(offString, quint64(chars) * (wide ? 2 : 1));
    if (wide) {
        for (quint32 i = 0; i < chars; ++i)
            k.text += QChar(qFromLittleEndian<quint16>(r.at(offString + quint64(i) * 2)));
    } else {
        k.text = decodeNarrow(r, offString, chars);
    }
    const quint64 dxStep = k.options & ETO_PDY ? 8 : 4;
    if (offDx && chars && r.has(offDx, quint64(chars) * dxStep) &&
        k.text.size() == qsizetype(chars)) {
        for (quint32 i = 0; i < chars; ++i) k.dx << r.i32(offDx + i * dxStep);
    }
    return k;
}

void Player::textOut(const Rec& r, bool wide) {
    const TextRecord k = readText(r, wide);
    const qint32 mode = k.mode;
    const QPointF reference = k.reference;
    const quint32 options = k.options;
    const bool hasRect = k.hasRect;
    const QRectF rect = k.rect;
    const QString& text = k.text;
    const QList<qreal>& dx = k.dx;

    const QTransform t = transform();
    if (!finite(t)) return;
    if ((options & ETO_OPAQUE) && hasRect && !rect.isEmpty() && !inPath_) {
        chargeArea(t.mapRect(rect), kPixelWork);
        painter_.save();
        painter_.setTransform(t);
        painter_.fillRect(rect, s_.bkColor);
        painter_.restore();
    }
    if (!qGuiApp || text.isEmpty() || (options & ETO_GLYPH_INDEX)) return;

    const QTransform lin(t.m11(), t.m12(), t.m21(), t.m22(), 0, 0);
    const double esc = s_.font.escapement / 10.0 * std::numbers::pi / 180;
    const bool yUp = lin.determinant() < 0;
    const QPointF dirLogical(std::cos(esc), yUp ? std::sin(esc) : -std::sin(esc));
    const double emScale = length(lin.map(QPointF(0, 1)));
    double angle, advScale, stretch = 1;
    if (mode == GM_ADVANCED) {
        const QPointF v = lin.map(dirLogical);
        angle = std::atan2(v.y(), v.x());
        advScale = length(v);
        stretch = emScale > 0 ? advScale / emScale : 1;
    } else {
        angle = -esc;
        advScale = length(lin.map(QPointF(1, 0)));
    }
    if (!(emScale > 0) || !(advScale > 0) || !(stretch > 0)) return;
    bool ok = false;
    const QFont font = makeFont(fontFamily(), emScale, &ok);
    if (!ok) return;
    const QFontMetricsF fm(font);
    // Each character is drawn as large as the font, as far as the picture shows it.
    const double glyph =
        std::min(double(font.pixelSize()) * font.pixelSize() * std::max(stretch, 1.0),
                 double(width_) * height_);
    charge(double(text.size()) * (kRecordWork + glyph * 2 * kPixelWork));

    // Advances in the text's own pixels (before any stretch).
    QList<qreal> advances;
    qreal width = 0;
    if (!dx.isEmpty()) {
        for (qreal d : dx) {
            advances << d * advScale / stretch;
            width += advances.last();
        }
    } else {
        width = fm.horizontalAdvance(text);
    }
    const bool updateCp = s_.textAlign & TA_UPDATECP;
    const QPointF origin = updateCp ? s_.cur : reference;
    qreal x0 = 0, y0 = 0;
    if ((s_.textAlign & TA_CENTER) == TA_CENTER)
        x0 = -width / 2;
    else if (s_.textAlign & TA_RIGHT)
        x0 = -width;
    if ((s_.textAlign & TA_BASELINE) == TA_BASELINE)
        y0 = 0;
    else if (s_.textAlign & TA_BOTTOM)
        y0 = -fm.descent();
    else
        y0 = fm.ascent();
    if (updateCp) {
        const double logical = width * stretch / advScale;
        if ((s_.textAlign & TA_CENTER) != TA_CENTER)
            s_.cur = origin + dirLogical * (s_.textAlign & TA_RIGHT ? -logical : logical);
    }

    QTransform local;
    const QPointF at = t.map(origin);
    local.translate(at.x(), at.y());
    local.rotateRadians(angle);
    local.scale(stretch, 1);

    const QList<std::pair<QString, qreal>> runs = TextRuns(text, advances, x0);
    if (inPath_) {
        QPainterPath glyphs;
        for (const auto& [piece, x] : runs) glyphs.addText(x, y0, font, piece);
        extendPath(glyphs.elementCount());
        path_.addPath(local.map(glyphs));
        figureOpen_ = false;
        return;
    }
    painter_.save();
    if ((options & ETO_CLIPPED) && hasRect) {
        painter_.setTransform(QTransform());
        painter_.setClipPath(logicalRect(rect),
                             painter_.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    }
    painter_.setTransform(local);
    if (s_.bkMode == OPAQUE)
        painter_.fillRect(QRectF(x0, y0 - fm.ascent(), width, fm.ascent() + fm.descent()),
                          s_.bkColor);
    painter_.setFont(font);
    painter_.setPen(s_.textColor);
    for (const auto& [piece, x] : runs) painter_.drawText(QPointF(x, y0), piece);
    painter_.restore();
}

}  // namespace orlenda::emf
