// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/calendardocument.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QStandardPaths>
#include <algorithm>

#include "graphics/logging.h"
#include "pictures/picture.h"

namespace orlenda {

CalendarDocument::CalendarDocument(QObject* parent) : QObject(parent) {
    dataPath_ = FindDataFile();
    yearList_ = LoadYearList(dataPath_.toStdString());
    year_ = std::clamp(QDate::currentDate().year(), kFirstYear, kLastYear);
    rebuild();
}

CalendarDocument::CalendarDocument(const QString& dataPath, int year, QObject* parent)
    : QObject(parent), dataPath_(dataPath), year_(year) {
    yearList_ = LoadYearList(dataPath_.toStdString());
    if (!yearList_.report.ok()) report(yearList_.report);
    rebuild();
}

void CalendarDocument::setDataPath(const QString& path) {
    dataPath_ = path;
    yearList_ = LoadYearList(path.toStdString());
    if (!yearList_.report.ok()) report(yearList_.report);
    rebuild();
    emit modelChanged();
}

void CalendarDocument::setYear(int year) {
    if (year == year_) return;
    year_ = year;
    rebuild();
    emit yearChanged(year_);
    emit modelChanged();
}

void CalendarDocument::rebuild() {
    DataReport readReport;
    std::optional<YearRecord> record;
    if (YearSupported(year_, readReport))
        record = ReadYearRecord(dataPath_.toStdString(), year_, readReport);
    DataReport buildReport;
    BuildYearCalendar(year_, record ? &*record : nullptr, model_, &buildReport);
    dataReport_ = !readReport.ok() ? readReport : buildReport;
    if (!dataReport_.ok()) report(dataReport_);
}

void CalendarDocument::report(const DataReport& r) {
    if (std::find(reported_.begin(), reported_.end(), r.message) != reported_.end()) return;
    reported_.push_back(r.message);
    qCWarning(lcData) << QString::fromStdString(r.message);
    emit dataProblem(r);
}

void CalendarDocument::setEnglish(bool english) {
    if (english == english_) return;
    english_ = english;
    emit optionsChanged();
    if (!greetingEdited_) emit greetingChanged();
}

void CalendarDocument::setColour(bool colour) {
    if (colour == colour_) return;
    colour_ = colour;
    emit optionsChanged();
}

GreetingLines CalendarDocument::defaultGreeting(bool english) {
    if (english)
        return {QStringLiteral("Dear"), QStringLiteral("Happy new year！"), QString(),
                QStringLiteral("  Sincerely")};
    return {QStringLiteral("亲爱的朋友："), QStringLiteral("祝你新年快乐！"),
            QStringLiteral(" 万事如意！"), QStringLiteral("   你的朋友")};
}

GreetingLines CalendarDocument::greetingLines() const {
    return greetingEdited_ ? greeting_ : defaultGreeting(english_);
}

void CalendarDocument::setGreetingLines(const GreetingLines& lines) {
    if (greetingEdited_ && lines == greeting_) return;
    greeting_ = lines;
    greetingEdited_ = true;
    emit greetingChanged();
}

void CalendarDocument::resetGreeting() {
    if (!greetingEdited_) return;
    greetingEdited_ = false;
    greeting_ = {};
    emit greetingChanged();
}

void CalendarDocument::setGreetingFont(const QString& face) {
    if (face == greetingFont_) return;
    greetingFont_ = face;
    emit greetingChanged();
}

void CalendarDocument::setInset(const ChosenPicture& picture, const Crop& crop) {
    inset_ = picture;
    insetCrop_ = crop;
    emit picturesChanged();
}

void CalendarDocument::setInsetCrop(const Crop& crop) {
    if (crop == insetCrop_) return;
    insetCrop_ = crop;
    emit picturesChanged();
}

void CalendarDocument::setBackgroundPath(const QString& path) {
    if (path == backgroundPath_) return;
    backgroundPath_ = path;
    emit picturesChanged();
}

void CalendarDocument::setBackgroundPicture(const QImage& picture) {
    backgroundPicture_ = picture;
    emit picturesChanged();
}

QString CalendarDocument::readBackgroundPicture() {
    QImage picture;
    QString error;
    try {
        picture = LoadPicture(backgroundPath_);
    } catch (const PictureError& e) {
        error = e.message();
    }
    if (picture.isNull()) {
        qCWarning(lcPicture) << "background picture not used:" << backgroundPath_ << error;
        return QStringLiteral("背景图无法使用：") + (error.isEmpty() ? backgroundPath_ : error);
    }
    setBackgroundPicture(picture);
    return {};
}

void CalendarDocument::clearPictures() {
    inset_ = {};
    insetCrop_ = {};
    backgroundPath_.clear();
    backgroundPicture_ = QImage();
    emit picturesChanged();
}

void CalendarDocument::setBackgroundColour(Colour c) {
    if (c == backgroundColour_) return;
    backgroundColour_ = c;
    emit coloursChanged();
}

void CalendarDocument::setDateColour(Colour c) {
    if (c == dateColour_) return;
    dateColour_ = c;
    emit coloursChanged();
}

void CalendarDocument::setGreetingColour(Colour c) {
    if (c == greetingColour_) return;
    greetingColour_ = c;
    emit coloursChanged();
}

void CalendarDocument::resetColours() {
    backgroundColour_ = kDefaultBackground;
    dateColour_ = kDefaultDate;
    greetingColour_ = kDefaultGreeting;
    emit coloursChanged();
}

QString FindDataFile() {
    const QDir programDir(QCoreApplication::applicationDirPath());
    const QString beside = programDir.filePath(QStringLiteral("china.txt"));
    if (QFileInfo::exists(beside)) return beside;
    // Installed under a prefix P as P/bin/orlenda with P/share/orlenda/china.txt: this
    // install's own data before any other install's in the data folders.
    const QString shared =
        QDir::cleanPath(programDir.filePath(QStringLiteral("../share/orlenda/china.txt")));
    if (QFileInfo::exists(shared)) return shared;
    const QString installed = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                                     QStringLiteral("orlenda/china.txt"));
    return installed.isEmpty() ? beside : installed;
}

}  // namespace orlenda
