#pragma once

#include <QString>

// How far a printer's output must be moved to land on its pre-printed form, in millimetres:
// x to the right, y down; either may be negative.
struct PrinterOffset {
    double x = 0;
    double y = 0;

    bool operator==(const PrinterOffset &) const = default;
};

// An offset further than this is a typing mistake, not a form in a tray.
inline constexpr double maxOffsetMm = 50;

// The offsets of this computer's printers, by printer name, and the default printer the
// program last found. They belong to the computer, not to the layout: they are kept in the
// user's settings under the program's name (the registry on Windows,
// ~/.config/Fatura/Fatura.conf elsewhere), never in ayarlar.dat.
class PrinterOffsets {
public:
    // An empty path means the user's own settings; a path is an INI file (for tests).
    explicit PrinterOffsets(const QString &file = QString());

    // The printer's offset; 0, 0 for a printer without one or an empty name.
    PrinterOffset offset(const QString &printerName) const;
    // Keeps the offset. Throws PrinterError naming the printer when it cannot be kept or is
    // further than maxOffsetMm.
    void setOffset(const QString &printerName, const PrinterOffset &offset) const;

    // The default printer last found, so that it can be named once it has been removed;
    // empty when none was. Keeping it is a courtesy: a failure to keep it is no error.
    QString lastDefaultPrinter() const;
    void keepLastDefaultPrinter(const QString &printerName) const;

private:
    QString m_file;
};
