// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/filelists.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QStorageInfo>
#include <QStyle>
#include <QStyledItemDelegate>
#include <cmath>

#include "pictures/picturenames.h"

namespace orlenda {

namespace {
QString cleanFolder(const QString& folder) { return QDir::cleanPath(QDir(folder).absolutePath()); }

// The stand-in faces draw an underscore below their own descent, where a list row would cut
// it off; rows get room for it.
class RoomyRows : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QSize s = QStyledItemDelegate::sizeHint(option, index);
        return {s.width(), std::max(s.height(), option.fontMetrics.height() + 4)};
    }
};

void SetUpList(QListWidget* list) {
    list->setItemDelegate(new RoomyRows(list));
    list->setIconSize(QSize(16, 16));
    // The chosen name stays readable when another control has the focus.
    QPalette p = list->palette();
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
        p.setColor(QPalette::Inactive, role, p.color(QPalette::Active, role));
    list->setPalette(p);
}

bool contains(const QString& root, const QString& path) {
    if (root == QLatin1String("/")) return path.startsWith(QLatin1Char('/'));
    return path == root || path.startsWith(root + QLatin1Char('/'));
}
}  // namespace

QString FileListPath(const QString& folder, const QString& name) {
    if (folder.endsWith(QLatin1Char('/'))) return folder + name;
    return folder + QLatin1Char('/') + name;
}

QStringList UserRoots() {
    QStringList roots{QStringLiteral("/")};
    auto add = [&](const QString& path) {
        const QFileInfo info(path);
        if (path.isEmpty() || !info.isDir() || !info.isReadable()) return;
        const QString clean = cleanFolder(path);
        if (!roots.contains(clean)) roots << clean;
    };
    add(QDir::homePath());
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady()) add(volume.rootPath());
    }
    return roots;
}

QString RootOf(const QStringList& roots, const QString& path) {
    QString best = QStringLiteral("/");
    for (const QString& r : roots) {
        if (contains(r, path) && r.size() > best.size()) best = r;
    }
    return best;
}

// ---- PlaceList

PlaceList::PlaceList(QWidget* parent) : QComboBox(parent) {
    for (const QString& root : UserRoots()) addItem(root, root);
    setCurrentIndex(-1);  // no place until the window picks one
    connect(this, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (i >= 0) emit changed();
    });
}

QString PlaceList::place() const { return currentData().toString(); }

QStringList PlaceList::places() const {
    QStringList roots;
    for (int i = 0; i < count(); ++i) roots << itemData(i).toString();
    return roots;
}

void PlaceList::setPlace(const QString& root) {
    int i = findData(root);
    if (i < 0) {
        addItem(root, root);
        i = count() - 1;
    }
    setCurrentIndex(i);
}

// ---- FolderList

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
    SetUpList(this);
    // Opening a folder takes a double click (or Enter), a single click only marks it.
    connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const QString folder = item->data(Qt::UserRole).toString();
        if (folder != path_ && !setPath(folder)) emit openFailed(folder);
    });
}

bool FolderList::setPath(const QString& folder) {
    const QString clean = cleanFolder(folder);
    QDir dir(clean);
    const QFileInfo info(clean);
    if (!info.isDir() || !info.isReadable() || !info.isExecutable()) return false;
    const QFileInfoList subfolders =
        dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);

    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirIcon);
    // The chain from the root down to the folder, then the folder's subfolders indented.
    QStringList chain;
    for (QDir up(clean);;) {
        chain.prepend(up.absolutePath());
        if (up.isRoot() || !up.cdUp()) break;
    }
    int depth = 0;
    QListWidgetItem* current = nullptr;
    for (const QString& p : chain) {
        const QString name = QDir(p).isRoot() ? p : QFileInfo(p).fileName();
        auto* item = new QListWidgetItem(open, QString(depth * 2, QLatin1Char(' ')) + name, this);
        item->setData(Qt::UserRole, p);
        current = item;
        ++depth;
    }
    for (const QFileInfo& sub : subfolders) {
        auto* item = new QListWidgetItem(
            closed, QString(depth * 2, QLatin1Char(' ')) + sub.fileName(), this);
        item->setData(Qt::UserRole, cleanFolder(sub.absoluteFilePath()));
    }
    setCurrentItem(current);

    const bool moved = clean != path_;
    path_ = clean;
    if (moved) emit changed();
    return true;
}

// ---- PictureFileList

PictureFileList::PictureFileList(QWidget* parent) : QListWidget(parent) {
    SetUpList(this);
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && !pressing_) emit fileChosen();
    });
}

void PictureFileList::mousePressEvent(QMouseEvent* e) {
    // A press makes the item current before it selects it, so the click is told once the
    // press is handled, when the file under the mouse is the chosen one.
    pressing_ = true;
    QListWidget::mousePressEvent(e);
    pressing_ = false;
    const QListWidgetItem* under = itemAt(e->position().toPoint());
    if (e->button() == Qt::LeftButton && under && under == currentItem()) emit fileChosen();
}

void PictureFileList::setFolder(const QString& folder) {
    folder_ = cleanFolder(folder);
    fill();
}

QString PictureFileList::fileName() const {
    const QListWidgetItem* item = currentItem();
    return item ? item->text() : QString();
}

bool PictureFileList::selectFile(const QString& name) {
    for (int i = 0; i < count(); ++i) {
        if (item(i)->text() == name) {
            setCurrentRow(i);
            return true;
        }
    }
    return false;
}

void PictureFileList::refresh() {
    const QString chosen = fileName();
    fill();
    const QSignalBlocker quiet(this);
    if (!chosen.isEmpty()) selectFile(chosen);
}

void PictureFileList::fill() {
    const QSignalBlocker quiet(this);  // refilling is not a click
    clear();
    if (folder_.isEmpty()) return;
    const QFileInfoList files =
        QDir(folder_).entryInfoList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& f : files) {
        if (IsListedPictureName(f.fileName())) addItem(f.fileName());
    }
    setCurrentRow(-1);
}

// ---- PicturePreview

PicturePreview::PicturePreview(QWidget* parent) : QWidget(parent) {}

void PicturePreview::setPicture(PictureFile file, QImage shown) {
    file_ = std::move(file);
    shown_ = std::move(shown);
    if (!stretch_ && hasPicture()) resize(file_.pixelSize());
    update();
}

void PicturePreview::setStretched(bool on) {
    stretch_ = on;
    if (!stretch_ && hasPicture()) resize(file_.pixelSize());
    update();
}

void PicturePreview::setSizeTwips(double width, double height) {
    resize(int(std::lround(width / kTwipsPerPixel)), int(std::lround(height / kTwipsPerPixel)));
}

void PicturePreview::paintEvent(QPaintEvent*) {
    if (shown_.isNull()) return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(rect(), shown_);
}

void PicturePreview::mousePressEvent(QMouseEvent* e) {
    emit pressed(e->position().x() * kTwipsPerPixel, e->position().y() * kTwipsPerPixel);
}

}  // namespace orlenda
