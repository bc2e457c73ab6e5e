#include "cli/session.h"

#include <QDir>
#include <QSize>
#include <iostream>
#include <optional>

#include "core/appstate.h"
#include "core/calendar.h"
#include "core/textconv.h"
#include "core/yeardata.h"
#include "document/calendardocument.h"
#include "graphics/inset.h"
#include "windows/greetingeditor.h"
#include "windows/mainwindow.h"
#include "windows/picturechooser.h"
#include "windows/registry.h"

namespace orlenda::cli {

namespace {

// Qt's own notes (a missing XDG_RUNTIME_DIR, a plugin's remarks) are not the command's
// business; only its critical messages reach standard error.
std::ostream* qtErrors = &std::cerr;
void QtMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        *qtErrors << "orlenda: qt: " << text.toStdString() << '\n';
}

}  // namespace

void BuildModel(const Invocation& inv, int year, CalendarModel& model) {
    DataReport report;
    std::optional<YearRecord> record = ReadYearRecord(DataPath(inv), year, report);
    if (!report.ok()) inv.warn(report.message + "; the lunar dates are left blank");
    DataReport buildReport;
    BuildYearCalendar(year, record ? &*record : nullptr, model, &buildReport);
    if (!buildReport.ok()) {
        if (!model.built) throw Failure(buildReport.message);
        inv.warn(buildReport.message + "; the lunar dates are left blank");
    }
}

Session::Session(const Invocation& inv) : inv_(inv) {
    if (QCoreApplication::instance() && !qobject_cast<QApplication*>(qApp))
        throw Failure("the windows need a QApplication");
    qtErrors = &inv.err;
    previousHandler_ = qInstallMessageHandler(QtMessages);
    if (!QCoreApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QApplication>(argc_, argv_);
    }
    restart();
    previousSink_ = SetMessageSink([this](QWidget*, const QString& text) { messages_ << text; });
    State().DataPath = DataPath(inv);
}

Session::~Session() {
    restart();
    SetMessageSink(std::move(previousSink_));
    app_.reset();
    qInstallMessageHandler(previousHandler_);
}

std::string Session::takeMessages() {
    std::string text = Str(messages_.join(QLatin1Char(' '))
                               .replace(QLatin1Char('\r'), QLatin1Char(' '))
                               .replace(QLatin1Char('\n'), QLatin1Char(' ')));
    messages_.clear();
    return text;
}

Form1& Session::mainWindow(int year, bool english, bool colour) {
    Form1& main = Windows().ref<Form1>();
    if (english) main.Option1->setChecked(true);
    if (colour) main.Option4->setChecked(true);
    main.SetLabel1(Q(DecimalText(year)));
    // What the main window said about today's year does not concern this one.
    takeMessages();
    BuildModel(inv_, year, Model());
    return main;
}

void Session::greeting() {
    wrd& editor = Windows().ref<wrd>();
    if (const auto file = inv_.option("--greeting")) {
        const std::array<QString, 4> lines = ReadGreeting(*file);
        editor.Text1->setText(lines[0]);
        for (int i = 0; i < 3; ++i) editor.Text2[i]->setText(lines[std::size_t(i) + 1]);
    }
    if (const auto face = inv_.option("--greeting-font")) {
        editor.Combo1->setEditText(Q(*face));
        editor.Command1_Click();
    }
}

void Session::preview(PictureChooser& chooser, const std::string& path, const std::string& what) {
    const QFileInfo info = InputFile(path, what);
    if (!MatchesPattern(info.fileName(), kPictureFilePattern))
        throw Failure(what + " " + path +
                      ": pictures must be JPG, GIF, BMP, JPEG, ICO or EMF files");
    if (!chooser.folderList->setPath(info.absolutePath()))
        throw Failure(what + " " + path + ": its folder cannot be read");
    chooser.folderChosen();
    takeMessages();
    const bool listed = chooser.fileList->selectFile(info.fileName());
    const std::string said = takeMessages();
    if (!said.empty()) throw Failure(said);
    if (!listed || chooser.previewPath().isEmpty())
        throw Failure(what + " " + path + ": the picture chooser does not list it");
}

void Session::inset() {
    const auto path = inv_.option("--inset");
    const auto crop = CropOption(inv_);
    if (!path) return;
    PictureChooser chooser(SharedDocument());
    preview(chooser, *path, "inset picture");
    chooser.useAsInset();
    if (const std::string said = takeMessages(); !said.empty()) throw Failure(said);
    if (!crop) return;  // the whole picture, as the preview left it
    // In single precision, as two clicks on the preview record it.
    const Crop c{float((*crop)[0]), float((*crop)[1]), float((*crop)[2]), float((*crop)[3])};
    SharedDocument().setInsetCrop(c);
    const QSize px = chooser.preview->pixelSize();
    const auto r = NormalizedCrop(c.x, c.y, c.width, c.height);
    const QRectF picture(0, 0, px.width() * kTwipsPerPixel, px.height() * kTwipsPerPixel);
    if (!r || !picture.intersects(QRectF(r->x, r->y, r->width, r->height)))
        throw Failure("--crop " + *inv_.option("--crop") + " lies outside the picture " + *path +
                      " (" + std::to_string(int(picture.width())) + " x " +
                      std::to_string(int(picture.height())) + " twips)");
}

void Session::restart() {
    Windows().clear();
    State().Reset();
    ForgetDataProblems();
}
}  // namespace orlenda::cli
