#pragma once
// State the windows hand to one another. Lives for the whole run; nothing is saved.
#include <cstdint>
#include <optional>
#include <string>

#include "yeardata.h"

namespace orlenda {

struct AppState {
    double SelectedYear = 0.0;
    std::string InsetPicturePath;
    std::string BackgroundPicturePath;
    float CropX = 0, CropY = 0, CropWidth = 0, CropHeight = 0;
    float PictureScaleX = 0, PictureScaleY = 0;
    std::string GreetingFontName;
    std::int16_t MonthViewDrawn = 0;
    std::int16_t MainWindowActivated = 0;

    // The record of the selected year as last read, if it could be read.
    std::optional<YearRecord> Record;
    // Path of the lunar data file (china.txt beside the program unless told otherwise).
    std::string DataPath;

    // Back to the start values (tests use it; a new run starts like this).
    void Reset() { *this = AppState{}; }
};

AppState& State();

}  // namespace orlenda
