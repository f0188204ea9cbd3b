// Output through a temporary file renamed into place.
#include "OutputFile.h"

#include "LineReader.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(const std::string &path, const char *what, int error) {
    throw IoError(path + ": " + what + ": " + std::strerror(error));
}

} // namespace

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
    } else if (errno != ENOENT) {
        Fail(m_strPath, "cannot open", errno);
    }

    // ".NAME.XXXXXX" beside the output: the same file system, so the rename
    // is atomic; O_EXCL refuses any existing name, a link included. The mode
    // 0666 is narrowed by the umask, as for any new file.
    const std::size_t slash = m_strPath.rfind('/');
    const std::string dir = slash == std::string::npos
                                ? std::string()
                                : m_strPath.substr(0, slash + 1);
    const std::string base =
        slash == std::string::npos ? m_strPath : m_strPath.substr(slash + 1);
    std::random_device device;
    std::mt19937_64 random(
        (std::uint64_t{device()} << 32) ^ device() ^
        static_cast<std::uint64_t>(
            std::chrono::steady_clock::now().time_since_epoch().count()));
    static constexpr char LETTERS[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string temp = dir + "." + base + ".";
        for (int k = 0; k < 8; ++k)
            temp += LETTERS[random() % (sizeof LETTERS - 1)];
        m_nFd =
            ::open(temp.c_str(),
                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (m_nFd >= 0) {
            m_strTemp = std::move(temp);
            if (S_ISREG(st.st_mode) && st.st_nlink > 0)
                ::fchmod(m_nFd,
                         st.st_mode & 07777); // keep a replaced file's mode
            return;
        }
        if (errno != EEXIST)
            Fail(m_strPath, "cannot create a file beside it", errno);
    }
    Fail(m_strPath, "cannot create a file beside it", EEXIST);
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
    if (::rename(m_strTemp.c_str(), m_strPath.c_str()) != 0) {
        const int error = errno;
        Discard();
        Fail(m_strPath, "cannot replace", error);
    }
    m_strTemp.clear();
}

void OutputFile::Discard() noexcept {
    if (m_nFd >= 0)
        ::close(m_nFd);
    m_nFd = -1;
    if (!m_strTemp.empty())
        ::unlink(m_strTemp.c_str());
    m_strTemp.clear();
}
