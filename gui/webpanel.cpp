#include "gui/webpanel.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTextCodec>

#include "gui/pageimages.h"

WebPanel::WebPanel(QWidget *parent)
    : QTextBrowser(parent)
    , m_network(new QNetworkAccessManager(this))
    , m_images(new PageImages(m_network, this))
    , m_url(QStringLiteral("about:blank")) {
    setOpenLinks(false);
    setFrameShape(QFrame::StyledPanel);
}

void WebPanel::navigate(const QUrl &url) {
    m_images->stop();
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    if (url.scheme() != QStringLiteral("http") && url.scheme() != QStringLiteral("https")) {
        showBlank();
        Q_EMIT finished(false);
        return;
    }
    QNetworkRequest request(url);
    request.setTransferTimeout(m_timeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::finished, this,
            [this, reply = m_reply] { replyFinished(reply); });
}

void WebPanel::replyFinished(QNetworkReply *reply) {
    reply->deleteLater();
    if (reply != m_reply)
        return;
    m_reply = nullptr;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status < 200 || status >= 300) {
        showBlank();
        Q_EMIT finished(false);
        return;
    }
    const QByteArray body = reply->readAll();
    m_url = reply->url();
    setHtml(decodePage(body, reply->header(QNetworkRequest::ContentTypeHeader).toString()));
    m_images->load(document(), m_url, m_timeoutMs);
    Q_EMIT finished(true);
}

QString WebPanel::decodePage(const QByteArray &body, const QString &contentType) {
    // The server's word first, then the page's own meta tag, then a guess: UTF-8 when the
    // bytes are valid UTF-8, otherwise Windows-1254, which Turkish pages of this age use
    // without saying so.
    const qsizetype at = contentType.indexOf(QStringLiteral("charset="), 0, Qt::CaseInsensitive);
    QTextCodec *codec = nullptr;
    if (at >= 0)
        codec = QTextCodec::codecForName(contentType.mid(at + 8).trimmed().toLatin1());
    if (!codec) {
        QTextCodec *utf8 = QTextCodec::codecForName("UTF-8");
        QTextCodec::ConverterState state;
        utf8->toUnicode(body.constData(), int(body.size()), &state);
        QTextCodec *guess =
            state.invalidChars == 0 ? utf8 : QTextCodec::codecForName("Windows-1254");
        codec = QTextCodec::codecForHtml(body, guess);
    }
    return codec->toUnicode(body);
}

void WebPanel::showBlank() {
    m_url = QUrl(QStringLiteral("about:blank"));
    clear();
}

QVariant WebPanel::loadResource(int type, const QUrl &) {
    // Pictures come only from the page's server, through PageImages, which adds each one to
    // the document when it arrives; until then, and when it cannot, the picture is left out.
    if (type == QTextDocument::ImageResource)
        return PageImages::placeholder();
    // Anything else (a style sheet) is empty: never read from a local file.
    return QString();
}
