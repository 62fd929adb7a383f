// Every reading on any text, and the round trips the program relies on: its own plain and
// money texts always read back.
#include "invoice/numbers.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    (void)leadingNumber(text);
    (void)priceCellText(text);
    (void)wholeNumber(text);
    (void)rebuiltValue(text);
    for (const auto &reading : {localNumber(text), inputNumber(text)}) {
        if (reading && !std::isfinite(*reading))
            std::abort();
    }

    if (size >= sizeof(double)) {
        double v;
        std::memcpy(&v, data, sizeof v);
        if (!std::isfinite(v))
            return 0;
        // The plain text keeps 15 significant digits and reads back as exactly that value.
        char digits[64];
        std::snprintf(digits, sizeof digits, "%.15g", v);
        const auto plain = localNumber(plainNumberText(v));
        if (!plain || *plain != std::strtod(digits, nullptr))
            std::abort();
        const QString money = moneyText(v);
        const auto back = localNumber(money);
        if (!back)
            std::abort();
        if (std::fabs(v) < 1e13) {
            // Rounding moves a value by at most half a kuruş, and the rebuilt value agrees.
            if (std::fabs(*back - v) > 0.005 + 1e-9 * std::fabs(v))
                std::abort();
            const auto rebuilt = rebuiltValue(money);
            if (!rebuilt || std::fabs(*rebuilt - *back) > 1e-6)
                std::abort();
        }
    }
    return 0;
}
