// The command line as the built program, for what the golden outputs do not show:
// refusals that must leave the folder as it was, outputs that cannot be written,
// and where the data file is looked for.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <map>

#include "tests/support/clirun.h"

namespace orlenda {
namespace {

using test::Folder;
using test::Outcome;

// Every file in the folder with its bytes.
std::map<QString, QByteArray> Contents(const Folder& f) {
    std::map<QString, QByteArray> files;
    for (const QString& name : QDir(f.dir()).entryList(QDir::Files | QDir::Hidden)) {
        QFile file(f.path(name));
        if (file.open(QIODevice::ReadOnly)) files[name] = file.readAll();
    }
    return files;
}

// Refusals the golden outputs do not show: each with its status, the first line of standard
// error (a pattern, after "orlenda: "), nothing on standard output, and the folder as it
// was: no new file and the earlier output old.bmp left whole.
TEST(Refusal, SaysWhyAndLeavesTheFolderAsItWas) {
    const struct {
        const char* args;
        int code;
        const char* error;
    } cases[] = {
        {"edoc 2008 --inset inset.bmp --crop 10,10,0,300 -o old.bmp", 2,
         "--crop 10,10,0,300 is empty"},
        {"edoc 2008 --greeting five.txt -o old.bmp", 1,
         "error: greeting file five.txt has 5 lines; a greeting has at most four$"},
        {"edoc 2008 --greeting latin1.txt -o old.bmp", 1,
         "error: greeting file latin1.txt is not UTF-8 text$"},
        {"edoc 2008 --inset inset.png -o old.bmp", 1,
         "error: inset picture inset.png: pictures must be JPG, GIF, BMP, JPEG, ICO or EMF "
         "files$"},
        {"edoc 2008 --inset broken.jpg -o old.bmp", 1, "error: .*broken\\.jpg"},
        {"sheet 2008 --paper A4 --inset inset.bmp --crop 900,0,100,100 -o out.pdf", 1,
         "error: --crop 900,0,100,100 lies outside the picture inset.bmp \\(600 x 450 twips\\)$"},
        {"edoc 2008 -o no/such/out.bmp", 1, "error: cannot write no/such/out.bmp: "},
        {"sheet 2008 --paper A4 -o no/such/out.pdf", 1, "error: cannot write no/such/out.pdf: "},
        {"sheet 2008 --paper A4 --printer orlenda-no-such-queue", 1,
         "error: 没有名为“orlenda-no-such-queue”的打印机。$"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        Folder f;
        f.write(QStringLiteral("five.txt"), "1\n2\n3\n4\n5\n");
        f.write(QStringLiteral("latin1.txt"), "gr\xfc\xdf\n");
        f.write(QStringLiteral("broken.jpg"), "\xff\xd8\xff\xe0 not really a JPEG");
        f.write(QStringLiteral("old.bmp"), "an earlier output");
        QImage picture(40, 30, QImage::Format_RGB32);  // 600 x 450 twips
        picture.fill(Qt::blue);
        picture.save(f.path(QStringLiteral("inset.png")));
        picture.save(f.path(QStringLiteral("inset.bmp")));
        const auto before = Contents(f);
        const Outcome r = f.run(QString::fromUtf8(c.args));
        EXPECT_EQ(r.code, c.code) << r.err.toStdString();
        EXPECT_EQ(r.out, QString());
        const QRegularExpression pattern(QStringLiteral("^orlenda: ") + QString::fromUtf8(c.error));
        EXPECT_TRUE(pattern.match(r.err.section(QLatin1Char('\n'), 0, 0)).hasMatch())
            << r.err.toStdString();
        EXPECT_TRUE(Contents(f) == before);
    }
}

TEST(Program, OutputThatCannotBeWrittenIsAFailure) {
    Folder f;
    const Outcome r =
        f.run(QStringLiteral("model 2009 --data china.txt"), QStringLiteral("/dev/full"));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.toStdString(), "orlenda: error: cannot write the output\n");
}

// The document as PNG when the name asks for it: Qt's PNG reader takes it.
TEST(Program, WritesTheDocumentAsPng) {
    Folder f;
    const Outcome r = f.run(QStringLiteral("edoc 2008 --data china.txt -o doc.png"));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(QImage(f.path(QStringLiteral("doc.png")), "png").size(), QSize(769, 1000));
}

// Without --data the program reads china.txt from its own folder, not the working one.
TEST(Program, ReadsChinaTxtBesideItself) {
    Folder f;
    const QString program = f.path(QStringLiteral("orlenda"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(ORLENDA_BIN), program));
    const QStringList args{QStringLiteral("model"), QStringLiteral("2008")};
    const Outcome found = test::Run(program, args, QDir::tempPath());
    EXPECT_EQ(found.err.toStdString(), "");
    EXPECT_TRUE(found.out.contains(QStringLiteral("春节"))) << found.out.toStdString();
    QFile::remove(f.path(QStringLiteral("china.txt")));
    const Outcome missing = test::Run(program, args, QDir::tempPath());
    EXPECT_EQ(missing.code, 0);
    EXPECT_TRUE(missing.err.startsWith(QStringLiteral("orlenda: warning: ") + f.dir() +
                                       QStringLiteral("/china.txt: ")))
        << missing.err.toStdString();
}

}  // namespace
}  // namespace orlenda
