#pragma once
// The display without a window: it keeps what a window would show (so the
// history rules and tests can see it) and, when printing, writes each history
// line to standard output and each message box to standard error.
#include "platform/Seams.h"

#include <array>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

class HeadlessDisplay : public Display {
public:
    explicit HeadlessDisplay(bool print = false) : print_(print) {}

    void addHistoryLine(const std::string& source, const std::string& message) override;
    void removeOldestHistoryLine() override;
    int historyCount() const override { return static_cast<int>(history.size()); }
    void clearHistory() override { history.clear(); }
    void setStatusPanel(int panel, const std::string& text) override;
    void setLamp(Lamp lamp, bool green) override { lamps[static_cast<size_t>(lamp)] = green; }
    void setCaption(const std::string& text) override { caption = text; }
    std::string windowCaption() const override { return caption; }
    void setLabel(Label label, const std::string& text) override { labels[label] = text; }
    void setToolTip(Label label, const std::string& tip) override { toolTips[label] = tip; }
    void setEnableMenuCaption(const std::string& text) override { enableMenuCaption = text; }
    BoxResult messageBox(const MessageBox& box) override;

    std::deque<std::pair<std::string, std::string>> history;
    std::array<std::string, 3> panels;
    std::array<bool, 2> lamps{};
    std::string caption;
    std::map<Label, std::string> labels;
    std::map<Label, std::string> toolTips;
    std::string enableMenuCaption = "&Disable";
    std::vector<MessageBox> boxes;

private:
    bool print_;
};
