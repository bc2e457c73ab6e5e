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
#include "windows/documentwindow.h"
#include "windows/picturechooser.h"

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
    doc_ = std::make_unique<CalendarDocument>();
    doc_->setDataPath(Q(DataPath(inv)));
}

Session::~Session() {
    restart();
    doc_.reset();
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

CalendarDocument& Session::document(int year, bool english, bool colour) {
    doc_->setEnglish(english);
    doc_->setColour(colour);
    doc_->setYear(year);
    takeMessages();
    BuildModel(inv_, year, Model());
    return *doc_;
}

void Session::greeting() {
    if (const auto file = inv_.option("--greeting")) doc_->setGreetingLines(ReadGreeting(*file));
    if (const auto face = inv_.option("--greeting-font")) doc_->setGreetingFont(Q(*face));
}

PictureChooser& Session::chooser() {
    if (!chooser_) chooser_ = std::make_unique<PictureChooser>(*doc_);
    return *chooser_;
}

DocumentWindow& Session::documentWindow() {
    if (!documentWindow_) documentWindow_ = std::make_unique<DocumentWindow>(*doc_);
    return *documentWindow_;
}

void Session::preview(const std::string& path, const std::string& what) {
    const QFileInfo info = InputFile(path, what);
    PictureChooser& chooser = this->chooser();
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
    PictureChooser& chooser = this->chooser();
    chooser.Command1_Click();
    if (!crop) return;  // the whole picture, as the preview left it
    AppState& s = State();
    s.CropX = float((*crop)[0]);
    s.CropY = float((*crop)[1]);
    s.CropWidth = float((*crop)[2]);
    s.CropHeight = float((*crop)[3]);
    doc_->setInsetCrop(Crop{s.CropX, s.CropY, s.CropWidth, s.CropHeight});
    const QSize px = chooser.Image1->PicturePixels();
    const auto r = NormalizedCrop(s.CropX, s.CropY, s.CropWidth, s.CropHeight);
    const QRectF picture(0, 0, px.width() * kTwipsPerPixel, px.height() * kTwipsPerPixel);
    if (!r || !picture.intersects(QRectF(r->x, r->y, r->width, r->height)))
        throw Failure("--crop " + *inv_.option("--crop") + " lies outside the picture " + *path +
                      " (" + std::to_string(int(picture.width())) + " x " +
                      std::to_string(int(picture.height())) + " twips)");
}

void Session::restart() {
    documentWindow_.reset();
    chooser_.reset();
    State().Reset();
}
}  // namespace orlenda::cli
