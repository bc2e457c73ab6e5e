#include "cli/options.h"

#include <QStringDecoder>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iostream>

#include "core/textconv.h"
#include "core/yeardata.h"
#include "printing/inset.h"

namespace orlenda::cli {

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }
std::string Str(const QString& s) { return s.toStdString(); }
QString Q(const std::string& s) { return QString::fromStdString(s); }

std::string SystemError(int error) { return std::strerror(error); }

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
    options.push_back({"--help", "", "show this help"});
    std::size_t width = 14;
    for (const Option& o : options)
        width = std::max(width, o.name.size() + (o.valueName.empty() ? 0 : 1 + o.valueName.size()));
    for (const Option& o : options) {
        std::string left = o.name + (o.valueName.empty() ? "" : " " + o.valueName);
        left.resize(width, ' ');
        out << "  " << left << "  " << o.help << '\n';
    }
}

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
    }
    if (!ok) throw UsageError("--crop must be four numbers X,Y,W,H, not " + Quoted(*text));
    if (!NormalizedCrop(v[0], v[1], v[2], v[3]))
        throw UsageError("--crop " + *text + " is empty: its width and height must not be 0");
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

QFileInfo InputFile(const std::string& path, const std::string& what) {
    const QFileInfo info(Q(path));
    if (!info.exists()) throw Failure(what + " " + path + ": " + SystemError(ENOENT));
    if (info.isDir()) throw Failure(what + " " + path + ": " + SystemError(EISDIR));
    if (!info.isReadable()) throw Failure(what + " " + path + ": " + SystemError(EACCES));
    return info;
}

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

}  // namespace orlenda::cli
