// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/windowstyle.h"

#include <QAbstractButton>
#include <QPalette>
#include <QPushButton>
#include <QWidget>

#include "graphics/fontmap.h"

namespace orlenda {

QFont WindowFont(const QString& face, double points) {
    QFont f(ResolveFontFamily(face));
    f.setPointSizeF(points);
    return f;
}

void SetBackground(QWidget* w, Colour back) {
    QPalette p = w->palette();
    // Buttons (option buttons, check boxes) fill with their button colour, not the window's.
    p.setColor(QPalette::Window, ToQColor(back));
    p.setColor(w->backgroundRole(), ToQColor(back));
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

void SetColours(QWidget* w, Colour back, Colour text) {
    SetBackground(w, back);
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, ToQColor(text));
    p.setColor(w->foregroundRole(), ToQColor(text));
    w->setPalette(p);
}

void SetButtonColour(QAbstractButton* b, Colour back) {
    // Styles draw push buttons in their own palette, so only a style sheet makes the
    // colour show everywhere; the outset border keeps the raised look.
    const QString c = ToQColor(back).name();
    b->setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; color: black;"
                       " border: 2px outset %1; padding: 1px; }"
                       "QPushButton:pressed { border-style: inset; }"
                       "QPushButton:disabled { color: #808080; }"
                       "QPushButton:focus { outline: none; border: 2px dotted black; }")
            .arg(c));
}

QPushButton* ColouredButton(QWidget* parent, const QString& caption, QRect r, Colour back) {
    auto* b = new QPushButton(caption, parent);
    b->setGeometry(r);
    SetButtonColour(b, back);
    return b;
}

void EnterPressesButtons(QWidget* window) {
    for (QPushButton* b : window->findChildren<QPushButton*>()) b->setAutoDefault(true);
}

void BringToFront(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace orlenda
