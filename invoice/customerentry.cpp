#include "invoice/customerentry.h"

#include "base/numbers.h"

std::variant<qint64, QString> musteriNoMetni(const QString &no) {
    if (no.isEmpty())
        return QStringLiteral("Müşteri no girilmelidir!");
    if (const std::optional<qint64> n = wholeNumber(no))
        return *n;
    return QStringLiteral("Müşteri No geçersiz!");
}

std::variant<Musteri, QString> kaydedilecekMusteri(const MusteriKutulari &kutular) {
    if (kutular.adi_soyadi.isEmpty())
        return QStringLiteral("Müşteri adı girilmelidir!");
    const std::variant<qint64, QString> no = musteriNoMetni(kutular.no);
    if (const QString *mesaj = std::get_if<QString>(&no))
        return *mesaj;
    return Musteri{std::get<qint64>(no), kutular.adi_soyadi, kutular.adresi, kutular.adresi2,
                   kutular.vergidaire_no};
}

QString sonucMesaji(MusteriSonucu sonuc) {
    switch (sonuc) {
    case MusteriSonucu::Tamam:
        break;
    case MusteriSonucu::NoKayitli:
        return QStringLiteral("Bu müşteri no zaten kayıtlı!");
    case MusteriSonucu::Bulunamadi:
        return QStringLiteral("Müşteri bulunamadı!");
    }
    return {};
}
