// SPDX-License-Identifier: GPL-3.0-or-later
// The built command line, for what the golden outputs do not show.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <cstring>
#include <map>
#include <tuple>

#include "tests/support/clirun.h"
#include "tests/support/testpictures.h"

namespace orlenda {
namespace {

using namespace test;

std::map<QString, QByteArray> Contents(const Folder& f) {
    std::map<QString, QByteArray> files;
    for (const QString& name : QDir(f.dir()).entryList(QDir::Files | QDir::Hidden))
        files[name] = ReadFile(f.path(name));
    return files;
}

struct stat Status(const QString& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
    return st;
}

void ExpectFirstError(const Outcome& r, const char* pattern) {
    const QRegularExpression re(QStringLiteral("^orlenda: ") + QString::fromUtf8(pattern));
    EXPECT_TRUE(re.match(r.err.section(QLatin1Char('\n'), 0, 0)).hasMatch()) << r.err.toStdString();
}

// Each refusal with its status and first error line, nothing on standard output, and the
// folder as it was. A FIFO or a device is refused at once, not read.
TEST(Refusal, SaysWhyAndLeavesTheFolderAsItWas) {
    const struct {
        const char* args;
        int code;
        const char* error;
    } cases[] = {
        // clang-format off
        {"edoc 2008 --inset inset.bmp --crop 0,0,1e-300,1e-300 -o old.bmp", 2, "--crop 0,0,1e-300,1e-300 is empty"},
        {"edoc 2008 --greeting five.txt -o old.bmp", 1, "error: greeting file five.txt has 5 lines; a greeting has at most four$"},
        {"edoc 2008 --greeting latin1.txt -o old.bmp", 1, "error: greeting file latin1.txt is not UTF-8 text$"},
        {"edoc 2008 --greeting /dev/zero -o old.bmp", 1, "error: greeting file /dev/zero: a character device, not a regular file$"},
        {"edoc 2008 --greeting fifo -o old.bmp", 1, "error: greeting file fifo: a FIFO, not a regular file$"},
        {"edoc 2008 --greeting long.txt -o old.bmp", 1, "error: greeting file long.txt: larger than 4 KiB; a greeting is four short lines$"},
        {"edoc 2008 --greeting-font NoSuchFontFace -o old.bmp", 2, "--greeting-font \"NoSuchFontFace\": no such font is installed$"},
        {"model 2008 --data /dev/zero", 1, "error: /dev/zero: a character device, not a "},
        {"month 2008 2 --data fifo", 1, "error: fifo: a FIFO, not a regular file$"},
        {"edoc 2008 --data damaged.txt -o old.bmp", 1, "error: damaged.txt, line 9, "},
        {"edoc 2008 --background-colour 255,256,0 -o old.bmp", 2, "--background-colour must be R,G,B with each a whole number from 0 to 255, not \"255,256,0\"$"},
        {"model 2e3", 2, "YEAR must be a year in digits, such as 2008, not \"2e3\"$"},
        {"model \t2008", 2, "YEAR must be a year in digits"},
        {"edoc 2008 --format png -o old.bmp", 2, "--format png does not match the name old.bmp$"},
        {"edoc 2008 --inset inset.xpm -o old.bmp", 1, "error: inset picture inset.xpm: pictures must be JPG, GIF, .*, WEBP, TIF or TIFF files$"},
        {"edoc 2008 --inset broken.jpg -o old.bmp", 1, "error: .*broken\\.jpg"},
        {"sheet 2008 --paper A4 --inset inset.bmp --crop 900,0,100,100 -o out.pdf", 1, "error: --crop 900,0,100,100 lies outside the picture inset.bmp \\(600 x 450 twips\\)$"},
        {"sheet 2008 --paper A4 -o no/such/out.pdf", 1, "error: cannot write no/such/out.pdf: No such file or directory$"},
        {"sheet 2008 --paper A4 --printer orlenda-no-such-queue", 1, "error: 没有名为“orlenda-no-such-queue”的打印机。$"},
        {"model 2009 --data china.txt > /dev/full", 1, "error: cannot write the output$"},
        {"", 1, "the windows need a graphical session \\(no DISPLAY or WAYLAND_DISPLAY\\); the commands \\(orlenda help\\) run without one$"}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        Folder f;
        f.write(QStringLiteral("five.txt"), "1\n2\n3\n4\n5\n");
        f.write(QStringLiteral("latin1.txt"), "gr\xfc\xdf\n");
        f.write(QStringLiteral("long.txt"), QByteArray(4097, 'x'));
        f.write(QStringLiteral("broken.jpg"), "\xff\xd8\xff\xe0 not really a JPEG");
        f.write(QStringLiteral("old.bmp"), "an earlier output");
        QByteArray damaged = ReadFile(f.path(QStringLiteral("china.txt")));
        f.write(QStringLiteral("damaged.txt"), damaged.replace("2008 0 23 99", "2008 0 23 9x"));
        ASSERT_EQ(::mkfifo(QFile::encodeName(f.path(QStringLiteral("fifo"))).constData(), 0600), 0);
        QImage picture(40, 30, QImage::Format_RGB32);  // 600 x 450 twips
        picture.fill(Qt::blue);
        picture.save(f.path(QStringLiteral("inset.xpm")));
        picture.save(f.path(QStringLiteral("inset.bmp")));
        const auto before = Contents(f);
        // " > FILE": standard output goes there.
        const QStringList args = QString::fromUtf8(c.args).split(QStringLiteral(" > "));
        const Outcome r = args[0].isEmpty() ? test::Run(QStringLiteral(ORLENDA_BIN), {}, f.dir())
                                            : f.run(args[0], args.value(1));
        EXPECT_EQ(r.code, c.code) << r.err.toStdString();
        EXPECT_EQ(r.out, QString());
        ExpectFirstError(r, c.error);
        EXPECT_TRUE(Contents(f) == before);
    }
}

bool IsPdf(const QByteArray& bytes) {
    return bytes.startsWith("%PDF-") && bytes.trimmed().endsWith("%%EOF");
}

// What stands at the output's name, made by a shell. A save writes through a link of one's
// own; a device or FIFO behind a link, or another user's link in a sticky world-writable
// folder, is refused and left as it is; a file replaced keeps its mode, owner and group. Root
// plays the other user (nobody) and makes a null device of its own: a save gone wrong must not
// replace /dev/null.
TEST(Save, WhatStandsAtTheName) {
    const bool root = ::geteuid() == 0;
    const struct {
        const char* made;  // by root alone when it names nobody
        const char* end;   // the file out.pdf leads to
        int code;
        const char* error;
    } cases[] = {
        // clang-format off
        {"ln -s other.pdf out.pdf", "other.pdf", 0, ""},
        {"{ mknod null c 1 3 || ln -s /dev/null null; } 2>/dev/null && ln -s null out.pdf", "out.pdf", 1, "error: cannot write out.pdf: a character device, not a regular file$"},
        {"mkfifo fifo && ln -s fifo out.pdf", "out.pdf", 1, "error: cannot write out.pdf: a FIFO, not a regular file$"},
        {"cp other.pdf out.pdf && chmod 640 out.pdf", "out.pdf", 0, ""},
        {"mkdir -m 1777 sticky && ln -s \"$PWD/other.pdf\" sticky/x.pdf && chown -h nobody:nogroup sticky/x.pdf && ln -s sticky/x.pdf out.pdf",
         "other.pdf", 1, "error: cannot write out.pdf: a symbolic link that belongs to another user$"},
        {"cp other.pdf out.pdf && chmod 444 out.pdf && chown nobody:nogroup out.pdf", "out.pdf", 0, ""}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.made);
        if (!root && std::strstr(c.made, "nobody")) continue;  // told by the skip below
        Folder f;
        f.write(QStringLiteral("other.pdf"), "an earlier file");
        ASSERT_EQ(test::Run(QStringLiteral("sh"), {QStringLiteral("-c"), c.made}, f.dir()).code, 0);
        const QString out = f.path("out.pdf"), end = QFileInfo(f.path(c.end)).canonicalFilePath();
        const struct stat before = Status(end), linkBefore = Status(out);
        const QByteArray bytesBefore = S_ISREG(before.st_mode) ? ReadFile(end) : QByteArray();

        const Outcome r = f.run(QStringLiteral("sheet 2008 --paper A4 -o out.pdf"));
        EXPECT_EQ(r.code, c.code) << r.err.toStdString();
        if (c.code) ExpectFirstError(r, c.error);
        const struct stat after = Status(end);
        EXPECT_EQ(Status(out).st_mode & S_IFMT, linkBefore.st_mode & S_IFMT);
        EXPECT_EQ(std::tuple(after.st_mode, after.st_rdev, after.st_uid, after.st_gid),
                  std::tuple(before.st_mode, before.st_rdev, before.st_uid, before.st_gid));
        // Read only what is a regular file: a FIFO would wait for a writer.
        if (S_ISREG(before.st_mode)) {
            EXPECT_TRUE(c.code ? ReadFile(end) == bytesBefore : IsPdf(ReadFile(end)));
        }
        EXPECT_EQ(
            QDir(f.dir()).entryList({QStringLiteral(".orlenda-*")}, QDir::Files | QDir::Hidden),
            QStringList());
    }
    if (!root) GTEST_SKIP() << "another user's link and file need root to play nobody";
}

// The file is on the disk before its name is: fsync of the scratch file, then its rename.
TEST(Save, FlushedBeforeTheRename) {
    Folder f;
    // LeakSanitizer's check at the end needs ptrace, which strace holds.
    const QString asan = "ASAN_OPTIONS=" + qEnvironmentVariable("ASAN_OPTIONS") + ":detect_leaks=0";
    const Outcome r =
        test::Run(QStringLiteral("strace"),
                  {"-f", "-y", "-E", asan, "-o", f.path("trace"), "-e",
                   "trace=fsync,fdatasync,rename,renameat,renameat2", QStringLiteral(ORLENDA_BIN),
                   "edoc", "2008", "--data", "china.txt", "-o", "out.bmp"},
                  f.dir());
    const QString trace = QString::fromUtf8(ReadFile(f.path(QStringLiteral("trace"))));
    if (r.code != 0 && !trace.contains(QStringLiteral("exited with 0")))
        GTEST_SKIP() << "strace cannot follow the program here: " << r.err.toStdString();
    const QRegularExpression rename(
        QStringLiteral("rename\\w*\\(.*\"(?:.*/)?(\\.orlenda-[^\"]+)\".*out\\.bmp"));
    const QRegularExpressionMatch m = rename.match(trace);
    ASSERT_TRUE(m.hasMatch()) << trace.toStdString();
    const qsizetype synced =
        trace.indexOf(QRegularExpression(QStringLiteral("f(?:data)?sync\\(\\d+<[^>]*") +
                                         QRegularExpression::escape(m.captured(1)) + '>'));
    EXPECT_TRUE(synced >= 0 && synced < m.capturedStart()) << trace.toStdString();
}

// A greeting written with CR LF line ends draws as the same lines written with LF; its empty
// line (a lone CR before the LF) takes no room.
TEST(Program, GreetingWithCrLfLineEnds) {
    Folder f;
    const QByteArray lines = "\xe6\x81\xad\xe8\xb4\xba\n\nHappy New Year, 2008\n  end\n";
    f.write(QStringLiteral("lf.txt"), lines);
    f.write(QStringLiteral("crlf.txt"), QByteArray(lines).replace("\n", "\r\n"));
    for (const char* name : {"lf", "crlf"}) {
        const Outcome r = f.run(QStringLiteral("edoc 2008 --greeting %1.txt -o %1.bmp").arg(name));
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
    }
    EXPECT_EQ(ReadFile(f.path(QStringLiteral("lf.bmp"))),
              ReadFile(f.path(QStringLiteral("crlf.bmp"))));
}

// "-o -": the sheet as PDF, the document as PNG when asked; a .png name gives PNG too.
TEST(Program, WritesToStandardOutput) {
    Folder f;
    const QString out = f.path(QStringLiteral("stdout"));
    Outcome r = f.run(QStringLiteral("sheet 2008 --paper A4 -o -"), out);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(IsPdf(ReadFile(out)));
    r = f.run(QStringLiteral("edoc 2008 --format png -o -"), out);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(QImage::fromData(ReadFile(out), "png").size(), QSize(769, 1000));
    r = f.run(QStringLiteral("edoc 2008 -o doc.png"));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(QImage(f.path(QStringLiteral("doc.png")), "png").size(), QSize(769, 1000));
}

// Without --data, china.txt beside the program, whose years the help tells; missing: fail.
TEST(Program, ReadsChinaTxtBesideItself) {
    Folder f;
    const QString program = f.path(QStringLiteral("orlenda"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(ORLENDA_BIN), program));
    const QStringList args{QStringLiteral("model"), QStringLiteral("2008")};
    const Outcome found = test::Run(program, args, QDir::tempPath());
    EXPECT_EQ(found.err.toStdString(), "");
    EXPECT_TRUE(found.out.contains(QStringLiteral("春节"))) << found.out.toStdString();
    const Outcome help = test::Run(program, {QStringLiteral("--help")}, QDir::tempPath());
    EXPECT_TRUE(help.out.contains(QStringLiteral("YEAR: 2000 to 2010 with the installed")))
        << help.out.toStdString();
    QFile::remove(f.path(QStringLiteral("china.txt")));
    const Outcome missing = test::Run(program, args, QDir::tempPath());
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.out, QString());
    EXPECT_TRUE(missing.err.startsWith(QStringLiteral("orlenda: error: ") + f.dir() +
                                       QStringLiteral("/china.txt: cannot open the file")))
        << missing.err.toStdString();
}

}  // namespace
}  // namespace orlenda
