// The command line as the built program: the model, data warnings, help, and every refusal
// with its status and message.
#include <gtest/gtest.h>

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <cctype>
#include <map>

#include "cli/cli.h"
#include "tests/support/clirun.h"

namespace orlenda {
namespace {

using test::Folder;
using test::Outcome;

// The model as an independent JSON reader sees it, checked for its shape.
QJsonObject ParseModel(const QString& json) {
    QJsonParseError error;
    const QJsonObject model = QJsonDocument::fromJson(json.toUtf8(), &error).object();
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    EXPECT_EQ(model.keys(), (QStringList{"DayGrid", "LunarGrid", "year"}));
    for (const char* grid : {"DayGrid", "LunarGrid"}) {
        EXPECT_EQ(model[grid].toArray().size(), 12) << grid;
        for (const auto& m : model[grid].toArray()) {
            EXPECT_EQ(m.toArray().size(), 6) << grid;
            for (const auto& w : m.toArray()) {
                EXPECT_EQ(w.toArray().size(), 7) << grid;
                for (const auto& cell : w.toArray()) EXPECT_TRUE(cell.isString()) << grid;
            }
        }
    }
    return model;
}

QString Cell(const QJsonObject& model, const char* grid, int m, int w, int d) {
    return model[grid].toArray()[m - 1].toArray()[w - 1].toArray()[d - 1].toString();
}

// The lunar text under a day's number; the number must stand in its weekday's column.
QString LunarOf(const QJsonObject& model, QDate date) {
    for (int w = 1; w <= 6; ++w)
        for (int d = 1; d <= 7; ++d)
            if (Cell(model, "DayGrid", date.month(), w, d) == QString::number(date.day()))
                return d == date.dayOfWeek() ? Cell(model, "LunarGrid", date.month(), w, d)
                                             : QStringLiteral("(wrong column)");
    return QStringLiteral("(no such day)");
}

TEST(ModelCommand, PublishedDates) {
    // Published lunar dates; in 2009 the leap month repeats the 5th, and 端午 stays in the
    // regular one.
    const std::pair<const char*, const char*> days[] = {
        {"2008-01-01", "廿三  "}, {"2008-02-07", "春节  "}, {"2008-06-08", "端午  "},
        {"2008-09-14", "中秋  "}, {"2009-05-28", "端午  "}, {"2009-06-27", "初五  "}};
    Folder f;
    std::map<int, QJsonObject> models;
    for (int year : {2008, 2009}) {
        const Outcome r = f.run(QStringLiteral("model %1 --data {data}").arg(year));
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.err, QString());
        models[year] = ParseModel(r.out);
        EXPECT_EQ(models[year]["year"].toInt(), year);
    }
    for (const auto& [iso, lunar] : days) {
        const QDate date = QDate::fromString(QString::fromLatin1(iso), Qt::ISODate);
        EXPECT_EQ(LunarOf(models[date.year()], date), QString::fromUtf8(lunar)) << iso;
    }
    // Cells as the model holds them, blanks included: 2008 starts on a Tuesday.
    EXPECT_EQ(Cell(models[2008], "DayGrid", 1, 1, 1), QStringLiteral("   "));
    EXPECT_EQ(Cell(models[2008], "LunarGrid", 1, 1, 1), QStringLiteral("      "));
    EXPECT_EQ(QString(QJsonDocument(models[2009]["LunarGrid"].toArray()).toJson()).count("端午"),
              1);
}

// Data problems are warnings naming file, line and field; the output comes without any
// lunar text, and a missing file is not created.
TEST(DataProblems, WarnAndLeaveTheLunarTextsOut) {
    const std::pair<const char*, const char*> cases[] = {
        {"model 2008 --data=none.txt",
         "none.txt: cannot open the file (No such file or directory)"},
        {"month 2008 2 --data none.txt",
         "none.txt: cannot open the file (No such file or directory)"},
        {"model 2012 --data {data}",
         "{data}: no line for the year 2012 (line 13; the file ends after line 11)"},
        {"model 2008 --data bad.txt", "bad.txt, line 9, QingmingDay: \" 7\" is neither 4 nor 5"}};
    for (const auto& [args, warning] : cases) {
        Folder f;
        auto lines = test::kLines2000To2010;
        lines[8].replace(54, 2, " 7");  // 2008's Qingming day
        QByteArray bad;
        for (const std::string& l : lines) bad += QByteArray::fromStdString(l) + "\r\n";
        f.write(QStringLiteral("bad.txt"), bad);
        const Outcome r = f.run(QString::fromUtf8(args));
        EXPECT_EQ(r.code, 0) << args;
        EXPECT_EQ(r.err, f.expand(QStringLiteral("orlenda: warning: %1; the lunar dates are left "
                                                 "blank\n")
                                      .arg(QString::fromUtf8(warning))));
        EXPECT_TRUE(r.out.contains(QStringLiteral("29"))) << args;  // February 29 still there
        EXPECT_FALSE(r.out.contains(QStringLiteral("初")) || r.out.contains(QStringLiteral("廿")));
        EXPECT_FALSE(QFile::exists(f.path(QStringLiteral("none.txt"))));
    }
}

struct Refusal {
    const char* args;  // run in a folder holding the input files below
    int code;
    const char* error;  // pattern of the first line of standard error, after "orlenda: "
};
class RefusedTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusedTest, SaysWhyAndWritesNothing) {
    Folder f;
    f.write(QStringLiteral("five.txt"), "1\n2\n3\n4\n5\n");
    f.write(QStringLiteral("latin1.txt"), "gr\xfc\xdf\n");
    f.picture(QStringLiteral("inset.png"), 40, 30, "PNG");
    f.picture(QStringLiteral("inset.bmp"), 40, 30, "BMP");
    const Outcome r = f.run(QString::fromUtf8(GetParam().args));
    EXPECT_EQ(r.code, GetParam().code) << r.err.toStdString();
    EXPECT_EQ(r.out, QString());
    const QString first = r.err.section(QLatin1Char('\n'), 0, 0);
    const QRegularExpression pattern(QStringLiteral("^orlenda: ") +
                                     QString::fromUtf8(GetParam().error));
    EXPECT_TRUE(pattern.match(first).hasMatch()) << first.toStdString();
    if (GetParam().code == kExitUsage) {
        EXPECT_TRUE(r.err.contains(QStringLiteral("usage: orlenda")) ||
                    r.err.contains(QStringLiteral("Try 'orlenda --help'")));
    }
    for (const QString& name : f.files())
        EXPECT_FALSE(name.startsWith(QStringLiteral("out")) || name.startsWith(QLatin1Char('.')))
            << name.toStdString();
}

// Wrong arguments (2), then commands that cannot do their work (1).
INSTANTIATE_TEST_SUITE_P(
    Arguments, RefusedTest,
    ::testing::Values(
        Refusal{"model", 2, "missing YEAR$"},
        Refusal{"model 2008x", 2, "YEAR must be a number, not \"2008x\"$"},
        Refusal{"model 2008 2009", 2, "unexpected argument \"2009\"$"},
        Refusal{"model 2008 --colour", 2, "unknown option --colour$"},
        Refusal{"model 2008 --data", 2, "option --data needs FILE$"},
        Refusal{"model 2008 --data a --data=b", 2, "option --data given twice$"},
        Refusal{"modle 2008", 2, "unknown command \"modle\"$"},
        Refusal{"help calendar", 2, "no command \"calendar\"$"},
        Refusal{"--version x", 2, "unexpected argument \"x\"$"},
        Refusal{"month 2008", 2, "missing MONTH$"},
        Refusal{"month 2008 13", 2, "MONTH must be a whole number from 1 to 12, not \"13\"$"},
        Refusal{"month 2008 1.5", 2, "MONTH must be .*\"1.5\"$"},
        Refusal{"month abc 1", 2, "YEAR must be a number"},
        Refusal{"sheet 2008 -o out.pdf", 2, "missing --paper A3\\|A4$"},
        Refusal{"sheet 2008 --paper A5 -o out.pdf", 2, "--paper must be A3 or A4, not \"A5\"$"},
        Refusal{"sheet 2008 --paper A4", 2, "missing -o OUT.pdf or --printer QUEUE$"},
        Refusal{"sheet 2008 --paper A4 -o out.pdf --printer q", 2,
                "give -o OUT.pdf or --printer QUEUE, not both$"},
        Refusal{"sheet 2008 --paper A4 -o out.png", 2, "-o out.png: the name must end in .pdf$"},
        Refusal{"sheet 2008 --paper A4 --colour-mode -o out.pdf", 2,
                "unknown option --colour-mode$"},
        Refusal{"sheet 2008 --paper A4 --crop 0,0,10,10 -o out.pdf", 2,
                "--crop needs --inset PICTURE$"},
        Refusal{"sheet 2008 --paper A4 --inset inset.bmp --crop 0,0,10 -o out.pdf", 2,
                "--crop must be four numbers X,Y,W,H, not \"0,0,10\"$"},
        Refusal{"edoc 2008 --inset inset.bmp --crop 10,10,0,300 -o out.bmp", 2,
                "--crop 10,10,0,300 is empty"},
        Refusal{"edoc 2008", 2, "missing -o OUT.bmp$"},
        Refusal{"edoc 2008 -o out.jpg", 2, "-o out.jpg: the name must end in .bmp or .png$"},
        Refusal{"edoc 2008 -o", 2, "option -o needs OUT.bmp$"},
        Refusal{"edoc 2008 --date-colour 256,0,0 -o out.bmp", 2,
                "--date-colour must be R,G,B with each a whole number from 0 to 255, not "
                "\"256,0,0\"$"},
        Refusal{"edoc 2008 --background-colour 1,2 -o out.bmp", 2,
                "--background-colour must be R,G,B"},
        Refusal{"edoc 2008 --greeting-colour -1,0,0 -o out.bmp", 2,
                "--greeting-colour must be R,G,B"},
        Refusal{"model 2100", 1,
                "error: year 2100 is not supported: the calendar covers 2000 to 2099$"},
        Refusal{"model -2008", 1, "error: year -2008 is not supported"},
        Refusal{"model 2008.5", 1, "error: year 2008.5 is not a whole year$"},
        Refusal{"sheet 1999 --paper A4 -o out.pdf", 1, "error: year 1999 is not supported"},
        Refusal{"sheet 2008 --paper A4 --greeting none.txt -o out.pdf", 1,
                "error: greeting file none.txt: No such file or directory$"},
        Refusal{"edoc 2008 --greeting five.txt -o out.bmp", 1,
                "error: greeting file five.txt has 5 lines; a greeting has at most four$"},
        Refusal{"edoc 2008 --greeting latin1.txt -o out.bmp", 1,
                "error: greeting file latin1.txt is not UTF-8 text$"},
        Refusal{"sheet 2008 --paper A3 --inset none.jpg -o out.pdf", 1,
                "error: inset picture none.jpg: No such file or directory$"},
        Refusal{"edoc 2008 --inset inset.png -o out.bmp", 1,
                "error: inset picture inset.png: pictures must be JPG, GIF, BMP, JPEG, ICO or "
                "EMF files$"},
        Refusal{"sheet 2008 --paper A4 --inset inset.bmp --crop 900,0,100,100 -o out.pdf", 1,
                "error: --crop 900,0,100,100 lies outside the picture inset.bmp \\(600 x 450 "
                "twips\\)$"},
        Refusal{"edoc 2008 --background none.bmp -o out.bmp", 1,
                "error: background picture none.bmp: No such file or directory$"},
        Refusal{"edoc 2008 -o no/such/out.bmp", 1, "error: cannot write no/such/out.bmp: "},
        Refusal{"sheet 2008 --paper A4 -o no/such/out.pdf", 1,
                "error: cannot write no/such/out.pdf: "},
        Refusal{"sheet 2008 --paper A4 --printer orlenda-no-such-queue", 1,
                "error: 没有名为“orlenda-no-such-queue”的打印机。$"}),
    [](const auto& info) {
        std::string name = info.param.code == kExitUsage ? "usage" : "failure";
        for (char c : std::string(" ") + info.param.args)
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST(Program, OutputThatCannotBeWrittenIsAFailure) {
    Folder f;
    const Outcome r =
        f.run(QStringLiteral("model 2009 --data {data}"), QStringLiteral("/dev/full"));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QStringLiteral("orlenda: error: cannot write the output\n"));
}

// Without --data the program reads china.txt from its own folder, not the working one.
TEST(Program, ReadsChinaTxtBesideItself) {
    Folder f;
    const QString program = f.path(QStringLiteral("orlenda"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(ORLENDA_BIN), program));
    QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner);
    const QStringList args{QStringLiteral("model"), QStringLiteral("2008")};
    QFile::rename(f.data(), f.path(QStringLiteral("elsewhere.txt")));
    const Outcome missing = Folder::runList(args, {}, program);
    EXPECT_EQ(missing.code, 0);
    EXPECT_TRUE(missing.err.startsWith(QStringLiteral("orlenda: warning: ") + f.data() + ": "))
        << missing.err.toStdString();
    QFile::rename(f.path(QStringLiteral("elsewhere.txt")), f.data());
    const Outcome found = Folder::runList(args, {}, program);
    EXPECT_EQ(found.err, QString());
    EXPECT_EQ(LunarOf(ParseModel(found.out), QDate(2008, 2, 7)), QStringLiteral("春节  "));
}

TEST(Help, NamesTheCommandsAndOptions) {
    // Each: the arguments, what standard output starts with, and what else it holds.
    const std::pair<const char*, QStringList> cases[] = {
        {"--help",
         {"usage: orlenda [COMMAND", "model YEAR [--data FILE]", "month YEAR MONTH",
          "sheet YEAR --paper A3|A4", "(-o OUT.pdf | --printer QUEUE)", "edoc YEAR", "-o OUT.bmp",
          "--version"}},
        {"-h", {"usage: orlenda [COMMAND"}},
        {"help", {"usage: orlenda [COMMAND"}},
        {"model --help", {"usage: orlenda model YEAR [--data FILE]\n", "--data FILE"}},
        {"help model", {"usage: orlenda model YEAR [--data FILE]\n"}},
        {"help edoc", {"usage: orlenda edoc YEAR", "--background-colour R,G,B"}}};
    for (const auto& [args, texts] : cases) {
        const Outcome r = Folder::runList(QString::fromLatin1(args).split(QLatin1Char(' ')));
        EXPECT_EQ(r.code, 0) << args;
        EXPECT_TRUE(r.out.startsWith(texts[0])) << args << "\n" << r.out.toStdString();
        for (const QString& t : texts) EXPECT_TRUE(r.out.contains(t)) << t.toStdString();
    }
    const Outcome version = Folder::runList({QStringLiteral("--version")});
    EXPECT_EQ(version.code, 0);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^orlenda \\d+\\.\\d+(\\.\\d+)?\\n$"))
                    .match(version.out)
                    .hasMatch())
        << version.out.toStdString();
}

}  // namespace
}  // namespace orlenda
