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
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

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
        return s;
    }

    // Saves an invoice as the invoice window does from typed lines, each {quantity,
    // description, discount percent, unit price}. The discount goes in unchecked, as another
    // tool could store it.
    // Stored as an older program stored it, without the rates beside the rows, unless
    // `rate` is given: then as this program saves it, at that rate.
    void store(qint64 number, const QList<QStringList> &lines, int vatMode = VatExcluded,
               const QString &date = u"15.06.2026"_qs, const QString &name = u"Ayşe Yılmaz"_qs,
               const QString &tax = u"Kadıköy 10000000146"_qs, const QString &rate = {}) {
        Invoice invoice;
        InvoiceHeader &h = invoice.header;
        h.number = number;
        h.customerNumber = u"7"_qs;
        h.customerName = name;
        h.address = u"Gül Sok. 3"_qs;
        h.address2 = u"Kadıköy / İstanbul"_qs;
        h.taxOffice = tax;
        h.invoiceDate = h.deliveryNoteDate = date;
        h.deliveryNoteNumber = u"İ-12"_qs;
        invoice.vatMode = vatMode;
        invoice.setVatRate(rate.isEmpty() ? u"18"_qs : rate);
        for (const QStringList &l : lines)
            QCOMPARE(addLine(invoice, {l[1], {}, l[0], l[3], {}, {}, {}}), QString());
        InvoiceRecord r = invoiceRecord(invoice);
        for (qsizetype i = 0; i < lines.size(); ++i)
            r.lines[i].iskonto = lines[i][2].isNull() ? u""_qs : lines[i][2];
        Database d(db, Database::Access::Write);
        InvoiceInfo info = rate.isEmpty() ? InvoiceInfo() : r.info;
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

// The text of every element of an XML document by its path of local names
// ("Invoice/InvoiceLine/ID"), in document order.
struct XmlValues {
    QByteArray xml;
    QStringList all(const QString &path) const {
        QXmlStreamReader r(xml);
        QStringList at, values;
        while (!r.atEnd()) {
            r.readNext();
            if (r.isStartElement())
                at << r.name().toString();
            else if (r.isEndElement())
                at.removeLast();
            else if (r.isCharacters() && !r.isWhitespace() && at.join(u'/') == path)
                values << r.text().toString();
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
