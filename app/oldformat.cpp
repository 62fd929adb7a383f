#include "app/oldformat.h"

#include "gui/guard.h"
#include "gui/messages.h"
#include "store/jetimport.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include <algorithm>
#include <limits>

namespace {

// A report too long for a message box is cut; fatura-aktar prints it whole.
constexpr qsizetype shownNotes = 8;

QString summary(const QString &path, const ConversionResult &result) {
    qint64 rows = 0;
    for (const ImportedTable &t : result.report.tables)
        rows += t.rowCount;
    QStringList lines;
    lines << QStringLiteral("Veritabanı yeni biçime aktarıldı: %1").arg(path)
          << QStringLiteral("%1 tablo, %2 satır.").arg(result.report.tables.size()).arg(rows)
          << QStringLiteral("Eski dosya şu adla saklandı: %1").arg(result.oldFile);
    const QStringList &notes = result.report.notes;
    if (!notes.isEmpty()) {
        lines << QString();
        lines << notes.mid(0, shownNotes);
        if (notes.size() > shownNotes)
            lines << QStringLiteral("... ve %1 not daha.").arg(notes.size() - shownNotes);
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

ConversionResult convertOldFormat(const QString &path, const ImportProgress &progress,
                                  const ImportChild &child) {
    return convertJetDatabase(path, [&](const QString &source, const QString &target) {
        return importJetInChild(child, source, target, progress);
    });
}

bool offerOldFormatImport(QWidget *parent, const QString &path, const ImportChild &child) {
    if (fileKind(path) != FileKind::Jet)
        return false;
    if (!Messages::ask(parent, QStringLiteral("Bu veritabanı eski biçimde. Şimdi aktarılsın mı?")))
        return false;

    QProgressDialog progress(parent);
    progress.setObjectName(QStringLiteral("aktarma"));
    progress.setWindowTitle(Messages::appTitle());
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setCancelButtonText(QStringLiteral("Vazgeç"));
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setMinimumDuration(0);
    progress.setLabelText(QStringLiteral("Aktarma başlıyor..."));
    const auto step = [&](const QString &table, qint64 done, qint64 total) {
        constexpr qint64 most = std::numeric_limits<int>::max();
        // Before the first table the child is still opening the file.
        if (!table.isEmpty())
            progress.setLabelText(QStringLiteral("%1 tablosu aktarılıyor: %2 / %3 satır")
                                      .arg(table)
                                      .arg(done)
                                      .arg(total));
        progress.setMaximum(int(std::clamp<qint64>(total, 1, most)));
        progress.setValue(int(std::min(done, most)));
        // Called while the child works too: "Vazgeç" is seen within a fraction of a second.
        QCoreApplication::processEvents();
        return !progress.wasCanceled();
    };

    ConversionResult result;
    bool stopped = false;
    const bool done = guarded(parent, [&] {
        try {
            result = convertOldFormat(path, step, child);
        } catch (const ImportStopped &) {
            stopped = true;
        }
    });
    progress.close();

    if (stopped) {
        Messages::info(
            parent,
            QStringLiteral("Aktarma durduruldu; eski dosya olduğu gibi duruyor: %1").arg(path));
        return false;
    }
    if (done)
        Messages::info(parent, summary(path, result));
    return done;
}
