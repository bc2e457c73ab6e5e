// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the program reports what went wrong beyond what a person is told. Every category is
// silent by default; QT_LOGGING_RULES="orlenda.*=true" turns them on.
#include <QLoggingCategory>

namespace orlenda {
Q_DECLARE_LOGGING_CATEGORY(lcData)      // orlenda.data: the lunar data file
Q_DECLARE_LOGGING_CATEGORY(lcPrint)     // orlenda.print: print jobs and PDF sheets
Q_DECLARE_LOGGING_CATEGORY(lcPicture)   // orlenda.picture: reading pictures
Q_DECLARE_LOGGING_CATEGORY(lcRender)    // orlenda.render: drawing steps that cannot be done
Q_DECLARE_LOGGING_CATEGORY(lcSave)      // orlenda.save: saving files
Q_DECLARE_LOGGING_CATEGORY(lcSettings)  // orlenda.settings: remembered choices
}  // namespace orlenda
