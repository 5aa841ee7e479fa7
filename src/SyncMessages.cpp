#include "src/SyncMessages.h"

#include <cstdio>
#include <vector>

#include "common/misc/CxDebugUtil.h"

namespace {

struct ModeText {
    const char* logLine;
    const char* description;
};

const ModeText kModes[] = {
    {"Sync Mode: Palm Desktop to Outlook",
     "Transfer contact information from Palm Desktop to Outlook."},
    {"Sync Mode: Outlook to Palm Desktop.",
     "Transfer contact information from Outlook to Palm Desktop."},
    {"Sync Mode: Two-way Synchronization",
     "Perform two way synchronization between Palm Desktop to Outlook."},
};

std::string Format(const char* format, long long value) {
    char text[256];
    snprintf(text, sizeof(text), format, value);
    return text;
}

const char kChangedMeanwhile[] =
    "Palm Desktop's data changed since it was loaded; the lists have been reloaded.";

}  // namespace

const char* SyncModeDescription(int32_t mode) {
    return mode >= 1 && mode <= 3 ? kModes[mode - 1].description : "";
}

const char* SyncModeLogLine(int32_t mode) {
    return mode >= 1 && mode <= 3 ? kModes[mode - 1].logLine : "";
}

SyncMessage FinalSyncMessage(const SyncOutcome& o) {
    const bool incomplete = o.failedWrites > 0 || o.saveFailed || o.changedMeanwhile;
    std::vector<std::string> lines;
    if (incomplete && !o.cancelled)
        lines.push_back(Format("Contact information was not synchronized completely. %d records updated.",
                               o.updated));
    else
        lines.push_back(Format("Contact information synchronized successfully. %d records updated.",
                               o.updated));
    if (o.cancelled) {
        lines.push_back("The synchronization was cancelled.");
        if (o.palmIsFile) lines.push_back("The Palm Desktop changes of this run were not saved.");
    }
    if (o.failedWrites > 0)
        lines.push_back(Format("%d records could not be written. The debug log holds the reasons.",
                               o.failedWrites));
    if (o.saveFailed)
        lines.push_back("The Palm Desktop data could not be saved. The debug log holds the reasons.");
    if (o.stillDiffer > 0)
        lines.push_back(Format("%d pairs still differ: an empty value does not clear the other side's value.",
                               o.stillDiffer));
    if (o.ambiguous > 0)
        lines.push_back(Format("%d records were not written: another record has the same name and e-mail.",
                               o.ambiguous));
    if (o.unreadable > 0)
        lines.push_back(Format("%d Outlook contacts could not be read and were left out.", o.unreadable));
    if (o.changedMeanwhile) lines.push_back(kChangedMeanwhile);

    SyncMessage m;
    for (size_t i = 0; i < lines.size(); ++i) m.text += (i ? "\r\n\r\n" : "") + lines[i];
    const bool warn = incomplete || o.cancelled;
    m.icon = warn ? SyncIcon::Warning : SyncIcon::Information;
    m.caption = warn ? "Warning" : "Information";
    m.description = SyncModeDescription(o.mode);
    if (o.cancelled)
        m.description += " (cancelled)";
    else if (incomplete)
        m.description += " (not completed)";
    return m;
}

void LogSyncMessage(const SyncMessage& message) {
    size_t from = 0;
    while (from <= message.text.size()) {
        size_t end = message.text.find("\r\n\r\n", from);
        if (end == std::string::npos) end = message.text.size();
        CX_LOG(2, "%s", message.text.substr(from, end - from).c_str());
        from = end + 4;
    }
}

const char* SyncRefusalText(SyncRefusal refusal) {
    switch (refusal) {
    case SyncRefusal::PalmUnavailable:
        return "Nothing can be synchronized with Palm Desktop: its contacts could not be loaded.\r\n\r\n"
               "Mend the cause told when they were loaded, then choose File > Reload.";
    case SyncRefusal::OutlookUnavailable:
        return "Nothing can be synchronized with Outlook: its contacts could not be loaded.\r\n\r\n"
               "Mend the cause told when they were loaded, then choose File > Reload.";
    case SyncRefusal::PalmReadOnly:
        return "The Palm Desktop contacts are read-only in this session, so this run, which would "
               "write them, does not start.\r\n\r\nOnly \"Palm Desktop to Outlook\" can run.";
    case SyncRefusal::OutlookReadOnly:
        return "The Outlook contacts are read-only in this session, so this run, which would "
               "write them, does not start.\r\n\r\nOnly \"Outlook to Palm Desktop\" can run.";
    case SyncRefusal::PalmChanged:
        return kChangedMeanwhile;
    case SyncRefusal::None:
        break;
    }
    return "";
}
