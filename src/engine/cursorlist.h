// The ordered list of non-owning pointers behind every task group, render group and beat
// clock. Its walking cursor is a member, so the item under the cursor may be removed
// mid-walk and the walk goes on with the item that followed it.
#pragma once

namespace Tramble {

template <class T>
class CursorList {
public:
    struct Node {
        T* item;
        Node* next;
        Node* prev;
    };

    CursorList() = default;
    ~CursorList() { clear(); }
    CursorList(const CursorList&) = delete;
    CursorList& operator=(const CursorList&) = delete;

    void append(T* item) {
        Node* node = new Node{item, nullptr, tail};
        if (tail != nullptr) {
            tail->next = node;
        } else {
            head = node;
        }
        tail = node;
    }

    // Walking: for (T* t = list.first(); t != nullptr; t = list.next()) { ... }
    // Backwards: last() and previous(). removeCurrent() inside a forward walk makes the
    // following next() return the item that followed the removed one.
    T* first() { return moveTo(head); }
    T* last() { return moveTo(tail); }
    T* next() {
        if (skipAdvance) {
            skipAdvance = false;
            return moveTo(pending);
        }
        return moveTo(cursor != nullptr ? cursor->next : nullptr);
    }
    T* previous() { return moveTo(cursor != nullptr ? cursor->prev : nullptr); }

    // Unlinks and deletes the cursor's node (never the item itself).
    void removeCurrent() {
        if (cursor == nullptr) {
            return;
        }
        Node* removed = cursor;
        (removed->prev != nullptr ? removed->prev->next : head) = removed->next;
        (removed->next != nullptr ? removed->next->prev : tail) = removed->prev;
        pending = removed->next;
        skipAdvance = true;
        cursor = nullptr;
        delete removed;
    }

    // Removes the first node holding item, wherever the cursor stands.
    void remove(T* item) {
        for (Node* node = head; node != nullptr; node = node->next) {
            if (node->item == item) {
                if (node == cursor) {
                    removeCurrent();
                    return;
                }
                if (skipAdvance && node == pending) {
                    pending = node->next;
                }
                (node->prev != nullptr ? node->prev->next : head) = node->next;
                (node->next != nullptr ? node->next->prev : tail) = node->prev;
                delete node;
                return;
            }
        }
    }

    // Deletes every node, never the items.
    void clear() {
        Node* node = head;
        while (node != nullptr) {
            Node* following = node->next;
            delete node;
            node = following;
        }
        head = tail = cursor = pending = nullptr;
        skipAdvance = false;
    }

    bool empty() const { return head == nullptr; }
    int size() const {
        int n = 0;
        for (const Node* node = head; node != nullptr; node = node->next) {
            ++n;
        }
        return n;
    }
    T* current() const { return cursor != nullptr ? cursor->item : nullptr; }

    Node* head = nullptr;
    Node* tail = nullptr;
    Node* cursor = nullptr;

private:
    T* moveTo(Node* node) {
        skipAdvance = false;
        cursor = node;
        return node != nullptr ? node->item : nullptr;
    }

    // After removeCurrent() the cursor is gone; the next advance resumes at pending.
    Node* pending = nullptr;
    bool skipAdvance = false;
};

}  // namespace Tramble
