// The script hook's log as the doctor reads it: the version its header names, and the last
// FATAL line, from logs of each shape a player may have.

#include <gtest/gtest.h>

#include <string>

#include "doctor/readers/hook_log.h"

namespace {

TEST(HookLog, FindsTheVersionInTheHeaderAndTheLastFatalLine) {
    struct Case {
        const char* what;
        std::string log;
        std::string version, fatal;
        bool refused = false;  // the fatal line refuses the game's version
    };
    const Case cases[] = {
        {"a game update refused",
         "Script Hook RDR2 v1.0.1491.50 (build Mar  1 2026)\r\n\r\n[10:01:02] INIT: started\r\n"
         "[10:01:03] FATAL: Unknown game version 1.0.1502.3\r\n",
         "1.0.1491.50", "[10:01:03] FATAL: Unknown game version 1.0.1502.3", true},
        {"a date in brackets is no version", "[08.12.2026 19:02:11] INIT: ScriptHookRDR2 1.0.1436.31\n", "1.0.1436.31",
         ""},
        {"the number after the hook's name, on whichever header line",
         "log opened 2026.12.08\nINIT: Script Hook RDR2 v1.0.1491.50\n", "1.0.1491.50", ""},
        {"fatal in another letter case", "hook 1.2.3\nFatal: unknown game version 1.0.1502.3\n", "1.2.3",
         "Fatal: unknown game version 1.0.1502.3", true},
        {"another fatal line refuses no version", "hook 1.2.3\n[12:00:01] FATAL: Unable to create script thread\n",
         "1.2.3", "[12:00:01] FATAL: Unable to create script thread", false},
        {"fatal within another word", "hook 1.2.3\nnonfatal: x\nnon-fatal: y\nfatally slow\n", "1.2.3", ""},
        {"the last of two",
         "hook 1.2.3\nFATAL: first\nFATAL: second  \n", "1.2.3", "FATAL: second"},
        {"a version in the body is no header's", "a\nb\nc\nd\ne\nversion 1.2.3\n", "", ""},
        {"the header's first dotted number, whichever it is", "log of 2026.12.08 by hook 3.4.5.6\n", "2026.12.08", ""},
        {"a lone number is no version", "build 1491 of 2 parts\n", "", ""},
        {"stray carriage returns around a line", "\rhook 1.2.3\r\r\n\r FATAL: x\r\n", "1.2.3", "FATAL: x"},
        {"no line end", "FATAL", "", "FATAL"},
        {"empty", "", "", ""},
    };
    for (const Case& c : cases) {
        const HookLog read = readHookLog(c.log);
        EXPECT_EQ(read.version, c.version) << c.what;
        EXPECT_EQ(read.fatalLine, c.fatal) << c.what;
        EXPECT_EQ(read.versionRefused, c.refused) << c.what;
    }
}

}  // namespace
