#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

// A QR code's modules, made with libqrencode: `size` × `size`, row by row, true for dark.
struct QrCode {
    int size = 0;
    QList<bool> dark;

    bool at(int x, int y) const { return dark.at(y * size + x); }
};

// The QR code of `data` (8-bit, error correction level M, the smallest version that holds
// it); nothing when it cannot be made (too long).
std::optional<QrCode> qrCode(const QByteArray &data);
