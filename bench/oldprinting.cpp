#include "oldprinting.h"

#include "invoice/batchrun.h"

#include <QSqlError>
#include <QSqlQuery>

int readTheOldWay(const QString &path, const QString &campaign,
                  const std::function<void(const CampaignInvoice &)> &each) {
    Database db(path);
    QSqlQuery headers(db.db());
    headers.setForwardOnly(true);
    QSqlQuery lines(db.db());
    lines.setForwardOnly(true);
    if (!headers.exec(QStringLiteral("SELECT SIRANO, FATURA_TARIHI, BOLGE, ADI_SOYADI, "
                                     "ADRESI, ISKONTO FROM \"FATCARI%1\"")
                          .arg(campaign)))
        db.fail(QStringLiteral("başlıklar okunurken"), headers.lastError().text());
    if (!lines.prepare(
            QStringLiteral("SELECT FATURANO, ACIKLAMA, MIKTAR, BR_FIYAT FROM \"FATSTOK%1\"")
                .arg(campaign)))
        db.fail(QStringLiteral("kalemler okunurken"), lines.lastError().text());
    int count = 0;
    while (headers.next()) {
        CampaignInvoice f{headers.value(0),
                          headers.value(1),
                          headers.value(2),
                          headers.value(3),
                          headers.value(4),
                          headers.value(5),
                          {}};
        if (!lines.exec())
            db.fail(QStringLiteral("kalemler okunurken"), lines.lastError().text());
        while (lines.next()) {
            if (lines.value(0) == f.sirano)
                f.lines << CampaignInvoice::Line{lines.value(1), lines.value(2), lines.value(3)};
        }
        each(f);
        ++count;
    }
    return count;
}

int printTheOldWay(Printer &printer, const ayarlar &settings, const QString &path,
                   const QString &campaign) {
    return readTheOldWay(path, campaign, [&](const CampaignInvoice &f) {
        printCampaignInvoice(printer, printLayout(settings), campaignInvoiceModel(f, settings),
                             QString());
    });
}
