#include "printing/printerstatus.h"

#include "printing/printer.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QSet>

#ifdef FATURA_HAVE_CUPS
#include <QLibrary>

#include <cups/cups.h>

#include <optional>
#endif

namespace {

QString withReason(const QString &message, const QString &reason) {
    return reason.isEmpty()
               ? message
               : message + QStringLiteral("\nYazdırma sisteminin bildirdiği: ") + reason;
}

// What Qt knows of a printer, where the printing system's own library cannot be had.
PrinterStatus qtPrinterStatus(const QString &name) {
    const QPrinterInfo info = QPrinterInfo::printerInfo(name);
    if (info.isNull())
        return {PrinterReadiness::Missing, {}};
    if (info.state() == QPrinter::Error || info.state() == QPrinter::Aborted)
        return {PrinterReadiness::Stopped, {}};
    return {PrinterReadiness::Ready, {}};
}

DefaultPrinter qtDefaultPrinter() {
    const QString name = QPrinterInfo::defaultPrinterName();
    return {name, !name.isEmpty(), {}};
}

} // namespace

#ifdef FATURA_HAVE_CUPS

namespace {

// libcups, loaded at the first look at a printer rather than at the program's start: most
// starts print nothing, and libcups brings its own libraries along (TLS, Kerberos, Avahi).
// Qt's print support loads the same library, so its per-thread last error is the one seen
// here. Nothing when it cannot be loaded: then only what Qt knows.
struct Cups {
#define FATURA_CUPS_FUNCTIONS(X)                                                                   \
    X(cupsGetNamedDest)                                                                            \
    X(cupsLastError)                                                                               \
    X(cupsLastErrorString)                                                                         \
    X(cupsGetOption)                                                                               \
    X(cupsFreeDests)                                                                               \
    X(cupsUser)                                                                                    \
    X(cupsDoRequest)                                                                               \
    X(cupsGetJobs2)                                                                                \
    X(cupsFreeJobs)                                                                                \
    X(ippNewRequest)                                                                               \
    X(ippAddString)                                                                                \
    X(ippFindAttribute)                                                                            \
    X(ippGetInteger)                                                                               \
    X(ippDelete)
#define FATURA_CUPS_MEMBER(f) decltype(&::f) f = nullptr;
    FATURA_CUPS_FUNCTIONS(FATURA_CUPS_MEMBER)
#undef FATURA_CUPS_MEMBER
};

const Cups *cups() {
    static const std::optional<Cups> loaded = []() -> std::optional<Cups> {
        QLibrary library(QStringLiteral("cups"), 2);
        if (!library.load())
            return std::nullopt;
        Cups c;
        bool all = true;
#define FATURA_CUPS_RESOLVE(f)                                                                     \
    c.f = reinterpret_cast<decltype(c.f)>(library.resolve(#f));                                    \
    all = all && c.f;
        FATURA_CUPS_FUNCTIONS(FATURA_CUPS_RESOLVE)
#undef FATURA_CUPS_RESOLVE
        // Kept loaded for the program's life: the functions are called until it ends.
        return all ? std::optional<Cups>(c) : std::nullopt;
    }();
    return loaded ? &*loaded : nullptr;
}

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
    const Cups *c = cups();
    if (!c)
        return qtPrinterStatus(name);
    const QueueName q = queueName(name);
    cups_dest_t *dest =
        c->cupsGetNamedDest(CUPS_HTTP_DEFAULT, q.queue.constData(),
                            q.instance.isEmpty() ? nullptr : q.instance.constData());
    if (!dest) {
        const ipp_status_t status = c->cupsLastError();
        if (ippSucceeded(status) || status == IPP_STATUS_ERROR_NOT_FOUND)
            return {PrinterReadiness::Missing, {}};
        return {PrinterReadiness::Unreachable, QString::fromUtf8(c->cupsLastErrorString())};
    }
    const auto option = [c, dest](const char *key) {
        return QString::fromUtf8(c->cupsGetOption(key, dest->num_options, dest->options));
    };
    // IPP printer-state: 3 idle, 4 processing, 5 stopped.
    const QString state = option("printer-state");
    const QString accepting = option("printer-is-accepting-jobs");
    QString reasons = option("printer-state-reasons");
    if (reasons == u"none")
        reasons.clear();
    c->cupsFreeDests(1, dest);
    if (accepting == u"false" || accepting == u"0")
        return {PrinterReadiness::Rejecting, reasons};
    if (state == u"5")
        return {PrinterReadiness::Stopped, reasons};
    return {PrinterReadiness::Ready, {}};
}

void checkJobAccepted(const QString &name) {
    // Qt's CUPS engine submits the job with cupsPrintFile() while the painter ends and
    // drops its result; libcups keeps it, per thread, until the next request.
    const Cups *c = cups();
    if (!c)
        return;
    const ipp_status_t status = c->cupsLastError();
    if (ippSucceeded(status))
        return;
    const QString reason = QString::fromUtf8(c->cupsLastErrorString());
    QString message = QStringLiteral("Yazıcı baskı işini almadı: %1").arg(name);
    // For a queue deleted meanwhile the system's own words are no help ("No such file or
    // directory").
    if (printerStatus(name).readiness == PrinterReadiness::Missing)
        message += QStringLiteral("\nYazıcı bu arada kaldırılmış.");
    throw PrinterError(withReason(message, reason));
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

// A job's state as the printing system has it now; nothing when it does not know the job.
std::optional<ipp_jstate_t> jobState(const Cups &c, int id) {
    ipp_t *request = c.ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const QByteArray uri = "ipp://localhost/jobs/" + QByteArray::number(id);
    c.ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.constData());
    c.ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                   c.cupsUser());
    c.ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                   "job-state");
    ipp_t *response = c.cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    std::optional<ipp_jstate_t> state;
    if (ipp_attribute_t *a = c.ippFindAttribute(response, "job-state", IPP_TAG_ENUM))
        state = ipp_jstate_t(c.ippGetInteger(a, 0));
    c.ippDelete(response);
    return state;
}

} // namespace

DefaultPrinter defaultPrinter() {
    const Cups *c = cups();
    if (!c)
        return qtDefaultPrinter();
    if (cups_dest_t *dest = c->cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr)) {
        QString name = QString::fromUtf8(dest->name);
        if (dest->instance)
            name += u'/' + QString::fromUtf8(dest->instance);
        c->cupsFreeDests(1, dest);
        return {name, true, {}};
    }
    // libcups gives no default when the one chosen is not installed, and does not say which.
    return usersChoice();
}

void JobWatch::look() {
    if (m_firstUnsettled == m_jobs.size())
        return;
    const Cups *c = cups();
    if (!c)
        return; // nothing more is known of a job than that it was handed over
    const QueueName q = queueName(m_printer);
    cups_job_t *jobs = nullptr;
    const int count =
        c->cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, q.queue.constData(), 1, CUPS_WHICHJOBS_ACTIVE);
    if (count < 0) {
        // A deleted queue takes the jobs still in it along.
        if (c->cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND) {
            for (qsizetype i = m_firstUnsettled; i < m_jobs.size(); ++i) {
                if (!m_jobs[i].settled)
                    m_jobs[i].outcome = JobOutcome::Lost;
            }
            m_firstUnsettled = m_jobs.size();
        }
        return;
    }
    QSet<int> active;
    QHash<QString, int> byTitle;
    for (int i = 0; i < count; ++i) {
        active.insert(jobs[i].id);
        const QString title = QString::fromUtf8(jobs[i].title);
        byTitle[title] = std::max(byTitle.value(title), jobs[i].id);
    }
    c->cupsFreeJobs(count, jobs);
    for (qsizetype i = m_firstUnsettled; i < m_jobs.size(); ++i) {
        Job &job = m_jobs[i];
        if (job.settled)
            continue;
        if (job.id == 0)
            job.id = byTitle.value(job.title);
        if (job.id != 0 && active.contains(job.id))
            continue;
        // It has left the queue. One never seen waiting went through at once; one the system
        // no longer knows was printed and forgotten.
        const std::optional<ipp_jstate_t> state = job.id == 0 ? std::nullopt : jobState(*c, job.id);
        if (state && *state < IPP_JSTATE_CANCELED)
            continue;
        job.outcome =
            state && *state != IPP_JSTATE_COMPLETED ? JobOutcome::Lost : JobOutcome::Printed;
        job.settled = true;
    }
    while (m_firstUnsettled < m_jobs.size() && m_jobs[m_firstUnsettled].settled)
        ++m_firstUnsettled;
}

#else

PrinterStatus printerStatus(const QString &name) {
    return qtPrinterStatus(name);
}

void checkJobAccepted(const QString &) {}

DefaultPrinter defaultPrinter() {
    return qtDefaultPrinter();
}

// Without CUPS nothing more is known of a job than that it was handed over.
void JobWatch::look() {}

#endif

JobWatch::JobWatch(const QString &printer)
    : m_printer(printer) {}

void JobWatch::taken(const QString &title) {
    m_jobs.append({title});
    look();
}

QList<JobOutcome> JobWatch::outcomes() {
    look();
    QList<JobOutcome> outcomes;
    for (const Job &job : m_jobs)
        outcomes << job.outcome;
    return outcomes;
}

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
