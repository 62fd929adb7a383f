#pragma once

// A real full disk for tests: a small tmpfs mounted over a temporary folder and filled to the
// last byte, when this process may mount (root, as CI runs). Otherwise the writes run in a
// child process under a file-size limit (setrlimit RLIMIT_FSIZE, SIGXFSZ ignored), so that
// every write that would make a file grow fails as it does on a full disk.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <csignal>
#include <functional>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

class FullDisk {
public:
    // A 400 KB disk, empty; files are put on it before fill().
    FullDisk() {
        m_path = m_base.filePath(QStringLiteral("disk"));
        QDir().mkpath(m_path);
        m_mounted =
            ::mount("tmpfs", QFile::encodeName(m_path).constData(), "tmpfs", 0, "size=400k") == 0;
    }
    ~FullDisk() {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_path).constData(), MNT_DETACH);
    }
    FullDisk(const FullDisk &) = delete;
    FullDisk &operator=(const FullDisk &) = delete;

    QString path() const { return m_path; }
    QString filePath(const QString &name) const { return QDir(m_path).filePath(name); }
    bool mounted() const { return m_mounted; }
    // The file that fills the disk; not one of the program's.
    static QString fillerName() { return QStringLiteral("doldurma.bin"); }

    // Fills the disk so that about `leaveFree` bytes stay free (whole pages). Without a
    // mount no file may grow at all in the child that run() starts.
    void fill(qint64 leaveFree = 0) {
        if (!m_mounted)
            return;
        QFile filler(filePath(fillerName()));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            qFatal("cannot create the filler");
        for (qint64 block : {qint64(64 * 1024), qint64(4096), qint64(1)}) {
            const QByteArray bytes(block, 'x');
            while (filler.write(bytes) == block) {
            }
        }
        filler.resize(std::max<qint64>(0, filler.size() - leaveFree));
    }

    // Runs `writes` on the full disk and returns what it reports: in this process on the
    // mounted disk, otherwise in a child whose files cannot grow beyond the limit. The child's
    // report comes back through a pipe; a child that does not finish in a minute is
    // stopped by its alarm and fails.
    QStringList run(const std::function<QStringList()> &writes) const {
        if (m_mounted)
            return writes();
        int pipeEnds[2];
        if (::pipe(pipeEnds) != 0)
            qFatal("pipe");
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(pipeEnds[0]);
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit r{};
            ::getrlimit(RLIMIT_FSIZE, &r);
            r.rlim_cur = 0;
            ::alarm(60);
            ::setrlimit(RLIMIT_FSIZE, &r);
            const QByteArray report = writes().join(u'\x1f').toUtf8();
            // The pipe is not a file: its writes are not limited.
            qsizetype done = 0;
            while (done < report.size()) {
                const ssize_t n =
                    ::write(pipeEnds[1], report.constData() + done, size_t(report.size() - done));
                if (n <= 0)
                    break;
                done += n;
            }
            ::_exit(0);
        }
        ::close(pipeEnds[1]);
        QByteArray report;
        char buffer[4096];
        for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
            report.append(buffer, n);
        ::close(pipeEnds[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            return {QStringLiteral("the child with the file-size limit failed")};
        return QString::fromUtf8(report).split(u'\x1f');
    }

private:
    QTemporaryDir m_base;
    QString m_path;
    bool m_mounted = false;
};
