// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Qt's own texts (message box buttons, the file dialog) in Chinese, like the rest of the windows.

class QCoreApplication;

namespace orlenda {

// Installs Qt's Chinese translations into app; false when they are not installed.
bool LoadQtChinese(QCoreApplication& app);

}  // namespace orlenda
