#include "db/invoices.h"
#include "invoice/numbers.h"
#include "testdb.h"

#include <QTemporaryDir>
#include <QTest>

using namespace testdb;

namespace {

FaturaBasligi baslik(qint64 no, const QString &ad = QStringLiteral("Gülşen Çelik")) {
    FaturaBasligi b;
    b.musterino = QStringLiteral("12");
    b.adi_soyadi = ad;
    b.adresi = QStringLiteral("İnönü Mah. Çınar Sok. No: 4");
    b.adresi2 = QStringLiteral("Kadıköy / İstanbul");
    b.vergidaire_no = QStringLiteral("Kadıköy V.D. 1234567890");
    b.kdvdahil = 1;
    b.fatura_tarihi = QStringLiteral("05.12.2026");
    b.irsaliye_no = QStringLiteral("A-1001");
    b.irsaliye_tarihi = QStringLiteral("04.12.2026");
    b.faturano = no;
    return b;
}

FaturaKalemi kalem(const QString &aciklama, double miktar = 1) {
    return {miktar, aciklama, QStringLiteral("10"), QStringLiteral("12.50"),
            moneyText(miktar * 12.5)};
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
    void ucKalemUcSatir();
    void numaralar();
    void eklemeSirasi();
    void bosMetinlerNullDegil();
    void kolonAdlarininHarfi();
    void numaraMetinleri_data();
    void numaraMetinleri();
    void kayitliNumaraReddedilir();
    void degistirme();
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

void TestInvoices::ucKalemUcSatir() {
    Veritabani db(m_yol, Veritabani::Erisim::Yazma);
    QVERIFY(
        yeniFaturaKaydet(db, baslik(41),
                         {kalem(QStringLiteral("Çay 1 kg"), 2.5), kalem(QStringLiteral("Şeker")),
                          kalem(QStringLiteral("Un 10 kg"), 3)}));
    QVERIFY(yeniFaturaKaydet(db, baslik(42, QStringLiteral("Başka")), {kalem("x")}));

    // Every row carries the whole header.
    const QList<QVariantList> rows =
        satirlar(m_yol, QStringLiteral("SELECT musterino, adi_soyadi, adresi, adresi2, "
                                       "vergidaire_no, kdvdahil, fatura_tarihi, irsaliye_no, "
                                       "irsaliye_tarihi, faturano FROM faturalar "
                                       "WHERE faturano = 41"));
    QCOMPARE(rows.size(), 3);
    const QVariantList beklenen = {"12",
                                   "Gülşen Çelik",
                                   "İnönü Mah. Çınar Sok. No: 4",
                                   "Kadıköy / İstanbul",
                                   "Kadıköy V.D. 1234567890",
                                   1,
                                   "05.12.2026",
                                   "A-1001",
                                   "04.12.2026",
                                   41};
    for (const QVariantList &r : rows) {
        QCOMPARE(r.size(), beklenen.size());
        for (int i = 0; i < r.size(); ++i)
            QCOMPARE(r.at(i).toString(), beklenen.at(i).toString());
    }

    const QList<KayitliSatir> okunan = faturaSatirlari(db, 41);
    QCOMPARE(aciklamalar(okunan), (QStringList{"Çay 1 kg", "Şeker", "Un 10 kg"}));
    QCOMPARE(okunan.at(0).miktar, 2.5);
    QCOMPARE(okunan.at(0).tutar, QStringLiteral("31,25"));
    QCOMPARE(okunan.at(1).kdvdahil, 1);
    QCOMPARE(faturaSatirlari(db, 43).size(), 0);
}

void TestInvoices::numaralar() {
    Veritabani db(m_yol, Veritabani::Erisim::Yazma);
    QCOMPARE(faturaNumaralari(db), QList<qint64>{});
    for (const qint64 no : {10, 9, 100, 2, 11})
        QVERIFY(yeniFaturaKaydet(db, baslik(no), {kalem("a"), kalem("b"), kalem("c")}));
    // Numbers, not texts: 9 before 10 and 100 last; each once however many lines it has.
    QCOMPARE(faturaNumaralari(db), (QList<qint64>{2, 9, 10, 11, 100}));
}

void TestInvoices::eklemeSirasi() {
    // An older database, where a second invoice under a stored number joined its rows:
    // the rows of invoice 5 lie between those of invoice 6.
    const QString ekle =
        QStringLiteral("INSERT INTO faturalar (faturano, aciklama, iskonto) VALUES (%1, '%2', '')");
    // An index of another program's that holds every column would have SQLite read the
    // rows in its order if the query did not ask for the order they were added in.
    sql(m_yol, {QStringLiteral("CREATE INDEX baska ON faturalar(faturano, aciklama, musterino, "
                               "adi_soyadi, adresi, adresi2, vergidaire_no, kdvdahil, "
                               "fatura_tarihi, irsaliye_no, irsaliye_tarihi, miktar, iskonto, "
                               "br_fiyat, tutar)"),
                ekle.arg(5).arg("Zeytin"), ekle.arg(6).arg("Elma"), ekle.arg(5).arg("Armut"),
                ekle.arg(6).arg("Kiraz"), ekle.arg(5).arg("Muz")});
    Veritabani db(m_yol, Veritabani::Erisim::Yazma);
    QCOMPARE(aciklamalar(faturaSatirlari(db, 5)), (QStringList{"Zeytin", "Armut", "Muz"}));
    QCOMPARE(aciklamalar(faturaSatirlari(db, 6)), (QStringList{"Elma", "Kiraz"}));

    // Invoices written after one another, then the first one replaced: its new rows come
    // back in the order of the new lines, not in any order of their texts.
    QVERIFY(yeniFaturaKaydet(db, baslik(7), {kalem("c"), kalem("a"), kalem("b")}));
    QVERIFY(yeniFaturaKaydet(db, baslik(8), {kalem("z")}));
    faturaDegistir(db, baslik(7), {kalem("ş"), kalem("b"), kalem("ç"), kalem("a")});
    QVERIFY(yeniFaturaKaydet(db, baslik(9), {kalem("y")}));
    QCOMPARE(aciklamalar(faturaSatirlari(db, 7)), (QStringList{"ş", "b", "ç", "a"}));
    QCOMPARE(aciklamalar(faturaSatirlari(db, 5)), (QStringList{"Zeytin", "Armut", "Muz"}));
}

void TestInvoices::bosMetinlerNullDegil() {
    FaturaBasligi b;
    b.faturano = 3;
    b.adi_soyadi = QStringLiteral("Ali");
    FaturaKalemi k;
    k.miktar = 2;
    k.aciklama = QStringLiteral("İndirimsiz");
    k.br_fiyat = QStringLiteral("5");
    k.tutar = QStringLiteral("10,00");
    QVERIFY(k.iskonto.isNull());
    {
        Veritabani db(m_yol, Veritabani::Erisim::Yazma);
        QVERIFY(yeniFaturaKaydet(db, b, {k}));
    }
    // A box left empty is the empty text, never NULL.
    QCOMPARE(satirlar(m_yol, QStringLiteral("SELECT typeof(iskonto), iskonto, typeof(adresi2), "
                                            "typeof(irsaliye_no), typeof(musterino) "
                                            "FROM faturalar")),
             (QList<QVariantList>{{"text", "", "text", "text", "text"}}));

    // Read back, the empty text stays a value and a NULL (from another program) stays none.
    sql(m_yol, {QStringLiteral("INSERT INTO faturalar (faturano, aciklama) VALUES (4, NULL)")});
    Veritabani db(m_yol);
    const KayitliSatir bos = faturaSatirlari(db, 3).value(0);
    QCOMPARE(bos.iskonto, QString());
    QVERIFY(bos.iskonto.has_value());
    const KayitliSatir null = faturaSatirlari(db, 4).value(0);
    QVERIFY(!null.iskonto.has_value());
    QVERIFY(!null.aciklama.has_value());
    QVERIFY(!null.miktar.has_value());
    QVERIFY(!null.kdvdahil.has_value());
    QCOMPARE(null.faturano, 4);
}

void TestInvoices::kolonAdlarininHarfi() {
    // A table whose columns are spelled in capitals, as another program may have made it.
    sql(m_yol,
        {QStringLiteral("DROP TABLE faturalar"),
         QStringLiteral("CREATE TABLE faturalar (MUSTERINO TEXT, ADI_SOYADI TEXT, ADRESI TEXT, "
                        "ADRESI2 TEXT, VERGIDAIRE_NO TEXT, KDVDAHIL INTEGER, FATURA_TARIHI TEXT, "
                        "IRSALIYE_NO TEXT, IRSALIYE_TARIHI TEXT, FATURANO INTEGER, MIKTAR REAL, "
                        "ACIKLAMA TEXT, ISKONTO TEXT, BR_FIYAT TEXT, TUTAR TEXT)"),
         QStringLiteral("CREATE INDEX f ON faturalar(FATURANO)")});
    Veritabani db(m_yol, Veritabani::Erisim::Yazma);
    QVERIFY(yeniFaturaKaydet(db, baslik(15), {kalem("Çay", 3)}));
    QVERIFY(!yeniFaturaKaydet(db, baslik(15), {kalem("Çay", 3)}));
    QCOMPARE(faturaNumaralari(db), QList<qint64>{15});
    const KayitliSatir r = faturaSatirlari(db, 15).value(0);
    QCOMPARE(r.faturano, 15);
    QCOMPARE(r.miktar, 3.0);
    QCOMPARE(r.adi_soyadi, QStringLiteral("Gülşen Çelik"));
    QCOMPARE(r.iskonto, QStringLiteral("10"));
    QCOMPARE(r.tutar, QStringLiteral("37,50"));
    QCOMPARE(satirlar(m_yol, QStringLiteral("SELECT FATURANO, faturano, miktar FROM faturalar")),
             (QList<QVariantList>{{15, 15, 3.0}}));
}

void TestInvoices::numaraMetinleri_data() {
    QTest::addColumn<QString>("metin");
    QTest::addColumn<bool>("sayi");
    QTest::addColumn<qint64>("deger");
    QTest::newRow("sayı") << "12" << true << qint64(12);
    QTest::newRow("boşluklu") << " 12 " << true << qint64(12);
    QTest::newRow("eksi") << "-3" << true << qint64(-3);
    QTest::newRow("koşul") << "1 or 1=1" << false << qint64(0);
    QTest::newRow("harfli") << "12a" << false << qint64(0);
    QTest::newRow("tırnaklı") << "1'; DELETE FROM faturalar; --" << false << qint64(0);
    QTest::newRow("boş") << "" << false << qint64(0);
}

void TestInvoices::numaraMetinleri() {
    // The functions take numbers only; a typed text becomes one through this check, and
    // what fails it never reaches a query.
    QFETCH(QString, metin);
    QFETCH(bool, sayi);
    QFETCH(qint64, deger);
    const std::optional<qint64> n = wholeNumber(metin);
    QCOMPARE(n.has_value(), sayi);
    if (sayi)
        QCOMPARE(*n, deger);
}

void TestInvoices::kayitliNumaraReddedilir() {
    Veritabani db(m_yol, Veritabani::Erisim::Yazma);
    QVERIFY(yeniFaturaKaydet(db, baslik(20), {kalem("a"), kalem("b")}));
    const QList<QVariantList> once = satirlar(m_yol, tumSatirlar);
    QVERIFY(!yeniFaturaKaydet(db, baslik(20, QStringLiteral("Başkası")), {kalem("c")}));
    QCOMPARE(satirlar(m_yol, tumSatirlar), once);
    QVERIFY(yeniFaturaKaydet(db, baslik(21), {kalem("c")}));
    QCOMPARE(faturaNumaralari(db), (QList<qint64>{20, 21}));
}

void TestInvoices::degistirme() {
    Veritabani db(m_yol, Veritabani::Erisim::Yazma);
    QVERIFY(yeniFaturaKaydet(db, baslik(30), {kalem("a"), kalem("b"), kalem("c")}));
    QVERIFY(yeniFaturaKaydet(db, baslik(31), {kalem("x")}));
    const QList<QVariantList> baska =
        satirlar(m_yol, QStringLiteral("SELECT rowid, * FROM faturalar WHERE faturano = 31"));

    // Three lines plus one: exactly four rows, each with the new header.
    FaturaBasligi yeni = baslik(30, QStringLiteral("Hüseyin Öztürk"));
    yeni.kdvdahil = 0;
    faturaDegistir(db, yeni, {kalem("a"), kalem("b"), kalem("c"), kalem("d")});
    const QList<KayitliSatir> r = faturaSatirlari(db, 30);
    QCOMPARE(aciklamalar(r), (QStringList{"a", "b", "c", "d"}));
    for (const KayitliSatir &s : r) {
        QCOMPARE(s.adi_soyadi, QStringLiteral("Hüseyin Öztürk"));
        QCOMPARE(s.kdvdahil, 0);
    }
    QCOMPARE(satirlar(m_yol, QStringLiteral("SELECT rowid, * FROM faturalar WHERE faturano = 31")),
             baska);

    // Replaced by no lines at all, the invoice is gone.
    faturaDegistir(db, yeni, {});
    QCOMPARE(faturaNumaralari(db), QList<qint64>{31});
}

void TestInvoices::yarimKalanDegistirme_data() {
    QTest::addColumn<QString>("tetik");
    // Fails at the n-th row written, or while the old rows are deleted.
    const QString ekleme =
        QStringLiteral("CREATE TRIGGER dur BEFORE INSERT ON faturalar "
                       "WHEN (SELECT count(*) FROM faturalar WHERE faturano = NEW.faturano) >= %1 "
                       "BEGIN SELECT RAISE(ABORT, 'disk dolu'); END");
    QTest::newRow("ilk satır") << ekleme.arg(0);
    QTest::newRow("ikinci satır") << ekleme.arg(1);
    QTest::newRow("son satır") << ekleme.arg(3);
    QTest::newRow("silerken") << QStringLiteral("CREATE TRIGGER dur BEFORE DELETE ON faturalar "
                                                "WHEN OLD.aciklama = 'b' "
                                                "BEGIN SELECT RAISE(ABORT, 'disk dolu'); END");
}

void TestInvoices::yarimKalanDegistirme() {
    QFETCH(QString, tetik);
    {
        Veritabani db(m_yol, Veritabani::Erisim::Yazma);
        QVERIFY(yeniFaturaKaydet(db, baslik(7), {kalem("a"), kalem("b"), kalem("c")}));
        QVERIFY(yeniFaturaKaydet(db, baslik(8), {kalem("x")}));
    }
    sql(m_yol, {tetik});
    const QList<QVariantList> once = satirlar(m_yol, tumSatirlar);

    Veritabani db(m_yol, Veritabani::Erisim::Yazma);
    const QString metin = hata([&] {
        faturaDegistir(db, baslik(7, QStringLiteral("Yeni Müşteri")),
                       {kalem("a"), kalem("b"), kalem("c"), kalem("d")});
    });
    QVERIFY2(metin.contains(u"7 numaralı fatura") && metin.contains(u"disk dolu") &&
                 metin.contains(m_yol),
             qPrintable(metin));
    // Old or new, never neither: here the old invoice, whole.
    QCOMPARE(satirlar(m_yol, tumSatirlar), once);
    QCOMPARE(aciklamalar(faturaSatirlari(db, 7)), (QStringList{"a", "b", "c"}));
    // The same connection goes on working.
    QVERIFY(yeniFaturaKaydet(db, baslik(9), {}));
}

QTEST_GUILESS_MAIN(TestInvoices)
#include "tst_invoices.moc"
