#pragma once

#include "base/numbers.h"
#include "printing/printer.h"
#include "settings/settingsfile.h"

#include <QStringList>

// One printed line as it is expected: text, font face, size in points, x and y in twips.
struct Expected {
    QString text;
    QString face;
    double size;
    double x;
    double y;
};

// Each line as one text, so that a comparison names the first line that differs.
inline QStringList described(const QList<Expected> &lines) {
    QStringList d;
    for (const Expected &l : lines)
        d << QStringLiteral("\"%1\" %2 %3pt at %4, %5")
                 .arg(l.text, l.face)
                 .arg(l.size, 0, 'g', 12)
                 .arg(l.x, 0, 'g', 12)
                 .arg(l.y, 0, 'g', 12);
    return d;
}
inline QStringList described(const QList<RecordingPrinter::Line> &lines) {
    QList<Expected> e;
    for (const RecordingPrinter::Line &l : lines)
        e << Expected{l.text, l.fontName, l.fontSize, l.x, l.y};
    return described(e);
}

// Every placement with a face and size of its own, so an item printed with the wrong
// placement or font shows. The totals' own fonts must never be used.
inline ayarlar distinctSettings() {
    ayarlar a;
    a.kdv_yuzde = u"20"_qs;
    a.yer_adi_soyadi = {u"600"_qs, u"2400"_qs, u"Ad Yazısı"_qs, u"11"_qs};
    a.yer_adresi = {u"650"_qs, u"2700"_qs, u"Adres Yazısı      "_qs, u"9"_qs};
    a.yer_vergi_dairesi = {u"700"_qs, u"3300"_qs, u"Vergi Yazısı"_qs, u"8"_qs};
    a.yer_fatura_tarihi = {u"8400"_qs, u"2400"_qs, u"Tarih Yazısı"_qs, u"10"_qs};
    a.yer_fatura_hareketleri = {u"9999"_qs, u"4500"_qs, u"Satır Yazısı"_qs, u"9.5"_qs};
    const QString total = u"Toplam Yazısı"_qs;
    a.yer_iskonto = {u"9210"_qs, u"12000"_qs, total, u"30"_qs};
    a.yer_kdv_orani = {u"7800"_qs, u"12600"_qs, total, u"30"_qs};
    a.yer_ara_toplam = {u"9220"_qs, u"11700"_qs, total, u"30"_qs};
    a.yer_kdv_tutari = {u"9230"_qs, u"12600"_qs, total, u"30"_qs};
    a.yer_genel_toplam = {u"9240"_qs, u"12900"_qs, total, u"30"_qs};
    a.yer_yazi_ile = {u"600"_qs, u"13500"_qs, total, u"30"_qs};
    a.satir_arasi_bosluk = u"3"_qs;
    a.marj_aciklama = u"1500"_qs;
    a.marj_br_fiyat = u"7000"_qs;
    a.marj_miktar = u"600"_qs;
    a.marj_tutar = u"9200"_qs;
    a.marj_iskonto = u"6100"_qs;
    a.yer_irsaliye_no = {u"8410"_qs, u"2700"_qs, u"İrsaliye Yazısı"_qs, u"12"_qs};
    a.yer_irsaliye_tarihi = {u"8420"_qs, u"3000"_qs, u"İrsaliye Tarihi Yazısı"_qs, u"13"_qs};
    a.yer_fatura_no = {u"8430"_qs, u"2100"_qs, u"Numara Yazısı"_qs, u"14"_qs};
    return a;
}

// The text printed at a placement's position.
inline QString printedAt(const RecordingPrinter &printer, const baski_yeri &p) {
    for (const RecordingPrinter::Line &l : printer.lines()) {
        if (l.x == leadingNumber(p.sol_bosluk) && l.y == leadingNumber(p.ust_bosluk))
            return l.text;
    }
    return QStringLiteral("<nothing printed>");
}
