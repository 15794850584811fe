#include "doctor/cli/screen_rows.h"

#include <streambuf>

#include "doctor/settings/report.h"

// The rows are counted as the report counts them.
struct ScreenRows::Count : ConsoleRows {};

// Passes every character on to the stream it stands for, counting it.
class ScreenRows::Tally : public std::streambuf {
public:
    Tally(std::ostream& target, Count& tally) : to(target), count(tally) {}
    Count& counted() { return count; }

private:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char letter = traits_type::to_char_type(c);
        count.put(letter);
        to.put(letter);
        return c;
    }
    std::streamsize xsputn(const char* text, std::streamsize size) override {
        for (std::streamsize i = 0; i < size; ++i) count.put(text[i]);
        to.write(text, size);
        return size;
    }
    int sync() override { return to.flush() ? 0 : -1; }

    std::ostream& to;
    Count& count;
};

ScreenRows::ScreenRows(std::ostream& out, std::ostream& err)
    : count(std::make_unique<Count>()),
      outTally(std::make_unique<Tally>(out, *count)),
      errTally(std::make_unique<Tally>(err, *count)),
      countedOut(outTally.get()),
      countedErr(errTally.get()) {}

ScreenRows::~ScreenRows() {
    countedOut.flush();
    countedErr.flush();
}

std::size_t rowsShown(const std::ostream& stream) {
    auto* tally = dynamic_cast<ScreenRows::Tally*>(stream.rdbuf());
    return tally ? tally->counted().filled() : 0;
}

bool countsRows(const std::ostream& stream) { return dynamic_cast<ScreenRows::Tally*>(stream.rdbuf()) != nullptr; }

void answerTyped(std::ostream& stream, const std::string& answer) {
    if (auto* tally = dynamic_cast<ScreenRows::Tally*>(stream.rdbuf())) {
        for (const char c : answer) tally->counted().put(c);
        tally->counted().put('\n');
    }
}
