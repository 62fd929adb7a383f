#include "earsiv/copy.h"

#include "base/numbers.h"
#include "earsiv/qrcode.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QScopeGuard>
#include <QTextLayout>

#include <memory>

namespace {

constexpr double pageWidth = 210; // mm, A4
constexpr double pageHeight = 297;
constexpr double margin = 15;
constexpr double contentWidth = pageWidth - 2 * margin;
constexpr double footerTop = pageHeight - margin - 6;
constexpr double cellPad = 1.2;
constexpr double qrSide = 30; // mm, with its quiet zone
constexpr int resolution = 300;

const QColor ink(20, 20, 20);
const QColor rule(120, 120, 120);
const QColor shade(228, 232, 238);

QString percentLabel(double percent) {
    return u'%' + plainNumberText(percent);
}

QString money(qint64 kurus) {
    return kurusText(kurus) + QStringLiteral(" TL");
}

QString dateText(const QDate &d) {
    return d.toString(QStringLiteral("dd.MM.yyyy"));
}

struct Column {
    const char *title;
    double width;
    Qt::Alignment align;
};
const Column columns[] = {
    {"Sıra No", 9, Qt::AlignHCenter},
    {"Mal / Hizmet", 43, Qt::AlignLeft},
    {"Miktar", 16, Qt::AlignRight},
    {"Birim Fiyat (TL)", 22, Qt::AlignRight},
    {"İskonto Oranı", 14, Qt::AlignRight},
    {"İskonto Tutarı (TL)", 18, Qt::AlignRight},
    {"KDV Oranı", 12, Qt::AlignRight},
    {"KDV Tutarı (TL)", 20, Qt::AlignRight},
    {"Mal Hizmet Tutarı (TL)", 26, Qt::AlignRight},
};
constexpr int columnCount = int(std::size(columns));

// A text laid out once in a box of a given width: measured and drawn from the same lines,
// so that what follows it starts where it ends. A word longer than the box is broken where
// it must be rather than run over the next box.
class Block {
public:
    Block(const QString &text, const QFont &font, QPaintDevice *device, double width,
          Qt::Alignment align, QTextOption::WrapMode wrap)
        : m_layout(text, font, device) {
        QTextOption option(align);
        option.setWrapMode(wrap);
        m_layout.setTextOption(option);
        m_layout.setCacheEnabled(true);
        m_layout.beginLayout();
        for (;;) {
            QTextLine line = m_layout.createLine();
            if (!line.isValid())
                break;
            line.setLineWidth(width);
            line.setPosition(QPointF(0, m_height));
            m_height += line.height();
        }
        m_layout.endLayout();
        if (text.isEmpty())
            m_height = QFontMetricsF(font, device).height();
    }

    double height() const { return m_height; } // device units
    void draw(QPainter &p, const QPointF &at) const { m_layout.draw(&p, at); }

private:
    QTextLayout m_layout;
    double m_height = 0;
};

class Copy {
public:
    Copy(const EArsivDocument &d, QPdfWriter &writer, QPainter &painter)
        : m_d(d)
        , m_writer(writer)
        , m_p(painter) {
        m_normal.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                              QStringLiteral("Arial")});
        m_normal.setPointSizeF(8.5);
        m_small = m_normal;
        m_small.setPointSizeF(7.5);
        m_bold = m_normal;
        m_bold.setBold(true);
        m_cell = m_normal;
        m_cell.setPointSizeF(8);
        m_smallBold = m_small;
        m_smallBold.setBold(true);
        m_heading = m_bold;
        m_heading.setPointSizeF(11);
        m_title = m_bold;
        m_title.setPointSizeF(15);
    }

    bool draw();

private:
    double u(double mm) const { return mm * resolution / 25.4; }
    double mm(double units) const { return units * 25.4 / resolution; }
    QRectF rect(double x, double y, double w, double h) const {
        return QRectF(u(x), u(y), u(w), u(h));
    }
    std::unique_ptr<Block>
    block(const QFont &font, double width, const QString &t, Qt::Alignment align = Qt::AlignLeft,
          QTextOption::WrapMode wrap = QTextOption::WrapAtWordBoundaryOrAnywhere) {
        return std::make_unique<Block>(t, font, &m_writer, u(width), align, wrap);
    }
    // Draws `t` wrapped in a box `w` mm wide; returns the height it took in mm.
    double text(const QFont &font, double x, double y, double w, const QString &t,
                Qt::Alignment align = Qt::AlignLeft) {
        const std::unique_ptr<Block> b = block(font, w, t, align);
        m_p.setPen(ink);
        b->draw(m_p, QPointF(u(x), u(y)));
        return mm(b->height());
    }

    struct Row {
        std::vector<std::unique_ptr<Block>> cells;
        double height = 0; // mm, with the padding
    };
    Row row(const QStringList &cells, const QFont &font,
            QTextOption::WrapMode wrap = QTextOption::WrapAtWordBoundaryOrAnywhere);
    QStringList lineCells(qsizetype index) const;
    QList<QPair<QString, QString>> totals() const;
    double tailHeight();
    double firstPageTop();
    void qrCodeAt(double x, double y);
    void footer(int page, int pages);
    void drawRow(const Row &r, double y, bool header);
    void tail(double y);
    QList<QPair<QString, QString>> partyLines(const EArsivParty &p) const;

    const EArsivDocument &m_d;
    QPdfWriter &m_writer;
    QPainter &m_p;
    QFont m_normal, m_small, m_cell, m_bold, m_smallBold, m_heading, m_title;
};

QList<QPair<QString, QString>> Copy::partyLines(const EArsivParty &p) const {
    QList<QPair<QString, QString>> lines;
    if (!p.street.isEmpty())
        lines << qMakePair(QString(), p.street);
    QStringList place;
    for (const QString &s : {p.district, p.city})
        if (!s.isEmpty())
            place << s;
    if (!place.isEmpty())
        lines << qMakePair(QString(), place.join(QStringLiteral(" / ")));
    if (!p.phone.isEmpty())
        lines << qMakePair(QStringLiteral("Tel:"), p.phone);
    if (!p.email.isEmpty())
        lines << qMakePair(QStringLiteral("E-posta:"), p.email);
    if (!p.taxOffice.isEmpty())
        lines << qMakePair(QStringLiteral("Vergi Dairesi:"), p.taxOffice);
    lines << qMakePair(p.scheme() + u':',
                       p.finalConsumer ? p.id + QStringLiteral(" (nihai tüketici)") : p.id);
    return lines;
}

QStringList Copy::lineCells(qsizetype i) const {
    const EArsivLine &l = m_d.lines.at(i);
    const bool discounted = l.discountPercent && *l.discountPercent != 0;
    return {QString::number(i + 1),
            l.name,
            plainNumberText(l.quantity) + u' ' + unitName(l.unit),
            copyPriceText(l.unitPrice, m_d.vatIncluded),
            discounted ? percentLabel(*l.discountPercent) : QString(),
            discounted ? kurusText(l.discount) : QString(),
            percentLabel(l.vatRate),
            kurusText(l.vat),
            kurusText(l.net)};
}

Copy::Row Copy::row(const QStringList &cells, const QFont &font, QTextOption::WrapMode wrap) {
    Row r;
    for (int c = 0; c < columnCount; ++c) {
        r.cells.push_back(
            block(font, columns[c].width - 2 * cellPad, cells.at(c), columns[c].align, wrap));
        r.height = std::max(r.height, mm(r.cells.back()->height()));
    }
    r.height += 2 * cellPad;
    return r;
}

void Copy::drawRow(const Row &r, double y, bool header) {
    double x = margin;
    m_p.setPen(QPen(rule, u(0.2)));
    for (int c = 0; c < columnCount; ++c) {
        m_p.setBrush(header ? QBrush(shade) : QBrush(Qt::NoBrush));
        m_p.drawRect(rect(x, y, columns[c].width, r.height));
        x += columns[c].width;
    }
    m_p.setBrush(Qt::NoBrush);
    m_p.setPen(ink);
    x = margin;
    for (int c = 0; c < columnCount; ++c) {
        r.cells[std::size_t(c)]->draw(m_p, QPointF(u(x + cellPad), u(y + cellPad)));
        x += columns[c].width;
    }
}

// Each label with its amount, as the XML has them: the lines' amount after their discounts,
// the discounts, the base and VAT of each rate, what is paid.
QList<QPair<QString, QString>> Copy::totals() const {
    QList<QPair<QString, QString>> t = {
        {QStringLiteral("Mal Hizmet Toplam Tutarı"), money(m_d.lineTotal)},
        {QStringLiteral("Toplam İskonto"), money(m_d.discountTotal)},
    };
    for (const EArsivTax &tax : m_d.taxes) {
        const QString rate = percentLabel(tax.rate);
        const QString code = tax.exemptionCode.isEmpty()
                                 ? QString()
                                 : QStringLiteral(", istisna ") + tax.exemptionCode;
        t << qMakePair(QStringLiteral("KDV Matrahı (%1%2)").arg(rate, code), money(tax.taxable))
          << qMakePair(QStringLiteral("Hesaplanan KDV (%1%2)").arg(rate, code), money(tax.vat));
    }
    t << qMakePair(QStringLiteral("Vergiler Dahil Toplam Tutar"), money(m_d.payable))
      << qMakePair(QStringLiteral("Ödenecek Tutar"), money(m_d.payable));
    return t;
}

// The totals, the words and the notes below the lines.
double Copy::tailHeight() {
    double notes = 0;
    for (const EArsivTax &tax : m_d.taxes)
        if (!tax.exemptionCode.isEmpty())
            notes += 5;
    return double(totals().size()) * 5.5 + 4 +
           mm(block(m_bold, contentWidth, m_d.words)->height()) + 3 + notes +
           (m_d.vatIncluded ? 8 : 0) + 4;
}

void Copy::footer(int page, int pages) {
    m_p.setPen(QPen(rule, u(0.2)));
    m_p.drawLine(QPointF(u(margin), u(footerTop)), QPointF(u(pageWidth - margin), u(footerTop)));
    const QString kind =
        m_d.isEFatura() ? QStringLiteral("e-Faturanın") : QStringLiteral("e-Arşiv faturasının");
    text(m_small, margin, footerTop + 1, 140,
         QStringLiteral("%1 okunabilir kopyası · %2").arg(kind, m_d.gibNumber));
    text(m_small, pageWidth - margin - 40, footerTop + 1, 40,
         QStringLiteral("Sayfa %1 / %2").arg(page).arg(pages), Qt::AlignRight);
}

void Copy::qrCodeAt(double x, double y) {
    const std::optional<QrCode> code = qrCode(qrText(m_d));
    if (!code)
        return;
    // Modules side by side without the seams smoothing would leave between them.
    const QPainter::RenderHints hints = m_p.renderHints();
    m_p.setRenderHint(QPainter::Antialiasing, false);
    const auto restore = qScopeGuard([&] { m_p.setRenderHints(hints); });
    // Four light modules around it, as readers expect.
    const double module = qrSide / (code->size + 8);
    m_p.setPen(Qt::NoPen);
    m_p.setBrush(Qt::black);
    for (int row = 0; row < code->size; ++row) {
        // One rectangle for each run of dark modules in a row.
        for (int col = 0; col < code->size;) {
            if (!code->at(col, row)) {
                ++col;
                continue;
            }
            const int start = col;
            while (col < code->size && code->at(col, row))
                ++col;
            m_p.drawRect(QRectF(u(x + (start + 4) * module), u(y + (row + 4) * module),
                                u((col - start) * module), u(module)));
        }
    }
    m_p.setBrush(Qt::NoBrush);
}

double Copy::firstPageTop() {
    // The seller, top left.
    double y = margin;
    const EArsivParty &s = m_d.seller;
    y += text(m_heading, margin, y, 95, s.name()) + 1;
    for (const auto &[label, value] : partyLines(s))
        y += text(m_normal, margin, y, 95, label.isEmpty() ? value : label + u' ' + value);

    // The QR code in the top right corner, the title beside it.
    const double qrLeft = pageWidth - margin - qrSide;
    qrCodeAt(qrLeft, margin);
    const double titleLeft = 112;
    const std::unique_ptr<Block> title =
        block(m_title, qrLeft - 2 - titleLeft, documentTitle(m_d.profile), Qt::AlignRight);
    m_p.setPen(ink);
    title->draw(m_p, QPointF(u(titleLeft), u(margin + qrSide / 2) - title->height() / 2));

    // The document's identity, below the QR code.
    const double boxLeft = 115;
    const double boxWidth = pageWidth - margin - boxLeft;
    double r = margin + qrSide + 2;
    QList<QPair<QString, QString>> info = {
        {QStringLiteral("Fatura No:"), m_d.gibNumber},
        {QStringLiteral("Düzenleme Tarihi:"), dateText(m_d.issueDate)},
        {QStringLiteral("Düzenleme Saati:"), m_d.issueTime.toString(QStringLiteral("HH:mm:ss"))},
        {QStringLiteral("Senaryo:"), m_d.profile},
        {QStringLiteral("Fatura Tipi:"), typeName(m_d.typeCode)},
    };
    if (!m_d.sendType.isEmpty())
        info << qMakePair(QStringLiteral("Gönderim Şekli:"), m_d.sendType == SendType::Paper
                                                                 ? QStringLiteral("KÂĞIT")
                                                                 : QStringLiteral("ELEKTRONİK"));
    if (m_d.returned)
        info << qMakePair(QStringLiteral("İade Fatura No:"), m_d.returned->gibNumber)
             << qMakePair(QStringLiteral("İade Fatura Tarihi:"), dateText(m_d.returned->date));
    if (!m_d.deliveryNoteNumber.isEmpty())
        info << qMakePair(QStringLiteral("İrsaliye No:"), m_d.deliveryNoteNumber)
             << qMakePair(QStringLiteral("İrsaliye Tarihi:"), dateText(m_d.deliveryNoteDate));
    const double infoTop = r;
    for (const auto &[label, value] : info) {
        const double h = std::max(text(m_bold, boxLeft + 1, r + 0.8, 31, label),
                                  text(m_normal, boxLeft + 32, r + 0.8, boxWidth - 33, value));
        r += h + 1.6;
    }
    m_p.setPen(QPen(rule, u(0.25)));
    m_p.setBrush(Qt::NoBrush);
    m_p.drawRect(rect(boxLeft, infoTop, boxWidth, r - infoTop));

    // The buyer, below the seller.
    const EArsivParty &b = m_d.buyer;
    const double buyerTop = y + 4;
    const double buyerWidth = boxLeft - 4 - margin;
    double by = buyerTop + 1.5;
    by += text(m_bold, margin + 2, by, buyerWidth - 4, QStringLiteral("SAYIN"));
    by += text(m_heading, margin + 2, by, buyerWidth - 4, b.name()) + 0.5;
    for (const auto &[label, value] : partyLines(b))
        by += text(m_normal, margin + 2, by, buyerWidth - 4,
                   label.isEmpty() ? value : label + u' ' + value);
    by += 1.5;
    m_p.setPen(QPen(rule, u(0.25)));
    m_p.drawRect(rect(margin, buyerTop, buyerWidth, by - buyerTop));
    y = std::max(by, r) + 3;
    y += text(m_normal, margin, y, contentWidth, QStringLiteral("ETTN: ") + m_d.uuid) + 3;
    return y;
}

void Copy::tail(double y) {
    const QList<QPair<QString, QString>> list = totals();
    const double left = pageWidth - margin - 110;
    y += 4;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const bool last = i + 1 == list.size();
        m_p.setPen(QPen(rule, u(0.2)));
        m_p.setBrush(last ? QBrush(shade) : QBrush(Qt::NoBrush));
        m_p.drawRect(rect(left, y, 110, 5.5));
        m_p.setBrush(Qt::NoBrush);
        text(last ? m_bold : m_normal, left + 1.5, y + 1, 72, list.at(i).first);
        text(last ? m_bold : m_normal, left + 74, y + 1, 34.5, list.at(i).second, Qt::AlignRight);
        y += 5.5;
    }
    y += 4;
    y += text(m_bold, margin, y, contentWidth, m_d.words) + 3;
    for (const EArsivTax &tax : m_d.taxes) {
        if (!tax.exemptionCode.isEmpty())
            y += text(m_small, margin, y, contentWidth,
                      QStringLiteral("KDV istisnası %1: %2")
                          .arg(tax.exemptionCode, tax.exemptionReason)) +
                 1;
    }
    if (m_d.vatIncluded) {
        QStringList rates;
        for (const EArsivTax &tax : m_d.taxes)
            if (!rates.contains(percentLabel(tax.rate)))
                rates << percentLabel(tax.rate);
        text(
            m_small, margin, y, contentWidth,
            QStringLiteral("Fiyatlar KDV dahil girilmiştir; KDV, tutarlardan satırın oranıyla (%1) "
                           "ayrılmış, fiyatlar ve tutarlar KDV hariç gösterilmiştir.")
                .arg(rates.join(QStringLiteral(", "))));
    }
}

bool Copy::draw() {
    // The pages: which lines each holds, and whether the totals fit after the last.
    const double continuedTop = margin + 8;
    const double bottom = footerTop - 2;
    // The top of the first page is measured by drawing it: it is on the page being drawn.
    double y = firstPageTop();
    QStringList titles;
    for (const Column &c : columns)
        titles << QString::fromUtf8(c.title);
    // Headings break between their words only.
    const Row header = row(titles, m_smallBold, QTextOption::WordWrap);
    std::vector<Row> rows;
    rows.reserve(std::size_t(m_d.lines.size()));
    QList<QList<qsizetype>> pages{{}};
    QList<double> rowTops;
    y += header.height;
    for (qsizetype i = 0; i < m_d.lines.size(); ++i) {
        rows.push_back(row(lineCells(i), m_cell));
        const double h = rows.back().height;
        if (y + h > bottom && !pages.last().isEmpty()) {
            pages.append(QList<qsizetype>());
            y = continuedTop + header.height;
        }
        pages.last() << i;
        rowTops << y;
        y += h;
    }
    const bool tailOnNewPage = y + tailHeight() > bottom;
    const int pageCount = int(pages.size()) + (tailOnNewPage ? 1 : 0);

    for (int pg = 0; pg < pageCount; ++pg) {
        if (pg > 0) {
            if (!m_writer.newPage())
                return false;
            text(m_bold, margin, margin, contentWidth,
                 QStringLiteral("%1 %2 (devamı)").arg(documentTitle(m_d.profile), m_d.gibNumber));
        }
        if (pg < pages.size()) {
            drawRow(header, rowTops.at(pages.at(pg).first()) - header.height, true);
            for (qsizetype i : pages.at(pg))
                drawRow(rows[std::size_t(i)], rowTops.at(i), false);
        }
        if (pg == pageCount - 1)
            tail(tailOnNewPage ? continuedTop : y);
        footer(pg + 1, pageCount);
    }
    return true;
}

} // namespace

QString copyPriceText(double price, bool vatIncluded) {
    if (vatIncluded)
        return moneyText(Money::fromLira(price).value_or(Money()));
    QString s = QString::number(price, 'f', 6);
    while (s.endsWith(u'0') && s.indexOf(u'.') < s.size() - 3)
        s.chop(1);
    const qsizetype point = s.indexOf(u'.');
    const bool negative = s.startsWith(u'-');
    QString whole = s.left(point).mid(negative ? 1 : 0);
    for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
        whole.insert(i, u'.');
    return (negative ? QStringLiteral("-") : QString()) + whole + u',' + s.mid(point + 1);
}

bool writeReadableCopy(const EArsivDocument &document, QIODevice *device) {
    QPdfWriter writer(device);
    writer.setResolution(resolution);
    writer.setCreator(QStringLiteral("Fatura"));
    writer.setTitle(
        QStringLiteral("%1 %2").arg(documentTitle(document.profile), document.gibNumber));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    painter.setRenderHint(QPainter::Antialiasing);
    Copy copy(document, writer, painter);
    const bool drawn = copy.draw();
    return painter.end() && drawn;
}
