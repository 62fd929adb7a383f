#pragma once

// A real full disk for tests: a small tmpfs mounted over a temporary folder and filled to the
// last byte, when this process may mount (root, as CI runs). Otherwise the writes run in a
// child process under a file-size limit (setrlimit RLIMIT_FSIZE, SIGXFSZ ignored), so that
// every write that would make a file grow fails as it does on a full disk.

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <csignal>
#include <functional>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

class FullDisk {
public:
    // A 400 KB disk, empty; files are put on it before fill().
    FullDisk() {
        QDir().mkpath(m_path);
        m_mounted = ::mount("tmpfs", QFile::encodeName(m_path), "tmpfs", 0, "size=400k") == 0;
    }
    ~FullDisk() {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_path), MNT_DETACH);
    }

    QString path() const { return m_path; }
    QString filePath(const QString &name) const { return QDir(m_path).filePath(name); }
    // The file that fills the disk; not one of the program's.
    static QString fillerName() { return QStringLiteral("doldurma.bin"); }

    // Fills the disk so that about `leaveFree` bytes stay free (whole pages). Without a
    // mount no file may grow at all in the child that run() starts.
    void fill(qint64 leaveFree = 0) {
        QFile filler(filePath(fillerName()));
        if (!m_mounted || !filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return;
        for (qint64 block : {qint64(64 * 1024), qint64(4096), qint64(1)})
            while (filler.write(QByteArray(block, 'x')) == block) {
            }
        filler.resize(std::max<qint64>(0, filler.size() - leaveFree));
    }

    // Runs `writes` on the full disk and returns what it reports: in this process on the
    // mounted disk, otherwise in a child whose files cannot grow. The child's report comes
    // back through shared memory; a child that does not finish in a minute is stopped by its
    // alarm and fails.
    QStringList run(const std::function<QStringList()> &writes) const {
        if (m_mounted)
            return writes();
        constexpr size_t size = 1 << 20;
        auto *report = static_cast<char *>(
            ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
        const pid_t child = ::fork();
        if (child == 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit noGrowth{0, 0};
            ::setrlimit(RLIMIT_FSIZE, &noGrowth);
            ::alarm(60);
            qstrncpy(report, writes().join(u'\x1f').toUtf8().constData(), size);
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        const QString text = QString::fromUtf8(report);
        ::munmap(report, size);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            return {QStringLiteral("the child with the file-size limit failed")};
        return text.split(u'\x1f');
    }

private:
    QTemporaryDir m_base;
    QString m_path = m_base.filePath(QStringLiteral("disk"));
    bool m_mounted = false;
};
