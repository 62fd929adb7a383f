#include "gui/Form5.h"

#include "base/numbers.h"
#include "gui/guard.h"
#include "gui/imagebutton.h"
#include "gui/messages.h"
#include "gui/previewwindow.h"

#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QToolButton>

#include <utility>

namespace {

// Positions are in twips (1/1440 inch) from the client area's top-left corner.
constexpr int pencereGenisligi = 8505;
constexpr int pencereYuksekligi = 8985;
constexpr int satirYuksekligi = 285;
constexpr int baslikSolu = 60;    // captions in front of boxes start here
constexpr int baslikAraligi = 60; // and end this far before their box

// The placement rows in window order: the file line each one is saved to, and its top.
struct YerSatiri {
    int satir;
    int ust;
};
constexpr std::array<YerSatiri, 15> yerSatirlari = {{
    {3, 1425},
    {4, 1755},
    {5, 2085},
    {6, 2415},
    {23, 2760},
    {7, 3105},
    {21, 3420},
    {22, 3750},
    {8, 4095},
    {9, 4425},
    {10, 4755},
    {11, 5085},
    {12, 5415},
    {13, 5745},
    {14, 6075},
}};

// The four boxes of a placement row: object name suffix, left and width.
struct YerKutusu {
    const char *ek;
    int sol;
    int genislik;
};
constexpr std::array<YerKutusu, 4> yerKutulari = {{
    {"_sol_bosluk", 2025, 585},
    {"_ust_bosluk", 3060, 585},
    {"_yazitipi_adi", 4080, 1905},
    {"_boyutu", 6030, 690},
}};

// The column positions under "Fatura SütunMarjları:", left to right: file line and box left.
constexpr std::array<std::pair<int, int>, 5> marjKutulari = {{
    {16, 2610}, // Açıklama
    {20, 3375}, // İskonto
    {17, 4200}, // Br.Fiyat
    {18, 5070}, // Miktar
    {19, 6000}, // Tutar
}};

const QColor zeminRengi(113, 189, 240);
const QColor baslikRengi(0, 0, 192);

// "MS Sans Serif" where it exists, otherwise a face of about its width.
QFont pencereYaziTipi(bool kalin) {
    QFont f;
    f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                   QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                   QStringLiteral("Nimbus Sans")});
    f.setPointSizeF(8.25);
    f.setBold(kalin);
    return f;
}

std::optional<QString> masaustuDosyaSecici(QWidget *parent) {
    const QString yol = QFileDialog::getOpenFileName(parent);
    if (yol.isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(yol);
}

std::optional<QFont> masaustuYaziTipiSecici(QWidget *parent) {
    bool secildi = false;
    const QFont f = QFontDialog::getFont(&secildi, parent);
    if (!secildi)
        return std::nullopt;
    return f;
}

Form5::FileChooser &dosyaSecici() {
    static Form5::FileChooser secici;
    return secici;
}

Form5::FontChooser &yaziTipiSecici() {
    static Form5::FontChooser secici;
    return secici;
}

const AyarSatiri &tanim(int satir) {
    return ayarSatirlari()[satir - 1];
}

} // namespace

void Form5::setFileChooser(FileChooser chooser) {
    dosyaSecici() = std::move(chooser);
}

void Form5::setFontChooser(FontChooser chooser) {
    yaziTipiSecici() = std::move(chooser);
}

QRect Form5::twips(int left, int top, int width, int height) const {
    const auto px = [this](int t) { return qRound(t * m_olcek); };
    return QRect(QPoint(px(left), px(top)), QPoint(px(left + width) - 1, px(top + height) - 1));
}

ImageButton *Form5::dugme(const QString &name, const QString &caption, qreal points,
                          const QRect &at, const QRect &captionAt) {
    auto *b = new ImageButton(caption, this);
    b->setObjectName(name);
    b->setCaptionPointSize(points);
    b->setGeometry(at);
    b->setCaptionRect(captionAt.translated(-at.topLeft()));
    return b;
}

Form5::Form5(QWidget *parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Ayarlar"));
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    m_olcek = logicalDpiX() / 1440.0;
    setFixedSize(twips(0, 0, pencereGenisligi, pencereYuksekligi).size());

    QPalette renkler = palette();
    renkler.setColor(QPalette::Window, zeminRengi);
    renkler.setColor(QPalette::WindowText, baslikRengi);
    setPalette(renkler);
    setAutoFillBackground(true);
    setFont(pencereYaziTipi(false));

    const auto baslik = [this](const QString &metin, const QRect &at, Qt::Alignment hiza) {
        auto *l = new QLabel(metin, this);
        l->setFont(pencereYaziTipi(true));
        l->setAlignment(hiza);
        l->setGeometry(at);
        return l;
    };
    // A caption right-aligned in front of its box (whose left edge is `kutuSolu`), on the
    // box's line.
    const auto onBaslik = [&](const QString &metin, int solu, int kutuSolu, QWidget *kutu) {
        const QRect at = twips(solu, 0, kutuSolu - baslikAraligi - solu, 0);
        const QRect k = kutu->geometry();
        return baslik(metin, QRect(at.left(), k.top(), at.width(), k.height()),
                      Qt::AlignRight | Qt::AlignVCenter);
    };
    const auto kutu = [this](const QString &name, const QRect &at) {
        auto *e = new QLineEdit(this);
        e->setObjectName(name);
        e->setGeometry(at);
        return e;
    };
    const auto tekKutu = [&](int satir, const QRect &at) {
        m_tek[satir - 1] = kutu(QString::fromLatin1(tanim(satir).ad), at);
        return m_tek[satir - 1];
    };

    // VAT rate and database path.
    onBaslik(QString::fromUtf8(tanim(1).baslik), baslikSolu, 2055,
             tekKutu(1, twips(2055, 420, 870, 330)));
    onBaslik(QString::fromUtf8(tanim(2).baslik), 2925 + baslikAraligi, 4080,
             tekKutu(2, twips(4080, 420, 2700, 330)));
    ImageButton *gozat = dugme(QStringLiteral("gozat_dugmesi"), QStringLiteral("Gözat"), 8.25,
                               twips(6825, 405, 1005, 405), twips(7080, 450, 495, 195));
    connect(gozat, &ImageButton::released, this, &Form5::veritabaniSec);

    // The placement grid.
    baslik(QStringLiteral("Sol\nBoşluk"), twips(2040, 900, 1000, 510),
           Qt::AlignLeft | Qt::AlignBottom);
    baslik(QStringLiteral("Üst\nBoşluk"), twips(3060, 900, 1000, 510),
           Qt::AlignLeft | Qt::AlignBottom);
    baslik(QStringLiteral("Yazıtipi Adı"), twips(4605, 1110, 1400, 300),
           Qt::AlignLeft | Qt::AlignBottom);
    baslik(QStringLiteral("Boyutu"), twips(6060, 1110, 700, 300), Qt::AlignLeft | Qt::AlignBottom);
    for (std::size_t i = 0; i < yerSatirlari.size(); ++i) {
        const YerSatiri &r = yerSatirlari[i];
        const AyarSatiri &t = tanim(r.satir);
        const QString ad = QString::fromLatin1(t.ad);
        auto &kutular = m_yer[r.satir - 1];
        for (std::size_t k = 0; k < yerKutulari.size(); ++k) {
            const YerKutusu &y = yerKutulari[k];
            // The size boxes of the last three rows stand a little further right.
            const int sol = (k == 3 && i >= yerSatirlari.size() - 3) ? 6045 : y.sol;
            kutular[k] =
                kutu(ad + QLatin1String(y.ek), twips(sol, r.ust, y.genislik, satirYuksekligi));
        }
        onBaslik(QString::fromUtf8(t.baslik), baslikSolu, yerKutulari[0].sol, kutular[0])
            ->setObjectName(ad + QStringLiteral("_baslik"));
        ImageButton *yaziTipi =
            dugme(ad + QStringLiteral("_yazitipi_dugmesi"), QStringLiteral("Yazıtipi"), 6.75,
                  twips(6810, r.ust, 1005, 300), twips(7020, r.ust + 45, 555, 165));
        yaziTipi->setPressArea(ImageButton::PressArea::Caption);
        connect(yaziTipi, &ImageButton::released, this,
                [this, satir = r.satir] { yaziTipiSec(satir); });
    }

    // Line spacing and its arrows.
    onBaslik(QString::fromUtf8(tanim(15).baslik), baslikSolu, 2025,
             tekKutu(15, twips(2025, 6420, 585, satirYuksekligi)));
    const auto ok = [this](const char *name, Qt::ArrowType yon, const QRect &at, int adim) {
        auto *b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setArrowType(yon);
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRepeat(true);
        b->setGeometry(at);
        connect(b, &QToolButton::clicked, this, [this, adim] { satirArasiAdim(adim); });
    };
    ok("satir_arasi_artir", Qt::UpArrow, twips(2760, 6450, 255, 128), 1);
    ok("satir_arasi_azalt", Qt::DownArrow, twips(2760, 6578, 255, 127), -1);

    // Column positions, each under its caption.
    for (const auto &[satir, sol] : marjKutulari) {
        QLineEdit *marj = tekKutu(satir, twips(sol, 7185, 600, satirYuksekligi));
        if (satir == marjKutulari[0].first)
            onBaslik(QStringLiteral("Fatura SütunMarjları:"), baslikSolu, sol, marj);
        // Centred over the box: some captions are wider than their box.
        baslik(QString::fromUtf8(tanim(satir).baslik), twips(sol - 150, 6900, 900, 285),
               Qt::AlignHCenter | Qt::AlignBottom);
    }

    ImageButton *kaydetDugmesi =
        dugme(QStringLiteral("kaydet_dugmesi"), QStringLiteral("Kaydet"), 8.25,
              twips(6810, 7155, 1005, 405), twips(7035, 7200, 600, 195));
    kaydetDugmesi->setPressArea(ImageButton::PressArea::Caption);
    connect(kaydetDugmesi, &ImageButton::released, this, &Form5::kaydetVeGizle);

    // The print preview, under "Kaydet". It follows every change of a box, saved or not.
    ImageButton *onizlemeDugmesi =
        dugme(QStringLiteral("onizleme_dugmesi"), QStringLiteral("Önizleme"), 8.25,
              twips(6810, 7650, 1005, 405), twips(6960, 7695, 705, 195));
    onizlemeDugmesi->setPressArea(ImageButton::PressArea::Caption);
    connect(onizlemeDugmesi, &ImageButton::released, this, &Form5::onizlemeyiAc);
    for (QLineEdit *k : findChildren<QLineEdit *>()) {
        connect(k, &QLineEdit::textChanged, this, [this] {
            if (m_onizleme)
                m_onizleme->setAyarlar(kutulardakiAyarlar());
        });
    }

    yukle();

    if (const QScreen *ekran = screen()) {
        QRect yer = rect();
        yer.moveCenter(ekran->availableGeometry().center());
        move(yer.topLeft());
    }
}

// A missing or short file is no error here: the boxes of the lines that are not there stay
// empty, so the window shows exactly what the file holds.
void Form5::yukle() {
    const ayarlar a = ayarDosyasiniOku(ayarDosyasi()).deger;
    for (const AyarSatiri &s : ayarSatirlari()) {
        const int i = s.satir - 1;
        if (s.tek) {
            m_tek[i]->setText(a.*s.tek);
            continue;
        }
        const baski_yeri &y = a.*s.yer;
        m_yer[i][0]->setText(y.sol_bosluk);
        m_yer[i][1]->setText(y.ust_bosluk);
        m_yer[i][2]->setText(y.yazitipi_adi);
        m_yer[i][3]->setText(y.boyutu);
    }
    // A value longer than its box shows from its beginning.
    for (QLineEdit *kutu : findChildren<QLineEdit *>())
        kutu->setCursorPosition(0);
}

ayarlar Form5::kutulardakiAyarlar() const {
    ayarlar a;
    for (const AyarSatiri &s : ayarSatirlari()) {
        const int i = s.satir - 1;
        if (s.tek) {
            a.*s.tek = m_tek[i]->text();
            continue;
        }
        a.*s.yer = {m_yer[i][0]->text(), m_yer[i][1]->text(), m_yer[i][2]->text(),
                    m_yer[i][3]->text()};
    }
    return a;
}

bool Form5::kaydet() {
    const ayarlar a = kutulardakiAyarlar();
    const QList<YazmaSorunu> sorunlar = yazilamayanDegerler(a);
    if (!sorunlar.isEmpty()) {
        Messages::info(this, sorunlar.first().mesaj());
        return false;
    }
    return guarded(this, [&] { ayarlari_yaz(a); });
}

void Form5::kaydetVeGizle() {
    if (!kaydet())
        return;
    Messages::info(this, QStringLiteral("Ayarlar Kaydedildi."), QStringLiteral("Ayarlar"));
    hide();
}

// The invoice is read again at every opening: the database box may name another file now.
void Form5::onizlemeyiAc() {
    if (!m_onizleme) {
        m_onizleme = new Onizleme(this);
        m_onizleme->yanina(frameGeometry());
    }
    if (guarded(this, [&] { m_onizleme->yukle(kutulardakiAyarlar()); })) {
        m_onizleme->show();
        m_onizleme->raise();
        m_onizleme->activateWindow();
    }
}

void Form5::veritabaniSec() {
    const FileChooser &secici = dosyaSecici();
    const std::optional<QString> yol = secici ? secici(this) : masaustuDosyaSecici(this);
    if (yol)
        m_tek[1]->setText(*yol);
}

void Form5::yaziTipiSec(int satir) {
    const FontChooser &secici = yaziTipiSecici();
    const std::optional<QFont> f = secici ? secici(this) : masaustuYaziTipiSecici(this);
    if (!f)
        return;
    const qreal boyut = f->pointSizeF() > 0 ? f->pointSizeF() : QFontInfo(*f).pointSizeF();
    m_yer[satir - 1][2]->setText(f->family());
    m_yer[satir - 1][3]->setText(plainNumberText(boyut));
}

void Form5::satirArasiAdim(int adim) {
    QLineEdit *kutu = m_tek[14];
    kutu->setText(plainNumberText(inputNumber(kutu->text()).value_or(0.0) + adim));
}
