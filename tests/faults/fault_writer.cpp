// Writes generation after generation until it is killed, the way the program writes:
//   fault_writer fatura <database> <first generation>   replaces invoices (replaceInvoice)
//   fault_writer ayar <settings file> <first generation> saves the settings (ayarlari_yaz)
// It prints "ready" before the first write and each generation's number after its write
// has returned, each line in one write(2) so that a kill never leaves half a line.
#include "generations.h"

#include <QCoreApplication>

#include <cstdio>
#include <exception>
#include <unistd.h>

namespace {

void say(const QByteArray &line) {
    const QByteArray out = line + '\n';
    if (::write(STDOUT_FILENO, out.constData(), size_t(out.size())) != out.size())
        std::_Exit(3);
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv); // the SQL driver is a plugin
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    const QString mode = args.at(1);
    const QString path = args.at(2);
    qint64 g = args.at(3).toLongLong();
    try {
        say("ready");
        for (;; ++g) {
            if (mode == u"fatura") {
                Database db(path, Database::Access::Write);
                replaceInvoice(db, generations::header(g), generations::lines(g));
            } else {
                ayarlari_yaz(generations::settings(g), path);
            }
            say(QByteArray::number(g));
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "generation %lld: %s\n", static_cast<long long>(g), e.what());
        return 1;
    }
}
