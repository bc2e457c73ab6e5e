// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/sheetpdf.h"

#include <QDir>
#include <QIODevice>
#include <QPdfWriter>
#include <algorithm>

#include "output/imagesave.h"

namespace orlenda {

namespace {

// A page that, like a printer, refuses papers it does not list.
class ListedPaperPage : public PrinterPage {
  public:
    ListedPaperPage(QPagedPaintDevice* device, const QList<QPageSize>& papers)
        : PrinterPage(device), papers_(papers) {}

    void SetPaperSize(int size) override {
        const QPageSize::PageSizeId wanted = size == kPaperA3   ? QPageSize::A3
                                             : size == kPaperA4 ? QPageSize::A4
                                                                : QPageSize::Custom;
        if (!papers_.isEmpty() &&
            std::none_of(papers_.begin(), papers_.end(),
                         [&](const QPageSize& s) { return s.id() == wanted; }))
            throw SurfaceError("the printer lacks this paper");
        PrinterPage::SetPaperSize(size);
    }

  private:
    const QList<QPageSize>& papers_;
};

}  // namespace

QString SheetTitle(const QString& yearCaption) {
    return yearCaption.trimmed() + QStringLiteral("年历");
}

QString DefaultSheetPdfName(const QString& yearCaption) {
    QString name = yearCaption.trimmed();
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return name + QStringLiteral("年历.pdf");
}

std::optional<QPageSize> WriteYearSheetPdf(QIODevice& device, int paper, const YearContent& content,
                                           const QList<QPageSize>& papers,
                                           const QPageSize& ownPaper) {
    QPdfWriter writer(&device);
    writer.setTitle(SheetTitle(content.yearCaption));
    writer.setCreator(QStringLiteral("Orlenda"));
    writer.setResolution(1200);
    writer.setPageSize(ownPaper);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    ListedPaperPage page(&writer, papers);
    DrawYearSheet(page, paper, content);
    if (page.PagesEnded() == 0) return std::nullopt;
    return writer.pageLayout().pageSize();
}

bool WriteYearSheetPdf(const QString& path, int paper, const YearContent& content, QString* error) {
    // Written beside the target and renamed over it only when whole: a write that fails
    // (a full disk, a read-only file) leaves an earlier file as it was.
    const SaveOutcome saved = SaveWhole(path, [&](QIODevice& file) {
        const bool ended = WriteYearSheetPdf(file, paper, content).has_value();
        return !ended || file.size() == 0 ? QStringLiteral("nothing written") : QString();
    });
    if (saved.ok()) return true;
    if (error)
        *error = QStringLiteral("无法保存文件：") + QDir::toNativeSeparators(path) +
                 QLatin1Char('\n') + ChineseSaveReason(saved, path);
    return false;
}

bool WriteYearSheetPdf(const QString& path, int paper, const CalendarDocument& doc,
                       QString* error) {
    return WriteYearSheetPdf(path, paper, SheetContentOf(doc), error);
}

}  // namespace orlenda
