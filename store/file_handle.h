// Files of a run: a handle that closes itself, and the commit to disk.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace pylora {

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};

// An open formatted sequential file; empty when the file is not open.
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Opens path for writing from its beginning: an existing file is overwritten,
// a missing one is created. Returns an empty handle when it cannot be opened.
FileHandle openForWriting(const std::string& path);

// Opens path for reading. Returns an empty handle when it cannot be opened.
FileHandle openForReading(const std::string& path);

// Closes the file now (an empty handle is left alone).
void closeFile(FileHandle& file);

// Commits the file's buffers to disk: the C library's buffers are flushed and
// the operating system is asked to write them out. A failure is left in errno
// (the platform's last error) and otherwise ignored.
void commitToDisk(std::FILE* file);

}  // namespace pylora
