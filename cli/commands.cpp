// SPDX-License-Identifier: GPL-3.0-or-later
// The commands model, month, sheet and edoc: each checks its arguments, fills a calendar
// document as the windows would and draws it with the renderer the windows use.
#include <unistd.h>

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <cerrno>
#include <iostream>

#include "cli/cli.h"
#include "cli/documentoptions.h"
#include "cli/options.h"
#include "core/calendar.h"
#include "graphics/logging.h"
#include "graphics/surface.h"
#include "output/cupsjob.h"
#include "output/imagesave.h"
#include "output/sheetpdf.h"
#include "pictures/picturenames.h"
#include "render/monthrenderer.h"
#include "render/yearrenderer.h"

namespace orlenda::cli {

namespace {

const Option kDataOption{"--data", "FILE", "lunar data file (default: china.txt beside orlenda)"};
const Option kGreetingOption{"--greeting", "FILE",
                             "greeting, up to four lines of UTF-8 text (default: the Chinese "
                             "greeting, or the English one with --english)"};
const Option kGreetingFontOption{"--greeting-font", "FACE", "font of the greeting"};
const Option kInsetOption{"--inset", "PICTURE", "inset picture (" + Str(PictureKindsText()) + ")"};
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
    const int year = YearArgument(inv.arguments[0]);
    const auto document = OpenDocument(inv, year);
    CalendarDocument& doc = *document;
    inv.out << "{\"year\": " << year << ",\n \"DayGrid\": ";
    WriteGrid(inv.out, doc.model().DayGrid);
    inv.out << ",\n \"LunarGrid\": ";
    WriteGrid(inv.out, doc.model().LunarGrid);
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

    const auto document = OpenDocument(inv, year);
    CalendarDocument& doc = *document;
    // The month view's picture box: its size, colour and font.
    LineRecorder view(6255, 4575, RGB(192, 255, 192));
    view.FontName = QStringLiteral("宋体");
    view.FontSize = 9;
    DrawMonthView(view, doc.model(), month);
    for (const QString& line : view.lines) inv.out << Str(line) << '\n';
    return kExitOk;
}

// ---- sheet

// How the command line words a save that failed.
std::string SaveReason(const SaveOutcome& saved) {
    switch (saved.fault) {
        case SaveOutcome::Fault::System:
            return SystemError(saved.error);
        case SaveOutcome::Fault::NotRegular:
            return FileKind(saved.fileType) + ", not a regular file";
        case SaveOutcome::Fault::ForeignLink:
            return "a symbolic link that belongs to another user";
        default:
            return Str(saved.detail);
    }
}

// "-o -" writes to standard output, which must not be a terminal.
void RefuseTerminal(const std::string& out) {
    if (out == "-" && ::isatty(STDOUT_FILENO))
        throw Failure("standard output is a terminal: send it to a file or a pipe");
}

// The bytes to the file out, whole or not at all, or to standard output for "-".
void WriteOutput(const Invocation& inv, const std::string& out, const QByteArray& bytes) {
    if (out != "-") {
        const SaveOutcome saved = SaveBytesWhole(Q(out), bytes);
        if (!saved.ok()) throw Failure("cannot write " + out + ": " + SaveReason(saved));
        return;
    }
    inv.out.flush();
    errno = 0;
    inv.out.write(bytes.constData(), std::streamsize(bytes.size()));
    inv.out.flush();
    if (!inv.out)
        throw Failure("cannot write to standard output: " + SystemError(errno ? errno : EIO));
}

// The sheet drawn as PDF on the queue's paper and handed to the queue, whose answer is
// watched as the windows watch theirs.
void PrintSheet(const Invocation& inv, const std::string& queue, int paper,
                const CalendarDocument& doc) {
    if (const QString why = PrintSystemUnavailable(); !why.isEmpty()) throw Failure(Str(why));
    const std::optional<PrintQueue> q = FindPrintQueue(Q(queue));
    if (!q) throw Failure(Str(QStringLiteral("没有名为“%1”的打印机。").arg(Q(queue))));
    const YearContent content = SheetContentOf(doc);
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    const std::optional<QPageSize> printed =
        WriteYearSheetPdf(pdf, paper, content, q->papers, q->ownPaper);
    if (!printed) throw Failure(Str(QStringLiteral("打印作业未能开始，年历没有打印。")));
    const JobOutcome job = PrintPdf(*q, SheetTitle(content.yearCaption), pdf.data(), *printed);
    if (!job.detail.isEmpty())
        qCWarning(lcPrint) << "the print system on" << q->name << "said:" << job.detail;
    if (job.state == JobOutcome::State::Failed)
        throw Failure(job.message.isEmpty()  ? "the sheet was not printed on " + queue
                      : job.detail.isEmpty() ? Str(job.message)
                                             : Str(job.message) + " (" + Str(job.detail) + ")");
    if (!job.message.isEmpty()) inv.warn(Str(job.message));
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
    if (out && *out != "-") OutputSuffix(*out, "-o", {QStringLiteral("pdf")});
    if (queue && queue->empty()) throw UsageError("--printer needs a queue name");
    CropOption(inv);
    if (out) RefuseTerminal(*out);

    const auto document = OpenDocument(inv, year);
    CalendarDocument& doc = *document;
    doc.setEnglish(inv.flag("--english"));
    doc.setColour(inv.flag("--colour"));
    SetGreeting(inv, doc);
    SetInset(inv, doc);
    if (!out) {
        PrintSheet(inv, *queue, paper, doc);
        return kExitOk;
    }
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    if (!WriteYearSheetPdf(pdf, paper, SheetContentOf(doc)) || pdf.data().isEmpty())
        throw Failure("the sheet could not be drawn");
    WriteOutput(inv, *out, pdf.data());
    return kExitOk;
}

// ---- edoc

int RunEdoc(Invocation& inv) {
    const int year = YearArgument(inv.arguments[0]);
    const auto out = inv.option("-o");
    if (!out) throw UsageError("missing -o OUT.bmp");
    const auto formatText = inv.option("--format");
    const QString format = formatText ? Q(*formatText).toLower() : QString();
    if (formatText && format != QLatin1String("bmp") && format != QLatin1String("png"))
        throw UsageError("--format must be bmp or png, not " + Quoted(*formatText));
    QString suffix = *out == "-"
                         ? QString()
                         : OutputSuffix(*out, "-o", {QStringLiteral("bmp"), QStringLiteral("png")});
    if (formatText && !suffix.isEmpty() && suffix != format)
        throw UsageError("--format " + *formatText + " does not match the name " + *out);
    if (suffix.isEmpty()) suffix = format.isEmpty() ? QStringLiteral("bmp") : format;
    const auto background = ColourOption(inv, "--background-colour");
    const auto date = ColourOption(inv, "--date-colour");
    const auto greeting = ColourOption(inv, "--greeting-colour");
    CropOption(inv);
    RefuseTerminal(*out);

    const auto document = OpenDocument(inv, year);
    CalendarDocument& doc = *document;
    doc.setEnglish(inv.flag("--english"));
    SetGreeting(inv, doc);
    SetInset(inv, doc);
    SetBackground(inv, doc);
    if (background) doc.setBackgroundColour(*background);
    if (date) doc.setDateColour(*date);
    if (greeting) doc.setGreetingColour(*greeting);

    PictureBox picture(kDocumentWidth, kDocumentHeight);
    DrawDocumentPicture(picture, doc);
    // The writers store the picture's 32-bit pixels as 24-bit ones themselves, and a file
    // gets the encoded rows as they come: no copy of the picture or of the file is held.
    const auto encode =
        ImageEncoding(picture.Image(), suffix == QLatin1String("png") ? "png" : "bmp");
    if (*out != "-") {
        const SaveOutcome saved = SaveWhole(Q(*out), encode);
        if (saved.fault == SaveOutcome::Fault::Writer)
            throw Failure("the picture could not be encoded: " + Str(saved.detail));
        if (!saved.ok()) throw Failure("cannot write " + *out + ": " + SaveReason(saved));
        return kExitOk;
    }
    QBuffer encoded;
    encoded.open(QIODevice::WriteOnly);
    if (const QString refused = encode(encoded); !refused.isEmpty())
        throw Failure("the picture could not be encoded: " + Str(refused));
    WriteOutput(inv, *out, encoded.data());
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
          {"-o", "OUT.pdf", "write the sheet to this PDF file (- for standard output)"},
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
          {"-o", "OUT.bmp", "write the picture to this file (required; - for standard output)"},
          {"--format", "bmp|png", "format of the picture (default: the name's ending, else bmp)"},
          kDataOption},
         RunEdoc,
         "edoc YEAR [--background PICTURE] [--background-colour R,G,B] [--date-colour R,G,B] "
         "[--greeting-colour R,G,B] [--greeting FILE] [--greeting-font FACE] [--english] "
         "[--inset PICTURE [--crop X,Y,W,H]] -o OUT.bmp [--format bmp|png] [--data FILE]"},
    };
    return commands;
}

void PrintHelp(std::ostream& out) {
    out << "usage: orlenda [COMMAND [ARGUMENTS]]\n\n"
           "Without a command orlenda opens its windows. Commands run without windows:\n\n";
    for (const Command& c : Commands())
        out << "  " << Wrapped(UsageLine(c).substr(7), 2, 10, true) << "\n      "
            << Wrapped(c.summary, 6, 6, false) << '\n';
    out << "  orlenda help [COMMAND]\n      show this help, or the help of COMMAND\n"
           "  orlenda --version\n      show the version\n\n"
        << Wrapped(YearsLine(), 0, 0, false)
        << "\nExit status: 0 done, 1 failed, 2 wrong arguments.\n";
}

}  // namespace orlenda::cli
