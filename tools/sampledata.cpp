#include "tools/sampledata.h"
#include "base/failure.h"

#include "base/numbers.h"
#include "earsiv/party.h"
#include "invoice/invoice.h"
#include "invoice/saving.h"
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
class Dice {
public:
    explicit Dice(quint64 seed)
        : m_state(seed) {}

    quint64 next() {
        quint64 z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    int between(int lowest, int highest) {
        return lowest + int(next() % quint64(highest - lowest + 1));
    }
    bool chance(int percent) { return between(0, 99) < percent; }
    template <class T, std::size_t N> const T &pick(const T (&items)[N]) {
        return items[next() % N];
    }

private:
    quint64 m_state;
};

// Each record has a seed of its own, so it does not depend on how many came before it.
enum RecordKind : quint64 { CustomerKind = 1, InvoiceKind, InvoiceCustomerKind, CampaignKind };
quint64 recordSeed(quint64 seed, RecordKind kind, qint64 number) {
    Dice z(seed ^ (quint64(kind) << 56) ^ quint64(number) * 0xD6E8FEB86659FD93ULL);
    return z.next();
}

QString u8(const char *s) {
    return QString::fromUtf8(s);
}

const char *const firstNames[] = {"Ahmet",   "Ayşe",   "Mehmet",  "Fatma",  "Mustafa", "Emine",
                                  "Hüseyin", "Hatice", "İbrahim", "Zeynep", "Şükrü",   "Gülşen",
                                  "Çağrı",   "Özlem",  "Ömer",    "Işıl",   "Doğan",   "Ümit",
                                  "Gökçe",   "Ilgın",  "Tuğçe",   "İsmail", "Şeyma",   "Barış"};

const char *const surnames[] = {"Yılmaz",   "Kaya",   "Demir",   "Şahin",   "Çelik",  "Yıldız",
                                "Yıldırım", "Öztürk", "Aydın",   "Özdemir", "Arslan", "Doğan",
                                "Kılıç",    "Aslan",  "Çetin",   "Koç",     "Kurt",   "Özkan",
                                "Şimşek",   "Güneş",  "Erdoğan", "Akgül",   "İnce",   "Türkoğlu"};

const char *const companies[] = {
    "Öztürk'ün Fırını", "Kaya'nın Kırtasiyesi",           "Şahin'in Bakkalı",
    "Gül'ün Çiçekçisi", "Doğan Kardeşler Tic. Ltd. Şti.", "Çelik Yapı Malzemeleri A.Ş.",
    "Güneş Eczanesi",   "İnce Oto Yedek Parça",           "Işık Elektrik Ltd. Şti.",
    "Ağaoğlu Mobilya",  "Üçler Gıda San. ve Tic. A.Ş.",   "Yörük Süt Ürünleri"};

const char *const neighbourhoods[] = {"Çamlıca",    "Gülbahar", "İnönü",      "Atatürk",
                                      "Cumhuriyet", "Yeşilköy", "Bağlarbaşı", "Şirinevler",
                                      "Kocatepe",   "Üçyol"};

const char *const streets[] = {"Gül Sok.",      "Ihlamur Cad.", "Şehit Ömer Sok.",    "Çınar Sok.",
                               "İstiklal Cad.", "Menekşe Sok.", "Değirmen Yolu Cad.", "Söğüt Sok."};

// A region of the batch window's list with its city and some of its districts.
struct Region {
    const char *name;
    const char *city;
    const char *districts[3];
};
const Region regions[] = {
    {"ANTALYA", "Antalya", {"Muratpaşa", "Konyaaltı", "Alanya"}},
    {"ADANA", "Adana", {"Seyhan", "Çukurova", "Ceyhan"}},
    {"ANKARA", "Ankara", {"Çankaya", "Keçiören", "Yenimahalle"}},
    {"İSTANBUL", "İstanbul", {"Kadıköy", "Üsküdar", "Şişli"}},
    {"İZMİR", "İzmir", {"Karşıyaka", "Bornova", "Çiğli"}},
    {"TRABZON", "Trabzon", {"Ortahisar", "Akçaabat", "Sürmene"}},
};

// A shop's goods with their VAT rates: food at 1 %, the rest at the general 20 %, a book without
// VAT under its exemption; some sold by weight or volume.
struct Product {
    const char *name;
    double price;
    const char *rate = "20";
    const char *unit = "Adet";
    const char *exemption = "";
};
const Product products[] = {
    {"Çay 1 kg", 120.50, "1"},
    {"Toz şeker 5 kg", 145, "1"},
    {"Ayçiçek yağı 5 lt", 289.90, "1"},
    {"Zeytinyağı (açık)", 249.50, "1", "Litre"},
    {"Un 10 kg", 210, "1"},
    {"Pirinç 2,5 kg", 112.75, "1"},
    {"Kırmızı mercimek (açık)", 54.90, "1", "Kg"},
    {"Bulgur 1 kg", 32.50, "1"},
    {"Makarna 500 g", 14.75, "1"},
    {"Domates salçası 830 g", 62, "1"},
    {"Beyaz peynir (açık)", 185, "1", "Kg"},
    {"Kaşar peyniri 700 g", 210.40, "1"},
    {"Süzme bal 850 g", 345, "1"},
    {"Fındık ezmesi 350 g", 98.60, "1"},
    {"Türk kahvesi 100 g", 47.25, "1"},
    {"Çamaşır deterjanı 4 kg", 189.99},
    {"Bulaşık süngeri 10'lu", 29.90, "20", "Paket"},
    {"Kağıt havlu 12'li", 119.50, "20", "Paket"},
    {"Çöp poşeti 50'li", 24.95, "20", "Paket"},
    {"Sıvı sabun 1,5 lt", 58.40},
    {"Şampuan 600 ml", 79.90},
    {"Diş macunu 75 ml", 44.50},
    {"Buharlı ütü", 1249},
    {"Çelik çaydanlık", 549},
    {"Ders kitabı", 85, "0", "Adet", "335"},
};
// The rate of the invoices, as the first-run settings have it: lines at it take it.
const char *const invoiceRate = "20";

// Quantities and discount percents as a user types them.
const char *const quantities[] = {"1", "1", "2", "2", "3", "5", "10", "12", "24", "2,5", "0,5"};
const char *const discounts[] = {"5", "10", "15", "2,5", "12,5", "20"};
const double campaignDiscounts[] = {5, 10, 12.5, 25, 40.75};

// The draws are made one statement at a time: the order in which a function's arguments
// are evaluated is up to the compiler, and the data must not depend on it.
QString personName(Dice &z) {
    const QString name = u8(z.pick(firstNames));
    const QString surname = u8(z.pick(surnames));
    return name + QLatin1Char(' ') + surname;
}

QString streetAddress(Dice &z) {
    const QString neighbourhood = u8(z.pick(neighbourhoods));
    const QString street = u8(z.pick(streets));
    const int door = z.between(1, 120);
    const int flat = z.between(1, 12);
    return QStringLiteral("%1 Mah. %2 No: %3/%4").arg(neighbourhood, street).arg(door).arg(flat);
}

void run(Database &db, QSqlQuery &q, const QString &activity) {
    if (!q.exec())
        db.fail(activity, q.lastError());
}

QSqlQuery prepared(Database &db, const QString &sql, const QString &activity) {
    QSqlQuery q(db.db());
    if (!q.prepare(sql))
        db.fail(activity, q.lastError());
    return q;
}

} // namespace

Customer sampleCustomer(quint64 seed, qint64 number) {
    Dice z(recordSeed(seed, CustomerKind, number));
    const Region &b = z.pick(regions);
    const QString district = u8(z.pick(b.districts));
    Customer m;
    m.sirano = number;
    const bool company = z.chance(25);
    m.adi_soyadi = company ? u8(z.pick(companies)) : personName(z);
    m.adresi = streetAddress(z);
    if (z.chance(80))
        m.adresi2 = QStringLiteral("%1 / %2").arg(district, u8(b.city));
    // A company has a VKN, a person a TCKN; the check digits are those that make it valid.
    QString taxNumber;
    if (!company)
        taxNumber += QChar(u'0' + z.between(1, 9));
    while (taxNumber.size() < 9)
        taxNumber += QChar(u'0' + z.between(0, 9));
    const auto completed = [](const QString &start, int checkDigits, auto valid) {
        for (int c = 0; c < (checkDigits == 1 ? 10 : 100); ++c) {
            const QString candidate =
                start + QStringLiteral("%1").arg(c, checkDigits, 10, QLatin1Char('0'));
            if (valid(candidate))
                return candidate;
        }
        return start;
    };
    taxNumber = company ? completed(taxNumber, 1, validVkn) : completed(taxNumber, 2, validTckn);
    m.vergidaire_no = QStringLiteral("%1 V.D. %2").arg(district, taxNumber);
    return m;
}

SellerRecord sampleSeller() {
    return SellerRecord{QStringLiteral("4840847211"),
                        u8("Örnek Gıda ve Temizlik Ürünleri Tic. Ltd. Şti."),
                        {},
                        {},
                        u8("Kadıköy"),
                        u8("Caferağa Mah. Moda Cad. No: 12"),
                        u8("Kadıköy"),
                        u8("İstanbul"),
                        QStringLiteral("0 (216) 555 01 23"),
                        QStringLiteral("satis@ornekgida.com.tr"),
                        QStringLiteral("ORN")};
}

namespace {

// The stored line for a typing: product, quantity and discount picked from the lists above
// (no discount is -1). The cells go through the invoice window's own arithmetic, so they are
// exactly what the program writes for the same typing; each typing is computed once.
struct SampleLine {
    InvoiceLineRecord record;
    LineInfo info;
};

class LineCache {
public:
    const SampleLine &line(int product, int quantity, int discount) {
        const int key = (product * 16 + quantity) * 8 + discount + 1;
        auto it = m_lines.constFind(key);
        if (it == m_lines.cend())
            it = m_lines.insert(key, compute(product, quantity, discount));
        return *it;
    }

private:
    static SampleLine compute(int product, int quantity, int discount) {
        const Product &p = products[product];
        LineInput input;
        input.description = u8(p.name);
        input.quantity = u8(quantities[quantity]);
        input.unitPrice = moneyText(p.price);
        if (discount >= 0)
            input.discountPercent = u8(discounts[discount]);
        // A line at the invoice's rate takes it, as one typed with the rate box left empty.
        if (qstrcmp(p.rate, invoiceRate) != 0)
            input.vatRate = QString::fromLatin1(p.rate);
        input.unit = u8(p.unit);
        input.exemptionCode = QString::fromLatin1(p.exemption);
        // A line's stored form does not depend on the lines before it.
        Invoice invoice;
        invoice.vatMode = VatExcluded;
        invoice.setVatRate(QString::fromLatin1(invoiceRate));
        const QString problem = addLine(invoice, input);
        if (!problem.isEmpty())
            throw Failure(problem);
        const InvoiceRecord r = invoiceRecord(invoice);
        return {r.lines.first(), r.info.lines.first()};
    }

    QHash<int, SampleLine> m_lines;
};

template <class T, std::size_t N> int pickIndex(Dice &z, const T (&)[N]) {
    return int(z.next() % N);
}

SampleInvoice makeInvoice(quint64 seed, qint64 number, const Customer &m, int lineCount,
                          int vatMode, bool withDiscounts, const QDate &date, LineCache &lines) {
    Dice z(recordSeed(seed, InvoiceKind, number));
    SampleInvoice f;
    InvoiceHeaderRecord &b = f.header;
    b.musterino = QString::number(m.sirano);
    b.adi_soyadi = m.adi_soyadi;
    b.adresi = m.adresi;
    b.adresi2 = m.adresi2;
    b.vergidaire_no = m.vergidaire_no;
    b.kdvdahil = vatMode;
    b.fatura_tarihi = date.toString(QStringLiteral("dd.MM.yyyy"));
    if (z.chance(60)) {
        b.irsaliye_no = QStringLiteral("A-%1").arg(z.between(100000, 999999));
        b.irsaliye_tarihi = date.addDays(-z.between(0, 3)).toString(QStringLiteral("dd.MM.yyyy"));
    }
    b.faturano = number;

    f.lines.reserve(lineCount);
    f.info.hasDetails = true;
    f.info.kdv_orani = QString::fromLatin1(invoiceRate);
    f.info.tip = u8("SATIŞ");
    f.info.kayit_zamani =
        QDateTime(date, QTime(9 + z.between(0, 9), z.between(0, 59))).toString(Qt::ISODate);
    for (int i = 0; i < lineCount; ++i) {
        const int product = pickIndex(z, products);
        // A product sold by weight or volume in a weighed amount.
        const int quantity = u8(products[product].unit) == QStringLiteral("Adet")
                                 ? pickIndex(z, quantities)
                                 : int(std::size(quantities)) - 2 + int(z.next() % 2);
        const int discount =
            withDiscounts && (i == 0 || z.chance(40)) ? pickIndex(z, discounts) : -1;
        const SampleLine &line = lines.line(product, quantity, discount);
        f.lines << line.record;
        f.info.lines << line.info;
    }
    return f;
}

} // namespace

SampleInvoice sampleInvoice(quint64 seed, qint64 number, const Customer &m, int lineCount,
                            int vatMode, bool withDiscounts, const QDate &date) {
    LineCache lines;
    return makeInvoice(seed, number, m, lineCount, vatMode, withDiscounts, date, lines);
}

int writeSampleCampaign(Database &db, const QString &campaign, int invoices, int maxLines,
                        bool exactLines, quint64 seed, int year) {
    const QString activity = QStringLiteral("örnek kampanya yazılırken");
    const QString campaignTable = sqlIdentifier(campaign);
    const QString headerTable = sqlIdentifier(QStringLiteral("FATCARI") + campaign);
    const QString lineTable = sqlIdentifier(QStringLiteral("FATSTOK") + campaign);
    int written = 0;
    db.transaction([&] {
        const QString tables[] = {
            QStringLiteral(
                "CREATE TABLE %1 (ADI TEXT, ACIKLAMA TEXT, BASLANGIC TEXT, BITIS TEXT%2)")
                .arg(campaignTable, db.keyColumnDefinition()),
            QStringLiteral("CREATE TABLE %1 (SIRANO %2, DAGITIM_BOLGESI TEXT, "
                           "FATURA_TARIHI TEXT, BOLGE TEXT, ADI_SOYADI TEXT, ADRESI TEXT, "
                           "ISKONTO %3%4)")
                .arg(headerTable, db.integerType(), db.realType(), db.keyColumnDefinition()),
            QStringLiteral("CREATE TABLE %1 (FATURANO %2, ACIKLAMA TEXT, MIKTAR %3, "
                           "BR_FIYAT %3%4)")
                .arg(lineTable, db.integerType(), db.realType(), db.keyColumnDefinition()),
        };
        for (const QString &sql : tables)
            ::run(db, sql, {}, activity);
        QSqlQuery definitionInsert = prepared(
            db, QStringLiteral("INSERT INTO %1 VALUES (?, ?, ?, ?)").arg(campaignTable), activity);
        definitionInsert.addBindValue(QStringLiteral("Yıl sonu kampanyası %1").arg(year));
        definitionInsert.addBindValue(u8("Bayilere özel indirimli ürün gönderimi"));
        definitionInsert.addBindValue(QDate(year, 11, 1).toString(Qt::ISODate));
        definitionInsert.addBindValue(QDate(year, 12, 31).toString(Qt::ISODate));
        run(db, definitionInsert, activity);

        QSqlQuery headerInsert = prepared(
            db, QStringLiteral("INSERT INTO %1 VALUES (?, ?, ?, ?, ?, ?, ?)").arg(headerTable),
            activity);
        QSqlQuery lineInsert = prepared(
            db, QStringLiteral("INSERT INTO %1 VALUES (?, ?, ?, ?)").arg(lineTable), activity);
        const QDate firstDay(year, 11, 1);
        for (int number = 1; number <= invoices; ++number) {
            Dice z(recordSeed(seed, CampaignKind, number));
            const Region &b = z.pick(regions);
            const QString district = u8(z.pick(b.districts));
            headerInsert.bindValue(0, number);
            headerInsert.bindValue(1, u8(b.name));
            headerInsert.bindValue(2, firstDay.addDays(z.between(0, 60)).toString(Qt::ISODate));
            headerInsert.bindValue(3, district);
            headerInsert.bindValue(4, personName(z));
            headerInsert.bindValue(
                5, QStringLiteral("%1 %2/%3").arg(streetAddress(z), district, u8(b.name)));
            headerInsert.bindValue(6, z.chance(50) ? z.pick(campaignDiscounts) : 0.0);
            run(db, headerInsert, activity);
            const int lineCount = exactLines ? maxLines : z.between(1, maxLines);
            for (int i = 0; i < lineCount; ++i) {
                const Product &product = z.pick(products);
                lineInsert.bindValue(0, number);
                lineInsert.bindValue(1, u8(product.name));
                lineInsert.bindValue(2, double(z.between(1, 24)));
                lineInsert.bindValue(3, product.price);
                run(db, lineInsert, activity);
                ++written;
            }
        }
    });
    return written;
}

SampleDataResult writeSampleDatabase(const QString &path, const SampleDataOptions &a) {
    if (a.customers < 0 || a.invoices < 0 || a.campaignInvoices < 0 || a.maxLines < 1)
        throw Failure(QStringLiteral("Örnek veri sayıları geçersiz."));
    if (a.invoices > 0 && a.customers == 0)
        throw Failure(QStringLiteral("Fatura yazmak için en az bir müşteri gerekir."));
    createDatabase(path);
    SampleDataResult result;
    try {
        Database db(path, Database::Access::Write);
        // The file is new and removed again when writing fails, so it needs no protection
        // against a crash: no waiting for the disk, and a cache that holds the whole write
        // instead of spilling it to the file half-way.
        for (const char *pragma : {"PRAGMA synchronous = OFF", "PRAGMA journal_mode = MEMORY",
                                   "PRAGMA cache_size = -131072"}) {
            if (db.engine() != Engine::SQLite)
                break;
            QSqlQuery q(db.db());
            if (!q.exec(QString::fromLatin1(pragma)))
                db.fail(QStringLiteral("örnek veri yazılırken"), q.lastError());
        }
        db.transaction([&] {
            for (int number = 1; number <= a.customers; ++number)
                addCustomer(db, sampleCustomer(a.seed, number));
            result.customers = a.customers;

            writeSeller(db, sampleSeller());

            InvoiceWriter writer(db);
            LineCache lines;
            const QDate firstDay(a.year, 1, 1);
            const qint64 days = a.lastDay.isValid() && a.lastDay.year() == a.year
                                    ? firstDay.daysTo(a.lastDay) + 1
                                    : qint64(firstDay.daysInYear());
            // Invoice `number` as the sample has it: its customer, lines, VAT mode, discounts
            // and date all follow from its number.
            const auto invoiceAt = [&](qint64 number) {
                Dice z(recordSeed(a.seed, InvoiceCustomerKind, number));
                const Customer m = sampleCustomer(a.seed, z.between(1, a.customers));
                const int lineCount = a.exactLines ? a.maxLines : z.between(1, a.maxLines);
                // Every combination of VAT mode and discounts within six invoices.
                const int vatMode = number % 2 == 0 ? VatExcluded : VatIncluded;
                const bool withDiscounts = number % 3 != 2;
                const QDate date = firstDay.addDays((number - 1) * days / a.invoices);
                return makeInvoice(a.seed, number, m, lineCount, vatMode, withDiscounts, date,
                                   lines);
            };
            for (int number = 1; number <= a.invoices; ++number) {
                SampleInvoice f = invoiceAt(number);
                // Every 25th is a return of the invoice twenty before it: its buyer gives its
                // first line back, and the return names it.
                if (number % 25 == 0) {
                    const SampleInvoice original = invoiceAt(number - 20);
                    const InvoiceHeaderRecord &o = original.header;
                    InvoiceHeaderRecord &h = f.header;
                    h.musterino = o.musterino;
                    h.adi_soyadi = o.adi_soyadi;
                    h.adresi = o.adresi;
                    h.adresi2 = o.adresi2;
                    h.vergidaire_no = o.vergidaire_no;
                    h.kdvdahil = o.kdvdahil;
                    f.lines = original.lines.mid(0, 1);
                    f.info.lines = original.info.lines.mid(0, 1);
                    f.info.tip = u8("İADE");
                    f.info.iade_no = QString::number(o.faturano);
                    f.info.iade_tarihi = o.fatura_tarihi;
                }
                writer.add(f.header, f.lines, f.info);
                result.invoiceLines += int(f.lines.size());
            }
            result.invoices = a.invoices;

            if (a.campaignInvoices > 0) {
                result.campaign = QStringLiteral("KAMPANYA%1").arg(a.year);
                result.campaignLines =
                    writeSampleCampaign(db, result.campaign, a.campaignInvoices, a.maxLines,
                                        a.exactLines, a.seed, a.year);
                result.campaignInvoices = a.campaignInvoices;
            }
        });
        db.updateStatistics();
    } catch (...) {
        // Leave no half-made file behind: the next attempt would refuse it.
        QFile::remove(path);
        throw;
    }
    return result;
}
