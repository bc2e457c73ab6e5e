// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The drawing surface every drawer uses: text at a current position in twips, fonts in
// points, pictures stretched into rectangles. The same QPainter code draws on a picture box
// (a persistent image at 15 twips per pixel) and on a printer page (any paged device).
#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QString>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

#include "graphics/units.h"

class QPagedPaintDevice;

namespace orlenda {

constexpr int kPaperA3 = 8;
constexpr int kPaperA4 = 9;
constexpr int kQualityHigh = -4;

// A drawing step that cannot be carried out.
struct SurfaceError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Surface {
  public:
    virtual ~Surface() = default;

    // Text position in twips from the top-left of the drawable area.
    double CurrentX = 0;
    double CurrentY = 0;

    QString FontName;
    double FontSize = 9;
    bool FontBold = false;
    bool FontItalic = false;
    bool FontUnderline = false;
    Colour ForeColor = 0;

    // Draws text with its top-left at the current position. With lineEnd the position
    // moves to the left edge one line (of the font in effect) down; otherwise it moves
    // right by the text's width.
    void Print(const QString& text, bool lineEnd);
    void Print(const QString& text) { Print(text, true); }
    void PrintEnd() { Print(QString(), true); }  // the line end alone

    // Width and line height of text in twips, in the current font on this device.
    double TextWidth(const QString& text);
    double TextHeight();

    // Draws the part (x2, y2, w2, h2) of picture (twips at natural size, 15 per pixel)
    // stretched into (x1, y1, w1, h1) twips on the surface.
    void PaintPicture(const QImage& picture, double x1, double y1, double w1, double h1, double x2,
                      double y2, double w2, double h2);

    // Fills the rectangle (x, y, w, h) in twips with colour, as the text drawn later stands on it.
    void FillBox(double x, double y, double w, double h, Colour colour);

    virtual void Cls() {}
    virtual void Refresh() {}
    virtual void EndDoc() {}

    // Printer paper (8 = A3, 9 = A4); a picture box reports 0 and ignores assignments.
    virtual int PaperSize() const { return 0; }
    virtual void SetPaperSize(int) {}
    virtual int PrintQuality() const { return 0; }
    virtual void SetPrintQuality(int) {}

    // The font the current settings stand for, as resolved on this platform.
    QFont CurrentFont() const;

    // While a batch is open, texts go to the device together, one run for each font and
    // colour in turn, as soon as anything else is drawn or the batch closes: the same marks,
    // sent in fewer and larger pieces.
    class TextBatch {
      public:
        explicit TextBatch(Surface& surface);
        ~TextBatch();
        TextBatch(const TextBatch&) = delete;
        TextBatch& operator=(const TextBatch&) = delete;

      private:
        Surface& surface_;
        bool outer_;
    };

  protected:
    // The painter of the current page or picture (beginning a job if needed).
    virtual QPainter& painter() = 0;
    // Device pixels per twip.
    virtual double scale() const = 0;
    // Hook for every text drawn, in twips; the default draws it.
    virtual void drawText(double x, double y, const QString& text);
    virtual void drawPicture(const QImage& picture, const QRectF& target, const QRectF& source);
    // The font scaled for this device.
    QFont deviceFont();
    // Draws the batched texts; done before anything else is drawn.
    void flushText();
    // Forgets them, cleared away before they were drawn.
    void discardText();

  private:
    // The drawers switch between a few fonts for every cell; resolving and measuring a font
    // anew each time would cost more than the drawing, so each setting is resolved once.
    struct ResolvedFont;
    ResolvedFont& resolved();
    std::vector<std::shared_ptr<ResolvedFont>> fonts_;
    QHash<QString, QRawFont> resizable_;  // by family and style
    bool batching_ = false;
    struct PendingText;
    std::shared_ptr<PendingText> pending_;
};

// A picture box with a persistent image: everything drawn stays in Image().
class PictureBox : public Surface {
  public:
    // ratio: device pixels per screen pixel; above 1 the image holds that many times the
    // pixels (a high-resolution screen) while twips and positions stay as they are.
    PictureBox(int widthTwips, int heightTwips, Colour back = RGB(255, 255, 255),
               double ratio = 1.0);
    ~PictureBox() override;

    // Everything drawn so far (ends the painting in progress, so it is complete), at the
    // box's device pixel ratio.
    const QImage& Image() {
        endPainting();
        return image_;
    }
    // The drawing at 15 twips a pixel, as files keep it: Image() itself at ratio 1.
    QImage NaturalImage();
    double DevicePixelRatio() const { return image_.devicePixelRatio(); }
    int ScaleWidth() const { return widthTwips_; }
    int ScaleHeight() const { return heightTwips_; }

    Colour BackColor() const { return back_; }
    // Like the control: a new background colour clears what was drawn.
    void SetBackColor(Colour c);
    // The background picture, drawn from the top-left at its own size under the drawing.
    const QImage& Picture() const { return picture_; }
    void SetPicture(const QImage& picture);

    void Cls() override;

  protected:
    QPainter& painter() override;
    double scale() const override { return 1.0 / kTwipsPerPixel; }

  private:
    void endPainting();
    int widthTwips_, heightTwips_;
    QSize naturalSize_;  // screen pixels
    Colour back_;
    QImage image_;
    QImage picture_;
    std::unique_ptr<QPainter> painter_;
};

// A printer page on any paged device (a QPrinter, a QPdfWriter). A job begins with the
// first drawing and ends with EndDoc.
class PrinterPage : public Surface {
  public:
    explicit PrinterPage(QPagedPaintDevice* device);
    ~PrinterPage() override;

    void EndDoc() override;
    int PaperSize() const override;
    // A paper the device refuses leaves the paper as it was.
    void SetPaperSize(int size) override;
    int PrintQuality() const override { return quality_; }
    void SetPrintQuality(int q) override { quality_ = q; }

    bool JobStarted() const { return painter_ != nullptr; }
    int PagesEnded() const { return pagesEnded_; }

  protected:
    QPainter& painter() override;
    double scale() const override;

  private:
    QPagedPaintDevice* device_;
    std::unique_ptr<QPainter> painter_;
    int quality_ = 0;
    int pagesEnded_ = 0;
};

}  // namespace orlenda
