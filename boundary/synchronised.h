#pragma once

#include <optional>
#include <utility>

// A value that can be reached only while its lock is held: withLock() runs a function on it under
// the lock; lock() and tryLock() hand out a guard that unlocks when it goes and through which alone
// the value is seen. Only a named guard shows the value: `*lock()` or `lock()->` on the temporary
// guard does not compile, since a reference taken from it would outlive the lock
// (`PluginState& state = *g_pluginState.lock();` would use the state unlocked). Lock is any type
// with lock(), unlock() and try_lock(); a recursive lock lets the owning thread lock again while it
// already holds it.
template <typename Value, typename Lock>
class Synchronised {
public:
    class Guard {
    public:
        Guard(Guard&& other) noexcept : m_owner(std::exchange(other.m_owner, nullptr)) {}
        Guard& operator=(Guard&&) = delete;
        Guard(const Guard&) = delete;
        ~Guard() {
            if (m_owner) m_owner->m_lock.unlock();
        }

        Value& operator*() const& { return m_owner->m_value; }
        Value* operator->() const& { return &m_owner->m_value; }
        Value& operator*() && = delete;
        Value* operator->() && = delete;

    private:
        friend class Synchronised;
        explicit Guard(Synchronised& owner) : m_owner(&owner) {}
        Synchronised* m_owner;
    };

    template <typename... Args>
    explicit Synchronised(Args&&... args) : m_value(std::forward<Args>(args)...) {}
    Synchronised(const Synchronised&) = delete;
    Synchronised& operator=(const Synchronised&) = delete;

    // Waits for the lock.
    [[nodiscard]] Guard lock() {
        m_lock.lock();
        return Guard(*this);
    }
    // Runs the function on the value under the lock, waiting for it, and returns what it returns.
    template <typename Function>
    decltype(auto) withLock(Function&& function) {
        Guard guard = lock();
        return std::forward<Function>(function)(*guard);
    }
    // Nothing when another thread holds the lock; never waits.
    [[nodiscard]] std::optional<Guard> tryLock() {
        if (!m_lock.try_lock()) return std::nullopt;
        return Guard(*this);
    }

private:
    Lock m_lock;
    Value m_value;
};
