#pragma once

#include "gui/choosers.h"
#include "gui/messages.h"
#include "invoice/workspace.h"
#include "settings/settingsfile.h"
#include "tests/common/recorder.h"
#include "tests/common/testdb.h"
#include "tests/common/widgets.h"

#include <QTemporaryDir>

// A working folder holding ayarlar.dat (VAT rate 18) and an empty database under a name that
// is not the default one, so windows must open the one the settings name; a workspace on it.
// Messages are kept and questions answered with `answer`; printing goes into `printed`, and each
// print target's mode into `targets`.
class WindowFixture {
public:
    WindowFixture()
        : workspace(dir.path()) {
        ayarlar a = defaultSettings();
        a.kdv_yuzde = u" 18 "_qs;
        a.veritabani_yolu = u"kayitlar.db"_qs;
        db = testdb::newDatabase(workspace.databasePath(a));
        if (isServerAddress(db))
            a.veritabani_yolu = db;
        ayarlari_yaz(a, workspace.settingsPath());
        Messages::setTestHandler([this](const Messages::Message &m) {
            messages << m;
            return keepingWork(m.text) ? discard : answer;
        });
        workspace.seams.printTarget = [this](const QString &, PdfPrinter::Mode mode) {
            targets << mode;
            PrintTarget t;
            t.printer = std::make_unique<Recorder>(printed);
            t.pdfPath = pdfPath;
            return t;
        };
    }
    ~WindowFixture() {
        Messages::setTestHandler({});
        Choosers::setTestHooks({});
    }

    // Each row of a query on the database as its values joined by "|"; a NULL is empty.
    QStringList rows(const QString &query) const {
        QStringList list;
        for (const QVariantList &r : testdb::queryRows(db, query)) {
            QStringList row;
            for (const QVariant &v : r)
                row << v.toString();
            list << row.join(u'|');
        }
        return list;
    }

    QStringList messageTexts() const {
        QStringList t;
        for (const Messages::Message &m : messages)
            t << m.text;
        return t;
    }

    // The invoice window's questions before unsaved work goes or a saved invoice is replaced.
    static bool keepingWork(const QString &text) {
        return text.startsWith(QStringLiteral("Bu fatura kaydedilmedi:")) ||
               text.contains(QStringLiteral(" numaralı kayıtlı fatura, ekrandaki haliyle"));
    }
    // The messages but those questions.
    QStringList toldTexts() const {
        QStringList t = messageTexts();
        t.removeIf(keepingWork);
        return t;
    }

    QTemporaryDir dir;
    Workspace workspace;
    QString db;
    QList<Messages::Message> messages;
    bool answer = false;
    // The answer to keepingWork() questions: yes, so that tests of other things go on.
    bool discard = true;
    RecordingPrinter printed;
    QList<PdfPrinter::Mode> targets;
    QString pdfPath; // where the print target says a PDF went; empty as for a printer
};

inline const QStringList emptyRow(5);

// Types one line into the invoice window's line entry and presses EKLE.
inline void addLine(const QWidget *form, const QString &description, const QString &discount,
                    const QString &quantity, const QString &price) {
    field(form, "Text3")->setText(description);
    field(form, "Text14")->setText(discount);
    field(form, "Text9")->setText(quantity);
    field(form, "Text10")->setText(price);
    click(form, "Command2");
}
