#include "app/webpanel.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTextCodec>

#include "app/browser.h"

WebPanel::WebPanel(QWidget *parent)
    : QTextBrowser(parent)
    , m_network(new QNetworkAccessManager(this))
    , m_url(QStringLiteral("about:blank")) {
    setOpenLinks(false);
    setFrameShape(QFrame::StyledPanel);
    // A link in the advert opens the maker's site in the real browser.
    connect(this, &QTextBrowser::anchorClicked, this,
            [this](const QUrl &) { openMakerSite(this); });
}

void WebPanel::navigate(const QUrl &url) {
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
    request.setTransferTimeout(timeoutMs);
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
    // Turkish pages of this age are often Windows-1254 without saying so.
    QTextCodec *codec = QTextCodec::codecForHtml(body, QTextCodec::codecForName("Windows-1254"));
    const QString html = codec->toUnicode(body);
    m_url = reply->url();
    setHtml(html);
    Q_EMIT finished(true);
}

void WebPanel::showBlank() {
    m_url = QUrl(QStringLiteral("about:blank"));
    clear();
}
