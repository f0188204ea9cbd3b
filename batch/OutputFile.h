// A named output file that appears whole or not at all.
#pragma once

#include "LineReader.h" // IoError

#include <string>

/// An existing file that could be written but not replaced whole: its folder
/// takes no new file beside it. The message names the file and suggests
/// another folder; a front end may add a way round of its own.
class UnwritableFolderError : public IoError {
  public:
    using IoError::IoError;
};

/**
 * Writes a named output through a temporary file in the same directory: the
 * temporary file is created exclusively (never through a link, never over
 * an existing file) and takes the output's name only on Commit, by a
 * rename. Until then the named file, if there is one, is untouched; a run
 * that fails or is cancelled leaves nothing behind, as the destructor
 * removes the temporary file.
 *
 * A name that is a symbolic link or a directory is refused. A name that is
 * an existing device or FIFO (/dev/null, a named pipe) is written directly:
 * it holds no file to protect and cannot be replaced.
 *
 * An existing file is replaced only where the user could write to it (as a
 * shell's ">" would need), and the new file takes its permission bits but
 * never its set-user-ID, set-group-ID or sticky bits.
 *
 * Used by nolvex-convert for -o and meant for any front end that writes a
 * converted file.
 */
class OutputFile {
  public:
    /// Creates the temporary file (or opens the device).
    /// @throws IoError with a message that names @p path.
    explicit OutputFile(std::string path);
    ~OutputFile();

    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    /// The descriptor to write the output to.
    int Fd() const { return m_nFd; }

    /// Flushes the data to disk, closes the file and gives it the output's
    /// name, replacing a file of that name.
    /// @throws IoError; the temporary file is then removed.
    void Commit();

    /// Closes and removes the temporary file; the named file stays as it
    /// was. Called by the destructor when Commit was not.
    void Discard() noexcept;

    /// The temporary file's path (empty for a device).
    const std::string &TemporaryPath() const { return m_strTemp; }

    /**
     * Makes SIGINT, SIGTERM and SIGHUP remove the temporary files of every
     * OutputFile alive, then end the process by that signal as they would
     * have. A program calls it once at start-up, before any thread; a signal
     * the program was started with ignored (nohup) stays ignored. Library
     * code never calls it: the handlers are the program's to choose.
     */
    static void RemoveOnSignals();

  private:
    std::string m_strPath;
    std::string m_strTemp;
    int m_nFd = -1;
    int m_nLiveSlot = -1; ///< the temporary's entry for the signal handler
};
