// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The chooser's controls: a list of places to start from, a folder list, a list of the
// picture files in a folder, and a preview that shows a picture at its natural size or
// stretched to its own size.
#include <QComboBox>
#include <QImage>
#include <QListWidget>
#include <QStringList>
#include <QWidget>

#include "graphics/units.h"
#include "pictures/picture.h"

namespace orlenda {

// The full path of a file listed in folder: one separator, also after the root folder.
QString FileListPath(const QString& folder, const QString& name);

// The user's pictures folder, or the home folder when there is none.
QString PicturesOrHomeFolder();

// A place a user starts from: its name in the list and its folder.
struct Place {
    QString name, folder;
};
// 主文件夹 (home), 图片 (the pictures folder, when there is one), the root folder and the
// mounted volumes that can be read, each folder once.
QList<Place> UserPlaces();

// The deepest of roots that holds path ("/" when none does).
QString RootOf(const QStringList& roots, const QString& path);

class PlaceList : public QComboBox {
    Q_OBJECT
  public:
    explicit PlaceList(QWidget* parent = nullptr);
    // The chosen place's folder.
    QString place() const;
    QStringList places() const;
    // Selects the place of this folder, adding it when the list lacks it; a change of place
    // emits changed.
    void setPlace(const QString& root);

  signals:
    void changed();
};

class FolderList : public QListWidget {
    Q_OBJECT
  public:
    explicit FolderList(QWidget* parent = nullptr);
    const QString& path() const { return path_; }
    // Lists folder's ancestors and subfolders; a folder that cannot be read leaves the list
    // as it was and returns false. A change of path emits changed.
    bool setPath(const QString& folder);

  signals:
    void changed();
    // The user opened a folder that cannot be read.
    void openFailed(const QString& folder);

  private:
    QString path_;
};

class PictureFileList : public QListWidget {
    Q_OBJECT
  public:
    explicit PictureFileList(QWidget* parent = nullptr);
    const QString& folder() const { return folder_; }
    void setFolder(const QString& folder);
    // Lists the folder anew (files come and go meanwhile), keeping the chosen name chosen
    // without a click.
    void refresh();
    // The selected file's name, empty when none is selected.
    QString fileName() const;
    // Selects a listed file as a click would; false when it is not listed.
    bool selectFile(const QString& name);

  signals:
    // A file was chosen: clicked with the mouse (also when already chosen), or reached with
    // the arrow keys or by typing its first letters. Once for each.
    void fileChosen();

  protected:
    void mousePressEvent(QMouseEvent* e) override;

  private:
    void fill();
    QString folder_;
    bool pressing_ = false;
};

// Holds a picture file with a preview of it; the whole picture is decoded only when it is
// asked for, so browsing large photographs stays quick. Shows the part marked on it, which
// the mouse moves (dragged from inside) and resizes (dragged by a corner).
class PicturePreview : public QWidget {
    Q_OBJECT
  public:
    explicit PicturePreview(QWidget* parent = nullptr);

    // Takes file as the picture, with shown already decoded for display. With stretching
    // off the preview takes the picture's natural size.
    void setPicture(PictureFile file, QImage shown);
    bool hasPicture() const { return !file_.isNull(); }
    // The picture at its natural resolution; throws PictureError.
    QImage wholePicture() const { return file_.decode(); }
    QSize pixelSize() const { return file_.pixelSize(); }

    bool stretched() const { return stretch_; }
    void setStretched(bool on);

    // The preview's size in twips (whole pixels, as the screen shows it).
    double widthTwips() const { return width() * kTwipsPerPixel; }
    double heightTwips() const { return height() * kTwipsPerPixel; }
    void setSizeTwips(double width, double height);

    // The mark, in the preview's twips: none (0), the first corner at rect's top left (1),
    // or the rectangle (2), whose width and height may be negative.
    void setMark(int corners, const QRectF& rect);
    int markCorners() const { return corners_; }

  signals:
    // A click with any mouse button (pressed and released without moving); the position
    // where it was pressed, in twips from the preview's top left corner.
    void pressed(double x, double y);
    // The rectangle moved or resized by the mouse, within the picture; twips, as setMark.
    void markDragged(const QRectF& rect);

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

  private:
    enum class Drag { None, Move, Resize };
    PictureFile file_;
    QImage shown_;
    bool stretch_ = false;
    int corners_ = 0;
    QRectF mark_;  // pixels
    // The press being followed: where, the mark then, what a drag does with it (a resize
    // keeps anchor_ fixed) and whether the mouse has moved far enough to drag.
    bool pressing_ = false, dragging_ = false;
    QPointF pressAt_, anchor_;
    QRectF markAtPress_;
    Drag drag_ = Drag::None;
};

}  // namespace orlenda
