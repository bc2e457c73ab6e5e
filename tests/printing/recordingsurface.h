#pragma once
// A drawing surface that writes down what is drawn instead of drawing it: every text with
// its position in twips and its style, every picture with its rectangles. Its paper can be
// refused and its operations made to fail, like a real printer's.
#include <QImage>
#include <QPainter>
#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "printing/surface.h"

namespace orlenda::testing {

struct DrawnText {
    double x = 0, y = 0;  // twips
    QString text;
    double size = 0;
    bool bold = false, italic = false, underline = false;
    Colour colour = 0;
    QString face;
};

struct DrawnPicture {
    QRectF target;  // twips on the page
    QRectF source;  // twips on the picture at natural size
    QSize pictureSize;
};

class RecordingSurface : public Surface {
  public:
    // 720 dots per inch: every point size used is a whole number of pixels.
    static constexpr double kScale = 0.5;

    explicit RecordingSurface(int paper = kPaperA4, std::set<int> papers = {kPaperA3, kPaperA4})
        : paper_(paper), papers_(std::move(papers)), image_(8, 8, QImage::Format_RGB32) {}

    std::vector<DrawnText> texts;
    std::vector<DrawnPicture> pictures;
    int endDocs = 0;
    std::vector<int> paperRequests;
    // When set, drawing a text for which it returns true fails.
    std::function<bool(const QString&)> failOnText;
    bool paperUnreadable = false;

    int PaperSize() const override {
        if (paperUnreadable) throw SurfaceError("paper size unreadable");
        return paper_;
    }
    void SetPaperSize(int size) override {
        paperRequests.push_back(size);
        if (!papers_.count(size)) throw SurfaceError("the printer lacks this paper");
        paper_ = size;
    }
    int PrintQuality() const override { return quality_; }
    void SetPrintQuality(int q) override { quality_ = q; }
    void EndDoc() override { ++endDocs; }

    // Texts whose content equals text, in drawing order.
    std::vector<DrawnText> find(const QString& text) const {
        std::vector<DrawnText> out;
        for (const DrawnText& t : texts)
            if (t.text == text) out.push_back(t);
        return out;
    }

  protected:
    QPainter& painter() override {
        if (!painter_) painter_ = std::make_unique<QPainter>(&image_);
        return *painter_;
    }
    double scale() const override { return kScale; }
    void drawText(double x, double y, const QString& text) override {
        if (failOnText && failOnText(text)) throw SurfaceError("drawing failed");
        texts.push_back(
            {x, y, text, FontSize, FontBold, FontItalic, FontUnderline, ForeColor, FontName});
    }
    void drawPicture(const QImage& picture, const QRectF& target, const QRectF& source) override {
        const QRectF t(target.x() / kScale, target.y() / kScale, target.width() / kScale,
                       target.height() / kScale);
        const QRectF s(source.x() * kTwipsPerPixel, source.y() * kTwipsPerPixel,
                       source.width() * kTwipsPerPixel, source.height() * kTwipsPerPixel);
        pictures.push_back({t, s, picture.size()});
    }

  private:
    int paper_;
    std::set<int> papers_;
    int quality_ = 0;
    QImage image_;
    std::unique_ptr<QPainter> painter_;
};

}  // namespace orlenda::testing
