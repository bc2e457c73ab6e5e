// SPDX-License-Identifier: GPL-3.0-or-later
// Long use: the document scrolled, now and then a sheet saved as PDF. Peak memory after a
// warm-up grows by less than 5 MB, no file stays open, the drawing stays as a fresh window's.
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QScrollBar>

#include "printing/printprompts.h"
#include "support/windowtesting.h"
#include "windows/documentwindow.h"
#include "windows/picturechooser.h"

using namespace orlenda;
using namespace orlenda::testing;

namespace {

long PeakKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    const QByteArray text = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
    return text.mid(text.indexOf("VmHWM:") + 6).simplified().split(' ').value(0).toLong();
}

int OpenFiles() { return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::System).size(); }

// Presses the key toward the current direction, turning at either end of the property.
void Bounce(QWidget* w, const char* property, bool& down, Qt::Key forth, Qt::Key back) {
    const QVariant before = w->property(property);
    QTest::keyClick(w, down ? forth : back);
    if (w->property(property) == before) down = !down;
}

}  // namespace

class SoakTest : public QObject, public WindowTestBase {
    Q_OBJECT
    MainWindow* main_ = nullptr;
    bool scrollDown_ = true, yearDown_ = true;
    int sheets_ = 0;  // so far

    static DocumentWindow& document() { return *Find<DocumentWindow>(); }

    void use(int steps, int perSheet) {
        QScrollBar* bar = document().documentScrollBar;
        for (int i = 1; i <= steps; ++i) {
            Bounce(bar, "value", scrollDown_, i % 8 ? Qt::Key_Down : Qt::Key_PageDown,
                   i % 8 ? Qt::Key_Up : Qt::Key_PageUp);
            QTest::qWait(0);  // the event loop runs between keys: closed previews deleted
            if (i % perSheet) continue;
            Bounce(main_->yearCombo, "currentIndex", yearDown_, Qt::Key_Down, Qt::Key_Up);
            Click(++sheets_ % 3 ? main_->colourRadio : main_->monoRadio);
            auto* preview = PreviewOf(sheets_ % 2 ? main_->printA3Button : main_->printA4Button);
            QVERIFY(preview);
            Click(preview->pdfButton);
            QCOMPARE(messages, QStringList{QStringLiteral("年历已保存为PDF文件：") +
                                           dir.filePath(QStringLiteral("sheet.pdf"))});
            messages.clear();
        }
    }

  private slots:
    void initTestCase() {
        startCase();
        doc->setDataPath(ORLENDA_DATA_FILE);
        PrintDialogs().saveFileName = [this](auto...) { return dir.filePath("sheet.pdf"); };
        main_ = &main();
        main_->show();
        // A picture whose pixels all differ from their neighbours, so nothing compresses it away.
        QImage photo(770, 1000, QImage::Format_RGB32);
        QRandomGenerator(1).fillRange(reinterpret_cast<quint32*>(photo.bits()), 770 * 1000);
        QVERIFY(photo.save(dir.filePath(QStringLiteral("photo.jpg"))));
        Click(main_->choosePictureButton);
        PictureChooser& chooser = *Find<PictureChooser>();
        QVERIFY(chooser.folderList->setPath(dir.path()));
        QVERIFY(ClickItem(chooser.fileList, QStringLiteral("photo.jpg")));
        Click(chooser.backgroundButton);
        Click(chooser.insetButton);
        Click(chooser.okButton);
        Click(main_->documentButton);
        Click(document().useBackgroundCheck);
        Click(document().showButton);
    }

    void cleanupTestCase() { endCase(); }

    void longUse() {
        const int steps = qEnvironmentVariableIntValue("ORLENDA_SOAK_SCROLL_STEPS");
        const int sheets = qEnvironmentVariableIntValue("ORLENDA_SOAK_SHEETS");
        QVERIFY2(steps > 0 && sheets > 0, "the counts come from the test's environment");
        // Warm-up: font and glyph caches, the PDF engine, image buffers reach their size.
        use(200, 10);
        const long warm = PeakKiB();
        const int files = OpenFiles();
        QVERIFY(warm > 0 && files > 0);
        use(steps, steps / sheets);
        const long end = PeakKiB();
        qInfo("soak: %d steps, %d sheets: VmHWM %ld KiB after warm-up, %ld KiB at the end", steps,
              sheets_, warm, end);
        QCOMPARE(OpenFiles(), files);

        PickFromList(main_->yearCombo, QStringLiteral("2008"));
        Click(main_->documentButton);
        QTest::keyClick(document().documentScrollBar, Qt::Key_Home);
        Click(document().showButton);
        const QImage soaked = document().documentPicture->box().Image().copy();
        document().close();
        Click(main_->documentButton);
        Click(document().useBackgroundCheck);
        Click(document().showButton);
        QCOMPARE(soaked, document().documentPicture->box().Image());

        if (qEnvironmentVariableIntValue("ORLENDA_SOAK_NO_MEMORY_BOUND"))
            QSKIP("memory figures reported only (sanitizer build)");
        QVERIFY2((end - warm) * 1024 < 5000000,
                 qPrintable(QStringLiteral("peak memory grew by %1 KiB").arg(end - warm)));
    }
};

QTEST_MAIN(SoakTest)
#include "test_soak.moc"
