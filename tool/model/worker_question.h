// Questions a transfer asks the user while it runs: after a communication
// error, for an item the unit lacks, and for a controller version the masters do
// not list. Any thread may ask; the answer comes back when the user has chosen.
// An implementation that is shutting down answers Abort (Cancel) at once.
#pragma once

#include <string>

namespace kravin::model {

// Result codes of the questions.
enum WorkerAnswer : int {
    AnswerSkip = 1,      // "Skip", and "Forced Execute" of the version check
    AnswerAbort = 2,     // "Abort", and "Cancel" of the version check
    AnswerSkipAll = 3,   // "Skip All" (item missing only)
};

class WorkerQuestion {
public:
    virtual ~WorkerQuestion() = default;
    // "Communication Error!" with the exchange's detail: Skip or Abort.
    virtual int communicationError(const std::string& detail) = 0;
    // "Item does not exist." for group and item: Skip, Abort or Skip All.
    virtual int itemMissing(int group, int item) = 0;
    // "This ROM version is not supported.": Skip (forced upload) or Abort.
    virtual int uploadVersionCheck() = 0;
};

}  // namespace kravin::model
