#include <gtest/gtest.h>

#include "core/appstate.h"

namespace orlenda {
namespace {

TEST(AppState, ResetGoesBackToTheStartValues) {
    AppState& s = State();
    ASSERT_EQ(&s, &State());  // one object for the whole run
    s.SelectedYear = 2008;
    s.InsetPicturePath = s.BackgroundPicturePath = s.GreetingFontName = s.DataPath = "x";
    s.CropX = s.CropY = s.CropWidth = s.CropHeight = s.PictureScaleX = s.PictureScaleY = 7;
    s.MonthViewDrawn = 1;
    s.MainWindowActivated = -1;
    s.Record = YearRecord{};
    s.Reset();
    EXPECT_EQ(s.SelectedYear, 0.0);
    EXPECT_TRUE(s.InsetPicturePath.empty() && s.BackgroundPicturePath.empty());
    EXPECT_TRUE(s.GreetingFontName.empty() && s.DataPath.empty());
    EXPECT_EQ(s.CropX + s.CropY + s.CropWidth + s.CropHeight, 0.0f);
    EXPECT_EQ(s.PictureScaleX + s.PictureScaleY, 0.0f);
    EXPECT_EQ(s.MonthViewDrawn, 0);
    EXPECT_EQ(s.MainWindowActivated, 0);
    EXPECT_FALSE(s.Record.has_value());
}

}  // namespace
}  // namespace orlenda
