// The command line: in process through RunCommandLine, and end to end as the built program.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/cli.h"
#include "tests/core/testfiles.h"

#ifndef ORLENDA_BIN
#error "ORLENDA_BIN must name the built orlenda program"
#endif

namespace orlenda {
namespace {

using test::kLines2000To2010;
using test::TempDir;

struct Result {
    int code = -1;
    std::string out, err;
};

Result RunInProcess(const std::vector<std::string>& args,
                    const std::string& programDir = "/nonexistent") {
    std::ostringstream out, err;
    Result r;
    r.code = RunCommandLine(args, out, err, programDir);
    r.out = out.str();
    r.err = err.str();
    return r;
}

std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs the program with args; stdout goes to outPath when given (e.g. /dev/full).
Result RunProgram(const std::string& program, const std::vector<std::string>& args,
                  const std::string& outPath = "") {
    TempDir tmp;
    std::string command = ShellQuote(program);
    for (const auto& a : args) command += " " + ShellQuote(a);
    std::string out = outPath.empty() ? tmp.file("out") : outPath;
    command += " >" + ShellQuote(out) + " 2>" + ShellQuote(tmp.file("err")) + " </dev/null";
    int status = std::system(command.c_str());
    Result r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (outPath.empty()) r.out = ReadFile(out);
    r.err = ReadFile(tmp.file("err"));
    return r;
}

// The model as parsed by an independent JSON reader, checked for its shape.
QJsonObject ParseModel(const std::string& json) {
    QJsonParseError error;
    QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    EXPECT_TRUE(doc.isObject());
    QJsonObject model = doc.object();
    EXPECT_EQ(model.keys(), (QStringList{"DayGrid", "LunarGrid", "year"}));
    for (const char* grid : {"DayGrid", "LunarGrid"}) {
        QJsonArray months = model[grid].toArray();
        EXPECT_EQ(months.size(), 12) << grid;
        for (const auto& m : months) {
            EXPECT_EQ(m.toArray().size(), 6) << grid;
            for (const auto& w : m.toArray()) {
                EXPECT_EQ(w.toArray().size(), 7) << grid;
                for (const auto& cell : w.toArray()) EXPECT_TRUE(cell.isString()) << grid;
            }
        }
    }
    return model;
}

// Cell (month 1..12, row 1..6, column 1..7) of a grid.
std::string Cell(const QJsonObject& model, const char* grid, int m, int w, int d) {
    return model[grid].toArray()[m - 1].toArray()[w - 1].toArray()[d - 1].toString().toStdString();
}

int CountCells(const QJsonObject& model, const char* grid, const std::string& text) {
    int n = 0;
    for (int m = 1; m <= 12; ++m)
        for (int w = 1; w <= 6; ++w)
            for (int d = 1; d <= 7; ++d) n += Cell(model, grid, m, w, d) == text;
    return n;
}

TEST(ModelCommand, PrintsTheModelOf2008AsJson) {
    TempDir tmp;
    std::string data = tmp.writeLines("china.txt", kLines2000To2010);
    Result r = RunInProcess({"model", "2008", "--data", data});
    EXPECT_EQ(r.code, kExitOk);
    EXPECT_EQ(r.err, "");
    QJsonObject model = ParseModel(r.out);
    EXPECT_EQ(model["year"].toInt(), 2008);
    // January 1, 2008 was a Tuesday; the Monday cell is three blanks.
    EXPECT_EQ(Cell(model, "DayGrid", 1, 1, 1), "   ");
    EXPECT_EQ(Cell(model, "DayGrid", 1, 1, 2), "1");
    EXPECT_EQ(Cell(model, "LunarGrid", 1, 1, 1), "      ");
    EXPECT_EQ(Cell(model, "LunarGrid", 1, 1, 2), "廿三  ");
    // Spring Festival Thursday February 7, Dragon Boat Sunday June 8.
    EXPECT_EQ(Cell(model, "DayGrid", 2, 2, 4), "7");
    EXPECT_EQ(Cell(model, "LunarGrid", 2, 2, 4), "春节  ");
    EXPECT_EQ(Cell(model, "DayGrid", 6, 2, 7), "8");
    EXPECT_EQ(Cell(model, "LunarGrid", 6, 2, 7), "端午  ");
    EXPECT_EQ(CountCells(model, "DayGrid", "29"), 12);  // February 29 included
}

TEST(ModelCommand, MissingDataWarnsAndLeavesLunarCellsBlank) {
    TempDir tmp;
    std::string data = tmp.file("none.txt");
    Result r = RunInProcess({"model", "--data=" + data, "2008"});
    EXPECT_EQ(r.code, kExitOk);
    EXPECT_EQ(r.err, "orlenda: warning: " + data +
                         ": cannot open the file (No such file or directory); the lunar dates are "
                         "left blank\n");
    QJsonObject model = ParseModel(r.out);
    EXPECT_EQ(CountCells(model, "LunarGrid", "      "), 12 * 6 * 7);
    EXPECT_EQ(Cell(model, "DayGrid", 2, 5, 5), "29");
    EXPECT_FALSE(std::filesystem::exists(data));
}

TEST(ModelCommand, BadLineWarnsWithFileLineAndField) {
    TempDir tmp;
    auto lines = kLines2000To2010;
    lines[8].replace(54, 2, " 7");  // 2008's Qingming day
    std::string data = tmp.writeLines("china.txt", lines);
    Result r = RunInProcess({"model", "2008", "--data", data});
    EXPECT_EQ(r.code, kExitOk);
    EXPECT_EQ(r.err, "orlenda: warning: " + data +
                         ", line 9, QingmingDay: \" 7\" is neither 4 nor 5; the lunar dates are "
                         "left blank\n");
    EXPECT_EQ(CountCells(ParseModel(r.out), "LunarGrid", "      "), 12 * 6 * 7);
}

struct UsageCase {
    const char* name;
    std::vector<std::string> args;
    int code;
    std::string err;  // first line of standard error
};
class CommandErrorTest : public ::testing::TestWithParam<UsageCase> {};

TEST_P(CommandErrorTest, ExitsWithItsCodeAndSaysWhy) {
    Result r = RunInProcess(GetParam().args);
    EXPECT_EQ(r.code, GetParam().code);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')), GetParam().err);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandErrorTest,
    ::testing::Values(
        UsageCase{"NoYear", {"model"}, kExitUsage, "orlenda: missing YEAR"},
        UsageCase{"YearNotANumber",
                  {"model", "2008x"},
                  kExitUsage,
                  "orlenda: YEAR must be a number, not \"2008x\""},
        UsageCase{"TwoYears",
                  {"model", "2008", "2009"},
                  kExitUsage,
                  "orlenda: unexpected argument \"2009\""},
        UsageCase{"UnknownOption",
                  {"model", "2008", "--colour"},
                  kExitUsage,
                  "orlenda: unknown option --colour"},
        UsageCase{"DataWithoutFile",
                  {"model", "2008", "--data"},
                  kExitUsage,
                  "orlenda: option --data needs FILE"},
        UsageCase{"DataTwice",
                  {"model", "2008", "--data", "a", "--data=b"},
                  kExitUsage,
                  "orlenda: option --data given twice"},
        UsageCase{
            "UnknownCommand", {"modle", "2008"}, kExitUsage, "orlenda: unknown command \"modle\""},
        UsageCase{
            "HelpOfUnknown", {"help", "calendar"}, kExitUsage, "orlenda: no command \"calendar\""},
        UsageCase{"YearTooLate",
                  {"model", "2100"},
                  kExitFailure,
                  "orlenda: error: year 2100 is not supported: the calendar covers 2000 to 2099"},
        UsageCase{"YearNegative",
                  {"model", "-2008"},
                  kExitFailure,
                  "orlenda: error: year -2008 is not supported: the calendar covers 2000 to "
                  "2099"},
        UsageCase{"YearFraction",
                  {"model", "2008.5"},
                  kExitFailure,
                  "orlenda: error: year 2008.5 is not a whole year"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Help, NamesEveryCommandAndOption) {
    for (auto args : {std::vector<std::string>{"--help"}, {"-h"}, {"help"}}) {
        Result r = RunInProcess(args);
        EXPECT_EQ(r.code, kExitOk);
        EXPECT_EQ(r.out.rfind("usage: orlenda", 0), 0u) << r.out;
        EXPECT_NE(r.out.find("model YEAR [--data FILE]"), std::string::npos) << r.out;
    }
    for (auto args : {std::vector<std::string>{"model", "--help"}, {"help", "model"}}) {
        Result r = RunInProcess(args);
        EXPECT_EQ(r.code, kExitOk);
        EXPECT_EQ(r.out.rfind("usage: orlenda model YEAR [--data FILE]\n", 0), 0u) << r.out;
        EXPECT_NE(r.out.find("--data FILE"), std::string::npos);
    }
}

struct JsonCase {
    std::string text, json;
};
class JsonStringTest : public ::testing::TestWithParam<JsonCase> {};

TEST_P(JsonStringTest, EscapesWhatJsonRequires) {
    EXPECT_EQ(JsonString(GetParam().text), GetParam().json);
    // And a JSON reader gets the text back.
    QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray::fromStdString("[" + JsonString(GetParam().text) + "]"));
    EXPECT_EQ(doc.array()[0].toString().toStdString(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, JsonStringTest,
    ::testing::Values(JsonCase{"   ", "\"   \""}, JsonCase{"初五  ", "\"初五  \""},
                      JsonCase{"a\"b", "\"a\\\"b\""}, JsonCase{"a\\b", "\"a\\\\b\""},
                      JsonCase{"\n\t\r", "\"\\n\\t\\r\""},
                      JsonCase{std::string("\x01\x1f", 2), "\"\\u0001\\u001f\""},
                      JsonCase{std::string("\0", 1), "\"\\u0000\""}));

// End to end: the built program, its exit codes and its default data file.
TEST(Program, RunsTheCommandAndExitsWithItsCode) {
    TempDir tmp;
    std::string data = tmp.writeLines("china.txt", kLines2000To2010);
    Result ok = RunProgram(ORLENDA_BIN, {"model", "2009", "--data", data});
    EXPECT_EQ(ok.code, 0) << ok.err;
    EXPECT_EQ(ok.err, "");
    QJsonObject model = ParseModel(ok.out);
    EXPECT_EQ(model["year"].toInt(), 2009);
    // Thursday May 28, 2009: Dragon Boat in the regular 5th month, not the leap one.
    EXPECT_EQ(Cell(model, "DayGrid", 5, 5, 4), "28");
    EXPECT_EQ(Cell(model, "LunarGrid", 5, 5, 4), "端午  ");
    EXPECT_EQ(CountCells(model, "LunarGrid", "端午  "), 1);

    EXPECT_EQ(RunProgram(ORLENDA_BIN, {"model"}).code, 2);
    EXPECT_EQ(RunProgram(ORLENDA_BIN, {"model", "1999"}).code, 1);
    Result full = RunProgram(ORLENDA_BIN, {"model", "2009", "--data", data}, "/dev/full");
    EXPECT_EQ(full.code, 1);
    EXPECT_EQ(full.err, "orlenda: error: cannot write the output\n");
}

TEST(Program, ReadsChinaTxtBesideItselfByDefault) {
    TempDir tmp;
    std::string program = tmp.file("orlenda");
    std::filesystem::copy_file(ORLENDA_BIN, program);
    std::filesystem::permissions(program, std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
    // Run from another folder so that only the program's own folder can supply the file.
    Result missing = RunProgram(program, {"model", "2008"});
    EXPECT_EQ(missing.code, 0);
    EXPECT_EQ(missing.err, "orlenda: warning: " + tmp.file("china.txt") +
                               ": cannot open the file (No such file or directory); the lunar "
                               "dates are left blank\n");
    tmp.writeLines("china.txt", kLines2000To2010);
    Result found = RunProgram(program, {"model", "2008"});
    EXPECT_EQ(found.code, 0);
    EXPECT_EQ(found.err, "");
    EXPECT_EQ(Cell(ParseModel(found.out), "LunarGrid", 2, 2, 4), "春节  ");
}

}  // namespace
}  // namespace orlenda
