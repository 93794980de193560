#pragma once

#include <QList>
#include <functional>

// The few pages of a set that may load at the same time. Sites ask in
// turn and are let in first come, first served as others leave.
class PageSlots {
public:
    static constexpr int DefaultCount = 4;

    explicit PageSlots(int count = DefaultCount) : m_count(count) {}

    void ask(const void *site, std::function<void()> go);
    // Leaves its slot, or the queue.
    void leave(const void *site);

private:
    void letIn();

    struct Waiting {
        const void *site;
        std::function<void()> go;
    };

    const int m_count;
    QList<const void *> m_in;
    QList<Waiting> m_waiting;
};
