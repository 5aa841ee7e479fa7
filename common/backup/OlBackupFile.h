// The program's own lossless file of Outlook values kept before a run
// changes them. UTF-8 text, one line per value:
//
//   Vantoro Outlook backup 1
//   contact<TAB><EntryID>
//   <property name><TAB><value>
//   end
//   added<TAB><EntryID>
//   complete
//
// Values (and EntryIDs) are escaped so that every byte comes back: '\'
// as "\\", tab "\t", LF "\n", CR "\r", other control bytes "\xHH". Lines
// end with CR LF. "complete" is written when the run closes the file; a
// file without it is from a run that was cut short. Date properties are
// kept as their OLE date number ("%.17g"), 949998 being Outlook's "none".
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

struct OlBackupProperty {
    std::string name;   // the Outlook property name ("FirstName")
    std::string value;  // its whole value, UTF-8
};

struct OlBackupContact {
    std::string entryId;
    std::vector<OlBackupProperty> properties;
};

struct OlBackupData {
    // In the order kept; for a contact changed twice in one run the first
    // block holds the values from before the run.
    std::vector<OlBackupContact> changed;
    std::vector<std::string> added;  // EntryIDs of contacts the run added
    bool complete = false;
};

std::string OlBackupEscape(const std::string& text);
// False for an escape the writer never makes.
bool OlBackupUnescape(const std::string& text, std::string& out);

class OlBackupFile {
public:
    OlBackupFile() = default;
    ~OlBackupFile();
    OlBackupFile(const OlBackupFile&) = delete;
    OlBackupFile& operator=(const OlBackupFile&) = delete;

    // Creates the file (never over an existing one).
    bool Create(const std::string& path, std::string& error);
    // One contact's values from before a write; each block is flushed.
    bool AddChanged(const OlBackupContact& contact, std::string& error);
    bool AddAdded(const std::string& entryId, std::string& error);
    // Marks the file complete and puts it on disk.
    bool Close(std::string& error);

    // Reads a whole file; false with the line number for damage.
    static bool Read(const std::string& path, OlBackupData& out, std::string& error);

private:
    struct Closer {
        void operator()(FILE* f) const {
            if (f) fclose(f);
        }
    };
    bool Put(const std::string& text, std::string& error);

    std::unique_ptr<FILE, Closer> m_file;
    std::string m_path;
    bool m_failed = false;
};
