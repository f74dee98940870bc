// The one owner of the serial port or the field bus at a time: the monitor, a transfer,
// the clock setting and the HT-9 simulation each take the link before they open it and
// give it back after they closed it.
#pragma once

#include <mutex>

namespace kravin::online {

enum class LinkUser { None, Monitor, Transfer, Clock, Ht9 };

const char* LinkUserName(LinkUser user);

class LinkOwner {
public:
    // True when user now holds the link (also when it held it already); false while
    // another user holds it.
    bool Acquire(LinkUser user);
    // Gives the link back; nothing when user does not hold it.
    void Release(LinkUser user);
    LinkUser Holder() const;
    bool Free() const { return Holder() == LinkUser::None; }

private:
    mutable std::mutex mutex_;
    LinkUser holder_ = LinkUser::None;
};

// Takes the link for one scope; Release() early or let the destructor give it back.
class LinkLease {
public:
    LinkLease(LinkOwner& owner, LinkUser user) : owner_(owner), user_(user), held_(owner.Acquire(user)) {}
    ~LinkLease() { Release(); }
    LinkLease(const LinkLease&) = delete;
    LinkLease& operator=(const LinkLease&) = delete;
    bool held() const { return held_; }
    // Keeps the link past this scope (its user gives it back later).
    void Keep() { held_ = false; }
    void Release()
    {
        if (held_) owner_.Release(user_);
        held_ = false;
    }

private:
    LinkOwner& owner_;
    LinkUser user_;
    bool held_;
};

}  // namespace kravin::online
