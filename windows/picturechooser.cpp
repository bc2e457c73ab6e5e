// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/picturechooser.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QShowEvent>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>

#include "graphics/logging.h"
#include "windows/messages.h"
#include "windows/windowstyle.h"

namespace orlenda {

namespace {
constexpr Colour kWindowBack = RGB(192, 255, 255);
constexpr Colour kButtonBack = RGB(0, 255, 0);

QString& rememberedFolder() {
    static QString folder;
    return folder;
}

// "插图: photo.jpg", the name shortened in its middle to fit the label.
void ShowName(QLabel* label, const QString& what, const QString& path) {
    const QString head = what + QStringLiteral(": ");
    const QString name = path.isEmpty() ? QStringLiteral("无") : QFileInfo(path).fileName();
    const int room = label->width() - label->fontMetrics().horizontalAdvance(head);
    label->setText(head + label->fontMetrics().elidedText(name, Qt::ElideMiddle, room));
    label->setToolTip(QDir::toNativeSeparators(path));
}
}  // namespace

QString PictureChooser::StartFolder() {
    const QString& folder = rememberedFolder();
    return folder.isEmpty() || !QFileInfo(folder).isDir() ? PicturesOrHomeFolder() : folder;
}

void PictureChooser::SetStartFolder(const QString& folder) { rememberedFolder() = folder; }

PictureChooser::PictureChooser(CalendarDocument& doc, QWidget* parent)
    : QWidget(parent, Qt::Window), doc_(doc) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("请选择图形文件"));
    // Below the design's window, a row telling the chosen pictures' names.
    setFixedSize(Px(8985), Px(6315));
    SetBackground(this, kWindowBack);
    setFont(WindowFont(QStringLiteral("宋体"), 9));

    placeList = new PlaceList(this);
    placeList->setGeometry(TwipsRect(0, 0, 1455, 300));
    folderList = new FolderList(this);
    folderList->setGeometry(TwipsRect(0, 480, 1695, 3870));
    fileList = new PictureFileList(this);
    fileList->setGeometry(TwipsRect(1680, 0, 1695, 5310));
    preview = new PicturePreview(this);
    preview->setGeometry(TwipsRect(3400, 120, 5280, 5280));

    auto button = [this](const char* caption, QRect r) {
        QPushButton* b = ColouredButton(this, QString::fromUtf8(caption), r, kButtonBack);
        b->setAutoDefault(true);  // Enter on a focused button presses it, as Space does
        return b;
    };
    insetButton = button("选择为插图", TwipsRect(120, 4560, 1215, 375));
    backgroundButton = button("选择为背景图", TwipsRect(120, 5040, 1215, 375));
    cancelButton = button("取消", TwipsRect(120, 5520, 615, 375));
    okButton = button("确定", TwipsRect(840, 5520, 615, 375));

    instructionsLabel = new QLabel(
        QStringLiteral("请用左键分别点击图形的左上角与右下角以选取插图打印区域(背景图不必选取)；"
                       "A3/A4纸打印只能使用插图，电子文档可分别选择插图及背景图。"),
        this);
    instructionsLabel->setGeometry(TwipsRect(1560, 5520, 7290, 405));
    instructionsLabel->setWordWrap(true);
    insetLabel = new QLabel(this);
    insetLabel->setGeometry(TwipsRect(120, 5985, 4200, 255));
    backgroundLabel = new QLabel(this);
    backgroundLabel->setGeometry(TwipsRect(4440, 5985, 4410, 255));
    showChosenNames();
    connect(&doc_, &CalendarDocument::picturesChanged, this, &PictureChooser::showChosenNames);

    QWidget* const order[] = {placeList,    folderList,       fileList, insetButton,
                              cancelButton, backgroundButton, okButton};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    connect(placeList, &PlaceList::changed, this, &PictureChooser::placeChosen);
    connect(folderList, &FolderList::changed, this, &PictureChooser::folderChosen);
    connect(folderList, &FolderList::openFailed, this, [this](const QString& folder) {
        ShowMessage(this, QStringLiteral("无法打开文件夹：%1").arg(folder));
    });
    connect(fileList, &PictureFileList::fileChosen, this, &PictureChooser::fileChosen);
    connect(preview, &PicturePreview::pressed, this, &PictureChooser::cornerClicked);
    connect(preview, &PicturePreview::markDragged, this, &PictureChooser::cropDragged);
    connect(insetButton, &QPushButton::clicked, this, &PictureChooser::useAsInset);
    connect(cancelButton, &QPushButton::clicked, this, &PictureChooser::cancel);
    connect(backgroundButton, &QPushButton::clicked, this, &PictureChooser::useAsBackground);
    connect(okButton, &QPushButton::clicked, this, &PictureChooser::accept);

    // The lists start where the last chooser was left, else among the user's pictures.
    boxWidth_ = preview->widthTwips();
    boxHeight_ = preview->heightTwips();
    for (const QString& start : {StartFolder(), PicturesOrHomeFolder(), QStringLiteral("/")})
        if (openFolder(start)) break;
}

bool PictureChooser::openFolder(const QString& folder) {
    if (!folderList->setPath(folder)) return false;
    const QSignalBlocker quiet(placeList);
    placeList->setPlace(RootOf(placeList->places(), folderList->path()));
    return true;
}

void PictureChooser::showChosenNames() {
    ShowName(insetLabel, QStringLiteral("插图"), doc_.inset().path);
    ShowName(backgroundLabel, QStringLiteral("背景"), doc_.backgroundPath());
}

void PictureChooser::showEvent(QShowEvent* e) {
    // Pictures saved into the folder while the window was hidden are offered too.
    if (!e->spontaneous()) fileList->refresh();
    QWidget::showEvent(e);
}

void PictureChooser::closeEvent(QCloseEvent* e) {
    // The picture the inset is cut from goes with the window; the background's file stays.
    if (!doc_.inset().isNull()) doc_.setInset(ChosenPicture{}, doc_.insetCrop());
    QWidget::closeEvent(e);
}

void PictureChooser::placeChosen() {
    if (folderList->setPath(placeList->place())) return;
    // A volume that went away or cannot be read: say so and stay where the folder list is.
    qCWarning(lcPicture) << "cannot list the folder" << placeList->place();
    ShowMessage(this, QStringLiteral("无法打开文件夹：%1").arg(placeList->place()));
    const QSignalBlocker quiet(placeList);
    placeList->setPlace(RootOf(placeList->places(), folderList->path()));
}

void PictureChooser::folderChosen() {
    fileList->setFolder(folderList->path());
    SetStartFolder(folderList->path());
}

QSizeF PictureChooser::fitted(double ratio) const {
    if (ratio >= 1.0) return {boxWidth_, boxHeight_ / ratio};
    return {ratio * boxWidth_, boxHeight_};
}

void PictureChooser::fileChosen() {
    if (fileList->fileName().isEmpty()) return;
    const QString path = FileListPath(fileList->folder(), fileList->fileName());

    // Everything that can fail happens before the preview changes, so a file that cannot
    // be shown leaves the previous picture, its path, rectangle and scale factors in place.
    PictureFile file;
    QImage shown;
    try {
        file = PictureFile::Open(path);
        const QSize px = file.pixelSize();
        const QSizeF box = fitted(float(double(px.width()) / px.height()));
        const qreal dpr = devicePixelRatioF();
        shown =
            file.decode(QSize(std::max(1, int(std::lround(box.width() / kTwipsPerPixel * dpr))),
                              std::max(1, int(std::lround(box.height() / kTwipsPerPixel * dpr)))));
    } catch (const PictureError& e) {
        qCWarning(lcPicture) << e.message();
        ShowMessage(this, e.message());
        // The highlight goes back to the picture still shown, so name and preview agree.
        const QSignalBlocker quiet(fileList);
        const QFileInfo previewed(previewPath_);
        if (previewPath_.isEmpty() || previewed.absolutePath() != fileList->folder() ||
            !fileList->selectFile(previewed.fileName()))
            fileList->setCurrentRow(-1);
        return;
    }

    preview->hide();
    preview->setStretched(false);
    preview->setPicture(std::move(file), std::move(shown));
    const float width = float(preview->widthTwips()), height = float(preview->heightTwips());
    crop_ = Crop{0, 0, width, height};
    const float ratio = width / height;
    preview->setStretched(true);
    const QSizeF box = fitted(ratio);
    preview->setSizeTwips(box.width(), box.height());
    preview->show();
    scaleX_ = width / float(preview->widthTwips());
    scaleY_ = height / float(preview->heightTwips());
    previewPath_ = path;
    cropChanged();
}

void PictureChooser::cornerClicked(double x, double y) {
    cornerClicks_ = cornerClicks_ % 2 + 1;
    const float atX = scaleX_ * float(x), atY = scaleY_ * float(y);
    if (cornerClicks_ == 1) {
        crop_.x = atX;
        crop_.y = atY;
    } else {
        crop_.width = atX - float(crop_.x);
        crop_.height = atY - float(crop_.y);
    }
    cropChanged();
}

void PictureChooser::cropDragged(const QRectF& r) {
    crop_ = Crop{scaleX_ * float(r.x()), scaleY_ * float(r.y()), scaleX_ * float(r.width()),
                 scaleY_ * float(r.height())};
    cropChanged();
}

void PictureChooser::cropChanged() {
    // Before any picture the scale factors are 0 and there is nothing to mark.
    if (scaleX_ > 0 && scaleY_ > 0)
        preview->setMark(cornerClicks_, QRectF(crop_.x / scaleX_, crop_.y / scaleY_,
                                               crop_.width / scaleX_, crop_.height / scaleY_));
    if (!previewPath_.isEmpty() && previewPath_ == doc_.inset().path) doc_.setInsetCrop(crop_);
}

bool PictureChooser::previewing() {
    if (!previewPath_.isEmpty()) return true;
    ShowMessage(this, QStringLiteral("未选中图形文件！"));
    return false;
}

void PictureChooser::useAsInset() {
    if (!previewing()) return;
    QImage whole;
    try {
        whole = preview->wholePicture();
    } catch (const PictureError& e) {
        // The file changed since it was previewed.
        qCWarning(lcPicture) << e.message();
        ShowMessage(this, e.message());
        return;
    }
    doc_.setInset(ChosenPicture{previewPath_, whole}, crop_);
}

void PictureChooser::useAsBackground() {
    if (previewing()) doc_.setBackgroundPath(previewPath_);
}

void PictureChooser::cancel() {
    doc_.clearPictures();
    close();
}

void PictureChooser::accept() { hide(); }

}  // namespace orlenda
