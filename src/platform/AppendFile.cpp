#include "platform/AppendFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

AppendFile::Look AppendFile::look(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        close();
        return {};
    }
    if (fd_ >= 0 && (path != path_ || st.st_dev != device_ || st.st_ino != inode_))
        close();
    return {true, S_ISREG(st.st_mode) ? static_cast<unsigned long long>(st.st_size) : 0};
}

bool AppendFile::append(const std::string& path, const std::string& text)
{
    if (fd_ >= 0 && path != path_)
        close();
    if (fd_ < 0) {
        fd_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        struct stat st {};
        if (fd_ < 0 || ::fstat(fd_, &st) != 0) {
            close();
            return false;
        }
        path_ = path;
        device_ = st.st_dev;
        inode_ = st.st_ino;
    }
    if (::write(fd_, text.data(), text.size()) == static_cast<ssize_t>(text.size()))
        return true;
    close();
    return false;
}

void AppendFile::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}
