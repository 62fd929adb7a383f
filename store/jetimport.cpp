#include "store/jetimport.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QTime>
#include <QVariant>

// glib first: mdbtools.h includes it inside extern "C" otherwise.
#include <glib.h>

#include <mdbtools.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

namespace {

struct MdbKapat {
    void operator()(MdbHandle *mdb) const { mdb_close(mdb); }
};
struct TabloBirak {
    void operator()(MdbTableDef *tablo) const { mdb_free_tabledef(tablo); }
};
using MdbDosyasi = std::unique_ptr<MdbHandle, MdbKapat>;
using MdbTablosu = std::unique_ptr<MdbTableDef, TabloBirak>;

// libmdb copies every value into a buffer of the "bind size". A memo that does not fit
// comes back cut short; the table is then read again with a larger size, up to the last.
size_t ilkTamponBoyu = 64 * 1024;
constexpr size_t enBuyukTamponBoyu = 64 * 1024 * 1024;
// Large objects are copied a page at a time into the same buffers, whatever the bind size.
constexpr size_t enKucukTampon = 8192;
constexpr qint64 ilerlemeAraligi = 250;

QString tirnakla(const QString &ad) {
    QString s = ad;
    s.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

// What a Jet column becomes.
enum class Tur { Tamsayi, Ondalik, Tek, Metin, Tarih, Ikili, Ole };

Tur turu(int mdbTuru) {
    switch (mdbTuru) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_COMPLEX:
        return Tur::Tamsayi;
    case MDB_MONEY:
    case MDB_DOUBLE:
    case MDB_NUMERIC:
        return Tur::Ondalik;
    case MDB_FLOAT:
        return Tur::Tek;
    case MDB_DATETIME:
        return Tur::Tarih;
    case MDB_BINARY:
        return Tur::Ikili;
    case MDB_OLE:
        return Tur::Ole;
    default: // text, memo, replication ids and anything newer
        return Tur::Metin;
    }
}

QString sqlTuru(Tur tur) {
    switch (tur) {
    case Tur::Tamsayi:
        return QStringLiteral("INTEGER");
    case Tur::Ondalik:
    case Tur::Tek:
        return QStringLiteral("REAL");
    case Tur::Ikili:
    case Tur::Ole:
        return QStringLiteral("BLOB");
    case Tur::Metin:
    case Tur::Tarih:
        break;
    }
    return QStringLiteral("TEXT");
}

struct Kolon {
    MdbColumn *mdb = nullptr;
    QString ad;
    Tur tur = Tur::Metin;
    QString hedefAdi;          // column in the new database; empty when it is not copied
    int yer = -1;              // position in the INSERT
    bool programMetni = false; // a text column of the program's own tables
    QByteArray tampon;
    int uzunluk = 0;
    qint64 okunamayanTarih = 0;
};

// libmdb prints numbers with the C library's printf, so the decimal point follows the
// process locale; accept either mark (it never groups thousands).
QByteArray noktali(const char *s, int n) {
    QByteArray b(s, n);
    b.replace(',', '.');
    return b.trimmed();
}

std::optional<qint64> tamsayi(const QByteArray &b) {
    qint64 v = 0;
    const auto [son, hata] = std::from_chars(b.constData(), b.constData() + b.size(), v);
    if (hata != std::errc() || son != b.constData() + b.size())
        return std::nullopt;
    return v;
}

template <class T> std::optional<T> ondalik(const QByteArray &b) {
    T v = 0;
    const auto [son, hata] = std::from_chars(b.constData(), b.constData() + b.size(), v);
    if (hata != std::errc() || son != b.constData() + b.size())
        return std::nullopt;
    return v;
}

// A single-precision value as the number it was typed as: 0.05 rather than 0.0500000007.
std::optional<double> tekDeger(const QByteArray &b) {
    const std::optional<float> f = ondalik<float>(b);
    if (!f)
        return std::nullopt;
    char kisa[32];
    const auto [son, hata] = std::to_chars(kisa, kisa + sizeof kisa, *f);
    if (hata != std::errc())
        return double(*f);
    return ondalik<double>(QByteArray(kisa, int(son - kisa)));
}

int rakamlar(const char *s, int n) {
    int v = 0;
    for (int i = 0; i < n; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return -1;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

// The date text libmdb was told to write ("%Y-%m-%d %H:%M:%S"). A date it cannot place
// (before 1899-12-30, or too far ahead) comes out as day 0 of 1900 and is invalid here.
std::optional<QDateTime> tarih(const char *s, int n) {
    if (n != 19 || s[4] != '-' || s[7] != '-' || s[10] != ' ' || s[13] != ':' || s[16] != ':')
        return std::nullopt;
    const QDate gun(rakamlar(s, 4), rakamlar(s + 5, 2), rakamlar(s + 8, 2));
    const QTime saat(rakamlar(s + 11, 2), rakamlar(s + 14, 2), rakamlar(s + 17, 2));
    if (!gun.isValid() || !saat.isValid())
        return std::nullopt;
    return QDateTime(gun, saat);
}

QString tarihMetni(const QDateTime &t, bool programMetni) {
    // The program's own date texts are Turkish (dd.MM.yyyy); other tables get ISO dates.
    const QString gun = t.date().toString(programMetni ? QStringLiteral("dd.MM.yyyy")
                                                       : QStringLiteral("yyyy-MM-dd"));
    if (t.time() == QTime(0, 0))
        return gun;
    return gun + QLatin1Char(' ') + t.time().toString(QStringLiteral("HH:mm:ss"));
}

// The current row's value of one bound column. `kesik` is set when a text may have been
// cut short by the bind size.
QVariant deger(MdbHandle *mdb, Kolon &k, bool &kesik) {
    const char *s = k.tampon.constData();
    const int n = k.uzunluk;
    switch (k.tur) {
    case Tur::Ole: {
        if (n == 0)
            return QVariant();
        size_t boy = 0;
        void *veri = mdb_ole_read_full(mdb, k.mdb, &boy);
        const QByteArray b(static_cast<const char *>(veri), qsizetype(boy));
        free(veri);
        return b;
    }
    case Tur::Ikili: {
        // libmdb hands binary values over as C strings, cut at the first zero byte; the
        // row's own bytes are still in its page buffer.
        const int bas = k.mdb->cur_value_start;
        const int boy = k.mdb->cur_value_len;
        if (boy <= 0 || bas < 0 || bas + boy > int(sizeof mdb->pg_buf))
            return QVariant();
        return QByteArray(reinterpret_cast<const char *>(mdb->pg_buf) + bas, boy);
    }
    default:
        break;
    }
    if (n == 0) // NULL; libmdb gives an empty text the same way
        return QVariant();
    switch (k.tur) {
    case Tur::Tamsayi:
        if (const auto v = tamsayi(noktali(s, n)))
            return *v;
        break;
    case Tur::Ondalik:
        if (const auto v = ondalik<double>(noktali(s, n)))
            return *v;
        break;
    case Tur::Tek:
        if (const auto v = tekDeger(noktali(s, n)))
            return *v;
        break;
    case Tur::Tarih:
        if (const auto t = tarih(s, n))
            return tarihMetni(*t, k.programMetni);
        ++k.okunamayanTarih;
        return QVariant();
    default:
        if (size_t(n) + 4 >= mdb->bind_size)
            kesik = true;
        break;
    }
    return QString::fromUtf8(s, n);
}

// The columns of one table of the new database, as SQLite lists them.
struct ProgramTablosu {
    QString ad;
    QStringList kolonlar;
    QStringList turler;
    bool kaynaktaVar = false;
};

QList<ProgramTablosu> programTablolari(Veritabani &db) {
    QList<ProgramTablosu> tablolar;
    QSqlQuery q(db.db());
    if (!q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                               "ORDER BY rowid")))
        db.hata(QStringLiteral("tablolar okunurken"), q.lastError().text());
    while (q.next())
        tablolar.append({q.value(0).toString(), {}, {}, false});
    for (ProgramTablosu &t : tablolar) {
        if (!q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(tirnakla(t.ad))))
            db.hata(QStringLiteral("tablo okunurken"), q.lastError().text());
        while (q.next()) {
            t.kolonlar << q.value(1).toString();
            t.turler << q.value(2).toString().toUpper();
        }
    }
    return tablolar;
}

QString surumAdi(const MdbHandle *mdb) {
    switch (mdb->f->jet_version) {
    case MDB_VER_JET3:
        return QStringLiteral("Jet 3");
    case MDB_VER_JET4:
        return QStringLiteral("Jet 4");
    default:
        return QStringLiteral("ACE");
    }
}

[[noreturn]] void yazmaHatasi(const QString &hedef, const QString &neYapilirken,
                              const QString &motor) {
    throw VeritabaniHatasi(
        QStringLiteral("Aktarma yapılamadı (%1): %2\n%3").arg(neYapilirken, hedef, motor));
}

[[noreturn]] void yazmaHatasi(const QString &hedef, const QString &tablo, const QSqlError &e) {
    yazmaHatasi(hedef, QStringLiteral("%1 tablosu yazılırken").arg(tablo), e.text());
}

class Aktarici {
public:
    Aktarici(MdbHandle *mdb, Veritabani &db, const QString &hedef,
             const AktarmaIlerlemesi &ilerleme, AktarmaRaporu &rapor)
        : m_mdb(mdb)
        , m_db(db)
        , m_hedef(hedef)
        , m_ilerleme(ilerleme)
        , m_rapor(rapor)
        , m_programTablolari(programTablolari(db)) {}

    void tablo(MdbCatalogEntry *girdi);
    void eksikProgramTablolari();

private:
    QString hazirla(const QString &kaynakAdi, std::vector<Kolon> &kolonlar);
    qint64 satirlariKopyala(MdbTableDef *tablo, const QString &kaynakAdi, const QString &hedefAdi,
                            std::vector<Kolon> &kolonlar, QSqlQuery &ekle);
    void ilerle(const QString &tablo, qint64 yapilan, qint64 toplam) {
        if (m_ilerleme && !m_ilerleme(tablo, yapilan, toplam))
            throw AktarmaDurduruldu();
    }

    MdbHandle *m_mdb;
    Veritabani &m_db;
    QString m_hedef;
    const AktarmaIlerlemesi &m_ilerleme;
    AktarmaRaporu &m_rapor;
    QList<ProgramTablosu> m_programTablolari;
};

// Decides where each source column goes and creates the table when it is not one of the
// program's. Returns the name of the table in the new database.
QString Aktarici::hazirla(const QString &kaynakAdi, std::vector<Kolon> &kolonlar) {
    ProgramTablosu *program = nullptr;
    for (ProgramTablosu &t : m_programTablolari)
        if (t.ad.compare(kaynakAdi, Qt::CaseInsensitive) == 0)
            program = &t;

    if (!program) {
        QStringList tanimlar;
        for (Kolon &k : kolonlar) {
            k.hedefAdi = k.ad;
            tanimlar << tirnakla(k.ad) + QLatin1Char(' ') + sqlTuru(k.tur);
        }
        QSqlQuery q(m_db.db());
        if (!q.exec(QStringLiteral("CREATE TABLE %1 (%2)")
                        .arg(tirnakla(kaynakAdi), tanimlar.join(QStringLiteral(", ")))))
            yazmaHatasi(m_hedef, kaynakAdi, q.lastError());
        return kaynakAdi;
    }

    program->kaynaktaVar = true;
    QStringList bulunan, atilan, eksik;
    for (Kolon &k : kolonlar) {
        for (qsizetype i = 0; i < program->kolonlar.size(); ++i) {
            if (program->kolonlar[i].compare(k.ad, Qt::CaseInsensitive) == 0) {
                k.hedefAdi = program->kolonlar[i];
                k.programMetni = program->turler[i] == QLatin1String("TEXT");
                bulunan << k.hedefAdi;
            }
        }
        if (k.hedefAdi.isEmpty())
            atilan << k.ad;
    }
    for (const QString &ad : std::as_const(program->kolonlar))
        if (!bulunan.contains(ad))
            eksik << ad;
    const QString ayrac = QStringLiteral(", ");
    if (!atilan.isEmpty())
        m_rapor.notlar << QStringLiteral(
                              "%1: programın tablosunda olmayan sütunlar aktarılmadı: %2.")
                              .arg(program->ad, atilan.join(ayrac));
    if (!eksik.isEmpty())
        m_rapor.notlar << QStringLiteral("%1: kaynakta olmayan sütunlar boş kaldı: %2.")
                              .arg(program->ad, eksik.join(ayrac));
    return program->ad;
}

void Aktarici::tablo(MdbCatalogEntry *girdi) {
    const QString kaynakAdi = QString::fromUtf8(girdi->object_name);
    MdbTablosu tablo(mdb_read_table(girdi));
    if (!tablo || !mdb_read_columns(tablo.get()))
        throw VeritabaniHatasi(
            QStringLiteral("Access dosyasındaki %1 tablosu okunamadı.").arg(kaynakAdi));

    std::vector<Kolon> kolonlar(tablo->num_cols);
    for (unsigned i = 0; i < tablo->num_cols; ++i) {
        auto *sutun = static_cast<MdbColumn *>(g_ptr_array_index(tablo->columns, i));
        kolonlar[i].mdb = sutun;
        kolonlar[i].ad = QString::fromUtf8(sutun->name);
        kolonlar[i].tur = turu(sutun->col_type);
    }
    const QString hedefAdi = hazirla(kaynakAdi, kolonlar);

    QStringList adlar, yerler;
    for (Kolon &k : kolonlar) {
        if (k.hedefAdi.isEmpty())
            continue;
        k.yer = int(adlar.size());
        adlar << tirnakla(k.hedefAdi);
        yerler << QStringLiteral("?");
    }

    QSqlQuery ekle(m_db.db());
    const QString sql =
        adlar.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(tirnakla(hedefAdi))
                        : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                              .arg(tirnakla(hedefAdi), adlar.join(QStringLiteral(", ")),
                                   yerler.join(QStringLiteral(", ")));
    if (!ekle.prepare(sql))
        yazmaHatasi(m_hedef, hedefAdi, ekle.lastError());

    const qint64 satir = satirlariKopyala(tablo.get(), kaynakAdi, hedefAdi, kolonlar, ekle);

    // The file keeps each table's row count; reading fewer rows means damaged pages.
    if (satir != qint64(tablo->num_rows))
        throw VeritabaniHatasi(QStringLiteral("Access dosyasındaki %1 tablosu %2 satır bildiriyor, "
                                              "%3 satır okunabildi; dosya bozuk olabilir.")
                                   .arg(kaynakAdi)
                                   .arg(tablo->num_rows)
                                   .arg(satir));
    for (const Kolon &k : kolonlar)
        if (k.okunamayanTarih > 0)
            m_rapor.notlar << QStringLiteral("%1.%2: %3 tarih okunamadı (1899 öncesi ya da "
                                             "çok ileri), boş bırakıldı.")
                                  .arg(kaynakAdi, k.ad)
                                  .arg(k.okunamayanTarih);
    m_rapor.tablolar.append({kaynakAdi, hedefAdi, satir});
}

qint64 Aktarici::satirlariKopyala(MdbTableDef *tablo, const QString &kaynakAdi,
                                  const QString &hedefAdi, std::vector<Kolon> &kolonlar,
                                  QSqlQuery &ekle) {
    const qint64 toplam = tablo->num_rows;
    for (size_t boy = ilkTamponBoyu;; boy *= 16) {
        mdb_set_bind_size(m_mdb, boy);
        for (unsigned i = 0; i < kolonlar.size(); ++i) {
            Kolon &k = kolonlar[i];
            k.okunamayanTarih = 0;
            if (k.yer < 0)
                continue; // not bound: libmdb does not even decode it
            k.tampon = QByteArray(qsizetype(std::max(boy, enKucukTampon)), '\0');
            k.uzunluk = 0;
            if (mdb_bind_column(tablo, int(i) + 1, k.tampon.data(), &k.uzunluk) < 0)
                throw VeritabaniHatasi(
                    QStringLiteral("Access dosyasındaki %1 tablosunun %2 sütunu okunamadı.")
                        .arg(kaynakAdi, k.ad));
        }
        mdb_rewind_table(tablo);
        ilerle(kaynakAdi, 0, toplam);

        qint64 satir = 0;
        bool kesik = false;
        while (!kesik && mdb_fetch_row(tablo)) {
            for (Kolon &k : kolonlar)
                if (k.yer >= 0 && k.tur != Tur::Ole)
                    ekle.bindValue(k.yer, deger(m_mdb, k, kesik));
            // Large objects last: reading them moves libmdb through other pages.
            for (Kolon &k : kolonlar)
                if (k.yer >= 0 && k.tur == Tur::Ole)
                    ekle.bindValue(k.yer, deger(m_mdb, k, kesik));
            if (kesik)
                break;
            if (!ekle.exec())
                yazmaHatasi(m_hedef, hedefAdi, ekle.lastError());
            if (++satir % ilerlemeAraligi == 0)
                ilerle(kaynakAdi, satir, std::max(toplam, satir));
        }
        if (!kesik) {
            ilerle(kaynakAdi, satir, std::max(toplam, satir));
            return satir;
        }
        if (boy * 16 > enBuyukTamponBoyu)
            throw VeritabaniHatasi(
                QStringLiteral("Access dosyasındaki %1 tablosunda aktarılamayacak kadar uzun "
                               "bir metin var.")
                    .arg(kaynakAdi));
        QSqlQuery sil(m_db.db());
        if (!sil.exec(QStringLiteral("DELETE FROM %1").arg(tirnakla(hedefAdi))))
            yazmaHatasi(m_hedef, hedefAdi, sil.lastError());
    }
}

void Aktarici::eksikProgramTablolari() {
    for (const ProgramTablosu &t : std::as_const(m_programTablolari))
        if (!t.kaynaktaVar)
            m_rapor.notlar
                << QStringLiteral("Kaynakta %1 tablosu yok; boş olarak oluşturuldu.").arg(t.ad);
}

// Fills the new file `gecici` (which does not exist yet) from the Jet file.
AktarmaRaporu doldur(const QString &kaynak, const QString &gecici, const QString &hedef,
                     const AktarmaIlerlemesi &ilerleme) {
    veritabaniOlustur(gecici);
    Veritabani db(gecici, Veritabani::Erisim::Yazma);

    // Turkish Access 97 files: without this libmdb reads Jet 3 text as Windows-1252.
    qputenv("MDB_JET3_CHARSET", "CP1254");
    MdbDosyasi mdb(mdb_open(QFile::encodeName(kaynak).constData(), MDB_NOFLAGS));
    if (!mdb)
        throw VeritabaniHatasi(QStringLiteral("Access dosyası açılamadı: %1").arg(kaynak));
    // The default formats follow the locale; these are read back in deger().
    mdb_set_date_fmt(mdb.get(), "%Y-%m-%d %H:%M:%S");
    mdb_set_shortdate_fmt(mdb.get(), "%Y-%m-%d %H:%M:%S");
    mdb_set_boolean_fmt_numbers(mdb.get());

    AktarmaRaporu rapor;
    rapor.surum = surumAdi(mdb.get());
    GPtrArray *katalog = mdb_read_catalog(mdb.get(), MDB_TABLE);
    if (!katalog)
        throw VeritabaniHatasi(
            QStringLiteral("Access dosyasının tablo listesi okunamadı: %1").arg(kaynak));

    Aktarici aktarici(mdb.get(), db, hedef, ilerleme, rapor);
    // One transaction, so that a failure leaves nothing half-written even in the temporary
    // file; errors name the target rather than the temporary file.
    QSqlDatabase &baglanti = db.db();
    if (!baglanti.transaction())
        yazmaHatasi(hedef, QStringLiteral("işlem başlatılırken"), baglanti.lastError().text());
    try {
        for (guint i = 0; i < katalog->len; ++i) {
            auto *girdi = static_cast<MdbCatalogEntry *>(g_ptr_array_index(katalog, i));
            if (girdi->object_type == MDB_TABLE && mdb_is_user_table(girdi))
                aktarici.tablo(girdi);
        }
    } catch (...) {
        baglanti.rollback();
        throw;
    }
    if (!baglanti.commit()) {
        const QString metin = baglanti.lastError().text();
        baglanti.rollback();
        yazmaHatasi(hedef, QStringLiteral("kayıt tamamlanırken"), metin);
    }
    aktarici.eksikProgramTablolari();
    return rapor;
}

// Reads the finished file again, through a connection of its own: every table must hold
// exactly the rows that were read from the source.
void dogrula(const QString &gecici, const QString &hedef, const AktarmaRaporu &rapor) {
    Veritabani db(gecici);
    QSqlQuery q(db.db());
    if (!q.exec(QStringLiteral("PRAGMA quick_check")) || !q.next() ||
        q.value(0).toString() != QLatin1String("ok"))
        throw VeritabaniHatasi(QStringLiteral("Aktarılan veritabanı bozuk çıktı: %1\n%2")
                                   .arg(hedef, q.lastError().isValid() ? q.lastError().text()
                                                                       : q.value(0).toString()));
    for (const AktarilanTablo &t : rapor.tablolar) {
        if (!q.exec(QStringLiteral("SELECT count(*) FROM %1").arg(tirnakla(t.hedefAdi))) ||
            !q.next())
            throw VeritabaniHatasi(QStringLiteral("Aktarılan %1 tablosu okunamadı: %2\n%3")
                                       .arg(t.hedefAdi, hedef, q.lastError().text()));
        const qint64 sayi = q.value(0).toLongLong();
        if (sayi != t.satirSayisi)
            throw VeritabaniHatasi(
                QStringLiteral("%1 tablosunun satır sayısı tutmuyor: kaynakta %2, aktarılanda %3.")
                    .arg(t.hedefAdi)
                    .arg(t.satirSayisi)
                    .arg(sayi));
    }
}

// A name beside `hedef` that nothing uses yet.
QString geciciAd(const QString &hedef) {
    for (;;) {
        const QString ad =
            QStringLiteral("%1.aktariliyor-%2")
                .arg(hedef)
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        if (!QFileInfo::exists(ad) && !QFileInfo::exists(ad + QStringLiteral("-journal")))
            return ad;
    }
}

void geciciyiSil(const QString &ad) {
    for (const char *ek : {"", "-journal", "-wal", "-shm"})
        QFile::remove(ad + QLatin1String(ek));
}

// The first of `ad`, `ad`2, `ad`3, ... that does not exist.
QString bosAd(const QString &ad) {
    QString aday = ad;
    for (int i = 2; QFileInfo::exists(aday) || QFileInfo(aday).isSymLink(); ++i)
        aday = ad + QString::number(i);
    return aday;
}

} // namespace

AktarmaDurduruldu::AktarmaDurduruldu()
    : VeritabaniHatasi(QStringLiteral("Aktarma durduruldu.")) {}

AktarmaRaporu jetAktar(const QString &kaynak, const QString &hedef,
                       const AktarmaIlerlemesi &ilerleme) {
    switch (dosyaTuru(kaynak)) {
    case DosyaTuru::Jet:
        break;
    case DosyaTuru::Yok:
        throw VeritabaniHatasi(QStringLiteral("Kaynak dosya bulunamadı: %1").arg(kaynak));
    default:
        throw VeritabaniHatasi(
            QStringLiteral("Bu dosya bir Access (Jet) veritabanı değil: %1").arg(kaynak));
    }
    const QFileInfo hedefBilgisi(hedef);
    if (hedefBilgisi.exists() || hedefBilgisi.isSymLink())
        throw VeritabaniHatasi(
            QStringLiteral("Hedef dosya zaten var, üzerine yazılmaz: %1").arg(hedef));
    const QFileInfo klasor(hedefBilgisi.absolutePath());
    if (!klasor.isDir())
        throw VeritabaniHatasi(
            QStringLiteral("Hedef klasör bulunamadı: %1").arg(klasor.filePath()));
    if (!klasor.isWritable())
        throw VeritabaniHatasi(
            QStringLiteral("Hedef klasöre yazılamıyor: %1").arg(klasor.filePath()));

    const QString gecici = geciciAd(hedef);
    auto temizle = qScopeGuard([&] { geciciyiSil(gecici); });
    const AktarmaRaporu rapor = doldur(kaynak, gecici, hedef, ilerleme);
    dogrula(gecici, hedef, rapor);
    // Never replaces a file that appeared meanwhile.
    if (!QFile::rename(gecici, hedef))
        throw VeritabaniHatasi(
            QFileInfo::exists(hedef)
                ? QStringLiteral("Hedef dosya zaten var, üzerine yazılmaz: %1").arg(hedef)
                : QStringLiteral("Aktarılan dosyaya son adı verilemedi: %1").arg(hedef));
    temizle.dismiss();
    return rapor;
}

void jetIlkTamponBoyu(size_t boy) {
    ilkTamponBoyu = std::max<size_t>(boy, 32);
}

QString eskiDosyaAdi(const QString &yol) {
    return bosAd(yol + QStringLiteral(".eski"));
}

DonusturmeSonucu jetVeritabaniniDonustur(const QString &yol, const AktarmaIlerlemesi &ilerleme) {
    const auto basarisiz = [&](const QString &neden) {
        return VeritabaniHatasi(
            QStringLiteral("Veritabanı aktarılamadı: %1\n%2\nEski dosya olduğu gibi duruyor.")
                .arg(yol, neden));
    };
    if (dosyaTuru(yol) != DosyaTuru::Jet)
        throw basarisiz(QStringLiteral("Dosya eski biçimde (Access/Jet) değil."));

    DonusturmeSonucu sonuc;
    const QString yeni = bosAd(yol + QStringLiteral(".yeni"));
    try {
        sonuc.rapor = jetAktar(yol, yeni, ilerleme);
    } catch (const AktarmaDurduruldu &) {
        throw;
    } catch (const std::exception &e) {
        throw basarisiz(QString::fromUtf8(e.what()));
    }

    sonuc.eskiDosya = eskiDosyaAdi(yol);
    if (!QFile::rename(yol, sonuc.eskiDosya)) {
        QFile::remove(yeni);
        throw basarisiz(
            QStringLiteral("Eski dosyanın adı değiştirilemedi: %1").arg(sonuc.eskiDosya));
    }
    if (!QFile::rename(yeni, yol)) {
        if (!QFile::rename(sonuc.eskiDosya, yol))
            throw VeritabaniHatasi(
                QStringLiteral("Veritabanı aktarılamadı: %1\nEski dosya şimdi %2, aktarılan "
                               "dosya %3 adını taşıyor; eski dosyanın adını geri verin.")
                    .arg(yol, sonuc.eskiDosya, yeni));
        QFile::remove(yeni);
        throw basarisiz(QStringLiteral("Yeni dosyaya veritabanının adı verilemedi."));
    }
    return sonuc;
}
