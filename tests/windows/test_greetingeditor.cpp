// The greeting editor as a person uses it: the proposed and the kept font, Enter as Tab, and the
// lines across OK, clear, cancel and reloads with their language's defaults.
#include <QApplication>
#include <QRadioButton>

#include "windows/mainwindow.h"
#include "windows/startup.h"
#include "windows/greetingeditor.h"
#include "windows/monthview.h"
#include "support/windowtesting.h"

using namespace orlenda;
using namespace orlenda::testing;

namespace {

QStringList Lines(const wrd& w) {
    return {w.Text1->text(), w.Text2[0]->text(), w.Text2[1]->text(), w.Text2[2]->text()};
}

const QStringList kChinese{QStringLiteral("亲爱的朋友："), QStringLiteral("祝你新年快乐！"),
                           QStringLiteral(" 万事如意！"), QStringLiteral("   你的朋友")};
const QStringList kEnglish{QStringLiteral("Dear"), QStringLiteral("Happy new year！"), QString(),
                           QStringLiteral("  Sincerely")};

void ChooseLanguage(bool chinese) {
    Form1& main = Windows().ref<Form1>();
    main.show();
    QTest::mouseClick(chinese ? main.Option2 : main.Option1, Qt::LeftButton);
}

// The main window's "选择祝贺语", once the program's start has settled (the month view up).
wrd& Open() {
    if (!Windows().find<Form1>()) {
        StartWindows();
        (void)QTest::qWaitFor([] { return Windows().find<scr>() != nullptr; });
    }
    QTest::mouseClick(Windows().find<Form1>()->Command1, Qt::LeftButton);
    return *Windows().find<wrd>();
}

void Click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton); }

}  // namespace

class GreetingEditorTest : public QObject, public WindowTestBase {
    Q_OBJECT

  private slots:
    void init() { startCase(); }
    void cleanup() { endCase(); }

    // The proposal is shown, not picked; OK keeps the name typed in the box.
    void proposalAndTypedFont() {
        QCOMPARE(ProposedGreetingFont({QStringLiteral("Arial"), QStringLiteral("华文行楷")}),
                 QStringLiteral("华文行楷"));
        wrd& w = Open();
        QCOMPARE(w.Combo1->currentIndex(), -1);
        const QString proposed = w.Combo1->currentText();
        QVERIFY(proposed == QStringLiteral("华文行楷") || proposed == QStringLiteral("宋体"));
        QTest::keyClick(w.Combo1, Qt::Key_Down);  // the list's highlight follows the keys
        QCOMPARE(w.Combo1List->currentIndex().row(), w.Combo1->currentIndex());
        QVERIFY(w.Combo1->currentIndex() >= 0);
        PasteOver(w.Combo1->lineEdit(), QStringLiteral("隶书"));
        Click(w.Command1);
        QCOMPARE(State().GreetingFontName, std::string("隶书"));
        QVERIFY(!w.isVisible());
    }

    // The fourth Enter reaches OK without pressing it; no Enter changes a line.
    void enterMovesAlongTheTabOrder() {
        wrd& w = Open();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::mouseClick(w.Text1, Qt::LeftButton);
        QTRY_VERIFY(w.Text1->hasFocus());
        for (QWidget* next :
             std::initializer_list<QWidget*>{w.Text2[0], w.Text2[1], w.Text2[2], w.Command1,
                                             w.Command2, w.Command3, w.Combo1, w.Text1}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QTRY_COMPARE(QApplication::focusWidget(), next);
        }
        QVERIFY(w.isVisible());
        QCOMPARE(Lines(w), kChinese);
        QCOMPARE(State().GreetingFontName, std::string());
    }

    // Clear then OK leaves the readers the same, hidden, emptied window; cancel unloads it,
    // keeping the font stored; the next load takes the defaults of the language chosen then,
    // and keeps them when the language changes.
    void clearOkCancelReload() {
        wrd& w = Open();
        Click(w.Command2);
        QVERIFY(w.isVisible());
        Click(w.Command1);
        QVERIFY(!w.isVisible());
        const std::string kept = State().GreetingFontName;
        QVERIFY(!kept.empty());
        QCOMPARE(&Windows().ref<wrd>(), &w);
        QCOMPARE(Lines(w), QStringList(4, QString()));
        QCOMPARE(&Open(), &w);
        Click(w.Command3);
        QVERIFY(Windows().find<wrd>() == nullptr);
        QCOMPARE(State().GreetingFontName, kept);
        ChooseLanguage(false);
        QCOMPARE(Lines(Windows().ref<wrd>()), kEnglish);
        ChooseLanguage(true);
        QCOMPARE(Lines(Windows().ref<wrd>()), kEnglish);
    }
};

QTEST_MAIN(GreetingEditorTest)
#include "test_greetingeditor.moc"
