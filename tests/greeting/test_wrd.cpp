// The greeting editor: default lines by language, the proposed font, Enter as Tab, and the
// lifecycle of its lines across OK, clear, cancel and reloads.
#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

#include "app/form1.h"
#include "app/messages.h"
#include "core/appstate.h"
#include "greeting/wrd.h"

using namespace orlenda;

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
    (chinese ? main.Option2 : main.Option1)->setChecked(true);
}

// The face Qt really draws a line box with.
QString DrawnFamily(const QLineEdit* t) { return QFontInfo(t->font()).family(); }

}  // namespace

class GreetingEditorTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        Windows().clear();
        State().Reset();
        State().DataPath = ORLENDA_DATA_FILE;
        SetMessageSink([](QWidget*, const QString&) {});
    }
    void cleanup() {
        Windows().clear();
        SetMessageSink({});
    }

    void defaultsFollowTheLanguageAtLoad_data() {
        QTest::addColumn<bool>("chinese");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("中文") << true << kChinese;
        QTest::newRow("英文") << false << kEnglish;
    }
    void defaultsFollowTheLanguageAtLoad() {
        QFETCH(bool, chinese);
        QFETCH(QStringList, lines);
        ChooseLanguage(chinese);
        // A reader of the boxes loads the editor hidden, with its defaults in place.
        const QString first = Windows().ref<wrd>().Text1->text();
        wrd& w = Windows().ref<wrd>();
        QCOMPARE(first, lines[0]);
        QCOMPARE(Lines(w), lines);
        QVERIFY(!w.isVisible());
        QCOMPARE(State().GreetingFontName, std::string());

        // Switching the language later leaves the loaded lines alone.
        ChooseLanguage(!chinese);
        QCOMPARE(Lines(Windows().ref<wrd>()), lines);
    }

    void proposesTheBrushFontAndShowsTheLinesInIt() {
        wrd& w = Windows().ref<wrd>();
        QStringList listed;
        for (int i = 0; i < w.Combo1->count(); ++i) listed << w.Combo1->itemText(i);
        QCOMPARE(listed, QFontDatabase::families());
        QCOMPARE(w.Combo1->currentIndex(), -1);  // proposed, not picked

        // The Debian build machines have no 华文行楷 but carry AR PL UKai, its stand-in.
        QVERIFY(!QFontDatabase::families().contains(QStringLiteral("华文行楷")));
        QVERIFY(QFontDatabase::hasFamily(QStringLiteral("AR PL UKai CN")));
        QCOMPARE(w.Combo1->currentText(), QStringLiteral("华文行楷"));
        for (const QLineEdit* t : {w.Text1, w.Text2[0], w.Text2[1], w.Text2[2]}) {
            QVERIFY2(DrawnFamily(t).contains(QStringLiteral("kai"), Qt::CaseInsensitive),
                     qPrintable(DrawnFamily(t)));
            QVERIFY(t->font().italic());
        }
        QCOMPARE(w.Text1->font().pointSizeF(), 15.75);
        QCOMPARE(w.Text2[2]->font().pointSizeF(), 14.25);

        // OK at once stores the proposal.
        w.Command1_Click();
        QCOMPARE(State().GreetingFontName, std::string("华文行楷"));
    }

    void typingChangesNoBoxButOkStoresIt() {
        wrd& w = Windows().show<wrd>();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QString before = DrawnFamily(w.Text1);
        w.Combo1->lineEdit()->clear();
        QTest::keyClicks(w.Combo1->lineEdit(), QStringLiteral("WenQuanYi Zen Hei Mono"));
        QCOMPARE(DrawnFamily(w.Text1), before);

        // Picking the same name in the list does change the boxes.
        const int row = w.Combo1->findText(QStringLiteral("WenQuanYi Zen Hei Mono"));
        QVERIFY(row >= 0);
        const QModelIndex index = w.Combo1->model()->index(row, 0);
        w.Combo1List->scrollTo(index);
        QTest::mouseClick(w.Combo1List->viewport(), Qt::LeftButton, {},
                          w.Combo1List->visualRect(index).center());
        QCOMPARE(DrawnFamily(w.Text2[1]), QStringLiteral("WenQuanYi Zen Hei Mono"));

        // A typed name of a font the machine lacks is stored as typed.
        w.Combo1->lineEdit()->clear();
        QTest::keyClicks(w.Combo1->lineEdit(), QStringLiteral("No Such Face"));
        QCOMPARE(DrawnFamily(w.Text2[1]), QStringLiteral("WenQuanYi Zen Hei Mono"));
        w.Command1_Click();
        QCOMPARE(State().GreetingFontName, std::string("No Such Face"));
        QVERIFY(!w.isVisible());
    }

    void enterMovesAlongTheTabOrder() {
        wrd& w = Windows().show<wrd>();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.Text1->setFocus();
        QCOMPARE(QApplication::focusWidget(), w.Text1);
        QList<QSignalSpy*> spies;
        for (QLineEdit* t : {w.Text1, w.Text2[0], w.Text2[1], w.Text2[2]})
            spies << new QSignalSpy(t, &QLineEdit::returnPressed);
        const QList<QWidget*> expected{w.Text2[0], w.Text2[1], w.Text2[2], w.Command1,
                                       w.Command2, w.Command3, w.Combo1,   w.Text1};
        for (QWidget* next : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QTRY_COMPARE(QApplication::focusWidget(), next);
        }
        // The Enter reached no control: no box saw it, no button ran, no text changed.
        for (QSignalSpy* spy : spies) QCOMPARE(spy->count(), 0);
        qDeleteAll(spies);
        QVERIFY(w.isVisible());
        QCOMPARE(Lines(w), kChinese);
        QCOMPARE(State().GreetingFontName, std::string());

        // Other keys pass unchanged.
        w.Text1->setCursorPosition(w.Text1->text().size());
        QTest::keyClicks(w.Text1, QStringLiteral("ab"));
        QCOMPARE(w.Text1->text(), kChinese[0] + QStringLiteral("ab"));
    }

    void clearThenOkKeepsFourEmptyLines() {
        wrd& w = Windows().show<wrd>();
        w.Command2_Click();
        QVERIFY(w.isVisible());
        w.Command1_Click();
        QVERIFY(!w.isVisible());
        QCOMPARE(State().GreetingFontName, w.Combo1->currentText().toStdString());
        // The readers find the same, hidden, emptied window.
        QCOMPARE(&Windows().ref<wrd>(), &w);
        QCOMPARE(Lines(Windows().ref<wrd>()), QStringList(4, QString()));
    }

    void cancelBringsTheDefaultsBackAtTheNextLoad() {
        wrd* w = &Windows().show<wrd>();
        w->Command1_Click();  // a font name stored first
        w = &Windows().show<wrd>();
        w->Text1->setText(QStringLiteral("changed"));
        w->Command3_Click();
        QVERIFY(Windows().find<wrd>() == nullptr);
        QCOMPARE(State().GreetingFontName, std::string("华文行楷"));

        ChooseLanguage(false);
        QCOMPARE(Lines(Windows().ref<wrd>()), kEnglish);
    }

    void closingByTheFrameLosesTheLines() {
        wrd& w = Windows().show<wrd>();
        w.Text2[1]->setText(QStringLiteral("changed"));
        w.close();
        QVERIFY(Windows().find<wrd>() == nullptr);
        QCOMPARE(Lines(Windows().ref<wrd>()), kChinese);
    }
};

QTEST_MAIN(GreetingEditorTest)
#include "test_wrd.moc"
