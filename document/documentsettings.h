// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The document's choices kept between runs of the windows: language, colour mode, greeting
// and its face, the inset with its rectangle, the background file and the three colours.
// The year is not kept: every run starts at the current year. The commands never read them,
// so that their output depends on their arguments alone.
#include <QSettings>
#include <QStringList>

#include "document/calendardocument.h"

namespace orlenda {

// The layout of the keys below; a file of another layout is left unread.
constexpr int kSettingsVersion = 1;

// True when settings can be read at all: a file that is not a settings file, or one written
// in another layout, is left unread (one line in orlenda.settings says why).
bool SettingsReadable(const QSettings& settings);
// True when the file was written by a later program in a later layout: it is neither read nor
// replaced, so that going back to an older program does not lose the newer one's choices.
bool SettingsFromNewerProgram(const QSettings& settings);

// Puts every sound remembered value into doc; a value missing leaves the document's own, a
// damaged one (wrong type, out of range) is passed over with one line in orlenda.settings.
// Returns what the person is told: pictures that have gone since.
QStringList LoadDocumentSettings(const QSettings& settings, CalendarDocument& doc);

// Writes the document's choices (and the layout's version) into settings.
void SaveDocumentSettings(QSettings& settings, const CalendarDocument& doc);

// A remembered text no longer than maxLength; empty when missing or damaged (logged).
QString SettingsText(const QSettings& settings, const QString& key, int maxLength = 4096);

}  // namespace orlenda
