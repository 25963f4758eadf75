#pragma once

#include <memory>
#include <utility>

// Deferred work (a delayed perform, a timer, an observer, an animation completion) must never
// reach an object that has gone: a popped screen, a closed alert, a removed text view. weakCall
// wraps work for a target so the target is held weakly: the wrapper calls work(target, args...)
// while the target lives and does nothing once it has gone. It answers whether it ran.
template <class T, class F>
auto weakCall(std::weak_ptr<T> target, F work)
{
    return [target = std::move(target), work = std::move(work)](auto&&... args) -> bool {
        const std::shared_ptr<T> alive = target.lock();
        if (!alive) {
            return false;
        }
        work(*alive, std::forward<decltype(args)>(args)...);
        return true;
    };
}

template <class T, class F>
auto weakCall(const std::shared_ptr<T>& target, F work)
{
    return weakCall(std::weak_ptr<T>(target), std::move(work));
}
