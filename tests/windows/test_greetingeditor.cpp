// The greeting editor as a person uses it: the proposed and the kept font, Enter as Tab, and the
// document's lines across typing, OK, clear, cancel and reopening with their language's defaults.
#include <QRadioButton>

#include "support/windowtesting.h"
#include "windows/greetingeditor.h"

using namespace orlenda;
using namespace orlenda::testing;

namespace {

// The lines the editor shows, and those of the document.
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

void Click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton); }

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

    // The proposal is shown, not picked; OK keeps the name typed in the box.
    void proposalAndTypedFont() {
        QCOMPARE(ProposedGreetingFont({QStringLiteral("Arial"), QStringLiteral("华文行楷")}),
                 QStringLiteral("华文行楷"));
        GreetingEditor* w = open();
        QVERIFY(w);
        QCOMPARE(w->fontCombo->currentIndex(), -1);
        const QString proposed = w->fontCombo->currentText();
        QVERIFY(proposed == QStringLiteral("华文行楷") || proposed == QStringLiteral("宋体"));
        QTest::keyClick(w->fontCombo, Qt::Key_Down);  // the list's highlight follows the keys
        QCOMPARE(w->fontList->currentIndex().row(), w->fontCombo->currentIndex());
        QVERIFY(w->fontCombo->currentIndex() >= 0);
        PasteOver(w->fontCombo->lineEdit(), QStringLiteral("隶书"));
        Click(w->okButton);
        QCOMPARE(doc->greetingFont(), QStringLiteral("隶书"));
        QVERIFY(!w->isVisible());
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

    // A line typed is the document's at once; clear then OK leaves the same, hidden, emptied
    // window and four empty lines; cancel or the frame closes it, keeping the face; the next
    // opening takes the defaults of the language chosen then, and keeps them when it changes.
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
