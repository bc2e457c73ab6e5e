// SPDX-License-Identifier: GPL-3.0-or-later
// The floor of `orlenda edoc`: the least a Qt program does to draw one line of Chinese on a
// 770 x 1000 picture and write it as BMP (offscreen platform).
//
//   floor_bmp OUT.bmp
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int appArgc = 1;
    QGuiApplication app(appArgc, argv);
    QImage image(770, 1000, QImage::Format_RGB32);
    image.fill(QColor(128, 255, 128));
    {
        QPainter p(&image);
        p.setFont(QFont(QStringLiteral("AR PL UMing CN"), 20));
        p.drawText(40, 80, QStringLiteral("2008年 一月 正月初一"));
    }
    QImageWriter writer(QString::fromLocal8Bit(argv[1]), "bmp");
    return writer.write(image) ? 0 : 1;
}
