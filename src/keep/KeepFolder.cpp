// SPDX-License-Identifier: GPL-3.0-or-later
#include "keep/KeepFolder.h"

#include "files/AtomicWrite.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <cctype>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <map>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pemma {

namespace {

const QByteArray kKept = ".kept";
const QByteArray kDamaged = ".kept.damaged";
const QByteArray kLock = ".lock";
const QByteArray kPicture = ".picture";

std::atomic<void (*)()> writeProbe{nullptr};

QString systemError(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

QByteArray join(const QByteArray& folder, const QByteArray& name) { return folder + '/' + name; }

// Makes the folder and any missing parent, each new one 0700.
int makeFolders(const QByteArray& folder)
{
    struct stat st {};
    if (::stat(folder.constData(), &st) == 0)
        return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    const qsizetype slash = folder.lastIndexOf('/');
    if (slash > 0)
        if (const int err = makeFolders(folder.left(slash)))
            return err;
    if (::mkdir(folder.constData(), 0700) != 0 && errno != EEXIST)
        return errno;
    return 0;
}

// Replaces target with data the checked way: a temporary file beside it
// (mode 0600), every byte checked written, synced, renamed over it, the
// folder synced. 0 on success, otherwise the error.
int replaceChecked(const QByteArray& folder, const QByteArray& target, const QByteArray& data, bool probed)
{
    QByteArray temp = target + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;
    int err = 0;
    if (!writeAllAt(fd, data.constData(), data.size(), 0) || ::fsync(fd) != 0)
        err = errno;
    if (err == 0 && probed)
        if (void (*probe)() = writeProbe.load())
            probe();
    return finishReplace(fd, err, temp, target, folder);
}

// Makes lockPath a new lock file held through the returned descriptor: made
// and locked under a temporary name first, so that no one ever sees it
// unlocked. -1 with errno set when it cannot (EEXIST: it exists).
int createLock(const QByteArray& lockPath)
{
    QByteArray temp = lockPath + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::link(temp.constData(), lockPath.constData()) != 0) {
        const int err = errno;
        ::unlink(temp.constData());
        ::close(fd);
        errno = err;
        return -1;
    }
    ::unlink(temp.constData());
    return fd;
}

// Takes the lock of program `id` in folder when no running program holds it;
// returns the descriptor that holds it, or -1.
int claim(const QByteArray& folder, const QByteArray& id)
{
    const QByteArray path = join(folder, id + kLock);
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) {
            if (errno != ENOENT)
                return -1;
            // No lock (removed by hand): one is made, so that two starts do
            // not both take the painting.
            const int made = createLock(path);
            if (made >= 0 || errno != EEXIST)
                return made;
            continue;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return -1; // a running program holds it, or another start took it
        }
        // The lock file may have been removed (and made again) between the
        // open and the lock: then this lock guards nothing.
        struct stat held {}, now {};
        if (::fstat(fd, &held) == 0 && ::stat(path.constData(), &now) == 0 && held.st_ino == now.st_ino
            && held.st_dev == now.st_dev)
            return fd;
        ::close(fd);
    }
    return -1;
}

struct Entry {
    QByteArray name;
    QByteArray id;
    bool damaged = false;
    qint64 size = 0;
    timespec mtime{};
};

bool newerFirst(const Entry& a, const Entry& b)
{
    if (a.mtime.tv_sec != b.mtime.tv_sec)
        return a.mtime.tv_sec > b.mtime.tv_sec;
    if (a.mtime.tv_nsec != b.mtime.tv_nsec)
        return a.mtime.tv_nsec > b.mtime.tv_nsec;
    return a.name > b.name;
}

std::vector<QByteArray> listNames(const QByteArray& folder)
{
    std::vector<QByteArray> names;
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return names;
    while (const dirent* e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

// The program a picture's own file (<id>.<16 hex digits>.picture, or a
// temporary file of one with withTemp) belongs to; empty when it is none.
QByteArray pictureOwner(QByteArray name, bool withTemp = false)
{
    if (withTemp && name.size() > 7 && name.at(name.size() - 7) == '.' && name.contains(kPicture + '.'))
        name.chop(7);
    if (!name.endsWith(kPicture))
        return {};
    name.chop(kPicture.size());
    if (name.size() < 18 || name.at(name.size() - 17) != '.')
        return {};
    for (char c : name.right(16))
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return {};
    return name.chopped(17);
}

// The kept paintings in the folder (left aside ones with `withDamaged`),
// newest first.
std::vector<Entry> paintings(const QByteArray& folder, bool withDamaged)
{
    std::vector<Entry> out;
    for (const QByteArray& name : listNames(folder)) {
        Entry e;
        e.name = name;
        if (name.endsWith(kKept) && name.size() > kKept.size()) {
            e.id = name.chopped(kKept.size());
        } else if (withDamaged && name.endsWith(kDamaged) && name.size() > kDamaged.size()) {
            e.id = name.chopped(kDamaged.size());
            e.damaged = true;
        } else {
            continue;
        }
        struct stat st {};
        if (::lstat(join(folder, name).constData(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        e.size = st.st_size;
        e.mtime = st.st_mtim;
        out.push_back(e);
    }
    std::sort(out.begin(), out.end(), newerFirst);
    return out;
}

// Temporary files of writes that a kill cut off: <id>.kept.XXXXXX of
// programs no longer running, and lock files being made when a start died.
void removeLeftovers(const QByteArray& folder)
{
    for (const QByteArray& name : listNames(folder)) {
        const QByteArray path = join(folder, name);
        const qsizetype keptAt = name.lastIndexOf(kKept + '.');
        if (keptAt > 0 && name.size() == keptAt + kKept.size() + 7 && !name.endsWith(kDamaged)) {
            const int fd = claim(folder, name.left(keptAt));
            if (fd >= 0) {
                ::unlink(path.constData());
                ::close(fd);
            }
            continue;
        }
        const QByteArray pictureOf = pictureOwner(name, true);
        if (!pictureOf.isEmpty() && !name.endsWith(kPicture)) {
            const int fd = claim(folder, pictureOf);
            if (fd >= 0) {
                ::unlink(path.constData());
                ::close(fd);
            }
            continue;
        }
        const qsizetype lockAt = name.lastIndexOf(kLock + '.');
        if (lockAt > 0 && name.size() == lockAt + kLock.size() + 7) {
            const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
            if (fd >= 0) {
                if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
                    ::unlink(path.constData());
                ::close(fd);
            }
        }
    }
}

} // namespace

QString keepFolder()
{
    const QByteArray state = qgetenv("XDG_STATE_HOME");
    if (state.startsWith('/'))
        return QFile::decodeName(state + "/pemmarover");
    QByteArray home = qgetenv("HOME");
    if (!home.startsWith('/')) {
        const passwd* pw = ::getpwuid(::getuid());
        home = pw && pw->pw_dir ? QByteArray(pw->pw_dir) : QByteArray();
    }
    if (!home.startsWith('/'))
        return {};
    return QFile::decodeName(home + "/.local/state/pemmarover");
}

KeepSlot::KeepSlot(QString folder) : folder_(std::move(folder)), folderBytes_(QFile::encodeName(folder_))
{
    id_ = QByteArray::number(QDateTime::currentMSecsSinceEpoch()) + '-' + QByteArray::number(::getpid());
}

KeepSlot::~KeepSlot()
{
    if (lockFd_ < 0)
        return;
    // A lock without a painting guards nothing; it is removed while held.
    if (!written_)
        ::unlink(join(folderBytes_, id_ + kLock).constData());
    ::close(lockFd_);
}

QString KeepSlot::paintingPath() const { return QFile::decodeName(join(folderBytes_, id_ + kKept)); }

void KeepSlot::setWriteProbe(void (*probe)()) { writeProbe = probe; }

// The folder and this program's lock, made again when they went.
QString KeepSlot::prepare()
{
    if (folderBytes_.isEmpty())
        return QStringLiteral("no folder to keep paintings in");
    if (const int err = makeFolders(folderBytes_))
        return systemError(err);
    if (lockFd_ >= 0) {
        struct stat held {}, now {};
        const QByteArray lockPath = join(folderBytes_, id_ + kLock);
        if (::fstat(lockFd_, &held) == 0 && ::stat(lockPath.constData(), &now) == 0 && held.st_ino == now.st_ino)
            return {};
        ::close(lockFd_);
        lockFd_ = -1;
        written_ = false;
        pictureWritten_ = false;
    }
    // A new name whenever this one is taken (by a program that started in
    // the same millisecond with the same process id in another namespace, or
    // by a lock made for a painting of this name that is still there).
    const QByteArray base = id_;
    for (int n = 1; n < 100; ++n) {
        lockFd_ = createLock(join(folderBytes_, id_ + kLock));
        struct stat st {};
        if (lockFd_ >= 0 && ::lstat(join(folderBytes_, id_ + kKept).constData(), &st) != 0)
            return {};
        if (lockFd_ >= 0) {
            ::unlink(join(folderBytes_, id_ + kLock).constData());
            ::close(lockFd_);
            lockFd_ = -1;
        } else if (errno != EEXIST) {
            return systemError(errno);
        }
        id_ = base + '.' + QByteArray::number(n);
    }
    return systemError(EEXIST);
}

QString KeepSlot::write(const QByteArray& file, const KeptPictureCache* picture)
{
    if (QString why = prepare(); !why.isEmpty())
        return why;
    QByteArray pictureName;
    if (picture) {
        pictureName = QFile::encodeName(keptPictureName(QFile::decodeName(id_ + kKept), picture->hash));
        struct stat st {};
        if (!(pictureWritten_ && pictureHash_ == picture->hash
              && ::stat(join(folderBytes_, pictureName).constData(), &st) == 0)) {
            if (const int err = replaceChecked(folderBytes_, join(folderBytes_, pictureName), picture->part, false))
                return systemError(err);
            pictureWritten_ = true;
            pictureHash_ = picture->hash;
        }
    }
    if (const int err = replaceChecked(folderBytes_, join(folderBytes_, id_ + kKept), file, true))
        return systemError(err);
    written_ = true;
    // Pictures of earlier keeps are no longer needed.
    for (const QByteArray& name : listNames(folderBytes_))
        if (name != pictureName && pictureOwner(name) == id_)
            ::unlink(join(folderBytes_, name).constData());
    if (!picture)
        pictureWritten_ = false;
    return {};
}

QString KeepSlot::markClosed()
{
    if (!written_)
        return {};
    return markKeptClosed(paintingPath());
}

QString markKeptClosed(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return systemError(errno);
    // The flags lie within one sector, which the disk writes whole or not
    // at all; they are outside the file's hashes.
    unsigned char flags[4] = {kKeptClosedNormally, 0, 0, 0};
    int err = 0;
    if (::pwrite(fd, flags, sizeof flags, kKeptFlagsOffset) != sizeof flags || ::fsync(fd) != 0)
        err = errno ? errno : EIO;
    ::close(fd);
    return err ? systemError(err) : QString();
}

TakenPainting::TakenPainting(TakenPainting&& other) noexcept
    : path_(std::move(other.path_)), painting_(std::move(other.painting_)), lockFd_(other.lockFd_)
{
    other.lockFd_ = -1;
}

TakenPainting& TakenPainting::operator=(TakenPainting&& other) noexcept
{
    if (this != &other) {
        if (lockFd_ >= 0)
            ::close(lockFd_);
        path_ = std::move(other.path_);
        painting_ = std::move(other.painting_);
        lockFd_ = other.lockFd_;
        other.lockFd_ = -1;
    }
    return *this;
}

TakenPainting::~TakenPainting()
{
    if (lockFd_ >= 0)
        ::close(lockFd_);
}

std::optional<TakenPainting> takeNewestPainting(const QString& folderName)
{
    const QByteArray folder = QFile::encodeName(folderName);
    if (folder.isEmpty())
        return std::nullopt;
    removeLeftovers(folder);
    for (const Entry& e : paintings(folder, false)) {
        const int fd = claim(folder, e.id);
        if (fd < 0)
            continue;
        const QByteArray path = join(folder, e.name);
        KeptRead read = readKeptFile(QFile::decodeName(path));
        if (read.painting)
            return TakenPainting(QFile::decodeName(path), std::move(*read.painting), fd);
        const QByteArray aside = join(folder, e.id + kDamaged);
        ::rename(path.constData(), aside.constData());
        std::fprintf(stderr, "pemmarover: %s: %s; not offered, left aside as %s\n", path.constData(),
                     qPrintable(read.error), (e.id + kDamaged).constData());
        ::close(fd);
    }
    return std::nullopt;
}

void pruneKept(const QString& folderName, int maxPaintings, qint64 maxBytes)
{
    const QByteArray folder = QFile::encodeName(folderName);
    if (folder.isEmpty())
        return;
    std::vector<Entry> entries = paintings(folder, true);
    // Each painting counts with its pictures' own files.
    std::map<QByteArray, std::vector<QByteArray>> pictures;
    for (const QByteArray& name : listNames(folder))
        if (const QByteArray id = pictureOwner(name); !id.isEmpty())
            pictures[id].push_back(name);
    for (Entry& e : entries) {
        for (const QByteArray& name : pictures[e.id]) {
            struct stat st {};
            if (::lstat(join(folder, name).constData(), &st) == 0)
                e.size += st.st_size;
        }
    }
    // Running programs' paintings stay whatever their age, and take their
    // room first.
    std::map<QByteArray, int> locks;
    int count = 0;
    qint64 bytes = 0;
    for (const Entry& e : entries) {
        auto [it, fresh] = locks.try_emplace(e.id, -1);
        if (fresh)
            it->second = claim(folder, e.id);
        if (it->second < 0) {
            ++count;
            bytes += e.size;
        }
    }
    for (const Entry& e : entries) {
        if (locks[e.id] < 0)
            continue;
        if (count < maxPaintings && bytes + e.size <= maxBytes) {
            ++count;
            bytes += e.size;
        } else {
            ::unlink(join(folder, e.name).constData());
        }
    }
    for (const auto& [id, fd] : locks)
        if (fd >= 0)
            ::close(fd);
    // Locks and pictures whose paintings are gone.
    for (const QByteArray& name : listNames(folder)) {
        QByteArray id = pictureOwner(name);
        if (id.isEmpty() && name.endsWith(kLock) && name.size() > kLock.size())
            id = name.chopped(kLock.size());
        if (id.isEmpty())
            continue;
        struct stat st {};
        if (::lstat(join(folder, id + kKept).constData(), &st) == 0
            || ::lstat(join(folder, id + kDamaged).constData(), &st) == 0)
            continue;
        const int fd = claim(folder, id);
        if (fd >= 0) {
            ::unlink(join(folder, name).constData());
            ::close(fd);
        }
    }
}

} // namespace pemma
