#include "earsiv/qrcode.h"

#include <qrencode.h>

#include <memory>

std::optional<QrCode> qrCode(const QByteArray &data) {
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeData(int(data.size()),
                          reinterpret_cast<const unsigned char *>(data.constData()), 0,
                          QR_ECLEVEL_M),
        &QRcode_free);
    if (!code)
        return std::nullopt;
    QrCode q;
    q.size = code->width;
    q.dark.reserve(q.size * q.size);
    // The lowest bit of each byte is the module's colour; the others say what it is part of.
    for (int i = 0; i < q.size * q.size; ++i)
        q.dark << bool(code->data[i] & 1);
    return q;
}
