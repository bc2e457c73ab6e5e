// SPDX-License-Identifier: GPL-3.0-or-later
#include "graphics/logging.h"

namespace orlenda {
// Only critical messages pass unless the rules ask for more.
Q_LOGGING_CATEGORY(lcData, "orlenda.data", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcPrint, "orlenda.print", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcPicture, "orlenda.picture", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcRender, "orlenda.render", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcSave, "orlenda.save", QtCriticalMsg)
Q_LOGGING_CATEGORY(lcSettings, "orlenda.settings", QtCriticalMsg)
}  // namespace orlenda
