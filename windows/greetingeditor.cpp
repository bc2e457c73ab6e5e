#include "windows/greetingeditor.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QKeyEvent>

#include "core/appstate.h"
#include "document/calendardocument.h"
#include "graphics/fontmap.h"
#include "windows/mainwindowview.h"
#include "windows/windowstyle.h"

namespace orlenda {

namespace {
constexpr Colour kWindowBack = RGB(192, 192, 255);
constexpr Colour kButtonBack = RGB(255, 192, 255);
const QString kXingkai = QStringLiteral("华文行楷");
const QString kSong = QStringLiteral("宋体");

QLineEdit* line(QWidget* parent, const QString& face, double points, QRect r) {
    auto* t = new QLineEdit(parent);
    QFont f = WindowFont(face, points);
    f.setItalic(true);
    t->setFont(f);
    t->setGeometry(r);
    return t;
}

}  // namespace

QString ProposedGreetingFont(const QStringList& screenFonts) {
    if (screenFonts.contains(kXingkai, Qt::CaseSensitive)) return kXingkai;
    // Without the face itself, a stand-in from the font map draws the greeting just as the
    // printers will; the fallback that stands for any missing face does not count.
    if (FontCandidates(kXingkai).contains(ResolveFontFamily(kXingkai))) return kXingkai;
    return kSong;
}

wrd::wrd() {
    setWindowTitle(QStringLiteral("编写祝贺语"));
    setFixedSize(Px(5730), Px(3615));
    SetBackground(this, kWindowBack);
    setFont(WindowFont(kSong, 9));

    Label1 = new QLabel(QStringLiteral("每行最多字符数：A3纸-42；A4-22个；电子文档-22个"), this);
    Label1->setGeometry(TwipsRect(0, 50, 6135, 255));
    Label1->setFont(WindowFont(kSong, 10.5));
    SetColours(Label1, kWindowBack, RGB(0, 0, 0));

    Text1 = line(this, QStringLiteral("楷体_GB2312"), 15.75, TwipsRect(0, 420, 4335, 435));
    Text2[0] = line(this, kSong, 15.75, TwipsRect(0, 960, 4335, 495));
    Text2[1] = line(this, kSong, 15.75, TwipsRect(0, 1560, 4335, 495));
    Text2[2] = line(this, kSong, 14.25, TwipsRect(0, 2160, 4335, 495));
    Text2[2]->setText(QStringLiteral("  "));

    Combo1 = new QComboBox(this);
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    const QRect box = TwipsRect(4440, 360, 1335, 2700);
    const int fieldHeight = Combo1->sizeHint().height();
    Combo1->setGeometry(box.x(), box.y(), box.width(), fieldHeight);
    Combo1->setEditText(kSong);
    Combo1List = new QListView(this);
    Combo1List->setModel(Combo1->model());
    Combo1List->setGeometry(box.x(), box.y() + fieldHeight, box.width(),
                            box.height() - fieldHeight);
    Combo1List->setFocusPolicy(Qt::NoFocus);  // the tab order reaches the font box once

    Label2 = new QLabel(QStringLiteral("请选择字体"), this);
    Label2->setGeometry(TwipsRect(4680, 3120, 900, 180));
    SetBackground(Label2, kWindowBack);

    Command1 =
        ColouredButton(this, QStringLiteral("确定"), TwipsRect(3240, 3000, 855, 375), kButtonBack);
    Command2 = ColouredButton(this, QStringLiteral("清除重输"), TwipsRect(360, 3000, 1095, 375),
                              kButtonBack);
    Command3 =
        ColouredButton(this, QStringLiteral("取消"), TwipsRect(1920, 3000, 855, 375), kButtonBack);

    const QWidget* order[] = {Text1,    Text2[0], Text2[1], Text2[2],
                              Command1, Command2, Command3, Combo1};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));

    // Picking a font (from the open list or the drop-down) is Click; typing is not.
    connect(Combo1, &QComboBox::activated, this, [this](int) { Combo1_Click(); });
    // Keys in the box move the list's highlight along with the face.
    connect(Combo1, &QComboBox::currentIndexChanged, this,
            [this](int row) { Combo1List->setCurrentIndex(Combo1->model()->index(row, 0)); });
    connect(Combo1List, &QListView::clicked, this, [this](const QModelIndex& i) {
        Combo1->setCurrentIndex(i.row());
        Combo1_Click();
    });
    connect(Command1, &QPushButton::clicked, this, &wrd::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &wrd::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &wrd::Command3_Click);

    for (QLineEdit* t : lines())
        connect(t, &QLineEdit::textChanged, this, [this] {
            SharedDocument().setGreetingLines(
                {Text1->text(), Text2[0]->text(), Text2[1]->text(), Text2[2]->text()});
        });
    // Key preview: the window sees each key before the control that has the focus.
    for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
}

void wrd::Form_Load() {
    const bool chinese = Windows().ref<MainWindowView>().chineseSelected();
    if (chinese) {
        Text1->setText(QStringLiteral("亲爱的朋友："));
        Text2[0]->setText(QStringLiteral("祝你新年快乐！"));
        Text2[1]->setText(QStringLiteral(" 万事如意！"));
        Text2[2]->setText(QStringLiteral("   你的朋友"));
    } else {
        Text1->setText(QStringLiteral("Dear"));
        Text2[0]->setText(QStringLiteral("Happy new year！"));
        Text2[1]->setText(QString());
        Text2[2]->setText(QStringLiteral("  Sincerely"));
    }

    const QStringList fonts = QFontDatabase::families();
    Combo1->addItems(fonts);
    // Adding items picks the first one; the box shows the proposal with nothing picked.
    Combo1->setCurrentIndex(-1);
    Combo1->setEditText(ProposedGreetingFont(fonts));
    setLinesFace(Combo1->currentText());
}

void wrd::Form_Unload() { SharedDocument().resetGreeting(); }

void wrd::Form_KeyPress(int& KeyAscii) {
    if (KeyAscii != 13) return;
    // Enter moves on like Tab: a Tab queued to the window, the Enter itself dropped.
    QCoreApplication::postEvent(this, new QKeyEvent(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier));
    KeyAscii = 0;
}

bool wrd::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        const auto* k = static_cast<QKeyEvent*>(e);
        int keyAscii = 0;
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)
            keyAscii = 13;
        else if (!k->text().isEmpty())
            keyAscii = k->text().at(0).unicode();
        if (keyAscii != 0) {
            Form_KeyPress(keyAscii);
            if (keyAscii == 0) return true;
        }
    }
    return Form::eventFilter(watched, e);
}

void wrd::setLinesFace(const QString& face) {
    const QString family = ResolveFontFamily(face);
    for (QLineEdit* t : lines()) {
        QFont f = t->font();
        f.setFamily(family);
        t->setFont(f);
    }
}

void wrd::Combo1_Click() { setLinesFace(Combo1->currentText()); }

void wrd::Command1_Click() {
    State().GreetingFontName = Combo1->currentText().toStdString();
    SharedDocument().setGreetingFont(Combo1->currentText());
    Windows().hide<wrd>();
}

void wrd::Command2_Click() {
    for (QLineEdit* t : lines()) t->clear();
}

void wrd::Command3_Click() {
    for (QLineEdit* t : lines()) t->clear();
    Windows().unload<wrd>();
}

}  // namespace orlenda
