#include "settings/settingsfile.h"

#include "base/numbers.h"
#include "base/savefile.h"

#include <QFile>
#include <QRegularExpression>
#include <QTextCodec>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

constexpr int marginWidth = 13; // widest margin that keeps its print zone
constexpr int fontNameWidth = 50;
constexpr int sizeWidth = 5;
// Far more than 23 lines of settings take.
constexpr qsizetype maxSettingsBytes = 256 * 1024;

QTextCodec *codePage() {
    static QTextCodec *codec = QTextCodec::codecForName("Windows-1254");
    return codec;
}

QString trimEnd(const QString &s) {
    qsizetype n = s.size();
    while (n > 0 && s.at(n - 1) == u' ')
        --n;
    return s.left(n);
}

QString columnText(const QString &line, int first, int width) {
    return trimEnd(line.mid(first - 1, width));
}

// A single-value line: leading blanks skipped; a value in double quotes runs to the next
// quote; otherwise it runs to the first comma, trailing blanks dropped.
QString readSingleValue(const QString &line) {
    qsizetype i = 0;
    while (i < line.size() && line.at(i) == u' ')
        ++i;
    if (i < line.size() && line.at(i) == u'"') {
        const qsizetype closing = line.indexOf(u'"', i + 1);
        return closing < 0 ? line.mid(i + 1) : line.mid(i + 1, closing - i - 1);
    }
    const qsizetype comma = line.indexOf(u',', i);
    return trimEnd(comma < 0 ? line.mid(i) : line.mid(i, comma - i));
}

baski_yeri readPlacement(const QString &line) {
    return {columnText(line, 1, 14), columnText(line, 15, 14), columnText(line, 29, 50),
            columnText(line, 85, 5)};
}

// The text written for a single value: as held, or between double quotes when that is the
// only way the reader gets it back (a comma inside). Empty when it cannot be written.
std::optional<QString> singleValueText(const QString &value) {
    const QString wanted = value.trimmed();
    if (readSingleValue(value).trimmed() == wanted)
        return value;
    const QString quoted = u'"' + trimEnd(value) + u'"';
    if (readSingleValue(quoted).trimmed() == wanted)
        return quoted;
    return std::nullopt;
}

// Why a single value cannot be written: the reader takes a leading double quote as the start
// of a quoted value, and a quoted value ends at its next quote.
QString singleValueProblem(const QString &value) {
    qsizetype i = 0;
    while (i < value.size() && value.at(i) == u' ')
        ++i;
    if (i < value.size() && value.at(i) == u'"')
        return QStringLiteral("çift tırnak ile başlayamaz.");
    return QStringLiteral("virgül ile çift tırnak birlikte kullanılamaz.");
}

// Trailing blanks of a field are dropped, so that a margin typed with blanks after it does
// not push the fields behind it out of their columns.
QString placementText(const baski_yeri &y) {
    return trimEnd(y.sol_bosluk).leftJustified(14, u' ') +
           trimEnd(y.ust_bosluk).leftJustified(14, u' ') +
           trimEnd(y.yazitipi_adi).leftJustified(fontNameWidth, u' ') + QString(6, u' ') +
           trimEnd(y.boyutu);
}

bool hasLineBreak(const QString &s) {
    return s.contains(u'\r') || s.contains(u'\n');
}

QString fieldName(const SettingsLine &s, const char *field) {
    return QString::fromUtf8(s.caption) + u' ' + QString::fromUtf8(field);
}

// A single value is named by its caption alone; the message puts its own colon after it.
QString singleFieldName(const SettingsLine &s) {
    QString caption = QString::fromUtf8(s.caption);
    if (caption.endsWith(u':'))
        caption.chop(1);
    return caption;
}

// The farthest a position may lie from the printable area's corner, in twips: beyond any
// sheet a printer takes (176 cm), so that a larger one can only be a damaged value.
constexpr double largestPosition = 100'000;
// The largest font size, in points, that a sheet can show.
constexpr double largestFontSize = 1'000;

// Why a line of the file, its line break removed, holds what no settings line does: a
// control character other than a tab. A NUL in "600" reads as 60.
QString characterDamage(const QString &line) {
    for (const QChar c : line) {
        if ((c.unicode() < 0x20 && c != u'\t') || c.unicode() == 0x7f)
            return QStringLiteral("okunamayan bir karakter var (kodu %1); dosya bozulmuş "
                                  "olabilir.")
                .arg(c.unicode());
    }
    return QString();
}

enum class NumberKind { Position, FontSize };

// Why `text`, the value of `field` (a position or a font size), cannot be printed as it is
// read: an exponent that the reading stops short of, or a number out of range.
QString numberDamage(const QString &field, const QString &text, NumberKind kind) {
    static const QRegularExpression exponent(
        QStringLiteral("^[ \t]*[+-]?[0-9]+(?:\\.[0-9]+)?[eE][+-]?[0-9]"));
    const QString named =
        QStringLiteral("%1\"%2\"").arg(field.isEmpty() ? QString() : field + u' ', text.trimmed());
    if (exponent.match(text).hasMatch())
        return QStringLiteral("%1 okunamıyor; sayı 600 gibi düz yazılmalıdır.").arg(named);
    const double value = leadingNumber(text);
    if (kind == NumberKind::Position && (value < 0 || value > largestPosition))
        return QStringLiteral("%1 kâğıdın dışında; konum 0 ile 100.000 twip arasında "
                              "olmalıdır.")
            .arg(named);
    if (kind == NumberKind::FontSize && (value < 0 || value > largestFontSize))
        return QStringLiteral("%1 olamaz; yazı boyutu en çok 1.000 punto olmalıdır.").arg(named);
    return QString();
}

// What is wrong with line `s` as read into `a`: its characters, then its numbers.
QString lineDamage(const SettingsLine &s, const QString &line, const ayarlar &a) {
    QString why = characterDamage(line);
    if (why.isEmpty() && s.placement) {
        const baski_yeri &y = a.*s.placement;
        why = numberDamage(QStringLiteral("Sol Boşluk"), y.sol_bosluk, NumberKind::Position);
        if (why.isEmpty())
            why = numberDamage(QStringLiteral("Üst Boşluk"), y.ust_bosluk, NumberKind::Position);
        if (why.isEmpty())
            why = numberDamage(QStringLiteral("Boyutu"), y.boyutu, NumberKind::FontSize);
    } else if (why.isEmpty() && s.line >= 16 && s.line <= 20) {
        // The columns of the invoice lines: positions too.
        why = numberDamage(QString(), a.*s.single, NumberKind::Position);
    }
    return why.isEmpty()
               ? QString()
               : QStringLiteral("%1. satır (%2): %3").arg(s.line).arg(singleFieldName(s), why);
}

} // namespace

const std::array<SettingsLine, 23> &settingsLines() {
    static const std::array<SettingsLine, 23> lines = {{
        {1, "kdv_yuzde", "KDV (%):", &ayarlar::kdv_yuzde, nullptr},
        {2, "veritabani_yolu", "Veritabanı:", &ayarlar::veritabani_yolu, nullptr},
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
    return lines;
}

QString settingsFileName() {
    return QStringLiteral("ayarlar.dat");
}

SettingsRead parseSettings(const QByteArray &bytes, int lineCount) {
    SettingsRead result;
    result.fileExists = true;
    const QString text = codePage()->toUnicode(bytes);
    QStringList lines = text.split(u'\n');
    // A final line break ends the last line; it does not start another (nor does the CR of
    // a last LF CR).
    if (!lines.isEmpty() && (lines.last().isEmpty() || lines.last() == u"\r"))
        lines.removeLast();
    const auto &definitions = settingsLines();
    const int n =
        std::max(0, std::min<int>({lineCount, int(definitions.size()), int(lines.size())}));
    for (int i = 0; i < n; ++i) {
        QString line = lines.at(i);
        // The CR of a line ending LF CR would otherwise begin the next line and push its
        // fixed columns one place on. No value holds a CR, so a first one is always that.
        if (line.startsWith(u'\r'))
            line.remove(0, 1);
        if (line.endsWith(u'\r'))
            line.chop(1);
        const SettingsLine &t = definitions[i];
        if (t.single)
            result.values.*t.single = readSingleValue(line);
        else
            result.values.*t.placement = readPlacement(line);
        if (result.damage.isEmpty())
            result.damage = lineDamage(t, line, result.values);
    }
    result.linesRead = n;
    return result;
}

SettingsRead readSettingsFile(const QString &path, int lineCount) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // The file's lines are short: it is read only as far as the lines asked for, so that a
    // huge or endless file costs neither memory nor time. Past the limit, a line cut short
    // is no line.
    QByteArray bytes;
    qsizetype lines = 0;
    while (lines < lineCount && bytes.size() < maxSettingsBytes) {
        const QByteArray chunk = file.read(std::min<qint64>(4096, maxSettingsBytes - bytes.size()));
        if (chunk.isEmpty())
            return parseSettings(bytes, lineCount);
        lines += chunk.count('\n');
        bytes += chunk;
    }
    if (lines < lineCount)
        bytes.truncate(bytes.lastIndexOf('\n') + 1);
    return parseSettings(bytes, lineCount);
}

ayarlar ayarlari_oku(int lineCount, const QString &path) {
    const SettingsRead reading = readSettingsFile(path, lineCount);
    if (!reading.fileExists)
        throw SettingsError(QStringLiteral("Ayar dosyası açılamadı: %1").arg(path));
    if (reading.linesRead < lineCount)
        throw SettingsError(
            QStringLiteral("Ayar dosyası eksik: %1\n%2 satır gerekli, %3 satır var.")
                .arg(path)
                .arg(lineCount)
                .arg(reading.linesRead));
    if (!reading.damage.isEmpty())
        throw SettingsError(QStringLiteral("Ayar dosyasında hatalı bir satır var: %1\n%2\n"
                                           "Ayarlar penceresinde düzeltip kaydedin.")
                                .arg(path, reading.damage));
    return reading.values;
}

QString WriteProblem::message() const {
    return QStringLiteral("Ayarlar kaydedilemedi.\n%1: %2").arg(field, reason);
}

QList<WriteProblem> unwritableValues(const ayarlar &a) {
    QList<WriteProblem> problems;
    const auto check = [&](const SettingsLine &s, const QString &field, const QString &value,
                           int maxLength, int part = 0) {
        const auto problem = [&](const QString &reason) {
            problems.append({s.line, field, reason, part});
        };
        if (hasLineBreak(value))
            problem(QStringLiteral("satır sonu karakteri olamaz."));
        else if (!codePage()->canEncode(value))
            problem(QStringLiteral("Windows-1254 kod sayfasında olmayan bir karakter var."));
        else if (maxLength > 0 && trimEnd(value).size() > maxLength)
            problem(QStringLiteral("en fazla %1 karakter olabilir.").arg(maxLength));
        else if (maxLength == 0 && !singleValueText(value))
            problem(singleValueProblem(value));
    };
    for (const SettingsLine &s : settingsLines()) {
        if (s.single) {
            check(s, singleFieldName(s), a.*s.single, 0);
            continue;
        }
        const baski_yeri &y = a.*s.placement;
        check(s, fieldName(s, "Sol Boşluk"), y.sol_bosluk, marginWidth, 0);
        check(s, fieldName(s, "Üst Boşluk"), y.ust_bosluk, marginWidth, 1);
        check(s, fieldName(s, "Yazıtipi Adı"), y.yazitipi_adi, fontNameWidth, 2);
        check(s, fieldName(s, "Boyutu"), y.boyutu, sizeWidth, 3);
    }
    return problems;
}

namespace {

// The twips of a length typed in centimetres or millimetres ("6 cm", "15mm"), as the form
// to type instead; empty for anything else.
QString twipsOfLength(const QString &typed) {
    static const QRegularExpression length(
        QStringLiteral("^\\s*([0-9]+(?:,[0-9]+)?)\\s*(cm|mm)\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = length.match(typed);
    if (!m.hasMatch())
        return QString();
    const double value = inputNumber(m.captured(1)).value_or(0);
    const double perUnit = m.captured(2).compare(QLatin1String("cm"), Qt::CaseInsensitive) == 0
                               ? 1440 / 2.54
                               : 144 / 2.54;
    return QString::number(qRound64(value * perUnit));
}

bool isWholeNumber(const QString &typed) {
    static const QRegularExpression whole(QStringLiteral("^\\s*-?[0-9]+\\s*$"));
    return whole.match(typed).hasMatch();
}

QString positionProblem(const QString &typed) {
    if (typed.trimmed().isEmpty())
        return QString();
    if (isWholeNumber(typed)) {
        const double v = typed.trimmed().toDouble();
        if (v >= 0 && v <= largestPosition)
            return QString();
        return QStringLiteral("\"%1\" kâğıdın dışında; konum 0 ile 100.000 twip arasında "
                              "olmalıdır.")
            .arg(typedExcerpt(typed));
    }
    QString form = twipsOfLength(typed);
    // "7.000" is seven thousand as the user types it; the file keeps the digits alone.
    if (const std::optional<double> v = inputNumber(typed);
        form.isEmpty() && v && *v == std::floor(*v) && *v >= 0 && *v <= largestPosition)
        form = QString::number(qint64(*v));
    QString why = QStringLiteral("\"%1\" bir tam sayı değil. Konumlar twip cinsinden tam sayıyla "
                                 "yazılır (1 cm = 567 twip)")
                      .arg(typedExcerpt(typed));
    return form.isEmpty() ? why + QStringLiteral(": \"600\" gibi.")
                          : why + QStringLiteral("; \"%1\" biçiminde yazınız.").arg(form);
}

QString fontSizeProblem(const QString &typed) {
    if (typed.trimmed().isEmpty())
        return QString();
    const std::optional<double> size = inputNumber(typed);
    if (!size)
        return QStringLiteral("\"%1\" bir sayı değil. Yazı boyutu punto cinsinden \"10\" ya da "
                              "\"10,5\" biçiminde yazılır.")
            .arg(typedExcerpt(typed));
    if (*size <= 0 || *size > largestFontSize)
        return QStringLiteral("\"%1\" olamaz; yazı boyutu 0'dan büyük, en çok 1.000 punto "
                              "olmalıdır.")
            .arg(typedExcerpt(typed));
    return QString();
}

QString vatRateProblem(const QString &typed) {
    if (typed.trimmed().isEmpty())
        return QString();
    const std::optional<double> rate = inputNumber(typed);
    if (!rate) {
        QString form = typedNumberForm(typed);
        // "%18" and "18 %": the sign is the caption's.
        QString bare = typed.trimmed();
        bare.remove(u'%');
        if (form.isEmpty() && inputNumber(bare))
            form = bare.trimmed();
        return QStringLiteral("\"%1\" bir sayı değil. KDV oranı yüzde işareti olmadan yazılır; "
                              "\"%2\" biçiminde yazınız.")
            .arg(typedExcerpt(typed), form.isEmpty() ? QStringLiteral("20") : form);
    }
    if (*rate < 0 || *rate > 100)
        return QStringLiteral("\"%1\" olamaz; KDV oranı 0 ile 100 arasında olmalıdır.")
            .arg(typedExcerpt(typed));
    return QString();
}

QString lineSpacingProblem(const QString &typed) {
    if (typed.trimmed().isEmpty() || isWholeNumber(typed))
        return QString();
    return QStringLiteral("\"%1\" bir tam sayı değil; satır arası boşluk \"3\" gibi tam sayıyla "
                          "yazılır.")
        .arg(typedExcerpt(typed));
}

} // namespace

QList<WriteProblem> typedValueProblems(const ayarlar &a) {
    QList<WriteProblem> problems;
    const auto check = [&](const SettingsLine &s, const QString &field, const QString &why,
                           int part) {
        if (!why.isEmpty())
            problems.append({s.line, field, why, part});
    };
    for (const SettingsLine &s : settingsLines()) {
        if (s.placement) {
            const baski_yeri &y = a.*s.placement;
            check(s, fieldName(s, "Sol Boşluk"), positionProblem(y.sol_bosluk), 0);
            check(s, fieldName(s, "Üst Boşluk"), positionProblem(y.ust_bosluk), 1);
            check(s, fieldName(s, "Boyutu"), fontSizeProblem(y.boyutu), 3);
        } else if (s.single == &ayarlar::kdv_yuzde) {
            check(s, singleFieldName(s), vatRateProblem(a.kdv_yuzde), 0);
        } else if (s.single == &ayarlar::satir_arasi_bosluk) {
            check(s, singleFieldName(s), lineSpacingProblem(a.satir_arasi_bosluk), 0);
        } else if (s.line >= 16 && s.line <= 20) {
            // The columns of the invoice lines: positions too, named as the window shows them.
            check(s, QStringLiteral("Fatura Sütun Marjları: ") + QString::fromUtf8(s.caption),
                  positionProblem(a.*s.single), 0);
        }
    }
    return problems;
}

QByteArray settingsFileBytes(const ayarlar &a) {
    QString text;
    for (const SettingsLine &s : settingsLines()) {
        if (s.single)
            text += singleValueText(a.*s.single).value_or(a.*s.single);
        else
            text += placementText(a.*s.placement);
        text += QStringLiteral("\r\n");
    }
    return codePage()->fromUnicode(text);
}

void ayarlari_yaz(const ayarlar &a, const QString &path) {
    const QList<WriteProblem> problems = unwritableValues(a);
    if (!problems.isEmpty())
        throw SettingsError(problems.first().message());
    const QString failure = saveWhole(path, settingsFileBytes(a));
    if (!failure.isEmpty())
        throw SettingsError(QStringLiteral("Ayar dosyası yazılamadı: %1\n%2").arg(path, failure));
}

ayarlar defaultSettings() {
    const auto placement = [](int x, int y, int size) {
        return baski_yeri{QString::number(x), QString::number(y), QStringLiteral("Arial"),
                          QString::number(size)};
    };
    ayarlar a;
    a.kdv_yuzde = QStringLiteral("20");
    a.veritabani_yolu = QStringLiteral("fatura.MDB");
    // An A4 sheet: header block on the left, invoice data on the right, lines from 6 cm
    // down, totals near the foot. Positions are twips from the printable area's corner.
    a.yer_adi_soyadi = placement(600, 2400, 11);
    a.yer_adresi = placement(600, 2700, 10);
    a.yer_vergi_dairesi = placement(600, 3300, 10);
    a.yer_dagitim_bolgesi = placement(600, 3600, 10);
    a.yer_fatura_tarihi = placement(8400, 2400, 10);
    // 8 pt keeps the batch totals caption "KDV MATRAHI" clear of the figure 1200 twips on.
    a.yer_fatura_hareketleri = placement(600, 4500, 8);
    a.yer_iskonto = placement(9200, 12000, 10);
    a.yer_kdv_orani = placement(7800, 12600, 10);
    a.yer_ara_toplam = placement(9200, 11700, 10);
    a.yer_kdv_tutari = placement(9200, 12600, 10);
    a.yer_genel_toplam = placement(9200, 12900, 10);
    a.yer_yazi_ile = placement(600, 13500, 10);
    a.satir_arasi_bosluk = QStringLiteral("3");
    a.marj_aciklama = QStringLiteral("1500");
    a.marj_br_fiyat = QStringLiteral("7000");
    a.marj_miktar = QStringLiteral("600");
    a.marj_tutar = QStringLiteral("9200");
    a.marj_iskonto = QStringLiteral("6100");
    a.yer_irsaliye_no = placement(8400, 2700, 10);
    a.yer_irsaliye_tarihi = placement(8400, 3000, 10);
    a.yer_fatura_no = placement(8400, 2100, 10);
    return a;
}
