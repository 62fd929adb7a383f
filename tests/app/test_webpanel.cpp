#include "gui/pageimages.h"
#include "gui/webpanel.h"

#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

namespace {

// A small HTTP/1.1 server on 127.0.0.1. Each path has an answer; a path without one gets
// 404, and a held path no answer until it is released.
class Server : public QTcpServer {
public:
    QHash<QByteArray, QByteArray> answers; // whole answers by path
    QSet<QByteArray> held;
    QByteArrayList requested; // paths, in the order asked
    QByteArrayList dropped;   // paths whose connection the client closed before an answer

    Server() {
        if (!listen(QHostAddress::LocalHost))
            qFatal("no port");
    }
    QUrl url(const char *path) const {
        return QUrl(u"http://127.0.0.1:%1%2"_qs.arg(serverPort()).arg(path));
    }
    void ok(const QByteArray &path, const QByteArray &body, const char *type = "image/png") {
        answers[path] = QByteArray("HTTP/1.1 200 OK\r\nContent-Type: ") + type +
                        "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" +
                        body;
    }
    void release(const QByteArray &path) {
        held.remove(path);
        for (QTcpSocket *s : m_waiting.keys(path))
            answer(s, path);
    }

protected:
    void incomingConnection(qintptr socket) override {
        auto *s = new QTcpSocket(this);
        s->setSocketDescriptor(socket);
        connect(s, &QTcpSocket::readyRead, this, [this, s] {
            m_buffers[s] += s->readAll();
            qsizetype end;
            while ((end = m_buffers[s].indexOf("\r\n\r\n")) >= 0) {
                const QByteArray path = m_buffers[s].left(end).split(' ').value(1);
                m_buffers[s].remove(0, end + 4);
                requested << path;
                if (held.contains(path))
                    m_waiting[s] = path;
                else
                    answer(s, path);
            }
        });
        connect(s, &QTcpSocket::disconnected, this, [this, s] {
            if (m_waiting.contains(s))
                dropped << m_waiting.take(s);
            m_buffers.remove(s);
            s->deleteLater();
        });
    }

private:
    void answer(QTcpSocket *s, const QByteArray &path) {
        m_waiting.remove(s);
        s->write(answers.value(path, "HTTP/1.1 404 Not Found\r\nContent-Length: 3\r\n\r\nyok"));
    }

    QHash<QTcpSocket *, QByteArray> m_buffers;
    QHash<QTcpSocket *, QByteArray> m_waiting;
};

// The picture the document shows under `name`.
QImage shown(WebPanel &panel, const QString &name) {
    return panel.document()->resource(QTextDocument::ImageResource, QUrl(name)).value<QImage>();
}

// What stands for a picture not loaded: a transparent point, no broken sign.
bool blank(const QImage &image) {
    return image.size() == QSize(1, 1) && image.pixelColor(0, 0).alpha() == 0;
}

} // namespace

class TestWebPanel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pictures();
};

// Relative and absolute picture addresses are resolved against the page, each picture goes
// into the document when it arrives, and the page is laid out again around it. Pictures that
// fail, that are not on HTTP, or that come after the first twenty stay out of the page
// without a broken sign, and the page still shows. A page with an error status or without an
// answer in time leaves the empty page.
void TestWebPanel::pictures() {
    QTemporaryDir dir;
    const QString local = dir.filePath(u"yerel.png"_qs);
    QVERIFY(QImage(40, 120, QImage::Format_RGB32).save(local));
    QFile file(local);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray picture = file.readAll(); // served, never read from the disk by the panel

    Server server;
    // Two that arrive, then six that fail or are not asked of the server and sixteen that are
    // not found. Twenty are asked for: the last two are not.
    const QByteArray url = QUrl::fromLocalFile(local).toEncoded(), asPath = local.toUtf8();
    QByteArrayList failing = {"bozuk.png", "buyuk.png", "sessiz.png",
                              url,         asPath,      "ftp://127.0.0.1/x.png"};
    for (int i = 0; i < 16; ++i)
        failing << "k" + QByteArray::number(i) + ".png";
    QByteArray html = "<p>Kampanya: yüzde 20</p><img src=\"resim.png\"><p><img "
                      "src=\"/ortak/logo.jpg\"></p>";
    for (const QByteArray &name : failing)
        html += "<img src=\"" + name + "\">";
    server.ok("/reklam/sayfa.html", html, "text/html; charset=utf-8");
    server.ok("/reklam/resim.png", picture);
    server.ok("/ortak/logo.jpg", picture);
    server.ok("/reklam/bozuk.png", "resim degil");
    server.answers["/reklam/buyuk.png"] =
        "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nContent-Length: " +
        QByteArray::number(PageImages::maxBytes + 1) + "\r\n\r\n" + QByteArray(1000, 'x');
    server.held = {"/reklam/resim.png", "/reklam/sessiz.png"};

    WebPanel panel;
    panel.setTimeout(3000); // long enough to release the held picture in time
    panel.resize(400, 300);
    panel.show();
    QSignalSpy done(&panel, &WebPanel::finished);
    panel.navigate(server.url("/reklam/sayfa.html"));
    QTRY_COMPARE(done.size(), 1);
    QVERIFY(done[0][0].toBool() && panel.toPlainText().contains(u"Kampanya: yüzde 20"_qs));
    QCOMPARE(panel.currentUrl(), server.url("/reklam/sayfa.html"));
    QTRY_COMPARE(shown(panel, u"/ortak/logo.jpg"_qs).size(), QSize(40, 120));
    // The held picture is not there yet: the page shows without it.
    QTRY_VERIFY(server.requested.contains("/reklam/resim.png"));
    QVERIFY(blank(shown(panel, u"resim.png"_qs)));
    const qreal before = panel.document()->size().height();
    server.release("/reklam/resim.png");
    QTRY_COMPARE(shown(panel, u"resim.png"_qs).size(), QSize(40, 120));
    QTRY_VERIFY(panel.document()->size().height() >= before + 100);

    // The local path is asked of the server, not read from the disk.
    QTRY_COMPARE(server.dropped, QByteArrayList{"/reklam/sessiz.png"});
    QCOMPARE(server.requested.size(), 1 + PageImages::maxPictures);
    QVERIFY(server.requested.contains(QUrl::fromLocalFile(local).path().toUtf8()) &&
            !server.requested.contains("/reklam/k14.png"));
    for (const QByteArray &name : failing)
        QVERIFY2(blank(shown(panel, QString::fromUtf8(name))), name);
    for (const char *path : {"/yok", "/reklam/sessiz.png"}) {
        done.clear();
        panel.navigate(server.url(path));
        QTRY_COMPARE(done.size(), 1);
        QVERIFY(!done[0][0].toBool() && panel.toPlainText().isEmpty() &&
                panel.currentUrl() == QUrl(u"about:blank"_qs));
    }
}

QTEST_MAIN(TestWebPanel)
#include "test_webpanel.moc"
