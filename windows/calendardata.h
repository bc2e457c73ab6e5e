#pragma once
// The lunar data file as the windows use it: where it lies, reading the selected year's
// record, and building the calendar model of the selected year.
#include <QString>
#include <string>
#include <vector>

#include "core/yeardata.h"

class QWidget;

namespace orlenda {

// State().DataPath when set, otherwise china.txt beside the program.
std::string DataFilePath();

// The years of the list that the windows can show: kFirstYear..kLastYear, lines sound.
std::vector<std::string> ShowableYears(const YearList& list);

// Reads the record of the year a caption or list text names (its numeric value) into
// State().Record. A record that cannot be read leaves no record, so the lunar cells stay
// blank; the problem is told once.
void ReadSelectedYearRecord(const QString& yearText, QWidget* parent);

// BuildYearCalendar(SelectedYear) from the record last read; problems are told once.
void BuildSelectedYear(QWidget* parent);

}  // namespace orlenda
