#pragma once
// The greeting editor: four lines of greeting and their font. The window is the only store
// of the lines; the greeting printers read the text boxes directly.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <array>

#include "windows/registry.h"

namespace orlenda {

// The face the font box proposes: 华文行楷 when it is installed, or when its stand-in is
// (the printers draw it with that stand-in); otherwise 宋体.
QString ProposedGreetingFont(const QStringList& screenFonts);

class wrd : public Form {
    Q_OBJECT
  public:
    wrd();

    QLabel* Label1;
    QLineEdit* Text1;
    std::array<QLineEdit*, 3> Text2;
    // The font box: an editable text field over a list that is always open.
    QComboBox* Combo1;
    QListView* Combo1List;
    QLabel* Label2;
    QPushButton* Command1;  // 确定
    QPushButton* Command2;  // 清除重输
    QPushButton* Command3;  // 取消

    void Form_Load() override;
    // The next reference makes the default lines again.
    void Form_Unload() override;
    // Sees every character typed in the window first; setting KeyAscii to 0 swallows it.
    void Form_KeyPress(int& KeyAscii);
    void Combo1_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    void setLinesFace(const QString& face);
    std::array<QLineEdit*, 4> lines() const { return {Text1, Text2[0], Text2[1], Text2[2]}; }
};

}  // namespace orlenda
