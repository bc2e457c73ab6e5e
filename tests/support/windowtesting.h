// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the window tests share: a data file in a temporary folder, recorded messages, a fresh
// document and main window for every case, and the windows found as a person sees them.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QStringList>
#include <QStyleHints>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <utility>

#include "printing/sheetpreview.h"
#include "windows/mainwindow.h"
#include "windows/messages.h"
#include "windows/monthview.h"

namespace orlenda::testing {

// 2008 as published: January 1 the 23rd of the 11th lunar month, 春节 on February 7.
inline const QByteArray kLine2008 = "2008 0 23 99 29 30 30 29 29 30 29 29 30 29 30 30 29 30 4";

// A well-formed line for any year: January 1 the 7th of the 12th month, no leap month.
inline QByteArray FillerLine(int year) {
    return QByteArray::number(year) + " 1 07 99 29 30 29 30 29 30 29 30 29 30 29 30 29 30 5";
}

// Lines for firstYear..lastYear (2008 real, the rest filler), CR LF after each.
inline QByteArray DataFile(int lastYear, int firstYear = 2000) {
    QByteArray data;
    for (int y = firstYear; y <= lastYear; ++y)
        data += (y == 2008 ? kLine2008 : FillerLine(y)) + "\r\n";
    return data;
}

// The pixels of a colour within a part of a picture (all of it by default): how many, where.
inline std::pair<int, QRect> PixelsOf(const QImage& picture, QColor colour, QRect part = {}) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    if (part.isNull()) part = rgb.rect();
    std::pair<int, QRect> found;
    for (int y = part.top(); y <= part.bottom(); ++y)
        for (int x = part.left(); x <= part.right(); ++x)
            if (rgb.pixelColor(x, y) == colour) {
                ++found.first;
                found.second |= QRect(x, y, 1, 1);
            }
    return found;
}

// Default: the month view's background.
inline bool IsBlank(const QImage& picture, QColor colour = QColor(192, 255, 192)) {
    return PixelsOf(picture, colour).first == picture.width() * picture.height();
}

inline void Click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton); }

// A mouse click on a list's row, where the person sees it.
inline void ClickRow(QAbstractItemView* view, int row) {
    const QModelIndex index = view->model()->index(row, 0, view->rootIndex());
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

// A click on the row of a list that shows that text; false when not exactly one does.
inline bool ClickItem(QListWidget* list, const QString& text) {
    const QList<QListWidgetItem*> items = list->findItems(text, Qt::MatchExactly);
    if (items.size() == 1) ClickRow(list, list->row(items[0]));
    return items.size() == 1;
}

// The user opens the list with the arrow at the right of the box and clicks the item.
inline void PickFromList(QComboBox* combo, const QString& item) {
    const int i = combo->findText(item);
    QVERIFY2(i >= 0, qPrintable(item));
    QTest::mouseClick(combo, Qt::LeftButton, {}, QPoint(combo->width() - 6, combo->height() / 2));
    QTRY_VERIFY(combo->view()->isVisible());
    // The list ignores a release as quick as the opening click's own: click until it closes.
    const auto picked = [&] {
        if (combo->view()->isVisible()) ClickRow(combo->view(), i);
        return !combo->view()->isVisible();
    };
    QTRY_VERIFY(picked());
}

// All of a text box selected and pasted over: one edit. Empty: Backspace.
inline void PasteOver(QLineEdit* box, const QString& text) {
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty()) {
        QTest::keyClick(box, Qt::Key_Backspace);
        return;
    }
    QGuiApplication::clipboard()->setText(text);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
}

// The open window of class W (windows closed meanwhile are gone first), or nullptr.
template <class W>
W* Find() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<W*>(w)) return found;
    return nullptr;
}

// The user presses a print button: the sheet's preview once it shows, or nullptr.
inline SheetPreview* PreviewOf(QPushButton* printButton) {
    QTest::mouseClick(printButton, Qt::LeftButton);
    const auto shown = [] { return Find<SheetPreview>() && Find<SheetPreview>()->isVisible(); };
    return QTest::qWaitFor(shown) ? Find<SheetPreview>() : nullptr;
}

// The program started as a person starts it: the main window shown, the month view coming up
// in front, then the person clicking the main window. False when a window did not follow.
[[nodiscard]] inline bool StartWithMainActive(MainWindow& main) {
    main.show();
    main.activateWindow();
    if (!QTest::qWaitFor([] { return Find<MonthView>() && Find<MonthView>()->isActiveWindow(); }))
        return false;
    main.activateWindow();
    return QTest::qWaitFor([&] { return main.isActiveWindow() && QApplication::focusWidget(); });
}

class WindowTestBase {
  public:
    QTemporaryDir dir;
    QStringList messages;
    std::unique_ptr<CalendarDocument> doc;
    std::unique_ptr<MainWindow> mainWindow;

    MainWindow& main() {  // made on first use, not shown
        if (!mainWindow) mainWindow = std::make_unique<MainWindow>(*doc);
        return *mainWindow;
    }

    QString dataPath() const { return dir.filePath(QStringLiteral("china.txt")); }

    void writeData(const QByteArray& bytes) {
        QFile f(dataPath());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(bytes), bytes.size());
    }

    // Every case: a fresh document on a data file up to two years after today.
    void startCase() {
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(40);
        messages.clear();
        SetMessageSink([this](QWidget*, const QString& text) { messages << text; });
        writeData(DataFile(QDate::currentDate().year() + 2));
        doc = std::make_unique<CalendarDocument>();
        doc->setDataPath(dataPath());
    }

    // The main window takes the windows it opened along.
    void endCase() {
        mainWindow.reset();
        doc.reset();
        SetMessageSink({});
    }
};

}  // namespace orlenda::testing
