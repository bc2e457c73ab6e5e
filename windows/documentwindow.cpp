// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/documentwindow.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
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

#include "graphics/logging.h"
#include "output/imagesave.h"
#include "printing/printprompts.h"
#include "render/yearrenderer.h"
#include "windows/messages.h"
#include "windows/windowstyle.h"

namespace orlenda {

namespace {

const QString kRangeMessage = QStringLiteral("取值不得大于255或小于0");
const QString kNotNumberMessage = QStringLiteral("取值必须是0-255间的整数");
const QString kNoBackgroundMessage = QStringLiteral("请先选择背景图文件");
const QString kSavedMessage = QStringLiteral("图形已成功保存在");

// Characters no file name may hold here or on the systems the file is sent to.
const QString kRefusedInName = QStringLiteral("\\/:*?\"<>|");

// The whole number a box's text stands for: blanks around it and a sign allowed, digits also
// as a Chinese input method types them (full width); none for anything else ("255.4", "1,5").
// Long numbers stop at 100000, which is out of range all the same.
std::optional<int> WholeNumber(const QString& text) {
    QString t = text.trimmed();
    const bool negative = t.startsWith(QLatin1Char('-')) || t.startsWith(QChar(0xFF0D));
    if (negative || t.startsWith(QLatin1Char('+')) || t.startsWith(QChar(0xFF0B))) t.remove(0, 1);
    if (t.isEmpty()) return std::nullopt;
    int value = 0;
    for (QChar ch : t) {
        const char16_t c = ch.unicode();
        const int digit = c >= u'0' && c <= u'9'       ? c - u'0'
                          : c >= 0xFF10 && c <= 0xFF19 ? c - 0xFF10
                                                       : -1;
        if (digit < 0) return std::nullopt;
        value = std::min(value * 10 + digit, 100000);
    }
    return negative ? -value : value;
}

QString ProposedName(int year) { return QString::number(year) + QStringLiteral("年历1"); }

}  // namespace

DocumentWindow::DocumentWindow(CalendarDocument& doc, QWidget* parent)
    : QWidget(parent, Qt::Window), doc_(doc) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("创建电子文档"));
    SetBackground(this, RGB(255, 255, 255));
    setFont(WindowFont(QStringLiteral("宋体"), 9));

    auto option = [this](const char* text, int top) {
        auto* b = new QRadioButton(QString::fromUtf8(text), this);
        b->setGeometry(TwipsRect(600, top, 1815, 255));
        return b;
    };
    backgroundOption = option("调制背景色", 0);
    dateOption = option("调制日期字体色", 240);
    greetingOption = option("调制祝贺语字体色", 480);

    auto label = [this](const char* text, double l, double t, double w, double h) {
        auto* lb = new QLabel(QString::fromUtf8(text), this);
        lb->setGeometry(TwipsRect(l, t, w, h));
        return lb;
    };
    backgroundSwatch = label("", 270, 15, 300, 195);
    dateSwatch = label("", 270, 240, 300, 195);
    greetingSwatch = label("", 270, 480, 300, 195);
    paletteLabel = label("调色板取值：0-255", 3015, 80, 585, 615);
    paletteLabel->setWordWrap(true);
    rgbLabels = {label("红色", 3600, 0, 375, 255), label("绿色", 3600, 270, 375, 255),
                 label("兰色", 3600, 525, 375, 255)};
    SetBackground(rgbLabels[0], RGB(255, 0, 0));
    SetBackground(rgbLabels[1], RGB(128, 255, 128));
    SetColours(rgbLabels[2], RGB(0, 0, 255), RGB(255, 255, 192));
    fileNameLabel = label("图形的文件名：", 6840, 120, 1260, 180);

    const int boxTops[3] = {0, 240, 480};
    for (int i = 0; i < 3; ++i) {
        rgbEdits[i] = new QLineEdit(QStringLiteral("255"), this);
        rgbEdits[i]->setGeometry(TwipsRect(3960, boxTops[i], 495, 270));
        rgbEdits[i]->setToolTip(QStringLiteral("三个文本框数据输好后按回车确认"));
        rgbEdits[i]->installEventFilter(this);
        connect(rgbEdits[i], &QLineEdit::returnPressed, this, [this, i] { applyColour(i); });
    }

    useBackgroundCheck = new QCheckBox(QStringLiteral("使用背景图"), this);
    useBackgroundCheck->setGeometry(TwipsRect(4680, 30, 1215, 255));

    proposedName_ = ProposedName(doc_.year());
    fileNameEdit = new QLineEdit(proposedName_, this);
    fileNameEdit->setGeometry(TwipsRect(6840, 360, 1215, 270));

    auto button = [this](const char* text, double l, double t, double w, double h) {
        QPushButton* b = ColouredButton(this, QString::fromUtf8(text), TwipsRect(l, t, w, h),
                                        RGB(255, 128, 255));
        b->setAutoDefault(true);  // Enter on a focused button presses it, as Space does
        return b;
    };
    defaultColoursButton = button("恢复默认色", 4680, 340, 1215, 350);
    showButton = button("显示年历", 8160, 0, 975, 350);
    saveButton = button("保存图形", 8160, 360, 975, 350);
    helpButton = button("帮助", 9720, 240, 615, 350);
    endButton = button("结束", 10680, 240, 615, 350);
    // In the gap beside 恢复默认色, smaller and without padding so that the caption
    // fits it.
    colourButton = button("选择颜色…", 5900, 340, 935, 350);
    colourButton->setFont(WindowFont(QStringLiteral("宋体"), 7.5));
    colourButton->setStyleSheet(colourButton->styleSheet() +
                                QStringLiteral("QPushButton { padding: 0px; }"));
    saveButton->setEnabled(false);

    viewport = new QWidget(this);
    viewport->setGeometry(TwipsRect(0, 720, 12000, 7880));
    SetBackground(viewport, RGB(255, 255, 255));
    documentPicture = new PictureBoxWidget(kDocumentWidth, kDocumentHeight,
                                           CalendarDocument::kDefaultBackground, viewport);
    documentPicture->move(0, 0);
    documentScrollBar = new QScrollBar(Qt::Vertical, viewport);
    documentScrollBar->setGeometry(TwipsRect(11640, 0, 375, 7880));
    documentScrollBar->setRange(0, 7130);
    documentScrollBar->setSingleStep(20);
    documentScrollBar->setPageStep(450);
    documentScrollBar->setValue(0);
    // Tab reaches it, so the picture can be scrolled without a mouse.
    documentScrollBar->setFocusPolicy(Qt::StrongFocus);
    documentScrollBar->installEventFilter(this);  // to show that it has the focus
    documentScrollBar->raise();
    // The boxes of the palette reach a little into the viewport; they stay in front of it.
    viewport->lower();
    // The wheel over the picture moves the scroll bar, as over any scrolled view.
    viewport->installEventFilter(this);
    documentPicture->installEventFilter(this);

    // The design's viewport and scroll bar reach past its client area (11880 x 8490); the
    // window grows to hold them whole.
    viewport->resize(std::max(viewport->width(), documentScrollBar->geometry().right() + 1),
                     viewport->height());
    QRect used = QRect(QPoint(0, 0), QSize(Px(11880), Px(8490)));
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) used |= w->geometry();
    setFixedSize(used.size());

    // The colours are the document's, remembered from the last time; the background picture
    // is used only once ticked.
    doc_.setBackgroundPicture(QImage());
    showColours();

    connect(saveButton, &QPushButton::clicked, this, &DocumentWindow::saveCalendar);
    connect(showButton, &QPushButton::clicked, this, &DocumentWindow::showCalendar);
    connect(endButton, &QPushButton::clicked, this, &DocumentWindow::close);
    connect(defaultColoursButton, &QPushButton::clicked, this,
            &DocumentWindow::restoreDefaultColours);
    connect(helpButton, &QPushButton::clicked, this, &DocumentWindow::showHelp);
    connect(colourButton, &QPushButton::clicked, this, &DocumentWindow::chooseColour);
    // Like the control's Click: it runs for every change of the tick, also one made in code.
    connect(useBackgroundCheck, &QCheckBox::toggled, this, &DocumentWindow::useBackgroundToggled);
    connect(documentScrollBar, &QScrollBar::valueChanged, this, &DocumentWindow::scrolled);
    connect(&doc_, &CalendarDocument::coloursChanged, this, &DocumentWindow::showColours);
    connect(&doc_, &CalendarDocument::picturesChanged, this, &DocumentWindow::followPictures);

    saveFolder = QCoreApplication::applicationDirPath();
}

void DocumentWindow::showColours() {
    SetBackground(backgroundSwatch, doc_.backgroundColour());
    SetBackground(dateSwatch, doc_.dateColour());
    SetBackground(greetingSwatch, doc_.greetingColour());
}

// ---- drawing ----

void DocumentWindow::showCalendar() {
    saveButton->setEnabled(true);
    // The name proposed follows the year drawn until the person types another.
    const QString proposed = ProposedName(doc_.year());
    if (fileNameEdit->text() == proposedName_) fileNameEdit->setText(proposed);
    proposedName_ = proposed;
    try {
        DrawDocumentPicture(documentPicture->box(), doc_);
    } catch (const SurfaceError& e) {
        // What was drawn before the failing step stays; the person sees no message.
        qCWarning(lcRender) << "the electronic document is drawn only in part:" << e.what();
    }
    documentPicture->Refresh();
}

// ---- palette ----

void DocumentWindow::applyColour(int box) {
    if (box < 0 || box > 2) return;
    // Each box must hold a whole number; the box where Enter was pressed one of 0..255, the
    // other two one not below 0, above 255 counting as 255.
    int parts[3];
    for (int i = 0; i < 3; ++i) {
        const auto p = WholeNumber(rgbEdits[i]->text());
        if (!p) {
            ShowMessage(this, kNotNumberMessage);
            return;
        }
        if (*p < 0 || (i == box && *p > 255)) {
            ShowMessage(this, kRangeMessage);
            return;
        }
        parts[i] = std::min(*p, 255);
    }
    const Colour c = RGB(parts[0], parts[1], parts[2]);
    if (backgroundOption->isChecked()) {
        doc_.setBackgroundColour(c);
        // A new background colour erases the drawing, as the picture's own colour does.
        documentPicture->box().SetBackColor(c);
        documentPicture->Refresh();
    } else if (dateOption->isChecked()) {
        doc_.setDateColour(c);
    } else if (greetingOption->isChecked()) {
        doc_.setGreetingColour(c);
    }
}

void DocumentWindow::checkColourBox(int box) {
    if (box < 0 || box > 2) return;
    if (WholeNumber(rgbEdits[box]->text())) return;
    ShowMessage(this, kNotNumberMessage);
    rgbEdits[box]->setFocus(Qt::OtherFocusReason);
}

void DocumentWindow::chooseColour() {
    QColor initial;
    if (backgroundOption->isChecked()) initial = ToQColor(doc_.backgroundColour());
    if (dateOption->isChecked()) initial = ToQColor(doc_.dateColour());
    if (greetingOption->isChecked()) initial = ToQColor(doc_.greetingColour());
    if (!initial.isValid()) {  // no option chosen: the boxes' colour
        int parts[3];
        for (int i = 0; i < 3; ++i)
            parts[i] = std::clamp(WholeNumber(rgbEdits[i]->text()).value_or(0), 0, 255);
        initial = QColor(parts[0], parts[1], parts[2]);
    }
    const QColor chosen = QColorDialog::getColor(initial, this);
    if (!chosen.isValid()) return;  // cancelled
    const int parts[3] = {chosen.red(), chosen.green(), chosen.blue()};
    for (int i = 0; i < 3; ++i) rgbEdits[i]->setText(QString::number(parts[i]));
    applyColour(0);  // as Enter in a box
}

bool DocumentWindow::eventFilter(QObject* watched, QEvent* e) {
    if (watched == documentScrollBar && e->type() == QEvent::Paint &&
        documentScrollBar->hasFocus()) {
        // The style draws no focus on a scroll bar; a dotted frame like the buttons' shows
        // where the keys go.
        documentScrollBar->event(e);
        QPainter p(documentScrollBar);
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.drawRect(documentScrollBar->rect().adjusted(0, 0, -1, -1));
        return true;
    }
    if (e->type() == QEvent::Wheel && (watched == viewport || watched == documentPicture)) {
        // One notch of the wheel moves the picture by the scroll bar's large change.
        wheelAngle_ += static_cast<QWheelEvent*>(e)->angleDelta().y();
        const int notches = wheelAngle_ / 120;
        wheelAngle_ -= notches * 120;
        if (notches != 0)
            documentScrollBar->setValue(documentScrollBar->value() -
                                        notches * documentScrollBar->pageStep());
        return true;
    }
    if (e->type() == QEvent::FocusOut && !checkingFocus_) {
        // Switching to another window is not leaving the box.
        const auto reason = static_cast<QFocusEvent*>(e)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            for (int i = 0; i < 3; ++i) {
                if (watched == rgbEdits[i]) {
                    // The message box takes the focus too; that is not another leave.
                    checkingFocus_ = true;
                    checkColourBox(i);
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
        QCoreApplication::sendEvent(documentScrollBar, e);
        return;
    }
    QWidget::keyPressEvent(e);
}

void DocumentWindow::restoreDefaultColours() {
    doc_.resetColours();
    documentPicture->box().SetBackColor(doc_.backgroundColour());
    documentPicture->Refresh();
}

// ---- background, scrolling, saving ----

void DocumentWindow::useBackgroundToggled() {
    const QString path = doc_.backgroundPath();
    if (path.isEmpty() && useBackgroundCheck->isChecked()) {
        useBackgroundCheck->setChecked(false);  // runs this handler again for the unticked state
        ShowMessage(this, kNoBackgroundMessage);
        emit pictureChooserWanted();
    } else if (useBackgroundCheck->isChecked()) {
        const QString said = doc_.readBackgroundPicture();
        if (!said.isEmpty()) {
            // The box goes back to unticked, so the colour option stays usable.
            ShowMessage(this, said);
            useBackgroundCheck->setChecked(false);
            return;
        }
        documentPicture->box().SetPicture(doc_.backgroundPicture());
        // A checked button of an exclusive group can only be cleared with the group lifted.
        backgroundOption->setAutoExclusive(false);
        backgroundOption->setChecked(false);
        backgroundOption->setAutoExclusive(true);
        backgroundOption->setEnabled(false);
        documentPicture->Refresh();
    } else {
        doc_.setBackgroundPicture(QImage());
        documentPicture->box().SetPicture(QImage());
        backgroundOption->setEnabled(true);
        documentPicture->Refresh();
    }
}

void DocumentWindow::followPictures() {
    if (useBackgroundCheck->isChecked() && doc_.backgroundPicture().isNull())
        useBackgroundCheck->setChecked(false);
}

void DocumentWindow::scrolled() {
    documentPicture->move(0, -Px(documentScrollBar->value()));
    showCalendar();  // draws the whole picture anew
}

QString DocumentWindow::SaveFileName(const QString& folder, const QString& name) {
    QString path = folder;
    if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
    return path + name + (PictureFormatOfName(name) ? QString() : QStringLiteral(".BMP"));
}

void DocumentWindow::saveCalendar() {
    const QString name = fileNameEdit->text();
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
    QString path = SaveFileName(saveFolder, name);
    // Beside the program when it runs from a folder of its own (a build or an unpacked copy,
    // with its china.txt), and when that can be written; an installed program's folder is
    // not the user's to write even where it could be (as root): the pictures folder then.
    if (saveFolder == QCoreApplication::applicationDirPath()) {
        if (QDir(saveFolder).exists(QStringLiteral("china.txt")))
            path = WritablePlace(path);
        else if (const QString pictures = PicturesFolder(); !pictures.isEmpty())
            path = QDir(pictures).filePath(QFileInfo(path).fileName());
    }
    const QFileInfo existing(path);
    if ((existing.exists() || existing.isSymLink()) && !existing.isDir()) {
        const auto& ask = PrintDialogs().askYesNo;
        const QString question = QStringLiteral("%1 已存在。\n是否替换？");
        if (!ask || !ask(this, question.arg(QDir::toNativeSeparators(path)))) return;
    }
    const QString error =
        SaveImageWhole(documentPicture->box().NaturalImage().convertToFormat(QImage::Format_RGB32),
                       path, PictureFormatOfName(path));
    if (!error.isEmpty()) {
        qCWarning(lcSave) << "the electronic document was not saved:" << path << error;
        ShowMessage(this, QStringLiteral("图形未能保存在") + path + QStringLiteral("\n") + error);
        return;
    }
    ShowMessage(this, kSavedMessage + path);
}

void DocumentWindow::showHelp() {
    ShowMessage(
        this,
        QStringLiteral("调色板使用：先选中最左边的单选框，确定是调背景色还是文字色，") +
            QLatin1Char('\r') +
            QStringLiteral(
                "再输入红绿兰三原色的配制数值（0至255），输好后在这三个文本框中的任何一个中按") +
            QLatin1Char('\r') +
            QStringLiteral("回车即可确认并预览；保存图形前必须先《显示年历》；图形可保存为BMP、"
                           "PNG、JPEG或PDF格式，") +
            QLatin1Char('\r') +
            QStringLiteral(
                "在文件名后加上.png、.jpg或.pdf即可，不加时为BMP格式（文件较大，不便网上传送）"));
}

}  // namespace orlenda
