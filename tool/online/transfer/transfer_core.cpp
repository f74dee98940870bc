#include "transfer_core.h"

#include <thread>

namespace kravin::online {

TransferTiming TransferTiming::Real()
{
    TransferTiming t;
    t.sleep = [](milliseconds d) { std::this_thread::sleep_for(d); };
    return t;
}

bool TransferResult::Set(TransferOutcome outcome, int messageId, std::string detail)
{
    std::lock_guard lock(mutex_);
    if (outcome_ != TransferOutcome::Running || outcome == TransferOutcome::Running) return false;
    outcome_ = outcome;
    messageId_ = messageId;
    detail_ = std::move(detail);
    return true;
}

TransferOutcome TransferResult::outcome() const
{
    std::lock_guard lock(mutex_);
    return outcome_;
}

int TransferResult::messageId() const
{
    std::lock_guard lock(mutex_);
    return messageId_;
}

std::string TransferResult::detail() const
{
    std::lock_guard lock(mutex_);
    return detail_;
}

void TransferResult::Reset()
{
    std::lock_guard lock(mutex_);
    outcome_ = TransferOutcome::Running;
    messageId_ = 0;
    detail_.clear();
}

void TransferContext::Wait(milliseconds d)
{
    if (d.count() <= 0) return;
    waitedMs_ += d.count();
    if (timing_.sleep) timing_.sleep(d);
}

void TransferContext::countBytes(std::size_t sent, std::size_t received) { bytes_ += sent + received; }

}  // namespace kravin::online
