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

Invoice campaignInvoiceModel(const CampaignInvoice &stored, const ayarlar &settings) {
    Invoice invoice;
    invoice.header.invoiceDate = dateText(stored.fatura_tarihi);
    invoice.header.customerName = nameLine(stored);
    invoice.header.address = text(stored.adresi);
    invoice.vatMode = VatExcluded;
    invoice.vatRateText = settings.kdv_yuzde;
    invoice.vatRate = leadingNumber(settings.kdv_yuzde);
    // A sum like every other on the paper: "10,00". What is no number prints as it stands.
    invoice.invoiceDiscountText =
        number(stored.iskonto) ? moneyText(*number(stored.iskonto)) : text(stored.iskonto);
    invoice.invoiceDiscount = Money::fromLira(number(stored.iskonto).value_or(0)).value_or(Money());
    invoice.lines.reserve(stored.lines.size());
    for (const CampaignInvoice::Line &l : stored.lines) {
        InvoiceLine line;
        const std::optional<double> quantity = number(l.miktar);
        const std::optional<double> price = number(l.br_fiyat);
        line.quantityText = numberText(l.miktar);
        line.description = text(l.aciklama);
        line.unitPriceText = numberText(l.br_fiyat);
        line.quantity = quantity.value_or(0);
        line.unitPrice = price.value_or(0);
        line.priced = quantity && price;
        invoice.lines << line;
    }
    return invoice;
}

QString campaignFontProblem(const ayarlar &settings) {
    return fontSizeProblem(settings, {&ayarlar::yer_fatura_tarihi, &ayarlar::yer_adi_soyadi,
                                      &ayarlar::yer_adresi, &ayarlar::yer_vergi_dairesi,
                                      &ayarlar::yer_fatura_hareketleri});
}

void printCampaignInvoice(Printer &printer, const PrintLayout &layout, const Invoice &invoice,
                          const QString &region) {
    const InvoiceFigures figures = computeFigures(invoice);
    const auto printHeader = [&] {
        placeAndPrint(printer, layout.invoiceDate, invoice.header.invoiceDate);
        placeAndPrint(printer, layout.name, invoice.header.customerName);
        placeAndPrint(printer, layout.address, invoice.header.address);
        placeAndPrint(printer, layout.taxOffice, region);
    };
    printHeader();

    const Placement &block = layout.lineBlock;
    const double top = block.y;
    // Lines that do not fit above the totals go on further sheets, as in the invoice window.
    const qsizetype perSheet = linesPerSheet(layout, lineAdvance);
    for (qsizetype i = 0; i < invoice.lines.size(); ++i) {
        if (i > 0 && i % perSheet == 0) {
            printer.newSheet();
            printHeader();
        }
        const InvoiceLine &line = invoice.lines.at(i);
        const double y = top + double(i % perSheet) * lineAdvance;
        printLineCell(printer, block, layout.descriptionColumn, y, line.description);
        printLineCell(printer, block, layout.quantityColumn, y, line.quantityText);
        printLineCell(printer, block, layout.unitPriceColumn, y, line.unitPriceText);
        printLineCell(printer, block, layout.amountColumn, y,
                      line.priced ? moneyText(figures.lineAmounts.at(i)) : QString());
    }

    // The block is in the line font even when there were no lines to set it.
    setPlacementFont(printer, block);
    const double t = layout.amountColumn;
    printBelow(printer, t, 200, rule);
    printBelow(printer, t - 1200, 150, QStringLiteral("İSKONTO"));
    printBelow(printer, t, -250, invoice.invoiceDiscountText);
    printBelow(printer, t, -100, rule);
    printBelow(printer, t - 1200, 75, QStringLiteral("KDV MATRAHI"));
    // Figures too large to count in kuruş print nothing rather than something wrong.
    const auto money = [&figures](Money m) { return figures.fits ? moneyText(m) : QString(); };
    printBelow(printer, t, -175, money(figures.vatBase));

    const QString grandTotal = money(figures.grandTotal);
    printAtPosition(printer, layout.words,
                    grandTotal.isEmpty() ? QString()
                                         : QStringLiteral("Y. ") + yaziyacevir(grandTotal));
    printAtPosition(printer, layout.vatRate, invoice.vatRateText);
    printAtPosition(printer, layout.vat, money(figures.vat));
    printAtPosition(printer, layout.grandTotal, grandTotal);
    printer.endDocument();
}

QString selectionCheck(const CampaignSelection &selection, SelectionField *field) {
    SelectionField ignored = SelectionField::None;
    SelectionField &named = field ? *field : ignored;
    named = SelectionField::None;
    const auto refuse = [&named](SelectionField f, const QString &message) {
        named = f;
        return message;
    };
    const QString first = selection.first.trimmed();
    const QString last = selection.last.trimmed();
    if (first.isEmpty() && last.isEmpty() && selection.region.isEmpty())
        return QString();
    const std::pair<const QString *, const char *> numbers[] = {{&first, "Başlangıç No"},
                                                                {&last, "Bitiş No"}};
    for (const auto &[typed, name] : numbers) {
        if (!typed->isEmpty() && !wholeNumber(*typed))
            return refuse(typed == &first ? SelectionField::First : SelectionField::Last,
                          QStringLiteral("%1 geçersiz: \"%2\". Fatura numarasını tam sayıyla "
                                         "yazınız (örnek: 1).")
                              .arg(QString::fromUtf8(name), typedExcerpt(*typed)));
    }
    if (first.isEmpty() && last.isEmpty())
        return refuse(SelectionField::First,
                      QStringLiteral("Yalnızca Dağıtım Bölgesi seçildi; bölge, numara aralığıyla "
                                     "birlikte seçilir. Başlangıç No ve Bitiş No giriniz "
                                     "(örnek: 1 ve 500). Kampanyanın bütün faturaları için "
                                     "bölgeyi de boş bırakınız."));
    const qint64 from = first.isEmpty() ? 0 : *wholeNumber(first);
    const qint64 to = last.isEmpty() ? 0 : *wholeNumber(last);
    if (from > to)
        return refuse(SelectionField::Last,
                      QStringLiteral("Başlangıç No (%1) Bitiş No'dan (%2) büyük; bu aralıkta "
                                     "fatura olamaz. Küçük numarayı Başlangıç No'ya, büyüğünü "
                                     "Bitiş No'ya yazınız.")
                          .arg(from)
                          .arg(to));
    if (selection.region.isEmpty())
        return refuse(SelectionField::Region,
                      QStringLiteral("Dağıtım Bölgesi seçiniz! Numara aralığı, bir bölgenin "
                                     "faturalarını seçer."));
    return QString();
}

QString nothingSelectedMessage(const QString &campaign, const CampaignSelection &selection) {
    if (selection.first.trimmed().isEmpty() && selection.last.trimmed().isEmpty() &&
        selection.region.isEmpty())
        return QStringLiteral("%1 kampanyasında fatura yok; hiçbir şey yazdırılmadı.")
            .arg(campaign);
    return QStringLiteral("%1 kampanyasında %2 - %3 numaraları arasında %4 bölgesinde fatura "
                          "yok; hiçbir şey yazdırılmadı.")
        .arg(campaign, selection.first.trimmed(), selection.last.trimmed(), selection.region);
}

int runBatch(Printer &printer, const ayarlar &settings, const QString &databasePath,
             const QString &campaign, const CampaignSelection &selection,
             const BatchProgress &progress, QStringList *begun) {
    if (const QString problem = campaignFontProblem(settings); !problem.isEmpty())
        throw PrinterError(problem);
    // The layout and the rate are read once for the whole run.
    const PrintLayout layout = printLayout(settings);
    Database db(databasePath);
    const int total = progress ? countCampaignInvoices(db, campaign, selection) : 0;
    if (progress && !progress(0, total))
        return 0;
    int printed = 0;
    readCampaignInvoices(db, campaign, selection, [&](const CampaignInvoice &invoice) {
        if (begun)
            begun->append(numberText(invoice.sirano).trimmed());
        printCampaignInvoice(printer, layout, campaignInvoiceModel(invoice, settings),
                             selection.region);
        ++printed;
        return !progress || progress(printed, total);
    });
    return printed;
}

QString printerRunReport(int total, const QStringList &begun, const QList<JobOutcome> &outcomes) {
    const auto count = [&](JobOutcome o) { return int(outcomes.count(o)); };
    const int printed = count(JobOutcome::Printed);
    QString report =
        printed == 0
            ? QStringLiteral("%1 faturadan hiçbiri yazıcıya ulaşmadı.").arg(total)
            : QStringLiteral("%1 faturadan %2 tanesi yazıcıya ulaştı.").arg(total).arg(printed);
    if (const int waiting = count(JobOutcome::Waiting))
        report += QStringLiteral(" %1 tanesi yazıcının kuyruğunda bekliyor; yazıcı yeniden "
                                 "çalışınca basılır.")
                      .arg(waiting);
    if (const int lost = count(JobOutcome::Lost))
        report +=
            QStringLiteral(" %1 tanesi yazdırma sistemine verilmişti, ama basılmadan silindi.")
                .arg(lost);
    const qsizetype firstLost = outcomes.indexOf(JobOutcome::Lost);
    const qsizetype restart = firstLost >= 0 ? firstLost : outcomes.size();
    if (restart < begun.size()) {
        report += begun.at(restart).isEmpty()
                      ? QStringLiteral("\nBaskıyı seçimdeki %1. faturadan yeniden başlatın.")
                            .arg(restart + 1)
                      : QStringLiteral("\nBaskıyı %1 numaralı faturadan yeniden başlatın.")
                            .arg(begun.at(restart));
    }
    return report;
}
