#pragma once
// The main window: the year list, the printing choices and the buttons that open every
// other window. It is the window the program starts with.
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

#include "graphics/surface.h"
#include "printing/yearsheet.h"
#include "windows/mainwindowview.h"

namespace orlenda {

class DocumentWindow;
class PictureChooser;

class Form1 : public MainWindowView {
    Q_OBJECT
  public:
    Form1();
    ~Form1() override;

    QLabel* Label1;
    QLabel* Label2;
    QComboBox* Combo1;
    QRadioButton* Option1;  // 英文
    QRadioButton* Option2;  // 中文
    QRadioButton* Option3;  // 黑白打印
    QRadioButton* Option4;  // 彩色打印
    QFrame* Frame1;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command4;
    QPushButton* Command5;
    QPushButton* Command6;
    QPushButton* Command7;
    QPushButton* Command8;
    QPushButton* Command9;
    Colour SavedTitleColor = 0;

    void Form_Load() override;
    void Form_Activate() override;
    QString yearCaption() const override { return Label1->text(); }
    bool chineseSelected() const override { return Option2->isChecked(); }

    // The user picked a year from the list (also run once by Form_Load).
    void Combo1_Click();
    // The user typed into the year box: picking is the only way to change the year.
    void Combo1_Change();
    void Label1_Change();
    // Every write of Label1's caption goes through here so that its Change runs.
    void SetLabel1(const QString& caption);

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();
    void Command9_Click();
    // Shows the picture chooser, made afresh when it was closed.
    void showPictureChooser();

    // What the year sheet needs now: the options, the year caption, the greeting editor's
    // lines (creating the editor hidden when it was never opened) and the inset.
    SheetInputs GatherSheetInputs();

  protected:
    // Closing the main window by its frame ends the program, as "结束" does: no window of
    // the program may stay running without it.
    void closeEvent(QCloseEvent* e) override;

  private:
    void printYearSheet(int paper);
    QPointer<PictureChooser> chooser_;
    QPointer<DocumentWindow> documentWindow_;
};

}  // namespace orlenda
