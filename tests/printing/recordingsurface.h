// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writes down texts and pictures drawn; like a printer, it can refuse paper and fail drawing.
#include <QPainter>
#include <QTransform>
#include <vector>

#include "graphics/surface.h"

namespace orlenda::testing {

struct DrawnText {
    double x = 0, y = 0;  // twips
    QString text;
    double size = 0, width = 0;  // points; twips
    bool bold = false, italic = false, underline = false;
    Colour colour = 0;
    QString face;
};

struct DrawnPicture {
    QRectF target, source;  // twips on the page; on the picture at natural size
    QSize pictureSize;
};

class RecordingSurface : public Surface {
  public:
    // The printer starts on paper; only, when set, is the one paper it has.
    explicit RecordingSurface(int paper = kPaperA4, int only = 0) : paper_(paper), only_(only) {}

    std::vector<DrawnText> texts;
    std::vector<DrawnPicture> pictures;
    int endDocs = 0;
    QString failingText;  // drawing it fails
    bool paperUnreadable = false;

    int PaperSize() const override {
        if (paperUnreadable) throw SurfaceError("paper size unreadable");
        return paper_;
    }
    void SetPaperSize(int size) override {
        if (only_ && size != only_) throw SurfaceError("the printer lacks this paper");
        paper_ = size;
    }
    int PrintQuality() const override { return quality_; }
    void SetPrintQuality(int q) override { quality_ = q; }
    void EndDoc() override { ++endDocs; }

    std::vector<DrawnText> find(const QString& text) const {
        std::vector<DrawnText> out;
        for (const DrawnText& t : texts)
            if (t.text == text) out.push_back(t);
        return out;
    }

  protected:
    QPainter& painter() override { return painter_; }
    double scale() const override { return 0.5; }  // 720 dots per inch: whole pixels a point
    void drawText(double x, double y, const QString& text) override {
        if (text == failingText) throw SurfaceError("drawing failed");
        texts.push_back({x, y, text, FontSize, TextWidth(text), FontBold, FontItalic, FontUnderline,
                         ForeColor, FontName});
    }
    void drawPicture(const QImage& picture, const QRectF& target, const QRectF& source) override {
        pictures.push_back({QTransform::fromScale(1 / scale(), 1 / scale()).mapRect(target),
                            QTransform::fromScale(kTwipsPerPixel, kTwipsPerPixel).mapRect(source),
                            picture.size()});
    }

  private:
    int paper_, only_, quality_ = 0;
    QImage image_{8, 8, QImage::Format_RGB32};  // for the font metrics
    QPainter painter_{&image_};
};

}  // namespace orlenda::testing
