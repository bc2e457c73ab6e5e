// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every choice a person makes for one calendar, and the year model built from them. The
// windows edit it and redraw when it changes; the command line fills one and renders it.
#include <QImage>
#include <QObject>
#include <QString>
#include <array>

#include "core/calendar.h"
#include "core/yeardata.h"
#include "graphics/units.h"

namespace orlenda {

// A rectangle of a picture in twips at its natural size (15 a pixel); width and height may
// run backwards, as two clicks record them.
struct Crop {
    double x = 0, y = 0, width = 0, height = 0;
    bool operator==(const Crop&) const = default;
};

// A picture chosen from a file: its path and the picture as read.
struct ChosenPicture {
    QString path;
    QImage image;
    bool isNull() const { return path.isEmpty(); }
};

using GreetingLines = std::array<QString, 4>;

class CalendarDocument : public QObject {
    Q_OBJECT
  public:
    explicit CalendarDocument(QObject* parent = nullptr);
    // The document of year read from the data file dataPath, which is read once.
    CalendarDocument(const QString& dataPath, int year, QObject* parent = nullptr);

    // ---- the lunar data and the year
    // The data file; by default FindDataFile(). Setting it reads the list of years and
    // rebuilds the model.
    QString dataPath() const { return dataPath_; }
    void setDataPath(const QString& path);
    // The years the data file holds sound lines for, and what was wrong with the file.
    const YearList& yearList() const { return yearList_; }

    int year() const { return year_; }
    // Rebuilds the model when the year changes (yearChanged, then modelChanged).
    void setYear(int year);
    // Always the model of year().
    const CalendarModel& model() const { return model_; }
    // What kept the lunar dates of year() from being read; ok() when nothing did.
    const DataReport& dataReport() const { return dataReport_; }

    // ---- the printing choices of the main window
    bool english() const { return english_; }
    void setEnglish(bool english);
    bool colour() const { return colour_; }
    void setColour(bool colour);

    // ---- the greeting: until a person edits it, the default of the language chosen
    GreetingLines greetingLines() const;
    void setGreetingLines(const GreetingLines& lines);
    // Back to the language's default lines.
    void resetGreeting();
    bool greetingEdited() const { return greetingEdited_; }
    static GreetingLines defaultGreeting(bool english);
    // The greeting's face; empty for the face a surface starts with.
    QString greetingFont() const { return greetingFont_; }
    void setGreetingFont(const QString& face);

    // ---- pictures
    const ChosenPicture& inset() const { return inset_; }
    Crop insetCrop() const { return insetCrop_; }
    void setInset(const ChosenPicture& picture, const Crop& crop);
    void setInsetCrop(const Crop& crop);
    // The background picture's file, as chosen; the electronic document uses it only when
    // backgroundPicture() holds the picture read from it.
    QString backgroundPath() const { return backgroundPath_; }
    void setBackgroundPath(const QString& path);
    const QImage& backgroundPicture() const { return backgroundPicture_; }
    void setBackgroundPicture(const QImage& picture);
    // Reads backgroundPath() into backgroundPicture(); when it cannot be read, leaves the
    // picture as it was and returns what a person is told ("背景图无法使用：…").
    QString readBackgroundPicture();
    // Forgets the inset and the background (the chooser's 取消).
    void clearPictures();

    // ---- the electronic document's colours
    Colour backgroundColour() const { return backgroundColour_; }
    Colour dateColour() const { return dateColour_; }
    Colour greetingColour() const { return greetingColour_; }
    void setBackgroundColour(Colour c);
    void setDateColour(Colour c);
    void setGreetingColour(Colour c);
    void resetColours();
    static constexpr Colour kDefaultBackground = RGB(128, 255, 128);
    static constexpr Colour kDefaultDate = RGB(0, 0, 0);
    static constexpr Colour kDefaultGreeting = RGB(255, 0, 0);

  signals:
    void yearChanged(int year);
    void modelChanged();
    void optionsChanged();  // language or colour mode
    void greetingChanged();
    void picturesChanged();  // inset, crop or background
    void coloursChanged();
    // A new problem with the lunar data (each distinct one once), worded for a person.
    void dataProblem(const DataReport& report);

  private:
    void rebuild();
    void report(const DataReport& r);

    QString dataPath_;
    YearList yearList_;
    int year_ = 0;
    CalendarModel model_;
    DataReport dataReport_;
    std::vector<std::string> reported_;
    bool english_ = false;
    bool colour_ = false;
    GreetingLines greeting_;
    bool greetingEdited_ = false;
    QString greetingFont_;
    ChosenPicture inset_;
    Crop insetCrop_;
    QString backgroundPath_;
    QImage backgroundPicture_;
    Colour backgroundColour_ = kDefaultBackground;
    Colour dateColour_ = kDefaultDate;
    Colour greetingColour_ = kDefaultGreeting;
};

// china.txt beside the program (a build folder), else ../share/orlenda/china.txt from the
// program's folder (an install under any prefix), else orlenda/china.txt in the data folders
// (XDG_DATA_DIRS); the first place when none holds it, so the message names where it was
// looked for.
QString FindDataFile();

}  // namespace orlenda
