#include "windows/calendardata.h"

#include <QCoreApplication>
#include <stdexcept>

#include "core/appstate.h"
#include "core/calendar.h"
#include "core/textconv.h"
#include "core/yeardata.h"
#include "windows/messages.h"

namespace orlenda {

std::string DataFilePath() {
    if (!State().DataPath.empty()) return State().DataPath;
    return DefaultDataPath(QCoreApplication::applicationDirPath().toStdString());
}

std::vector<std::string> ShowableYears(const YearList& list) {
    std::vector<std::string> years;
    for (int year : list.goodYears) years.push_back(std::to_string(year));
    return years;
}

void ReadSelectedYearRecord(const QString& yearText, QWidget* parent) {
    DataReport report;
    State().Record.reset();
    const double value = Val(yearText.toStdString());
    try {
        // The record number comes from the text, not from the list position.
        const int recordNo = CInt16(value - 2000 + 1);
        State().Record = ReadYearRecord(DataFilePath(), recordNo + kFirstYear - 1, report);
    } catch (const std::exception&) {
        YearSupported(value, report);  // so far out that the range check words it
    }
    ReportDataProblem(parent, report);
}

void BuildSelectedYear(QWidget* parent) {
    DataReport report;
    const YearRecord* record = State().Record ? &*State().Record : nullptr;
    BuildYearCalendar(State().SelectedYear, record, Model(), &report);
    ReportDataProblem(parent, report);
}

}  // namespace orlenda
