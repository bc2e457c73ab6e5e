// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window: the year list, the printing choices and the buttons that open every
// other window. It is the window the program starts with; the others appear at first use.
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include "document/calendardocument.h"

namespace orlenda {

class DocumentWindow;
class GreetingEditor;
class HelpWindow;
class MonthView;
class PictureChooser;
class RememberedChoices;
class SheetPreview;

class MainWindow : public QWidget {
    Q_OBJECT
  public:
    // With remembered, the windows take their places from it and the choices are written
    // there when the main window closes.
    explicit MainWindow(CalendarDocument& doc, RememberedChoices* remembered = nullptr);
    // The other windows go with it: none may outlive the document it shows.
    ~MainWindow() override;

    QLabel* yearLabel;
    QLabel* yearSuffixLabel;  // 年
    QComboBox* yearCombo;
    QRadioButton* englishRadio;
    QRadioButton* chineseRadio;
    QRadioButton* monoRadio;
    QRadioButton* colourRadio;
    QFrame* colourFrame;
    QPushButton* choosePictureButton;
    QPushButton* chooseGreetingButton;
    QPushButton* monthViewButton;
    QPushButton* printA4Button;
    QPushButton* printA3Button;
    QPushButton* documentButton;
    QPushButton* helpButton;
    QPushButton* aboutButton;
    QPushButton* endButton;

  public slots:
    void printA4();
    void printA3();
    void chooseGreeting();
    void choosePicture();
    void showMonthView();
    void createDocument();
    void showHelp();
    void showAbout();
    // Closes the main window, which ends the program.
    void endProgram();

  signals:
    // The main window closed (by 结束 or by its frame) and took every other window with it.
    void ended();

  protected:
    void changeEvent(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

  private:
    void pickYear(int index);
    void printYearSheet(int paper);
    void tellDataProblem(const DataReport& report);
    // Below and right of this window, leaving its buttons uncovered where the screen has room.
    void placeBeside(QWidget* w) const;
    void closeOtherWindows();

    // A window made now takes its remembered place.
    void keepPlace(QWidget* w, const char* name);

    CalendarDocument& doc_;
    QPointer<RememberedChoices> remembered_;
    QPointer<MonthView> monthView_;
    QPointer<GreetingEditor> greetingEditor_;
    QPointer<PictureChooser> pictureChooser_;
    QPointer<DocumentWindow> documentWindow_;
    QPointer<HelpWindow> helpWindow_;
    QPointer<SheetPreview> sheetPreview_;
    bool activatedBefore_ = false;
};

}  // namespace orlenda
