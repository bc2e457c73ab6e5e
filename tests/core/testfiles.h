// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Scratch data files for the tests: a fresh folder per test, removed afterwards.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace orlenda::test {

// Lines of the lunar data file for 2000 to 2010, worked out from the new moons and solar
// terms of those years (Beijing time) and checked against published dates: Spring Festival
// 2000-02-05 ... 2010-02-14, leap months 2001 (4th), 2004 (2nd), 2006 (7th), 2009 (5th).
inline const std::vector<std::string> kLines2000To2010 = {
    "2000 0 25 99 30 29 30 30 29 29 30 29 29 30 29 30 30 29 4",
    "2001 1 07 04 30 29 30 30 29 30 29 30 29 29 30 29 30 29 5",
    "2002 0 18 99 29 30 30 30 29 30 29 30 29 29 30 29 30 29 5",
    "2003 0 29 99 30 29 30 30 29 30 30 29 30 29 29 30 29 30 5",
    "2004 1 10 02 29 30 29 30 29 30 30 29 30 29 30 29 30 29 4",
    "2005 0 21 99 29 30 29 30 29 30 29 30 30 29 30 29 30 29 5",
    "2006 1 02 07 30 29 30 29 30 29 30 29 30 29 30 30 29 30 5",
    "2007 0 13 99 30 30 29 29 30 29 29 30 29 30 30 30 29 30 5",
    "2008 0 23 99 29 30 30 29 29 30 29 29 30 29 30 30 29 30 4",
    "2009 1 06 05 29 30 30 30 29 29 30 29 29 30 29 30 29 30 4",
    "2010 0 17 99 30 30 30 29 30 29 30 29 29 30 29 30 29 30 5",
};

// The lines, each ended by `end`.
inline std::string Joined(const std::vector<std::string>& lines, const std::string& end = "\r\n") {
    std::string bytes;
    for (const std::string& line : lines) bytes += line + end;
    return bytes;
}

class TempDir {
  public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "orlenda-test-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("no scratch folder: " + pattern);
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    std::string dir() const { return path_.string(); }

    std::string write(const std::string& name, const std::string& bytes) const {
        std::ofstream out(file(name), std::ios::binary);
        out << bytes;
        return file(name);
    }

  private:
    std::filesystem::path path_;
};

}  // namespace orlenda::test
