#include "ExportFixture.h"

#include <cstdio>
#include <cstring>

#include "palm/PalmFixture.h"

namespace export_fixture {

namespace {

using palm_fixture::Row;

// The Palm date offset plus the OLE day number of a civil date.
double OleDate(int y, int m, int d) {
    // Days from 1970-01-01 (proleptic Gregorian), then to the OLE epoch.
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return static_cast<double>(era * 146097 + doe - 719468) + 25569.0;
}

const char* const kLast[] = {"Müller", "O'Hara, Jr", "Smith; \\ Co", "Zoë"};
const char* const kFirst[] = {"Jürgen", "Kate", "Renée", "Šárka"};
const char* const kCategory[] = {"", "Business", "Persönlich"};

}  // namespace

std::string ToCp1252(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        uint32_t cp = c;
        size_t n = 1;
        if (c >= 0xE0) {
            cp = ((c & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F);
            n = 3;
        } else if (c >= 0xC0) {
            cp = ((c & 0x1F) << 6) | (s[i + 1] & 0x3F);
            n = 2;
        }
        i += n;
        if (cp == 0x20AC) cp = 0x80;
        if (cp == 0x0160) cp = 0x8A;
        if (cp == 0x2019) cp = 0x92;
        out += static_cast<char>(cp < 0x100 ? cp : '#');
    }
    return out;
}

std::vector<std::string> Labels(Format format) {
    if (format == Format::Classic) return {"Geburtstag", "Ehepartner, Name", "Web: privat", "Pager"};
    return {"Label 1", "Spouse; \"Name\"", "", "Label 4", "", "", "", "", "Label 9"};
}

std::vector<Contact> Contacts(Format format, int n) {
    const bool ex = format == Format::Contacts41;
    const std::vector<std::string> labels = Labels(format);
    std::vector<Contact> all;
    for (int i = 0; i < n; ++i) {
        Contact c;
        const std::string num = std::to_string(i);
        c.first = kFirst[i % 4];
        c.last = std::string(kLast[i % 4]) + " " + num;
        c.title = "Manager";
        c.company = i % 5 == 0 ? "Großhandel für Bürobedarf und Schreibwaren, Zweigstelle Nord-Ost " + num
                               : "Acme, Inc.";
        c.note = "Line one, with comma;\r\nLine two € " + num;
        if (i % 7 == 0) {
            c.note += "\r\n";
            for (int k = 0; k < 40; ++k) c.note += "Grüße ";
        }
        for (int a = 0; a < (ex ? 3 : 1); ++a) {
            if (a > 0 && (i + a) % 3 == 0) continue;
            c.street[a] = std::to_string(a + 1) + " Main St, Apt " + num;
            c.city[a] = a == 1 ? "Köln" : "Springfield";
            c.state[a] = "IL";
            c.postal[a] = "627" + std::to_string(i % 100);
            c.country[a] = "USA";
        }
        c.phones.push_back({0, "+1 555 0100 x" + num});
        c.phones.push_back({4, "user" + num + "@example.com"});
        if (i % 2 == 0) c.phones.push_back({6, "PG " + num});
        c.phones.push_back({7, "0171 " + num});
        c.phones.push_back({i % 8, "slot " + num});
        if (ex) c.phones.push_back({0, "+1 555 0199"});
        const int customs = ex ? 9 : 4;
        for (int k = 0; k < customs; ++k) {
            if ((i + k) % 3 != 0) continue;
            c.customs.push_back({k + 1, labels[k], "Wert " + std::to_string(k + 1) + ", " + num});
        }
        c.category = kCategory[i % 3];
        c.isPrivate = i % 3 == 0;
        if (ex && i % 4 != 0) {
            c.year = 1950 + i % 60;
            c.month = 1 + i % 12;
            c.day = 1 + i % 28;
        }
        all.push_back(std::move(c));
    }
    return all;
}

std::vector<uint8_t> FileBytes(Format format, const std::vector<Contact>& contacts) {
    const std::vector<std::string> labels = Labels(format);
    const auto cat = [](const std::string& name) -> uint32_t {
        return name == "Business" ? 1 : name.empty() ? 0 : 3;
    };
    if (format == Format::Classic) {
        palm_fixture::ClassicLayout layout;
        layout.dbName = "C:\\Palm\\User\\address\\address.dat";
        layout.labels.clear();
        for (const std::string& l : labels) layout.labels += ToCp1252(l) + "\n";
        layout.categories = {{1, 1, "Business", ""}, {2, 3, ToCp1252("Persönlich"), ""}};
        for (size_t i = 0; i < contacts.size(); ++i) {
            const Contact& c = contacts[i];
            Row r = palm_fixture::ClassicSampleRow(static_cast<int>(i % 3));
            r.ints[0] = 1000u + static_cast<uint32_t>(i);
            r.texts[3] = ToCp1252(c.last);
            r.texts[4] = ToCp1252(c.first);
            r.texts[5] = ToCp1252(c.title);
            r.texts[6] = ToCp1252(c.company);
            for (int s = 0; s < 5; ++s) {
                r.ints[7 + 2 * s] = s < static_cast<int>(c.phones.size()) ? c.phones[s].code : 0;
                r.texts[8 + 2 * s] = s < static_cast<int>(c.phones.size()) ? ToCp1252(c.phones[s].value) : "";
            }
            r.texts[17] = ToCp1252(c.street[0]);
            r.texts[18] = ToCp1252(c.city[0]);
            r.texts[19] = ToCp1252(c.state[0]);
            r.texts[20] = ToCp1252(c.postal[0]);
            r.texts[21] = ToCp1252(c.country[0]);
            r.texts[22] = ToCp1252(c.note);
            r.ints[23] = c.isPrivate ? 1 : 0;
            r.ints[24] = cat(c.category);
            for (int k = 0; k < 4; ++k) r.texts[25 + k] = "";
            for (const Custom& cu : c.customs) r.texts[24 + cu.index] = ToCp1252(cu.value);
            layout.rows.push_back(palm_fixture::EncodeClassicRow(r));
        }
        return palm_fixture::BuildClassic(layout);
    }
    palm_fixture::ExLayout layout;
    layout.dbName = "C:\\Palm\\User\\address\\address.dat";
    for (size_t k = 0; k < labels.size(); ++k) layout.labels[k] = ToCp1252(labels[k]);
    layout.categories = {{1, 1, "Business", ""}, {2, 3, ToCp1252("Persönlich"), ""}};
    for (size_t i = 0; i < contacts.size(); ++i) {
        const Contact& c = contacts[i];
        Row r = palm_fixture::ExSampleRow(static_cast<int>(i % 3));
        r.ints[0] = 2000u + static_cast<uint32_t>(i);
        r.ints[2] = 0;
        r.ints[5] = cat(c.category);
        r.ints[6] = c.isPrivate ? 1 : 0;
        r.texts[13] = ToCp1252(c.first);
        r.texts[14] = ToCp1252(c.last);
        r.texts[15] = ToCp1252(c.title);
        r.texts[16] = ToCp1252(c.company);
        r.texts[18] = ToCp1252(c.note);
        for (int s = 0; s < 7; ++s) {
            r.texts[19 + s] = s < static_cast<int>(c.phones.size()) ? ToCp1252(c.phones[s].value) : "";
            r.ints[26 + s] = s < static_cast<int>(c.phones.size()) ? c.phones[s].code : 0;
        }
        for (int k = 0; k < 9; ++k) r.texts[33 + k] = "";
        for (const Custom& cu : c.customs) r.texts[32 + cu.index] = ToCp1252(cu.value);
        for (int a = 0; a < 3; ++a) {
            r.ints[42 + 6 * a] = static_cast<uint32_t>(a);
            r.texts[43 + 6 * a] = ToCp1252(c.street[a]);
            r.texts[44 + 6 * a] = ToCp1252(c.city[a]);
            r.texts[45 + 6 * a] = ToCp1252(c.state[a]);
            r.texts[46 + 6 * a] = ToCp1252(c.postal[a]);
            r.texts[47 + 6 * a] = ToCp1252(c.country[a]);
        }
        r.texts[60] = "";
        r.texts[61] = "";
        const double stored = c.year ? OleDate(c.year, c.month, c.day) + 129080608.0 : 0.0;
        memcpy(r.birthday, &stored, sizeof stored);
        layout.rows.push_back(palm_fixture::EncodeExRow(r));
    }
    return palm_fixture::BuildEx(layout);
}

namespace {

std::string Json(const std::string& s) {
    std::string out = "\"";
    for (unsigned char ch : s) {
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += static_cast<char>(ch);
        } else if (ch < 0x20) {
            char buf[8];
            snprintf(buf, sizeof buf, "\\u%04x", ch);
            out += buf;
        } else {
            out += static_cast<char>(ch);
        }
    }
    return out + '"';
}

}  // namespace

std::string ToJson(const std::vector<Contact>& contacts) {
    std::string out = "[\n";
    for (size_t i = 0; i < contacts.size(); ++i) {
        const Contact& c = contacts[i];
        out += "{\"first\": " + Json(c.first) + ", \"last\": " + Json(c.last) +
               ", \"title\": " + Json(c.title) + ", \"company\": " + Json(c.company) +
               ", \"note\": " + Json(c.note) + ", \"category\": " + Json(c.category) +
               ", \"private\": " + (c.isPrivate ? "true" : "false") + ", \"addresses\": [";
        for (int a = 0; a < 3; ++a) {
            out += std::string(a ? ", " : "") + "[" + Json(c.street[a]) + ", " + Json(c.city[a]) +
                   ", " + Json(c.state[a]) + ", " + Json(c.postal[a]) + ", " + Json(c.country[a]) + "]";
        }
        out += "], \"phones\": [";
        for (size_t k = 0; k < c.phones.size(); ++k)
            out += std::string(k ? ", " : "") + "[" + std::to_string(c.phones[k].code) + ", " +
                   Json(c.phones[k].value) + "]";
        out += "], \"customs\": [";
        for (size_t k = 0; k < c.customs.size(); ++k)
            out += std::string(k ? ", " : "") + "[" + std::to_string(c.customs[k].index) + ", " +
                   Json(c.customs[k].label) + ", " + Json(c.customs[k].value) + "]";
        out += "], \"birthday\": ";
        if (c.year) {
            char buf[16];
            snprintf(buf, sizeof buf, "\"%04d-%02d-%02d\"", c.year, c.month, c.day);
            out += buf;
        } else {
            out += "null";
        }
        out += i + 1 < contacts.size() ? "},\n" : "}\n";
    }
    return out + "]\n";
}

}  // namespace export_fixture
