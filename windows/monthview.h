// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The screen month view: one month of the document's year, picked in a list or stepped to
// with the page keys and the mouse wheel.
#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <functional>

#include "document/calendardocument.h"
#include "windows/pictureboxwidget.h"

namespace orlenda {

// Where the month view reads today's date; an empty clock restores the system date. Returns
// the previous clock.
using TodayClock = std::function<QDate()>;
TodayClock SetTodayClock(TodayClock clock);

class MonthView : public QWidget {
    Q_OBJECT
  public:
    // Opens on today's month. Closing by the frame destroys the window. Stepping past
    // December or January changes the document's year.
    explicit MonthView(CalendarDocument& doc, QWidget* parent = nullptr);

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
    // The month steps months away, into the neighbouring year when the data file holds it;
    // at the first or last year the data holds, the view stays where it is.
    void stepMonth(int steps);

  protected:
    // Every activation redraws the chosen month.
    void changeEvent(QEvent* e) override;
    // Page Up / Page Down and the wheel step through the months wherever the focus or the
    // pointer is in the window (the month box would otherwise keep them to its list).
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    // A typed month outside 1 to 12 becomes " 1".
    void monthEdited();
    void drawMonth(int month);

    // The month the list's text names, 0 when it names none.
    int chosenMonth() const;

    CalendarDocument& doc_;
    bool blank_ = false;
    int wheelDelta_ = 0;  // wheel turns not yet a whole step
};

}  // namespace orlenda
