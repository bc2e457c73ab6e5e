#include "windows/mainwindow.h"

#include <QButtonGroup>
#include <QDate>
#include <QLineEdit>
#include <algorithm>

#include "core/appstate.h"
#include "core/calendar.h"
#include "core/textconv.h"
#include "core/yeardata.h"
#include "document/calendardocument.h"
#include "windows/aboutbox.h"
#include "windows/calendardata.h"
#include "windows/documentwindow.h"
#include "windows/dropdowncombo.h"
#include "windows/greetingeditor.h"
#include "windows/helpwindow.h"
#include "windows/messages.h"
#include "windows/monthview.h"
#include "windows/picturechooser.h"
#include "windows/windowstyle.h"

namespace orlenda {

namespace {
// The month view and the greeting editor, below this layer, reach the main window as a
// MainWindowView: a reference to it makes this window.
[[maybe_unused]] const bool kProvided = (Windows().provide<MainWindowView, Form1>(), true);
constexpr Colour kCyan = RGB(0, 255, 255);
constexpr Colour kOptionBack = RGB(255, 255, 192);

QRadioButton* option(QWidget* parent, const char* caption, QRect r) {
    auto* o = new QRadioButton(QString::fromUtf8(caption), parent);
    o->setGeometry(r);
    SetBackground(o, kOptionBack);
    return o;
}

QString yearText(int year) { return QString::fromStdString(DecimalText(year)); }
}  // namespace

Form1::Form1() {
    setWindowTitle(QStringLiteral("Orlenda1.0版"));
    setFixedSize(Px(4905), Px(4620));
    SetBackground(this, kCyan);
    setFont(WindowFont(QStringLiteral("宋体"), 9));

    Label1 = new QLabel(this);
    Label1->setGeometry(TwipsRect(1200, 240, 735, 375));
    Label2 = new QLabel(QStringLiteral("年"), this);
    Label2->setGeometry(TwipsRect(2040, 240, 375, 375));
    for (QLabel* l : {Label1, Label2}) {
        l->setFont(WindowFont(QStringLiteral("宋体"), 15));
        SetBackground(l, kCyan);
    }

    Combo1 = new DropDownCombo(this);
    Combo1->setGeometry(TwipsRect(2520, 240, 1335, 300));
    Combo1->setEditText(QStringLiteral("请选择年份"));

    Option1 = option(this, "英文", TwipsRect(1440, 960, 735, 255));
    Option2 = option(this, "中文", TwipsRect(1440, 1200, 735, 255));
    Option2->setChecked(true);

    Frame1 = new QFrame(this);
    Frame1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Frame1->setGeometry(TwipsRect(2400, 960, 1335, 735));
    SetBackground(Frame1, RGB(128, 255, 255));
    Option3 = option(Frame1, "黑白打印", TwipsRect(120, 0, 1095, 255));
    Option4 = option(Frame1, "彩色打印", TwipsRect(120, 240, 1095, 255));
    Option3->setChecked(true);
    // Two explicit groups instead of Qt's automatic one per parent, which lets Tab stop only
    // at a group's checked button and skipped the colour options altogether.
    for (auto pair : {std::pair{Option1, Option2}, std::pair{Option3, Option4}}) {
        auto* group = new QButtonGroup(this);
        for (QRadioButton* o : {pair.first, pair.second}) {
            o->setAutoExclusive(false);
            group->addButton(o);
        }
    }

    const Colour orange = RGB(255, 224, 192), pink = RGB(255, 192, 192),
                 violet = RGB(255, 192, 255);
    Command5 =
        ColouredButton(this, QStringLiteral("选择图形"), TwipsRect(1320, 1800, 975, 495), orange);
    Command1 = ColouredButton(this, QStringLiteral("选择祝贺语"), TwipsRect(2400, 1800, 1095, 495),
                              orange);
    Command9 =
        ColouredButton(this, QStringLiteral("屏幕查阅"), TwipsRect(240, 2520, 975, 495), pink);
    Command4 =
        ColouredButton(this, QStringLiteral("A4纸打印"), TwipsRect(1365, 2520, 975, 495), pink);
    Command2 =
        ColouredButton(this, QStringLiteral("A3纸打印"), TwipsRect(2475, 2520, 975, 495), pink);
    Command8 = ColouredButton(this, QStringLiteral("创建电子文档"),
                              TwipsRect(3600, 2520, 1215, 495), pink);
    Command3 =
        ColouredButton(this, QStringLiteral("帮助"), TwipsRect(1080, 3240, 1215, 495), violet);
    Command7 = ColouredButton(this, QStringLiteral("关于本软件"), TwipsRect(2520, 3240, 1095, 495),
                              violet);
    Command6 =
        ColouredButton(this, QStringLiteral("结束"), TwipsRect(1920, 3960, 1095, 495), violet);

    // The design's tab order; labels and the frame take no focus and are left out.
    const QWidget* order[] = {Option2,  Option1,  Command5, Command1, Command4, Command2, Command6,
                              Command3, Command7, Command9, Option3,  Option4,  Combo1,   Command8};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));
    Option2->setFocus();  // the first in the tab order has the focus when the window opens

    // Picking from the list is Click; typing (user edits only) is Change.
    connect(Combo1, &QComboBox::activated, this, [this](int) { Combo1_Click(); });
    connect(Combo1->lineEdit(), &QLineEdit::textEdited, this, [this] { Combo1_Change(); });
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &Form1::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &Form1::Command7_Click);
    connect(Command8, &QPushButton::clicked, this, &Form1::Command8_Click);
    connect(Command9, &QPushButton::clicked, this, &Form1::Command9_Click);
    connect(Option1, &QRadioButton::toggled, this,
            [](bool english) { SharedDocument().setEnglish(english); });
}

Form1::~Form1() {
    delete chooser_;
    delete documentWindow_;
}

void Form1::Form_Load() {
    const int year = QDate::currentDate().year();
    State().SelectedYear = year;
    Command5->setToolTip(QStringLiteral("在图形中点取二点，可打印以这二点为顶点的矩形区域"));
    SetLabel1(yearText(year));
    Combo1->setEditText(yearText(year));

    const YearList list = LoadYearList(DataFilePath());
    for (const std::string& y : ShowableYears(list)) Combo1->addItem(QString::fromStdString(y));
    // The first item added becomes the current one and replaces the typed text; the box
    // keeps showing today's year, with no list item chosen.
    Combo1->setCurrentIndex(-1);
    Combo1->setEditText(yearText(year));
    ReportDataProblem(this, list.report);

    Combo1_Click();
    State().MonthViewDrawn = 0;
    BuildSelectedYear(this);
}

void Form1::Form_Activate() {
    if (State().MainWindowActivated == -1) {
        // Coming back to the main window blanks the month view until it is activated.
        scr& view = Windows().ref<scr>();
        Step([&] { view.Picture1->box().Cls(); });
        view.Picture1->Refresh();
    }
    if (State().MonthViewDrawn == 0) Windows().show<scr>();
    State().MainWindowActivated = -1;
}

void Form1::Combo1_Click() {
    SetLabel1(Combo1->currentText());
    ReadSelectedYearRecord(Label1->text(), this);
}

void Form1::Combo1_Change() {}

void Form1::Label1_Change() {
    State().SelectedYear = Val(Label1->text().toStdString());
    SharedDocument().setYear(int(std::clamp(State().SelectedYear, -1e6, 1e6)));
}

void Form1::SetLabel1(const QString& caption) {
    if (Label1->text() == caption) return;
    Label1->setText(caption);
    Label1_Change();
}

void Form1::Command1_Click() { Windows().show<wrd>(); }

void Form1::Command2_Click() { printYearSheet(kPaperA3); }

void Form1::Command3_Click() { Windows().show<Form2>(); }

void Form1::Command4_Click() { printYearSheet(kPaperA4); }

void Form1::Command5_Click() { showPictureChooser(); }

void Form1::showPictureChooser() {
    if (!chooser_) chooser_ = new PictureChooser(SharedDocument());
    chooser_->show();
    chooser_->raise();
    chooser_->activateWindow();
}

void Form1::Command6_Click() {
    delete chooser_;
    delete documentWindow_;
    Windows().unloadWindow(this);
    Windows().unload<scr>();
    Windows().unload<wrd>();
    Windows().end();
}

void Form1::closeEvent(QCloseEvent* e) {
    e->accept();
    Command6_Click();
}

void Form1::Command7_Click() { ShowAbout(this); }

void Form1::Command8_Click() {
    BuildSelectedYear(this);
    // A window that was closed is hidden until it is gone.
    if (!documentWindow_ || documentWindow_->isHidden()) {
        documentWindow_ = new DocumentWindow(SharedDocument());
        connect(documentWindow_, &DocumentWindow::pictureChooserWanted, this,
                &Form1::showPictureChooser);
    }
    documentWindow_->show();
    documentWindow_->raise();
    documentWindow_->activateWindow();
}

void Form1::Command9_Click() {
    BuildSelectedYear(this);
    Windows().show<scr>();
}

SheetInputs Form1::GatherSheetInputs() {
    SheetInputs in;
    in.english = Option1->isChecked();
    in.colour = Option4->isChecked();
    in.yearCaption = Label1->text();
    wrd& greeting = Windows().ref<wrd>();
    in.greeting = {greeting.Text1->text(), greeting.Text2[0]->text(), greeting.Text2[1]->text(),
                   greeting.Text2[2]->text()};
    in.greetingFont = QString::fromStdString(State().GreetingFontName);
    const CalendarDocument& doc = SharedDocument();
    in.inset = !doc.inset().isNull();
    if (in.inset) in.insetPicture = doc.inset().image;
    in.cropX = doc.insetCrop().x;
    in.cropY = doc.insetCrop().y;
    in.cropWidth = doc.insetCrop().width;
    in.cropHeight = doc.insetCrop().height;
    return in;
}

void Form1::printYearSheet(int paper) {
    BuildSelectedYear(this);
    // The windows keep working while the job is watched, so the program may end meanwhile.
    const QPointer<Form1> self(this);
    const PrintResult result = PrintYearSheetToDefaultPrinter(
        paper, GatherSheetInputs(), Model(), this, paper == kPaperA4 ? &SavedTitleColor : nullptr);
    if (!self) return;
    if (!result.message.isEmpty())
        ShowMessage(this, result.message);
    else if (result.status == PrintResult::Status::SavedAsPdf)
        ShowMessage(this, QStringLiteral("年历已保存为PDF文件：") + result.pdfPath);
}

}  // namespace orlenda
