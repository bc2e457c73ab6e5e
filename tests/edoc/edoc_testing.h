#pragma once
// Shared set-up for the electronic-document tests: a year's model from the shipped data
// file, a message recorder and a picture box that records what is drawn on it.
#include <QComboBox>
#include <QImage>
#include <QRectF>
#include <QStringList>
#include <QTest>
#include <vector>

#include "app/calendardata.h"
#include "app/form1.h"
#include "app/messages.h"
#include "app/registry.h"
#include "core/appstate.h"
#include "core/calendar.h"
#include "core/yeardata.h"
#include "edoc/frmpreV.h"
#include "printing/surface.h"

namespace orlenda::test {

// Messages nobody in the test expected; a box would block the test.
inline QStringList& UnexpectedMessages() {
    static QStringList list;
    return list;
}

// Collects every message instead of showing a box, while it lives.
struct MessageLog {
    QStringList texts;
    MessageSink previous;
    MessageLog() {
        previous = SetMessageSink([this](QWidget*, const QString& t) { texts << t; });
    }
    ~MessageLog() { SetMessageSink(previous); }
};

// A fresh run as the program starts it: no windows, fresh state, the main window loaded
// from the data file beside the sources (so it has built today's year).
inline void FreshStart() {
    Windows().clear();
    State().Reset();
    State().DataPath = ORLENDA_DATA_FILE;
    UnexpectedMessages().clear();
    SetMessageSink([](QWidget*, const QString& t) { UnexpectedMessages() << t; });
    Windows().ref<Form1>();
}

// Picks year in the main window's list and builds its model, as the main window's button
// does before it opens the electronic document.
inline bool BuildYear(int year) {
    Form1& main = Windows().ref<Form1>();
    const int i = main.Combo1->findText(QString::number(year));
    if (i < 0) return false;
    main.Combo1->setCurrentIndex(i);
    main.Combo1_Click();
    BuildSelectedYear(&main);
    return State().SelectedYear == year && State().Record.has_value();
}

struct DrawnText {
    double x, y;
    QString text;
    QString font;
    double size;
    bool bold, italic;
    Colour colour;
};
struct DrawnPicture {
    QRectF target, source;  // twips
};

// Draws like Picture1 and remembers each text and picture with its place in twips.
class RecordingBox : public PictureBox {
  public:
    RecordingBox() : PictureBox(11535, 15000, RGB(128, 255, 128)) {}
    std::vector<DrawnText> texts;
    std::vector<DrawnPicture> pictures;

    // The texts drawn that equal t.
    std::vector<DrawnText> find(const QString& t) const {
        std::vector<DrawnText> out;
        for (const auto& d : texts)
            if (d.text == t) out.push_back(d);
        return out;
    }

  protected:
    void drawText(double x, double y, const QString& text) override {
        texts.push_back({x, y, text, FontName, FontSize, FontBold, FontItalic, ForeColor});
        PictureBox::drawText(x, y, text);
    }
    void drawPicture(const QImage& picture, const QRectF& target, const QRectF& source) override {
        // Device pixels to twips, source pixels to twips.
        auto twips = [](const QRectF& r) {
            return QRectF(r.x() * 15, r.y() * 15, r.width() * 15, r.height() * 15);
        };
        pictures.push_back({twips(target), twips(source)});
        PictureBox::drawPicture(picture, target, source);
    }
};

// Pixels of exactly colour c inside rect of image.
inline int CountColour(const QImage& image, const QRect& rect, Colour c) {
    const QRgb want = ToQColor(c).rgb();
    int n = 0;
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if ((image.pixel(x, y) & 0xffffff) == (want & 0xffffff)) ++n;
    return n;
}

}  // namespace orlenda::test
