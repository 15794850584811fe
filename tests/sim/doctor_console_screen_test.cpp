// The doctor in a console, as the player sees it: the test shares its console (Wine makes one
// for a program started in a terminal) with the doctor, and reads the screen back cell by cell.
// A game path with letters beyond ASCII must show as written, whatever the console's output
// code page, and fill the rows that the doctor's own count gives.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "doctor/settings/report.h"
#include "tests/support/whole_file.h"

namespace fs = std::filesystem;

namespace {

constexpr SHORT kWidth = 120;

std::string utf8(const std::wstring& text) {
    std::string bytes(text.size() * 3, '\0');
    bytes.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                              bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                                              nullptr)));
    return bytes;
}

// Runs the doctor on `game`, its output to `output` (null: the console), and waits for it.
void runDoctor(const fs::path& game, HANDLE output) {
    std::wstring command = L"\"" + fs::u8path(VELTRANE_DOCTOR).wstring() + L"\" --game \"" + game.wstring() + L"\"";
    STARTUPINFOW start{};
    start.cb = sizeof start;
    if (output) {
        start.dwFlags = STARTF_USESTDHANDLES;
        start.hStdInput = GetStdHandle(STD_INPUT_HANDLE), start.hStdOutput = output, start.hStdError = output;
    }
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, output != nullptr, 0, nullptr, nullptr,
                               &start, &process))
        << GetLastError();
    WaitForSingleObject(process.hProcess, 60000);
    CloseHandle(process.hThread), CloseHandle(process.hProcess);
}

// What the doctor writes to a file: UTF-8 lines.
std::string doctorToFile(const fs::path& game, const fs::path& file) {
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    const HANDLE handle = CreateFileW(file.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    runDoctor(game, handle);
    CloseHandle(handle);
    std::string text = readFile(file);
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

// The rows the doctor filled on an emptied screen, each without its trailing blanks.
std::vector<std::string> doctorOnScreen(const fs::path& game, HANDLE screen) {
    const DWORD cells = static_cast<DWORD>(kWidth) * 300;
    DWORD done = 0;
    FillConsoleOutputCharacterW(screen, L' ', cells, COORD{0, 0}, &done);
    SetConsoleCursorPosition(screen, COORD{0, 0});
    runDoctor(game, nullptr);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleScreenBufferInfo(screen, &info);
    std::vector<std::string> rows;
    for (SHORT row = 0; row < info.dwCursorPosition.Y + (info.dwCursorPosition.X > 0); ++row) {
        std::wstring cellsRead(static_cast<std::size_t>(kWidth), L' ');
        DWORD read = 0;
        ReadConsoleOutputCharacterW(screen, cellsRead.data(), kWidth, COORD{0, row}, &read);
        cellsRead.resize(cellsRead.find_last_not_of(L' ') + 1);
        rows.push_back(utf8(cellsRead));
    }
    return rows;
}

// `text`'s lines as a console `kWidth` letters wide shows them, without trailing blanks.
std::vector<std::string> wrappedRows(const std::string& text) {
    std::vector<std::string> rows;
    std::string row;
    std::size_t letters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool first = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        if (text[i] == '\n' || (first && letters == static_cast<std::size_t>(kWidth))) {
            rows.push_back(row.substr(0, row.find_last_not_of(' ') + 1)), row.clear(), letters = 0;
            if (text[i] == '\n') continue;
        }
        row += text[i], letters += first;
    }
    if (!row.empty()) rows.push_back(row);
    return rows;
}

TEST(DoctorConsole, ShowsEveryLetterOfTheGamePathInEachCodePage) {
    const HANDLE screen = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_TRUE(SetConsoleScreenBufferSize(screen, COORD{kWidth, 300}))
        << "no console (run in a terminal, under script): " << GetLastError();
    const fs::path base = fs::temp_directory_path() / "veltrane-console-screen";
    const fs::path game = base / L"Spiele" / L"Red Dead Redemption 2 \u2013 \u00dcltimate";
    fs::create_directories(game);
    fs::copy_file(VELTRANE_GAME, game / "RDR2.exe", fs::copy_options::overwrite_existing);
    const std::string path = utf8(game.wstring());
    for (const UINT codePage : {65001u, 437u, 850u}) {
        SCOPED_TRACE(codePage);
        ASSERT_TRUE(SetConsoleOutputCP(codePage));
        const std::vector<std::string> shown = doctorOnScreen(game, screen);
        const std::string written = doctorToFile(game, base / "out.txt");
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(shown.front(), "Game folder " + path);
        EXPECT_EQ(shown, wrappedRows(written));
        EXPECT_EQ(shown.size(), consoleRows(written));
    }
    CloseHandle(screen);
    if (!::testing::Test::HasFailure()) fs::remove_all(base);
}

}  // namespace
