#include "internal.h"
#include "windows.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(Console, AttributeAsTerminalColours)
{
    const struct {
        uint16_t attribute;
        const char *sgr;
    } cases[] = {
        {0x1F, "\x1b[0;97;44m"},       // bright white on blue
        {0x2F, "\x1b[0;97;42m"},       // bright white on green
        {0x6F, "\x1b[0;97;43m"},       // bright white on dark yellow
        {0x07, "\x1b[0;37;40m"},       // the console's usual grey on black
        {0x0C, "\x1b[0;91;40m"},       // bright red: red and blue swap places
        {0x91, "\x1b[0;34;104m"},      // blue on bright blue
        {0xF0, "\x1b[0;30;107m"},      // black on bright white
        {0xC01F, "\x1b[0;7;4;97;44m"}, // reverse video and underscore
        {0x3F1F, "\x1b[0;97;44m"},     // other high bits mean nothing here
    };
    for (const auto &c : cases)
        EXPECT_EQ(attribute_sgr(c.attribute), c.sgr) << std::hex << c.attribute;
}

// Standard output sent elsewhere for the life of the object.
class StdoutTo {
  public:
    explicit StdoutTo(int fd) : saved_(dup(STDOUT_FILENO))
    {
        fflush(stdout);
        dup2(fd, STDOUT_FILENO);
    }
    ~StdoutTo()
    {
        fflush(stdout);
        dup2(saved_, STDOUT_FILENO);
        close(saved_);
    }

  private:
    int saved_;
};

// A pseudo-terminal, read from its master side.
class Pty {
  public:
    Pty() { openpty(&master_, &slave_, nullptr, nullptr, nullptr); }
    ~Pty()
    {
        close(master_);
        close(slave_);
    }
    int slave() const { return slave_; }
    std::string read_all()
    {
        std::string bytes;
        char buffer[256];
        pollfd p = {master_, POLLIN, 0};
        while (poll(&p, 1, 200) > 0) {
            ssize_t n = read(master_, buffer, sizeof buffer);
            if (n <= 0)
                break;
            bytes.append(buffer, static_cast<size_t>(n));
        }
        return bytes;
    }

  private:
    int master_ = -1, slave_ = -1;
};

std::string read_file(int fd)
{
    std::string bytes;
    char buffer[256];
    ssize_t n;
    lseek(fd, 0, SEEK_SET);
    while ((n = read(fd, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, static_cast<size_t>(n));
    return bytes;
}

class ConsoleOn : public testing::Test {
  protected:
    void SetUp() override { setenv("TERM", "xterm", 1); }
};

TEST_F(ConsoleOn, TerminalColoursWhatComesAfterAndClsFillsWithIt)
{
    Pty pty;
    {
        StdoutTo redirect(pty.slave());
        printf("before ");
        EXPECT_EQ(SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), 0x2F), TRUE);
        printf("merong ddddd");
        EXPECT_EQ(system("cls"), 0);
    }
    EXPECT_EQ(pty.read_all(), "before \x1b[0;97;42mmerong ddddd\x1b[0;97;42m\x1b[2J\x1b[3J\x1b[H");
    EXPECT_EQ(console_sgr(), "\x1b[0;97;42m");
}

TEST_F(ConsoleOn, FileGetsTheTextAndNoColourOrClear)
{
    char path[] = "/tmp/merong-console-XXXXXX";
    int file = mkstemp(path);
    unlink(path);
    BOOL set;
    {
        StdoutTo redirect(file);
        set = SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), 0x1F);
        printf("merong ddddd");
        EXPECT_EQ(system("cls"), 0);
    }
    EXPECT_EQ(set, FALSE);
    EXPECT_EQ(read_file(file), "merong ddddd");
    close(file);
}

TEST_F(ConsoleOn, DumbTerminalGetsNoColourOrClear)
{
    setenv("TERM", "dumb", 1);
    Pty pty;
    BOOL set;
    {
        StdoutTo redirect(pty.slave());
        set = SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), 0x1F);
        printf("merong ddddd");
        EXPECT_EQ(system("cls"), 0);
    }
    EXPECT_EQ(set, FALSE);
    EXPECT_EQ(pty.read_all(), "merong ddddd");
}

TEST_F(ConsoleOn, OnlyStandardOutputIsAConsoleHandle)
{
    EXPECT_EQ(GetStdHandle(static_cast<DWORD>(-10)), INVALID_HANDLE_VALUE);
    EXPECT_EQ(SetConsoleTextAttribute(INVALID_HANDLE_VALUE, 0x1F), FALSE);
    EXPECT_EQ(SetConsoleTextAttribute(nullptr, 0x1F), FALSE);
}

TEST(System, OtherCommandsGoToTheShell)
{
    int status = system("exit 3");
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_NE(system(nullptr), 0);
}

// "cls" is taken over for the program alone: for anyone else in the process
// (a library, the desktop toolkit) system() is still the C library's, which
// hands "cls" to the shell like any command.
TEST(System, OthersInTheProcessKeepTheCLibrarys)
{
    using system_fn = int (*)(const char *);
    auto theirs = reinterpret_cast<system_fn>(dlsym(RTLD_DEFAULT, "system"));
    ASSERT_NE(theirs, nullptr);
    int status = theirs("cls >/dev/null 2>&1 || exit 7");
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);
    EXPECT_EQ(theirs("exit 0"), 0);
}

} // namespace
