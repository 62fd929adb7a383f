#include "printing/printtarget.h"

#include "printing/printerstatus.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QPrinterInfo>

ProgramPrinter programPrinter(const PrinterOffsets &offsets) {
    const DefaultPrinter chosen = defaultPrinter();
    if (chosen.installed) {
        offsets.keepLastDefaultPrinter(chosen.name);
        return {chosen.name, {}};
    }
    const QStringList installed = QPrinterInfo::availablePrinterNames();
    if (installed.isEmpty())
        return {};
    // Printing on another installed printer instead would put an invoice where nobody
    // expects it.
    const QString list =
        QStringLiteral("\nKurulu yazıcılar: ") + installed.join(QStringLiteral(", "));
    if (!chosen.name.isEmpty())
        return {
            {},
            QStringLiteral("Varsayılan yazıcı bulunamadı: %1\n%2 varsayılan yazıcı olarak bu ad "
                           "yazılı, ama bu adla kurulu bir yazıcı yok; o ayarı düzeltin.")
                    .arg(chosen.name, chosen.namedIn) +
                list};
    const QString last = offsets.lastDefaultPrinter();
    if (!last.isEmpty() && !installed.contains(last))
        return {{},
                QStringLiteral("Varsayılan yazıcı bulunamadı: %1\nBu yazıcı kaldırılmış; kurulu "
                               "yazıcılardan birini varsayılan yazıcı yapın.")
                        .arg(last) +
                    list};
    return {{},
            QStringLiteral("Varsayılan yazıcı seçilmemiş; kurulu yazıcılardan birini varsayılan "
                           "yazıcı yapın.") +
                list};
}

PrintTarget programPrintTarget(const QString &stem, PdfPrinter::Mode mode, const QString &directory,
                               const PrinterOffsets &offsets) {
    const ProgramPrinter printer = programPrinter(offsets);
    if (!printer.problem.isEmpty())
        throw PrinterError(printer.problem +
                           QStringLiteral("\nBaskı başka bir yazıcıya gönderilmedi."));
    if (printer.name.isEmpty())
        return pdfPrintTarget(stem, mode, directory);
    return systemPrintTarget(printer.name, offsets.offset(printer.name));
}

PrintTarget systemPrintTarget(const QString &printerName, const PrinterOffset &offset) {
    auto printer = std::make_unique<SystemPrinter>(printerName);
    printer->setOffset(offset);
    PrintTarget target;
    target.printerName = printer->printerName();
    target.systemPrinter = printer.get();
    target.printer = std::move(printer);
    return target;
}

PrintTarget pdfPrintTarget(const QString &stem, PdfPrinter::Mode mode, const QString &directory) {
    QDir dir(directory);
    const QString folder = dir.filePath(QStringLiteral("baskilar"));
    if (!dir.mkpath(QStringLiteral("baskilar")))
        throw PrinterError(QStringLiteral("Baskı klasörü oluşturulamadı: %1").arg(folder));
    const QDir out(folder);

    const QString base =
        stem + u'-' + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    // Taking the name with an exclusive create is what makes it unique: two prints within
    // one second, or two programs in one folder, never share a file.
    for (int n = 1; n < 10000; ++n) {
        const QString name = n == 1 ? base : QStringLiteral("%1-%2").arg(base).arg(n);
        PrintTarget target;
        if (mode == PdfPrinter::FilePerDocument) {
            target.pdfPath = out.filePath(name);
            if (!out.mkdir(name)) {
                if (QFileInfo::exists(target.pdfPath))
                    continue;
                throw PrinterError(
                    QStringLiteral("Baskı klasörü oluşturulamadı: %1").arg(target.pdfPath));
            }
            target.printer = std::make_unique<PdfPrinter>(
                QDir(target.pdfPath).filePath(stem + QStringLiteral(".pdf")), mode);
        } else {
            target.pdfPath = out.filePath(name + QStringLiteral(".pdf"));
            QFile reserved(target.pdfPath);
            if (!reserved.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
                if (reserved.exists())
                    continue;
                throw PrinterError(
                    QStringLiteral("PDF dosyası yazılamadı: %1").arg(target.pdfPath));
            }
            reserved.close();
            target.printer = std::make_unique<PdfPrinter>(target.pdfPath, mode);
        }
        return target;
    }
    throw PrinterError(QStringLiteral("PDF dosyası için boş bir ad bulunamadı: %1").arg(folder));
}

QString pdfNotice(const QString &pdfPath) {
    return QStringLiteral("Kurulu bir yazıcı bulunamadı; baskı PDF olarak kaydedildi:\n%1")
        .arg(QDir::toNativeSeparators(pdfPath));
}
