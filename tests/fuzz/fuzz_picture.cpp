// SPDX-License-Identifier: GPL-3.0-or-later
// The picture loader on arbitrary bytes in a file: a picture within the memory bound at the
// size reported, or a PictureError. Metafiles have a target of their own.
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "pictures/emf.h"
#include "pictures/picture.h"
#include "tests/fuzz/fuzzcheck.h"

ORLENDA_FUZZ_STARTS_GUI

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    if (orlenda::IsEmf(bytes)) return 0;
    static const QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("picture.jpg"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
    file.close();
    try {
        const orlenda::PictureFile picture = orlenda::PictureFile::Open(path);
        const QSize s = picture.pixelSize();
        FUZZ_CHECK(!s.isEmpty());
        FUZZ_CHECK(qint64(s.width()) * s.height() * 4 <= orlenda::kMaxPictureBytes);
        // Decoding the largest pictures allowed takes seconds with the sanitizers.
        if (qint64(s.width()) * s.height() > 4 << 20) return 0;
        FUZZ_CHECK(picture.decode().size() == s);
        FUZZ_CHECK(picture.decode(QSize(7, 5)).size() == QSize(7, 5));
    } catch (const orlenda::PictureError& e) {
        FUZZ_CHECK(!e.message().isEmpty());
    }
    return 0;
}
