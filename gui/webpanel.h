#pragma once

#include <QTextBrowser>
#include <QUrl>

class PageImages;
class QNetworkAccessManager;
class QNetworkReply;

// A light web panel: fetches one page over HTTP and shows it as rich text. Any failure
// (no network, an error status, no answer within a few seconds) leaves an empty page,
// "about:blank". No browser engine, no scripts. The page's pictures follow over HTTP with
// the same time limit (see PageImages); nothing is read from local files.
class WebPanel : public QTextBrowser {
    Q_OBJECT
public:
    explicit WebPanel(QWidget *parent = nullptr);

    void navigate(const QUrl &url);
    QUrl currentUrl() const { return m_url; }

    // How long a page may take before the panel gives up and stays empty.
    void setTimeout(int ms) { m_timeoutMs = ms; }

Q_SIGNALS:
    void finished(bool ok);

protected:
    QVariant loadResource(int type, const QUrl &name) override;

private:
    static QString decodePage(const QByteArray &body, const QString &contentType);
    void showBlank();
    void replyFinished(QNetworkReply *reply);

    QNetworkAccessManager *m_network;
    PageImages *m_images;
    QNetworkReply *m_reply = nullptr;
    QUrl m_url;
    int m_timeoutMs = 5000;
};
