#include "common/backup/RunJournal.h"

#include <cerrno>
#include <cinttypes>
#include <cstring>
#include <set>
#include <utility>

#include "common/backup/BackupRunName.h"
#include "common/misc/CxDebugUtil.h"

namespace {

const char* const kColumns[] = {"Kind", "Side", "Contact", "Key",
                                "Field", "Old value", "New value", "Reason"};
constexpr size_t kColumnCount = sizeof(kColumns) / sizeof(kColumns[0]);
const char kBom[] = "\xEF\xBB\xBF";

// Every field quoted and kept byte for byte: only '"' is doubled, so line
// breaks and tabs inside a value come back as they were.
std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::string NumberText(uint64_t v) {
    char buf[32];
    snprintf(buf, sizeof(buf), "%" PRIu64, v);
    return buf;
}

// RFC 4180 records: quoted fields may hold separators and line breaks.
class CsvReader {
public:
    explicit CsvReader(const std::string& text) : m_text(text) {
        if (m_text.compare(0, 3, kBom) == 0) m_pos = 3;
    }
    bool AtEnd() const { return m_pos >= m_text.size(); }
    size_t Line() const { return m_line; }
    // False with a reason for a malformed record.
    bool Next(std::vector<std::string>& fields, std::string& error) {
        fields.clear();
        m_line = m_nextLine;
        for (;;) {
            std::string field;
            if (m_pos < m_text.size() && m_text[m_pos] == '"') {
                ++m_pos;
                for (;;) {
                    if (m_pos >= m_text.size()) {
                        error = "a quoted value is not closed (the file is cut short)";
                        return false;
                    }
                    const char c = m_text[m_pos++];
                    if (c == '"') {
                        if (m_pos < m_text.size() && m_text[m_pos] == '"') {
                            field += '"';
                            ++m_pos;
                            continue;
                        }
                        break;
                    }
                    if (c == '\n') ++m_nextLine;
                    field += c;
                }
            } else {
                while (m_pos < m_text.size() && m_text[m_pos] != ',' && m_text[m_pos] != '\r' &&
                       m_text[m_pos] != '\n') {
                    if (m_text[m_pos] == '"') {
                        error = "a quote inside an unquoted value";
                        return false;
                    }
                    field += m_text[m_pos++];
                }
            }
            fields.push_back(std::move(field));
            if (m_pos >= m_text.size()) return true;
            const char c = m_text[m_pos];
            if (c == ',') {
                ++m_pos;
                continue;
            }
            if (c == '\r' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '\n') ++m_pos;
            if (c == '\r' || c == '\n') {
                ++m_pos;
                ++m_nextLine;
                return true;
            }
            error = "text after a closing quote";
            return false;
        }
    }

private:
    const std::string& m_text;
    size_t m_pos = 0;
    size_t m_line = 1;
    size_t m_nextLine = 1;
};

bool ReadWhole(const std::string& path, std::string& out) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return false;
    char buf[65536];
    size_t n;
    out.clear();
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0) out.append(buf, n);
    const bool ok = !ferror(f);
    fclose(f);
    return ok;
}

bool ParseNumber(const std::string& text, uint64_t& v) {
    if (text.empty() || text.size() > 20) return false;
    uint64_t r = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        const uint64_t d = static_cast<uint64_t>(c - '0');
        if (r > (UINT64_MAX - d) / 10) return false;
        r = r * 10 + d;
    }
    v = r;
    return true;
}

bool IsHexDigest(const std::string& text) {
    if (text.size() != 64) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

// One of the "File", "Size", "Time", "SHA-256" rows of a state.
bool TakeStateRow(const JournalRow& row, std::string& fileName, BackupFileState& state) {
    if (row.field == "File") fileName = row.newValue;
    else if (row.field == "Size") return ParseNumber(row.newValue, state.size);
    else if (row.field == "Time") return ParseBackupFileTime(row.newValue, state.writeTime);
    else if (row.field == "SHA-256") {
        if (!IsHexDigest(row.newValue)) return false;
        state.sha256 = row.newValue;
    }
    return true;
}

}  // namespace

const char* JournalSideText(JournalSide side) {
    return side == JournalSide::Palm ? "Palm Desktop" : "Outlook";
}

RunJournal::~RunJournal() {
    std::string ignored;
    Close(ignored);
}

bool RunJournal::Open(const std::string& path, const CxSystemTime& start,
                      const std::string& mode, std::string& error) {
    m_error.clear();
    if (cxplat::FileExists(path.c_str()) || cxplat::FolderExists(path.c_str())) {
        error = "The journal " + path + " exists already.";
        return false;
    }
    m_file.reset(fopen(path.c_str(), "wb"));
    if (!m_file) {
        error = "Cannot create the journal " + path + ": " + strerror(errno) + ".";
        return false;
    }
    m_path = path;
    if (fputs(kBom, m_file.get()) < 0) m_error = "Cannot write the journal " + path + ".";
    Row(std::vector<std::string>(std::begin(kColumns), std::end(kColumns)));
    Row({journal::kRun, "", "", "", "Start", "", BackupRunTimeText(start), ""});
    Row({journal::kRun, "", "", "", "Mode", "", mode, ""});
    if (!Ok()) {
        error = m_error;
        m_file.reset();
        return false;
    }
    return true;
}

void RunJournal::Row(const std::vector<std::string>& fields) {
    if (!m_file) {
        if (m_error.empty()) m_error = "The journal is not open.";
        return;
    }
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i) line += ',';
        line += Quote(fields[i]);
    }
    line += "\r\n";
    // Flushed row by row: a run cut short still leaves what it did.
    if (fwrite(line.data(), 1, line.size(), m_file.get()) != line.size() ||
        fflush(m_file.get()) != 0) {
        if (m_error.empty()) {
            m_error = "Cannot write the journal " + m_path + ".";
            CX_LOG(0, "%s", m_error.c_str());
        }
    }
}

void RunJournal::StateRows(const char* kind, JournalSide side, const std::string& fileName,
                           const BackupFileState& state) {
    const char* s = JournalSideText(side);
    if (!fileName.empty()) Row({kind, s, "", "", "File", "", fileName, ""});
    Row({kind, s, "", "", "Size", "", NumberText(state.size), ""});
    Row({kind, s, "", "", "Time", "",
         NumberText(state.writeTime) + " (" + BackupFileTimeText(state.writeTime) + ")", ""});
    Row({kind, s, "", "", "SHA-256", "", state.sha256, ""});
}

void RunJournal::BackupMade(JournalSide side, const std::string& fileName,
                            const BackupFileState& state) {
    if (side == JournalSide::Palm) {
        StateRows(journal::kBackup, side, fileName, state);
    } else {
        Row({journal::kBackup, JournalSideText(side), "", "", "File", "", fileName, ""});
    }
}

void RunJournal::ContactAdded(JournalSide side, const JournalContact& c) {
    Row({journal::kAdded, JournalSideText(side), c.name, c.key, "", "", "", ""});
}

void RunJournal::FieldChanged(JournalSide side, const JournalContact& c, const std::string& field,
                              const std::string& oldValue, const std::string& newValue) {
    Row({journal::kChanged, JournalSideText(side), c.name, c.key, field, oldValue, newValue, ""});
}

void RunJournal::WriteFailed(JournalSide side, const JournalContact& c, const std::string& reason) {
    Row({journal::kFailed, JournalSideText(side), c.name, c.key, "", "", "", reason});
}

void RunJournal::PalmFileSaved(const BackupFileState& state) {
    StateRows(journal::kPalmAfter, JournalSide::Palm, std::string(), state);
}

bool RunJournal::Close(std::string& error) {
    if (m_file) {
        const bool flushed = cxplat::FlushToDisk(m_file.get());
        const bool closed = fclose(m_file.release()) == 0;
        if ((!flushed || !closed) && m_error.empty())
            m_error = "Cannot put the journal " + m_path + " on disk.";
    }
    if (!m_error.empty()) error = m_error;
    return m_error.empty();
}

bool ReadRunJournal(const std::string& path, RunJournalData& out, std::string& error) {
    out = RunJournalData{};
    std::string text;
    if (!ReadWhole(path, text)) {
        error = "Cannot read the journal " + path + ".";
        return false;
    }
    CsvReader csv(text);
    std::vector<std::string> fields;
    std::string why;
    auto damaged = [&](const std::string& what) {
        error = "The journal " + path + " is damaged at line " + std::to_string(csv.Line()) +
                ": " + what + ".";
        return false;
    };
    if (csv.AtEnd()) return damaged("it is empty");
    if (!csv.Next(fields, why)) return damaged(why);
    if (fields != std::vector<std::string>(std::begin(kColumns), std::end(kColumns)))
        return damaged("this is not a run journal");
    // After-run states come in groups of rows; the last complete one counts.
    BackupFileState after;
    std::string ignoredName;
    while (!csv.AtEnd()) {
        if (!csv.Next(fields, why)) return damaged(why);
        if (fields.size() != kColumnCount)
            return damaged(std::to_string(fields.size()) + " values instead of " +
                           std::to_string(kColumnCount));
        JournalRow row{fields[0], fields[1], fields[2], fields[3],
                       fields[4], fields[5], fields[6], fields[7]};
        const bool palm = row.side == JournalSideText(JournalSide::Palm);
        if (row.kind == journal::kRun) {
            if (row.field == "Start") out.start = row.newValue;
            else if (row.field == "Mode") out.mode = row.newValue;
        } else if (row.kind == journal::kBackup && palm) {
            if (!TakeStateRow(row, out.palmBackupName, out.palmBackup))
                return damaged("a backup value that cannot be read");
            out.hasPalmBackup = !out.palmBackup.sha256.empty() && !out.palmBackupName.empty();
        } else if (row.kind == journal::kBackup) {
            if (row.field == "File") {
                out.outlookBackupName = row.newValue;
                out.hasOutlookBackup = !row.newValue.empty();
            }
        } else if (row.kind == journal::kPalmAfter) {
            if (row.field == "Size") after = BackupFileState{};
            if (!TakeStateRow(row, ignoredName, after))
                return damaged("a file state value that cannot be read");
            if (row.field == "SHA-256") {
                out.palmAfter = after;
                out.hasPalmAfter = true;
            }
        } else if (row.kind != journal::kAdded && row.kind != journal::kChanged &&
                   row.kind != journal::kFailed) {
            return damaged("an unknown kind of row \"" + row.kind + "\"");
        }
        out.rows.push_back(std::move(row));
    }
    return true;
}

RunJournalCounts CountRunJournal(const RunJournalData& data) {
    RunJournalCounts counts;
    std::set<std::pair<int, std::string>> changed;
    for (const auto& row : data.rows) {
        int side = -1;
        if (row.side == JournalSideText(JournalSide::Palm)) side = 0;
        else if (row.side == JournalSideText(JournalSide::Outlook)) side = 1;
        if (side < 0) continue;
        if (row.kind == journal::kAdded) ++counts.added[side];
        else if (row.kind == journal::kFailed) ++counts.failed[side];
        else if (row.kind == journal::kChanged && changed.insert({side, row.key}).second)
            ++counts.changed[side];
    }
    return counts;
}
