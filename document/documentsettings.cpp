// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/documentsettings.h"

#include <QFileInfo>
#include <cmath>
#include <optional>

#include "graphics/logging.h"
#include "pictures/picture.h"

namespace orlenda {

namespace {

const QString kVersion = QStringLiteral("version");
const QString kEnglish = QStringLiteral("print/english");
const QString kColour = QStringLiteral("print/colour");
const QString kGreetingFont = QStringLiteral("greeting/font");
const QString kInset = QStringLiteral("pictures/inset");
const QString kBackground = QStringLiteral("pictures/background");
// One key a line: a list's items lose their leading blanks in the file.
const QString kGreetingLine[4] = {
    QStringLiteral("greeting/line1"), QStringLiteral("greeting/line2"),
    QStringLiteral("greeting/line3"), QStringLiteral("greeting/line4")};
const QString kCrop[4] = {
    QStringLiteral("pictures/insetCropX"), QStringLiteral("pictures/insetCropY"),
    QStringLiteral("pictures/insetCropWidth"), QStringLiteral("pictures/insetCropHeight")};
const QString kColours[3] = {QStringLiteral("colours/background"), QStringLiteral("colours/date"),
                             QStringLiteral("colours/greeting")};

// Twips beyond any picture the readers accept.
constexpr double kCropLimit = 1e7;

void Ignored(const QString& key, const QVariant& value, const char* why) {
    qCWarning(lcSettings).noquote()
        << "remembered" << key << "ignored:" << why << "(" << value.toString().left(80) << ")";
}

std::optional<bool> Flag(const QSettings& s, const QString& key) {
    const QVariant v = s.value(key);
    if (!v.isValid()) return std::nullopt;
    if (v.typeId() == QMetaType::Bool) return v.toBool();
    if (v.typeId() == QMetaType::QString) {
        if (v.toString() == QLatin1String("true")) return true;
        if (v.toString() == QLatin1String("false")) return false;
    }
    Ignored(key, v, "not true or false");
    return std::nullopt;
}

std::optional<double> Number(const QSettings& s, const QString& key, double low, double high) {
    const QVariant v = s.value(key);
    if (!v.isValid()) return std::nullopt;
    bool ok = false;
    const double d = v.toString().trimmed().toDouble(&ok);
    if (!ok || v.typeId() == QMetaType::QStringList) {
        Ignored(key, v, "not a number");
        return std::nullopt;
    }
    if (!std::isfinite(d) || d < low || d > high) {
        Ignored(key, v, "out of range");
        return std::nullopt;
    }
    return d;
}

std::optional<QString> Text(const QSettings& s, const QString& key, int maxLength) {
    const QVariant v = s.value(key);
    if (!v.isValid()) return std::nullopt;
    if (v.typeId() != QMetaType::QString) {
        Ignored(key, v, "not a text");
        return std::nullopt;
    }
    if (v.toString().size() > maxLength) {
        Ignored(key, v, "too long");
        return std::nullopt;
    }
    return v.toString();
}

// A remembered picture file that still exists; the person is told when it has gone.
std::optional<QString> PictureFileName(const QSettings& s, const QString& key, QStringList& said) {
    const auto path = Text(s, key, 4096);
    if (!path || path->isEmpty()) return std::nullopt;
    if (!QFileInfo(*path).isFile()) {
        qCWarning(lcSettings) << "remembered picture has gone:" << *path;
        said << QStringLiteral("上次选用的图片已不存在: ") + *path;
        return std::nullopt;
    }
    return path;
}

void LoadInset(const QSettings& s, CalendarDocument& doc, QStringList& said) {
    const auto path = PictureFileName(s, kInset, said);
    if (!path) return;
    QImage picture;
    try {
        picture = LoadPicture(*path);
    } catch (const PictureError& e) {
        qCWarning(lcSettings) << "remembered picture cannot be read:" << *path << e.message();
        said << QStringLiteral("上次选用的图片无法使用: ") + e.message();
        return;
    }
    if (picture.isNull()) return;
    // Without a sound rectangle the whole picture, as the chooser first marks it.
    Crop crop{0, 0, picture.width() * kTwipsPerPixel, picture.height() * kTwipsPerPixel};
    std::optional<double> parts[4];
    for (int i = 0; i < 4; ++i) parts[i] = Number(s, kCrop[i], -kCropLimit, kCropLimit);
    if (parts[0] && parts[1] && parts[2] && parts[3])
        crop = Crop{*parts[0], *parts[1], *parts[2], *parts[3]};
    doc.setInset(ChosenPicture{*path, picture}, crop);
}

}  // namespace

bool SettingsReadable(const QSettings& settings) {
    if (settings.status() != QSettings::NoError) {
        qCWarning(lcSettings) << "remembered choices left unread: the file" << settings.fileName()
                              << "cannot be read as settings";
        return false;
    }
    const QStringList keys = settings.allKeys();
    if (keys.isEmpty()) return true;
    const QVariant v = settings.value(kVersion);
    if (v.toString().trimmed() != QString::number(kSettingsVersion)) {
        qCWarning(lcSettings) << "remembered choices left unread: written in layout"
                              << v.toString().left(20) << "instead of" << kSettingsVersion;
        return false;
    }
    return true;
}

bool SettingsFromNewerProgram(const QSettings& settings) {
    bool number = false;
    const int version = settings.value(kVersion).toString().trimmed().toInt(&number);
    return number && version > kSettingsVersion;
}

QString SettingsText(const QSettings& settings, const QString& key, int maxLength) {
    return Text(settings, key, maxLength).value_or(QString());
}

QStringList LoadDocumentSettings(const QSettings& s, CalendarDocument& doc) {
    QStringList said;
    if (const auto english = Flag(s, kEnglish)) doc.setEnglish(*english);
    if (const auto colour = Flag(s, kColour)) doc.setColour(*colour);
    std::optional<QString> lines[4];
    for (int i = 0; i < 4; ++i) lines[i] = Text(s, kGreetingLine[i], 1000);
    if (lines[0] && lines[1] && lines[2] && lines[3])
        doc.setGreetingLines({*lines[0], *lines[1], *lines[2], *lines[3]});
    if (const auto face = Text(s, kGreetingFont, 200)) doc.setGreetingFont(*face);
    LoadInset(s, doc, said);
    if (const auto path = PictureFileName(s, kBackground, said)) doc.setBackgroundPath(*path);
    const auto colour = [&](int i) -> std::optional<Colour> {
        const auto c = Number(s, kColours[i], 0, 0xffffff);
        if (c && *c != std::floor(*c)) {
            Ignored(kColours[i], s.value(kColours[i]), "not a whole number");
            return std::nullopt;
        }
        return c ? std::optional<Colour>(Colour(*c)) : std::nullopt;
    };
    if (const auto c = colour(0)) doc.setBackgroundColour(*c);
    if (const auto c = colour(1)) doc.setDateColour(*c);
    if (const auto c = colour(2)) doc.setGreetingColour(*c);
    return said;
}

void SaveDocumentSettings(QSettings& s, const CalendarDocument& doc) {
    s.setValue(kVersion, kSettingsVersion);
    s.setValue(kEnglish, doc.english());
    s.setValue(kColour, doc.colour());
    const GreetingLines lines = doc.greetingLines();
    for (int i = 0; i < 4; ++i) {
        // Lines never edited follow the language chosen at the next start.
        if (doc.greetingEdited())
            s.setValue(kGreetingLine[i], lines[i]);
        else
            s.remove(kGreetingLine[i]);
    }
    s.setValue(kGreetingFont, doc.greetingFont());
    const Crop crop = doc.insetCrop();
    const double parts[4] = {crop.x, crop.y, crop.width, crop.height};
    s.setValue(kInset, doc.inset().path);
    for (int i = 0; i < 4; ++i) {
        if (doc.inset().isNull())
            s.remove(kCrop[i]);
        else
            s.setValue(kCrop[i], parts[i]);
    }
    s.setValue(kBackground, doc.backgroundPath());
    const Colour colours[3] = {doc.backgroundColour(), doc.dateColour(), doc.greetingColour()};
    for (int i = 0; i < 3; ++i) s.setValue(kColours[i], int(colours[i]));
}

}  // namespace orlenda
