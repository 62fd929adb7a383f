#include "earsiv/document.h"

#include "base/numbers.h"
#include "base/yaziyacevir.h"

#include <QXmlStreamWriter>

#include <cmath>
#include <map>

namespace {

// A decimal number with "." as the point, no exponent, at least `fewest` and at most
// `most` decimals.
QString decimalText(double value, int fewest, int most) {
    QString s = QString::number(value, 'f', most);
    if (most > 0) {
        const qsizetype point = s.indexOf(u'.');
        qsizetype end = s.size();
        while (end > point + 1 + fewest && s.at(end - 1) == u'0')
            --end;
        if (end == point + 1)
            end = point; // no decimals left: no point either
        s.truncate(end);
    }
    return s;
}

QString xmlAmount(qint64 kurus) {
    return decimalPointText(Money::fromKurus(kurus));
}

QString refusedLine(qsizetype index, const QString &what) {
    return QStringLiteral("%1. satırın %2").arg(index + 1).arg(what);
}

// Exemption codes that make an invoice an ISTISNA one; 351 ("not exempt, other") keeps it a
// sale.
bool exemptsInvoice(const QString &code) {
    return !code.isEmpty() && code != QLatin1String("351");
}

} // namespace

QString percentText(double rate) {
    return decimalText(rate, 0, 6);
}

QString kurusText(qint64 kurus) {
    return moneyText(Money::fromKurus(kurus));
}

QString spacedWords(const QString &words) {
    QString out;
    out.reserve(words.size() + words.size() / 4);
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QChar c = words.at(i);
        if (i > 0 && c.isUpper() && words.at(i - 1).isLower())
            out += u' ';
        out += c;
    }
    return out;
}

QString amountInWords(const QString &money) {
    QString words = yaziyacevir(money);
    words.replace(QStringLiteral(" TL"), QStringLiteral(" TL "));
    return QStringLiteral("Yalnız: ") + spacedWords(words).simplified();
}

QString documentTitle(const QString &profile) {
    return profile == Profile::EArsiv ? QStringLiteral("e-ARŞİV FATURA")
                                      : QStringLiteral("e-FATURA");
}

QString typeName(const QString &typeCode) {
    if (typeCode == QLatin1String("IADE"))
        return QStringLiteral("İADE");
    if (typeCode == QLatin1String("ISTISNA"))
        return QStringLiteral("İSTİSNA");
    return QStringLiteral("SATIŞ");
}

std::variant<EArsivDocument, QString> earsivDocument(const Invoice &invoice,
                                                     const DocumentChoices &choices) {
    const InvoiceHeader &h = invoice.header;
    const bool isReturn = h.type == InvoiceType::Return;
    EArsivDocument d;
    d.seller = choices.seller;
    d.invoiceNumber = h.number;
    d.profile = choices.profile;
    // The rules allow a return to an e-Fatura user only as a basic invoice.
    if (isReturn && d.profile == Profile::Ticari)
        d.profile = Profile::Temel;
    if (!d.isEFatura())
        d.sendType = choices.sendType;
    if (invoice.lines.isEmpty())
        return QStringLiteral("faturanın satırı yok.");
    const std::optional<QDate> date = invoiceDate(h.invoiceDate);
    if (!date)
        return QStringLiteral("fatura tarihi okunamadı (%1); GG.AA.YYYY biçiminde olmalıdır.")
            .arg(h.invoiceDate);
    if (*date > choices.today)
        return QStringLiteral("fatura tarihi (%1) bugünden ileri; e-Arşiv faturası ileri "
                              "tarihli olamaz.")
            .arg(h.invoiceDate);
    d.issueDate = *date;
    d.deliveryNoteNumber = h.deliveryNoteNumber.trimmed();
    if (!d.deliveryNoteNumber.isEmpty()) {
        // The note goes on the document and its copy alike, or the invoice is corrected.
        const std::optional<QDate> noteDate = invoiceDate(h.deliveryNoteDate);
        if (!noteDate)
            return QStringLiteral("irsaliye tarihi okunamadı (%1); irsaliye numarası (%2) ile "
                                  "birlikte GG.AA.YYYY biçiminde yazılmalıdır. Faturada "
                                  "irsaliye tarihini düzeltiniz ya da irsaliye numarasını "
                                  "siliniz.")
                .arg(h.deliveryNoteDate.trimmed().isEmpty() ? QStringLiteral("boş")
                                                            : h.deliveryNoteDate.trimmed(),
                     d.deliveryNoteNumber);
        d.deliveryNoteDate = *noteDate;
    }

    std::variant<EArsivParty, QString> buyer = buyerParty(h);
    if (const QString *problem = std::get_if<QString>(&buyer))
        return *problem;
    d.buyer = std::get<EArsivParty>(buyer);

    const InvoiceFigures f = computeFigures(invoice);
    const QString tooLarge =
        QStringLiteral("tutarlar kuruşuna kadar hesaplanamayacak kadar büyük.");
    if (!f.fits || !f.grandTotal.fitsText())
        return tooLarge;
    if (!f.hasGrandTotal || f.vatGroups.isEmpty())
        return QStringLiteral("KDV oranı geçerli bir sayı değil: %1").arg(invoice.vatRateText);
    // Only campaign invoices carry a discount of the whole invoice, and they are never saved.
    if (invoice.invoiceDiscount != Money())
        return QStringLiteral("faturanın tamamına verilmiş iskonto e-faturada yazılamıyor.");
    d.vatIncluded = invoice.vatMode == VatIncluded;
    const QString negative =
        isReturn ? QStringLiteral("; İADE faturasında tutarlar artı yazılır.")
                 : QStringLiteral("; iade için fatura tipi İADE seçilip tutarlar artı yazılır.");

    bool exempt = false;
    for (qsizetype i = 0; i < invoice.lines.size(); ++i) {
        const InvoiceLine &line = invoice.lines.at(i);
        const Money amount = f.lineAmounts.at(i);
        const Money discount = f.lineDiscounts.at(i);
        if (amount < Money())
            return refusedLine(i, QStringLiteral("tutarı eksi (%1)").arg(moneyText(amount))) +
                   negative;
        if (discount < Money() || discount > amount)
            return refusedLine(i, QStringLiteral("iskontosu (%1) eksi ya da satır tutarından "
                                                 "büyük.")
                                      .arg(line.discountText));
        const double rate = *invoice.rateOf(line);
        if (!(rate >= 0 && rate <= 100))
            return refusedLine(i, QStringLiteral("KDV oranı (%%1) 0 ile 100 arasında olmalıdır.")
                                      .arg(invoice.rateTextOf(line)));
        EArsivLine l;
        l.name = line.description;
        l.quantity = line.quantity;
        l.discountPercent = line.discountPercent;
        l.unit = line.unit.isEmpty() ? QStringLiteral("C62") : line.unit;
        l.vatRate = rate;
        if (rate == 0) {
            l.exemptionCode = line.exemptionCode.trimmed();
            l.exemptionReason = line.exemptionReason.trimmed().isEmpty()
                                    ? exemptionReason(l.exemptionCode)
                                    : line.exemptionReason.trimmed();
            if (l.exemptionCode.isEmpty() || l.exemptionReason.isEmpty())
                return refusedLine(i, QStringLiteral("KDV oranı %0, ama istisna kodu ve nedeni "
                                                     "yok; %0 KDV'li satır istisna koduyla "
                                                     "yazılır. Faturada satıra istisna kodunu "
                                                     "(örneğin 351) giriniz."));
            exempt = exempt || exemptsInvoice(l.exemptionCode);
        }
        l.vat = f.lineVat.at(i).kurus();
        if (d.vatIncluded) {
            // The VAT comes out of the line; its discount is shown without VAT, rounded on
            // its own, and the amount before the discount is what is left plus that discount.
            l.net = (amount - discount).kurus() - l.vat;
            const std::optional<Money> plain =
                Money::fromLira(discount.lira() * 100 / (100 + rate));
            if (!plain)
                return tooLarge;
            l.discount = plain->kurus();
            l.unitPrice = line.unitPrice * 100 / (100 + rate);
        } else {
            l.net = (amount - discount).kurus();
            l.discount = discount.kurus();
            l.unitPrice = line.unitPrice;
        }
        l.gross = l.net + l.discount;
        d.grossTotal += l.gross;
        d.discountTotal += l.discount;
        d.lineTotal += l.net;
        d.lines << l;
    }
    if (f.grandTotal < Money())
        return QStringLiteral("genel toplam eksi (%1)").arg(moneyText(f.grandTotal)) + negative;

    // The VAT by rate as the window has it; at 0 % each exemption on its own.
    for (const VatGroup &g : f.vatGroups) {
        if (g.rate > 0 && g.vat == Money())
            return QStringLiteral("%%1 KDV'li satırların KDV'si 0,00 TL'ye yuvarlanıyor "
                                  "(matrah %2 TL); KDV'si sıfır olan oran istisna kodu ister. "
                                  "Tutarı düzeltiniz ya da satırı %3 KDV ve istisna koduyla "
                                  "yazınız.")
                .arg(g.rateText, moneyText(g.base), QStringLiteral("%0"));
        if (g.rate > 0) {
            d.taxes << EArsivTax{g.rate, {}, {}, g.base.kurus(), g.vat.kurus()};
            continue;
        }
        std::map<QString, EArsivTax> byCode;
        for (const EArsivLine &l : d.lines) {
            if (l.vatRate != 0)
                continue;
            EArsivTax &t = byCode[l.exemptionCode];
            t.exemptionCode = l.exemptionCode;
            if (t.exemptionReason.isEmpty())
                t.exemptionReason = l.exemptionReason;
            t.taxable += l.net;
        }
        for (const auto &[code, t] : byCode)
            d.taxes << t;
    }
    d.vat = f.vat.kurus();
    d.payable = d.lineTotal + d.vat;
    if (d.payable != f.grandTotal.kurus())
        return QStringLiteral("satır tutarları pencerenin toplamlarını kuruşuna kadar tutmuyor.");

    if (isReturn) {
        if (!choices.returned)
            return QStringLiteral("iade edilen fatura (%1) bilinmiyor.").arg(h.returnedNumber);
        d.returned = choices.returned;
        d.typeCode = QStringLiteral("IADE");
    } else if (exempt) {
        d.typeCode = QStringLiteral("ISTISNA");
    }
    d.words = amountInWords(moneyText(f.grandTotal));
    return d;
}

namespace {

const QString invoiceNs = QStringLiteral("urn:oasis:names:specification:ubl:schema:xsd:Invoice-2");
const QString cacNs =
    QStringLiteral("urn:oasis:names:specification:ubl:schema:xsd:CommonAggregateComponents-2");
const QString cbcNs =
    QStringLiteral("urn:oasis:names:specification:ubl:schema:xsd:CommonBasicComponents-2");
const QString xsiNs = QStringLiteral("http://www.w3.org/2001/XMLSchema-instance");

class Writer {
public:
    explicit Writer(QByteArray *out)
        : m_xml(out) {
        m_xml.setAutoFormatting(true);
        m_xml.setAutoFormattingIndent(2);
    }

    QXmlStreamWriter &xml() { return m_xml; }

    void open(const QString &name) { m_xml.writeStartElement(cacNs, name); }
    void close() { m_xml.writeEndElement(); }
    void basic(const QString &name, const QString &value) {
        m_xml.writeTextElement(cbcNs, name, value);
    }
    // A basic element left out when it would be empty.
    void basicIfAny(const QString &name, const QString &value) {
        if (!value.isEmpty())
            basic(name, value);
    }
    void basic(const QString &name, const QString &value, const QString &attribute,
               const QString &attributeValue) {
        m_xml.writeStartElement(cbcNs, name);
        m_xml.writeAttribute(attribute, attributeValue);
        m_xml.writeCharacters(value);
        m_xml.writeEndElement();
    }
    void amount(const QString &name, qint64 kurus) {
        basic(name, xmlAmount(kurus), QStringLiteral("currencyID"), QStringLiteral("TRY"));
    }
    void date(const QString &name, const QDate &d) { basic(name, d.toString(Qt::ISODate)); }

    void address(const EArsivParty &p) {
        open(QStringLiteral("PostalAddress"));
        basicIfAny(QStringLiteral("StreetName"), p.street);
        basicIfAny(QStringLiteral("CitySubdivisionName"), p.district);
        basicIfAny(QStringLiteral("CityName"), p.city);
        open(QStringLiteral("Country"));
        basic(QStringLiteral("IdentificationCode"), QStringLiteral("TR"));
        basic(QStringLiteral("Name"), QStringLiteral("Türkiye"));
        close();
        close();
    }

    void identification(const EArsivParty &p) {
        open(QStringLiteral("PartyIdentification"));
        basic(QStringLiteral("ID"), p.id, QStringLiteral("schemeID"), p.scheme());
        close();
    }

    void party(const QString &role, const EArsivParty &p) {
        open(role);
        open(QStringLiteral("Party"));
        identification(p);
        if (!p.person) {
            open(QStringLiteral("PartyName"));
            basic(QStringLiteral("Name"), p.title);
            close();
        }
        address(p);
        if (!p.taxOffice.isEmpty()) {
            open(QStringLiteral("PartyTaxScheme"));
            open(QStringLiteral("TaxScheme"));
            basic(QStringLiteral("Name"), p.taxOffice);
            close();
            close();
        }
        if (!p.phone.isEmpty() || !p.email.isEmpty()) {
            open(QStringLiteral("Contact"));
            basicIfAny(QStringLiteral("Telephone"), p.phone);
            basicIfAny(QStringLiteral("ElectronicMail"), p.email);
            close();
        }
        if (p.person) {
            open(QStringLiteral("Person"));
            basic(QStringLiteral("FirstName"), p.firstName);
            basic(QStringLiteral("FamilyName"), p.familyName);
            close();
        }
        close();
        close();
    }

    void subtotal(qint64 taxable, qint64 vat, double rate, const QString &exemptionCode,
                  const QString &exemptionReason) {
        open(QStringLiteral("TaxSubtotal"));
        amount(QStringLiteral("TaxableAmount"), taxable);
        amount(QStringLiteral("TaxAmount"), vat);
        basic(QStringLiteral("Percent"), percentText(rate));
        open(QStringLiteral("TaxCategory"));
        basicIfAny(QStringLiteral("TaxExemptionReasonCode"), exemptionCode);
        basicIfAny(QStringLiteral("TaxExemptionReason"), exemptionReason);
        open(QStringLiteral("TaxScheme"));
        basic(QStringLiteral("Name"), QStringLiteral("KDV"));
        basic(QStringLiteral("TaxTypeCode"), QStringLiteral("0015"));
        close();
        close();
        close();
    }

private:
    QXmlStreamWriter m_xml;
};

} // namespace

QByteArray earsivXml(const EArsivDocument &d) {
    QByteArray out;
    out.reserve(8192 + 2048 * d.lines.size());
    Writer w(&out);
    QXmlStreamWriter &x = w.xml();
    x.writeStartDocument();
    x.writeDefaultNamespace(invoiceNs);
    x.writeNamespace(cacNs, QStringLiteral("cac"));
    x.writeNamespace(cbcNs, QStringLiteral("cbc"));
    x.writeNamespace(xsiNs, QStringLiteral("xsi"));
    x.writeStartElement(invoiceNs, QStringLiteral("Invoice"));
    x.writeAttribute(xsiNs, QStringLiteral("schemaLocation"),
                     invoiceNs + QStringLiteral(" UBL-Invoice-2.1.xsd"));

    w.basic(QStringLiteral("UBLVersionID"), QStringLiteral("2.1"));
    w.basic(QStringLiteral("CustomizationID"), QStringLiteral("TR1.2"));
    w.basic(QStringLiteral("ProfileID"), d.profile);
    w.basic(QStringLiteral("ID"), d.gibNumber);
    w.basic(QStringLiteral("CopyIndicator"), QStringLiteral("false"));
    w.basic(QStringLiteral("UUID"), d.uuid);
    w.date(QStringLiteral("IssueDate"), d.issueDate);
    w.basic(QStringLiteral("IssueTime"), d.issueTime.toString(QStringLiteral("HH:mm:ss")));
    w.basic(QStringLiteral("InvoiceTypeCode"), d.typeCode);
    w.basic(QStringLiteral("Note"), d.words);
    w.basic(QStringLiteral("DocumentCurrencyCode"), QStringLiteral("TRY"));
    w.basic(QStringLiteral("LineCountNumeric"), QString::number(d.lines.size()));
    if (d.returned) {
        w.open(QStringLiteral("BillingReference"));
        w.open(QStringLiteral("InvoiceDocumentReference"));
        w.basic(QStringLiteral("ID"), d.returned->gibNumber);
        w.date(QStringLiteral("IssueDate"), d.returned->date);
        w.basic(QStringLiteral("DocumentTypeCode"), QStringLiteral("IADE"));
        w.close();
        w.close();
    }
    if (!d.deliveryNoteNumber.isEmpty()) {
        w.open(QStringLiteral("DespatchDocumentReference"));
        w.basic(QStringLiteral("ID"), d.deliveryNoteNumber);
        w.date(QStringLiteral("IssueDate"), d.deliveryNoteDate);
        w.close();
    }
    if (!d.sendType.isEmpty()) {
        // How the buyer gets an e-Arşiv invoice, as integrators read it.
        w.open(QStringLiteral("AdditionalDocumentReference"));
        w.basic(QStringLiteral("ID"), d.sendType);
        w.date(QStringLiteral("IssueDate"), d.issueDate);
        w.basic(QStringLiteral("DocumentTypeCode"), QStringLiteral("SEND_TYPE"));
        w.close();
    }

    // Where the integrator's signature will go; the document itself is not signed here.
    w.open(QStringLiteral("Signature"));
    w.basic(QStringLiteral("ID"), d.seller.id, QStringLiteral("schemeID"),
            QStringLiteral("VKN_TCKN"));
    w.open(QStringLiteral("SignatoryParty"));
    w.identification(d.seller);
    w.address(d.seller);
    w.close();
    w.open(QStringLiteral("DigitalSignatureAttachment"));
    w.open(QStringLiteral("ExternalReference"));
    w.basic(QStringLiteral("URI"), QStringLiteral("#Signature_") + d.gibNumber);
    w.close();
    w.close();
    w.close();

    w.party(QStringLiteral("AccountingSupplierParty"), d.seller);
    w.party(QStringLiteral("AccountingCustomerParty"), d.buyer);

    w.open(QStringLiteral("TaxTotal"));
    w.amount(QStringLiteral("TaxAmount"), d.vat);
    for (const EArsivTax &t : d.taxes)
        w.subtotal(t.taxable, t.vat, t.rate, t.exemptionCode, t.exemptionReason);
    w.close();

    w.open(QStringLiteral("LegalMonetaryTotal"));
    w.amount(QStringLiteral("LineExtensionAmount"), d.lineTotal);
    w.amount(QStringLiteral("TaxExclusiveAmount"), d.lineTotal);
    w.amount(QStringLiteral("TaxInclusiveAmount"), d.payable);
    w.amount(QStringLiteral("AllowanceTotalAmount"), d.discountTotal);
    w.amount(QStringLiteral("PayableAmount"), d.payable);
    w.close();

    for (qsizetype i = 0; i < d.lines.size(); ++i) {
        const EArsivLine &l = d.lines.at(i);
        w.open(QStringLiteral("InvoiceLine"));
        w.basic(QStringLiteral("ID"), QString::number(i + 1));
        w.basic(QStringLiteral("InvoicedQuantity"), decimalText(l.quantity, 0, 6),
                QStringLiteral("unitCode"), l.unit);
        w.amount(QStringLiteral("LineExtensionAmount"), l.net);
        if (l.discountPercent && *l.discountPercent != 0) {
            w.open(QStringLiteral("AllowanceCharge"));
            w.basic(QStringLiteral("ChargeIndicator"), QStringLiteral("false"));
            w.basic(QStringLiteral("MultiplierFactorNumeric"),
                    decimalText(*l.discountPercent / 100, 1, 8));
            w.amount(QStringLiteral("Amount"), l.discount);
            w.amount(QStringLiteral("BaseAmount"), l.gross);
            w.close();
        }
        w.open(QStringLiteral("TaxTotal"));
        w.amount(QStringLiteral("TaxAmount"), l.vat);
        w.subtotal(l.net, l.vat, l.vatRate, l.exemptionCode, l.exemptionReason);
        w.close();
        w.open(QStringLiteral("Item"));
        w.basic(QStringLiteral("Name"), l.name);
        w.close();
        w.open(QStringLiteral("Price"));
        // A unit price is not a sum: it keeps its own decimals, so that quantity × price
        // stays the line's amount.
        w.basic(QStringLiteral("PriceAmount"), decimalText(l.unitPrice, 2, 6),
                QStringLiteral("currencyID"), QStringLiteral("TRY"));
        w.close();
        w.close();
    }
    x.writeEndElement();
    x.writeEndDocument();
    return out;
}

QByteArray qrText(const EArsivDocument &d) {
    // Every value is a text of digits, capitals, dashes and points: nothing to escape.
    QList<std::pair<QString, QString>> fields = {
        {QStringLiteral("vkntckn"), d.seller.id},
        {QStringLiteral("avkntckn"), d.buyer.id},
        {QStringLiteral("senaryo"), d.profile},
        {QStringLiteral("tip"), d.typeCode},
        {QStringLiteral("tarih"), d.issueDate.toString(Qt::ISODate)},
        {QStringLiteral("no"), d.gibNumber},
        {QStringLiteral("ettn"), d.uuid},
        {QStringLiteral("parabirimi"), QStringLiteral("TRY")},
        {QStringLiteral("malhizmettoplam"), xmlAmount(d.lineTotal)},
    };
    // One key per rate: the exemptions at 0 % together.
    std::map<double, std::pair<qint64, qint64>> byRate;
    for (const EArsivTax &t : d.taxes) {
        byRate[t.rate].first += t.taxable;
        byRate[t.rate].second += t.vat;
    }
    for (const auto &[rate, sums] : byRate)
        fields << std::pair(QStringLiteral("kdvmatrah(%1)").arg(percentText(rate)),
                            xmlAmount(sums.first));
    for (const auto &[rate, sums] : byRate)
        fields << std::pair(QStringLiteral("hesaplanankdv(%1)").arg(percentText(rate)),
                            xmlAmount(sums.second));
    fields << std::pair(QStringLiteral("vergidahil"), xmlAmount(d.payable))
           << std::pair(QStringLiteral("odenecek"), xmlAmount(d.payable));
    QStringList parts;
    for (const auto &[key, value] : fields)
        parts << QStringLiteral("\"%1\":\"%2\"").arg(key, value);
    return (u'{' + parts.join(u',') + u'}').toUtf8();
}
