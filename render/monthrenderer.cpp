#include "render/monthrenderer.h"

#include "core/textconv.h"

namespace orlenda {

namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }

// Cells are reached with at() so that a month out of range fails the step instead of
// reading past the grid.
const std::string& cell(const Grid& g, int m, int w, int d) { return g.at(m).at(w).at(d); }
}  // namespace

void PrintMonthView(Surface& s, const CalendarModel& model, const std::int16_t& month) {
    Step([&] { s.Cls(); });
    Step([&] {
        s.FontSize = 14;
        s.FontBold = true;
        s.ForeColor = RGB(255, 75, 150);
    });
    Step([&] { s.PrintEnd(); });
    for (int i = 0; i <= 6; ++i)
        Step([&] { s.Print(q(Format(model.WeekdayNamesCn.at(i), "@@@@")), false); });
    Step([&] { s.PrintEnd(); });
    Step([&] { s.PrintEnd(); });

    // As wide as the two-blank indent plus one day cell, so row 1 lines up with the rest.
    QString title;
    Step([&] { title = q(Format(DecimalText(month), "@@") + "月" + "  "); });

    for (int w = 1; w <= 6; ++w) {
        Step([&] {
            s.ForeColor = RGB(0, 0, 0);
            s.FontSize = 18;
        });
        for (int d = 1; d <= 7; ++d) {
            if (w == 1 && d == 1) {
                Step([&] { s.Print(title, false); });
                continue;
            }
            if (d == 1) Step([&] { s.Print(QStringLiteral("  "), false); });
            Step([&] {
                const std::string& day = cell(model.DayGrid, month, w, d);
                if (day == "   ")
                    s.Print(q(Format(" " + day, "@@@@")), false);
                else
                    s.Print(q(Format("  " + day, "@@@@")), false);
            });
        }
        Step([&] { s.PrintEnd(); });
        Step([&] {
            s.FontSize = 12;
            s.ForeColor = RGB(255, 0, 255);
        });
        for (int d = 1; d <= 7; ++d) {
            if (d == 1) Step([&] { s.Print(QStringLiteral("  "), false); });
            Step([&] { s.Print(q(Format(cell(model.LunarGrid, month, w, d), "@@@")), false); });
        }
        Step([&] { s.PrintEnd(); });
    }
    Step([&] { s.PrintEnd(); });
}

}  // namespace orlenda
