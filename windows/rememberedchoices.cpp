// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/rememberedchoices.h"

#include <QEvent>

#include "document/documentsettings.h"
#include "graphics/logging.h"
#include "windows/picturechooser.h"

namespace orlenda {

namespace {
const QString kChooserFolder = QStringLiteral("chooser/folder");
QString PlaceKey(const QString& name) { return QStringLiteral("places/") + name; }
}  // namespace

RememberedChoices::RememberedChoices(CalendarDocument& doc, QObject* parent)
    : QObject(parent),
      doc_(doc),
      settings_(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("orlenda"),
                QStringLiteral("orlenda")) {
    saveSoon_.setSingleShot(true);
    saveSoon_.setInterval(1500);
    connect(&saveSoon_, &QTimer::timeout, this, &RememberedChoices::save);
    for (auto changed : {&CalendarDocument::optionsChanged, &CalendarDocument::greetingChanged,
                         &CalendarDocument::picturesChanged, &CalendarDocument::coloursChanged})
        connect(&doc_, changed, &saveSoon_, qOverload<>(&QTimer::start));
}

RememberedChoices::~RememberedChoices() {
    // The windows may outlive this object for a moment; their hiding is no longer watched.
    for (auto& [w, name] : places_)
        if (w) w->removeEventFilter(this);
}

QStringList RememberedChoices::load() {
    readable_ = SettingsReadable(settings_);
    if (!readable_) return {};
    QStringList said = LoadDocumentSettings(settings_, doc_);
    saveSoon_.stop();  // what was just read needs no writing
    return said;
}

void RememberedChoices::keepPlace(QWidget* w, const QString& name) {
    // A window opened again after it was closed takes the place of its gone self.
    std::erase_if(places_, [](const auto& kept) { return kept.first.isNull(); });
    places_.emplace_back(w, name);
    w->installEventFilter(this);
    if (!readable_) return;
    const QVariant place = settings_.value(PlaceKey(name));
    if (!place.isValid()) return;
    if (place.typeId() != QMetaType::QByteArray || !w->restoreGeometry(place.toByteArray()))
        qCWarning(lcSettings) << "remembered place of" << name << "ignored: not a window place";
}

void RememberedChoices::keepChooser(PictureChooser* chooser) {
    chooserKept_ = true;
    keepPlace(chooser, QStringLiteral("pictureChooser"));
    if (!readable_ || !settings_.contains(kChooserFolder)) return;
    const QString folder = SettingsText(settings_, kChooserFolder);
    if (!folder.isEmpty() && !chooser->openFolder(folder))
        qCWarning(lcSettings) << "remembered folder cannot be listed:" << folder;
}

void RememberedChoices::remember(QWidget* w) {
    for (const auto& [kept, name] : places_)
        if (kept == w) settings_.setValue(PlaceKey(name), w->saveGeometry());
}

bool RememberedChoices::eventFilter(QObject* watched, QEvent* e) {
    // A window minimised is hidden by the system, not closed: its place stays as it was.
    if (e->type() == QEvent::Hide && !e->spontaneous() && watched->isWidgetType())
        remember(static_cast<QWidget*>(watched));
    return QObject::eventFilter(watched, e);
}

void RememberedChoices::save() {
    saveSoon_.stop();
    if (!readable_) {
        if (SettingsFromNewerProgram(settings_)) return;  // a later program's: left as it is
        // The file left unread is replaced whole, not mixed with this run's choices.
        settings_.clear();
        readable_ = true;
    }
    for (const auto& [w, name] : places_)
        if (w && w->isVisible()) remember(w);
    // The folder last chosen in any chooser of this run, which the next one opens in.
    if (chooserKept_) settings_.setValue(kChooserFolder, PictureChooser::StartFolder());
    SaveDocumentSettings(settings_, doc_);
    settings_.sync();
    if (settings_.status() != QSettings::NoError)
        qCWarning(lcSettings) << "remembered choices not written to" << settings_.fileName();
}

}  // namespace orlenda
