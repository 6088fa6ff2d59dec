#pragma once
// A fresh folder per test, removed afterwards.
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

class TempDir {
public:
    TempDir()
    {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                ("hvn-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // With a trailing '/', as the server's AppPath.
    std::string app() const { return path_.string() + "/"; }
    std::filesystem::path file(const std::string& name) const { return path_ / name; }
    std::string read(const std::string& name) const
    {
        std::ifstream f(file(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
    void write(const std::string& name, const std::string& content) const
    {
        std::ofstream(file(name), std::ios::binary) << content;
    }
    bool exists(const std::string& name) const { return std::filesystem::exists(file(name)); }

private:
    std::filesystem::path path_;
};
