// The per-switch lock across processes; see SwitchLock.h.
#include "switch/SwitchLock.h"

#include "switch/FirmwareLog.h"
#include "switch/PrivateDirectory.h"
#include "usb/IOWarriorController.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QUrl>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

struct Held {
    int fd = -1; // -1: going on without a lock file
    int depth = 0;
};

QHash<QString, Held> &heldLocks()
{
    static QHash<QString, Held> held;
    return held;
}

std::chrono::milliseconds gWaitLimit{500};

constexpr char kFirmwareMark[] = "firmware";
constexpr char kExchangeMark[] = "exchange";

bool heldByTransfer(int fd)
{
    char mark[sizeof kFirmwareMark] = {};
    const ssize_t n = ::pread(fd, mark, sizeof mark - 1, 0);
    return n == ssize_t(sizeof mark - 1) && std::memcmp(mark, kFirmwareMark, sizeof mark - 1) == 0;
}

// The lock file, this user's own regular file: one planted before the directory was made
// private is removed (the directory is the user's) and made anew. -2 when that fails.
int openOwnLockFile(const QByteArray &path)
{
    for (int tries = 0; tries < 2; ++tries) {
        const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
        struct stat st;
        if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::getuid())
            return fd;
        if (fd >= 0) {
            ::close(fd);
        } else {
            const int error = errno;
            if (::lstat(path.constData(), &st) != 0 || (S_ISREG(st.st_mode) && st.st_uid == ::getuid()))
                return errno = error, -1; // the system's failure, not someone's doing
        }
        ::unlink(path.constData());
    }
    return -2;
}

void warnOnce(const QString &why)
{
    static bool warned = false;
    if (!warned)
        qCWarning(tarvexFirmware).noquote() << "switches are used without a lock:" << why;
    warned = true;
}

// The registry's refresh sends each switch its mode set-up report; a switch that another
// program is writing must not get one in the middle of its transfer.
void guardSetUp(const QString &serial, const std::function<void()> &sendSetUp)
{
    SwitchLock lock(serial, SwitchLock::Purpose::Exchange);
    if (lock.isHeld())
        sendSetUp();
    else
        qCDebug(tarvexFirmware).noquote() << serial << "set-up left out:" << SwitchLock::busyText(lock.status());
}

// Every program that links the switch layer's exchanges talks to switches only under the lock.
[[maybe_unused]] const bool gSetUpGuarded = [] {
    IOWarriorController::setSetUpGuard(&guardSetUp);
    return true;
}();

} // namespace

QString SwitchLock::directory()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.startsWith(QLatin1Char('/')))
        return runtime + QStringLiteral("/tarvexcc");
    const QString userRuntime = QStringLiteral("/run/user/%1").arg(::getuid());
    struct stat st;
    if (::stat(QFile::encodeName(userRuntime).constData(), &st) == 0 && S_ISDIR(st.st_mode)
        && st.st_uid == ::getuid())
        return userRuntime + QStringLiteral("/tarvexcc");
    // No runtime directory (a login without logind, some remote sessions): a place in the
    // user's home, which no other user can take first.
    const QString state = qEnvironmentVariable("XDG_STATE_HOME");
    return (state.startsWith(QLatin1Char('/')) ? state : QDir::homePath() + QStringLiteral("/.local/state"))
        + QStringLiteral("/TarvexCC/locks");
}

QString SwitchLock::lockFilePath(const QString &serial)
{
    // The serial comes from the device: only unreserved characters reach the file name.
    return directory() + QStringLiteral("/switch-")
        + QString::fromLatin1(QUrl::toPercentEncoding(serial)) + QStringLiteral(".lock");
}

void SwitchLock::setWaitLimit(std::chrono::milliseconds limit)
{
    gWaitLimit = limit;
}

bool SwitchLock::isBusyStatus(int status)
{
    return status == kBusyStatus || status == kBusyWithFirmwareStatus || status == kLockRefusedStatus;
}

QString SwitchLock::busyText(int status)
{
    if (status == kLockRefusedStatus)
        return QCoreApplication::translate("Translation",
                                           "the switch is left alone: its lock directory %1 is not private to this user")
            .arg(directory());
    if (status == kBusyWithFirmwareStatus)
        return QCoreApplication::translate(
            "Translation", "the switch is busy: a firmware upgrade is running in another program");
    return QCoreApplication::translate("Translation", "the switch is busy: another program is using it");
}

SwitchLock::SwitchLock(const QString &serial, Purpose purpose) : mSerial(serial)
{
    Held &held = heldLocks()[serial];
    mCounted = true;
    if (++held.depth > 1)
        return;
    QString error;
    bool foreign = false;
    const QString dir = directory();
    if (!PrivateDirectory::makeOwn(dir, &error, &foreign)) {
        // Another user's directory must neither let this program go on unlocked (a port
        // command in the middle of a flash) nor be trusted with a lock file.
        if (foreign) {
            refuse(error);
            return;
        }
        warnOnce(error);
        return;
    }
    const QByteArray path = QFile::encodeName(lockFilePath(serial));
    const int fd = openOwnLockFile(path);
    if (fd == -2) {
        refuse(QStringLiteral("%1 is another user's").arg(QFile::decodeName(path)));
        return;
    }
    if (fd < 0) {
        warnOnce(QStringLiteral("cannot open %1: %2")
                     .arg(QFile::decodeName(path), QString::fromLocal8Bit(std::strerror(errno))));
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + gWaitLimit;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK) {
            const int error = errno;
            ::close(fd);
            warnOnce(QStringLiteral("cannot lock %1: %2")
                         .arg(QFile::decodeName(path), QString::fromLocal8Bit(std::strerror(error))));
            return;
        }
        // A transfer holds the switch for minutes: say so at once instead of waiting.
        const bool transfer = heldByTransfer(fd);
        if (transfer || std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            release(transfer ? kBusyWithFirmwareStatus : kBusyStatus);
            qCDebug(tarvexFirmware).noquote() << serial << busyText(mStatus);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // What the holder does, for the message another program gives while it waits.
    const char *mark = purpose == Purpose::FirmwareTransfer ? kFirmwareMark : kExchangeMark;
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, mark, std::strlen(mark), 0) < 0)
        qCDebug(tarvexFirmware) << "cannot mark the lock of" << serial;
    held.fd = fd;
}

void SwitchLock::release(int status)
{
    heldLocks().remove(mSerial);
    mCounted = false;
    mStatus = status;
}

void SwitchLock::refuse(const QString &why)
{
    release(kLockRefusedStatus);
    qCWarning(tarvexFirmware).noquote() << mSerial << "is left alone:" << why;
}

SwitchLock::~SwitchLock()
{
    if (!mCounted)
        return;
    auto it = heldLocks().find(mSerial);
    if (it == heldLocks().end() || --it->depth > 0)
        return;
    if (it->fd >= 0) {
        // Emptied first: a waiter that reads it meanwhile must not see a finished transfer.
        if (::ftruncate(it->fd, 0) != 0)
            qCDebug(tarvexFirmware) << "cannot clear the lock of" << mSerial;
        ::close(it->fd);
    }
    heldLocks().erase(it);
}
