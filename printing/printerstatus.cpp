#include "printing/printerstatus.h"

#include "printing/printer.h"

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>

#ifdef FATURA_HAVE_CUPS
#include <cups/cups.h>
#endif

namespace {

QString withReason(const QString &message, const QString &reason) {
    return reason.isEmpty()
               ? message
               : message + QStringLiteral("\nYazdırma sisteminin bildirdiği: ") + reason;
}

} // namespace

#ifdef FATURA_HAVE_CUPS

namespace {

// A name as CUPS takes it: the queue, and an instance after a slash.
struct QueueName {
    QByteArray queue;
    QByteArray instance;
};

QueueName queueName(const QString &name) {
    const qsizetype slash = name.indexOf(u'/');
    if (slash < 0)
        return {name.toUtf8(), {}};
    return {name.left(slash).toUtf8(), name.mid(slash + 1).toUtf8()};
}

bool ippSucceeded(ipp_status_t status) {
    return status <= IPP_STATUS_OK_EVENTS_COMPLETE;
}

} // namespace

PrinterStatus printerStatus(const QString &name) {
    const QueueName q = queueName(name);
    cups_dest_t *dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, q.queue.constData(),
                                         q.instance.isEmpty() ? nullptr : q.instance.constData());
    if (!dest) {
        const ipp_status_t status = cupsLastError();
        if (ippSucceeded(status) || status == IPP_STATUS_ERROR_NOT_FOUND)
            return {PrinterReadiness::Missing, {}};
        return {PrinterReadiness::Unreachable, QString::fromUtf8(cupsLastErrorString())};
    }
    const auto option = [dest](const char *key) {
        return QString::fromUtf8(cupsGetOption(key, dest->num_options, dest->options));
    };
    // IPP printer-state: 3 idle, 4 processing, 5 stopped.
    const QString state = option("printer-state");
    const QString accepting = option("printer-is-accepting-jobs");
    QString reasons = option("printer-state-reasons");
    if (reasons == u"none")
        reasons.clear();
    cupsFreeDests(1, dest);
    if (accepting == u"false" || accepting == u"0")
        return {PrinterReadiness::Rejecting, reasons};
    if (state == u"5")
        return {PrinterReadiness::Stopped, reasons};
    return {PrinterReadiness::Ready, {}};
}

void checkJobAccepted(const QString &name) {
    // Qt's CUPS engine submits the job with cupsPrintFile() while the painter ends and
    // drops its result; libcups keeps it, per thread, until the next request.
    const ipp_status_t status = cupsLastError();
    if (ippSucceeded(status))
        return;
    throw PrinterError(withReason(QStringLiteral("Yazıcı baskı işini almadı: %1").arg(name),
                                  QString::fromUtf8(cupsLastErrorString())));
}

namespace {

// The first "Default" line of an lpoptions file: the printer it names.
QString lpoptionsDefault(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    while (!file.atEnd()) {
        const QStringList words =
            QString::fromUtf8(file.readLine()).split(blanks, Qt::SkipEmptyParts);
        if (words.size() >= 2 && words[0].compare(u"default", Qt::CaseInsensitive) == 0)
            return words[1];
    }
    return {};
}

// The user's own choice of default printer, looked up in the order libcups follows: the
// environment, the user's lpoptions file, the computer's.
DefaultPrinter usersChoice() {
    const QString lpdest = qEnvironmentVariable("LPDEST");
    if (!lpdest.isEmpty())
        return {lpdest, false, QStringLiteral("LPDEST ortam değişkeninde")};
    const QString printer = qEnvironmentVariable("PRINTER");
    if (!printer.isEmpty() && printer != u"lp")
        return {printer, false, QStringLiteral("PRINTER ortam değişkeninde")};
    const QString serverRoot = qEnvironmentVariable("CUPS_SERVERROOT", QStringLiteral("/etc/cups"));
    for (const QString &file : {QDir::home().filePath(QStringLiteral(".cups/lpoptions")),
                                QDir(serverRoot).filePath(QStringLiteral("lpoptions"))}) {
        const QString name = lpoptionsDefault(file);
        if (!name.isEmpty())
            return {name, false, QDir::toNativeSeparators(file) + QStringLiteral(" dosyasında")};
    }
    return {};
}

} // namespace

DefaultPrinter defaultPrinter() {
    if (cups_dest_t *dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr)) {
        QString name = QString::fromUtf8(dest->name);
        if (dest->instance)
            name += u'/' + QString::fromUtf8(dest->instance);
        cupsFreeDests(1, dest);
        return {name, true, {}};
    }
    // libcups gives no default when the one chosen is not installed, and does not say which.
    return usersChoice();
}

#else

PrinterStatus printerStatus(const QString &name) {
    const QPrinterInfo info = QPrinterInfo::printerInfo(name);
    if (info.isNull())
        return {PrinterReadiness::Missing, {}};
    if (info.state() == QPrinter::Error || info.state() == QPrinter::Aborted)
        return {PrinterReadiness::Stopped, {}};
    return {PrinterReadiness::Ready, {}};
}

void checkJobAccepted(const QString &) {}

DefaultPrinter defaultPrinter() {
    const QString name = QPrinterInfo::defaultPrinterName();
    return {name, !name.isEmpty(), {}};
}

#endif

void checkPrinterReady(const QString &name) {
    const PrinterStatus status = printerStatus(name);
    switch (status.readiness) {
    case PrinterReadiness::Ready:
        return;
    case PrinterReadiness::Missing:
        throw PrinterError(QStringLiteral("Yazıcı bulunamadı: %1").arg(name));
    case PrinterReadiness::Stopped:
        throw PrinterError(
            withReason(QStringLiteral("Yazıcı durdurulmuş: %1\nYazıcıyı yazdırma ayarlarından "
                                      "yeniden etkinleştirip tekrar deneyin.")
                           .arg(name),
                       status.reason));
    case PrinterReadiness::Rejecting:
        throw PrinterError(withReason(
            QStringLiteral("Yazıcı yeni iş kabul etmiyor: %1\nYazıcının iş kabul etmesini "
                           "sağlayıp tekrar deneyin.")
                .arg(name),
            status.reason));
    case PrinterReadiness::Unreachable:
        throw PrinterError(withReason(
            QStringLiteral("Yazdırma sistemine ulaşılamadı; yazıcı: %1").arg(name), status.reason));
    }
}
