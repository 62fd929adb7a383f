#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;
class QTextDocument;

// Loads the pictures that a page shown as rich text names in its <img> tags, over HTTP or
// HTTPS only, and hands each one to the document as it arrives, which then lays itself out
// again. A picture that cannot be had (another scheme, an error, no answer in time, too big,
// not a picture, over the count) stays out of the page.
class PageImages : public QObject {
    Q_OBJECT
public:
    static constexpr int maxPictures = 20;
    static constexpr qint64 maxBytes = 2 * 1024 * 1024;

    PageImages(QNetworkAccessManager *network, QObject *parent = nullptr);
    ~PageImages() override;

    // Forgets the pictures still on their way and starts loading those `document` names,
    // relative addresses resolved against `pageUrl`. Each waits at most `timeoutMs` for data.
    void load(QTextDocument *document, const QUrl &pageUrl, int timeoutMs);
    void stop();

    // What the document shows for a picture that has not arrived or never will: a 1x1
    // transparent image, so that no broken-picture sign is drawn.
    static QImage placeholder();

Q_SIGNALS:
    // One picture of the page is in the document now.
    void pictureLoaded(const QUrl &url);

private:
    void fetch(const QUrl &url, const QString &name, int timeoutMs);
    void arrived(QNetworkReply *reply, const QString &name);

    QNetworkAccessManager *m_network;
    QPointer<QTextDocument> m_document;
    // The network owns the replies and may be gone first.
    QList<QPointer<QNetworkReply>> m_replies;
};
