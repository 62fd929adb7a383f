#pragma once

// Helpers shared by the Jet import tests: copies of the sample Access files (patched where
// a test needs a value they lack), file fingerprints and the mdbtools commands.

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QPair>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTest>

using Yama = QList<QPair<QByteArray, QByteArray>>;

inline QString ornekDosya(const QString &ad) {
    return QStringLiteral(FATURA_ACCESS_SAMPLES "/") + ad;
}

// A copy of a sample file in `klasor`, read-only like the original; each pair of the patch
// replaces every occurrence of its first bytes by the second (same length: the file's
// layout stays as it was); `boy` cuts the copy short.
inline QString kopya(const QString &ad, const QString &klasor, const QString &hedefAdi = {},
                     const Yama &yama = {}, qsizetype boy = -1) {
    QFile kaynak(ornekDosya(ad));
    if (!kaynak.open(QIODevice::ReadOnly))
        qFatal("Sample file missing: %s (set FATURA_ACCESS_SAMPLES)",
               qPrintable(kaynak.fileName()));
    QByteArray veri = kaynak.readAll();
    for (const auto &[eski, yeni] : yama) {
        Q_ASSERT(eski.size() == yeni.size());
        if (!veri.contains(eski))
            qFatal("Patch does not apply: %s", eski.constData());
        veri.replace(eski, yeni);
    }
    if (boy >= 0)
        veri.truncate(boy);
    const QString yol = QDir(klasor).filePath(hedefAdi.isEmpty() ? ad : hedefAdi);
    QFile hedef(yol);
    if (!hedef.open(QIODevice::WriteOnly) || hedef.write(veri) != veri.size())
        qFatal("Cannot write %s", qPrintable(yol));
    hedef.close();
    hedef.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    return yol;
}

inline QByteArray parmakIzi(const QString &yol) {
    QFile f(yol);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(&f);
    return h.result().toHex();
}

// Every name in the folder with its fingerprint, so that a test sees a file that was
// added, removed or changed.
inline QStringList klasorIcerigi(const QString &klasor) {
    QStringList liste;
    const QDir d(klasor);
    for (const QString &ad : d.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name))
        liste << ad + QLatin1Char(' ') + QString::fromLatin1(parmakIzi(d.filePath(ad)));
    return liste;
}

// Runs an mdbtools command with Jet 3 text read as Windows-1254; skips the test when
// mdbtools is not installed.
#define MDB_CALISTIR(sonuc, komut, ...)                                                            \
    do {                                                                                           \
        const QString program = QStandardPaths::findExecutable(QStringLiteral(komut));             \
        if (program.isEmpty())                                                                     \
            QSKIP(komut " (mdbtools) is not installed");                                           \
        QProcess p;                                                                                \
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();                        \
        env.insert(QStringLiteral("MDB_JET3_CHARSET"), QStringLiteral("CP1254"));                  \
        p.setProcessEnvironment(env);                                                              \
        p.start(program, QStringList{__VA_ARGS__});                                                \
        QVERIFY(p.waitForFinished(60000));                                                         \
        QCOMPARE(p.exitCode(), 0);                                                                 \
        sonuc = p.readAllStandardOutput();                                                         \
    } while (false)
