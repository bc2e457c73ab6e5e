#include "app/cli.h"

#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QLineEdit>
#include <QRadioButton>
#include <QSaveFile>
#include <QStringDecoder>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>

#include "app/form1.h"
#include "app/messages.h"
#include "app/registry.h"
#include "core/appstate.h"
#include "core/calendar.h"
#include "core/textconv.h"
#include "core/yeardata.h"
#include "edoc/frmpreV.h"
#include "greeting/wrd.h"
#include "monthview/monthprint.h"
#include "picker/sel.h"
#include "printing/inset.h"
#include "printing/yearsheet.h"

#ifndef ORLENDA_VERSION
#define ORLENDA_VERSION "unknown"
#endif

namespace orlenda {

namespace {

// Wrong arguments: told with the command's usage, exit code 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};
// The command cannot do its work: exit code 1.
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Option {
    std::string name;       // "--data"
    std::string valueName;  // "FILE"; empty for a flag
    std::string help;
};

struct Invocation {
    std::vector<std::string> arguments;          // the command's positional arguments
    std::map<std::string, std::string> options;  // options given, with their values
    std::string programDir;
    std::ostream& out;
    std::ostream& err;

    std::optional<std::string> option(const std::string& name) const {
        auto it = options.find(name);
        if (it == options.end()) return std::nullopt;
        return it->second;
    }
    bool flag(const std::string& name) const { return options.count(name) > 0; }
    void warn(const std::string& text) const { err << "orlenda: warning: " << text << '\n'; }
};

struct Command {
    std::string name;
    std::vector<std::string> arguments;  // names of the positional arguments, in order
    std::string summary;
    std::vector<Option> options;
    std::function<int(Invocation&)> run;
    // The usage after "orlenda" when it says more than the option list (required options).
    std::string synopsis = {};
};

const Option kDataOption{"--data", "FILE", "lunar data file (default: china.txt beside orlenda)"};
const Option kHelpOption{"--help", "", "show this help"};
const Option kGreetingOption{"--greeting", "FILE",
                             "greeting, up to four lines of UTF-8 text (default: the Chinese "
                             "greeting, or the English one with --english)"};
const Option kGreetingFontOption{"--greeting-font", "FACE", "font of the greeting"};
const Option kInsetOption{"--inset", "PICTURE", "inset picture (JPG, GIF, BMP, JPEG, ICO, EMF)"};
const Option kCropOption{"--crop", "X,Y,W,H",
                         "part of the inset picture, in twips of the picture at natural size "
                         "(15 a pixel; default: the whole picture)"};

int RunModel(Invocation& inv);
int RunMonth(Invocation& inv);
int RunSheet(Invocation& inv);
int RunEdoc(Invocation& inv);

// Every command: its name, positional arguments, summary, options and handler. Handlers
// share YearArgument, BuildModel and --data, and throw UsageError or Failure.
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

const Command* FindCommand(const std::string& name) {
    for (const Command& c : Commands())
        if (c.name == name) return &c;
    return nullptr;
}

std::string UsageLine(const Command& c) {
    if (!c.synopsis.empty()) return "usage: orlenda " + c.synopsis;
    std::string line = "usage: orlenda " + c.name;
    for (const std::string& a : c.arguments) line += " " + a;
    for (const Option& o : c.options)
        line += " [" + o.name + (o.valueName.empty() ? "" : " " + o.valueName) + "]";
    return line;
}

void PrintCommandHelp(const Command& c, std::ostream& out) {
    out << UsageLine(c) << "\n\n" << c.summary << "\n\nOptions:\n";
    std::vector<Option> options = c.options;
    options.push_back(kHelpOption);
    std::size_t width = 14;
    for (const Option& o : options)
        width = std::max(width, o.name.size() + (o.valueName.empty() ? 0 : 1 + o.valueName.size()));
    for (const Option& o : options) {
        std::string left = o.name + (o.valueName.empty() ? "" : " " + o.valueName);
        left.resize(width, ' ');
        out << "  " << left << "  " << o.help << '\n';
    }
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

// Splits the arguments after the command name into positional ones and options.
Invocation Parse(const Command& c, const std::vector<std::string>& args, std::size_t first,
                 std::ostream& out, std::ostream& err, const std::string& programDir) {
    Invocation inv{{}, {}, programDir, out, err};
    bool optionsEnd = false;
    for (std::size_t i = first; i < args.size(); ++i) {
        const std::string& a = args[i];
        // A negative number is an argument, not an option.
        bool looksLikeOption = a.size() > 1 && a[0] == '-' && !IsNumeric(a);
        if (optionsEnd || !looksLikeOption) {
            inv.arguments.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnd = true;
            continue;
        }
        if (a == "--help" || a == "-h") {
            inv.options["--help"] = "";
            continue;
        }
        std::string name = a, value;
        bool inlineValue = false;
        if (auto eq = a.find('='); eq != std::string::npos && a.rfind("--", 0) == 0) {
            name = a.substr(0, eq);
            value = a.substr(eq + 1);
            inlineValue = true;
        }
        const Option* known = nullptr;
        for (const Option& o : c.options)
            if (o.name == name) known = &o;
        if (!known) throw UsageError("unknown option " + name);
        if (known->valueName.empty()) {
            if (inlineValue) throw UsageError("option " + name + " takes no value");
        } else if (!inlineValue) {
            if (i + 1 >= args.size())
                throw UsageError("option " + name + " needs " + known->valueName);
            value = args[++i];
        }
        if (inv.options.count(name)) throw UsageError("option " + name + " given twice");
        inv.options[name] = value;
    }
    if (inv.options.count("--help")) return inv;
    if (inv.arguments.size() < c.arguments.size())
        throw UsageError("missing " + c.arguments[inv.arguments.size()]);
    if (inv.arguments.size() > c.arguments.size())
        throw UsageError("unexpected argument \"" + inv.arguments[c.arguments.size()] + "\"");
    return inv;
}

// The YEAR argument: a number (else a usage error) within the supported years (else a failure).
int YearArgument(const std::string& text) {
    if (!IsNumeric(text)) throw UsageError("YEAR must be a number, not \"" + text + "\"");
    double year = Val(text);
    DataReport report;
    if (!YearSupported(year, report)) throw Failure(report.message);
    return static_cast<int>(year);
}

std::string DataPath(const Invocation& inv) {
    if (auto path = inv.option("--data")) return *path;
    return DefaultDataPath(inv.programDir);
}

// Builds the model of year from the data file; data problems are warnings and leave the
// lunar cells blank.
void BuildModel(const Invocation& inv, int year, CalendarModel& model) {
    DataReport report;
    std::optional<YearRecord> record = ReadYearRecord(DataPath(inv), year, report);
    if (!report.ok()) inv.warn(report.message + "; the lunar dates are left blank");
    DataReport buildReport;
    BuildYearCalendar(year, record ? &*record : nullptr, model, &buildReport);
    if (!buildReport.ok()) {
        if (!model.built) throw Failure(buildReport.message);
        inv.warn(buildReport.message + "; the lunar dates are left blank");
    }
}

void WriteGrid(std::ostream& out, const Grid& grid) {
    out << "[";
    for (int m = 1; m <= 12; ++m) {
        out << (m == 1 ? "\n  [" : ",\n  [");
        for (int w = 1; w <= 6; ++w) {
            out << (w == 1 ? "[" : ", [");
            for (int d = 1; d <= 7; ++d) out << (d == 1 ? "" : ",") << JsonString(grid[m][w][d]);
            out << "]";
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

// ---- arguments of the drawing commands ----

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }
std::string Str(const QString& s) { return s.toStdString(); }
QString Q(const std::string& s) { return QString::fromStdString(s); }

std::vector<QString> SplitList(const std::string& text) {
    std::vector<QString> parts;
    for (const QString& p : Q(text).split(QLatin1Char(','))) parts.push_back(p.trimmed());
    return parts;
}

// "R,G,B", each a whole number from 0 to 255.
std::optional<Colour> ColourOption(const Invocation& inv, const std::string& name) {
    const auto text = inv.option(name);
    if (!text) return std::nullopt;
    const std::vector<QString> parts = SplitList(*text);
    std::array<int, 3> c{};
    bool ok = parts.size() == 3;
    for (std::size_t i = 0; ok && i < 3; ++i) {
        for (QChar ch : parts[i]) ok = ok && ch.isDigit() && ch.unicode() < 128;
        c[i] = ok && !parts[i].isEmpty() && parts[i].size() <= 3 ? parts[i].toInt() : -1;
        ok = ok && c[i] >= 0 && c[i] <= 255;
    }
    if (!ok)
        throw UsageError(name + " must be R,G,B with each a whole number from 0 to 255, not " +
                         Quoted(*text));
    return RGB(c[0], c[1], c[2]);
}

// "X,Y,W,H": twips of the picture at natural size; width and height may run backwards, as
// two clicks record them, but may not be zero.
std::optional<std::array<double, 4>> CropOption(const Invocation& inv) {
    const auto text = inv.option("--crop");
    if (!text) return std::nullopt;
    if (!inv.flag("--inset")) throw UsageError("--crop needs --inset PICTURE");
    const std::vector<QString> parts = SplitList(*text);
    std::array<double, 4> v{};
    bool ok = parts.size() == 4;
    for (std::size_t i = 0; ok && i < 4; ++i) {
        v[i] = parts[i].toDouble(&ok);
        ok = ok && std::isfinite(v[i]) && std::abs(v[i]) < 1e9;
    }
    if (!ok) throw UsageError("--crop must be four numbers X,Y,W,H, not " + Quoted(*text));
    if (!NormalizedCrop(v[0], v[1], v[2], v[3]))
        throw UsageError("--crop " + *text + " is empty: its width and height must not be 0");
    return v;
}

// The output file name must end in one of suffixes (case ignored); returns the one it ends in.
QString OutputSuffix(const std::string& path, const std::string& option,
                     const QStringList& suffixes) {
    const QString suffix = QFileInfo(Q(path)).suffix().toLower();
    if (!suffixes.contains(suffix))
        throw UsageError(option + " " + path + ": the name must end in ." +
                         Str(suffixes.join(QStringLiteral(" or ."))));
    return suffix;
}

std::string SystemError(int error) { return std::strerror(error); }

// An input file that must exist and be readable: a failure (not a usage error) otherwise.
QFileInfo InputFile(const std::string& path, const std::string& what) {
    const QFileInfo info(Q(path));
    if (!info.exists()) throw Failure(what + " " + path + ": " + SystemError(ENOENT));
    if (info.isDir()) throw Failure(what + " " + path + ": " + SystemError(EISDIR));
    if (!info.isReadable()) throw Failure(what + " " + path + ": " + SystemError(EACCES));
    return info;
}

// Up to four lines of UTF-8 text; a final line end does not start a fifth line.
std::array<QString, 4> ReadGreeting(const std::string& path) {
    InputFile(path, "greeting file");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Failure("greeting file " + path + ": " + SystemError(errno));
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw Failure("greeting file " + path + ": cannot be read");
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decode(QByteArray::fromStdString(bytes));
    if (decode.hasError()) throw Failure("greeting file " + path + " is not UTF-8 text");
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    if (lines.size() > 4)
        throw Failure("greeting file " + path + " has " + std::to_string(lines.size()) +
                      " lines; a greeting has at most four");
    std::array<QString, 4> greeting;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        if (i == 0 && line.startsWith(QChar(0xFEFF))) line.remove(0, 1);
        greeting[std::size_t(i)] = line;
    }
    return greeting;
}

// ---- the windows, without a display ----

// Qt's own notes (a missing XDG_RUNTIME_DIR, a plugin's remarks) are not the command's
// business; only its critical messages reach standard error.
std::ostream* qtErrors = &std::cerr;
void QtMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        *qtErrors << "orlenda: qt: " << text.toStdString() << '\n';
}

// The drawing commands run the windows hidden on Qt's offscreen platform, so that every
// output comes from the code the windows use. What the windows would show in a message box
// is collected instead.
class Session {
  public:
    explicit Session(const Invocation& inv) : inv_(inv) {
        if (QCoreApplication::instance() && !qobject_cast<QApplication*>(qApp))
            throw Failure("the windows need a QApplication");
        qtErrors = &inv.err;
        previousHandler_ = qInstallMessageHandler(QtMessages);
        if (!QCoreApplication::instance()) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            app_ = std::make_unique<QApplication>(argc_, argv_);
        }
        restart();
        previousSink_ =
            SetMessageSink([this](QWidget*, const QString& text) { messages_ << text; });
        State().DataPath = DataPath(inv);
    }
    ~Session() {
        restart();
        SetMessageSink(std::move(previousSink_));
        app_.reset();
        qInstallMessageHandler(previousHandler_);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The messages shown since the last call, one per line.
    std::string takeMessages() {
        std::string text = Str(messages_.join(QLatin1Char(' '))
                                   .replace(QLatin1Char('\r'), QLatin1Char(' '))
                                   .replace(QLatin1Char('\n'), QLatin1Char(' ')));
        messages_.clear();
        return text;
    }

    // The main window, hidden, with the language and colour options and the year picked:
    // its year caption is the sheet's title and the document's year. The model is built
    // for that year.
    Form1& mainWindow(int year, bool english, bool colour) {
        Form1& main = Windows().ref<Form1>();
        if (english) main.Option1->setChecked(true);
        if (colour) main.Option4->setChecked(true);
        main.SetLabel1(Q(DecimalText(year)));
        // What the main window said about today's year does not concern this one.
        takeMessages();
        BuildModel(inv_, year, Model());
        return main;
    }

    // The greeting editor's four lines (its defaults follow the main window's language) and
    // the greeting font, set as the user would in the editor.
    void greeting() {
        wrd& editor = Windows().ref<wrd>();
        if (const auto file = inv_.option("--greeting")) {
            const std::array<QString, 4> lines = ReadGreeting(*file);
            editor.Text1->setText(lines[0]);
            for (int i = 0; i < 3; ++i) editor.Text2[i]->setText(lines[std::size_t(i) + 1]);
        }
        if (const auto face = inv_.option("--greeting-font")) {
            editor.Combo1->setEditText(Q(*face));
            editor.Command1_Click();
        }
    }

    // A picture listed by the chooser, previewed by clicking it in the file list.
    void preview(const std::string& path, const std::string& what) {
        const QFileInfo info = InputFile(path, what);
        sel& chooser = Windows().ref<sel>();
        if (!MatchesPattern(info.fileName(), chooser.File1->Pattern()))
            throw Failure(what + " " + path +
                          ": pictures must be JPG, GIF, BMP, JPEG, ICO or EMF files");
        if (!chooser.Dir1->SetPath(info.absolutePath()))
            throw Failure(what + " " + path + ": its folder cannot be read");
        chooser.Dir1_Change();
        takeMessages();
        chooser.PreviewPicturePath.clear();
        const bool listed = chooser.File1->SelectFile(info.fileName());
        const std::string said = takeMessages();
        if (!said.empty()) throw Failure(said);
        if (!listed || chooser.PreviewPicturePath.isEmpty())
            throw Failure(what + " " + path + ": the picture chooser does not list it");
    }

    // The inset: previewed, chosen with "选择为插图", then the crop rectangle if given.
    void inset() {
        const auto path = inv_.option("--inset");
        const auto crop = CropOption(inv_);
        if (!path) return;
        preview(*path, "inset picture");
        sel& chooser = Windows().ref<sel>();
        chooser.Command1_Click();
        if (!crop) return;  // the whole picture, as the preview left it
        AppState& s = State();
        s.CropX = float((*crop)[0]);
        s.CropY = float((*crop)[1]);
        s.CropWidth = float((*crop)[2]);
        s.CropHeight = float((*crop)[3]);
        const QSize px = chooser.Image1->PicturePixels();
        const auto r = NormalizedCrop(s.CropX, s.CropY, s.CropWidth, s.CropHeight);
        const QRectF picture(0, 0, px.width() * kTwipsPerPixel, px.height() * kTwipsPerPixel);
        if (!r || !picture.intersects(QRectF(r->x, r->y, r->width, r->height)))
            throw Failure("--crop " + *inv_.option("--crop") + " lies outside the picture " +
                          *path + " (" + std::to_string(int(picture.width())) + " x " +
                          std::to_string(int(picture.height())) + " twips)");
    }

  private:
    static void restart() {
        Windows().clear();
        State().Reset();
        ForgetDataProblems();
    }

    const Invocation& inv_;
    std::unique_ptr<QApplication> app_;
    MessageSink previousSink_;
    QtMessageHandler previousHandler_ = nullptr;
    QStringList messages_;
    static inline int argc_ = 1;
    static inline char arg0_[] = "orlenda";
    static inline char* argv_[] = {arg0_, nullptr};
};

// ---- month ----

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

// ---- sheet ----

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

// ---- electronic document ----

// Enters a colour in the palette as the user does: the option, the three boxes, Enter.
void MixColour(frmpreV& w, QRadioButton* option, Colour c) {
    option->setChecked(true);
    w.Text2[0]->setText(QString::number(c & 0xff));
    w.Text2[1]->setText(QString::number((c >> 8) & 0xff));
    w.Text2[2]->setText(QString::number((c >> 16) & 0xff));
    w.Text2_KeyPress(0, 13);
}

void SavePicture(const QImage& image, const std::string& out, const QString& suffix) {
    QSaveFile file(Q(out));
    if (!file.open(QIODevice::WriteOnly))
        throw Failure("cannot write " + out + ": " + Str(file.errorString()));
    QImageWriter writer(&file, suffix == QLatin1String("png") ? "png" : "bmp");
    if (!writer.write(image.convertToFormat(QImage::Format_RGB888))) {
        file.cancelWriting();
        throw Failure("cannot write " + out + ": " + Str(writer.errorString()));
    }
    if (!file.commit()) throw Failure("cannot write " + out + ": " + Str(file.errorString()));
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
        if (!MatchesPattern(info.fileName(), Windows().ref<sel>().File1->Pattern()))
            throw Failure("background picture " + *path +
                          ": pictures must be JPG, GIF, BMP, JPEG, ICO or EMF files");
        backgroundPath = Str(info.absoluteFilePath());
        State().BackgroundPicturePath = backgroundPath;
    }

    frmpreV& w = Windows().ref<frmpreV>();
    session.takeMessages();
    if (background) MixColour(w, w.Option1, *background);
    if (!backgroundPath.empty()) {
        w.Check1->setChecked(true);
        const std::string said = session.takeMessages();
        if (!w.Check1->isChecked())
            throw Failure(said.empty() ? "background picture " + *inv.option("--background") +
                                             " cannot be used"
                                       : said);
    }
    if (date) MixColour(w, w.Option2, *date);
    if (greeting) MixColour(w, w.Option3, *greeting);
    const std::string said = session.takeMessages();
    if (!said.empty()) throw Failure(said);

    w.Command2_Click();
    SavePicture(w.Picture1->box().Image(), *out, suffix);
    return kExitOk;
}

}  // namespace

std::string JsonString(std::string_view text) {
    static const char* hex = "0123456789abcdef";
    std::string out = "\"";
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        switch (ch) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            default:
                if (c < 0x20) {
                    out += "\\u00";
                    out += hex[c >> 4];
                    out += hex[c & 15];
                } else {
                    out += ch;
                }
        }
    }
    return out + "\"";
}

std::string ProgramDirectory(const char* argv0) {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) {
        if (!argv0 || !*argv0) return ".";
        exe = std::filesystem::absolute(argv0, ec);
        if (ec) return ".";
    }
    return exe.parent_path().string();
}

int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   const std::string& programDir) {
    const Command* command = nullptr;
    try {
        if (args.empty() || args[0] == "--help" || args[0] == "-h" ||
            (args[0] == "help" && args.size() == 1)) {
            PrintHelp(out);
            return kExitOk;
        }
        if (args[0] == "--version") {
            if (args.size() > 1) throw UsageError("unexpected argument \"" + args[1] + "\"");
            out << "orlenda " << ORLENDA_VERSION << '\n';
            return kExitOk;
        }
        if (args[0] == "help") {
            const Command* c = FindCommand(args[1]);
            if (!c) throw UsageError("no command \"" + args[1] + "\"");
            if (args.size() > 2) throw UsageError("unexpected argument \"" + args[2] + "\"");
            PrintCommandHelp(*c, out);
            return kExitOk;
        }
        command = FindCommand(args[0]);
        if (!command) throw UsageError("unknown command \"" + args[0] + "\"");
        Invocation inv = Parse(*command, args, 1, out, err, programDir);
        if (inv.options.count("--help")) {
            PrintCommandHelp(*command, out);
            return kExitOk;
        }
        int code = command->run(inv);
        out.flush();
        if (!out) {
            err << "orlenda: error: cannot write the output\n";
            return kExitFailure;
        }
        return code;
    } catch (const UsageError& e) {
        err << "orlenda: " << e.what() << '\n';
        if (command)
            err << UsageLine(*command) << '\n';
        else
            err << "Try 'orlenda --help'.\n";
        return kExitUsage;
    } catch (const std::exception& e) {
        err << "orlenda: error: " << e.what() << '\n';
        return kExitFailure;
    }
}

int RunCommandLine(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return RunCommandLine(args, std::cout, std::cerr,
                          ProgramDirectory(argc > 0 ? argv[0] : nullptr));
}

}  // namespace orlenda
