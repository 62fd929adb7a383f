#pragma once

#include "invoice/invoice.h"
#include "invoice/saving.h"
#include "invoice/workspace.h"
#include "settings/settingsfile.h"
#include "store/invoices.h"
#include "store/seller.h"
#include "tests/common/testdb.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

// The header of an invoice the fixture saves; what a test leaves alone is an ordinary sale
// to a person with a TCKN, dated five days before the fixture's today.
struct Saved {
    int vatMode = VatExcluded;
    QString date = QStringLiteral("25.06.2026");
    QString name = QStringLiteral("Ayşe Yılmaz");
    QString tax = QStringLiteral("Kadıköy 10000000146");
    QString address2 = QStringLiteral("Kadıköy / İstanbul");
    QString deliveryNote = QStringLiteral("İ-12");
    QString deliveryDate; // the invoice's date when empty
    // Empty: stored as an older program stored it, without the rates beside the rows (lines
    // at the rate of the export). A rate: saved as this program saves it, at that rate, with
    // each line's own rate, unit and exemption.
    QString rate;
    InvoiceType type = InvoiceType::Sale;
    QString returnedNumber;
    QString returnedDate;
    QDateTime savedAt;
};

// A working folder with settings (VAT rate 18), a database holding the seller's details, and
// a fixed clock.
class EArsivFixture {
public:
    EArsivFixture()
        : workspace(dir.path()) {
        ayarlar a = defaultSettings();
        a.kdv_yuzde = u"18"_qs;
        ayarlari_yaz(a, workspace.settingsPath());
        db = workspace.databasePath(a);
        createDatabase(db);
        Database d(db, Database::Access::Write);
        writeSeller(d, seller());
        workspace.seams.clock = [this] { return today; };
        workspace.seams.now = [this] { return QDateTime(today, time); };
    }

    // A company seller whose name needs escaping in XML.
    static SellerRecord seller() {
        SellerRecord s;
        s.taxNumber = u"1234567890"_qs;
        s.title = u"Deniz & Oğulları <Gıda> Ltd. Şti."_qs;
        s.taxOffice = s.district = u"Kadıköy"_qs;
        s.street = u"Moda Cad. No: 5"_qs;
        s.city = u"İstanbul"_qs;
        s.phone = u"0216 555 00 00"_qs;
        s.email = u"satis@deniz.com.tr"_qs;
        s.seriesPrefix = u"ABC"_qs;
        s.efaturaPrefix = u"EFA"_qs;
        return s;
    }

    // Saves an invoice as the invoice window does from typed lines, each {quantity,
    // description, discount percent, unit price} and, for an invoice saved with its rate,
    // optionally the line's own rate, unit and exemption code. The discount goes in unchecked,
    // as another tool could store it.
    void store(qint64 number, const QList<QStringList> &lines, const Saved &s = {}) {
        Invoice invoice;
        InvoiceHeader &h = invoice.header;
        h.number = number;
        h.customerNumber = u"7"_qs;
        h.customerName = s.name;
        h.address = u"Gül Sok. 3"_qs;
        h.address2 = s.address2;
        h.taxOffice = s.tax;
        h.invoiceDate = s.date;
        h.deliveryNoteDate = s.deliveryDate.isEmpty() ? s.date : s.deliveryDate;
        h.deliveryNoteNumber = s.deliveryNote;
        h.type = s.type;
        h.returnedNumber = s.returnedNumber;
        h.returnedDate = s.returnedDate;
        h.savedAt = s.savedAt;
        invoice.vatMode = s.vatMode;
        invoice.setVatRate(s.rate.isEmpty() ? u"18"_qs : s.rate);
        for (const QStringList &l : lines)
            QCOMPARE(addLine(invoice, {l[1], {}, l[0], l[3], l.value(4), l.value(5), l.value(6)}),
                     QString());
        InvoiceRecord r = invoiceRecord(invoice);
        for (qsizetype i = 0; i < lines.size(); ++i)
            r.lines[i].iskonto = lines[i][2].isNull() ? u""_qs : lines[i][2];
        Database d(db, Database::Access::Write);
        InvoiceInfo info = s.rate.isEmpty() ? InvoiceInfo() : r.info;
        info.changeCount = invoiceInfo(d, number).changeCount;
        if (!insertInvoice(d, r.header, r.lines, info))
            QVERIFY(replaceInvoice(d, r.header, r.lines, info));
    }

    QString folder() const { return workspace.filePath(u"earsiv"_qs); }
    QString file(const QString &gibNumber, const char *suffix) const {
        return QDir(folder()).filePath(gibNumber + QString::fromLatin1(suffix));
    }

    QTemporaryDir dir;
    Workspace workspace;
    QString db;
    QDate today{2026, 6, 30};
    QTime time{10, 11, 12};
};

// What xmllint says against the OASIS UBL 2.1 invoice schema: empty when every file is valid.
inline QString schemaProblems(const QStringList &files) {
    QProcess p;
    p.start(u"xmllint"_qs, QStringList{u"--noout"_qs, u"--schema"_qs,
                                       QStringLiteral(FATURA_TESTDATA_DIR
                                                      "/ubl-2.1/maindoc/UBL-Invoice-2.1.xsd")} +
                               files);
    if (!p.waitForFinished(120000))
        return u"xmllint çalıştırılamadı (libxml2-utils kurulu mu?)"_qs;
    const QString said = QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 ? QString() : said + u"!"_qs;
}

// The text of every element (or attribute, as "path/@name") of an XML document by its path of
// local names ("Invoice/InvoiceLine/ID"), in document order.
struct XmlValues {
    QByteArray xml;
    QStringList all(const QString &path) const {
        const qsizetype at = path.indexOf(u"/@"_qs);
        const QString element = at < 0 ? path : path.left(at);
        const QString attribute = at < 0 ? QString() : path.mid(at + 2);
        QXmlStreamReader r(xml);
        QStringList open, values;
        while (!r.atEnd()) {
            r.readNext();
            if (r.isStartElement()) {
                open << r.name().toString();
                if (!attribute.isEmpty() && open.join(u'/') == element)
                    values << r.attributes().value(attribute).toString();
            } else if (r.isEndElement()) {
                open.removeLast();
            } else if (attribute.isEmpty() && r.isCharacters() && !r.isWhitespace() &&
                       open.join(u'/') == element) {
                values << r.text().toString();
            }
        }
        return values;
    }
    // The one value at `path`; several show joined, so that a comparison fails.
    QString one(const QString &path) const { return all(path).join(u" | "_qs); }
};

// Kuruş of an XML amount written with exactly two decimals; -1 for any other form.
inline qint64 kurus(const QString &amount) {
    static const QRegularExpression form(u"^(\\d+)\\.(\\d\\d)$"_qs);
    const QRegularExpressionMatch m = form.match(amount);
    return m.hasMatch() ? m.captured(1).toLongLong() * 100 + m.captured(2).toLongLong() : -1;
}

// What the QR code on the first page of a PDF holds, read from the page rendered at 200 dpi as
// a phone's camera would see it (pdftoppm, zbarimg); empty when none can be read.
inline QByteArray qrOnFirstPage(const QString &pdf) {
    QTemporaryDir tmp;
    QProcess render;
    render.start(u"pdftoppm"_qs, {u"-r"_qs, u"200"_qs, u"-png"_qs, u"-f"_qs, u"1"_qs, u"-l"_qs,
                                  u"1"_qs, u"-singlefile"_qs, pdf, tmp.filePath(u"sayfa"_qs)});
    if (!render.waitForFinished(60000) || render.exitCode() != 0)
        return {};
    QProcess read;
    read.start(u"zbarimg"_qs, {u"--raw"_qs, u"-q"_qs, tmp.filePath(u"sayfa.png"_qs)});
    if (!read.waitForFinished(60000))
        return {};
    return read.readAllStandardOutput().trimmed();
}
