#pragma once

#include "earsiv/document.h"

class QIODevice;

// The readable copy of an e-invoice for the buyer: A4 pages drawn on plain paper with every
// value labelled in Turkish: the tax administration's QR code at the top right, seller, buyer,
// number, UUID, date and time, scenario and type, the lines, the VAT of each rate, the totals
// and the amount in words. A name or text too long for its box goes on over more lines; long
// invoices go on over further pages, the totals on the last. Writes the PDF to `device` (open
// for writing); false when the PDF could not be completed. Safe to call from several threads
// at once, each with its own document and device.
bool writeReadableCopy(const EArsivDocument &document, QIODevice *device);

// The unit price as the copy shows it: a price typed without VAT with its own decimals (two at
// least), one with the VAT taken out ("Dahil") to the kuruş.
QString copyPriceText(double price, bool vatIncluded);
