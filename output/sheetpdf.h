// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The year sheet as a PDF file: saved by the user, or handed to a print queue.
#include <QList>
#include <QPageSize>
#include <QString>
#include <optional>

#include "render/yearrenderer.h"

class QIODevice;

namespace orlenda {

// Writes the sheet into a PDF file, whole or not at all. False (with error, in Chinese)
// when the file cannot be written.
bool WriteYearSheetPdf(const QString& path, int paper, const CalendarDocument& doc,
                       QString* error = nullptr);
bool WriteYearSheetPdf(const QString& path, int paper, const YearContent& content,
                       QString* error = nullptr);

// Writes the sheet as one PDF page to device, as a printer would print it: the page starts
// on ownPaper, and a paper missing from papers (when that lists any) leaves it there. Returns
// the paper of the page, or none when the page could not be drawn.
std::optional<QPageSize> WriteYearSheetPdf(QIODevice& device, int paper, const YearContent& content,
                                           const QList<QPageSize>& papers = {},
                                           const QPageSize& ownPaper = QPageSize(QPageSize::A4));

// The sheet's document title, e.g. "2008年历".
QString SheetTitle(const QString& yearCaption);
// The file name offered when saving the sheet of a year, e.g. "2008年历.pdf".
QString DefaultSheetPdfName(const QString& yearCaption);

}  // namespace orlenda
