#include "common/backup/OlBackupFile.h"

#include <cerrno>
#include <cstring>

#include "common/misc/CxPlatform.h"

namespace {

const char kMagic[] = "Vantoro Outlook backup 1";

bool IsPropertyName(const std::string& name) {
    if (name.empty() || name.size() > 128) return false;
    for (char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
              c == '_'))
            return false;
    return true;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Splits "word<TAB>rest"; no tab: the whole line is the word.
void SplitTab(const std::string& line, std::string& word, std::string& rest, bool& hasTab) {
    const size_t tab = line.find('\t');
    hasTab = tab != std::string::npos;
    word = line.substr(0, tab);
    rest = hasTab ? line.substr(tab + 1) : std::string();
}

}  // namespace

std::string OlBackupEscape(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    out += "\\x";
                    out += kHex[c >> 4];
                    out += kHex[c & 0xF];
                } else {
                    out += ch;
                }
        }
    }
    return out;
}

bool OlBackupUnescape(const std::string& text, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= text.size()) return false;
        switch (text[i]) {
            case '\\': out += '\\'; break;
            case 't': out += '\t'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 'x': {
                const int hi = i + 1 < text.size() ? HexValue(text[i + 1]) : -1;
                const int lo = i + 2 < text.size() ? HexValue(text[i + 2]) : -1;
                if (hi < 0 || lo < 0) return false;
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                break;
            }
            default: return false;
        }
    }
    return true;
}

OlBackupFile::~OlBackupFile() {
    // Left open by a run cut short: flushed, but not marked complete.
    m_file.reset();
}

bool OlBackupFile::Put(const std::string& text, std::string& error) {
    if (!m_file || m_failed) {
        error = m_file ? "An earlier write to " + m_path + " failed." : "The Outlook backup is not open.";
        return false;
    }
    if (fwrite(text.data(), 1, text.size(), m_file.get()) != text.size() ||
        fflush(m_file.get()) != 0) {
        m_failed = true;
        error = "Cannot write the Outlook backup " + m_path + ".";
        return false;
    }
    return true;
}

bool OlBackupFile::Create(const std::string& path, std::string& error) {
    if (cxplat::FileExists(path.c_str()) || cxplat::FolderExists(path.c_str())) {
        error = "The Outlook backup " + path + " exists already.";
        return false;
    }
    m_file.reset(fopen(path.c_str(), "wb"));
    m_failed = false;
    m_path = path;
    if (!m_file) {
        error = "Cannot create the Outlook backup " + path + ": " + strerror(errno) + ".";
        return false;
    }
    return Put(std::string(kMagic) + "\r\n", error);
}

bool OlBackupFile::AddChanged(const OlBackupContact& contact, std::string& error) {
    if (contact.entryId.empty()) {
        error = "A contact without an EntryID cannot be kept.";
        return false;
    }
    std::string block = "contact\t" + OlBackupEscape(contact.entryId) + "\r\n";
    for (const auto& p : contact.properties) {
        if (!IsPropertyName(p.name)) {
            error = "\"" + p.name + "\" is not a property name.";
            return false;
        }
        block += p.name + "\t" + OlBackupEscape(p.value) + "\r\n";
    }
    block += "end\r\n";
    return Put(block, error);
}

bool OlBackupFile::AddAdded(const std::string& entryId, std::string& error) {
    if (entryId.empty()) {
        error = "A contact without an EntryID cannot be kept.";
        return false;
    }
    return Put("added\t" + OlBackupEscape(entryId) + "\r\n", error);
}

bool OlBackupFile::Close(std::string& error) {
    if (!m_file) return true;
    bool ok = Put("complete\r\n", error);
    const bool flushed = cxplat::FlushToDisk(m_file.get());
    const bool closed = fclose(m_file.release()) == 0;
    if (ok && (!flushed || !closed)) {
        error = "Cannot put the Outlook backup " + m_path + " on disk.";
        ok = false;
    }
    return ok;
}

bool OlBackupFile::Read(const std::string& path, OlBackupData& out, std::string& error) {
    out = OlBackupData{};
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) {
        error = "Cannot read the Outlook backup " + path + ".";
        return false;
    }
    std::string text;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0) text.append(buf, n);
    const bool readOk = !ferror(f);
    fclose(f);
    if (!readOk) {
        error = "Cannot read the Outlook backup " + path + ".";
        return false;
    }
    size_t lineNo = 0;
    auto damaged = [&](const char* what) {
        error = "The Outlook backup " + path + " is damaged at line " + std::to_string(lineNo) +
                ": " + what + ".";
        return false;
    };
    if (text.empty()) {
        lineNo = 1;
        return damaged("it is empty");
    }
    size_t pos = 0;
    bool inContact = false;
    bool ended = false;
    while (pos < text.size()) {
        ++lineNo;
        const size_t lf = text.find('\n', pos);
        if (lf == std::string::npos) return damaged("the last line is cut short");
        std::string line = text.substr(pos, lf - pos);
        pos = lf + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (lineNo == 1) {
            if (line != kMagic) return damaged("this is not an Outlook backup of this program");
            continue;
        }
        if (ended) return damaged("lines after \"complete\"");
        std::string word, rest, value;
        bool hasTab = false;
        SplitTab(line, word, rest, hasTab);
        if (inContact) {
            if (line == "end") {
                inContact = false;
            } else if (!hasTab || !IsPropertyName(word)) {
                return damaged("a line that is not a property");
            } else if (!OlBackupUnescape(rest, value)) {
                return damaged("a value with a broken escape");
            } else {
                out.changed.back().properties.push_back({word, value});
            }
        } else if (word == "contact" && hasTab) {
            if (!OlBackupUnescape(rest, value) || value.empty())
                return damaged("a contact without a readable EntryID");
            out.changed.push_back({value, {}});
            inContact = true;
        } else if (word == "added" && hasTab) {
            if (!OlBackupUnescape(rest, value) || value.empty())
                return damaged("an added contact without a readable EntryID");
            out.added.push_back(value);
        } else if (line == "complete") {
            ended = true;
        } else {
            return damaged("an unknown line");
        }
    }
    if (inContact) return damaged("a contact's values are cut short");
    out.complete = ended;
    return true;
}
