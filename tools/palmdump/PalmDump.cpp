#include "tools/palmdump/PalmDump.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/misc/CxPlatform.h"
#include "common/palm/PalmAddr.h"
#include "common/palm/PalmAddrEx.h"

namespace {

// The files are in the ANSI code page; listings are UTF-8.
std::string ToUtf8(const char* ansi) {
    std::string out;
    const size_t len = strlen(ansi);
    if (!cxplat::CodePageToUtf8(cxplat::AnsiCodePage(), ansi, len, out)) out.assign(ansi, len);
    return out;
}

std::string Csv(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string out = "\"";
    for (char c : s) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string Json(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    snprintf(buf, sizeof(buf), "\\u%04x", c);
                    out += buf;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

std::string Hex(const uint8_t* p, size_t n) {
    std::string out;
    char buf[4];
    for (size_t i = 0; i < n; ++i) {
        snprintf(buf, sizeof(buf), "%02x", p[i]);
        out += buf;
    }
    return out;
}

// One column value as text; numbers stay numbers in JSON.
struct Cell {
    std::string text;
    bool number = false;
};

// The whole stored text of a text column (record: where the row's fields sit).
Cell CellOf(const PmColumnRef& col, const PmWholeTexts& whole, const void* record) {
    Cell c;
    char buf[64];
    switch (col.kind) {
        case PmColKind::Int:
        case PmColKind::Flag:
            snprintf(buf, sizeof(buf), "%d", *static_cast<const int32_t*>(col.field));
            c.text = buf;
            c.number = true;
            break;
        case PmColKind::Text:
            c.text = ToUtf8(PmWholeOf(whole, record, static_cast<const char*>(col.field), col.width).text);
            break;
        case PmColKind::Block: {
            const auto& b = *static_cast<const PmBlockValue*>(col.field);
            snprintf(buf, sizeof(buf), "type %u size %u a %u b %u data ", b.nType, b.nSize,
                     b.nWordA, b.nWordB);
            c.text = buf + Hex(b.data.data(), b.data.size());
            break;
        }
        case PmColKind::Eight: {
            const auto* bytes = static_cast<const uint8_t*>(col.field);
            uint64_t bits = 0;
            for (int i = 7; i >= 0; --i) bits = bits << 8 | bytes[i];
            double value = 0;
            memcpy(&value, &bits, sizeof(value));
            snprintf(buf, sizeof(buf), "%.17g", value);
            c.text = buf;
            c.number = value == value && value - value == 0;  // finite
            break;
        }
        default:
            break;
    }
    return c;
}

struct Listing {
    const char* format = "";
    std::string storedName;
    std::vector<std::string> labels;
    PmCategoryMgr* cats = nullptr;
    uint32_t schema[6] = {};  // resource ID, fields per row, 3 positions, field count
    std::vector<uint16_t> types;
    std::vector<std::string> columns;
    std::vector<std::vector<Cell>> rows;
    uint64_t bytesAfter = 0;  // after the last announced row
    bool furtherRow = false;  // those bytes hold one more complete row
};

template <typename Util>
void FillSchema(const Util& u, Listing& l, uint32_t known) {
    l.schema[0] = u.GetResourceId();
    l.schema[1] = u.GetFieldsPerRow();
    l.schema[2] = u.GetRecordIdPosition();
    l.schema[3] = u.GetStatusPosition();
    l.schema[4] = u.GetPlacementPosition();
    l.schema[5] = u.GetFieldCount();
    for (uint32_t i = 0; i < u.GetFieldCount() && i < known; ++i) l.types.push_back(u.GetFieldType(i));
    l.bytesAfter = u.GetBytesAfterRows();
    l.furtherRow = u.HasFurtherRow();
}

template <typename Record, typename ColumnFn, typename NameFn>
void FillRows(Record* first, Record* (*next)(void*), void* mgr, uint32_t columns, ColumnFn column,
              NameFn name, Listing& l) {
    for (uint32_t c = 0; c < columns; ++c) l.columns.push_back(name(c));
    l.columns.push_back("Category");
    for (Record* r = first; r; r = next(mgr)) {
        std::vector<Cell> row;
        for (uint32_t c = 0; c < columns; ++c) row.push_back(CellOf(column(*r, c, false), r->whole, r));
        row.push_back(Cell{ToUtf8(r->szCategory), false});
        l.rows.push_back(std::move(row));
    }
}

void PrintText(const Listing& l, std::ostream& out) {
    out << "Format: " << l.format << "\n";
    out << "Stored file name: " << l.storedName << "\n";
    out << "Custom labels:\n";
    for (size_t i = 0; i < l.labels.size(); ++i) out << "  " << (i + 1) << ": " << l.labels[i] << "\n";
    out << "Categories (index, ID, name):\n";
    for (PmCategory* c = l.cats ? l.cats->GetFirst() : nullptr; c; c = l.cats->GetNext())
        out << "  " << c->GetIndex() << ", " << c->GetId() << ", " << ToUtf8(c->GetName()) << "\n";
    out << "Schema: resource ID " << l.schema[0] << ", fields per row " << l.schema[1]
        << ", record ID position " << l.schema[2] << ", status position " << l.schema[3]
        << ", placement position " << l.schema[4] << ", field count " << l.schema[5] << "\n";
    out << "Field types:";
    for (uint16_t t : l.types) out << " " << t;
    out << "\nRecords: " << l.rows.size() << "\n";
    for (size_t i = 0; i < l.columns.size(); ++i) out << (i ? "," : "") << Csv(l.columns[i]);
    out << "\n";
    for (const auto& row : l.rows) {
        for (size_t i = 0; i < row.size(); ++i) out << (i ? "," : "") << Csv(row[i].text);
        out << "\n";
    }
    out << "Bytes after the last row: " << l.bytesAfter
        << (l.furtherRow ? " (they hold at least one further complete row)" : "") << "\n";
}

void PrintJson(const Listing& l, std::ostream& out) {
    out << "{\n  \"format\": " << Json(l.format) << ",\n  \"storedFileName\": " << Json(l.storedName)
        << ",\n  \"customLabels\": [";
    for (size_t i = 0; i < l.labels.size(); ++i) out << (i ? ", " : "") << Json(l.labels[i]);
    out << "],\n  \"categories\": [";
    bool first = true;
    for (PmCategory* c = l.cats ? l.cats->GetFirst() : nullptr; c; c = l.cats->GetNext()) {
        out << (first ? "\n    " : ",\n    ") << "{\"index\": " << c->GetIndex()
            << ", \"id\": " << c->GetId() << ", \"name\": " << Json(ToUtf8(c->GetName())) << "}";
        first = false;
    }
    out << "],\n  \"schema\": {\"resourceId\": " << l.schema[0] << ", \"fieldsPerRow\": " << l.schema[1]
        << ", \"recordIdPosition\": " << l.schema[2] << ", \"statusPosition\": " << l.schema[3]
        << ", \"placementPosition\": " << l.schema[4] << ", \"fieldCount\": " << l.schema[5]
        << ", \"fieldTypes\": [";
    for (size_t i = 0; i < l.types.size(); ++i) out << (i ? ", " : "") << l.types[i];
    out << "]},\n  \"records\": [";
    for (size_t r = 0; r < l.rows.size(); ++r) {
        out << (r ? ",\n    {" : "\n    {");
        for (size_t i = 0; i < l.rows[r].size(); ++i) {
            const Cell& c = l.rows[r][i];
            out << (i ? ", " : "") << Json(l.columns[i]) << ": " << (c.number ? c.text : Json(c.text));
        }
        out << "}";
    }
    out << "],\n  \"bytesAfterLastRow\": " << l.bytesAfter
        << ",\n  \"furtherCompleteRow\": " << (l.furtherRow ? "true" : "false") << "\n}\n";
}

}  // namespace

PmFileFormat PalmDumpDetect(const char* path) {
    FILE* f = cxplat::OpenExclusive(path, "rb");
    if (!f) return PmFileFormat::Unknown;
    uint8_t head[24] = {};
    const size_t n = fread(head, 1, sizeof(head), f);
    fclose(f);
    if (n == sizeof(head) && memcmp(head + 5, "PalmSG Database00RV", 19) == 0)
        return PmFileFormat::Contacts41;
    if (n >= 4 && head[0] == 0x00 && head[1] == 0x01 && head[2] == 0x42 && head[3] == 0x41)
        return PmFileFormat::Classic;
    return PmFileFormat::Unknown;
}

bool PalmDump(const char* path, bool json, std::ostream& out, std::string& reason) {
    if (!path || !*path) {
        reason = "no file given";
        return false;
    }
    FILE* f = cxplat::OpenExclusive(path, "rb");
    if (!f) {
        reason = cxplat::FileExists(path) ? "the file is in use by another program or can not be read"
                                          : "no such file";
        return false;
    }
    fclose(f);
    Listing l;
    // Both utilities load read-only: the file is never written.
    switch (PalmDumpDetect(path)) {
        case PmFileFormat::Contacts41: {
            PmAddrExUtil util;
            util.SetReadOnly(true);
            if (!util.Load(path)) {
                reason = "damaged Palm Desktop 4.1.x contacts file";
                return false;
            }
            l.format = "Palm Desktop 4.1.x contacts file";
            l.storedName = ToUtf8(util.GetFileName());
            for (int i = 0; i < PM_ADDREX_LABELS; ++i) l.labels.push_back(ToUtf8(util.GetCustomLabel(i)));
            l.cats = util.GetCategoryMgr();
            FillSchema(util, l, PM_ADDREX_COLUMNS);
            PmAddrExDataMgr* recs = util.GetRecords();
            FillRows(recs->GetFirst(),
                     +[](void* m) { return static_cast<PmAddrExDataMgr*>(m)->GetNext(); }, recs,
                     PM_ADDREX_COLUMNS, PmAddrExColumn, PmAddrExColumnName, l);
            json ? PrintJson(l, out) : PrintText(l, out);
            return true;
        }
        case PmFileFormat::Classic: {
            PmAddrUtil util;
            util.SetReadOnly(true);
            if (!util.Load(path)) {
                reason = "damaged Palm Desktop address book file";
                return false;
            }
            l.format = "Palm Desktop classic address book file";
            l.storedName = ToUtf8(util.GetStoredFileName());
            const std::string labels = util.GetWholeCustomLabels();
            size_t start = 0;
            for (size_t nl; (nl = labels.find('\n', start)) != std::string::npos; start = nl + 1)
                l.labels.push_back(ToUtf8(labels.substr(start, nl - start).c_str()));
            if (start < labels.size()) l.labels.push_back(ToUtf8(labels.substr(start).c_str()));
            l.cats = util.GetCategoryMgr();
            FillSchema(util, l, PM_ADDR_COLUMNS);
            PmAddrDataMgr* recs = util.GetRecords();
            FillRows(recs->GetFirst(),
                     +[](void* m) { return static_cast<PmAddrDataMgr*>(m)->GetNext(); }, recs,
                     PM_ADDR_COLUMNS, PmAddrColumn, PmAddrColumnName, l);
            json ? PrintJson(l, out) : PrintText(l, out);
            return true;
        }
        default:
            reason = "not a Palm Desktop contacts file (neither a classic address book nor a 4.1.x contacts file)";
            return false;
    }
}
