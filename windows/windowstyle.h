// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Fonts, colours and places of the windows' controls.
#include <QFont>
#include <QRect>
#include <QString>

#include "graphics/units.h"

class QAbstractButton;
class QPushButton;
class QWidget;

namespace orlenda {

// A control's place in its window, given in screen twips.
inline QRect TwipsRect(double left, double top, double width, double height) {
    return QRect(Px(left), Px(top), Px(width), Px(height));
}

// A screen font by face name and points; the face goes through the font map so that the
// Chinese names find an installed face.
QFont WindowFont(const QString& face, double points);

// Fills the widget's background with colour (and, when given, sets its text colour).
void SetBackground(QWidget* w, Colour back);
void SetColours(QWidget* w, Colour back, Colour text);

// A button drawn in its own colour, still looking like a button that can be pressed.
void SetButtonColour(QAbstractButton* b, Colour back);
// A push button with its caption, place and colour.
QPushButton* ColouredButton(QWidget* parent, const QString& caption, QRect r, Colour back);

// Enter on a focused button of the window presses it, as Space does (once its buttons exist).
void EnterPressesButtons(QWidget* window);
// Shows a window modeless, or brings it to the front when it is shown already.
void BringToFront(QWidget* window);

}  // namespace orlenda
