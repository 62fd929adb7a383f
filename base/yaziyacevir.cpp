#include "base/yaziyacevir.h"

#include <array>

namespace {

const std::array<QString, 10> birler = {QString(),
                                        QStringLiteral("Bir"),
                                        QStringLiteral("İki"),
                                        QStringLiteral("Üç"),
                                        QStringLiteral("Dört"),
                                        QStringLiteral("Beş"),
                                        QStringLiteral("Altı"),
                                        QStringLiteral("Yedi"),
                                        QStringLiteral("Sekiz"),
                                        QStringLiteral("Dokuz")};

const std::array<QString, 10> onlar = {QString(),
                                       QStringLiteral("On"),
                                       QStringLiteral("Yirmi"),
                                       QStringLiteral("Otuz"),
                                       QStringLiteral("Kırk"),
                                       QStringLiteral("Elli"),
                                       QStringLiteral("Altmış"),
                                       QStringLiteral("Yetmiş"),
                                       QStringLiteral("Seksen"),
                                       QStringLiteral("Doksan")};

// Scale of each three-digit group of a 15-digit number, most significant first.
const std::array<QString, 5> basamaklar = {QStringLiteral("Trilyon"), QStringLiteral("Milyar"),
                                           QStringLiteral("Milyon"), QStringLiteral("Bin"),
                                           QString()};

bool yalnizRakam(QStringView s) {
    for (QChar c : s) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

// Exactly 15 digits to words, group by group.
QString gruplariYaz(const QString &onBesRakam) {
    QString sonuc;
    for (int g = 0; g < 5; ++g) {
        const int y = onBesRakam.at(3 * g).digitValue();
        const int o = onBesRakam.at(3 * g + 1).digitValue();
        const int b = onBesRakam.at(3 * g + 2).digitValue();
        QString grup;
        if (y == 1)
            grup = QStringLiteral("Yüz");
        else if (y > 1)
            grup = birler[y] + QStringLiteral("Yüz");
        grup += onlar[o] + birler[b];
        if (!grup.isEmpty())
            grup += basamaklar[g];
        // One thousand is "Bin", never "BirBin".
        if (g == 3 && grup == QStringLiteral("BirBin"))
            grup = QStringLiteral("Bin");
        sonuc += grup;
    }
    return sonuc;
}

} // namespace

QString yaziyacevir(const QString &tutar) {
    QString s = tutar;
    s.remove(u'.');
    const qsizetype virgul = s.indexOf(u',');
    // Every caller passes a two-decimal text; without a comma there are no lira digits to read.
    if (virgul < 0)
        return QStringLiteral("ytl de Hata");

    QString sonuc;
    const bool eksi = s.startsWith(u'-');
    bool eksiKurusaGider = false;
    const QString lira = s.left(virgul).mid(eksi ? 1 : 0);
    if (!yalnizRakam(lira) || lira.size() > 15) {
        sonuc = QStringLiteral("ytl de Hata");
    } else {
        const QString kelimeler = gruplariYaz(lira.rightJustified(15, u'0'));
        if (!kelimeler.isEmpty())
            sonuc =
                (eksi ? QStringLiteral("Eksi") : QString()) + kelimeler + QStringLiteral(" YTL");
        else
            eksiKurusaGider = eksi; // -0,50 reads "EksiElli Ykr"
    }

    const QString kurus = s.mid(virgul + 1, 2);
    if (!yalnizRakam(kurus))
        return QStringLiteral("kuruş ta Hata");
    const QString kurusKelime = gruplariYaz(kurus.rightJustified(15, u'0'));
    if (!kurusKelime.isEmpty()) {
        if (eksiKurusaGider)
            sonuc += QStringLiteral("Eksi");
        sonuc += kurusKelime + QStringLiteral(" Ykr");
    }
    return sonuc;
}
