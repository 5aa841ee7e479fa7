// Palm Desktop files of many varied contacts for the export tests, made with
// the tests' own Palm encoder, and what each contact holds (UTF-8) so that
// an export can be checked value by value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace export_fixture {

struct Phone {
    int32_t code;  // the Palm label code of the slot
    std::string value;
};

struct Custom {
    int index;
    std::string label;
    std::string value;
};

struct Contact {
    std::string first, last, title, company, note;
    std::string street[3], city[3], state[3], postal[3], country[3];  // work, home, other
    std::vector<Phone> phones;                                        // slot order, e-mail included
    std::vector<Custom> customs;                                      // non-empty ones
    std::string category;                                             // empty: Unfiled
    bool isPrivate = false;
    int year = 0, month = 0, day = 0;  // birthday, 4.1.x only
};

enum class Format { Classic, Contacts41 };

// The contacts of a file of n records and the file's bytes.
std::vector<Contact> Contacts(Format format, int n);
std::vector<uint8_t> FileBytes(Format format, const std::vector<Contact>& contacts);
// The custom labels the files carry (classic: the first four).
std::vector<std::string> Labels(Format format);
// The contacts as JSON (for the round-trip script).
std::string ToJson(const std::vector<Contact>& contacts);
// UTF-8 text in Windows-1252, for the characters the fixture uses.
std::string ToCp1252(const std::string& utf8);

}  // namespace export_fixture
