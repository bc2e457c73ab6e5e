// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/monthview.h"

#include <QDate>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "core/textconv.h"
#include "graphics/logging.h"
#include "output/imagesave.h"
#include "render/monthrenderer.h"
#include "windows/dropdowncombo.h"
#include "windows/messages.h"
#include "windows/windowstyle.h"

namespace orlenda {

namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }
const QString kSong = QStringLiteral("宋体");

TodayClock& clock() {
    static TodayClock c;
    return c;
}

QDate Today() { return clock() ? clock()() : QDate::currentDate(); }
}  // namespace

TodayClock SetTodayClock(TodayClock c) {
    TodayClock previous = std::move(clock());
    clock() = std::move(c);
    return previous;
}

MonthView::MonthView(CalendarDocument& doc, QWidget* parent)
    : QWidget(parent, Qt::Window), doc_(doc) {
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(Px(7320), Px(5235));
    SetBackground(this, RGB(0, 0, 255));

    monthPicture = new PictureBoxWidget(6255, 4575, RGB(192, 255, 192), this);
    monthPicture->setGeometry(TwipsRect(500, 200, 6255, 4575));
    monthPicture->box().FontName = kSong;
    monthPicture->box().FontSize = 9;

    monthPromptLabel = new QLabel(QStringLiteral("请点击选择月份："), this);
    monthPromptLabel->setGeometry(TwipsRect(1050, 4867, 1920, 240));
    monthPromptLabel->setFont(WindowFont(kSong, 12));
    SetColours(monthPromptLabel, RGB(0, 0, 255), RGB(255, 255, 192));

    monthCombo = new DropDownCombo(this);
    monthCombo->setFont(WindowFont(kSong, 9));
    monthCombo->setGeometry(TwipsRect(3000, 4837, 735, 300));
    for (int i = 1; i <= 12; ++i) monthCombo->addItem(q(NumberText(i)));
    // Adding the first item chose it; the text is today's month with no item chosen.
    monthCombo->setCurrentIndex(-1);
    monthCombo->setEditText(QString::number(Today().month()));

    saveTestButton = new QPushButton(QStringLiteral("Command1"), this);
    saveTestButton->setGeometry(TwipsRect(4440, 4920, 255, 255));

    closeButton = new QPushButton(QStringLiteral("关闭"), this);
    closeButton->setGeometry(TwipsRect(5280, 4800, 1095, 375));
    closeButton->setFont(WindowFont(kSong, 9));
    SetButtonColour(closeButton, RGB(255, 128, 255));
    EnterPressesButtons(this);

    // Picking from the list draws; editing the text (user edits only) checks it first.
    connect(monthCombo, &QComboBox::activated, this, &MonthView::showChosenMonth);
    connect(monthCombo->lineEdit(), &QLineEdit::textEdited, this, &MonthView::monthEdited);
    connect(saveTestButton, &QPushButton::clicked, this, &MonthView::saveTest);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::hide);
    // A year picked since is drawn at once, unless the main window has the view blanked.
    connect(&doc_, &CalendarDocument::modelChanged, this, [this] {
        if (!blank_) showChosenMonth();
    });

    installEventFilter(this);
    for (QWidget* w : findChildren<QWidget*>())
        if (w->window() == this) w->installEventFilter(this);  // not the list popup
    showChosenMonth();
}

void MonthView::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow()) showChosenMonth();
}

bool MonthView::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_PageUp || key == Qt::Key_PageDown) {
            stepMonth(key == Qt::Key_PageUp ? -1 : 1);
            return true;
        }
    } else if (e->type() == QEvent::Wheel) {
        // A notch (120) a month, away from the user back in time; finer wheels add up.
        wheelDelta_ += static_cast<QWheelEvent*>(e)->angleDelta().y();
        const int steps = wheelDelta_ / 120;
        wheelDelta_ -= steps * 120;
        if (steps) stepMonth(-steps);
        return true;
    }
    return QWidget::eventFilter(watched, e);
}

int MonthView::chosenMonth() const {
    const double value = Val(monthCombo->currentText().toStdString());
    return value < 1 || value > 12 ? 0 : int(std::nearbyint(value));  // half to even
}

void MonthView::stepMonth(int steps) {
    int month = std::max(chosenMonth(), 1) + steps, year = doc_.year();
    for (; month > 12; month -= 12) ++year;
    for (; month < 1; month += 12) --year;
    const std::vector<int>& years = doc_.yearList().goodYears;
    if (year != doc_.year() && std::find(years.begin(), years.end(), year) == years.end()) return;
    monthCombo->setCurrentIndex(month - 1);
    doc_.setYear(year);  // the main window follows through yearChanged
    showChosenMonth();
}

void MonthView::monthEdited() {
    if (chosenMonth() == 0) {
        monthCombo->setEditText(QStringLiteral(" 1"));
        // The caret goes before the 1, so a letter typed next is refused as well instead of
        // standing after a month that reads as valid.
        monthCombo->lineEdit()->setCursorPosition(0);
    }
    showChosenMonth();
}

void MonthView::showChosenMonth() {
    const int month = chosenMonth();
    // monthEdited keeps the text within 1 to 12; a month 0 draws the header alone.
    if (month == 0) qCWarning(lcRender) << "month text out of range:" << monthCombo->currentText();
    drawMonth(month);

    const QDate today = Today();
    setWindowTitle(QString::number(doc_.year()) + QStringLiteral("年") + monthCombo->currentText() +
                   QStringLiteral("月份。") + QStringLiteral("〈今天是") +
                   q(NumberText(today.year())) + QStringLiteral("年") +
                   q(NumberText(today.month())) + QStringLiteral("月") +
                   q(NumberText(today.day())) + QStringLiteral("日〉"));
}

void MonthView::drawMonth(int month) {
    const QDate today = Today();
    const bool thisMonth = today.year() == doc_.year() && today.month() == month;
    DrawMonthView(monthPicture->box(), doc_.model(), month, thisMonth ? today.day() : 0);
    monthPicture->Refresh();
    blank_ = false;
}

void MonthView::clearPicture() {
    try {
        monthPicture->box().Cls();
    } catch (const SurfaceError& e) {
        qCWarning(lcRender) << "the month view cannot be cleared:" << e.what();
    }
    monthPicture->Refresh();
    blank_ = true;
}

void MonthView::saveTest() {
    // Success stays silent, unless the current folder cannot be written and the picture goes
    // to the pictures folder instead: then the user is told where it is.
    const QString name = QStringLiteral("TEST.BMP");
    const QString path = WritablePlace(name);
    const QString error = SaveImageWhole(monthPicture->box().NaturalImage(), path, "BMP");
    if (!error.isEmpty())
        ShowMessage(this, QStringLiteral("无法保存 ") + path + QStringLiteral("：") + error);
    else if (path != name)
        ShowMessage(this, QStringLiteral("图形已成功保存在") + path);
}

}  // namespace orlenda
