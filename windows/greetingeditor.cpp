// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/greetingeditor.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <cmath>

#include "graphics/fontmap.h"
#include "render/yearrenderer.h"
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

GreetingEditor::GreetingEditor(CalendarDocument& doc, QWidget* parent)
    : QWidget(parent, Qt::Window), doc_(doc) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("编写祝贺语"));
    setFixedSize(Px(5730), Px(3615));
    SetBackground(this, kWindowBack);
    setFont(WindowFont(kSong, 9));

    limitsLabel =
        new QLabel(QStringLiteral("每行最多字符数：A3纸-42；A4-22个；电子文档-22个"), this);
    limitsLabel->setGeometry(TwipsRect(0, 50, 6135, 255));
    limitsLabel->setFont(WindowFont(kSong, 10.5));
    SetColours(limitsLabel, kWindowBack, RGB(0, 0, 0));

    roomLabel = new QLabel(this);
    roomLabel->setGeometry(TwipsRect(0, 3375, 5730, 240));
    roomLabel->setToolTip(
        QStringLiteral("按所选字体和打印字号计算，以半角字符计；超出的行打印时缩小字体"));
    SetColours(roomLabel, kWindowBack, RGB(0, 0, 0));

    greetingLines = {line(this, QStringLiteral("楷体_GB2312"), 15.75, TwipsRect(0, 420, 4335, 435)),
                     line(this, kSong, 15.75, TwipsRect(0, 960, 4335, 495)),
                     line(this, kSong, 15.75, TwipsRect(0, 1560, 4335, 495)),
                     line(this, kSong, 14.25, TwipsRect(0, 2160, 4335, 495))};

    fontCombo = new QComboBox(this);
    fontCombo->setEditable(true);
    fontCombo->setInsertPolicy(QComboBox::NoInsert);
    const QRect box = TwipsRect(4440, 360, 1335, 2700);
    const int fieldHeight = fontCombo->sizeHint().height();
    fontCombo->setGeometry(box.x(), box.y(), box.width(), fieldHeight);
    const QStringList fonts = QFontDatabase::families();
    fontCombo->addItems(fonts);
    // Adding items picks the first one; the box shows the proposal with nothing picked.
    fontCombo->setCurrentIndex(-1);
    fontCombo->setEditText(ProposedGreetingFont(fonts));
    fontList = new QListView(this);
    fontList->setModel(fontCombo->model());
    fontList->setGeometry(box.x(), box.y() + fieldHeight, box.width(), box.height() - fieldHeight);
    fontList->setFocusPolicy(Qt::NoFocus);  // the tab order reaches the font box once

    fontPromptLabel = new QLabel(QStringLiteral("请选择字体"), this);
    fontPromptLabel->setGeometry(TwipsRect(4680, 3120, 900, 180));
    SetBackground(fontPromptLabel, kWindowBack);

    okButton =
        ColouredButton(this, QStringLiteral("确定"), TwipsRect(3240, 3000, 855, 375), kButtonBack);
    clearButton = ColouredButton(this, QStringLiteral("清除重输"), TwipsRect(360, 3000, 1095, 375),
                                 kButtonBack);
    cancelButton =
        ColouredButton(this, QStringLiteral("取消"), TwipsRect(1920, 3000, 855, 375), kButtonBack);

    QWidget* const order[] = {greetingLines[0], greetingLines[1], greetingLines[2],
                              greetingLines[3], okButton,         clearButton,
                              cancelButton,     fontCombo};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    // The lines shown are the document's from now on: a change of language leaves them.
    doc_.setGreetingLines(doc_.greetingLines());
    showDocumentLines();
    setLinesFace(fontCombo->currentText());

    for (std::size_t i = 0; i < greetingLines.size(); ++i)
        connect(greetingLines[i], &QLineEdit::textEdited, this, [this, i] {
            roomLine_ = int(i);
            writeLines();
        });
    connect(&doc_, &CalendarDocument::greetingChanged, this, &GreetingEditor::showDocumentLines);
    connect(&doc_, &CalendarDocument::greetingChanged, this, &GreetingEditor::showRoom);
    connect(&doc_, &CalendarDocument::picturesChanged, this, &GreetingEditor::showRoom);
    connect(fontCombo, &QComboBox::currentTextChanged, this, &GreetingEditor::showRoom);
    // Picking a font (from the open list or the drop-down) shows the lines in it; typing does
    // not.
    connect(fontCombo, &QComboBox::activated, this,
            [this] { setLinesFace(fontCombo->currentText()); });
    // Keys in the box move the list's highlight along with the face.
    connect(fontCombo, &QComboBox::currentIndexChanged, this,
            [this](int row) { fontList->setCurrentIndex(fontCombo->model()->index(row, 0)); });
    connect(fontList, &QListView::clicked, this, [this](const QModelIndex& i) {
        fontCombo->setCurrentIndex(i.row());
        setLinesFace(fontCombo->currentText());
    });
    connect(okButton, &QPushButton::clicked, this, &GreetingEditor::keep);
    connect(clearButton, &QPushButton::clicked, this, &GreetingEditor::clearLines);
    connect(cancelButton, &QPushButton::clicked, this, &GreetingEditor::cancel);

    // Key preview: the window sees each key before the control that has the focus.
    for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
    showRoom();
}

void GreetingEditor::showRoom() {
    // Measured in the face OK keeps, at the size the outputs draw.
    const QString face = fontCombo->currentText();
    const QString line = greetingLines[std::size_t(roomLine_)]->text();
    const double width = GreetingWidth(line, face);
    const double halfWidth = GreetingWidth(QStringLiteral("中"), face) / 2;
    QString text = QStringLiteral("第%1行：").arg(roomLine_ + 1);
    const std::pair<YearOutput, const char*> outputs[] = {{YearOutput::A3Sheet, "A3纸"},
                                                          {YearOutput::A4Sheet, "A4纸"},
                                                          {YearOutput::Document, "电子文档"}};
    for (const auto& [output, name] : outputs) {
        const double left = (GreetingRoom(output, doc_) - width) / halfWidth;
        if (output != YearOutput::A3Sheet) text += QStringLiteral("，");
        text += QString::fromUtf8(name) +
                (left >= 0 ? QStringLiteral("余%1").arg(int(std::floor(left)))
                           : QStringLiteral("超出%1").arg(int(std::ceil(-left))));
    }
    roomLabel->setText(text);
}

void GreetingEditor::showDocumentLines() {
    const GreetingLines lines = doc_.greetingLines();
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (greetingLines[i]->text() != lines[i]) greetingLines[i]->setText(lines[i]);
}

void GreetingEditor::writeLines() {
    GreetingLines lines;
    for (std::size_t i = 0; i < lines.size(); ++i) lines[i] = greetingLines[i]->text();
    doc_.setGreetingLines(lines);
}

bool GreetingEditor::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::FocusIn) {
        for (std::size_t i = 0; i < greetingLines.size(); ++i)
            if (watched == greetingLines[i] && roomLine_ != int(i)) {
                roomLine_ = int(i);
                showRoom();
            }
    }
    if (e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Enter moves on like Tab: a Tab queued to the window, the Enter itself dropped.
            QCoreApplication::postEvent(
                this, new QKeyEvent(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier));
            return true;
        }
    }
    return QWidget::eventFilter(watched, e);
}

void GreetingEditor::setLinesFace(const QString& face) {
    const QString family = ResolveFontFamily(face);
    for (QLineEdit* t : greetingLines) {
        QFont f = t->font();
        f.setFamily(family);
        t->setFont(f);
    }
}

void GreetingEditor::keep() {
    doc_.setGreetingFont(fontCombo->currentText());
    hide();
}

void GreetingEditor::clearLines() {
    for (QLineEdit* t : greetingLines) t->clear();
    writeLines();
}

void GreetingEditor::cancel() { close(); }

void GreetingEditor::closeEvent(QCloseEvent* e) {
    // Cancelled or closed by the frame: the next opening shows the defaults again.
    doc_.resetGreeting();
    QWidget::closeEvent(e);
}

}  // namespace orlenda
