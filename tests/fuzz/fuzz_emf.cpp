// SPDX-License-Identifier: GPL-3.0-or-later
// The metafile reader on arbitrary bytes: a picture within its bounds or an error, never
// both. A sixty-fourth of the program's work is allowed, as the sanitizers slow drawing down.
#include <QByteArray>
#include <cstddef>
#include <cstdint>

#include "pictures/emf.h"
#include "tests/fuzz/fuzzcheck.h"

ORLENDA_FUZZ_STARTS_GUI

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const orlenda::EmfLimits limits{orlenda::EmfLimits().work / 64, 5000};
    const orlenda::EmfResult result = orlenda::RenderEmf(bytes, limits);
    FUZZ_CHECK(result.image.isNull() != result.error.isEmpty());
    FUZZ_CHECK(result.image.isNull() == (result.problem != orlenda::EmfResult::None));
    if (!result.image.isNull()) {
        FUZZ_CHECK(orlenda::IsEmf(bytes));
        FUZZ_CHECK(result.image.width() <= 20000 && result.image.height() <= 20000);
        FUZZ_CHECK(result.image.sizeInBytes() <= qsizetype(256) * 1024 * 1024);
    }
    return 0;
}
