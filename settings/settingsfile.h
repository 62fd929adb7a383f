#pragma once

#include "base/failure.h"
#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <stdexcept>

// Where one printed item goes: x and y in twips from the top-left corner of the printable
// area, the font face and the size in points. All four are kept as the user typed them.
struct baski_yeri {
    QString sol_bosluk;
    QString ust_bosluk;
    QString yazitipi_adi;
    QString boyutu;

    bool operator==(const baski_yeri &) const = default;
};

// The 23 values of ayarlar.dat, in the order of the file's lines.
struct ayarlar {
    QString kdv_yuzde;                 // 1
    QString veritabani_yolu;           // 2
    baski_yeri yer_adi_soyadi;         // 3
    baski_yeri yer_adresi;             // 4
    baski_yeri yer_vergi_dairesi;      // 5
    baski_yeri yer_dagitim_bolgesi;    // 6
    baski_yeri yer_fatura_tarihi;      // 7
    baski_yeri yer_fatura_hareketleri; // 8
    baski_yeri yer_iskonto;            // 9
    baski_yeri yer_kdv_orani;          // 10
    baski_yeri yer_ara_toplam;         // 11
    baski_yeri yer_kdv_tutari;         // 12
    baski_yeri yer_genel_toplam;       // 13
    baski_yeri yer_yazi_ile;           // 14
    QString satir_arasi_bosluk;        // 15
    QString marj_aciklama;             // 16
    QString marj_br_fiyat;             // 17
    QString marj_miktar;               // 18
    QString marj_tutar;                // 19
    QString marj_iskonto;              // 20
    baski_yeri yer_irsaliye_no;        // 21
    baski_yeri yer_irsaliye_tarihi;    // 22
    baski_yeri yer_fatura_no;          // 23

    bool operator==(const ayarlar &) const = default;
};

// One line of the file: either a single value or a placement, with the caption the
// settings window shows for it.
struct SettingsLine {
    int line;                       // 1-based line number in the file
    const char *name;               // field name in the record
    const char *caption;            // caption in the settings window (UTF-8)
    QString ayarlar::*single;       // set for a single-value line
    baski_yeri ayarlar::*placement; // set for a placement line
};

// The 23 lines in file order.
const std::array<SettingsLine, 23> &settingsLines();

// A settings file that cannot be used: missing, too short, unwritable. The text is Turkish
// UTF-8, ready for a message box.
class SettingsError : public Failure {
public:
    using Failure::Failure;
};

// The settings file of the working directory.
QString settingsFileName();

// What a tolerant read found: the values of the lines that were there (the others empty)
// and how many lines that was. Never fails; a missing file reads as 0 lines. Lines may end in
// CR LF as written, in LF alone, or in LF CR as some copies turn them.
//
// `damage` names the first of those lines that cannot be read as it was meant, in Turkish
// ("3. satır (Adı Soyadı): ..."): a character no settings line holds (a NUL, a stray control
// character: the file is damaged), a position or size written with an exponent ("1e15", which
// the reading would take as 1), a position off any sheet of paper (below 0 or above 100.000
// twips) or a font size above 1.000 points. Empty when every line read is sound.
struct SettingsRead {
    ayarlar values;
    int linesRead = 0;
    bool fileExists = false;
    QString damage;
};
SettingsRead readSettingsFile(const QString &path, int lineCount = 23);

// The same reading on the file's bytes, already in memory (fileExists is true: the bytes are
// the file). The file reader above goes through this one.
SettingsRead parseSettings(const QByteArray &bytes, int lineCount = 23);

// Reads the first `lineCount` lines (2, 19 or 23) and throws SettingsError naming the file
// when it is missing or shorter than that, or naming the line when one of them is damaged
// (SettingsRead::damage): nothing is printed from a file read wrong.
ayarlar ayarlari_oku(int lineCount, const QString &path = settingsFileName());

// A value that could not be read back as it was written: a margin over 13 characters, a
// font name over 50, a size over 5, a line break, a character Windows-1254 lacks, or a single
// value that begins with a double quote or holds both a comma and a double quote.
struct WriteProblem {
    int line;       // file line
    QString field;  // which value: "KDV (%)", "Fatura No: Sol Boşluk", ...
    QString reason; // why, in Turkish
    QString message() const;
    // Which of the line's boxes: 0 for a single value; for a placement 0 left, 1 top,
    // 2 font name, 3 size.
    int part = 0;
};
QList<WriteProblem> unwritableValues(const ayarlar &a);

// The values the settings window refuses as typed, before anything is written, each with the
// form to type: a VAT rate that is no number from 0 to 100 ("%18"), a position or column that
// is no whole number of twips from 0 to 100.000 ("6 cm": 1 cm is 567 twips), a font size that
// is no number above 0 and up to 1.000 points ("abc"), a line spacing that is no whole number.
// Numbers are read as the user types them (inputNumber()). An empty box passes: it reads as
// 0, as it always has.
QList<WriteProblem> typedValueProblems(const ayarlar &a);

// The exact bytes of the file: Windows-1254, CR LF after every line, placements in fixed
// columns. Values are written as held, even those unwritableValues() reports.
QByteArray settingsFileBytes(const ayarlar &a);

// Replaces the file in one step (a failure leaves the old file whole). Throws SettingsError,
// and writes nothing, when a value cannot be written back or the file cannot be written.
void ayarlari_yaz(const ayarlar &a, const QString &path = settingsFileName());

// The settings a new installation starts with: VAT 20, database fatura.MDB and a layout
// for A4 paper.
ayarlar defaultSettings();
