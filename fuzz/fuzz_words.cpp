// Any text into the amount in words; and every money text the program writes must read
// back into words without an error text.
#include "invoice/numbers.h"
#include "words/yaziyacevir.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString words = yaziyacevir(text);
    if (words.startsWith(u' ') || words.endsWith(u' '))
        std::abort();

    if (size >= sizeof(double)) {
        double v;
        std::memcpy(&v, data, sizeof v);
        if (std::isfinite(v) && std::fabs(v) < 1e14) {
            const QString w = yaziyacevir(moneyText(v));
            if (w.contains(u"Hata"))
                std::abort();
        }
    }
    return 0;
}
