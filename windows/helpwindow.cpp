// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/helpwindow.h"

#include <QFontMetricsF>
#include <QScrollBar>
#include <QStringList>
#include <QTextDocument>
#include <algorithm>
#include <cmath>

#include "windows/windowstyle.h"

namespace orlenda {

QString HelpWindow::UsageText(const YearList& years) {
    const std::vector<int>& held = years.goodYears;
    const QString range = held.empty() ? QStringLiteral("  提供的数据都无法读取。")
                                       : QStringLiteral("  提供了 %1-%2年的数据。")
                                             .arg(*std::min_element(held.begin(), held.end()))
                                             .arg(*std::max_element(held.begin(), held.end()));
    const QStringList lines = {
        QStringLiteral("Orlenda1.0版使用说明"),
        QStringLiteral("  程序启动后出现二个窗口，右下方窗口在前面，为当月月历，"),
        QStringLiteral("也可查阅其他月份。主窗口（左上方窗口）在后面，可用鼠标"),
        QStringLiteral("点击调到前面，主窗口用法如下："),
        QStringLiteral("1:点击下拉式组合框的三角形箭头，可从列表中选择年份。"),
        QStringLiteral("2:点击\"屏幕查阅\"后可以查阅指定年份各月的月历。"),
        QStringLiteral("3:点击\"选择祝贺语\"后可输入合适的贺词。"),
        QStringLiteral("4:点击\"选择图形\"后可以选择打印的图形,允许选择局部打印，"),
        QStringLiteral("  可在图形窗口先点击欲截取图形的左上角，再点击欲截取图形"),
        QStringLiteral("  的右下角即可。"),
        QStringLiteral("5:各年份的阴历特征数据贮存在文本文件china.txt中，目前已"),
        range,
        QStringLiteral("  用户可自己添加新的年份，注意如下："),
        QStringLiteral("  * 每行为一个年份的数据，从2000年开始，按顺序排列,不得"),
        QStringLiteral("   插入空行"),
        QStringLiteral("  * 每行中的各数据项之间用一个空格隔开，各数据项所代表的"),
        QStringLiteral("   实际意义如下(以2001年为例)："),
        QStringLiteral("    # 2001：该行代表的年份。"),
        QStringLiteral("    # 1:元旦这天的阴历月份，如为11月取0，12月取1。"),
        QStringLiteral("    # 07:元旦这天的阴历日期。"),
        QStringLiteral("    # 04:阴历闰月，如闰四月取04，无闰月可任取一大于13的数。"),
        QStringLiteral("    # 以下14个数据项（30或29）:各阴历月的天数，大月取30，"),
        QStringLiteral("      小月取29。（不论元旦这天的阴历月份是11月或12月，"),
        QStringLiteral("      均从上一年的阴历11月开始列出。如有阴历闰月，则14个数"),
        QStringLiteral("    据项为上年的11、12月及今年的1至11月。）"),
        QStringLiteral("  * 每行结束后立即按回车换行，不得插入多余的空格。"),
        QStringLiteral("2007年新增：#china.txt文件中每一行的最后一项取值5或4，表示"),
        QStringLiteral(" 该年份的清明节为4月5日或4月4日。"),
        QStringLiteral(" 同时新增“创建电子文档”，允许用户自行选择背景图、插图、并"),
        QStringLiteral("可自已调配色彩。背景图大小以 770X1000象素点正好能覆盖，超出 "),
        QStringLiteral("部份被自动截去（保留左上角）      2007/11/15"),
    };
    QString text;
    for (const QString& line : lines) text += line + QStringLiteral("\r\n");
    return text;
}

HelpWindow::HelpWindow(const YearList& years, QWidget* parent) : QWidget(parent, Qt::Window) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Orlenda"));
    setFixedSize(Px(6255), Px(6645));
    SetBackground(this, RGB(128, 255, 128));

    usageBox = new QPlainTextEdit(this);
    usageBox->setGeometry(TwipsRect(480, 0, 5655, 6135));
    usageBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    usageBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    usageBox->setReadOnly(true);
    // Read with the keyboard too: the cursor moves, the text stays.
    usageBox->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // Half-width blanks indent the lines, so the face must keep Latin at half width.
    usageBox->setFont(WindowFont(QStringLiteral("宋体"), 9));
    const QString text = UsageText(years);
    usageBox->setPlainText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    // The lines were laid out for this box; where the stand-in face, the margins and the
    // scroll bar leave less room, the box and the window widen so that no line wraps.
    const QFontMetricsF m(usageBox->font());
    double longest = 0;
    for (QString line : text.split(QStringLiteral("\r\n"))) {
        while (line.endsWith(QLatin1Char(' '))) line.chop(1);  // blanks may hang at the edge
        longest = std::max(longest, m.horizontalAdvance(line));
    }
    const int needed = int(std::ceil(longest + 2 * usageBox->document()->documentMargin() +
                                     2 * usageBox->frameWidth() +
                                     usageBox->verticalScrollBar()->sizeHint().width() + 2));
    if (needed > usageBox->width()) {
        usageBox->resize(needed, usageBox->height());
        setFixedWidth(std::max(width(), usageBox->geometry().right() + 1 + Px(120)));
    }

    closeButton = new QPushButton(QStringLiteral("关闭"), this);
    closeButton->setGeometry(TwipsRect(2640, 6240, 855, 375));
    closeButton->setFont(WindowFont(QStringLiteral("宋体"), 9));
    EnterPressesButtons(this);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::hide);
}

}  // namespace orlenda
