#include "earsiv/export.h"

#include "base/numbers.h"
#include "base/savefile.h"
#include "earsiv/copy.h"
#include "earsiv/document.h"
#include "invoice/saving.h"
#include "invoice/workspace.h"
#include "store/efaturausers.h"
#include "store/invoices.h"
#include "store/seller.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMutex>
#include <QRegularExpression>
#include <QSaveFile>
#include <QScopeGuard>
#include <QTemporaryFile>
#include <QThread>
#include <QThreadPool>
#include <QUuid>
#include <QWaitCondition>

#include <algorithm>
#include <atomic>
#include <map>
#include <variant>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <io.h>
#include <windows.h>
#endif

namespace {

constexpr qint64 largestSerial = 999'999'999;
// The newest way of writing a document; records of older programs hold 1.
constexpr int documentFormat = 2;
// How many days before the export an invoice may be dated and still become an e-invoice.
constexpr int daysToIssue = 7;
// How old the list of e-Fatura users may be before the user is told to import it again.
constexpr int listDays = 7;

// Beside the files of first exports until their records are committed: "<GİB number>.yarim",
// holding "<GİB number> <UUID>" for each. Found later, it tells whether those files were
// recorded.
const QString pendingSuffix = QStringLiteral(".yarim");
// Held by the export writing into the folder.
const QString folderLockName = QStringLiteral(".kilit");
// How long an export waits for another one writing into the same folder.
constexpr int folderWaitMs = 5000;

// A note of first exports, and the temporary file written beside a file (the file's name and
// six letters or digits), each of a GİB number.
const QRegularExpression &pendingPattern() {
    static const QRegularExpression p(QStringLiteral("^([A-Z0-9]{3}[0-9]{13})\\.yarim$"));
    return p;
}
const QRegularExpression &temporaryPattern() {
    static const QRegularExpression p(
        QStringLiteral("^[A-Z0-9]{3}[0-9]{13}\\.(?:xml|pdf|yarim)\\.[A-Za-z0-9]{6}$"));
    return p;
}
// A GİB number as a return names the invoice it returns.
const QRegularExpression &gibNumberPattern() {
    static const QRegularExpression p(QStringLiteral("^[A-Z0-9]{3}20[0-9]{2}[0-9]{9}$"));
    return p;
}

// Takes the folder's lock, waiting up to `waitMs` for an export writing there. Only a lock
// whose process is gone is stale; so is one a kill left empty or half-written, between making
// the file and writing the process into it: nobody is left to ask. Such a file is removed only
// when no live process holds it (Qt's own removal takes the file's system lock first) and it
// still cannot be read a moment later, the time a live export takes to write it.
bool takeFolderLock(QLockFile &lock, int waitMs) {
    lock.setStaleLockTime(0);
    if (lock.tryLock(waitMs))
        return true;
    const auto unreadable = [&lock] {
        qint64 pid = 0;
        QString host, application;
        return lock.error() == QLockFile::LockFailedError &&
               !lock.getLockInfo(&pid, &host, &application);
    };
    if (!unreadable())
        return false;
    QThread::msleep(50);
    return unreadable() && lock.removeStaleLockFile() && lock.tryLock(0);
}

QString refused(qint64 number, const QString &reason, bool efatura = false) {
    return QStringLiteral("%1 numaralı fatura %2 olarak yazılmadı: %3")
        .arg(number)
        .arg(efatura ? QStringLiteral("e-Fatura") : QStringLiteral("e-Arşiv faturası"), reason);
}

QString digestOf(const QByteArray &xml) {
    return QString::fromLatin1(QCryptographicHash::hash(xml, QCryptographicHash::Sha256).toHex());
}

// The rate as it is kept with an export: "." as the point, no thousands marks.
QString rateKey(double rate) {
    return QString::number(rate, 'g', 15);
}

QString dateText(const QDate &d) {
    return d.toString(QStringLiteral("dd.MM.yyyy"));
}

const QString xmlFailure = QStringLiteral("e-fatura dosyası yazılamadı: %1\n%2");
const QString pdfFailure = QStringLiteral("e-faturanın PDF kopyası yazılamadı: %1\n%2");

// Writes `path` through QSaveFile and gives it its name only when every byte reached the
// disk: a write that fails as the last block goes out leaves the old file as it was.
// `failure` takes the path and the reason. Returns the message, or nothing when written.
QString writeWhole(const QString &path, const std::function<bool(QIODevice *)> &write,
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
    return why.isEmpty() ? QString() : failure.arg(path, why);
}

// Writes a new file under a temporary name beside `path` (its name and six letters or digits,
// which a tidy removes), not yet brought to the disk. Returns the temporary name, or the
// message naming `path` when it could not be written whole.
std::variant<QString, QString> writeTemporary(const QString &path,
                                              const std::function<bool(QIODevice *)> &write,
                                              const QString &failure) {
    QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
    file.setAutoRemove(false);
    QString why;
    if (!file.open()) {
        why = file.errorString();
    } else {
        const bool written = write(&file) && file.flush();
        if (!written || file.error() != QFileDevice::NoError)
            why = file.error() != QFileDevice::NoError ? file.errorString()
                                                       : QStringLiteral("Dosyaya yazılamadı.");
        file.close();
        if (why.isEmpty() && file.error() != QFileDevice::NoError)
            why = file.errorString();
        if (!why.isEmpty())
            file.remove();
    }
    if (!why.isEmpty()) {
        const QString dir = QFileInfo(path).absolutePath();
        return std::variant<QString, QString>(std::in_place_index<1>,
                                              failure.arg(path, why + fullDiskNote(dir)));
    }
    return std::variant<QString, QString>(std::in_place_index<0>, file.fileName());
}

// Gives `from` the name `to`, in place of any file of that name.
bool renameOver(const QString &from, const QString &to) {
#if defined(Q_OS_UNIX)
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
#elif defined(Q_OS_WIN)
    return MoveFileExW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(from).utf16()),
                       reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(to).utf16()),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
#else
    QFile::remove(to);
    return QFile::rename(from, to);
#endif
}

// Brings the files of `dir` (their contents and names) to the disk: one sync of its file
// system where the system has it, else each file and the folder on their own. Returns why it
// failed, or nothing.
QString syncFolder(const QString &dir, const QStringList &files) {
#if defined(Q_OS_LINUX)
    Q_UNUSED(files);
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    const int done = ::syncfs(fd);
    const int error = errno;
    ::close(fd);
    return done == 0 ? QString() : QString::fromLocal8Bit(std::strerror(error));
#elif defined(Q_OS_UNIX)
    for (const QString &path : files + QStringList{dir}) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
        if (fd < 0)
            return QString::fromLocal8Bit(std::strerror(errno));
        const int done = ::fsync(fd);
        const int error = errno;
        ::close(fd);
        if (done != 0)
            return QString::fromLocal8Bit(std::strerror(error));
    }
    return QString();
#elif defined(Q_OS_WIN)
    Q_UNUSED(dir);
    for (const QString &path : files) {
        QFile f(path);
        if (!f.open(QIODevice::ReadWrite) ||
            !FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(f.handle()))))
            return f.errorString();
    }
    return QString();
#else
    Q_UNUSED(dir);
    Q_UNUSED(files);
    return QString();
#endif
}

QByteArray fileBytes(const QString &path, qint64 most = -1) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return most < 0 ? f.readAll() : f.read(most);
}

// The numbers and UUIDs a note lists; a note of an older program holds only the UUID of the
// number it is named after.
QList<std::pair<QString, QString>> noteEntries(const QString &gibNumber, const QByteArray &note) {
    QList<std::pair<QString, QString>> entries;
    for (const QByteArray &line : note.split('\n')) {
        const QList<QByteArray> parts = line.simplified().split(' ');
        if (parts.size() == 2)
            entries << std::pair(QString::fromLatin1(parts[0]), QString::fromLatin1(parts[1]));
        else if (parts.size() == 1 && !parts[0].isEmpty())
            entries << std::pair(gibNumber, QString::fromLatin1(parts[0]));
    }
    if (entries.isEmpty())
        entries << std::pair(gibNumber, QString());
    return entries;
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
        for (const auto &[gibNumber, uuid] :
             noteEntries(m.captured(1), fileBytes(d.filePath(name), 1 << 24))) {
            const std::optional<EArsivRecord> r = earsivRecordOfNumber(database(), gibNumber);
            if (!r || uuid.isEmpty() || r->uuid != uuid) {
                remove(gibNumber + QStringLiteral(".xml"));
                remove(gibNumber + QStringLiteral(".pdf"));
            }
        }
        remove(name);
    }
}

// The invoice a return names: a GİB number with the date typed beside it, or the number of an
// invoice of these books that was exported, with its date. One of `inRun` that has no number
// yet gets it in this run: its GİB number is left empty here, to be filled in then.
std::variant<ReturnedInvoice, QString> returnedInvoice(Database &db, const InvoiceHeader &h,
                                                       const QList<qint64> &inRun) {
    const QString typed = h.returnedNumber.trimmed();
    if (gibNumberPattern().match(typed).hasMatch()) {
        const std::optional<QDate> date = invoiceDate(h.returnedDate);
        if (!date)
            return QStringLiteral("iade edilen faturanın tarihi okunamadı (%1); GG.AA.YYYY "
                                  "biçiminde olmalıdır.")
                .arg(h.returnedDate);
        return ReturnedInvoice{typed, *date};
    }
    if (const std::optional<qint64> number = wholeNumber(typed)) {
        const std::optional<EArsivRecord> r = earsivRecord(db, *number);
        if (!r && !inRun.contains(*number))
            return QStringLiteral("iade edilen %1 numaralı fatura henüz e-fatura olarak "
                                  "yazılmamış; önce onu yazınız ya da faturada \"İade Edilen "
                                  "Fatura\" kutusuna iade edilen faturanın e-fatura numarasını "
                                  "(ABC2026000000001 biçiminde) giriniz.")
                .arg(*number);
        QDate date = r ? QDate::fromString(r->issueDate, Qt::ISODate) : QDate();
        if (!date.isValid()) {
            const QList<StoredRow> rows = invoiceRows(db, *number);
            if (!rows.isEmpty() && rows.first().fatura_tarihi)
                date = invoiceDate(*rows.first().fatura_tarihi).value_or(QDate());
        }
        if (!date.isValid())
            date = invoiceDate(h.returnedDate).value_or(QDate());
        return ReturnedInvoice{r ? r->gibNumber : QString(), date};
    }
    return QStringLiteral("\"İade Edilen Fatura\" (%1) bir e-fatura numarası (ABC2026000000001 "
                          "biçiminde) ya da bu programda kayıtlı bir fatura numarası olmalıdır.")
        .arg(typed);
}

// What a worker made of one first export: its XML's digest and the two files under
// temporary names, or why they could not be written.
struct Drawn {
    QString digest;
    QString xmlTemporary;
    QString pdfTemporary;
    QString failure;
};

void drawFiles(const EArsivDocument &d, const QDir &dir, Drawn &out) {
    const QByteArray xml = earsivXml(d);
    out.digest = digestOf(xml);
    const QString xmlPath = dir.filePath(d.gibNumber + QStringLiteral(".xml"));
    auto x = writeTemporary(
        xmlPath, [&](QIODevice *f) { return f->write(xml) == xml.size(); }, xmlFailure);
    if (x.index() == 1) {
        out.failure = std::get<1>(x);
        return;
    }
    out.xmlTemporary = std::get<0>(x);
    const QString pdfPath = dir.filePath(d.gibNumber + QStringLiteral(".pdf"));
    auto p = writeTemporary(
        pdfPath, [&](QIODevice *f) { return writeReadableCopy(d, f); }, pdfFailure);
    if (p.index() == 1) {
        out.failure = std::get<1>(p);
        QFile::remove(out.xmlTemporary);
        out.xmlTemporary.clear();
        return;
    }
    out.pdfTemporary = std::get<0>(p);
}

} // namespace

struct EArsivExport::Prepared {
    EArsivResult result;
    std::optional<EArsivDocument> document;
    std::optional<EArsivRecord> record; // when it was given before
    QByteArray xml;                     // of a document given before
    QString prefix;                     // the series of a first export
    qint64 returnsInRun = 0;            // a return of an invoice numbered in the same run
    QString vatRate;                    // the rate kept with the record, as rateKey() writes it
    QDateTime savedAt;
    bool keepFiles = false; // given by an older program: its files stay as they are
};

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
    m_sellerRecord = std::make_unique<SellerRecord>(*seller);
    m_seller = sellerParty(*seller);
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
    if (!takeFolderLock(*lock, folderWaitMs)) {
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

EArsivExport::Prepared EArsivExport::prepare(qint64 number,
                                             const QHash<qint64, EArsivRecord> &records,
                                             const QList<qint64> &inRun) {
    Prepared p;
    p.result.invoiceNumber = number;
    const StoredInvoice stored = storedInvoice(*m_db, number);
    if (stored.rows.isEmpty()) {
        p.result.refusal = refused(number, QStringLiteral("fatura bulunamadı."));
        return p;
    }
    if (records.contains(number))
        p.record = records.value(number);
    const std::optional<EArsivRecord> &record = p.record;
    const bool givenAsEFatura = record && record->profile != Profile::EArsiv;
    const auto refuse = [&](const QString &reason, bool efatura) {
        p.result.refusal = refused(number, reason, efatura);
        p.document.reset();
        return p;
    };
    // An invoice saved with its rates keeps them; an older one goes at the rate given, or the
    // one it was first given with.
    if (stored.info.hasDetails) {
        if (m_rateGiven && storedNumber(stored.info.kdv_orani) != storedNumber(m_rateText))
            return refuse(QStringLiteral("fatura %%1 KDV ile kaydedilmiş; başka bir KDV oranıyla "
                                         "yazılamaz.")
                              .arg(stored.info.kdv_orani),
                          givenAsEFatura);
    } else if (record && m_rateGiven && record->vatRate != m_rateText) {
        return refuse(QStringLiteral("daha önce %1 numarasıyla %%2 KDV ile verildi; başka bir KDV "
                                     "oranıyla yeniden yazılamaz.")
                          .arg(record->gibNumber, plainNumberText(leadingNumber(record->vatRate))),
                      givenAsEFatura);
    }
    if (record && record->format < documentFormat) {
        // Written by an older program in a form this one no longer writes: its files stay as
        // they were given, when they are still there.
        const QDir dir(folder());
        const QString xml = dir.filePath(record->gibNumber + QStringLiteral(".xml"));
        const QString pdf = dir.filePath(record->gibNumber + QStringLiteral(".pdf"));
        if (digestOf(fileBytes(xml)) != record->digest || !QFileInfo::exists(pdf))
            return refuse(QStringLiteral("%1 numarasıyla programın önceki bir sürümüyle verildi; "
                                         "bu sürüm o belgeyi aynen yeniden yazamıyor ve dosyaları "
                                         "e-Arşiv klasöründe eksik ya da değişmiş. Entegratöre "
                                         "gönderilmiş olan dosyaları kullanınız.")
                              .arg(record->gibNumber),
                          givenAsEFatura);
        p.keepFiles = true;
        p.result.gibNumber = record->gibNumber;
        p.result.files = {xml, pdf};
        p.result.efatura = givenAsEFatura;
        p.result.notice = QStringLiteral("%1 numaralı fatura %2 numarasıyla programın önceki bir "
                                         "sürümüyle verilmişti; dosyaları olduğu gibi bırakıldı.")
                              .arg(number)
                              .arg(record->gibNumber);
        return p;
    }

    Invoice invoice;
    // The rate as kept ("18.5") in the form typed rates take ("18,5").
    invoice.setVatRate(
        plainNumberText(storedNumber(record ? record->vatRate : m_rateText).value_or(qQNaN())));
    if (const QString problem = loadStoredInvoice(invoice, stored); !problem.isEmpty())
        return refuse(problem, givenAsEFatura);
    invoice.header.number = number;
    p.savedAt = invoice.header.savedAt;
    p.vatRate = stored.info.hasDetails && invoice.vatRate ? rateKey(*invoice.vatRate) : m_rateText;

    DocumentChoices choices;
    choices.seller = m_seller;
    choices.today = m_workspace.today();
    choices.sendType = m_sellerRecord->sendType;
    bool efatura = givenAsEFatura;
    if (record) {
        choices.profile = record->profile;
        choices.sendType = record->sendType;
    } else {
        // A buyer on the list of e-Fatura users, registered by the invoice's date, gets an
        // e-Fatura.
        const std::variant<EArsivParty, QString> buyer = buyerParty(invoice.header);
        const EArsivParty *party = std::get_if<EArsivParty>(&buyer);
        const std::optional<QDate> date = invoiceDate(invoice.header.invoiceDate);
        if (party && !party->finalConsumer && date) {
            const std::optional<RegisteredUser> user = registeredUser(*m_db, party->id);
            efatura = user && (!user->since.isValid() || user->since <= *date);
        }
        choices.profile = efatura ? m_sellerRecord->efaturaProfile : Profile::EArsiv;
        p.prefix = efatura ? m_sellerRecord->efaturaPrefix : m_sellerRecord->seriesPrefix;
        if (efatura && p.prefix.isEmpty())
            return refuse(QStringLiteral("alıcı (%1, %2) e-Fatura kayıtlı kullanıcısı; e-Fatura "
                                         "seri öneki girilmemiş. \"Firma Bilgileri\" penceresinde "
                                         "\"e-Fatura Seri Öneki\"ni giriniz.")
                              .arg(invoice.header.customerName.simplified(), party->id),
                          true);
    }
    p.result.efatura = efatura;
    if (invoice.header.type == InvoiceType::Return) {
        std::variant<ReturnedInvoice, QString> returned =
            returnedInvoice(*m_db, invoice.header, record ? QList<qint64>() : inRun);
        if (const QString *problem = std::get_if<QString>(&returned))
            return refuse(*problem, efatura);
        choices.returned = std::get<ReturnedInvoice>(returned);
        if (choices.returned->gibNumber.isEmpty())
            p.returnsInRun = wholeNumber(invoice.header.returnedNumber.trimmed()).value_or(0);
    }
    std::variant<EArsivDocument, QString> made = earsivDocument(invoice, choices);
    if (const QString *reason = std::get_if<QString>(&made))
        return refuse(*reason, efatura);
    EArsivDocument &d = std::get<EArsivDocument>(made);
    if (d.buyer.finalConsumer)
        p.result.notice = QStringLiteral("%1 numaralı faturanın müşterisinin (%2) vergi ya da TC "
                                         "kimlik numarası yok: nihai tüketici (%3) olarak yazıldı.")
                              .arg(number)
                              .arg(invoice.header.customerName.simplified(), finalConsumerNumber());

    if (record) {
        d.gibNumber = record->gibNumber;
        d.uuid = record->uuid;
        d.issueTime = QTime::fromString(record->issueTime, QStringLiteral("HH:mm:ss"));
        p.xml = earsivXml(d);
        if (digestOf(p.xml) != record->digest)
            return refuse(QStringLiteral("%1 numarasıyla verildikten sonra faturası ya da firma "
                                         "bilgileri değiştirilmiş. Verilmiş bir e-fatura "
                                         "değiştirilemez; iptal edilip yenisi düzenlenmelidir.")
                              .arg(record->gibNumber),
                          efatura);
        p.result.gibNumber = d.gibNumber;
    } else {
        const qint64 age = d.issueDate.daysTo(choices.today);
        if (age > daysToIssue)
            return refuse(QStringLiteral("fatura tarihi (%1) bugünden (%2) %3 gün önce; e-fatura, "
                                         "fatura tarihinden en geç %4 gün içinde düzenlenir. Bu "
                                         "fatura kâğıt fatura olarak kalır, e-fatura olarak "
                                         "yazılamaz.")
                              .arg(dateText(d.issueDate), dateText(choices.today))
                              .arg(age)
                              .arg(daysToIssue),
                          efatura);
    }
    p.document = std::move(d);
    return p;
}

EArsivResult EArsivExport::exportInvoice(qint64 number) {
    QList<EArsivResult> results;
    run({number}, results);
    return results.value(0);
}

EArsivRunEnd EArsivExport::run(const QList<qint64> &numbers, QList<EArsivResult> &results,
                               const EArsivProgress &progress, const EArsivConfirm &confirm) {
    ++m_calls;
    const auto done = qScopeGuard([this] {
        if (--m_calls == 0)
            m_folderLock.reset();
    });
    m_runNotices.clear();
    QList<qint64> unique;
    for (qint64 n : numbers)
        if (!unique.contains(n))
            unique << n;
    const int total = int(unique.size());
    if (progress && !progress(0, total))
        return EArsivRunEnd::Cancelled;
    return runOnce(unique, results, progress, confirm, 0, total);
}

EArsivRunEnd EArsivExport::runOnce(const QList<qint64> &numbers, QList<EArsivResult> &results,
                                   const EArsivProgress &progress, const EArsivConfirm &confirm,
                                   int done, int total) {
    holdFolder();
    const QDir dir(folder());
    const QHash<qint64, EArsivRecord> records = earsivRecords(*m_db, numbers);
    QList<Prepared> refusedOnes;
    QList<Prepared> again;
    QList<Prepared> fresh;
    for (qint64 n : numbers) {
        Prepared p = prepare(n, records, numbers);
        if (!p.result.refusal.isEmpty())
            refusedOnes << std::move(p);
        else if (p.record)
            again << std::move(p);
        else
            fresh << std::move(p);
    }
    // First exports in the order of their dates, so that their numbers follow the dates.
    // A return of one of the same day comes after it.
    std::stable_sort(fresh.begin(), fresh.end(), [](const Prepared &a, const Prepared &b) {
        return std::pair(a.document->issueDate, a.returnsInRun != 0) <
               std::pair(b.document->issueDate, b.returnsInRun != 0);
    });
    if (confirm && !fresh.isEmpty() &&
        !confirm(EArsivPlan{int(fresh.size()), fresh.first().document->issueDate,
                            fresh.last().document->issueDate}))
        return EArsivRunEnd::Declined;

    bool cancelled = false;
    const auto tell = [&] {
        ++done;
        if (!cancelled && progress && !progress(done, total))
            cancelled = true;
    };
    for (Prepared &p : refusedOnes) {
        results << p.result;
        tell();
    }

    // The list of e-Fatura users matters for buyers with a tax number.
    const bool taxedBuyer = std::any_of(fresh.cbegin(), fresh.cend(), [](const Prepared &p) {
        return !p.document->buyer.finalConsumer;
    });
    if (taxedBuyer) {
        const std::optional<RegisteredUserList> list = registeredUserList(*m_db);
        const QDate today = m_workspace.today();
        if (!list)
            m_runNotices << QStringLiteral(
                "e-Fatura kayıtlı kullanıcı listesi hiç alınmamış: vergi numaralı alıcılar "
                "e-Fatura kullanıcısı olsa da e-Arşiv faturası aldı. Gelir İdaresi'nin listesini "
                "indirip \"Kullanıcı Listesini Al\" ile alınız.");
        else if (list->importedAt.date().daysTo(today) > listDays)
            m_runNotices << QStringLiteral("e-Fatura kayıtlı kullanıcı listesi %1 gün önce (%2) "
                                           "alınmış, bir haftadan eski: yeni e-Fatura "
                                           "kullanıcıları e-Arşiv faturası almış olabilir. Güncel "
                                           "listeyi \"Kullanıcı Listesini Al\" ile alınız.")
                                .arg(list->importedAt.date().daysTo(today))
                                .arg(dateText(list->importedAt.date()));
    }

    // Given before: written again one by one, each file replaced only by a whole new one.
    for (Prepared &p : again) {
        if (cancelled)
            return EArsivRunEnd::Cancelled;
        if (!p.keepFiles) {
            const EArsivDocument &d = *p.document;
            const QString xmlPath = dir.filePath(d.gibNumber + QStringLiteral(".xml"));
            const QString pdfPath = dir.filePath(d.gibNumber + QStringLiteral(".pdf"));
            QString failure = writeWhole(
                xmlPath, [&](QIODevice *f) { return f->write(p.xml) == p.xml.size(); }, xmlFailure);
            if (failure.isEmpty())
                failure = writeWhole(
                    pdfPath, [&](QIODevice *f) { return writeReadableCopy(d, f); }, pdfFailure);
            if (!failure.isEmpty())
                throw EArsivError(failure);
            p.result.files = {xmlPath, pdfPath};
        }
        results << p.result;
        tell();
    }
    if (fresh.isEmpty())
        return cancelled ? EArsivRunEnd::Cancelled : EArsivRunEnd::Completed;
    if (cancelled)
        return EArsivRunEnd::Cancelled;

    QList<qint64> givenMeanwhile;
    QList<Prepared *> numbered;
    QList<Drawn> drawn;
    QString pending;
    QStringList finalFiles;
    QString failure;
    bool committed = false;
    const auto removeUncommitted = [&] {
        if (committed)
            return;
        for (const Drawn &w : drawn) {
            if (!w.xmlTemporary.isEmpty())
                QFile::remove(w.xmlTemporary);
            if (!w.pdfTemporary.isEmpty())
                QFile::remove(w.pdfTemporary);
        }
        for (const QString &f : finalFiles)
            QFile::remove(f);
        if (!pending.isEmpty())
            QFile::remove(pending);
    };
    try {
        m_db->transaction([&] {
            // The series' last serials and dates, under the lock that makes PCs take turns.
            struct Series {
                qint64 last = 0;
                std::optional<LatestNumbered> latest;
            };
            std::map<std::pair<QString, int>, Series> series;
            for (const Prepared &p : fresh) {
                const std::pair<QString, int> key(p.prefix, p.document->issueDate.year());
                if (series.count(key))
                    continue;
                Series &s = series[key];
                s.last = lastEArsivSerial(*m_db, key.first, key.second);
                s.latest = latestNumbered(*m_db, key.first, key.second);
            }
            // Another PC may have given some of them their numbers while this one waited.
            QList<qint64> freshNumbers;
            for (const Prepared &p : fresh)
                freshNumbers << p.result.invoiceNumber;
            const QHash<qint64, EArsivRecord> now = earsivRecords(*m_db, freshNumbers);

            const QDateTime moment = m_workspace.now();
            QStringList note;
            int dateRefused = 0;
            for (Prepared &p : fresh) {
                const qint64 n = p.result.invoiceNumber;
                if (now.contains(n)) {
                    givenMeanwhile << n;
                    continue;
                }
                EArsivDocument &d = *p.document;
                // A return of an invoice numbered in this run names it by its new number; it
                // cannot go without it.
                if (p.returnsInRun != 0) {
                    const auto original =
                        std::find_if(numbered.cbegin(), numbered.cend(), [&](const Prepared *o) {
                            return o->result.invoiceNumber == p.returnsInRun;
                        });
                    if (original == numbered.cend()) {
                        p.result.refusal =
                            refused(n,
                                    QStringLiteral("iade edilen %1 numaralı fatura bu aktarımda "
                                                   "e-fatura olarak yazılamadı; önce onu düzeltip "
                                                   "yazınız.")
                                        .arg(p.returnsInRun),
                                    p.result.efatura);
                        ++dateRefused;
                        continue;
                    }
                    d.returned = ReturnedInvoice{(*original)->document->gibNumber,
                                                 (*original)->document->issueDate};
                }
                Series &s = series[{p.prefix, d.issueDate.year()}];
                if (s.latest && d.issueDate < s.latest->issueDate) {
                    p.result.refusal = refused(
                        n,
                        QStringLiteral("tarihi (%1), %2 serisinde %3 yılında en son numara "
                                       "verilen %4 numaralı belgenin (%5 numaralı fatura) "
                                       "tarihinden (%6) önce; numaralar tarih sırasını izler, bu "
                                       "tarihe artık numara verilemez.")
                            .arg(dateText(d.issueDate), p.prefix)
                            .arg(d.issueDate.year())
                            .arg(s.latest->gibNumber)
                            .arg(s.latest->invoiceNumber)
                            .arg(dateText(s.latest->issueDate)),
                        p.result.efatura);
                    ++dateRefused;
                    continue;
                }
                if (s.last + 1 > largestSerial)
                    throw EArsivError(QStringLiteral("%1 serisinde %2 yılı için e-fatura numarası "
                                                     "kalmadı.")
                                          .arg(p.prefix)
                                          .arg(d.issueDate.year()));
                ++s.last;
                d.gibNumber = QStringLiteral("%1%2%3")
                                  .arg(p.prefix)
                                  .arg(d.issueDate.year(), 4, 10, QLatin1Char('0'))
                                  .arg(s.last, 9, 10, QLatin1Char('0'));
                s.latest = LatestNumbered{n, d.gibNumber, d.issueDate};
                d.uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
                const QTime at = p.savedAt.isValid() ? p.savedAt.time() : moment.time();
                d.issueTime = QTime(at.hour(), at.minute(), at.second());
                p.result.gibNumber = d.gibNumber;
                numbered << &p;
                note << d.gibNumber + u' ' + d.uuid;
            }
            for (int i = 0; i < dateRefused; ++i)
                tell();
            if (numbered.isEmpty())
                return;
            // Written first: a kill from here to the commit leaves files that the next export
            // or start finds by it, unrecorded, and removes.
            const QString notePath =
                dir.filePath(numbered.first()->document->gibNumber + pendingSuffix);
            {
                QFile f(notePath);
                const QByteArray bytes = (note.join(u'\n') + u'\n').toUtf8();
                pending = notePath;
                if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.flush())
                    throw EArsivError(
                        xmlFailure.arg(notePath, f.errorString() + fullDiskNote(dir.path())));
            }

            // The XML and PDF of each on every core, under temporary names.
            drawn = QList<Drawn>(numbered.size());
            qsizetype kept = numbered.size();
            std::atomic<bool> stop = false;
            QMutex mutex;
            QWaitCondition finished;
            int finishedCount = 0;
            {
                QThreadPool pool;
                pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
                for (qsizetype i = 0; i < numbered.size(); ++i) {
                    pool.start([&, i] {
                        if (!stop)
                            drawFiles(*numbered.at(i)->document, dir, drawn[i]);
                        const QMutexLocker lock(&mutex);
                        ++finishedCount;
                        finished.wakeAll();
                    });
                }
                int told = 0;
                // Stopped, the run keeps the invoices told of by then, in their order.
                qsizetype keep = numbered.size();
                QMutexLocker lock(&mutex);
                while (told < numbered.size()) {
                    while (finishedCount == told)
                        finished.wait(&mutex);
                    const int finishedNow = finishedCount;
                    lock.unlock();
                    for (; told < finishedNow; ++told) {
                        tell();
                        if (cancelled && !stop) {
                            stop = true;
                            keep = told + 1;
                        }
                    }
                    lock.relock();
                }
                lock.unlock();
                pool.waitForDone();
                kept = keep;
            }

            // Each series keeps its numbers up to the first invoice not written: no gaps.
            QSet<std::pair<QString, int>> broken;
            for (qsizetype i = 0; i < numbered.size(); ++i) {
                Prepared &p = *numbered.at(i);
                const EArsivDocument &d = *p.document;
                const std::pair<QString, int> key(p.prefix, d.issueDate.year());
                const Drawn &w = drawn.at(i);
                const bool whole = w.failure.isEmpty() && !w.pdfTemporary.isEmpty() && i < kept;
                if (!whole && failure.isEmpty() && !w.failure.isEmpty())
                    failure = w.failure;
                if (!whole || broken.contains(key)) {
                    broken.insert(key);
                    p.result.gibNumber.clear();
                    continue;
                }
                // The files under their names first; one that cannot be named breaks the
                // series there, as a file that could not be written does.
                const QString xmlPath = dir.filePath(d.gibNumber + QStringLiteral(".xml"));
                const QString pdfPath = dir.filePath(d.gibNumber + QStringLiteral(".pdf"));
                QString renameFailure;
                if (!renameOver(w.xmlTemporary, xmlPath))
                    renameFailure =
                        xmlFailure.arg(xmlPath, QString::fromLocal8Bit(std::strerror(errno)));
                else if (!renameOver(w.pdfTemporary, pdfPath))
                    renameFailure =
                        pdfFailure.arg(pdfPath, QString::fromLocal8Bit(std::strerror(errno)));
                if (!renameFailure.isEmpty()) {
                    QFile::remove(xmlPath);
                    if (failure.isEmpty())
                        failure = renameFailure;
                    broken.insert(key);
                    p.result.gibNumber.clear();
                    continue;
                }
                finalFiles << xmlPath << pdfPath;
                insertEArsivRecord(*m_db,
                                   {p.result.invoiceNumber, d.gibNumber, p.prefix,
                                    d.issueDate.year(), d.gibNumber.right(9).toLongLong(), d.uuid,
                                    d.issueTime.toString(QStringLiteral("HH:mm:ss")), p.vatRate,
                                    w.digest, moment.toString(Qt::ISODate), d.profile, d.sendType,
                                    d.issueDate.toString(Qt::ISODate), documentFormat});
                drawn[i].xmlTemporary.clear();
                drawn[i].pdfTemporary.clear();
                p.result.files = {xmlPath, pdfPath};
                p.result.firstExport = true;
            }
            // What was not kept goes before the commit.
            for (Drawn &w : drawn) {
                for (QString *t : {&w.xmlTemporary, &w.pdfTemporary}) {
                    if (!t->isEmpty())
                        QFile::remove(*t);
                    t->clear();
                }
            }
            // Every file on the disk before the numbers are: one sync for the whole run.
            if (!finalFiles.isEmpty()) {
                if (const QString why = syncFolder(dir.path(), finalFiles + QStringList{notePath});
                    !why.isEmpty())
                    throw EArsivError(QStringLiteral("e-Arşiv dosyaları diske yazılamadı: %1\n%2")
                                          .arg(dir.path(), why + fullDiskNote(dir.path())));
            }
        });
        committed = true;
    } catch (...) {
        removeUncommitted();
        throw;
    }
    if (!pending.isEmpty())
        QFile::remove(pending);
    for (Prepared &p : fresh) {
        if (givenMeanwhile.contains(p.result.invoiceNumber))
            continue;
        // Refused for its date, or written.
        if (!p.result.refusal.isEmpty() || !p.result.files.isEmpty())
            results << p.result;
    }
    if (!failure.isEmpty())
        throw EArsivError(failure);
    if (!givenMeanwhile.isEmpty())
        return runOnce(givenMeanwhile, results, progress, {}, done, total);
    return cancelled ? EArsivRunEnd::Cancelled : EArsivRunEnd::Completed;
}

QString earsivFolder(const QDir &workingFolder) {
    return workingFolder.filePath(QStringLiteral("earsiv"));
}

QStringList tidyEArsivFolder(const QDir &workingFolder, const QString &databasePath) {
    const QString dir = earsivFolder(workingFolder);
    if (!QFileInfo(dir).isDir())
        return {};
    QLockFile lock(QDir(dir).filePath(folderLockName));
    // An export writing there now tidies when it starts.
    if (!takeFolderLock(lock, 0))
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

QString numberingQuestion(const EArsivPlan &plan) {
    const QString dates =
        plan.from == plan.to
            ? QStringLiteral("tarihi %1").arg(dateText(plan.from))
            : QStringLiteral("tarihleri %1 – %2").arg(dateText(plan.from), dateText(plan.to));
    return QStringLiteral("%1 faturaya yeni e-fatura numarası verilecek (%2). Numara verilen "
                          "fatura artık değiştirilemez ve numarası geri alınamaz.\n\nDevam "
                          "edilsin mi?")
        .arg(plan.newNumbers)
        .arg(dates);
}

QString exportSummary(const QList<EArsivResult> &results, int total, EArsivRunEnd end,
                      const QString &folder, const QStringList &runNotices) {
    QStringList notices;
    QStringList refusals;
    int written = 0;
    int efaturas = 0;
    for (const EArsivResult &r : results) {
        if (!r.refusal.isEmpty()) {
            refusals << r.refusal;
            continue;
        }
        ++written;
        efaturas += r.efatura ? 1 : 0;
        if (!r.notice.isEmpty())
            notices << r.notice;
    }
    QStringList parts;
    if (written > 0 && efaturas == 0)
        parts << QStringLiteral("%1 e-Arşiv faturası yazıldı:\n%2")
                     .arg(written)
                     .arg(QDir::toNativeSeparators(folder));
    else if (written == efaturas)
        parts << QStringLiteral("%1 e-Fatura yazıldı:\n%2")
                     .arg(written)
                     .arg(QDir::toNativeSeparators(folder));
    else if (written > 0)
        parts << QStringLiteral("%1 e-Arşiv faturası ve %2 e-Fatura yazıldı:\n%3")
                     .arg(written - efaturas)
                     .arg(efaturas)
                     .arg(QDir::toNativeSeparators(folder));
    else
        parts << QStringLiteral("Hiçbir e-Arşiv faturası yazılmadı.");
    const qsizetype rest = total - results.size();
    if (end == EArsivRunEnd::Cancelled)
        parts << QStringLiteral("İptal edildi: kalan %1 fatura yazılmadı.").arg(rest);
    else if (end == EArsivRunEnd::Failed)
        parts << QStringLiteral("Hata nedeniyle durdu: kalan %1 fatura yazılmadı.").arg(rest);
    if (!runNotices.isEmpty())
        parts << runNotices.join(u'\n');
    if (!notices.isEmpty())
        parts << notices.join(u'\n');
    if (!refusals.isEmpty())
        parts << QStringLiteral("Yazılmayan faturalar:\n") + refusals.join(u'\n');
    return parts.join(QStringLiteral("\n\n"));
}
