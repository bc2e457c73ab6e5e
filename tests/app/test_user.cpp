// What a person meets in the installed program: Qt's own texts in Chinese, problems with
// china.txt told in Chinese, and saves that land where they can write. The saves need a user
// who is not root and a program folder that user cannot write (tests/support/unprivileged.sh
// runs this as nobody when started as root); otherwise they skip and say why.
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>
#include <algorithm>

#include "app/form1.h"
#include "app/qttranslations.h"
#include "core/yeardata.h"
#include "edoc/frmpreV.h"
#include "monthview/scr.h"
#include "printing/imagesave.h"
#include "support/windowtesting.h"
#include "windowbase/calendardata.h"

using namespace orlenda;
using namespace orlenda::testing;

class UserTest : public QObject, public WindowTestBase {
    Q_OBJECT
    static QString pictures() { return qEnvironmentVariable("HOME") + QStringLiteral("/Pictures"); }

    void needAnInstalledProgram() {
        if (geteuid() == 0) QSKIP("root writes everywhere; run as a user who is not root");
        if (FolderWritable(QCoreApplication::applicationDirPath()))
            QSKIP("this user can write the program's folder, unlike an installed program's");
    }

  private slots:
    void init() { startCase(); }
    void cleanup() { endCase(); }

    void qtSpeaksChinese() {
        QVERIFY(LoadQtChinese(*qApp));
        QMessageBox box(QMessageBox::NoIcon, QString(), QString(),
                        QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(box.button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
        QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("取消"));
    }

    void dataProblemsInChinese_data() {
        QTest::addColumn<QByteArray>("data");  // null: no file
        QTest::addColumn<int>("year");         // 0: the year list
        QTest::addColumn<QString>("told");     // %1: the file
        QByteArray badQingming = DataFile(2010);
        badQingming.replace(kLine2008, kLine2008.left(55) + "7");
        QByteArray twoBad = DataFile(2010);
        twoBad.replace(FillerLine(2001), FillerLine(2001).insert(12, ' '));
        twoBad.replace(FillerLine(2004) + "\r\n", "\r\n");
        QTest::newRow("bad field")
            << badQingming << 2008
            << "阴历数据文件 %1 第9行（2008年）有错：“清明日”一项是“ 7”，应为4或5。"
               "2008年的月历不显示阴历，公历日期照常显示；其他年份的阴历不受影响。";
        QTest::newRow("two bad lines")
            << twoBad << 0
            << "阴历数据文件 %1 第2行（2001年）有错：“第1个阴历月的天数”一项是“  2”，应为一个空格加"
               "两位数字（这一行有57个字符，应为56个）。2001年的月历不显示阴历，公历日期照常显示；"
               "另"
               "有1行也有错，那些年份同样不显示阴历；其他年份的阴历不受影响。";
        QTest::newRow("beyond the table") << DataFile(2010) << 2100
                                          << "本程序只能显示2000年至2099年的年历，2100年不在其中："
                                             "月历中既不显示公历日期，也不显示"
                                             "阴历。请选择2000年至2099年之间的年份。";
    }
    void dataProblemsInChinese() {
        QFETCH(QByteArray, data);
        QFETCH(int, year);
        QFETCH(QString, told);
        if (data.isNull())
            QFile::remove(dataPath());
        else
            writeData(data);
        const std::string path = dataPath().toStdString();
        DataReport report;
        if (year) {
            QVERIFY(!ReadYearRecord(path, year, report));
        } else {
            const YearList list = LoadYearList(path);
            report = list.report;
            const std::vector<std::string> shown = ShowableYears(list);
            QCOMPARE(shown.size(), size_t(9));  // 2000 to 2010 but the two bad lines
            QCOMPARE(std::count(shown.begin(), shown.end(), "2001"), 0);
        }
        QCOMPARE(DataProblemText(report), told.replace(QStringLiteral("%1"), dataPath()));
    }

    // The save button of the electronic document, as a user presses it.
    void documentGoesToPictures() {
        needAnInstalledProgram();
        QVERIFY(!QFileInfo::exists(pictures()));
        Form1& main = Windows().show<Form1>();
        PickFromList(main.Combo1, QStringLiteral("2008"));
        QTest::mouseClick(main.Command8, Qt::LeftButton);  // 创建电子文档
        frmpreV& doc = Windows().ref<frmpreV>();
        QVERIFY(QTest::qWaitForWindowExposed(&doc));
        QTest::mouseClick(doc.Command2, Qt::LeftButton);  // 显示年历
        messages.clear();
        QTest::mouseClick(doc.Command1, Qt::LeftButton);  // 保存图形
        const QString file = pictures() + QStringLiteral("/2008年历1.BMP");
        QCOMPARE(messages, QStringList{QStringLiteral("图形已成功保存在") + file});
        QCOMPARE(QImage(file).size(), QSize(769, 1000));
        QVERIFY(!QFileInfo::exists(QCoreApplication::applicationDirPath() + "/2008年历1.BMP"));
    }

    // TEST.BMP from a current folder the user cannot write.
    void monthViewPictureGoesToPictures() {
        needAnInstalledProgram();
        QVERIFY(QDir::setCurrent(QCoreApplication::applicationDirPath()));
        scr& view = Windows().show<scr>();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        messages.clear();
        QTest::mouseClick(view.Command1, Qt::LeftButton);
        const QString file = pictures() + QStringLiteral("/TEST.BMP");
        QCOMPARE(messages, QStringList{QStringLiteral("图形已成功保存在") + file});
        QVERIFY(!QImage(file).isNull());
        QVERIFY(!QFileInfo::exists(QStringLiteral("TEST.BMP")));
    }
};

int main(int argc, char** argv) {
    // A fresh home, so that the pictures folder is made by the program.
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qunsetenv("XDG_CONFIG_HOME");
    QApplication app(argc, argv);
    UserTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_user.moc"
