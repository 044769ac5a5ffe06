#include "store/file_handle.h"

#include <unistd.h>

namespace pylora {

FileHandle openForWriting(const std::string& path) {
    return FileHandle(std::fopen(path.c_str(), "w"));
}

FileHandle openForReading(const std::string& path) {
    return FileHandle(std::fopen(path.c_str(), "r"));
}

void closeFile(FileHandle& file) {
    file.reset();
}

void commitToDisk(std::FILE* file) {
    if (!file) return;
    if (std::fflush(file) != 0) return;
    (void)::fsync(::fileno(file));
}

}  // namespace pylora
