// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The calendar document filled from a command's options, refused as the windows would refuse
// the same choices and in their words.
#include "cli/options.h"
#include "document/calendardocument.h"

namespace orlenda::cli {

// The data file (--data, else the document's default) and year. Any problem with the lunar
// data for the year is a failure: blank lunar cells would be a wrong calendar.
void SetYear(const Invocation& inv, CalendarDocument& doc, int year);

// --greeting FILE and --greeting-font FACE, a face installed or one the layouts name.
void SetGreeting(const Invocation& inv, CalendarDocument& doc);

// --inset PICTURE: a picture the chooser lists and can show, with --crop X,Y,W,H or else the
// whole picture.
void SetInset(const Invocation& inv, CalendarDocument& doc);

// --background PICTURE: a picture of a kind the chooser lists, that can be read.
void SetBackground(const Invocation& inv, CalendarDocument& doc);

}  // namespace orlenda::cli
