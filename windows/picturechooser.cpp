#include "windows/picturechooser.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QShowEvent>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>

#include "core/appstate.h"
#include "windows/messages.h"
#include "windows/windowstyle.h"

namespace orlenda {

namespace {
constexpr Colour kWindowBack = RGB(192, 255, 255);
constexpr Colour kButtonBack = RGB(0, 255, 0);

}  // namespace

PictureChooser::PictureChooser(CalendarDocument& doc, QWidget* parent)
    : QWidget(parent, Qt::Window), doc_(doc) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("请选择图形文件"));
    setFixedSize(Px(8985), Px(6075));
    SetBackground(this, kWindowBack);
    setFont(WindowFont(QStringLiteral("宋体"), 9));

    Drive1 = new DriveList(this);
    Drive1->setGeometry(TwipsRect(0, 0, 1455, 300));
    Dir1 = new FolderList(this);
    Dir1->setGeometry(TwipsRect(0, 480, 1695, 3870));
    File1 = new FileList(this);
    File1->setGeometry(TwipsRect(1680, 0, 1695, 5310));
    File1->SetPattern(QStringLiteral("*.jpg;*.gif;*.bmp;*.jpeg;*.ico;*.emf"));
    Image1 = new ImageControl(this);
    Image1->setGeometry(TwipsRect(3400, 120, 5280, 5280));

    Command1 = ColouredButton(this, QStringLiteral("选择为插图"), TwipsRect(120, 4560, 1215, 375),
                              kButtonBack);
    Command3 = ColouredButton(this, QStringLiteral("选择为背景图"), TwipsRect(120, 5040, 1215, 375),
                              kButtonBack);
    Command2 =
        ColouredButton(this, QStringLiteral("取消"), TwipsRect(120, 5520, 615, 375), kButtonBack);
    Command4 =
        ColouredButton(this, QStringLiteral("确定"), TwipsRect(840, 5520, 615, 375), kButtonBack);

    Label1 = new QLabel(
        QStringLiteral("请用左键分别点击图形的左上角与右下角以选取插图打印区域(背景图不必选取)；"
                       "A3/A4纸打印只能使用插图，电子文档可分别选择插图及背景图。"),
        this);
    Label1->setGeometry(TwipsRect(1560, 5520, 7290, 405));
    Label1->setWordWrap(true);

    const QWidget* order[] = {Drive1, Dir1, File1, Command1, Command2, Command3, Command4};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));

    connect(Drive1, &DriveList::Change, this, &PictureChooser::Drive1_Change);
    connect(Dir1, &FolderList::Change, this, &PictureChooser::Dir1_Change);
    connect(Dir1, &FolderList::OpenFailed, this, [this](const QString& folder) {
        ShowMessage(this, QStringLiteral("无法打开文件夹：%1").arg(folder));
    });
    connect(File1, &FileList::Click, this, &PictureChooser::File1_Click);
    connect(Image1, &ImageControl::MouseDown, this, [this](int b, int s, double x, double y) {
        Image1_MouseDown(b, s, float(x), float(y));
    });
    connect(Command1, &QPushButton::clicked, this, &PictureChooser::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &PictureChooser::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &PictureChooser::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &PictureChooser::Command4_Click);
    EnterPressesButtons(this);
    Form_Load();
}

void PictureChooser::Form_Load() {
    PreviewBoxWidth = Image1->WidthTwips();
    PreviewBoxHeight = Image1->HeightTwips();
    const QString home = QCoreApplication::applicationDirPath();
    QStringList roots;
    for (int i = 0; i < Drive1->count(); ++i) roots << Drive1->itemData(i).toString();
    Drive1->SetDrive(RootOf(roots, home));
    Dir1->SetPath(home);
}

void PictureChooser::showEvent(QShowEvent* e) {
    // Pictures saved into the folder while the window was hidden are offered too.
    if (!e->spontaneous()) File1->Refresh();
    QWidget::showEvent(e);
}

void PictureChooser::Drive1_Change() {
    if (Dir1->SetPath(Drive1->Drive())) return;
    // A volume that went away or cannot be read: say so and stay where the folder list is.
    ShowMessage(this, QStringLiteral("无法打开文件夹：%1").arg(Drive1->Drive()));
    QStringList roots;
    for (int i = 0; i < Drive1->count(); ++i) roots << Drive1->itemData(i).toString();
    const QSignalBlocker quiet(Drive1);
    Drive1->SetDrive(RootOf(roots, Dir1->Path()));
}

void PictureChooser::Dir1_Change() { File1->SetPath(Dir1->Path()); }

QSizeF PictureChooser::fitted(double ratio) const {
    if (ratio >= 1.0) return {PreviewBoxWidth, PreviewBoxHeight / ratio};
    return {ratio * PreviewBoxWidth, PreviewBoxHeight};
}

void PictureChooser::File1_Click() {
    if (File1->FileName().isEmpty()) return;
    const QString path = FileListPath(File1->Path(), File1->FileName());

    // Everything that can fail happens before the preview changes, so a file that cannot
    // be shown leaves the previous picture, its path, rectangle and scale factors in place.
    PictureFile file;
    QImage preview;
    try {
        file = PictureFile::Open(path);
        const QSize px = file.pixelSize();
        const QSizeF shown = fitted(float(double(px.width()) / px.height()));
        const qreal dpr = devicePixelRatioF();
        preview = file.decode(
            QSize(std::max(1, int(std::lround(shown.width() / kTwipsPerPixel * dpr))),
                  std::max(1, int(std::lround(shown.height() / kTwipsPerPixel * dpr)))));
    } catch (const PictureError& e) {
        ShowMessage(this, e.message());
        // The highlight goes back to the picture still shown, so name and preview agree.
        const QSignalBlocker quiet(File1);
        const QFileInfo shown(PreviewPicturePath);
        if (PreviewPicturePath.isEmpty() || shown.absolutePath() != File1->Path() ||
            !File1->SelectFile(shown.fileName()))
            File1->setCurrentRow(-1);
        return;
    }

    AppState& s = State();
    Image1->hide();
    Image1->SetStretch(false);
    Image1->SetPicture(std::move(file), std::move(preview));
    s.CropX = 0;
    s.CropY = 0;
    s.CropWidth = float(Image1->WidthTwips());
    s.CropHeight = float(Image1->HeightTwips());
    const float ratio = float(Image1->WidthTwips() / Image1->HeightTwips());
    Image1->SetStretch(true);
    const QSizeF shown = fitted(ratio);
    Image1->SetSizeTwips(shown.width(), shown.height());
    Image1->show();
    s.PictureScaleX = s.CropWidth / float(Image1->WidthTwips());
    s.PictureScaleY = s.CropHeight / float(Image1->HeightTwips());
    PreviewPicturePath = path;
    syncDocument();
}

void PictureChooser::Image1_MouseDown(int, int, float X, float Y) {
    AppState& s = State();
    CornerClickCount = std::int16_t(CornerClickCount + 1);
    if (CornerClickCount > 2) CornerClickCount = 1;
    if (CornerClickCount == 1) {
        s.CropX = s.PictureScaleX * X;
        s.CropY = s.PictureScaleY * Y;
    } else {
        s.CropWidth = s.PictureScaleX * X - s.CropX;
        s.CropHeight = s.PictureScaleY * Y - s.CropY;
    }
    syncDocument();
}

void PictureChooser::choose(std::string& target) {
    if (PreviewPicturePath.isEmpty()) {
        ShowMessage(this, QStringLiteral("未选中图形文件！"));
        return;
    }
    target = PreviewPicturePath.toStdString();
    syncDocument();
}

void PictureChooser::Command1_Click() { choose(State().InsetPicturePath); }

void PictureChooser::Command3_Click() { choose(State().BackgroundPicturePath); }

void PictureChooser::Command2_Click() {
    State().InsetPicturePath.clear();
    State().BackgroundPicturePath.clear();
    doc_.clearPictures();
    close();
}

void PictureChooser::Command4_Click() { hide(); }

void PictureChooser::syncDocument() {
    const AppState& s = State();
    const Crop crop{s.CropX, s.CropY, s.CropWidth, s.CropHeight};
    if (s.InsetPicturePath.empty())
        doc_.setInset({}, crop);
    else
        doc_.setInset({QString::fromStdString(s.InsetPicturePath), Image1Picture()}, crop);
    doc_.setBackgroundPath(QString::fromStdString(s.BackgroundPicturePath));
}

}  // namespace orlenda
