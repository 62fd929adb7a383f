#include "gui/pageimages.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSet>
#include <QTextBlock>
#include <QTextDocument>

PageImages::PageImages(QNetworkAccessManager *network, QObject *parent)
    : QObject(parent)
    , m_network(network) {}

PageImages::~PageImages() {
    stop();
}

QImage PageImages::placeholder() {
    QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void PageImages::load(QTextDocument *document, const QUrl &pageUrl, int timeoutMs) {
    stop();
    m_document = document;
    QSet<QString> seen;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.isImageFormat())
                continue;
            const QString name = format.toImageFormat().name();
            if (seen.contains(name))
                continue;
            seen.insert(name);
            const QUrl url = pageUrl.resolved(QUrl(name));
            if (url.scheme() != u"http" && url.scheme() != u"https")
                continue;
            if (m_replies.size() == maxPictures)
                return;
            fetch(url, name, timeoutMs);
        }
    }
}

void PageImages::stop() {
    for (QNetworkReply *reply : std::as_const(m_replies)) {
        if (!reply)
            continue;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    m_replies.clear();
}

void PageImages::fetch(const QUrl &url, const QString &name, int timeoutMs) {
    QNetworkRequest request(url);
    request.setTransferTimeout(timeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply *reply = m_network->get(request);
    m_replies << reply;
    // Too big, by the server's word or by what has come: given up at once.
    connect(reply, &QNetworkReply::metaDataChanged, this, [reply] {
        if (reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > maxBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::downloadProgress, this, [reply](qint64 received, qint64) {
        if (received > maxBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, name] { arrived(reply, name); });
}

void PageImages::arrived(QNetworkReply *reply, const QString &name) {
    reply->deleteLater();
    m_replies.removeOne(reply);
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() != QNetworkReply::NoError || status < 200 || status >= 300 || !m_document)
        return;
    const QByteArray data = reply->readAll();
    QImage image;
    if (data.size() > maxBytes || !image.loadFromData(data))
        return;
    // The document looks a picture up under the name in the page, as the page spells it.
    m_document->addResource(QTextDocument::ImageResource, QUrl(name), image);
    m_document->markContentsDirty(0, m_document->characterCount());
    Q_EMIT pictureLoaded(reply->url());
}
