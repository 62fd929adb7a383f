#pragma once

#include "base/failure.h"
#include "settings/settingsfile.h"

#include <QList>
#include <QString>

#include <stdexcept>

// A printer as the program's printing sees it: positions in twips (1/1440 inch) from the
// top-left corner of the printable area, font sizes in points. Printing a line writes the
// text with its top at the current y, then moves to the left edge (x = 0) of the next line:
// y grows by the current font's line height.
class Printer {
public:
    virtual ~Printer();

    virtual void setFontName(const QString &name) = 0;
    virtual void setFontSize(double points) = 0;
    virtual void setX(double twips) = 0;
    virtual void setY(double twips) = 0;
    virtual double x() const = 0;
    virtual double y() const = 0;
    virtual void printLine(const QString &text) = 0;
    // A thin straight line between two positions, for pages that measure a printer; x and y
    // stay. Printers that keep only text leave it out.
    virtual void drawLine(double x1, double y1, double x2, double y2);
    // Starts a further sheet of the same document (an invoice longer than its paper's line
    // block): the next print goes on a new page at x = 0, y = 0 with the font kept.
    virtual void newSheet() = 0;
    // Ends one document (one invoice); the next print starts a new one at x = 0, y = 0 with
    // the font kept. A document in which nothing was printed produces nothing.
    virtual void endDocument() = 0;
    // Ends the whole output after its last document. Printers that hand over every document
    // as it ends need nothing here; a PDF that holds several documents is written now.
    virtual void finish() {}
};

// Positions further out than this (about 17 m) are held at it, so that any position turns
// into device units without overflow.
inline constexpr double maxTwips = 1e6;
// A position as a printer can take it: held within +-maxTwips, a NaN is 0.
double clampedTwips(double twips);

// A font size a printer accepts, in points: above 0 and no larger than a sheet of paper.
inline constexpr double maxFontSize = 1000;
bool usableFontSize(double points);

// A printer failure (no such printer, a file that cannot be written), in Turkish.
class PrinterError : public Failure {
public:
    using Failure::Failure;
};

// Keeps every operation, for tests and for comparing two ways of printing the same thing.
// Line heights come from a fixed rule (the size in points × 20 × 1.2 twips) so that
// relative positions are known in advance.
class RecordingPrinter : public Printer {
public:
    struct Line {
        QString text;
        QString fontName;
        double fontSize;
        double x;
        double y;
        int document;  // 0 for the first document
        int sheet = 0; // 0 for a document's first sheet
    };
    struct Stroke {
        double x1;
        double y1;
        double x2;
        double y2;
        int document;
    };

    void setFontName(const QString &name) override { m_fontName = name; }
    void setFontSize(double points) override { m_fontSize = points; }
    void setX(double twips) override { m_x = twips; }
    void setY(double twips) override { m_y = twips; }
    double x() const override { return m_x; }
    double y() const override { return m_y; }
    void printLine(const QString &text) override;
    void drawLine(double x1, double y1, double x2, double y2) override;
    void newSheet() override;
    void endDocument() override;

    static double lineHeight(double points) { return points * 20 * 1.2; }

    const QList<Line> &lines() const { return m_lines; }
    const QList<Stroke> &strokes() const { return m_strokes; }
    // Every endDocument() call counts, even one after an empty document.
    int documents() const { return m_documents; }

private:
    QString m_fontName;
    double m_fontSize = 10;
    double m_x = 0;
    double m_y = 0;
    QList<Line> m_lines;
    QList<Stroke> m_strokes;
    int m_documents = 0;
    int m_sheet = 0;
};

// One placement read into numbers, once for a whole print: x and y by the leading-number
// reading, held by clampedTwips(); the face with trailing blanks removed; the size, or 0 when
// it is empty or usableFontSize() refuses it. An empty face and a size of 0 keep the
// printer's current face and size, so one bad settings line cannot make the rest of the page
// unreadable.
struct Placement {
    double x = 0;
    double y = 0;
    QString face;
    double size = 0;
};
Placement readPlacement(const baski_yeri &placement);

// Every placement and column of the settings a print uses, read once.
struct PrintLayout {
    Placement name;
    Placement address;
    Placement taxOffice;
    Placement invoiceDate;
    Placement lineBlock;
    Placement invoiceNumber;
    Placement deliveryNumber;
    Placement deliveryDate;
    Placement subtotal;
    Placement discount;
    Placement vatRate;
    Placement vat;
    Placement grandTotal;
    Placement words;
    double lineSpacing = 0; // twips from one invoice line to the next
    // The x of each column of the line block, in twips.
    double descriptionColumn = 0;
    double unitPriceColumn = 0;
    double quantityColumn = 0;
    double amountColumn = 0;
    double discountColumn = 0;
};
PrintLayout printLayout(const ayarlar &settings);

// The placement step: font face, size, x and y of one placement, `yOffset` twips added to y,
// then one line printed.
void placeAndPrint(Printer &printer, const Placement &placement, const QString &text,
                   double yOffset = 0);
// Only the font of a placement.
void setPlacementFont(Printer &printer, const Placement &placement);
// Only the position of a placement, keeping the current font, then one line printed.
void printAtPosition(Printer &printer, const Placement &placement, const QString &text);
// Why the placement's size cannot be printed, naming the item (`field`, as the settings window
// names it: "Fatura No: Boyutu"): a size is given but usableFontSize() refuses its leading
// number, so its text would be left out or unreadable. Empty when it can; an empty size keeps
// the printer's current one.
QString fontSizeProblem(const baski_yeri &placement, const QString &field);
// One cell of an invoice line: the font of the line block, x of the cell's column, the
// line's y.
void printLineCell(Printer &printer, const Placement &lineBlock, double columnX, double y,
                   const QString &text);
