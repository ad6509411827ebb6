#pragma once
#include <functional>
#include <vector>

// When several images run at once, each writes into a private folder of its own; its outputs
// move into the destination in list order, as soon as every earlier image has ended, so the
// names they get (output.png, output (2).png ...) do not depend on which job ends first.
// This keeps the order: it calls `publish(index)` for each succeeded image at its turn.
class InOrderPublisher {
public:
    InOrderPublisher(int count, std::function<void(int index)> publish);

    // Image `index` ended; publishes it and the succeeded images after it whose turn has come.
    void ended(int index, bool succeeded);
    // The run ends (also when stopped): the images that ended are published in order, those that
    // never ended are skipped.
    void finish();

private:
    enum class State { Waiting, Succeeded, Failed, Published };
    void publishDue(bool finishing);

    std::vector<State> states_;
    std::function<void(int)> publish_;
    int next_ = 0;
};
