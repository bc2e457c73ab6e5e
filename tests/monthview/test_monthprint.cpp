// The month view's text layout, recorded on a picture box with the real fonts: which text
// lands where. Expected day numbers come from QDate, not from the calendar model.
#include <QDate>
#include <QtTest>
#include <vector>

#include "core/calendar.h"
#include "core/textconv.h"
#include "core/yeardata.h"
#include "monthview/monthprint.h"
#include "support/windowtesting.h"

using namespace orlenda;

namespace {

struct Item {
    double x, y;
    QString text;
    double size;
    Colour colour;
    bool bold;
};

class Recorder : public PictureBox {
  public:
    Recorder() : PictureBox(6255, 4575, RGB(192, 255, 192)) {
        FontName = QStringLiteral("宋体");
        FontSize = 9;
    }
    std::vector<Item> items;

  protected:
    void drawText(double x, double y, const QString& text) override {
        items.push_back({x, y, text, FontSize, ForeColor, FontBold});
        PictureBox::drawText(x, y, text);
    }
};

// Consecutive texts at one height make a line.
std::vector<std::vector<Item>> lines(const std::vector<Item>& items) {
    std::vector<std::vector<Item>> out;
    for (const Item& i : items) {
        if (out.empty() || out.back().front().y != i.y) out.emplace_back();
        out.back().push_back(i);
    }
    return out;
}

// Half-widths of a text: an ideograph counts two.
int halfWidths(const QString& s) {
    int n = 0;
    for (QChar c : s) n += c.unicode() < 0x80 ? 1 : 2;
    return n;
}

QString rightAligned(const QString& s, int width) {
    return s.size() >= width ? s : QString(width - s.size(), QLatin1Char(' ')) + s;
}

const CalendarModel& model2008() {
    static CalendarModel model;
    static bool built = false;
    if (!built) {
        DataReport report;
        auto record = ParseYearLine(testing::kLine2008.toStdString(), 9, 2008, "test", report);
        if (!record) qFatal("%s", report.message.c_str());
        BuildYearCalendar(2008, &*record, model, &report);
        built = true;
    }
    return model;
}

}  // namespace

class MonthPrintTest : public QObject {
    Q_OBJECT
  private slots:
    void layout_data();
    void layout();
    void monthOutOfRangeDrawsOnlyTheHeader_data();
    void monthOutOfRangeDrawsOnlyTheHeader();
};

void MonthPrintTest::layout_data() {
    QTest::addColumn<int>("month");
    for (int m = 1; m <= 12; ++m) QTest::addRow("2008-%02d", m) << m;
}

void MonthPrintTest::layout() {
    QFETCH(int, month);
    const CalendarModel& model = model2008();
    Recorder r;
    r.Print(QStringLiteral("old"), true);
    r.items.clear();
    const std::int16_t m = std::int16_t(month);
    PrintMonthView(r, model, m);
    QCOMPARE(m, std::int16_t(month));

    const auto ls = lines(r.items);
    QCOMPARE(ls.size(), std::size_t(13));  // weekday line, then 6 x (days, lunar)

    // Weekday names: no indent, 14 points, bold, pink; a blank line above.
    const QStringList names = {"一", "二", "三", "四", "五", "六", "日"};
    QCOMPARE(ls[0].size(), std::size_t(7));
    QCOMPARE(ls[0][0].x, 0.0);
    QVERIFY(ls[0][0].y > 0);
    for (int i = 0; i < 7; ++i) {
        QCOMPARE(ls[0][i].text, QStringLiteral("   ") + names[i]);
        QCOMPARE(ls[0][i].size, 14.0);
        QVERIFY(ls[0][i].bold);
        QCOMPARE(ls[0][i].colour, RGB(255, 75, 150));
    }

    const QDate first(2008, month, 1);
    const QString title = rightAligned(QString::number(month), 2) + QStringLiteral("月  ");
    std::array<double, 8> row1x{};
    for (int w = 1; w <= 6; ++w) {
        const auto& days = ls[2 * w - 1];
        const auto& lunar = ls[2 * w];
        // Day line: row 1 starts with the month title in place of Monday's cell.
        QCOMPARE(days.size(), std::size_t(w == 1 ? 7 : 8));
        std::array<double, 8> x{};
        for (int d = 1; d <= 7; ++d) {
            if (w == 1 && d == 1) {
                QCOMPARE(days[0].text, title);
                continue;
            }
            const Item& cell = days[w == 1 ? d - 1 : d];
            x[d] = cell.x;
            const int day = (w - 1) * 7 + d - first.dayOfWeek() + 1;
            const QString expected =
                day >= 1 && day <= first.daysInMonth()
                    ? rightAligned(QStringLiteral("  ") + QString::number(day), 4)
                    : QStringLiteral("    ");
            QCOMPARE(cell.text, expected);
            QCOMPARE(cell.size, 18.0);
            QCOMPARE(cell.colour, RGB(0, 0, 0));
        }
        if (w > 1) {
            QCOMPARE(days[0].text, QStringLiteral("  "));
            QCOMPARE(days[0].x, 0.0);
            // Day cells are 36 points apart.
            for (int d = 2; d <= 7; ++d) QCOMPARE(x[d] - x[d - 1], 720.0);
            // Tuesday to Sunday of row 1 stand exactly over the same columns here.
            for (int d = 2; d <= 7; ++d) QCOMPARE(row1x[d], x[d]);
        } else {
            row1x = x;
            QCOMPARE(days[0].x, 0.0);
        }

        // Lunar line: indent, then the model's texts; each cell as wide as its half-widths
        // at 12 points, so two-character names keep the 36-point day pitch.
        QCOMPARE(lunar.size(), std::size_t(8));
        QCOMPARE(lunar[0].text, QStringLiteral("  "));
        QCOMPARE(lunar[1].x, 240.0);
        for (int d = 1; d <= 7; ++d) {
            const Item& cell = lunar[d];
            QCOMPARE(cell.text, QString::fromStdString(model.LunarGrid[month][w][d]));
            QCOMPARE(cell.size, 12.0);
            QCOMPARE(cell.colour, RGB(255, 0, 255));
            if (d > 1) QCOMPARE(cell.x - lunar[d - 1].x, 120.0 * halfWidths(lunar[d - 1].text));
            const int day = (w - 1) * 7 + d - first.dayOfWeek() + 1;
            const bool inMonth = day >= 1 && day <= first.daysInMonth();
            QCOMPARE(cell.text == QStringLiteral("      "), !inMonth);
        }
        // Each line lies below the one before.
        QVERIFY(days[0].y > ls[2 * w - 2][0].y);
        QVERIFY(lunar[0].y > days[0].y);
    }
}

void MonthPrintTest::monthOutOfRangeDrawsOnlyTheHeader_data() {
    QTest::addColumn<int>("month");
    QTest::addRow("0") << 0;
    QTest::addRow("13") << 13;
    QTest::addRow("-1") << -1;
}

void MonthPrintTest::monthOutOfRangeDrawsOnlyTheHeader() {
    QFETCH(int, month);
    Recorder r;
    PrintMonthView(r, model2008(), std::int16_t(month));
    // The weekday line, the titles and indents; every cell read fails and is skipped.
    int weekdays = 0, cells = 0;
    for (const Item& i : r.items) {
        if (i.size == 14) ++weekdays;
        if (i.text.trimmed().size() > 0 && i.size != 14 && !i.text.contains(QStringLiteral("月")))
            ++cells;
    }
    QCOMPARE(weekdays, 7);
    QCOMPARE(cells, 0);
}

QTEST_MAIN(MonthPrintTest)
#include "test_monthprint.moc"
