// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Everything the user is told comes in a modal box with an OK button. It all goes through
// ShowMessage so that tests can record the messages instead of blocking on a box.
#include <QString>
#include <functional>
#include <string>

class QWidget;

namespace orlenda {

struct DataReport;

// The caption of every message box.
QString AppTitle();

// Shows text in a modal box (no icon, an OK button) and returns when the user closes it.
void ShowMessage(QWidget* parent, const QString& text);

// Replaces what ShowMessage does; an empty sink restores the box. Returns the previous sink.
using MessageSink = std::function<void(QWidget* parent, const QString& text)>;
MessageSink SetMessageSink(MessageSink sink);

// A problem with the lunar data as the user is told it: which file, line and year, what is
// wrong, and what still works.
QString DataProblemText(const DataReport& report);

// Tells the user about a problem with the lunar data. Nothing happens for an ok report.
void ReportDataProblem(QWidget* parent, const DataReport& report);

}  // namespace orlenda
