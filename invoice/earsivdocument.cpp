#include "invoice/earsivdocument.h"

#include "base/numbers.h"
#include "base/yaziyacevir.h"

#include <QRegularExpression>
#include <QXmlStreamWriter>

#include <cmath>

namespace {

// The largest amount kept exact: money texts hold 15 significant digits.
constexpr qint64 largestKurus = 99'999'999'999'999;

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

const QString returnNeeded = QStringLiteral("; iade için İADE faturası gerekir, bu sürümde "
                                            "yazılamıyor.");

} // namespace

QString kurusText(qint64 kurus) {
    return moneyText(Money::fromKurus(kurus));
}

QString amountInWords(const QString &money) {
    QString words = yaziyacevir(money);
    words.replace(QStringLiteral(" TL"), QStringLiteral(" TL "));
    return QStringLiteral("Yalnız: ") + words.trimmed();
}

std::variant<EArsivDocument, QString>
earsivDocument(const Invoice &invoice, const EArsivParty &seller, const QDate &today) {
    const InvoiceHeader &h = invoice.header;
    EArsivDocument d;
    d.seller = seller;
    d.invoiceNumber = h.number;
    if (invoice.lines.isEmpty())
        return QStringLiteral("faturanın satırı yok.");
    const std::optional<QDate> date = invoiceDate(h.invoiceDate);
    if (!date)
        return QStringLiteral("fatura tarihi okunamadı (%1); GG.AA.YYYY biçiminde olmalıdır.")
            .arg(h.invoiceDate);
    if (*date > today)
        return QStringLiteral("fatura tarihi (%1) bugünden ileri; e-Arşiv faturası ileri "
                              "tarihli olamaz.")
            .arg(h.invoiceDate);
    d.issueDate = *date;
    d.deliveryNoteNumber = h.deliveryNoteNumber.trimmed();
    if (!d.deliveryNoteNumber.isEmpty())
        d.deliveryNoteDate = invoiceDate(h.deliveryNoteDate).value_or(QDate());

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
    if (f.vatGroups.size() > 1)
        return QStringLiteral("satırlarda birden çok KDV oranı var (%1); bu sürümde e-Arşiv "
                              "faturası olarak yazılamıyor.")
            .arg(figureTexts(invoice, f).rates);
    const double rate = f.vatGroups.first().rate;
    if (!(rate > 0 && rate <= 100))
        return QStringLiteral("KDV oranı 0'dan büyük, en çok 100 olmalıdır: %1")
            .arg(f.vatGroups.first().rateText);
    d.vatRate = rate;
    d.vatIncluded = invoice.vatMode == VatIncluded;

    for (qsizetype i = 0; i < invoice.lines.size(); ++i) {
        const InvoiceLine &line = invoice.lines.at(i);
        const Money amount = f.lineAmounts.at(i);
        const Money discount = f.lineDiscounts.at(i);
        if (amount < Money())
            return refusedLine(i, QStringLiteral("tutarı eksi (%1)").arg(moneyText(amount))) +
                   returnNeeded;
        if (discount < Money() || discount > amount)
            return refusedLine(i, QStringLiteral("iskontosu (%1) eksi ya da satır tutarından "
                                                 "büyük.")
                                      .arg(line.discountText));
        EArsivLine l;
        l.name = line.description;
        l.quantity = line.quantity;
        l.discountPercent = line.discountPercent;
        l.unit = line.unit;
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
        return QStringLiteral("genel toplam eksi (%1)").arg(moneyText(f.grandTotal)) + returnNeeded;
    d.vat = f.vat.kurus();
    d.payable = d.lineTotal + d.vat;
    if (d.payable != f.grandTotal.kurus())
        return QStringLiteral("satır tutarları pencerenin toplamlarını kuruşuna kadar tutmuyor.");
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

    void taxTotal(qint64 taxable, qint64 vat, const QString &percent) {
        open(QStringLiteral("TaxTotal"));
        amount(QStringLiteral("TaxAmount"), vat);
        open(QStringLiteral("TaxSubtotal"));
        amount(QStringLiteral("TaxableAmount"), taxable);
        amount(QStringLiteral("TaxAmount"), vat);
        basic(QStringLiteral("Percent"), percent);
        open(QStringLiteral("TaxCategory"));
        open(QStringLiteral("TaxScheme"));
        basic(QStringLiteral("Name"), QStringLiteral("KDV"));
        basic(QStringLiteral("TaxTypeCode"), QStringLiteral("0015"));
        close();
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

    const QString percent = decimalText(d.vatRate, 0, 6);
    w.basic(QStringLiteral("UBLVersionID"), QStringLiteral("2.1"));
    w.basic(QStringLiteral("CustomizationID"), QStringLiteral("TR1.2"));
    w.basic(QStringLiteral("ProfileID"), QStringLiteral("EARSIVFATURA"));
    w.basic(QStringLiteral("ID"), d.gibNumber);
    w.basic(QStringLiteral("CopyIndicator"), QStringLiteral("false"));
    w.basic(QStringLiteral("UUID"), d.uuid);
    w.basic(QStringLiteral("IssueDate"), d.issueDate.toString(Qt::ISODate));
    w.basic(QStringLiteral("IssueTime"), d.issueTime.toString(QStringLiteral("HH:mm:ss")));
    w.basic(QStringLiteral("InvoiceTypeCode"), QStringLiteral("SATIS"));
    w.basic(QStringLiteral("Note"), d.words);
    w.basic(QStringLiteral("DocumentCurrencyCode"), QStringLiteral("TRY"));
    w.basic(QStringLiteral("LineCountNumeric"), QString::number(d.lines.size()));
    if (!d.deliveryNoteNumber.isEmpty() && d.deliveryNoteDate.isValid()) {
        w.open(QStringLiteral("DespatchDocumentReference"));
        w.basic(QStringLiteral("ID"), d.deliveryNoteNumber);
        w.basic(QStringLiteral("IssueDate"), d.deliveryNoteDate.toString(Qt::ISODate));
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
    w.taxTotal(d.lineTotal, d.vat, percent);

    w.open(QStringLiteral("LegalMonetaryTotal"));
    w.amount(QStringLiteral("LineExtensionAmount"), d.lineTotal);
    w.amount(QStringLiteral("TaxExclusiveAmount"), d.lineTotal);
    w.amount(QStringLiteral("TaxInclusiveAmount"), d.payable);
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
        w.taxTotal(l.net, l.vat, percent);
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
