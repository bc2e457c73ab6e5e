// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Enhanced Metafile reader: Qt has no codec for EMF, so the drawing records are played here onto
// an image at the picture's natural size.
#include <QByteArray>
#include <QImage>
#include <QString>

namespace orlenda {

// What drawing one metafile may cost. Work is counted in units of about a nanosecond of
// drawing on a slow machine (a pixel painted, a point of a figure, an edge met on a scan
// line); the clock is the backstop for work the count misjudges.
struct EmfLimits {
    qint64 work = qint64(4) << 30;
    qint64 milliseconds = 10000;
};

struct EmfResult {
    enum Problem { None, Damaged, TooLarge, TooComplex };
    QImage image;   // null when the file could not be read
    QString error;  // why not; empty on success
    Problem problem = None;
};

// True when the bytes start with an enhanced metafile header.
bool IsEmf(const QByteArray& head);

// Plays the metafile onto a white image of its natural size: the header's frame (0.01 mm) at
// 1440 twips per inch and 15 twips per pixel. Malformed files, and files that would cost more
// than the limits to draw, give an error, never a partial image.
EmfResult RenderEmf(const QByteArray& data, const EmfLimits& limits = {});

}  // namespace orlenda
