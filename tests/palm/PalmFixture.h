// Hand-assembled Palm Desktop data files for tests, benchmarks and fuzz
// seeds. The encoder is written from the file layout on its own, so the
// readers are checked against bytes they did not produce.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace palm_fixture {

class Bytes {
public:
    Bytes& U8(uint8_t v);
    Bytes& U16(uint16_t v);
    Bytes& U32(uint32_t v);
    Bytes& Raw(const void* p, size_t n);
    Bytes& Raw(const std::string& s) { return Raw(s.data(), s.size()); }
    Bytes& Append(const Bytes& other) { return Raw(other.data.data(), other.data.size()); }
    // Counted string, short form below 255, else FF + 16-bit length.
    Bytes& Str(const std::string& s);
    Bytes& StrLongForm(const std::string& s);
    Bytes& IntVal(uint32_t v, uint32_t code = 1) { return U32(code).U32(v); }
    Bytes& TextVal(const std::string& s, uint32_t extra = 1) { return U32(5).U32(extra).Str(s); }
    Bytes& BlockVal(uint32_t type, uint32_t size, uint32_t a = 0, uint32_t b = 0,
                    const std::vector<uint8_t>& d = {});
    Bytes& EightVal(const uint8_t (&v)[8], uint32_t code = 68) { return U32(code).Raw(v, 8); }

    std::vector<uint8_t> data;
};

struct Category {
    uint32_t index;
    uint32_t id;
    std::string name;
    std::string fileName;  // empty: the name with refused characters as "_"
    uint32_t changed = 0;
};

// The file name a category gets: " * + , . / : ; < = > ? [ \ ] ^ | become "_".
std::string CategoryFileName(const std::string& name);

struct Block {
    uint32_t type = 0, size = 0, a = 0, b = 0;
    std::vector<uint8_t> data;
};

struct Row {
    std::map<uint32_t, uint32_t> ints;      // integer and flag columns
    std::map<uint32_t, std::string> texts;  // text columns
    std::map<uint32_t, Block> blocks;       // 4.1.x columns 7 to 10
    uint8_t birthday[8] = {};               // 4.1.x column 65
    std::map<uint32_t, uint32_t> intCodes;  // another type code (text columns: an integer)
};

enum class Kind { Int, Flag, Text, Block, Eight };
Kind ClassicKind(uint32_t column);
Kind ExKind(uint32_t column);

Bytes EncodeClassicRow(const Row& row, uint32_t columns = 30);
Bytes EncodeExRow(const Row& row, uint32_t columns = 73);

// One value of a row as the encoder writes it, to compare rows column by column.
std::vector<uint8_t> EncodeClassicValue(const Row& row, uint32_t column);
std::vector<uint8_t> EncodeExValue(const Row& row, uint32_t column);

std::vector<uint16_t> ClassicDefaultTypes();
std::vector<uint16_t> ExDefaultTypes();

struct ClassicLayout {
    std::string dbName;
    std::string labels = "Birthday\nSpouse\nWeb\nPager\n";
    uint32_t nextFeedId = 128;
    std::vector<Category> categories;
    uint32_t resourceId = 74, fieldsPerRow = 30, recordIdPos = 0, statusPos = 1,
             placementPos = 2;
    std::vector<uint16_t> types = ClassicDefaultTypes();
    std::optional<uint32_t> totalFields;  // default: rows x fields per row
    std::vector<Bytes> rows;
    Bytes trailer;  // bytes after the last row
};
std::vector<uint8_t> BuildClassic(const ClassicLayout& layout);

struct ExLayout {
    uint8_t magicPrefix[5] = {0xBE, 0xBA, 0xFE, 0xCA, 0x0F};
    std::string magicText = "PalmSG Database00RV";
    uint32_t version = 0x41420200;
    std::vector<uint8_t> reserved1 = std::vector<uint8_t>(24, 0);  // 12 and 13 set from rows
    bool setReserved1Count = true;
    std::string dbName;
    std::vector<uint8_t> reserved2 = std::vector<uint8_t>(11, 0);
    std::vector<std::string> labels = std::vector<std::string>(9);
    uint32_t labelWord = 0;
    std::vector<uint8_t> reserved3 = std::vector<uint8_t>(42, 0);
    uint32_t nextFeedId = 128;
    std::vector<Category> categories;
    uint32_t resourceId = 74, fieldsPerRow = 73, recordIdPos = 0, statusPos = 2,
             placementPos = 4;
    std::vector<uint16_t> types = ExDefaultTypes();
    std::optional<uint32_t> totalFields;
    std::vector<Bytes> rows;
};
std::vector<uint8_t> BuildEx(const ExLayout& layout);

// The decoder of the same layout: the header into a layout (rows left
// empty), the rows as values (a text's extra word is not kept; integer type
// codes other than the usual go to intCodes) and the bytes after the last
// announced row. False for bytes that are not such a file.
bool DecodeClassic(const std::vector<uint8_t>& file, ClassicLayout& out, std::vector<Row>& rows,
                   std::vector<uint8_t>& trailer);
bool DecodeEx(const std::vector<uint8_t>& file, ExLayout& out, std::vector<Row>& rows,
              std::vector<uint8_t>& trailer, std::vector<uint32_t>& labelWords);

// Small files of known content: three contacts in two categories.
ClassicLayout ClassicSample(const std::string& dbName);
ExLayout ExSample(const std::string& dbName);
Row ClassicSampleRow(int i);
Row ExSampleRow(int i);

}  // namespace palm_fixture
