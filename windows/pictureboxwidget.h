// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A picture box control: shows the persistent image of a PictureBox surface.
#include <QWidget>

#include "graphics/surface.h"

namespace orlenda {

class PictureBoxWidget : public QWidget {
    Q_OBJECT
  public:
    PictureBoxWidget(int widthTwips, int heightTwips, Colour back, QWidget* parent = nullptr);
    // The box's image holds devicePixelRatioF() device pixels to a screen pixel; files take
    // box().NaturalImage().
    PictureBox& box() { return box_; }
    // Shows what was drawn (the drawers call it after a drawing).
    void Refresh() { update(); }

  signals:
    void mousePressedTwips(Qt::MouseButton button, double xTwips, double yTwips);

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;

  private:
    PictureBox box_;
};

}  // namespace orlenda
