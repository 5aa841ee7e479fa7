#include "support/LogCapture.h"

#include "common/misc/CxDebugUtil.h"

namespace vt_test {

namespace {

std::string LevelTail(int level, const std::string& message) {
    return std::string(level == 0 ? "[!!!]" : "[   ]") + " - " + message;
}

bool EndsWith(const std::string& line, const std::string& tail) {
    return line.size() >= tail.size() && line.compare(line.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

LogCapture::LogCapture() {
    CxDebugUtil& log = CxDebugUtil::Instance();
    log.SetFolder(m_dir.Path().c_str());
    log.SetEnabled(true);
    log.SetLevel(3);
}

LogCapture::~LogCapture() {
    CxDebugUtil& log = CxDebugUtil::Instance();
    log.SetEnabled(false);
    log.SetLevel(0);
    log.SetFolder("./");
}

std::string LogCapture::Text() const { return ReadText(CxDebugUtil::Instance().GetLogPath()); }

void LogCapture::Reset() const { WriteText(CxDebugUtil::Instance().GetLogPath(), ""); }

std::vector<std::string> LogCapture::Lines() const { return vt_test::SplitCrLf(Text()); }

std::vector<std::string> LogCapture::Messages() const {
    std::vector<std::string> out;
    for (const std::string& line : Lines()) {
        const size_t p = line.find("] - ");
        out.push_back(p == std::string::npos ? line : line.substr(p + 4));
    }
    return out;
}

bool LogCapture::Has(int level, const std::string& message) const {
    const std::string tail = LevelTail(level, message);
    for (const std::string& line : Lines())
        if (EndsWith(line, tail)) return true;
    return false;
}

bool LogCapture::Has(int level, const std::string& source, const std::string& message) const {
    const std::string tail = LevelTail(level, message);
    for (const std::string& line : Lines())
        if (EndsWith(line, tail) && line.find("[" + source) != std::string::npos) return true;
    return false;
}

int LogCapture::Count(const std::string& piece) const {
    if (piece.empty()) return 0;
    const std::string text = Text();
    int n = 0;
    for (size_t pos = 0; (pos = text.find(piece, pos)) != std::string::npos; pos += piece.size()) ++n;
    return n;
}

size_t LogCapture::Find(const std::string& message) const {
    return Text().find(" - " + message + "\r\n");
}

}  // namespace vt_test
