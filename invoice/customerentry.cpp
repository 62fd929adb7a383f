#include "invoice/customerentry.h"

#include "base/numbers.h"

std::variant<qint64, QString> customerNumberFromText(const QString &number) {
    if (number.isEmpty())
        return QStringLiteral("Müşteri no girilmelidir!");
    if (const std::optional<qint64> n = wholeNumber(number))
        return *n;
    return QStringLiteral("Müşteri No geçersiz!");
}

std::variant<Customer, QString> customerToSave(const CustomerBoxes &boxes) {
    if (boxes.adi_soyadi.isEmpty())
        return QStringLiteral("Müşteri adı girilmelidir!");
    const std::variant<qint64, QString> number = customerNumberFromText(boxes.number);
    if (const QString *message = std::get_if<QString>(&number))
        return *message;
    return Customer{std::get<qint64>(number), boxes.adi_soyadi, boxes.adresi, boxes.adresi2,
                    boxes.vergidaire_no};
}

QString resultMessage(CustomerResult result) {
    switch (result) {
    case CustomerResult::Ok:
        break;
    case CustomerResult::NumberTaken:
        return QStringLiteral("Bu müşteri no zaten kayıtlı!");
    case CustomerResult::NotFound:
        return QStringLiteral("Müşteri bulunamadı! Bu numarayla kayıtlı müşteri yok; yeni müşteri "
                              "için önce Yeni düğmesine basınız.");
    }
    return {};
}

QString savedMessage(const Customer &customer) {
    // A long name only by its beginning, so that the message stays readable.
    const QString name = typedExcerpt(customer.adi_soyadi);
    if (name.isEmpty())
        return QStringLiteral("%1 numaralı müşteri kaydedildi.").arg(customer.sirano);
    return QStringLiteral("%1 numaralı müşteri kaydedildi: %2").arg(customer.sirano).arg(name);
}

QString deleteQuestion(qint64 number, const QString &name) {
    return QStringLiteral("%1 numaralı müşteri \"%2\" silinsin mi?\nMüşterinin faturaları "
                          "silinmez.")
        .arg(number)
        .arg(name.trimmed());
}
