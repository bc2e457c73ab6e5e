#pragma once
// The built program run with no display, in a scratch folder with a data file of 2000 to
// 2010.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "tests/core/testfiles.h"

#ifndef ORLENDA_BIN
#error "ORLENDA_BIN must name the built orlenda program"
#endif

// gtest shows a QString as its text.
inline void PrintTo(const QString& s, std::ostream* os) { *os << s.toStdString(); }

namespace orlenda::test {

struct Outcome {
    int code = -1;
    QString out, err;
};

class Folder {
  public:
    Folder() {
        QByteArray bytes;
        for (const std::string& line : kLines2000To2010)
            bytes += QByteArray::fromStdString(line) + "\r\n";
        write("china.txt", bytes);
    }
    QString dir() const { return dir_.path(); }
    QString path(const QString& name) const { return dir_.filePath(name); }
    QString data() const { return path("china.txt"); }
    void write(const QString& name, const QByteArray& bytes) const {
        QFile f(path(name));
        if (f.open(QIODevice::WriteOnly)) f.write(bytes);
    }
    QString expand(QString text) const { return text.replace(QStringLiteral("{data}"), data()); }

    // Runs the program in this folder with arguments separated by blanks, where {data}
    // stands for the data file. Standard output goes to stdoutFile when one is named.
    Outcome run(const QString& args, const QString& stdoutFile = {}) const {
        return runList(expand(args).split(QLatin1Char(' '), Qt::SkipEmptyParts), stdoutFile,
                       QStringLiteral(ORLENDA_BIN), dir());
    }

    // No X, no Wayland, no platform chosen for it, and a print system that is not there.
    static Outcome runList(const QStringList& args, const QString& stdoutFile = {},
                           const QString& program = QStringLiteral(ORLENDA_BIN),
                           const QString& workingDir = {}) {
        QProcess p;
        p.setWorkingDirectory(workingDir);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "PRINTER", "LPDEST"})
            env.remove(QString::fromLatin1(v));
        env.insert(QStringLiteral("CUPS_SERVER"), QStringLiteral("/nonexistent/cups.sock"));
        p.setProcessEnvironment(env);
        p.setStandardInputFile(QProcess::nullDevice());
        if (!stdoutFile.isEmpty()) p.setStandardOutputFile(stdoutFile);
        p.start(program, args);
        Outcome r;
        if (!p.waitForFinished(120000)) {
            p.kill();
            p.waitForFinished();
            return r;
        }
        r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

  private:
    QTemporaryDir dir_;
};

}  // namespace orlenda::test
