#include "link_owner.h"

namespace kravin::online {

const char* LinkUserName(LinkUser user)
{
    switch (user) {
    case LinkUser::None: return "none";
    case LinkUser::Monitor: return "monitor";
    case LinkUser::Transfer: return "transfer";
    case LinkUser::Clock: return "clock";
    case LinkUser::Ht9: return "HT-9";
    }
    return "?";
}

bool LinkOwner::Acquire(LinkUser user)
{
    if (user == LinkUser::None) return false;
    std::lock_guard lock(mutex_);
    if (holder_ != LinkUser::None && holder_ != user) return false;
    holder_ = user;
    return true;
}

void LinkOwner::Release(LinkUser user)
{
    std::lock_guard lock(mutex_);
    if (holder_ == user) holder_ = LinkUser::None;
}

LinkUser LinkOwner::Holder() const
{
    std::lock_guard lock(mutex_);
    return holder_;
}

}  // namespace kravin::online
