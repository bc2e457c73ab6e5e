// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A photograph-like 6000 x 4000 picture for the benchmarks: gradients and many soft shapes,
// which a JPEG encoder cannot shrink to nothing.
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

namespace orlenda::bench {

inline QImage PhotoLikePicture() {
    QImage image(6000, 4000, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, 6000, 4000);
    g.setColorAt(0, QColor(30, 80, 160));
    g.setColorAt(1, QColor(220, 170, 60));
    p.fillRect(image.rect(), g);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 3000; ++i) {
        p.setPen(QColor::fromHsv(i % 360, 160, 200));
        p.setBrush(QColor::fromHsv((i * 7) % 360, 120, 230, 90));
        p.drawEllipse((i * 37) % 6000, (i * 91) % 4000, 40 + i % 300, 30 + i % 200);
    }
    p.end();
    return image;
}

}  // namespace orlenda::bench
