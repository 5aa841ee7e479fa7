// Ordered list with one walking cursor. Indexes run from 0; sequential walks
// (GetFirst/GetNext, GetLast/GetPrev, GetAt of neighbouring indexes) cost one
// step per call. A walk is disturbed by GetAt, Append or Remove on the same
// list because there is only one cursor.
#pragma once

#include <cstddef>
#include <memory>

template <typename T>
class CxList {
public:
    CxList() = default;
    ~CxList() { RemoveAll(m_bOwns); }
    CxList(const CxList&) = delete;
    CxList& operator=(const CxList&) = delete;

    // An owning list deletes its elements when they leave it or it dies, as
    // if every Remove and RemoveAll were given the free flag.
    explicit CxList(bool owns) : m_bOwns(owns) {}

    T* GetFirst() {
        m_nCurIndex = 0;
        m_pCur = m_pFirst;
        return m_pCur ? m_pCur->elem : nullptr;
    }

    T* GetLast() {
        m_nCurIndex = m_nCount ? m_nCount - 1 : 0;
        m_pCur = m_pLast;
        return m_pCur ? m_pCur->elem : nullptr;
    }

    T* GetNext() {
        if (m_nCount == 0 || m_nCurIndex >= m_nCount - 1) return nullptr;
        return GetAt(m_nCurIndex + 1);
    }

    T* GetPrev() {
        if (m_nCurIndex == 0) return nullptr;
        return GetAt(m_nCurIndex - 1);
    }

    T* GetAt(size_t index) {
        if (index >= m_nCount) return nullptr;
        Node* n = m_pCur;
        size_t i = m_nCurIndex;
        if (!n) {
            n = m_pFirst;
            i = 0;
        }
        while (i < index) { n = n->next; ++i; }
        while (i > index) { n = n->prev; --i; }
        m_pCur = n;
        m_nCurIndex = index;
        return n->elem;
    }

    bool Append(T* elem) {
        if (!elem) return false;
        Node* n = new Node{elem, m_nCount, m_pLast, nullptr};
        if (m_pLast) m_pLast->next = n; else m_pFirst = n;
        m_pLast = n;
        m_pCur = n;
        m_nCurIndex = m_nCount;
        ++m_nCount;
        return true;
    }

    // Takes ownership of the element whatever the list's flags; returns the
    // stored pointer, or null when elem is null.
    T* Append(std::unique_ptr<T> elem) {
        T* p = elem.get();
        if (!Append(p)) return nullptr;
        elem.release();
        return p;
    }

    bool Remove(T* elem, bool freeElem) {
        Node* n = m_pFirst;
        size_t index = 0;
        while (n && n->elem != elem) { n = n->next; ++index; }
        if (!n || !elem) return false;
        for (Node* f = n->next; f; f = f->next) --f->index;
        if (n->prev) n->prev->next = n->next; else m_pFirst = n->next;
        if (n->next) n->next->prev = n->prev; else m_pLast = n->prev;
        m_pCur = n->next;
        m_nCurIndex = index;
        if (freeElem) delete n->elem;
        delete n;
        --m_nCount;
        return true;
    }

    bool Remove(T* elem) { return Remove(elem, m_bOwns); }

    void RemoveAll(bool freeElems) {
        Node* n = m_pFirst;
        while (n) {
            Node* next = n->next;
            if (freeElems) delete n->elem;
            delete n;
            n = next;
        }
        m_pFirst = m_pLast = m_pCur = nullptr;
        m_nCount = 0;
        m_nCurIndex = 0;
    }

    void RemoveAll() { RemoveAll(m_bOwns); }

    size_t GetCount() const { return m_nCount; }
    size_t GetCurIndex() const { return m_nCurIndex; }

private:
    struct Node {
        T* elem;
        size_t index;
        Node* prev;
        Node* next;
    };
    Node* m_pFirst = nullptr;
    Node* m_pLast = nullptr;
    Node* m_pCur = nullptr;
    size_t m_nCount = 0;
    size_t m_nCurIndex = 0;
    bool m_bOwns = false;
};
