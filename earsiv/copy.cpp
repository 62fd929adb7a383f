#include "earsiv/copy.h"

#include "base/numbers.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace {

constexpr double pageWidth = 210; // mm, A4
constexpr double pageHeight = 297;
constexpr double margin = 15;
constexpr double contentWidth = pageWidth - 2 * margin;
constexpr double footerTop = pageHeight - margin - 6;
constexpr double cellPad = 1.2;
constexpr int resolution = 300;

const QColor ink(20, 20, 20);
const QColor rule(120, 120, 120);
const QColor shade(228, 232, 238);

QString percentText(double percent) {
    return u'%' + plainNumberText(percent);
}

// A unit price with its own decimals (at least two), written the Turkish way.
QString priceText(double price) {
    QString s = QString::number(price, 'f', 6);
    while (s.endsWith(u'0') && s.indexOf(u'.') < s.size() - 3)
        s.chop(1);
    const qsizetype point = s.indexOf(u'.');
    QString whole = s.left(point);
    for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
        whole.insert(i, u'.');
    return whole + u',' + s.mid(point + 1);
}

QString money(qint64 kurus) {
    return kurusText(kurus) + QStringLiteral(" TL");
}

struct Column {
    const char *title;
    double width;
    Qt::Alignment align;
};
const Column columns[] = {
    {"Sıra No", 9, Qt::AlignCenter},
    {"Mal / Hizmet", 45, Qt::AlignLeft},
    {"Miktar", 15, Qt::AlignRight},
    {"Birim Fiyat (TL)", 25, Qt::AlignRight},
    {"İskonto Oranı", 13, Qt::AlignRight},
    {"İskonto Tutarı (TL)", 18, Qt::AlignRight},
    {"KDV Oranı", 12, Qt::AlignRight},
    {"KDV Tutarı (TL)", 19, Qt::AlignRight},
    {"Mal Hizmet Tutarı (TL)", 24, Qt::AlignRight},
};
constexpr int columnCount = int(std::size(columns));

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
        m_title.setPointSizeF(16);
    }

    bool draw();

private:
    double u(double mm) const { return mm * resolution / 25.4; }
    QRectF rect(double x, double y, double w, double h) const {
        return QRectF(u(x), u(y), u(w), u(h));
    }
    // The height in mm that `text` takes in `font`, wrapped at `width` mm.
    double height(const QFont &font, double width, const QString &text) const {
        const QFontMetricsF m(font, &m_writer);
        const QRectF r = m.boundingRect(QRectF(0, 0, u(width), u(1000)), Qt::TextWordWrap,
                                        text.isEmpty() ? QStringLiteral(" ") : text);
        return r.height() * 25.4 / resolution;
    }
    // Draws `text` wrapped in the box; returns the height it took in mm.
    double text(const QFont &font, double x, double y, double w, const QString &t,
                Qt::Alignment align = Qt::AlignLeft) {
        const double h = height(font, w, t);
        m_p.setFont(font);
        m_p.setPen(ink);
        m_p.drawText(rect(x, y, w, h), int(align | Qt::AlignTop) | Qt::TextWordWrap, t);
        return h;
    }

    QStringList rowCells(qsizetype index) const;
    double rowHeight(qsizetype index) const;
    double headerRowHeight() const;
    double tailHeight() const;
    double firstPageTop();
    void footer(int page, int pages);
    double tableHeader(double y);
    double tableRow(qsizetype index, double y, double h);
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

QStringList Copy::rowCells(qsizetype i) const {
    const EArsivLine &l = m_d.lines.at(i);
    const bool discounted = l.discountPercent && *l.discountPercent != 0;
    return {QString::number(i + 1),
            l.name,
            plainNumberText(l.quantity),
            priceText(l.unitPrice),
            discounted ? percentText(*l.discountPercent) : QString(),
            discounted ? kurusText(l.discount) : QString(),
            percentText(m_d.vatRate),
            kurusText(l.vat),
            kurusText(l.net)};
}

double Copy::rowHeight(qsizetype i) const {
    const QStringList cells = rowCells(i);
    double h = 0;
    for (int c = 0; c < columnCount; ++c)
        h = std::max(h, height(m_cell, columns[c].width - 2 * cellPad, cells.at(c)));
    return h + 2 * cellPad;
}

double Copy::headerRowHeight() const {
    double h = 0;
    for (const Column &c : columns)
        h = std::max(h, height(m_smallBold, c.width - 2 * cellPad, QString::fromUtf8(c.title)));
    return h + 2 * cellPad;
}

// The totals, the words and the note below the lines.
double Copy::tailHeight() const {
    return 6 * 5.5 + 4 + height(m_bold, contentWidth - 4, m_d.words) + 6 +
           (m_d.vatIncluded ? 8 : 0) + 4;
}

void Copy::footer(int page, int pages) {
    m_p.setPen(QPen(rule, u(0.2)));
    m_p.drawLine(QPointF(u(margin), u(footerTop)), QPointF(u(pageWidth - margin), u(footerTop)));
    text(m_small, margin, footerTop + 1, 140,
         QStringLiteral("e-Arşiv faturasının okunabilir kopyası · %1").arg(m_d.gibNumber));
    text(m_small, pageWidth - margin - 40, footerTop + 1, 40,
         QStringLiteral("Sayfa %1 / %2").arg(page).arg(pages), Qt::AlignRight);
}

double Copy::firstPageTop() {
    // The seller, top left.
    double y = margin;
    const EArsivParty &s = m_d.seller;
    y += text(m_heading, margin, y, 95, s.name()) + 1;
    for (const auto &[label, value] : partyLines(s))
        y += text(m_normal, margin, y, 95, label.isEmpty() ? value : label + u' ' + value);

    // The document's title and identity, top right.
    const double boxLeft = 115;
    const double boxWidth = pageWidth - margin - boxLeft;
    double r = margin;
    r += text(m_title, boxLeft, r, boxWidth, QStringLiteral("e-ARŞİV FATURA"), Qt::AlignRight) + 2;
    QList<QPair<QString, QString>> info = {
        {QStringLiteral("Fatura No:"), m_d.gibNumber},
        {QStringLiteral("Düzenleme Tarihi:"), m_d.issueDate.toString(QStringLiteral("dd.MM.yyyy"))},
        {QStringLiteral("Düzenleme Saati:"), m_d.issueTime.toString(QStringLiteral("HH:mm:ss"))},
        {QStringLiteral("Senaryo:"), QStringLiteral("EARSIVFATURA")},
        {QStringLiteral("Fatura Tipi:"), QStringLiteral("SATIŞ")},
    };
    if (!m_d.deliveryNoteNumber.isEmpty()) {
        info << qMakePair(QStringLiteral("İrsaliye No:"), m_d.deliveryNoteNumber);
        if (m_d.deliveryNoteDate.isValid())
            info << qMakePair(QStringLiteral("İrsaliye Tarihi:"),
                              m_d.deliveryNoteDate.toString(QStringLiteral("dd.MM.yyyy")));
    }
    const double infoTop = r;
    for (const auto &[label, value] : info) {
        const double h = std::max(text(m_bold, boxLeft + 1, r + 0.8, 31, label),
                                  text(m_normal, boxLeft + 32, r + 0.8, boxWidth - 33, value));
        r += h + 1.6;
    }
    m_p.setPen(QPen(rule, u(0.25)));
    m_p.setBrush(Qt::NoBrush);
    m_p.drawRect(rect(boxLeft, infoTop, boxWidth, r - infoTop));
    y = std::max(y, r) + 5;

    // The buyer.
    const EArsivParty &b = m_d.buyer;
    const double buyerTop = y;
    double by = y + 1.5;
    by += text(m_bold, margin + 2, by, 100, QStringLiteral("SAYIN"));
    by += text(m_heading, margin + 2, by, 100, b.name()) + 0.5;
    for (const auto &[label, value] : partyLines(b))
        by += text(m_normal, margin + 2, by, 100, label.isEmpty() ? value : label + u' ' + value);
    by += 1.5;
    m_p.setPen(QPen(rule, u(0.25)));
    m_p.drawRect(rect(margin, buyerTop, 104, by - buyerTop));
    y = by + 3;
    y += text(m_normal, margin, y, contentWidth, QStringLiteral("ETTN: ") + m_d.uuid) + 3;
    return y;
}

double Copy::tableHeader(double y) {
    const double h = headerRowHeight();
    double x = margin;
    m_p.setPen(QPen(rule, u(0.2)));
    for (const Column &c : columns) {
        m_p.setBrush(shade);
        m_p.drawRect(rect(x, y, c.width, h));
        text(m_smallBold, x + cellPad, y + cellPad, c.width - 2 * cellPad,
             QString::fromUtf8(c.title), c.align);
        x += c.width;
    }
    m_p.setBrush(Qt::NoBrush);
    return y + h;
}

double Copy::tableRow(qsizetype i, double y, double h) {
    const QStringList cells = rowCells(i);
    double x = margin;
    for (int c = 0; c < columnCount; ++c) {
        m_p.setPen(QPen(rule, u(0.2)));
        m_p.drawRect(rect(x, y, columns[c].width, h));
        text(m_cell, x + cellPad, y + cellPad, columns[c].width - 2 * cellPad, cells.at(c),
             columns[c].align);
        x += columns[c].width;
    }
    return y + h;
}

void Copy::tail(double y) {
    const QString rate = percentText(m_d.vatRate);
    const QList<QPair<QString, qint64>> totals = {
        {QStringLiteral("Mal Hizmet Toplam Tutarı"), m_d.grossTotal},
        {QStringLiteral("Toplam İskonto"), m_d.discountTotal},
        {QStringLiteral("KDV Matrahı (%1)").arg(rate), m_d.lineTotal},
        {QStringLiteral("Hesaplanan KDV (%1)").arg(rate), m_d.vat},
        {QStringLiteral("Vergiler Dahil Toplam Tutar"), m_d.payable},
        {QStringLiteral("Ödenecek Tutar"), m_d.payable},
    };
    const double left = pageWidth - margin - 100;
    y += 4;
    for (qsizetype i = 0; i < totals.size(); ++i) {
        const bool last = i + 1 == totals.size();
        m_p.setPen(QPen(rule, u(0.2)));
        m_p.setBrush(last ? QBrush(shade) : QBrush(Qt::NoBrush));
        m_p.drawRect(rect(left, y, 100, 5.5));
        m_p.setBrush(Qt::NoBrush);
        text(last ? m_bold : m_normal, left + 1.5, y + 1, 62, totals.at(i).first);
        text(last ? m_bold : m_normal, left + 64, y + 1, 34.5, money(totals.at(i).second),
             Qt::AlignRight);
        y += 5.5;
    }
    y += 4;
    y += text(m_bold, margin, y, contentWidth - 4, m_d.words) + 3;
    if (m_d.vatIncluded)
        text(m_small, margin, y, contentWidth,
             QStringLiteral("Fiyatlar KDV dahil girilmiştir; KDV, tutarlardan %1 oranıyla "
                            "ayrılmış, fiyatlar ve tutarlar KDV hariç gösterilmiştir.")
                 .arg(rate));
}

bool Copy::draw() {
    // The pages: which lines each holds, and whether the totals fit after the last.
    const double continuedTop = margin + 8;
    const double bottom = footerTop - 2;
    QList<QList<qsizetype>> pages{{}};
    // The top of the first page is measured by drawing it: it is on the page being drawn.
    double y = firstPageTop();
    const double headerHeight = headerRowHeight();
    QList<double> rowTops;
    QList<int> rowPages;
    y += headerHeight;
    int page = 0;
    for (qsizetype i = 0; i < m_d.lines.size(); ++i) {
        const double h = rowHeight(i);
        if (y + h > bottom && !pages.last().isEmpty()) {
            pages.append(QList<qsizetype>());
            ++page;
            y = continuedTop + headerHeight;
        }
        pages.last() << i;
        rowTops << y;
        rowPages << page;
        y += h;
    }
    const bool tailOnNewPage = y + tailHeight() > bottom;
    const int pageCount = int(pages.size()) + (tailOnNewPage ? 1 : 0);

    for (int pg = 0; pg < pageCount; ++pg) {
        if (pg > 0) {
            if (!m_writer.newPage())
                return false;
            text(m_bold, margin, margin, contentWidth,
                 QStringLiteral("e-Arşiv Fatura %1 (devamı)").arg(m_d.gibNumber));
        }
        if (pg < pages.size()) {
            const double top = rowTops.at(pages.at(pg).first()) - headerHeight;
            tableHeader(top);
            for (qsizetype i : pages.at(pg))
                tableRow(i, rowTops.at(i), rowHeight(i));
        }
        if (pg == pageCount - 1)
            tail(tailOnNewPage ? continuedTop : y);
        footer(pg + 1, pageCount);
    }
    return true;
}

} // namespace

bool writeReadableCopy(const EArsivDocument &document, QIODevice *device) {
    QPdfWriter writer(device);
    writer.setResolution(resolution);
    writer.setCreator(QStringLiteral("Fatura"));
    writer.setTitle(QStringLiteral("e-Arşiv Fatura %1").arg(document.gibNumber));
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
