#include "windows/documentwindow.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <optional>
#include <stdexcept>

#include "core/calendar.h"
#include "core/textconv.h"
#include "graphics/inset.h"
#include "output/imagesave.h"
#include "pictures/picture.h"
#include "windows/messages.h"
#include "windows/windowstyle.h"

namespace orlenda {

namespace {

const ColourTriple kDefaultBackground{128, 255, 128};
const ColourTriple kDefaultDate{0, 0, 0};
const ColourTriple kDefaultGreeting{255, 0, 0};

const QString kRangeMessage = QStringLiteral("取值不得大于255或小于0");
const QString kNotNumberMessage = QStringLiteral("取值必须是0-255间的整洁数");
const QString kNoBackgroundMessage = QStringLiteral("请先选择背景图文件");
const QString kSavedMessage = QStringLiteral("图形已成功保存在");

// Picture1 is 769 x 1000 pixels.
constexpr int kPictureWidth = 11535;
constexpr int kPictureHeight = 15000;

constexpr double kInsetLeft = 6950;
constexpr double kInsetTop = 10800;
constexpr double kInsetSide = 3000;

// Characters no file name may hold here or on the systems the file is sent to.
const QString kRefusedInName = QStringLiteral("\\/:*?\"<>|");

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The component a box's text stands for, rounded as it will be stored (half to even); none
// when the text cannot be a colour component (not a number, negative, beyond 16 bits).
std::optional<std::int16_t> Component(const QString& text) {
    const std::string s = text.toStdString();
    if (!IsNumeric(s)) return std::nullopt;
    try {
        const std::int16_t v = CInt16(Val(s));
        if (v < 0) return std::nullopt;
        return v;
    } catch (const std::overflow_error&) {
        return std::nullopt;
    }
}

}  // namespace

DocumentWindow::DocumentWindow(CalendarDocument& doc, QWidget* parent)
    : QWidget(parent, Qt::Window), doc_(doc) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("创建电子文档"));
    SetBackground(this, RGB(255, 255, 255));
    setFont(WindowFont(QStringLiteral("宋体"), 9));

    auto option = [this](const QString& text, int top) {
        auto* b = new QRadioButton(text, this);
        b->setGeometry(TwipsRect(600, top, 1815, 255));
        return b;
    };
    Option1 = option(QStringLiteral("调制背景色"), 0);
    Option2 = option(QStringLiteral("调制日期字体色"), 240);
    Option3 = option(QStringLiteral("调制祝贺语字体色"), 480);

    auto label = [this](const QString& text, double l, double t, double w, double h) {
        auto* lb = new QLabel(text, this);
        lb->setGeometry(TwipsRect(l, t, w, h));
        return lb;
    };
    Label5 = label(QString(), 270, 15, 300, 195);
    Label6 = label(QString(), 270, 240, 300, 195);
    Label7 = label(QString(), 270, 480, 300, 195);
    Label8 = label(QStringLiteral("调色板取值：0-255"), 3015, 80, 585, 615);
    Label8->setWordWrap(true);
    Label2 = label(QStringLiteral("红色"), 3600, 0, 375, 255);
    Label3 = label(QStringLiteral("绿色"), 3600, 270, 375, 255);
    Label4 = label(QStringLiteral("兰色"), 3600, 525, 375, 255);
    SetBackground(Label2, RGB(255, 0, 0));
    SetBackground(Label3, RGB(128, 255, 128));
    SetColours(Label4, RGB(0, 0, 255), RGB(255, 255, 192));
    Label1 = label(QStringLiteral("图形的文件名："), 6840, 120, 1260, 180);

    const int boxTops[3] = {0, 240, 480};
    for (int i = 0; i < 3; ++i) {
        Text2[i] = new QLineEdit(QStringLiteral("255"), this);
        Text2[i]->setGeometry(TwipsRect(3960, boxTops[i], 495, 270));
        Text2[i]->setToolTip(QStringLiteral("三个文本框数据输好后按回车确认"));
        Text2[i]->installEventFilter(this);
        connect(Text2[i], &QLineEdit::returnPressed, this, [this, i] { Text2_KeyPress(i, 13); });
    }

    Check1 = new QCheckBox(QStringLiteral("使用背景图"), this);
    Check1->setGeometry(TwipsRect(4680, 30, 1215, 255));

    Text1 = new QLineEdit(QStringLiteral("2008年历1"), this);
    Text1->setGeometry(TwipsRect(6840, 360, 1215, 270));

    auto button = [this](const QString& text, double l, double t, double w, double h) {
        return ColouredButton(this, text, TwipsRect(l, t, w, h), RGB(255, 128, 255));
    };
    Command4 = button(QStringLiteral("恢复默认色"), 4680, 340, 1215, 350);
    Command2 = button(QStringLiteral("显示年历"), 8160, 0, 975, 350);
    Command1 = button(QStringLiteral("保存图形"), 8160, 360, 975, 350);
    Command5 = button(QStringLiteral("帮助"), 9720, 240, 615, 350);
    Command3 = button(QStringLiteral("结束"), 10680, 240, 615, 350);
    Command1->setEnabled(false);

    Picture0 = new QWidget(this);
    Picture0->setGeometry(TwipsRect(0, 720, 12000, 7880));
    SetBackground(Picture0, RGB(255, 255, 255));
    Picture1 = new PictureBoxWidget(kPictureWidth, kPictureHeight, RGB(128, 255, 128), Picture0);
    Picture1->move(0, 0);
    VScroll1 = new QScrollBar(Qt::Vertical, Picture0);
    VScroll1->setGeometry(TwipsRect(11640, 0, 375, 7880));
    VScroll1->setRange(0, 7130);
    VScroll1->setSingleStep(20);
    VScroll1->setPageStep(450);
    VScroll1->setValue(0);
    // Tab reaches it, so the picture can be scrolled without a mouse.
    VScroll1->setFocusPolicy(Qt::StrongFocus);
    VScroll1->installEventFilter(this);  // to show that it has the focus
    VScroll1->raise();
    // The boxes of the palette reach a little into the viewport; they stay in front of it.
    Picture0->lower();
    // The wheel over the picture moves the scroll bar, as over any scrolled view.
    Picture0->installEventFilter(this);
    Picture1->installEventFilter(this);

    // The design's viewport and scroll bar reach past its client area (11880 x 8490); the
    // window grows to hold them whole.
    Picture0->resize(std::max(Picture0->width(), VScroll1->geometry().right() + 1),
                     Picture0->height());
    QRect used = QRect(QPoint(0, 0), QSize(Px(11880), Px(8490)));
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) used |= w->geometry();
    setFixedSize(used.size());

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
    connect(Option1, &QRadioButton::toggled, this, [this](bool on) {
        if (on) Option1_Click();
    });
    // Like the control's Click: it runs for every change of the tick, also one made in code.
    connect(Check1, &QCheckBox::toggled, this, [this] { Check1_Click(); });
    connect(VScroll1, &QScrollBar::valueChanged, this, [this] { VScroll1_Change(); });

    SaveFolder = QCoreApplication::applicationDirPath();
    EnterPressesButtons(this);
    Form_Load();
}

void DocumentWindow::Form_Load() {
    BackgroundColour = kDefaultBackground;
    DateColour = kDefaultDate;
    GreetingColour = kDefaultGreeting;
    SetBackground(Label5, BackgroundColour.value());
    SetBackground(Label6, DateColour.value());
    SetBackground(Label7, GreetingColour.value());
}

// ---- drawing ----

void DocumentWindow::Command2_Click() {
    Command1->setEnabled(true);
    Surface& s = picture();
    // Drawing over the last showing would thicken the anti-aliased text and leave a fringe
    // of its old colour; a showing always starts from the bare background.
    Step([&] { s.Cls(); });
    s.FontSize = 20;
    s.FontBold = true;
    s.FontItalic = false;
    s.ForeColor = DateColour.value();
    s.FontName = QStringLiteral("仿宋_GB2312");
    s.CurrentX = 750;
    s.CurrentY = 250;
    Step([&] {
        const QString title =
            QStringLiteral("    ") + Q(DecimalText(doc_.year())) + QStringLiteral("年");
        s.Print(title, true);
    });
    Step([&] { s.PrintEnd(); });
    s.FontItalic = false;
    s.FontUnderline = false;

    for (std::int16_t r = 0; r <= 3; ++r) {
        for (int c = 1; c <= 3; ++c) {
            const std::int16_t month = std::int16_t(3 * r + c);
            const std::int32_t x = 1250 + 3000 * (c - 1);
            const std::int32_t y = 750 + 2400 * r + (r > 0 ? 400 : 0);
            Step([&] { prt_v(month, x, y, r); });
        }
    }
    Step([&] { prnwrd_1(); });
    if (!doc_.inset().isNull()) Step([&] { drawInset(); });
    Picture1->Refresh();
}

void DocumentWindow::prt_v(const std::int16_t& month, const std::int32_t& x, const std::int32_t& y,
                           const std::int16_t& sheetRow) {
    if (month < 1 || month > 12) return;
    Surface& s = picture();
    const CalendarModel& model = doc_.model();
    s.CurrentX = x;
    s.CurrentY = y;
    const std::int32_t left = x;
    const std::int32_t lunarLeft = x + 130;
    s.FontSize = 12;
    s.FontBold = false;

    if (sheetRow == 0) {
        s.FontSize = 9;
        s.CurrentX = x + 70;
        for (int d = 1; d <= 7; ++d) {
            s.FontName = QStringLiteral("宋体");
            Step([&] { s.Print(Q(Format(model.WeekdayNamesCn[d - 1], "@@@")), false); });
        }
        Step([&] { s.PrintEnd(); });
        Step([&] { s.PrintEnd(); });
        s.FontSize = 12;
    }

    s.FontName = QStringLiteral("宋体");
    const QString monthTitle = Q(Format(std::to_string(month), "@@")) + QStringLiteral("月");
    for (int w = 1; w <= 6; ++w) {
        s.CurrentX = left;
        for (int d = 1; d <= 7; ++d) {
            s.FontName = QStringLiteral("宋体");
            s.FontSize = 12;
            if (w == 1 && d == 1) {
                // The title takes the first cell even when day 1 falls on a Monday.
                s.CurrentX = left - 100;
                Step([&] { s.Print(monthTitle, false); });
            } else {
                Step([&] { s.Print(Q(Format(model.DayGrid[month][w][d], "@@@")), false); });
            }
        }
        Step([&] { s.PrintEnd(); });
        s.CurrentX = lunarLeft;
        for (int d = 1; d <= 7; ++d) {
            s.FontSize = 6;
            s.FontName = QStringLiteral("黑体");
            Step([&] { s.Print(Q(Format(model.LunarGrid[month][w][d], "@@@")), false); });
        }
        Step([&] { s.PrintEnd(); });
    }
    Step([&] { s.PrintEnd(); });
}

void DocumentWindow::prnwrd_1() {
    Surface& s = picture();
    s.FontSize = 26;
    s.FontBold = true;
    s.FontName = doc_.greetingFont();
    s.FontItalic = true;
    s.ForeColor = GreetingColour.value();
    const GreetingLines lines = doc_.greetingLines();
    for (const QString& line : lines) {
        s.CurrentX = 650;
        if (!line.isEmpty()) Step([&] { s.Print(line, true); });
    }
}

void DocumentWindow::drawInset() {
    const Crop st = doc_.insetCrop();
    // A crop drawn right-to-left or bottom-to-top is the same rectangle; an empty one
    // leaves no proportion to keep, so there is no inset.
    const auto crop = NormalizedCrop(st.x, st.y, st.width, st.height);
    if (!crop) return;
    const auto box = InsetBox(kInsetLeft, kInsetTop, kInsetSide, *crop);
    const QImage& source = doc_.inset().image;
    picture().PaintPicture(source, box.x, box.y, box.width, box.height, crop->x, crop->y,
                           crop->width, crop->height);
}

// ---- palette ----

void DocumentWindow::Text2_KeyPress(int index, int keyAscii) {
    if (keyAscii != 13 || index < 0 || index > 2) return;
    QLineEdit* box = Text2[index];
    if (!IsNumeric(box->text().toStdString())) box->setText(QStringLiteral("0"));
    // The box where Enter was pressed must hold 0..255 (tested as stored, so 255.4 passes);
    // the other two only something that can be a component, above 255 counting as 255.
    std::int16_t parts[3];
    for (int i = 0; i < 3; ++i) {
        const auto p = Component(Text2[i]->text());
        if (!p || (i == index && *p > 255)) {
            ShowMessage(this, kRangeMessage);
            return;
        }
        parts[i] = *p;
    }
    const ColourTriple c{parts[0], parts[1], parts[2]};
    if (Option1->isChecked()) {
        BackgroundColour = c;
        SetBackground(Label5, c.value());
        Picture1->box().SetBackColor(c.value());
        Picture1->Refresh();
    } else if (Option2->isChecked()) {
        DateColour = c;
        SetBackground(Label6, c.value());
    } else if (Option3->isChecked()) {
        GreetingColour = c;
        SetBackground(Label7, c.value());
    }
}

void DocumentWindow::Text2_LostFocus(int index) {
    if (index < 0 || index > 2) return;
    if (IsNumeric(Text2[index]->text().toStdString())) return;
    ShowMessage(this, kNotNumberMessage);
    Text2[index]->setFocus(Qt::OtherFocusReason);
}

bool DocumentWindow::eventFilter(QObject* watched, QEvent* e) {
    if (watched == VScroll1 && e->type() == QEvent::Paint && VScroll1->hasFocus()) {
        // The style draws no focus on a scroll bar; a dotted frame like the buttons' shows
        // where the keys go.
        VScroll1->event(e);
        QPainter p(VScroll1);
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.drawRect(VScroll1->rect().adjusted(0, 0, -1, -1));
        return true;
    }
    if (e->type() == QEvent::Wheel && (watched == Picture0 || watched == Picture1)) {
        // One notch of the wheel moves the picture by the scroll bar's large change.
        wheelAngle_ += static_cast<QWheelEvent*>(e)->angleDelta().y();
        const int notches = wheelAngle_ / 120;
        wheelAngle_ -= notches * 120;
        if (notches != 0) VScroll1->setValue(VScroll1->value() - notches * VScroll1->pageStep());
        return true;
    }
    if (e->type() == QEvent::FocusOut && !checkingFocus_) {
        // Switching to another window is not leaving the box.
        const auto reason = static_cast<QFocusEvent*>(e)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            for (int i = 0; i < 3; ++i) {
                if (watched == Text2[i]) {
                    // The message box takes the focus too; that is not another leave.
                    checkingFocus_ = true;
                    Text2_LostFocus(i);
                    checkingFocus_ = false;
                }
            }
        }
    }
    return QWidget::eventFilter(watched, e);
}

void DocumentWindow::keyPressEvent(QKeyEvent* e) {
    // Page keys that the focused control leaves alone page through the picture.
    if (e->key() == Qt::Key_PageUp || e->key() == Qt::Key_PageDown) {
        QCoreApplication::sendEvent(VScroll1, e);
        return;
    }
    QWidget::keyPressEvent(e);
}

void DocumentWindow::Command4_Click() {
    BackgroundColour = kDefaultBackground;
    DateColour = kDefaultDate;
    GreetingColour = kDefaultGreeting;
    SetBackground(Label5, RGB(128, 255, 128));
    Picture1->box().SetBackColor(RGB(128, 255, 128));
    Picture1->Refresh();
    SetBackground(Label6, RGB(0, 0, 0));
    SetBackground(Label7, RGB(255, 0, 0));
}

// Selecting the background colour loads no picture: the inset is only ever drawn cropped at
// its own place, and the background picture has its own switch.
void DocumentWindow::Option1_Click() {}

// ---- background, scrolling, saving ----

void DocumentWindow::Check1_Click() {
    const std::string path = doc_.backgroundPath().toStdString();
    if (path.empty() && Check1->isChecked()) {
        Check1->setChecked(false);  // runs this handler again for the unticked state
        ShowMessage(this, kNoBackgroundMessage);
        emit pictureChooserWanted();
    } else if (Check1->isChecked()) {
        QImage background;
        QString error;
        try {
            background = LoadPicture(Q(path));
        } catch (const PictureError& e) {
            error = e.message();
        }
        if (background.isNull()) {
            // The box stays unticked, so the colour option stays usable.
            ShowMessage(this,
                        QStringLiteral("背景图无法使用：") + (error.isEmpty() ? Q(path) : error));
            Check1->setChecked(false);
            return;
        }
        Picture1->box().SetPicture(background);
        // A checked button of an exclusive group can only be cleared with the group lifted.
        Option1->setAutoExclusive(false);
        Option1->setChecked(false);
        Option1->setAutoExclusive(true);
        Option1->setEnabled(false);
        Picture1->Refresh();
    } else {
        Picture1->box().SetPicture(QImage());
        Option1->setEnabled(true);
        Picture1->Refresh();
    }
}

void DocumentWindow::VScroll1_Change() {
    Picture1->move(0, -Px(VScroll1->value()));
    Command2_Click();  // clears the picture first
}

QString DocumentWindow::SaveFileName(const QString& folder, const QString& name) {
    QString path = folder;
    if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
    return path + name + QStringLiteral(".BMP");
}

void DocumentWindow::Command1_Click() {
    const QString name = Text1->text();
    if (name.isEmpty()) {
        ShowMessage(this, QStringLiteral("请先输入图形的文件名"));
        return;
    }
    for (QChar ch : name) {
        if (ch.unicode() < 0x20 || ch.unicode() == 0x7f || kRefusedInName.contains(ch)) {
            ShowMessage(this, QStringLiteral("文件名不能含有以下字符：\\ / : * ? \" < > |"));
            return;
        }
    }
    QString path = SaveFileName(SaveFolder, name);
    // An installed program's folder is not the user's to write: the pictures folder takes
    // its place.
    if (SaveFolder == QCoreApplication::applicationDirPath()) path = WritablePlace(path);
    const QString error =
        SaveImageWhole(Picture1->box().Image().convertToFormat(QImage::Format_RGB888), path, "bmp");
    if (!error.isEmpty()) {
        ShowMessage(this, QStringLiteral("图形未能保存在") + path + QStringLiteral("\n") + error);
        return;
    }
    ShowMessage(this, kSavedMessage + path);
}

void DocumentWindow::Command3_Click() { close(); }

void DocumentWindow::Command5_Click() {
    ShowMessage(
        this,
        QStringLiteral("调色板使用：先选中最左边的单选框，确定是调背景色还是文字色，") +
            QLatin1Char('\r') +
            QStringLiteral(
                "再输入红绿兰三原色的配制数值（0至255），输好后在这三个文本框中的任何一个中按") +
            QLatin1Char('\r') +
            QStringLiteral(
                "回车即可确认并预览；保存图形前必须先《显示年历》；保存的文件为BMP格式，") +
            QLatin1Char('\r') +
            QStringLiteral(
                "文件较大，如网上传送不便，可用Windows附件中的《画图》等工具另存为JPG格式"));
}

}  // namespace orlenda
