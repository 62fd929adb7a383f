#include "db/invoices.h"
#include "testdb.h"

#include <QTemporaryDir>
#include <QTest>

using namespace testdb;

namespace {

FaturaBasligi baslik(qint64 no, const QString &ad = QStringLiteral("Gülşen Çelik")) {
    return {"12", ad,           "İnönü Mah. No: 4", "Kadıköy / İstanbul", "Kadıköy V.D. 1234",
            1,    "05.12.2026", "A-1001",           "04.12.2026",         no};
}

// A line without discount, as the invoice window gives it: the discount is a null text.
FaturaKalemi kalem(const QString &aciklama, double miktar = 1) {
    return {miktar, aciklama, QString(), "12.50", QString::number(miktar * 12.5)};
}

QStringList aciklamalar(const QList<KayitliSatir> &satirlar) {
    QStringList s;
    for (const KayitliSatir &r : satirlar)
        s << r.aciklama.value_or(QStringLiteral("<NULL>"));
    return s;
}

const QString tumSatirlar = QStringLiteral("SELECT rowid, * FROM faturalar ORDER BY rowid");

} // namespace

class TestInvoices : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void kayitVeOkuma();
    void eskiTablo();
    void yarimKalanDegistirme_data();
    void yarimKalanDegistirme();

private:
    QTemporaryDir m_dizin;
    QString m_yol;
};

void TestInvoices::init() {
    m_yol = m_dizin.filePath(QStringLiteral("%1.MDB").arg(QTest::currentTestFunction()));
    QFile::remove(m_yol);
    veritabaniOlustur(m_yol);
}

void TestInvoices::kayitVeOkuma() {
    Veritabani db(m_yol, Veritabani::Erisim::Yazma);
    for (const qint64 no : {10, 9, 100, 2})
        QVERIFY(yeniFaturaKaydet(db, baslik(no), {kalem("Çay", 2.5), kalem("Şeker"), kalem("Un")}));
    // Numbers, not texts: 9 before 10, 100 last; each once however many lines it has.
    QCOMPARE(faturaNumaralari(db), (QList<qint64>{2, 9, 10, 100}));

    // Three lines are three rows, each with the whole header; a discount or a box left
    // empty is the empty text, never NULL.
    QCOMPARE(satirlar(m_yol, QStringLiteral("SELECT count(*), musterino, adi_soyadi, adresi, "
                                            "adresi2, vergidaire_no, kdvdahil, fatura_tarihi, "
                                            "irsaliye_no, irsaliye_tarihi, typeof(iskonto), "
                                            "iskonto FROM faturalar WHERE faturano = 9 GROUP BY "
                                            "2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12")),
             (QList<QVariantList>{{3, "12", "Gülşen Çelik", "İnönü Mah. No: 4",
                                   "Kadıköy / İstanbul", "Kadıköy V.D. 1234", 1, "05.12.2026",
                                   "A-1001", "04.12.2026", "text", ""}}));
    const QList<KayitliSatir> okunan = faturaSatirlari(db, 9);
    QCOMPARE(aciklamalar(okunan), (QStringList{"Çay", "Şeker", "Un"}));
    QVERIFY(okunan.at(0).miktar == 2.5 && okunan.at(0).iskonto == QString());

    // A stored number is refused, nothing written.
    const QList<QVariantList> once = satirlar(m_yol, tumSatirlar);
    QVERIFY(!yeniFaturaKaydet(db, baslik(9, QStringLiteral("Başkası")), {kalem("c")}));
    QCOMPARE(satirlar(m_yol, tumSatirlar), once);
}

void TestInvoices::eskiTablo() {
    // A table as another program made it: columns spelled in capitals, an index that holds
    // every column (SQLite would read rows in its order if the query did not ask for the
    // order they were added in), and a second invoice under a stored number joined to it,
    // so that the rows of invoice 5 lie between those of 6.
    sql(m_yol,
        {QStringLiteral("DROP TABLE faturalar"),
         QStringLiteral("CREATE TABLE faturalar (MUSTERINO TEXT, ADI_SOYADI TEXT, ADRESI TEXT, "
                        "ADRESI2 TEXT, VERGIDAIRE_NO TEXT, KDVDAHIL INTEGER, FATURA_TARIHI TEXT, "
                        "IRSALIYE_NO TEXT, IRSALIYE_TARIHI TEXT, FATURANO INTEGER, MIKTAR REAL, "
                        "ACIKLAMA TEXT, ISKONTO TEXT, BR_FIYAT TEXT, TUTAR TEXT)"),
         QStringLiteral("CREATE INDEX baska ON faturalar(FATURANO, ACIKLAMA, MUSTERINO, "
                        "ADI_SOYADI, ADRESI, ADRESI2, VERGIDAIRE_NO, KDVDAHIL, FATURA_TARIHI, "
                        "IRSALIYE_NO, IRSALIYE_TARIHI, MIKTAR, ISKONTO, BR_FIYAT, TUTAR)"),
         QStringLiteral("INSERT INTO faturalar (FATURANO, ACIKLAMA) VALUES (5, 'Zeytin'), "
                        "(6, 'Elma'), (5, 'Armut'), (6, 'Kiraz'), (5, 'Muz')")});
    Veritabani db(m_yol, Veritabani::Erisim::Yazma);
    QCOMPARE(aciklamalar(faturaSatirlari(db, 5)), (QStringList{"Zeytin", "Armut", "Muz"}));

    // Invoices written after one another, then the first one replaced: its new rows come
    // back in the order of the new lines.
    QVERIFY(yeniFaturaKaydet(db, baslik(7), {kalem("c"), kalem("a"), kalem("b")}));
    QVERIFY(yeniFaturaKaydet(db, baslik(8), {kalem("z")}));
    faturaDegistir(db, baslik(7), {kalem("ş"), kalem("b", 3), kalem("ç"), kalem("a")});
    QVERIFY(yeniFaturaKaydet(db, baslik(9), {kalem("y")}));
    const QList<KayitliSatir> r = faturaSatirlari(db, 7);
    QCOMPARE(aciklamalar(r), (QStringList{"ş", "b", "ç", "a"}));
    // "FATURANO" and "faturano" are one column; replaced by no lines, an invoice is gone.
    faturaDegistir(db, baslik(8), {});
    QCOMPARE(faturaNumaralari(db), (QList<qint64>{5, 6, 7, 9}));
    QCOMPARE((QVariantList{r.at(1).faturano.value_or(0), r.at(1).miktar.value_or(0),
                           r.at(1).adi_soyadi.value_or(""), r.at(1).tutar.value_or("")}),
             (QVariantList{7, 3.0, "Gülşen Çelik", "37.5"}));
}

void TestInvoices::yarimKalanDegistirme_data() {
    QTest::addColumn<QString>("tetik");
    // Fails at the n-th row written, or while the old rows are deleted.
    const QString ekleme =
        QStringLiteral("CREATE TRIGGER dur BEFORE INSERT ON faturalar "
                       "WHEN (SELECT count(*) FROM faturalar WHERE faturano = NEW.faturano) >= %1 "
                       "BEGIN SELECT RAISE(ABORT, 'disk dolu'); END");
    QTest::newRow("ilk satır") << ekleme.arg(0);
    QTest::newRow("son satır") << ekleme.arg(3);
    QTest::newRow("silerken") << QStringLiteral("CREATE TRIGGER dur BEFORE DELETE ON faturalar "
                                                "WHEN OLD.aciklama = 'b' "
                                                "BEGIN SELECT RAISE(ABORT, 'disk dolu'); END");
}

// A replacement that fails half-way leaves the old invoice whole: old or new, never neither.
void TestInvoices::yarimKalanDegistirme() {
    QFETCH(QString, tetik);
    Veritabani db(m_yol, Veritabani::Erisim::Yazma);
    QVERIFY(yeniFaturaKaydet(db, baslik(7), {kalem("a"), kalem("b"), kalem("c")}));
    QVERIFY(yeniFaturaKaydet(db, baslik(8), {kalem("x")}));
    sql(m_yol, {tetik});
    const QList<QVariantList> once = satirlar(m_yol, tumSatirlar);

    const QString metin = hata([&] {
        faturaDegistir(db, baslik(7, QStringLiteral("Hüseyin Öztürk")),
                       {kalem("a"), kalem("b"), kalem("c"), kalem("d")});
    });
    QVERIFY2(metin.contains(u"7 numaralı fatura") && metin.contains(u"disk dolu") &&
                 metin.contains(m_yol),
             qPrintable(metin));
    QCOMPARE(satirlar(m_yol, tumSatirlar), once);
    // The same connection goes on working.
    QVERIFY(yeniFaturaKaydet(db, baslik(9), {}));
}

QTEST_GUILESS_MAIN(TestInvoices)
#include "tst_invoices.moc"
