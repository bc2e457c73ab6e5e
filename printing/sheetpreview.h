// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The year sheet shown as it will print, before anything goes out: from here the user prints
// through the system's print dialog or saves the same sheet as a PDF file.
#include <QDialog>
#include <QPrinter>

#include "printing/yearsheet.h"

class QPrintPreviewWidget;
class QPushButton;

namespace orlenda {

class SheetPreview : public QDialog {
    Q_OBJECT
  public:
    // The sheet of doc as it stands now: later changes to doc do not reach what is shown or
    // printed. The dialog deletes itself when closed.
    SheetPreview(int paper, const CalendarDocument& doc, QWidget* parent);

    QPrintPreviewWidget* preview;
    QPushButton* printButton;  // opens the print dialog
    QPushButton* pdfButton;    // 保存为PDF
    QPushButton* closeButton;

    // What became of the sheet once the dialog finished; NotPrinted when it was closed.
    const PrintResult& outcome() const { return outcome_; }

  public slots:
    // Without a printer: the offer of a PDF file; else the print dialog, then the job.
    void print();
    void savePdf();

  private:
    void printOnChosenPrinter();
    void finish(const PrintResult& result);

    int paper_;
    CalendarModel model_;
    YearContent content_;
    QPrinter printer_{QPrinter::HighResolution};
    PrintResult outcome_;
};

}  // namespace orlenda
