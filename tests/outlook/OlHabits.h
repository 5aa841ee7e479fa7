// Scenarios of the Outlook side against Outlook's habits, shared by the
// in-process and the out-of-process tests. Each one loads, writes and
// closes its sessions and then checks the stand-in's file: nothing changed
// that should not be, nothing duplicated.
#pragma once

#include <vector>

#include "OlTestEnv.h"

namespace ol_test {

// n contacts P0..P(n-1), each with a key, a compared and an uncompared field.
std::vector<Props> People(int n);

// Updates and adds interleaved in one run, whatever the item order.
// `people` are People(6) or more.
void RunAddsAndUpdates(StandInData& data, const std::vector<Props>& people);
// A distribution list among the contacts: skipped, and left as it was.
void RunDistributionList(StandInData& data);
// Three contacts, the second with its Email1Address denied; `unreadable`
// says which ones the current settings make unreadable.
void RunRefusedReads(StandInData& data, const std::vector<bool>& unreadable);
// FullName handling with the stand-in's name rules on.
void RunNames(StandInData& data);
// Exchange addresses with and without an SMTP form.
void RunExchangeAddresses(StandInData& data);
// The second of `people` is deleted by another program after the load.
void RunDeletedContact(StandInData& data, const std::vector<Props>& people);

}  // namespace ol_test
