// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The picture chooser: browse to a picture file, preview it, mark the inset's rectangle by
// two clicks on the preview and record the file in the document as the inset or the
// background picture.
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include "document/calendardocument.h"
#include "windows/filelists.h"

namespace orlenda {

class PictureChooser : public QWidget {
    Q_OBJECT
  public:
    // A top-level window; closing it (取消 or the frame) destroys it.
    explicit PictureChooser(CalendarDocument& doc, QWidget* parent = nullptr);

    PlaceList* placeList;
    FolderList* folderList;
    PictureFileList* fileList;
    PicturePreview* preview;
    QPushButton* insetButton;       // 选择为插图
    QPushButton* cancelButton;      // 取消
    QPushButton* backgroundButton;  // 选择为背景图
    QPushButton* okButton;          // 确定
    QLabel* instructionsLabel;

    // The picture last loaded into the preview; empty until the first successful load.
    const QString& previewPath() const { return previewPath_; }
    // The rectangle marked on the previewed picture, twips at its natural size.
    const Crop& crop() const { return crop_; }
    // The folder the lists show; setting it (a folder that can be listed) picks its place too.
    QString currentFolder() const { return folderList->path(); }
    bool setCurrentFolder(const QString& folder);
    // Clicks on the preview, counted 1, 2, 1, 2 ...
    int cornerClicks() const { return cornerClicks_; }

  public slots:
    void placeChosen();
    void folderChosen();
    void fileChosen();
    // A click on the preview at (x, y) twips: the first corner, then the opposite one.
    void cornerClicked(double x, double y);
    void useAsInset();
    void useAsBackground();
    // Forgets the document's pictures and closes the window for good.
    void cancel();
    // Hides the window; everything stays for the next showing.
    void accept();

  protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

  private:
    // The preview's size in twips for a picture of this width-to-height ratio: the longer
    // side fills the square box.
    QSizeF fitted(double ratio) const;
    bool previewing();

    CalendarDocument& doc_;
    QString previewPath_;
    Crop crop_;
    int cornerClicks_ = 0;
    // Picture twips per preview twip; kept in single precision like the rectangle.
    float scaleX_ = 0, scaleY_ = 0;
    double boxWidth_ = 0, boxHeight_ = 0;
};

}  // namespace orlenda
