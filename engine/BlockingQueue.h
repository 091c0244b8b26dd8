#pragma once
// A single-producer, single-consumer queue whose consumer polls in slices of
// at most 10 ms, so that the end flag and the abort flag are seen in time.
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

#include "base/Event.h"

constexpr int kPollSliceMs = 10;

template <typename Element>
class CBlockingQueue {
public:
    CBlockingQueue() : m_pushed(false, false), m_popped(false, false) {}
    CBlockingQueue(const CBlockingQueue&) = delete;
    CBlockingQueue& operator=(const CBlockingQueue&) = delete;

    void SetEnd(bool end) { m_bEnd.store(end ? 1 : 0); }
    bool IsEnded() const { return m_bEnd.load() != 0; }

    size_t Count() const
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_items.size();
    }

protected:
    void PushBack(std::unique_ptr<Element> element)
    {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_items.push_back(std::move(element));
        }
        m_pushed.Set();
    }

    // The oldest element, or nothing when the queue is empty. Tells a
    // producer waiting for room once `m_nRoomAt` or fewer elements are left.
    std::unique_ptr<Element> TakeFront()
    {
        std::unique_ptr<Element> element;
        size_t left = 0;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (m_items.empty())
                return nullptr;
            element = std::move(m_items.front());
            m_items.pop_front();
            left = m_items.size();
        }
        if (left <= m_nRoomAt)
            m_popped.Set();
        return element;
    }

    // Pop built on the queue's own TryPop: waits in slices while the end flag
    // is clear; nothing once the end flag is set and the queue is empty.
    template <typename TryPopFn>
    std::unique_ptr<Element> PopWith(TryPopFn tryPop)
    {
        for (;;) {
            if (auto element = tryPop())
                return element;
            if (IsEnded())
                return tryPop();
            m_pushed.Wait(kPollSliceMs);
        }
    }

    std::deque<std::unique_ptr<Element>> m_items;
    CEvent m_pushed;
    CEvent m_popped;
    std::atomic<int> m_bEnd{0};
    mutable std::mutex m_lock;
    // A bounded queue's producer that waits for room is woken when this many
    // elements are left, so that it refills many at once instead of waking
    // for every single one.
    size_t m_nRoomAt = SIZE_MAX;
};
