// A database that another program holds locked is waited for, and then reported as in use,
// never as damaged: the user must not be invited to throw a healthy file away.
#include "gui/Form3.h"
#include "tests/common/windowfixture.h"

#include <QElapsedTimer>
#include <QSqlDatabase>

#include <future>
#include <semaphore>
#include <thread>

namespace {

// Another connection, in a thread of its own, holding a lock on the file until `holdMs` have
// passed or it is destroyed: BEGIN EXCLUSIVE keeps every other connection out, BEGIN
// IMMEDIATE other writers only, as another program in the middle of a save does.
class LockHolder {
public:
    LockHolder(const QString &path, const QString &begin, int holdMs)
        : m_thread([=, this] {
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_qs, u"kilit"_qs);
                db.setDatabaseName(path);
                m_locked.set_value(db.open() && QSqlQuery(db).exec(begin));
                (void)m_release.try_acquire_for(std::chrono::milliseconds(holdMs));
                db.close(); // ends the transaction, and with it the lock
            }
            QSqlDatabase::removeDatabase(u"kilit"_qs);
        }) {}
    ~LockHolder() {
        m_release.release();
        m_thread.join();
    }
    bool locked() { return m_lockedResult.get(); }

private:
    std::promise<bool> m_locked;
    std::future<bool> m_lockedResult = m_locked.get_future();
    std::binary_semaphore m_release{0};
    std::thread m_thread; // last: it starts once the rest is there
};

} // namespace

class TestLocked : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void saveWhileLocked_data();
    void saveWhileLocked();
};

void TestLocked::saveWhileLocked_data() {
    QTest::addColumn<QString>("begin");
    QTest::addColumn<int>("holdMs");
    QTest::addColumn<bool>("saved");
    // Held longer than the program waits: reported as in use, nothing written.
    QTest::newRow("uzun kilit") << "BEGIN EXCLUSIVE" << 60000 << false;
    // Let go while the program waits: the save goes through as if nothing had happened.
    QTest::newRow("kısa kilit") << "BEGIN EXCLUSIVE" << 1000 << true;
    // Another program writing: the save may read meanwhile, and then waits to write rather
    // than be refused at once.
    QTest::newRow("başka yazan") << "BEGIN IMMEDIATE" << 1000 << true;
}

// The invoice window saves a new invoice while another program holds the database.
void TestLocked::saveWhileLocked() {
    QFETCH(QString, begin);
    QFETCH(int, holdMs);
    QFETCH(bool, saved);
    WindowFixture fx;
    Shown<Form3> form(fx.workspace);
    setText(&form, "Text12", u"101"_qs);
    setText(&form, "Combo1", u"1"_qs);
    setText(&form, "Combo2", u"Ayşe Kılıç"_qs);
    addLine(&form, u"Vida"_qs, {}, u"2"_qs, u"5"_qs);
    QVERIFY(fx.messages.isEmpty());
    const QString inUse =
        u"Veritabanı şu anda başka bir program tarafından kullanılıyor: "_qs + fx.db;
    qint64 waited = 0;
    {
        LockHolder lock(fx.db, begin, holdMs);
        QVERIFY(lock.locked());
        QElapsedTimer clock;
        clock.start();
        click(&form, "Command3");
        waited = clock.elapsed();
        // Opening the file only to read it: the same message, from the store itself.
        if (!saved)
            QCOMPARE(testdb::thrownText([&] { Database db(fx.db); }), inUse);
    }
    QCOMPARE(testdb::queryRows(fx.db, u"SELECT faturano FROM faturalar"_qs).size(), int(saved));
    QCOMPARE(fx.messages.size(), 1);
    if (saved) {
        // The only message is the question after a save.
        QCOMPARE(fx.messages[0].kind, Messages::Kind::Question);
        QVERIFY2(waited >= 900, qPrintable(QString::number(waited)));
        return;
    }
    QCOMPARE(fx.messages[0].kind, Messages::Kind::Error);
    QCOMPARE(fx.messages[0].text, inUse);
    // Waited a few seconds first, but not for ever; the window stays open with the invoice.
    QVERIFY2(waited >= 3000 && waited < 20000, qPrintable(QString::number(waited)));
    QVERIFY(form.isVisible());
    QCOMPARE(form.invoice().lines.size(), 1);
}

QTEST_MAIN(TestLocked)
#include "test_locked.moc"
