// SPDX-License-Identifier: GPL-3.0-or-later
// The installed program: Qt's texts in Chinese, and a save in the user's home, never the
// program's folder (run as nobody by tests/support/unprivileged.sh; otherwise skipped).

#include <QMessageBox>
#include <QPushButton>

#include "output/imagesave.h"
#include "support/windowtesting.h"
#include "windows/documentwindow.h"
#include "windows/qttranslations.h"

using namespace orlenda;
using namespace orlenda::testing;

class UserTest : public QObject, public WindowTestBase {
    Q_OBJECT
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

    void documentGoesToPictures() {
        // Installed, the program has no china.txt beside it; its folder is not written, even
        // by a user who could (root).
        const QString programDir = QCoreApplication::applicationDirPath();
        QVERIFY(!QFileInfo::exists(programDir + QStringLiteral("/china.txt")));
        const QString pictures = qEnvironmentVariable("HOME") + QStringLiteral("/Pictures");
        QVERIFY(!QFileInfo::exists(pictures));
        main().show();
        PickFromList(main().yearCombo, QStringLiteral("2008"));
        QTest::mouseClick(main().documentButton, Qt::LeftButton);  // 创建电子文档
        DocumentWindow* window = Find<DocumentWindow>();
        QVERIFY(window && QTest::qWaitForWindowExposed(window));
        QTest::mouseClick(window->showButton, Qt::LeftButton);  // 显示年历
        messages.clear();
        QTest::mouseClick(window->saveButton, Qt::LeftButton);  // 保存图形
        const QString file = pictures + QStringLiteral("/2008年历1.BMP");
        QCOMPARE(messages, QStringList{QStringLiteral("图形已成功保存在") + file});
        QCOMPARE(QImage(file).size(), QSize(769, 1000));
        QVERIFY(!QFileInfo::exists(programDir + QStringLiteral("/2008年历1.BMP")));
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
