#include "gui/Form1.h"

#include "gui/browser.h"
#include "gui/maker.h"

#include <QLabel>
#include <QVBoxLayout>

Form1::Form1(const Workspace &workspace, QWidget *parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Hakkında"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto *layout = new QVBoxLayout(this);
    const auto add = [&](const char *name, const QString &text) {
        auto *label = new QLabel(text, this);
        label->setObjectName(QString::fromLatin1(name));
        layout->addWidget(label);
        return label;
    };
    QLabel *program = add("surum", Maker::programTitle());
    QFont large = program->font();
    large.setBold(true);
    large.setPointSizeF(large.pointSizeF() * 1.6);
    program->setFont(large);
    add("aciklama", QStringLiteral("Satış faturası yazma ve matbu kâğıda basma programı"));
    QLabel *company = add("Label1", Maker::company());
    QFont bold = company->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    company->setFont(bold);
    add("Label2", Maker::services());
    add("Label3", QStringLiteral("e-mail: ") + Maker::email());
    add("Label5", Maker::messenger());
    m_label4 =
        add("Label4",
            QStringLiteral("<a href=\"%1\">%2</a>").arg(Maker::webAddress(), Maker::webHost()));
    m_label4->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    m_label4->setCursor(Qt::PointingHandCursor);
    connect(m_label4, &QLabel::linkActivated, this, [this, &workspace] {
        openMakerSite(this, workspace);
        close();
    });
    layout->setContentsMargins(24, 20, 24, 20);
    layout->setSpacing(8);
    setFixedSize(sizeHint());
}
