#include "support/logcapture.h"

namespace tesseltest {

LogCapture::LogCapture(tessel::TForm1& form) : form_(form), file_(std::tmpfile()) {
    form_.log.logfile = file_;
    form_.log.logopen = file_ != nullptr;
    form_.cfg.logmask = 0x7fff;
}

LogCapture::~LogCapture() {
    form_.log.logfile = nullptr;
    form_.log.logopen = false;
    if (file_) std::fclose(file_);
}

std::vector<std::string> LogCapture::lines() const {
    std::vector<std::string> out;
    if (!file_) return out;
    std::fflush(file_);
    std::rewind(file_);
    std::string line;
    for (int c = std::fgetc(file_); c != EOF; c = std::fgetc(file_)) {
        if (c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        // "[h:m] text"; date lines ("*** ...") are left out.
        if (!line.empty() && line[0] == '[') {
            const size_t end = line.find("] ");
            if (end != std::string::npos) out.push_back(line.substr(end + 2));
        }
        line.clear();
    }
    std::fseek(file_, 0, SEEK_END);
    return out;
}

std::vector<std::string> LogCapture::startingwith(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& l : lines())
        if (l.compare(0, prefix.size(), prefix) == 0) out.push_back(l);
    return out;
}

} // namespace tesseltest
