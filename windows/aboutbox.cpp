// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/aboutbox.h"

#include <QStringList>

#include "windows/messages.h"

namespace orlenda {

QString AboutText() {
    const QStringList lines = {
        QStringLiteral("欢迎对本软件提出改进意见"),
        QStringLiteral("Orlenda 是设计中国年历的桌面程序：屏幕查阅月历，"),
        QStringLiteral("在 A3 或 A4 纸上打印年历，创建电子文档。"),
        QStringLiteral("发现问题或有改进建议，请记下所用年份、操作步骤和看到的结果，"),
        QStringLiteral("告诉向你提供本软件的人。"),
        QStringLiteral("最后修改日期： 2007/11/16"),
    };
    return lines.join(QStringLiteral("\r\n"));
}

void ShowAbout(QWidget* parent) { ShowMessage(parent, AboutText()); }

}  // namespace orlenda
