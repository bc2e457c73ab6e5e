// SPDX-License-Identifier: GPL-3.0-or-later
#include "graphics/surface.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPaintEngine>
#include <QRawFont>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

#include "graphics/fontmap.h"
#include "graphics/logging.h"

namespace orlenda {

QFont Surface::CurrentFont() const {
    QFont f(ResolveFontFamily(FontName));
    if (FontSize > 0) f.setPointSizeF(FontSize);
    f.setBold(FontBold);
    f.setItalic(FontItalic);
    f.setUnderline(FontUnderline);
    f.setKerning(false);
    return f;
}

QFont Surface::deviceFont() {
    QFont f = CurrentFont();
    // Points are 20 twips on every device; size the font in this device's pixels so that
    // a picture box and a printer page lay text out alike.
    f.setPixelSize(std::max(1, int(std::lround(FontSize * 20.0 * scale()))));
    return f;
}

struct Surface::ResolvedFont {
    QString name;
    double size;
    bool bold, italic, underline;
    double scale;
    const QPaintDevice* device;
    QFont font;
    double ascent, height;
    // A text is shaped once: its glyphs placed from the baseline origin, and its advance.
    struct Shaped {
        QList<QGlyphRun> runs;
        double width;  // twips
    };
    QHash<QString, Shaped> shaped;
    QRawFont raw;  // the font's own glyphs, for placeSimply
    const Shaped& shape(const QString& text);
    bool placeSimply(const QString& text, Shaped& result);
};

// The design's faces need no shaping for texts of ASCII, ideographs and CJK punctuation that
// their font holds: the glyphs follow one another by their advances, where a layout puts them.
bool Surface::ResolvedFont::placeSimply(const QString& text, Shaped& result) {
    if (!IsEmLineFace(name)) return false;
    for (QChar c : text)
        if ((c < u' ' || c > u'~') && (c < u'\u3000' || c > u'\u303F') &&
            (c < u'\u4E00' || c > u'\u9FFF') && (c < u'\uFF01' || c > u'\uFF5E'))
            return false;
    if (!raw.isValid()) raw = QRawFont::fromFont(QFont(font, const_cast<QPaintDevice*>(device)));
    const QList<quint32> glyphs = raw.glyphIndexesForString(text);
    if (glyphs.size() != text.size() || glyphs.contains(0)) return false;
    const QList<QPointF> advances = raw.advancesForGlyphIndexes(glyphs);
    QList<QPointF> at;
    QPointF x;
    for (const QPointF& advance : advances) {
        at << x;
        x += advance;
    }
    QGlyphRun run;
    run.setRawFont(raw);
    run.setGlyphIndexes(glyphs);
    run.setPositions(at);
    run.setUnderline(font.underline());
    result = {{run}, x.x() / scale};
    return true;
}

const Surface::ResolvedFont::Shaped& Surface::ResolvedFont::shape(const QString& text) {
    if (auto it = shaped.constFind(text); it != shaped.constEnd()) return *it;
    Shaped result;
    if (!placeSimply(text, result)) {
        QTextLayout layout(text, font, const_cast<QPaintDevice*>(device));
        QTextOption option;
        option.setWrapMode(QTextOption::NoWrap);
        option.setFlags(QTextOption::IncludeTrailingSpaces);
        layout.setTextOption(option);
        layout.beginLayout();
        const QTextLine line = layout.createLine();
        layout.endLayout();
        // The line's advance, not its natural width: that one also counts an italic's overhang.
        result = {layout.glyphRuns(), line.horizontalAdvance() / scale};
        for (QGlyphRun& run : result.runs) {
            QList<QPointF> at = run.positions();
            for (QPointF& p : at) p.ry() -= line.ascent();
            run.setPositions(at);
        }
    }
    // Blanks around a text leave no mark unless underlined: their glyphs are not sent (half
    // a page's glyphs are the padding of the day cells).
    qsizetype lead = 0, trail = 0;
    while (lead < text.size() && text[lead] == u' ') ++lead;
    while (trail < text.size() - lead && text[text.size() - 1 - trail] == u' ') ++trail;
    if ((lead || trail) && !result.runs.isEmpty() && !font.underline()) {
        auto trim = [](QGlyphRun& run, qsizetype count, bool front) {
            const QList<quint32> space = run.rawFont().glyphIndexesForString(QStringLiteral(" "));
            QList<quint32> glyphs = run.glyphIndexes();
            QList<QPointF> at = run.positions();
            while (count-- > 0 && !glyphs.isEmpty() && space.size() == 1 &&
                   (front ? glyphs.first() : glyphs.last()) == space[0]) {
                glyphs.remove(front ? 0 : glyphs.size() - 1);
                at.remove(front ? 0 : at.size() - 1);
            }
            run.setGlyphIndexes(glyphs);
            run.setPositions(at);
        };
        trim(result.runs.first(), lead, true);
        trim(result.runs.last(), trail, false);
        result.runs.removeIf([](const QGlyphRun& r) { return r.glyphIndexes().isEmpty(); });
    }
    if (shaped.size() >= 4096) shaped.clear();
    return *shaped.insert(text, std::move(result));
}

Surface::ResolvedFont& Surface::resolved() {
    const QPaintDevice* device = painter().device();
    const double s = scale();
    for (const auto& f : fonts_) {
        if (f->size == FontSize && f->bold == FontBold && f->italic == FontItalic &&
            f->underline == FontUnderline && f->scale == s && f->device == device &&
            f->name == FontName)
            return *f;
    }
    if (fonts_.size() >= 32) fonts_.clear();
    const QFont font = deviceFont();
    const QFontMetricsF m(font, const_cast<QPaintDevice*>(device));
    // The layouts count lines of the design's faces, which are one em high with the
    // baseline 220/256 of the em down; the stand-ins have taller lines, which would push a
    // month's last row off the picture.
    const bool em = IsEmLineFace(FontName);
    const double emPixels = font.pixelSize();
    fonts_.push_back(
        std::make_shared<ResolvedFont>(ResolvedFont{FontName,
                                                    FontSize,
                                                    FontBold,
                                                    FontItalic,
                                                    FontUnderline,
                                                    s,
                                                    device,
                                                    font,
                                                    em ? emPixels * 220 / 256 : m.ascent(),
                                                    (em ? emPixels : m.height()) / s,
                                                    {},
                                                    {}}));
    ResolvedFont& r = *fonts_.back();
    // A PDF page takes glyphs as outlines at any size: there the design's faces come resized
    // from one font of each face and style, instead of fontconfig being asked for each size.
    const QPaintEngine* engine = painter().paintEngine();
    if (em && engine && engine->type() == QPaintEngine::Pdf) {
        QRawFont& any = resizable_[font.family() + QChar(u'0' + 2 * FontBold + FontItalic)];
        if (!any.isValid())
            any = QRawFont::fromFont(QFont(font, const_cast<QPaintDevice*>(device)));
        r.raw = any;
        if (r.raw.pixelSize() != font.pixelSize()) r.raw.setPixelSize(font.pixelSize());
    }
    return r;
}

double Surface::TextWidth(const QString& text) {
    if (text.isEmpty()) return 0;
    return resolved().shape(text).width;
}

double Surface::TextHeight() { return resolved().height; }

void Surface::Print(const QString& text, bool lineEnd) {
    if (!text.isEmpty()) {
        drawText(CurrentX, CurrentY, text);
        CurrentX += TextWidth(text);
    }
    if (lineEnd) {
        CurrentX = 0;
        CurrentY += TextHeight();
    }
}

struct Surface::PendingText {
    QFont font;
    QRawFont rawFont;
    QColor colour;
    QGlyphRun::GlyphRunFlags flags;
    QList<quint32> glyphs;
    QList<QPointF> positions;  // device pixels
};

Surface::TextBatch::TextBatch(Surface& surface) : surface_(surface), outer_(!surface.batching_) {
    surface_.batching_ = true;
}

Surface::TextBatch::~TextBatch() {
    if (!outer_) return;
    surface_.batching_ = false;
    try {
        surface_.flushText();
    } catch (const SurfaceError& e) {
        qCWarning(lcRender) << "texts not drawn:" << e.what();
    }
}

void Surface::flushText() {
    if (!pending_ || pending_->glyphs.isEmpty()) return;
    QGlyphRun run;
    run.setRawFont(pending_->rawFont);
    run.setFlags(pending_->flags);
    run.setGlyphIndexes(pending_->glyphs);
    run.setPositions(pending_->positions);
    pending_->glyphs.clear();
    pending_->positions.clear();
    QPainter& p = painter();
    p.setFont(pending_->font);
    p.setPen(pending_->colour);
    p.drawGlyphRun(QPointF(), run);
}

void Surface::discardText() {
    if (!pending_) return;
    pending_->glyphs.clear();
    pending_->positions.clear();
}

void Surface::drawText(double x, double y, const QString& text) {
    ResolvedFont& f = resolved();
    // Blanks leave no mark unless underlined; the position still moves past them.
    if (!FontUnderline && std::all_of(text.begin(), text.end(), [](QChar c) { return c == u' '; }))
        return;
    const QPointF origin(x * f.scale, y * f.scale + f.ascent);
    const QColor colour = ToQColor(ForeColor);
    // An underline goes under one text's glyphs: underlined texts are drawn on their own.
    if (FontUnderline || !batching_) {
        flushText();
        QPainter& p = painter();
        p.setFont(f.font);
        p.setPen(colour);
        for (const QGlyphRun& run : f.shape(text).runs) p.drawGlyphRun(origin, run);
        return;
    }
    if (!pending_) pending_ = std::make_shared<PendingText>();
    for (const QGlyphRun& run : f.shape(text).runs) {
        if (run.rawFont() != pending_->rawFont || run.flags() != pending_->flags ||
            colour != pending_->colour || f.font != pending_->font)
            flushText();
        pending_->font = f.font;
        pending_->rawFont = run.rawFont();
        pending_->flags = run.flags();
        pending_->colour = colour;
        pending_->glyphs += run.glyphIndexes();
        for (const QPointF& at : run.positions()) pending_->positions << origin + at;
    }
}

void Surface::PaintPicture(const QImage& picture, double x1, double y1, double w1, double h1,
                           double x2, double y2, double w2, double h2) {
    if (picture.isNull()) throw SurfaceError("no picture");
    if (!(w1 > 0 && h1 > 0 && w2 > 0 && h2 > 0)) throw SurfaceError("empty rectangle");
    const double s = scale();
    drawPicture(
        picture, QRectF(x1 * s, y1 * s, w1 * s, h1 * s),
        QRectF(x2 / kTwipsPerPixel, y2 / kTwipsPerPixel, w2 / kTwipsPerPixel, h2 / kTwipsPerPixel));
}

void Surface::FillBox(double x, double y, double w, double h, Colour colour) {
    flushText();
    const double s = scale();
    painter().fillRect(QRectF(x * s, y * s, w * s, h * s), ToQColor(colour));
}

void Surface::drawPicture(const QImage& picture, const QRectF& target, const QRectF& source) {
    flushText();
    QPainter& p = painter();
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.drawImage(target, picture, source);
}

// ---- picture box ----

namespace {
QImage BlankImage(QSize size, double ratio, Colour back) {
    QImage image(size * ratio, QImage::Format_RGB32);
    // 96 dots per inch: 15 twips a pixel.
    image.setDotsPerMeterX(int(std::lround(3780 * ratio)));
    image.setDotsPerMeterY(int(std::lround(3780 * ratio)));
    // A painter on it then works in screen pixels and draws text and pictures at the
    // device's resolution.
    image.setDevicePixelRatio(ratio);
    image.fill(ToQColor(back));
    return image;
}
}  // namespace

PictureBox::PictureBox(int widthTwips, int heightTwips, Colour back, double ratio)
    : widthTwips_(widthTwips), heightTwips_(heightTwips), back_(back) {
    naturalSize_ = QSize(std::max(1, int(std::lround(widthTwips / kTwipsPerPixel))),
                         std::max(1, int(std::lround(heightTwips / kTwipsPerPixel))));
    image_ = BlankImage(naturalSize_, ratio > 0 ? ratio : 1.0, back_);
}

QImage PictureBox::NaturalImage() {
    endPainting();
    if (image_.size() == naturalSize_) return image_;
    QImage natural = image_.scaled(naturalSize_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    natural.setDevicePixelRatio(1.0);
    natural.setDotsPerMeterX(3780);
    natural.setDotsPerMeterY(3780);
    return natural;
}

PictureBox::~PictureBox() { endPainting(); }

void PictureBox::endPainting() {
    if (painter_) {
        flushText();
        painter_->end();
        painter_.reset();
    }
}

QPainter& PictureBox::painter() {
    if (!painter_) {
        painter_ = std::make_unique<QPainter>(&image_);
        if (!painter_->isActive()) {
            painter_.reset();
            throw SurfaceError("cannot draw on the picture");
        }
        painter_->setRenderHint(QPainter::TextAntialiasing, true);
    }
    return *painter_;
}

void PictureBox::SetBackColor(Colour c) {
    back_ = c;
    Cls();
}

void PictureBox::SetPicture(const QImage& picture) {
    picture_ = picture;
    Cls();
}

void PictureBox::Cls() {
    discardText();
    QPainter& p = painter();
    p.fillRect(QRect(QPoint(0, 0), naturalSize_), ToQColor(back_));
    if (!picture_.isNull()) p.drawImage(QPointF(0, 0), picture_);
    CurrentX = 0;
    CurrentY = 0;
}

// ---- printer page ----

PrinterPage::PrinterPage(QPagedPaintDevice* device) : device_(device) {}

PrinterPage::~PrinterPage() {
    if (painter_) painter_->end();
}

QPainter& PrinterPage::painter() {
    if (!device_) throw SurfaceError("no printer");
    if (!painter_) {
        auto p = std::make_unique<QPainter>();
        if (!p->begin(device_)) throw SurfaceError("the print job could not begin");
        p->setRenderHint(QPainter::TextAntialiasing, true);
        painter_ = std::move(p);
    }
    return *painter_;
}

double PrinterPage::scale() const {
    if (!device_) return 1.0 / kTwipsPerPixel;
    return device_->logicalDpiX() / kTwipsPerInch;
}

void PrinterPage::EndDoc() {
    if (!painter_) throw SurfaceError("nothing to print");
    flushText();
    const bool ok = painter_->end();
    painter_.reset();
    if (!ok) throw SurfaceError("the print job failed");
    ++pagesEnded_;
}

int PrinterPage::PaperSize() const {
    if (!device_) throw SurfaceError("no printer");
    switch (device_->pageLayout().pageSize().id()) {
        case QPageSize::A3:
            return kPaperA3;
        case QPageSize::A4:
            return kPaperA4;
        case QPageSize::Letter:
            return 1;
        case QPageSize::Legal:
            return 5;
        case QPageSize::A5:
            return 11;
        default:
            return 256;  // a paper without a number of its own
    }
}

void PrinterPage::SetPaperSize(int size) {
    if (!device_) throw SurfaceError("no printer");
    if (painter_) throw SurfaceError("the paper cannot change during a job");
    QPageSize::PageSizeId id;
    switch (size) {
        case kPaperA3:
            id = QPageSize::A3;
            break;
        case kPaperA4:
            id = QPageSize::A4;
            break;
        default:
            throw SurfaceError("unknown paper");
    }
    if (!device_->setPageSize(QPageSize(id))) throw SurfaceError("the printer lacks this paper");
    device_->setPageOrientation(QPageLayout::Portrait);
}

}  // namespace orlenda
