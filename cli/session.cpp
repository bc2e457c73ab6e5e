#include "cli/session.h"

#include <QDir>
#include <QSize>
#include <iostream>
#include <optional>

#include "windows/mainwindow.h"
#include "core/appstate.h"
#include "core/calendar.h"
#include "core/textconv.h"
#include "core/yeardata.h"
#include "windows/greetingeditor.h"
#include "windows/picturechooser.h"
#include "graphics/inset.h"
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

void Session::preview(const std::string& path, const std::string& what) {
    const QFileInfo info = InputFile(path, what);
    sel& chooser = Windows().ref<sel>();
    if (!MatchesPattern(info.fileName(), chooser.File1->Pattern()))
        throw Failure(what + " " + path +
                      ": pictures must be JPG, GIF, BMP, JPEG, ICO or EMF files");
    if (!chooser.Dir1->SetPath(info.absolutePath()))
        throw Failure(what + " " + path + ": its folder cannot be read");
    chooser.Dir1_Change();
    takeMessages();
    chooser.PreviewPicturePath.clear();
    const bool listed = chooser.File1->SelectFile(info.fileName());
    const std::string said = takeMessages();
    if (!said.empty()) throw Failure(said);
    if (!listed || chooser.PreviewPicturePath.isEmpty())
        throw Failure(what + " " + path + ": the picture chooser does not list it");
}

void Session::inset() {
    const auto path = inv_.option("--inset");
    const auto crop = CropOption(inv_);
    if (!path) return;
    preview(*path, "inset picture");
    sel& chooser = Windows().ref<sel>();
    chooser.Command1_Click();
    if (!crop) return;  // the whole picture, as the preview left it
    AppState& s = State();
    s.CropX = float((*crop)[0]);
    s.CropY = float((*crop)[1]);
    s.CropWidth = float((*crop)[2]);
    s.CropHeight = float((*crop)[3]);
    const QSize px = chooser.Image1->PicturePixels();
    const auto r = NormalizedCrop(s.CropX, s.CropY, s.CropWidth, s.CropHeight);
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
