#pragma once
// A file kept open for appending lines, as the logs are. Each line goes out in
// one write with no buffer in the process, so once append() returns the line
// is whole in the file, even if the process is killed right after.
#include <string>
#include <sys/types.h>

class AppendFile {
public:
    struct Look {
        bool exists = false;
        unsigned long long size = 0;  // 0 for anything but a regular file
    };

    AppendFile() = default;
    ~AppendFile() { close(); }
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    // What is at Path now. A file that was deleted, renamed or replaced since
    // it was opened is let go, so the next line goes to what Path names.
    Look look(const std::string& path);
    // Appends Text in one write, opening Path (created when missing) first
    // when needed. On failure the file is let go and opened afresh next time.
    bool append(const std::string& path, const std::string& text);
    void close();

private:
    int fd_ = -1;
    std::string path_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};
