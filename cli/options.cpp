// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/options.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QStringDecoder>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <iostream>

#include "core/textconv.h"
#include "core/yeardata.h"
#include "document/calendardocument.h"
#include "graphics/inset.h"

namespace orlenda::cli {

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }
std::string Str(const QString& s) { return s.toStdString(); }
QString Q(const std::string& s) { return QString::fromStdString(s); }

std::string SystemError(int error) { return std::strerror(error); }

namespace {
const Option kHelpOption{"--help", "", "show this help"};
}  // namespace

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

std::string Wrapped(const std::string& text, std::size_t first, std::size_t rest, bool keepGroups) {
    constexpr std::size_t kWidth = 80;
    std::string result, word;
    std::size_t column = first;
    bool lineEmpty = true;
    int depth = 0;
    auto put = [&] {
        if (!lineEmpty && column + 1 + word.size() > kWidth) {
            result += '\n' + std::string(rest, ' ');
            column = rest;
            lineEmpty = true;
        }
        if (!lineEmpty) result += ' ';
        result += word;
        column += word.size() + (lineEmpty ? 0 : 1);
        lineEmpty = false;
        word.clear();
    };
    for (char ch : text + ' ') {
        if (keepGroups && (ch == '[' || ch == '(')) ++depth;
        if (keepGroups && (ch == ']' || ch == ')')) --depth;
        if (ch == ' ' && depth == 0) {
            if (!word.empty()) put();
        } else {
            word += ch;
        }
    }
    return result;
}

std::string YearsLine() {
    const QString path = FindDataFile();
    const std::string name = "the installed " + Str(QFileInfo(path).fileName());
    try {
        CheckDataFile(path);
    } catch (const Failure& e) {
        return "YEAR: none, " + name + " cannot be used (" + e.what() + "); give --data FILE.";
    }
    const YearList list = LoadYearList(Str(path));
    if (list.goodYears.empty())
        return "YEAR: none, " + name + " gives no year (" + list.report.message +
               "); give --data FILE.";
    const auto [first, last] = std::minmax_element(list.goodYears.begin(), list.goodYears.end());
    const int missing = *last - *first + 1 - int(list.goodYears.size());
    return "YEAR: " + std::to_string(*first) + " to " + std::to_string(*last) + " with " + name +
           (missing ? " (" + std::to_string(missing) + " years between are damaged)" : "") +
           "; --data FILE reads another.";
}

void PrintCommandHelp(const Command& c, std::ostream& out) {
    out << Wrapped(UsageLine(c), 0, 15, true) << "\n\n" << Wrapped(c.summary, 0, 0, false) << '\n';
    if (!c.arguments.empty() && c.arguments[0] == "YEAR")
        out << Wrapped(YearsLine(), 0, 0, false) << '\n';
    out << "\nOptions:\n";
    std::vector<Option> options = c.options;
    options.push_back(kHelpOption);
    std::size_t width = 14;
    for (const Option& o : options)
        width = std::max(width, o.name.size() + (o.valueName.empty() ? 0 : 1 + o.valueName.size()));
    for (const Option& o : options) {
        std::string left = o.name + (o.valueName.empty() ? "" : " " + o.valueName);
        left.resize(width, ' ');
        out << "  " << left << "  " << Wrapped(o.help, width + 4, width + 4, false) << '\n';
    }
}

namespace {

// The words reach the parser as Latin-1, one character a byte, so that a file name that is
// not UTF-8 comes back unchanged.
QString Latin1(const std::string& s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); }
std::string Bytes(const QString& s) { return s.toLatin1().toStdString(); }

// A negative number is an argument, not an option: it reaches the parser behind a character
// that no byte decodes to.
const QChar kShield(0xFFFF);
QString Shielded(const std::string& word) {
    const bool negative = word.size() > 1 && word[0] == '-' && IsNumeric(word);
    return negative ? kShield + Latin1(word) : Latin1(word);
}
std::string Unshielded(const QString& word) {
    return Bytes(word.startsWith(kShield) ? word.mid(1) : word);
}

// The option name the parser reads in a word: without its dashes, up to "=".
std::optional<std::string> NameIn(const std::string& word) {
    if (word.size() < 2 || word[0] != '-') return std::nullopt;
    const std::size_t start = word[1] == '-' ? 2 : 1;
    return word.substr(start, word.find('=', start) - start);
}

// An option word as refusals quote it: a long option up to its "=", any other word whole.
std::string Spelled(const std::string& word) {
    return word.rfind("--", 0) == 0 ? word.substr(0, word.find('=')) : word;
}

// Ours are "--name", "--name=VALUE" and "-o"; the parser also reads "-name", "--o", "-o=V".
// "--help=X" was never ours either.
bool WrittenAs(const std::string& word, const Option& o) {
    if (o.name == kHelpOption.name) return word == o.name || word == "-h";
    return word == o.name || (o.name.rfind("--", 0) == 0 && word.rfind(o.name + "=", 0) == 0);
}

QStringList ParserNames(const Option& o) {
    QStringList names{Latin1(*NameIn(o.name))};
    if (o.name == kHelpOption.name) names << QStringLiteral("h");
    return names;
}

qsizetype TimesGiven(const QCommandLineParser& parser, const Option& o) {
    const QStringList names = ParserNames(o);
    const QStringList found = parser.optionNames();
    return std::count_if(found.begin(), found.end(),
                         [&](const QString& n) { return names.contains(n); });
}

// Refuses the last word given to the parser when the parser found a fault there. The parser
// tells every fault at once; words are given one more at a time so that, as before, the
// first fault is the one told.
void RefuseLastWord(const QCommandLineParser& parser, const std::vector<Option>& options,
                    const std::string& word, qsizetype optionsBefore) {
    if (!parser.unknownOptionNames().isEmpty()) throw UsageError("unknown option " + Spelled(word));
    const QStringList found = parser.optionNames();
    for (const Option& o : options) {
        if (found.size() > optionsBefore && ParserNames(o).contains(found.last())) {
            if (!WrittenAs(word, o)) throw UsageError("unknown option " + Spelled(word));
            if (o.valueName.empty() && word.find('=') != std::string::npos)
                throw UsageError("option " + o.name + " takes no value");
        }
        const qsizetype given = o.valueName.empty() ? TimesGiven(parser, o)
                                                    : parser.values(ParserNames(o).first()).size();
        if (given > 1 && o.name != kHelpOption.name)
            throw UsageError("option " + o.name + " given twice");
    }
}

}  // namespace

Invocation Parse(const Command& c, const std::vector<std::string>& args, std::size_t first,
                 std::ostream& out, std::ostream& err) {
    std::vector<Option> options = c.options;
    options.push_back(kHelpOption);
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    for (const Option& o : options) {
        const QStringList names = ParserNames(o);
        parser.addOption(o.valueName.empty()
                             ? QCommandLineOption(names)
                             : QCommandLineOption(names, QString(), Latin1(o.valueName)));
    }
    QStringList line{Latin1(c.name)};
    parser.parse(line);
    for (std::size_t i = first; i < args.size(); ++i) {
        const qsizetype optionsBefore = parser.optionNames().size();
        line << Shielded(args[i]);
        parser.parse(line);
        RefuseLastWord(parser, options, args[i], optionsBefore);
    }

    Invocation inv{{}, {}, out, err};
    for (const Option& o : options) {
        const qsizetype given = TimesGiven(parser, o);
        if (given == 0) continue;
        const QStringList values = parser.values(ParserNames(o).first());
        // Only the last word can lack its value.
        if (!o.valueName.empty() && values.size() < given)
            throw UsageError("option " + o.name + " needs " + o.valueName);
        inv.options[o.name] = values.isEmpty() ? "" : Unshielded(values.first());
    }
    for (const QString& a : parser.positionalArguments()) inv.arguments.push_back(Unshielded(a));
    if (inv.options.count("--help")) return inv;
    if (inv.arguments.size() < c.arguments.size())
        throw UsageError("missing " + c.arguments[inv.arguments.size()]);
    if (inv.arguments.size() > c.arguments.size())
        throw UsageError("unexpected argument \"" + inv.arguments[c.arguments.size()] + "\"");
    return inv;
}

int YearArgument(const std::string& text) {
    // Digits only: no blanks, signs, exponents or fractions that a looser reading would take.
    const std::string digits = text.substr(text.rfind('-', 0) == 0 ? 1 : 0);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos)
        throw UsageError("YEAR must be a year in digits, such as 2008, not " + Quoted(text));
    DataReport report;
    const double year = digits.size() > 6 ? 1e9 : std::stod(text);
    if (!YearSupported(year, report)) throw UsageError(report.message);
    return static_cast<int>(year);
}

QString DataPath(const Invocation& inv) {
    if (auto path = inv.option("--data")) return Q(*path);
    return FindDataFile();
}

std::vector<QString> SplitList(const std::string& text) {
    std::vector<QString> parts;
    for (const QString& p : Q(text).split(QLatin1Char(','))) parts.push_back(p.trimmed());
    return parts;
}

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
        if (ok) v[i] = double(float(v[i]));  // single precision, as the chooser keeps clicks
    }
    if (!ok) throw UsageError("--crop must be four numbers X,Y,W,H, not " + Quoted(*text));
    if (!NormalizedCrop(v[0], v[1], v[2], v[3]))
        throw UsageError("--crop " + *text +
                         " is empty: its width and height must not be 0, nor so small that "
                         "they round to 0");
    return v;
}

QString OutputSuffix(const std::string& path, const std::string& option,
                     const QStringList& suffixes) {
    const QString suffix = QFileInfo(Q(path)).suffix().toLower();
    if (!suffixes.contains(suffix))
        throw UsageError(option + " " + path + ": the name must end in ." +
                         Str(suffixes.join(QStringLiteral(" or ."))));
    return suffix;
}

std::string FileKind(unsigned type) {
    switch (type) {
        case S_IFDIR:
            return "a folder";
        case S_IFCHR:
            return "a character device";
        case S_IFBLK:
            return "a block device";
        case S_IFIFO:
            return "a FIFO";
        case S_IFSOCK:
            return "a socket";
        case S_IFLNK:
            return "a symbolic link";
        default:
            return "not a plain file";
    }
}

namespace {

// A file opened for reading that never waits: what is not a regular file is refused by its
// type before it is opened, and a FIFO or device put in its place since opens at once.
class InputHandle {
  public:
    explicit InputHandle(const std::string& path) {
        if (::stat(path.c_str(), &st_) == 0 && !S_ISREG(st_.st_mode)) return;
        fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        error_ = fd_ < 0 ? errno : ::fstat(fd_, &st_) != 0 ? errno : 0;
    }
    InputHandle(const InputHandle&) = delete;
    InputHandle& operator=(const InputHandle&) = delete;
    ~InputHandle() {
        if (fd_ >= 0) ::close(fd_);
    }
    int fd() const { return fd_; }
    int error() const { return error_; }
    const struct stat& status() const { return st_; }
    // A failure naming what is wrong, or nothing for a regular file of at most limit bytes.
    std::optional<std::string> refusal(std::size_t limit) const {
        if (error_) return SystemError(error_);
        if (S_ISDIR(st_.st_mode)) return SystemError(EISDIR);
        if (!S_ISREG(st_.st_mode)) return FileKind(st_.st_mode & S_IFMT) + ", not a regular file";
        if (std::size_t(st_.st_size) > limit) return "larger than " + Size(limit);
        return std::nullopt;
    }
    static std::string Size(std::size_t bytes) {
        return bytes >= (1u << 20) ? std::to_string(bytes >> 20) + " MiB"
                                   : std::to_string(bytes >> 10) + " KiB";
    }

  private:
    int fd_ = -1;
    int error_ = 0;
    struct stat st_ {};
};

}  // namespace

QFileInfo InputFile(const std::string& path, const std::string& what) {
    const InputHandle file(path);
    if (const auto refused = file.refusal(SIZE_MAX))
        throw Failure(what + " " + path + ": " + *refused);
    return QFileInfo(Q(path));
}

void CheckDataFile(const QString& path) {
    const std::string name = Str(path);
    const InputHandle file(name);
    // A file that cannot be opened is left to the reader, which says so in its words.
    if (file.error()) return;
    if (const auto refused = file.refusal(kMaxDataFileBytes)) throw Failure(name + ": " + *refused);
}

std::array<QString, 4> ReadGreeting(const std::string& path) {
    const InputHandle file(path);
    if (const auto refused = file.refusal(kMaxGreetingBytes))
        throw Failure("greeting file " + path + ": " + *refused +
                      (file.error() || !S_ISREG(file.status().st_mode)
                           ? ""
                           : "; a greeting is four short lines"));
    // Read up to one byte past the limit, in case the file grew since it was looked at.
    std::string bytes(kMaxGreetingBytes + 1, '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(file.fd(), bytes.data() + got, bytes.size() - got);
        if (n == 0) break;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw Failure("greeting file " + path + ": " + SystemError(errno));
        got += std::size_t(n);
    }
    if (got > kMaxGreetingBytes)
        throw Failure("greeting file " + path + ": larger than " +
                      InputHandle::Size(kMaxGreetingBytes) + "; a greeting is four short lines");
    bytes.resize(got);
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

}  // namespace orlenda::cli
