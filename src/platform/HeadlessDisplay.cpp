#include "platform/HeadlessDisplay.h"

#include <climits>
#include <cstdio>
#include <poll.h>
#include <unistd.h>

namespace {

// A reader that stops reading our standard output (a stalled pipe, a
// terminal on hold) must never stop the server: a line that cannot be
// written at once is dropped. Lines up to PIPE_BUF bytes go out whole.
void PrintWithoutBlocking(std::string line)
{
    pollfd out{STDOUT_FILENO, POLLOUT, 0};
    if (::poll(&out, 1, 0) != 1 || !(out.revents & POLLOUT))
        return;
    if (line.size() > PIPE_BUF) {
        line.resize(PIPE_BUF - 1);
        line += '\n';
    }
    [[maybe_unused]] const ssize_t written = ::write(STDOUT_FILENO, line.data(), line.size());
}

}  // namespace

void HeadlessDisplay::addHistoryLine(const std::string& source, const std::string& message)
{
    history.emplace_back(source, message);
    if (print_)
        PrintWithoutBlocking(source + '\t' + message + '\n');
}

void HeadlessDisplay::removeOldestHistoryLine()
{
    if (!history.empty())
        history.pop_front();
}

void HeadlessDisplay::setStatusPanel(int panel, const std::string& text)
{
    if (panel >= 1 && panel <= 3)
        panels[static_cast<size_t>(panel - 1)] = text;
}

BoxResult HeadlessDisplay::messageBox(const MessageBox& box)
{
    boxes.push_back(box);
    if (print_) {
        std::string text = box.text;
        for (char& c : text)
            if (c == '\r')
                c = '\n';
        std::fprintf(stderr, "%s: %s\n", box.title.c_str(), text.c_str());
        std::fflush(stderr);
    }
    return box.defaultResult;
}
