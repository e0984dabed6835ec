// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <poll.h>
#include <random>
#include <vector>
#include <sys/wait.h>
#include <unistd.h>

#include "keep/KeepFolder.h"
#include "support/KeepSupport.h"

using namespace pemma;

namespace {

// The painting program of keep_child, killed with SIGKILL at a moment the
// test picks.
class Child {
public:
    Child(const QString& folder, unsigned seed)
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(fds[1], 1);
            ::close(fds[0]);
            ::close(fds[1]);
            const QByteArray f = QFile::encodeName(folder), s = QByteArray::number(seed);
            ::execl(KEEP_CHILD, KEEP_CHILD, f.constData(), s.constData(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        out_ = fds[0];
    }
    ~Child()
    {
        kill();
        if (out_ >= 0)
            ::close(out_);
    }
    // Reads what the child said until `stop` holds for a line, or until
    // timeoutMs have passed; false at the timeout or the end of its output.
    template <typename F>
    bool readUntil(F stop, int timeoutMs)
    {
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            const qsizetype nl = pending_.indexOf('\n');
            if (nl >= 0) {
                const QByteArray line = pending_.left(nl);
                pending_.remove(0, nl + 1);
                take(line);
                if (stop(line))
                    return true;
                continue;
            }
            const int left = timeoutMs - static_cast<int>(clock.elapsed());
            if (left <= 0)
                return false;
            pollfd p{out_, POLLIN, 0};
            if (::poll(&p, 1, left) <= 0)
                continue;
            char buf[4096];
            const ssize_t n = ::read(out_, buf, sizeof buf);
            if (n <= 0)
                return false;
            pending_.append(buf, n);
        }
    }
    void kill()
    {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
        // What it said before it died is still in the pipe.
        readUntil([](const QByteArray&) { return false; }, 2000);
    }
    std::vector<std::uint64_t> snapshots; // in the order they were taken
    int writes = 0;

private:
    void take(const QByteArray& line)
    {
        if (line.startsWith("S "))
            snapshots.push_back(line.mid(2).toULongLong());
        else if (line.startsWith("D "))
            writes = line.mid(2).toInt();
    }
    pid_t pid_ = -1;
    int out_ = -1;
    QByteArray pending_;
};

bool tempFileIn(const QString& folder)
{
    for (const QString& name : QDir(folder).entryList(QDir::Files))
        if ((name.contains(QLatin1String(".kept.")) && !name.endsWith(QLatin1String(".damaged")))
            || name.contains(QLatin1String(".picture.")))
            return true;
    return false;
}

} // namespace

TEST(KeepKill, AKillAtAnyMomentLeavesAPaintingThatRestoresToAStateItReallyHad)
{
    const unsigned seed = std::random_device{}();
    std::mt19937 rng(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    int restored = 0;
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        QTemporaryDir folder;
        Child child(folder.path(), static_cast<unsigned>(rng()));
        // A third of the kills come at a random moment, a third in the middle
        // of a write (its bytes on disk, not yet renamed), a third in the
        // middle of a stroke once something has been kept.
        const int mode = round % 3;
        if (mode == 0) {
            const int ms = 50 + static_cast<int>(rng() % 1500);
            child.readUntil([](const QByteArray&) { return false; }, ms);
        } else if (mode == 1) {
            int writesToSee = 1 + static_cast<int>(rng() % 3);
            ASSERT_TRUE(child.readUntil([&](const QByteArray& l) { return l == "W" && --writesToSee == 0; }, 20000));
        } else {
            ASSERT_TRUE(child.readUntil([&](const QByteArray& l) { return l == "M" && child.writes > 0; }, 20000));
        }
        child.kill();
        if (mode == 1) {
            EXPECT_TRUE(tempFileIn(folder.path())) << "the kill came in the middle of a write";
        }

        testing::internal::CaptureStderr();
        std::optional<TakenPainting> taken = takeNewestPainting(folder.path());
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "nothing was damaged";
        if (child.writes > 0) {
            ASSERT_TRUE(taken) << "a painting was kept";
        }
        if (taken) {
            EXPECT_TRUE(taken->crashed());
            const auto& shown = child.snapshots;
            // A write cut off before its rename leaves the one before it.
            const auto last = mode == 1 ? shown.end() - 1 : shown.end();
            const bool seen = std::find(shown.begin(), last, test::paintingHash(taken->painting())) != last;
            EXPECT_TRUE(seen) << "the painting is one the program really showed, and not one whose write was cut";
            ++restored;
        }
        EXPECT_FALSE(tempFileIn(folder.path())) << "the next start clears what the cut write left";
    }
    EXPECT_GE(restored, 6) << "every kill in the middle of a stroke came after a write";
}
