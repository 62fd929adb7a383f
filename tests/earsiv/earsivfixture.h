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

// The customer part of a stored invoice.
struct EArsivHeader {
    QString date = u"15.06.2026"_qs;
    QString name = u"Ayşe Yılmaz"_qs;
    QString taxOffice = u"Kadıköy 10000000146"_qs;
    QString address2 = u"Kadıköy / İstanbul"_qs;
};

// A working folder with settings (VAT rate 18 unless told otherwise), a database holding the
// seller's details, and a fixed clock.
class EArsivFixture {
public:
    explicit EArsivFixture(const QString &rate = u"18"_qs)
        : workspace(dir.path()) {
        ayarlar a = defaultSettings();
        a.kdv_yuzde = rate;
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
        return {u"1234567890"_qs,
                u"Deniz & Oğulları <Gıda> Ltd. Şti."_qs,
                {},
                {},
                u"Kadıköy"_qs,
                u"Moda Cad. No: 5"_qs,
                u"Kadıköy"_qs,
                u"İstanbul"_qs,
                u"0216 555 00 00"_qs,
                u"satis@deniz.com.tr"_qs,
                u"ABC"_qs};
    }

    using Header = EArsivHeader;

    // Saves an invoice as the invoice window does from typed lines: each line is
    // {quantity, description, discount percent, unit price}.
    void store(qint64 number, const QList<QStringList> &lines, int vatMode,
               const Header &h = Header()) {
        Invoice invoice;
        invoice.header = {number, u"7"_qs,    h.name, u"Gül Sok. 3"_qs, h.address2, h.taxOffice,
                          h.date, u"İ-12"_qs, h.date};
        invoice.vatMode = vatMode;
        invoice.setVatRate(u"18"_qs);
        for (const QStringList &l : lines) {
            const QString problem = addLine(invoice, {l[1], l[2], l[0], l[3]});
            if (!problem.isEmpty())
                QTest::qFail(qPrintable(problem), __FILE__, __LINE__);
        }
        const InvoiceRecord r = invoiceRecord(invoice);
        Database d(db, Database::Access::Write);
        if (!insertInvoice(d, r.header, r.lines))
            replaceInvoice(d, r.header, r.lines);
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

// Every element of an XML document by its path of local names ("Invoice/InvoiceLine/ID"),
// each attribute as "path@name", in document order.
class XmlValues {
public:
    explicit XmlValues(const QByteArray &xml) {
        QXmlStreamReader r(xml);
        QStringList path;
        while (!r.atEnd()) {
            r.readNext();
            if (r.isStartElement()) {
                path << r.name().toString();
                const QString at = path.join(u'/');
                m_paths << at;
                m_values << QString();
                for (const QXmlStreamAttribute &a : r.attributes()) {
                    m_paths << at + u'@' + a.name().toString();
                    m_values << a.value().toString();
                }
                m_open << m_values.size() - 1 - r.attributes().size();
            } else if (r.isCharacters() && !r.isWhitespace() && !m_open.isEmpty()) {
                m_values[m_open.last()] += r.text();
            } else if (r.isEndElement()) {
                path.removeLast();
                m_open.removeLast();
            }
        }
        m_error = r.hasError() ? r.errorString() : QString();
    }
    QStringList all(const QString &path) const {
        QStringList v;
        for (qsizetype i = 0; i < m_paths.size(); ++i) {
            if (m_paths.at(i) == path)
                v << m_values.at(i);
        }
        return v;
    }
    QString one(const QString &path) const {
        const QStringList v = all(path);
        return v.size() == 1 ? v.first() : u"<%1 kez>"_qs.arg(v.size());
    }
    // Each value whose path ends with `suffix` but not with `other`.
    QStringList ending(const QString &suffix, const QString &other = u"\n"_qs) const {
        QStringList v;
        for (qsizetype i = 0; i < m_paths.size(); ++i) {
            if (m_paths.at(i).endsWith(suffix) && !m_paths.at(i).endsWith(other))
                v << m_values.at(i);
        }
        return v;
    }
    QString error() const { return m_error; }

private:
    QStringList m_paths;
    QStringList m_values;
    QList<qsizetype> m_open;
    QString m_error;
};

// Kuruş of an XML amount written with exactly two decimals; -1 for any other form.
inline qint64 kurus(const QString &amount) {
    static const QRegularExpression form(u"^(\\d+)\\.(\\d\\d)$"_qs);
    const QRegularExpressionMatch m = form.match(amount);
    return m.hasMatch() ? m.captured(1).toLongLong() * 100 + m.captured(2).toLongLong() : -1;
}

// Kuruş of a money text as the window shows it ("2.667,86").
inline qint64 windowKurus(QString money) {
    money.remove(u'.');
    money.replace(u',', u'.');
    return kurus(money);
}

inline qint64 sum(const QStringList &amounts) {
    qint64 s = 0;
    for (const QString &a : amounts)
        s += kurus(a);
    return s;
}
