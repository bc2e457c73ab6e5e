// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/documentoptions.h"

#include <QDir>
#include <QFontDatabase>
#include <QRectF>

#include "graphics/fontmap.h"
#include "graphics/inset.h"
#include "pictures/picture.h"
#include "pictures/picturenames.h"

namespace orlenda::cli {

namespace {

const std::string kNotAPicture =
    ": pictures must be " + Str(PictureKindsText(QStringLiteral(" or "))) + " files";

// A message a window would have shown, on one line.
std::string OneLine(QString text) {
    return Str(text.replace(QLatin1Char('\r'), QLatin1Char(' '))
                   .replace(QLatin1Char('\n'), QLatin1Char(' ')));
}

// The picture file at path as the chooser would show it, which it must list.
PictureFile ListedPicture(const std::string& path, const std::string& what) {
    const QFileInfo info = InputFile(path, what);
    if (!IsListedPictureName(info.fileName())) throw Failure(what + " " + path + kNotAPicture);
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir() || !folder.isReadable() || !folder.isExecutable())
        throw Failure(what + " " + path + ": its folder cannot be read");
    // The chooser lists the folder's plain files, hidden ones left out.
    if (!QDir(folder.absoluteFilePath()).entryList(QDir::Files).contains(info.fileName()))
        throw Failure(what + " " + path + ": the picture chooser does not list it");
    try {
        return PictureFile::Open(info.absoluteFilePath());
    } catch (const PictureError& e) {
        throw Failure(OneLine(e.message()));
    }
}

}  // namespace

std::unique_ptr<CalendarDocument> OpenDocument(const Invocation& inv, int year) {
    const QString data = DataPath(inv);
    CheckDataFile(data);
    auto doc = std::make_unique<CalendarDocument>(data, year);
    // Blank lunar dates would be a wrong calendar that a script takes for a right one.
    if (!doc->dataReport().ok()) throw Failure(doc->dataReport().message);
    return doc;
}

void SetGreeting(const Invocation& inv, CalendarDocument& doc) {
    if (const auto file = inv.option("--greeting")) doc.setGreetingLines(ReadGreeting(*file));
    const auto face = inv.option("--greeting-font");
    if (!face) return;
    // The layouts' own faces stand for installed fonts; any other face must be installed.
    const QString name = Q(*face);
    const bool layoutFace = IsEmLineFace(name) || name == QStringLiteral("华文行楷");
    const QString family = layoutFace ? ResolveFontFamily(name) : name;
    if (name.isEmpty() || !QFontDatabase::families().contains(family, Qt::CaseInsensitive))
        throw UsageError("--greeting-font " + Quoted(*face) + ": no such font is installed");
    doc.setGreetingFont(Q(*face));
}

void SetInset(const Invocation& inv, CalendarDocument& doc) {
    const auto path = inv.option("--inset");
    const auto crop = CropOption(inv);
    if (!path) return;
    const PictureFile file = ListedPicture(*path, "inset picture");
    QImage image;
    try {
        image = file.decode();
    } catch (const PictureError& e) {
        throw Failure(OneLine(e.message()));
    }
    const QSize natural = NaturalSizeTwips(file.pixelSize());
    Crop chosen{0, 0, double(natural.width()), double(natural.height())};
    if (crop) {
        chosen = {(*crop)[0], (*crop)[1], (*crop)[2], (*crop)[3]};
        const QRectF picture(QPointF(0, 0), QSizeF(natural));
        const auto r = NormalizedCrop(chosen.x, chosen.y, chosen.width, chosen.height);
        if (!r || !picture.intersects(QRectF(r->x, r->y, r->width, r->height)))
            throw Failure("--crop " + *inv.option("--crop") + " lies outside the picture " + *path +
                          " (" + std::to_string(natural.width()) + " x " +
                          std::to_string(natural.height()) + " twips)");
    }
    doc.setInset({file.path(), image}, chosen);
}

void SetBackground(const Invocation& inv, CalendarDocument& doc) {
    const auto given = inv.option("--background");
    if (!given) return;
    const QFileInfo info = InputFile(*given, "background picture");
    if (!IsListedPictureName(info.fileName()))
        throw Failure("background picture " + *given + kNotAPicture);
    doc.setBackgroundPath(info.absoluteFilePath());
    const QString said = doc.readBackgroundPicture();
    if (!said.isEmpty()) throw Failure(OneLine(said));
}

}  // namespace orlenda::cli
