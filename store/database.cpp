#include "store/database.h"

#include <QAtomicInteger>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace {

QString yeniBaglantiAdi() {
    static QAtomicInteger<quint64> sayac;
    return QStringLiteral("fatura-%1").arg(++sayac);
}

const char *const semaKomutlari[] = {
    "CREATE TABLE MUSTERI (sirano INTEGER, adi_soyadi TEXT, adresi TEXT, adresi2 TEXT, "
    "vergidaire_no TEXT)",
    "CREATE TABLE faturalar (musterino TEXT, adi_soyadi TEXT, adresi TEXT, adresi2 TEXT, "
    "vergidaire_no TEXT, kdvdahil INTEGER, fatura_tarihi TEXT, irsaliye_no TEXT, "
    "irsaliye_tarihi TEXT, faturano INTEGER, miktar REAL, aciklama TEXT, iskonto TEXT, "
    "br_fiyat TEXT, tutar TEXT)",
    "CREATE INDEX faturalar_faturano ON faturalar(faturano)",
    "CREATE INDEX musteri_sirano ON MUSTERI(sirano)",
    "CREATE INDEX musteri_adi_soyadi ON MUSTERI(adi_soyadi)",
};

// Writable for this program: the system allows it and the file is not marked read-only
// for everyone. The second test keeps a read-only mark meaningful for the superuser too,
// whom the system would let write anyway.
bool yazilabilir(const QFileInfo &bilgi) {
    const auto yazmaIzni =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return bilgi.isWritable() && (bilgi.permissions() & yazmaIzni);
}

// A write cut short (the program killed, the power gone) leaves its journal beside the file,
// and only a connection that may write can roll it back: a read-only one refuses the file.
// Let a writing connection do that first; if it cannot, the read reports the failure.
void yarimKalanIslemiGeriAl(const QString &yol) {
    const QFileInfo bilgi(yol);
    if (!QFileInfo::exists(yol + QStringLiteral("-journal")) || !yazilabilir(bilgi) ||
        !yazilabilir(QFileInfo(bilgi.absolutePath())))
        return;
    const QString baglanti = yeniBaglantiAdi();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), baglanti);
        db.setDatabaseName(yol);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (db.open()) {
            // The first read of the file is what rolls the journal back.
            QSqlQuery q(db);
            q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(baglanti);
}

} // namespace

VeritabaniHatasi::VeritabaniHatasi(const QString &mesaj)
    : std::runtime_error(mesaj.toStdString()) {}

QString VeritabaniHatasi::mesaj() const {
    return QString::fromUtf8(what());
}

DosyaTuru dosyaTuru(const QString &yol) {
    QFile f(yol);
    if (!QFileInfo(yol).isFile() || !f.open(QIODevice::ReadOnly))
        return DosyaTuru::Yok;
    const QByteArray bas = f.read(32);
    if (bas.isEmpty())
        return DosyaTuru::Bos;
    if (bas.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return DosyaTuru::SQLite;
    // Jet 3/4 and ACE files carry their engine's name at byte 4.
    const QByteArray imza = bas.mid(4, 15);
    if (imza == "Standard Jet DB" || imza == "Standard ACE DB")
        return DosyaTuru::Jet;
    return DosyaTuru::Bilinmiyor;
}

QString veritabaniYolu(const QString &ayardakiYol) {
    const QString yol = ayardakiYol.trimmed();
    return yol.isEmpty() ? QStringLiteral("fatura.MDB") : yol;
}

QString metinDegeri(const QString &s) {
    return s.isNull() ? QStringLiteral("") : s;
}

Veritabani::Veritabani(const QString &yol, Erisim erisim)
    : m_yol(yol)
    , m_baglanti(yeniBaglantiAdi()) {
    switch (dosyaTuru(yol)) {
    case DosyaTuru::Yok:
        if (QFileInfo(yol).isFile())
            throw VeritabaniHatasi(QStringLiteral("Veritabanı okunamıyor: %1").arg(yol));
        throw VeritabaniHatasi(QStringLiteral("Veritabanı bulunamadı: %1").arg(yol));
    case DosyaTuru::Jet:
        throw VeritabaniHatasi(
            QStringLiteral("Bu veritabanı eski biçimde (Access/Jet): %1\n"
                           "Önce aktarılması gerekir: programı yeniden açın ve aktarmayı "
                           "onaylayın ya da fatura-aktar aracını kullanın.")
                .arg(yol));
    case DosyaTuru::Bos:
    case DosyaTuru::Bilinmiyor:
        throw VeritabaniHatasi(QStringLiteral("Bu dosya bir veritabanı değil: %1").arg(yol));
    case DosyaTuru::SQLite:
        break;
    }
    if (erisim == Erisim::Yazma) {
        // SQLite writes its journal beside the file, so the folder must be writable too.
        const QFileInfo bilgi(yol);
        if (!yazilabilir(bilgi))
            throw VeritabaniHatasi(
                QStringLiteral("Veritabanına yazılamıyor (salt okunur): %1").arg(yol));
        if (!yazilabilir(QFileInfo(bilgi.absolutePath())))
            throw VeritabaniHatasi(QStringLiteral("Veritabanının bulunduğu klasöre yazılamıyor: %1")
                                       .arg(bilgi.absolutePath()));
    }
    if (erisim == Erisim::Okuma)
        yarimKalanIslemiGeriAl(yol);
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_baglanti);
    m_db.setDatabaseName(yol);
    if (erisim == Erisim::Okuma)
        m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
    else
        m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!m_db.open()) {
        const QString metin = m_db.lastError().text();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_baglanti);
        throw VeritabaniHatasi(QStringLiteral("Veritabanı açılamadı: %1\n%2").arg(yol, metin));
    }
    // A file with an SQLite header can still be damaged; find out now, not mid-operation.
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
        const QString metin = q.lastError().text();
        q = QSqlQuery();
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_baglanti);
        throw VeritabaniHatasi(
            QStringLiteral("Bu dosya bir veritabanı değil ya da bozuk: %1\n%2").arg(yol, metin));
    }
}

Veritabani::~Veritabani() {
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_baglanti);
}

void Veritabani::tabloGerekli(const QString &tablo) {
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral(
        "SELECT 1 FROM sqlite_master WHERE type IN ('table','view') AND name = ? COLLATE NOCASE"));
    q.addBindValue(tablo);
    if (!q.exec())
        hata(QStringLiteral("tablo aranırken"), q.lastError().text());
    if (!q.next())
        throw VeritabaniHatasi(
            QStringLiteral("Veritabanında %1 tablosu yok: %2").arg(tablo, m_yol));
}

void Veritabani::kolonlarGerekli(const QString &tablo, const QStringList &kolonlar) {
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT name FROM pragma_table_info(?)")))
        hata(QStringLiteral("tablo okunurken"), q.lastError().text());
    q.addBindValue(tablo);
    if (!q.exec())
        hata(QStringLiteral("tablo okunurken"), q.lastError().text());
    QStringList var;
    while (q.next())
        var << q.value(0).toString();
    if (var.isEmpty())
        throw VeritabaniHatasi(
            QStringLiteral("Veritabanında %1 tablosu yok: %2").arg(tablo, m_yol));
    for (const QString &kolon : kolonlar) {
        if (!var.contains(kolon, Qt::CaseInsensitive))
            throw VeritabaniHatasi(QStringLiteral("Veritabanının %1 tablosunda %2 sütunu yok: %3")
                                       .arg(tablo, kolon, m_yol));
    }
}

void Veritabani::hata(const QString &neYapilirken, const QString &motorMetni) const {
    throw VeritabaniHatasi(
        QStringLiteral("Veritabanı hatası (%1): %2\n%3").arg(neYapilirken, m_yol, motorMetni));
}

void Veritabani::basla() {
    if (!m_db.transaction())
        hata(QStringLiteral("işlem başlatılırken"), m_db.lastError().text());
    m_islemde = true;
}

void Veritabani::onayla() {
    m_islemde = false;
    if (!m_db.commit()) {
        const QString metin = m_db.lastError().text();
        m_db.rollback();
        hata(QStringLiteral("kayıt tamamlanırken"), metin);
    }
}

void Veritabani::geriAl() {
    m_islemde = false;
    m_db.rollback();
}

void veritabaniOlustur(const QString &yol) {
    if (QFileInfo::exists(yol))
        throw VeritabaniHatasi(QStringLiteral("Bu adda bir dosya zaten var: %1").arg(yol));
    const QString baglanti = yeniBaglantiAdi();
    QString hataMetni;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), baglanti);
        db.setDatabaseName(yol);
        if (!db.open()) {
            hataMetni = db.lastError().text();
        } else {
            QSqlQuery q(db);
            db.transaction();
            for (const char *komut : semaKomutlari) {
                if (!q.exec(QString::fromLatin1(komut))) {
                    hataMetni = q.lastError().text();
                    break;
                }
            }
            if (hataMetni.isEmpty() && !db.commit())
                hataMetni = db.lastError().text();
            q = QSqlQuery();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(baglanti);
    if (!hataMetni.isEmpty()) {
        QFile::remove(yol);
        throw VeritabaniHatasi(
            QStringLiteral("Veritabanı oluşturulamadı: %1\n%2").arg(yol, hataMetni));
    }
}
