#include "palm/PalmFixture.h"

#include <algorithm>
#include <cstring>

namespace palm_fixture {

Bytes& Bytes::U8(uint8_t v) {
    data.push_back(v);
    return *this;
}

Bytes& Bytes::U16(uint16_t v) { return U8(static_cast<uint8_t>(v)).U8(static_cast<uint8_t>(v >> 8)); }

Bytes& Bytes::U32(uint32_t v) {
    return U16(static_cast<uint16_t>(v)).U16(static_cast<uint16_t>(v >> 16));
}

Bytes& Bytes::Raw(const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    data.insert(data.end(), b, b + n);
    return *this;
}

Bytes& Bytes::Str(const std::string& s) {
    if (s.size() < 255) return U8(static_cast<uint8_t>(s.size())).Raw(s);
    return StrLongForm(s);
}

Bytes& Bytes::StrLongForm(const std::string& s) {
    return U8(0xFF).U16(static_cast<uint16_t>(s.size())).Raw(s);
}

Bytes& Bytes::BlockVal(uint32_t type, uint32_t size, uint32_t a, uint32_t b,
                       const std::vector<uint8_t>& d) {
    U32(type).U32(size);
    if (size == 0) return *this;
    if (size >= 4) return Raw(d.data(), size);
    U32(a).U32(b).U32(static_cast<uint32_t>(d.size()));
    return Raw(d.data(), d.size());
}

std::string CategoryFileName(const std::string& name) {
    std::string out = name;
    for (char& c : out)
        if (strchr("\"*+,./:;<=>?[\\]^|", c) && c) c = '_';
    return out;
}

Kind ClassicKind(uint32_t c) {
    switch (c) {
        case 0: case 1: case 2: case 7: case 9: case 11: case 13: case 15: case 24: case 29:
            return Kind::Int;
        case 23: return Kind::Flag;
        default: return Kind::Text;
    }
}

Kind ExKind(uint32_t c) {
    if (c <= 5 || c == 17 || (c >= 26 && c <= 32) || c == 42 || c == 48 || c == 54 || c == 62 ||
        c == 63 || c == 67 || c == 68)
        return Kind::Int;
    if (c == 6 || c == 66) return Kind::Flag;
    if (c >= 7 && c <= 10) return Kind::Block;
    if (c == 65) return Kind::Eight;
    return Kind::Text;
}

namespace {

Bytes EncodeValue(const Row& row, uint32_t c, Kind k) {
    Bytes b;
    auto code = row.intCodes.find(c);
    if (k == Kind::Int || k == Kind::Flag) {
        auto it = row.ints.find(c);
        const uint32_t v = it == row.ints.end() ? 0 : it->second;
        b.IntVal(v, code != row.intCodes.end() ? code->second : (k == Kind::Flag ? 6 : 1));
    } else if (k == Kind::Text && code != row.intCodes.end()) {
        b.IntVal(0, code->second);  // a damaged row
    } else if (k == Kind::Text) {
        auto it = row.texts.find(c);
        b.TextVal(it == row.texts.end() ? std::string() : it->second);
    } else if (k == Kind::Block) {
        auto it = row.blocks.find(c);
        const Block blk = it == row.blocks.end() ? Block{} : it->second;
        b.BlockVal(blk.type, blk.size, blk.a, blk.b, blk.data);
    } else {
        b.EightVal(row.birthday);
    }
    return b;
}

Bytes EncodeRow(const Row& row, uint32_t columns, Kind (*kind)(uint32_t)) {
    Bytes b;
    for (uint32_t c = 0; c < columns; ++c) b.Append(EncodeValue(row, c, kind(c)));
    return b;
}

void PutCategories(Bytes& b, uint32_t nextFeedId, const std::vector<Category>& cats) {
    b.U32(nextFeedId).U32(static_cast<uint32_t>(cats.size()));
    for (const Category& c : cats) {
        b.U32(c.index).U32(c.id).U32(c.changed).Str(c.name);
        b.Str(c.fileName.empty() ? CategoryFileName(c.name) : c.fileName);
    }
}

void PutSchema(Bytes& b, uint32_t res, uint32_t f, uint32_t p0, uint32_t p1, uint32_t p2,
               const std::vector<uint16_t>& types) {
    b.U32(res).U32(f).U32(p0).U32(p1).U32(p2).U16(static_cast<uint16_t>(types.size()));
    for (uint16_t t : types) b.U16(t);
}

}  // namespace

std::vector<uint8_t> EncodeClassicValue(const Row& row, uint32_t column) {
    return EncodeValue(row, column, ClassicKind(column)).data;
}
std::vector<uint8_t> EncodeExValue(const Row& row, uint32_t column) {
    return EncodeValue(row, column, ExKind(column)).data;
}

Bytes EncodeClassicRow(const Row& row, uint32_t columns) { return EncodeRow(row, columns, ClassicKind); }
Bytes EncodeExRow(const Row& row, uint32_t columns) { return EncodeRow(row, columns, ExKind); }

std::vector<uint16_t> ClassicDefaultTypes() {
    return {1, 1, 1, 5, 5, 5, 5, 1, 5, 1, 5, 1, 5, 1, 5, 1, 5, 5, 5, 5, 5, 5, 5, 6, 1, 5, 5, 5, 5, 1};
}

std::vector<uint16_t> ExDefaultTypes() {
    std::vector<uint16_t> t;
    for (uint32_t c = 0; c < 73; ++c) {
        switch (ExKind(c)) {
            case Kind::Int: t.push_back(1); break;
            case Kind::Flag: t.push_back(6); break;
            case Kind::Text: t.push_back(5); break;
            case Kind::Block: t.push_back(static_cast<uint16_t>(64 + c - 7)); break;
            case Kind::Eight: t.push_back(68); break;
        }
    }
    return t;
}

std::vector<uint8_t> BuildClassic(const ClassicLayout& s) {
    Bytes b;
    b.U32(0x41420100).Str(s.dbName).Str(s.labels);
    PutCategories(b, s.nextFeedId, s.categories);
    PutSchema(b, s.resourceId, s.fieldsPerRow, s.recordIdPos, s.statusPos, s.placementPos, s.types);
    b.U32(s.totalFields ? *s.totalFields : static_cast<uint32_t>(s.rows.size() * s.fieldsPerRow));
    for (const Bytes& r : s.rows) b.Append(r);
    b.Append(s.trailer);
    return b.data;
}

std::vector<uint8_t> BuildEx(const ExLayout& s) {
    Bytes b;
    b.Raw(s.magicPrefix, 5).Raw(s.magicText).U32(s.version);
    std::vector<uint8_t> r1 = s.reserved1;
    if (s.setReserved1Count && r1.size() >= 14) {
        const size_t n = s.rows.size() + 4096;
        r1[12] = static_cast<uint8_t>(n);
        r1[13] = static_cast<uint8_t>(n >> 8);
    }
    b.Raw(r1.data(), r1.size()).Str(s.dbName).Raw(s.reserved2.data(), s.reserved2.size());
    for (const std::string& l : s.labels) b.Str(l).U32(s.labelWord);
    b.Raw(s.reserved3.data(), s.reserved3.size());
    PutCategories(b, s.nextFeedId, s.categories);
    PutSchema(b, s.resourceId, s.fieldsPerRow, s.recordIdPos, s.statusPos, s.placementPos, s.types);
    b.U32(s.totalFields ? *s.totalFields : static_cast<uint32_t>(s.rows.size() * s.fieldsPerRow));
    for (const Bytes& r : s.rows) b.Append(r);
    return b.data;
}

Row ClassicSampleRow(int i) {
    static const char* const kLast[] = {"Smith", "O'Hara", "M\xfcller"};
    static const char* const kFirst[] = {"John", "Kate", "J\xfcrgen"};
    Row r;
    r.ints[0] = 1000u + static_cast<uint32_t>(i);  // record ID
    r.ints[1] = 0;                                 // status
    r.ints[2] = static_cast<uint32_t>(i);          // placement
    r.texts[3] = kLast[i % 3];
    r.texts[4] = kFirst[i % 3];
    r.texts[5] = "Manager";
    r.texts[6] = "Acme, Inc.";
    r.ints[7] = 0;
    r.texts[8] = "555-0100";
    r.ints[9] = 4;
    r.texts[10] = "john@example.com";
    r.texts[17] = "1 Main St";
    r.texts[18] = "Springfield";
    r.texts[19] = "IL";
    r.texts[20] = "62701";
    r.texts[21] = "USA";
    r.texts[22] = "Line one\r\nLine two";
    r.ints[23] = static_cast<uint32_t>(i % 2);
    r.ints[24] = i == 0 ? 1u : (i == 1 ? 3u : 0u);
    r.texts[25] = "Custom value";
    r.ints[29] = 7;
    return r;
}

ClassicLayout ClassicSample(const std::string& dbName) {
    ClassicLayout s;
    s.dbName = dbName;
    s.categories = {{1, 1, "Business", ""}, {2, 3, "Personal", ""}};
    for (int i = 0; i < 3; ++i) s.rows.push_back(EncodeClassicRow(ClassicSampleRow(i)));
    return s;
}

Row ExSampleRow(int i) {
    static const char* const kLast[] = {"Smith", "O'Hara", "M\xfcller"};
    static const char* const kFirst[] = {"John", "Kate", "J\xfcrgen"};
    Row r;
    r.ints[0] = 2000u + static_cast<uint32_t>(i);
    r.ints[1] = 4096u + static_cast<uint32_t>(i);
    r.ints[3] = static_cast<uint32_t>(i) * 73;
    r.ints[4] = static_cast<uint32_t>(i);
    r.ints[5] = i == 0 ? 1u : (i == 1 ? 3u : 0u);
    r.ints[6] = static_cast<uint32_t>(i % 2);
    r.blocks[7] = {64, 0, 0, 0, {}};
    r.blocks[8] = {65, 2, 11, 12, {1, 2, 3}};
    r.blocks[9] = {66, 6, 0, 0, {9, 8, 7, 6, 5, 4}};
    r.blocks[10] = {67, 1, 5, 6, {}};
    r.texts[13] = kFirst[i % 3];
    r.texts[14] = kLast[i % 3];
    r.texts[15] = "Engineer";
    r.texts[16] = "Acme, Inc.";
    r.texts[18] = "A note";
    r.texts[19] = "555-0101";
    r.texts[20] = "555-0102";
    r.ints[26] = 0;
    r.ints[27] = 1;
    r.texts[33] = "Custom one";
    r.ints[42] = 0;
    r.texts[43] = "1 Work Rd";
    r.texts[44] = "Worktown";
    r.ints[48] = 1;
    r.texts[49] = "2 Home Ln";
    r.ints[54] = 2;
    r.texts[60] = "jsmith";
    const double birthday = 29221.0 + i;  // 1980-01-01 and on
    memcpy(r.birthday, &birthday, 8);
    r.ints[66] = 1;
    r.ints[67] = 67;
    r.texts[72] = "tail";
    return r;
}

ExLayout ExSample(const std::string& dbName) {
    ExLayout s;
    s.dbName = dbName;
    s.reserved2 = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    s.reserved3[0] = 0x42;
    s.reserved3[41] = 0x24;
    s.labels = {"Label 1", "Label 2", "", "Label 4", "", "", "", "", "Label 9"};
    s.categories = {{1, 1, "Business", ""}, {2, 3, "Personal", ""}};
    for (int i = 0; i < 3; ++i) s.rows.push_back(EncodeExRow(ExSampleRow(i)));
    return s;
}

// ------------------------------------------------------------------ decoder

namespace {

class Reader {
public:
    explicit Reader(const std::vector<uint8_t>& d) : m_d(d) {}
    bool ok = true;
    size_t pos = 0;
    uint8_t U8() {
        if (pos >= m_d.size()) {
            ok = false;
            return 0;
        }
        return m_d[pos++];
    }
    uint16_t U16() {
        const uint8_t lo = U8();
        return static_cast<uint16_t>(lo | (U8() << 8));
    }
    uint32_t U32() {
        const uint16_t lo = U16();
        return lo | (static_cast<uint32_t>(U16()) << 16);
    }
    std::string Raw(size_t n) {
        if (n > m_d.size() - std::min(pos, m_d.size())) {
            ok = false;
            return {};
        }
        std::string s(reinterpret_cast<const char*>(m_d.data() + pos), n);
        pos += n;
        return s;
    }
    std::string Str() {
        uint32_t n = U8();
        if (n == 0xFF) n = U16();
        return Raw(n);
    }
    std::vector<uint8_t> Rest() {
        return std::vector<uint8_t>(m_d.begin() + static_cast<long>(std::min(pos, m_d.size())),
                                    m_d.end());
    }

private:
    const std::vector<uint8_t>& m_d;
};

std::vector<Category> ReadCategories(Reader& r, uint32_t& nextFeedId) {
    nextFeedId = r.U32();
    const uint32_t n = r.U32();
    std::vector<Category> cats;
    for (uint32_t i = 0; i < n && r.ok; ++i) {
        Category c{};
        c.index = r.U32();
        c.id = r.U32();
        c.changed = r.U32();
        c.name = r.Str();
        c.fileName = r.Str();
        cats.push_back(c);
    }
    return cats;
}

void ReadSchema(Reader& r, uint32_t (&v)[5], std::vector<uint16_t>& types) {
    for (uint32_t& x : v) x = r.U32();
    const uint16_t n = r.U16();
    types.clear();
    for (uint16_t i = 0; i < n && r.ok; ++i) types.push_back(r.U16());
}

bool ReadRows(Reader& r, uint32_t total, uint32_t perRow, Kind (*kind)(uint32_t),
              std::vector<Row>& rows) {
    if (perRow == 0) return total == 0;
    for (uint32_t i = 0; i < total / perRow && r.ok; ++i) {
        Row row;
        for (uint32_t c = 0; c < perRow && r.ok; ++c) {
            const uint32_t code = r.U32();
            const Kind k = kind(c);
            if (k == Kind::Int || k == Kind::Flag) {
                row.ints[c] = r.U32();
                if (code != (k == Kind::Flag ? 6u : 1u)) row.intCodes[c] = code;
            } else if (k == Kind::Text) {
                if (code != 5) return false;
                r.U32();  // the extra word
                row.texts[c] = r.Str();
            } else if (k == Kind::Block) {
                Block b;
                b.type = code;
                b.size = r.U32();
                if (b.size >= 4) {
                    const std::string d = r.Raw(b.size);
                    b.data.assign(d.begin(), d.end());
                } else if (b.size > 0) {
                    b.a = r.U32();
                    b.b = r.U32();
                    const std::string d = r.Raw(r.U32());
                    b.data.assign(d.begin(), d.end());
                }
                row.blocks[c] = b;
            } else {
                const std::string d = r.Raw(8);
                if (r.ok) memcpy(row.birthday, d.data(), 8);
            }
        }
        rows.push_back(row);
    }
    return r.ok;
}

// Categories, schema, rows and the bytes after them, alike in both formats.
template <typename Layout>
bool ReadTail(Reader& r, Layout& out, Kind (*kind)(uint32_t), std::vector<Row>& rows,
              std::vector<uint8_t>& trailer) {
    out.categories = ReadCategories(r, out.nextFeedId);
    uint32_t v[5];
    ReadSchema(r, v, out.types);
    out.resourceId = v[0];
    out.fieldsPerRow = v[1];
    out.recordIdPos = v[2];
    out.statusPos = v[3];
    out.placementPos = v[4];
    const uint32_t total = r.U32();
    out.totalFields = total;
    rows.clear();
    if (!r.ok || !ReadRows(r, total, out.fieldsPerRow, kind, rows)) return false;
    trailer = r.Rest();
    return true;
}

}  // namespace

bool DecodeClassic(const std::vector<uint8_t>& file, ClassicLayout& out, std::vector<Row>& rows,
                   std::vector<uint8_t>& trailer) {
    Reader r(file);
    if (r.U32() != 0x41420100) return false;
    out.dbName = r.Str();
    out.labels = r.Str();
    return ReadTail(r, out, ClassicKind, rows, trailer);
}

bool DecodeEx(const std::vector<uint8_t>& file, ExLayout& out, std::vector<Row>& rows,
              std::vector<uint8_t>& trailer, std::vector<uint32_t>& labelWords) {
    Reader r(file);
    const std::string prefix = r.Raw(5);
    if (!r.ok) return false;
    memcpy(out.magicPrefix, prefix.data(), 5);
    out.magicText = r.Raw(19);
    out.version = r.U32();
    const std::string r1 = r.Raw(24);
    out.reserved1.assign(r1.begin(), r1.end());
    out.setReserved1Count = false;
    out.dbName = r.Str();
    const std::string r2 = r.Raw(11);
    out.reserved2.assign(r2.begin(), r2.end());
    labelWords.clear();
    for (std::string& l : out.labels) {
        l = r.Str();
        labelWords.push_back(r.U32());
    }
    const std::string r3 = r.Raw(42);
    out.reserved3.assign(r3.begin(), r3.end());
    return ReadTail(r, out, ExKind, rows, trailer);
}

}  // namespace palm_fixture
