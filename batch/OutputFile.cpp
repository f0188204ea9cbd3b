// Output through a temporary file renamed into place.
#include "OutputFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(const std::string &path, const char *what, int error) {
    throw IoError(path + ": " + what + ": " + std::strerror(error));
}

// ---- temporary files the signal handler removes ---------------------------

// The handler may run between any two instructions of any thread, so it
// reads no std::string and allocates nothing: each live temporary file has
// a fixed slot, a path copied into a char array and published by an atomic
// state. A slot goes FREE -> BUSY (path being copied) -> LIVE; the handler
// takes LIVE -> BUSY before it unlinks, so a slot is never rewritten under
// it. More files alive at once than slots are still written, only not
// removed on a signal.
constexpr int SLOT_FREE = 0;
constexpr int SLOT_BUSY = 1;
constexpr int SLOT_LIVE = 2;
constexpr std::size_t LIVE_SLOTS = 16;
constexpr int REMOVE_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};

static_assert(std::atomic<int>::is_always_lock_free,
              "the signal handler needs a lock-free state");

struct LiveTemporary {
    std::atomic<int> state{SLOT_FREE};
    char path[PATH_MAX];
};

LiveTemporary liveTemporaries[LIVE_SLOTS];

/// Enters @p path; returns its slot, or -1 when it does not fit.
int RegisterTemporary(const std::string &path) {
    if (path.size() >= PATH_MAX) // open() would have refused it
        return -1;
    for (std::size_t i = 0; i < LIVE_SLOTS; ++i) {
        LiveTemporary &slot = liveTemporaries[i];
        int expected = SLOT_FREE;
        if (slot.state.compare_exchange_strong(expected, SLOT_BUSY,
                                               std::memory_order_acquire)) {
            std::memcpy(slot.path, path.c_str(), path.size() + 1);
            slot.state.store(SLOT_LIVE, std::memory_order_release);
            return static_cast<int>(i);
        }
    }
    return -1;
}

/// Frees @p index, unless the handler holds it (the process is ending).
void UnregisterTemporary(int index) {
    if (index < 0)
        return;
    int expected = SLOT_LIVE;
    liveTemporaries[index].state.compare_exchange_strong(
        expected, SLOT_FREE, std::memory_order_acq_rel);
}

void RemoveTemporariesAndDie(int sig) {
    for (LiveTemporary &slot : liveTemporaries) {
        int expected = SLOT_LIVE;
        if (slot.state.compare_exchange_strong(expected, SLOT_BUSY,
                                               std::memory_order_acquire))
            ::unlink(slot.path);
    }
    // The signal is blocked while its handler runs: raised again with the
    // default action, it ends the process as soon as the handler returns,
    // and the parent sees death by this signal, not an exit status.
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(sig, &action, nullptr);
    ::raise(sig);
}

/// Holds the removing signals off this thread while a temporary file and
/// its slot change together: created and entered, or renamed or removed and
/// freed. A signal in between would find a file without a slot, or a slot
/// naming a file that is gone (or, by then, someone else's).
class SignalsHeld {
  public:
    SignalsHeld() {
        sigset_t held;
        sigemptyset(&held);
        for (int sig : REMOVE_SIGNALS)
            sigaddset(&held, sig);
        ::pthread_sigmask(SIG_BLOCK, &held, &m_saved);
    }
    ~SignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &m_saved, nullptr); }
    SignalsHeld(const SignalsHeld &) = delete;
    SignalsHeld &operator=(const SignalsHeld &) = delete;

  private:
    sigset_t m_saved;
};

// ---- the temporary file's name --------------------------------------------

constexpr std::size_t RANDOM_LETTERS = 8;

/// The longest file name the file system of @p dir takes.
std::size_t NameMax(const std::string &dir) {
    const long max = ::pathconf(dir.empty() ? "." : dir.c_str(), _PC_NAME_MAX);
    return max > 0 ? static_cast<std::size_t>(max) : 255;
}

/// The start of @p base that leaves room for ".", "." and the random
/// letters within @p nameMax bytes, cut between UTF-8 characters. Two long
/// names may share the start: O_EXCL and the letters keep them apart.
std::string ShortenedBase(const std::string &base, std::size_t nameMax) {
    const std::size_t room =
        nameMax > RANDOM_LETTERS + 2 ? nameMax - RANDOM_LETTERS - 2 : 0;
    std::size_t keep = std::min(base.size(), room);
    while (keep > 0 && keep < base.size() &&
           (static_cast<unsigned char>(base[keep]) & 0xC0) == 0x80)
        --keep; // base[keep] continues a character: cut before that one
    return base.substr(0, keep);
}

} // namespace

void OutputFile::RemoveOnSignals() {
    struct sigaction action {};
    action.sa_handler = RemoveTemporariesAndDie;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int sig : REMOVE_SIGNALS) // one handler at a time
        sigaddset(&action.sa_mask, sig);
    for (int sig : REMOVE_SIGNALS) {
        struct sigaction old {};
        if (::sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
            continue; // started under nohup or in the background: keep so
        ::sigaction(sig, &action, nullptr);
    }
}

OutputFile::OutputFile(std::string path) : m_strPath(std::move(path)) {
    struct stat st {};
    if (::lstat(m_strPath.c_str(), &st) == 0) {
        if (S_ISLNK(st.st_mode))
            throw IoError(m_strPath +
                          ": is a symbolic link; name the file itself");
        if (S_ISDIR(st.st_mode))
            Fail(m_strPath, "cannot write", EISDIR);
        if (!S_ISREG(st.st_mode)) {
            m_nFd = ::open(m_strPath.c_str(),
                           O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
            if (m_nFd < 0)
                Fail(m_strPath, "cannot open", errno);
            return;
        }
        // The rename needs no right on the file itself, but replacing a
        // file the user may not write to is not theirs to do: ask for what
        // ">" would need, for the effective user as open() checks it.
        if (::faccessat(AT_FDCWD, m_strPath.c_str(), W_OK, AT_EACCESS) != 0) {
            if (errno == EACCES || errno == EPERM)
                throw IoError(m_strPath +
                              ": cannot replace: the file is not writable; "
                              "write to another name, or make it writable "
                              "first");
            Fail(m_strPath, "cannot replace", errno);
        }
    } else if (errno != ENOENT) {
        Fail(m_strPath, "cannot open", errno);
    }

    // ".NAME.XXXXXXXX" beside the output: the same file system, so the
    // rename is atomic; O_EXCL refuses any existing name, a link included.
    // The mode 0666 is narrowed by the umask, as for any new file.
    const std::size_t slash = m_strPath.rfind('/');
    const std::string dir = slash == std::string::npos
                                ? std::string()
                                : m_strPath.substr(0, slash + 1);
    // In a sticky folder (/tmp) only the owner of a file, or of the folder,
    // may rename over it: told now, not after the whole run.
    struct stat folder {};
    const uid_t user = ::geteuid();
    if (S_ISREG(st.st_mode) && st.st_uid != user && user != 0 &&
        ::stat(dir.empty() ? "." : dir.c_str(), &folder) == 0 &&
        (folder.st_mode & S_ISVTX) != 0 && folder.st_uid != user)
        throw UnwritableFolderError(
            m_strPath +
            ": cannot replace: the file belongs to another user in a shared "
            "folder, so it cannot be replaced safely; choose another name");
    const std::string base = ShortenedBase(
        slash == std::string::npos ? m_strPath : m_strPath.substr(slash + 1),
        NameMax(dir));
    std::random_device device;
    std::mt19937_64 random(
        (std::uint64_t{device()} << 32) ^ device() ^
        static_cast<std::uint64_t>(
            std::chrono::steady_clock::now().time_since_epoch().count()));
    static constexpr char LETTERS[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        std::string temp = dir + "." + base + ".";
        for (std::size_t k = 0; k < RANDOM_LETTERS; ++k)
            temp += LETTERS[random() % (sizeof LETTERS - 1)];
        const SignalsHeld held;
        m_nFd =
            ::open(temp.c_str(),
                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (m_nFd >= 0) {
            m_nLiveSlot = RegisterTemporary(temp);
            m_strTemp = std::move(temp);
            // A replaced file's permission bits, not its set-ID and sticky
            // bits: those would make the converted text a setuid program.
            if (S_ISREG(st.st_mode) && st.st_nlink > 0)
                ::fchmod(m_nFd, st.st_mode & 0777);
            return;
        }
        error = errno;
    }
    // Folder without write permission, file with: the shell's ">" could
    // overwrite it in place, but not whole or not at all.
    if (error == EACCES && S_ISREG(st.st_mode))
        throw UnwritableFolderError(
            m_strPath +
            ": cannot replace: the folder is not writable, so the file "
            "cannot be replaced safely; choose a writable folder");
    Fail(m_strPath, "cannot create a file beside it", error);
}

OutputFile::~OutputFile() { Discard(); }

void OutputFile::Commit() {
    if (m_nFd < 0)
        throw IoError(m_strPath + ": already closed");
    if (m_strTemp.empty()) { // a device: nothing to rename
        const int rc = ::close(m_nFd);
        m_nFd = -1;
        if (rc != 0)
            Fail(m_strPath, "write error", errno);
        return;
    }
    if (::fsync(m_nFd) != 0 && errno != EINVAL) {
        const int error = errno;
        Discard();
        Fail(m_strPath, "write error", error);
    }
    const int rc = ::close(m_nFd);
    m_nFd = -1;
    if (rc != 0) {
        const int error = errno;
        Discard();
        Fail(m_strPath, "write error", error);
    }
    int error = 0;
    {
        const SignalsHeld held;
        if (::rename(m_strTemp.c_str(), m_strPath.c_str()) == 0) {
            UnregisterTemporary(m_nLiveSlot);
            m_nLiveSlot = -1;
            m_strTemp.clear();
            return;
        }
        error = errno;
    }
    Discard();
    Fail(m_strPath, "cannot replace", error);
}

void OutputFile::Discard() noexcept {
    if (m_nFd >= 0)
        ::close(m_nFd);
    m_nFd = -1;
    if (m_strTemp.empty())
        return;
    const SignalsHeld held;
    ::unlink(m_strTemp.c_str());
    UnregisterTemporary(m_nLiveSlot);
    m_nLiveSlot = -1;
    m_strTemp.clear();
}
