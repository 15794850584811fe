#include "doctor/cli/screen_rows.h"

#include <streambuf>

namespace {
// The console window's width: a longer line fills as many rows as it takes.
constexpr std::size_t kColumns = 120;
}  // namespace

struct ScreenRows::Count {
    std::size_t rows = 0, column = 0;

    void put(char c) {
        if (c == '\n') {
            ++rows, column = 0;
            return;
        }
        if ((static_cast<unsigned char>(c) & 0xC0) == 0x80) return;  // within a UTF-8 letter
        if (column == kColumns) ++rows, column = 0;
        ++column;
    }
    std::size_t filled() const { return rows + (column > 0 ? 1 : 0); }
};

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
