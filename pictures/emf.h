// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Enhanced Metafile reader: Qt has no codec for EMF, so the drawing records are played here onto
// an image at the picture's natural size.
#include <QByteArray>
#include <QImage>
#include <QString>

namespace orlenda {

struct EmfResult {
    QImage image;   // null when the file could not be read
    QString error;  // why not; empty on success
};

// True when the bytes start with an enhanced metafile header.
bool IsEmf(const QByteArray& head);

// Plays the metafile onto a white image of its natural size: the header's frame (0.01 mm) at
// 1440 twips per inch and 15 twips per pixel. Malformed files give an error, never a partial image.
EmfResult RenderEmf(const QByteArray& data);

}  // namespace orlenda
