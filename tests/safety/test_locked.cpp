// A database that another program holds locked is waited for, and then reported as in use,
// never as damaged: the user must not be invited to throw a healthy file away.
#include "gui/Form3.h"
#include "gui/messages.h"
#include "invoice/workspace.h"
#include "settings/settingsfile.h"
#include "store/database.h"
#include "store/invoices.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// Another connection, in a thread of its own, holding BEGIN EXCLUSIVE on the file until
// `holdMs` have passed or it is destroyed.
class ExclusiveLock {
public:
    ExclusiveLock(const QString &path, int holdMs) {
        m_thread = std::thread([this, path, holdMs] {
            const QString name = QStringLiteral("kilit-tutan");
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
                db.setDatabaseName(path);
                QSqlQuery q(db);
                const bool locked = db.open() && q.exec(QStringLiteral("BEGIN EXCLUSIVE"));
                {
                    std::unique_lock lock(m_mutex);
                    m_state = locked ? State::Locked : State::Failed;
                    m_changed.notify_all();
                    m_changed.wait_for(lock, std::chrono::milliseconds(holdMs),
                                       [this] { return m_release; });
                }
                q.exec(QStringLiteral("COMMIT"));
                q = QSqlQuery();
                db.close();
            }
            QSqlDatabase::removeDatabase(name);
        });
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_state != State::Starting; });
    }
    ~ExclusiveLock() {
        {
            std::lock_guard lock(m_mutex);
            m_release = true;
            m_changed.notify_all();
        }
        m_thread.join();
    }
    bool locked() {
        std::lock_guard lock(m_mutex);
        return m_state == State::Locked;
    }

private:
    enum class State { Starting, Locked, Failed };
    std::mutex m_mutex;
    std::condition_variable m_changed;
    State m_state = State::Starting;
    bool m_release = false;
    std::thread m_thread;
};

template <class T = QLineEdit> T *child(QWidget *w, const char *name) {
    T *c = w->findChild<T *>(QString::fromLatin1(name));
    if (!c)
        qFatal("no %s", name);
    return c;
}

} // namespace

class TestLocked : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase() { Messages::setTestHandler({}); }
    void init() { m_messages.clear(); }
    void saveWhileLocked_data();
    void saveWhileLocked();
    void readWhileLocked();

private:
    QTemporaryDir m_dir;
    Workspace m_workspace{m_dir.path()};
    QList<Messages::Message> m_messages;
};

void TestLocked::initTestCase() {
    ayarlari_yaz(defaultSettings(), m_workspace.settingsPath());
    createDatabase(m_workspace.databasePath());
    Messages::setTestHandler([this](const Messages::Message &m) { return m_messages << m, false; });
}

void TestLocked::saveWhileLocked_data() {
    QTest::addColumn<qint64>("number");
    QTest::addColumn<int>("holdMs");
    QTest::addColumn<bool>("saved");
    // Held longer than the program waits: reported as in use, nothing written.
    QTest::newRow("uzun kilit") << qint64(101) << 60000 << false;
    // Let go while the program waits: the save goes through as if nothing had happened.
    QTest::newRow("kısa kilit") << qint64(102) << 1000 << true;
}

QString inUse(const QString &path) {
    return u"Veritabanı şu anda başka bir program tarafından kullanılıyor: "_qs + path;
}

// The invoice window saves a new invoice while another program writes to the database.
void TestLocked::saveWhileLocked() {
    QFETCH(qint64, number);
    QFETCH(int, holdMs);
    QFETCH(bool, saved);
    Form3 form(m_workspace);
    form.show();
    child(&form, "Text12")->setText(QString::number(number));
    child<QComboBox>(&form, "Combo1")->setEditText(u"1"_qs);
    child<QComboBox>(&form, "Combo2")->setEditText(u"Ayşe Kılıç"_qs);
    child(&form, "Text3")->setText(u"Vida"_qs);
    child(&form, "Text9")->setText(u"2"_qs);
    child(&form, "Text10")->setText(u"5"_qs);
    child<QPushButton>(&form, "Command2")->click();
    QVERIFY(m_messages.isEmpty());

    QElapsedTimer clock;
    {
        ExclusiveLock lock(m_workspace.databasePath(), holdMs);
        QVERIFY(lock.locked());
        clock.start();
        child<QPushButton>(&form, "Command3")->click();
    }
    const qint64 waited = clock.elapsed();
    Database db(m_workspace.databasePath());
    QCOMPARE(invoiceRows(db, number).size(), saved ? 1 : 0);
    if (saved) {
        // The only message is the question after a save.
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages[0].kind, Messages::Kind::Question);
        QVERIFY2(waited >= 900, qPrintable(QString::number(waited)));
        return;
    }
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(m_messages[0].kind, Messages::Kind::Error);
    QCOMPARE(m_messages[0].text, inUse(m_workspace.databasePath()));
    // Waited a few seconds first, but not for ever; the window stays open with the invoice.
    QVERIFY2(waited >= 3000 && waited < 20000, qPrintable(QString::number(waited)));
    QVERIFY(form.isVisible());
    QCOMPARE(form.invoice().lines.size(), 1);
}

// Opening the file for reading while it is locked: the same message, from the store itself.
void TestLocked::readWhileLocked() {
    ExclusiveLock lock(m_workspace.databasePath(), 60000);
    QVERIFY(lock.locked());
    QString message;
    try {
        Database db(m_workspace.databasePath());
    } catch (const DatabaseError &e) {
        message = e.message();
    }
    QCOMPARE(message, inUse(m_workspace.databasePath()));
}

QTEST_MAIN(TestLocked)
#include "test_locked.moc"
