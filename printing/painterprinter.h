#pragma once

#include "printing/printer.h"
#include "printing/printeroffsets.h"
#include "printing/printerstatus.h"

#include <QFont>
#include <QPageLayout>
#include <QPainter>
#include <QStringList>

#include <memory>

class QPdfWriter;
class QPrinter;
class QPrinterInfo;
class QSaveFile;

// A printer that draws text with QPainter on a paged device at the device's own resolution.
// Positions are twips from the corner of the printable area (the painter's origin); device
// units are twips × resolution / 1440. A document's device is opened with its first line,
// so a document in which nothing was printed produces nothing.
class PainterPrinter : public Printer {
public:
    ~PainterPrinter() override;

    void setFontName(const QString &name) override;
    void setFontSize(double points) override;
    void setX(double twips) override;
    void setY(double twips) override;
    double x() const override { return m_x; }
    double y() const override { return m_y; }
    void printLine(const QString &text) override;
    void drawLine(double x1, double y1, double x2, double y2) override;
    void newSheet() override;
    void endDocument() override;
    void finish() override;

protected:
    PainterPrinter();

    // Makes the painter ready for a new document: begins it on a device or starts a new page
    // of the device it is already on. Throws PrinterError naming the file or printer.
    virtual void startDocument(QPainter &painter) = 0;
    // A further page of the document the painter is on. Throws PrinterError.
    virtual void startSheet(QPainter &painter) = 0;
    // The document's last line has been printed.
    virtual void closeDocument(QPainter &painter) = 0;
    // After the last document (finish()); the painter may still be active.
    virtual void closeOutput(QPainter &) {}

    // Ends the painter and throws `message` when the device could not be completed.
    static void endPainter(QPainter &painter, const QString &message);
    // finish() for destructors: whatever was printed is handed over, errors are dropped.
    // Each concrete printer calls it in its destructor, while its device still exists.
    void finishQuietly() noexcept;

private:
    void ensureDocument();

    QPainter m_painter;
    QFont m_font;
    // The painter's font and its metrics stay set until the font changes or a new document
    // starts: setting a font and measuring it on every line costs a tenth of a batch run.
    bool m_fontReady = false;
    int m_ascent = 0;
    double m_lineHeightTwips = 0;
    double m_x = 0;
    double m_y = 0;
    bool m_inDocument = false;
};

// Writes PDF files: A4 portrait with a printable area 10 pt in from each edge, 1200 dpi.
// Each file is written under a temporary name, checked to its last byte and only then
// renamed into place; a file that cannot be written whole is a PrinterError naming it, and
// nothing is left under its name.
class PdfPrinter : public PainterPrinter {
public:
    enum Mode {
        // One file, each document on its own page; the file is written by finish() (or the
        // destructor). When nothing was printed, an empty file at the path is removed.
        OneFile,
        // One file per document, named after the path with the document's number:
        // "fatura.pdf" gives "fatura-1.pdf", "fatura-2.pdf", ... A file that cannot be written
        // stops the printing there: the files before it stay, whole.
        FilePerDocument,
    };

    explicit PdfPrinter(const QString &path, Mode mode = OneFile);
    ~PdfPrinter() override;

    // The files written so far.
    QStringList files() const { return m_files; }
    // The path of the document with this number (1 for the first) in FilePerDocument mode.
    static QString numberedPath(const QString &path, int number);
    // The page every file gets; its paint rectangle is where the printing's twips start.
    static QPageLayout pageLayout();

protected:
    void startDocument(QPainter &painter) override;
    void startSheet(QPainter &painter) override;
    void closeDocument(QPainter &painter) override;
    void closeOutput(QPainter &painter) override;

private:
    void openWriter(QPainter &painter, const QString &path);
    // Ends the painter and puts the current file in place, checked.
    void closeFile(QPainter &painter);

    QString m_path;
    Mode m_mode;
    std::unique_ptr<QSaveFile> m_file;
    std::unique_ptr<QPdfWriter> m_writer;
    QString m_currentFile;
    QStringList m_files;
    int m_documents = 0;
};

// Prints on one of the system's printers, at its high resolution; every document is a print
// job of its own. Throws PrinterError when there is no such printer (or no default printer).
// Before each job the printing system is asked whether the printer is there, running and
// taking jobs, and after it whether it took the job; each failure is a PrinterError naming
// the printer. Positions count from the exact corner of the printer's printable area (see
// printableArea()), moved by the printer's offset: the print moves right and down by it.
class SystemPrinter : public PainterPrinter {
public:
    // An empty name means the system's default printer.
    explicit SystemPrinter(const QString &printerName = QString());
    ~SystemPrinter() override;

    QString printerName() const { return m_name; }

    // Applies to the documents started from now on.
    void setOffset(const PrinterOffset &millimetres) { m_offset = millimetres; }
    PrinterOffset offset() const { return m_offset; }

    // What became of each document the printing system took, in order, as it says now.
    QList<JobOutcome> jobOutcomes() { return m_jobs.outcomes(); }

protected:
    void startDocument(QPainter &painter) override;
    void startSheet(QPainter &painter) override;
    void closeDocument(QPainter &painter) override;

private:
    QString m_name;
    PrinterOffset m_offset;
    std::unique_ptr<QPrinter> m_printer;
    // Each job's title is its own, so that the job can be found in the printer's queue.
    QString m_titleStem;
    QString m_title;
    int m_documents = 0;
    JobWatch m_jobs;
};

// Gives `printer` its paper's printable area as its page: margins at the printer's minimum.
// Qt starts every QPrinter with 10 pt margins and only raises them to the printer's minimum,
// so on a printer that prints closer to the edge the painter's corner would sit inside the
// printable area instead of at its corner.
void usePrintableArea(QPrinter &printer);

// The printable area of a system printer's default paper, in points from the paper's
// top-left corner, as SystemPrinter prints on it.
QRectF printableArea(const QPrinterInfo &printer);

// How far, in device units, the painter on a page with this layout must be moved to start at
// the exact corner of the layout's paint rectangle. Qt places the painter's origin at the
// margins rounded to whole points (12,49 pt gives 12 pt), while the paint rectangle keeps
// them as they are.
QPointF originRounding(const QPageLayout &layout, int resolution);
