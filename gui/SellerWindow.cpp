#include "gui/SellerWindow.h"

#include "earsiv/books.h"
#include "earsiv/party.h"
#include "gui/guard.h"
#include "gui/messages.h"
#include "invoice/workspace.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

SellerWindow::SellerWindow(Workspace &workspace, QWidget *parent)
    : QWidget(parent)
    , m_workspace(workspace) {
    setObjectName(QStringLiteral("FirmaBilgileri"));
    setWindowTitle(QStringLiteral("Firma Bilgileri"));
    setWindowFlags(Qt::Window);

    auto *form = new QFormLayout;
    const auto box = [this, form](const char *name, const QString &caption, int longest) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setMaxLength(longest);
        form->addRow(caption, e);
        return e;
    };
    m_taxNumber = box("taxNumber", QStringLiteral("VKN / TCKN:"), 11);
    m_title = box("title", QStringLiteral("Unvan:"), 250);
    m_firstName = box("firstName", QStringLiteral("Adı:"), 100);
    m_familyName = box("familyName", QStringLiteral("Soyadı:"), 100);
    m_taxOffice = box("taxOffice", QStringLiteral("Vergi Dairesi:"), 100);
    m_street = box("street", QStringLiteral("Adres:"), 250);
    m_district = box("district", QStringLiteral("İlçe:"), 100);
    m_city = box("city", QStringLiteral("İl:"), 100);
    m_phone = box("phone", QStringLiteral("Telefon:"), 50);
    m_email = box("email", QStringLiteral("E-posta:"), 100);
    m_seriesPrefix = box("seriesPrefix", QStringLiteral("e-Arşiv Seri Öneki:"), 3);
    m_efaturaPrefix = box("efaturaPrefix", QStringLiteral("e-Fatura Seri Öneki:"), 3);
    const auto list = [this, form](const char *name, const QString &caption,
                                   const QList<QPair<QString, QString>> &items) {
        auto *c = new QComboBox(this);
        c->setObjectName(QString::fromLatin1(name));
        for (const auto &[text, value] : items)
            c->addItem(text, value);
        form->addRow(caption, c);
        return c;
    };
    m_efaturaProfile = list("efaturaProfile", QStringLiteral("e-Fatura Senaryosu:"),
                            {{QStringLiteral("Temel Fatura"), QStringLiteral("TEMELFATURA")},
                             {QStringLiteral("Ticari Fatura"), QStringLiteral("TICARIFATURA")}});
    m_sendType = list("sendType", QStringLiteral("e-Arşiv Gönderim Şekli:"),
                      {{QStringLiteral("Kâğıt"), QStringLiteral("KAGIT")},
                       {QStringLiteral("Elektronik"), QStringLiteral("ELEKTRONIK")}});
    m_taxNumber->setPlaceholderText(QStringLiteral("10 haneli VKN ya da 11 haneli TCKN"));
    m_title->setPlaceholderText(QStringLiteral("VKN ile: şirketin unvanı"));
    m_firstName->setPlaceholderText(QStringLiteral("TCKN ile"));
    m_familyName->setPlaceholderText(QStringLiteral("TCKN ile"));
    m_seriesPrefix->setPlaceholderText(QStringLiteral("ABC"));
    m_efaturaPrefix->setPlaceholderText(QStringLiteral("EFA (e-Fatura kullanıcılarına)"));

    auto *hint = new QLabel(
        QStringLiteral("Bu bilgiler her e-Arşiv faturasında ve e-Faturada satıcı olarak yer alır. "
                       "Seri öneki numaraların başına gelir: ABC2026000000001. e-Fatura kayıtlı "
                       "kullanıcısı olan alıcılar e-Fatura alır; onların numaraları e-Fatura "
                       "seri önekiyle ayrı sıralanır."),
        this);
    hint->setObjectName(QStringLiteral("hint"));
    hint->setWordWrap(true);

    auto *saveButton = new QPushButton(QStringLiteral("&Kaydet"), this);
    saveButton->setObjectName(QStringLiteral("save"));
    auto *closeButton = new QPushButton(QStringLiteral("Ka&pat"), this);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    connect(saveButton, &QPushButton::clicked, this, &SellerWindow::save);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(saveButton);
    buttons->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(hint);
    layout->addLayout(buttons);
    resize(520, sizeHint().height());

    guarded(this, [&] {
        if (const std::optional<SellerRecord> s = EArsivBooks(m_workspace).seller()) {
            m_taxNumber->setText(s->taxNumber);
            m_title->setText(s->title);
            m_firstName->setText(s->firstName);
            m_familyName->setText(s->familyName);
            m_taxOffice->setText(s->taxOffice);
            m_street->setText(s->street);
            m_district->setText(s->district);
            m_city->setText(s->city);
            m_phone->setText(s->phone);
            m_email->setText(s->email);
            m_seriesPrefix->setText(s->seriesPrefix);
            m_efaturaPrefix->setText(s->efaturaPrefix);
            m_efaturaProfile->setCurrentIndex(
                std::max(0, m_efaturaProfile->findData(s->efaturaProfile)));
            m_sendType->setCurrentIndex(std::max(0, m_sendType->findData(s->sendType)));
        }
    });
}

void SellerWindow::save() {
    // Prefixes are capital letters; one typed in small letters means the same.
    m_seriesPrefix->setText(m_seriesPrefix->text().trimmed().toUpper());
    m_efaturaPrefix->setText(m_efaturaPrefix->text().trimmed().toUpper());
    SellerRecord s{m_taxNumber->text().trimmed(), m_title->text().trimmed(),
                   m_firstName->text().trimmed(), m_familyName->text().trimmed(),
                   m_taxOffice->text().trimmed(), m_street->text().trimmed(),
                   m_district->text().trimmed(),  m_city->text().trimmed(),
                   m_phone->text().trimmed(),     m_email->text().trimmed(),
                   m_seriesPrefix->text()};
    s.efaturaPrefix = m_efaturaPrefix->text();
    s.efaturaProfile = m_efaturaProfile->currentData().toString();
    s.sendType = m_sendType->currentData().toString();
    if (const QString problem = sellerProblem(s); !problem.isEmpty()) {
        Messages::info(this, problem);
        return;
    }
    if (guarded(this, [&] { EArsivBooks(m_workspace).saveSeller(s); })) {
        Messages::info(this, QStringLiteral("Firma bilgileri kaydedildi."));
        Q_EMIT saved();
    }
}
