#include "windows/monthview.h"

#include <QDate>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>

#include "core/appstate.h"
#include "core/calendar.h"
#include "core/textconv.h"
#include "render/monthrenderer.h"
#include "output/imagesave.h"
#include "windows/calendardata.h"
#include "windows/dropdowncombo.h"
#include "windows/mainwindowview.h"
#include "windows/messages.h"
#include "windows/windowstyle.h"

namespace orlenda {

namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }
const QString kSong = QStringLiteral("宋体");
}  // namespace

scr::scr() {
    setFixedSize(Px(7320), Px(5235));
    SetBackground(this, RGB(0, 0, 255));

    Picture1 = new PictureBoxWidget(6255, 4575, RGB(192, 255, 192), this);
    Picture1->setGeometry(TwipsRect(500, 200, 6255, 4575));
    Picture1->box().FontName = kSong;
    Picture1->box().FontSize = 9;

    Label2 = new QLabel(QStringLiteral("请点击选择月份："), this);
    Label2->setGeometry(TwipsRect(1050, 4867, 1920, 240));
    Label2->setFont(WindowFont(kSong, 12));
    SetColours(Label2, RGB(0, 0, 255), RGB(255, 255, 192));

    Combo1 = new DropDownCombo(this);
    Combo1->setFont(WindowFont(kSong, 9));
    Combo1->setGeometry(TwipsRect(3000, 4837, 735, 300));
    Combo1->setEditText(QStringLiteral("1"));

    Command1 = new QPushButton(QStringLiteral("Command1"), this);
    Command1->setGeometry(TwipsRect(4440, 4920, 255, 255));

    Command2 = new QPushButton(QStringLiteral("关闭"), this);
    Command2->setGeometry(TwipsRect(5280, 4800, 1095, 375));
    Command2->setFont(WindowFont(kSong, 9));
    SetButtonColour(Command2, RGB(255, 128, 255));

    // Picking from the list is Click; editing the text (user edits only) is Change.
    connect(Combo1, &QComboBox::activated, this, [this](int) { Combo1_Click(); });
    connect(Combo1->lineEdit(), &QLineEdit::textEdited, this, [this] { Combo1_Change(); });
    connect(Command1, &QPushButton::clicked, this, &scr::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &scr::Command2_Click);
}

void scr::Form_Load() {
    // Below and right of the main window, which stays visible behind with its buttons
    // uncovered where the screen has room.
    if (MainWindowView* main = Windows().find<MainWindowView>(); main && main->isVisible()) {
        QPoint at(main->geometry().right() + 12, main->frameGeometry().top() + main->height() / 2);
        if (QScreen* screen = main->screen()) {
            const QRect area = screen->availableGeometry();
            at.setX(std::max(area.left(), std::min(at.x(), area.right() - width())));
            at.setY(std::max(area.top(), std::min(at.y(), area.bottom() - height() - 30)));
        }
        move(at);
    }

    for (int i = 1; i <= 12; ++i) Combo1->addItem(q(NumberText(i)));
    // Adding the first item chose it; the text is today's month with no item chosen.
    Combo1->setCurrentIndex(-1);
    Combo1->setEditText(q(DecimalText(QDate::currentDate().month())));
    Combo1_Click();
}

void scr::Form_Activate() { Combo1_Click(); }

void scr::Combo1_Change() {
    const double value = Val(Combo1->currentText().toStdString());
    if (value < 1 || value > 12) {
        Combo1->setEditText(QStringLiteral(" 1"));
        // The caret goes before the 1, so a letter typed next is refused as well instead of
        // standing after a month that reads as valid.
        Combo1->lineEdit()->setCursorPosition(0);
    }
    Combo1_Click();
}

void scr::Combo1_Click() {
    Picture1->box().CurrentY = 0;
    Picture1->Refresh();

    // A year picked in the main window since the model was built must not be named in the
    // caption over the earlier year's days.
    if (Model().year != State().SelectedYear) BuildSelectedYear(this);

    std::int16_t month = 0;
    try {
        month = CInt16(Val(Combo1->currentText().toStdString()));
    } catch (const std::exception&) {
        // Combo1_Change keeps the text within 1 to 12; a month 0 draws only the header.
    }
    prts(month);
    State().MonthViewDrawn = 1;

    const QDate today = QDate::currentDate();
    setWindowTitle(Windows().ref<MainWindowView>().yearCaption() + QStringLiteral("年") +
                   Combo1->currentText() + QStringLiteral("月份。") + QStringLiteral("〈今天是") +
                   q(NumberText(today.year())) + QStringLiteral("年") +
                   q(NumberText(today.month())) + QStringLiteral("月") +
                   q(NumberText(today.day())) + QStringLiteral("日〉"));
}

void scr::prts(const std::int16_t& month) {
    DrawMonthView(Picture1->box(), Model(), month);
    Picture1->Refresh();
}

void scr::Command1_Click() {
    // Success stays silent, unless the current folder cannot be written and the picture goes
    // to the pictures folder instead: then the user is told where it is.
    const QString name = QStringLiteral("TEST.BMP");
    const QString path = WritablePlace(name);
    const QString error = SaveImageWhole(Picture1->box().Image(), path, "BMP");
    if (!error.isEmpty())
        ShowMessage(this, QStringLiteral("无法保存 ") + path + QStringLiteral("：") + error);
    else if (path != name)
        ShowMessage(this, QStringLiteral("图形已成功保存在") + path);
}

void scr::Command2_Click() { hide(); }

}  // namespace orlenda
