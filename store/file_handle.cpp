// SPDX-License-Identifier: Apache-2.0
#include "store/file_handle.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace pylora {

namespace {

// What the registry knows of an open file.
struct OpenFile {
    std::string path;
    bool writing = false;
    long long bytesWritten = 0;  // counted only while a failure is injected
};

struct FileRegistry {
    std::mutex mutex;
    std::unordered_map<std::FILE*, OpenFile> open;
    std::optional<FileFailure> first;
    std::string injectedEnding;
    long long injectedAllowance = 0;
    int injectedError = 0;
    std::atomic<bool> injecting{false};
};

FileRegistry& registry() {
    static FileRegistry r;
    return r;
}

void recordFailure(FileRegistry& r, const std::string& path, FileOperation operation, int error) {
    if (!r.first) r.first = FileFailure{path, operation, error};
}

// Enters an open file in the registry. A file to be written that cannot be
// opened is a failure of the run; one to be read is left to its reader.
FileHandle registered(std::FILE* file, const std::string& path, bool writing) {
    const int error = errno;
    FileRegistry& r = registry();
    const std::lock_guard lock(r.mutex);
    if (file)
        r.open[file] = OpenFile{path, writing, 0};
    else if (writing)
        recordFailure(r, path, FileOperation::open, error);
    errno = error;
    return FileHandle(file);
}

bool endsWith(std::string_view text, std::string_view ending) {
    return text.size() >= ending.size() && text.substr(text.size() - ending.size()) == ending;
}

// Whether an injected failure stops this write; counts its bytes otherwise.
bool injectedFailure(std::FILE* file, std::size_t size) {
    FileRegistry& r = registry();
    const std::lock_guard lock(r.mutex);
    const auto it = r.open.find(file);
    if (it == r.open.end() || r.injectedEnding.empty() ||
        !endsWith(it->second.path, r.injectedEnding))
        return false;
    if (it->second.bytesWritten + static_cast<long long>(size) > r.injectedAllowance) {
        recordFailure(r, it->second.path, FileOperation::write, r.injectedError);
        return true;
    }
    it->second.bytesWritten += static_cast<long long>(size);
    return false;
}

#ifdef _WIN32
// A path in UTF-8, or failing that in the system's code page (as a front
// end may write "Names.dat"), as the wide path of the system's calls.
std::wstring widePath(const std::string& path) {
    if (path.empty()) return {};
    const int size = static_cast<int>(path.size());
    UINT codePage = CP_UTF8;
    int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, path.data(), size, nullptr, 0);
    if (length == 0) {
        codePage = CP_ACP;
        length = MultiByteToWideChar(codePage, 0, path.data(), size, nullptr, 0);
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, path.data(), size, wide.data(), length);
    return wide;
}
#endif

}  // namespace

std::FILE* openFile(const std::string& path, const char* mode) {
#ifdef _WIN32
    const std::string modeText(mode);
    return _wfopen(widePath(path).c_str(), std::wstring(modeText.begin(), modeText.end()).c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

bool replaceFile(const std::string& from, const std::string& to) {
#ifdef _WIN32
    if (MoveFileExW(widePath(from).c_str(), widePath(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    const DWORD error = GetLastError();
    errno = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ? EACCES
            : error == ERROR_DISK_FULL                                       ? ENOSPC
                                                                             : ENOENT;
    return false;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

std::FILE* openTextInMemory(std::string& text) {
    if (text.empty()) return std::tmpfile();
#ifdef _WIN32
    // A temporary file of the user's, deleted when it is closed.
    wchar_t folder[MAX_PATH + 1];
    wchar_t name[MAX_PATH + 1];
    if (GetTempPathW(MAX_PATH + 1, folder) == 0 || GetTempFileNameW(folder, L"pyl", 0, name) == 0)
        return nullptr;
    std::FILE* file = _wfopen(name, L"w+bTD");
    if (!file) return nullptr;
    if (std::fwrite(text.data(), 1, text.size(), file) != text.size() || std::fflush(file) != 0) {
        std::fclose(file);
        return nullptr;
    }
    std::rewind(file);
    return file;
#else
    return fmemopen(text.data(), text.size(), "r");
#endif
}

void removeFile(const std::string& path) {
#ifdef _WIN32
    _wremove(widePath(path).c_str());
#else
    std::remove(path.c_str());
#endif
}

std::tm localTime(std::time_t clock) {
    std::tm now{};
#ifdef _WIN32
    localtime_s(&now, &clock);
#else
    localtime_r(&clock, &now);
#endif
    return now;
}

void FileCloser::operator()(std::FILE* f) const {
    if (!f) return;
    FileRegistry& r = registry();
    OpenFile known;
    {
        const std::lock_guard lock(r.mutex);
        const auto it = r.open.find(f);
        if (it != r.open.end()) {
            known = std::move(it->second);
            r.open.erase(it);
        }
    }
    int error = 0;
    if (known.writing) {
        // A write that failed before left the stream's error flag (and was
        // recorded then, with its reason, when it went through writeBytes).
        if (std::fflush(f) != 0)
            error = errno;
        else if (std::ferror(f) != 0)
            error = EIO;
    }
    if (std::fclose(f) != 0 && error == 0) error = errno;
    if (error != 0 && known.writing && !known.path.empty()) {
        const std::lock_guard lock(r.mutex);
        recordFailure(r, known.path, FileOperation::write, error);
    }
}

FileHandle openForWriting(const std::string& path) {
    return registered(openFile(path, "w"), path, true);
}

FileHandle openForReading(const std::string& path) {
    return registered(openFile(path, "r"), path, false);
}

FileHandle openWorkFile(const std::string& path) {
    return registered(openFile(path, "w+b"), path, true);
}

void closeFile(FileHandle& file) {
    file.reset();
}

bool writeBytes(std::FILE* file, const void* data, std::size_t size) {
    if (!file) return true;
    if (registry().injecting.load(std::memory_order_relaxed) && injectedFailure(file, size)) {
        errno = registry().injectedError;
        return false;
    }
    if (size == 0) return true;
    if (std::fwrite(data, 1, size, file) == size) return true;
    noteFileFailure(file, FileOperation::write);
    return false;
}

bool flushFile(std::FILE* file) {
    if (!file) return true;
    int error = 0;
    if (std::fflush(file) != 0)
        error = errno;
    else if (std::ferror(file) != 0)
        error = EIO;
    if (error == 0) return true;
    noteFileFailure(file, FileOperation::write, error);
    return false;
}

void commitToDisk(std::FILE* file) {
    if (!file) return;
    if (!flushFile(file)) return;
        // A file the system cannot commit (a pipe, a terminal) is fine; data the
        // disk could not take is not.
#ifdef _WIN32
    // _commit is FlushFileBuffers on the file's handle.
    if (_commit(_fileno(file)) != 0 && (errno == EIO || errno == ENOSPC))
        noteFileFailure(file, FileOperation::write);
#else
    if (::fsync(::fileno(file)) != 0 && (errno == EIO || errno == ENOSPC || errno == EDQUOT))
        noteFileFailure(file, FileOperation::write);
#endif
}

void noteFileFailure(std::FILE* file, FileOperation operation, int error) {
    if (error == 0) error = errno;
    FileRegistry& r = registry();
    const std::lock_guard lock(r.mutex);
    const auto it = r.open.find(file);
    recordFailure(r, it == r.open.end() ? std::string() : it->second.path, operation, error);
}

void noteFileFailure(const std::string& path, FileOperation operation, int error) {
    FileRegistry& r = registry();
    const std::lock_guard lock(r.mutex);
    recordFailure(r, path, operation, error);
}

std::optional<FileFailure> firstFileFailure() {
    FileRegistry& r = registry();
    const std::lock_guard lock(r.mutex);
    return r.first;
}

void clearFileFailures() {
    FileRegistry& r = registry();
    const std::lock_guard lock(r.mutex);
    r.first.reset();
}

std::string describeFileFailure(const FileFailure& failure) {
    const char* done = failure.operation == FileOperation::write  ? "written"
                       : failure.operation == FileOperation::read ? "read"
                                                                  : "opened";
    const std::string name = failure.path.empty() ? "a file of the run" : '"' + failure.path + '"';
    return "the file " + name + " could not be " + done + ": " +
           (failure.error != 0 ? std::strerror(failure.error) : "unknown error");
}

#ifdef _WIN32
FileLock::~FileLock() {
    if (descriptor >= 0) _close(descriptor);
}

LockOutcome lockFile(const std::string& path, bool create, FileLock& lock) {
    int descriptor = -1;
    const int flags = _O_NOINHERIT | (create ? _O_RDWR | _O_CREAT : _O_RDONLY);
    if (_wsopen_s(&descriptor, widePath(path).c_str(), flags, _SH_DENYNO, _S_IREAD | _S_IWRITE) !=
        0)
        return LockOutcome::failed;
    // A byte far beyond the end of the file is locked: a Windows lock keeps
    // every other handle from the bytes it covers, and the run reads the file.
    OVERLAPPED place{};
    place.Offset = 0xFFFFFFFFu;
    place.OffsetHigh = 0x7FFFFFFFu;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
    if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &place)) {
        const DWORD error = GetLastError();
        _close(descriptor);
        const bool busy = error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING;
        errno = busy ? EWOULDBLOCK : EACCES;
        return busy ? LockOutcome::busy : LockOutcome::failed;
    }
    if (lock.descriptor >= 0) _close(lock.descriptor);
    lock.descriptor = descriptor;
    return LockOutcome::locked;
}
#else
FileLock::~FileLock() {
    if (descriptor >= 0) ::close(descriptor);
}

LockOutcome lockFile(const std::string& path, bool create, FileLock& lock) {
    const int descriptor = create ? ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666)
                                  : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return LockOutcome::failed;
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(descriptor);
        errno = error;
        return error == EWOULDBLOCK ? LockOutcome::busy : LockOutcome::failed;
    }
    if (lock.descriptor >= 0) ::close(lock.descriptor);
    lock.descriptor = descriptor;
    return LockOutcome::locked;
}
#endif

void injectWriteFailure(const std::string& pathEnding, long long bytesAllowed, int error) {
    FileRegistry& r = registry();
    const std::lock_guard lock(r.mutex);
    r.injectedEnding = pathEnding;
    r.injectedAllowance = bytesAllowed;
    r.injectedError = error;
    for (auto& [file, open] : r.open)
        open.bytesWritten = 0;
    r.injecting = !pathEnding.empty();
}

}  // namespace pylora
