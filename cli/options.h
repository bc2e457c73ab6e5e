// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command line's words: the commands with their arguments and options, how the
// arguments are split among them, the usage texts, and the checks of the values that
// several commands share. Errors are thrown as UsageError (exit code 2) or Failure (1).
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <iosfwd>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "graphics/units.h"

namespace orlenda::cli {

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

const Command* FindCommand(const std::string& name);
// The list of commands (commands.cpp).
const std::vector<Command>& Commands();

std::string UsageLine(const Command& c);
// text broken at blanks into lines of at most 80 columns (a longer word stays whole): the
// first line starts at column first, the others are indented by rest blanks; keepGroups
// breaks no [...] or (...).
std::string Wrapped(const std::string& text, std::size_t first, std::size_t rest, bool keepGroups);
// The years the installed data file covers, for the help.
std::string YearsLine();
void PrintCommandHelp(const Command& c, std::ostream& out);
void PrintHelp(std::ostream& out);

// Splits the arguments after the command name into positional ones and options.
Invocation Parse(const Command& c, const std::vector<std::string>& args, std::size_t first,
                 std::ostream& out, std::ostream& err);

std::string Quoted(const std::string& s);
std::string Str(const QString& s);
QString Q(const std::string& s);
std::string SystemError(int error);

// The YEAR argument: ASCII digits within the supported years, else a usage error.
int YearArgument(const std::string& text);
// --data, or the document's default data file.
QString DataPath(const Invocation& inv);
// "R,G,B", each a whole number from 0 to 255.
std::optional<Colour> ColourOption(const Invocation& inv, const std::string& name);
// "X,Y,W,H": twips of the picture at natural size; width and height may run backwards, as
// two clicks record them, but may not be zero.
std::optional<std::array<double, 4>> CropOption(const Invocation& inv);
// The output file name must end in one of suffixes (case ignored); returns the one it ends in.
QString OutputSuffix(const std::string& path, const std::string& option,
                     const QStringList& suffixes);
// An input file that must be a regular file that can be read: a failure (not a usage error)
// otherwise. Nothing else is opened, so a FIFO or a device cannot hold the command up.
QFileInfo InputFile(const std::string& path, const std::string& what);
// A failure unless the data file is a regular file within the reader's size limit; one that
// cannot be opened is left to the reader to tell.
void CheckDataFile(const QString& path);
// "a FIFO", "a character device", ... for an S_IFMT type.
std::string FileKind(unsigned type);
// A greeting is four short lines: a file larger than this is refused unread.
constexpr std::size_t kMaxGreetingBytes = 4096;
// Up to four lines of UTF-8 text; a final line end does not start a fifth line.
std::array<QString, 4> ReadGreeting(const std::string& path);

}  // namespace orlenda::cli
