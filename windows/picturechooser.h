#pragma once
// The picture chooser: browse to a picture file, preview it, mark the inset's rectangle by
// two clicks on the preview and record the file as the inset or the background picture.
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <cstdint>

#include "document/calendardocument.h"
#include "windows/filelists.h"

namespace orlenda {

class PictureChooser : public QWidget {
    Q_OBJECT
  public:
    explicit PictureChooser(CalendarDocument& doc, QWidget* parent = nullptr);

    DriveList* Drive1;
    FolderList* Dir1;
    FileList* File1;
    ImageControl* Image1;
    QPushButton* Command1;  // 选择为插图
    QPushButton* Command2;  // 取消
    QPushButton* Command3;  // 选择为背景图
    QPushButton* Command4;  // 确定
    QLabel* Label1;

    // The picture last loaded into the preview; empty until the first successful load.
    QString PreviewPicturePath;
    // Clicks on the preview, counted 1, 2, 1, 2 ...
    std::int16_t CornerClickCount = 0;
    double PreviewBoxWidth = 0;
    double PreviewBoxHeight = 0;

    // The preview's picture at its natural resolution, which the inset is cut from (null
    // when none is loaded).
    const QImage& Image1Picture() const { return Image1->Picture(); }

    void Form_Load();
    void Drive1_Change();
    void Dir1_Change();
    void File1_Click();
    void Image1_MouseDown(int Button, int Shift, float X, float Y);
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    // The preview's size in twips for a picture of this width-to-height ratio: the longer
    // side fills the square box.
    QSizeF fitted(double ratio) const;
    void choose(std::string& target);
    // The chosen pictures and the crop rectangle, as the document holds them.
    void syncDocument();
    CalendarDocument& doc_;
};

}  // namespace orlenda
