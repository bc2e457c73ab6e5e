// SPDX-License-Identifier: GPL-3.0-or-later
// The floor of `orlenda sheet`: the least a Qt program does to write one line of Chinese on
// an A4 PDF page (offscreen platform, QPdfWriter).
//
//   floor_pdf OUT.pdf
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int appArgc = 1;
    QGuiApplication app(appArgc, argv);
    QPdfWriter writer(QString::fromLocal8Bit(argv[1]));
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(1200);
    QPainter p(&writer);
    p.setFont(QFont(QStringLiteral("AR PL UMing CN"), 20));
    p.drawText(1200, 2400, QStringLiteral("2008年 一月 正月初一"));
    return p.end() ? 0 : 1;
}
