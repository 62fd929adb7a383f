#include "windowrun.h"

#include "gui/Form3.h"
#include "gui/messages.h"
#include "invoice/workspace.h"
#include "store/database.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>

void openInvoiceWindows(benchmark::State &state, const QString &folder, const WindowRun &run) {
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder);
    QString error;
    Messages::setTestHandler([&](const Messages::Message &m) {
        error = m.text;
        return false;
    });
    Workspace workspace;
    if (run.newConnection)
        closeIdleServerConnections();
    for (auto _ : state) {
        auto *window = new Form3(workspace);
        if (run.show) {
            window->show();
            QApplication::processEvents();
        }
        state.PauseTiming();
        if (error.isEmpty() && !run.proposal.isEmpty() &&
            window->findChild<QLineEdit *>(QStringLiteral("Text12"))->text() != run.proposal)
            error = QStringLiteral("wrong proposed number");
        delete window;
        // The first window after the program starts makes its server connection.
        if (run.newConnection)
            closeIdleServerConnections();
        state.ResumeTiming();
        if (!error.isEmpty()) {
            state.SkipWithError(error.toStdString().c_str());
            break;
        }
    }
    Messages::setTestHandler({});
    QDir::setCurrent(previous);
}
