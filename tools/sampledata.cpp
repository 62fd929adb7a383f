#include "tools/sampledata.h"

#include "base/numbers.h"
#include "invoice/invoice.h"
#include "settings/settingsfile.h"

#include <QDate>
#include <QFile>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>

#include <iterator>
#include <stdexcept>

namespace {

// splitmix64: small, fast and the same on every platform (the standard distributions are
// not), so a seed gives the same data everywhere.
class Zar {
public:
    explicit Zar(quint64 tohum)
        : m_durum(tohum) {}

    quint64 sonraki() {
        quint64 z = (m_durum += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    int arasi(int enAz, int enCok) { return enAz + int(sonraki() % quint64(enCok - enAz + 1)); }
    bool yuzde(int olasilik) { return arasi(0, 99) < olasilik; }
    template <class T, std::size_t N> const T &sec(const T (&dizi)[N]) {
        return dizi[sonraki() % N];
    }

private:
    quint64 m_durum;
};

// Each record has a seed of its own, so it does not depend on how many came before it.
enum Tur : quint64 { MusteriTuru = 1, FaturaTuru, FaturaMusterisi, KampanyaTuru };
quint64 kayitTohumu(quint64 tohum, Tur tur, qint64 no) {
    Zar z(tohum ^ (quint64(tur) << 56) ^ quint64(no) * 0xD6E8FEB86659FD93ULL);
    return z.sonraki();
}

QString u8(const char *s) {
    return QString::fromUtf8(s);
}

const char *const adlar[] = {"Ahmet",   "Ayşe",   "Mehmet",  "Fatma",  "Mustafa", "Emine",
                             "Hüseyin", "Hatice", "İbrahim", "Zeynep", "Şükrü",   "Gülşen",
                             "Çağrı",   "Özlem",  "Ömer",    "Işıl",   "Doğan",   "Ümit",
                             "Gökçe",   "Ilgın",  "Tuğçe",   "İsmail", "Şeyma",   "Barış"};

const char *const soyadlar[] = {"Yılmaz",   "Kaya",   "Demir",   "Şahin",   "Çelik",  "Yıldız",
                                "Yıldırım", "Öztürk", "Aydın",   "Özdemir", "Arslan", "Doğan",
                                "Kılıç",    "Aslan",  "Çetin",   "Koç",     "Kurt",   "Özkan",
                                "Şimşek",   "Güneş",  "Erdoğan", "Akgül",   "İnce",   "Türkoğlu"};

const char *const firmalar[] = {
    "Öztürk'ün Fırını", "Kaya'nın Kırtasiyesi",           "Şahin'in Bakkalı",
    "Gül'ün Çiçekçisi", "Doğan Kardeşler Tic. Ltd. Şti.", "Çelik Yapı Malzemeleri A.Ş.",
    "Güneş Eczanesi",   "İnce Oto Yedek Parça",           "Işık Elektrik Ltd. Şti.",
    "Ağaoğlu Mobilya",  "Üçler Gıda San. ve Tic. A.Ş.",   "Yörük Süt Ürünleri"};

const char *const mahalleler[] = {"Çamlıca",  "Gülbahar",   "İnönü",      "Atatürk",  "Cumhuriyet",
                                  "Yeşilköy", "Bağlarbaşı", "Şirinevler", "Kocatepe", "Üçyol"};

const char *const sokaklar[] = {"Gül Sok.",           "Ihlamur Cad.",  "Şehit Ömer Sok.",
                                "Çınar Sok.",         "İstiklal Cad.", "Menekşe Sok.",
                                "Değirmen Yolu Cad.", "Söğüt Sok."};

// A region of the batch window's list with its city and some of its districts.
struct Bolge {
    const char *bolge;
    const char *il;
    const char *ilceler[3];
};
const Bolge bolgeler[] = {
    {"ANTALYA", "Antalya", {"Muratpaşa", "Konyaaltı", "Alanya"}},
    {"ADANA", "Adana", {"Seyhan", "Çukurova", "Ceyhan"}},
    {"ANKARA", "Ankara", {"Çankaya", "Keçiören", "Yenimahalle"}},
    {"İSTANBUL", "İstanbul", {"Kadıköy", "Üsküdar", "Şişli"}},
    {"İZMİR", "İzmir", {"Karşıyaka", "Bornova", "Çiğli"}},
    {"TRABZON", "Trabzon", {"Ortahisar", "Akçaabat", "Sürmene"}},
};

struct Urun {
    const char *ad;
    double fiyat;
};
const Urun urunler[] = {
    {"Çay 1 kg", 120.50},
    {"Toz şeker 5 kg", 145},
    {"Ayçiçek yağı 5 lt", 289.90},
    {"Zeytinyağı 1 lt", 249.50},
    {"Un 10 kg", 210},
    {"Pirinç 2,5 kg", 112.75},
    {"Kırmızı mercimek 1 kg", 54.90},
    {"Bulgur 1 kg", 32.50},
    {"Makarna 500 g", 14.75},
    {"Domates salçası 830 g", 62},
    {"Beyaz peynir 1 kg", 185},
    {"Kaşar peyniri 700 g", 210.40},
    {"Süzme bal 850 g", 345},
    {"Fındık ezmesi 350 g", 98.60},
    {"Türk kahvesi 100 g", 47.25},
    {"Çamaşır deterjanı 4 kg", 189.99},
    {"Bulaşık süngeri 10'lu", 29.90},
    {"Kağıt havlu 12'li", 119.50},
    {"Çöp poşeti 50'li", 24.95},
    {"Sıvı sabun 1,5 lt", 58.40},
    {"Şampuan 600 ml", 79.90},
    {"Diş macunu 75 ml", 44.50},
    {"Buharlı ütü", 1249},
    {"Çelik çaydanlık", 549},
};

// Quantities and discount percents as a user types them.
const char *const miktarlar[] = {"1", "1", "2", "2", "3", "5", "10", "12", "24", "2,5", "0,5"};
const char *const iskontolar[] = {"5", "10", "15", "2,5", "12,5", "20"};
const double kampanyaIskontolari[] = {5, 10, 12.5, 25, 40.75};

// The draws are made one statement at a time: the order in which a function's arguments
// are evaluated is up to the compiler, and the data must not depend on it.
QString kisiAdi(Zar &z) {
    const QString ad = u8(z.sec(adlar));
    const QString soyad = u8(z.sec(soyadlar));
    return ad + QLatin1Char(' ') + soyad;
}

QString sokakAdresi(Zar &z) {
    const QString mahalle = u8(z.sec(mahalleler));
    const QString sokak = u8(z.sec(sokaklar));
    const int kapi = z.arasi(1, 120);
    const int daire = z.arasi(1, 12);
    return QStringLiteral("%1 Mah. %2 No: %3/%4").arg(mahalle, sokak).arg(kapi).arg(daire);
}

QString kdvOrani() {
    static const QString oran = varsayilanAyarlar().kdv_yuzde;
    return oran;
}

void calistir(Veritabani &db, QSqlQuery &q, const QString &neYapilirken) {
    if (!q.exec())
        db.hata(neYapilirken, q.lastError().text());
}

QSqlQuery hazir(Veritabani &db, const QString &sql, const QString &neYapilirken) {
    QSqlQuery q(db.db());
    if (!q.prepare(sql))
        db.hata(neYapilirken, q.lastError().text());
    return q;
}

QString tanimlayici(const QString &ad) {
    QString s = ad;
    s.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

} // namespace

Musteri ornekMusteri(quint64 tohum, qint64 sirano) {
    Zar z(kayitTohumu(tohum, MusteriTuru, sirano));
    const Bolge &b = z.sec(bolgeler);
    const QString ilce = u8(z.sec(b.ilceler));
    Musteri m;
    m.sirano = sirano;
    m.adi_soyadi = z.yuzde(25) ? u8(z.sec(firmalar)) : kisiAdi(z);
    m.adresi = sokakAdresi(z);
    if (z.yuzde(80))
        m.adresi2 = QStringLiteral("%1 / %2").arg(ilce, u8(b.il));
    QString vergiNo;
    for (int i = 0; i < 10; ++i)
        vergiNo += QChar(u'0' + z.arasi(0, 9));
    m.vergidaire_no = QStringLiteral("%1 V.D. %2").arg(ilce, vergiNo);
    return m;
}

namespace {

// The stored line for a typing: product, quantity and discount picked from the lists above
// (no discount is -1). The cells go through the invoice window's own arithmetic, so they are
// exactly what the program writes for the same typing; each typing is computed once.
class KalemOnbellegi {
public:
    const FaturaKalemi &kalem(int urun, int miktar, int iskonto) {
        const int anahtar = (urun * 16 + miktar) * 8 + iskonto + 1;
        auto it = m_kalemler.constFind(anahtar);
        if (it == m_kalemler.cend())
            it = m_kalemler.insert(anahtar, hesapla(urun, miktar, iskonto));
        return *it;
    }

private:
    static FaturaKalemi hesapla(int urun, int miktar, int iskonto) {
        LineInput girdi;
        girdi.description = u8(urunler[urun].ad);
        girdi.quantity = u8(miktarlar[miktar]);
        girdi.unitPrice = moneyText(urunler[urun].fiyat);
        if (iskonto >= 0)
            girdi.discountPercent = u8(iskontolar[iskonto]);
        // The cells of a line do not depend on the totals before it.
        InvoiceTotals toplam;
        const LineResult r = addLine(toplam, girdi, kdvOrani(), VatIncluded);
        if (!r.error.isEmpty())
            throw std::logic_error(r.error.toStdString());
        return {inputNumber(r.cells.quantity).value_or(0), r.cells.description, r.cells.discount,
                r.cells.unitPrice, r.cells.amount};
    }

    QHash<int, FaturaKalemi> m_kalemler;
};

template <class T, std::size_t N> int secim(Zar &z, const T (&)[N]) {
    return int(z.sonraki() % N);
}

OrnekFatura faturaYap(quint64 tohum, qint64 faturano, const Musteri &m, int kalemSayisi,
                      int kdvdahil, bool iskontolu, const QDate &tarih, KalemOnbellegi &kalemler) {
    Zar z(kayitTohumu(tohum, FaturaTuru, faturano));
    OrnekFatura f;
    FaturaBasligi &b = f.baslik;
    b.musterino = QString::number(m.sirano);
    b.adi_soyadi = m.adi_soyadi;
    b.adresi = m.adresi;
    b.adresi2 = m.adresi2;
    b.vergidaire_no = m.vergidaire_no;
    b.kdvdahil = kdvdahil;
    b.fatura_tarihi = tarih.toString(QStringLiteral("dd.MM.yyyy"));
    if (z.yuzde(60)) {
        b.irsaliye_no = QStringLiteral("A-%1").arg(z.arasi(100000, 999999));
        b.irsaliye_tarihi = tarih.addDays(-z.arasi(0, 3)).toString(QStringLiteral("dd.MM.yyyy"));
    }
    b.faturano = faturano;

    f.kalemler.reserve(kalemSayisi);
    for (int i = 0; i < kalemSayisi; ++i) {
        const int urun = secim(z, urunler);
        const int miktar = secim(z, miktarlar);
        const int iskonto = iskontolu && (i == 0 || z.yuzde(40)) ? secim(z, iskontolar) : -1;
        f.kalemler << kalemler.kalem(urun, miktar, iskonto);
    }
    return f;
}

} // namespace

OrnekFatura ornekFatura(quint64 tohum, qint64 faturano, const Musteri &m, int kalemSayisi,
                        int kdvdahil, bool iskontolu, const QDate &tarih) {
    KalemOnbellegi kalemler;
    return faturaYap(tohum, faturano, m, kalemSayisi, kdvdahil, iskontolu, tarih, kalemler);
}

int ornekKampanyaYaz(Veritabani &db, const QString &kampanya, int fatura, int kalem, bool tamKalem,
                     quint64 tohum, int yil) {
    const QString neYapilirken = QStringLiteral("örnek kampanya yazılırken");
    const QString kampanyaTablosu = tanimlayici(kampanya);
    const QString baslikTablosu = tanimlayici(QStringLiteral("FATCARI") + kampanya);
    const QString kalemTablosu = tanimlayici(QStringLiteral("FATSTOK") + kampanya);
    int satir = 0;
    db.islem([&] {
        const QString tablolar[] = {
            QStringLiteral("CREATE TABLE %1 (ADI TEXT, ACIKLAMA TEXT, BASLANGIC TEXT, BITIS TEXT)")
                .arg(kampanyaTablosu),
            QStringLiteral("CREATE TABLE %1 (SIRANO INTEGER, DAGITIM_BOLGESI TEXT, "
                           "FATURA_TARIHI TEXT, BOLGE TEXT, ADI_SOYADI TEXT, ADRESI TEXT, "
                           "ISKONTO REAL)")
                .arg(baslikTablosu),
            QStringLiteral("CREATE TABLE %1 (FATURANO INTEGER, ACIKLAMA TEXT, MIKTAR REAL, "
                           "BR_FIYAT REAL)")
                .arg(kalemTablosu),
        };
        for (const QString &sql : tablolar) {
            QSqlQuery q = hazir(db, sql, neYapilirken);
            calistir(db, q, neYapilirken);
        }
        QSqlQuery tanim =
            hazir(db, QStringLiteral("INSERT INTO %1 VALUES (?, ?, ?, ?)").arg(kampanyaTablosu),
                  neYapilirken);
        tanim.addBindValue(QStringLiteral("Yıl sonu kampanyası %1").arg(yil));
        tanim.addBindValue(u8("Bayilere özel indirimli ürün gönderimi"));
        tanim.addBindValue(QDate(yil, 11, 1).toString(Qt::ISODate));
        tanim.addBindValue(QDate(yil, 12, 31).toString(Qt::ISODate));
        calistir(db, tanim, neYapilirken);

        QSqlQuery baslik = hazir(
            db, QStringLiteral("INSERT INTO %1 VALUES (?, ?, ?, ?, ?, ?, ?)").arg(baslikTablosu),
            neYapilirken);
        QSqlQuery kalemSorgusu =
            hazir(db, QStringLiteral("INSERT INTO %1 VALUES (?, ?, ?, ?)").arg(kalemTablosu),
                  neYapilirken);
        const QDate ilkGun(yil, 11, 1);
        for (int no = 1; no <= fatura; ++no) {
            Zar z(kayitTohumu(tohum, KampanyaTuru, no));
            const Bolge &b = z.sec(bolgeler);
            const QString ilce = u8(z.sec(b.ilceler));
            baslik.bindValue(0, no);
            baslik.bindValue(1, u8(b.bolge));
            baslik.bindValue(2, ilkGun.addDays(z.arasi(0, 60)).toString(Qt::ISODate));
            baslik.bindValue(3, ilce);
            baslik.bindValue(4, kisiAdi(z));
            baslik.bindValue(5, QStringLiteral("%1 %2/%3").arg(sokakAdresi(z), ilce, u8(b.bolge)));
            baslik.bindValue(6, z.yuzde(50) ? z.sec(kampanyaIskontolari) : 0.0);
            calistir(db, baslik, neYapilirken);
            const int kalemSayisi = tamKalem ? kalem : z.arasi(1, kalem);
            for (int i = 0; i < kalemSayisi; ++i) {
                const Urun &urun = z.sec(urunler);
                kalemSorgusu.bindValue(0, no);
                kalemSorgusu.bindValue(1, u8(urun.ad));
                kalemSorgusu.bindValue(2, double(z.arasi(1, 24)));
                kalemSorgusu.bindValue(3, urun.fiyat);
                calistir(db, kalemSorgusu, neYapilirken);
                ++satir;
            }
        }
    });
    return satir;
}

OrnekVeriSonucu ornekVeritabaniYaz(const QString &yol, const OrnekVeri &a) {
    if (a.musteri < 0 || a.fatura < 0 || a.kampanyaFatura < 0 || a.kalem < 1)
        throw std::invalid_argument("Örnek veri sayıları geçersiz.");
    if (a.fatura > 0 && a.musteri == 0)
        throw std::invalid_argument("Fatura yazmak için en az bir müşteri gerekir.");
    veritabaniOlustur(yol);
    OrnekVeriSonucu sonuc;
    try {
        Veritabani db(yol, Veritabani::Erisim::Yazma);
        // The file is new and removed again when writing fails, so it needs no protection
        // against a crash: no waiting for the disk, and a cache that holds the whole write
        // instead of spilling it to the file half-way.
        for (const char *pragma : {"PRAGMA synchronous = OFF", "PRAGMA journal_mode = MEMORY",
                                   "PRAGMA cache_size = -131072"}) {
            QSqlQuery q(db.db());
            if (!q.exec(QString::fromLatin1(pragma)))
                db.hata(QStringLiteral("örnek veri yazılırken"), q.lastError().text());
        }
        db.islem([&] {
            for (int no = 1; no <= a.musteri; ++no)
                musteriEkle(db, ornekMusteri(a.tohum, no));
            sonuc.musteri = a.musteri;

            FaturaYazici yazici(db);
            KalemOnbellegi kalemler;
            const QDate ilkGun(a.yil, 1, 1);
            for (int no = 1; no <= a.fatura; ++no) {
                Zar z(kayitTohumu(a.tohum, FaturaMusterisi, no));
                const Musteri m = ornekMusteri(a.tohum, z.arasi(1, a.musteri));
                const int kalemSayisi = a.tamKalem ? a.kalem : z.arasi(1, a.kalem);
                // Every combination of VAT mode and discounts within six invoices.
                const int kdvdahil = no % 2 == 0 ? VatExcluded : VatIncluded;
                const bool iskontolu = no % 3 != 2;
                const QDate tarih =
                    ilkGun.addDays((no - 1) * qint64(ilkGun.daysInYear()) / a.fatura);
                const OrnekFatura f =
                    faturaYap(a.tohum, no, m, kalemSayisi, kdvdahil, iskontolu, tarih, kalemler);
                yazici.ekle(f.baslik, f.kalemler);
                sonuc.faturaSatiri += int(f.kalemler.size());
            }
            sonuc.fatura = a.fatura;

            if (a.kampanyaFatura > 0) {
                sonuc.kampanya = QStringLiteral("KAMPANYA%1").arg(a.yil);
                sonuc.kampanyaKalemi = ornekKampanyaYaz(db, sonuc.kampanya, a.kampanyaFatura,
                                                        a.kalem, a.tamKalem, a.tohum, a.yil);
                sonuc.kampanyaFatura = a.kampanyaFatura;
            }
        });
    } catch (...) {
        // Leave no half-made file behind: the next attempt would refuse it.
        QFile::remove(yol);
        throw;
    }
    return sonuc;
}
