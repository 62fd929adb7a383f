#include "gui/Form4.h"

#include "gui/browser.h"
#include "gui/maker.h"
#include "gui/webpanel.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QShortcut>

QPixmap mainPicture(const QSize &size) {
    QPixmap pm(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, QColor(32, 86, 160));
    sky.setColorAt(1, QColor(113, 189, 240));
    p.fillRect(pm.rect(), sky);

    // A sheet of invoice paper with its ruled lines and a total.
    const QRectF sheet(size.width() * 0.22, size.height() * 0.12, size.width() * 0.56,
                       size.height() * 0.76);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawRoundedRect(sheet.translated(5, 6), 6, 6);
    p.setBrush(Qt::white);
    p.drawRoundedRect(sheet, 6, 6);
    p.setPen(QPen(QColor(32, 86, 160), 2));
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(qMax(10, int(sheet.height() * 0.09)));
    p.setFont(f);
    p.drawText(sheet.adjusted(0, sheet.height() * 0.05, 0, 0), Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("FATURA"));
    p.setPen(QPen(QColor(160, 170, 185), 1));
    for (int i = 0; i < 6; ++i) {
        const double y = sheet.top() + sheet.height() * (0.3 + i * 0.09);
        p.drawLine(QPointF(sheet.left() + 12, y), QPointF(sheet.right() - 12, y));
    }
    p.setPen(QPen(QColor(200, 40, 40), 2));
    const double ty = sheet.top() + sheet.height() * 0.88;
    p.drawLine(QPointF(sheet.center().x(), ty), QPointF(sheet.right() - 12, ty));
    return pm;
}

Form4::Form4(const Workspace &workspace, QWidget *parent)
    : QMainWindow(parent) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Fatura"));

    QMenuBar *bar = menuBar();
    QMenu *operationsMenu = bar->addMenu(QStringLiteral("&İşlemler"));
    operationsMenu->setObjectName(QStringLiteral("faturalama"));
    const auto action = [this](QWidget *menu, const char *name, const QString &caption) {
        auto *a = new QAction(caption, this);
        a->setObjectName(QString::fromLatin1(name));
        menu->addAction(a);
        return a;
    };
    connect(action(operationsMenu, "musteri", QStringLiteral("&Müşteri Girişi")),
            &QAction::triggered, this, &Form4::customersRequested);
    connect(action(operationsMenu, "otofaturalastir", QStringLiteral("&Fatura Girişi")),
            &QAction::triggered, this, &Form4::invoiceRequested);
    connect(action(operationsMenu, "otomatikbasim", QStringLiteral("&Otomatik Fatura Basım")),
            &QAction::triggered, this, &Form4::batchRequested);
    connect(action(operationsMenu, "earsiv", QStringLiteral("&e-Arşiv Faturası")),
            &QAction::triggered, this, &Form4::earsivRequested);
    connect(action(operationsMenu, "raporlar", QStringLiteral("&Raporlar")), &QAction::triggered,
            this, &Form4::reportsRequested);
    connect(action(operationsMenu, "yedekle", QStringLiteral("&Yedekle")), &QAction::triggered,
            this, &Form4::backupRequested);
    connect(action(operationsMenu, "yedekklasore", QStringLiteral("Yedeği &Klasöre Al...")),
            &QAction::triggered, this, &Form4::backupToFolderRequested);
    connect(action(operationsMenu, "geriyukle", QStringLiteral("Yedekten &Geri Yükle...")),
            &QAction::triggered, this, &Form4::restoreRequested);
    action(operationsMenu, "makbuz", QStringLiteral("&Makbuz"))->setEnabled(false);
    connect(action(bar, "Ayarlar", QStringLiteral("&Ayarlar")), &QAction::triggered, this,
            &Form4::settingsRequested);
    connect(action(bar, "hakkinda", QStringLiteral("&Hakkında")), &QAction::triggered, this,
            &Form4::aboutRequested);
    connect(action(bar, "cikis", QStringLiteral("&Çıkış")), &QAction::triggered, this,
            &QWidget::close);
    // The access key of "&İşlemler" is the dotted capital İ: a Turkish keyboard gives it only
    // with Shift, another keyboard not at all. Alt with the dotless or the Latin I opens the
    // menu too (İ itself is the menu bar's own key), and F10 the first menu, as elsewhere.
    const auto openOperations = [this, operationsMenu] {
        menuBar()->setActiveAction(operationsMenu->menuAction());
        // As the access key does: the first entry chosen, Enter takes it.
        operationsMenu->setActiveAction(operationsMenu->actions().value(0));
    };
    for (const QKeySequence &keys : {QKeySequence(Qt::ALT | Qt::Key_I),
                                     QKeySequence(Qt::ALT | Qt::Key(0x131)), // ı
                                     QKeySequence(Qt::Key_F10)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, openOperations);

    auto *central = new QWidget(this);
    auto *grid = new QGridLayout(central);

    auto *picture1 = new QLabel(central);
    picture1->setObjectName(QStringLiteral("Picture1"));
    picture1->setPixmap(mainPicture(QSize(240, 200)));
    picture1->setFixedSize(240, 200);

    auto *picture2 = new QLabel(central);
    picture2->setObjectName(QStringLiteral("Picture2"));
    picture2->setFrameShape(QFrame::StyledPanel);
    picture2->setMinimumSize(240, 100);

    m_web = new WebPanel(central);
    m_web->setObjectName(QStringLiteral("WebBrowser1"));
    m_web->setMinimumSize(460, 300);
    // A link in the advert opens the maker's site in the real browser.
    connect(m_web, &QTextBrowser::anchorClicked, this,
            [this, &workspace] { openMakerSite(this, workspace); });

    auto *label1 = new QLabel(
        QStringLiteral("<a href=\"%1\">%2</a>").arg(Maker::webAddress(), Maker::webHost()),
        central);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    label1->setCursor(Qt::PointingHandCursor);
    connect(label1, &QLabel::linkActivated, this,
            [this, &workspace] { openMakerSite(this, workspace); });

    auto *label2 = new QLabel(Maker::phones(), central);
    label2->setObjectName(QStringLiteral("Label2"));

    grid->addWidget(picture1, 0, 0);
    grid->addWidget(picture2, 1, 0);
    grid->addWidget(m_web, 0, 1, 2, 1);
    grid->addWidget(label1, 2, 0, 1, 2, Qt::AlignHCenter);
    grid->addWidget(label2, 3, 0, 1, 2, Qt::AlignHCenter);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(1, 1);
    setCentralWidget(central);

    resize(860, 520);
    m_web->navigate(QUrl(Maker::advertUrl()));
}

void Form4::closeEvent(QCloseEvent *event) {
    // A window that holds unsaved work may keep itself open; then the program stays.
    if (m_beforeClose && !m_beforeClose()) {
        event->ignore();
        return;
    }
    Q_EMIT closing();
    event->accept();
}
