// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The built program run with no display in a scratch folder with data for 2000 to 2010.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "tests/core/testfiles.h"

namespace orlenda::test {

struct Outcome {
    int code = -1;
    QString out, err;
};

// No X, no Wayland, no platform chosen for it, and a print system that is not there.
// Standard output goes to stdoutFile when one is named.
inline Outcome Run(const QString& program, const QStringList& args, const QString& workingDir,
                   const QString& stdoutFile = {}) {
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
    if (!p.waitForFinished(120000)) return {};  // QProcess kills it on the way out
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

class Folder {
  public:
    Folder() { write("china.txt", QByteArray::fromStdString(Joined(kLines2000To2010))); }
    QString dir() const { return dir_.path(); }
    QString path(const QString& name) const { return dir_.filePath(name); }
    void write(const QString& name, const QByteArray& bytes) const {
        QFile f(path(name));
        if (f.open(QIODevice::WriteOnly)) f.write(bytes);
    }
    // The arguments separated by blanks.
    Outcome run(const QString& args, const QString& stdoutFile = {}) const {
        return Run(QStringLiteral(ORLENDA_BIN), args.split(QLatin1Char(' ')), dir(), stdoutFile);
    }

  private:
    QTemporaryDir dir_;
};

}  // namespace orlenda::test
