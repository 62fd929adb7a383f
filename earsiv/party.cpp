#include "earsiv/party.h"

#include <QLocale>
#include <QRegularExpression>
#include <QSet>

namespace {

// The words of a name: blanks of any kind between them.
QStringList words(const QString &name) {
    return name.simplified().split(u' ', Qt::SkipEmptyParts);
}

bool looksLikeEmail(const QString &s) {
    static const QRegularExpression email(QStringLiteral("^[^@\\s]+@[^@\\s]+\\.[^@\\s]+$"));
    return email.match(s).hasMatch();
}

const QLocale turkish(QLocale::Turkish, QLocale::Turkey);

QString quotedOrEmpty(const QString &s) {
    return s.isEmpty() ? QStringLiteral("boş") : u'"' + s + u'"';
}

} // namespace

bool looksLikeCompany(const QString &name) {
    static const QSet<QString> marks = {
        QStringLiteral("ltd"),        QStringLiteral("şti"),         QStringLiteral("limited"),
        QStringLiteral("aş"),         QStringLiteral("anonim"),      QStringLiteral("şirketi"),
        QStringLiteral("şirket"),     QStringLiteral("koll"),        QStringLiteral("kollektif"),
        QStringLiteral("kom"),        QStringLiteral("komandit"),    QStringLiteral("koop"),
        QStringLiteral("kooperatif"), QStringLiteral("kooperatifi"), QStringLiteral("holding"),
        QStringLiteral("san"),        QStringLiteral("sanayi"),      QStringLiteral("tic"),
        QStringLiteral("ticaret")};
    const QString lower = turkish.toLower(name);
    // "Ltd.Şti." by its letters, "A.Ş." by its words without their dots.
    static const QRegularExpression nonLetters(QStringLiteral("[^\\p{L}]+"));
    QStringList words = lower.split(nonLetters, Qt::SkipEmptyParts);
    for (QString w : lower.split(u' ', Qt::SkipEmptyParts))
        words << w.remove(u'.').remove(u',');
    for (const QString &w : words) {
        if (marks.contains(w))
            return true;
    }
    return false;
}

QString sellerProblem(const SellerRecord &s) {
    const QString number = s.taxNumber.trimmed();
    if (number.isEmpty())
        return QStringLiteral("VKN ya da TCKN giriniz!");
    if (!digitsOnly(number) || (number.size() != 10 && number.size() != 11))
        return QStringLiteral("VKN 10, TCKN 11 haneli bir sayı olmalıdır!");
    if (number.size() == 10 && !validVkn(number))
        return QStringLiteral("VKN geçersiz: kontrol hanesi tutmuyor!");
    if (number.size() == 11 && !validTckn(number))
        return QStringLiteral("TCKN geçersiz: kontrol haneleri tutmuyor!");
    if (number.size() == 10 && s.title.trimmed().isEmpty())
        return QStringLiteral("Unvan giriniz!");
    if (number.size() == 11 && s.firstName.trimmed().isEmpty())
        return QStringLiteral("Adı giriniz!");
    if (number.size() == 11 && s.familyName.trimmed().isEmpty())
        return QStringLiteral("Soyadı giriniz!");
    if (s.taxOffice.trimmed().isEmpty())
        return QStringLiteral("Vergi dairesini giriniz!");
    if (s.street.trimmed().isEmpty())
        return QStringLiteral("Adresi giriniz!");
    if (s.district.trimmed().isEmpty())
        return QStringLiteral("İlçeyi giriniz!");
    if (s.city.trimmed().isEmpty())
        return QStringLiteral("İli giriniz!");
    if (!s.email.trimmed().isEmpty() && !looksLikeEmail(s.email.trimmed()))
        return QStringLiteral("E-posta adresi geçersiz!");
    static const QRegularExpression prefix(QStringLiteral("^[A-Z0-9]{3}$"));
    if (!prefix.match(s.seriesPrefix).hasMatch())
        return QStringLiteral(
            "Seri öneki 3 karakter olmalıdır: büyük harf (A-Z) ya da rakam, örneğin ABC!");
    if (!s.efaturaPrefix.isEmpty() && !prefix.match(s.efaturaPrefix).hasMatch())
        return QStringLiteral("e-Fatura seri öneki 3 karakter olmalıdır: büyük harf (A-Z) ya da "
                              "rakam, örneğin EFA!");
    if (s.efaturaPrefix == s.seriesPrefix)
        return QStringLiteral("e-Fatura seri öneki e-Arşiv seri önekinden farklı olmalıdır: her "
                              "belge türünün numaraları kendi serisinde sıralanır!");
    if (s.efaturaProfile != QLatin1String("TEMELFATURA") &&
        s.efaturaProfile != QLatin1String("TICARIFATURA"))
        return QStringLiteral("e-Fatura senaryosu TEMELFATURA ya da TICARIFATURA olmalıdır!");
    if (s.sendType != QLatin1String("KAGIT") && s.sendType != QLatin1String("ELEKTRONIK"))
        return QStringLiteral("e-Arşiv gönderim şekli KAGIT ya da ELEKTRONIK olmalıdır!");
    return QString();
}

EArsivParty sellerParty(const SellerRecord &s) {
    EArsivParty p;
    p.id = s.taxNumber.trimmed();
    p.person = p.id.size() == 11;
    if (p.person) {
        p.firstName = s.firstName.simplified();
        p.familyName = s.familyName.simplified();
    } else {
        p.title = s.title.simplified();
    }
    p.taxOffice = s.taxOffice.simplified();
    p.street = s.street.simplified();
    p.district = s.district.simplified();
    p.city = s.city.simplified();
    p.phone = s.phone.simplified();
    p.email = s.email.trimmed();
    return p;
}

std::variant<EArsivParty, QString> buyerParty(const InvoiceHeader &h) {
    const QString customer = h.customerName.simplified();
    EArsivParty p;
    if (const std::optional<TaxOfficeAndNumber> found = taxOfficeAndNumber(h.taxOffice)) {
        p.id = found->number;
        p.taxOffice = found->office;
    }
    if (p.id.isEmpty() || p.id == finalConsumerNumber()) {
        if (looksLikeCompany(customer))
            return QStringLiteral("müşteri (%1) bir şirket, ama vergi kutusunda vergi kimlik "
                                  "numarası yok; şirkete fatura VKN ile düzenlenir, nihai "
                                  "tüketici olarak yazılamaz. Müşteri kartında vergi kutusuna "
                                  "vergi dairesini ve 10 haneli VKN'yi yazınız, örneğin "
                                  "\"Kadıköy 1234567890\".")
                .arg(customer);
        p.id = finalConsumerNumber();
        p.finalConsumer = true;
    } else if (p.id.size() == 10 && !validVkn(p.id)) {
        return QStringLiteral("müşterinin (%1) vergi numarası geçersiz: %2 (kontrol hanesi "
                              "tutmuyor).")
            .arg(customer, p.id);
    } else if (p.id.size() == 11 && !validTckn(p.id)) {
        return QStringLiteral("müşterinin (%1) TC kimlik numarası geçersiz: %2 (kontrol "
                              "haneleri tutmuyor).")
            .arg(customer, p.id);
    }
    p.person = p.id.size() == 11;
    if (p.person) {
        QStringList name = words(customer);
        if (name.size() < 2)
            return QStringLiteral("müşterinin adı (%1) ad ve soyad olarak yazılmalıdır "
                                  "(TC kimlik numaralı ya da nihai tüketici alıcı).")
                .arg(customer);
        p.familyName = name.takeLast();
        p.firstName = name.join(u' ');
    } else {
        p.title = customer;
    }
    p.street = h.address.simplified();
    const QString line2 = h.address2.simplified();
    const qsizetype slash = line2.lastIndexOf(u'/');
    if (slash >= 0) {
        p.district = line2.left(slash).trimmed();
        p.city = line2.mid(slash + 1).trimmed();
    }
    if (p.district.isEmpty() || p.city.isEmpty())
        return QStringLiteral("müşterinin (%1) ikinci adres satırında ilçe ve il yok (%2); "
                              "faturada ikisi de yazılır. Müşteri kartında ikinci adres "
                              "satırını \"İlçe / İl\" biçiminde yazınız, örneğin \"Kadıköy / "
                              "İstanbul\".")
            .arg(customer, quotedOrEmpty(line2));
    return p;
}
