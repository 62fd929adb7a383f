#include "gui/Form5.h"

#include "base/numbers.h"
#include "gui/choosers.h"
#include "gui/guard.h"
#include "gui/imagebutton.h"
#include "gui/messages.h"
#include "gui/previewwindow.h"
#include "gui/printersetup.h"
#include "invoice/books.h"
#include "invoice/workspace.h"

#include <QDir>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QToolButton>

#include <utility>

namespace {

// Positions are in twips (1/1440 inch) from the client area's top-left corner.
constexpr int windowWidth = 8505;
constexpr int windowHeight = 8985;
constexpr int rowHeight = 285;
constexpr int captionLeft = 60; // captions in front of boxes start here
constexpr int captionGap = 60;  // and end this far before their box

// The placement rows in window order: the file line each one is saved to, and its top.
struct PlacementRow {
    int line;
    int top;
};
constexpr std::array<PlacementRow, 15> placementRows = {{
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
struct PlacementBox {
    const char *suffix;
    int left;
    int width;
};
constexpr std::array<PlacementBox, 4> placementBoxes = {{
    {"_sol_bosluk", 2025, 585},
    {"_ust_bosluk", 3060, 585},
    {"_yazitipi_adi", 4080, 1905},
    {"_boyutu", 6030, 690},
}};

// The column positions under "Fatura Sütun Marjları:", left to right: file line and box left.
constexpr std::array<std::pair<int, int>, 5> marginBoxes = {{
    {16, 2610}, // Açıklama
    {20, 3375}, // İskonto
    {17, 4200}, // Br.Fiyat
    {18, 5070}, // Miktar
    {19, 6000}, // Tutar
}};

const QColor backgroundColour(113, 189, 240);
const QColor captionColour(0, 0, 192);

// "MS Sans Serif" where it exists, otherwise a face of about its width.
QFont windowFont(bool bold) {
    QFont f;
    f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                   QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                   QStringLiteral("Nimbus Sans")});
    f.setPointSizeF(8.25);
    f.setBold(bold);
    return f;
}

const SettingsLine &lineAt(int line) {
    return settingsLines()[line - 1];
}

} // namespace

QRect Form5::twips(int left, int top, int width, int height) const {
    const auto px = [this](int t) { return qRound(t * m_scale); };
    return QRect(QPoint(px(left), px(top)), QPoint(px(left + width) - 1, px(top + height) - 1));
}

ImageButton *Form5::imageButton(const QString &name, const QString &caption, qreal points,
                                const QRect &at, const QRect &captionAt) {
    auto *b = new ImageButton(caption, this);
    b->setObjectName(name);
    b->setCaptionPointSize(points);
    b->setGeometry(at);
    b->setCaptionRect(captionAt.translated(-at.topLeft()));
    return b;
}

Form5::Form5(Workspace &workspace, QWidget *parent)
    : QWidget(parent)
    , m_workspace(workspace) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Ayarlar"));
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    m_scale = logicalDpiX() / 1440.0;
    setFixedSize(twips(0, 0, windowWidth, windowHeight).size());

    QPalette colours = palette();
    colours.setColor(QPalette::Window, backgroundColour);
    colours.setColor(QPalette::WindowText, captionColour);
    setPalette(colours);
    setAutoFillBackground(true);
    setFont(windowFont(false));

    const auto caption = [this](const QString &text, const QRect &at, Qt::Alignment alignment) {
        auto *l = new QLabel(text, this);
        l->setFont(windowFont(true));
        l->setAlignment(alignment);
        l->setGeometry(at);
        return l;
    };
    // A caption right-aligned in front of its box (whose left edge is `boxLeft`), on the
    // box's line.
    const auto captionBefore = [&](const QString &text, int left, int boxLeft, QWidget *box) {
        const QRect at = twips(left, 0, boxLeft - captionGap - left, 0);
        const QRect k = box->geometry();
        return caption(text, QRect(at.left(), k.top(), at.width(), k.height()),
                       Qt::AlignRight | Qt::AlignVCenter);
    };
    const auto box = [this](const QString &name, const QRect &at) {
        auto *e = new QLineEdit(this);
        e->setObjectName(name);
        e->setGeometry(at);
        return e;
    };
    const auto singleBox = [&](int line, const QRect &at) {
        m_singleBoxes[line - 1] = box(QString::fromLatin1(lineAt(line).name), at);
        return m_singleBoxes[line - 1];
    };

    // VAT rate and database path.
    captionBefore(QString::fromUtf8(lineAt(1).caption), captionLeft, 2055,
                  singleBox(1, twips(2055, 420, 870, 330)));
    captionBefore(QString::fromUtf8(lineAt(2).caption), 2925 + captionGap, 4080,
                  singleBox(2, twips(4080, 420, 2700, 330)));
    ImageButton *browse =
        imageButton(QStringLiteral("gozat_dugmesi"), QStringLiteral("Gözat"), 8.25,
                    twips(6825, 405, 1005, 405), twips(7080, 450, 495, 195));
    connect(browse, &ImageButton::released, this, &Form5::chooseDatabase);

    // The placement grid.
    caption(QStringLiteral("Sol\nBoşluk"), twips(2040, 900, 1000, 510),
            Qt::AlignLeft | Qt::AlignBottom);
    caption(QStringLiteral("Üst\nBoşluk"), twips(3060, 900, 1000, 510),
            Qt::AlignLeft | Qt::AlignBottom);
    caption(QStringLiteral("Yazıtipi Adı"), twips(4605, 1110, 1400, 300),
            Qt::AlignLeft | Qt::AlignBottom);
    caption(QStringLiteral("Boyutu"), twips(6060, 1110, 700, 300), Qt::AlignLeft | Qt::AlignBottom);
    for (std::size_t i = 0; i < placementRows.size(); ++i) {
        const PlacementRow &r = placementRows[i];
        const SettingsLine &t = lineAt(r.line);
        const QString name = QString::fromLatin1(t.name);
        auto &boxes = m_placementBoxes[r.line - 1];
        for (std::size_t k = 0; k < placementBoxes.size(); ++k) {
            const PlacementBox &y = placementBoxes[k];
            // The size boxes of the last three rows stand a little further right.
            const int left = (k == 3 && i >= placementRows.size() - 3) ? 6045 : y.left;
            boxes[k] = box(name + QLatin1String(y.suffix), twips(left, r.top, y.width, rowHeight));
        }
        captionBefore(QString::fromUtf8(t.caption), captionLeft, placementBoxes[0].left, boxes[0])
            ->setObjectName(name + QStringLiteral("_baslik"));
        ImageButton *fontButton =
            imageButton(name + QStringLiteral("_yazitipi_dugmesi"), QStringLiteral("Yazıtipi"),
                        6.75, twips(6810, r.top, 1005, 300), twips(7020, r.top + 45, 555, 165));
        fontButton->setPressArea(ImageButton::PressArea::Caption);
        connect(fontButton, &ImageButton::released, this,
                [this, line = r.line] { chooseFont(line); });
    }

    // Line spacing and its arrows.
    captionBefore(QString::fromUtf8(lineAt(15).caption), captionLeft, 2025,
                  singleBox(15, twips(2025, 6420, 585, rowHeight)));
    const auto arrowButton = [this](const char *name, Qt::ArrowType direction, const QRect &at,
                                    int step) {
        auto *b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setArrowType(direction);
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRepeat(true);
        b->setGeometry(at);
        connect(b, &QToolButton::clicked, this, [this, step] { stepLineSpacing(step); });
    };
    arrowButton("satir_arasi_artir", Qt::UpArrow, twips(2760, 6450, 255, 128), 1);
    arrowButton("satir_arasi_azalt", Qt::DownArrow, twips(2760, 6578, 255, 127), -1);

    // Column positions, each under its caption.
    for (const auto &[line, left] : marginBoxes) {
        QLineEdit *margin = singleBox(line, twips(left, 7185, 600, rowHeight));
        if (line == marginBoxes[0].first)
            captionBefore(QStringLiteral("Fatura Sütun Marjları:"), captionLeft, left, margin);
        // Centred over the box: some captions are wider than their box.
        caption(QString::fromUtf8(lineAt(line).caption), twips(left - 150, 6900, 900, 285),
                Qt::AlignHCenter | Qt::AlignBottom);
    }

    ImageButton *saveButton =
        imageButton(QStringLiteral("kaydet_dugmesi"), QStringLiteral("Kaydet"), 8.25,
                    twips(6810, 7155, 1005, 405), twips(7035, 7200, 600, 195));
    saveButton->setPressArea(ImageButton::PressArea::Caption);
    connect(saveButton, &ImageButton::released, this, &Form5::saveAndHide);

    // The print preview, under "Kaydet". It follows every change of a box, saved or not.
    ImageButton *previewButton =
        imageButton(QStringLiteral("onizleme_dugmesi"), QStringLiteral("Önizleme"), 8.25,
                    twips(6810, 7650, 1005, 405), twips(6960, 7695, 705, 195));
    previewButton->setPressArea(ImageButton::PressArea::Caption);
    connect(previewButton, &ImageButton::released, this, &Form5::openPreview);
    // This computer's offset for its printer, under "Önizleme"; kept apart from ayarlar.dat.
    ImageButton *printerButton =
        imageButton(QStringLiteral("yazici_dugmesi"), QStringLiteral("Yazıcı"), 8.25,
                    twips(6810, 8145, 1005, 405), twips(7065, 8190, 495, 195));
    printerButton->setPressArea(ImageButton::PressArea::Caption);
    printerButton->setToolTip(QStringLiteral("Yazıcı kayması ve deneme baskısı"));
    connect(printerButton, &ImageButton::released, this, &Form5::openPrinterSetup);
    for (QLineEdit *k : findChildren<QLineEdit *>()) {
        connect(k, &QLineEdit::textChanged, this, [this] {
            if (m_preview)
                m_preview->setSettings(settingsInBoxes());
        });
    }

    load();

    if (const QScreen *display = screen()) {
        QRect bounds = rect();
        bounds.moveCenter(display->availableGeometry().center());
        move(bounds.topLeft());
    }
}

// A missing or short file is no error here: the boxes of the lines that are not there stay
// empty, so the window shows exactly what the file holds.
void Form5::load() {
    const ayarlar a = readSettingsFile(m_workspace.settingsPath()).values;
    for (const SettingsLine &s : settingsLines()) {
        const int i = s.line - 1;
        if (s.single) {
            m_singleBoxes[i]->setText(a.*s.single);
            continue;
        }
        const baski_yeri &y = a.*s.placement;
        m_placementBoxes[i][0]->setText(y.sol_bosluk);
        m_placementBoxes[i][1]->setText(y.ust_bosluk);
        m_placementBoxes[i][2]->setText(y.yazitipi_adi);
        m_placementBoxes[i][3]->setText(y.boyutu);
    }
    // A value longer than its box shows from its beginning.
    for (QLineEdit *box : findChildren<QLineEdit *>())
        box->setCursorPosition(0);
}

ayarlar Form5::settingsInBoxes() const {
    ayarlar a;
    for (const SettingsLine &s : settingsLines()) {
        const int i = s.line - 1;
        if (s.single) {
            a.*s.single = m_singleBoxes[i]->text();
            continue;
        }
        a.*s.placement = {m_placementBoxes[i][0]->text(), m_placementBoxes[i][1]->text(),
                          m_placementBoxes[i][2]->text(), m_placementBoxes[i][3]->text()};
    }
    return a;
}

bool Form5::kaydet() {
    const ayarlar a = settingsInBoxes();
    // What cannot be written back comes first; then what is written but would not print as
    // meant.
    QList<WriteProblem> problems = unwritableValues(a);
    if (problems.isEmpty())
        problems = typedValueProblems(a);
    if (!problems.isEmpty()) {
        const WriteProblem &p = problems.first();
        Messages::info(this, p.message());
        QLineEdit *box = m_singleBoxes[p.line - 1] ? m_singleBoxes[p.line - 1]
                                                   : m_placementBoxes[p.line - 1][p.part];
        box->setFocus(Qt::OtherFocusReason);
        box->selectAll();
        return false;
    }
    // A server address is checked before it goes into the file: a password typed into it
    // would stay there in plain text, for anyone who can read the folder.
    if (const QString problem = Books::databaseSettingProblem(a.veritabani_yolu);
        !problem.isEmpty()) {
        Messages::info(this, QStringLiteral("Ayarlar kaydedilemedi.\n") + problem);
        m_singleBoxes[1]->setFocus();
        return false;
    }
    return guarded(this, [&] { ayarlari_yaz(a, m_workspace.settingsPath()); });
}

void Form5::saveAndHide() {
    if (!kaydet())
        return;
    Messages::info(this, QStringLiteral("Ayarlar Kaydedildi."), QStringLiteral("Ayarlar"));
    hide();
}

// The invoice is read again at every opening: the database box may name another file now.
void Form5::openPreview() {
    if (!m_preview) {
        m_preview = new PreviewWindow(m_workspace, this);
        m_preview->placeBeside(frameGeometry());
    }
    if (guarded(this, [&] { m_preview->load(settingsInBoxes()); })) {
        m_preview->show();
        m_preview->raise();
        m_preview->activateWindow();
    }
}

void Form5::openPrinterSetup() {
    if (!m_printerSetup) {
        m_printerSetup = new PrinterSetupWindow(
            m_workspace, [this] { return settingsInBoxes(); }, this);
        connect(m_printerSetup, &PrinterSetupWindow::offsetSaved, this, [this] {
            if (m_preview)
                m_preview->refreshPrinter();
        });
    }
    m_printerSetup->show();
    m_printerSetup->raise();
    m_printerSetup->activateWindow();
}

void Form5::chooseDatabase() {
    const std::optional<QString> path = Choosers::chooseFile(this);
    if (path)
        m_singleBoxes[1]->setText(*path);
}

void Form5::chooseFont(int line) {
    const std::optional<QFont> f = Choosers::chooseFont(this);
    if (!f)
        return;
    const qreal pointSize = f->pointSizeF() > 0 ? f->pointSizeF() : QFontInfo(*f).pointSizeF();
    m_placementBoxes[line - 1][2]->setText(f->family());
    m_placementBoxes[line - 1][3]->setText(plainNumberText(pointSize));
}

void Form5::stepLineSpacing(int step) {
    QLineEdit *box = m_singleBoxes[14];
    box->setText(plainNumberText(inputNumber(box->text()).value_or(0.0) + step));
}
