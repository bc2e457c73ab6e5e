// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/mainwindow.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QScreen>
#include <algorithm>

#include "printing/sheetpreview.h"
#include "windows/aboutbox.h"
#include "windows/documentwindow.h"
#include "windows/dropdowncombo.h"
#include "windows/greetingeditor.h"
#include "windows/helpwindow.h"
#include "windows/messages.h"
#include "windows/monthview.h"
#include "windows/picturechooser.h"
#include "windows/rememberedchoices.h"
#include "windows/windowstyle.h"

namespace orlenda {

namespace {
constexpr Colour kCyan = RGB(0, 255, 255);
constexpr Colour kOptionBack = RGB(255, 255, 192);

QRadioButton* option(QWidget* parent, const char* caption, QRect r) {
    auto* o = new QRadioButton(QString::fromUtf8(caption), parent);
    o->setGeometry(r);
    SetBackground(o, kOptionBack);
    return o;
}

// True when the window behind p must be made (again): never made, or closed, including a
// window closed a moment ago and still waiting for its deletion.
template <class W>
bool Gone(QPointer<W>& p) {
    if (p) QCoreApplication::sendPostedEvents(p, QEvent::DeferredDelete);
    return !p;
}
}  // namespace

MainWindow::MainWindow(CalendarDocument& doc, RememberedChoices* remembered)
    : doc_(doc), remembered_(remembered) {
    setWindowTitle(QStringLiteral("Orlenda1.0版"));
    setFixedSize(Px(4905), Px(4620));
    SetBackground(this, kCyan);
    setFont(WindowFont(QStringLiteral("宋体"), 9));

    yearLabel = new QLabel(QString::number(doc_.year()), this);
    yearLabel->setGeometry(TwipsRect(1200, 240, 735, 375));
    yearSuffixLabel = new QLabel(QStringLiteral("年"), this);
    yearSuffixLabel->setGeometry(TwipsRect(2040, 240, 375, 375));
    for (QLabel* l : {yearLabel, yearSuffixLabel}) {
        l->setFont(WindowFont(QStringLiteral("宋体"), 15));
        SetBackground(l, kCyan);
    }

    yearCombo = new DropDownCombo(this);
    yearCombo->setGeometry(TwipsRect(2520, 240, 1335, 300));
    for (int year : doc_.yearList().goodYears) yearCombo->addItem(QString::number(year), year);
    // The first item added became the current one; the box shows the year, nothing picked.
    yearCombo->setCurrentIndex(-1);
    yearCombo->setEditText(QString::number(doc_.year()));

    englishRadio = option(this, "英文", TwipsRect(1440, 960, 735, 255));
    chineseRadio = option(this, "中文", TwipsRect(1440, 1200, 735, 255));
    (doc_.english() ? englishRadio : chineseRadio)->setChecked(true);

    colourFrame = new QFrame(this);
    colourFrame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    colourFrame->setGeometry(TwipsRect(2400, 960, 1335, 735));
    SetBackground(colourFrame, RGB(128, 255, 255));
    monoRadio = option(colourFrame, "黑白打印", TwipsRect(120, 0, 1095, 255));
    colourRadio = option(colourFrame, "彩色打印", TwipsRect(120, 240, 1095, 255));
    (doc_.colour() ? colourRadio : monoRadio)->setChecked(true);
    // Two explicit groups instead of Qt's automatic one per parent, which lets Tab stop only
    // at a group's checked button and skipped the colour options altogether.
    for (auto pair : {std::pair{englishRadio, chineseRadio}, std::pair{monoRadio, colourRadio}}) {
        auto* group = new QButtonGroup(this);
        for (QRadioButton* o : {pair.first, pair.second}) {
            o->setAutoExclusive(false);
            group->addButton(o);
        }
    }

    const Colour orange = RGB(255, 224, 192), pink = RGB(255, 192, 192),
                 violet = RGB(255, 192, 255);
    choosePictureButton =
        ColouredButton(this, QStringLiteral("选择图形"), TwipsRect(1320, 1800, 975, 495), orange);
    choosePictureButton->setToolTip(
        QStringLiteral("在图形中点取二点，可打印以这二点为顶点的矩形区域"));
    chooseGreetingButton = ColouredButton(this, QStringLiteral("选择祝贺语"),
                                          TwipsRect(2400, 1800, 1095, 495), orange);
    monthViewButton =
        ColouredButton(this, QStringLiteral("屏幕查阅"), TwipsRect(240, 2520, 975, 495), pink);
    printA4Button =
        ColouredButton(this, QStringLiteral("A4纸打印"), TwipsRect(1365, 2520, 975, 495), pink);
    printA3Button =
        ColouredButton(this, QStringLiteral("A3纸打印"), TwipsRect(2475, 2520, 975, 495), pink);
    documentButton = ColouredButton(this, QStringLiteral("创建电子文档"),
                                    TwipsRect(3600, 2520, 1215, 495), pink);
    helpButton =
        ColouredButton(this, QStringLiteral("帮助"), TwipsRect(1080, 3240, 1215, 495), violet);
    aboutButton = ColouredButton(this, QStringLiteral("关于本软件"),
                                 TwipsRect(2520, 3240, 1095, 495), violet);
    endButton =
        ColouredButton(this, QStringLiteral("结束"), TwipsRect(1920, 3960, 1095, 495), violet);
    EnterPressesButtons(this);

    // The design's tab order; labels and the frame take no focus and are left out.
    QWidget* const order[] = {
        chineseRadio,  englishRadio, choosePictureButton, chooseGreetingButton, printA4Button,
        printA3Button, endButton,    helpButton,          aboutButton,          monthViewButton,
        monoRadio,     colourRadio,  yearCombo,           documentButton};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
    chineseRadio->setFocus();  // the first in the tab order has the focus when the window opens

    // Only a pick from the list changes the year; typed text stays text.
    connect(yearCombo, &QComboBox::activated, this, &MainWindow::pickYear);
    connect(englishRadio, &QRadioButton::toggled, &doc_, &CalendarDocument::setEnglish);
    connect(colourRadio, &QRadioButton::toggled, &doc_, &CalendarDocument::setColour);
    connect(choosePictureButton, &QPushButton::clicked, this, &MainWindow::choosePicture);
    connect(chooseGreetingButton, &QPushButton::clicked, this, &MainWindow::chooseGreeting);
    connect(monthViewButton, &QPushButton::clicked, this, &MainWindow::showMonthView);
    connect(printA4Button, &QPushButton::clicked, this, &MainWindow::printA4);
    connect(printA3Button, &QPushButton::clicked, this, &MainWindow::printA3);
    connect(documentButton, &QPushButton::clicked, this, &MainWindow::createDocument);
    connect(helpButton, &QPushButton::clicked, this, &MainWindow::showHelp);
    connect(aboutButton, &QPushButton::clicked, this, &MainWindow::showAbout);
    connect(endButton, &QPushButton::clicked, this, &MainWindow::endProgram);
    connect(&doc_, &CalendarDocument::yearChanged, this, [this](int year) {
        yearLabel->setText(QString::number(year));
        // A year stepped to in the month view shows in the year box too.
        yearCombo->setCurrentIndex(yearCombo->findData(year));
        yearCombo->setEditText(QString::number(year));
    });

    // What the document met before this window listened; later problems come as signals
    // (the document tells each distinct one once).
    const DataReport& listReport = doc_.yearList().report;
    ReportDataProblem(this, listReport);
    if (doc_.dataReport().message != listReport.message) ReportDataProblem(this, doc_.dataReport());
    connect(&doc_, &CalendarDocument::dataProblem, this, &MainWindow::tellDataProblem);
}

MainWindow::~MainWindow() { closeOtherWindows(); }

void MainWindow::pickYear(int index) {
    if (index < 0) return;
    doc_.setYear(yearCombo->itemData(index).toInt());
}

void MainWindow::tellDataProblem(const DataReport& report) { ReportDataProblem(this, report); }

void MainWindow::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() != QEvent::ActivationChange || !isActiveWindow()) return;
    if (activatedBefore_) {
        // Coming back to the main window blanks the month view until it is activated.
        if (monthView_) monthView_->clearPicture();
        return;
    }
    // The first activation brings the month view up in front of the main window.
    activatedBefore_ = true;
    showMonthView();
}

void MainWindow::placeBeside(QWidget* w) const {
    if (!isVisible()) return;
    QPoint at(geometry().right() + 12, frameGeometry().top() + height() / 2);
    if (const QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        at.setX(std::max(area.left(), std::min(at.x(), area.right() - w->width())));
        at.setY(std::max(area.top(), std::min(at.y(), area.bottom() - w->height() - 30)));
    }
    w->move(at);
}

void MainWindow::keepPlace(QWidget* w, const char* name) {
    if (remembered_) remembered_->keepPlace(w, QString::fromLatin1(name));
}

void MainWindow::showMonthView() {
    if (Gone(monthView_)) {
        placeBeside(monthView_ = new MonthView(doc_));
        keepPlace(monthView_, "monthView");
    }
    BringToFront(monthView_);
}

void MainWindow::chooseGreeting() {
    if (Gone(greetingEditor_))
        keepPlace(greetingEditor_ = new GreetingEditor(doc_), "greetingEditor");
    BringToFront(greetingEditor_);
}

void MainWindow::choosePicture() {
    if (Gone(pictureChooser_)) {
        pictureChooser_ = new PictureChooser(doc_);
        if (remembered_) remembered_->keepChooser(pictureChooser_);
    }
    BringToFront(pictureChooser_);
}

void MainWindow::createDocument() {
    if (Gone(documentWindow_)) {
        // Placed by us, whole on the screen: beside the others it often does not fit.
        placeBeside(documentWindow_ = new DocumentWindow(doc_));
        keepPlace(documentWindow_, "document");
        connect(documentWindow_, &DocumentWindow::pictureChooserWanted, this,
                &MainWindow::choosePicture);
    }
    BringToFront(documentWindow_);
}

void MainWindow::showHelp() {
    if (Gone(helpWindow_)) helpWindow_ = new HelpWindow(doc_.yearList());
    BringToFront(helpWindow_);
}

void MainWindow::showAbout() { ShowAbout(this); }

void MainWindow::printA4() { printYearSheet(kPaperA4); }

void MainWindow::printA3() { printYearSheet(kPaperA3); }

void MainWindow::printYearSheet(int paper) {
    // One sheet at a time: the print buttons wait while it is previewed and its job watched.
    QPushButton* const buttons[] = {printA4Button, printA3Button};
    QWidget* const focused = QApplication::focusWidget();
    for (QPushButton* b : buttons) b->setEnabled(false);
    sheetPreview_ = new SheetPreview(paper, doc_, this);
    // Qt centres a dialog on its parent: this one is taller, and would cover the main window.
    placeBeside(sheetPreview_);
    const QPointer<SheetPreview> preview = sheetPreview_;
    connect(preview, &QDialog::finished, this, [this, buttons, focused, preview] {
        const PrintResult result = preview ? preview->outcome() : PrintResult();
        for (QPushButton* b : buttons) b->setEnabled(true);
        if (std::find(std::begin(buttons), std::end(buttons), focused) != std::end(buttons))
            focused->setFocus();
        if (!result.message.isEmpty())
            ShowMessage(this, result.message);
        else if (result.status == PrintResult::Status::SavedAsPdf)
            ShowMessage(this, QStringLiteral("年历已保存为PDF文件：") + result.pdfPath);
    });
    preview->open();
}

void MainWindow::endProgram() { close(); }

void MainWindow::closeOtherWindows() {
    // A preview or its job watched dies with this window and tells it nothing more.
    if (sheetPreview_) sheetPreview_->disconnect(this);
    QWidget* const others[] = {pictureChooser_, monthView_,  greetingEditor_,
                               documentWindow_, helpWindow_, sheetPreview_};
    for (QWidget* w : others) delete w;
}

void MainWindow::closeEvent(QCloseEvent* e) {
    // The frame's close ends the program as "结束" does: no window may run on without this one.
    if (remembered_) remembered_->save();
    closeOtherWindows();
    e->accept();
    emit ended();
}

}  // namespace orlenda
