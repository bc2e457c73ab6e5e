// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The model of a year from the shipped data file, and poppler's view of a PDF file.
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>
#include <cmath>
#include <map>

#include "core/calendar.h"
#include "core/yeardata.h"
#include "printing/yearsheet.h"
#include "recordingsurface.h"

namespace orlenda::testing {

inline const CalendarModel& ModelOf(int year) {
    static std::map<int, CalendarModel> models;
    if (auto it = models.find(year); it != models.end()) return it->second;
    DataReport report;
    std::optional<YearRecord> record = ReadYearRecord(ORLENDA_DATA_FILE, year, report);
    if (!record) qFatal("cannot read %d from the data file: %s", year, report.message.c_str());
    BuildYearCalendar(year, &*record, models[year], &report);
    return models[year];
}

// Output (standard and error) of a program; exitCode -1 when it crashed or hung.
inline QString Run(const QString& program, const QStringList& args, int* exitCode = nullptr) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    const bool done = p.waitForFinished(30000);
    if (exitCode) *exitCode = done && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAll());
}

// True when pdfinfo finds one page of the ISO size given in millimetres (PDF writers round
// it to whole points).
inline bool IsOnePage(const QString& pdf, double widthMm, double heightMm) {
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Pages:\\s+1\\n[\\s\\S]*Page size:\\s+([\\d.]+) x "
                                          "([\\d.]+) pts"))
            .match(Run(QStringLiteral("pdfinfo"), {pdf}));
    return m.hasMatch() && std::abs(m.captured(1).toDouble() - widthMm * 72 / 25.4) < 1 &&
           std::abs(m.captured(2).toDouble() - heightMm * 72 / 25.4) < 1;
}

}  // namespace orlenda::testing
