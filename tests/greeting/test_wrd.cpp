// The greeting editor as a person uses it: default lines by language, the proposed font,
// picking against typing, Enter as Tab, and the lines across OK, clear, cancel and reloads.
#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QRadioButton>

#include "app/form1.h"
#include "app/startup.h"
#include "greeting/wrd.h"
#include "monthview/scr.h"
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

// The face Qt really draws a line box with.
QString DrawnFamily(const QLineEdit* t) { return QFontInfo(t->font()).family(); }

}  // namespace

class GreetingEditorTest : public QObject, public WindowTestBase {
    Q_OBJECT

  private slots:
    void init() { startCase(); }
    void cleanup() { endCase(); }

    void defaults_data() {
        QTest::addColumn<bool>("chinese");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("中文") << true << kChinese;
        QTest::newRow("英文") << false << kEnglish;
    }
    // Taken once, when a reader of the boxes loads the editor hidden.
    void defaults() {
        QFETCH(bool, chinese);
        QFETCH(QStringList, lines);
        ChooseLanguage(chinese);
        QCOMPARE(Lines(Windows().ref<wrd>()), lines);
        QVERIFY(!Windows().ref<wrd>().isVisible());
        ChooseLanguage(!chinese);
        QCOMPARE(Lines(Windows().ref<wrd>()), lines);
    }

    // The proposal is shown, not picked, and OK keeps it; which face it is depends on the
    // machine's fonts, so only a list that names the brush face fixes it.
    void proposalIsKeptByOk() {
        QCOMPARE(ProposedGreetingFont({QStringLiteral("Arial"), QStringLiteral("华文行楷")}),
                 QStringLiteral("华文行楷"));
        wrd& w = Open();
        QCOMPARE(w.Combo1->currentIndex(), -1);
        QCOMPARE(w.Combo1->count(), QFontDatabase::families().size());
        const std::string proposed = w.Combo1->currentText().toStdString();
        QVERIFY(proposed == "华文行楷" || proposed == "宋体");
        Click(w.Command1);
        QCOMPARE(State().GreetingFontName, proposed);
    }

    // Typing a name changes no box, picking one from the list does; OK stores what is typed.
    void pickingAgainstTyping() {
        wrd& w = Open();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QString before = DrawnFamily(w.Text1);
        // Any installed face Qt draws under its own name, other than the one in use.
        QString other;
        for (const QString& f : QFontDatabase::families())
            if (f != before && QFontInfo(QFont(f)).family() == f) {
                other = f;
                break;
            }
        QVERIFY(!other.isEmpty());
        PasteOver(w.Combo1->lineEdit(), other);
        QCOMPARE(DrawnFamily(w.Text1), before);
        ClickRow(w.Combo1List, w.Combo1->findText(other));
        QCOMPARE(DrawnFamily(w.Text2[1]), other);
        PasteOver(w.Combo1->lineEdit(), QString());
        QTest::keyClicks(w.Combo1->lineEdit(), QStringLiteral("No Such Face"));
        QCOMPARE(DrawnFamily(w.Text2[1]), other);
        Click(w.Command1);
        QCOMPARE(State().GreetingFontName, std::string("No Such Face"));
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
    // keeping the font stored, and the next load brings the defaults back.
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
    }
};

QTEST_MAIN(GreetingEditorTest)
#include "test_wrd.moc"
