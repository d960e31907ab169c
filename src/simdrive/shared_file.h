// What a file shared by several processes needs from the system: a lock beside it that one
// process (and one holder in it) has at a time, and a replacement of the whole file that no
// reader ever sees half done. POSIX: flock, mkostemp, fsync, rename; Windows: LockFileEx,
// a temporary created new, FlushFileBuffers, MoveFileExW.
#pragma once

#include <cstdint>
#include <string>

namespace qdu {

class FileLock {
public:
    // Opens (creating when needed) the lock file; error() says why when it could not.
    explicit FileLock(const std::string& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool valid() const { return handle_ != -1; }
    const std::string& error() const { return error_; }
    // Blocks until this process has the lock; nothing happens without a valid lock file.
    void lock();
    void unlock();

private:
    std::intptr_t handle_ = -1;
    std::string error_;
};

// Where the user's programs keep what can be made again: $XDG_CACHE_HOME or ~/.cache, on
// Windows the local application data folder. Empty when the system names none.
std::string user_cache_folder();

// A whole file as another process may be replacing it: absent is not an error.
struct SharedRead {
    bool exists = false;
    std::string text;
    std::string error;  // why a file that is there could not be read
};
// Windows lets a scanner or reader hold a file for a moment, so a refused open is tried again
// for about a second before it counts as an error.
SharedRead read_shared_file(const std::string& path);

// Writes `text` to a new temporary beside `path`, makes it durable and puts it in the file's
// place in one step (on Windows, tried again for about a second while someone else has the file
// open). Empty on success, else the reason in words.
std::string replace_file(const std::string& path, const std::string& text);

}  // namespace qdu
