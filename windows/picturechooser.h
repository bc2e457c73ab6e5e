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
    QLabel* insetLabel;       // 插图: the inset's file name
    QLabel* backgroundLabel;  // 背景: the background's file name

    // The folder the next chooser opens in: the one the last chooser showed in this run
    // (set it from saved settings at start), else the pictures folder.
    static QString StartFolder();
    static void SetStartFolder(const QString& folder);
    // The folder listed now; opening one selects its place too. False when it cannot be read.
    QString folder() const { return folderList->path(); }
    bool openFolder(const QString& folder);

    // The picture last loaded into the preview; empty until the first successful load.
    const QString& previewPath() const { return previewPath_; }
    // The rectangle marked on the previewed picture, twips at its natural size.
    const Crop& crop() const { return crop_; }
    // Clicks on the preview, counted 1, 2, 1, 2 ...
    int cornerClicks() const { return cornerClicks_; }

  public slots:
    void placeChosen();
    void folderChosen();
    void fileChosen();
    // A click on the preview at (x, y) twips: the first corner, then the opposite one.
    void cornerClicked(double x, double y);
    // The rectangle dragged on the preview to r, in preview twips.
    void cropDragged(const QRectF& r);
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
    // The rectangle (or its first corner) drawn on the preview; the document follows it
    // while the inset is the picture previewed.
    void cropChanged();
    void showChosenNames();

    CalendarDocument& doc_;
    QString previewPath_;
    Crop crop_;
    int cornerClicks_ = 0;
    // Picture twips per preview twip; kept in single precision like the rectangle.
    float scaleX_ = 0, scaleY_ = 0;
    double boxWidth_ = 0, boxHeight_ = 0;
};

}  // namespace orlenda
