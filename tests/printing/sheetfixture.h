#pragma once
// The 2008 calendar and the real font metrics the sheet tests measure against.
#include <QFont>
#include <QFontMetricsF>
#include <QtTest>
#include <cmath>

#include "core/calendar.h"
#include "core/yeardata.h"
#include "printing/fontmap.h"
#include "printing/yearsheet.h"
#include "recordingsurface.h"

namespace orlenda::testing {

// The model of a year built from the shipped data file.
inline const CalendarModel& ModelOf(int year) {
    static std::map<int, CalendarModel> models;
    auto it = models.find(year);
    if (it != models.end()) return it->second;
    DataReport report;
    std::optional<YearRecord> record = ReadYearRecord(ORLENDA_DATA_FILE, year, report);
    if (!record) qFatal("cannot read %d from the data file: %s", year, report.message.c_str());
    CalendarModel& model = models[year];
    BuildYearCalendar(year, &*record, model, &report);
    return model;
}

// The page font at a size, as the recording surface's device sees it.
inline QFont PageFont(double points, bool bold = false, bool italic = false,
                      const QString& face = QString()) {
    QFont f(ResolveFontFamily(face));
    f.setBold(bold);
    f.setItalic(italic);
    f.setKerning(false);
    f.setPixelSize(int(std::lround(points * 20 * RecordingSurface::kScale)));
    return f;
}

// Line height and text width in twips, from the font itself.
inline double LineHeight(double points, bool bold = false, bool italic = false,
                         const QString& face = QString()) {
    return QFontMetricsF(PageFont(points, bold, italic, face)).height() / RecordingSurface::kScale;
}
inline double MeasuredWidth(const QString& text, double points) {
    return QFontMetricsF(PageFont(points)).horizontalAdvance(text) / RecordingSurface::kScale;
}

// Width of n half-width characters: the faces draw ASCII at half an ideograph, and an
// ideograph is one em (20 twips a point).
inline double HalfWidths(int n, double points) { return n * points * 10; }
// Half-width characters in text: ASCII one, anything else two.
inline int HalfWidthCount(const QString& text) {
    int n = 0;
    for (QChar c : text) n += c.unicode() < 0x80 ? 1 : 2;
    return n;
}

inline QString Q(const std::string& s) { return QString::fromStdString(s); }

// How a text was drawn, for failure messages.
inline QByteArray Describe(const DrawnText& t) {
    return QStringLiteral("'%1' at (%2, %3) size %4%5 colour %6")
        .arg(t.text)
        .arg(t.x)
        .arg(t.y)
        .arg(t.size)
        .arg(t.bold ? QStringLiteral(" bold") : QString())
        .arg(t.colour)
        .toUtf8();
}

inline bool Near(double a, double b) { return std::abs(a - b) < 0.01; }

}  // namespace orlenda::testing
