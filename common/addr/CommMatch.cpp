// Matching of records across the two stores: the text rule, FindMatch,
// marking and the index over the match key.
#include <algorithm>
#include <cstring>

#include "common/addr/CommAddr.h"
#include "common/addr/CommText.h"

using namespace comm_detail;

// ---------------------------------------------------------------- matching

int CommAddrMgr::CompareText(const char* a, const char* b) const {
    if (!a || !b) return -1;
    return CompareTextBounded(a, SIZE_MAX, b, SIZE_MAX);
}

bool CommAddrMgr::FieldsEqual(const CommAddr* a, const CommAddr* b, const int32_t* ids,
                              uint32_t count) const {
    if (!a || !b || !ids || count == 0) return false;
    for (uint32_t k = 0; k < count; ++k) {
        const int32_t id = ids[k];
        if (IsCompareTextId(id)) {
            size_t na = 0, nb = 0;
            const char* ta = GetTextSlot(*a, id, &na);
            const char* tb = GetTextSlot(*b, id, &nb);
            if (CompareTextBounded(ta, na, tb, nb) != 0) return false;
        } else if (id == FID_ANNIVERSARY || id == FID_BIRTHDAY) {
            if (!(*GetDateSlot(*a, id) == *GetDateSlot(*b, id))) return false;
        }
    }
    return true;
}

namespace {

// The walk over the candidates of one search, in store order: the first
// equal record wins, else the last key match is "different". A record
// whose key is empty (a company-only contact, say) has no key to tell it
// apart: it is the same only as an empty-key record whose compared fields
// all agree, and never "different", so no write ever lands on an
// unrelated contact.
class MatchWalk {
public:
    MatchWalk(const CommAddrMgr& store, const CommAddr* rec)
        : m_Store(store), m_pRec(rec), m_bEmptyKey(store.KeyEmpty(*rec)) {
        m_pKeys = store.GetMatchKeys(&m_nKeys);
        m_pCompared = store.GetCompareFields(&m_nCompared);
    }
    // True when the walk ends at cur (found as itself or as an equal record).
    bool Visit(CommAddr* cur, uint32_t pos, CommAddr** matched, uint32_t* index) {
        const bool same = cur == m_pRec ||
                          (m_Store.FieldsEqual(cur, m_pRec, m_pKeys, m_nKeys) &&
                           m_Store.FieldsEqual(cur, m_pRec, m_pCompared, m_nCompared));
        if (same) {
            if (matched) *matched = cur;
            if (index) *index = pos;
            return true;
        }
        if (!m_bEmptyKey && m_Store.FieldsEqual(cur, m_pRec, m_pKeys, m_nKeys)) {
            m_nResult = MATCH_DIFF;
            if (matched) *matched = cur;
            m_bKeyMatched = true;
            m_nKeyPos = pos;
        }
        return false;
    }
    int Finish(uint32_t* index, uint32_t count) const {
        if (index) *index = m_bKeyMatched ? m_nKeyPos : count;
        return m_nResult;
    }

private:
    const CommAddrMgr& m_Store;
    const CommAddr* m_pRec;
    bool m_bEmptyKey;
    const int32_t* m_pKeys = nullptr;
    uint32_t m_nKeys = 0;
    const int32_t* m_pCompared = nullptr;
    uint32_t m_nCompared = 0;
    int m_nResult = MATCH_NEW;
    bool m_bKeyMatched = false;
    uint32_t m_nKeyPos = 0;
};

}  // namespace

bool CommAddrMgr::KeyEmpty(const CommAddr& rec) const {
    for (uint32_t k = 0; k < m_nMatchKeyCount; ++k) {
        size_t size = 0;
        const char* text = GetTextSlot(rec, m_nMatchKeys[k], &size);
        if (text && SlotTextLen(text, size) > 0) return false;
    }
    return true;
}

int CommAddrMgr::FindMatch(const CommAddr* rec, CommAddr** matched, uint32_t* index) {
    if (!rec) return MATCH_ERROR;
    MatchWalk walk(*this, rec);
    const uint32_t count = GetCount();
    for (uint32_t pos = 0; pos < count; ++pos)
        if (walk.Visit(m_Recs[pos].get(), pos, matched, index)) return MATCH_SAME;
    return walk.Finish(index, count);
}

bool CommAddrMgr::MarkStatus(CommAddrMgr* other) {
    if (!other) return false;
    CommMatchIndex byKey(*other);
    for (const std::unique_ptr<CommAddr>& rec : m_Recs) {
        CommAddr* matched = nullptr;
        uint32_t index = 0;
        switch (byKey.Find(rec.get(), &matched, &index)) {
        case MATCH_NEW: rec->m_nStatus = STATUS_NEW; break;
        case MATCH_DIFF: rec->m_nStatus = STATUS_DIFF; break;
        default: rec->m_nStatus = STATUS_SAME; break;
        }
    }
    return true;
}

// ---------------------------------------------------------------- key index

namespace {

// FNV-1a, finished with a mixer so that the low bits spread.
struct KeyHasher {
    uint64_t m_nState = 14695981039346656037ULL;
    void Add(unsigned char c) {
        m_nState ^= c;
        m_nState *= 1099511628211ULL;
    }
    uint64_t Finish() const {
        uint64_t h = m_nState;
        h ^= h >> 33;
        h *= 0xff51afd7ed558ccdULL;
        h ^= h >> 33;
        return h;
    }
};

}  // namespace

// Two texts compare equal exactly when they agree with line breaks removed
// and ASCII letters folded, and agree on whether a line break follows their
// last other character. The hash is taken over that form, so texts that
// compare equal hash alike; candidates are still checked with FieldsEqual.
uint64_t CommMatchIndex::KeyHash(const CommAddr& rec) const {
    KeyHasher h;
    for (uint32_t k = 0; k < m_Store.m_nMatchKeyCount; ++k) {
        const int32_t id = m_Store.m_nMatchKeys[k];
        if (!IsCompareTextId(id)) continue;  // such ids never tell records apart by text
        size_t size = 0;
        const char* text = GetTextSlot(rec, id, &size);
        const size_t len = SlotTextLen(text, size);
        bool breakAtEnd = false;
        for (size_t i = 0; i < len; ++i) {
            const char c = text[i];
            if (IsLineBreak(c)) {
                breakAtEnd = true;
                continue;
            }
            breakAtEnd = false;
            h.Add(static_cast<unsigned char>(FoldUpper(c)));
        }
        // Field end: a terminator cannot occur in the text, so 0 separates.
        h.Add(0);
        h.Add(breakAtEnd ? 1 : 2);
    }
    return h.Finish();
}

CommMatchIndex::CommMatchIndex(CommAddrMgr& store) : m_Store(store), m_nClears(store.m_nClears) {
    Refresh();
}

size_t CommMatchIndex::MemoryBytes() const {
    return m_Hashes.capacity() * sizeof(uint64_t) + m_Next.capacity() * sizeof(uint32_t) +
           m_Heads.capacity() * sizeof(uint32_t) + m_Found.capacity() * sizeof(uint32_t);
}

// Buckets are at least twice the records, so chains stay short.
void CommMatchIndex::Grow() {
    size_t want = 16;
    while (want < m_Hashes.size() * 2) want *= 2;
    if (want <= m_Heads.size()) return;
    m_Heads.assign(want, kNone);
    for (uint32_t pos = 0; pos < m_Hashes.size(); ++pos) Link(pos);
}

void CommMatchIndex::Link(uint32_t pos) {
    uint32_t& head = m_Heads[m_Hashes[pos] & (m_Heads.size() - 1)];
    m_Next[pos] = head;
    head = pos;
}

void CommMatchIndex::Unlink(uint32_t pos) {
    uint32_t* link = &m_Heads[m_Hashes[pos] & (m_Heads.size() - 1)];
    while (*link != kNone && *link != pos) link = &m_Next[*link];
    if (*link == pos) *link = m_Next[pos];
}

void CommMatchIndex::Refresh() {
    if (m_nClears != m_Store.m_nClears || m_Store.GetCount() < m_Hashes.size()) {
        m_nClears = m_Store.m_nClears;
        m_Hashes.clear();
        m_Next.clear();
        m_Heads.clear();
    }
    const uint32_t count = m_Store.GetCount();
    const uint32_t from = static_cast<uint32_t>(m_Hashes.size());
    if (from == count && !m_Heads.empty()) return;
    m_Hashes.reserve(count);
    m_Next.reserve(count);
    for (uint32_t pos = from; pos < count; ++pos) {
        m_Hashes.push_back(KeyHash(*m_Store.m_Recs[pos]));
        m_Next.push_back(kNone);
    }
    const size_t before = m_Heads.size();
    Grow();
    if (m_Heads.size() == before)  // not relinked by Grow
        for (uint32_t pos = from; pos < count; ++pos) Link(pos);
}

void CommMatchIndex::Update(uint32_t pos) {
    Refresh();
    if (pos >= m_Hashes.size()) return;
    Unlink(pos);
    m_Hashes[pos] = KeyHash(*m_Store.m_Recs[pos]);
    Link(pos);
}

int CommMatchIndex::Find(const CommAddr* rec, CommAddr** matched, uint32_t* index) {
    if (!rec) return MATCH_ERROR;
    Refresh();
    const uint64_t hash = KeyHash(*rec);
    m_Found.clear();
    for (uint32_t pos = m_Heads[hash & (m_Heads.size() - 1)]; pos != kNone; pos = m_Next[pos])
        if (m_Hashes[pos] == hash) m_Found.push_back(pos);
    std::sort(m_Found.begin(), m_Found.end());
    // The walk restricted to the records that can share rec's key, in
    // store order: same first hit, same last key match.
    MatchWalk walk(m_Store, rec);
    for (uint32_t pos : m_Found)
        if (walk.Visit(m_Store.m_Recs[pos].get(), pos, matched, index)) return MATCH_SAME;
    return walk.Finish(index, static_cast<uint32_t>(m_Hashes.size()));
}

void CommMatchIndex::FindKeyMatches(const CommAddr* rec, std::vector<uint32_t>& out) {
    out.clear();
    if (!rec) return;
    Refresh();
    const uint64_t hash = KeyHash(*rec);
    uint32_t keyCount = 0;
    const int32_t* keys = m_Store.GetMatchKeys(&keyCount);
    for (uint32_t pos = m_Heads[hash & (m_Heads.size() - 1)]; pos != kNone; pos = m_Next[pos])
        if (m_Hashes[pos] == hash && m_Store.FieldsEqual(m_Store.m_Recs[pos].get(), rec, keys, keyCount))
            out.push_back(pos);
    std::sort(out.begin(), out.end());
}
