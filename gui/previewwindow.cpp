#include "gui/previewwindow.h"

#include "gui/guard.h"
#include "gui/messages.h"
#include "printing/printtarget.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <array>
#include <cmath>
#include <exception>

namespace {

constexpr int bosluk = 20; // grey around the paper, in pixels
constexpr double enAz = 0.1;
constexpr double enCok = 4;
constexpr std::array<double, 15> adimlar = {0.25, 0.33, 0.5,  0.67, 0.75, 0.9, 1, 1.1,
                                            1.25, 1.5,  1.75, 2,    2.5,  3,   4};

const QString formDosyasi = QStringLiteral("fatura-formu.jpg");

} // namespace

// The paper on grey, drawn at the preview's zoom. Each paint draws the part it must show
// into a picture with the zoomed resolution, so text is laid out for that size, not scaled.
class SayfaGorunumu : public QWidget {
public:
    explicit SayfaGorunumu(const OnizlemeSayfasi &sayfa)
        : m_sayfa(sayfa) {
        setObjectName(QStringLiteral("sayfa"));
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    void setDpi(int dpi) {
        m_dpi = dpi;
        const QSizeF a4 = a4Kagidi() * (dpi / 72.0);
        setFixedSize(qRound(a4.width()) + 2 * bosluk, qRound(a4.height()) + 2 * bosluk);
        update();
    }
    int dpi() const { return m_dpi; }
    QRect kagit() const { return rect().adjusted(bosluk, bosluk, -bosluk, -bosluk); }
    const QList<RecordingPrinter::Line> &cizilenler() const { return m_cizilenler; }

protected:
    void paintEvent(QPaintEvent *event) override {
        const QRect parca = event->rect();
        QImage resim(parca.size(), QImage::Format_RGB32);
        const int metreBasina = qRound(m_dpi / 0.0254);
        resim.setDotsPerMeterX(metreBasina);
        resim.setDotsPerMeterY(metreBasina);
        resim.fill(palette().color(QPalette::Dark)); // as the scroll area around it
        const QPoint kose = kagit().topLeft() - parca.topLeft();
        {
            QPainter p(&resim);
            p.fillRect(QRect(kose + QPoint(4, 4), kagit().size()), QColor(70, 70, 70));
        }
        try {
            m_cizilenler = sayfayiCiz(resim, kose, m_sayfa);
        } catch (const std::exception &) {
            // Nothing to print on the page; the paper and the picture stay.
            m_cizilenler.clear();
        }
        QPainter(this).drawImage(parca.topLeft(), resim);
    }

private:
    const OnizlemeSayfasi &m_sayfa;
    int m_dpi = 96;
    QList<RecordingPrinter::Line> m_cizilenler;
};

Onizleme::Onizleme(QWidget *parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("Onizleme"));
    setWindowTitle(QStringLiteral("Önizleme"));

    const auto dugme = [this](const char *ad, const QString &yazi, const QString &ipucu) {
        auto *b = new QPushButton(yazi, this);
        b->setObjectName(QString::fromLatin1(ad));
        b->setToolTip(ipucu);
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    QPushButton *yakin = dugme("yakinlastir_dugmesi", QStringLiteral("Yakınlaştır"),
                               QStringLiteral("Ctrl++ ya da Ctrl ile fare tekerleği"));
    QPushButton *uzak = dugme("uzaklastir_dugmesi", QStringLiteral("Uzaklaştır"),
                              QStringLiteral("Ctrl+- ya da Ctrl ile fare tekerleği"));
    QPushButton *gercek = dugme("gercek_boyut_dugmesi", QStringLiteral("Gerçek Boyut"),
                                QStringLiteral("%100 (Ctrl+1)"));
    QPushButton *sigdir =
        dugme("sigdir_dugmesi", QStringLiteral("Sayfaya Sığdır"), QStringLiteral("Ctrl+0"));
    QPushButton *deneme =
        dugme("deneme_baskisi_dugmesi", QStringLiteral("Deneme Baskısı"),
              QStringLiteral("Bu faturayı kutulardaki değerlerle varsayılan yazıcıya basar; "
                             "yazıcı yoksa baskilar klasörüne PDF olarak kaydeder"));
    m_yakinlikEtiketi = new QLabel(this);
    m_yakinlikEtiketi->setObjectName(QStringLiteral("yakinlik_etiketi"));
    m_yakinlikEtiketi->setMinimumWidth(
        m_yakinlikEtiketi->fontMetrics().horizontalAdvance(QStringLiteral("%0000")));
    connect(yakin, &QPushButton::clicked, this, &Onizleme::yakinlastir);
    connect(uzak, &QPushButton::clicked, this, &Onizleme::uzaklastir);
    connect(gercek, &QPushButton::clicked, this, [this] { setYakinlik(1); });
    connect(sigdir, &QPushButton::clicked, this, &Onizleme::sayfayaSigdir);
    connect(deneme, &QPushButton::clicked, this, &Onizleme::denemeBaskisi);

    const auto kisayol = [this](const QKeySequence &tus, auto eylem) {
        connect(new QShortcut(tus, this), &QShortcut::activated, this, eylem);
    };
    kisayol(QKeySequence::ZoomIn, [this] { yakinlastir(); });
    kisayol(QKeySequence(Qt::CTRL | Qt::Key_Equal), [this] { yakinlastir(); });
    kisayol(QKeySequence::ZoomOut, [this] { uzaklastir(); });
    kisayol(QKeySequence(Qt::CTRL | Qt::Key_1), [this] { setYakinlik(1); });
    kisayol(QKeySequence(Qt::CTRL | Qt::Key_0), [this] { sayfayaSigdir(); });

    m_not = new QLabel(this);
    m_not->setObjectName(QStringLiteral("not_etiketi"));
    m_not->setWordWrap(true);

    m_gorunum = new SayfaGorunumu(m_sayfa);
    m_kaydirma = new QScrollArea(this);
    m_kaydirma->setObjectName(QStringLiteral("kaydirma"));
    m_kaydirma->setAlignment(Qt::AlignCenter);
    m_kaydirma->setBackgroundRole(QPalette::Dark);
    m_kaydirma->setWidget(m_gorunum);
    m_kaydirma->viewport()->installEventFilter(this);

    auto *satir = new QHBoxLayout;
    for (QWidget *w : std::initializer_list<QWidget *>{yakin, uzak, gercek, sigdir})
        satir->addWidget(w);
    satir->addWidget(m_yakinlikEtiketi);
    satir->addStretch();
    satir->addWidget(deneme);
    auto *duzen = new QVBoxLayout(this);
    duzen->addLayout(satir);
    duzen->addWidget(m_not);
    duzen->addWidget(m_kaydirma, 1);

    yakinligiUygula();
    // The whole page at true size; yanina() cuts it down to the screen.
    const QSize sayfa = m_gorunum->size();
    resize(sayfa.width() + 40, sayfa.height() + 120);
}

Onizleme::~Onizleme() = default;

void Onizleme::yukle(const ayarlar &a) {
    m_fatura = onizlemeFaturasi(a.veritabani_yolu);
    m_sayfa.satirlar = m_fatura.satirlar;
    m_sayfa.baskiAlani = baskiAlani();

    const QString yol = QDir::current().filePath(formDosyasi);
    m_sayfa.form = QFileInfo::exists(yol) ? QImage(yol) : QImage();
    m_formYolu = m_sayfa.form.isNull() ? QString() : yol;
    QString formNotu;
    if (!m_sayfa.form.isNull())
        formNotu = QStringLiteral("Sayfanın altındaki %1 yalnızca ekranda gösterilir, basılmaz.")
                       .arg(formDosyasi);
    else if (QFileInfo::exists(yol))
        formNotu = QStringLiteral("%1 okunamadı; boş sayfa gösteriliyor.").arg(formDosyasi);
    else
        formNotu = QStringLiteral("Boş fatura formunun resmi çalışma klasörüne %1 adıyla "
                                  "konursa sayfanın altında gösterilir.")
                       .arg(formDosyasi);
    m_not->setText(m_fatura.aciklama + u'\n' + formNotu +
                   QStringLiteral(" Kesikli çizgi baskı alanıdır; konumlar köşesindeki 0,0 "
                                  "noktasından ölçülür."));
    setAyarlar(a);
}

void Onizleme::setAyarlar(const ayarlar &a) {
    m_sayfa.ayar = a;
    m_gorunum->update();
}

void Onizleme::yanina(const QRect &pencere) {
    const QScreen *ekran = screen();
    if (!ekran)
        return;
    const QRect alan = ekran->availableGeometry();
    const int cerceve = frameGeometry().width() - width() + 10;
    QSize boyut = size().boundedTo(alan.size() - QSize(cerceve, 60));
    const int sag = alan.right() - pencere.right() - cerceve;
    const int sol = pencere.left() - alan.left() - cerceve;
    int x = alan.right() - cerceve - boyut.width();
    if (std::max(sag, sol) >= 420) {
        boyut.setWidth(std::min(boyut.width(), std::max(sag, sol)));
        x = sag >= sol ? pencere.right() + cerceve : pencere.left() - cerceve - boyut.width();
    }
    resize(boyut);
    move(x, alan.top() + 10);
}

void Onizleme::setYakinlik(double yakinlik) {
    m_yakinlik = std::clamp(yakinlik, enAz, enCok);
    yakinligiUygula();
}

void Onizleme::yakinligiUygula() {
    m_gorunum->setDpi(std::max(1, qRound(logicalDpiY() * m_yakinlik)));
    m_yakinlikEtiketi->setText(QStringLiteral("%%1").arg(qRound(m_yakinlik * 100)));
}

void Onizleme::yakinlastir() {
    for (double adim : adimlar) {
        if (adim > m_yakinlik + 1e-6)
            return setYakinlik(adim);
    }
}

void Onizleme::uzaklastir() {
    for (auto it = adimlar.rbegin(); it != adimlar.rend(); ++it) {
        if (*it < m_yakinlik - 1e-6)
            return setYakinlik(*it);
    }
}

void Onizleme::sayfayaSigdir() {
    const QSizeF a4 = a4Kagidi() * (logicalDpiY() / 72.0);
    const QSize yer = m_kaydirma->viewport()->size() - QSize(2 * bosluk, 2 * bosluk);
    setYakinlik(std::min(yer.width() / a4.width(), yer.height() / a4.height()));
}

QRect Onizleme::kagit() const {
    return m_gorunum->kagit();
}

const QList<RecordingPrinter::Line> &Onizleme::cizilenler() const {
    return m_gorunum->cizilenler();
}

bool Onizleme::eventFilter(QObject *watched, QEvent *event) {
    if (watched != m_kaydirma->viewport() || event->type() != QEvent::Wheel)
        return QWidget::eventFilter(watched, event);
    auto *tekerlek = static_cast<QWheelEvent *>(event);
    if (!(tekerlek->modifiers() & Qt::ControlModifier))
        return false;
    // Zoom around the point under the pointer: it stays where it is on the screen.
    const QPoint imlec = tekerlek->position().toPoint();
    const QRect once = kagit();
    const QPointF oran(
        double(m_gorunum->mapFrom(m_kaydirma->viewport(), imlec).x() - once.x()) / once.width(),
        double(m_gorunum->mapFrom(m_kaydirma->viewport(), imlec).y() - once.y()) / once.height());
    m_tekerlek += tekerlek->angleDelta().y();
    for (; m_tekerlek >= 120; m_tekerlek -= 120)
        yakinlastir();
    for (; m_tekerlek <= -120; m_tekerlek += 120)
        uzaklastir();
    const QRect sonra = kagit();
    m_kaydirma->horizontalScrollBar()->setValue(
        qRound(sonra.x() + oran.x() * sonra.width() - imlec.x()));
    m_kaydirma->verticalScrollBar()->setValue(
        qRound(sonra.y() + oran.y() * sonra.height() - imlec.y()));
    return true;
}

void Onizleme::denemeBaskisi() {
    QString pdf;
    const bool basildi = guarded(this, [&] {
        PrintTarget hedef = programPrintTarget(QStringLiteral("deneme-baskisi"));
        printInvoice(*hedef.printer, m_sayfa.ayar, m_sayfa.satirlar,
                     onizlemeGirdileri(m_sayfa.satirlar, m_sayfa.ayar.kdv_yuzde));
        hedef.printer->finish();
        pdf = hedef.pdfPath;
    });
    if (basildi && !pdf.isEmpty())
        Messages::info(this, pdfNotice(pdf));
}
