#pragma once
// A fresh, empty folder per test for everything the server writes to disk.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

class TempDir {
public:
    TempDir() : path_((std::filesystem::temp_directory_path() / "hvn-test-XXXXXX").string())
    {
        if (!mkdtemp(path_.data()))
            throw std::runtime_error("cannot create a test folder");
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder as AppPath wants it: with a trailing '/'.
    std::string app() const { return path_ + "/"; }
    std::string file(const std::string& name) const { return app() + name; }
    bool exists(const std::string& name) const { return std::filesystem::exists(file(name)); }
    std::string read(const std::string& name) const
    {
        std::ifstream in(file(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    void write(const std::string& name, const std::string& content) const
    {
        std::ofstream(file(name), std::ios::binary) << content;
    }
    // Sorted names of the entries that start with Prefix.
    std::vector<std::string> named(const std::string& prefix) const
    {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(path_))
            if (e.path().filename().string().rfind(prefix, 0) == 0)
                names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string path_;
};

// The CR LF lines of a file's text, without the line ends.
inline std::vector<std::string> CrLfLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

// Whether a line of the error log names Location and ends in Message.
inline bool ErrorLogHas(const std::string& log, const std::string& message, const std::string& location)
{
    for (const std::string& line : CrLfLines(log))
        if (line.find(location) != std::string::npos && line.size() >= message.size() &&
            line.compare(line.size() - message.size(), message.size(), message) == 0)
            return true;
    return false;
}
