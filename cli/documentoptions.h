// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The calendar document filled from a command's options, refused as the windows would refuse
// the same choices and in their words.
#include <memory>

#include "cli/options.h"
#include "document/calendardocument.h"

namespace orlenda::cli {

// The document of year from the data file (--data, else the document's default). Any problem
// with the lunar data for the year is a failure: blank lunar cells would be a wrong calendar.
std::unique_ptr<CalendarDocument> OpenDocument(const Invocation& inv, int year);

// --greeting FILE and --greeting-font FACE, a face installed or one the layouts name.
void SetGreeting(const Invocation& inv, CalendarDocument& doc);

// --inset PICTURE: a picture the chooser lists and can show, with --crop X,Y,W,H or else the
// whole picture.
void SetInset(const Invocation& inv, CalendarDocument& doc);

// --background PICTURE: a picture of a kind the chooser lists, that can be read.
void SetBackground(const Invocation& inv, CalendarDocument& doc);

}  // namespace orlenda::cli
