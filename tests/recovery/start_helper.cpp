// What the program does at a first start, or when the import question is answered "Evet",
// alone in a process that test_recovery kills at a random moment:
//   start_helper ilk <folder>     the start's work in a new folder (prepareWorkingFolder)
//   start_helper aktar <folder>   the in-program import of <folder>/fatura.MDB (read by the
//                                 fatura-aktar child, as the program does)
// It prints "hazir" before it begins and "bitti" when done, each line in one write(2).
#include "app/firstrun.h"
#include "app/oldformat.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        return 2;
    const QDir folder(args.at(2));
    try {
        std::puts("hazir");
        std::fflush(stdout);
        if (args.at(1) == u"ilk") {
            const StartReport report = prepareWorkingFolder(folder);
            if (!report.problems.isEmpty())
                throw std::runtime_error(report.problems.join(u'\n').toStdString());
        } else {
            ImportChild child;
            child.program = QStringLiteral(FATURA_AKTAR);
            convertOldFormat(folder.filePath(QStringLiteral("fatura.MDB")), {}, child);
        }
        std::puts("bitti");
        return 0;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
