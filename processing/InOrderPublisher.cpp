#include "processing/InOrderPublisher.h"

InOrderPublisher::InOrderPublisher(int count, std::function<void(int index)> publish)
    : states_(size_t(count > 0 ? count : 0), State::Waiting), publish_(std::move(publish))
{
}

void InOrderPublisher::ended(int index, bool succeeded)
{
    if (index < 0 || index >= int(states_.size()) || states_[size_t(index)] != State::Waiting)
        return;
    states_[size_t(index)] = succeeded ? State::Succeeded : State::Failed;
    publishDue(false);
}

void InOrderPublisher::finish()
{
    publishDue(true);
}

void InOrderPublisher::publishDue(bool finishing)
{
    for (; next_ < int(states_.size()); ++next_) {
        const State state = states_[size_t(next_)];
        if (state == State::Waiting && !finishing)
            return;
        if (state == State::Succeeded) {
            states_[size_t(next_)] = State::Published;
            publish_(next_);
        }
    }
}
