#pragma once

#include "earsiv/document.h"

class QIODevice;

// The readable copy of an e-Arşiv invoice for the buyer: A4 pages drawn on plain paper with
// every value labelled in Turkish: seller, buyer, e-Arşiv number, UUID, date and time, the
// lines, the totals and the amount in words; long invoices go on over further pages, the
// totals on the last. Writes the PDF to `device` (open for writing); false when the PDF
// could not be completed.
bool writeReadableCopy(const EArsivDocument &document, QIODevice *device);
