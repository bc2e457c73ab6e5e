// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The screen month view: one month of the document's year, picked in a list.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include "document/calendardocument.h"
#include "windows/pictureboxwidget.h"

namespace orlenda {

class MonthView : public QWidget {
    Q_OBJECT
  public:
    // Opens on today's month. Closing by the frame destroys the window.
    explicit MonthView(const CalendarDocument& doc, QWidget* parent = nullptr);

    PictureBoxWidget* monthPicture;
    QLabel* monthPromptLabel;
    QComboBox* monthCombo;
    QPushButton* saveTestButton;  // reads "Command1"
    QPushButton* closeButton;

  public slots:
    // Draws the month the list's text names and names the year and month in the caption.
    void showChosenMonth();
    // Blanks the picture until the view is activated again.
    void clearPicture();
    // Saves the picture as TEST.BMP in the current directory.
    void saveTest();

  protected:
    // Every activation redraws the chosen month.
    void changeEvent(QEvent* e) override;

  private:
    // A typed month outside 1 to 12 becomes " 1".
    void monthEdited();
    void drawMonth(int month);

    const CalendarDocument& doc_;
    bool blank_ = false;
};

}  // namespace orlenda
