#pragma once
// What the command line tests share: the built program run with no display, and a scratch
// folder with a data file of 2000 to 2010.
#include <QDir>
#include <QFile>
#include <QImage>
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
    QStringList lines() const {
        QStringList l = out.split(QLatin1Char('\n'));
        if (!l.isEmpty() && l.last().isEmpty()) l.removeLast();
        return l;
    }
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
    QString write(const QString& name, const QByteArray& bytes) const {
        QFile f(path(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) return {};
        return path(name);
    }
    // w x h pixels, the left half red and the right half blue.
    QString picture(const QString& name, int w, int h, const char* format) const {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(Qt::blue);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w / 2; ++x) image.setPixel(x, y, qRgb(255, 0, 0));
        image.save(path(name), format, 100);
        return path(name);
    }
    QStringList files() const { return QDir(dir()).entryList(QDir::Files | QDir::Hidden); }

    // Runs the program in this folder with arguments separated by blanks, where {dir} stands
    // for the folder and {data} for its data file. Standard output goes to stdoutFile when
    // one is named.
    Outcome run(const QString& args, const QString& stdoutFile = {}) const {
        return runList(expand(args).split(QLatin1Char(' '), Qt::SkipEmptyParts), stdoutFile,
                       QStringLiteral(ORLENDA_BIN), dir());
    }
    QString expand(QString text) const {
        return text.replace(QStringLiteral("{data}"), data())
            .replace(QStringLiteral("{dir}"), dir());
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
