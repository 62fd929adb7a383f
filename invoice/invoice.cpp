#include "invoice/invoice.h"

#include "base/numbers.h"
#include "base/yaziyacevir.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <utility>

namespace {

const QString tooLargeMessage =
    QStringLiteral("Satır tutarı hesaplanamayacak kadar büyük; satır eklenmedi.");

// a + b, or nothing when the sum does not fit in 64 bits.
std::optional<Money> checkedSum(Money a, Money b) {
    qint64 sum = 0;
    if (__builtin_add_overflow(a.kurus(), b.kurus(), &sum))
        return std::nullopt;
    return Money::fromKurus(sum);
}

// Adds `b` to `a`; false, and `a` as it was, when the sum does not fit.
bool addTo(Money &a, Money b) {
    const std::optional<Money> sum = checkedSum(a, b);
    if (sum)
        a = *sum;
    return sum.has_value();
}

// A typed text as a message quotes it: a long one only by its beginning, so that the
// message stays readable.
QString quoted(const QString &typed) {
    constexpr qsizetype longest = 40;
    if (typed.size() <= longest)
        return typed;
    const qsizetype cut = typed.at(longest - 1).isHighSurrogate() ? longest - 1 : longest;
    return typed.left(cut) + QStringLiteral("…");
}

// What a number keeps of a typed text: the digits from the first to the last that is not 0.
// More than 15 of them are rounded away without a word.
qsizetype significantDigits(const QString &typed) {
    QString digits;
    for (const QChar c : typed)
        if (c >= u'0' && c <= u'9')
            digits += c;
    qsizetype first = 0;
    qsizetype end = digits.size();
    while (first < end && digits.at(first) == u'0')
        ++first;
    while (end > first && digits.at(end - 1) == u'0')
        --end;
    return end - first;
}

// Money texts keep 15 digits: 9.999.999.999.999,99 is the largest amount kept to the kuruş.
constexpr qsizetype keptDigits = 15;

QString beyondDigits(const QString &field) {
    return QStringLiteral("%1 15 basamağı aşıyor (en çok 9.999.999.999.999,99); satır eklenmedi.")
        .arg(field);
}

// The first figure of the invoice that a money text cannot keep to the kuruş, as the refusal.
QString figureBeyondDigits(const InvoiceFigures &f, qsizetype line) {
    if (!f.lineAmounts.at(line).fitsText())
        return beyondDigits(QStringLiteral("Satır tutarı"));
    if (!f.subtotal.fitsText())
        return beyondDigits(QStringLiteral("Ara toplam"));
    if (!f.vat.fitsText())
        return beyondDigits(QStringLiteral("KDV tutarı"));
    if (!f.grandTotal.fitsText())
        return beyondDigits(QStringLiteral("Genel toplam"));
    return QString();
}

// A typed number: empty is `empty`, anything else must read as a number.
std::optional<std::optional<double>> typedNumber(const QString &text, std::optional<double> empty) {
    if (text.trimmed().isEmpty())
        return std::optional<std::optional<double>>(empty);
    const std::optional<double> v = inputNumber(text);
    if (!v)
        return std::nullopt;
    return std::optional<std::optional<double>>(v);
}

// The VAT of the lines of one rate up to some line: taken on top, or taken out of a total
// that includes it.
std::optional<Money> vatOf(Money amount, double rate, bool included) {
    return included ? amount.includedTax(rate) : amount.percent(rate);
}

// Fills the groups and the lines' VAT; false when a figure does not fit.
bool computeVat(const Invoice &invoice, InvoiceFigures &f) {
    const bool included = invoice.vatMode == VatIncluded;
    // The lines of each rate in their order; rates compare as the numbers they are.
    std::map<double, QList<qsizetype>> byRate;
    for (qsizetype i = 0; i < invoice.lines.size(); ++i)
        byRate[*invoice.rateOf(invoice.lines.at(i))] << i;
    f.lineVat = QList<Money>(invoice.lines.size());
    // The discount of the whole invoice lowers the largest group.
    qsizetype discounted = -1;
    for (const auto &[rate, lines] : byRate) {
        VatGroup g;
        g.rate = rate;
        g.rateText = plainNumberText(rate);
        Money net;
        Money before;
        for (const qsizetype i : lines) {
            if (!addTo(net, f.lineAmounts.at(i) - f.lineDiscounts.at(i)))
                return false;
            const std::optional<Money> upTo = vatOf(net, rate, included);
            if (!upTo)
                return false;
            f.lineVat[i] = *upTo - before;
            before = *upTo;
            const InvoiceLine &line = invoice.lines.at(i);
            if (g.exemptionCode.isEmpty() && !line.exemptionCode.isEmpty()) {
                g.exemptionCode = line.exemptionCode;
                g.exemptionReason = line.exemptionReason;
            }
        }
        g.base = net;
        if (discounted < 0 || net > f.vatGroups.at(discounted).base)
            discounted = f.vatGroups.size();
        f.vatGroups << g;
    }
    if (discounted >= 0)
        f.vatGroups[discounted].base -= invoice.invoiceDiscount;
    for (VatGroup &g : f.vatGroups) {
        const std::optional<Money> vat = vatOf(g.base, g.rate, included);
        if (!vat)
            return false;
        g.vat = *vat;
        if (included)
            g.base -= g.vat;
        if (!addTo(f.vat, g.vat))
            return false;
    }
    return true;
}

const QLocale turkish(QLocale::Turkish, QLocale::Turkey);

} // namespace

void Invoice::setVatRate(const QString &text) {
    vatRateText = text;
    vatRate = inputNumber(text);
}

std::optional<double> Invoice::rateOf(const InvoiceLine &line) const {
    return line.vatRateText.trimmed().isEmpty() ? vatRate : line.vatRate;
}

QString Invoice::rateTextOf(const InvoiceLine &line) const {
    return line.vatRateText.trimmed().isEmpty() ? vatRateText.trimmed()
                                                : line.vatRateText.trimmed();
}

InvoiceFigures computeFigures(const Invoice &invoice) {
    InvoiceFigures f;
    const qsizetype n = invoice.lines.size();
    f.lineAmounts.reserve(n);
    f.lineDiscounts.reserve(n);
    bool everyRate = true;
    for (const InvoiceLine &line : invoice.lines) {
        const double exact = line.quantity * line.unitPrice;
        const std::optional<Money> amount = Money::fromLira(exact);
        std::optional<Money> discount = Money();
        if (line.discountPercent) {
            discount = Money::fromLira(exact * *line.discountPercent / 100);
            f.anyLineDiscount = true;
        }
        if (!amount || !discount || !addTo(f.subtotal, *amount) ||
            !addTo(f.discountTotal, *discount))
            f.fits = false;
        f.lineAmounts << amount.value_or(Money());
        f.lineDiscounts << discount.value_or(Money());
        everyRate = everyRate && invoice.rateOf(line).has_value();
    }
    if (!f.fits)
        return f;

    std::optional<Money> net = checkedSum(f.subtotal, -f.discountTotal);
    if (net)
        net = checkedSum(*net, -invoice.invoiceDiscount);
    if (!net) {
        f.fits = false;
        return f;
    }
    if (everyRate && !computeVat(invoice, f)) {
        f.fits = false;
        return f;
    }
    if (!everyRate)
        f.vatGroups.clear();
    if (invoice.vatMode == VatIncluded) {
        // The prices hold the VAT: what is paid is the lines less their discounts.
        f.grandTotal = *net;
        f.vatBase = *net - f.vat;
        f.hasGrandTotal = true;
    } else if (everyRate && (n > 0 || invoice.vatRate)) {
        f.vatBase = *net;
        const std::optional<Money> total = checkedSum(*net, f.vat);
        if (!total) {
            f.fits = false;
            return f;
        }
        f.grandTotal = *total;
        f.hasGrandTotal = true;
    }
    return f;
}

FigureTexts figureTexts(const Invoice &invoice, const InvoiceFigures &f) {
    FigureTexts t;
    t.subtotal = moneyText(f.subtotal);
    t.discountTotal = plainNumberText(f.discountTotal);
    if (invoice.vatMode == VatIncluded)
        t.vat = QStringLiteral("Dahil");
    else if (f.hasGrandTotal)
        t.vat = moneyText(f.vat);
    if (f.hasGrandTotal) {
        t.grandTotal = moneyText(f.grandTotal);
        t.words = yaziyacevir(t.grandTotal);
    }
    // One rate: the invoice's as typed, as the paper always showed it; several: each of them.
    const bool invoiceRateOnly =
        f.vatGroups.isEmpty() || (f.vatGroups.size() == 1 && invoice.vatRate &&
                                  f.vatGroups.first().rate == *invoice.vatRate);
    if (invoiceRateOnly) {
        t.rates = invoice.vatRateText;
    } else if (f.vatGroups.size() == 1) {
        t.rates = f.vatGroups.first().rateText;
    } else {
        QStringList rates;
        QStringList vat;
        for (const VatGroup &g : f.vatGroups) {
            rates << u'%' + g.rateText;
            vat << QStringLiteral("%%1: %2").arg(g.rateText, moneyText(g.vat));
        }
        t.rates = rates.join(QStringLiteral(" / "));
        t.vatByRate = vat.join(QStringLiteral(" · "));
    }
    return t;
}

QString addLine(Invoice &invoice, const LineInput &input, qsizetype position, LineField *refused) {
    LineField ignored = LineField::None;
    LineField &field = refused ? *refused : ignored;
    field = LineField::None;
    const auto refuse = [&field](LineField f, const QString &message) {
        field = f;
        return message;
    };
    const auto quantity = typedNumber(input.quantity, 0.0);
    const auto price = typedNumber(input.unitPrice, 0.0);
    const auto discount = typedNumber(input.discountPercent, std::nullopt);
    const auto rate = typedNumber(input.vatRate, std::nullopt);
    if (!quantity)
        return refuse(LineField::Quantity,
                      typedNumberRefusal(QStringLiteral("Miktar"), input.quantity));
    if (!price)
        return refuse(LineField::UnitPrice,
                      typedNumberRefusal(QStringLiteral("Birim fiyat"), input.unitPrice));
    if (!discount)
        return refuse(LineField::Discount,
                      typedNumberRefusal(QStringLiteral("İskonto yüzdesi"), input.discountPercent));
    if (!rate)
        return refuse(LineField::VatRate,
                      typedNumberRefusal(QStringLiteral("Satırın KDV oranı"), input.vatRate));
    const std::tuple<const QString *, const char *, LineField> typedNumbers[] = {
        {&input.quantity, "Miktar", LineField::Quantity},
        {&input.unitPrice, "Birim fiyat", LineField::UnitPrice},
        {&input.discountPercent, "İskonto yüzdesi", LineField::Discount}};
    for (const auto &[text, name, f] : typedNumbers)
        if (significantDigits(*text) > keptDigits)
            return refuse(f, QStringLiteral("%1 en fazla 15 anlamlı basamak olabilir: %2")
                                 .arg(QString::fromUtf8(name), quoted(*text)));
    if (*discount && (**discount < 0 || **discount > 100))
        return refuse(LineField::Discount,
                      QStringLiteral("İskonto yüzdesi 0 ile 100 arasında olmalı: %1")
                          .arg(quoted(input.discountPercent)));
    if (*rate && (**rate < 0 || **rate > 100))
        return refuse(LineField::VatRate, QStringLiteral("Satırın KDV oranı 0 ile 100 arasında "
                                                         "olmalı: %1")
                                              .arg(quoted(input.vatRate)));
    const bool ownRate = rate->has_value();
    if (!ownRate && invoice.vatMode != VatIncluded && invoice.vatRateText.trimmed().isEmpty())
        return refuse(LineField::InvoiceRate, QStringLiteral("KDV oranı girilmelidir!"));
    if (!ownRate && invoice.vatMode != VatIncluded && !invoice.vatRate)
        return refuse(LineField::InvoiceRate,
                      typedNumberRefusal(QStringLiteral("KDV oranı"), invoice.vatRateText));
    const std::optional<QString> unit =
        input.unit.trimmed().isEmpty() ? QStringLiteral("C62") : unitCode(input.unit);
    if (!unit)
        return refuse(LineField::Unit,
                      QStringLiteral("Birim listede yok: %1. Listeden bir birim seçiniz (Adet, "
                                     "Kg, Metre, Litre, …).")
                          .arg(quoted(input.unit)));
    const std::optional<double> lineRate = ownRate ? *rate : invoice.vatRate;
    const QString code = input.exemptionCode.trimmed();
    if (lineRate && *lineRate == 0 && code.isEmpty())
        return refuse(LineField::Exemption,
                      QStringLiteral("İstisna seçiniz: KDV oranı 0 olan satır, vergi dairesinin "
                                     "istisna kodlarından biriyle yazılır."));
    if (!code.isEmpty() && exemptionReason(code).isEmpty())
        return refuse(LineField::Exemption,
                      QStringLiteral("İstisna kodu listede yok: %1").arg(quoted(code)));

    InvoiceLine line;
    line.quantityText = input.quantity;
    line.description = input.description;
    line.discountText = input.discountPercent;
    line.unitPriceText = priceCellText(input.unitPrice);
    line.quantity = **quantity;
    line.unitPrice = **price;
    line.discountPercent = *discount;
    if (ownRate) {
        line.vatRateText = input.vatRate.trimmed();
        line.vatRate = *rate;
    }
    line.unit = *unit;
    // An exemption belongs only to a line without VAT.
    if (lineRate && *lineRate == 0) {
        line.exemptionCode = code;
        line.exemptionReason = exemptionReason(code);
    }

    Invoice changed = invoice;
    const qsizetype at =
        position < 0 || position > changed.lines.size() ? changed.lines.size() : position;
    changed.lines.insert(at, line);
    const InvoiceFigures f = computeFigures(changed);
    if (!f.fits)
        return refuse(LineField::Quantity, tooLargeMessage);
    if (const QString beyond = figureBeyondDigits(f, at); !beyond.isEmpty())
        return refuse(LineField::Quantity, beyond);
    invoice = std::move(changed);
    return QString();
}

LineInput lineInput(const InvoiceLine &line) {
    // Texts an older program stored are given back in the form the boxes read.
    const auto typed = [](const QString &text, std::optional<double> value) {
        if (text.trimmed().isEmpty() || inputNumber(text) || !value)
            return text;
        return plainNumberText(*value);
    };
    return LineInput{line.description,
                     typed(line.discountText, line.discountPercent),
                     typed(line.quantityText, line.quantity),
                     typedPriceText(line.unitPriceText),
                     typed(line.vatRateText, line.vatRate),
                     unitName(line.unit),
                     line.exemptionCode};
}

InvoiceLine storedLine(double quantity, const QString &description, const QString &discountPercent,
                       const QString &unitPriceText, double unitPrice) {
    InvoiceLine line;
    line.quantityText = plainNumberText(quantity);
    line.description = description;
    line.discountText = discountPercent;
    line.unitPriceText = unitPriceText;
    line.quantity = quantity;
    line.unitPrice = unitPrice;
    if (!discountPercent.isEmpty())
        line.discountPercent = storedNumber(discountPercent);
    return line;
}

bool appendIfFits(Invoice &invoice, const InvoiceLine &line) {
    invoice.lines.append(line);
    if (computeFigures(invoice).fits)
        return true;
    invoice.lines.removeLast();
    return false;
}

std::optional<qsizetype> appendAllOrNone(Invoice &invoice, const QList<InvoiceLine> &lines) {
    const qsizetype before = invoice.lines.size();
    invoice.lines.append(lines);
    if (computeFigures(invoice).fits)
        return std::nullopt;
    // The first line whose amounts break the sums, in one pass: a stored invoice may be long.
    Money subtotal;
    Money discounts;
    for (qsizetype i = 0; i < invoice.lines.size(); ++i) {
        const InvoiceLine &line = invoice.lines.at(i);
        const double exact = line.quantity * line.unitPrice;
        const std::optional<Money> amount = Money::fromLira(exact);
        const std::optional<Money> discount =
            line.discountPercent ? Money::fromLira(exact * *line.discountPercent / 100) : Money();
        if (!amount || !discount || !addTo(subtotal, *amount) || !addTo(discounts, *discount)) {
            invoice.lines.resize(before);
            return std::max<qsizetype>(0, i - before);
        }
    }
    invoice.lines.resize(before);
    return lines.isEmpty() ? 0 : lines.size() - 1;
}

std::optional<QString> steppedVatRate(const QString &vatRate, int step) {
    const std::optional<double> rate = inputNumber(vatRate);
    if (!rate)
        return std::nullopt;
    return plainNumberText(*rate + step);
}

const QList<Unit> &units() {
    static const QList<Unit> list = {
        {QStringLiteral("Adet"), QStringLiteral("C62")},
        {QStringLiteral("Kg"), QStringLiteral("KGM")},
        {QStringLiteral("Gram"), QStringLiteral("GRM")},
        {QStringLiteral("Metre"), QStringLiteral("MTR")},
        {QStringLiteral("Metrekare"), QStringLiteral("MTK")},
        {QStringLiteral("Litre"), QStringLiteral("LTR")},
        {QStringLiteral("Paket"), QStringLiteral("PA")},
        {QStringLiteral("Kutu"), QStringLiteral("BX")},
        {QStringLiteral("Saat"), QStringLiteral("HUR")},
        {QStringLiteral("Gün"), QStringLiteral("DAY")},
    };
    return list;
}

std::optional<QString> unitCode(const QString &typed) {
    const QString t = turkish.toLower(typed.trimmed());
    for (const Unit &u : units()) {
        if (t == turkish.toLower(u.name) || t == u.code.toLower())
            return u.code;
    }
    return std::nullopt;
}

QString unitName(const QString &code) {
    for (const Unit &u : units()) {
        if (u.code == code)
            return u.name;
    }
    return code;
}

const QList<Exemption> &exemptions() {
    // The exemptions a shop meets most, from the tax administration's code list.
    static const QList<Exemption> list = {
        {QStringLiteral("301"), QStringLiteral("11/1-a Mal İhracatı")},
        {QStringLiteral("302"), QStringLiteral("11/1-a Hizmet İhracatı")},
        {QStringLiteral("303"), QStringLiteral("11/1-a Roaming Hizmetleri")},
        {QStringLiteral("304"),
         QStringLiteral("13/a Deniz, Hava ve Demiryolu Taşıma Araçlarının Teslimi")},
        {QStringLiteral("308"), QStringLiteral("13/d Teşvikli Yatırım Mallarının Teslimi")},
        {QStringLiteral("311"), QStringLiteral("14/1 Uluslararası Taşımacılık")},
        {QStringLiteral("312"),
         QStringLiteral("15/a Diplomatik Organ ve Misyonlara Yapılan Teslim ve Hizmetler")},
        {QStringLiteral("313"),
         QStringLiteral("15/b Uluslararası Kuruluşlara Yapılan Teslim ve Hizmetler")},
        {QStringLiteral("317"),
         QStringLiteral("17/4-s Engellilerin Eğitimleri, Meslekleri ve Günlük Yaşamlarına "
                        "İlişkin Araç-Gereç ve Bilgisayar Programları")},
        {QStringLiteral("322"),
         QStringLiteral("11/1-a Türkiye'de İkamet Etmeyenlere Özel Fatura ile Yapılan "
                        "Teslimler (Bavul Ticareti)")},
        {QStringLiteral("325"), QStringLiteral("13/ı Yem Teslimleri")},
        {QStringLiteral("326"), QStringLiteral("13/ı Gübrelerin Teslimi")},
        {QStringLiteral("335"),
         QStringLiteral("13/n Basılı Kitap ve Süreli Yayınların Teslimleri")},
        {QStringLiteral("350"), QStringLiteral("Diğerleri")},
        {QStringLiteral("351"), QStringLiteral("KDV - İstisna Olmayan Diğer")},
    };
    return list;
}

QString exemptionReason(const QString &code) {
    for (const Exemption &e : exemptions()) {
        if (e.code == code.trimmed())
            return e.reason;
    }
    return QString();
}
