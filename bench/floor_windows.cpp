// SPDX-License-Identifier: GPL-3.0-or-later
// The floor of the windows' start-up: the least a Qt Widgets program does to show two
// windows, one with a few buttons and labels and one beside it.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget first;
    first.setWindowTitle(QStringLiteral("一"));
    first.setFixedSize(327, 308);
    auto* label = new QLabel(QStringLiteral("2008 年"), &first);
    label->move(80, 16);
    auto* button = new QPushButton(QStringLiteral("结束"), &first);
    button->move(128, 264);
    QObject::connect(button, &QPushButton::clicked, &app, &QApplication::quit);
    QWidget second;
    second.setWindowTitle(QStringLiteral("二"));
    second.setFixedSize(417, 305);
    second.move(360, 0);
    first.show();
    second.show();
    return app.exec();
}
