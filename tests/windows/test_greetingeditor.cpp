// SPDX-License-Identifier: GPL-3.0-or-later
// The greeting editor: the font proposed and kept, Enter as Tab, and the document's lines.
#include <QRadioButton>

#include "support/windowtesting.h"
#include "windows/greetingeditor.h"

using namespace orlenda;
using namespace orlenda::testing;

namespace {

QStringList Lines(const GreetingEditor& w, const CalendarDocument& doc) {
    QStringList lines;
    for (const QLineEdit* t : w.greetingLines) lines << t->text();
    for (const QString& line : doc.greetingLines()) lines << line;
    return lines;
}

const QStringList kChinese{QStringLiteral("亲爱的朋友："), QStringLiteral("祝你新年快乐！"),
                           QStringLiteral(" 万事如意！"), QStringLiteral("   你的朋友")};
const QStringList kEnglish{QStringLiteral("Dear"), QStringLiteral("Happy new year！"), QString(),
                           QStringLiteral("  Sincerely")};

}  // namespace

class GreetingEditorTest : public QObject, public WindowTestBase {
    Q_OBJECT
    // The main window's "选择祝贺语" once the start has settled; null if a window failed.
    GreetingEditor* open() {
        if (!main().isVisible() && !StartWithMainActive(main())) return nullptr;
        Click(main().chooseGreetingButton);
        return Find<GreetingEditor>();
    }

  private slots:
    void init() { startCase(); }
    void cleanup() { endCase(); }

    // The proposal is shown, not picked (a name typed and kept: test_remembered).
    void proposalAndTypedFont() {
        QCOMPARE(ProposedGreetingFont({QStringLiteral("Arial"), QStringLiteral("华文行楷")}),
                 QStringLiteral("华文行楷"));
        GreetingEditor* w = open();
        QVERIFY(w);
        QCOMPARE(w->fontCombo->currentIndex(), -1);
        QCOMPARE(w->fontCombo->currentText(), QStringLiteral("华文行楷"));  // mapped, installed
        QTest::keyClick(w->fontCombo, Qt::Key_Down);  // the list's highlight follows the keys
        QCOMPARE(w->fontList->currentIndex().row(), w->fontCombo->currentIndex());
        QVERIFY(w->fontCombo->currentIndex() >= 0);
    }

    // The room left, in half-widths of 260 twips: from 1700 twips (A3) or 650 (A4, document)
    // to the edge less as much (16838, 11906, 11535 wide) or the inset (7500, 6700, 6950).
    void roomLeft_data() {
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("halfWidths");
        QTest::addColumn<bool>("inset");
        QTest::addColumn<QString>("shown");
        // clang-format off
        QTest::newRow("line 2, 44") << 1 << 44 << false << QStringLiteral("第2行：A3纸余7，A4纸超出4，电子文档超出5");
        QTest::newRow("line 1, 22, inset") << 0 << 22 << true << QStringLiteral("第1行：A3纸余0，A4纸余1，电子文档余2");
        QTest::newRow("line 4, 42, inset") << 3 << 42 << true << QStringLiteral("第4行：A3纸超出20，A4纸超出19，电子文档超出18");
        // clang-format on
    }
    void roomLeft() {
        QFETCH(int, line);
        QFETCH(int, halfWidths);
        QFETCH(bool, inset);
        QFETCH(QString, shown);
        if (inset) {
            QImage picture(300, 200, QImage::Format_RGB32);
            picture.fill(Qt::blue);
            doc->setInset({QStringLiteral("inset.png"), picture}, {0, 0, 4500, 3000});
        }
        GreetingEditor* w = open();
        QVERIFY(w && QTest::qWaitForWindowActive(w));
        QLineEdit* box = w->greetingLines[std::size_t(line)];
        QTest::mouseClick(box, Qt::LeftButton);
        PasteOver(box, QString());
        QTest::keyClicks(box,
                         QStringLiteral("Happy New Year 2024, with love from all of us, friends")
                             .left(halfWidths));
        QCOMPARE(w->roomLabel->text(), shown);
    }

    // The fourth Enter reaches OK without pressing it; no Enter changes a line.
    void enterMovesAlongTheTabOrder() {
        GreetingEditor* w = open();
        QVERIFY(w && QTest::qWaitForWindowActive(w));
        QTest::mouseClick(w->greetingLines[0], Qt::LeftButton);
        QTRY_VERIFY(w->greetingLines[0]->hasFocus());
        for (QWidget* next : std::initializer_list<QWidget*>{
                 w->greetingLines[1], w->greetingLines[2], w->greetingLines[3], w->okButton,
                 w->clearButton, w->cancelButton, w->fontCombo, w->greetingLines[0]}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QTRY_COMPARE(QApplication::focusWidget(), next);
        }
        QVERIFY(w->isVisible());
        QCOMPARE(Lines(*w, *doc), kChinese + kChinese);
        QCOMPARE(doc->greetingFont(), QString());
    }

    // Typing reaches the document at once; clear, OK, then cancel or the frame keeping the face;
    // the next opening takes the defaults of the language chosen then.
    void typeClearOkCancelReopen_data() {
        QTest::addColumn<bool>("byFrame");
        QTest::newRow("取消") << false;
        QTest::newRow("the frame's close") << true;
    }
    void typeClearOkCancelReopen() {
        QFETCH(bool, byFrame);
        GreetingEditor* w = open();
        QVERIFY(w);
        QTest::keyClicks(w->greetingLines[2], QStringLiteral("abc"));
        QCOMPARE(doc->greetingLines()[2], kChinese[2] + QStringLiteral("abc"));
        Click(w->clearButton);
        QVERIFY(w->isVisible());
        Click(w->okButton);
        QVERIFY(!w->isVisible());
        const QString kept = doc->greetingFont();
        QVERIFY(!kept.isEmpty());
        QCOMPARE(open(), w);
        QCOMPARE(Lines(*w, *doc), QStringList(8, QString()));
        byFrame ? (void)w->close() : Click(w->cancelButton);
        QVERIFY(!Find<GreetingEditor>());
        QCOMPARE(doc->greetingFont(), kept);
        Click(main().englishRadio);
        QVERIFY(open());
        QCOMPARE(Lines(*Find<GreetingEditor>(), *doc), kEnglish + kEnglish);
        Click(main().chineseRadio);
        QCOMPARE(Lines(*Find<GreetingEditor>(), *doc), kEnglish + kEnglish);
    }
};

QTEST_MAIN(GreetingEditorTest)
#include "test_greetingeditor.moc"
