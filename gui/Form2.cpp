#include "gui/Form2.h"

#include "base/numbers.h"
#include "gui/fieldkeys.h"
#include "gui/guard.h"
#include "gui/messages.h"
#include "gui/picklist.h"
#include "invoice/workspace.h"
#include "store/database.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString yeni = QStringLiteral("yeni");
const QString eski = QStringLiteral("eski");

template <class W> W *named(W *w, const char *name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

} // namespace

Form2::Form2(QWidget *parent)
    : QWidget(parent)
    , m_mod(yeni) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Müşteri tanıtım"));

    auto *frame = named(new QGroupBox(QStringLiteral("Müşteri Bilgileri"), this), "Frame1");
    m_no = named(new QComboBox(frame), "Combo1");
    m_ad = named(new QComboBox(frame), "Combo2");
    m_adres1 = named(new QLineEdit(frame), "Text1");
    m_adres2 = named(new QLineEdit(frame), "Text2");
    m_vergi = named(new QLineEdit(frame), "Text3");
    m_kaydet = named(new QPushButton(QStringLiteral("KAYDET"), frame), "Command1");
    m_sil = named(new QPushButton(QStringLiteral("SİL"), frame), "Command2");
    makePickList(m_no);
    makePickList(m_ad);
    m_sil->setEnabled(false);

    auto *grid = new QGridLayout(frame);
    const auto label = [&](int row, const char *name, const QString &text, QWidget *field) {
        auto *l = named(new QLabel(text, frame), name);
        l->setBuddy(field);
        grid->addWidget(l, row, 0);
    };
    label(0, "Label1", QStringLiteral("Müşteri No:"), m_no);
    label(1, "Label2", QStringLiteral("Müşteri Adı:"), m_ad);
    label(2, "Label3", QStringLiteral("Adresi:"), m_adres1);
    label(4, "Label4", QStringLiteral("Vergi Dairesi/No:"), m_vergi);
    grid->addWidget(m_no, 0, 1);
    grid->addWidget(m_ad, 1, 1);
    grid->addWidget(m_adres1, 2, 1);
    grid->addWidget(m_adres2, 3, 1);
    grid->addWidget(m_vergi, 4, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_kaydet);
    buttons->addWidget(m_sil);
    grid->addLayout(buttons, 5, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(1, 300);
    auto *outer = new QVBoxLayout(this);
    outer->addWidget(frame);

    const QList<QWidget *> fields = {m_no, m_ad, m_adres1, m_adres2, m_vergi};
    const QList<QWidget *> order = fields + QList<QWidget *>{m_kaydet, m_sil};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));
    new EnterChain(order, this);
    new FocusColours(fields, this);

    connect(m_no, &QComboBox::activated, this, &Form2::numaradanSec);
    connect(m_ad, &QComboBox::activated, this, &Form2::addanSec);
    connect(m_kaydet, &QPushButton::clicked, this, &Form2::kaydet);
    connect(m_sil, &QPushButton::clicked, this, &Form2::sil);

    yenile();
    m_no->setFocus();
}

MusteriKutulari Form2::kutular() const {
    return {m_no->currentText(), m_ad->currentText(), m_adres1->text(), m_adres2->text(),
            m_vergi->text()};
}

void Form2::yenile() {
    m_mod = yeni;
    m_sil->setEnabled(false);
    m_adres1->clear();
    m_adres2->clear();
    m_vergi->clear();

    MusteriListesi liste;
    QString oneri;
    guarded(this, [&] {
        Veritabani db(ayarlardakiVeritabani());
        liste = musteriListesi(db);
        oneri = QString::number(onerilenMusteriNo(db));
    });
    // On a failure the lists stay empty rather than show what may no longer be so.
    m_no->clear();
    m_ad->clear();
    m_no->addItems(liste.numaralar);
    m_ad->addItems(liste.adlar);
    m_no->setCurrentIndex(-1);
    m_ad->setCurrentIndex(-1);
    m_no->setEditText(oneri);
    m_ad->clearEditText();
}

void Form2::goster(const Musteri &m) {
    m_no->setEditText(QString::number(m.sirano));
    m_ad->setEditText(m.adi_soyadi);
    m_adres1->setText(m.adresi);
    m_adres2->setText(m.adresi2);
    m_vergi->setText(m.vergidaire_no);
    m_mod = eski;
    m_sil->setEnabled(true);
}

void Form2::numaradanSec(int satir) {
    // A list entry that is not a whole number cannot name a row.
    const std::optional<qint64> no = wholeNumber(m_no->itemText(satir));
    if (!no)
        return;
    std::optional<Musteri> bulunan;
    guarded(this, [&] {
        Veritabani db(ayarlardakiVeritabani());
        bulunan = musteriNoIle(db, *no);
    });
    if (bulunan)
        goster(*bulunan);
}

void Form2::addanSec(int satir) {
    std::optional<Musteri> bulunan;
    guarded(this, [&] {
        Veritabani db(ayarlardakiVeritabani());
        bulunan = musteriAdiIle(db, m_ad->itemText(satir));
    });
    if (bulunan)
        goster(*bulunan);
}

void Form2::kaydet() {
    const std::variant<Musteri, QString> hazir = kaydedilecekMusteri(kutular());
    if (const QString *mesaj = std::get_if<QString>(&hazir)) {
        Messages::info(this, *mesaj);
        return;
    }
    const Musteri &musteri = std::get<Musteri>(hazir);
    MusteriSonucu sonuc = MusteriSonucu::Tamam;
    const bool yazildi = guarded(this, [&] {
        Veritabani db(ayarlardakiVeritabani(), Veritabani::Erisim::Yazma);
        sonuc = m_mod == yeni ? musteriEkle(db, musteri) : musteriDegistir(db, musteri);
    });
    if (!yazildi)
        return;
    if (sonuc != MusteriSonucu::Tamam) {
        Messages::info(this, sonucMesaji(sonuc));
        return;
    }
    Q_EMIT musteriKaydedildi();
    yenile();
    // The number is proposed; the next customer starts with the name.
    m_ad->setFocus();
}

void Form2::sil() {
    // The number is checked before the question: asking first and refusing after would
    // only make the user answer for nothing.
    const std::variant<qint64, QString> no = musteriNoMetni(m_no->currentText());
    if (const QString *mesaj = std::get_if<QString>(&no)) {
        Messages::info(this, *mesaj);
        return;
    }
    if (!Messages::ask(this, QStringLiteral("Emin misiniz?")))
        return;
    MusteriSonucu sonuc = MusteriSonucu::Tamam;
    const bool silindi = guarded(this, [&] {
        Veritabani db(ayarlardakiVeritabani(), Veritabani::Erisim::Yazma);
        sonuc = musteriSil(db, std::get<qint64>(no));
    });
    if (!silindi)
        return;
    if (sonuc != MusteriSonucu::Tamam) {
        Messages::info(this, sonucMesaji(sonuc));
        return;
    }
    yenile();
    m_ad->setFocus();
}
