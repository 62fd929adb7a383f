#pragma once

#include "printing/printtarget.h"
#include "settings/settingsfile.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

// The program's place in the world: the working folder with its settings file and
// database, where prints go, and every seam a test replaces (the clock, the printer, the
// file manager). Made once in app/ and handed to every window; a test makes its own.
class Workspace {
public:
    explicit Workspace(const QString &folder = QDir::currentPath());

    const QString &folder() const { return m_folder; }
    // A file of the working folder; an absolute path stays as it is.
    QString filePath(const QString &name) const;

    // The settings file, and its first `lines` lines (2, 19 or 23). Throws SettingsError.
    QString settingsPath() const;
    ayarlar readSettings(int lines) const;

    // The database the settings name: their value trimmed, fatura.MDB when it is empty,
    // inside the working folder unless absolute. The first form reads the settings file.
    QString databasePath() const;
    QString databasePath(const ayarlar &settings) const;

    // Where a print goes: the system's default printer with its offset, or a PDF under
    // baskilar/ in the working folder when none is installed. Throws PrinterError.
    PrintTarget printTarget(const QString &stem, PdfPrinter::Mode mode = PdfPrinter::OneFile) const;

    // This computer's printer offsets.
    PrinterOffsets printerOffsets() const;

    // Today, as the program proposes dates.
    QDate today() const;
    // The moment, for what records a time (the e-invoice's issue time); the clock's day when
    // only the clock is replaced.
    QDateTime now() const;

    // Shows a folder in the desktop's file manager, or a web address in the desktop's
    // browser; false when that could not be done.
    bool openFolder(const QString &path) const;
    bool openWebAddress(const QString &address) const;

    // The seams. Empty functions mean the real thing.
    struct Seams {
        std::function<PrintTarget(const QString &stem, PdfPrinter::Mode mode)> printTarget;
        std::function<QDate()> clock;
        QString printerOffsetsFile; // an INI file instead of the user's settings
        std::function<QDateTime()> now;
        std::function<bool(const QUrl &)> openUrl; // the desktop's file manager or browser
    };
    Seams seams;

private:
    QString m_folder;
};
