#pragma once

#include "db/customers.h"
#include "db/database.h"
#include "db/invoices.h"
#include "invoice/Form3.h"
#include "invoice/printer.h"
#include "settings/ayarlar.h"
#include "ui/messages.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "tests/common/recorder.h"

// A working directory holding ayarlar.dat (VAT rate 18) and an empty database, current
// while the fixture lives. Message boxes go to `messages` and are answered with `answer`.
class InvoiceFixture {
public:
    InvoiceFixture()
        : m_oldDir(QDir::currentPath()) {
        ayarlar a = varsayilanAyarlar();
        a.kdv_yuzde = u" 18 "_qs;
        ayarlari_yaz(a, m_dir.filePath(u"ayarlar.dat"_qs));
        m_db = m_dir.filePath(veritabaniYolu(a.veritabani_yolu));
        veritabaniOlustur(m_db);
        QDir::setCurrent(m_dir.path());
        Messages::setTestHandler([this](const Messages::Message &m) {
            messages << m;
            return answer;
        });
        // Printing goes into `printed`, whatever printers the machine has.
        Form3::setPrintTargetFactory([this](const QString &) {
            PrintTarget t;
            t.printer = std::make_unique<Recorder>(printed);
            return t;
        });
    }
    ~InvoiceFixture() {
        Form3::setPrintTargetFactory({});
        Messages::setTestHandler({});
        QDir::setCurrent(m_oldDir);
    }

    const QString &database() const { return m_db; }

    QStringList messageTexts() const {
        QStringList t;
        for (const Messages::Message &m : messages)
            t << m.text;
        return t;
    }

    void addCustomer(qint64 number, const QString &name, const QString &address = {},
                     const QString &address2 = {}, const QString &taxOffice = {}) {
        Veritabani db(m_db, Veritabani::Erisim::Yazma);
        musteriEkle(db, {number, name, address, address2, taxOffice});
    }

    void storeInvoice(qint64 number, const QList<FaturaKalemi> &lines, int vatMode = 0) {
        const FaturaBasligi h = {
            u"3"_qs, u"Kayıtlı Müşteri"_qs, u"Kayıtlı adres"_qs, u"Kat 2"_qs,      u"Konak 42"_qs,
            vatMode, u"05.03.2024"_qs,      u"İ-9"_qs,           u"04.03.2024"_qs, number};
        Veritabani db(m_db, Veritabani::Erisim::Yazma);
        yeniFaturaKaydet(db, h, lines);
    }

    void execute(const QString &sql) {
        Veritabani db(m_db, Veritabani::Erisim::Yazma);
        QSqlQuery q(db.db());
        QVERIFY2(q.exec(sql), qPrintable(sql));
    }

    QList<KayitliSatir> rows(qint64 number) {
        Veritabani db(m_db);
        return faturaSatirlari(db, number);
    }

    QStringList printedTexts() const {
        QStringList t;
        for (const RecordingPrinter::Line &l : printed.lines())
            t << l.text;
        return t;
    }

    QList<Messages::Message> messages;
    bool answer = false;
    RecordingPrinter printed;

private:
    QString m_oldDir;
    QTemporaryDir m_dir;
    QString m_db;
};

template <class T = QLineEdit> T *field(const QWidget *form, const char *name) {
    T *w = form->findChild<T *>(QString::fromLatin1(name));
    if (!w)
        qFatal("no %s", name);
    return w;
}

inline QString text(const QWidget *form, const char *name) {
    return field(form, name)->text();
}

// The texts of several boxes at once.
inline QStringList texts(const QWidget *form, std::initializer_list<const char *> names) {
    QStringList t;
    for (const char *name : names)
        t << text(form, name);
    return t;
}

// The five cells of a grid row; line n of the invoice is table row n - 1.
inline QStringList line(const QWidget *form, int row) {
    const auto *grid = field<QTableWidget>(form, "MSFlexGrid1");
    QStringList cells;
    for (int c = 0; c < grid->columnCount(); ++c)
        cells << (grid->item(row, c) ? grid->item(row, c)->text() : QString());
    return cells;
}

inline int gridRows(const QWidget *form) {
    return field<QTableWidget>(form, "MSFlexGrid1")->rowCount();
}

inline void click(const QWidget *form, const char *button) {
    QTest::mouseClick(field<QPushButton>(form, button), Qt::LeftButton);
}

// Types one line into the line entry and presses EKLE.
inline void addLine(const QWidget *form, const QString &description, const QString &discount,
                    const QString &quantity, const QString &price) {
    field(form, "Text3")->setText(description);
    field(form, "Text14")->setText(discount);
    field(form, "Text9")->setText(quantity);
    field(form, "Text10")->setText(price);
    click(form, "Command2");
}

// Picks an entry from a drop-down list as a user does: open it, choose, Enter.
inline void choose(QComboBox *combo, const QString &entry) {
    const int i = combo->findText(entry);
    QVERIFY2(i >= 0, qPrintable(entry));
    combo->showPopup();
    QAbstractItemView *view = combo->view();
    QTRY_VERIFY(view->isVisible());
    view->setCurrentIndex(view->model()->index(i, 0));
    QTest::keyClick(view, Qt::Key_Return);
    QTRY_VERIFY(!view->isVisible());
}
