#pragma once
// The chooser's controls: a drive list, a folder list, a file list with a pattern, and an
// image control that shows its picture at natural size or stretched to its own size.
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

// True when name matches one of the ';'-separated wildcards, ignoring case.
bool MatchesPattern(const QString& name, const QString& pattern);

// The file-system roots a user starts from here: the root folder, the home folder and the
// mounted volumes that can be read.
QStringList UserRoots();

// The deepest of roots that holds path ("/" when none does).
QString RootOf(const QStringList& roots, const QString& path);

class DriveList : public QComboBox {
    Q_OBJECT
  public:
    explicit DriveList(QWidget* parent = nullptr);
    QString Drive() const;
    // Selects root, adding it when the list lacks it; a change of drive emits Change.
    void SetDrive(const QString& root);

  signals:
    void Change();
};

class FolderList : public QListWidget {
    Q_OBJECT
  public:
    explicit FolderList(QWidget* parent = nullptr);
    const QString& Path() const { return path_; }
    // Lists folder's ancestors and subfolders; a folder that cannot be read leaves the list
    // as it was and returns false. A change of path emits Change.
    bool SetPath(const QString& folder);

  signals:
    void Change();
    // The user opened a folder that cannot be read.
    void OpenFailed(const QString& folder);

  private:
    QString path_;
};

class FileList : public QListWidget {
    Q_OBJECT
  public:
    explicit FileList(QWidget* parent = nullptr);
    const QString& Path() const { return path_; }
    void SetPath(const QString& folder);
    // Lists the folder anew (files come and go meanwhile), keeping the chosen name chosen
    // without a click.
    void Refresh();
    const QString& Pattern() const { return pattern_; }
    void SetPattern(const QString& pattern);
    // The selected file's name, empty when none is selected.
    QString FileName() const;
    // Selects a listed file as a click would; false when it is not listed.
    bool SelectFile(const QString& name);

  signals:
    // A file was chosen: clicked with the mouse (also when already chosen), or reached with
    // the arrow keys or by typing its first letters. Once for each.
    void Click();

  protected:
    void mousePressEvent(QMouseEvent* e) override;

  private:
    void refresh();
    QString path_;
    QString pattern_;
    bool pressing_ = false;
};

// Holds a picture file with a preview of it; the whole picture is decoded only when a
// drawer asks for it, so browsing large photographs stays quick.
class ImageControl : public QWidget {
    Q_OBJECT
  public:
    explicit ImageControl(QWidget* parent = nullptr);

    // Takes file as the picture, with preview already decoded for display. With stretching
    // off the control takes the picture's natural size.
    void SetPicture(PictureFile file, QImage preview);
    bool HasPicture() const { return !file_.isNull(); }
    // The picture at its natural resolution (null when none or when it cannot be decoded).
    const QImage& Picture() const;
    // The natural size in pixels.
    QSize PicturePixels() const { return file_.pixelSize(); }

    bool Stretch() const { return stretch_; }
    void SetStretch(bool on);

    // The control's size in twips (whole pixels, as the screen shows it).
    double WidthTwips() const { return width() * kTwipsPerPixel; }
    double HeightTwips() const { return height() * kTwipsPerPixel; }
    void SetSizeTwips(double width, double height);

  signals:
    // Button 1 left, 2 right, 4 middle; shift 1 Shift, 2 Ctrl, 4 Alt; position in twips.
    void MouseDown(int button, int shift, double x, double y);

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;

  private:
    PictureFile file_;
    QImage preview_;
    mutable QImage whole_;
    mutable bool wholeDecoded_ = false;
    bool stretch_ = false;
};

}  // namespace orlenda
