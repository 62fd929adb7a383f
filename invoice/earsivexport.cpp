#include "invoice/earsivexport.h"

#include "base/numbers.h"
#include "base/savefile.h"
#include "invoice/earsivcopy.h"
#include "invoice/earsivdocument.h"
#include "invoice/saving.h"
#include "invoice/workspace.h"
#include "store/earsivrecords.h"
#include "store/invoices.h"
#include "store/seller.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QScopeGuard>
#include <QUuid>

namespace {

constexpr qint64 largestSerial = 999'999'999;

// Beside the files of a first export until its record is committed: "<GİB number>.yarim",
// holding the UUID. Found later, it tells whether those files were recorded.
const QString pendingSuffix = QStringLiteral(".yarim");
// Held by the export writing into the folder.
const QString folderLockName = QStringLiteral(".kilit");
// How long an export waits for another one writing into the same folder.
constexpr int folderWaitMs = 5000;

// A note of a first export, and the temporary file QSaveFile writes beside a file it
// replaces (the file's name and six letters or digits), each of a GİB number.
const QRegularExpression &pendingPattern() {
    static const QRegularExpression p(QStringLiteral("^([A-Z0-9]{3}[0-9]{13})\\.yarim$"));
    return p;
}
const QRegularExpression &temporaryPattern() {
    static const QRegularExpression p(
        QStringLiteral("^[A-Z0-9]{3}[0-9]{13}\\.(?:xml|pdf|yarim)\\.[A-Za-z0-9]{6}$"));
    return p;
}

QString refused(qint64 number, const QString &reason) {
    return QStringLiteral("%1 numaralı fatura e-Arşiv faturası olarak yazılmadı: %2")
        .arg(number)
        .arg(reason);
}

QString digestOf(const QByteArray &xml) {
    return QString::fromLatin1(QCryptographicHash::hash(xml, QCryptographicHash::Sha256).toHex());
}

// The rate as it is kept with an export: "." as the point, no thousands marks.
QString rateKey(double rate) {
    return QString::number(rate, 'g', 15);
}

// Writes `path` through QSaveFile and gives it its name only when every byte reached the
// disk: a write that fails as the last block goes out leaves the old file as it was.
// `failure` takes the path and the reason.
void writeWhole(const QString &path, const std::function<bool(QIODevice *)> &write,
                const QString &failure) {
    QSaveFile file(path);
    QString why;
    if (!file.open(QIODevice::WriteOnly)) {
        why = file.errorString();
    } else if (!write(&file)) {
        why = file.error() != QFileDevice::NoError ? file.errorString()
                                                   : QStringLiteral("Dosyaya yazılamadı.");
        file.cancelWriting();
        file.commit();
    } else {
        why = commitSaveFile(file);
    }
    if (!why.isEmpty())
        throw EArsivError(failure.arg(path, why));
}

QByteArray fileStart(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.read(1024) : QByteArray();
}

// What a killed export left in `dir`, while nobody writes there: temporary files, and the
// files of first exports whose notes are still there unless `database` recorded them with
// the note's UUID. Each file removed is added to `removed` at once, so that a database that
// fails half-way leaves them told and the notes after it in place.
void tidyHeld(const QString &dir, const std::function<Database &()> &database,
              QStringList &removed) {
    const QDir d(dir);
    const auto remove = [&](const QString &name) {
        if (QFile::remove(d.filePath(name)))
            removed << d.filePath(name);
    };
    const QStringList names = d.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names)
        if (temporaryPattern().match(name).hasMatch())
            remove(name);
    for (const QString &name : names) {
        const QRegularExpressionMatch m = pendingPattern().match(name);
        if (!m.hasMatch())
            continue;
        const QString gibNumber = m.captured(1);
        const QString uuid = QString::fromUtf8(fileStart(d.filePath(name))).trimmed();
        const std::optional<EArsivRecord> r = earsivRecordOfNumber(database(), gibNumber);
        if (!r || uuid.isEmpty() || r->uuid != uuid) {
            remove(gibNumber + QStringLiteral(".xml"));
            remove(gibNumber + QStringLiteral(".pdf"));
        }
        remove(name);
    }
}

} // namespace

EArsivExport::EArsivExport(const Workspace &workspace, const QString &vatRate)
    : m_workspace(workspace) {
    const ayarlar settings = workspace.readSettings(2);
    m_rateGiven = !vatRate.trimmed().isEmpty();
    const QString typed = m_rateGiven ? vatRate.trimmed() : settings.kdv_yuzde.trimmed();
    const std::optional<double> rate = inputNumber(typed);
    if (!rate)
        throw EArsivError(
            m_rateGiven
                ? QStringLiteral("KDV oranı geçerli bir sayı değil: %1").arg(typed)
                : QStringLiteral("Ayarlardaki KDV oranı geçerli bir sayı değil: %1").arg(typed));
    m_rateText = rateKey(*rate);

    m_db = std::make_unique<Database>(workspace.databasePath(settings), Database::Access::Write);
    const std::optional<SellerRecord> seller = readSeller(*m_db);
    if (!seller)
        throw EArsivError(QStringLiteral(
            "Firma bilgileri girilmemiş. e-Arşiv faturası yazmadan önce \"Firma Bilgileri\" "
            "penceresinde satıcının (işletmenin) bilgilerini girin."));
    if (const QString problem = sellerProblem(*seller); !problem.isEmpty())
        throw EArsivError(QStringLiteral("Firma bilgileri eksik ya da hatalı: %1").arg(problem));
    m_seller = sellerParty(*seller);
    m_prefix = seller->seriesPrefix;
}

EArsivExport::~EArsivExport() = default;

QString EArsivExport::folder() const {
    return earsivFolder(QDir(m_workspace.folder()));
}

void EArsivExport::holdFolder() {
    if (m_folderLock)
        return;
    const QString dir = folder();
    if (!QDir().mkpath(dir))
        throw EArsivError(QStringLiteral("e-Arşiv klasörü oluşturulamadı: %1").arg(dir));
    auto lock = std::make_unique<QLockFile>(QDir(dir).filePath(folderLockName));
    lock->setStaleLockTime(0); // only a lock whose process is gone is stale
    if (!lock->tryLock(folderWaitMs)) {
        if (lock->error() == QLockFile::LockFailedError)
            throw EArsivError(QStringLiteral("Bu klasöre şu anda başka bir e-Arşiv yazımı "
                                             "yazıyor: %1\nO bittikten sonra yeniden deneyin.")
                                  .arg(dir));
        throw EArsivError(QStringLiteral("e-Arşiv klasörüne yazılamıyor: %1\n%2 "
                                         "oluşturulamadı.%3")
                              .arg(dir, QDir(dir).filePath(folderLockName), fullDiskNote(dir)));
    }
    QStringList removed;
    tidyHeld(
        dir, [this]() -> Database & { return *m_db; }, removed);
    m_folderLock = std::move(lock);
}

QStringList EArsivExport::writeFiles(const EArsivDocument &document, const QByteArray &xml,
                                     bool firstTime) {
    const QDir dir(folder());
    QStringList written;
    try {
        const QString xmlPath = dir.filePath(document.gibNumber + QStringLiteral(".xml"));
        writeWhole(
            xmlPath, [&](QIODevice *f) { return f->write(xml) == xml.size(); },
            QStringLiteral("e-Arşiv dosyası yazılamadı: %1\n%2"));
        written << xmlPath;

        const QString pdfPath = dir.filePath(document.gibNumber + QStringLiteral(".pdf"));
        writeWhole(
            pdfPath, [&](QIODevice *f) { return writeReadableCopy(document, f); },
            QStringLiteral("e-Arşiv faturasının PDF kopyası yazılamadı: %1\n%2"));
        written << pdfPath;
    } catch (...) {
        for (const QString &f : written) {
            if (firstTime)
                QFile::remove(f);
        }
        throw;
    }
    return written;
}

EArsivResult EArsivExport::exportInvoice(qint64 number) {
    ++m_calls;
    const auto done = qScopeGuard([this] {
        if (--m_calls == 0)
            m_folderLock.reset();
    });
    return exportOne(number);
}

EArsivResult EArsivExport::exportOne(qint64 number) {
    EArsivResult result;
    result.invoiceNumber = number;
    const StoredInvoice stored = storedInvoice(*m_db, number);
    if (stored.rows.isEmpty()) {
        result.refusal = refused(number, QStringLiteral("fatura bulunamadı."));
        return result;
    }
    const std::optional<EArsivRecord> record = earsivRecord(*m_db, number);
    // An invoice saved with its rates keeps them; an older one goes at the rate given, or the
    // one it was first given with.
    if (stored.info.hasDetails) {
        if (m_rateGiven && storedNumber(stored.info.kdv_orani) != storedNumber(m_rateText)) {
            result.refusal = refused(number, QStringLiteral("fatura %%1 KDV ile kaydedilmiş; "
                                                            "başka bir KDV oranıyla yazılamaz.")
                                                 .arg(stored.info.kdv_orani));
            return result;
        }
    } else if (record && m_rateGiven && record->vatRate != m_rateText) {
        result.refusal = refused(
            number, QStringLiteral("daha önce %1 numarasıyla %%2 KDV ile verildi; başka bir KDV "
                                   "oranıyla yeniden yazılamaz.")
                        .arg(record->gibNumber, plainNumberText(leadingNumber(record->vatRate))));
        return result;
    }
    Invoice invoice;
    // The rate as kept ("18.5") in the form typed rates take ("18,5").
    invoice.setVatRate(
        plainNumberText(storedNumber(record ? record->vatRate : m_rateText).value_or(qQNaN())));
    if (const QString problem = loadStoredInvoice(invoice, stored); !problem.isEmpty()) {
        result.refusal = refused(number, problem);
        return result;
    }
    invoice.header.number = number;

    std::variant<EArsivDocument, QString> made =
        earsivDocument(invoice, m_seller, m_workspace.today());
    if (const QString *reason = std::get_if<QString>(&made)) {
        result.refusal = refused(number, *reason);
        return result;
    }
    EArsivDocument &d = std::get<EArsivDocument>(made);
    if (d.buyer.finalConsumer)
        result.notice = QStringLiteral("%1 numaralı faturanın müşterisinin (%2) vergi ya da TC "
                                       "kimlik numarası yok: nihai tüketici (%3) olarak yazıldı.")
                            .arg(number)
                            .arg(invoice.header.customerName.simplified(), finalConsumerNumber());

    if (record) {
        d.gibNumber = record->gibNumber;
        d.uuid = record->uuid;
        d.issueTime = QTime::fromString(record->issueTime, QStringLiteral("HH:mm:ss"));
        const QByteArray xml = earsivXml(d);
        if (digestOf(xml) != record->digest) {
            result.refusal = refused(
                number, QStringLiteral("%1 numarasıyla verildikten sonra faturası ya da firma "
                                       "bilgileri değiştirilmiş. Verilmiş bir e-Arşiv faturası "
                                       "değiştirilemez; iptal edilip yenisi düzenlenmelidir.")
                            .arg(record->gibNumber));
            return result;
        }
        holdFolder();
        result.gibNumber = d.gibNumber;
        result.files = writeFiles(d, xml, false);
        return result;
    }

    holdFolder();
    QStringList written;
    QString pending;
    bool givenMeanwhile = false;
    try {
        m_db->transaction([&] {
            const int year = d.issueDate.year();
            const qint64 serial = lastEArsivSerial(*m_db, m_prefix, year) + 1;
            // Another PC may have given this invoice its number while this one waited.
            if (earsivRecord(*m_db, number)) {
                givenMeanwhile = true;
                return;
            }
            if (serial > largestSerial)
                throw EArsivError(QStringLiteral("%1 serisinde %2 yılı için e-Arşiv numarası "
                                                 "kalmadı.")
                                      .arg(m_prefix)
                                      .arg(year));
            d.gibNumber = QStringLiteral("%1%2%3")
                              .arg(m_prefix)
                              .arg(year, 4, 10, QLatin1Char('0'))
                              .arg(serial, 9, 10, QLatin1Char('0'));
            d.uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
            const QDateTime now = m_workspace.now();
            d.issueTime = QTime(now.time().hour(), now.time().minute(), now.time().second());
            const QByteArray xml = earsivXml(d);
            insertEArsivRecord(
                *m_db,
                {number, d.gibNumber, m_prefix, year, serial, d.uuid,
                 d.issueTime.toString(QStringLiteral("HH:mm:ss")),
                 stored.info.hasDetails && invoice.vatRate ? rateKey(*invoice.vatRate) : m_rateText,
                 digestOf(xml), now.toString(Qt::ISODate)});
            // Written first: a kill from here to the commit leaves files that the next export
            // or start finds by it, unrecorded, and removes.
            pending = QDir(folder()).filePath(d.gibNumber + pendingSuffix);
            if (const QString why = saveWhole(pending, d.uuid.toUtf8()); !why.isEmpty())
                throw EArsivError(
                    QStringLiteral("e-Arşiv dosyası yazılamadı: %1\n%2").arg(pending, why));
            written = writeFiles(d, xml, true);
        });
    } catch (...) {
        // The number goes back with the transaction; so must the files that carry it.
        for (const QString &f : written)
            QFile::remove(f);
        if (!pending.isEmpty())
            QFile::remove(pending);
        throw;
    }
    if (givenMeanwhile)
        return exportOne(number);
    QFile::remove(pending);
    result.gibNumber = d.gibNumber;
    result.files = written;
    result.firstExport = true;
    return result;
}

bool EArsivExport::run(const QList<qint64> &numbers, QList<EArsivResult> &results,
                       const EArsivProgress &progress) {
    ++m_calls;
    const auto done = qScopeGuard([this] {
        if (--m_calls == 0)
            m_folderLock.reset();
    });
    const int total = int(numbers.size());
    if (progress && !progress(0, total))
        return false;
    for (int i = 0; i < total; ++i) {
        results << exportOne(numbers.at(i));
        if (progress && !progress(i + 1, total) && i + 1 < total)
            return false;
    }
    return true;
}

QString earsivFolder(const QDir &workingFolder) {
    return workingFolder.filePath(QStringLiteral("earsiv"));
}

QStringList tidyEArsivFolder(const QDir &workingFolder, const QString &databasePath) {
    const QString dir = earsivFolder(workingFolder);
    if (!QFileInfo(dir).isDir())
        return {};
    QLockFile lock(QDir(dir).filePath(folderLockName));
    lock.setStaleLockTime(0);
    // An export writing there now tidies when it starts.
    if (!lock.tryLock(0))
        return {};
    std::unique_ptr<Database> db;
    const auto database = [&]() -> Database & {
        if (!db)
            db = std::make_unique<Database>(databasePath);
        return *db;
    };
    QStringList removed;
    try {
        tidyHeld(dir, database, removed);
    } catch (const std::exception &) {
        // Notes the database could not judge wait for the next export.
    }
    return removed;
}

QList<qint64> invoicesDated(Database &db, const QDate &from, const QDate &to) {
    QList<qint64> numbers;
    for (const InvoiceSummary &s : invoiceSummaries(db)) {
        const std::optional<QDate> date = invoiceDate(s.date);
        if (date && *date >= from && *date <= to)
            numbers << s.number;
    }
    return numbers;
}

QString exportSummary(const QList<EArsivResult> &results, int total, EArsivRunEnd end,
                      const QString &folder) {
    QStringList notices;
    QStringList refusals;
    int written = 0;
    for (const EArsivResult &r : results) {
        if (!r.refusal.isEmpty()) {
            refusals << r.refusal;
            continue;
        }
        ++written;
        if (!r.notice.isEmpty())
            notices << r.notice;
    }
    QStringList parts;
    if (written > 0)
        parts << QStringLiteral("%1 e-Arşiv faturası yazıldı:\n%2")
                     .arg(written)
                     .arg(QDir::toNativeSeparators(folder));
    else
        parts << QStringLiteral("Hiçbir e-Arşiv faturası yazılmadı.");
    const qsizetype rest = total - results.size();
    if (end == EArsivRunEnd::Cancelled)
        parts << QStringLiteral("İptal edildi: kalan %1 fatura yazılmadı.").arg(rest);
    else if (end == EArsivRunEnd::Failed)
        parts << QStringLiteral("Hata nedeniyle durdu: kalan %1 fatura yazılmadı.").arg(rest);
    if (!notices.isEmpty())
        parts << notices.join(u'\n');
    if (!refusals.isEmpty())
        parts << QStringLiteral("Yazılmayan faturalar:\n") + refusals.join(u'\n');
    return parts.join(QStringLiteral("\n\n"));
}
