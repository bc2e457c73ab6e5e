#pragma once
// The electronic document: the year calendar drawn on one tall picture over a background
// colour or picture, with the greeting and the inset, kept as a BMP file.
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>

#include "document/calendardocument.h"
#include "graphics/surface.h"
#include "windows/pictureboxwidget.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace orlenda {

// A colour as the palette keeps it; a component above 255 counts as 255.
struct ColourTriple {
    std::int16_t Red = 0, Green = 0, Blue = 0;
    Colour value() const { return RGB(Red, Green, Blue); }
    bool operator==(const ColourTriple&) const = default;
};

class DocumentWindow : public QWidget {
    Q_OBJECT
  public:
    explicit DocumentWindow(CalendarDocument& doc, QWidget* parent = nullptr);

    QRadioButton* Option1;  // 调制背景色
    QRadioButton* Option2;  // 调制日期字体色
    QRadioButton* Option3;  // 调制祝贺语字体色
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;  // swatch of the background colour
    QLabel* Label6;  // swatch of the date colour
    QLabel* Label7;  // swatch of the greeting colour
    QLabel* Label8;
    std::array<QLineEdit*, 3> Text2;  // red, green, blue
    QCheckBox* Check1;
    QPushButton* Command1;  // save
    QPushButton* Command2;  // show the calendar
    QPushButton* Command3;  // end
    QPushButton* Command4;  // default colours
    QPushButton* Command5;  // help
    QLineEdit* Text1;       // file name
    QWidget* Picture0;      // viewport
    PictureBoxWidget* Picture1;
    QScrollBar* VScroll1;

    ColourTriple BackgroundColour;
    ColourTriple DateColour;
    ColourTriple GreetingColour;

    // Folder the picture is saved in: the program's folder unless changed (tests do).
    QString SaveFolder;
    // Where the drawing procedures draw: Picture1 unless redirected (tests record there).
    Surface* DrawTarget = nullptr;

    void Form_Load();

    void Command2_Click();
    void prt_v(const std::int16_t& month, const std::int32_t& x, const std::int32_t& y,
               const std::int16_t& sheetRow);
    void prnwrd_1();

    void Text2_KeyPress(int index, int keyAscii);
    void Text2_LostFocus(int index);
    void Command4_Click();
    void Option1_Click();

    void Check1_Click();
    void VScroll1_Change();
    void Command1_Click();
    void Command3_Click();
    void Command5_Click();

    // The saved file's full name: folder, one separator, name, ".BMP".
    static QString SaveFileName(const QString& folder, const QString& name);

  signals:
    // 使用背景图 ticked before a background picture was chosen.
    void pictureChooserWanted();

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

  private:
    Surface& picture() { return DrawTarget ? *DrawTarget : Picture1->box(); }
    void drawInset();
    CalendarDocument& doc_;
    bool checkingFocus_ = false;
    int wheelAngle_ = 0;  // wheel turns short of a notch
};

}  // namespace orlenda
