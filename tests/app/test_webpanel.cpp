#include "gui/pageimages.h"
#include "gui/webpanel.h"

#include <QBuffer>
#include <QImage>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

namespace {

QByteArray picture(const QSize &size, const QColor &color, const char *format) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return data;
}

// A small HTTP/1.1 server on 127.0.0.1. Each path has an answer; a path without one gets
// 404, and a held path no answer until it is released.
class Server : public QObject {
public:
    QHash<QByteArray, QByteArray> answers; // whole answers by path
    QSet<QByteArray> held;
    QByteArrayList requested; // paths, in the order asked
    QByteArrayList dropped;   // paths whose connection the client closed before an answer

    Server() {
        if (!m_server.listen(QHostAddress::LocalHost))
            qFatal("no port");
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = m_server.nextPendingConnection())
                serve(s);
        });
    }
    QUrl url(const char *path) const {
        return QUrl(u"http://127.0.0.1:%1%2"_qs.arg(m_server.serverPort()).arg(path));
    }
    void ok(const QByteArray &path, const QByteArray &body, const char *type = "image/png") {
        answers[path] = QByteArray("HTTP/1.1 200 OK\r\nContent-Type: ") + type +
                        "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" +
                        body;
    }
    void release(const QByteArray &path) {
        held.remove(path);
        const QList<QTcpSocket *> waiting = m_waiting.keys(path);
        for (QTcpSocket *s : waiting)
            answer(s, path);
    }

private:
    void serve(QTcpSocket *s) {
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
    void answer(QTcpSocket *s, const QByteArray &path) {
        m_waiting.remove(s);
        s->write(answers.value(path, "HTTP/1.1 404 Not Found\r\nContent-Length: 3\r\n\r\nyok"));
    }

    QHash<QTcpSocket *, QByteArray> m_buffers;
    QHash<QTcpSocket *, QByteArray> m_waiting;
    QTcpServer m_server; // last: its sockets go before the tables they are in
};

const char *const htmlType = "text/html; charset=utf-8";

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
    QVERIFY(QImage(5, 5, QImage::Format_RGB32).save(local));

    Server server;
    // Two that arrive, seven that fail or are not asked of the server, then sixteen small ones.
    const QByteArray file = QUrl::fromLocalFile(local).toEncoded();
    QByteArrayList left = {"yok.png", "bozuk.png", "buyuk.png", "sessiz.png", file};
    left << local.toUtf8() << "ftp://127.0.0.1/x.png"
         << "k13.png"
         << "k14.png"
         << "k15.png";
    QByteArray html = "<p>Kampanya: yüzde 20</p><img src=\"resim.png\"><p><img "
                      "src=\"/ortak/logo.jpg\"></p>";
    for (int i = -7; i < 16; ++i) {
        const QByteArray small = "k" + QByteArray::number(i) + ".png";
        html += "<img src=\"" + (i < 0 ? left[i + 7] : small) + "\">";
        if (i >= 0)
            server.ok("/reklam/" + small, picture({2, 2}, Qt::green, "PNG"));
    }
    server.ok("/reklam/sayfa.html", html, htmlType);
    server.ok("/reklam/resim.png", picture({40, 120}, Qt::red, "PNG"));
    server.ok("/ortak/logo.jpg", picture({30, 20}, Qt::blue, "JPG"));
    server.ok("/reklam/bozuk.png", "resim degil");
    server.answers["/reklam/buyuk.png"] =
        "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nContent-Length: " +
        QByteArray::number(PageImages::maxBytes + 1) + "\r\n\r\n" + QByteArray(1000, 'x');
    server.held << "/reklam/resim.png"
                << "/reklam/sessiz.png";

    WebPanel panel;
    panel.setTimeout(3000); // long enough to release the held picture in time
    panel.resize(400, 300);
    panel.show();
    QSignalSpy done(&panel, &WebPanel::finished);
    panel.navigate(server.url("/reklam/sayfa.html"));
    QTRY_COMPARE(done.size(), 1);
    QVERIFY(done[0][0].toBool());
    QCOMPARE(panel.currentUrl(), server.url("/reklam/sayfa.html"));
    QVERIFY(panel.toPlainText().contains(u"Kampanya: yüzde 20"_qs));
    QTRY_COMPARE(shown(panel, u"/ortak/logo.jpg"_qs).size(), QSize(30, 20));
    // The held picture is not there yet: the page shows without it.
    QTRY_VERIFY(server.requested.contains("/reklam/resim.png"));
    QVERIFY(blank(shown(panel, u"resim.png"_qs)));
    const qreal before = panel.document()->size().height();
    server.release("/reklam/resim.png");
    QTRY_COMPARE(shown(panel, u"resim.png"_qs).size(), QSize(40, 120));
    QTRY_VERIFY(panel.document()->size().height() >= before + 100);

    // The local path is asked of the server, not read from the disk. Thirteen small pictures
    // make twenty with the two that arrive and the five that fail; the last three are not
    // asked.
    for (int i = 0; i < 13; ++i)
        QTRY_COMPARE(shown(panel, u"k%1.png"_qs.arg(i)).size(), QSize(2, 2));
    QTRY_COMPARE(server.dropped, QByteArrayList{"/reklam/sessiz.png"});
    QCOMPARE(server.requested.size(), 1 + PageImages::maxPictures);
    QVERIFY(server.requested.contains(QUrl::fromLocalFile(local).path().toUtf8()));
    for (const QByteArray &name : left) {
        QVERIFY(!name.startsWith('k') || !server.requested.contains("/reklam/" + name));
        QVERIFY2(blank(shown(panel, QString::fromUtf8(name))), name);
    }
    for (const char *path : {"/yok", "/reklam/sessiz.png"}) {
        done.clear();
        panel.navigate(server.url(path));
        QTRY_COMPARE(done.size(), 1);
        QVERIFY(!done[0][0].toBool() && panel.toPlainText().isEmpty());
        QCOMPARE(panel.currentUrl(), QUrl(u"about:blank"_qs));
    }
}

QTEST_MAIN(TestWebPanel)
#include "test_webpanel.moc"
