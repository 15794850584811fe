#pragma once
// The rows the doctor has filled on the player's screen (a double-click's console window, or the
// terminal it was run from), counted as its text goes out (its output and its errors share the
// window) and as the player's answers end their lines. Every question's budget and the report's
// ask this one tally, not a sum of their own.

#include <cstddef>
#include <memory>
#include <ostream>
#include <string>

class ScreenRows {
public:
    ScreenRows(std::ostream& out, std::ostream& err);
    ~ScreenRows();
    ScreenRows(const ScreenRows&) = delete;
    ScreenRows& operator=(const ScreenRows&) = delete;

    std::ostream& out() { return countedOut; }
    std::ostream& err() { return countedErr; }

    struct Count;
    class Tally;

private:
    std::unique_ptr<Count> count;
    std::unique_ptr<Tally> outTally, errTally;
    std::ostream countedOut, countedErr;
};

// The rows filled so far on the screen `stream` writes to; none known (0) where it is not counted.
std::size_t rowsShown(const std::ostream& stream);
// Whether `stream` writes to a counted screen.
bool countsRows(const std::ostream& stream);
// The player typed `answer` and Enter at the console: the console echoed it there.
void answerTyped(std::ostream& stream, const std::string& answer);
