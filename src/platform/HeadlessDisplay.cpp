#include "platform/HeadlessDisplay.h"

#include <cstdio>

void HeadlessDisplay::addHistoryLine(const std::string& source, const std::string& message)
{
    history.emplace_back(source, message);
    if (print_) {
        std::fwrite(source.data(), 1, source.size(), stdout);
        std::fputc('\t', stdout);
        std::fwrite(message.data(), 1, message.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
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
