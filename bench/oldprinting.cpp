#include "oldprinting.h"

#include "invoice/batchrun.h"

#include <QSqlError>
#include <QSqlQuery>

int eskiYontemleOku(const QString &yol, const QString &kampanya,
                    const std::function<void(const KampanyaFaturasi &)> &her) {
    Veritabani db(yol);
    QSqlQuery basliklar(db.db());
    basliklar.setForwardOnly(true);
    QSqlQuery kalemler(db.db());
    kalemler.setForwardOnly(true);
    if (!basliklar.exec(QStringLiteral("SELECT SIRANO, FATURA_TARIHI, BOLGE, ADI_SOYADI, "
                                       "ADRESI, ISKONTO FROM \"FATCARI%1\"")
                            .arg(kampanya)))
        db.hata(QStringLiteral("başlıklar okunurken"), basliklar.lastError().text());
    if (!kalemler.prepare(
            QStringLiteral("SELECT FATURANO, ACIKLAMA, MIKTAR, BR_FIYAT FROM \"FATSTOK%1\"")
                .arg(kampanya)))
        db.hata(QStringLiteral("kalemler okunurken"), kalemler.lastError().text());
    int basilan = 0;
    while (basliklar.next()) {
        KampanyaFaturasi f{basliklar.value(0),
                           basliklar.value(1),
                           basliklar.value(2),
                           basliklar.value(3),
                           basliklar.value(4),
                           basliklar.value(5),
                           {}};
        if (!kalemler.exec())
            db.hata(QStringLiteral("kalemler okunurken"), kalemler.lastError().text());
        while (kalemler.next()) {
            if (kalemler.value(0) == f.sirano)
                f.kalemler << KampanyaFaturasi::Kalem{kalemler.value(1), kalemler.value(2),
                                                      kalemler.value(3)};
        }
        her(f);
        ++basilan;
    }
    return basilan;
}

int eskiYontemleBasim(Printer &printer, const ayarlar &settings, const QString &yol,
                      const QString &kampanya) {
    return eskiYontemleOku(yol, kampanya, [&](const KampanyaFaturasi &f) {
        printCampaignInvoice(printer, settings, f, QString());
    });
}
