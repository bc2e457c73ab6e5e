#pragma once
// The screen month view: one month of the current calendar model, picked in a list.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <cstdint>

#include "windows/pictureboxwidget.h"
#include "windows/registry.h"

namespace orlenda {

class scr : public Form {
    Q_OBJECT
  public:
    scr();

    PictureBoxWidget* Picture1;
    QLabel* Label2;
    QComboBox* Combo1;
    QPushButton* Command1;
    QPushButton* Command2;

    void Form_Load() override;
    // Every activation redraws the chosen month from the current model.
    void Form_Activate() override;

    // The user edited the month text: anything outside 1 to 12 becomes " 1".
    void Combo1_Change();
    // Draws the month the text names and renews the caption.
    void Combo1_Click();
    // Saves Picture1's image as TEST.BMP in the current directory.
    void Command1_Click();
    void Command2_Click();

    // Clears Picture1 and draws month (1..12) of the calendar model.
    void prts(const std::int16_t& month);
};

}  // namespace orlenda
