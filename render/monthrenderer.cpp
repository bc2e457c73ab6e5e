// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/monthrenderer.h"

#include "core/textconv.h"
#include "graphics/logging.h"

namespace orlenda {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

int FirstWeekRow(const CalendarModel& model, int month) {
    return model.DayGrid[month][1][1].find_first_not_of(' ') == std::string::npos ? 1 : 2;
}

void DrawMonthView(Surface& s, const CalendarModel& model, int month, int markedDay) {
    s.Cls();
    if (month < 1 || month > 12) {
        qCWarning(lcRender) << "no month" << month << "to show";
        return;
    }
    s.FontSize = 14;
    s.FontBold = true;
    s.ForeColor = RGB(255, 75, 150);
    s.PrintEnd();
    for (int i = 0; i <= 6; ++i) s.Print(Q(Format(model.WeekdayNamesCn[i], "@@@@")), false);
    s.PrintEnd();
    s.PrintEnd();

    // As wide as the two-blank indent plus one day cell, so row 1 lines up with the rest.
    const QString title = Q(Format(DecimalText(month), "@@") + "月" + "  ");
    const int shift = FirstWeekRow(model, month) - 1;
    const std::string noDay(3, ' '), noLunar(6, ' ');
    const std::string marked = std::to_string(markedDay);
    constexpr Colour kToday = RGB(255, 255, 0);
    for (int w = 1; w <= 6; ++w) {
        const int week = w - shift;  // 0: the title's own row
        s.ForeColor = RGB(0, 0, 0);
        s.FontSize = 18;
        int markedColumn = 0;
        for (int d = 1; d <= 7; ++d) {
            if (w == 1 && d == 1) {
                s.Print(title, false);
                continue;
            }
            if (d == 1) s.Print(QStringLiteral("  "), false);
            const std::string& day = week >= 1 ? model.DayGrid[month][week][d] : noDay;
            const QString cell = Q(Format((day == "   " ? " " : "  ") + day, "@@@@"));
            if (day == marked) {
                markedColumn = d;
                s.FillBox(s.CurrentX, s.CurrentY, s.TextWidth(cell), s.TextHeight(), kToday);
            }
            s.Print(cell, false);
        }
        s.PrintEnd();
        s.FontSize = 12;
        s.ForeColor = RGB(255, 0, 255);
        for (int d = 1; d <= 7; ++d) {
            if (d == 1) s.Print(QStringLiteral("  "), false);
            const QString cell =
                Q(Format(week >= 1 ? model.LunarGrid[month][week][d] : noLunar, "@@@"));
            if (d == markedColumn)
                s.FillBox(s.CurrentX, s.CurrentY, s.TextWidth(cell), s.TextHeight(), kToday);
            s.Print(cell, false);
        }
        s.PrintEnd();
    }
    s.PrintEnd();
}

}  // namespace orlenda
