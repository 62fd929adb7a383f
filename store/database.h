#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <stdexcept>

// A database failure with a Turkish text for the user (file path and the engine's own
// words included where there are any).
class VeritabaniHatasi : public std::runtime_error {
public:
    explicit VeritabaniHatasi(const QString &mesaj);
    QString mesaj() const;
};

// What the first bytes of a file say it is.
enum class DosyaTuru { Yok, Bos, SQLite, Jet, Bilinmiyor };
DosyaTuru dosyaTuru(const QString &yol);

// The path of the one database: the settings value trimmed, fatura.MDB when it is empty.
QString veritabaniYolu(const QString &ayardakiYol);

// One open database for the length of one operation. Opening checks that the file exists
// and is an SQLite database (an Access/Jet file is told apart and named as such); a write
// access also checks that the file and its folder can be written. Every instance has its
// own connection, closed and removed when it goes out of scope.
class Veritabani {
public:
    enum class Erisim { Okuma, Yazma };

    explicit Veritabani(const QString &yol, Erisim erisim = Erisim::Okuma);
    ~Veritabani();
    Veritabani(const Veritabani &) = delete;
    Veritabani &operator=(const Veritabani &) = delete;

    QSqlDatabase &db() { return m_db; }
    const QString &yol() const { return m_yol; }

    // Throws VeritabaniHatasi naming the table when it does not exist.
    void tabloGerekli(const QString &tablo);

    // Throws VeritabaniHatasi naming the table when it does not exist, or the first of
    // `kolonlar` it lacks. Column names are matched without regard to case.
    void kolonlarGerekli(const QString &tablo, const QStringList &kolonlar);

    // Runs `f` inside one transaction: committed when it returns, rolled back when it throws.
    // Called while a transaction is already open, `f` simply joins it, so the outer caller
    // decides about the whole.
    template <class F> void islem(F &&f) {
        if (m_islemde) {
            f();
            return;
        }
        basla();
        try {
            f();
        } catch (...) {
            geriAl();
            throw;
        }
        onayla();
    }

    // A failure of the engine turned into the program's error, naming the file.
    [[noreturn]] void hata(const QString &neYapilirken, const QString &motorMetni) const;

private:
    void basla();
    void onayla();
    void geriAl();

    QString m_yol;
    QString m_baglanti;
    QSqlDatabase m_db;
    bool m_islemde = false;
};

// A text for binding that is never NULL: the SQLite driver binds a null QString as NULL,
// and a box left empty must be stored as the empty text.
QString metinDegeri(const QString &s);

// Creates a new database file with the program's tables and indexes. Refuses a path that
// already exists.
void veritabaniOlustur(const QString &yol);
