#include "invoice/earsivexport.h"

#include "base/numbers.h"
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
#include <QSaveFile>
#include <QUuid>

namespace {

constexpr qint64 largestSerial = 999'999'999;

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

void writeWhole(QSaveFile &file, const QString &path) {
    if (!file.commit())
        throw EArsivError(
            QStringLiteral("e-Arşiv dosyası yazılamadı: %1\n%2").arg(path, file.errorString()));
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
    return m_workspace.filePath(QStringLiteral("earsiv"));
}

QStringList EArsivExport::writeFiles(const EArsivDocument &document, const QByteArray &xml,
                                     bool firstTime) {
    const QString dir = folder();
    if (!QDir().mkpath(dir))
        throw EArsivError(QStringLiteral("e-Arşiv klasörü oluşturulamadı: %1").arg(dir));
    QStringList written;
    try {
        const QString xmlPath = QDir(dir).filePath(document.gibNumber + QStringLiteral(".xml"));
        QSaveFile x(xmlPath);
        if (!x.open(QIODevice::WriteOnly) || x.write(xml) != xml.size()) {
            x.cancelWriting();
            throw EArsivError(
                QStringLiteral("e-Arşiv dosyası yazılamadı: %1\n%2").arg(xmlPath, x.errorString()));
        }
        writeWhole(x, xmlPath);
        written << xmlPath;

        const QString pdfPath = QDir(dir).filePath(document.gibNumber + QStringLiteral(".pdf"));
        QSaveFile p(pdfPath);
        if (!p.open(QIODevice::WriteOnly) || !writeReadableCopy(document, &p)) {
            const QString why = p.errorString();
            p.cancelWriting();
            throw EArsivError(QStringLiteral("e-Arşiv faturasının PDF kopyası yazılamadı: %1\n%2")
                                  .arg(pdfPath, why));
        }
        writeWhole(p, pdfPath);
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
    EArsivResult result;
    result.invoiceNumber = number;
    const QList<StoredRow> rows = invoiceRows(*m_db, number);
    if (rows.isEmpty()) {
        result.refusal = refused(number, QStringLiteral("fatura bulunamadı."));
        return result;
    }
    Invoice invoice;
    if (const QString problem = loadStoredRows(invoice, rows); !problem.isEmpty()) {
        result.refusal = refused(number, problem);
        return result;
    }
    invoice.header.number = number;

    const std::optional<EArsivRecord> record = earsivRecord(*m_db, number);
    if (record && m_rateGiven && record->vatRate != m_rateText) {
        result.refusal = refused(
            number, QStringLiteral("daha önce %1 numarasıyla %%2 KDV ile verildi; başka bir KDV "
                                   "oranıyla yeniden yazılamaz.")
                        .arg(record->gibNumber, plainNumberText(leadingNumber(record->vatRate))));
        return result;
    }
    invoice.setVatRate(record ? record->vatRate : m_rateText);

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
        result.gibNumber = d.gibNumber;
        result.files = writeFiles(d, xml, false);
        return result;
    }

    QStringList written;
    try {
        m_db->transaction([&] {
            const int year = d.issueDate.year();
            const qint64 serial = lastEArsivSerial(*m_db, m_prefix, year) + 1;
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
            insertEArsivRecord(*m_db, {number, d.gibNumber, m_prefix, year, serial, d.uuid,
                                       d.issueTime.toString(QStringLiteral("HH:mm:ss")), m_rateText,
                                       digestOf(xml), now.toString(Qt::ISODate)});
            written = writeFiles(d, xml, true);
        });
    } catch (...) {
        // The number goes back with the transaction; so must the files that carry it.
        for (const QString &f : written)
            QFile::remove(f);
        throw;
    }
    result.gibNumber = d.gibNumber;
    result.files = written;
    result.firstExport = true;
    return result;
}

bool EArsivExport::run(const QList<qint64> &numbers, QList<EArsivResult> &results,
                       const EArsivProgress &progress) {
    const int total = int(numbers.size());
    if (progress && !progress(0, total))
        return false;
    for (int i = 0; i < total; ++i) {
        results << exportInvoice(numbers.at(i));
        if (progress && !progress(i + 1, total) && i + 1 < total)
            return false;
    }
    return true;
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
