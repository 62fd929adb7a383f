#include "gui/browser.h"

#include "gui/maker.h"
#include "gui/messages.h"
#include "invoice/workspace.h"

void openMakerSite(QWidget *parent, const Workspace &workspace) {
    const QString address = Maker::webAddress();
    if (!workspace.openWebAddress(address))
        Messages::error(parent,
                        QStringLiteral("Web tarayıcısı başlatılamadı.\nAdres: %1").arg(address));
}
