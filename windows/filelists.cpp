// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/filelists.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>
#include <cmath>

#include "pictures/picturenames.h"

namespace orlenda {

namespace {
QString cleanFolder(const QString& folder) { return QDir::cleanPath(QDir(folder).absolutePath()); }

// Reach of the mark's corners and the size of their handles, in pixels.
constexpr double kHandle = 6;

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

QString PicturesOrHomeFolder() {
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QFileInfo(pictures).isDir()) return cleanFolder(pictures);
    return cleanFolder(QDir::homePath());
}

QList<Place> UserPlaces() {
    QList<Place> places;
    auto add = [&](const QString& name, const QString& path) {
        const QFileInfo info(path);
        if (path.isEmpty() || !info.isDir() || !info.isReadable()) return;
        const QString clean = cleanFolder(path);
        for (const Place& p : places)
            if (p.folder == clean) return;
        places << Place{name.isEmpty() ? clean : name, clean};
    };
    add(QStringLiteral("主文件夹"), QDir::homePath());
    add(QStringLiteral("图片"), QStandardPaths::writableLocation(QStandardPaths::PicturesLocation));
    add({}, QStringLiteral("/"));
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady()) add({}, volume.rootPath());
    }
    return places;
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
    for (const Place& p : UserPlaces()) addItem(p.name, p.folder);
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

void PicturePreview::setMark(int corners, const QRectF& rect) {
    corners_ = corners;
    mark_ = QRectF(rect.topLeft() / kTwipsPerPixel, rect.size() / kTwipsPerPixel);
    update();
}

void PicturePreview::paintEvent(QPaintEvent*) {
    if (shown_.isNull()) return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(rect(), shown_);
    if (corners_ == 0) return;
    const QRectF r = mark_.normalized().adjusted(0.5, 0.5, -0.5, -0.5);
    if (corners_ == 2) {
        // Black under white dashes shows on any picture.
        p.setPen(QPen(Qt::black, 1));
        p.drawRect(r);
        p.setPen(QPen(Qt::white, 1, Qt::DashLine));
        p.drawRect(r);
    }
    // The corners a drag takes: only the first one until the second click.
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    const QPointF half(kHandle / 2, kHandle / 2);
    QPointF corners[] = {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()};
    if (corners_ == 1) corners[0] = mark_.topLeft();
    for (int i = 0; i < (corners_ == 2 ? 4 : 1); ++i)
        p.drawRect(QRectF(corners[i] - half, corners[i] + half));
}

void PicturePreview::mousePressEvent(QMouseEvent* e) {
    pressing_ = true;
    dragging_ = false;
    pressAt_ = e->position();
    markAtPress_ = mark_.normalized();
    drag_ = Drag::None;
    if (corners_ != 2 || e->button() != Qt::LeftButton) return;
    // A corner (the nearest within reach) is taken before the inside.
    const QRectF& r = markAtPress_;
    const QPointF corners[] = {r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft()};
    double nearest = kHandle;
    for (int i = 0; i < 4; ++i) {
        const QPointF off = corners[i] - pressAt_;
        const double d = std::max(std::abs(off.x()), std::abs(off.y()));
        if (d <= nearest) {
            nearest = d;
            drag_ = Drag::Resize;
            anchor_ = corners[(i + 2) % 4];
        }
    }
    if (drag_ == Drag::None && r.contains(pressAt_)) drag_ = Drag::Move;
}

void PicturePreview::mouseMoveEvent(QMouseEvent* e) {
    if (!pressing_ || drag_ == Drag::None) return;
    const QPointF at = e->position();
    if (!dragging_ && (at - pressAt_).manhattanLength() < QApplication::startDragDistance()) return;
    dragging_ = true;
    const double w = width(), h = height();
    QRectF r;
    if (drag_ == Drag::Resize) {
        const QPointF corner(std::clamp(at.x(), 0.0, w), std::clamp(at.y(), 0.0, h));
        r = QRectF(anchor_, corner).normalized();
    } else {
        const QRectF& was = markAtPress_;
        const double dx = std::clamp(at.x() - pressAt_.x(), -was.left(), w - was.right());
        const double dy = std::clamp(at.y() - pressAt_.y(), -was.top(), h - was.bottom());
        r = was.translated(dx, dy);
    }
    if (r == mark_) return;
    mark_ = r;
    update();
    emit markDragged(QRectF(r.topLeft() * kTwipsPerPixel, r.size() * kTwipsPerPixel));
}

void PicturePreview::mouseReleaseEvent(QMouseEvent*) {
    if (!pressing_) return;
    pressing_ = false;
    if (!dragging_) emit pressed(pressAt_.x() * kTwipsPerPixel, pressAt_.y() * kTwipsPerPixel);
    dragging_ = false;
}

}  // namespace orlenda
