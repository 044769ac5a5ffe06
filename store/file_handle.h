// SPDX-License-Identifier: Apache-2.0
// Files of a run: a handle that closes itself, checked writes, the commit to
// disk, and the record of the first file operation that failed.
//
// Every file the engine opens through these routines is known by its path
// until it closes, so that a write, flush, close or read that fails can be
// reported with the file's name and the system's reason. The record of the
// first failure belongs to the process, as the model store does: one run at
// a time clears it at its start and looks at it between its analyses.
#pragma once

#include <cstdio>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace pylora {

// Closes the file, flushing it first; a flush or close that fails is
// recorded as the file's failure.
struct FileCloser {
    void operator()(std::FILE* f) const;
};

// An open formatted sequential file; empty when the file is not open.
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Opens path with the mode of std::fopen. Paths are UTF-8; on Windows a path
// that is not valid UTF-8 is taken in the system's code page, and files
// opened in text mode are written with CRLF line ends.
std::FILE* openFile(const std::string& path, const char* mode);

// Renames from to to, replacing a file at to (as rename does on Linux).
// Returns false, with errno set, when it could not.
bool replaceFile(const std::string& from, const std::string& to);

// Opens text for reading as a file; text must outlive the file.
std::FILE* openTextInMemory(std::string& text);

// Removes the file at path, if it can.
void removeFile(const std::string& path);

// The local time of clock.
std::tm localTime(std::time_t clock);

// Opens path for writing from its beginning: an existing file is overwritten,
// a missing one is created. Returns an empty handle when it cannot be opened
// (errno tells why); that is recorded as a failure of the file.
FileHandle openForWriting(const std::string& path);

// Opens path for reading. Returns an empty handle when it cannot be opened.
FileHandle openForReading(const std::string& path);

// Opens path as a binary work file, read and written in place, emptied
// first; a failure to open it is recorded as for openForWriting.
FileHandle openWorkFile(const std::string& path);

// Closes the file now (an empty handle is left alone).
void closeFile(FileHandle& file);

// Writes the bytes to the file. Returns false, and records the failure, when
// they could not all be written. A null file takes nothing and succeeds.
bool writeBytes(std::FILE* file, const void* data, std::size_t size);
inline bool writeText(std::FILE* file, std::string_view text) {
    return writeBytes(file, text.data(), text.size());
}

// Flushes the C library's buffers of the file to the system. Returns false,
// and records the failure, when the flush fails or a write to the file
// failed before.
bool flushFile(std::FILE* file);

// Commits the file's buffers to disk: the C library's buffers are flushed and
// the operating system is asked to write them out. A flush that fails, or a
// commit that fails for want of space or by an input/output error, is
// recorded as the file's failure; a commit the system cannot do for the kind
// of file (a pipe, a device) is left in errno and otherwise ignored.
void commitToDisk(std::FILE* file);

// What went wrong with a file.
enum class FileOperation { write, read, open };

// The first file operation of the run that failed: the file's path, what was
// done and the system's error number.
struct FileFailure {
    std::string path;
    FileOperation operation = FileOperation::write;
    int error = 0;
};

// Records a failure of the open file (its path is the one it was opened
// with), with errno as the reason unless error is given. Only the first
// failure since clearFileFailures is kept.
void noteFileFailure(std::FILE* file, FileOperation operation, int error = 0);

// Records a failure of the file at path (one that could not be opened).
void noteFileFailure(const std::string& path, FileOperation operation, int error);

// The first failure since clearFileFailures, if any.
std::optional<FileFailure> firstFileFailure();

// Forgets the failures recorded so far (a run clears them at its start).
void clearFileFailures();

// The failure in words: 'the file "PATH" could not be written: REASON'.
std::string describeFileFailure(const FileFailure& failure);

// An exclusive lock on a file, shared by every process that asks for it the
// same way (flock; on Windows LockFileEx on a byte beyond the file's end):
// held from lockFile until the lock is destroyed.
struct FileLock {
    int descriptor = -1;
    FileLock() = default;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();
};

enum class LockOutcome { locked, busy, failed };

// Takes the lock on path at once, without waiting: busy when another holder
// has it, failed (errno tells why) when the file cannot be opened, which
// with create is created empty when missing.
LockOutcome lockFile(const std::string& path, bool create, FileLock& lock);

// For tests: writes through writeBytes to a file whose path ends with
// pathEnding fail with `error` once `bytesAllowed` bytes of it were written
// (counted from each opening of such a file). An empty ending ends the
// injection.
void injectWriteFailure(const std::string& pathEnding, long long bytesAllowed, int error);

}  // namespace pylora
