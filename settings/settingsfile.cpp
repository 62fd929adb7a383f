#include "settings/settingsfile.h"

#include <QFile>
#include <QSaveFile>
#include <QTextCodec>

#include <algorithm>
#include <optional>

namespace {

constexpr int kenarGenisligi = 13; // widest margin that keeps its print zone
constexpr int yaziTipiGenisligi = 50;
constexpr int boyutGenisligi = 5;

QTextCodec *kodSayfasi() {
    static QTextCodec *codec = QTextCodec::codecForName("Windows-1254");
    return codec;
}

QString sagiKirp(const QString &s) {
    qsizetype n = s.size();
    while (n > 0 && s.at(n - 1) == u' ')
        --n;
    return s.left(n);
}

QString sutunlar(const QString &satir, int ilk, int genislik) {
    return sagiKirp(satir.mid(ilk - 1, genislik));
}

// A single-value line: leading blanks skipped; a value in double quotes runs to the next
// quote; otherwise it runs to the first comma, trailing blanks dropped.
QString tekDegerOku(const QString &satir) {
    qsizetype i = 0;
    while (i < satir.size() && satir.at(i) == u' ')
        ++i;
    if (i < satir.size() && satir.at(i) == u'"') {
        const qsizetype son = satir.indexOf(u'"', i + 1);
        return son < 0 ? satir.mid(i + 1) : satir.mid(i + 1, son - i - 1);
    }
    const qsizetype virgul = satir.indexOf(u',', i);
    return sagiKirp(virgul < 0 ? satir.mid(i) : satir.mid(i, virgul - i));
}

baski_yeri yerlesimOku(const QString &satir) {
    return {sutunlar(satir, 1, 14), sutunlar(satir, 15, 14), sutunlar(satir, 29, 50),
            sutunlar(satir, 85, 5)};
}

// The text written for a single value: as held, or between double quotes when that is the
// only way the reader gets it back (a comma inside). Empty when it cannot be written.
std::optional<QString> tekDegerYazimi(const QString &deger) {
    const QString hedef = deger.trimmed();
    if (tekDegerOku(deger).trimmed() == hedef)
        return deger;
    const QString tirnakli = u'"' + sagiKirp(deger) + u'"';
    if (tekDegerOku(tirnakli).trimmed() == hedef)
        return tirnakli;
    return std::nullopt;
}

// Why a single value cannot be written: the reader takes a leading double quote as the start
// of a quoted value, and a quoted value ends at its next quote.
QString tekDegerSorunu(const QString &deger) {
    qsizetype i = 0;
    while (i < deger.size() && deger.at(i) == u' ')
        ++i;
    if (i < deger.size() && deger.at(i) == u'"')
        return QStringLiteral("çift tırnak ile başlayamaz.");
    return QStringLiteral("virgül ile çift tırnak birlikte kullanılamaz.");
}

// Trailing blanks of a field are dropped, so that a margin typed with blanks after it does
// not push the fields behind it out of their columns.
QString yerlesimYazimi(const baski_yeri &y) {
    return sagiKirp(y.sol_bosluk).leftJustified(14, u' ') +
           sagiKirp(y.ust_bosluk).leftJustified(14, u' ') +
           sagiKirp(y.yazitipi_adi).leftJustified(yaziTipiGenisligi, u' ') + QString(6, u' ') +
           sagiKirp(y.boyutu);
}

bool satirSonuVar(const QString &s) {
    return s.contains(u'\r') || s.contains(u'\n');
}

QString alanAdi(const AyarSatiri &s, const char *alan) {
    return QString::fromUtf8(s.baslik) + u' ' + QString::fromUtf8(alan);
}

// A single value is named by its caption alone; the message puts its own colon after it.
QString tekAlanAdi(const AyarSatiri &s) {
    QString baslik = QString::fromUtf8(s.baslik);
    if (baslik.endsWith(u':'))
        baslik.chop(1);
    return baslik;
}

} // namespace

const std::array<AyarSatiri, 23> &ayarSatirlari() {
    static const std::array<AyarSatiri, 23> satirlar = {{
        {1, "kdv_yuzde", "KDV (%):", &ayarlar::kdv_yuzde, nullptr},
        {2, "veritabani_yolu", "Database:", &ayarlar::veritabani_yolu, nullptr},
        {3, "yer_adi_soyadi", "Adı Soyadı:", nullptr, &ayarlar::yer_adi_soyadi},
        {4, "yer_adresi", "Adresi:", nullptr, &ayarlar::yer_adresi},
        {5, "yer_vergi_dairesi", "Vergi Dairesi:", nullptr, &ayarlar::yer_vergi_dairesi},
        {6, "yer_dagitim_bolgesi", "Dağıtım Bölgesi:", nullptr, &ayarlar::yer_dagitim_bolgesi},
        {7, "yer_fatura_tarihi", "Fatura Tarihi:", nullptr, &ayarlar::yer_fatura_tarihi},
        {8, "yer_fatura_hareketleri", "Fatura Hareketleri:", nullptr,
         &ayarlar::yer_fatura_hareketleri},
        {9, "yer_iskonto", "İskonto:", nullptr, &ayarlar::yer_iskonto},
        {10, "yer_kdv_orani", "Kdv Oranı:", nullptr, &ayarlar::yer_kdv_orani},
        {11, "yer_ara_toplam", "Ara Toplam:", nullptr, &ayarlar::yer_ara_toplam},
        {12, "yer_kdv_tutari", "KDV Tutarı:", nullptr, &ayarlar::yer_kdv_tutari},
        {13, "yer_genel_toplam", "Genel Toplam:", nullptr, &ayarlar::yer_genel_toplam},
        {14, "yer_yazi_ile", "Yazı İle:", nullptr, &ayarlar::yer_yazi_ile},
        {15, "satir_arasi_bosluk", "Satır arası boşluk:", &ayarlar::satir_arasi_bosluk, nullptr},
        {16, "marj_aciklama", "Açıklama", &ayarlar::marj_aciklama, nullptr},
        {17, "marj_br_fiyat", "Br.Fiyat", &ayarlar::marj_br_fiyat, nullptr},
        {18, "marj_miktar", "Miktar", &ayarlar::marj_miktar, nullptr},
        {19, "marj_tutar", "Tutar", &ayarlar::marj_tutar, nullptr},
        {20, "marj_iskonto", "İskonto", &ayarlar::marj_iskonto, nullptr},
        {21, "yer_irsaliye_no", "İrsaliye No:", nullptr, &ayarlar::yer_irsaliye_no},
        {22, "yer_irsaliye_tarihi", "İrsaliye Tarihi:", nullptr, &ayarlar::yer_irsaliye_tarihi},
        {23, "yer_fatura_no", "Fatura No:", nullptr, &ayarlar::yer_fatura_no},
    }};
    return satirlar;
}

AyarHatasi::AyarHatasi(const QString &mesaj)
    : std::runtime_error(mesaj.toStdString()) {}

QString AyarHatasi::mesaj() const {
    return QString::fromUtf8(what());
}

QString ayarDosyasi() {
    return QStringLiteral("ayarlar.dat");
}

AyarOkuma ayarMetniniOku(const QByteArray &bytes, int satirSayisi) {
    AyarOkuma sonuc;
    sonuc.dosyaVar = true;
    const QString metin = kodSayfasi()->toUnicode(bytes);
    QStringList satirlar = metin.split(u'\n');
    // A final line break ends the last line; it does not start another.
    if (!satirlar.isEmpty() && satirlar.last().isEmpty())
        satirlar.removeLast();
    const auto &tanimlar = ayarSatirlari();
    const int n =
        std::max(0, std::min<int>({satirSayisi, int(tanimlar.size()), int(satirlar.size())}));
    for (int i = 0; i < n; ++i) {
        QString satir = satirlar.at(i);
        if (satir.endsWith(u'\r'))
            satir.chop(1);
        const AyarSatiri &t = tanimlar[i];
        if (t.tek)
            sonuc.deger.*t.tek = tekDegerOku(satir);
        else
            sonuc.deger.*t.yer = yerlesimOku(satir);
    }
    sonuc.okunanSatir = n;
    return sonuc;
}

AyarOkuma ayarDosyasiniOku(const QString &yol, int satirSayisi) {
    QFile dosya(yol);
    if (!dosya.open(QIODevice::ReadOnly))
        return {};
    return ayarMetniniOku(dosya.readAll(), satirSayisi);
}

ayarlar ayarlari_oku(int satirSayisi, const QString &yol) {
    const AyarOkuma okuma = ayarDosyasiniOku(yol, satirSayisi);
    if (!okuma.dosyaVar)
        throw AyarHatasi(QStringLiteral("Ayar dosyası açılamadı: %1").arg(yol));
    if (okuma.okunanSatir < satirSayisi)
        throw AyarHatasi(QStringLiteral("Ayar dosyası eksik: %1\n%2 satır gerekli, %3 satır var.")
                             .arg(yol)
                             .arg(satirSayisi)
                             .arg(okuma.okunanSatir));
    return okuma.deger;
}

QString YazmaSorunu::mesaj() const {
    return QStringLiteral("Ayarlar kaydedilemedi.\n%1: %2").arg(alan, neden);
}

QList<YazmaSorunu> yazilamayanDegerler(const ayarlar &a) {
    QList<YazmaSorunu> sorunlar;
    const auto kontrol = [&](const AyarSatiri &s, const QString &alan, const QString &deger,
                             int enFazla) {
        const auto sorun = [&](const QString &neden) { sorunlar.append({s.satir, alan, neden}); };
        if (satirSonuVar(deger))
            sorun(QStringLiteral("satır sonu karakteri olamaz."));
        else if (!kodSayfasi()->canEncode(deger))
            sorun(QStringLiteral("Windows-1254 kod sayfasında olmayan bir karakter var."));
        else if (enFazla > 0 && sagiKirp(deger).size() > enFazla)
            sorun(QStringLiteral("en fazla %1 karakter olabilir.").arg(enFazla));
        else if (enFazla == 0 && !tekDegerYazimi(deger))
            sorun(tekDegerSorunu(deger));
    };
    for (const AyarSatiri &s : ayarSatirlari()) {
        if (s.tek) {
            kontrol(s, tekAlanAdi(s), a.*s.tek, 0);
            continue;
        }
        const baski_yeri &y = a.*s.yer;
        kontrol(s, alanAdi(s, "Sol Boşluk"), y.sol_bosluk, kenarGenisligi);
        kontrol(s, alanAdi(s, "Üst Boşluk"), y.ust_bosluk, kenarGenisligi);
        kontrol(s, alanAdi(s, "Yazıtipi Adı"), y.yazitipi_adi, yaziTipiGenisligi);
        kontrol(s, alanAdi(s, "Boyutu"), y.boyutu, boyutGenisligi);
    }
    return sorunlar;
}

QByteArray ayarDosyasiIcerigi(const ayarlar &a) {
    QString metin;
    for (const AyarSatiri &s : ayarSatirlari()) {
        if (s.tek)
            metin += tekDegerYazimi(a.*s.tek).value_or(a.*s.tek);
        else
            metin += yerlesimYazimi(a.*s.yer);
        metin += QStringLiteral("\r\n");
    }
    return kodSayfasi()->fromUnicode(metin);
}

void ayarlari_yaz(const ayarlar &a, const QString &yol) {
    const QList<YazmaSorunu> sorunlar = yazilamayanDegerler(a);
    if (!sorunlar.isEmpty())
        throw AyarHatasi(sorunlar.first().mesaj());
    QSaveFile dosya(yol);
    if (!dosya.open(QIODevice::WriteOnly) || dosya.write(ayarDosyasiIcerigi(a)) < 0 ||
        !dosya.commit()) {
        throw AyarHatasi(
            QStringLiteral("Ayar dosyası yazılamadı: %1\n%2").arg(yol, dosya.errorString()));
    }
}

ayarlar varsayilanAyarlar() {
    const auto yer = [](int x, int y, int boyut) {
        return baski_yeri{QString::number(x), QString::number(y), QStringLiteral("Arial"),
                          QString::number(boyut)};
    };
    ayarlar a;
    a.kdv_yuzde = QStringLiteral("20");
    a.veritabani_yolu = QStringLiteral("fatura.MDB");
    // An A4 sheet: header block on the left, invoice data on the right, lines from 6 cm
    // down, totals near the foot. Positions are twips from the printable area's corner.
    a.yer_adi_soyadi = yer(600, 2400, 11);
    a.yer_adresi = yer(600, 2700, 10);
    a.yer_vergi_dairesi = yer(600, 3300, 10);
    a.yer_dagitim_bolgesi = yer(600, 3600, 10);
    a.yer_fatura_tarihi = yer(8400, 2400, 10);
    // 8 pt keeps the batch totals caption "KDV MATRAHI" clear of the figure 1200 twips on.
    a.yer_fatura_hareketleri = yer(600, 4500, 8);
    a.yer_iskonto = yer(9200, 12000, 10);
    a.yer_kdv_orani = yer(7800, 12600, 10);
    a.yer_ara_toplam = yer(9200, 11700, 10);
    a.yer_kdv_tutari = yer(9200, 12600, 10);
    a.yer_genel_toplam = yer(9200, 12900, 10);
    a.yer_yazi_ile = yer(600, 13500, 10);
    a.satir_arasi_bosluk = QStringLiteral("3");
    a.marj_aciklama = QStringLiteral("1500");
    a.marj_br_fiyat = QStringLiteral("7000");
    a.marj_miktar = QStringLiteral("600");
    a.marj_tutar = QStringLiteral("9200");
    a.marj_iskonto = QStringLiteral("6100");
    a.yer_irsaliye_no = yer(8400, 2700, 10);
    a.yer_irsaliye_tarihi = yer(8400, 3000, 10);
    a.yer_fatura_no = yer(8400, 2100, 10);
    return a;
}
