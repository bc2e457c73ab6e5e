// The commands model, month, sheet and edoc: each checks its arguments, then draws with the
// code the windows use and writes the result.
#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QRadioButton>
#include <cerrno>
#include <cstdint>
#include <iostream>

#include "cli/cli.h"
#include "cli/options.h"
#include "cli/session.h"
#include "core/appstate.h"
#include "core/calendar.h"
#include "document/calendardocument.h"
#include "graphics/surface.h"
#include "output/imagesave.h"
#include "printing/yearsheet.h"
#include "render/monthrenderer.h"
#include "windows/documentwindow.h"
#include "windows/mainwindow.h"
#include "windows/picturechooser.h"
#include "windows/registry.h"

namespace orlenda::cli {

namespace {

const Option kDataOption{"--data", "FILE", "lunar data file (default: china.txt beside orlenda)"};
const Option kGreetingOption{"--greeting", "FILE",
                             "greeting, up to four lines of UTF-8 text (default: the Chinese "
                             "greeting, or the English one with --english)"};
const Option kGreetingFontOption{"--greeting-font", "FACE", "font of the greeting"};
const Option kInsetOption{"--inset", "PICTURE", "inset picture (JPG, GIF, BMP, JPEG, ICO, EMF)"};
const Option kCropOption{"--crop", "X,Y,W,H",
                         "part of the inset picture, in twips of the picture at natural size "
                         "(15 a pixel; default: the whole picture)"};

// ---- model

// The grid as JSON: a list of twelve months, each of six week rows of seven cells.
void WriteGrid(std::ostream& out, const Grid& grid) {
    out << "[";
    for (int m = 1; m <= 12; ++m) {
        out << (m == 1 ? "\n  [" : ",\n  [");
        for (int w = 1; w <= 6; ++w) {
            QJsonArray row;
            for (int d = 1; d <= 7; ++d) row.append(Q(grid[m][w][d]));
            out << (w == 1 ? "" : ", ")
                << QJsonDocument(row).toJson(QJsonDocument::Compact).toStdString();
        }
        out << "]";
    }
    out << "\n ]";
}

int RunModel(Invocation& inv) {
    int year = YearArgument(inv.arguments[0]);
    CalendarModel model;
    BuildModel(inv, year, model);
    inv.out << "{\"year\": " << year << ",\n \"DayGrid\": ";
    WriteGrid(inv.out, model.DayGrid);
    inv.out << ",\n \"LunarGrid\": ";
    WriteGrid(inv.out, model.LunarGrid);
    inv.out << "\n}\n";
    return kExitOk;
}

// ---- month

// A picture box like the month view's that writes down the texts drawn, line by line.
class LineRecorder : public PictureBox {
  public:
    using PictureBox::PictureBox;
    std::vector<QString> lines;

  protected:
    void drawText(double, double y, const QString& text) override {
        if (lines.empty() || y != lineY_) {
            lines.emplace_back();
            lineY_ = y;
        }
        lines.back() += text;
    }

  private:
    double lineY_ = 0;
};

int RunMonth(Invocation& inv) {
    const int year = YearArgument(inv.arguments[0]);
    const std::string& monthText = inv.arguments[1];
    const QString m = Q(monthText).trimmed();
    bool isNumber = !m.isEmpty();
    for (QChar ch : m) isNumber = isNumber && ch.isDigit() && ch.unicode() < 128;
    const int month = isNumber && m.size() <= 2 ? m.toInt() : 0;
    if (month < 1 || month > 12)
        throw UsageError("MONTH must be a whole number from 1 to 12, not " + Quoted(monthText));

    Session session(inv);
    BuildModel(inv, year, Model());
    // The month view's picture box: its size, colour and font.
    LineRecorder view(6255, 4575, RGB(192, 255, 192));
    view.FontName = QStringLiteral("宋体");
    view.FontSize = 9;
    PrintMonthView(view, Model(), std::int16_t(month));
    for (const QString& line : view.lines) inv.out << Str(line) << '\n';
    return kExitOk;
}

void WriteSheetPdf(const std::string& out, int paper, const SheetInputs& in,
                   Colour* savedTitleColor) {
    const QFileInfo target(Q(out));
    if (target.isDir()) throw Failure("cannot write " + out + ": " + SystemError(EISDIR));
    // The sheet writer saves atomically: out is whole or untouched.
    QString error;
    if (!WriteYearSheetPdf(target.absoluteFilePath(), paper, in, Model(), &error, savedTitleColor))
        throw Failure("cannot write " + out + ": " + Str(error));
}

int RunSheet(Invocation& inv) {
    const int year = YearArgument(inv.arguments[0]);
    const auto paperText = inv.option("--paper");
    if (!paperText) throw UsageError("missing --paper A3|A4");
    const QString p = Q(*paperText).toUpper();
    if (p != QLatin1String("A3") && p != QLatin1String("A4"))
        throw UsageError("--paper must be A3 or A4, not " + Quoted(*paperText));
    const int paper = p == QLatin1String("A3") ? kPaperA3 : kPaperA4;
    const auto out = inv.option("-o");
    const auto queue = inv.option("--printer");
    if (out && queue) throw UsageError("give -o OUT.pdf or --printer QUEUE, not both");
    if (!out && !queue) throw UsageError("missing -o OUT.pdf or --printer QUEUE");
    if (out) OutputSuffix(*out, "-o", {QStringLiteral("pdf")});
    if (queue && queue->empty()) throw UsageError("--printer needs a queue name");
    CropOption(inv);

    Session session(inv);
    Form1& main = session.mainWindow(year, inv.flag("--english"), inv.flag("--colour"));
    session.greeting();
    session.inset();
    const SheetInputs in = main.GatherSheetInputs();
    Colour* saved = paper == kPaperA4 ? &main.SavedTitleColor : nullptr;
    if (out) {
        WriteSheetPdf(*out, paper, in, saved);
        return kExitOk;
    }
    const PrintResult result = PrintYearSheetToPrinter(Q(*queue), paper, in, Model(), saved);
    if (result.status == PrintResult::Status::Failed)
        throw Failure(result.message.isEmpty() ? "the sheet was not printed on " + *queue
                      : result.detail.isEmpty()
                          ? Str(result.message)
                          : Str(result.message) + " (" + Str(result.detail) + ")");
    if (!result.message.isEmpty()) inv.warn(Str(result.message));
    return kExitOk;
}

// Enters a colour in the palette as the user does: the option, the three boxes, Enter.
void MixColour(DocumentWindow& w, QRadioButton* option, Colour c) {
    option->setChecked(true);
    w.rgbEdits[0]->setText(QString::number(c & 0xff));
    w.rgbEdits[1]->setText(QString::number((c >> 8) & 0xff));
    w.rgbEdits[2]->setText(QString::number((c >> 16) & 0xff));
    w.applyColour(0);
}

void SavePicture(const QImage& image, const std::string& out, const QString& suffix) {
    const QString error = WriteImageWhole(image.convertToFormat(QImage::Format_RGB888), Q(out),
                                          suffix == QLatin1String("png") ? "png" : "bmp");
    if (!error.isEmpty()) throw Failure("cannot write " + out + ": " + Str(error));
}

int RunEdoc(Invocation& inv) {
    const int year = YearArgument(inv.arguments[0]);
    const auto out = inv.option("-o");
    if (!out) throw UsageError("missing -o OUT.bmp");
    const QString suffix = OutputSuffix(*out, "-o", {QStringLiteral("bmp"), QStringLiteral("png")});
    const auto background = ColourOption(inv, "--background-colour");
    const auto date = ColourOption(inv, "--date-colour");
    const auto greeting = ColourOption(inv, "--greeting-colour");
    CropOption(inv);

    Session session(inv);
    session.mainWindow(year, inv.flag("--english"), false);
    session.greeting();
    session.inset();
    std::string backgroundPath;
    if (const auto path = inv.option("--background")) {
        // Checked as the chooser would list it; the document loads it itself.
        const QFileInfo info = InputFile(*path, "background picture");
        if (!MatchesPattern(info.fileName(), kPictureFilePattern))
            throw Failure("background picture " + *path +
                          ": pictures must be JPG, GIF, BMP, JPEG, ICO or EMF files");
        backgroundPath = Str(info.absoluteFilePath());
        SharedDocument().setBackgroundPath(Q(backgroundPath));
    }

    DocumentWindow w(SharedDocument());
    session.takeMessages();
    if (background) MixColour(w, w.backgroundOption, *background);
    if (!backgroundPath.empty()) {
        w.useBackgroundCheck->setChecked(true);
        const std::string said = session.takeMessages();
        if (!w.useBackgroundCheck->isChecked())
            throw Failure(said.empty() ? "background picture " + *inv.option("--background") +
                                             " cannot be used"
                                       : said);
    }
    if (date) MixColour(w, w.dateOption, *date);
    if (greeting) MixColour(w, w.greetingOption, *greeting);
    const std::string said = session.takeMessages();
    if (!said.empty()) throw Failure(said);

    w.showCalendar();
    SavePicture(w.documentPicture->box().Image(), *out, suffix);
    return kExitOk;
}

}  // namespace

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {
        {"model", {"YEAR"}, "print the calendar model of YEAR as JSON", {kDataOption}, RunModel},
        {"month",
         {"YEAR", "MONTH"},
         "print the screen month view of MONTH (1 to 12) of YEAR as text, one line per drawn "
         "line",
         {kDataOption},
         RunMonth},
        {"sheet",
         {"YEAR"},
         "make the year sheet of the A3/A4 buttons, as a PDF file or on a print queue",
         {{"--paper", "A3|A4", "paper of the sheet (required)"},
          {"--colour", "", "colour printing"},
          {"--english", "", "English month and weekday labels and default greeting"},
          kGreetingOption,
          kGreetingFontOption,
          kInsetOption,
          kCropOption,
          {"-o", "OUT.pdf", "write the sheet to this PDF file"},
          {"--printer", "QUEUE", "send the sheet to this print queue"},
          kDataOption},
         RunSheet,
         "sheet YEAR --paper A3|A4 [--colour] [--english] [--greeting FILE] [--greeting-font "
         "FACE] [--inset PICTURE [--crop X,Y,W,H]] (-o OUT.pdf | --printer QUEUE) [--data FILE]"},
        {"edoc",
         {"YEAR"},
         "make the electronic document picture of YEAR as a BMP file (PNG for a .png name)",
         {{"--background", "PICTURE", "background picture"},
          {"--background-colour", "R,G,B", "background colour (default 128,255,128)"},
          {"--date-colour", "R,G,B", "colour of the calendar text (default 0,0,0)"},
          {"--greeting-colour", "R,G,B", "colour of the greeting (default 255,0,0)"},
          kGreetingOption,
          kGreetingFontOption,
          {"--english", "", "the English default greeting"},
          kInsetOption,
          kCropOption,
          {"-o", "OUT.bmp", "write the picture to this file (required)"},
          kDataOption},
         RunEdoc,
         "edoc YEAR [--background PICTURE] [--background-colour R,G,B] [--date-colour R,G,B] "
         "[--greeting-colour R,G,B] [--greeting FILE] [--greeting-font FACE] [--english] "
         "[--inset PICTURE [--crop X,Y,W,H]] -o OUT.bmp [--data FILE]"},
    };
    return commands;
}

void PrintHelp(std::ostream& out) {
    out << "usage: orlenda [COMMAND [ARGUMENTS]]\n\n"
           "Without a command orlenda opens its windows. Commands run without windows:\n\n";
    for (const Command& c : Commands())
        out << "  " << UsageLine(c).substr(7) << "\n      " << c.summary << '\n';
    out << "  orlenda help [COMMAND]\n      show this help, or the help of COMMAND\n"
           "  orlenda --version\n      show the version\n\n"
           "Exit status: 0 done, 1 failed, 2 wrong arguments.\n";
}

}  // namespace orlenda::cli
