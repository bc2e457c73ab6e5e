// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/sheetpreview.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPointer>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "printing/printprompts.h"

namespace orlenda {

namespace {
bool Ask(QWidget* parent, const QString& question) {
    const PrintPrompts& prompts = PrintDialogs();
    return prompts.askYesNo && prompts.askYesNo(parent, question);
}
}  // namespace

SheetPreview::SheetPreview(int paper, const CalendarDocument& doc, QWidget* parent)
    : QDialog(parent), paper_(paper), model_(doc.model()), content_(SheetContentOf(doc)) {
    content_.model = &model_;
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(SheetTitle(content_.yearCaption) +
                   (paper == kPaperA3 ? QStringLiteral(" A3纸") : QStringLiteral(" A4纸")) +
                   QStringLiteral("打印预览"));
    // Printers but none marked as default: the first one will do.
    const QList<QPrinterInfo> printers = QPrinterInfo::availablePrinters();
    if (QPrinterInfo::defaultPrinter().isNull() && !printers.isEmpty())
        printer_.setPrinterName(printers.first().printerName());

    preview = new QPrintPreviewWidget(&printer_, this);
    preview->setZoomMode(QPrintPreviewWidget::FitInView);
    connect(preview, &QPrintPreviewWidget::paintRequested, this,
            [this](QPrinter* printer) { DrawSheetOnPrinter(*printer, paper_, content_, {}); });

    printButton = new QPushButton(QStringLiteral("打印…"), this);
    pdfButton = new QPushButton(QStringLiteral("保存为PDF"), this);
    closeButton = new QPushButton(QStringLiteral("关闭"), this);
    // Enter does what is possible here: print, or without a printer save the file.
    QPushButton* const first = printers.isEmpty() ? pdfButton : printButton;
    first->setDefault(true);
    first->setFocus();
    connect(printButton, &QPushButton::clicked, this, &SheetPreview::print);
    connect(pdfButton, &QPushButton::clicked, this, &SheetPreview::savePdf);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {printButton, pdfButton, closeButton}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(preview, 1);
    layout->addLayout(buttons);

    // A page high, the sheet's proportions, where the screen has room.
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const int height = screen ? screen->availableGeometry().height() * 85 / 100 : 900;
    resize(height * 3 / 4, height);
}

void SheetPreview::print() {
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        if (Ask(this, NoPrinterQuestion())) savePdf();
        return;
    }
    auto* dialog = new QPrintDialog(&printer_, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize |
                       QAbstractPrintDialog::PrintCollateCopies);
    connect(dialog, &QDialog::accepted, this, &SheetPreview::printOnChosenPrinter);
    dialog->open();
}

void SheetPreview::printOnChosenPrinter() {
    if (printer_.outputFormat() == QPrinter::PdfFormat) {
        // The print dialog's own "print to file": the same sheet, through the PDF save.
        if (!printer_.outputFileName().isEmpty())
            finish(SaveSheetPdf(printer_.outputFileName(), paper_, content_));
        return;
    }
    // A printer without the paper would print the sheet cut or shrunk: told before any job.
    if (PrinterLacksPaper(QPrinterInfo(printer_), paper_)) {
        if (Ask(this, LacksPaperQuestion(printer_.printerName(), paper_))) savePdf();
        return;
    }
    // The job is watched with the preview gone, so the other windows answer meanwhile; they
    // may even end the program, and this dialog with it.
    hide();
    const QPointer<SheetPreview> self(this);
    const PrintResult result = PrintSheetOn(printer_, paper_, content_);
    if (self) finish(result);
}

void SheetPreview::savePdf() {
    const QString path = ChooseSheetPdfPath(this, content_.yearCaption);
    if (!path.isEmpty()) finish(SaveSheetPdf(path, paper_, content_));
}

void SheetPreview::finish(const PrintResult& result) {
    outcome_ = result;
    done(QDialog::Accepted);
}

}  // namespace orlenda
