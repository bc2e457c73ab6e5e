// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/messages.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "core/yeardata.h"

namespace orlenda {

namespace {
MessageSink& sink() {
    static MessageSink s;
    return s;
}
}  // namespace

QString AppTitle() { return QStringLiteral("Orlenda"); }

void ShowMessage(QWidget* parent, const QString& text) {
    if (sink()) {
        sink()(parent, text);
        return;
    }
    // A lone carriage return ends a line too (the help texts are joined with it).
    const QString lines = QString(text)
                              .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                              .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(QMessageBox::NoIcon, AppTitle(), lines, QMessageBox::Ok, parent);
    // The box wraps at half the screen, which left a word or two of a long help line alone
    // on the next line; it widens to hold its longest line where the screen has room.
    const auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (label && grid && screen) {
        int longest = 0;
        for (const QString& line : lines.split(QLatin1Char('\n')))
            longest = std::max(longest, label->fontMetrics().horizontalAdvance(line));
        const int screenWidth = screen->availableGeometry().width();
        const int room =
            screenWidth <= 1024 ? screenWidth - 60 : std::min(screenWidth - 480, 1000) - 60;
        int row = 0, column = 0, rows = 0, columns = 0;
        grid->getItemPosition(grid->indexOf(label), &row, &column, &rows, &columns);
        grid->addItem(new QSpacerItem(std::min(longest + 8, room), 0), grid->rowCount(), column, 1,
                      columns);
    }
    box.exec();
}

MessageSink SetMessageSink(MessageSink s) {
    MessageSink previous = std::move(sink());
    sink() = std::move(s);
    return previous;
}

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// A field's text as read: printable ASCII as it is, any other byte as \xNN.
QString Shown(const std::string& text) {
    QString out;
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        out += c >= 0x20 && c < 0x7F ? QString(QLatin1Char(ch))
                                     : QStringLiteral("\\x%1").arg(c, 2, 16, QLatin1Char('0'));
    }
    return QStringLiteral("“") + out + QStringLiteral("”");
}

QString FieldName(const std::string& field) {
    if (field == "YearText") return QStringLiteral("年份");
    if (field == "Jan1MonthCode") return QStringLiteral("1月1日所在阴历月的代码");
    if (field == "Jan1LunarDay") return QStringLiteral("1月1日的阴历日");
    if (field == "LeapMonth") return QStringLiteral("闰月");
    if (field == "QingmingDay") return QStringLiteral("清明日");
    if (field.rfind("LunarMonthDays(", 0) == 0)
        return QStringLiteral("第%1个阴历月的天数").arg(std::atoi(field.c_str() + 15) + 1);
    return Q(field);
}

// What the field must hold, in the words of data/README.md.
QString FieldForm(const std::string& field, LineFault fault) {
    if (fault == LineFault::Form) {
        if (field == "YearText") return QStringLiteral("四位数字");
        if (field == "Jan1MonthCode" || field == "QingmingDay")
            return QStringLiteral("一个空格加一位数字");
        return QStringLiteral("一个空格加两位数字");
    }
    if (field == "Jan1MonthCode") return QStringLiteral("0（十一月）或1（十二月）");
    if (field == "Jan1LunarDay") return QStringLiteral("1至31");
    if (field == "LeapMonth") return QStringLiteral("01至12，没有闰月时为99");
    if (field == "QingmingDay") return QStringLiteral("4或5");
    return QStringLiteral("29或30");
}

QString WhatIsWrong(const DataReport& r) {
    const QString length = r.lineLength
                               ? QStringLiteral("（这一行有%1个字符，应为56个）").arg(r.lineLength)
                               : QString();
    switch (r.fault) {
        case LineFault::EmptyLine:
            return QStringLiteral("这一行是空行");
        case LineFault::TextAfterEnd:
            return QStringLiteral("清明日之后还有多余的字符") + length;
        case LineFault::Form:
            if (r.found.empty())
                return QStringLiteral("缺少“%1”一项").arg(FieldName(r.field)) + length;
            return QStringLiteral("“%1”一项是%2，应为%3")
                       .arg(FieldName(r.field), Shown(r.found), FieldForm(r.field, r.fault)) +
                   length;
        case LineFault::OutOfRange:
            return QStringLiteral("“%1”一项是%2，应为%3")
                .arg(FieldName(r.field), Shown(r.found), FieldForm(r.field, r.fault));
        case LineFault::WrongYear:
            return QStringLiteral("年份写的是%1，这里应是%2年的数据（前面可能缺了或多了一行）")
                .arg(Shown(r.found), QString::number(r.year));
        case LineFault::DayBeyondMonth:
            return QStringLiteral("1月1日的阴历日%1超出了它所在的%2天的阴历月")
                .arg(Shown(r.found))
                .arg(r.monthLength);
        case LineFault::MonthsEndEarly:
            return QStringLiteral("十四个阴历月只排到%1，不到12月31日").arg(Q(r.found));
        case LineFault::None:
            break;
    }
    return Q(r.message);
}

QString SystemReason(int code) {
    switch (code) {
        case ENOENT:
            return QStringLiteral("文件不存在");
        case EACCES:
        case EPERM:
            return QStringLiteral("没有读取它的权限");
        case EISDIR:
            return QStringLiteral("这是一个文件夹，不是文件");
        default:
            return QStringLiteral("系统错误 %1").arg(code);
    }
}

}  // namespace

QString DataProblemText(const DataReport& r) {
    const QString file = Q(r.file);
    const QString year = QString::number(r.year);
    const QString noLunar = QStringLiteral("所有年份都不显示阴历，公历日期照常显示。");
    const QString put = QStringLiteral("请把正确的 china.txt 放在程序所在的文件夹中。");
    switch (r.problem) {
        case DataProblem::Unreadable:
            return QStringLiteral("无法读取阴历数据文件 %1：%2。")
                       .arg(file, SystemReason(r.errorCode)) +
                   noLunar + put;
        case DataProblem::TooLarge:
            return QStringLiteral(
                       "阴历数据文件 %1 太大，不是正确的 china.txt，超出的部分没有读取。")
                       .arg(file) +
                   put;
        case DataProblem::Empty:
            return QStringLiteral("阴历数据文件 %1 是空的。").arg(file) + noLunar + put;
        case DataProblem::BadLine: {
            QString text = QStringLiteral("阴历数据文件 %1 第%2行").arg(file).arg(r.line);
            if (r.year) text += QStringLiteral("（%1年）").arg(year);
            text += QStringLiteral("有错：") + WhatIsWrong(r) + QStringLiteral("。");
            if (r.year) text += QStringLiteral("%1年的月历不显示阴历，公历日期照常显示").arg(year);
            if (r.moreBadLines)
                text +=
                    QStringLiteral("；另有%1行也有错，那些年份同样不显示阴历").arg(r.moreBadLines);
            return text + QStringLiteral("；其他年份的阴历不受影响。");
        }
        case DataProblem::NoLine:
            return QStringLiteral(
                       "阴历数据文件 %1 只有%2行（到%3年），没有%4年的数据（应在第%5行）。%4年的"
                       "月历只显示公历日期，不显示阴历。")
                .arg(file)
                .arg(r.lineCount)
                .arg(kFirstYear + r.lineCount - 1)
                .arg(year)
                .arg(r.line);
        case DataProblem::Unsupported:
            return QStringLiteral(
                       "本程序只能显示%1年至%2年的年历，%3不在其中：月历中既不显示公历日期，也"
                       "不显示阴历。请选择%1年至%2年之间的年份。")
                .arg(kFirstYear)
                .arg(kLastYear)
                .arg(r.found.empty() ? QStringLiteral("所选的年份")
                                     : Q(r.found) + QStringLiteral("年"));
        case DataProblem::BadRecord:
            return QStringLiteral(
                       "%1年的阴历数据有错：%2。%1年的月历不显示阴历，公历日期照常显示。")
                .arg(year, WhatIsWrong(r));
        case DataProblem::None:
            break;
    }
    return Q(r.message);
}

void ReportDataProblem(QWidget* parent, const DataReport& report) {
    if (!report.ok()) ShowMessage(parent, DataProblemText(report));
}

}  // namespace orlenda
