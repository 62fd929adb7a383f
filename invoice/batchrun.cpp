#include "invoice/batchrun.h"

#include "base/numbers.h"
#include "base/yaziyacevir.h"
#include "invoice/invoiceprint.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>

#include <optional>

namespace {

// The distance from one printed line of an invoice to the next.
constexpr double lineAdvance = 200;
// The two lines of underscores of the totals block.
const QString rule = QStringLiteral("__________________");

bool missing(const QVariant &v) {
    return !v.isValid() || v.isNull();
}

QString text(const QVariant &v) {
    return missing(v) ? QString() : v.toString();
}

// A stored number. Tables brought over from elsewhere may hold numbers as text; a text that
// is no number is no number here either.
std::optional<double> number(const QVariant &v) {
    if (missing(v))
        return std::nullopt;
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok ? std::optional<double>(d) : std::nullopt;
}

// A stored number as printed: plain number text; a text that is no number as it stands.
QString numberText(const QVariant &v) {
    const std::optional<double> n = number(v);
    return n ? plainNumberText(*n) : text(v);
}

// The invoice number as the name line begins: with a blank in front of a number that is
// not negative.
QString sequenceText(const QVariant &v) {
    if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int)
        return printedNumber(v.toLongLong());
    const std::optional<double> n = number(v);
    return n ? printedNumber(*n) : text(v);
}

// ISO dates as the Turkish short date; a time of day other than midnight stays after it.
QString dateText(const QVariant &stored) {
    const QString t = text(stored);
    static const QRegularExpression iso(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})(?:[ T](\\d{2}):(\\d{2}):(\\d{2}))?$"));
    const QRegularExpressionMatch m = iso.match(t);
    if (!m.hasMatch())
        return t;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const QTime time =
        m.capturedLength(4) == 0
            ? QTime(0, 0)
            : QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    if (!date.isValid() || !time.isValid())
        return t;
    const QString day = date.toString(QStringLiteral("dd.MM.yyyy"));
    return time == QTime(0, 0) ? day : day + u' ' + time.toString(QStringLiteral("HH:mm:ss"));
}

// Number, district and name; a missing part leaves the whole line empty.
QString nameLine(const CampaignInvoice &invoice) {
    if (missing(invoice.sirano) || missing(invoice.bolge) || missing(invoice.adi_soyadi))
        return QString();
    const QString gap = QStringLiteral("   ");
    return sequenceText(invoice.sirano) + gap + text(invoice.bolge) + gap +
           text(invoice.adi_soyadi);
}

// One step of the totals block: x, then y moved from where the last printed line left it.
void printBelow(Printer &printer, double x, double yChange, const QString &value) {
    printer.setX(clampedTwips(x));
    printer.setY(clampedTwips(printer.y() + yChange));
    printer.printLine(value);
}

} // namespace

void printCampaignInvoice(Printer &printer, const ayarlar &settings, const CampaignInvoice &invoice,
                          const QString &region) {
    placeAndPrint(printer, settings.yer_fatura_tarihi, dateText(invoice.fatura_tarihi));
    placeAndPrint(printer, settings.yer_adi_soyadi, nameLine(invoice));
    placeAndPrint(printer, settings.yer_adresi, text(invoice.adresi));
    placeAndPrint(printer, settings.yer_vergi_dairesi, region);

    const double top = leadingNumber(settings.yer_fatura_hareketleri.ust_bosluk);
    double offset = 0;
    double subtotal = 0;
    for (const CampaignInvoice::Line &line : invoice.lines) {
        const std::optional<double> quantity = number(line.miktar);
        const std::optional<double> price = number(line.br_fiyat);
        const double amount = quantity.value_or(0) * price.value_or(0);
        const double y = top + offset;
        printLineCell(printer, settings.yer_fatura_hareketleri, settings.marj_aciklama, y,
                      text(line.aciklama));
        printLineCell(printer, settings.yer_fatura_hareketleri, settings.marj_miktar, y,
                      numberText(line.miktar));
        printLineCell(printer, settings.yer_fatura_hareketleri, settings.marj_br_fiyat, y,
                      numberText(line.br_fiyat));
        printLineCell(printer, settings.yer_fatura_hareketleri, settings.marj_tutar, y,
                      quantity && price ? plainNumberText(amount) : QString());
        subtotal += amount;
        offset += lineAdvance;
    }

    const double discount = number(invoice.iskonto).value_or(0);
    const double rate = leadingNumber(settings.kdv_yuzde);
    const double base = subtotal - discount;
    const double vat = base * rate / 100;
    const double grandTotal = base + vat;

    // The block is in the line font even when there were no lines to set it.
    setPlacementFont(printer, settings.yer_fatura_hareketleri);
    const double t = leadingNumber(settings.marj_tutar);
    printBelow(printer, t, 200, rule);
    printBelow(printer, t - 1200, 150, QStringLiteral("ISKONTO"));
    printBelow(printer, t, -250, numberText(invoice.iskonto));
    printBelow(printer, t, -100, rule);
    printBelow(printer, t - 1200, 75, QStringLiteral("KDV MATRAHI"));
    printBelow(printer, t, -175, plainNumberText(base));

    // A grand total too large for a number has no money text, and so no words.
    const QString money = moneyText(grandTotal);
    printAtPosition(printer, settings.yer_yazi_ile,
                    money.isEmpty()
                        ? QString()
                        : QStringLiteral("Y. ") + yaziyacevir(money) + QStringLiteral(" TL"));
    printAtPosition(printer, settings.yer_kdv_orani, settings.kdv_yuzde);
    printAtPosition(printer, settings.yer_kdv_tutari, plainNumberText(vat));
    printAtPosition(printer, settings.yer_genel_toplam, plainNumberText(grandTotal));
    printer.endDocument();
}

int runBatch(Printer &printer, const ayarlar &settings, const QString &databasePath,
             const QString &campaign, const CampaignSelection &selection,
             const BatchProgress &progress) {
    Database db(databasePath);
    const int total = progress ? countCampaignInvoices(db, campaign, selection) : 0;
    if (progress && !progress(0, total))
        return 0;
    int printed = 0;
    readCampaignInvoices(db, campaign, selection, [&](const CampaignInvoice &invoice) {
        printCampaignInvoice(printer, settings, invoice, selection.region);
        ++printed;
        return !progress || progress(printed, total);
    });
    return printed;
}
