// Makes databases that stand for a user's Address.mdb: tables "Main",
// "Category" and "Information" with the column types the provider reports
// as integers, texts and booleans. The file is made through the same
// backend the program uses (on Windows the stand-in provider).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "common/palm/PalmAddrEx2.h"

namespace palm6_test {

struct FixtureShape {
    bool main = true;
    bool category = true;
    bool information = true;
    std::string dropColumn;                        // a "Main" column left out
    std::map<std::string, std::string> typeOf;     // "Main" column -> declared type
    bool create = true;                            // false: open the file as it is
};

// Opens an existing database without touching it.
inline FixtureShape Existing() {
    FixtureShape s;
    s.main = s.category = s.information = s.create = false;
    return s;
}

class Fixture {
public:
    // Creates the file and its tables; Ok() tells whether it worked.
    Fixture(const std::string& path, const FixtureShape& shape = FixtureShape());
    ~Fixture();
    bool Ok() const { return m_ok; }
    const std::string& Error() const { return m_error; }
    // Runs statements on a connection of its own.
    bool Exec(const std::string& sql);
    bool AddCategory(int id, const std::string& name);
    bool AddInfo(const std::string& name, const std::string& note);
    // Inserts a whole row with the program's own insert text.
    bool AddRecord(const PmAddrEx2Record& rec);
    // Every row of a query as texts (null as "<null>").
    std::vector<std::vector<std::string>> Rows(const std::string& sql);
    void Close();

private:
    std::unique_ptr<PmDbConnection> m_conn;
    std::unique_ptr<PmDbQuery> m_query;
    bool m_ok = false;
    std::string m_error;
};

// A record with every field set from a seed, texts of their full width
// where long is true.
PmAddrEx2Record MakeRecord(int id, bool longTexts = false);

}  // namespace palm6_test
