// The program's sequence, checked call by call against a Win32 that records
// what it is asked to do and answers message boxes from a script.
#include <windows.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <string>
#include <vector>

int program_main(int argc, char *argv[]);

namespace {

struct Recording {
    std::vector<std::string> trace;
    std::vector<int> answers; // what each box returns; past the end, the run stops
    size_t boxes = 0;
    int output = -1; // where standard output goes while the program runs
    std::string written;
};
Recording *recording;

struct Stop {};

const HANDLE console = reinterpret_cast<HANDLE>(0x5afe);

// What reached standard output since the last call, as one entry: output
// still in a buffer does not count.
void note_output()
{
    char buffer[256];
    std::string bytes;
    ssize_t n;
    while ((n = read(recording->output, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, static_cast<size_t>(n));
    if (!bytes.empty())
        recording->trace.push_back("output \"" + bytes + "\"");
}

void note(const std::string &call)
{
    note_output();
    recording->trace.push_back(call);
}

std::string quoted(const char *text)
{
    if (!text)
        return "NULL";
    std::string out = "\"";
    for (const char *p = text; *p; p++) {
        unsigned char c = static_cast<unsigned char>(*p);
        char hex[8];
        snprintf(hex, sizeof hex, "\\x%02X", c);
        out += c >= 0x20 && c < 0x7F ? std::string(1, *p) : hex;
    }
    return out + "\"";
}

} // namespace

extern "C" HANDLE GetStdHandle(DWORD nStdHandle)
{
    note("GetStdHandle(" + std::to_string(static_cast<int32_t>(nStdHandle)) + ")");
    return nStdHandle == STD_OUTPUT_HANDLE ? console : INVALID_HANDLE_VALUE;
}

extern "C" BOOL SetConsoleTextAttribute(HANDLE hConsoleOutput, WORD wAttributes)
{
    char attribute[8];
    snprintf(attribute, sizeof attribute, "0x%02X", wAttributes);
    note(std::string("SetConsoleTextAttribute(") + (hConsoleOutput == console ? "console" : "?") +
         ", " + attribute + ")");
    return TRUE;
}

extern "C" int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    if (recording->boxes == recording->answers.size())
        throw Stop();
    int answer = recording->answers[recording->boxes++];
    note(std::string("MessageBoxA(") + (hWnd ? "owner" : "NULL") + ", " + quoted(lpText) + ", " +
         quoted(lpCaption) + ", " + std::to_string(uType) + ") = " + std::to_string(answer));
    return answer;
}

extern "C" void Sleep(DWORD dwMilliseconds)
{
    note("Sleep(" + std::to_string(dwMilliseconds) + ")");
}

extern "C" int system(const char *command)
{
    note("system(" + quoted(command) + ")");
    return 0;
}

namespace {

// Runs the program with standard output going to a file of its own, until
// the scripted answers run out.
std::vector<std::string> run(std::vector<int> answers)
{
    Recording r;
    r.answers = std::move(answers);
    recording = &r;
    char path[] = "/tmp/merong-output-XXXXXX";
    int file = mkstemp(path);
    unlink(path);
    r.output = open(("/proc/self/fd/" + std::to_string(file)).c_str(), O_RDONLY);
    fflush(stdout);
    int saved = dup(STDOUT_FILENO);
    dup2(file, STDOUT_FILENO);
    char name[] = "merong";
    char *argv[] = {name, nullptr};
    try {
        program_main(1, argv);
    } catch (Stop) {
    }
    note_output();
    fflush(stdout); // whatever the program left in the buffer goes nowhere now
    dup2(saved, STDOUT_FILENO);
    close(saved);
    close(file);
    close(r.output);
    recording = nullptr;
    return r.trace;
}

std::vector<std::string> stage(const char *attribute)
{
    return {"GetStdHandle(-11)", std::string("SetConsoleTextAttribute(console, ") + attribute + ")",
            "output \"merong ddddd\"", "Sleep(2000)", "system(\"cls\")"};
}

const std::string greeting =
    "MessageBoxA(NULL, \"\\xB4\\xE7\\xBD\\xC5\\xC0\\xBA...\", \"Hello\", 0) = 1";
const std::string taunt_shown = "MessageBoxA(NULL, \"merong\", \"Hello\", 0) = 1";
const std::string taunt_failed = "MessageBoxA(NULL, \"merong\", \"Hello\", 0) = 0";

std::vector<std::string> concat(std::initializer_list<std::vector<std::string>> parts)
{
    std::vector<std::string> all;
    for (const auto &part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST(MainSequence, GreetingThreeStagesThenTauntsWithoutEnd)
{
    EXPECT_EQ(run({IDOK, IDOK, IDOK, IDOK, IDOK}),
              concat({{greeting},
                      stage("0x1F"),
                      stage("0x2F"),
                      stage("0x6F"),
                      {taunt_shown, taunt_shown, taunt_shown, taunt_shown}}));
}

TEST(MainSequence, PausesOnlyAfterABoxThatCouldNotBeShown)
{
    EXPECT_EQ(run({IDOK, IDOK, 0, 0, IDOK, 0, IDOK}),
              concat({{greeting},
                      stage("0x1F"),
                      stage("0x2F"),
                      stage("0x6F"),
                      {taunt_shown, taunt_failed, "Sleep(2000)", taunt_failed, "Sleep(2000)",
                       taunt_shown, taunt_failed, "Sleep(2000)", taunt_shown}}));
}

TEST(MainSequence, AGreetingThatCouldNotBeShownChangesNothing)
{
    std::vector<std::string> trace = run({0, IDOK});
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace.front(),
              "MessageBoxA(NULL, \"\\xB4\\xE7\\xBD\\xC5\\xC0\\xBA...\", \"Hello\", 0) = 0");
    EXPECT_EQ(std::vector<std::string>(trace.begin() + 1, trace.end()),
              concat({stage("0x1F"), stage("0x2F"), stage("0x6F"), {taunt_shown}}));
}

} // namespace
