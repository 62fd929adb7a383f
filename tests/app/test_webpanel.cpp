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
    struct Answer {
        QByteArray head; // status line and headers after "HTTP/1.1 "
        QByteArray body;
    };
    QHash<QByteArray, Answer> answers;
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
    void page(const QByteArray &path, const QByteArray &html) {
        answers[path] = {"200 OK\r\nContent-Type: text/html; charset=utf-8", html};
    }
    void image(const QByteArray &path, const QByteArray &data) {
        answers[path] = {"200 OK\r\nContent-Type: image/png", data};
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
        const Answer a = answers.value(path, {"404 Not Found", "yok"});
        QByteArray head = "HTTP/1.1 " + a.head + "\r\n";
        if (!a.head.contains("Content-Length"))
            head += "Content-Length: " + QByteArray::number(a.body.size()) + "\r\n";
        s->write(head + "\r\n" + a.body);
    }

    QHash<QTcpSocket *, QByteArray> m_buffers;
    QHash<QTcpSocket *, QByteArray> m_waiting;
    QTcpServer m_server; // last: its sockets go before the tables they are in
};

// The picture the document shows under `name`.
QImage shown(WebPanel &panel, const QString &name) {
    return panel.document()->resource(QTextDocument::ImageResource, QUrl(name)).value<QImage>();
}

} // namespace

class TestWebPanel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void picturesArrive();
    void picturesLeftOut();
};

// Relative and absolute picture addresses are resolved against the page, each picture goes
// into the document when it arrives, and the page is laid out again around it.
void TestWebPanel::picturesArrive() {
    Server server;
    server.page("/reklam/sayfa.html", "<p>Kampanya: yüzde 20</p><img src=\"resim.png\">"
                                      "<p><img src=\"/ortak/logo.jpg\"> Son gün cuma</p>");
    server.image("/reklam/resim.png", picture({40, 120}, Qt::red, "PNG"));
    server.image("/ortak/logo.jpg", picture({30, 20}, Qt::blue, "JPG"));
    server.held << "/reklam/resim.png";

    WebPanel panel;
    panel.resize(400, 300);
    panel.show();
    QSignalSpy done(&panel, &WebPanel::finished);
    panel.navigate(server.url("/reklam/sayfa.html"));
    QTRY_COMPARE(done.size(), 1);
    QVERIFY(done[0][0].toBool());
    QVERIFY(panel.toPlainText().contains(u"Kampanya: yüzde 20"_qs));

    QTRY_COMPARE(shown(panel, u"/ortak/logo.jpg"_qs).size(), QSize(30, 20));
    QVERIFY(shown(panel, u"/ortak/logo.jpg"_qs).pixelColor(5, 5).blue() > 240);
    // The held picture is not there yet: the page shows without it, no broken sign.
    QTRY_VERIFY(server.requested.contains("/reklam/resim.png"));
    QCOMPARE(shown(panel, u"resim.png"_qs).size(), QSize(1, 1));
    QCOMPARE(shown(panel, u"resim.png"_qs).pixelColor(0, 0).alpha(), 0);
    const qreal before = panel.document()->size().height();

    server.release("/reklam/resim.png");
    QTRY_COMPARE(shown(panel, u"resim.png"_qs).size(), QSize(40, 120));
    QCOMPARE(shown(panel, u"resim.png"_qs).pixelColor(20, 60), QColor(Qt::red));
    QTRY_VERIFY(panel.document()->size().height() >= before + 100);
    std::sort(server.requested.begin(), server.requested.end());
    QCOMPARE(server.requested,
             (QByteArrayList{"/ortak/logo.jpg", "/reklam/resim.png", "/reklam/sayfa.html"}));
}

// Pictures that fail, that are not on HTTP, or that come after the first twenty stay out of
// the page without a broken sign, and the page still shows.
void TestWebPanel::picturesLeftOut() {
    QTemporaryDir dir;
    const QString local = dir.filePath(u"yerel.png"_qs);
    QVERIFY(QImage(5, 5, QImage::Format_RGB32).save(local));

    Server server;
    QByteArray html = "<p>Fırsatlar</p>"
                      "<img src=\"yok.png\"><img src=\"bozuk.png\"><img src=\"buyuk.png\">"
                      "<img src=\"sessiz.png\"><img src=\"" +
                      QUrl::fromLocalFile(local).toEncoded() + "\"><img src=\"" + local.toUtf8() +
                      "\"><img src=\"ftp://127.0.0.1/x.png\">";
    const QByteArray small = picture({2, 2}, Qt::green, "PNG");
    for (int i = 0; i < 18; ++i) {
        html += "<img src=\"k" + QByteArray::number(i) + ".png\">";
        server.image("/k" + QByteArray::number(i) + ".png", small);
    }
    server.page("/", html);
    server.answers["/bozuk.png"] = {"200 OK\r\nContent-Type: image/png", "resim degil"};
    server.answers["/buyuk.png"] = {"200 OK\r\nContent-Type: image/png\r\nContent-Length: " +
                                        QByteArray::number(PageImages::maxBytes + 1),
                                    QByteArray(1000, 'x')};
    server.held << "/sessiz.png";

    WebPanel panel;
    panel.setTimeout(300);
    panel.resize(400, 300);
    panel.show();
    QSignalSpy done(&panel, &WebPanel::finished);
    panel.navigate(server.url("/"));
    QTRY_COMPARE(done.size(), 1);
    QVERIFY(done[0][0].toBool());

    // The local path is asked of the server, not read from the disk. Fifteen small pictures
    // make twenty with the five that fail; the last three are not asked.
    for (int i = 0; i < 15; ++i)
        QTRY_COMPARE(shown(panel, u"k%1.png"_qs.arg(i)).size(), QSize(2, 2));
    QTRY_COMPARE(server.dropped, QByteArrayList{"/sessiz.png"});
    QCOMPARE(server.requested.size(), 1 + PageImages::maxPictures);
    QVERIFY(server.requested.contains(QUrl::fromLocalFile(local).path().toUtf8()));
    for (const char *last : {"/k15.png", "/k16.png", "/k17.png"})
        QVERIFY(!server.requested.contains(last));
    QVERIFY(panel.toPlainText().contains(u"Fırsatlar"_qs));

    // Every picture not loaded is the transparent point, none a broken sign or a local file.
    QTextDocument *document = panel.document();
    int left = 0;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QString name = it.fragment().charFormat().toImageFormat().name();
            if (name.isEmpty() || shown(panel, name).size() == QSize(2, 2))
                continue;
            ++left;
            QCOMPARE(shown(panel, name).size(), QSize(1, 1));
            QCOMPARE(shown(panel, name).pixelColor(0, 0).alpha(), 0);
        }
    }
    QCOMPARE(left, 10);
}

QTEST_MAIN(TestWebPanel)
#include "test_webpanel.moc"
