// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/pictureboxwidget.h"

#include <QMouseEvent>
#include <QPainter>

namespace orlenda {

// Drawn at the screen's resolution: on a high-resolution screen text and pictures come out
// sharp instead of enlarged.
PictureBoxWidget::PictureBoxWidget(int widthTwips, int heightTwips, Colour back, QWidget* parent)
    : QWidget(parent), box_(widthTwips, heightTwips, back, devicePixelRatioF()) {
    resize(box_.Image().deviceIndependentSize().toSize());
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBoxWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(QPoint(0, 0), box_.Image());
}

void PictureBoxWidget::mousePressEvent(QMouseEvent* e) {
    emit mousePressedTwips(e->button(), e->position().x() * kTwipsPerPixel,
                           e->position().y() * kTwipsPerPixel);
}

}  // namespace orlenda
