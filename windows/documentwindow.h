// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The electronic document: the document's year drawn on one tall picture over a background
// colour or picture, with the greeting and the inset, kept as a BMP, PNG, JPEG or PDF file. The
// three colours mixed here and the background picture ticked here live in the document.
#include <QString>
#include <QWidget>
#include <array>

#include "document/calendardocument.h"
#include "windows/pictureboxwidget.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace orlenda {

class DocumentWindow : public QWidget {
    Q_OBJECT
  public:
    // A top-level window showing the document's colours; it uses no background picture until
    // one is ticked. Closing it (结束 or the frame) destroys it.
    explicit DocumentWindow(CalendarDocument& doc, QWidget* parent = nullptr);

    QRadioButton* backgroundOption;  // 调制背景色
    QRadioButton* dateOption;        // 调制日期字体色
    QRadioButton* greetingOption;    // 调制祝贺语字体色
    QLabel* backgroundSwatch;
    QLabel* dateSwatch;
    QLabel* greetingSwatch;
    QLabel* paletteLabel;
    std::array<QLabel*, 3> rgbLabels;    // 红色, 绿色, 兰色
    std::array<QLineEdit*, 3> rgbEdits;  // red, green, blue
    QCheckBox* useBackgroundCheck;       // 使用背景图
    QLabel* fileNameLabel;
    QLineEdit* fileNameEdit;
    QPushButton* saveButton;            // 保存图形
    QPushButton* showButton;            // 显示年历
    QPushButton* endButton;             // 结束
    QPushButton* defaultColoursButton;  // 恢复默认色
    QPushButton* helpButton;            // 帮助
    QPushButton* colourButton;          // 选择颜色…
    QWidget* viewport;
    PictureBoxWidget* documentPicture;
    QScrollBar* documentScrollBar;

    // Folder the picture is saved in: the program's folder unless changed (tests do).
    QString saveFolder;

    // The saved file's full name: folder, one separator, name, and ".BMP" unless the name
    // ends as a picture file whose format is saved (.bmp, .png, .jpg, .jpeg, .pdf, any case).
    static QString SaveFileName(const QString& folder, const QString& name);

  signals:
    // A background picture was asked for while the document has none.
    void pictureChooserWanted();

  public slots:
    void showCalendar();
    void saveCalendar();
    // Enter in rgbEdits[box]: the three boxes become the colour of the selected option.
    void applyColour(int box);
    // rgbEdits[box] lost the focus: it must hold a number.
    void checkColourBox(int box);
    // The desktop's colour dialog on the selected option's colour; its choice goes into the
    // three boxes and, as Enter would, into that colour.
    void chooseColour();
    void restoreDefaultColours();
    void useBackgroundToggled();
    void scrolled();
    void showHelp();

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

  private:
    void showColours();
    // The document's background picture going away leaves nothing to tick.
    void followPictures();

    CalendarDocument& doc_;
    QString proposedName_;  // the file name last proposed, for the year drawn
    bool checkingFocus_ = false;
    int wheelAngle_ = 0;  // wheel turns short of a notch
};

}  // namespace orlenda
